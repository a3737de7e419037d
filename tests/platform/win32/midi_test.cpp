// MIDI output through the system's synthesizer (winmm). Under Wine there is no MIDI device: the
// output must refuse to open, quickly and for good, so the music is silent and nothing waits.
// With a device (a real Windows machine) the messages the sequencer sends must be taken.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oru/platform/audio_device.h"
#include "oru/platform/midi_synth.h"
#include "oru/platform/win32/system_midi_internal.h"
#include "tests/support/wait_for.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

using namespace std::chrono_literals;

bool HasMidiDevice() { return midiOutGetNumDevs() > 0; }

TEST(SystemMidiTest, ThereIsNoSoftwareSynthesizer) {
  // The software synthesizer's own tests skip on this; nothing renders into a mixer here.
  EXPECT_EQ(MidiSynth::Create(nullptr, nullptr), nullptr);
  EXPECT_TRUE(FindSoundFont().empty());
}

TEST(SystemMidiTest, WithoutADeviceTheOutputRefusesToOpenAndTheLoaderFails) {
  if (HasMidiDevice()) GTEST_SKIP() << "this machine has a MIDI output device";
  EXPECT_EQ(win32::OpenSystemMidiSynth(), nullptr);
  MidiSynthLoader& loader = SharedMidiSynthLoader();
  loader.Start();
  ASSERT_TRUE(WaitFor([&] { return !loader.Loading(); }, 30s)) << "opening the device hangs";
  EXPECT_EQ(loader.Current(), MidiSynthLoader::State::kFailed);
  EXPECT_EQ(SharedMidiSynth(), nullptr);
  // Asking again changes nothing and waits for nothing.
  loader.Warm({{0, 1}});
  EXPECT_EQ(loader.Current(), MidiSynthLoader::State::kFailed);
  char name[32] = "x";
  EXPECT_FALSE(MidiSynthDeviceName(0, name, sizeof name));
  EXPECT_STREQ(name, "");
}

TEST(SystemMidiTest, DeviceNamesOnlyForTheMapperAndDeviceZero) {
  char name[32] = "x";
  EXPECT_FALSE(MidiSynthDeviceName(1, name, sizeof name));
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(MidiSynthDeviceName(0, nullptr, 8));
  // The mapper's name, where there is one, is cut to the room given.
  if (MidiSynthDeviceName(-1, name, 4)) {
    EXPECT_LE(std::char_traits<char>::length(name), 3u);
  }
}

TEST(SystemMidiTest, AnOpenDeviceTakesChannelAndSystemExclusiveMessages) {
  if (!HasMidiDevice()) GTEST_SKIP() << "no MIDI output device (as under Wine)";
  std::unique_ptr<MidiSynth> synth = win32::OpenSystemMidiSynth();
  ASSERT_NE(synth, nullptr);
  EXPECT_TRUE(synth->SendShort(0x7F3C90));  // note on, channel 0, key 60
  EXPECT_TRUE(synth->SendShort(0x003C80));
  EXPECT_FALSE(synth->SendShort(0xF8)) << "channel messages only";
  EXPECT_FALSE(synth->SendShort(0x3C));
  const std::uint8_t gmOn[] = {0x7E, 0x7F, 0x09, 0x01};
  // More messages than there are buffers: the device hands them back as it is done.
  for (int i = 0; i < 20; ++i) {
    bool sent = false;
    ASSERT_TRUE(WaitFor([&] { return sent = synth->SendSysEx(gmOn, sizeof gmOn); }, 10s)) << i;
  }
  EXPECT_FALSE(synth->SendSysEx(gmOn, 0));
  EXPECT_FALSE(synth->SendSysEx(nullptr, 4));
  std::vector<std::uint8_t> huge(1 << 16, 0x10);
  EXPECT_FALSE(synth->SendSysEx(huge.data(), huge.size()));
  EXPECT_TRUE(synth->Reset());
  EXPECT_EQ(synth->Warm({{0, 1}}), 0) << "the system holds its own instruments";
  float out[4] = {};
  synth->Render(out, 2);
  EXPECT_EQ(out[0], 0.0f) << "nothing renders";
}

}  // namespace
}  // namespace oru
