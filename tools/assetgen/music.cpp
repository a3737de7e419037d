// The game's tune: a bright folk dance in G major, written out as a small score and turned into a
// Standard MIDI File.
//
// File layout: "MThd" (length 6, format 1, six tracks, 480 ticks per quarter note), then six
// "MTrk" chunks: the conductor (General MIDI reset, track name, time signature and tempo), the
// melody, the harmony, the bass, a second voice and the drums on channel 10. Each event is a
// variable-length delta time followed by the event; channel messages reuse the previous status
// byte (running status), and notes end with a note-on of velocity 0 so that runs of notes share
// one status. Every track ends at the same tick, on the bar line where the tune starts again, and
// the last channel event (the bass note released on that bar line) lies exactly there, so a player
// that restarts the song after its last event keeps the beat.
#include "tools/assetgen/music.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace oru::assetgen {
namespace {

constexpr int kDivision = 480;
constexpr int kEighth = kDivision / 2;
constexpr int kBar = kDivision * 4;
constexpr int kBeatsPerMinute = 116;

struct Event {
  uint32_t tick;
  int order;  // events of one tick: meta and system-exclusive, controls, note ends, note starts
  std::vector<uint8_t> bytes;
};

class Track {
 public:
  void Meta(uint32_t tick, uint8_t type, std::string_view data) {
    std::vector<uint8_t> b = {0xFF, type};
    PutVarLen(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    events_.push_back({tick, 0, std::move(b)});
  }
  void SysEx(uint32_t tick, std::vector<uint8_t> body) {
    std::vector<uint8_t> b = {0xF0};
    PutVarLen(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    events_.push_back({tick, 0, std::move(b)});
  }
  void Control(uint32_t tick, int channel, int controller, int value) {
    events_.push_back({tick,
                       1,
                       {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(controller),
                        static_cast<uint8_t>(value)}});
  }
  void Program(uint32_t tick, int channel, int program) {
    events_.push_back(
        {tick, 1, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)}});
  }
  void Note(uint32_t tick, uint32_t length, int channel, int key, int velocity) {
    const uint8_t status = static_cast<uint8_t>(0x90 | channel);
    events_.push_back(
        {tick, 3, {status, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)}});
    events_.push_back({tick + length, 2, {status, static_cast<uint8_t>(key), 0}});
  }

  // The chunk: "MTrk", length, events with running status, end of track at endTick.
  std::vector<uint8_t> Encode(uint32_t endTick) const {
    std::vector<Event> sorted = events_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    uint32_t now = 0;
    uint8_t running = 0;
    for (const Event& e : sorted) {
      PutVarLen(body, e.tick - now);
      now = e.tick;
      const uint8_t status = e.bytes[0];
      size_t from = 0;
      if (status < 0xF0) {
        if (status == running) from = 1;
        running = status;
      } else {
        running = 0;  // meta and system-exclusive events cancel running status
      }
      body.insert(body.end(), e.bytes.begin() + static_cast<long>(from), e.bytes.end());
    }
    PutVarLen(body, endTick - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
    PutBig32(chunk, static_cast<uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
  }

  static void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v != 0);
    while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
  }
  static void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
  }

 private:
  std::vector<Event> events_;
};

// Key number of a note name such as "F#5" (middle C is C4 = 60).
int KeyOf(std::string_view name) {
  static constexpr int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  int key = kSemitone[name[0] - 'A'];
  size_t i = 1;
  if (name[i] == '#') {
    ++key;
    ++i;
  } else if (name[i] == 'b') {
    --key;
    ++i;
  }
  return key + 12 * (name[i] - '0' + 1);
}

// A melody line as "NOTE:EIGHTHS" words, "r" for a rest, e.g. "D5:2 G5:1 r:1".
// Writes the notes from tick `start` and returns the tick after the last one.
// The note `steps` degrees of the G major scale away from key (negative = down).
int ScaleStep(int key, int steps) {
  auto inScale = [](int k) {
    const int pc = k % 12;
    return pc == 7 || pc == 9 || pc == 11 || pc == 0 || pc == 2 || pc == 4 || pc == 6;
  };
  const int direction = steps < 0 ? -1 : 1;
  int k = key;
  for (int n = std::abs(steps); n > 0;) {
    k += direction;
    if (inScale(k)) --n;
  }
  return k;
}

// Writes a phrase; with `third` set, the notes a diatonic third below instead (a second voice).
uint32_t Phrase(Track& t, uint32_t start, int channel, std::string_view text, int velocity,
                bool third = false) {
  uint32_t tick = start;
  size_t pos = 0;
  int beat = 0;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos >= text.size()) break;
    const size_t end = std::min(text.find(' ', pos), text.size());
    const std::string_view word = text.substr(pos, end - pos);
    pos = end;
    const size_t colon = word.find(':');
    const int eighths = std::atoi(std::string(word.substr(colon + 1)).c_str());
    const uint32_t length = static_cast<uint32_t>(eighths * kEighth);
    if (word[0] != 'r') {
      // Accent the strong beats a little; leave a breath between notes.
      const int accent = (beat % 4 == 0) ? 10 : (beat % 2 == 0) ? 4 : 0;
      const int key = KeyOf(word.substr(0, colon));
      t.Note(tick, length - length / 8, channel, third ? ScaleStep(key, -2) : key,
             std::min(127, velocity + accent));
    }
    tick += length;
    beat += eighths;
  }
  return tick;
}

struct Chord {
  int root;        // bass root key
  int fifth;       // bass fifth key
  int voicing[3];  // guitar notes
};

Chord ChordOf(std::string_view name) {
  if (name == "G") return {43, 38, {55, 59, 62}};
  if (name == "C") return {48, 43, {55, 60, 64}};
  if (name == "D") return {38, 45, {54, 57, 62}};
  if (name == "Em") return {40, 47, {55, 59, 64}};
  return {45, 40, {57, 60, 64}};  // Am
}

constexpr int kMelody = 0, kHarmony = 1, kBass = 2, kSecond = 3, kDrums = 9;

}  // namespace

std::vector<uint8_t> MakeSong() {
  // The form: a two-bar lead-in, A, A', B, B', A; 42 bars, about 87 seconds at 116 beats a minute.
  struct Section {
    const char* chords;
    const char* melody;
    bool second = false;  // a clarinet doubles the tune a third below
  };
  const Section intro{"G D", ""};
  const char* aMelody =
      "D5:2 G5:2 G5:1 A5:1 B5:2  C6:2 B5:1 A5:1 G5:2 E5:2  D5:2 G5:1 A5:1 B5:2 D6:2  A5:3 G5:1 "
      "A5:4 "
      "B5:2 D6:2 E6:1 D6:1 B5:2  C6:2 E6:2 D6:1 C6:1 B5:2  A5:2 B5:1 A5:1 F#5:2 A5:2  G5:6 r:2";
  const Section a{"G C G D G C D G", aMelody};
  const Section a2{
      "G C G Em C D G G",
      "D5:2 G5:2 G5:1 A5:1 B5:2  C6:2 B5:1 A5:1 G5:2 E5:2  D5:2 G5:1 A5:1 B5:2 G5:2  E5:2 G5:2 "
      "B5:3 A5:1 "
      "E6:2 D6:1 C6:1 G5:2 E5:2  F#5:2 A5:2 D6:2 C6:2  B5:2 A5:1 G5:1 A5:2 B5:2  G5:4 r:2 D5:2",
      true};
  const Section b{"C G Am D C G Em D",
                  "E6:4 D6:2 C6:2  D6:4 B5:2 G5:2  C6:3 B5:1 A5:2 C6:2  A5:4 F#5:2 A5:2 "
                  "G5:2 A5:2 C6:2 E6:2  D6:3 C6:1 B5:2 G5:2  B5:2 G5:2 E5:2 G5:2  A5:6 r:2"};
  const Section b2{"C G Am D C D G G",
                   "E6:4 D6:2 C6:2  D6:4 B5:2 G5:2  C6:3 B5:1 A5:2 E6:2  D6:4 C6:2 A5:2 "
                   "G5:2 A5:2 C6:2 E6:2  D6:2 E6:1 D6:1 C6:2 A5:2  B5:2 D6:2 G6:2 D6:2  G5:6 D5:2",
                   true};
  const Section form[] = {intro, a, a2, b, b2, a};

  Track conductor, melody, harmony, bass, second, drums;
  // The reset comes first: a player merging the tracks takes one event per track in turn, and the
  // other tracks open with their names, so the reset goes out before any program or volume.
  conductor.SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7});  // General MIDI system on
  conductor.Meta(0, 0x03, "Brello Song");
  conductor.Meta(0, 0x58, std::string_view("\x04\x02\x18\x08", 4));
  const uint32_t tempo = 60000000u / kBeatsPerMinute;
  const char tempoBytes[3] = {static_cast<char>(tempo >> 16), static_cast<char>(tempo >> 8),
                              static_cast<char>(tempo)};
  conductor.Meta(0, 0x51, std::string_view(tempoBytes, 3));
  melody.Meta(0, 0x03, "Melody");
  harmony.Meta(0, 0x03, "Harmony");
  bass.Meta(0, 0x03, "Bass");
  second.Meta(0, 0x03, "Second voice");
  drums.Meta(0, 0x03, "Drums");

  // Instruments, volumes, pan and a touch of reverb. Every channel sets its volume, so a player
  // that re-sends volumes on a loop restores them all.
  struct Setup {
    Track* track;
    int channel, program, volume, pan, reverb;
  };
  const Setup setups[] = {{&melody, kMelody, 73, 104, 64, 40},   // flute
                          {&harmony, kHarmony, 24, 84, 44, 40},  // nylon guitar
                          {&bass, kBass, 32, 100, 64, 20},       // acoustic bass
                          {&second, kSecond, 71, 76, 84, 40},    // clarinet
                          {&drums, kDrums, 0, 80, 64, 30}};      // standard kit
  for (const Setup& s : setups) {
    s.track->Program(0, s.channel, s.program);
    s.track->Control(0, s.channel, 7, s.volume);
    s.track->Control(0, s.channel, 10, s.pan);
    s.track->Control(0, s.channel, 91, s.reverb);
  }

  uint32_t bar = 0;
  int sectionIndex = 0;
  for (const Section& section : form) {
    const uint32_t sectionStart = bar * kBar;
    if (section.melody[0] != '\0') Phrase(melody, sectionStart, kMelody, section.melody, 92);
    if (section.second) Phrase(second, sectionStart, kSecond, section.melody, 72, true);
    std::string_view chords = section.chords;
    int barInSection = 0;
    size_t pos = 0;
    const int barsInSection = static_cast<int>(std::count(chords.begin(), chords.end(), ' ')) + 1;
    while (pos < chords.size()) {
      const size_t end = std::min(chords.find(' ', pos), chords.size());
      const Chord chord = ChordOf(chords.substr(pos, end - pos));
      pos = end + 1;
      const uint32_t t0 = bar * kBar;
      const bool lastBar = barInSection == barsInSection - 1;
      // Bass: root on one, fifth on three; a walk up into the next section.
      bass.Note(t0, kDivision * 2 - 40, kBass, chord.root, 100);
      if (lastBar && sectionIndex + 1 < static_cast<int>(std::size(form))) {
        bass.Note(t0 + kDivision * 2, kDivision - 20, kBass, chord.fifth, 88);
        bass.Note(t0 + kDivision * 3, kDivision - 20, kBass, chord.root + 2, 88);
      } else {
        // The final note of the tune is released right on the bar line where it starts again.
        bass.Note(t0 + kDivision * 2, kDivision * 2 - (lastBar ? 0 : 40), kBass, chord.fifth, 88);
      }
      // Guitar: strummed chords on two and four, a lighter one on the "and" of four.
      for (int beat : {1, 3}) {
        for (int k = 0; k < 3; ++k)
          harmony.Note(t0 + beat * kDivision + k * 12, kDivision - 80, kHarmony, chord.voicing[k],
                       70 - k * 4);
      }
      for (int k = 0; k < 2; ++k)
        harmony.Note(t0 + 3 * kDivision + kEighth + k * 10, kEighth - 40, kHarmony,
                     chord.voicing[k + 1], 50);
      // Drums: kick on one and three, side stick on two and four, soft hats on the off-beats,
      // a cymbal at the top of each section and a small tom fill at its end.
      drums.Note(t0, 60, kDrums, 36, 96);
      drums.Note(t0 + 2 * kDivision, 60, kDrums, 36, 80);
      drums.Note(t0 + kDivision, 60, kDrums, 37, 72);
      drums.Note(t0 + 3 * kDivision, 60, kDrums, 37, 72);
      for (int e = 1; e < 8; e += 2) drums.Note(t0 + e * kEighth, 40, kDrums, 42, 44);
      if (barInSection == 0 && sectionIndex > 0) drums.Note(t0, 120, kDrums, 49, 70);
      if (lastBar && sectionIndex + 1 < static_cast<int>(std::size(form))) {
        drums.Note(t0 + 3 * kDivision, 60, kDrums, 47, 70);
        drums.Note(t0 + 3 * kDivision + kEighth, 60, kDrums, 45, 76);
      }
      ++bar;
      ++barInSection;
    }
    ++sectionIndex;
  }
  const uint32_t endTick = bar * kBar;

  std::vector<uint8_t> file = {'M',
                               'T',
                               'h',
                               'd',
                               0,
                               0,
                               0,
                               6,
                               0,
                               1,
                               0,
                               6,
                               static_cast<uint8_t>(kDivision >> 8),
                               static_cast<uint8_t>(kDivision & 0xFF)};
  for (const Track* t : {&conductor, &melody, &harmony, &bass, &second, &drums}) {
    const std::vector<uint8_t> chunk = t->Encode(endTick);
    file.insert(file.end(), chunk.begin(), chunk.end());
  }
  return file;
}

}  // namespace oru::assetgen
