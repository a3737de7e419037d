// The game's application object, its window with the asset load, and the game thread's loop.
#include "game/gmain.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>

#include "oru/data/escaped_name.h"
#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"
#include "oru/data/pack_file.h"
#include "oru/graphics/keyed_sprite.h"
#include "oru/platform/canvas.h"
#include "oru/platform/clock.h"
#include "oru/platform/event_loop.h"
#include "oru/platform/files.h"
#include "oru/platform/joystick.h"
#include "oru/platform/keys.h"
#include "oru/platform/native_window.h"
#include "oru/platform/resources.h"

namespace brellow {

using namespace oru;

GameApplication gameApplication;

GameWindow::GameWindow() {
  input.Configure(0, 0);
  mouse.SetVisible(0);
  screen.Create(kFieldWidth, kFieldHeight);
  // The screen refers to both without owning them: they are members like the rest.
  screen.SetBackdrop(&backdrop);
  screen.SetScene(&scene);
}

GameWindow::~GameWindow() {
  // A window destroyed without a close request still stops its thread first.
  StopGameThread();
}

namespace {

// One line for a data file that is there but could not be used (unreadable, damaged, the wrong
// kind); a missing file stays silent, as the data folder search has spoken about missing data.
// Call right after the failed load, while LastError() holds its reason.
void ReportUnusable(const char* file) {
  const std::string reason = LastError();
  FileFacts facts;
  if (!ExamineFile(file, facts) && !ExamineFile(PackFile::PackName(file).c_str(), facts)) return;
  std::fprintf(stderr, "brellow-didovez: %s: %s\n", EscapedPath(file).c_str(),
               reason.empty() ? "cannot be used" : reason.c_str());
}

// Load and remap a single picture, keyed on its top-left pixel when its row says so. Once the
// load is cancelled the picture stays empty, like a missing file.
void LoadPicture(std::vector<const char*>& names, Surface& picture, PictureId id) {
  const PictureRow& row = PictureRowOf(id);
  names.push_back(row.file);
  if (LoadCancelled()) return;
  if (!LoadSprite(picture, row.file, {.keyed = row.keyed})) ReportUnusable(row.file);
}

// A picture that joins the scene as a layer at (x, y), hidden until a state shows it.
void AddLayer(std::vector<const char*>& names, Surface& scene, Surface& picture, PictureId id,
              int x, int y) {
  LoadPicture(names, picture, id);
  scene.AddChild(&picture);
  picture.SetPosition(x, y);
  picture.SetVisible(0);
}

// An item set whose pool is made now, so play reuses items instead of loading.
void MakePool(std::vector<const char*>& names, ItemSet& set, Surface& scene, PictureId id) {
  const PictureRow& row = PictureRowOf(id);
  names.push_back(row.file);
  if (LoadCancelled()) return;
  set.SetSource(row.file, &scene, row.cellWidth, row.cellHeight);
  for (int i = 0; i < row.poolSize; ++i) {
    if (i > 0 && LoadCancelled()) break;
    const int index = set.Spawn(0, 0);
    // The first item decodes the picture for the whole pool.
    if (index == 0 && set.Find(0)->Width() == 0) ReportUnusable(row.file);
  }
  set.KillAll();
}

// The pools are made in table order, which keeps the layers and the digested file names in order.
constexpr bool SetsInPictureOrder() {
  for (std::size_t i = 1; i < std::size(kItemSets); ++i) {
    if (kItemSets[i - 1].picture >= kItemSets[i].picture) return false;
  }
  return true;
}
static_assert(SetsInPictureOrder(), "kItemSets must follow the picture table's order");

// A meter joins the scene hidden until a state shows it.
void AddMeter(Surface& scene, Meter& meter) {
  scene.AddChild(&meter);
  meter.SetVisible(0);
}

}  // namespace

bool GameWindow::OnCreate() { return LoadAssets(); }

bool GameWindow::LoadAssets() {
  // The order below is the layer order: the scene draws its children in the order they joined.
  assetNames.clear();
  LoadPicture(assetNames, backdrop, PictureId::FieldBackground);
  AddLayer(assetNames, scene, titleBack, PictureId::TitleBackground, 0, 0);
  AddLayer(assetNames, scene, titleScroll, PictureId::HowToPlay, 0, 480);
  AddLayer(assetNames, scene, titleTop, PictureId::Logo, 0, -1);
  AddLayer(assetNames, scene, titleBottom, PictureId::PressStart, 0, 410);

  boss.SetHitBox(240, 0, 499, 309);
  for (const ItemSetRow& row : kItemSets) MakePool(assetNames, this->*row.set, scene, row.picture);

  scoreDisplay.SetFontHeight(20);
  scoreDisplay.SetTextColour(0xFF00FF);
  scoreDisplay.Create(100, 20);
  scoreDisplay.SetValue(0);
  scoreDisplay.SetTransparentFromPixel(0, 0);
  scene.AddChild(&scoreDisplay);
  scoreDisplay.SetCaption("Score:");
  scoreDisplay.SetSuffix("_");
  scoreDisplay.SetPosition(5, 21);
  scoreDisplay.SetVisible(0);

  AddLayer(assetNames, scene, fireIndicator, PictureId::FireIcon, 110, 21);
  AddLayer(assetNames, scene, clockFace, PictureId::ClockFace, 540, 0);

  // The clock's needle over its face, the charge gauge showing one third of itself at a time,
  // and the lives as a row of persimmons.
  timeMeter.Setup({.width = 100,
                   .height = 100,
                   .background = 0xFFFFFF,
                   .foreground = 0xFF0000,
                   .transparent = 1,
                   .kind = MeterDial,
                   .maximum = kPlayFrames,
                   .x = 540});
  AddMeter(scene, timeMeter);
  chargeMeter.Setup({.width = 300,
                     .height = 10,
                     .frameWidth = 100,
                     .frameHeight = 10,
                     .background = 0,
                     .foreground = 0x0080FF,
                     .kind = MeterBar,
                     .maximum = 255,
                     .x = 5,
                     .y = 50});
  AddMeter(scene, chargeMeter);
  const char* lifeFile = PictureRowOf(PictureId::LifePersimmon).file;
  assetNames.push_back(lifeFile);
  if (!LoadCancelled() && !lifeMeter.LoadUnitImage(lifeFile, &scene)) ReportUnusable(lifeFile);
  lifeMeter.Setup({.background = 0xFFFFFF,
                   .foreground = 0,
                   .transparent = 1,
                   .kind = MeterImages,
                   .maximum = kMaxLives,
                   .value = 5});
  AddMeter(scene, lifeMeter);

  AddLayer(assetNames, scene, gameOverPicture, PictureId::GameOver, 0, 0);
  AddLayer(assetNames, scene, gameClearPicture, PictureId::GameClear, 0, 0);

  frameCounter = kPlayFrames;
  gameState = GameState::Title;
  EnterState(GameState::Title);

  // Muted, the sounds and the song stay empty: no sound device or synthesizer is opened for them.
  struct NamedSound {
    WaveSound& sound;
    const char* file;
  };
  for (const NamedSound& s :
       {NamedSound{hitSound, "SUCKER1.WAV"}, NamedSound{bleepSound, "BLEEP04.WAV"},
        NamedSound{whistleSound, "WHISTLE2.WAV"}, NamedSound{crashSound, "CRASH.WAV"}}) {
    s.sound.SetWindow(handle);
    assetNames.push_back(s.file);
    if (!muted && !LoadCancelled() && !s.sound.Load(s.file, nullptr)) ReportUnusable(s.file);
  }

  assetNames.push_back("brello_s.mid");
  if (!muted && !LoadCancelled() && !music.Load("brello_s.mid", nullptr))
    ReportUnusable("brello_s.mid");
  music.SetLoop(true);
  return true;
}

void GameWindow::OnMouseMove(WParam keyFlags, const Point* point) {
  mouse.Update();
  Window::OnMouseMove(keyFlags, point);
}

void GameWindow::OnSetCursor(WindowHandle cursorWindow, unsigned hitTest, unsigned mouseMessage) {
  mouse.Update();
  Window::OnSetCursor(cursorWindow, hitTest, mouseMessage);
}

void GameWindow::OnPaint() {
  // The scene is never composed half-updated: the game thread holds frameLock over its update.
  std::lock_guard lock(frameLock);
  screen.RequestFullRedraw();
  screen.Update(CanvasOf(handle), 0, 0);
}

void GameWindow::OnKeyDown(WParam virtualKey, LParam keyData, int reserved) {
  switch (virtualKey) {
    case VK_ESCAPE:
      PostMessage(handle, WM_CLOSE, 0, 0);
      break;
    case VK_F3:
      // The pacer belongs to the game thread; it applies the toggle before its next wait.
      pacingToggles.fetch_add(1, std::memory_order_acq_rel);
      break;
    case VK_F4:
      SetFullScreen(!ScreenSurface::IsFullScreen());
      break;
  }
  Window::OnKeyDown(virtualKey, keyData, reserved);
}

void GameWindow::OnGetMinMaxInfo(MinMaxInfo* info) {
  if (info && (clientWidth || clientHeight)) {
    Rect r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, GetWindowStyle(handle), false);
    info->maxTrackSize = {r.right - r.left, r.bottom - r.top};
  }
  Window::OnGetMinMaxInfo(info);
}

void GameWindow::OnClose() {
  StopGameThread();
  {
    std::lock_guard lock(frameLock);
    screen.SetFullScreen(0);
  }
  Window::OnClose();
}

void GameWindow::ApplySettings(const GameSettings& settings) {
  const int scale = std::clamp(settings.scale, kMinScale, kMaxScale);
  clientWidth = kFieldWidth * scale;
  clientHeight = kFieldHeight * scale;
  muted = settings.mute;
}

void GameWindow::SetFullScreen(bool on) {
  std::lock_guard lock(frameLock);
  screen.SetFullScreen(on ? 1 : 0);
}

bool GameWindow::StartGameThread() {
  runRequested.store(true, std::memory_order_release);
  threadAlive.store(true, std::memory_order_release);
  threadId = CreateThread(&GameThreadMain, this);
  if (threadId == 0) {
    threadAlive.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

void GameWindow::StopGameThread() {
  runRequested.store(false, std::memory_order_release);
  // The game thread finishes the frame it is in, sleep included, and ends.
  WaitForThread(threadId, kWaitForever);
}

bool GameWindow::StepFrame() {
  if (pacingToggles.exchange(0, std::memory_order_acq_rel) & 1) {
    pacer.SetEnabled(!pacer.IsEnabled());
  }
  {
    std::lock_guard lock(frameLock);
    if (!PollInput()) {
      // The replay is over: its line is the recording's, so it is taken now, before the title
      // and the frames played after it. Then back to the title, and the pad has the say again.
      replayEndLine = Summary();
      std::printf("%s\n", replayEndLine.c_str());
      std::fflush(stdout);
      replay_ = nullptr;
      if (gameState != GameState::Title) ChangeState(GameState::Title);
      PollInput();
    }
    UpdateState();
    if (recorder_ && recorder_->EndFrame(frameInput)) {
      // A longer run would not replay; what was recorded does, and the game goes on unrecorded.
      std::fprintf(stderr,
                   "brellow-didovez: the recording stopped at its limit of %llu frames and "
                   "replays up to there; the game goes on unrecorded\n",
                   static_cast<unsigned long long>(recorder_->Frames()));
      recorder_ = nullptr;
    }
    ++framesRun;
    // A late frame is simulated but not shown.
    if (pacer.Carry() == 0) screen.Update(CanvasOf(handle), 0, 0);
  }
  pacer.Wait(kFrameMs);
  return true;
}

bool GameWindow::PollInput() {
  input.Poll();
  if (replay_) return replay_->NextFrame(&frameInput);
  frameInput = RunFrame{};
  for (int n = 0; n < kPadButtons; ++n) {
    if (input.Held(n)) frameInput.held |= static_cast<std::uint8_t>(1u << n);
    if (input.Pressed(n)) frameInput.pressed |= static_cast<std::uint8_t>(1u << n);
  }
  frameInput.pacing = pacer.IsEnabled();
  return true;
}

std::uint32_t GameWindow::RulesClock() {
  if (replay_) return replay_->NextClock();
  const std::uint32_t now = TimeGetTime();
  if (recorder_) recorder_->OnClock(now);
  return now;
}

std::uint64_t GameWindow::PictureHash() {
  std::lock_guard lock(frameLock);
  screen.RequestFullRedraw();
  screen.Update(nullptr, 0, 0);
  std::uint64_t hash = 0xCBF29CE484222325u;
  const std::uint8_t* pixels = screen.Lock();
  const int pitch = screen.Pitch();
  if (pixels) {
    for (int y = 0; y < kFieldHeight; ++y)
      for (int x = 0; x < kFieldWidth; ++x) hash = (hash ^ pixels[y * pitch + x]) * 0x100000001B3u;
  }
  screen.Unlock();
  return hash;
}

const char* GameStateName(GameState state) {
  static constexpr const char* kStateNames[] = {"Title",      "Play",      "GameOver",  "GameClear",
                                                "PlayPaused", "BossFight", "BossPaused"};
  const int index = static_cast<int>(state);
  return index >= 0 && index < 7 ? kStateNames[index] : "Unknown";
}

std::string GameWindow::Summary() {
  char line[160];
  std::snprintf(line, sizeof line, "frames %llu state %s score %d picture %016llx",
                static_cast<unsigned long long>(framesRun), GameStateName(gameState),
                scoreDisplay.GetValue(), static_cast<unsigned long long>(PictureHash()));
  return line;
}

std::uint32_t GameThreadMain(void* argument) {
  auto* window = static_cast<GameWindow*>(argument);
  if (!window) return 1;
  window->threadAlive.store(true, std::memory_order_release);
  // The schedule starts with the first frame, not when the window was built: the asset load
  // in between would otherwise run the first frames flat out, unshown.
  window->pacer.Reset();
  while (window->runRequested.load(std::memory_order_acquire) && window->StepFrame()) {
  }
  window->threadAlive.store(false, std::memory_order_release);
  return 0;
}

bool GameApplication::Init() {
  auto* window = new GameWindow;
  mainWindow = window;
  window->ApplySettings(settings);
  char caption[100];
  LoadString(kStringCaption, caption, sizeof caption);
  const WindowHandle h = window->Create(nullptr, caption, 0);
  window->mouse.SetWindow(h);
  // A scaled window starts at its full size, also where no window manager maximises it.
  const int scale = std::clamp(settings.scale, kMinScale, kMaxScale);
  if (scale > 1)
    SetClientSize(h, GameWindow::kFieldWidth * scale, GameWindow::kFieldHeight * scale);
  // Joysticks are seen only once the primary thread has started their service.
  JoystickStartUp();
  // The window goes on screen first and the assets load while it is there: loading takes longer
  // than everything before it, and a player who starts the game should see it at once.
  ShowNativeWindow(h, showCommand);
  UpdateNativeWindow(h);
  ShowNativeWindow(h, SW_SHOWMAXIMIZED);
  // The synthesizer loads its SoundFont from now on, on a thread of its own, while the assets
  // load; started earlier it would take the processor from the window's creation. The title is
  // silent. Muted, there is no synthesizer at all.
  if (!settings.mute) window->music.Prepare();
  // A close request while the assets load (the close button, SIGTERM, Ctrl+C) cuts the load
  // short; the request then waits in the queue, and the loop closes the window at once.
  // The run files are read and the data digested under the same check.
  SetLoadCancelCheck(&ClosePending);
  window->OnCreate();
  const bool opened = !LoadCancelled() && OpenRuns(*window);
  const bool cancelled = LoadCancelled();
  SetLoadCancelCheck(nullptr);
  if (cancelled) return false;
  if (!opened) {
    exitCode = 1;
    // Closed like any window, so the loop ends as it always does.
    PostMessage(h, WM_CLOSE, 0, 0);
    return false;
  }
  // The whole title picture, not only what the first frame changes.
  UpdateNativeWindow(h);
  if (settings.fullScreen) window->SetFullScreen(true);
  window->StartGameThread();
  return true;
}

int GameApplication::Exit() { return 0; }

void GameApplication::DeleteMainWindow() {
  delete mainWindow;
  mainWindow = nullptr;
}

bool GameApplication::OpenRuns(GameWindow& game) {
  if (!settings.replayFile.empty()) {
    const std::string name = EscapedPath(settings.replayFile);
    if (!replay.Load(settings.replayFile.c_str(), game.AssetDigest())) {
      std::fprintf(stderr, "brellow-didovez: %s: %s\n", name.c_str(), LastError());
      return false;
    }
    if (!replay.Complete()) {
      std::fprintf(stderr,
                   "brellow-didovez: %s: cut short, it ends %s at byte %zu; its %llu frames "
                   "replay up to there\n",
                   name.c_str(), replay.CutInsideRecord() ? "inside a record" : "without its end",
                   replay.CutAt(), static_cast<unsigned long long>(replay.Frames()));
    }
    game.SetReplay(&replay);
  }
  if (!settings.recordFile.empty()) {
    if (!recorder.Open(settings.recordFile.c_str(), game.AssetDigest(), settings.force)) {
      std::fprintf(stderr, "brellow-didovez: %s: %s\n", EscapedPath(settings.recordFile).c_str(),
                   LastError());
      return false;
    }
    game.SetRecorder(&recorder);
  }
  return true;
}

int GameApplication::Finish() {
  auto* game = static_cast<GameWindow*>(mainWindow);
  const bool run = !settings.recordFile.empty() || !settings.replayFile.empty();
  if (!run || !game || exitCode != 0) return exitCode;
  if (!recorder.Close()) {
    std::fprintf(stderr, "brellow-didovez: %s: the recording could not be written completely\n",
                 EscapedPath(settings.recordFile).c_str());
    exitCode = 1;
  }
  game->SetRecorder(nullptr);
  // A replay that ran to its end printed its line then.
  if (game->ReplayEndLine().empty()) std::printf("%s\n", game->Summary().c_str());
  std::fflush(stdout);
  return exitCode;
}

}  // namespace brellow
