// What each kind of hit does, through whole frames: items are placed where the collision passes
// find them, then one frame runs.
#include "tests/game/game_fixture.h"

namespace brellow {

using namespace oru;

namespace {

using CollisionsTest = GameFixture;

constexpr int kEnemyX = 400;
constexpr int kEnemyY = 100;

TEST_F(CollisionsTest, AMonkeyTakesThreeNormalShotsEachUsedUpOnContact) {
  StartPlay();
  StepSafely(1);
  Item* monkey = Place(game->monkeys, kEnemyX, kEnemyY);
  monkey->SetLife(3);
  for (int shot = 1; shot <= 3; ++shot) {
    SCOPED_TRACE(shot);
    const int explosions = game->explosions.CountAlive();
    Item* chestnut = Place(game->normalShots, kEnemyX + 5, kEnemyY + 5);
    Step();
    EXPECT_FALSE(chestnut->IsVisible());
    EXPECT_EQ(monkey->GetLife(), 3 - shot);
    EXPECT_EQ(monkey->IsVisible() != 0, shot < 3);
    EXPECT_EQ(game->scoreDisplay.GetValue(), shot < 3 ? 0 : 1);
    EXPECT_EQ(game->explosions.CountAlive(), explosions + (shot < 3 ? 0 : 1));
  }
}

TEST_F(CollisionsTest, ShotsPassThroughTheEnemyKindTheyDoNotHurt) {
  StartPlay();
  StepSafely(1);
  Item* octopus = Place(game->octopuses, kEnemyX, kEnemyY);
  octopus->SetLife(1);
  octopus->SetCountdown(1000);
  Item* monkey = Place(game->monkeys, kEnemyX, kEnemyY + 200);
  monkey->SetLife(3);
  Item* normal = Place(game->normalShots, kEnemyX + 5, kEnemyY + 5);
  Item* switched = Place(game->switchShots, kEnemyX + 5, kEnemyY + 205);
  Step(3);
  EXPECT_TRUE(octopus->IsVisible());
  EXPECT_TRUE(monkey->IsVisible());
  EXPECT_EQ(monkey->GetLife(), 3);
  EXPECT_TRUE(normal->IsVisible());
  EXPECT_TRUE(switched->IsVisible());
  EXPECT_EQ(game->scoreDisplay.GetValue(), 0);
  // The matching kind: a switch shot takes the octopus's only life point.
  Item* onOctopus = Place(game->switchShots, kEnemyX + 5, kEnemyY + 5);
  Step();
  EXPECT_FALSE(octopus->IsVisible());
  EXPECT_FALSE(onOctopus->IsVisible());
  EXPECT_EQ(game->scoreDisplay.GetValue(), 1);
}

TEST_F(CollisionsTest, AChargeShotDestroysSeveralEnemiesAndFliesOn) {
  StartPlay();
  StepSafely(1);
  Item* monkey = Place(game->monkeys, kEnemyX, kEnemyY);
  monkey->SetLife(3);
  Item* octopus = Place(game->octopuses, kEnemyX, kEnemyY + 10);
  octopus->SetLife(1);
  octopus->SetCountdown(1000);
  Item* shot = Place(game->chargeShots, kEnemyX + 10, kEnemyY + 20);
  Step();
  EXPECT_FALSE(octopus->IsVisible());
  EXPECT_TRUE(monkey->IsVisible());
  Step(2);
  EXPECT_FALSE(monkey->IsVisible());
  EXPECT_TRUE(shot->IsVisible());
  EXPECT_EQ(game->scoreDisplay.GetValue(), 2);
}

TEST_F(CollisionsTest, TheCrabsFirstHitInPlayEndsTheGame) {
  struct Case {
    const char* what;
    ItemSet GameWindow::*set;
  };
  for (const Case& c : {Case{"monkey", &GameWindow::monkeys},
                        Case{"octopus", &GameWindow::octopuses}, Case{"ink", &GameWindow::ink}}) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    StartPlay();
    StepSafely(10);
    Item* hazard = Place((*game).*c.set, game->crab.GetX(0) + 20, game->crab.GetY(0) + 20);
    hazard->SetCountdown(1000);
    Step();
    EXPECT_EQ(game->gameState, GameState::GameOver);
    // Leaving Play clears the field.
    EXPECT_EQ(((*game).*c.set).CountAlive(), 0);
    EXPECT_EQ(game->crab.CountAlive(), 0);
    EXPECT_FALSE(game->scoreDisplay.IsVisible());
  }
}

TEST_F(CollisionsTest, BossFightHitsCostLivesThenInvincibilityThenTheGame) {
  StartBossFight(20);
  ASSERT_EQ(game->lifeMeter.GetValue(), 2);
  StepSafely(1);
  Item* crab = game->crab.Find(0);
  // Two hazards in one frame cost a life each: invincibility starts with the next frame.
  Place(game->ink, crab->X() + 10, crab->Y() + 10);
  Place(game->badPersimmons, crab->X() + 10, crab->Y());  // falls 5 before the test
  Step();
  ASSERT_EQ(game->gameState, GameState::BossFight);
  EXPECT_EQ(game->lifeMeter.GetValue(), 0);
  EXPECT_EQ(game->invincibleUntil, GameFixture::now + 1000);
  // While invincible, hazards are not tested at all, and the crab blinks on even frames.
  int frames[4];
  for (int& f : frames) {
    Step();
    f = game->crab.GetFrame(0);
  }
  EXPECT_EQ(game->gameState, GameState::BossFight);
  EXPECT_NE(frames[0] + frames[1] + frames[2] + frames[3], 0);
  EXPECT_TRUE(frames[0] != frames[2] || frames[1] != frames[3]);
  // One second later on the game's clock, the next hit with no life left ends the game.
  GameFixture::now += 1000;
  ClearHazards();
  Step();
  EXPECT_EQ(game->invincibleUntil, 0u);
  Step();
  EXPECT_EQ(game->crab.GetFrame(0), 0);
  crab = game->crab.Find(0);
  Place(game->ink, crab->X() + 10, crab->Y() + 10);
  Step();
  EXPECT_EQ(game->gameState, GameState::GameOver);
  EXPECT_EQ(game->boss.CountAlive(), 0);
  EXPECT_FALSE(game->lifeMeter.IsVisible());
}

TEST_F(CollisionsTest, APersimmonCaughtAtTenLivesStillScores) {
  struct Case {
    int score;
    int livesAfter;
  };
  for (const Case& c : {Case{50, 6}, Case{100, 10}}) {
    SCOPED_TRACE(c.score);
    TearDown();
    SetUp();
    StartBossFight(c.score);
    StepSafely(1);
    Item* crab = game->crab.Find(0);
    // Persimmons fall 5 pixels before the crab is tested against them.
    Place(game->goodPersimmons, crab->X() + 5, crab->Y());
    Step();
    EXPECT_EQ(game->goodPersimmons.CountAlive(), 0);
    EXPECT_EQ(game->lifeMeter.GetValue(), c.livesAfter);
    EXPECT_EQ(game->scoreDisplay.GetValue(), c.score + 1);
  }
}

class BossHitTest : public GameFixture {
 protected:
  void SetUp() override {
    GameFixture::SetUp();
    StartBossFight(0);
    // Keep the crab clear of everything for the whole test.
    game->invincibleUntil = GameFixture::now + 1;
    StepSafely(1);
    boss = game->boss.Find(0);
    ASSERT_NE(boss, nullptr);
    // Well inside the field, where shots reach its hit box.
    boss->SetPosition(100, 190);
  }
  // A point inside the boss's hit box (240..499 by 0..309 from its corner) after its next drift.
  int HitX() const { return boss->X() - 4 + 300; }
  int HitY() const { return boss->Y() + 150; }

  Item* boss = nullptr;
};

TEST_F(BossHitTest, ChargeShotsShareTheBossArmour) {
  Place(game->chargeShots, HitX(), HitY());
  StepSafely(9);
  EXPECT_EQ(boss->GetLife(), 100);
  EXPECT_EQ(boss->GetArmour(), 1);
  const int explosions = game->explosions.CountAlive();
  StepSafely(1);
  EXPECT_EQ(boss->GetLife(), 99);
  EXPECT_EQ(boss->GetArmour(), 10);
  EXPECT_EQ(game->explosions.CountAlive(), explosions + 1);
  // A second resting shot doubles the wear: ten more shot-frames in five frames.
  Item* second = Place(game->chargeShots, HitX(), HitY() + 20);
  StepSafely(4);
  EXPECT_EQ(boss->GetLife(), 99);
  StepSafely(1);
  EXPECT_EQ(boss->GetLife(), 98);
  EXPECT_TRUE(second->IsVisible());
  EXPECT_EQ(game->scoreDisplay.GetValue(), 0);
}

TEST_F(BossHitTest, NormalShotsOnlyPushTheBossBack) {
  const int x = boss->X();
  Item* shot = Place(game->normalShots, HitX(), HitY());
  StepSafely(1);
  EXPECT_FALSE(shot->IsVisible());
  EXPECT_EQ(boss->X(), x - 4 + 15);
  EXPECT_EQ(boss->GetLife(), 100);
  EXPECT_EQ(game->scoreDisplay.GetValue(), 0);
}

TEST_F(BossHitTest, TheLastLifePointScoresAndTheNextFrameIsGameClear) {
  boss->SetLife(2);
  Item* shot = Place(game->switchShots, HitX(), HitY());
  const int explosions = game->explosions.CountAlive();
  StepSafely(1);
  EXPECT_FALSE(shot->IsVisible());
  EXPECT_EQ(boss->GetLife(), 1);
  EXPECT_EQ(game->explosions.CountAlive(), explosions + 1);
  EXPECT_EQ(game->scoreDisplay.GetValue(), 0);
  Place(game->switchShots, HitX(), HitY());
  StepSafely(1);
  EXPECT_FALSE(boss->IsVisible());
  EXPECT_EQ(game->scoreDisplay.GetValue(), 100);
  EXPECT_EQ(game->gameState, GameState::BossFight);
  Step();
  EXPECT_EQ(game->gameState, GameState::GameClear);
  EXPECT_TRUE(game->gameClearPicture.IsVisible());
  EXPECT_FALSE(game->chargeMeter.IsVisible());
  Tap(kKeyC);
  EXPECT_EQ(game->gameState, GameState::Title);
}

}  // namespace
}  // namespace brellow
