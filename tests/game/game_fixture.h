// A GameWindow run without a native window: assets from the generated game folder, keys set in
// the key table, frames stepped by the test with pacing off, the millisecond clock held by the
// test and the music played into a recorder.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "game/gmain.h"
#include "oru/platform/clock.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/sound/midi_out.h"
#include "tests/support/scratch_folder.h"

namespace brellow {

// States print by name in failure messages and traces.
inline std::ostream& operator<<(std::ostream& out, GameState state) {
  return out << GameStateName(state);
}

inline constexpr int kKeyC = 'C';  // PadButton3: start
inline constexpr int kKeyV = 'V';  // PadButton4: pause
inline constexpr int kKeyFire = oru::VK_SPACE;
inline constexpr int kKeySwitch = oru::VK_RETURN;

class GameFixture : public ::testing::Test {
 public:
  static std::uint32_t FakeClock() { return now; }
  static inline std::uint32_t now = 100000;

 protected:
  void SetUp() override {
    savedDir_ = std::filesystem::current_path();
    std::filesystem::current_path(ORU_GAME_DIR);
    previousClock_ = oru::SetClockSource(&FakeClock);
    now = 100000;
    previousBackend_ = oru::MidiOut::SetDefaultBackend(&recorder);
    // No native window: default processing (destroying it on close) is left out.
    previousDefault_ = oru::SetDefaultWindowProc(&NoDefault);
    oru::ResetMessageQueueForTesting();
    oru::ClearKeyState();
    game = std::make_unique<GameWindow>();
    ASSERT_TRUE(game->LoadAssets());
    // Pacing off, as F3 does it: the request is applied by the next frame, before its wait.
    game->HandleMessage(nullptr, oru::WM_KEYDOWN, oru::VK_F3, 1);
    // Two polls with every key up: no key counts as held at the previous poll of another test.
    game->input.Poll();
    game->input.Poll();
  }

  void TearDown() override {
    game.reset();
    oru::ClearKeyState();
    oru::MidiOut::SetDefaultBackend(previousBackend_);
    oru::SetDefaultWindowProc(previousDefault_);
    oru::ResetMessageQueueForTesting();
    oru::SetClockSource(previousClock_);
    std::filesystem::current_path(savedDir_);
  }

  void Step(int frames = 1) {
    for (int i = 0; i < frames; ++i) game->StepFrame();
  }
  // Key down for one frame, then up (the up is seen by the next frame).
  void Tap(int vk) {
    oru::SetKeyState(vk, true);
    Step();
    oru::SetKeyState(vk, false);
  }
  // From the title into Play; the first Play frame has not run yet.
  void StartPlay() {
    ASSERT_EQ(game->gameState, GameState::Title);
    Tap(kKeyC);
    ASSERT_EQ(game->gameState, GameState::Play);
  }
  // Starts a fresh game (for cases run one after another in one test), enters Play and holds
  // the fire button through the tap frame and heldFrames more; the button is still down.
  void RestartAndHoldFire(int heldFrames) {
    TearDown();
    SetUp();
    StartPlay();
    oru::SetKeyState(kKeyFire, true);
    StepSafely(1 + heldFrames);
  }
  // Into the boss fight with a given score, without playing out the clock.
  void StartBossFight(int score) {
    StartPlay();
    game->scoreDisplay.SetValue(score);
    game->ChangeState(GameState::BossFight);
    ASSERT_EQ(game->gameState, GameState::BossFight);
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

  oru::MidiRecorder recorder;
  std::unique_ptr<GameWindow> game;

 private:
  std::filesystem::path savedDir_;
  oru::ClockSource previousClock_ = nullptr;
  oru::MidiBackend* previousBackend_ = nullptr;
  oru::DefaultWindowProc previousDefault_ = nullptr;
  static oru::MessageResult NoDefault(oru::WindowHandle, unsigned, oru::WParam, oru::LParam) {
    return 0;
  }
};

}  // namespace brellow
