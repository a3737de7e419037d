// The game's states and per-frame rules, played frame by frame against the generated assets.
#include <vector>

#include "tests/game/game_fixture.h"

namespace brellow {

using namespace oru;

namespace {

using RulesTest = GameFixture;

int Enemies(GameWindow& game) { return game.monkeys.CountAlive() + game.octopuses.CountAlive(); }

TEST_F(RulesTest, TitleScrollClimbsAndWrapsOnceItsBottomPassesTheTop) {
  const int height = game->titleScroll.FrameHeight();
  ASSERT_GT(height, 0);
  ASSERT_EQ(game->titleScroll.Y(), 480);
  Step();
  EXPECT_EQ(game->titleScroll.Y(), 479);
  // Bottom edge exactly at the top of the field: still climbing.
  Step(479 + height);
  EXPECT_EQ(game->titleScroll.Y(), -height);
  Step();
  EXPECT_EQ(game->titleScroll.Y(), 480);
}

TEST_F(RulesTest, TitleShowsOnlyItsPicturesAndTheMusicIsSilent) {
  Step(3);
  EXPECT_TRUE(game->titleBack.IsVisible());
  EXPECT_TRUE(game->titleScroll.IsVisible());
  EXPECT_FALSE(game->scoreDisplay.IsVisible());
  EXPECT_FALSE(game->music.IsPlaying());
  StartPlay();
  EXPECT_FALSE(game->titleBack.IsVisible());
  EXPECT_TRUE(game->scoreDisplay.IsVisible());
  EXPECT_TRUE(game->timeMeter.IsVisible());
  EXPECT_TRUE(game->clockFace.IsVisible());
  EXPECT_TRUE(game->music.IsPlaying());
  EXPECT_EQ(game->music.TempoOffset(), 16);
  EXPECT_EQ(game->crab.CountAlive(), 1);
  EXPECT_EQ(game->crab.GetX(0), 0);
  EXPECT_EQ(game->crab.GetY(0), 240);
}

TEST_F(RulesTest, PlayCountsDownEnemiesEnterEveryTwentyFramesAndTheBossComesOnFrame3600) {
  StartPlay();
  Step();
  EXPECT_EQ(game->frameCounter, 3599);
  // Enemies enter only on frames where the countdown is a multiple of 20.
  std::vector<int> entries;
  for (int frame = 2; frame <= 100; ++frame) {
    const int before = Enemies(*game);
    Step();
    const int after = Enemies(*game);
    EXPECT_LE(after - before, 1);
    if (after > before) entries.push_back(game->frameCounter);
  }
  EXPECT_EQ(entries, (std::vector<int>{3580, 3560, 3540, 3520, 3500}));
  // Play out the clock with the field kept clear; the clock dial and the music follow it.
  ClearHazards();
  int monkeys = 0;
  int octopuses = 0;
  auto countEntries = [&](int stopAt) {
    while (game->frameCounter > stopAt) {
      Step();
      monkeys += game->monkeys.CountAlive();
      octopuses += game->octopuses.CountAlive();
      ClearHazards();
    }
  };
  countEntries(1801);
  EXPECT_EQ(game->music.TempoOffset(), 16);
  StepSafely(1);
  EXPECT_EQ(game->music.TempoOffset(), 32);
  EXPECT_EQ(game->timeMeter.GetValue(), 1800);
  countEntries(900);
  EXPECT_EQ(game->music.TempoOffset(), 64);
  countEntries(360);
  EXPECT_EQ(game->music.TempoOffset(), 128);
  countEntries(1);
  EXPECT_EQ(game->gameState, GameState::Play);
  // Both kinds come, in about equal numbers (173 entries from 3480 to 20, 1800 not counted).
  EXPECT_EQ(monkeys + octopuses, 173);
  EXPECT_GT(monkeys, 60);
  EXPECT_GT(octopuses, 60);
  StepSafely(1);  // the 3600th Play frame
  EXPECT_EQ(game->gameState, GameState::BossFight);
  EXPECT_EQ(game->boss.CountAlive(), 1);
  EXPECT_FALSE(game->timeMeter.IsVisible());
  EXPECT_EQ(game->music.TempoOffset(), 16);
}

TEST_F(RulesTest, ATapFiresOneShotAndDoesNotCharge) {
  StartPlay();
  Tap(kKeyFire);
  EXPECT_EQ(game->normalShots.CountAlive(), 1);
  EXPECT_EQ(game->chargeMeter.GetValue(), 0);
  // Spawned at crab + (40, 10), then one step of 8 in the same frame.
  EXPECT_EQ(game->normalShots.GetX(0), 48);
  EXPECT_EQ(game->normalShots.GetY(0), 250);
  Step();
  EXPECT_EQ(game->normalShots.CountAlive(), 1);
  EXPECT_EQ(game->normalShots.GetX(0), 56);
  EXPECT_EQ(game->chargeShots.CountAlive(), 0);
  // The second button switches the kind of chestnut a tap fires.
  Tap(kKeySwitch);
  EXPECT_TRUE(game->fireIndicator.IsVisible());
  Tap(kKeyFire);
  EXPECT_EQ(game->switchShots.CountAlive(), 1);
  EXPECT_EQ(game->normalShots.CountAlive(), 1);
}

TEST_F(RulesTest, HoldingChargesTheGaugeAndReleasesShotsAtTheThresholds) {
  struct Case {
    int heldFrames;  // frames held after the tap frame
    int gauge;
    int cell;
    int shots;
  };
  const Case cases[] = {
      {1, 2, 0, 0},    {42, 84, 0, 0},   {43, 86, 1, 1},   {84, 168, 1, 1},
      {85, 170, 2, 2}, {127, 254, 2, 2}, {128, 255, 2, 3}, {140, 255, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heldFrames);
    RestartAndHoldFire(c.heldFrames);
    EXPECT_EQ(game->chargeMeter.GetValue(), c.gauge);
    EXPECT_EQ(game->chargeMeter.FrameOffset(), c.cell);
    SetKeyState(kKeyFire, false);
    Step();
    EXPECT_EQ(game->chargeShots.CountAlive(), c.shots);
    EXPECT_EQ(game->chargeMeter.GetValue(), 0);
    EXPECT_EQ(game->chargeMeter.FrameOffset(), 0);
  }
}

TEST_F(RulesTest, ChargeShotsLeaveInRowsBesideTheCrab) {
  struct Case {
    int heldFrames;
    std::vector<int> ys;  // the crab's top edge is at 240
  };
  const Case cases[] = {{43, {250}}, {85, {235, 265}}, {128, {225, 250, 275}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heldFrames);
    RestartAndHoldFire(c.heldFrames);
    SetKeyState(kKeyFire, false);
    Step();
    ASSERT_EQ(game->chargeShots.CountAlive(), static_cast<int>(c.ys.size()));
    for (int i = 0; i < static_cast<int>(c.ys.size()); ++i) {
      // Spawned at crab x + 40, then one step of 8 in the same frame.
      EXPECT_EQ(game->chargeShots.GetX(i), 48);
      EXPECT_EQ(game->chargeShots.GetY(i), c.ys[static_cast<std::size_t>(i)]);
    }
  }
}

TEST_F(RulesTest, PauseFreezesEverythingButThePressingFrameStillActs) {
  StartPlay();
  StepSafely(5);
  Place(game->monkeys, 400, 100);
  game->monkeys.SetVelocity(0, -3, 0);
  SetKeyState(kKeyFire, true);
  SetKeyState(VK_RIGHT, true);
  SetKeyState(kKeyV, true);
  Step();
  SetKeyState(kKeyV, false);
  ASSERT_EQ(game->gameState, GameState::PlayPaused);
  EXPECT_EQ(game->normalShots.CountAlive(), 1);  // fired
  EXPECT_EQ(game->crab.GetX(0), 5);              // steered
  const int counter = game->frameCounter;
  const int monkeyX = game->monkeys.GetX(0);
  const int shotX = game->normalShots.GetX(0);
  const int tempo = game->music.TempoOffset();
  Step(50);
  EXPECT_EQ(game->gameState, GameState::PlayPaused);
  EXPECT_EQ(game->frameCounter, counter);
  EXPECT_EQ(game->monkeys.GetX(0), monkeyX);
  EXPECT_EQ(game->normalShots.GetX(0), shotX);
  EXPECT_EQ(game->crab.GetX(0), 5);
  EXPECT_EQ(Enemies(*game), 1);
  EXPECT_EQ(game->chargeMeter.GetValue(), 0);
  EXPECT_TRUE(game->music.IsPlaying());
  EXPECT_EQ(game->music.TempoOffset(), tempo);
  SetKeyState(kKeyFire, false);
  SetKeyState(VK_RIGHT, false);
  Tap(kKeyV);
  EXPECT_EQ(game->gameState, GameState::Play);
  Step();
  EXPECT_EQ(game->frameCounter, counter - 1);
  EXPECT_EQ(game->monkeys.GetX(0), monkeyX - 3);
}

TEST_F(RulesTest, BossFightPausesLikePlay) {
  StartBossFight(0);
  Step();
  Tap(kKeyV);
  ASSERT_EQ(game->gameState, GameState::BossPaused);
  const int bossX = game->boss.GetX(0);
  Step(20);
  EXPECT_EQ(game->boss.GetX(0), bossX);
  Tap(kKeyV);
  EXPECT_EQ(game->gameState, GameState::BossFight);
  EXPECT_EQ(game->boss.GetX(0), bossX);
  Step();
  EXPECT_EQ(game->boss.GetX(0), bossX - 4);
}

TEST_F(RulesTest, EnteringTheBossFightTurnsTheScoreIntoLives) {
  struct Case {
    int score;
    int lives;
  };
  for (const Case& c : {Case{0, 0}, Case{39, 3}, Case{100, 10}, Case{250, 10}}) {
    SCOPED_TRACE(c.score);
    TearDown();
    SetUp();
    StartBossFight(c.score);
    EXPECT_EQ(game->lifeMeter.GetValue(), c.lives);
    EXPECT_TRUE(game->lifeMeter.IsVisible());
    EXPECT_EQ(game->scoreDisplay.GetValue(), c.score);
    Item* boss = game->boss.Find(0);
    ASSERT_NE(boss, nullptr);
    EXPECT_EQ(boss->GetLife(), 100);
    EXPECT_EQ(boss->GetArmour(), 10);
    EXPECT_EQ(boss->X(), 640);
    EXPECT_EQ(boss->Y(), 190);
  }
}

TEST_F(RulesTest, TheBossDriftsLeftAndComesBackInAtTheRight) {
  StartBossFight(0);
  // The clock is held, so the crab stays invincible and the boss passes over it.
  game->invincibleUntil = GameFixture::now + 1;
  StepSafely(1);
  EXPECT_EQ(game->boss.GetX(0), 636);
  const int width = game->boss.Find(0)->FrameWidth();
  ASSERT_GT(width, 0);
  int previous = 636;
  for (int frame = 0; frame < 1000 && game->boss.GetX(0) <= previous; ++frame) {
    previous = game->boss.GetX(0);
    StepSafely(1);
  }
  EXPECT_EQ(game->boss.GetX(0), 640);
  EXPECT_LT(previous - 4 + width, 0);
  EXPECT_GE(previous + width, 0);
  EXPECT_EQ(game->gameState, GameState::BossFight);
}

TEST_F(RulesTest, PersimmonsFallEveryHundredFramesOfTheBossFight) {
  StartBossFight(0);
  game->invincibleUntil = GameFixture::now + 1;  // the held clock keeps the crab safe
  std::vector<int> falls;
  for (int frame = 1; frame <= 300; ++frame) {
    const int before = game->goodPersimmons.CountAlive() + game->badPersimmons.CountAlive();
    Step();
    game->ink.KillAll();
    const int after = game->goodPersimmons.CountAlive() + game->badPersimmons.CountAlive();
    if (after > before) falls.push_back(game->frameCounter);
  }
  EXPECT_EQ(falls, (std::vector<int>{100, 200, 300}));
}

TEST_F(RulesTest, EndScreensReturnToTheTitleAndANewGameStartsAfresh) {
  StartPlay();
  StepSafely(30);
  game->scoreDisplay.Add(7);
  Place(game->monkeys, game->crab.GetX(0) + 3, game->crab.GetY(0));
  Step();
  ASSERT_EQ(game->gameState, GameState::GameOver);
  EXPECT_TRUE(game->gameOverPicture.IsVisible());
  EXPECT_EQ(game->crab.CountAlive(), 0);
  EXPECT_EQ(game->music.TempoOffset(), 0);
  EXPECT_TRUE(game->music.IsPlaying());
  Step(5);
  EXPECT_EQ(game->gameState, GameState::GameOver);
  Tap(kKeyC);
  ASSERT_EQ(game->gameState, GameState::Title);
  EXPECT_FALSE(game->gameOverPicture.IsVisible());
  EXPECT_FALSE(game->music.IsPlaying());
  EXPECT_EQ(game->titleScroll.Y(), 480);
  Step();  // the key comes up
  Tap(kKeyC);
  ASSERT_EQ(game->gameState, GameState::Play);
  EXPECT_EQ(game->scoreDisplay.GetValue(), 0);
  EXPECT_EQ(game->frameCounter, 3600);
  Step();
  EXPECT_EQ(game->frameCounter, 3599);
}

TEST_F(RulesTest, TheMortarPickupComesOnlyAtThousandsAndWhenNoneIsAbout) {
  StartPlay();
  std::vector<int> arrivals;
  while (game->gameState == GameState::Play && game->frameCounter > 1) {
    const int before = game->mortarPickups.CountAlive();
    Step();
    for (ItemSet* set : {&game->monkeys, &game->octopuses, &game->ink}) set->KillAll();
    if (game->mortarPickups.CountAlive() > before) arrivals.push_back(game->frameCounter);
    game->crab.Find(0)->SetPosition(0, 440);  // below the pickup's row
  }
  EXPECT_EQ(arrivals, (std::vector<int>{3000, 2000, 1000}));
}

TEST_F(RulesTest, TheMortarLandsOnTheBottomEdgeAndTurnsEnemiesIntoExplosions) {
  StartPlay();
  StepSafely(1);
  // The pickup moves 7 to the left before the crab is tested against it.
  Place(game->mortarPickups, game->crab.GetX(0) + 7, game->crab.GetY(0));
  Step();
  ASSERT_EQ(game->mortarPickups.CountAlive(), 0);
  ASSERT_EQ(game->mortars.CountAlive(), 1);
  const int mortarHeight = game->mortars.Find(0)->FrameHeight();
  Place(game->monkeys, 500, 50);
  Place(game->octopuses, 500, 150)->SetCountdown(1000);
  Place(game->ink, 500, 100);
  const int explosionsBefore = game->explosions.CountAlive();
  int frames = 0;
  while (game->mortars.CountAlive() && frames < 100) {
    Step();
    ++frames;
  }
  EXPECT_LT(frames, 100);
  EXPECT_EQ(game->mortars.GetY(0), 480 - mortarHeight);
  EXPECT_EQ(game->monkeys.CountAlive(), 0);
  EXPECT_EQ(game->octopuses.CountAlive(), 0);
  EXPECT_EQ(game->ink.CountAlive(), 0);
  EXPECT_GE(game->explosions.CountAlive(), explosionsBefore + 3);
  EXPECT_EQ(game->scoreDisplay.GetValue(), 0);
}

TEST_F(RulesTest, AWholeGameFromTheTitleThroughTheBossToGameClear) {
  StartPlay();
  while (game->gameState == GameState::Play) StepSafely(1);
  ASSERT_EQ(game->gameState, GameState::BossFight);
  EXPECT_FALSE(game->fireIndicator.IsVisible());  // every fight starts with normal chestnuts
  Tap(kKeySwitch);
  ASSERT_TRUE(game->fireIndicator.IsVisible());
  // The crab stays invincible on the held clock; the boss is held where the shots reach it.
  game->invincibleUntil = GameFixture::now + 1;
  int frames = 0;
  while (game->gameState == GameState::BossFight && frames < 1000) {
    game->boss.Find(0)->SetPosition(-150, 100);
    SetKeyState(kKeyFire, frames % 2 == 0);
    StepSafely(1);
    ++frames;
  }
  SetKeyState(kKeyFire, false);
  EXPECT_EQ(game->gameState, GameState::GameClear);
  EXPECT_EQ(game->scoreDisplay.GetValue(), 100);
  EXPECT_GT(frames, 200);  // a hundred switch shots, one tap every other frame
  Step();
  Tap(kKeyC);
  EXPECT_EQ(game->gameState, GameState::Title);
}

TEST_F(RulesTest, TheGameIsReproducibleFromItsInputs) {
  auto play = [this] {
    StartPlay();
    SetKeyState(kKeyFire, true);
    std::vector<int> trace;
    for (int frame = 0; frame < 400 && game->gameState == GameState::Play; ++frame) {
      SetKeyState(VK_UP, frame % 50 < 25);
      SetKeyState(VK_DOWN, frame % 50 >= 25);
      Step();
      trace.push_back(Enemies(*game) * 1000 + game->ink.CountAlive() * 10 +
                      static_cast<int>(game->gameState));
    }
    trace.push_back(game->scoreDisplay.GetValue());
    return trace;
  };
  const std::vector<int> first = play();
  TearDown();
  SetUp();
  EXPECT_EQ(play(), first);
}

}  // namespace
}  // namespace brellow
