// The collision passes of Play and BossFight and what each kind of hit does.
#include "game/gmain.h"

namespace brellow {

using namespace oru;

namespace {

constexpr int kBossArmour = 10;
constexpr int kBossScore = 100;
constexpr std::uint32_t kInvincibleMs = 1000;

void Kill(Item* item) { item->SetVisible(0); }

}  // namespace

void GameWindow::Explode(const Item* at) { explosions.Spawn(at->X(), at->Y()); }

void GameWindow::CollidePlay() {
  normalShots.CollideWith(this, &monkeys, HitShotMonkey);
  switchShots.CollideWith(this, &octopuses, HitShotOctopus);
  chargeShots.CollideWith(this, &octopuses, HitChargeOctopus);
  chargeShots.CollideWith(this, &monkeys, HitChargeMonkey);
  crab.CollideWith(this, &monkeys, HitCrab);
  crab.CollideWith(this, &octopuses, HitCrab);
  crab.CollideWith(this, &ink, HitCrab);
  crab.CollideWith(this, &mortarPickups, HitMortarPickup);
}

void GameWindow::CollideBossFight(bool crabInvincible) {
  normalShots.CollideWith(this, &boss, HitKnockBack);
  switchShots.CollideWith(this, &boss, HitSwitchBoss);
  chargeShots.CollideWith(this, &boss, HitChargeBoss);
  crab.CollideWith(this, &goodPersimmons, HitPersimmon);
  // While invincible the crab is not tested against hazards at all.
  if (crabInvincible) return;
  crab.CollideWith(this, &boss, HitCrab);
  crab.CollideWith(this, &ink, HitCrab);
  crab.CollideWith(this, &badPersimmons, HitCrab);
}

void GameWindow::OnHit(Item* first, Item* second, int kind) {
  if (!first || !second) return;
  // Both kinds of boss hit: the hit sound, and once no life is left the score, a second sound
  // and the boss removed.
  const auto woundBoss = [&](int life) {
    hitSound.Play(0);
    if (life <= 0) {
      scoreDisplay.Add(kBossScore);
      hitSound.Play(0);
      Kill(second);
    }
    second->SetLife(life);
  };
  switch (kind) {
    case HitShotMonkey:
    case HitChargeMonkey:
    case HitShotOctopus:
    case HitChargeOctopus: {
      const int life = second->GetLife() - 1;
      second->SetLife(life);
      if (life <= 0) {
        Explode(second);
        scoreDisplay.Add(1);
        hitSound.Play(0);
        Kill(second);
      }
      // Normal and switch shots are used up; charge shots fly on.
      if (kind == HitShotMonkey || kind == HitShotOctopus) Kill(first);
      break;
    }
    case HitCrab:
      if (gameState == GameState::BossFight && lifeMeter.GetValue() != 0) {
        lifeMeter.SetValue(lifeMeter.GetValue() - 1);
        invincibleUntil = RulesClock() + kInvincibleMs;
        // 0 means "none"; a deadline that lands on it is moved by a millisecond.
        if (invincibleUntil == 0) invincibleUntil = 1;
      } else {
        ChangeState(GameState::GameOver);
      }
      break;
    case HitMortarPickup:
      mortars.Spawn(second->X(), second->Y());
      whistleSound.Play(0);
      Kill(second);
      break;
    case HitKnockBack:
      boss.MoveAll(15, 0, EdgeKill);
      Kill(first);
      break;
    case HitSwitchBoss:
      Explode(first);
      woundBoss(second->GetLife() - 1);
      Kill(first);
      break;
    case HitChargeBoss: {
      // Every charge shot resting on the boss wears the same armour count down; the boss loses
      // a life point once per ten shot-frames.
      int life = second->GetLife();
      int armour = second->GetArmour() - 1;
      if (armour <= 0) {
        --life;
        armour = kBossArmour;
        Explode(first);
      }
      woundBoss(life);
      second->SetArmour(armour);
      break;
    }
    case HitPersimmon:
      bleepSound.Play(0);
      lifeMeter.SetValue(lifeMeter.GetValue() + 1);
      scoreDisplay.Add(1);
      Kill(second);
      break;
    default:
      break;
  }
}

}  // namespace brellow
