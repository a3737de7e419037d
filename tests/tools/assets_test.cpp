// The game's generated data as the game reads it: picture sizes, cells and colour keys, the
// sound files' layout, the song's structure, and the packs left in the game folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "oru/data/data_source.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"
#include "oru/sound/midi_song.h"
#include "oru/sound/wave_sound.h"
#include "tools/assetgen/art.h"
#include "tools/assetgen/generator.h"
#include "tools/assetgen/palette.h"

namespace oru::assetgen {
namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// A fresh folder of this process, so suites running side by side in other build folders never
// share it.
std::filesystem::path FreshTempDir(const std::string& tag) {
  const auto dir =
      std::filesystem::temp_directory_path() / (tag + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  return dir;
}

class GeneratedData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pictures_ = new std::vector<PictureAsset>(MakePictures());
    files_ = new std::map<std::string, std::vector<uint8_t>>();
    for (GeneratedFile& f : MakeAllFiles()) (*files_)[f.name] = std::move(f.bytes);
  }
  static void TearDownTestSuite() {
    delete pictures_;
    delete files_;
  }
  static const PictureAsset& Find(const std::string& name) {
    for (const auto& p : *pictures_)
      if (p.name == name) return p;
    ADD_FAILURE() << "no picture " << name;
    return pictures_->front();
  }
  static const std::vector<uint8_t>& File(const std::string& name) { return files_->at(name); }

  static std::vector<PictureAsset>* pictures_;
  static std::map<std::string, std::vector<uint8_t>>* files_;
};
std::vector<PictureAsset>* GeneratedData::pictures_ = nullptr;
std::map<std::string, std::vector<uint8_t>>* GeneratedData::files_ = nullptr;

// Opaque (non-key) pixel count of a cell.
int VisibleIn(const PictureAsset& a, int cell) {
  const int cw = a.cellWidth ? a.cellWidth : a.picture.Width();
  const int ch = a.cellHeight ? a.cellHeight : a.picture.Height();
  const int perRow = a.picture.Width() / cw;
  const int x0 = (cell % perRow) * cw, y0 = (cell / perRow) * ch;
  int n = 0;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) n += a.picture.At(x0 + x, y0 + y) != kKey;
  return n;
}

TEST_F(GeneratedData, EveryFileOfTheGameIsMadeOnce) {
  const std::set<std::string> expected = {
      "haikei1.bmp", "haikei0.bmp", "title1.bmp",    "title2.bmp",   "title3.bmp",
      "zenkei2.bmp", "zenkei1.bmp", "saru.bmp",      "tako.bmp",     "boss.bmp",
      "kuri_n.bmp",  "kuri_b.bmp",  "kuri_s.bmp",    "baku.bmp",     "kaki_a.bmp",
      "kaki_s.bmp",  "sumi.bmp",    "kani.bmp",      "usu.bmp",      "usubaku.bmp",
      "fire.bmp",    "meter.bmp",   "kakimeter.bmp", "gameover.bmp", "gameclear.bmp",
      "SUCKER1.WAV", "BLEEP04.WAV", "WHISTLE2.WAV",  "CRASH.WAV",    "brello_s.mid"};
  std::set<std::string> made;
  for (const auto& [name, bytes] : *files_) {
    made.insert(name);
    EXPECT_FALSE(bytes.empty()) << name;
  }
  EXPECT_EQ(made, expected);
  EXPECT_EQ(files_->size(), 30u);
}

TEST_F(GeneratedData, GeneratingAgainGivesTheSameBytes) {
  for (const GeneratedFile& f : MakeAllFiles()) EXPECT_EQ(f.bytes, File(f.name)) << f.name;
}

TEST(GeneratorPalette, DrawingColoursAreTheLibraryDefaultLayout) {
  PaletteTable table;
  table.AddColourCube();
  for (int i = 0; i < 256; ++i) {
    const Rgb c = DefaultColours()[static_cast<size_t>(i)];
    EXPECT_EQ(c, (Rgb{table.Red(i), table.Green(i), table.Blue(i)})) << "entry " << i;
  }
  // The key colour is a colour of its own: no other entry holds it, so a remapped picture keeps it
  // apart from every visible colour.
  const Rgb key = DefaultColours()[kKey];
  EXPECT_EQ(key, (Rgb{255, 0, 204}));
  EXPECT_EQ(table.NearestEntry(key.r, key.g, key.b), kKey);
  for (int i = 0; i < 256; ++i)
    if (i != kKey) {
      EXPECT_NE(DefaultColours()[static_cast<size_t>(i)], key);
    }
}

struct PictureCase {
  const char* name;
  int minWidth, maxWidth, minHeight, maxHeight;
  int cellWidth, cellHeight, cells;
  bool keyed;
};

const PictureCase kPictureCases[] = {
    {"haikei1.bmp", 640, 640, 480, 480, 0, 0, 1, false},
    {"haikei0.bmp", 640, 640, 480, 480, 0, 0, 1, false},
    {"title1.bmp", 640, 640, 150, 250, 0, 0, 1, true},
    {"title2.bmp", 640, 640, 500, 800, 0, 0, 1, true},
    {"title3.bmp", 640, 640, 70, 70, 0, 0, 1, true},
    {"zenkei2.bmp", 280, 360, 480, 480, 0, 0, 1, true},
    {"zenkei1.bmp", 200, 280, 480, 480, 0, 0, 1, true},
    {"saru.bmp", 200, 200, 60, 60, 50, 60, 4, true},
    {"tako.bmp", 160, 160, 40, 40, 40, 40, 4, true},
    {"boss.bmp", 500, 520, 310, 330, 0, 0, 1, true},
    {"kuri_n.bmp", 16, 24, 12, 20, 0, 0, 1, true},
    {"kuri_b.bmp", 16, 24, 12, 20, 0, 0, 1, true},
    {"kuri_s.bmp", 63, 63, 20, 20, 21, 20, 3, true},
    {"baku.bmp", 384, 384, 384, 384, 96, 96, 16, true},
    {"kaki_a.bmp", 25, 36, 25, 36, 0, 0, 1, true},
    {"kaki_s.bmp", 25, 36, 25, 36, 0, 0, 1, true},
    {"sumi.bmp", 12, 20, 8, 16, 0, 0, 1, true},
    {"kani.bmp", 80, 80, 40, 40, 40, 40, 2, true},
    {"usu.bmp", 70, 90, 70, 70, 0, 0, 1, true},
    {"usubaku.bmp", 32, 48, 32, 48, 0, 0, 1, true},
    {"fire.bmp", 20, 28, 12, 20, 0, 0, 1, true},
    {"meter.bmp", 100, 100, 100, 100, 0, 0, 1, true},
    {"kakimeter.bmp", 16, 16, 16, 16, 0, 0, 1, true},
    {"gameover.bmp", 640, 640, 480, 480, 0, 0, 1, false},
    {"gameclear.bmp", 640, 640, 480, 480, 0, 0, 1, false},
};

TEST_F(GeneratedData, PicturesHaveTheirSizesCellsAndKeys) {
  for (const PictureCase& c : kPictureCases) {
    SCOPED_TRACE(c.name);
    const PictureAsset& a = Find(c.name);
    const int w = a.picture.Width(), h = a.picture.Height();
    EXPECT_GE(w, c.minWidth);
    EXPECT_LE(w, c.maxWidth);
    EXPECT_GE(h, c.minHeight);
    EXPECT_LE(h, c.maxHeight);
    EXPECT_EQ(a.cellWidth, c.cellWidth);
    EXPECT_EQ(a.cellHeight, c.cellHeight);
    EXPECT_EQ(a.keyed, c.keyed);
    if (c.cellWidth > 0) {
      EXPECT_EQ(w % c.cellWidth, 0);
      EXPECT_EQ(h % c.cellHeight, 0);
      EXPECT_EQ((w / c.cellWidth) * (h / c.cellHeight), c.cells);
    }
    const int keyPixels =
        static_cast<int>(std::count(a.picture.Pixels().begin(), a.picture.Pixels().end(), kKey));
    if (c.keyed) {
      EXPECT_EQ(a.picture.At(0, 0), kKey) << "the key colour must fill the top-left pixel";
      // Every cell shows something, and the picture is more than a filled box.
      for (int cell = 0; cell < c.cells; ++cell)
        EXPECT_GT(VisibleIn(a, cell), 0) << "cell " << cell;
      EXPECT_GT(keyPixels, 0);
    } else {
      EXPECT_EQ(keyPixels, 0) << "an opaque picture never uses the key colour";
    }
  }
}

TEST_F(GeneratedData, AnimationCellsDiffer) {
  for (const char* name : {"saru.bmp", "tako.bmp", "kuri_s.bmp", "baku.bmp", "kani.bmp"}) {
    SCOPED_TRACE(name);
    const PictureAsset& a = Find(name);
    const int perRow = a.picture.Width() / a.cellWidth;
    const int cells = perRow * (a.picture.Height() / a.cellHeight);
    for (int i = 1; i < cells; ++i) {
      const Picture now = a.picture.Crop((i % perRow) * a.cellWidth, (i / perRow) * a.cellHeight,
                                         a.cellWidth, a.cellHeight, kKey);
      const Picture before =
          a.picture.Crop(((i - 1) % perRow) * a.cellWidth, ((i - 1) / perRow) * a.cellHeight,
                         a.cellWidth, a.cellHeight, kKey);
      EXPECT_NE(now.Pixels(), before.Pixels()) << "cell " << i << " repeats cell " << i - 1;
    }
  }
}

TEST_F(GeneratedData, PicturesFitTheRulesThatPlaceThem) {
  // The mortar lands when it rests on the bottom edge at y = 410: exactly 70 high, standing on its
  // last row.
  const PictureAsset& mortar = Find("usu.bmp");
  ASSERT_EQ(mortar.picture.Height(), 70);
  EXPECT_NE(mortar.picture.At(mortar.picture.Width() / 2, 69), kKey);

  // The boss's hit box is x 240..499, y 0..309: its body should fill most of it, and the ink leaves
  // its mouth at about (178, 140).
  const PictureAsset& boss = Find("boss.bmp");
  int inside = 0;
  for (int y = 0; y <= 309; ++y)
    for (int x = 240; x <= 499; ++x) inside += boss.picture.At(x, y) != kKey;
  EXPECT_GT(inside, 260 * 310 * 6 / 10);
  int mouth = 0;
  for (int y = 130; y <= 150; ++y)
    for (int x = 172; x <= 192; ++x) mouth += boss.picture.At(x, y) != kKey;
  EXPECT_GT(mouth, 0);
  int leftOfMouth = 0;
  for (int y = 0; y < 310; ++y)
    for (int x = 0; x < 160; ++x) leftOfMouth += boss.picture.At(x, y) != kKey && y < 200;
  EXPECT_EQ(leftOfMouth, 0) << "nothing should stick out in front of the mouth at its height";

  // The octopus spits from near (0, 18) and the crab's chestnuts leave at (40, 10).
  const PictureAsset& octopus = Find("tako.bmp");
  int siphon = 0;
  for (int y = 18; y <= 30; ++y)
    for (int x = 0; x < 4; ++x) siphon += octopus.picture.At(x, y) != kKey;
  EXPECT_GT(siphon, 4);
  const PictureAsset& crab = Find("kani.bmp");
  int claw = 0;
  for (int y = 5; y <= 15; ++y)
    for (int x = 30; x < 40; ++x) claw += crab.picture.At(x, y) != kKey;
  EXPECT_GT(claw, 20);

  // A falling persimmon starts at y = -30 and must still touch the field after its first move.
  EXPECT_GE(Find("kaki_a.bmp").picture.Height(), 25);
  EXPECT_GE(Find("kaki_s.bmp").picture.Height(), 25);
}

TEST_F(GeneratedData, LookAlikePicturesAreToldApartByColour) {
  // The two chestnuts and the two persimmons differ in most of their shared area.
  auto differing = [&](const char* a, const char* b) {
    const auto& pa = Find(a).picture;
    const auto& pb = Find(b).picture;
    int both = 0, differ = 0;
    for (int y = 0; y < std::min(pa.Height(), pb.Height()); ++y) {
      for (int x = 0; x < std::min(pa.Width(), pb.Width()); ++x) {
        if (pa.At(x, y) == kKey || pb.At(x, y) == kKey) continue;
        ++both;
        differ += pa.At(x, y) != pb.At(x, y);
      }
    }
    return both ? static_cast<double>(differ) / both : 0.0;
  };
  EXPECT_GT(differing("kuri_n.bmp", "kuri_b.bmp"), 0.6);
  EXPECT_GT(differing("kaki_a.bmp", "kaki_s.bmp"), 0.6);
}

TEST_F(GeneratedData, BitmapsAreFourOrEightBitAsTheyAreListed) {
  int fourBit = 0;
  for (const auto& a : *pictures_) {
    SCOPED_TRACE(a.name);
    const std::vector<uint8_t>& bmp = File(a.name);
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(Le32(bmp, 18), static_cast<uint32_t>(a.picture.Width()));
    EXPECT_EQ(Le32(bmp, 22), static_cast<uint32_t>(a.picture.Height()));
    const int bits = Le16(bmp, 28);
    const uint32_t colours = Le32(bmp, 46);
    EXPECT_EQ(bits, a.fourBit ? 4 : 8);
    EXPECT_EQ(Le32(bmp, 10), 54 + colours * 4) << "the rows follow the colour table";
    const uint32_t row = ((static_cast<uint32_t>(a.picture.Width()) * bits + 31) / 32) * 4;
    EXPECT_EQ(bmp.size(), 54 + colours * 4 + row * static_cast<uint32_t>(a.picture.Height()));
    fourBit += a.fourBit;
  }
  EXPECT_GE(fourBit, 2);
  EXPECT_LE(fourBit, 6);
}

// The RIFF layout the sound loader relies on: format chunk first, data chunk right after it.
struct SoundCase {
  const char* name;
  int channels, bits, formatBytes;
  double minSeconds, maxSeconds;
};

TEST_F(GeneratedData, SoundsHaveTheLayoutAndFormatTheGameExpects) {
  const SoundCase cases[] = {
      {"SUCKER1.WAV", 1, 16, 16, 0.05, 0.5},
      {"BLEEP04.WAV", 1, 8, 16, 0.03, 0.4},
      {"WHISTLE2.WAV", 1, 16, 18, 0.8, 1.5},
      {"CRASH.WAV", 2, 16, 16, 0.3, 1.5},
  };
  for (const SoundCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t>& w = File(c.name);
    ASSERT_GE(w.size(), 44u);
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(w, 4), w.size() - 8);
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
    const uint32_t f = Le32(w, 16);
    EXPECT_EQ(f, static_cast<uint32_t>(c.formatBytes));
    EXPECT_EQ(Le16(w, 20), 1) << "plain PCM";
    EXPECT_EQ(Le16(w, 22), c.channels);
    const uint32_t rate = Le32(w, 24);
    EXPECT_EQ(Le16(w, 34), c.bits);
    EXPECT_EQ(Le16(w, 32), c.channels * c.bits / 8);
    EXPECT_EQ(Le32(w, 28), rate * static_cast<uint32_t>(c.channels * c.bits / 8));
    if (f == 18) {
      EXPECT_EQ(Le16(w, 36), 0) << "no extra format bytes";
    }
    ASSERT_GE(w.size(), 28 + f);
    EXPECT_EQ(std::string(w.begin() + 20 + f, w.begin() + 24 + f), "data");
    const uint32_t dataBytes = Le32(w, 24 + f);
    ASSERT_LE(28 + f + dataBytes, w.size());
    EXPECT_LE(w.size() - (28 + f + dataBytes), 1u) << "nothing after the data but a pad byte";
    const double seconds = static_cast<double>(dataBytes) / (rate * c.channels * c.bits / 8);
    EXPECT_GE(seconds, c.minSeconds);
    EXPECT_LE(seconds, c.maxSeconds);
    EXPECT_LE(w.size(), 100u * 1024u) << "keep effects small";
    // Audible, and it starts and ends near silence so it does not click.
    double peak = 0.0;
    std::vector<double> samples;
    for (uint32_t i = 0; i + c.bits / 8 <= dataBytes; i += c.bits / 8) {
      const size_t at = 28 + f + i;
      const double v =
          c.bits == 8 ? (w[at] - 128) / 128.0 : static_cast<int16_t>(Le16(w, at)) / 32768.0;
      samples.push_back(v);
      peak = std::max(peak, std::fabs(v));
    }
    EXPECT_GT(peak, 0.3);
    EXPECT_LT(std::fabs(samples.front()), 0.05);
    EXPECT_LT(std::fabs(samples.back()), 0.1);
  }
}

TEST_F(GeneratedData, SongIsAFormatOneFileThatLoopsOnTheBeat) {
  const std::vector<uint8_t>& mid = File("brello_s.mid");
  ASSERT_GT(mid.size(), 14u);
  EXPECT_EQ(std::string(mid.begin(), mid.begin() + 4), "MThd");
  EXPECT_EQ(mid[9], 1) << "format 1";
  EXPECT_EQ(mid[11], 6) << "conductor, melody, harmony, bass, second voice, drums";

  MidiSong song;
  ASSERT_TRUE(song.Load(mid));
  const int division = song.Division();
  EXPECT_EQ(division, 480);
  ASSERT_NE(song.Title(), nullptr);
  EXPECT_STREQ(song.Title(), "Brello Song");

  // The General MIDI reset is the first thing sent, before any program or volume.
  ASSERT_GT(song.EventCount(), 0);
  ASSERT_EQ(song.Entry(0).status, 0xF0);
  const SysExMessage* reset = song.SysEx(song.Entry(0).Value());
  ASSERT_NE(reset, nullptr);

  uint64_t tick = 0, lastTick = 0;
  uint32_t tempo = 0;
  std::set<int> programmed, withVolume, playing;
  std::map<std::pair<int, int>, int> held;  // (channel, key) -> notes sounding
  int drumNotes = 0;
  for (int i = 0; i < song.EventCount(); ++i) {
    const MidiEvent& e = song.Entry(i);
    tick += e.delta;
    lastTick = tick;
    const int kind = e.status & 0xF0, channel = e.status & 0x0F;
    if (e.status == 0xFF) {
      tempo = song.Entry(i).Value() | static_cast<uint32_t>(song.Entry(i + 1).Value()) << 16;
      ++i;
      continue;
    }
    if (kind == 0xC0) programmed.insert(channel);
    if (kind == 0xB0 && e.data1 == 7) withVolume.insert(channel);
    if (kind == 0x90 && e.data2 > 0) {
      // Each channel is set up before it sounds: a player re-sending volumes on a loop gives a
      // channel without a volume of its own no sound at all.
      EXPECT_TRUE(programmed.count(channel)) << "channel " << channel;
      EXPECT_TRUE(withVolume.count(channel)) << "channel " << channel;
      playing.insert(channel);
      ++held[{channel, e.data1}];
      drumNotes += channel == 9;
    } else if (kind == 0x80 || (kind == 0x90 && e.data2 == 0)) {
      --held[{channel, e.data1}];
    }
  }
  EXPECT_EQ(playing, (std::set<int>{0, 1, 2, 3, 9}));
  EXPECT_GT(drumNotes, 0);
  for (const auto& [note, count] : held)
    EXPECT_EQ(count, 0) << "note " << note.second << " on " << note.first;
  EXPECT_EQ(song.Entry(song.EventCount()).delta, kMidiClosingDelta);

  // The last event lies on a bar line, so the restart keeps the beat; one to two minutes a pass.
  ASSERT_GT(tempo, 0u);
  EXPECT_EQ(lastTick % (4u * division), 0u);
  const double seconds = static_cast<double>(lastTick) / division * tempo / 1e6;
  EXPECT_GE(seconds, 60.0);
  EXPECT_LE(seconds, 120.0);
  // Still a sane tempo when the game adds 128 beats per minute.
  const int bpm = static_cast<int>(60000000u / tempo);
  EXPECT_GE(bpm, 90);
  EXPECT_LE(bpm + 128, 260);
}

TEST_F(GeneratedData, GameFolderHoldsAPackOfEveryFile) {
  namespace fs = std::filesystem;
  const fs::path dir = ORU_GAME_DIR;
  for (const auto& [name, bytes] : *files_) {
    SCOPED_TRACE(name);
    const fs::path plain = dir / name;
    const fs::path pack = dir / (fs::path(name).stem().string() + ".dpa");
    EXPECT_TRUE(fs::exists(pack));
    EXPECT_FALSE(fs::exists(plain)) << "shipping data is packed";
    DataSource source;
    ASSERT_TRUE(source.Open(plain.string().c_str()));
    std::vector<uint8_t> read(source.Size());
    ASSERT_EQ(source.Read(read.data(), read.size()), read.size());
    EXPECT_EQ(read, bytes) << "the pack holds what the generator makes now";
    ASSERT_NE(source.GetName(), nullptr);
    EXPECT_EQ(std::string(source.GetName()), name)
        << "packed under the bare file name, so it extracts in place";
  }
}

TEST_F(GeneratedData, GameLoadersReadThePackedSoundsAndSong) {
  const std::string dir = std::string(ORU_GAME_DIR) + "/";
  auto read = [&dir](const char* name) {
    DataSource source;
    std::vector<uint8_t> bytes;
    if (source.Open((dir + name).c_str())) {
      bytes.resize(source.Size());
      bytes.resize(source.Read(bytes.data(), bytes.size()));
    }
    return bytes;
  };
  for (const char* name : {"SUCKER1.WAV", "BLEEP04.WAV", "WHISTLE2.WAV", "CRASH.WAV"}) {
    SCOPED_TRACE(name);
    WaveSound sound(nullptr);
    ASSERT_TRUE(sound.Load((dir + name).c_str(), nullptr));
    const std::vector<uint8_t>& w = File(name);
    EXPECT_EQ(sound.DataBytes(), Le32(w, 24 + Le32(w, 16)));
    EXPECT_EQ(sound.Data(), sound.Image() + 28 + Le32(w, 16))
        << "the data chunk follows the format chunk";
  }
  const std::vector<uint8_t> image = read("brello_s.mid");
  MidiSong song;
  ASSERT_TRUE(song.Load(image));
  EXPECT_GT(song.EventCount(), 1000);
}

// What the game does with every picture: load it (plain file or pack), convert it to the default
// palette and take the colour of the top-left pixel as transparent.
void CheckLoadedPicture(const PictureAsset& a, const std::string& path) {
  SCOPED_TRACE(path);
  Surface s;
  ASSERT_EQ(LoadBitmap(s, path.c_str()), 1);
  const int w = a.picture.Width(), h = a.picture.Height();
  ASSERT_EQ(s.Width(), w);
  ASSERT_EQ(s.Height(), h);
  auto colourOf = [&s](int x, int y) {
    const int v = s.PixelAt(x, y);
    return Rgb{s.colourTable[v * 4 + 2], s.colourTable[v * 4 + 1], s.colourTable[v * 4]};
  };
  std::vector<Rgb> before;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) before.push_back(colourOf(x, y));
  RemapToTable(s, nullptr, 1);
  const Rgb key = DefaultColours()[kKey];
  const int keyIndex = s.PixelAt(0, 0);
  int changed = 0, keyedVisible = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgb was = before[static_cast<size_t>(y) * w + x];
      changed += !(colourOf(x, y) == was);
      // The drawn picture and the loaded one agree pixel for pixel.
      changed += !(was == DefaultColours()[a.picture.At(x, y)]);
      if (a.keyed && !(was == key)) keyedVisible += s.PixelAt(x, y) == keyIndex;
    }
  }
  EXPECT_EQ(changed, 0) << "converting to the default palette changes no visible colour";
  if (a.keyed) {
    EXPECT_EQ(colourOf(0, 0), key);
    EXPECT_EQ(keyedVisible, 0) << "no visible pixel turns transparent";
  }
}

TEST_F(GeneratedData, PicturesLoadThroughTheBitmapLoaderUnchanged) {
  namespace fs = std::filesystem;
  const fs::path plain = FreshTempDir("assetgen_pictures");
  GenerateOptions options;
  options.outputDir = plain.string();
  options.packed = false;
  std::string error;
  ASSERT_TRUE(GenerateAll(options, &error)) << error;
  for (const PictureAsset& a : *pictures_) {
    CheckLoadedPicture(a, (plain / a.name).string());
    CheckLoadedPicture(a, (fs::path(ORU_GAME_DIR) / a.name).string());
  }
  fs::remove_all(plain);
}

TEST(GeneratorOutput, PlainFilesAreWrittenWhenAsked) {
  namespace fs = std::filesystem;
  const fs::path dir = FreshTempDir("assetgen_plain");
  GenerateOptions options;
  options.outputDir = dir.string();
  options.packed = false;
  std::string error;
  ASSERT_TRUE(GenerateAll(options, &error)) << error;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_NE(entry.path().extension(), ".dpa");
    ++count;
  }
  EXPECT_EQ(count, 30);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace oru::assetgen
