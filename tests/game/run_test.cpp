// Recorded runs: the file format read back as written, damaged files refused with a reason, and
// whole games played by a bot through the game's own frame loop, recorded, then replayed
// without a window to the same frames, states, score and final picture.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/run_recorder.h"
#include "game/run_replay.h"
#include "oru/data/last_error.h"
#include "tests/game/game_fixture.h"
#include "tests/game/run_bot.h"

namespace brellow {

using namespace oru;

namespace {

std::string TempPath(const char* what) {
  return std::string(::testing::TempDir()) + "oru_run_" + what + "_" + std::to_string(getpid()) +
         ".orr";
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RecordedFrame {
  RunFrame inputs;
  std::vector<std::uint32_t> clocks;
};

std::vector<std::uint8_t> Record(const std::vector<RecordedFrame>& frames, std::uint64_t digest,
                                 bool close = true) {
  const std::string path = TempPath("format");
  {
    RunRecorder recorder;
    EXPECT_TRUE(recorder.Open(path.c_str(), digest));
    for (const RecordedFrame& f : frames) {
      for (std::uint32_t c : f.clocks) recorder.OnClock(c);
      recorder.EndFrame(f.inputs);
    }
    if (close) {
      EXPECT_TRUE(recorder.Close());
    } else {
      // A crash: the recorder is never closed, the file holds what was flushed.
      const std::vector<std::uint8_t> bytes = ReadBytes(path);
      std::remove(path.c_str());
      recorder.Close();
      return bytes;
    }
  }
  std::vector<std::uint8_t> bytes = ReadBytes(path);
  std::remove(path.c_str());
  return bytes;
}

std::vector<RecordedFrame> PlayBack(RunReplay& replay) {
  std::vector<RecordedFrame> out;
  RunFrame f;
  while (replay.NextFrame(&f)) {
    RecordedFrame r{f, {}};
    if (!out.empty() && out.size() % 7 == 3) r.clocks.push_back(replay.NextClock());
    out.push_back(r);
  }
  return out;
}

// Frames with clock reads where PlayBack reads them (every seventh, from the fourth), so the
// comparison covers both.
std::vector<RecordedFrame> SampleRun(int count) {
  std::vector<RecordedFrame> frames;
  std::uint32_t clock = 0xFFFFFF00u;  // wraps past zero on the way
  for (int i = 0; i < count; ++i) {
    RecordedFrame f;
    f.inputs.held = static_cast<std::uint8_t>(i / 50 % 3 == 0 ? 0 : 1u << (i / 50 % 8));
    f.inputs.pressed = static_cast<std::uint8_t>(i % 50 == 0 ? f.inputs.held : 0);
    f.inputs.pacing = i < count - 10;
    clock += 30;
    if (i > 0 && i % 7 == 3) f.clocks.push_back(clock);
    frames.push_back(f);
  }
  return frames;
}

bool Same(const std::vector<RecordedFrame>& a, const std::vector<RecordedFrame>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].inputs.held != b[i].inputs.held || a[i].inputs.pressed != b[i].inputs.pressed ||
        a[i].inputs.pacing != b[i].inputs.pacing || a[i].clocks != b[i].clocks)
      return false;
  }
  return true;
}

TEST(RunFileTest, ReadsBackWhatWasWrittenCompactly) {
  const std::vector<RecordedFrame> frames = SampleRun(3000);
  const std::vector<std::uint8_t> bytes = Record(frames, 0x1234);
  // Runs of equal frames take a few bytes, a frame with a clock read about six.
  EXPECT_LT(bytes.size(), 4000u);
  RunReplay replay;
  ASSERT_TRUE(replay.LoadImage(bytes, 0x1234)) << LastError();
  EXPECT_TRUE(replay.Complete());
  EXPECT_EQ(replay.Frames(), 3000u);
  EXPECT_TRUE(Same(PlayBack(replay), frames));
  // Past the end there are no more frames; the clock repeats its last value.
  RunFrame f;
  EXPECT_FALSE(replay.NextFrame(&f));
}

TEST(RunFileTest, AFileCutShortReplaysUpToWhereItEnds) {
  const std::vector<RecordedFrame> frames = SampleRun(600);
  const std::vector<std::uint8_t> whole = Record(frames, 7);
  const std::vector<std::uint8_t> crashed = Record(frames, 7, false);
  ASSERT_LT(crashed.size(), whole.size());
  std::size_t lastFrames = 0;
  // Every cut: the frames read are a prefix of the run, and never fewer for a longer file.
  for (std::size_t size = kRunHeaderSize; size <= whole.size(); ++size) {
    SCOPED_TRACE(size);
    RunReplay replay;
    ASSERT_TRUE(replay.LoadImage(std::span(whole.data(), size), 7)) << LastError();
    const std::vector<RecordedFrame> got = PlayBack(replay);
    ASSERT_TRUE(Same(got, std::vector<RecordedFrame>(
                              frames.begin(), frames.begin() + static_cast<long>(got.size()))));
    EXPECT_GE(got.size(), lastFrames);
    lastFrames = got.size();
    EXPECT_EQ(replay.Complete(), size == whole.size());
  }
  RunReplay replay;
  ASSERT_TRUE(replay.LoadImage(crashed, 7));
  EXPECT_FALSE(replay.Complete());
  EXPECT_GT(replay.Frames(), 0u);
}

TEST(RunFileTest, DamagedFilesAndOtherDataAreRefusedWithAReason) {
  const std::vector<std::uint8_t> good = Record(SampleRun(100), 42);
  const std::vector<std::uint8_t> header(good.begin(), good.begin() + kRunHeaderSize);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::uint64_t digest;
    const char* reason;
  };
  auto patched = [&](std::size_t offset, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = good;
    bytes[offset] = value;
    return bytes;
  };
  auto records = [&](std::vector<std::uint8_t> body) {
    std::vector<std::uint8_t> bytes = header;
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
  };
  const Case cases[] = {
      {"no magic", patched(0, 'X'), 42, "not a recorded run"},
      {"header cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 10), 42,
       "cut short"},
      {"newer version", patched(4, 2), 42, "version 2 is not supported"},
      {"reserved bytes", patched(6, 1), 42, "reserved"},
      {"other data files", good, 43, "recorded with other data files"},
      {"unknown tag", records({9}), 42, "unknown record tag 9"},
      {"zero count", records({kRunTagRun, 0, 0, 0, 1}), 42, "has no frames"},
      {"unknown flags", records({kRunTagRun, 1, 0, 0, 0x81}), 42, "unknown flags"},
      {"end count wrong", records({0x80, 0, kRunTagEnd, 5}), 42, "counts 5 frames"},
      {"bytes after the end", records({0x80, 0, kRunTagEnd, 1, 0}), 42, "follow the end record"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunReplay replay;
    ClearLastError();
    EXPECT_FALSE(replay.LoadImage(c.bytes, c.digest));
    EXPECT_NE(std::string(LastError()).find(c.reason), std::string::npos) << LastError();
  }
  RunReplay replay;
  EXPECT_FALSE(replay.Load("/nonexistent/run.orr", 42));
  // A refused file leaves a loaded replay as it was.
  ASSERT_TRUE(replay.LoadImage(good, 42));
  EXPECT_FALSE(replay.LoadImage(records({9}), 42));
  EXPECT_EQ(replay.Frames(), 100u);
}

// Whole games: the bot plays through the real frame loop while the recorder listens; a fresh
// game then replays the file with no pad at all, and both end in the same place.
class RunGameTest : public GameFixture {
 protected:
  // Plays until done says so (or a frame limit) and returns the summary line.
  template <typename Done>
  std::string RecordGame(const std::string& path, Done done, int limit) {
    RunRecorder recorder;
    EXPECT_TRUE(recorder.Open(path.c_str(), game->AssetDigest())) << LastError();
    game->SetRecorder(&recorder);
    RunBot bot;
    for (int frame = 0; frame < limit && !done(*game); ++frame) {
      bot.Act(*game);
      now += 30;
      Step();
    }
    bot.Release();
    game->SetRecorder(nullptr);
    EXPECT_TRUE(recorder.Close());
    return game->Summary();
  }
  std::string ReplayGame(const std::string& path) {
    TearDown();
    SetUp();
    RunReplay replay;
    EXPECT_TRUE(replay.Load(path.c_str(), game->AssetDigest())) << LastError();
    game->SetReplay(&replay);
    // The clock would say something else entirely: only the recorded values may count.
    now = 5;
    while (replay.FramesPlayed() < replay.Frames()) Step();
    game->SetReplay(nullptr);
    return game->Summary();
  }
};

TEST_F(RunGameTest, ABotsWinningGameReplaysToTheSameEnd) {
  const std::string path = TempPath("win");
  std::vector<GameState> states;
  const std::string recorded = RecordGame(
      path,
      [&](GameWindow& g) {
        if (states.empty() || states.back() != g.gameState) states.push_back(g.gameState);
        return g.gameState == GameState::GameClear || g.gameState == GameState::GameOver;
      },
      8000);
  EXPECT_EQ(states, (std::vector<GameState>{GameState::Title, GameState::Play, GameState::BossFight,
                                            GameState::GameClear}))
      << recorded;
  EXPECT_LT(ReadBytes(path).size(), 8192u) << "a whole game in a few kilobytes";
  EXPECT_EQ(ReplayGame(path), recorded);
  std::remove(path.c_str());
}

TEST_F(RunGameTest, ALostGameReplaysToTheSameEnd) {
  const std::string path = TempPath("lose");
  int frames = 0;
  // The bot walks right into everything: it only starts the game and moves down.
  const std::string recorded = RecordGame(
      path,
      [&](GameWindow& g) {
        if (g.gameState == GameState::Play) SetKeyState(VK_RIGHT, true);
        return g.gameState == GameState::GameOver && ++frames > 10;
      },
      4000);
  SetKeyState(VK_RIGHT, false);
  EXPECT_NE(recorded.find("state GameOver"), std::string::npos) << recorded;
  EXPECT_EQ(ReplayGame(path), recorded);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace brellow
