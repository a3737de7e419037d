// MidiSong: the merged entry list built from Standard MIDI File images, well-formed and not.
#include "oru/sound/midi_song.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"
#include "tests/sound/midi_file_builder.h"

namespace oru {
namespace {

using test::MidiFileBuilder;
using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

// The header of a file with the given header length, track count and division, with no tracks.
Bytes Header(std::uint32_t length, std::uint16_t tracks, std::uint16_t division) {
  Bytes out{'M', 'T', 'h', 'd'};
  test::AppendBe32(out, length);
  out.insert(out.end(),
             {0, 1, static_cast<std::uint8_t>(tracks >> 8), static_cast<std::uint8_t>(tracks),
              static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
  for (std::uint32_t i = 6; i < length && out.size() < 64; ++i) out.push_back(0);
  return out;
}

// A track chunk with an announced length that may differ from the bytes that follow.
void AppendTrack(Bytes& out, std::uint32_t announced, const Bytes& body) {
  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  test::AppendBe32(out, announced);
  out.insert(out.end(), body.begin(), body.end());
}

Bytes OneTrack(const Bytes& body, std::uint16_t division = 96) {
  Bytes out = Header(6, 1, division);
  AppendTrack(out, static_cast<std::uint32_t>(body.size()), body);
  return out;
}

struct LoadCase {
  const char* name;
  std::function<Bytes()> image;
  bool loads;
  Lines entries;  // when it loads; else the reason LastError() gives
  std::optional<std::string> title = std::nullopt;
};

class MidiSongLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(MidiSongLoad, BuildsTheMergedList) {
  const LoadCase& c = GetParam();
  // The image sits in a buffer of exactly its size, so a read past it is caught by the sanitizers.
  const Bytes image = c.image();
  MidiSong song;
  ClearLastError();
  ASSERT_EQ(song.Load(image), c.loads);
  if (!c.loads) {
    EXPECT_EQ(song.EventCount(), 0);
    EXPECT_FALSE(song.HasMore());
    EXPECT_EQ(Lines{LastError()}, c.entries);
    return;
  }
  EXPECT_EQ(DescribeMidiEntries(song), c.entries);
  EXPECT_EQ(song.Entry(song.EventCount()).delta, kMidiClosingDelta);
  if (c.title) {
    ASSERT_NE(song.Title(), nullptr);
    EXPECT_EQ(std::string(song.Title()), *c.title);
  } else {
    EXPECT_EQ(song.Title(), nullptr);
  }
}

// clang-format off
const LoadCase kWellFormed[] = {
    {"FormatZeroKeepsFileOrder",
     [] {
       MidiFileBuilder f(96, 0);
       f.Track(0).Note(10, 0x90, 60, 100).Note(20, 0x80, 60, 0).Message(5, {0xE0, 0, 64}).End(0);
       return f.Bytes();
     },
     true, {"10 90 60 100", "30 80 60 0", "35 E0 0 64"}},
    {"RunningStatus",
     [] { return OneTrack({0x00, 0x90, 0x3C, 0x64, 0x00, 0x3E, 0x64}); },
     true, {"0 90 60 100", "0 90 62 100"}},
    {"RunningStatusSurvivesMetaAndSysEx",
     [] { return OneTrack({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x01, 'x', 0x00, 0xF0, 0x01, 0xF7,
                           0x10, 0x3E, 0x64}); },
     true, {"0 90 60 100", "0 sysex F0 F7", "16 90 62 100"}},
    {"OneDataByteMessages",
     [] { return OneTrack({0x00, 0xC3, 0x05, 0x00, 0xD0, 0x40, 0x01, 0x05}); },
     true, {"0 C3 5 0", "0 D0 64 0", "1 D0 5 0"}},
    {"TempoPair",
     [] { return OneTrack({0x00, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80, 0x00, 0x90, 60, 1}); },
     true, {"0 tempo 400000", "0 90 60 1"}},
    {"SysEx",
     [] { return OneTrack({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); },
     true, {"0 sysex F0 7E 7F 09 01 F7"}},
    {"TracksMergeByTime",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Note(0, 0x90, 60, 100).Note(96, 0x80, 60, 0);
       f.Track(1).Note(48, 0x91, 64, 100);
       return f.Bytes();
     },
     true, {"0 90 60 100", "48 91 64 100", "96 80 60 0"}},
    {"SameTickInterleavesOneEventPerTrack",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Note(0, 0x90, 1, 1).Note(0, 0x90, 2, 2);
       f.Track(1).Note(0, 0x91, 3, 3);
       return f.Bytes();
     },
     true, {"0 90 1 1", "0 91 3 3", "0 90 2 2"}},
    {"MetaEventsLeaveNoEntry",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Text(0, "hello").Meta(0, 0x58, {4, 2, 24, 8}).Note(0, 0x90, 60, 100).End(0);
       return f.Bytes();
     },
     true, {"0 90 60 100"}},
    {"TimeOfADroppedMetaEventCarriesOver",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Note(0, 0x90, 60, 100).Text(48, "x").Note(48, 0x80, 60, 0);
       return f.Bytes();
     },
     true, {"0 90 60 100", "96 80 60 0"}},
    {"EarlyEndOfAnotherTrack",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Note(0, 0x90, 60, 100).Note(120, 0x80, 60, 0);
       f.Track(1).End(100);
       return f.Bytes();
     },
     true, {"0 90 60 100", "120 80 60 0"}},
    {"TitleComesFromTrackZeroOnly",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Name(0, "first").Note(0, 0x90, 60, 100).Name(0, "last");
       f.Track(1).Name(0, "other");
       return f.Bytes();
     },
     true, {"0 90 60 100"}, "last"},
    {"NameInTrackOneIsNoTitle",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Note(0, 0x90, 60, 100);
       f.Track(1).Name(0, "other");
       return f.Bytes();
     },
     true, {"0 90 60 100"}},
    {"StatusFEIsSkipped",
     [] { return OneTrack({0x00, 0xFE, 0x05, 0x90, 60, 1}); },
     true, {"5 90 60 1"}},
    {"EscapedSysExIsSkipped",
     [] { return OneTrack({0x00, 0xF7, 0x02, 0x43, 0xF7, 0x00, 0x90, 60, 1}); },
     true, {"0 90 60 1"}},
    {"FourByteDelta",
     [] { return OneTrack({0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1}); },
     true, {"268435455 90 60 1"}},
    {"LongerHeaderIsSkipped",
     [] {
       Bytes out = Header(10, 1, 96);
       AppendTrack(out, 4, {0x00, 0x90, 60, 1});
       return out;
     },
     true, {"0 90 60 1"}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(WellFormed, MidiSongLoad, testing::ValuesIn(kWellFormed),
                         [](const auto& info) { return std::string(info.param.name); });

// Bad bytes: never a read outside the image; a track ends after its last complete event; a file
// with nothing to play does not load.
// clang-format off
const LoadCase kMalformed[] = {
    {"Empty", [] { return Bytes{}; }, false, {"is too short for a MIDI header (0 bytes, 14 needed)"}},
    {"HeaderCutShort", [] { return Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0}; }, false,
     {"is too short for a MIDI header (13 bytes, 14 needed)"}},
    {"HeaderLengthBelowSix",
     [] {
       Bytes out = Header(5, 1, 96);
       out.resize(14);
       AppendTrack(out, 4, {0x00, 0x90, 60, 1});
       return out;
     },
     false, {"has a header length of 5 at offset 4, outside 6 .. 18"}},
    {"HeaderLengthPastTheEnd", [] { return Header(0xFFFFFFF0u, 1, 96); }, false,
     {"has a header length of 4294967280 at offset 4, outside 6 .. 56"}},
    {"DivisionZero", [] { return OneTrack({0x00, 0x90, 60, 1}, 0); }, false,
     {"has a division of 0 ticks per quarter note at offset 12"}},
    {"NoTracks", [] { return Header(6, 0, 96); }, false, {"has no track chunk"}},
    {"MoreTracksAnnouncedThanPresent",
     [] {
       Bytes out = Header(6, 5, 96);
       AppendTrack(out, 4, {0x00, 0x90, 60, 1});
       out.insert(out.end(), {'M', 'T', 'r'});  // a cut-off chunk header
       return out;
     },
     true, {"0 90 60 1"}},
    {"TrackLengthPastTheEnd",
     [] {
       Bytes out = Header(6, 2, 96);
       AppendTrack(out, 0x7FFFFFF0u, {0x00, 0x90, 60, 1, 0x00, 0x90, 61});
       return out;
     },
     true, {"0 90 60 1"}},
    {"TrackLengthWrapsPastTheEnd",
     [] {
       Bytes out = Header(6, 3, 96);
       AppendTrack(out, 0xFFFFFFFFu, {0x00, 0x90, 60, 1});
       return out;
     },
     true, {"0 90 60 1"}},
    {"DeltaLongerThanFourBytes",
     [] { return OneTrack({0x00, 0x90, 60, 1, 0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 61, 1}); },
     true, {"0 90 60 1"}},
    {"DeltaCutOff", [] { return OneTrack({0x00, 0x90, 60, 1, 0x81, 0x81}); }, true, {"0 90 60 1"}},
    {"DataByteWithoutStatus", [] { return OneTrack({0x00, 0x3C, 0x64, 0x00, 0x90, 60, 1}); }, false,
     {"has no playable event in 1 track chunk"}},
    {"DataBytesCutOff", [] { return OneTrack({0x00, 0x90, 60, 1, 0x00, 0x90, 61}); }, true, {"0 90 60 1"}},
    {"SysExLengthPastTheTrack",
     [] {
       // The sysex claims bytes that belong to the next track chunk.
       Bytes out = Header(6, 2, 96);
       AppendTrack(out, 8, {0x00, 0x90, 60, 1, 0x00, 0xF0, 0x10, 0xF7});
       AppendTrack(out, 4, {0x05, 0x91, 62, 1});
       return out;
     },
     true, {"0 90 60 1", "5 91 62 1"}},
    {"SysExLengthHuge",
     [] { return OneTrack({0x00, 0x90, 60, 1, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0xF7}); },
     true, {"0 90 60 1"}},
    {"MetaLengthPastTheTrack",
     [] { return OneTrack({0x00, 0x90, 60, 1, 0x00, 0xFF, 0x03, 0x20, 'a', 'b'}); },
     true, {"0 90 60 1"}},
    {"MetaTypeCutOff", [] { return OneTrack({0x00, 0x90, 60, 1, 0x00, 0xFF}); }, true, {"0 90 60 1"}},
    {"TempoZeroIsDropped",
     [] { return OneTrack({0x00, 0xFF, 0x51, 0x03, 0, 0, 0, 0x10, 0x90, 60, 1}); },
     true, {"16 90 60 1"}},
    {"TempoWithoutBytesIsDropped",
     [] { return OneTrack({0x00, 0xFF, 0x51, 0x00, 0x00, 0x90, 60, 1}); },
     true, {"0 90 60 1"}},
    {"OnlyMetaEvents",
     [] {
       MidiFileBuilder f(96);
       f.Track(0).Name(0, "silence").End(0);
       return f.Bytes();
     },
     false, {"has no playable event in 1 track chunk"}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Malformed, MidiSongLoad, testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MidiSong, TempoPairHoldsBothHalves) {
  MidiSong song;
  ASSERT_TRUE(song.Load(OneTrack({0x00, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80})));
  ASSERT_EQ(song.EventCount(), 2);
  EXPECT_EQ(song.Entry(0).status, 0xFF);
  EXPECT_EQ(song.Entry(0).Value(), 400000 & 0xFFFF);
  EXPECT_EQ(song.Entry(1).status, 0);
  EXPECT_EQ(song.Entry(1).delta, 0u);
  EXPECT_EQ(song.Entry(1).Value(), 400000 >> 16);
}

TEST(MidiSong, SysExRecordHoldsF0AndTheBody) {
  MidiSong song;
  ASSERT_TRUE(song.Load(OneTrack({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,  //
                                  0x00, 0xF0, 0x01, 0xF7})));
  ASSERT_EQ(song.SysExCount(), 2);
  EXPECT_EQ(song.Entry(1).Value(), 1);
  const SysExMessage* m = song.SysEx(song.Entry(0).Value());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(Bytes(m->Buffer(), m->Buffer() + m->BufferLength()),
            (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
  EXPECT_EQ(song.SysEx(2), nullptr);
}

TEST(MidiSong, CursorWalksTheList) {
  MidiFileBuilder f(96);
  f.Track(0).Note(10, 0x90, 60, 100).Note(20, 0x80, 60, 0);
  MidiSong song;
  ASSERT_TRUE(song.Load(f.Bytes()));
  EXPECT_EQ(song.Division(), 96);
  EXPECT_EQ(song.Current().data2, 100);
  song.Advance();
  EXPECT_EQ(song.Position(), 10u);
  song.Advance();
  EXPECT_EQ(song.Position(), 30u);
  EXPECT_FALSE(song.HasMore());
  EXPECT_EQ(song.Current().delta, kMidiClosingDelta);
  song.Advance();  // past the end: nothing moves
  EXPECT_EQ(song.Position(), 30u);
  song.Rewind();
  EXPECT_EQ(song.Position(), 0u);
  EXPECT_TRUE(song.HasMore());
}

TEST(MidiSong, FailedLoadKeepsThePreviousSong) {
  MidiFileBuilder f(96);
  f.Track(0).Name(0, "kept").Note(0, 0x90, 60, 100);
  MidiSong song;
  ASSERT_TRUE(song.Load(f.Bytes()));
  song.Advance();
  EXPECT_FALSE(song.Load(OneTrack({0x00, 0x90, 60, 1}, 0)));
  EXPECT_EQ(song.EventCount(), 1);
  EXPECT_EQ(song.Index(), 1);
  EXPECT_STREQ(song.Title(), "kept");
  EXPECT_EQ(DescribeMidiEntries(song), Lines{"0 90 60 100"});
}

TEST(MidiSong, ClearEmptiesTheSong) {
  MidiSong song;
  ASSERT_TRUE(song.Load(OneTrack({0x00, 0xF0, 0x01, 0xF7})));
  song.Clear();
  EXPECT_EQ(song.EventCount(), 0);
  EXPECT_EQ(song.SysExCount(), 0);
  EXPECT_EQ(song.Division(), 0);
  EXPECT_FALSE(song.HasMore());
  EXPECT_EQ(song.Current().delta, kMidiClosingDelta);
}

// The merge defined by passes, written out plainly: each pass moves time on by the smallest wait
// and lets every due track supply one event, in track order. The loader's heap merge must give the
// same list, equal ticks included.
struct RefEvent {
  std::uint32_t delta;
  std::string text;  // empty: an event that yields no entry
};

Lines ReferenceMerge(const std::vector<std::vector<RefEvent>>& tracks) {
  struct Head {
    std::size_t next = 0;
    std::uint64_t wait = 0;
  };
  std::vector<Head> heads(tracks.size());
  for (std::size_t i = 0; i < tracks.size(); ++i)
    if (!tracks[i].empty()) heads[i].wait = tracks[i][0].delta;
  Lines out;
  std::uint64_t time = 0;
  for (;;) {
    bool any = false;
    std::uint64_t m = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i)
      if (heads[i].next < tracks[i].size() && (!any || heads[i].wait < m)) {
        m = heads[i].wait;
        any = true;
      }
    if (!any) break;
    time += m;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
      Head& h = heads[i];
      if (h.next >= tracks[i].size()) continue;
      if (h.wait == m) {
        if (!tracks[i][h.next].text.empty())
          out.push_back(std::to_string(time) + " " + tracks[i][h.next].text);
        if (++h.next < tracks[i].size()) h.wait += tracks[i][h.next].delta;
      }
      h.wait -= m;
    }
  }
  return out;
}

TEST(MidiSong, MergeMatchesThePassesOnRandomFiles) {
  std::mt19937 rng(20261210);
  const std::uint32_t deltas[] = {0, 0, 0, 1, 2, 7, 96, 480};
  for (int round = 0; round < 60; ++round) {
    const int trackCount =
        round < 50 ? 1 + static_cast<int>(rng() % 8) : 200 + static_cast<int>(rng() % 200);
    MidiFileBuilder file(96);
    std::vector<std::vector<RefEvent>> reference(static_cast<std::size_t>(trackCount));
    for (int t = 0; t < trackCount; ++t) {
      auto& track = file.Track(static_cast<std::size_t>(t));
      auto& ref = reference[static_cast<std::size_t>(t)];
      const int events = static_cast<int>(rng() % 12);
      for (int k = 0; k < events; ++k) {
        const std::uint32_t delta = deltas[rng() % std::size(deltas)];
        const auto key = static_cast<std::uint8_t>(rng() % 128);
        switch (rng() % 6) {
          case 0:
            track.Text(delta, "x");
            ref.push_back({delta, ""});
            break;
          case 1:
            track.Tempo(delta, 400000 + key);
            ref.push_back({delta, "tempo " + std::to_string(400000 + key)});
            break;
          default: {
            const auto channel = static_cast<std::uint8_t>(t % 16);
            track.Note(delta, static_cast<std::uint8_t>(0x90 | channel), key, 64);
            char text[32];
            std::snprintf(text, sizeof text, "%02X %u 64", 0x90 | channel, key);
            ref.push_back({delta, text});
          }
        }
      }
    }
    const Lines expected = ReferenceMerge(reference);
    MidiSong song;
    ASSERT_EQ(song.Load(file.Bytes()), !expected.empty()) << "round " << round;
    if (!expected.empty()) {
      ASSERT_EQ(DescribeMidiEntries(song), expected) << "round " << round;
    }
  }
}

// 65,535 tracks of one note each: the shape that took 22 s to merge track by track.
TEST(MidiSong, ManyOneNoteTracksMergeInTimeOrder) {
  MidiFileBuilder file(96);
  for (std::size_t t = 0; t < 65535; ++t)
    file.Track(t)
        .Note(static_cast<std::uint32_t>((t * 7919) % 1000), 0x90,
              static_cast<std::uint8_t>(t / 1000), 1)
        .End(0);
  MidiSong song;
  ASSERT_TRUE(song.Load(file.Bytes()));
  ASSERT_EQ(song.EventCount(), 65535);
  std::uint64_t previousTick = 0, tick = 0;
  int previousKey = -1;
  for (int i = 0; i < song.EventCount(); ++i) {
    tick += song.Entry(i).delta;
    // Ticks never go back, and equal ticks keep track order: their keys (track / 1000) grow.
    ASSERT_GE(tick, previousTick);
    if (tick == previousTick && i > 0) {
      EXPECT_GT(song.Entry(i).data1, previousKey);
    }
    previousTick = tick;
    previousKey = song.Entry(i).data1;
  }
  EXPECT_EQ(tick, 999u);
}

// A song of very many tracks gives up its merge once the load is cancelled.
TEST(MidiSongLoad, AHugeMergeStopsOnceTheLoadIsCancelled) {
  MidiFileBuilder file(96);
  for (std::size_t t = 0; t < 20000; ++t)
    file.Track(t).Note(static_cast<std::uint32_t>(t % 500), 0x90, 60, 90).End(0);
  const std::vector<std::uint8_t> image = file.Bytes();
  const LoadCancelCheck previous = SetLoadCancelCheck([] { return true; });
  MidiSong song;
  EXPECT_FALSE(song.Load(image));
  SetLoadCancelCheck(previous);
  EXPECT_NE(std::string(LastError()).find("cancelled"), std::string::npos) << LastError();
  EXPECT_TRUE(song.Load(image));
}

}  // namespace
}  // namespace oru
