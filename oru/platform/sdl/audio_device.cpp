// The shared SDL audio device.
#include "oru/platform/audio_device.h"

#include <SDL.h>

#include <atomic>

#include "oru/platform/threads.h"

namespace oru {
namespace {

class SharedDevice {
 public:
  SharedDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    // SDL's audio thread asks for time-critical priority; with this hint that means real time
    // where the system grants it (SDL falls back quietly when it does not).
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = &SharedDevice::Callback;
    want.userdata = this;
    device_ =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device_ == 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return;
    }
    // Never deleted: sounds held by static objects may still talk to it while the process
    // ends, after this holder has closed the device.
    mixer_ = new AudioMixer(have.freq);
    SDL_PauseAudioDevice(device_, 0);
  }
  ~SharedDevice() { Close(); }
  // Ends SDL's audio thread; the mixer stays for whoever still holds sounds, unheard.
  void Close() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device_ = 0;
  }
  AudioMixer* Mixer() const { return mixer_; }

 private:
  static void SDLCALL Callback(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<SharedDevice*>(userdata);
    if (!self->priorityAsked_) {
      // SDL's own request goes only through RealtimeKit; this one also takes the direct way.
      // Once, in the first block, which is silence anyway.
      self->priorityAsked_ = true;
      RaiseThreadPriority();
    }
    self->mixer_->Mix(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
  }

  SDL_AudioDeviceID device_ = 0;
  AudioMixer* mixer_ = nullptr;
  bool priorityAsked_ = false;  // audio thread only
};

}  // namespace

namespace {

std::atomic<SharedDevice*> openedDevice{nullptr};

}  // namespace

AudioMixer* SharedAudioMixer() {
  static SharedDevice device;
  openedDevice.store(&device, std::memory_order_release);
  return device.Mixer();
}

VoiceDevice* SharedVoiceDevice() { return SharedAudioMixer(); }

void CloseSharedAudioDevice() {
  if (SharedDevice* device = openedDevice.load(std::memory_order_acquire)) device->Close();
}

}  // namespace oru
