// Recorded runs: the file format read back as written, damaged files refused with a reason, and
// whole games played by a bot through the game's own frame loop, recorded, then replayed
// without a window to the same frames, states, score and final picture.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/run_recorder.h"
#include "game/run_replay.h"
#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"
#include "oru/data/whole_file.h"
#include "tests/game/game_fixture.h"
#include "tests/game/run_bot.h"

namespace brellow {

using namespace oru;

namespace {

std::string TempPath(const char* what) {
  return oru::test::UniqueTempPath(std::string("oru_run_") + what, ".orr");
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
    if (!replay.LoadImage(std::span(whole.data(), size), 7)) {
      // Cut between a frame record's read count and its reads: the count runs past the end,
      // which is the mark of a damaged count, so this one cut is refused as damage.
      EXPECT_NE(std::string(LastError()).find("past the end of the file"), std::string::npos)
          << LastError();
      continue;
    }
    if (!replay.Complete()) {
      EXPECT_LE(replay.CutAt(), size);
      EXPECT_EQ(replay.CutInsideRecord(), replay.CutAt() < size);
    }
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
      // Records no cut can make: each names the offset of its record.
      {"varint of 6 bytes",
       records({0x80, 0, kRunTagRun, 0x81, 0x80, 0x80, 0x80, 0x80, 0x00, 0, 0, 1}), 42,
       "the frame count in the record at offset 18 is longer than 5 bytes"},
      {"varint over 32 bits", records({kRunTagRun, 0xFF, 0xFF, 0xFF, 0xFF, 0x1F, 0, 0, 1}), 42,
       "the frame count in the record at offset 16 is longer than 5 bytes or over 32 bits"},
      {"read count past the end", records({kRunTagFrame, 0, 0, 1, 0x85, 0x01, 2, kRunTagEnd, 1}),
       42, "the record at offset 16 counts 133 clock reads, past the end of the file"},
      {"end total too long", records({0x80, 0, kRunTagEnd, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}), 42,
       "the frame total in the record at offset 18 is longer than 5 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunReplay replay;
    ClearLastError();
    EXPECT_FALSE(replay.LoadImage(c.bytes, c.digest));
    EXPECT_NE(std::string(LastError()).find(c.reason), std::string::npos) << LastError();
  }
  // A file that ends inside a record is no damage: it replays up to there and says where.
  // clang-format off
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::uint64_t frames;
    std::size_t cutAt;
    bool inside;
  } cuts[] = {
      {"between records",      records({0x80, 0}),                                 1, 18, false},
      {"inside a count",       records({0x80, 0, kRunTagRun, 0x85}),               1, 18, true},
      {"inside the inputs",    records({0x80, 0, kRunTagFrame, 0, 0}),             1, 18, true},
      {"inside a clock read",  records({0x80, 0, kRunTagFrame, 0, 0, 1, 1, 0x80}), 1, 18, true},
      {"inside the end",       records({0x81, 0, kRunTagEnd}),                     2, 18, true},
  };
  // clang-format on
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.name);
    RunReplay replay;
    ASSERT_TRUE(replay.LoadImage(c.bytes, 42)) << LastError();
    EXPECT_FALSE(replay.Complete());
    EXPECT_EQ(replay.Frames(), c.frames);
    EXPECT_EQ(replay.CutAt(), c.cutAt);
    EXPECT_EQ(replay.CutInsideRecord(), c.inside);
  }

  RunReplay replay;
  EXPECT_FALSE(replay.Load("/nonexistent/run.orr", 42));
  // A refused file leaves a loaded replay as it was.
  ASSERT_TRUE(replay.LoadImage(good, 42));
  EXPECT_FALSE(replay.LoadImage(records({9}), 42));
  EXPECT_EQ(replay.Frames(), 100u);
}

TEST(RunFileTest, TheRecordingStopsAtItsLimitAndStillReplays) {
  const std::string path = TempPath("limit");
  const std::vector<RecordedFrame> frames = SampleRun(250);
  {
    RunRecorder recorder(100);
    ASSERT_TRUE(recorder.Open(path.c_str(), 9)) << LastError();
    int stops = 0;
    for (const RecordedFrame& f : frames) {
      for (std::uint32_t c : f.clocks) recorder.OnClock(c);
      if (recorder.EndFrame(f.inputs)) ++stops;
    }
    EXPECT_EQ(stops, 1);  // said once, on the frame that reached the limit
    EXPECT_FALSE(recorder.IsOpen());
    EXPECT_TRUE(recorder.Close());
  }
  RunReplay replay;
  ASSERT_TRUE(replay.Load(path.c_str(), 9)) << LastError();
  EXPECT_TRUE(replay.Complete());
  EXPECT_EQ(replay.Frames(), 100u);
  EXPECT_TRUE(
      Same(PlayBack(replay), std::vector<RecordedFrame>(frames.begin(), frames.begin() + 100)));
  std::remove(path.c_str());
}

TEST(RunFileTest, AnExistingFileIsReplacedOnlyWhenAskedTo) {
  const std::string path = TempPath("existing");
  {
    std::ofstream earlier(path, std::ios::binary);
    earlier << "an earlier run";
  }
  RunRecorder recorder;
  EXPECT_FALSE(recorder.Open(path.c_str(), 1));
  EXPECT_STREQ(LastError(), "exists already");
  EXPECT_EQ(ReadBytes(path).size(), 14u);
  ASSERT_TRUE(recorder.Open(path.c_str(), 1, true)) << LastError();
  EXPECT_TRUE(recorder.Close());
  RunReplay replay;
  EXPECT_TRUE(replay.Load(path.c_str(), 1)) << LastError();
  std::remove(path.c_str());
}

// Run files are kilobytes: a larger one than the cap is refused before it is read (a sparse
// file stands in for a real one), and a close request stops a long load.
TEST(RunFileTest, LargeFilesAreRefusedAndALoadCanBeCancelled) {
  const std::string path = TempPath("huge");
  {
    std::vector<std::uint8_t> bytes = Record({}, 3, false);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  std::filesystem::resize_file(path, kRunMaxFileBytes + 1);
  RunReplay replay;
  EXPECT_FALSE(replay.Load(path.c_str(), 3));
  EXPECT_NE(std::string(LastError()).find("more than the 67108864 bytes"), std::string::npos)
      << LastError();
  std::remove(path.c_str());

  std::vector<std::uint8_t> many = Record({}, 3, false);
  for (int i = 0; i < 10000; ++i) many.insert(many.end(), {0x80, 0});
  const LoadCancelCheck previous = SetLoadCancelCheck([] { return true; });
  EXPECT_FALSE(replay.LoadImage(many, 3));
  EXPECT_NE(std::string(LastError()).find("the game is closing"), std::string::npos) << LastError();
  SetLoadCancelCheck(previous);
  EXPECT_TRUE(replay.LoadImage(many, 3));
  EXPECT_EQ(replay.Frames(), 10000u);
}

// The digest reads what the loaders would: a file larger than they take counts by its size, so
// two such files that differ only inside have one digest; and a close request is heard while a
// file is read, not only between files.
TEST(RunFileTest, TheDataDigestReadsNoMoreThanTheLoaders) {
  const std::string a = TempPath("digest");
  const char* nameA[] = {a.c_str()};
  std::uint64_t digests[2];
  for (const char byte : {'a', 'b'}) {
    {
      std::ofstream out(a, std::ios::binary);
      out.seekp(1 << 20);
      out.put(byte);
    }
    std::filesystem::resize_file(a, kMaxLoadBytes + 1);
    digests[byte - 'a'] = DataDigest(nameA);
  }
  EXPECT_EQ(digests[0], digests[1]);

  std::filesystem::resize_file(a, 8 << 20);
  static std::atomic<int> checks;
  checks = 0;
  const LoadCancelCheck previous = SetLoadCancelCheck([] {
    ++checks;
    return false;
  });
  DataDigest(nameA);
  SetLoadCancelCheck(previous);
  EXPECT_GE(checks.load(), 100);  // 8 MiB, heard at least every 64 KiB
  std::remove(a.c_str());
}

// Whole games: the bot plays through the real frame loop while the recorder listens; a fresh
// game then replays the file with no pad at all, and both end in the same place.
class RunGameTest : public GameFixture {
 protected:
  // Plays until done says so (or a frame limit) and returns the summary line.
  template <typename Done>
  std::string RecordGame(const std::string& path, Done done, int limit, RunBot bot = {}) {
    RunRecorder recorder;
    EXPECT_TRUE(recorder.Open(path.c_str(), game->AssetDigest())) << LastError();
    game->SetRecorder(&recorder);
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

// One long run through most of what the rules do: a game lost by walking into the enemies, a
// second one with a pause, and its boss fight won after a life is lost there (the clock's
// invincibility then counts). The Windows build replays this very run (scripts/windows_game.sh):
// with ORU_KEEP_RUN naming an absolute path, the run file is kept there and the recording's line
// written to that path with ".line" added.
TEST_F(RunGameTest, ALostGameAPauseAndABossFightWithALifeLostReplayToTheSameEnd) {
  const std::string path = TempPath("long");
  std::vector<GameState> states;
  int games = 0, playFrames = 0, pausedFrames = 0, lives = -1, stepsRight = 0, gameClearFrames = 0;
  bool lifeLost = false;
  const auto script = [&](GameWindow& g) {
    if (states.empty() || states.back() != g.gameState) {
      states.push_back(g.gameState);
      if (g.gameState == GameState::Play && states.size() >= 2 &&
          states[states.size() - 2] == GameState::Title) {
        ++games;
        playFrames = 0;
      }
    }
    for (int vk : {int{VK_RIGHT}, int{VK_LEFT}, kKeyV}) SetKeyState(vk, false);
    switch (g.gameState) {
      case GameState::Play:
        ++playFrames;
        // The first game walks right into whatever comes; the second pauses once.
        if (games == 1) SetKeyState(VK_RIGHT, true);
        if (games == 2 && playFrames == 50 && pausedFrames == 0) SetKeyState(kKeyV, true);
        break;
      case GameState::PlayPaused:
        if (++pausedFrames == 40) SetKeyState(kKeyV, true);
        break;
      case GameState::BossFight:
        // Into the boss until a life is lost, then as far back to the left.
        if (lives < 0) lives = g.lifeMeter.GetValue();
        if (!lifeLost && g.lifeMeter.GetValue() < lives) lifeLost = true;
        if (!lifeLost) {
          SetKeyState(VK_RIGHT, true);
          ++stepsRight;
        } else if (stepsRight > 0) {
          SetKeyState(VK_LEFT, true);
          --stepsRight;
        }
        break;
      default:
        break;
    }
    if (g.gameState == GameState::GameClear) return ++gameClearFrames > 20;
    return games >= 2 && g.gameState == GameState::GameOver;
  };
  // The game over of the second game ends the run before the bot could start a third.
  RunBot bot;
  bot.playsAgain = true;
  const std::string recorded = RecordGame(path, script, 20000, bot);
  EXPECT_EQ(states,
            (std::vector<GameState>{GameState::Title, GameState::Play, GameState::GameOver,
                                    GameState::Title, GameState::Play, GameState::PlayPaused,
                                    GameState::Play, GameState::BossFight, GameState::GameClear}))
      << recorded;
  EXPECT_GT(lives, 0);
  EXPECT_TRUE(lifeLost);
  EXPECT_EQ(ReplayGame(path), recorded);
  if (const char* keep = std::getenv("ORU_KEEP_RUN")) {
    std::filesystem::copy_file(path, keep, std::filesystem::copy_options::overwrite_existing);
    std::ofstream(std::string(keep) + ".line") << recorded << "\n";
  }
  std::remove(path.c_str());
}

// A windowed replay goes back to the title when the run ends and plays on; its line is taken on
// the frame the run ends, so it is the recording's line, not one counting the frames after.
TEST_F(RunGameTest, AReplaysLineIsTakenWhenTheRunEnds) {
  const std::string path = TempPath("line");
  const std::string recorded = RecordGame(
      path, [](GameWindow& g) { return g.FramesRun() >= 182; }, 182);
  TearDown();
  SetUp();
  RunReplay replay;
  ASSERT_TRUE(replay.Load(path.c_str(), game->AssetDigest())) << LastError();
  game->SetReplay(&replay);
  Step(182 + 215);  // the window's loop runs on after the run
  EXPECT_FALSE(game->Replaying());
  EXPECT_EQ(game->ReplayEndLine(), recorded);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace brellow
