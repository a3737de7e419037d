// MIDI output on Windows: the system's own synthesizer through winmm, behind MidiSynth.
//
// There is no software synthesizer here: no SoundFont is looked for, nothing renders into a
// mixer and warming presets does nothing, since the system's synthesizer holds its own
// instruments. MidiSynth::Create (the software synthesizer) therefore always fails, and the
// shared loader opens the MIDI mapper instead, or output device 0 when the mapper does not
// open. That takes no time worth a thread, but the loader keeps the same thread and states as
// on the other back end, so a caller never waits on it either way. Without any MIDI device the
// loader fails and the music is silent.
//
// Short messages go straight to midiOutShortMsg, which any thread may call. A system-exclusive
// message needs a prepared header whose buffer lives until the device is done with it, so a
// few headers with buffers of the longest accepted message are made with the synthesizer and
// reused once the device marks them done: sending allocates nothing.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

#include "oru/platform/audio_mixer.h"
#include "oru/platform/midi_synth.h"
#include "oru/platform/process.h"
#include "oru/platform/win32/system_midi_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

constexpr std::size_t kMaxSysEx = 4096;  // longest body accepted, as on the other back end
constexpr int kSysExSlots = 8;           // messages the device may hold at once
constexpr int kChannels = 16;

class SystemMidiSynth final : public MidiSynth {
 public:
  explicit SystemMidiSynth(HMIDIOUT out) : out_(out) {}

  ~SystemMidiSynth() override {
    // A reset hands every long message back marked done, so each header can be unprepared.
    midiOutReset(out_);
    for (SysExSlot& slot : slots_) Unprepare(slot);
    midiOutClose(out_);
  }

  bool SendShort(std::uint32_t message) override {
    const std::uint8_t status = static_cast<std::uint8_t>(message);
    if (status < 0x80 || status >= 0xF0) return false;  // channel messages only
    const DWORD word = status | (message & 0x7F00) | (message & 0x7F0000);
    return midiOutShortMsg(out_, word) == MMSYSERR_NOERROR;
  }

  bool SendSysEx(const std::uint8_t* body, std::size_t length) override {
    if (body == nullptr || length == 0 || length > kMaxSysEx) return false;
    std::lock_guard lock(sysExMutex_);
    SysExSlot* free = nullptr;
    for (SysExSlot& slot : slots_) {
      if (slot.prepared && (slot.header.dwFlags & MHDR_DONE) != 0) Unprepare(slot);
      if (!slot.prepared && free == nullptr) free = &slot;
    }
    if (free == nullptr) return false;  // the device still holds every buffer
    free->bytes[0] = 0xF0;
    std::memcpy(free->bytes.data() + 1, body, length);
    free->bytes[length + 1] = 0xF7;
    free->header = MIDIHDR{};
    free->header.lpData = reinterpret_cast<LPSTR>(free->bytes.data());
    free->header.dwBufferLength = static_cast<DWORD>(length + 2);
    if (midiOutPrepareHeader(out_, &free->header, sizeof free->header) != MMSYSERR_NOERROR)
      return false;
    free->prepared = true;
    if (midiOutLongMsg(out_, &free->header, sizeof free->header) != MMSYSERR_NOERROR) {
      Unprepare(*free);
      return false;
    }
    return true;
  }

  bool Reset() override {
    bool sent = true;
    for (int channel = 0; channel < kChannels; ++channel) {
      const auto status = static_cast<std::uint32_t>(0xB0 | channel);
      sent = SendShort(status | 64 << 8) && sent;   // sustain off first, or held notes ring on
      sent = SendShort(status | 123 << 8) && sent;  // all notes off
    }
    return sent;
  }

  void Render(float* out, int frames) override {
    (void)out;
    (void)frames;
  }

  int Warm(const std::vector<SynthPreset>& presets) override {
    (void)presets;
    return 0;
  }

 private:
  struct SysExSlot {
    MIDIHDR header{};
    bool prepared = false;
    std::array<std::uint8_t, kMaxSysEx + 2> bytes{};  // F0, body, F7
  };

  void Unprepare(SysExSlot& slot) {
    if (!slot.prepared) return;
    midiOutUnprepareHeader(out_, &slot.header, sizeof slot.header);
    slot.prepared = false;
  }

  HMIDIOUT out_;
  std::mutex sysExMutex_;
  std::array<SysExSlot, kSysExSlots> slots_{};
};

}  // namespace

namespace win32 {

std::unique_ptr<MidiSynth> OpenSystemMidiSynth() {
  HMIDIOUT out = nullptr;
  if (midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    out = nullptr;
    if (midiOutGetNumDevs() == 0 || midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
      return nullptr;
  }
  return std::make_unique<SystemMidiSynth>(out);
}

}  // namespace win32

std::string FindSoundFont() { return {}; }

std::unique_ptr<MidiSynth> MidiSynth::Create(AudioMixer* mixer, const char* soundFontPath,
                                             Clock clock) {
  (void)mixer;
  (void)soundFontPath;
  (void)clock;
  return nullptr;
}

std::uint64_t MidiSynth::SoundFontReadsOnThisThread() { return 0; }

// ---- the loader: the same as on the other back end ----

MidiSynthLoader& SharedMidiSynthLoader() {
  // Never destroyed: sequencers held by static objects may still ask for it while the process
  // ends.
  static MidiSynthLoader* const loader = new MidiSynthLoader([]() -> std::unique_ptr<MidiSynth> {
    if (HeadlessDevices()) return nullptr;
    return win32::OpenSystemMidiSynth();
  });
  return *loader;
}

bool MidiSynthDeviceName(int deviceId, char* name, std::size_t size) {
  if (name == nullptr || size == 0) return false;
  name[0] = '\0';
  if (deviceId != -1 && deviceId != 0) return false;
  MIDIOUTCAPSW caps{};
  const UINT_PTR device = deviceId == -1 ? MIDI_MAPPER : 0;
  if (midiOutGetDevCapsW(device, &caps, sizeof caps) != MMSYSERR_NOERROR) return false;
  caps.szPname[MAXPNAMELEN - 1] = L'\0';
  const std::string text = win32::Narrow(caps.szPname);
  std::size_t n = std::min({size - 1, text.size(), std::size_t{31}});
  // Never cut a character in two.
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(name, text.data(), n);
  name[n] = '\0';
  return n != 0;
}

}  // namespace oru
