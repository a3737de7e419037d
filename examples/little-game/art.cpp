// little-game-art: draws little-game's pictures and writes its sound and tune, at build time, into
// the folder given (each file is then packed by `oru pack`).
//
//   little-game-art OUT_DIR    writes sky.bmp, bird.bmp, coin.bmp, rock.bmp, chime.wav, tune.mid
#include <oru/graphics/bitmap_file.h>
#include <oru/graphics/surface.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace oru;
using Bytes = std::vector<std::uint8_t>;

constexpr int kKey = 245;  // the pictures' background; the game keys on the corner pixel

// Little-endian unless big is set; byte by byte (GCC 12 at -O3 mistakes a short vector insert
// for an overflow).
void Put(Bytes& out, std::uint32_t v, int bytes, bool big = false) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * (big ? bytes - 1 - i : i))));
}
void Tag(Bytes& out, const char* t) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
}

bool Write(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

// A sky twice the screen's width, so the game can scroll it round: a gradient, hills, clouds.
void DrawSky(Surface& s) {
  s.Create(1280, 480);
  s.GradientFill(0x703010, 0xF0D0A0);  // 0x00BBGGRR: deep blue at the top, pale at the horizon
  for (int x = 0; x < 1280; x += 160) {
    s.DrawLine(x, 470, x + 80, 380, 0x207030, 6);
    s.DrawLine(x + 80, 380, x + 160, 470, 0x207030, 6);
  }
  s.FillRectColour(Rect{0, 440, 1280, 480}, 0x104820);
  for (int x = 60; x < 1280; x += 320)
    s.FillRectColour(Rect{x, 80 + x % 90, x + 90, 104 + x % 90}, 0xFFFFFF);
}

// Two frames of a bird, wings up and wings down, side by side.
void DrawBird(Surface& s) {
  s.Create(96, 32);
  s.Fill(kKey);
  for (int frame = 0; frame < 2; ++frame) {
    const int x = frame * 48, wing = frame ? 26 : 4;
    s.FillRectColour(Rect{x + 10, 12, x + 38, 26}, 0x00C0FF);  // body
    s.FillRectColour(Rect{x + 38, 15, x + 46, 20}, 0x0060FF);  // beak
    s.FillRectColour(Rect{x + 30, 14, x + 34, 18}, 0x000000);  // eye
    s.DrawLine(x + 14, 16, x + 24, wing, 0x0080C0, 4);         // wing
  }
}

void DrawRound(Surface& s, int size, std::uint32_t fill, std::uint32_t edge) {
  s.Create(size, size);
  s.Fill(kKey);
  const int inset = size / 5;
  s.FillRectColour(Rect{inset, 2, size - inset, size - 2}, fill);
  s.FillRectColour(Rect{2, inset, size - 2, size - inset}, fill);
  s.FrameRectColour(Rect{inset, inset, size - inset, size - inset}, edge, 2);
}

// 0.2 s of two rising sine tones, 16-bit mono at 22050 Hz.
Bytes MakeChime() {
  constexpr std::uint32_t kRate = 22050, kSamples = kRate / 5;
  Bytes wav;
  Tag(wav, "RIFF"), Put(wav, 36 + kSamples * 2, 4), Tag(wav, "WAVE"), Tag(wav, "fmt ");
  Put(wav, 16, 4), Put(wav, 1, 2), Put(wav, 1, 2), Put(wav, kRate, 4), Put(wav, kRate * 2, 4);
  Put(wav, 2, 2), Put(wav, 16, 2), Tag(wav, "data"), Put(wav, kSamples * 2, 4);
  for (std::uint32_t i = 0; i < kSamples; ++i) {
    const double t = static_cast<double>(i) / kRate, pitch = i < kSamples / 2 ? 988.0 : 1319.0;
    const double v = std::sin(2 * 3.14159265 * pitch * t) * 9000.0 * (1.0 - i / double(kSamples));
    Put(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
  }
  return wav;
}

// A Standard MIDI File: format 0, 96 ticks a beat, a vibraphone arpeggio over four chords.
Bytes MakeTune() {
  Bytes track;
  auto event = [&](std::uint8_t delta, std::initializer_list<std::uint8_t> bytes) {
    track.push_back(delta);  // every delta here is below 128: one byte
    track.insert(track.end(), bytes.begin(), bytes.end());
  };
  event(0, {0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0});  // 100 beats per minute
  event(0, {0xC0, 11});                            // vibraphone
  const std::uint8_t roots[] = {60, 57, 65, 67};
  for (std::uint8_t root : roots)
    for (std::uint8_t step : {0, 4, 7, 12, 7, 4, 0, 7}) {
      event(0, {0x90, static_cast<std::uint8_t>(root + step), 90});
      event(48, {0x80, static_cast<std::uint8_t>(root + step), 0});  // an eighth note
    }
  event(0, {0xFF, 0x2F, 0x00});
  Bytes smf;
  Tag(smf, "MThd"), Put(smf, 6, 4, true), Put(smf, 0, 2, true), Put(smf, 1, 2, true);
  Put(smf, 96, 2, true), Tag(smf, "MTrk"),
      Put(smf, static_cast<std::uint32_t>(track.size()), 4, true);
  smf.insert(smf.end(), track.begin(), track.end());
  return smf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: little-game-art OUT_DIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  Surface sky, bird, coin, rock;
  DrawSky(sky);
  DrawBird(bird);
  DrawRound(coin, 24, 0x00D8FF, 0x0090C0);
  DrawRound(rock, 32, 0x606070, 0x303038);
  bool ok =
      SaveBitmap(sky, (dir + "sky.bmp").c_str()) && SaveBitmap(bird, (dir + "bird.bmp").c_str()) &&
      SaveBitmap(coin, (dir + "coin.bmp").c_str()) && SaveBitmap(rock, (dir + "rock.bmp").c_str());
  ok = ok && Write(dir + "chime.wav", MakeChime()) && Write(dir + "tune.mid", MakeTune());
  if (!ok) std::fprintf(stderr, "little-game-art: %s could not be written\n", argv[1]);
  return ok ? 0 : 1;
}
