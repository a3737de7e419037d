// The game's application object and its window, the owner of every game object.
//
// GameApplication::Init creates the GameWindow, gives it its native window with the caption of
// string 1, lets it load its assets (OnCreate), shows it (as started, then maximised within a 640
// by 480 client area) and starts the game thread. From then on the primary thread only pumps
// messages, which reach the window's handlers; the game thread runs one frame per 30 ms slot
// (StepFrame) until a close request stops it.
//
// Without a native window the game runs just the same, which is how the tests drive it:
//
//   GameWindow game;                       // every member built, nothing loaded
//   game.LoadAssets();                     // pictures, sounds, song; the title state
//   SetKeyState(VK_C, true);               // the keys the pad reads
//   game.StepFrame();                      // poll, update, compose (no pacing once F3 is off)
//
// Threads: the handlers run on the primary thread, StepFrame on the game thread. frameLock is
// held over the whole of a frame's state update and its composition, and by a paint request and
// the full-screen switch, so a paint never sees a half-updated scene. F3 only leaves a request
// that the game thread applies to its pacer. To stop, runRequested is cleared and the thread is
// waited for (StopGameThread).
//
// A new kind of object on the field goes in five places. Its picture: a PictureId and a row in
// game/picture_table.h (file, cell size, pool size, key), among the other item sets' rows: the
// pools load as one block in table order, which is also their layer order (back to front). Its
// member: an ItemSet below, declared after scene (sets are destroyed before the scene), and its row
// in kItemSets below, in the same order as in the picture table: LoadAssets makes its pool from
// that row, leaving Play or the boss fight kills it, and its flags have the frames of Play or the
// boss fight move it by its velocity (tests/game/leaving_play_test.cpp keeps its own list of every
// set, to be extended too). Its spawn rule: in the update of the state it appears in (UpdatePlay or
// UpdateBossFight, rules.cpp), or in EnterState when it is there from the start. Its hits: a
// HitKind value below, a CollideWith line in CollidePlay or CollideBossFight and the effect in
// OnHit (collisions.cpp). Its drawing: a Draw function in tools/assetgen (art_*.cpp, declared in
// art.h) and its case in DrawPicture (pictures.cpp), which the compiler flags when it is missing. A
// new file changes AssetDigest, so runs recorded before it no longer load.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "game/item.h"
#include "game/options.h"
#include "game/picture_table.h"
#include "game/run_recorder.h"
#include "game/run_replay.h"
#include "oru/graphics/meter.h"
#include "oru/graphics/score_display.h"
#include "oru/graphics/screen_surface.h"
#include "oru/graphics/surface.h"
#include "oru/input/mouse_cursor.h"
#include "oru/input/pad.h"
#include "oru/platform/threads.h"
#include "oru/shell/application.h"
#include "oru/shell/frame_pacer.h"
#include "oru/shell/window.h"
#include "oru/sound/midi_sequencer.h"
#include "oru/sound/wave_sound.h"

namespace brellow {

// The value of GameWindow::gameState.
enum class GameState : int {
  Title = 0,
  Play = 1,
  GameOver = 2,
  GameClear = 3,
  PlayPaused = 4,
  BossFight = 5,
  BossPaused = 6,
};

// The state's name as a run's line prints it ("Title", "BossFight"); "Unknown" outside the
// enumeration.
const char* GameStateName(GameState state);

// What an overlapping pair reported to GameWindow::OnHit means. The first item belongs to the
// set the collision pass runs on, the second to the other set.
enum HitKind : int {
  HitShotMonkey = 0,    // normal shot, monkey: damage, the shot is used up
  HitShotOctopus = 1,   // switch shot, octopus: damage, the shot is used up
  HitCrab = 2,          // crab, any hazard: a life or the game
  HitMortarPickup = 3,  // crab, mortar pickup: the mortar falls
  HitKnockBack = 4,     // normal shot, boss: pushed back, no damage
  HitSwitchBoss = 5,    // switch shot, boss: damage
  HitChargeBoss = 6,    // charge shot, boss: damage through the armour count
  HitPersimmon = 7,     // crab, good persimmon: a life
  HitNothing = 8,
  HitChargeMonkey = 9,    // charge shot, monkey: damage, the shot flies on
  HitChargeOctopus = 10,  // charge shot, octopus: damage, the shot flies on
};

class GameWindow : public oru::Window, public HitHandler {
 public:
  static constexpr int kFieldWidth = 640;
  static constexpr int kFieldHeight = 480;
  static constexpr std::uint32_t kFrameMs = 30;
  static constexpr int kPlayFrames = 3600;
  static constexpr int kMaxLives = 10;

  GameWindow();
  // Stops a game thread that is still running, then destroys the members in reverse order.
  ~GameWindow() override;

  // LoadAssets. Always true.
  bool OnCreate() override;
  // Fills every member from the data files in layer order and enters the title state. A missing
  // file leaves its picture, sound or song empty; one that is there but cannot be used does too,
  // with one line on standard error naming it and the reason. Once LoadCancelled (oru/data/load_cancel.h)
  // says so, the files left are not read and stay empty. Always true.
  bool LoadAssets();

  void OnMouseMove(oru::WParam keyFlags, const oru::Point* point) override;
  void OnSetCursor(oru::WindowHandle cursorWindow, unsigned hitTest,
                   unsigned mouseMessage) override;
  void OnPaint() override;
  void OnKeyDown(oru::WParam virtualKey, oru::LParam keyData, int reserved) override;
  void OnGetMinMaxInfo(oru::MinMaxInfo* info) override;
  void OnClose() override;

  // The command line's choices: a window scale makes the client area that many times 640 by 480
  // (the picture inside stays 640 by 480), mute leaves the sounds and the music unloaded. Before
  // Create and LoadAssets.
  void ApplySettings(const GameSettings& settings);
  // F4's switch under frameLock; also --fullscreen at start-up. Primary thread.
  void SetFullScreen(bool on);

  // Starts the game thread. runRequested and threadAlive are set before the thread exists, so a
  // close request handled before the thread is first scheduled still stops it.
  bool StartGameThread();
  // Asks the game thread to stop and waits until it has ended. Primary thread.
  void StopGameThread();

  // One frame of the game: poll the pad, update the state, compose and present unless the frame
  // is late, wait for the next slot. Always true.
  bool StepFrame();

  // Runs (run_recorder.h, run_replay.h): a recorder gets every frame's inputs and clock reads;
  // a replay supplies them instead of the pad and the clock (live keys then only reach Escape,
  // F3 and F4), and when it runs out the game returns to the title and listens to the pad
  // again. Set before the game thread starts; null for neither. Both must outlive the window.
  void SetRecorder(RunRecorder* recorder) { recorder_ = recorder; }
  void SetReplay(RunReplay* replay) { replay_ = replay; }
  bool Replaying() const { return replay_ != nullptr; }
  // Polls the pad and takes this frame's inputs from it, or from the replay: false (nothing
  // taken) when the replay has run out. StepFrame calls it; tests may call it with UpdateState.
  bool PollInput();
  // The millisecond clock as the rules read it: recorded, or read back from the replay.
  std::uint32_t RulesClock();
  // The pad as the rules read it: the state at this frame's poll.
  bool PadHeld(int button) const { return (frameInput.held >> button & 1) != 0; }
  bool PadPressed(int button) const { return (frameInput.pressed >> button & 1) != 0; }
  // The data files LoadAssets read, in order, and their digest (run_replay.h).
  const std::vector<const char*>& AssetNames() const { return assetNames; }
  std::uint64_t AssetDigest() const { return DataDigest(assetNames); }
  // A hash of the picture of the present state, composed afresh from the whole scene (FNV-1a
  // over the 640 x 480 indices). Takes frameLock.
  std::uint64_t PictureHash();
  // One line about the run so far: "frames N state NAME score N picture HASH".
  std::string Summary();
  // The Summary taken (and printed on standard output) on the frame a replay ran out: the line
  // the recording printed. Empty until a replay ends.
  const std::string& ReplayEndLine() const { return replayEndLine; }
  std::uint64_t FramesRun() const { return framesRun; }
  // Runs frames on the calling thread with no window, no pacing and no waits (headless.cpp):
  // the whole of replay when there is one, at most maxFrames when that is not 0, and otherwise
  // until a close request (SIGINT, SIGTERM). Returns Summary.
  std::string RunHeadless(RunReplay* replay, std::uint64_t maxFrames);

  bool ThreadAlive() const { return threadAlive.load(std::memory_order_acquire); }
  bool PacingEnabled() const { return pacer.IsEnabled(); }

  // The rules (rules.cpp).
  // The update of the current state; a state outside the enumeration does nothing.
  void UpdateState();
  void ChangeState(GameState state);
  void EnterState(GameState state);
  void ExitState(GameState state);
  // One octopus (or in the boss fight the boss) whose countdown ran out fires.
  void EnemyFire();

  // The hit effects (collisions.cpp): damage, kills, explosions, score, sounds, lives, game over.
  void OnHit(Item* first, Item* second, int kind) override;

  // The game's random source: one generator, never seeded, so a run follows from its inputs.
  int Random() { return static_cast<int>(random() >> 1); }

 protected:
  friend std::uint32_t GameThreadMain(void* window);

  // Loop state.
  int clientWidth = 640;  // the wanted client area; bounds the window size
  int clientHeight = 480;
  oru::CriticalSection frameLock;
  oru::FramePacer pacer;
  std::atomic<bool> runRequested{false};
  std::atomic<bool> threadAlive{false};
  std::uint32_t threadId = 0;
  bool muted = false;

 public:
  // The game's objects, in construction order (they are destroyed in reverse: every item set and
  // the meters leave before the scene group that refers to them). Once the game thread runs they
  // are touched only under frameLock (its frames, a paint request, the full-screen switch), except
  // mouse, which only the primary thread's mouse handlers use and which never joins the scene.
  oru::Pad input;
  oru::MouseCursor mouse;
  oru::ScreenSurface screen;
  oru::Surface backdrop;
  oru::Surface scene;
  ItemSet crab, monkeys, octopuses, boss, normalShots, switchShots, chargeShots, goodPersimmons,
      badPersimmons, ink, mortars, mortarPickups;
  oru::Surface fireIndicator;
  ItemSet foreground1, foreground2, explosions;
  oru::ScoreDisplay scoreDisplay;
  oru::Meter timeMeter, lifeMeter, chargeMeter;
  oru::Surface clockFace;
  oru::WaveSound hitSound, bleepSound, whistleSound, crashSound;
  oru::MidiSequencer music;
  oru::Surface gameClearPicture, gameOverPicture, titleBack, titleTop, titleScroll, titleBottom;
  GameState gameState = GameState::Title;
  // Frames left in Play, frames elapsed in BossFight.
  int frameCounter = 0;
  // End of the crab's invincibility on the millisecond clock; 0 = none.
  std::uint32_t invincibleUntil = 0;

 private:
  void UpdateTitle();
  void UpdatePlay();
  void UpdateBossFight();
  void FireControl();
  void Steer();
  void Foreground();
  void ResetChargeGauge();
  bool CrabInvincible();
  void CollidePlay();
  void CollideBossFight(bool crabInvincible);
  void Explode(const Item* at);
  // Each F3 press adds one; the game thread toggles its pacer once per odd count.
  std::atomic<int> pacingToggles{0};
  RunFrame frameInput;
  RunRecorder* recorder_ = nullptr;
  RunReplay* replay_ = nullptr;
  std::vector<const char*> assetNames;
  std::uint64_t framesRun = 0;
  std::string replayEndLine;
  std::mt19937 random;
};

// The window's item sets, each once, in layer order (their pictures' order in the picture
// table). LoadAssets makes each set's pool of its picture, leaving Play or the boss fight kills
// every set, and the flags say in which state's frames a set flies by its items' own velocities
// (the others move by fixed steps of their own, or only when the rules move them).
struct ItemSetRow {
  ItemSet GameWindow::*set;
  PictureId picture;
  bool stepsInPlay;
  bool stepsInBossFight;
};
inline constexpr ItemSetRow kItemSets[] = {
    {&GameWindow::foreground2, PictureId::RearForeground, false, false},
    {&GameWindow::monkeys, PictureId::Monkey, true, false},
    {&GameWindow::octopuses, PictureId::Octopus, true, false},
    {&GameWindow::boss, PictureId::Boss, false, false},
    {&GameWindow::normalShots, PictureId::Chestnut, true, true},
    {&GameWindow::switchShots, PictureId::RoastChestnut, true, true},
    {&GameWindow::chargeShots, PictureId::ChargeShot, true, true},
    {&GameWindow::explosions, PictureId::Explosion, false, false},
    {&GameWindow::badPersimmons, PictureId::BadPersimmon, false, false},
    {&GameWindow::goodPersimmons, PictureId::GoodPersimmon, false, false},
    {&GameWindow::ink, PictureId::Ink, true, true},
    {&GameWindow::crab, PictureId::Crab, false, false},
    {&GameWindow::mortars, PictureId::Mortar, false, false},
    {&GameWindow::mortarPickups, PictureId::MortarPickup, false, false},
    {&GameWindow::foreground1, PictureId::FrontForeground, false, false},
};

// The game thread's routine; window is the GameWindow. Returns 1 for a null window, else 0.
std::uint32_t GameThreadMain(void* window);

class GameApplication : public oru::Application {
 public:
  // Set by main from the command line before Run.
  GameSettings settings;
  bool Init() override;
  int Exit() override;
  // After Run: completes a recording and prints the run's line (with --record or --replay).
  // Returns the process's exit code: 1 when the run file could not be opened or written.
  int Finish();
  // The whole game with --headless, in place of Run and Finish (headless.cpp): loads the data,
  // runs the replay (or --frames frames, or until SIGINT or SIGTERM) and prints the run's line.
  // Returns the exit code.
  int RunHeadless();
  // Deletes the game window, whose members end their threads with it. At the end of main.
  void DeleteMainWindow();

 private:
  // Opens the run files the command line names for game; false, with a message on standard
  // error, when the replay cannot be read or belongs to other data, or the recording cannot be
  // written.
  bool OpenRuns(GameWindow& game);
  RunRecorder recorder;
  RunReplay replay;
  int exitCode = 0;
};

// The one application object of the program.
extern GameApplication gameApplication;

}  // namespace brellow
