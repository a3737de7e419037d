// A player for tests: it looks at the game (as a player looks at the screen) and presses keys,
// to play whole games that tests can record and replay. It dodges by planning the crab's row a
// second ahead against where every hazard will be, shoots whatever is in its row with the right
// kind of chestnut, fetches the mortar, and in the boss fight keeps to rows where its switch
// shots reach the boss.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "game/gmain.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"

namespace brellow {

class RunBot {
 public:
  // Sets the keys for the next frame of game.
  void Act(GameWindow& game) {
    ++frame_;
    Release();
    switch (game.gameState) {
      case GameState::Title:
        if (frame_ % 2 == 0) Press('C');
        break;
      case GameState::Play:
      case GameState::BossFight:
        Fight(game);
        break;
      case GameState::GameOver:
        if (playsAgain && frame_ % 2 == 0) Press('C');
        break;
      default:
        break;
    }
  }
  // Whether a lost game is followed by another (C on the game-over picture).
  bool playsAgain = false;

  void Release() {
    for (int vk :
         {int{oru::VK_UP}, int{oru::VK_DOWN}, int{oru::VK_SPACE}, int{oru::VK_RETURN}, int{'C'}})
      oru::SetKeyState(vk, false);
  }

 private:
  static constexpr int kHorizon = 36;  // frames planned ahead
  static constexpr int kStep = 5;      // the crab's move per frame
  static constexpr int kRows = (480 - 40) / kStep + 1;

  struct Hazard {
    oru::BoundingBox box;  // at frame 0
    int vx, vy;
    int from;  // first frame it exists
    bool wraps;
  };

  static void Press(int vk) { oru::SetKeyState(vk, true); }

  static void Add(std::vector<Hazard>& out, ItemSet& set, int vx, int vy, bool wraps = false) {
    for (Item* item = set.First(); item; item = item->next) {
      if (!item->IsVisible()) continue;
      const bool own = vx == 0 && vy == 0;
      out.push_back(
          {item->Bounds(), own ? item->velocityX : vx, own ? item->velocityY : vy, 0, wraps});
    }
  }

  // Ink still to be spat: a shooter fires when its countdown runs out, from its mouth at
  // (dx, dy), before the frame's moves; the ink then flies left at 6 with each slope.
  static void AddInkToCome(std::vector<Hazard>& out, ItemSet& shooters, int shooterVx, int dx,
                           int dy, std::initializer_list<int> slopes, int inkWidth, int inkHeight) {
    for (Item* s = shooters.First(); s; s = s->next) {
      if (!s->IsVisible()) continue;
      const int at = std::max(1, s->countdown);
      if (at > kHorizon) continue;
      const int vx = shooterVx != 0 ? shooterVx : s->velocityX;
      const int mouthX = s->X() + dx + vx * (at - 1);
      const int mouthY = s->Y() + dy;
      for (int vy : slopes) {
        oru::BoundingBox b;
        b.x0 = mouthX - 6 + 6 * at;
        b.x1 = b.x0 + inkWidth;
        b.y0 = mouthY - vy * (at - 1);
        b.y1 = b.y0 + inkHeight;
        out.push_back({b, -6, vy, at, false});
      }
    }
  }

  static bool Hits(const Hazard& h, int t, int x0, int y0, int x1, int y1) {
    if (t < h.from) return false;
    int hx0 = h.box.x0 + h.vx * t, hx1 = h.box.x1 + h.vx * t;
    const int hy0 = h.box.y0 + h.vy * t, hy1 = h.box.y1 + h.vy * t;
    if (h.wraps && hx1 < 0) {
      hx0 += 640 + (h.box.x1 - h.box.x0);
      hx1 += 640 + (h.box.x1 - h.box.x0);
    }
    constexpr int m = 3;
    return hx0 <= x1 + m && hx1 + m >= x0 && hy0 <= y1 + m && hy1 + m >= y0;
  }

  void Fight(GameWindow& game) {
    Item* crab = game.crab.First();
    if (!crab || !crab->IsVisible()) return;
    const bool boss = game.gameState == GameState::BossFight;
    std::vector<Hazard> hazards;
    Item* inkItem = game.ink.First();
    const int inkWidth = inkItem ? inkItem->FrameWidth() : 24;
    const int inkHeight = inkItem ? inkItem->FrameHeight() : 16;
    if (boss) {
      Add(hazards, game.boss, -4, 0, true);
      Add(hazards, game.ink, 0, 0);
      Add(hazards, game.badPersimmons, 0, 5);
      AddInkToCome(hazards, game.boss, -4, 178, 140, {0, -3, 3}, inkWidth, inkHeight);
    } else {
      Add(hazards, game.monkeys, 0, 0);
      Add(hazards, game.octopuses, 0, 0);
      Add(hazards, game.ink, 0, 0);
      AddInkToCome(hazards, game.octopuses, 0, 0, 18, {0}, inkWidth, inkHeight);
    }
    const oru::BoundingBox me = crab->Bounds();
    const int height = me.y1 - me.y0;
    const int x0 = me.x0, x1 = me.x1;
    const int row = std::clamp((crab->Y() + kStep / 2) / kStep, 0, kRows - 1);

    // Which rows can be held for how long: plan frame by frame over rows reachable in time.
    std::array<std::array<bool, kRows>, kHorizon + 1> reach{};
    std::array<std::array<int, kRows>, kHorizon + 1> firstMove{};
    reach[0][static_cast<std::size_t>(row)] = true;
    int lastT = 0;
    for (int t = 1; t <= kHorizon; ++t) {
      bool any = false;
      for (int r = 0; r < kRows; ++r) {
        const int y0 = r * kStep, y1 = y0 + height;
        bool safe = true;
        for (const Hazard& h : hazards)
          if (Hits(h, t, x0, y0, x1, y1)) {
            safe = false;
            break;
          }
        if (!safe) continue;
        for (int d = -1; d <= 1; ++d) {
          const int from = r - d;
          if (from < 0 || from >= kRows ||
              !reach[static_cast<std::size_t>(t - 1)][static_cast<std::size_t>(from)])
            continue;
          reach[static_cast<std::size_t>(t)][static_cast<std::size_t>(r)] = true;
          firstMove[static_cast<std::size_t>(t)][static_cast<std::size_t>(r)] =
              t == 1 ? d
                     : firstMove[static_cast<std::size_t>(t - 1)][static_cast<std::size_t>(from)];
          any = true;
          break;
        }
      }
      if (!any) break;
      lastT = t;
    }
    // The row the bot would like to be in: the mortar pickup, the boss's reach, or where it is.
    int wanted = row;
    if (Item* pickup = game.mortarPickups.First(); pickup && pickup->IsVisible()) wanted = 0;
    if (boss) wanted = 220 / kStep;
    int move = 0;
    if (lastT > 0) {
      int best = -1;
      for (int r = 0; r < kRows; ++r) {
        if (!reach[static_cast<std::size_t>(lastT)][static_cast<std::size_t>(r)]) continue;
        if (best < 0 || std::abs(r - wanted) < std::abs(best - wanted)) best = r;
      }
      move = firstMove[static_cast<std::size_t>(lastT)][static_cast<std::size_t>(best)];
    }
    if (move < 0) Press(oru::VK_UP);
    if (move > 0) Press(oru::VK_DOWN);

    // Fire every other frame; the kind follows what is nearest ahead in the row.
    if (frame_ % 2 == 0) Press(oru::VK_SPACE);
    bool wantSwitch = boss;
    if (!boss) {
      int nearest = 1 << 30;
      const int y0 = crab->Y() + 10, y1 = y0 + 16;
      for (ItemSet* set : {&game.monkeys, &game.octopuses}) {
        for (Item* e = set->First(); e; e = e->next) {
          const oru::BoundingBox b = e->Bounds();
          if (!e->IsVisible() || b.y1 < y0 || b.y0 > y1 || b.x0 < x1 || b.x0 >= nearest) continue;
          nearest = b.x0;
          wantSwitch = set == &game.octopuses;
        }
      }
    }
    if (wantSwitch != (game.fireIndicator.IsVisible() != 0) && frame_ % 2 == 1)
      Press(oru::VK_RETURN);
  }

  int frame_ = 0;
};

}  // namespace brellow
