// What happens at the edges of a frame: keys that arrive between the pad's poll and the rules'
// read, a death on the frame of a timed event, and gauges that must not show the last game's or
// the last frame's colours.
#include <functional>

#include "tests/game/game_fixture.h"
#include "tests/support/surface_pixels.h"

namespace brellow {

using namespace oru;

namespace {

class FrameEdgesTest : public GameFixture {
 protected:
  void Restart() {
    TearDown();
    SetUp();
  }
  // One frame in which vk goes down after the poll but before the rules read the pad, then
  // frames more with the key held (or, for a tap, up again before the next poll) and two with
  // it up.
  void KeyBetweenPollAndRules(int vk, bool tap, int frames) {
    game->PollInput();
    SetKeyState(vk, true);
    game->UpdateState();
    if (tap) SetKeyState(vk, false);
    StepSafely(frames);
    SetKeyState(vk, false);
    StepSafely(2);
  }
  // The crab runs into a monkey on the next frame.
  void PlaceMonkeyOnCrab() { Place(game->monkeys, game->crab.GetX(0) + 3, game->crab.GetY(0)); }
};

TEST_F(FrameEdgesTest, AKeyArrivingBetweenPollAndRulesActsExactlyOnce) {
  struct Case {
    const char* name;
    bool gameOver;  // start on the game-over screen instead of in play
    int key;
    bool tap;
    std::function<void(GameWindow&)> check;
  };
  const Case cases[] = {
      {"pause stays paused", false, kKeyV, false,
       [](GameWindow& g) { EXPECT_EQ(g.gameState, GameState::PlayPaused); }},
      {"switch switches once", false, kKeySwitch, false,
       [](GameWindow& g) { EXPECT_TRUE(g.fireIndicator.IsVisible()); }},
      {"fire fires one chestnut", false, kKeyFire, false,
       [](GameWindow& g) { EXPECT_EQ(g.normalShots.CountAlive(), 1); }},
      {"C on game over goes to the title only", true, kKeyC, false,
       [](GameWindow& g) { EXPECT_EQ(g.gameState, GameState::Title); }},
      {"a short tap of fire fires one chestnut", false, kKeyFire, true,
       [](GameWindow& g) { EXPECT_EQ(g.normalShots.CountAlive(), 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    StartPlay();
    StepSafely(3);
    if (c.gameOver) game->ChangeState(GameState::GameOver);
    KeyBetweenPollAndRules(c.key, c.tap, 2);
    c.check(*game);
  }
}

TEST_F(FrameEdgesTest, ADeathOnTheFrameOfATempoChangeLeavesTheGameOverTuneAlone) {
  for (const int frame : {1800, 900, 360}) {
    SCOPED_TRACE(frame);
    Restart();
    StartPlay();
    StepSafely(2);
    game->frameCounter = frame + 1;  // this frame counts down to it
    PlaceMonkeyOnCrab();
    Step();
    ASSERT_EQ(game->gameState, GameState::GameOver);
    EXPECT_EQ(game->music.TempoOffset(), 0);
  }
}

TEST_F(FrameEdgesTest, ANewGameStartsWithAClearClockAndGauge) {
  StartPlay();
  StepSafely(2);
  game->frameCounter = 1801;
  StepSafely(1);  // the clock turns green
  SetKeyState(kKeyFire, true);
  StepSafely(50);  // the gauge is a third full: the second cell and its colours
  ASSERT_EQ(game->chargeMeter.FrameOffset(), 1);
  PlaceMonkeyOnCrab();
  Step();
  SetKeyState(kKeyFire, false);
  ASSERT_EQ(game->gameState, GameState::GameOver);
  Tap(kKeyC);
  Step();
  Tap(kKeyC);
  ASSERT_EQ(game->gameState, GameState::Play);
  // What the first frame of the new game shows: the needle at the top in red, an empty gauge.
  Meter& clock = game->timeMeter;
  EXPECT_EQ(clock.GetValue(), 0);
  EXPECT_EQ(BoxOf(clock, IndexOf(clock, 0x00FF00)).right, 0) << "last game's green needle";
  const Rect needle = BoxOf(clock, IndexOf(clock, 0xFF0000));
  EXPECT_LE(needle.top, 1);
  EXPECT_GE(needle.left, 48);
  EXPECT_LE(needle.right, 52);
  Meter& gauge = game->chargeMeter;
  EXPECT_EQ(gauge.GetValue(), 0);
  EXPECT_EQ(gauge.FrameOffset(), 0);
  ExpectRect(BoxOf(gauge, IndexOf(gauge, 0x000000)), Rect{0, 0, gauge.Width(), gauge.Height()});
}

TEST_F(FrameEdgesTest, TheChargeGaugeShowsItsColoursOnTheFrameTheyChange) {
  StartPlay();
  SetKeyState(kKeyFire, true);
  // The tap frame, then 43 held frames: 86 of 255, the first frame of the second third.
  StepSafely(44);
  Meter& gauge = game->chargeMeter;
  ASSERT_EQ(gauge.GetValue(), 86);
  ASSERT_EQ(gauge.FrameOffset(), 1);
  const int filled = gauge.Width() * 86 / 255;
  ExpectRect(BoxOf(gauge, IndexOf(gauge, 0xFF00FF)), Rect{0, 0, filled, gauge.Height()}, "bar");
  ExpectRect(BoxOf(gauge, IndexOf(gauge, 0x0080FF)), Rect{filled, 0, gauge.Width(), gauge.Height()},
             "background");
  // Released: the empty gauge is painted in the first cell's background at once.
  SetKeyState(kKeyFire, false);
  StepSafely(1);
  ExpectRect(BoxOf(gauge, IndexOf(gauge, 0x000000)), Rect{0, 0, gauge.Width(), gauge.Height()},
             "released");
}

}  // namespace
}  // namespace brellow
