// The shared audio device on Windows: DirectSound's own voices, and PlaySound for the fallback.
//
// Each voice is a static secondary buffer of 16-bit samples at the sound's own rate (within
// DirectSound's 100 to 100,000 frames per second), so DirectSound converts the rate as it mixes
// and the sound layer never resamples. The voices of one sound share their samples: the first
// makes the buffer and the others duplicate it (DuplicateSoundBuffer shares the memory).
// Buffers have pan control and global focus, so they sound whichever window is in front.
//
// dsound.dll is loaded at run time: without it, or without a device, there is no voice device
// and every sound is silent, as on a machine without audio. There is no mixer of our own, so the
// MIDI synthesizer does not render here (the system's synthesizer plays the music,
// midi_synth.cpp).
//
// Every call takes the device's lock: voices are made on the primary thread and played from the
// game thread, and DirectSound's own mixing runs on its thread, never waiting for us.
#include "oru/platform/audio_device.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "oru/platform/process.h"
#include "oru/platform/win32/direct_sound_internal.h"
#include "oru/platform/win32/win32_window_internal.h"

#include "oru/platform/win32/windows_internal.h"

// DirectSound's declarations rest on the system's headers above.
#include <dsound.h>

namespace oru {
namespace {

using DirectSoundCreateCall = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

// DirectSound's limits on a secondary buffer's rate (the narrower of its versions' limits).
constexpr int kMinRate = 100;
constexpr int kMaxRate = 100000;
constexpr std::size_t kMaxBufferBytes = 0x0FFFFFFF;  // DSBSIZE_MAX

// Float samples as 16-bit ones: the inverse of the WAVE reader's scaling, so 16-bit files come
// back exactly as they were.
void ToPcm16(const float* in, std::size_t count, std::int16_t* out) {
  for (std::size_t i = 0; i < count; ++i) {
    const float scaled = std::nearbyint(in[i] * 32768.0f);
    out[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
  }
}

WAVEFORMATEX Pcm16Format(int channels, int rate) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<WORD>(2 * channels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  return format;
}

// The frames of samples for channels channels, 0 when they cannot be played.
std::size_t PlayableFrames(const VoiceSamples& samples, int channels) {
  if (samples == nullptr || (channels != 1 && channels != 2)) return 0;
  const std::size_t frames = samples->size() / static_cast<std::size_t>(channels);
  return frames * 2 * static_cast<std::size_t>(channels) <= kMaxBufferBytes ? frames : 0;
}

class DirectSoundVoices final : public win32::DirectSoundDevice {
 public:
  // The device on the system's default output; null without dsound.dll or a device.
  static std::unique_ptr<DirectSoundVoices> Open() {
    HMODULE library = LoadLibraryW(L"dsound.dll");
    if (library == nullptr) return nullptr;
    // Through a plain function pointer first: GetProcAddress's type says nothing of the call's.
    auto create = reinterpret_cast<DirectSoundCreateCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "DirectSoundCreate")));
    IDirectSound* sound = nullptr;
    if (create == nullptr || FAILED(create(nullptr, &sound, nullptr)) || sound == nullptr) {
      FreeLibrary(library);
      return nullptr;
    }
    // The desktop stands in until the sounds' window is known (UseWindow).
    if (FAILED(sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY)) &&
        FAILED(sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_NORMAL))) {
      sound->Release();
      FreeLibrary(library);
      return nullptr;
    }
    SetPrimaryFormat(sound);
    // The library stays loaded for the rest of the run.
    return std::unique_ptr<DirectSoundVoices>(new DirectSoundVoices(sound));
  }

  ~DirectSoundVoices() override { Close(); }

  int PlaybackRate(int soundRate) const override {
    return std::clamp(soundRate, kMinRate, kMaxRate);
  }

  // DirectSound ties its cooperative level to a window, by custom the application's main one.
  // With global focus the buffers sound whichever window is in front, so the window decides
  // little; the desktop stands in until one is known, and a handle that is no open window
  // changes nothing.
  void UseWindow(WindowHandle window) override {
    HWND hwnd = HwndOf(window);
    std::lock_guard lock(mutex_);
    if (sound_ == nullptr || hwnd == nullptr || hwnd == window_) return;
    if (SUCCEEDED(sound_->SetCooperativeLevel(hwnd, DSSCL_PRIORITY)) ||
        SUCCEEDED(sound_->SetCooperativeLevel(hwnd, DSSCL_NORMAL)))
      window_ = hwnd;
  }

  int CreateVoice(VoiceSamples samples, int channels, int rate) override {
    const std::size_t frames = PlayableFrames(samples, channels);
    if (frames == 0 || rate != PlaybackRate(rate)) return -1;
    std::lock_guard lock(mutex_);
    if (sound_ == nullptr) return -1;
    int slot = -1;
    for (int i = 0; i < kMaxVoices && slot < 0; ++i)
      if (voices_[i].buffer == nullptr) slot = i;
    if (slot < 0) return -1;
    Voice& v = voices_[slot];
    // A voice of the same sound lends its memory.
    for (const Voice& other : voices_) {
      if (other.buffer == nullptr || other.samples != samples || other.channels != channels ||
          other.rate != rate)
        continue;
      if (SUCCEEDED(sound_->DuplicateSoundBuffer(other.buffer, &v.buffer)) && v.buffer != nullptr)
        break;
      v.buffer = nullptr;
    }
    if (v.buffer == nullptr) {
      WAVEFORMATEX format = Pcm16Format(channels, rate);
      DSBUFFERDESC desc{};
      desc.dwSize = sizeof desc;
      desc.dwFlags =
          DSBCAPS_STATIC | DSBCAPS_CTRLPAN | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
      desc.dwBufferBytes = static_cast<DWORD>(frames * format.nBlockAlign);
      desc.lpwfxFormat = &format;
      if (FAILED(sound_->CreateSoundBuffer(&desc, &v.buffer, nullptr)) || v.buffer == nullptr) {
        v.buffer = nullptr;
        return -1;
      }
      if (!Fill(v.buffer, *samples, frames * static_cast<std::size_t>(channels))) {
        v.buffer->Release();
        v.buffer = nullptr;
        return -1;
      }
    }
    v.samples = std::move(samples);
    v.channels = channels;
    v.rate = rate;
    v.started = false;
    return slot;
  }

  void DestroyVoice(int voice) override {
    std::lock_guard lock(mutex_);
    Voice* v = Live(voice);
    if (v == nullptr) return;
    v->buffer->Stop();
    Empty(*v);
  }

  bool IsPlaying(int voice) const override {
    std::lock_guard lock(mutex_);
    const Voice* v = Live(voice);
    DWORD status = 0;
    return v != nullptr && SUCCEEDED(v->buffer->GetStatus(&status)) &&
           (status & DSBSTATUS_PLAYING) != 0;
  }

  bool Start(int voice) override {
    std::lock_guard lock(mutex_);
    Voice* v = Live(voice);
    if (v == nullptr) return false;
    DWORD status = 0;
    if (FAILED(v->buffer->GetStatus(&status))) return false;
    if ((status & DSBSTATUS_BUFFERLOST) != 0 && !Restore(*v)) return false;
    // Started by us and no longer playing: it ran to its end, so it starts over (whether or not
    // the system moved its cursor back).
    if ((status & DSBSTATUS_PLAYING) == 0 && v->started) v->buffer->SetCurrentPosition(0);
    HRESULT result = v->buffer->Play(0, 0, 0);
    if (result == DSERR_BUFFERLOST && Restore(*v)) result = v->buffer->Play(0, 0, 0);
    v->started = SUCCEEDED(result);
    return v->started;
  }

  bool Stop(int voice) override {
    std::lock_guard lock(mutex_);
    Voice* v = Live(voice);
    if (v == nullptr) return false;
    v->started = false;
    return SUCCEEDED(v->buffer->Stop());
  }

  bool Rewind(int voice) override {
    std::lock_guard lock(mutex_);
    Voice* v = Live(voice);
    return v != nullptr && SUCCEEDED(v->buffer->SetCurrentPosition(0));
  }

  bool SetPan(int voice, std::int32_t pan) override {
    if (pan < kPanLeft || pan > kPanRight) return false;
    std::lock_guard lock(mutex_);
    Voice* v = Live(voice);
    // DirectSound counts pan in the same hundredths of a decibel, the same way round.
    return v != nullptr && SUCCEEDED(v->buffer->SetPan(pan));
  }

  int VoiceCount() const override {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const Voice& v : voices_) n += v.buffer != nullptr;
    return n;
  }

  // The fallback plays a whole WAVE image through PlaySound, which plays one sound at a time
  // and cuts off the previous one as the fallback should. The image must outlive the sound, so
  // it is kept until the next play.
  bool PlayFallback(VoiceSamples samples, int channels, int rate) override {
    std::lock_guard lock(mutex_);
    ::PlaySoundW(nullptr, nullptr, 0);  // stops what plays, and lets go of its image
    fallbackEnds_ = 0;
    if (samples == nullptr) return true;
    const std::size_t frames = PlayableFrames(samples, channels);
    if (frames == 0 || rate != PlaybackRate(rate) || sound_ == nullptr) return false;
    if (samples != fallbackSamples_) {
      BuildImage(*samples, frames, channels, rate);
      fallbackSamples_ = std::move(samples);
    }
    if (!::PlaySoundW(reinterpret_cast<LPCWSTR>(fallbackImage_.data()), nullptr,
                      SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
      return false;
    // PlaySound tells nobody when it ends: the sound's length says it.
    fallbackEnds_ = GetTickCount64() + frames * 1000 / static_cast<std::size_t>(rate) + 1;
    return true;
  }

  bool FallbackPlaying() const override {
    std::lock_guard lock(mutex_);
    return GetTickCount64() < fallbackEnds_;
  }

  void Close() override {
    std::lock_guard lock(mutex_);
    if (sound_ == nullptr) return;
    ::PlaySoundW(nullptr, nullptr, 0);
    fallbackEnds_ = 0;
    for (Voice& v : voices_) {
      if (v.buffer == nullptr) continue;
      v.buffer->Stop();
      Empty(v);
    }
    sound_->Release();
    sound_ = nullptr;
  }

 private:
  static constexpr int kMaxVoices = AudioMixer::kMaxVoices;

  struct Voice {
    IDirectSoundBuffer* buffer = nullptr;  // null: a free slot
    VoiceSamples samples;                  // kept to fill the buffer again when it is lost
    int channels = 0;
    int rate = 0;
    bool started = false;  // played by Start and not stopped since
  };

  explicit DirectSoundVoices(IDirectSound* sound) : sound_(sound) {}

  // Asks for 16-bit stereo at 48,000 frames per second where DirectSound mixes: older systems
  // otherwise mix at 22,050 in 8 bits. Refused, DirectSound keeps its own.
  static void SetPrimaryFormat(IDirectSound* sound) {
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(sound->CreateSoundBuffer(&desc, &primary, nullptr)) || primary == nullptr) return;
    WAVEFORMATEX format = Pcm16Format(2, 48000);
    primary->SetFormat(&format);
    primary->Release();
  }

  // Writes samples into the whole buffer.
  static bool Fill(IDirectSoundBuffer* buffer, const std::vector<float>& samples,
                   std::size_t count) {
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    if (FAILED(
            buffer->Lock(0, 0, &first, &firstBytes, &second, &secondBytes, DSBLOCK_ENTIREBUFFER)))
      return false;
    const std::size_t written = std::min<std::size_t>(count, firstBytes / 2);
    ToPcm16(samples.data(), written, static_cast<std::int16_t*>(first));
    return SUCCEEDED(buffer->Unlock(first, firstBytes, second, secondBytes));
  }

  bool Restore(Voice& v) {
    return SUCCEEDED(v.buffer->Restore()) &&
           Fill(v.buffer, *v.samples,
                v.samples->size() / static_cast<std::size_t>(v.channels) *
                    static_cast<std::size_t>(v.channels));
  }

  static void Empty(Voice& v) {
    v.buffer->Release();
    v.buffer = nullptr;
    v.samples.reset();
    v.started = false;
  }

  Voice* Live(int voice) {
    if (voice < 0 || voice >= kMaxVoices || voices_[voice].buffer == nullptr) return nullptr;
    return &voices_[voice];
  }
  const Voice* Live(int voice) const { return const_cast<DirectSoundVoices*>(this)->Live(voice); }

  // A RIFF/WAVE image of 16-bit PCM: "RIFF", size, "WAVE", a 16-byte "fmt " chunk, "data".
  void BuildImage(const std::vector<float>& samples, std::size_t frames, int channels, int rate) {
    const std::size_t count = frames * static_cast<std::size_t>(channels);
    const auto dataBytes = static_cast<std::uint32_t>(count * 2);
    fallbackImage_.assign(44 + dataBytes, 0);
    std::uint8_t* p = fallbackImage_.data();
    auto put32 = [](std::uint8_t* at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::memcpy(p, "RIFF", 4);
    put32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    put32(p + 16, 16);
    const WAVEFORMATEX format = Pcm16Format(channels, rate);
    std::memcpy(p + 20, &format, 16);  // the 16-byte record, without the extra size word
    std::memcpy(p + 36, "data", 4);
    put32(p + 40, dataBytes);
    std::vector<std::int16_t> pcm(count);
    ToPcm16(samples.data(), count, pcm.data());
    std::memcpy(p + 44, pcm.data(), dataBytes);
  }

  mutable std::mutex mutex_;
  IDirectSound* sound_;  // null once closed
  HWND window_ = nullptr;
  Voice voices_[kMaxVoices];
  VoiceSamples fallbackSamples_;  // what fallbackImage_ was built from
  std::vector<std::uint8_t> fallbackImage_;
  ULONGLONG fallbackEnds_ = 0;  // GetTickCount64 when the fallback sound is over
};

std::atomic<DirectSoundVoices*> openedDevice{nullptr};

}  // namespace

namespace win32 {

std::unique_ptr<DirectSoundDevice> OpenDirectSound() { return DirectSoundVoices::Open(); }

}  // namespace win32

VoiceDevice* SharedVoiceDevice() {
  // Never deleted: sounds held by static objects may still talk to it while the process ends.
  static DirectSoundVoices* const device =
      HeadlessDevices() ? nullptr : DirectSoundVoices::Open().release();
  openedDevice.store(device, std::memory_order_release);
  return device;
}

AudioMixer* SharedAudioMixer() { return nullptr; }

void CloseSharedAudioDevice() {
  if (DirectSoundVoices* device = openedDevice.load(std::memory_order_acquire)) device->Close();
}

}  // namespace oru
