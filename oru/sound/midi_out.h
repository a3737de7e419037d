/// \file
/// MIDI output: MidiOut, the library's handle on one MIDI output device, and SysExMessage, a
/// system-exclusive message ready to be sent.
///
/// The sequencer owns one MidiOut and is its only user:
///
///   oru::MidiOut out;                        // closed; talks to MidiOut::DefaultBackend()
///   out.Open(oru::MidiMapper);               // the default device (our software synthesizer)
///   out.SendBytes(0x90, 60, 100);            // note on, channel 0
///   out.SendShort(0x00403C80);               // note off, packed: status | data1 << 8 | data2 <<
/// 16
///   oru::SysExMessage gmOn;
///   const std::uint8_t body[] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
///   gmOn.Init(sizeof body, body);            // buffer F0 7E 7F 09 01 F7
///   out.SendLong(gmOn);
///   out.Close();                             // every sounding note ends, then the device closes
///
/// Devices are reached through a MidiBackend. The default one is the platform's synthesizer
/// (devices -1 and 0), which loads its SoundFont on a thread of its own: until it is ready, Open
/// fails and Loading says why, so callers wait for it without blocking (the sequencer holds its
/// song at the start meanwhile). Prepare starts that load, and names the presets a song will use
/// so that their samples are loaded before it plays; a channel at its default program (the piano,
/// drum kit 0 on channel 10) stays silent unless that is named. Tests substitute a MidiRecorder,
/// either for one MidiOut (MidiOut(&recorder) or SetBackend) or for every MidiOut made afterwards
/// (SetDefaultBackend), and read back what was opened, reset, closed and sent:
///
///   oru::MidiRecorder recorder;
///   oru::MidiBackend* previous = oru::MidiOut::SetDefaultBackend(&recorder);
///   ... run the code under test ...
///   std::vector<std::uint32_t> words = recorder.ShortMessages();
///   std::vector<oru::MidiRecord> all = recorder.Records();
///   oru::MidiOut::SetDefaultBackend(previous);
///
/// Threads: MidiOut has no lock of its own. Sending may happen on a timer thread while opening
/// and closing happen elsewhere, so the caller must make sure no send runs while it closes (the
/// sequencer does this with its busy flag). The backends themselves are safe to call from any
/// thread; the synthesizer renders on the audio thread and never blocks it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace oru {

/// Device id of the system's default MIDI output.
inline constexpr int MidiMapper = -1;

/// Longest product name DeviceName copies, without the terminating NUL.
inline constexpr std::size_t kMidiDeviceNameMax = 31;

/// Packs a short message: status in bits 0-7, first data byte in 8-15, second in 16-23.
inline constexpr std::uint32_t PackMidiMessage(std::uint8_t status, std::uint8_t data1,
                                               std::uint8_t data2) {
  return static_cast<std::uint32_t>(status) | static_cast<std::uint32_t>(data1) << 8 |
         static_cast<std::uint32_t>(data2) << 16;
}

/// A system-exclusive message: an owned buffer holding 0xF0 followed by the message body, as
/// read from a MIDI file (the body normally ends with 0xF7). A new record is empty. Records
/// move but do not copy; destroying one frees its buffer.
class SysExMessage {
 public:
  ///@{
  /// Bits of flags the device sets while it uses the record.
  static constexpr std::uint32_t kDone = 0x1;
  static constexpr std::uint32_t kPrepared = 0x2;
  ///@}

  SysExMessage() = default;
  /// Takes other's buffer and flags; other is left empty.
  SysExMessage(SysExMessage&& other) noexcept;
  /// Frees this buffer and takes other's; other is left empty.
  SysExMessage& operator=(SysExMessage&& other) noexcept;
  SysExMessage(const SysExMessage&) = delete;
  SysExMessage& operator=(const SysExMessage&) = delete;
  ~SysExMessage();

  /// Replaces the buffer with length + 1 bytes: 0xF0, then length bytes of body. Clears flags.
  /// Returns false (record left empty) when body is null while length is not 0.
  bool Init(std::uint32_t length, const std::uint8_t* body);

  /// 0xF0 and the body; null for an empty record.
  const std::uint8_t* Buffer() const { return buffer; }
  /// Bytes in Buffer(), 0xF0 included.
  std::uint32_t BufferLength() const { return bufferLength; }

  /// Owned: 0xF0 and the body.
  std::uint8_t* buffer = nullptr;
  /// Bytes in buffer.
  std::uint32_t bufferLength = 0;
  /// kDone and kPrepared bits, set by the device.
  std::uint32_t flags = 0;
};

/// One open output device. Destroying it closes the device.
class MidiPort {
 public:
  virtual ~MidiPort() = default;
  ///@{
  /// A packed short message; bits 24-31 are ignored.
  virtual bool SendShort(std::uint32_t message) = 0;
  /// A complete system-exclusive message as held by SysExMessage: 0xF0, body (normally ending
  /// with 0xF7). length counts every byte.
  virtual bool SendLong(const std::uint8_t* bytes, std::uint32_t length) = 0;
  /// Ends every sounding note: all notes off and sustain off on every channel.
  virtual void Reset() = 0;
  ///@}
};

/// A bank and program a device should have ready before a song plays. Bank 128 holds the drum
/// kits (what channel 10 plays).
struct MidiPreset {
  /// Bank number; kMidiDrumBank for the drum kits.
  int bank = 0;
  /// Program number, 0..127.
  int program = 0;
  /// Same bank and program.
  bool operator==(const MidiPreset&) const = default;
};
/// The bank of the drum kits.
inline constexpr int kMidiDrumBank = 128;

/// Where MidiOut finds its devices.
class MidiBackend {
 public:
  virtual ~MidiBackend() = default;
  ///@{
  /// Opens a device; null when it does not open. Never waits for a device that is still being
  /// made ready.
  virtual std::unique_ptr<MidiPort> Open(int deviceId) = 0;
  /// Starts making the device ready in the background, with the samples of these presets loaded,
  /// and returns at once. Devices that are always ready ignore it.
  virtual void Prepare(int deviceId, std::span<const MidiPreset> presets) {
    (void)deviceId;
    (void)presets;
  }
  /// True while the device is being made ready: Open fails meanwhile, and afterwards opens or
  /// fails for good.
  virtual bool Loading(int deviceId) {
    (void)deviceId;
    return false;
  }
  /// Copies the device's product name (at most size - 1 characters, never more than
  /// kMidiDeviceNameMax) and a NUL into name; false and "" when the device does not exist.
  virtual bool DeviceName(int deviceId, char* name, std::size_t size) = 0;
  ///@}
};

/// An output device a sequencer sends to: opened by device id on a MidiBackend.
class MidiOut {
 public:
  ///@{
  /// Closed, deviceId 0, on the default backend in force now.
  MidiOut();
  /// Closed, on the given backend (null: the default backend).
  explicit MidiOut(MidiBackend* backend);
  MidiOut(const MidiOut&) = delete;
  MidiOut& operator=(const MidiOut&) = delete;
  ~MidiOut();  ///< Close
  ///@}

  ///@{
  /// With the same id already open: true at once. Otherwise closes any open device, stores the
  /// id and opens it; true when it opened.
  bool Open(int deviceId);
  /// False when nothing is open; otherwise resets the device (every note ends), closes it, true.
  bool Close();
  /// False when nothing is open; otherwise the device's result.
  bool SendShort(std::uint32_t message);
  bool SendBytes(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  /// False when nothing is open or the record is empty; otherwise marks the record prepared and
  /// sends it. The bytes are taken before this returns; the record stays the caller's.
  bool SendLong(SysExMessage& message);
  /// The product name of deviceId (at most 31 characters and a NUL, cut to size), "" when the
  /// query fails. size 0 writes nothing.
  void DeviceName(int deviceId, char* name, std::size_t size) const;
  /// MidiBackend::Prepare and MidiBackend::Loading of this MidiOut's backend.
  void Prepare(int deviceId, std::span<const MidiPreset> presets) {
    backend_->Prepare(deviceId, presets);
  }
  bool Loading(int deviceId) const { return backend_->Loading(deviceId); }
  ///@}

  /// Whether a device is open.
  bool IsOpen() const { return port_ != nullptr; }
  /// Device of the last Open; 0 after construction.
  int DeviceId() const { return deviceId_; }

  /// Closes any open device and switches to another backend (null: the default backend).
  void SetBackend(MidiBackend* backend);

  ///@{
  /// Backend of MidiOuts constructed from now on. null restores the platform's synthesizer.
  /// Returns the previous one (null when it was the platform's).
  static MidiBackend* SetDefaultBackend(MidiBackend* backend);
  static MidiBackend* DefaultBackend();
  ///@}

 private:
  MidiBackend* backend_;
  std::unique_ptr<MidiPort> port_;
  int deviceId_ = 0;
};

class MidiSynthLoader;

/// The platform's software synthesizer as devices -1 and 0, made by a MidiSynthLoader: the
/// default backend, over the shared loader. Tests give it a loader of their own.
class SynthMidiBackend : public MidiBackend {
 public:
  ///@{
  /// null: the shared synthesizer's loader.
  explicit SynthMidiBackend(MidiSynthLoader* loader = nullptr);
  std::unique_ptr<MidiPort> Open(int deviceId) override;
  bool DeviceName(int deviceId, char* name, std::size_t size) override;
  void Prepare(int deviceId, std::span<const MidiPreset> presets) override;
  bool Loading(int deviceId) override;
  ///@}

 private:
  MidiSynthLoader* loader_;
};

/// What a MidiRecorder saw.
struct MidiRecord {
  /// Which call was recorded.
  enum Kind { kOpen, kClose, kReset, kShort, kLong };
  /// Which call was recorded.
  Kind kind;
  int deviceId;                     ///< the port's device
  std::uint32_t message;            ///< kShort: the packed word as sent
  std::vector<std::uint8_t> bytes;  ///< kLong: every byte, 0xF0 included
  /// Every field equal.
  bool operator==(const MidiRecord&) const = default;
};

/// A backend for tests: every device opens (unless told otherwise) and every call is recorded.
/// Safe to use from several threads; read it with Records() or ShortMessages().
class MidiRecorder : public MidiBackend {
 public:
  std::unique_ptr<MidiPort> Open(int deviceId) override;
  bool DeviceName(int deviceId, char* name, std::size_t size) override;

  ///@{
  /// While set, Open fails (and records nothing).
  void SetOpenFails(bool fails);
  void Prepare(int deviceId, std::span<const MidiPreset> presets) override;
  /// Every preset handed to Prepare, in order.
  std::vector<MidiPreset> PreparedPresets() const;
  std::vector<MidiRecord> Records() const;
  /// Only the words of kShort records, in order.
  std::vector<std::uint32_t> ShortMessages() const;
  /// Number of records; useful to wait on from another thread.
  std::size_t Count() const;
  void Clear();
  ///@}

 private:
  friend class RecordingPort;
  void Add(MidiRecord record);

  mutable std::mutex mutex_;
  std::vector<MidiRecord> records_;
  std::vector<MidiPreset> prepared_;
  bool openFails_ = false;
};

}  // namespace oru
