// The presets a song selects, collected for the synthesizer to load before the song plays.
#include "oru/sound/midi_presets_internal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sound/midi_file_builder.h"

namespace oru {
namespace {

using test::MidiFileBuilder;

struct PresetCase {
  const char* name;
  std::vector<std::vector<std::uint8_t>> messages;  // track 0, one tick apart
  std::vector<MidiPreset> expected;
};

class MidiPresets : public testing::TestWithParam<PresetCase> {};

TEST_P(MidiPresets, CollectsWhatTheChannelsSelect) {
  MidiFileBuilder file(96);
  file.Track(0).Tempo(0, 500000);  // a tempo pair whose second half must not read as a message
  for (const auto& m : GetParam().messages) {
    auto& track = file.Track(0);
    track.Raw({1});
    for (std::uint8_t b : m) track.Raw({b});
  }
  file.Track(0).Note(1, 0x90, 60, 1);
  MidiSong song;
  ASSERT_TRUE(song.Load(file.Bytes()));
  EXPECT_EQ(MidiPresetsOf(song), GetParam().expected);
}

// Every song ends with a note on channel 1, which needs the piano unless a program came before.
const PresetCase kPresetCases[] = {
    {"ANoteWithoutAProgramNeedsThePiano", {}, {{0, 0}}},
    {"ProgramsInBankZero", {{0xC0, 73}, {0xC1, 33}, {0xC2, 73}}, {{0, 33}, {0, 73}}},
    {"BankSelectAlsoKeepsBankZero", {{0xB3, 0, 8}, {0xC3, 4}}, {{0, 0}, {0, 4}, {8, 4}}},
    {"BankIsPerChannel", {{0xB3, 0, 8}, {0xC4, 4}}, {{0, 0}, {0, 4}}},
    {"Channel10PlaysDrumKits", {{0xB9, 0, 8}, {0xC9, 25}}, {{0, 0}, {128, 25}}},
    {"ADrumNoteWithoutAProgramNeedsKitZero", {{0xC0, 73}, {0x99, 36, 100}}, {{0, 73}, {128, 0}}},
    {"ANoteBeforeTheProgramNeedsTheDefault",
     {{0x92, 60, 100}, {0xC2, 5}, {0xC0, 73}},
     {{0, 0}, {0, 5}, {0, 73}}},
    {"VelocityZeroEndsANoteAndNeedsNothing", {{0x91, 60, 0}, {0xC0, 73}}, {{0, 73}}},
    {"AResetReturnsChannelsToTheirDefaults",
     {{0xC0, 73}, {0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
     {{0, 0}, {0, 73}}},
    {"AProgramAfterTheResetIsEnough",
     {{0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0xC0, 73}},
     {{0, 73}}},
    {"SysExAndNotesAreNoSelection",
     {{0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0x90, 60, 100}},
     {{0, 0}}},
};
INSTANTIATE_TEST_SUITE_P(Songs, MidiPresets, testing::ValuesIn(kPresetCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace oru
