// Reading, expanding, writing and extracting packs.
#include "oru/data/pack_file.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "oru/data/atomic_file.h"
#include "oru/data/byte_reader.h"
#include "oru/data/last_error.h"
#include "oru/data/memory_stream_internal.h"
#include "oru/data/pack_codec_internal.h"
#include "oru/data/whole_file.h"
#include "oru/platform/files.h"

namespace oru {
namespace {

constexpr char kMagic[5] = {'O', 'R', 'U', 'P', '\0'};
constexpr std::size_t kFixedHead = PackFile::kHeaderSize + PackFile::kInfoSize;

// Length of an open file, or -1; the position is left at the start.
long long FileLength(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  long length = std::ftell(f);
  if (length < 0 || std::fseek(f, 0, SEEK_SET) != 0) return -1;
  return length;
}

bool HasMagic(const std::uint8_t* bytes, std::size_t size) {
  return size >= sizeof kMagic && std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
}

bool NotAPack() {
  SetLastError("is not a pack (it does not start with \"ORUP\" and a 0 byte)");
  return false;
}

// The same file by its identity on the disk (a path may name it another way).
bool SameFile(const char* a, const char* b) {
  FileFacts fa, fb;
  return ExamineFile(a, fa) && ExamineFile(b, fb) && fa.volume == fb.volume && fa.index == fb.index;
}

// Why a stored name is not safe to write under, or null. Names that would leave the current
// folder, or mean something else on another system, are refused.
const char* UnsafeNameReason(const char* name) {
  if (!name || !*name) return "the stored name is empty";
  const std::string n = name;
  if (n[0] == '/') return "the stored name is an absolute path";
  if (n.find('\\') != std::string::npos) return "the stored name holds a backslash";
  if (n.size() >= 2 && n[1] == ':' &&
      ((n[0] >= 'A' && n[0] <= 'Z') || (n[0] >= 'a' && n[0] <= 'z')))
    return "the stored name starts with a drive";
  for (std::size_t start = 0; start <= n.size();) {
    std::size_t end = n.find('/', start);
    if (end == std::string::npos) end = n.size();
    if (n.compare(start, end - start, "..") == 0) return "the stored name has a \"..\" component";
    start = end + 1;
  }
  if (n.back() == '/') return "the stored name ends in \"/\", a folder";
  return nullptr;
}

}  // namespace

std::string PackFile::PackName(const char* name) {
  std::string result = name ? name : "";
  std::size_t dot = result.find_last_of('.');
  std::size_t slash = result.find_last_of("/\\");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) result.resize(dot);
  return result + ".dpa";
}

// Checks the header, the info block and the stored name held in the first `available` bytes of
// a pack of totalSize bytes, and that both areas and the unpacked size fit what is there.
bool PackFile::ParseHeader(const std::uint8_t* bytes, std::size_t available, std::size_t totalSize,
                           PackInfo& info, std::uint32_t& areaOffset, std::string& storedName) {
  if (!bytes || !HasMagic(bytes, available)) return NotAPack();
  ByteReader in(bytes, available);
  in.Seek(12);
  const std::uint64_t infoSize = in.U32Le();
  info.version = in.U32Le();
  info.nameLength = in.U32Le();
  info.flagBytes = in.U32Le();
  info.dataBytes = in.U32Le();
  info.unpackedSize = in.U32Le();
  if (in.Failed()) {
    SetLastError("is too short for a pack header (%zu bytes, %zu needed)", totalSize, kFixedHead);
    return false;
  }
  if (infoSize < kInfoSize) {
    SetLastError("has an info block of %llu bytes at offset 12, fewer than %u",
                 static_cast<unsigned long long>(infoSize), kInfoSize);
    return false;
  }
  const std::uint64_t nameOffset = kHeaderSize + infoSize;
  const std::uint64_t areas = nameOffset + info.nameLength;
  if (areas > available || areas > std::numeric_limits<std::uint32_t>::max()) {
    SetLastError(
        "has an info block (%llu bytes) and stored name (%u bytes) reaching past its end (%zu "
        "bytes)",
        static_cast<unsigned long long>(infoSize), info.nameLength, totalSize);
    return false;
  }
  if (areas + info.flagBytes + info.dataBytes > totalSize) {
    SetLastError(
        "declares %u flag bytes and %u data bytes at offset %llu, past its end (%zu bytes)",
        info.flagBytes, info.dataBytes, static_cast<unsigned long long>(areas), totalSize);
    return false;
  }
  // A back-reference is two data bytes for at most 18 output bytes; a literal one for one.
  if (info.unpackedSize > std::uint64_t{info.dataBytes} * (kPackMaxMatch / 2)) {
    SetLastError("declares %u unpacked bytes, more than its %u data bytes can give",
                 info.unpackedSize, info.dataBytes);
    return false;
  }
  if (info.unpackedSize > kMaxLoadBytes) {
    SetLastError("unpacks to %u bytes, more than the %zu bytes a loader takes", info.unpackedSize,
                 kMaxLoadBytes);
    return false;
  }
  const char* name = reinterpret_cast<const char*>(bytes + nameOffset);
  storedName.assign(name, strnlen(name, info.nameLength));
  areaOffset = static_cast<std::uint32_t>(areas);
  return true;
}

StdFilePtr PackFile::OpenFileOrPack(const char* name, std::string& opened) {
  if (!name) {
    SetLastError("no file name given");
    return nullptr;
  }
  opened = name;
  StdFilePtr f = OpenRegularFile(name);
  if (f) return f;
  // Keep the reason about the name asked for: the ".dpa" name is only a fallback.
  const std::string reason = LastError();
  opened = PackName(name);
  f = OpenRegularFile(opened.c_str());
  SetLastError("%s", reason.c_str());
  return f;
}

bool PackFile::OpenFile(const char* name) {
  std::string opened;
  StdFilePtr f = OpenFileOrPack(name, opened);
  return f && OpenStream(f, opened.c_str());
}

bool PackFile::OpenStream(StdFilePtr& file, const char* openedName) {
  if (!file) {
    SetLastError("no file given");
    return false;
  }
  std::FILE* f = file.get();
  const long long length = FileLength(f);
  if (length < 0) {
    SetLastError("cannot be read to its end");
    return false;
  }
  // Read the fixed head first to learn how far the stored name reaches, then exactly that much.
  std::uint8_t fixed[kFixedHead];
  const std::size_t got = std::fread(fixed, 1, sizeof fixed, f);
  if (!HasMagic(fixed, got)) return NotAPack();
  if (got < sizeof fixed) {
    SetLastError("is too short for a pack header (%zu bytes, %zu needed)", got, kFixedHead);
    return false;
  }
  ByteReader in(fixed, sizeof fixed);
  in.Seek(12);
  const std::uint64_t infoSize = in.U32Le();
  in.Skip(4);
  const std::uint64_t nameLength = in.U32Le();
  const std::uint64_t headSize = kHeaderSize + infoSize + nameLength;
  std::vector<std::uint8_t> head;
  if (infoSize >= kInfoSize && headSize <= static_cast<std::uint64_t>(length)) {
    // Sized once from the checked total: the header, the info block and the stored name.
    try {
      head.resize(static_cast<std::size_t>(headSize));
    } catch (const std::bad_alloc&) {
      SetLastError("has a stored name of %llu bytes, more than memory holds",
                   static_cast<unsigned long long>(nameLength));
      return false;
    }
    std::memcpy(head.data(), fixed, sizeof fixed);
    const std::size_t rest = head.size() - sizeof fixed;
    if (rest && std::fread(head.data() + sizeof fixed, 1, rest, f) != rest) {
      SetLastError("cannot be read to the end of its stored name");
      return false;
    }
  } else {
    head.assign(fixed, fixed + sizeof fixed);  // ParseHeader names what is wrong
  }

  PackInfo info;
  std::uint32_t areaOffset = 0;
  std::string storedName;
  if (!ParseHeader(head.data(), head.size(), static_cast<std::size_t>(length), info, areaOffset,
                   storedName))
    return false;
  info_ = info;
  areaOffset_ = areaOffset;
  storedName_ = std::move(storedName);
  hasStoredName_ = true;
  packName_ = openedName ? openedName : "";
  hasPackName_ = true;
  image_ = nullptr;
  imageSize_ = 0;
  // Kept open for Unpack: the pack is opened once however it is read.
  file_ = std::move(file);
  return true;
}

bool PackFile::OpenMemory(const void* image, std::size_t size) {
  if (!image) {
    SetLastError("no pack image given");
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(image);
  PackInfo info;
  std::uint32_t areaOffset = 0;
  std::string storedName;
  if (!ParseHeader(bytes, size, size, info, areaOffset, storedName)) return false;
  info_ = info;
  areaOffset_ = areaOffset;
  storedName_ = std::move(storedName);
  hasStoredName_ = true;
  image_ = bytes;
  imageSize_ = size;
  file_.reset();
  return true;
}

bool PackFile::Unpack() {
  if (!hasStoredName_) {
    SetLastError("no pack is open");
    return false;
  }
  const std::size_t areaBytes = std::size_t{info_.flagBytes} + info_.dataBytes;
  std::vector<std::uint8_t> fromDisk;
  const std::uint8_t* areas = nullptr;
  if (image_) {
    if (areaOffset_ + areaBytes > imageSize_) {
      SetLastError("areas reach past the end of the pack");
      return false;
    }
    areas = image_ + areaOffset_;
  } else {
    std::FILE* f = file_.get();
    // The file may have changed since it was opened: check its length again.
    const long long length = FileLength(f);
    if (length < 0 || static_cast<std::uint64_t>(length) < areaOffset_ + areaBytes) {
      SetLastError("became shorter than its areas after it was opened");
      return false;
    }
    if (std::fseek(f, static_cast<long>(areaOffset_), SEEK_SET) != 0) {
      SetLastError("cannot be read at offset %u", areaOffset_);
      return false;
    }
    try {
      fromDisk.resize(areaBytes);
    } catch (const std::bad_alloc&) {
      SetLastError("needs %zu bytes of memory for its areas, which are not available", areaBytes);
      return false;
    }
    if (areaBytes && std::fread(fromDisk.data(), 1, areaBytes, f) != areaBytes) {
      SetLastError("cannot be read at offset %u", areaOffset_);
      return false;
    }
    areas = fromDisk.data();
  }
  // Not zero-filled: the decoder writes every byte or fails.
  std::unique_ptr<std::uint8_t[]> out(
      new (std::nothrow) std::uint8_t[info_.unpackedSize ? info_.unpackedSize : 1]);
  if (!out) {
    SetLastError("needs %u bytes of memory to unpack, which are not available", info_.unpackedSize);
    return false;
  }
  if (!DecodePack(areas, info_.flagBytes, areas + info_.flagBytes, info_.dataBytes, out.get(),
                  info_.unpackedSize))
    return false;
  data_ = std::move(out);
  dataSize_ = info_.unpackedSize;
  position_ = 0;
  return true;
}

std::size_t PackFile::Read(void* buffer, std::size_t count) {
  return memory_stream::Read(data_.get(), dataSize_, position_, buffer, count);
}

int PackFile::Seek(long offset, int origin) {
  return memory_stream::Seek(dataSize_, position_, offset, origin);
}

char* PackFile::GetLine(char* buffer, int max) {
  return memory_stream::GetLine(data_.get(), dataSize_, position_, buffer, max);
}

int PackFile::GetChar() { return memory_stream::GetChar(data_.get(), dataSize_, position_); }

namespace {

// The fixed part of a pack: the magic, the header word, the info block.
std::array<std::uint8_t, PackFile::kHeaderSize + PackFile::kInfoSize> FixedPart(
    std::size_t nameLength, const PackTokens& tokens, std::size_t size) {
  std::array<std::uint8_t, PackFile::kHeaderSize + PackFile::kInfoSize> out{};
  std::memcpy(out.data(), kMagic, sizeof kMagic);  // the 3 bytes after it stay 0
  const std::uint32_t words[] = {PackFile::kHeaderWord,
                                 PackFile::kInfoSize,
                                 PackFile::kVersion,
                                 static_cast<std::uint32_t>(nameLength),
                                 static_cast<std::uint32_t>(tokens.flags.size()),
                                 static_cast<std::uint32_t>(tokens.data.size()),
                                 static_cast<std::uint32_t>(size)};
  for (std::size_t w = 0; w < std::size(words); ++w)
    for (std::size_t i = 0; i < 4; ++i)
      out[8 + 4 * w + i] = static_cast<std::uint8_t>(words[w] >> (8 * i));
  return out;
}

}  // namespace

std::vector<std::uint8_t> PackFile::BuildImage(const void* bytes, std::size_t size,
                                               const char* storedName) {
  const char* name = storedName ? storedName : "";
  const std::size_t nameLength = std::strlen(name) + 1;
  PackTokens tokens;
  if (nameLength > std::numeric_limits<std::uint32_t>::max() / 2 ||
      !EncodePack(static_cast<const std::uint8_t*>(bytes), size, tokens))
    return {};
  // The image is sized once and filled at fixed offsets: appending piece by piece made g++ 12
  // see a write into an empty vector in instrumented builds (a false stringop-overflow).
  const auto fixed = FixedPart(nameLength, tokens, size);
  const std::size_t areaOffset = fixed.size();
  std::vector<std::uint8_t> image(
      areaOffset + nameLength + tokens.flags.size() + tokens.data.size(), 0);
  std::uint8_t* const out = image.data();
  std::memcpy(out, fixed.data(), fixed.size());
  std::memcpy(out + areaOffset, name, nameLength);
  if (!tokens.flags.empty())
    std::memcpy(out + areaOffset + nameLength, tokens.flags.data(), tokens.flags.size());
  if (!tokens.data.empty())
    std::memcpy(out + areaOffset + nameLength + tokens.flags.size(), tokens.data.data(),
                tokens.data.size());
  return image;
}

bool PackFile::PackMemory(const void* bytes, std::size_t size, const char* storedName,
                          const char* packName) {
  if (!packName || (!bytes && size)) {
    SetLastError("no pack name or no bytes given");
    return false;
  }
  const char* name = storedName ? storedName : "";
  const std::size_t nameLength = std::strlen(name) + 1;
  // The areas go to the file as they are, with no whole image assembled first: for a large
  // input that copy would be as large again as the tokens.
  PackTokens tokens;
  try {
    if (nameLength > std::numeric_limits<std::uint32_t>::max() / 2 ||
        !EncodePack(static_cast<const std::uint8_t*>(bytes), size, tokens)) {
      SetLastError("is too large for a pack (%zu bytes)", size);
      return false;
    }
  } catch (const std::bad_alloc&) {
    SetLastError("needs more memory to pack %zu bytes than is available", size);
    return false;
  }
  const auto fixed = FixedPart(nameLength, tokens, size);
  AtomicFile out;
  return out.Open(packName) && out.Write(fixed.data(), fixed.size()) &&
         out.Write(name, nameLength) &&
         (tokens.flags.empty() || out.Write(tokens.flags.data(), tokens.flags.size())) &&
         (tokens.data.empty() || out.Write(tokens.data.data(), tokens.data.size())) && out.Commit();
}

bool PackFile::IsSafeStoredName(const char* name) {
  const char* reason = UnsafeNameReason(name);
  if (reason) SetLastError("%s", reason);
  return reason == nullptr;
}

std::string PackFile::StoredNameFor(const char* sourceName) {
  if (!sourceName) return "";
  if (!UnsafeNameReason(sourceName)) return sourceName;
  const std::string n = sourceName;
  const std::size_t slash = n.find_last_of("/\\");
  return slash == std::string::npos ? n : n.substr(slash + 1);
}

bool PackFile::Pack(const char* sourceName, const char* packName, bool* sourceFailed) {
  if (sourceFailed) *sourceFailed = true;
  if (!sourceName) {
    SetLastError("no file name given");
    return false;
  }
  std::vector<std::uint8_t> source;
  if (!ReadWholeFile(sourceName, source)) return false;
  if (sourceFailed) *sourceFailed = false;
  const std::string out = packName ? packName : PackName(sourceName);
  if (SameFile(sourceName, out.c_str())) {
    SetLastError("the pack would be written over its own source");
    return false;
  }
  return PackMemory(source.data(), source.size(), StoredNameFor(sourceName).c_str(), out.c_str());
}

bool PackFile::Extract(const char* packName, bool replace) {
  if (!OpenFile(packName) || !Unpack() || !IsSafeStoredName(storedName_.c_str())) return false;
  return WriteFileAtomically(storedName_.c_str(), data_.get(), dataSize_, replace);
}

}  // namespace oru
