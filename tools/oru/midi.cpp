// `oru midi`: plays a Standard MIDI File through the library's own sequencer, or prints the
// merged event list the sequencer plays from.
//
//   oru midi play FILE [--tempo-offset N] [--loop]   plays until the end (Ctrl-C stops it)
//   oru midi dump FILE                                "division D", "title T" (or "title -"),
//                                                      then one line per entry
//
// FILE is looked up like every asset: a pack, a pack with the extension ".dpa", the plain file.
// Without a sound device the song plays silently in real time.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "oru/data/last_error.h"
#include "oru/platform/clock.h"
#include "oru/sound/midi_sequencer.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

constexpr const char* kUsage = "midi play FILE [--tempo-offset N] [--loop] | midi dump FILE";

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

bool ParseInt(const std::string& text, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < -100000 || v > 100000) return false;
  value = static_cast<int>(v);
  return true;
}

int Dump(const std::string& file) {
  // The song is loaded exactly as the sequencer loads it; no device is opened.
  MidiRecorder nowhere;
  MidiSequencer sequencer(&nowhere);
  if (!sequencer.Load(file.c_str(), nullptr)) return Fail("midi", file, LastError());
  const MidiSong& song = sequencer.Song();
  std::printf("division %u\n", song.Division());
  std::printf("title %s\n", song.Title() ? Escaped(song.Title()).c_str() : "-");
  for (const std::string& line : DescribeMidiEntries(song)) std::printf("%s\n", line.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Play(const std::string& file, int tempoOffset, bool loop) {
  MidiSequencer sequencer;
  if (!sequencer.Load(file.c_str(), nullptr)) return Fail("midi", file, LastError());
  const char* title = sequencer.Song().Title();
  std::fprintf(stderr, "playing %s%s%s%s\n", Escaped(file).c_str(), title ? " (" : "",
               title ? Escaped(title).c_str() : "", title ? ")" : "");
  sequencer.SetLoop(loop);
  sequencer.SetTempoOffset(tempoOffset);
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  if (!sequencer.Play()) return 1;
  while (sequencer.IsPlaying() && !interrupted) SleepMs(20);
  sequencer.Stop();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
  if (args.size() >= 2 && args[0] == "play") {
    int tempoOffset = 0;
    bool loop = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--loop") {
        loop = true;
      } else if (args[i] == "--tempo-offset" && i + 1 < args.size() &&
                 ParseInt(args[i + 1], tempoOffset)) {
        ++i;
      } else {
        return Usage("midi");
      }
    }
    return Play(args[1], tempoOffset, loop);
  }
  return Usage("midi");
}

const CommandRegistration kMidi("midi", kUsage, &Run);

}  // namespace
}  // namespace oru::tool
