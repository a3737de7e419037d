// Reading, expanding, writing and extracting packs.
#include "oru/data/pack_file.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "oru/data/memory_stream.h"
#include "oru/data/pack_codec.h"

namespace oru {
namespace {

constexpr char kMagic[5] = {'O', 'R', 'U', 'P', '\0'};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenStdFile(const char* name, const char* mode) { return FilePtr(std::fopen(name, mode)); }

// Length of an open file, or -1; the position is left at the start.
long long FileLength(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  long length = std::ftell(f);
  if (length < 0 || std::fseek(f, 0, SEEK_SET) != 0) return -1;
  return length;
}

std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

bool ReadWholeFile(const char* name, std::vector<std::uint8_t>& bytes) {
  FilePtr f = OpenStdFile(name, "rb");
  if (!f) return false;
  long long length = FileLength(f.get());
  if (length < 0) return false;
  bytes.resize(static_cast<std::size_t>(length));
  return length == 0 || std::fread(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}

bool WriteWholeFile(const char* name, const std::vector<std::uint8_t>& bytes) {
  FilePtr f = OpenStdFile(name, "wb");
  if (!f) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
  return std::fclose(f.release()) == 0;
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
bool PackFile::ParseHeader(const std::uint8_t* bytes, std::size_t available, std::size_t totalSize, PackInfo& info,
                           std::uint32_t& areaOffset, std::string& storedName) {
  if (available < kHeaderSize + kInfoSize || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
  const std::uint64_t infoSize = ReadU32(bytes + 12);
  if (infoSize < kInfoSize) return false;
  const std::uint8_t* block = bytes + kHeaderSize;
  info.version = ReadU32(block);
  info.nameLength = ReadU32(block + 4);
  info.flagBytes = ReadU32(block + 8);
  info.dataBytes = ReadU32(block + 12);
  info.unpackedSize = ReadU32(block + 16);
  const std::uint64_t nameOffset = kHeaderSize + infoSize;
  const std::uint64_t areas = nameOffset + info.nameLength;
  if (areas > available || areas > std::numeric_limits<std::uint32_t>::max()) return false;
  if (areas + info.flagBytes + info.dataBytes > totalSize) return false;
  // A back-reference is two data bytes for at most 18 output bytes; a literal one for one.
  if (info.unpackedSize > std::uint64_t{info.dataBytes} * (kPackMaxMatch / 2)) return false;
  const char* name = reinterpret_cast<const char*>(bytes + nameOffset);
  storedName.assign(name, strnlen(name, info.nameLength));
  areaOffset = static_cast<std::uint32_t>(areas);
  return true;
}

bool PackFile::OpenFile(const char* name) {
  if (!name) return false;
  std::string opened = name;
  FilePtr f = OpenStdFile(name, "rb");
  if (!f) {
    opened = PackName(name);
    f = OpenStdFile(opened.c_str(), "rb");
    if (!f) return false;
  }
  const long long length = FileLength(f.get());
  if (length < static_cast<long long>(kHeaderSize + kInfoSize)) return false;
  // Read the header first to learn how far the stored name reaches, then exactly that much.
  std::uint8_t header[kHeaderSize];
  if (std::fread(header, 1, sizeof header, f.get()) != sizeof header) return false;
  if (std::memcmp(header, kMagic, sizeof kMagic) != 0) return false;
  const std::uint64_t infoSize = ReadU32(header + 12);
  if (infoSize < kInfoSize || kHeaderSize + infoSize > static_cast<std::uint64_t>(length)) return false;
  std::uint8_t nameField[8];
  if (std::fread(nameField, 1, sizeof nameField, f.get()) != sizeof nameField) return false;
  const std::uint64_t nameLength = ReadU32(nameField + 4);
  const std::uint64_t headSize = kHeaderSize + infoSize + nameLength;
  if (headSize > static_cast<std::uint64_t>(length)) return false;
  // Sized once from the checked total: the header, the info block and the stored name.
  std::vector<std::uint8_t> head(static_cast<std::size_t>(headSize));
  std::memcpy(head.data(), header, kHeaderSize);
  std::memcpy(head.data() + kHeaderSize, nameField, sizeof nameField);
  const std::size_t rest = static_cast<std::size_t>(headSize) - kHeaderSize - sizeof nameField;
  if (rest && std::fread(head.data() + kHeaderSize + sizeof nameField, 1, rest, f.get()) != rest) return false;

  PackInfo info;
  std::uint32_t areaOffset = 0;
  std::string storedName;
  if (!ParseHeader(head.data(), head.size(), static_cast<std::size_t>(length), info, areaOffset, storedName))
    return false;
  info_ = info;
  areaOffset_ = areaOffset;
  storedName_ = std::move(storedName);
  hasStoredName_ = true;
  packName_ = std::move(opened);
  hasPackName_ = true;
  image_ = nullptr;
  imageSize_ = 0;
  return true;
}

bool PackFile::OpenMemory(const void* image, std::size_t size) {
  if (!image) return false;
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
  return true;
}

bool PackFile::Unpack() {
  if (!hasStoredName_) return false;
  const std::size_t areaBytes = std::size_t{info_.flagBytes} + info_.dataBytes;
  std::vector<std::uint8_t> fromDisk;
  const std::uint8_t* areas = nullptr;
  if (image_) {
    if (areaOffset_ + areaBytes > imageSize_) return false;
    areas = image_ + areaOffset_;
  } else {
    FilePtr f = OpenStdFile(packName_.c_str(), "rb");
    if (!f) return false;
    // The file may have changed since it was opened: check its length again.
    const long long length = FileLength(f.get());
    if (length < 0 || static_cast<std::uint64_t>(length) < areaOffset_ + areaBytes) return false;
    if (std::fseek(f.get(), static_cast<long>(areaOffset_), SEEK_SET) != 0) return false;
    fromDisk.resize(areaBytes);
    if (areaBytes && std::fread(fromDisk.data(), 1, areaBytes, f.get()) != areaBytes) return false;
    areas = fromDisk.data();
  }
  std::vector<std::uint8_t> out(info_.unpackedSize);
  if (!DecodePack(areas, info_.flagBytes, areas + info_.flagBytes, info_.dataBytes, out.data(), out.size()))
    return false;
  data_ = std::move(out);
  position_ = 0;
  return true;
}

std::size_t PackFile::Read(void* buffer, std::size_t count) {
  return memory_stream::Read(data_.data(), data_.size(), position_, buffer, count);
}

int PackFile::Seek(long offset, int origin) { return memory_stream::Seek(data_.size(), position_, offset, origin); }

char* PackFile::GetLine(char* buffer, int max) {
  return memory_stream::GetLine(data_.data(), data_.size(), position_, buffer, max);
}

int PackFile::GetChar() { return memory_stream::GetChar(data_.data(), data_.size(), position_); }

std::vector<std::uint8_t> PackFile::BuildImage(const void* bytes, std::size_t size, const char* storedName) {
  const char* name = storedName ? storedName : "";
  const std::size_t nameLength = std::strlen(name) + 1;
  PackTokens tokens;
  if (nameLength > std::numeric_limits<std::uint32_t>::max() / 2 ||
      !EncodePack(static_cast<const std::uint8_t*>(bytes), size, tokens))
    return {};
  // The image is sized once and filled at fixed offsets: appending piece by piece made g++ 12
  // see a write into an empty vector in instrumented builds (a false stringop-overflow).
  const std::size_t areaOffset = kHeaderSize + kInfoSize;
  std::vector<std::uint8_t> image(areaOffset + nameLength + tokens.flags.size() + tokens.data.size(), 0);
  std::uint8_t* const out = image.data();
  std::memcpy(out, kMagic, sizeof kMagic);  // the 3 bytes after it stay 0
  const std::uint32_t words[] = {kHeaderWord,
                                 kInfoSize,
                                 kVersion,
                                 static_cast<std::uint32_t>(nameLength),
                                 static_cast<std::uint32_t>(tokens.flags.size()),
                                 static_cast<std::uint32_t>(tokens.data.size()),
                                 static_cast<std::uint32_t>(size)};
  for (std::size_t w = 0; w < std::size(words); ++w)
    for (std::size_t i = 0; i < 4; ++i) out[8 + 4 * w + i] = static_cast<std::uint8_t>(words[w] >> (8 * i));
  std::memcpy(out + areaOffset, name, nameLength);
  if (!tokens.flags.empty()) std::memcpy(out + areaOffset + nameLength, tokens.flags.data(), tokens.flags.size());
  if (!tokens.data.empty())
    std::memcpy(out + areaOffset + nameLength + tokens.flags.size(), tokens.data.data(), tokens.data.size());
  return image;
}

bool PackFile::PackMemory(const void* bytes, std::size_t size, const char* storedName, const char* packName) {
  if (!packName || (!bytes && size)) return false;
  std::vector<std::uint8_t> image = BuildImage(bytes, size, storedName);
  return !image.empty() && WriteWholeFile(packName, image);
}

bool PackFile::Pack(const char* sourceName, const char* packName) {
  if (!sourceName) return false;
  std::vector<std::uint8_t> source;
  if (!ReadWholeFile(sourceName, source)) return false;
  std::string out = packName ? packName : PackName(sourceName);
  return PackMemory(source.data(), source.size(), sourceName, out.c_str());
}

bool PackFile::Extract(const char* packName) {
  if (!OpenFile(packName) || !Unpack() || storedName_.empty()) return false;
  return WriteWholeFile(storedName_.c_str(), data_);
}

}  // namespace oru
