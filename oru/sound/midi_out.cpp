// MidiOut, SysExMessage and the recording backend for tests. The default backend hands devices
// -1 and 0 to the platform's software synthesizer.
#include "oru/sound/midi_out.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <utility>

#include "oru/platform/midi_synth.h"

namespace oru {

// ---- SysExMessage ----

SysExMessage::SysExMessage(SysExMessage&& other) noexcept
    : buffer(std::exchange(other.buffer, nullptr)),
      bufferLength(std::exchange(other.bufferLength, 0)),
      flags(std::exchange(other.flags, 0)) {}

SysExMessage& SysExMessage::operator=(SysExMessage&& other) noexcept {
  if (this != &other) {
    delete[] buffer;
    buffer = std::exchange(other.buffer, nullptr);
    bufferLength = std::exchange(other.bufferLength, 0);
    flags = std::exchange(other.flags, 0);
  }
  return *this;
}

SysExMessage::~SysExMessage() { delete[] buffer; }

bool SysExMessage::Init(std::uint32_t length, const std::uint8_t* body) {
  delete[] buffer;
  buffer = nullptr;
  bufferLength = 0;
  flags = 0;
  if (body == nullptr && length != 0) return false;
  // length + 1 must not wrap; a 4 GiB message cannot come from a file we could hold anyway.
  if (length == UINT32_MAX) return false;
  auto* bytes = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(length) + 1];
  if (bytes == nullptr) return false;
  bytes[0] = 0xF0;
  if (length != 0) std::memcpy(bytes + 1, body, length);
  buffer = bytes;
  bufferLength = length + 1;
  return true;
}

// ---- the platform's synthesizer as a backend ----

namespace {

class SynthPort : public MidiPort {
 public:
  explicit SynthPort(MidiSynth* synth) : synth_(synth) {}
  bool SendShort(std::uint32_t message) override { return synth_->SendShort(message); }
  bool SendLong(const std::uint8_t* bytes, std::uint32_t length) override {
    // The synthesizer takes the body alone: drop the leading F0 and a trailing F7.
    if (length == 0 || bytes[0] != 0xF0) return false;
    std::uint32_t end = length;
    if (end > 1 && bytes[end - 1] == 0xF7) --end;
    return synth_->SendSysEx(bytes + 1, end - 1);
  }
  void Reset() override { synth_->Reset(); }

 private:
  MidiSynth* synth_;
};

bool IsSynthDevice(int deviceId) { return deviceId == MidiMapper || deviceId == 0; }

SynthMidiBackend& PlatformBackend() {
  static SynthMidiBackend backend;
  return backend;
}

std::atomic<MidiBackend*> defaultBackend{nullptr};

}  // namespace

SynthMidiBackend::SynthMidiBackend(MidiSynthLoader* loader)
    : loader_(loader != nullptr ? loader : &SharedMidiSynthLoader()) {}

std::unique_ptr<MidiPort> SynthMidiBackend::Open(int deviceId) {
  if (!IsSynthDevice(deviceId)) return nullptr;
  // The first open starts the load when nobody prepared the device; it never waits for it.
  loader_->Start();
  MidiSynth* synth = loader_->Synth();
  if (synth == nullptr) return nullptr;
  return std::make_unique<SynthPort>(synth);
}

bool SynthMidiBackend::DeviceName(int deviceId, char* name, std::size_t size) {
  return MidiSynthDeviceName(deviceId, name, size);
}

void SynthMidiBackend::Prepare(int deviceId, std::span<const MidiPreset> presets) {
  if (!IsSynthDevice(deviceId)) return;
  if (presets.empty()) {
    loader_->Start();
    return;
  }
  std::vector<SynthPreset> wanted;
  wanted.reserve(presets.size());
  for (const MidiPreset& p : presets) wanted.push_back({p.bank, p.program});
  loader_->Warm(std::move(wanted));
}

bool SynthMidiBackend::Loading(int deviceId) {
  if (!IsSynthDevice(deviceId)) return false;
  const MidiSynthLoader::State state = loader_->Current();
  return state == MidiSynthLoader::State::kIdle || state == MidiSynthLoader::State::kLoading;
}

// ---- MidiOut ----

MidiBackend* MidiOut::SetDefaultBackend(MidiBackend* backend) {
  return defaultBackend.exchange(backend);
}

MidiBackend* MidiOut::DefaultBackend() {
  MidiBackend* backend = defaultBackend.load();
  return backend != nullptr ? backend : &PlatformBackend();
}

MidiOut::MidiOut() : backend_(DefaultBackend()) {}

MidiOut::MidiOut(MidiBackend* backend)
    : backend_(backend != nullptr ? backend : DefaultBackend()) {}

MidiOut::~MidiOut() { Close(); }

bool MidiOut::Open(int deviceId) {
  if (port_ != nullptr) {
    if (deviceId == deviceId_) return true;
    Close();
  }
  deviceId_ = deviceId;
  port_ = backend_->Open(deviceId);
  return port_ != nullptr;
}

bool MidiOut::Close() {
  if (port_ == nullptr) return false;
  port_->Reset();
  port_.reset();
  return true;
}

bool MidiOut::SendShort(std::uint32_t message) {
  if (port_ == nullptr) return false;
  return port_->SendShort(message);
}

bool MidiOut::SendBytes(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  return SendShort(PackMidiMessage(status, data1, data2));
}

bool MidiOut::SendLong(SysExMessage& message) {
  if (port_ == nullptr || message.buffer == nullptr || message.bufferLength == 0) return false;
  message.flags |= SysExMessage::kPrepared;
  // Ports copy the bytes before returning, so the record is done as soon as the send is.
  bool sent = port_->SendLong(message.buffer, message.bufferLength);
  if (sent) message.flags |= SysExMessage::kDone;
  return sent;
}

void MidiOut::DeviceName(int deviceId, char* name, std::size_t size) const {
  if (name == nullptr || size == 0) return;
  name[0] = '\0';
  if (!backend_->DeviceName(deviceId, name, size)) name[0] = '\0';
  name[std::min(size - 1, kMidiDeviceNameMax)] = '\0';
}

void MidiOut::SetBackend(MidiBackend* backend) {
  Close();
  backend_ = backend != nullptr ? backend : DefaultBackend();
}

// ---- MidiRecorder ----

class RecordingPort : public MidiPort {
 public:
  RecordingPort(MidiRecorder* recorder, int deviceId) : recorder_(recorder), deviceId_(deviceId) {}
  ~RecordingPort() override { recorder_->Add({MidiRecord::kClose, deviceId_, 0, {}}); }
  bool SendShort(std::uint32_t message) override {
    recorder_->Add({MidiRecord::kShort, deviceId_, message, {}});
    return true;
  }
  bool SendLong(const std::uint8_t* bytes, std::uint32_t length) override {
    recorder_->Add(
        {MidiRecord::kLong, deviceId_, 0, std::vector<std::uint8_t>(bytes, bytes + length)});
    return true;
  }
  void Reset() override { recorder_->Add({MidiRecord::kReset, deviceId_, 0, {}}); }

 private:
  MidiRecorder* recorder_;
  int deviceId_;
};

std::unique_ptr<MidiPort> MidiRecorder::Open(int deviceId) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (openFails_) return nullptr;
    records_.push_back({MidiRecord::kOpen, deviceId, 0, {}});
  }
  return std::make_unique<RecordingPort>(this, deviceId);
}

bool MidiRecorder::DeviceName(int deviceId, char* name, std::size_t size) {
  if (size == 0) return false;
  static constexpr char kName[] = "Oru MIDI recorder";
  (void)deviceId;
  std::size_t n = std::min({size - 1, sizeof kName - 1, kMidiDeviceNameMax});
  std::memcpy(name, kName, n);
  name[n] = '\0';
  return true;
}

void MidiRecorder::SetOpenFails(bool fails) {
  std::lock_guard<std::mutex> lock(mutex_);
  openFails_ = fails;
}

void MidiRecorder::Prepare(int, std::span<const MidiPreset> presets) {
  std::lock_guard<std::mutex> lock(mutex_);
  prepared_.insert(prepared_.end(), presets.begin(), presets.end());
}

std::vector<MidiPreset> MidiRecorder::PreparedPresets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return prepared_;
}

std::vector<MidiRecord> MidiRecorder::Records() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

std::vector<std::uint32_t> MidiRecorder::ShortMessages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::uint32_t> words;
  for (const MidiRecord& r : records_)
    if (r.kind == MidiRecord::kShort) words.push_back(r.message);
  return words;
}

std::size_t MidiRecorder::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_.size();
}

void MidiRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.clear();
}

void MidiRecorder::Add(MidiRecord record) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.push_back(std::move(record));
}

}  // namespace oru
