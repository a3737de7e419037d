// MidiOut over a recording backend, SysExMessage, and the platform synthesizer when available.
#include "oru/sound/midi_out.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace oru {
namespace {

using Kind = MidiRecord::Kind;

MidiRecord Rec(Kind kind, int device, std::uint32_t message = 0, std::vector<std::uint8_t> bytes = {}) {
  return MidiRecord{kind, device, message, std::move(bytes)};
}

TEST(MidiOutTest, OpenTheSameDeviceTwiceOpensOnce) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  EXPECT_EQ(out.DeviceId(), 0);
  EXPECT_TRUE(out.Open(MidiMapper));
  EXPECT_TRUE(out.Open(MidiMapper));
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, -1)}));
}

TEST(MidiOutTest, OpeningAnotherDeviceResetsAndClosesTheFirst) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  ASSERT_TRUE(out.Open(MidiMapper));
  EXPECT_TRUE(out.Open(2));
  EXPECT_EQ(out.DeviceId(), 2);
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, -1), Rec(Kind::kReset, -1),
                                                         Rec(Kind::kClose, -1), Rec(Kind::kOpen, 2)}));
}

TEST(MidiOutTest, ClosedObjectRefusesEverything) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  SysExMessage sysex;
  const std::uint8_t body[] = {0x41, 0xF7};
  sysex.Init(sizeof body, body);
  EXPECT_FALSE(out.Close());
  EXPECT_FALSE(out.SendShort(0x90));
  EXPECT_FALSE(out.SendBytes(0x90, 60, 100));
  EXPECT_FALSE(out.SendLong(sysex));
  ASSERT_TRUE(out.Open(0));
  EXPECT_TRUE(out.Close());
  EXPECT_FALSE(out.Close());
  EXPECT_FALSE(out.SendShort(0x90));
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, 0), Rec(Kind::kReset, 0),
                                                         Rec(Kind::kClose, 0)}));
}

TEST(MidiOutTest, FailedOpenLeavesItClosedAndRemembersTheId) {
  MidiRecorder recorder;
  recorder.SetOpenFails(true);
  MidiOut out(&recorder);
  EXPECT_FALSE(out.Open(3));
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(out.DeviceId(), 3);
  EXPECT_FALSE(out.SendShort(0x90));
  recorder.SetOpenFails(false);
  EXPECT_TRUE(out.Open(3));  // a failed open must not count as "already open"
}

TEST(MidiOutTest, SendsPackedWordsAndWholeSysExRecords) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  ASSERT_TRUE(out.Open(MidiMapper));
  EXPECT_TRUE(out.SendBytes(0x91, 0x3C, 0x64));
  EXPECT_TRUE(out.SendShort(0xAB403C81));  // the high byte is passed along untouched
  SysExMessage gmOn;
  const std::uint8_t body[] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
  ASSERT_TRUE(gmOn.Init(sizeof body, body));
  EXPECT_TRUE(out.SendLong(gmOn));
  EXPECT_NE(gmOn.flags & SysExMessage::kPrepared, 0u);
  EXPECT_EQ(recorder.ShortMessages(), (std::vector<std::uint32_t>{0x643C91, 0xAB403C81}));
  EXPECT_EQ(recorder.Records().back(),
            Rec(Kind::kLong, -1, 0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

TEST(MidiOutTest, DestructionClosesWithAReset) {
  MidiRecorder recorder;
  {
    MidiOut out(&recorder);
    out.Open(0);
  }
  EXPECT_EQ(recorder.Records(), (std::vector<MidiRecord>{Rec(Kind::kOpen, 0), Rec(Kind::kReset, 0),
                                                         Rec(Kind::kClose, 0)}));
}

TEST(MidiOutTest, DefaultBackendIsTakenAtConstruction) {
  MidiRecorder recorder;
  MidiBackend* previous = MidiOut::SetDefaultBackend(&recorder);
  MidiOut out;
  MidiOut::SetDefaultBackend(previous);
  EXPECT_TRUE(out.Open(5));
  EXPECT_EQ(recorder.Count(), 1u);
  EXPECT_EQ(MidiOut::SetDefaultBackend(previous), previous);
}

TEST(MidiOutTest, DeviceNameIsCutToTheBufferAndTo31Characters) {
  MidiRecorder recorder;
  MidiOut out(&recorder);
  char name[64];
  std::memset(name, 'x', sizeof name);
  out.DeviceName(0, name, sizeof name);
  EXPECT_STREQ(name, "Oru MIDI recorder");
  char small[4];
  out.DeviceName(0, small, sizeof small);
  EXPECT_STREQ(small, "Oru");
  out.DeviceName(0, nullptr, 0);  // nothing to write into: no crash
}

TEST(MidiOutTest, PlatformDeviceNames) {
  MidiOut out(nullptr);
  char name[32];
  out.DeviceName(7, name, sizeof name);
  EXPECT_STREQ(name, "");
  out.DeviceName(0, name, sizeof name);
  EXPECT_STRNE(name, "");
  EXPECT_LE(std::strlen(name), kMidiDeviceNameMax);
}

TEST(SysExMessageTest, InitPrefixesF0AndCopiesTheBody) {
  SysExMessage m;
  EXPECT_EQ(m.Buffer(), nullptr);
  EXPECT_EQ(m.BufferLength(), 0u);
  const std::uint8_t body[] = {1, 2, 3, 4, 0xF7};
  m.flags = 3;
  ASSERT_TRUE(m.Init(5, body));
  ASSERT_EQ(m.BufferLength(), 6u);
  EXPECT_EQ(std::vector<std::uint8_t>(m.Buffer(), m.Buffer() + 6),
            (std::vector<std::uint8_t>{0xF0, 1, 2, 3, 4, 0xF7}));
  EXPECT_EQ(m.flags, 0u);

  SysExMessage moved = std::move(m);
  EXPECT_EQ(m.Buffer(), nullptr);
  EXPECT_EQ(moved.BufferLength(), 6u);

  EXPECT_FALSE(moved.Init(3, nullptr));
  EXPECT_EQ(moved.Buffer(), nullptr);
  ASSERT_TRUE(moved.Init(0, nullptr));
  EXPECT_EQ(moved.BufferLength(), 1u);
  EXPECT_EQ(moved.Buffer()[0], 0xF0);
}

}  // namespace
}  // namespace oru
