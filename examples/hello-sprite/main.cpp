// hello-sprite: the smallest whole program on the Oru library. A window shows a backdrop and a
// keyed sprite that the pad (arrow keys, numeric pad or joystick) moves; Space plays a sound
// panned to where the sprite is; a MIDI tune loops through the synthesizer; Escape quits.
//
// RunGame (oru/game_loop/game.h) makes the window and the screen, runs Frame on a paced game
// thread and closes everything in order. The pictures, the sound and the tune are made in code,
// so the program needs no data files.
//
//   hello-sprite [--frames N] [--headless]   quit by itself after N frames; --headless runs them
//                                            without a window or sound, as fast as they go
#include <oru/game_loop/game.h>
#include <oru/graphics/colour_conversion.h>
#include <oru/graphics/keyed_sprite.h>
#include <oru/sound/midi_sequencer.h>
#include <oru/sound/wave_sound.h>
#include <oru/version.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using namespace oru;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 640, kHeight = 480, kSpriteSize = 48, kStep = 6;  // pixels per frame

// Numbers byte by byte (GCC 12 at -O3 mistakes a vector insert of a few bytes for an overflow).
void Put(Bytes& out, std::uint32_t value, int bytes, bool bigEndian = false) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
}
void PutTag(Bytes& out, const char* tag) {
  Put(out, tag[0] | tag[1] << 8 | tag[2] << 16 | tag[3] << 24, 4);
}

// A WAVE file in memory: 0.15 s of 8-bit mono at 22050 Hz, a square wave falling in pitch.
Bytes MakeBlip() {
  constexpr std::uint32_t kRate = 22050, kSamples = kRate * 15 / 100;
  Bytes wav;
  PutTag(wav, "RIFF"), Put(wav, 36 + kSamples, 4), PutTag(wav, "WAVE"), PutTag(wav, "fmt ");
  Put(wav, 16, 4), Put(wav, 1, 2), Put(wav, 1, 2);  // integer PCM, mono
  Put(wav, kRate, 4), Put(wav, kRate, 4), Put(wav, 1, 2), Put(wav, 8, 2);
  PutTag(wav, "data"), Put(wav, kSamples, 4);
  double phase = 0;
  for (std::uint32_t i = 0; i < kSamples; ++i) {
    const double t = static_cast<double>(i) / kSamples, level = 50.0 * (1.0 - t);  // fades out
    phase += (880.0 - 500.0 * t) / kRate;
    wav.push_back(static_cast<std::uint8_t>(128 + (std::fmod(phase, 1.0) < 0.5 ? level : -level)));
  }
  return wav;
}

// A Standard MIDI File in memory: format 0, 480 ticks per quarter note, a four-bar tune on a
// marimba over a bass line.
Bytes MakeTune() {
  Bytes track;
  auto event = [&](std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    // Delta times are variable-length numbers, 7 bits a byte, high bit set on all but the last.
    for (int shift = 21; shift > 0; shift -= 7)
      if (delta >> shift)
        track.push_back(static_cast<std::uint8_t>(0x80 | ((delta >> shift) & 0x7F)));
    track.push_back(static_cast<std::uint8_t>(delta & 0x7F));
    for (std::uint8_t b : bytes) track.push_back(b);
  };
  event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 120 beats per minute
  event(0, {0xC0, 12}), event(0, {0xC1, 32});      // channel 1 marimba, channel 2 bass
  const std::uint8_t melody[] = {72, 76, 79, 76, 74, 77, 81, 77, 72, 76, 79, 84, 83, 79, 74, 71};
  const std::uint8_t bass[] = {48, 53, 48, 43};
  for (int i = 0; i < 16; ++i) {
    if (i % 4 == 0) event(0, {0x91, bass[i / 4], 80});
    event(i % 4 ? 240 : 0, {0x90, melody[i], 96});  // an eighth note, then an eighth's rest
    event(240, {0x80, melody[i], 0});
    if (i % 4 == 3) event(240, {0x81, bass[i / 4], 0});
  }
  event(0, {0xFF, 0x2F, 0x00});  // end of track
  Bytes smf;
  PutTag(smf, "MThd"), Put(smf, 6, 4, true), Put(smf, 0, 2, true), Put(smf, 1, 2, true);
  Put(smf, 480, 2, true), PutTag(smf, "MTrk"),
      Put(smf, static_cast<std::uint32_t>(track.size()), 4, true);
  smf.insert(smf.end(), track.begin(), track.end());
  return smf;
}

class Hello : public Game {
 public:
  // The pictures, the sound and the tune; the tune starts at once.
  bool Load(GameContext& g) override {
    g.backdrop.GradientFill(0x804010, 0xF0C080);  // colours are 0x00BBGGRR: navy to sky blue
    g.backdrop.FillRectColour(Rect{0, 400, kWidth, kHeight}, 0x208040);
    for (int x = 0; x < kWidth; x += 80) g.backdrop.DrawLine(x, 400, x + 40, 360, 0x106030, 3);
    g.backdrop.DrawTextAt(10, 10, "hello-sprite: arrows move, Space blips, Escape quits", 0xFFFFFF);

    sprite_.Create(kSpriteSize, kSpriteSize);
    sprite_.Fill(kConvertedTransparentIndex);  // the corner's colour becomes the key
    sprite_.FillRectColour(Rect{4, 4, 44, 44}, 0x00D0FF);
    sprite_.FrameRectColour(Rect{4, 4, 44, 44}, 0x004080, 2);
    sprite_.FillRectColour(Rect{14, 14, 20, 22}, 0x000000);
    sprite_.FillRectColour(Rect{28, 14, 34, 22}, 0x000000);
    sprite_.DrawLine(14, 32, 34, 32, 0x0000A0, 3);
    PrepareSprite(sprite_);  // keyed on the corner pixel, with its run table
    sprite_.SetPosition((kWidth - kSpriteSize) / 2, 300);
    g.scene.AddChild(&sprite_);

    const Bytes blip = MakeBlip(), tune = MakeTune();
    blip_.SetWindow(g.Window());
    blip_.LoadImage(blip.data(), blip.size());
    music_.LoadImage(tune);
    music_.SetLoop(true);
    music_.Play();  // silent without a sound device or a SoundFont
    return true;
  }

  void Frame(GameContext& g) override {
    const int dx = (g.pad.Held(PadRight) ? kStep : 0) - (g.pad.Held(PadLeft) ? kStep : 0);
    const int dy = (g.pad.Held(PadDown) ? kStep : 0) - (g.pad.Held(PadUp) ? kStep : 0);
    sprite_.SetPosition(std::clamp(sprite_.X() + dx, 0, kWidth - kSpriteSize),
                        std::clamp(sprite_.Y() + dy, 0, kHeight - kSpriteSize));
    // Pan in hundredths of a decibel: the far side is turned down by up to 20 dB.
    if (g.pad.Pressed(PadButton1))
      blip_.Play((sprite_.X() * 2 - (kWidth - kSpriteSize)) * 2000 / kWidth);
    ++frames;
  }

  void Close(GameContext&) override { music_.Stop(); }

  int frames = 0;

 private:
  Surface sprite_;
  WaveSound blip_;
  MidiSequencer music_;
};

}  // namespace

int main(int argc, char** argv) {
  GameSettings settings{.caption = "hello-sprite"};
  if (const int code = ReadGameOptions(argc, argv, settings); code != kRunTheGame) return code;
  Hello hello;
  const int code = RunGame(settings, hello);
  std::printf("hello-sprite %s: %d frames\n", ORU_VERSION, hello.frames);
  return code;
}
