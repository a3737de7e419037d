// The game's states, their enter and exit actions, and the per-frame rules of each state:
// steering, firing and charging, spawning, enemy fire, the mortar, the foreground strips and the
// timed tempo and colour changes.
#include <cstdint>

#include "game/gmain.h"

namespace brellow {

using namespace oru;

namespace {

constexpr int kChargeShotFrames = 3;
constexpr int kExplosionFrames = 16;
constexpr int kEnemyFrames = 4;
constexpr int kCrabFrames = 2;
constexpr int kShotSpeed = 8;
constexpr int kCrabStep = 5;
constexpr int kInkSpeed = 6;

}  // namespace

void GameWindow::ChangeState(GameState state) {
  ExitState(gameState);
  gameState = state;
  EnterState(state);
}

void GameWindow::ExitState(GameState state) {
  music.Stop();
  switch (state) {
    case GameState::Title:
      titleBack.SetVisible(0);
      titleTop.SetVisible(0);
      titleScroll.SetVisible(0);
      titleBottom.SetVisible(0);
      break;
    // A paused game is left only from outside the rules (a replay that ends while paused),
    // and leaves like the game it pauses.
    case GameState::BossFight:
    case GameState::BossPaused:
      lifeMeter.SetVisible(0);
      [[fallthrough]];
    case GameState::Play:
    case GameState::PlayPaused:
      for (const ItemSetRow& row : kItemSets) (this->*row.set).KillAll();
      scoreDisplay.SetVisible(0);
      timeMeter.SetVisible(0);
      clockFace.SetVisible(0);
      fireIndicator.SetVisible(0);
      chargeMeter.SetVisible(0);
      break;
    case GameState::GameOver:
      gameOverPicture.SetVisible(0);
      break;
    case GameState::GameClear:
      gameClearPicture.SetVisible(0);
      break;
    default:
      break;
  }
}

void GameWindow::EnterState(GameState state) {
  // The two foreground strips start spread over the field so it never begins empty.
  auto spreadForeground = [this] {
    foreground2.Spawn(0, 0);
    foreground2.Spawn(320, 0);
    foreground1.Spawn(240, 0);
    foreground1.Spawn(480, 0);
  };
  switch (state) {
    case GameState::Title:
      music.SetTempoOffset(0);
      titleScroll.SetPosition(0, 480);
      titleBack.SetVisible(1);
      titleTop.SetVisible(1);
      titleScroll.SetVisible(1);
      titleBottom.SetVisible(1);
      break;
    case GameState::Play:
      scoreDisplay.SetValue(0);
      ResetChargeGauge();
      frameCounter = kPlayFrames;
      // The first frame of a new game must not show the last game's needle.
      timeMeter.SetColours(0xFFFFFF, 0xFF0000, 1);
      timeMeter.SetValue(0);
      spreadForeground();
      scoreDisplay.SetVisible(1);
      timeMeter.SetVisible(1);
      chargeMeter.SetVisible(1);
      clockFace.SetVisible(1);
      crab.Spawn(0, 240);
      music.SetTempoOffset(16);
      music.Play();
      break;
    case GameState::GameOver:
      music.SetTempoOffset(0);
      gameOverPicture.SetVisible(1);
      music.Play();
      break;
    case GameState::GameClear:
      music.SetTempoOffset(0);
      gameClearPicture.SetVisible(1);
      music.Play();
      break;
    case GameState::BossFight: {
      lifeMeter.SetValue(scoreDisplay.GetValue() / 10);
      ResetChargeGauge();
      frameCounter = 0;
      lifeMeter.SetVisible(1);
      const int i = boss.Spawn(640, 190);
      if (Item* b = boss.Find(i)) {
        b->SetLife(100);
        b->SetCountdown(Random() % 50 + 30);
        b->SetArmour(10);
      }
      boss.SetVelocity(i, -(Random() % 3 + 2), 0);
      spreadForeground();
      scoreDisplay.SetVisible(1);
      chargeMeter.SetVisible(1);
      crab.Spawn(0, 240);
      music.SetTempoOffset(16);
      music.Play();
      invincibleUntil = 0;
      break;
    }
    default:
      break;
  }
}

void GameWindow::UpdateState() {
  switch (gameState) {
    case GameState::Title:
      UpdateTitle();
      break;
    case GameState::Play:
      UpdatePlay();
      break;
    case GameState::GameOver:
    case GameState::GameClear:
      if (PadPressed(PadButton3)) ChangeState(GameState::Title);
      break;
    case GameState::PlayPaused:
      // No enter or exit actions: the music plays on and the picture stays as it was.
      if (PadPressed(PadButton4)) gameState = GameState::Play;
      break;
    case GameState::BossFight:
      UpdateBossFight();
      break;
    case GameState::BossPaused:
      if (PadPressed(PadButton4)) gameState = GameState::BossFight;
      break;
    default:
      break;
  }
}

void GameWindow::UpdateTitle() {
  titleScroll.MoveBy(0, -1, 0);
  if (titleScroll.Y() + titleScroll.FrameHeight() < 0) titleScroll.SetPosition(0, 480);
  if (PadPressed(PadButton3)) ChangeState(GameState::Play);
}

// The gauge repaints on SetValue with the colours it has then, so colours and cell come first.
void GameWindow::ResetChargeGauge() {
  chargeMeter.SetFrameOffset(0);
  chargeMeter.SetColours(0, 0x0080FF, 0);
  chargeMeter.SetValue(0);
}

void GameWindow::FireControl() {
  const int cx = crab.GetX(0);
  const int cy = crab.GetY(0);
  const int m = chargeMeter.GetMaximum();
  if (PadPressed(PadButton1)) {
    // A tap fires the kind of chestnut the indicator shows; charging starts on the next frame.
    ItemSet& shots = fireIndicator.IsVisible() ? switchShots : normalShots;
    const int i = shots.Spawn(cx + 40, cy + 10);
    shots.SetVelocity(i, kShotSpeed, 0);
    return;
  }
  if (PadHeld(PadButton1)) {
    // Colours and cell are chosen for the new value before it is set, since setting it repaints.
    const int v = chargeMeter.GetValue() + 2 < m ? chargeMeter.GetValue() + 2 : m;
    // The visible 100-pixel window of the 300-pixel gauge follows the third that is filling.
    if (v >= m) {
      chargeMeter.SetFrameOffset(2);
      const std::uint32_t red = static_cast<std::uint32_t>(Random() % 255);
      const std::uint32_t green = static_cast<std::uint32_t>(Random() % 255);
      const std::uint32_t blue = static_cast<std::uint32_t>(Random() % 255);
      chargeMeter.SetColours(0x0000FF, red | green << 8 | blue << 16, 0);
    } else if (v >= (m / 3) * 2) {
      chargeMeter.SetFrameOffset(2);
      chargeMeter.SetColours(0xFF00FF, 0x0000FF, 0);
    } else if (v >= m / 3) {
      chargeMeter.SetFrameOffset(1);
      chargeMeter.SetColours(0x0080FF, 0xFF00FF, 0);
    } else {
      chargeMeter.SetFrameOffset(0);
      chargeMeter.SetColours(0, 0x0080FF, 0);
    }
    chargeMeter.SetValue(v);
    return;
  }
  // Released: a full gauge fires three chestnuts, two thirds two, one third one, less nothing.
  struct Volley {
    int count;
    int dy[3];  // from the crab's top edge
  };
  static constexpr Volley kVolleys[4] = {{0, {}}, {1, {10}}, {2, {-5, 25}}, {3, {-15, 10, 35}}};
  const int v = chargeMeter.GetValue();
  const Volley& volley = kVolleys[v >= m ? 3 : v >= (m / 3) * 2 ? 2 : v >= m / 3 ? 1 : 0];
  for (int k = 0; k < volley.count; ++k) {
    const int i = chargeShots.Spawn(cx + 40, cy + volley.dy[k]);
    chargeShots.SetVelocity(i, kShotSpeed, 0);
  }
  ResetChargeGauge();
}

void GameWindow::Steer() {
  if (PadPressed(PadButton2)) {
    bleepSound.Play(0);
    fireIndicator.SetVisible(!fireIndicator.IsVisible());
  }
  if (PadHeld(PadUp)) crab.MoveAll(0, -kCrabStep, EdgeClamp);
  if (PadHeld(PadDown)) crab.MoveAll(0, kCrabStep, EdgeClamp);
  if (PadHeld(PadRight)) crab.MoveAll(kCrabStep, 0, EdgeClamp);
  if (PadHeld(PadLeft)) crab.MoveAll(-kCrabStep, 0, EdgeClamp);
}

void GameWindow::Foreground() {
  foreground1.MoveAll(-2, 0, EdgeKill);
  foreground2.MoveAll(-1, 0, EdgeKill);
  // The draw is made only when a strip is missing.
  if (foreground1.CountAlive() < 2 && Random() % 100 == 0) foreground1.Spawn(640, 0);
  if (foreground2.CountAlive() < 2 && Random() % 100 == 0) foreground2.Spawn(640, 0);
}

void GameWindow::EnemyFire() {
  if (gameState == GameState::BossFight) {
    Item* b = boss.NextReady();
    if (!b) return;
    b->SetCountdown(Random() % 50 + 30);
    const int bx = b->X() + 178;
    const int by = b->Y() + 140;
    for (const int vy : {0, -3, 3}) {
      const int i = ink.Spawn(bx, by);
      ink.SetVelocity(i, -kInkSpeed, vy);
    }
    return;
  }
  Item* o = octopuses.NextReady();
  if (!o) return;
  o->SetCountdown(Random() % 50 + 30);
  const int i = ink.Spawn(o->X(), o->Y() + 18);
  ink.SetVelocity(i, -kInkSpeed, 0);
}

void GameWindow::UpdatePlay() {
  if (--frameCounter == 0) {
    ChangeState(GameState::BossFight);
    return;
  }
  FireControl();
  Steer();
  if (frameCounter % 10 == 0) {
    monkeys.Animate(kEnemyFrames, AnimLoop);
    octopuses.Animate(kEnemyFrames, AnimLoop);
  }
  if (PadPressed(PadButton4)) {
    // The pressing frame has fired and steered; everything else waits for the unpause.
    gameState = GameState::PlayPaused;
    return;
  }
  if (frameCounter % 2 == 0) {
    explosions.Animate(kExplosionFrames, AnimOnce);
    chargeShots.Animate(kChargeShotFrames, AnimLoop);
  }
  if (frameCounter % 20 == 0) {
    if (Random() % 2 == 0) {
      const int i = monkeys.Spawn(640, Random() % 420);
      if (Item* monkey = monkeys.Find(i)) monkey->SetLife(3);
      monkeys.SetVelocity(i, -(Random() % 3 + 2), 0);
    } else {
      const int i = octopuses.Spawn(640, Random() % 440);
      Item* octopus = octopuses.Find(i);
      if (octopus) octopus->SetLife(1);
      const int countdown = Random() % 50 + 30;
      if (octopus) octopus->SetCountdown(countdown);
      octopuses.SetVelocity(i, -(Random() % 3 + 2), 0);
    }
  }
  EnemyFire();
  if (frameCounter % 1000 == 0 && mortarPickups.CountAlive() == 0 && mortars.CountAlive() == 0) {
    mortarPickups.Spawn(640, 0);
  }
  mortarPickups.MoveAll(-7, 0, EdgeKill);
  mortars.MoveAll(0, 12, EdgeClamp);
  // The mortar lands when it rests on the bottom edge (the clamp keeps it there).
  if (mortars.CountAlive() > 0) {
    Item* mortar = mortars.Find(0);
    if (mortar && mortar->Y() + mortar->FrameHeight() >= kFieldHeight) {
      crashSound.Play(0);
      mortars.KillAll();
      monkeys.ConvertAll(&explosions);
      octopuses.ConvertAll(&explosions);
      ink.ConvertAll(&explosions);
    }
  }
  Foreground();
  for (const ItemSetRow& row : kItemSets) {
    if (row.stepsInPlay) (this->*row.set).StepAll(EdgeKill);
  }
  CollidePlay();
  // A hit on this frame may have ended the game; the timed events belong to Play alone, or the
  // game-over tune would keep the new tempo.
  if (gameState != GameState::Play) return;
  // The clock and the music speed up as time runs out.
  switch (frameCounter) {
    case 1800:
      timeMeter.SetColours(0xFFFFFF, 0x00FF00, 1);
      music.SetTempoOffset(32);
      break;
    case 900:
      timeMeter.SetColours(0xFFFFFF, 0x00FFFF, 1);
      music.SetTempoOffset(64);
      break;
    case 360:
      timeMeter.SetColours(0xFFFFFF, 0x0000FF, 1);
      music.SetTempoOffset(128);
      break;
    default:
      break;
  }
  timeMeter.SetValue(kPlayFrames - frameCounter);
}

bool GameWindow::CrabInvincible() {
  if (invincibleUntil == 0) return false;
  // Wrap-safe: the clock wraps at 2^32 ms, so compare by the signed difference.
  if (static_cast<std::int32_t>(invincibleUntil - RulesClock()) > 0) return true;
  invincibleUntil = 0;
  return false;
}

void GameWindow::UpdateBossFight() {
  ++frameCounter;
  if (boss.CountAlive() == 0) {
    ChangeState(GameState::GameClear);
    return;
  }
  const bool invincible = CrabInvincible();
  FireControl();
  Steer();
  if (PadPressed(PadButton4)) {
    gameState = GameState::BossPaused;
    return;
  }
  if (frameCounter % 2 == 0) {
    explosions.Animate(kExplosionFrames, AnimOnce);
    chargeShots.Animate(kChargeShotFrames, AnimLoop);
    // An invincible crab blinks between its two frames.
    if (invincible) {
      crab.Animate(kCrabFrames, AnimLoop);
    } else {
      crab.SetFrame(0, 0);
    }
  }
  EnemyFire();
  if (frameCounter % 100 == 0) {
    ItemSet& persimmons = Random() % 2 == 0 ? goodPersimmons : badPersimmons;
    persimmons.Spawn(Random() % 600, -30);
  }
  goodPersimmons.MoveAll(0, 5, EdgeKill);
  badPersimmons.MoveAll(0, 5, EdgeKill);
  Foreground();
  for (const ItemSetRow& row : kItemSets) {
    if (row.stepsInBossFight) (this->*row.set).StepAll(EdgeKill);
  }
  // The boss is moved only here, never by its velocity: it drifts left and comes back in.
  boss.MoveAll(-4, 0, EdgeWrap);
  CollideBossFight(invincible);
}

}  // namespace brellow
