// The loader drivers shared by the libFuzzer targets, their replay executables and the
// truncation sweep in tests/fuzz: each takes untrusted bytes and pushes them through one loader
// and everything a caller would do with a successful result.
//
//   oru::fuzz::RunBitmap(bytes, size);   // DecodeBitmap with and without the file header
//
// A driver never fails: bad bytes must come back as the loader's failure result. Whatever goes
// wrong shows up as a sanitizer report or a crash in the process that runs it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru::fuzz {

using Driver = void (*)(const std::uint8_t* data, std::size_t size);

// DecodeBitmap with the file header required and optional; a decoded picture is remapped to
// the default palette.
void RunBitmap(const std::uint8_t* data, std::size_t size);
// PackFile::OpenMemory and Unpack, then the in-memory reads over the content; the same bytes
// again as a pack file opened by name.
void RunPack(const std::uint8_t* data, std::size_t size);
// DataSource over a file holding the bytes: line reads with buffers of several sizes, byte
// reads, seeks and block reads.
void RunLines(const std::uint8_t* data, std::size_t size);
// LoadText into a 256-entry palette table from a file holding the bytes.
void RunPaletteText(const std::uint8_t* data, std::size_t size);
// WaveSound::LoadImage on a mixer without a device; a loaded sound is played and mixed, and
// played again through the fallback voice of a mixer at another rate.
void RunWave(const std::uint8_t* data, std::size_t size);
// MidiSequencer::LoadImage with a recording device and hand-driven ticks, a silent seek through
// the whole song, a few ticks of play and a stop; the merged list is described in words.
void RunMidi(const std::uint8_t* data, std::size_t size);
// RunReplay::LoadImage of a recorded run (any data digest), then every frame and clock read.
void RunRecordedRun(const std::uint8_t* data, std::size_t size);

struct NamedDriver {
  const char* name;  // the corpus folder and the fuzz target's suffix
  Driver run;
};
// Every driver, in a fixed order.
const NamedDriver* Drivers(std::size_t* count);

}  // namespace oru::fuzz
