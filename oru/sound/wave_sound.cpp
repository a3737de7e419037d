// WaveSound: loading WAVE images and playing them on the shared device's voices.
#include "oru/sound/wave_sound.h"

#include <cstring>
#include <new>
#include <utility>

#include "oru/data/data_source.h"
#include "oru/data/file_stream.h"
#include "oru/data/last_error.h"
#include "oru/data/resource_stream.h"
#include "oru/platform/audio_device.h"
#include "oru/sound/wave_file.h"

namespace oru {

namespace {

using Bytes = std::unique_ptr<std::uint8_t[]>;

// Reads a whole open stream (DataSource, FileStream or ResourceStream) into a new buffer; false
// when memory runs out or the stream delivers fewer bytes than its size.
template <typename Stream>
bool ReadWhole(Stream& stream, Bytes* bytes, std::size_t* size) {
  const std::size_t length = stream.Size();
  Bytes buffer(new (std::nothrow) std::uint8_t[length + 1]);
  if (!buffer) return false;
  if (length != 0 && stream.Read(buffer.get(), length) != length) return false;
  *bytes = std::move(buffer);
  *size = length;
  return true;
}

}  // namespace

// The shared device is opened by the first sound that loads, not by the first one built: a muted
// game builds its sounds and never loads them, and so never opens a device.
WaveSound::WaveSound() : awaitingShared_(true) {}

WaveSound::WaveSound(VoiceDevice* device) : device_(device) {
  if (device_ != nullptr) SetWindow(nullptr);
}

WaveSound::~WaveSound() { DestroyVoices(); }

bool WaveSound::SetWindow(WindowHandle window) {
  if (device_ == nullptr && !awaitingShared_) return false;
  if (window != nullptr && window == window_) return false;
  // A null window simply keeps the stored one (as the active-window query does on a thread that
  // owns no window); a device not opened yet is given the window when it opens.
  if (window != nullptr) {
    window_ = window;
    if (device_ != nullptr) device_->UseWindow(window);
  }
  return true;
}

bool WaveSound::Load(const char* name, const char* type) {
  DataSource source;
  source.SetResourceType(type);
  if (!source.Open(name)) return false;
  Bytes bytes;
  std::size_t size = 0;
  if (!ReadWhole(source, &bytes, &size)) return false;
  return TakeImage(std::move(bytes), size);
}

bool WaveSound::LoadResource(const char* name, const char* type) {
  ResourceStream stream;
  if (name == nullptr || !stream.Open(name, type)) return false;
  Bytes bytes;
  std::size_t size = 0;
  if (!ReadWhole(stream, &bytes, &size)) return false;
  return TakeImage(std::move(bytes), size);
}

bool WaveSound::LoadFile(const char* name) {
  FileStream stream;
  if (stream.Open(name, FileRead) == nullptr) return false;
  Bytes bytes;
  std::size_t size = 0;
  if (!ReadWhole(stream, &bytes, &size)) return false;
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
  // Everything is checked and converted before the old sound is touched.
  WaveImageInfo info;
  PcmFormat format;
  if (!ParseWaveImage(image.get(), size, &info) || !WavePcmFormat(image.get(), info, &format))
    return false;
  if (awaitingShared_) {
    device_ = SharedVoiceDevice();
    awaitingShared_ = false;
    if (device_ != nullptr && window_ != nullptr) device_->UseWindow(window_);
  }
  VoiceSamples samples;
  int rate = 0;
  if (device_ != nullptr) {
    rate = device_->PlaybackRate(format.rate);
    std::vector<float> converted;
    if (!ConvertPcm(format, image.get() + info.dataOffset, info.dataBytes, rate, &converted))
      return false;
    try {
      samples = std::make_shared<const std::vector<float>>(std::move(converted));
    } catch (const std::bad_alloc&) {
      SetLastError("needs more memory for its samples than is available");
      return false;
    }
  }
  DestroyVoices();
  image_ = std::move(image);
  imageSize_ = size;
  data_ = image_.get() + info.dataOffset;
  dataBytes_ = info.dataBytes;
  samples_ = std::move(samples);
  channels_ = format.channels;
  rate_ = rate;
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
    if (device_ != nullptr && samples_ != nullptr)
      voices_[i] = device_->CreateVoice(samples_, channels_, rate_);
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
  // The fallback plays one sound at a time. A sound that never loaded only silences what it
  // played; that is no successful play, so it reports false.
  if (device_ == nullptr) return false;
  const bool played = device_->PlayFallback(samples_, channels_, rate_);
  return played && samples_ != nullptr;
}

}  // namespace oru
