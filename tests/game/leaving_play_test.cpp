// Every way out of a game (won, lost in play, lost to the boss, a replay running out in play or
// paused, and back to the title afterwards) leaves no item alive in any item set, so nothing of
// the last game stays on the field or in the next game's collision passes.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "game/run_recorder.h"
#include "game/run_replay.h"
#include "tests/game/game_fixture.h"
#include "tests/game/run_bot.h"

namespace brellow {

using namespace oru;

namespace {

// The window's item sets, listed here and not taken from the game, so that a set the game's own
// list leaves out is caught.
struct NamedSet {
  const char* name;
  ItemSet GameWindow::*set;
};
constexpr NamedSet kEverySet[] = {
    {"crab", &GameWindow::crab},
    {"monkeys", &GameWindow::monkeys},
    {"octopuses", &GameWindow::octopuses},
    {"boss", &GameWindow::boss},
    {"normalShots", &GameWindow::normalShots},
    {"switchShots", &GameWindow::switchShots},
    {"chargeShots", &GameWindow::chargeShots},
    {"goodPersimmons", &GameWindow::goodPersimmons},
    {"badPersimmons", &GameWindow::badPersimmons},
    {"ink", &GameWindow::ink},
    {"mortars", &GameWindow::mortars},
    {"mortarPickups", &GameWindow::mortarPickups},
    {"foreground1", &GameWindow::foreground1},
    {"foreground2", &GameWindow::foreground2},
    {"explosions", &GameWindow::explosions},
};

class LeavingPlayTest : public GameFixture {
 protected:
  int LiveItems() {
    int live = 0;
    for (const NamedSet& s : kEverySet) live += ((*game).*s.set).CountAlive();
    return live;
  }
  // One frame; after a change into Title, GameOver or GameClear every set must be empty, and
  // the change is noted with the items that were alive just before it.
  void StepAndCheck() {
    const GameState before = game->gameState;
    const int liveBefore = LiveItems();
    now += 30;
    Step();
    const GameState after = game->gameState;
    if (after == before || (after != GameState::Title && after != GameState::GameOver &&
                            after != GameState::GameClear)) {
      return;
    }
    changes.push_back(after);
    liveBeforeChange.push_back(liveBefore);
    for (const NamedSet& s : kEverySet) {
      EXPECT_EQ(((*game).*s.set).CountAlive(), 0) << s.name << " after the change into " << after;
    }
  }
  // Back from a finished game to the title with the start key.
  void BackToTitle() {
    SetKeyState(kKeyC, true);
    StepAndCheck();
    SetKeyState(kKeyC, false);
  }

  std::vector<GameState> changes;
  std::vector<int> liveBeforeChange;
};

TEST_F(LeavingPlayTest, AWonGameLeavesNoItemAlive) {
  RunBot bot;
  for (int frame = 0; frame < 8000 && game->gameState != GameState::GameClear; ++frame) {
    bot.Act(*game);
    StepAndCheck();
  }
  bot.Release();
  BackToTitle();
  ASSERT_EQ(changes, (std::vector<GameState>{GameState::GameClear, GameState::Title}));
  EXPECT_GT(liveBeforeChange[0], 1) << "the boss fight ended with more than the crab on the field";
}

TEST_F(LeavingPlayTest, ALostGameLeavesNoItemAlive) {
  struct Case {
    const char* name;
    std::function<void()> start;  // into the fight, with a few frames of shooting
    ItemSet GameWindow::*hazard;  // placed on the crab to end the game
  };
  const Case cases[] = {
      {"in play", [this] { StartPlay(); }, &GameWindow::monkeys},
      {"in the boss fight", [this] { StartBossFight(0); }, &GameWindow::badPersimmons},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    changes.clear();
    liveBeforeChange.clear();
    c.start();
    SetKeyState(kKeyFire, true);
    StepSafely(20);
    SetKeyState(kKeyFire, false);
    Place((*game).*c.hazard, game->crab.GetX(0) + 3, game->crab.GetY(0));
    StepAndCheck();
    BackToTitle();
    ASSERT_EQ(changes, (std::vector<GameState>{GameState::GameOver, GameState::Title}));
    EXPECT_GT(liveBeforeChange[0], 2) << "shots, the crab and the hazard were on the field";
  }
}

TEST_F(LeavingPlayTest, AReplayRunningOutInPlayLeavesNoItemAlive) {
  struct Case {
    const char* name;
    bool pausedAtTheEnd;
    GameState endState;
  };
  const Case cases[] = {
      {"in play", false, GameState::Play},
      {"paused", true, GameState::PlayPaused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const std::string path = oru::test::UniqueTempPath("brellow_leaving_play", ".run");
    {
      RunRecorder recorder;
      ASSERT_TRUE(recorder.Open(path.c_str(), game->AssetDigest()));
      game->SetRecorder(&recorder);
      RunBot bot;
      for (int frame = 0; frame < 200; ++frame) {
        bot.Act(*game);
        StepAndCheck();
      }
      bot.Release();
      if (c.pausedAtTheEnd) {
        SetKeyState(kKeyV, true);
        StepAndCheck();
        SetKeyState(kKeyV, false);
        StepAndCheck();
      }
      game->SetRecorder(nullptr);
      ASSERT_TRUE(recorder.Close());
      ASSERT_EQ(game->gameState, c.endState) << "where the recording ends";
    }
    TearDown();
    SetUp();
    changes.clear();
    liveBeforeChange.clear();
    RunReplay replay;
    ASSERT_TRUE(replay.Load(path.c_str(), game->AssetDigest()));
    game->SetReplay(&replay);
    while (replay.FramesPlayed() < replay.Frames()) StepAndCheck();
    ASSERT_EQ(game->gameState, c.endState);
    StepAndCheck();  // the replay has run out: back to the title
    game->SetReplay(nullptr);
    EXPECT_EQ(changes, (std::vector<GameState>{GameState::Title}));
    EXPECT_GT(liveBeforeChange.back(), 1) << "the crab and the foreground were on the field";
    std::remove(path.c_str());
  }
}

}  // namespace
}  // namespace brellow
