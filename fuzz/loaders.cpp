// The loader drivers: untrusted bytes through each loader and through what a caller does next.
#include "fuzz/loaders.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "game/run_replay.h"
#include "oru/data/data_source.h"
#include "oru/data/pack_file.h"
#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "oru/graphics/palette_table.h"
#include "oru/graphics/surface.h"
#include "oru/platform/audio_device.h"
#include "oru/sound/midi_out.h"
#include "oru/sound/midi_sequencer.h"
#include "oru/sound/midi_song.h"
#include "oru/sound/wave_file.h"
#include "oru/sound/wave_sound.h"

namespace oru::fuzz {
namespace {

// A file that lives only in memory, reachable by name through /proc, so the loaders that open
// names see the bytes without touching the disk.
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) {
    fd_ = memfd_create("oru-fuzz", 0);
    if (fd_ < 0) return;
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = write(fd_, data + done, size - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    name_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() {
    if (fd_ >= 0) close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Null when the file could not be made.
  const char* Name() const { return fd_ >= 0 ? name_.c_str() : nullptr; }

 private:
  int fd_ = -1;
  std::string name_;
};

// Reads whatever a line-oriented caller reads, with every buffer size that has an edge: none, one
// byte (only the terminator fits), a few bytes, and a normal line buffer. The short buffers read
// only the first lines, so a driver run stays linear in the input's size.
template <typename Source>
void ReadEverything(Source& source, std::size_t size) {
  char buffer[260];
  for (int max : {0, 1, 2, 7, 256}) {
    source.Seek(0, 0);
    const std::size_t calls = max <= 1 ? 3 : max < 256 ? 64 : size + 2;
    for (std::size_t i = 0; i < calls; ++i) {
      const long before = source.Tell();
      char* line = source.GetLine(buffer, max);
      if (!line) break;
      if (max > 0 && std::char_traits<char>::length(line) >= static_cast<std::size_t>(max))
        __builtin_trap();
      // In-memory sources give empty lines for ever at the end and at a NUL byte.
      if (max > 1 && source.Tell() == before) break;
    }
  }
  source.Seek(-3, 2);
  while (source.GetChar() >= 0) {
  }
  source.Seek(5, 0);
  source.Seek(-100, 1);
  std::uint8_t block[97];
  while (source.Read(block, sizeof block) == sizeof block) {
  }
  source.Read(block, 0);
}

}  // namespace

void RunBitmap(const std::uint8_t* data, std::size_t size) {
  for (int headerOptional : {0, 1}) {
    BitmapHeader header;
    bool readable = ReadBitmapHeader(data, size, headerOptional, header);
    Surface picture;
    int decoded = DecodeBitmap(picture, data, size, headerOptional);
    if (decoded && !readable) __builtin_trap();  // a refused header never decodes
    if (decoded) {
      if (picture.Width() <= 0 || picture.Height() <= 0) __builtin_trap();
      RemapToTable(picture, nullptr, 1);
      picture.PixelAt(picture.Width() - 1, picture.Height() - 1);
    }
  }
}

void RunPack(const std::uint8_t* data, std::size_t size) {
  {
    PackFile pack;
    if (pack.OpenMemory(data, size) && pack.Unpack()) {
      if (pack.Size() != pack.Info().unpackedSize) __builtin_trap();
      ReadEverything(pack, pack.Size());
    }
  }
  MemoryFile file(data, size);
  if (!file.Name()) return;
  PackFile pack;
  if (pack.OpenFile(file.Name()) && pack.Unpack()) {
    if (pack.Size() != pack.Info().unpackedSize) __builtin_trap();
    pack.Unpack();  // a second unpack reads the file again
    ReadEverything(pack, pack.Size());
  }
}

void RunLines(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(data, size);
  if (!file.Name()) return;
  DataSource source;
  if (!source.Open(file.Name())) return;
  ReadEverything(source, source.Size());
}

void RunPaletteText(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(data, size);
  if (!file.Name()) return;
  PaletteTable table;
  LoadText(table, file.Name());
}

void RunWave(const std::uint8_t* data, std::size_t size) {
  WaveImageInfo info;
  if (ParseWaveImage(data, size, &info)) {
    if (info.dataOffset > size || info.dataBytes > size - info.dataOffset) __builtin_trap();
    PcmFormat format;
    WavePcmFormat(data, info, &format);
  }
  float out[2 * 256];
  AudioMixer mixer(22050, 4);
  WaveSound sound(&mixer);
  if (sound.LoadImage(data, size)) {
    sound.Play(0);
    sound.Play(-1500);
    for (int i = 0; i < 4; ++i) mixer.Mix(out, 256);
  }
  // A device without voices plays through the fallback voice.
  AudioMixer noVoices(44100, 0);
  WaveSound fallback(&noVoices);
  if (fallback.LoadImage(data, size) && fallback.Play(0)) {
    for (int i = 0; i < 4; ++i) noVoices.Mix(out, 256);
  }
}

namespace {

class HandTicks : public MidiTickSource {
 public:
  std::uint32_t Start(std::uint32_t, IntervalTimer::Callback callback,
                      std::uintptr_t user) override {
    callback_ = callback;
    user_ = user;
    id_ = ++lastId_;
    return id_;
  }
  void Stop() override { id_ = 0; }
  std::uint32_t Id() const override { return id_; }
  std::uint64_t NowMicroseconds() const override { return now_; }
  void Tick(int n) {
    for (int i = 0; i < n && id_ != 0; ++i) {
      now_ += 1000;
      callback_(id_, 0, user_, 0, 0);
    }
  }

 private:
  IntervalTimer::Callback callback_ = nullptr;
  std::uintptr_t user_ = 0;
  std::uint32_t id_ = 0, lastId_ = 0;
  std::uint64_t now_ = 0;
};

}  // namespace

void RunMidi(const std::uint8_t* data, std::size_t size) {
  MidiSong song;
  if (song.Load({data, size})) DescribeMidiEntries(song);

  MidiRecorder recorder;
  HandTicks ticks;
  MidiSequencer sequencer(&recorder, &ticks);
  if (!sequencer.LoadImage({data, size})) return;
  sequencer.SetLoop(false);
  sequencer.Play();
  ticks.Tick(20);
  sequencer.SeekTo(~std::uint64_t{0});
  ticks.Tick(20);
  sequencer.SetTempoOffset(40);
  sequencer.SeekTo(0);
  sequencer.SetLoop(true);
  ticks.Tick(50);
  sequencer.Stop();
}

// Besides playing what loads, the rule between damage and a cut: a file taken as cut short holds
// whole records up to CutAt, so those bytes alone load as the same frames, and any longer cut of
// the same file, never fewer.
void RunRecordedRun(const std::uint8_t* data, std::size_t size) {
  brellow::RunReplay replay;
  if (!replay.LoadImage({data, size}, 0, false)) return;
  brellow::RunFrame frame;
  std::uint64_t sum = 0;
  while (replay.NextFrame(&frame)) sum += frame.held + replay.NextClock() + replay.NextClock();
  if (replay.FramesPlayed() != replay.Frames()) __builtin_trap();
  (void)sum;
  if (replay.Complete()) return;
  if (replay.CutAt() > size || replay.CutInsideRecord() != (replay.CutAt() < size))
    __builtin_trap();
  brellow::RunReplay whole;
  if (!whole.LoadImage({data, replay.CutAt()}, 0, false) || whole.Complete() ||
      whole.CutInsideRecord() || whole.Frames() != replay.Frames())
    __builtin_trap();
}

const NamedDriver* Drivers(std::size_t* count) {
  static const NamedDriver drivers[] = {
      {"bmp", RunBitmap},      {"pack", RunPack},
      {"lines", RunLines},     {"palette_text", RunPaletteText},
      {"wave", RunWave},       {"midi", RunMidi},
      {"run", RunRecordedRun},
  };
  *count = std::size(drivers);
  return drivers;
}

}  // namespace oru::fuzz
