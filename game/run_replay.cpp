// Reading run files back, and the digest of the data files a run belongs to.
#include "game/run_replay.h"

#include <cinttypes>
#include <cstring>
#include <new>

#include "oru/data/byte_reader.h"
#include "oru/data/data_source.h"
#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"

namespace brellow {

using namespace oru;

namespace {

// A varint of at most 5 bytes holding a 32-bit value; false when cut short or too long.
bool ReadVarint(ByteReader& in, std::uint32_t* value) {
  std::uint64_t v = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (!in.Has(1)) return false;
    const std::uint8_t byte = in.U8();
    v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) {
      if (v > 0xFFFFFFFFu) return false;
      *value = static_cast<std::uint32_t>(v);
      return true;
    }
  }
  return false;
}

}  // namespace

bool RunReplay::Load(const char* path, std::uint64_t expectedDigest) {
  std::vector<std::uint8_t> bytes;
  if (!path || !ReadWholeFile(path, bytes)) return false;
  return LoadImage(bytes, expectedDigest);
}

bool RunReplay::LoadImage(std::span<const std::uint8_t> bytes, std::uint64_t expectedDigest,
                          bool checkDigest) {
  ByteReader in(bytes.data(), bytes.size());
  const std::uint8_t* magic = in.Bytes(4);
  if (!magic || std::memcmp(magic, kRunMagic, 4) != 0) {
    SetLastError("is not a recorded run (no ORUR header)");
    return false;
  }
  const std::uint16_t version = in.U16Le();
  const std::uint16_t reserved = in.U16Le();
  const std::uint32_t digestLow = in.U32Le();
  const std::uint32_t digestHigh = in.U32Le();
  if (in.Failed()) {
    SetLastError("the header is cut short (%zu of %zu bytes)", bytes.size(), kRunHeaderSize);
    return false;
  }
  if (version != kRunVersion) {
    SetLastError("run format version %u is not supported (this game reads version %u)",
                 static_cast<unsigned>(version), static_cast<unsigned>(kRunVersion));
    return false;
  }
  if (reserved != 0) {
    SetLastError("reserved header bytes are not zero");
    return false;
  }
  const std::uint64_t digest = std::uint64_t{digestHigh} << 32 | digestLow;
  if (checkDigest && digest != expectedDigest) {
    SetLastError("was recorded with other data files (digest %016" PRIx64 ", these are %016" PRIx64
                 ")",
                 digest, expectedDigest);
    return false;
  }

  std::vector<Run> runs;
  std::vector<std::uint32_t> reads;
  std::uint64_t frames = 0;
  bool complete = false;
  std::uint32_t clock = 0;
  RunFrame previous;  // nothing held, pacing on
  try {
    while (!in.AtEnd()) {
      const std::size_t at = in.Position();
      const std::uint8_t tag = in.U8();
      if (tag == kRunTagEnd) {
        std::uint32_t total = 0;
        if (!ReadVarint(in, &total)) break;  // cut short inside the last record
        if (total != frames) {
          SetLastError("the end record at offset %zu counts %u frames, the file holds %" PRIu64, at,
                       total, frames);
          return false;
        }
        if (!in.AtEnd()) {
          SetLastError("%zu bytes follow the end record at offset %zu", in.Remaining(), at);
          return false;
        }
        complete = true;
        break;
      }
      if (tag >= kRunTagShort) {
        if (!in.Has(1)) break;
        const std::uint32_t count = static_cast<std::uint32_t>(tag - kRunTagShort) + 1;
        const std::uint8_t held = in.U8();
        if (frames + count > kRunMaxFrames) {
          SetLastError("more than %" PRIu64 " frames", kRunMaxFrames);
          return false;
        }
        const std::uint32_t noReads = static_cast<std::uint32_t>(reads.size());
        RunFrame first{held, static_cast<std::uint8_t>(held & ~previous.held), previous.pacing};
        runs.push_back({1, first, noReads, 0});
        if (count > 1) runs.push_back({count - 1, RunFrame{held, 0, previous.pacing}, noReads, 0});
        frames += count;
        previous.held = held;
        continue;
      }
      if (tag != kRunTagRun && tag != kRunTagFrame) {
        SetLastError("unknown record tag %u at offset %zu", static_cast<unsigned>(tag), at);
        return false;
      }
      Run run{1, {}, static_cast<std::uint32_t>(reads.size()), 0};
      if (tag == kRunTagRun && !ReadVarint(in, &run.count)) break;
      if (!in.Has(3)) break;
      run.inputs.held = in.U8();
      run.inputs.pressed = in.U8();
      const std::uint8_t flags = in.U8();
      if (flags & ~kRunFlagPacing) {
        SetLastError("unknown flags 0x%02X in the record at offset %zu",
                     static_cast<unsigned>(flags), at);
        return false;
      }
      run.inputs.pacing = (flags & kRunFlagPacing) != 0;
      if (run.count == 0) {
        SetLastError("the run at offset %zu has no frames", at);
        return false;
      }
      if (tag == kRunTagFrame) {
        std::uint32_t count = 0;
        if (!ReadVarint(in, &count)) break;
        // Each read takes at least a byte, so the count is bounded by what is left.
        if (count > in.Remaining()) break;
        bool whole = true;
        for (std::uint32_t i = 0; i < count && whole; ++i) {
          std::uint32_t zigzag = 0;
          whole = ReadVarint(in, &zigzag);
          const std::uint32_t delta = (zigzag >> 1) ^ (0u - (zigzag & 1));
          clock += delta;
          reads.push_back(clock);
        }
        if (!whole) {
          reads.resize(run.firstRead);
          break;
        }
        run.readCount = count;
      }
      if (frames + run.count > kRunMaxFrames) {
        SetLastError("more than %" PRIu64 " frames", kRunMaxFrames);
        return false;
      }
      frames += run.count;
      runs.push_back(run);
      previous = run.inputs;
    }
  } catch (const std::bad_alloc&) {
    SetLastError("too large to hold in memory");
    return false;
  }

  runs_ = std::move(runs);
  reads_ = std::move(reads);
  frames_ = frames;
  digest_ = digest;
  complete_ = complete;
  run_ = 0;
  left_ = 0;
  nextRead_ = readsEnd_ = 0;
  lastClock_ = 0;
  played_ = 0;
  return true;
}

bool RunReplay::NextFrame(RunFrame* frame) {
  if (left_ == 0) {
    if (run_ == runs_.size()) return false;
    left_ = runs_[run_++].count;
  }
  const Run& run = runs_[run_ - 1];
  --left_;
  *frame = run.inputs;
  nextRead_ = run.firstRead;
  readsEnd_ = run.firstRead + run.readCount;
  ++played_;
  return true;
}

std::uint32_t RunReplay::NextClock() {
  if (nextRead_ < readsEnd_) lastClock_ = reads_[nextRead_++];
  return lastClock_;
}

std::uint64_t DataDigest(std::span<const char* const> names) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  const auto add = [&hash](const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 0x100000001B3u;
  };
  std::vector<std::uint8_t> buffer(1 << 16);
  for (const char* name : names) {
    add(name, std::strlen(name) + 1);
    DataSource source;
    if (!source.Open(name)) continue;
    const std::uint32_t size = source.Size();
    const std::uint8_t sizeBytes[4] = {
        static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
        static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    add(sizeBytes, sizeof sizeBytes);
    for (std::size_t n; (n = source.Read(buffer.data(), buffer.size())) > 0;) add(buffer.data(), n);
  }
  return hash;
}

}  // namespace brellow
