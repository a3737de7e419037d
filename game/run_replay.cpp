// Reading run files back, and the digest of the data files a run belongs to.
#include "game/run_replay.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <new>

#include "oru/data/byte_reader.h"
#include "oru/data/data_source.h"
#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"
#include "oru/data/whole_file.h"
#include "oru/platform/files.h"

namespace brellow {

using namespace oru;

namespace {

enum class Varint { kOk, kCut, kDamaged };

// A varint of at most 5 bytes holding a 32-bit value.
Varint ReadVarint(ByteReader& in, std::uint32_t* value) {
  std::uint64_t v = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (!in.Has(1)) return Varint::kCut;
    const std::uint8_t byte = in.U8();
    v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) {
      if (v > 0xFFFFFFFFu) return Varint::kDamaged;
      *value = static_cast<std::uint32_t>(v);
      return Varint::kOk;
    }
  }
  return Varint::kDamaged;
}

// How often the load asks whether the game is closing, in records.
constexpr std::uint64_t kCancelCheckRecords = 4096;

}  // namespace

RunReplay::Decoded RunReplay::DecodeRecord(std::span<const std::uint8_t> bytes, Cursor& cursor,
                                           std::uint64_t frames, Record& record,
                                           std::vector<std::uint32_t>& reads) {
  ByteReader in(bytes.data(), bytes.size());
  in.Seek(cursor.at);
  const std::size_t at = cursor.at;
  reads.clear();
  // A varint that cannot be valid is damage; one the file ends inside is a cut.
  const auto varint = [&](std::uint32_t* value, const char* what) {
    const Varint got = ReadVarint(in, value);
    if (got == Varint::kDamaged)
      SetLastError("the %s in the record at offset %zu is longer than 5 bytes or over 32 bits",
                   what, at);
    return got;
  };
  const std::uint8_t tag = in.U8();
  if (tag == kRunTagEnd) {
    std::uint32_t total = 0;
    if (const Varint v = varint(&total, "frame total"); v != Varint::kOk)
      return v == Varint::kCut ? Decoded::kCut : Decoded::kDamaged;
    if (total != frames) {
      SetLastError("the end record at offset %zu counts %u frames, the file holds %" PRIu64, at,
                   total, frames);
      return Decoded::kDamaged;
    }
    if (!in.AtEnd()) {
      SetLastError("%zu bytes follow the end record at offset %zu", in.Remaining(), at);
      return Decoded::kDamaged;
    }
    cursor.at = in.Position();
    return Decoded::kEnd;
  }
  Record r;
  if (tag >= kRunTagShort) {
    if (!in.Has(1)) return Decoded::kCut;
    const std::uint8_t held = in.U8();
    r.count = static_cast<std::uint32_t>(tag - kRunTagShort) + 1;
    r.first = {held, static_cast<std::uint8_t>(held & ~cursor.previous.held),
               cursor.previous.pacing};
    r.rest = {held, 0, cursor.previous.pacing};
  } else if (tag == kRunTagRun || tag == kRunTagFrame) {
    r.count = 1;
    if (tag == kRunTagRun) {
      if (const Varint v = varint(&r.count, "frame count"); v != Varint::kOk)
        return v == Varint::kCut ? Decoded::kCut : Decoded::kDamaged;
    }
    if (!in.Has(3)) return Decoded::kCut;
    r.first.held = in.U8();
    r.first.pressed = in.U8();
    const std::uint8_t flags = in.U8();
    if (flags & ~kRunFlagPacing) {
      SetLastError("unknown flags 0x%02X in the record at offset %zu", static_cast<unsigned>(flags),
                   at);
      return Decoded::kDamaged;
    }
    r.first.pacing = (flags & kRunFlagPacing) != 0;
    r.rest = r.first;
    if (r.count == 0) {
      SetLastError("the run at offset %zu has no frames", at);
      return Decoded::kDamaged;
    }
    if (tag == kRunTagFrame) {
      std::uint32_t count = 0;
      if (const Varint v = varint(&count, "read count"); v != Varint::kOk)
        return v == Varint::kCut ? Decoded::kCut : Decoded::kDamaged;
      // Each read takes at least a byte: a count past the end is no cut, it never fitted.
      if (count > in.Remaining()) {
        SetLastError("the record at offset %zu counts %u clock reads, past the end of the file", at,
                     count);
        return Decoded::kDamaged;
      }
      reads.reserve(count);
      std::uint32_t clock = cursor.clock;
      for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t zigzag = 0;
        if (const Varint v = varint(&zigzag, "clock read"); v != Varint::kOk)
          return v == Varint::kCut ? Decoded::kCut : Decoded::kDamaged;
        clock += (zigzag >> 1) ^ (0u - (zigzag & 1));
        reads.push_back(clock);
      }
      cursor.clock = clock;
    }
  } else {
    SetLastError("unknown record tag %u at offset %zu", static_cast<unsigned>(tag), at);
    return Decoded::kDamaged;
  }
  if (frames + r.count > kRunMaxFrames) {
    SetLastError("more than %" PRIu64 " frames at offset %zu", kRunMaxFrames, at);
    return Decoded::kDamaged;
  }
  // A short record's flags are the previous frame's; what follows it sees its last frame.
  cursor.previous = r.count > 1 ? r.rest : r.first;
  cursor.at = in.Position();
  record = r;
  return Decoded::kRecord;
}

bool RunReplay::Load(const char* path, std::uint64_t expectedDigest) {
  std::vector<std::uint8_t> bytes;
  if (!path || !ReadWholeFile(path, bytes, kRunMaxFileBytes)) return false;
  return Adopt(std::move(bytes), expectedDigest, true);
}

bool RunReplay::LoadImage(std::span<const std::uint8_t> bytes, std::uint64_t expectedDigest,
                          bool checkDigest) {
  try {
    return Adopt(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expectedDigest,
                 checkDigest);
  } catch (const std::bad_alloc&) {
    SetLastError("too large to hold in memory");
    return false;
  }
}

bool RunReplay::Adopt(std::vector<std::uint8_t>&& bytes, std::uint64_t expectedDigest,
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

  // Every record is checked now, so a damaged file is refused before it plays; the reads are
  // decoded again when their frames come up.
  std::uint64_t frames = 0;
  bool complete = false;
  Cursor cursor;
  Record record;
  std::vector<std::uint32_t> reads, scratch;
  std::size_t mostReads = 0;
  try {
    for (std::uint64_t records = 1; cursor.at < bytes.size(); ++records) {
      if (records % kCancelCheckRecords == 0 && LoadCancelled()) {
        SetLastError("was not read to its end: the game is closing");
        return false;
      }
      const Decoded d = DecodeRecord(bytes, cursor, frames, record, scratch);
      if (d == Decoded::kDamaged) return false;
      if (d == Decoded::kCut) break;
      if (d == Decoded::kEnd) {
        complete = true;
        break;
      }
      frames += record.count;
      mostReads = std::max(mostReads, scratch.size());
    }
    reads.reserve(mostReads);
  } catch (const std::bad_alloc&) {
    SetLastError("too large to hold in memory");
    return false;
  }

  cutInside_ = !complete && cursor.at < bytes.size();
  cutAt_ = cursor.at;
  bytes_ = std::move(bytes);
  reads_ = std::move(reads);
  frames_ = frames;
  digest_ = digest;
  complete_ = complete;
  cursor_ = Cursor{};
  record_ = Record{};
  left_ = 0;
  nextRead_ = readsEnd_ = 0;
  lastClock_ = 0;
  played_ = 0;
  return true;
}

bool RunReplay::NextFrame(RunFrame* frame) {
  nextRead_ = readsEnd_ = 0;
  if (left_ == 0) {
    if (played_ >= frames_) return false;
    // Checked whole at the load: every record up to frames_ decodes.
    if (DecodeRecord(bytes_, cursor_, played_, record_, reads_) != Decoded::kRecord) {
      frames_ = played_;
      return false;
    }
    left_ = record_.count;
    *frame = record_.first;
    readsEnd_ = reads_.size();
  } else {
    *frame = record_.rest;
  }
  --left_;
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
  const auto addSize = [&add](std::uint64_t size, int bytes) {
    std::uint8_t sizeBytes[8];
    for (int i = 0; i < bytes; ++i) sizeBytes[i] = static_cast<std::uint8_t>(size >> (8 * i));
    add(sizeBytes, static_cast<std::size_t>(bytes));
  };
  std::vector<std::uint8_t> buffer(1 << 16);
  for (const char* name : names) {
    if (LoadCancelled()) break;
    add(name, std::strlen(name) + 1);
    DataSource source;
    if (!source.Open(name)) continue;
    if (source.Kind() == SourceFile) {
      // No loader reads a larger file, so neither does the digest: its size stands for it.
      FileFacts facts;
      if (ExamineFile(name, facts) && facts.size > kMaxLoadBytes) {
        addSize(facts.size, 8);
        continue;
      }
    }
    addSize(source.Size(), 4);
    for (std::size_t n; (n = source.Read(buffer.data(), buffer.size())) > 0;) {
      add(buffer.data(), n);
      if (LoadCancelled()) break;
    }
  }
  return hash;
}

}  // namespace brellow
