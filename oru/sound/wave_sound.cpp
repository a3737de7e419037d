// WaveSound: loading WAVE images and playing them on the shared mixer's voices.
#include "oru/sound/wave_sound.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "oru/platform/audio_device.h"
#include "oru/platform/resources.h"

namespace oru {

namespace {

using Bytes = std::unique_ptr<std::uint8_t[]>;

// Reads a whole plain file; false when it does not open or cannot be read completely.
bool ReadPlainFile(const char* name, Bytes* bytes, std::size_t* size) {
  if (name == nullptr) return false;
  std::FILE* file = std::fopen(name, "rb");
  if (file == nullptr) return false;
  bool ok = false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long length = std::ftell(file);
    if (length >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
      Bytes buffer(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(length) + 1]);
      if (buffer && std::fread(buffer.get(), 1, static_cast<std::size_t>(length), file) ==
                        static_cast<std::size_t>(length)) {
        *bytes = std::move(buffer);
        *size = static_cast<std::size_t>(length);
        ok = true;
      }
    }
  }
  std::fclose(file);
  return ok;
}

bool ReadResource(const char* name, const char* type, Bytes* bytes, std::size_t* size) {
  if (name == nullptr) return false;
  const Resource* resource = FindResource(name, type);
  if (resource == nullptr) return false;
  Bytes buffer(new (std::nothrow) std::uint8_t[resource->size + 1]);
  if (!buffer) return false;
  if (resource->size != 0) std::memcpy(buffer.get(), resource->data, resource->size);
  *bytes = std::move(buffer);
  *size = resource->size;
  return true;
}

}  // namespace

WaveSound::WaveSound() : WaveSound(SharedAudioMixer()) {}

WaveSound::WaveSound(AudioMixer* device) : device_(device) {
  if (device_ != nullptr) SetWindow(nullptr);
}

WaveSound::~WaveSound() { DestroyVoices(); }

bool WaveSound::SetWindow(WindowHandle window) {
  if (device_ == nullptr) return false;
  if (window != nullptr && window == window_) return false;
  // Our device mixes for the whole process and needs no window, so a null window simply keeps
  // the stored one (as the active-window query does on a thread that owns no window).
  if (window != nullptr) window_ = window;
  return true;
}

bool WaveSound::Load(const char* name, const char* type) {
  Bytes bytes;
  std::size_t size = 0;
  if (!ReadPlainFile(name, &bytes, &size) && !ReadResource(name, type, &bytes, &size)) return false;
  return TakeImage(std::move(bytes), size);
}

bool WaveSound::LoadResource(const char* name, const char* type) {
  Bytes bytes;
  std::size_t size = 0;
  if (!ReadResource(name, type, &bytes, &size)) return false;
  return TakeImage(std::move(bytes), size);
}

bool WaveSound::LoadFile(const char* name) {
  Bytes bytes;
  std::size_t size = 0;
  if (!ReadPlainFile(name, &bytes, &size)) return false;
  return TakeImage(std::move(bytes), size);
}

bool WaveSound::LoadImage(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr && size != 0) return false;
  Bytes copy(new (std::nothrow) std::uint8_t[size + 1]);
  if (!copy) return false;
  if (size != 0) std::memcpy(copy.get(), bytes, size);
  return TakeImage(std::move(copy), size);
}

bool WaveSound::TakeImage(std::unique_ptr<std::uint8_t[]> image, std::size_t size) {
  DestroyVoices();
  image_ = std::move(image);
  imageSize_ = size;
  data_ = nullptr;
  dataBytes_ = 0;
  channels_ = rate_ = bits_ = blockAlign_ = 0;
  WaveImageInfo info;
  if (!ParseWaveImage(image_.get(), imageSize_, &info) || !IsPlayableWave(image_.get(), info)) return false;
  data_ = image_.get() + info.dataOffset;
  dataBytes_ = info.dataBytes;
  channels_ = info.channels;
  rate_ = static_cast<int>(info.samplesPerSecond);
  bits_ = info.bitsPerSample;
  blockAlign_ = info.blockAlign;
  CreateVoices(kVoicesPerSound);
  return true;
}

void WaveSound::CreateVoices(int count) {
  if (!image_) return;
  DestroyVoices();
  if (count <= 0) return;
  voices_.reset(new int[static_cast<std::size_t>(count)]);
  voiceCount_ = count;
  for (int i = 0; i < count; ++i) {
    voices_[i] = -1;
    if (device_ != nullptr && data_ != nullptr)
      voices_[i] = device_->CreateVoice(PcmFormat{channels_, rate_, bits_, blockAlign_}, data_, dataBytes_);
  }
}

void WaveSound::DestroyVoices() {
  if (device_ != nullptr)
    for (int i = 0; i < voiceCount_; ++i) device_->DestroyVoice(voices_[i]);
  voices_.reset();
  voiceCount_ = 0;
}

int WaveSound::VoiceId(int i) const { return i >= 0 && i < voiceCount_ ? voices_[i] : -1; }

bool WaveSound::Play(std::int32_t pan) {
  if (voiceCount_ > 0 && voices_[0] >= 0 && SetWindow(nullptr)) {
    for (int i = 0; i < voiceCount_; ++i) {
      int v = voices_[i];
      if (v < 0 || device_->IsPlaying(v)) continue;
      device_->SetPan(v, pan);
      return device_->Start(v);
    }
    // Every voice is busy: the last one starts over from its first sample.
    int last = voices_[voiceCount_ - 1];
    if (last < 0) return false;
    device_->Stop(last);
    device_->SetPan(last, pan);
    device_->Rewind(last);
    return device_->Start(last);
  }
  // The fallback plays one image at a time. A sound that never loaded only silences what it
  // played; that is no successful play, so it reports false.
  if (device_ == nullptr) return false;
  bool played = device_->PlayImage(image_.get(), imageSize_);
  return played && image_ != nullptr;
}

}  // namespace oru
