// `oru wav`: looks at and plays WAVE files the way the game does.
//
//   oru wav info FILE   one line: format <tag> channels <n> rate <hz> bits <b> data <offset> <bytes>;
//                       for a file the game cannot play, also the reason (and exit code 1)
//   oru wav play FILE   plays it once on a voice of the shared audio device and waits for the end
//
// FILE is looked up like every asset: a pack, a pack with the extension ".dpa", the plain file.
// Without a sound device the sound "plays" silently for as long as it lasts.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "oru/data/data_source.h"
#include "oru/data/last_error.h"
#include "oru/platform/audio_device.h"
#include "oru/platform/clock.h"
#include "oru/sound/wave_file.h"
#include "oru/sound/wave_sound.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

constexpr const char* kUsage = "wav info FILE | wav play FILE";

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

bool ReadAsset(const std::string& name, std::vector<std::uint8_t>& bytes) {
  DataSource source;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!source.Open(name.c_str()) || !source.Contents(data, size, bytes)) return false;
  if (data != bytes.data()) bytes.assign(data, data + size);
  return true;
}

int Info(const std::string& file) {
  std::vector<std::uint8_t> bytes;
  if (!ReadAsset(file, bytes)) {
    return Fail("wav", file, LastError());
  }
  WaveImageInfo info;
  if (!ParseWaveImage(bytes.data(), bytes.size(), &info)) {
    return Fail("wav", file, LastError());
  }
  std::printf("format %u channels %u rate %u bits %u data %u %u\n", info.formatTag, info.channels,
              info.samplesPerSecond, info.bitsPerSample, info.dataOffset, info.dataBytes);
  if (std::fflush(stdout) != 0) return 1;
  PcmFormat format;
  if (!WavePcmFormat(bytes.data(), info, &format)) {
    return Fail("wav", file, std::string("cannot be played: it ") + LastError());
  }
  return 0;
}

int Play(const std::string& file) {
  WaveSound sound;
  if (!sound.Load(file.c_str(), nullptr)) {
    return Fail("wav", file, LastError());
  }
  WaveImageInfo info;
  ParseWaveImage(sound.Image(), sound.ImageSize(), &info);
  const std::uint32_t lengthMs =
      static_cast<std::uint32_t>(static_cast<std::uint64_t>(sound.DataBytes() / info.blockAlign) *
                                 1000 / info.samplesPerSecond);
  VoiceDevice* device = sound.Device();
  if (device == nullptr) std::fprintf(stderr, "oru wav: no sound device, playing silently\n");
  std::signal(SIGINT, OnInterrupt);
  sound.Play(0);
  // Wait for the voice to finish; give up a second after the sound's length in any case.
  const std::uint32_t start = TimeGetTime();
  while (!interrupted && TimeGetTime() - start < lengthMs + 1000) {
    bool playing =
        device != nullptr && (device->IsPlaying(sound.VoiceId(0)) || device->FallbackPlaying());
    if (device != nullptr && !playing) break;
    if (device == nullptr && TimeGetTime() - start >= lengthMs) break;
    SleepMs(10);
  }
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("wav");
  if (args[0] == "info") return Info(args[1]);
  if (args[0] == "play") return Play(args[1]);
  return Usage("wav");
}

const CommandRegistration registration("wav", kUsage, Run);

}  // namespace
}  // namespace oru::tool
