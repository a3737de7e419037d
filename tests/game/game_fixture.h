// A GameWindow run without a native window: assets from the generated game folder, keys set in
// the key table, frames stepped by the test with pacing off, the millisecond clock held by the
// test and the music played into a recorder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include "game/gmain.h"
#include "oru/platform/clock.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/sound/midi_out.h"

namespace oru {

inline constexpr int kKeyC = 'C';  // PadButton3: start
inline constexpr int kKeyV = 'V';  // PadButton4: pause
inline constexpr int kKeyFire = VK_SPACE;
inline constexpr int kKeySwitch = VK_RETURN;

class GameFixture : public ::testing::Test {
 public:
  static std::uint32_t FakeClock() { return now; }
  static inline std::uint32_t now = 100000;

 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    savedDir_ = cwd;
    ASSERT_EQ(chdir(ORU_GAME_DIR), 0);
    previousClock_ = SetClockSource(&FakeClock);
    now = 100000;
    previousBackend_ = MidiOut::SetDefaultBackend(&recorder);
    // No native window: default processing (destroying it on close) is left out.
    previousDefault_ = SetDefaultWindowProc(&NoDefault);
    ResetMessageQueueForTesting();
    ClearKeyState();
    game = std::make_unique<GameWindow>();
    ASSERT_TRUE(game->LoadAssets());
    // Pacing off, as F3 does it: the request is applied by the next frame, before its wait.
    game->HandleMessage(nullptr, WM_KEYDOWN, VK_F3, 1);
    // Two polls with every key up: no key counts as held at the previous poll of another test.
    game->input.Poll();
    game->input.Poll();
  }

  void TearDown() override {
    game.reset();
    ClearKeyState();
    MidiOut::SetDefaultBackend(previousBackend_);
    SetDefaultWindowProc(previousDefault_);
    ResetMessageQueueForTesting();
    SetClockSource(previousClock_);
    ASSERT_EQ(chdir(savedDir_.c_str()), 0);
  }

  void Step(int frames = 1) {
    for (int i = 0; i < frames; ++i) game->StepFrame();
  }
  // Key down for one frame, then up (the up is seen by the next frame).
  void Tap(int vk) {
    SetKeyState(vk, true);
    Step();
    SetKeyState(vk, false);
  }
  // From the title into Play; the first Play frame has not run yet.
  void StartPlay() {
    ASSERT_EQ(game->gameState, Title);
    Tap(kKeyC);
    ASSERT_EQ(game->gameState, Play);
  }
  // Starts a fresh game (for cases run one after another in one test), enters Play and holds
  // the fire button through the tap frame and heldFrames more; the button is still down.
  void RestartAndHoldFire(int heldFrames) {
    TearDown();
    SetUp();
    StartPlay();
    SetKeyState(kKeyFire, true);
    StepSafely(1 + heldFrames);
  }
  // Into the boss fight with a given score, without playing out the clock.
  void StartBossFight(int score) {
    StartPlay();
    game->scoreDisplay.SetValue(score);
    game->ChangeState(BossFight);
    ASSERT_EQ(game->gameState, BossFight);
  }
  // Removes everything random that could reach the crab or the items a test placed.
  void ClearHazards() {
    for (ItemSet* set : {&game->monkeys, &game->octopuses, &game->ink, &game->goodPersimmons,
                         &game->badPersimmons, &game->mortarPickups}) {
      set->KillAll();
    }
  }
  // Steps frames, clearing the hazards after each.
  void StepSafely(int frames) {
    for (int i = 0; i < frames; ++i) {
      Step();
      ClearHazards();
    }
  }
  // Spawns an item that stays where it is put.
  static Item* Place(ItemSet& set, int x, int y) {
    const int i = set.Spawn(x, y);
    set.SetVelocity(i, 0, 0);
    return set.Find(i);
  }

  MidiRecorder recorder;
  std::unique_ptr<GameWindow> game;

 private:
  std::string savedDir_;
  ClockSource previousClock_ = nullptr;
  MidiBackend* previousBackend_ = nullptr;
  DefaultWindowProc previousDefault_ = nullptr;
  static MessageResult NoDefault(WindowHandle, unsigned, WParam, LParam) { return 0; }
};

}  // namespace oru
