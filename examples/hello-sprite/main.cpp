// hello-sprite: the smallest whole program on the Oru library. A window shows a backdrop and a
// keyed sprite that the pad (arrow keys, numeric pad or joystick) moves; Space plays a sound
// panned to where the sprite is; a MIDI tune loops through the synthesizer; Escape quits.
//
// It follows the shape of a game on the library: one Application whose Init creates the window,
// shows it and starts a game thread; the primary thread then only pumps messages. The game
// thread polls the pad, moves the sprite and presents the changed tiles under a frame lock, then
// waits for the next 30 ms slot. The pictures, the sound and the tune are made in code, so the
// program needs no data files.
//
//   hello-sprite [--frames N]     quit by itself after N frames (for runs without a display:
//                                 SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy hello-sprite --frames 300)
#include <oru/graphics/screen_surface.h>
#include <oru/graphics/surface.h>
#include <oru/input/pad.h>
#include <oru/platform/canvas.h>
#include <oru/platform/clock.h>
#include <oru/platform/event_loop.h>
#include <oru/platform/joystick.h>
#include <oru/platform/keys.h>
#include <oru/platform/native_window.h>
#include <oru/platform/threads.h>
#include <oru/shell/application.h>
#include <oru/shell/frame_pacer.h>
#include <oru/shell/window.h>
#include <oru/sound/midi_sequencer.h>
#include <oru/sound/wave_sound.h>
#include <oru/version.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

using namespace oru;

constexpr int kWidth = 640, kHeight = 480;
constexpr int kSpriteSize = 48;
constexpr int kKeyIndex = 245;  // the sprite's transparent index
constexpr int kStep = 6;        // pixels per frame

// The byte writers below push byte by byte: GCC 12 at -O3 mistakes a vector insert of a few
// bytes for an overflow, and this example builds with warnings as errors.
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void PutLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBig(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A WAVE file in memory: 0.15 s of 8-bit mono at 22050 Hz, a square wave falling in pitch.
std::vector<std::uint8_t> MakeBlip() {
  constexpr std::uint32_t kRate = 22050, kSamples = kRate * 15 / 100;
  std::vector<std::uint8_t> wav;
  auto tag = [&](const char* t) { PutTag(wav, t); };
  tag("RIFF");
  PutLittle(wav, 36 + kSamples, 4);
  tag("WAVE");
  tag("fmt ");
  PutLittle(wav, 16, 4);
  PutLittle(wav, 1, 2);  // integer PCM
  PutLittle(wav, 1, 2);  // mono
  PutLittle(wav, kRate, 4);
  PutLittle(wav, kRate, 4);
  PutLittle(wav, 1, 2);
  PutLittle(wav, 8, 2);
  tag("data");
  PutLittle(wav, kSamples, 4);
  double phase = 0;
  for (std::uint32_t i = 0; i < kSamples; ++i) {
    const double t = static_cast<double>(i) / kSamples;
    phase += (880.0 - 500.0 * t) / kRate;
    const double level = 50.0 * (1.0 - t);  // fades out
    wav.push_back(static_cast<std::uint8_t>(128 + (std::fmod(phase, 1.0) < 0.5 ? level : -level)));
  }
  return wav;
}

// A Standard MIDI File in memory: format 0, 480 ticks per quarter note, a four-bar tune on a
// marimba over a bass line.
std::vector<std::uint8_t> MakeTune() {
  std::vector<std::uint8_t> track;
  auto event = [&](std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    // Delta times are variable-length numbers, 7 bits a byte, high bit set on all but the last.
    std::uint8_t groups[4];
    int n = 0;
    do {
      groups[n++] = static_cast<std::uint8_t>(delta & 0x7F);
      delta >>= 7;
    } while (delta && n < 4);
    while (n-- > 0) track.push_back(static_cast<std::uint8_t>(groups[n] | (n ? 0x80 : 0)));
    for (std::uint8_t b : bytes) track.push_back(b);
  };
  event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 120 beats per minute
  event(0, {0xC0, 12});                            // channel 1: marimba
  event(0, {0xC1, 32});                            // channel 2: acoustic bass
  const std::uint8_t melody[] = {72, 76, 79, 76, 74, 77, 81, 77, 72, 76, 79, 84, 83, 79, 74, 71};
  const std::uint8_t bass[] = {48, 53, 48, 43};
  std::uint32_t wait = 0;  // ticks since the last event
  for (int i = 0; i < 16; ++i) {
    if (i % 4 == 0) {
      event(wait, {0x91, bass[i / 4], 80});
      wait = 0;
    }
    event(wait, {0x90, melody[i], 96});  // an eighth note, then an eighth's rest
    event(240, {0x80, melody[i], 0});
    wait = 240;
    if (i % 4 == 3) {
      event(wait, {0x81, bass[i / 4], 0});
      wait = 0;
    }
  }
  event(wait, {0xFF, 0x2F, 0x00});  // end of track

  std::vector<std::uint8_t> smf;
  auto tag = [&](const char* t) { PutTag(smf, t); };
  tag("MThd");
  PutBig(smf, 6, 4);
  PutBig(smf, 0, 2);    // format 0
  PutBig(smf, 1, 2);    // one track
  PutBig(smf, 480, 2);  // ticks per quarter note
  tag("MTrk");
  PutBig(smf, static_cast<std::uint32_t>(track.size()), 4);
  for (std::uint8_t b : track) smf.push_back(b);
  return smf;
}

class HelloWindow : public Window {
 public:
  explicit HelloWindow(int frameLimit) : frameLimit_(frameLimit) {
    pad_.Configure(0, 0);
    screen_.Create(kWidth, kHeight);
    screen_.SetBackdrop(&backdrop_);
    screen_.SetScene(&scene_);
  }

  ~HelloWindow() override { StopThread(); }

  // The pictures, the sound and the tune; the tune starts at once.
  bool OnCreate() override {
    backdrop_.Create(kWidth, kHeight);
    backdrop_.GradientFill(0x804010, 0xF0C080);  // colours are 0x00BBGGRR: navy to sky blue
    backdrop_.FillRectColour(Rect{0, 400, kWidth, kHeight}, 0x208040);
    for (int x = 0; x < kWidth; x += 80) backdrop_.DrawLine(x, 400, x + 40, 360, 0x106030, 3);
    backdrop_.DrawTextAt(10, 10, "hello-sprite: arrows move, Space blips, Escape quits", 0xFFFFFF);

    sprite_.Create(kSpriteSize, kSpriteSize);
    sprite_.Fill(kKeyIndex);
    sprite_.SetTransparentIndex(kKeyIndex);  // the colour key: these pixels are not drawn
    sprite_.FillRectColour(Rect{4, 4, 44, 44}, 0x00D0FF);
    sprite_.FrameRectColour(Rect{4, 4, 44, 44}, 0x004080, 2);
    sprite_.FillRectColour(Rect{14, 14, 20, 22}, 0x000000);
    sprite_.FillRectColour(Rect{28, 14, 34, 22}, 0x000000);
    sprite_.DrawLine(14, 32, 34, 32, 0x0000A0, 3);
    sprite_.BuildRunTable(1);  // skips the transparent runs a block at a time
    sprite_.SetPosition((kWidth - kSpriteSize) / 2, 300);
    scene_.AddChild(&sprite_);

    const std::vector<std::uint8_t> blip = MakeBlip();
    blip_.SetWindow(handle);
    blip_.LoadImage(blip.data(), blip.size());
    const std::vector<std::uint8_t> tune = MakeTune();
    music_.LoadImage(tune);
    music_.SetLoop(true);
    music_.Play();  // silent without a sound device or a SoundFont
    return true;
  }

  void OnPaint() override {
    std::lock_guard lock(frameLock_);
    screen_.RequestFullRedraw();
    screen_.Update(CanvasOf(handle), 0, 0);
  }

  void OnKeyDown(WParam key, LParam data, int reserved) override {
    if (key == VK_ESCAPE) PostMessage(handle, WM_CLOSE, 0, 0);
    Window::OnKeyDown(key, data, reserved);
  }

  void OnGetMinMaxInfo(MinMaxInfo* info) override {
    info->maxTrackSize = {kWidth, kHeight};
    Window::OnGetMinMaxInfo(info);
  }

  // The thread stops before the window goes; default processing then destroys the window,
  // which ends the message loop.
  void OnClose() override {
    StopThread();
    music_.Stop();
    Window::OnClose();
  }

  bool StartThread() {
    running_ = true;
    threadId_ = CreateThread(&ThreadMain, this);
    return threadId_ != 0;
  }

  int FramesRun() const { return frames_; }

 private:
  static std::uint32_t ThreadMain(void* argument) {
    auto* self = static_cast<HelloWindow*>(argument);
    while (self->running_) self->Frame();
    return 0;
  }

  void StopThread() {
    running_ = false;
    WaitForThread(threadId_, kWaitForever);
  }

  void Frame() {
    pad_.Poll();
    {
      std::lock_guard lock(frameLock_);
      const int dx = (pad_.Held(PadRight) ? kStep : 0) - (pad_.Held(PadLeft) ? kStep : 0);
      const int dy = (pad_.Held(PadDown) ? kStep : 0) - (pad_.Held(PadUp) ? kStep : 0);
      sprite_.SetPosition(std::clamp(sprite_.X() + dx, 0, kWidth - kSpriteSize),
                          std::clamp(sprite_.Y() + dy, 0, kHeight - kSpriteSize));
      // Pan in hundredths of a decibel: the far side is turned down by up to 20 dB.
      if (pad_.Pressed(PadButton1))
        blip_.Play((sprite_.X() * 2 - (kWidth - kSpriteSize)) * 2000 / kWidth);
      if (pacer_.Carry() == 0) screen_.Update(CanvasOf(handle), 0, 0);
    }
    pacer_.Wait(30);
    if (++frames_ == frameLimit_) {
      running_ = false;
      PostMessage(handle, WM_CLOSE, 0, 0);
    }
  }

  int frameLimit_;
  std::atomic<int> frames_{0};
  std::atomic<bool> running_{false};
  std::uint32_t threadId_ = 0;
  CriticalSection frameLock_;
  FramePacer pacer_;
  Pad pad_;
  ScreenSurface screen_;
  Surface backdrop_, scene_, sprite_;
  WaveSound blip_;
  MidiSequencer music_;
};

class HelloApplication : public Application {
 public:
  int frameLimit = 0;  // 0: until Escape or the close button

  bool Init() override {
    auto* window = new HelloWindow(frameLimit);
    mainWindow = window;
    const WindowHandle h = window->Create(nullptr, "hello-sprite", 0);
    if (!h) return false;
    JoystickStartUp();
    window->OnCreate();
    ShowNativeWindow(h, SW_SHOWNORMAL);
    UpdateNativeWindow(h);
    return window->StartThread();
  }
};

HelloApplication application;

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      application.frameLimit = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: hello-sprite [--frames N]\n");
      return 2;
    }
  }
  if (!StartVideo()) {
    std::fprintf(stderr, "hello-sprite: no display could be opened (%s)\n", VideoStartFailure());
    return 1;
  }
  application.Run(nullptr, nullptr, argv[0], SW_SHOWNORMAL);
  const auto* window = static_cast<const HelloWindow*>(application.MainWindow());
  std::printf("hello-sprite %s: %d frames\n", ORU_VERSION, window ? window->FramesRun() : 0);
  return 0;
}
