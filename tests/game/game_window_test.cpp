// The game window after its asset load, its pacing key, and its game thread racing paint
// requests and the full-screen switch.
#include <thread>
#include <vector>

#include "tests/game/game_fixture.h"

namespace brellow {

using namespace oru;

namespace {

using GameWindowAssetsTest = GameFixture;

TEST_F(GameWindowAssetsTest, TheSceneHoldsEveryLayerInDrawingOrderWithItsPools) {
  GameWindow& g = *game;
  struct Layer {
    const char* name;
    Surface* first;  // a single picture, or item 0 of a set
    int pool;        // items made at load; 0 for a single picture
    bool keyed;
  };
  auto item = [](ItemSet& set) -> Surface* { return set.Find(0); };
  const Layer layers[] = {
      {"titleBack", &g.titleBack, 0, false},
      {"titleScroll", &g.titleScroll, 0, true},
      {"titleTop", &g.titleTop, 0, true},
      {"titleBottom", &g.titleBottom, 0, true},
      {"foreground2", item(g.foreground2), 2, true},
      {"monkeys", item(g.monkeys), 20, true},
      {"octopuses", item(g.octopuses), 20, true},
      {"boss", item(g.boss), 1, true},
      {"normalShots", item(g.normalShots), 30, true},
      {"switchShots", item(g.switchShots), 30, true},
      {"chargeShots", item(g.chargeShots), 5, true},
      {"explosions", item(g.explosions), 30, true},
      {"badPersimmons", item(g.badPersimmons), 30, true},
      {"goodPersimmons", item(g.goodPersimmons), 10, true},
      {"ink", item(g.ink), 30, true},
      {"crab", item(g.crab), 1, true},
      {"mortars", item(g.mortars), 1, true},
      {"mortarPickups", item(g.mortarPickups), 1, true},
      {"foreground1", item(g.foreground1), 2, true},
      {"scoreDisplay", &g.scoreDisplay, 0, true},
      {"fireIndicator", &g.fireIndicator, 0, true},
      {"clockFace", &g.clockFace, 0, true},
      {"timeMeter", &g.timeMeter, 0, false},
      {"chargeMeter", &g.chargeMeter, 0, false},
      {"lifeMeter unit", &g.lifeMeter.UnitImage(), 0, true},
      {"lifeMeter", &g.lifeMeter, 0, false},
      {"gameOverPicture", &g.gameOverPicture, 0, false},
      {"gameClearPicture", &g.gameClearPicture, 0, false},
  };
  int expectedSlot = 0;
  for (const Layer& layer : layers) {
    SCOPED_TRACE(layer.name);
    ASSERT_NE(layer.first, nullptr);
    // Each set's items follow one another in the group, in the order they were made.
    EXPECT_EQ(g.scene.FindChild(layer.first), expectedSlot);
    EXPECT_GT(layer.first->Width(), 0);
    if (layer.keyed) {
      EXPECT_NE(layer.first->TransparentIndex(), -1);
    }
    expectedSlot += layer.pool ? layer.pool : 1;
  }
  EXPECT_EQ(g.scene.ChildAt(expectedSlot), nullptr);
  // The single pictures without a colour key, the backdrop among them.
  EXPECT_EQ(g.backdrop.TransparentIndex(), -1);
  EXPECT_EQ(g.titleBack.TransparentIndex(), -1);
  EXPECT_EQ(g.gameOverPicture.TransparentIndex(), -1);
  EXPECT_EQ(g.gameClearPicture.TransparentIndex(), -1);
  EXPECT_EQ(g.scene.FindChild(&g.backdrop), -1);

  const std::pair<ItemSet*, int> pools[] = {
      {&g.foreground2, 2},    {&g.monkeys, 20},        {&g.octopuses, 20},  {&g.boss, 1},
      {&g.normalShots, 30},   {&g.switchShots, 30},    {&g.chargeShots, 5}, {&g.explosions, 30},
      {&g.badPersimmons, 30}, {&g.goodPersimmons, 10}, {&g.ink, 30},        {&g.crab, 1},
      {&g.mortars, 1},        {&g.mortarPickups, 1},   {&g.foreground1, 2}};
  for (auto [set, size] : pools) {
    EXPECT_EQ(set->Count(), size);
    EXPECT_EQ(set->CountAlive(), 0);
  }
}

TEST_F(GameWindowAssetsTest, OnlyTheTitleShowsAfterLoadingAndTheMusicWaits) {
  int visible = 0;
  for (int i = 0; Surface* child = game->scene.ChildAt(i); ++i) visible += child->IsVisible();
  EXPECT_EQ(visible, 4);
  EXPECT_EQ(game->titleTop.Y(), -1);
  EXPECT_EQ(game->titleBottom.Y(), 410);
  EXPECT_EQ(game->gameState, GameState::Title);
  EXPECT_EQ(game->frameCounter, 3600);
  EXPECT_EQ(game->lifeMeter.GetValue(), 5);
  EXPECT_EQ(game->lifeMeter.GetMaximum(), 10);
  EXPECT_EQ(game->chargeMeter.GetMaximum(), 255);
  EXPECT_EQ(game->timeMeter.GetMaximum(), 3600);
  EXPECT_TRUE(game->music.HasSong());
  EXPECT_TRUE(game->music.Loop());
  EXPECT_FALSE(game->music.IsPlaying());
  EXPECT_GT(game->hitSound.DataBytes(), 0u);
  EXPECT_GT(game->crashSound.DataBytes(), 0u);
}

TEST_F(GameWindowAssetsTest, TheBossHitBoxIsItsOwnAndOtherItemsUseTheirFrame) {
  const BoundingBox& box = game->boss.Find(0)->hitBox;
  EXPECT_EQ(box.x0, 240);
  EXPECT_EQ(box.x1, 499);
  EXPECT_EQ(box.y0, 0);
  EXPECT_EQ(box.y1, 309);
  EXPECT_EQ(game->monkeys.Find(0)->FrameWidth(), 50);
  EXPECT_EQ(game->monkeys.Find(0)->FrameHeight(), 60);
  EXPECT_EQ(game->explosions.Find(0)->FrameWidth(), 96);
}

TEST_F(GameWindowAssetsTest, F3TogglesPacingAtTheNextFrame) {
  // The fixture's F3 took effect with the first frame.
  Step();
  EXPECT_FALSE(game->PacingEnabled());
  game->HandleMessage(nullptr, WM_KEYDOWN, VK_F3, 1);
  EXPECT_FALSE(game->PacingEnabled());  // the game thread's pacer is not touched from here
  game->HandleMessage(nullptr, WM_KEYDOWN, VK_F3, 1);
  game->HandleMessage(nullptr, WM_KEYDOWN, VK_F3, 1);
  Step();
  EXPECT_TRUE(game->PacingEnabled());
}

// With pacing on and the clock driven by the test: a frame that overran is followed by one that
// is simulated but not shown, and showing resumes once the overshoot is paid off.
TEST_F(GameWindowAssetsTest, AFrameAfterAnOverrunIsSimulatedButNotShown) {
  const SleepFunction previousSleep =
      SetSleepFunction([](std::uint32_t ms) { GameFixture::now += ms; });
  game->HandleMessage(nullptr, WM_KEYDOWN, VK_F3, 1);  // back on: the fixture turned it off
  auto shownStep = [this] {
    game->screen.RequestFullRedraw();
    const int y = game->titleScroll.Y();
    Step();
    EXPECT_EQ(game->titleScroll.Y(), y - 1);  // simulated either way
    return game->screen.fullRedraw == 0;
  };
  EXPECT_TRUE(shownStep());
  EXPECT_TRUE(game->PacingEnabled());
  GameFixture::now += 50;  // this frame's work takes 50 ms
  EXPECT_TRUE(shownStep());
  EXPECT_FALSE(shownStep());  // 20 ms late: not shown
  EXPECT_TRUE(shownStep());
  // A stall beyond half a second is forgotten instead of made up frame after frame.
  GameFixture::now += 2000;
  EXPECT_TRUE(shownStep());
  EXPECT_FALSE(shownStep());
  EXPECT_TRUE(shownStep());
  SetSleepFunction(previousSleep);
}

TEST_F(GameWindowAssetsTest, ACloseRequestStopsTheGameThreadInEveryState) {
  for (GameState state :
       {GameState::Title, GameState::Play, GameState::PlayPaused, GameState::BossFight}) {
    SCOPED_TRACE(state);
    TearDown();
    SetUp();
    if (state != GameState::Title) StartPlay();
    if (state == GameState::PlayPaused) Tap(kKeyV);
    if (state == GameState::BossFight) game->ChangeState(GameState::BossFight);
    ASSERT_EQ(game->gameState, state);
    ASSERT_TRUE(game->StartGameThread());
    // Escape posts this close request to the window (see the window's own tests).
    game->HandleMessage(nullptr, WM_CLOSE, 0, 0);
    EXPECT_FALSE(game->ThreadAlive());
  }
}

// The game thread runs flat out through title, play and pauses while this thread keeps asking
// for paints, pacing and full-screen switches. Built with ThreadSanitizer this shows that composing
// under frameLock leaves no race between the two.
TEST_F(GameWindowAssetsTest, PaintRequestsRaceTheGameThreadSafely) {
  ASSERT_TRUE(game->StartGameThread());
  std::vector<int> keys = {kKeyC, kKeyFire, VK_UP, kKeyV, kKeySwitch, VK_RIGHT};
  for (int round = 0; round < 200; ++round) {
    const int key = keys[static_cast<std::size_t>(round) % keys.size()];
    SetKeyState(key, true);
    game->HandleMessage(nullptr, WM_PAINT, 0, 0);
    if (round % 50 == 0) game->HandleMessage(nullptr, WM_KEYDOWN, VK_F4, 1);
    if (round % 20 == 0) game->HandleMessage(nullptr, WM_KEYDOWN, VK_F3, 1);
    std::this_thread::yield();
    SetKeyState(key, false);
    game->HandleMessage(nullptr, WM_MOUSEMOVE, 0, 0);
  }
  game->HandleMessage(nullptr, WM_CLOSE, 0, 0);
  EXPECT_FALSE(game->ThreadAlive());
  EXPECT_FALSE(ScreenSurface::IsFullScreen());
}

}  // namespace
}  // namespace brellow
