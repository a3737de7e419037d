/// \file
/// PackFile: one data file, compressed, with the name it was packed under.
///
///   PackFile pack;
///   if (pack.OpenFile("kani.bmp") && pack.Unpack())   // kani.bmp itself, else kani.dpa
///     Use(pack.Data(), pack.Size(), pack.StoredName());
///
///   PackFile::Pack("kani.bmp", nullptr);               // writes kani.dpa
///
/// Layout (numbers are 32-bit little-endian):
///   0   "ORUP" and a 0 byte (the magic is a NUL-terminated string), 3 bytes not read (written 0)
///   8   100, written and never read
///   12  infoSize, the size of the info block: 20 (a larger block is read and its rest ignored)
///   16  info block: version 1, nameLength (stored name + 1), flagBytes ((dataBytes + 7) / 8),
///       dataBytes, unpackedSize
///   16 + infoSize: the stored name with its NUL (nameLength bytes), then the flag area
///       (flagBytes) and the data area (dataBytes). Token t's flag is bit t % 8 of flag byte t / 8:
///       1 is a literal data byte; 0 a back-reference, two data bytes forming a little-endian
///       word w that copies (w & 15) + 3 bytes from (w >> 4) + 3 bytes back in the output.
///
/// Packs come from anywhere, so every size is checked against the bytes actually there: the info
/// block, the stored name and both areas must lie inside the pack, and the unpacked size must be
/// reachable from the data area (at most 18 bytes per data byte pair) and at most kMaxLoadBytes
/// (256 MiB, whole_file.h), which bounds what Unpack allocates. A failed open or unpack leaves the
/// object as it was and says why in LastError() (last_error.h).
///
/// Stored names come from anywhere too: Extract writes only under a safe relative name (no
/// absolute path, no ".." component, no drive or backslash), and Pack stores the source's name as
/// given only when it is such a name, else its base name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oru/data/whole_file.h"

namespace oru {

/// The info block of a pack, as laid out in the file.
struct PackInfo {
  /// Format version, kVersion.
  std::uint32_t version = 0;
  /// Bytes of the stored name, its NUL included.
  std::uint32_t nameLength = 0;
  /// Bytes of the flag area: (dataBytes + 7) / 8.
  std::uint32_t flagBytes = 0;
  /// Bytes of the data area.
  std::uint32_t dataBytes = 0;
  /// Bytes of the unpacked content.
  std::uint32_t unpackedSize = 0;
};

/// One compressed data file with the name it was packed under; see the file's description for
/// the layout.
class PackFile {
 public:
  /// Bytes before the info block.
  static constexpr std::size_t kHeaderSize = 16;
  /// Size of the info block written (a larger one is read).
  static constexpr std::uint32_t kInfoSize = 20;
  /// The word at offset 8, written and never read.
  static constexpr std::uint32_t kHeaderWord = 100;
  /// The format version written.
  static constexpr std::uint32_t kVersion = 1;

  PackFile() = default;
  PackFile(const PackFile&) = delete;
  PackFile& operator=(const PackFile&) = delete;

  /// name cut at its last "." and followed by ".dpa"; a name whose file part has no "." gets
  /// ".dpa" appended (a "." in a folder name is not an extension).
  static std::string PackName(const char* name);

  /// The file name, or when no file of that name opens, PackName(name): the file part of every
  /// loader's lookup (DataSource::Open). opened receives the name that opened. Null when neither
  /// opens, and LastError() gives the reason about name itself either way.
  static StdFilePtr OpenFileOrPack(const char* name, std::string& opened);

  /// Reads the header and the stored name of the pack file name, or, when no file of that name
  /// opens, of PackName(name). True when the file opened is a well-formed pack; it stays open
  /// for Unpack, so a pack is opened once.
  bool OpenFile(const char* name);

  /// The same over a file already open at its start, named openedName. Takes the file when it is
  /// a well-formed pack; otherwise leaves it with the caller, at some position.
  bool OpenStream(StdFilePtr& file, const char* openedName);

  /// The same over a pack image of size bytes in memory. The image must outlive the PackFile's
  /// use of it (Unpack reads the areas from it).
  bool OpenMemory(const void* image, std::size_t size);

  /// Expands the content into Data(); false when the pack file cannot be read or the areas are
  /// corrupt (the previous content then stays).
  bool Unpack();

  /// The unpacked content; null before a successful Unpack.
  const std::uint8_t* Data() const { return dataSize_ ? data_.get() : nullptr; }
  /// Bytes of the unpacked content.
  std::uint32_t Size() const { return static_cast<std::uint32_t>(dataSize_); }
  /// The info block of the pack opened.
  const PackInfo& Info() const { return info_; }
  /// The name the content was packed under; null before a pack was opened.
  const char* StoredName() const {
    return storedName_.empty() && !hasStoredName_ ? nullptr : storedName_.c_str();
  }
  /// The name of the file that opened (the name given or its pack name); null for a pack in
  /// memory.
  const char* OpenedName() const { return hasPackName_ ? packName_.c_str() : nullptr; }
  /// Offset of the flag area from the start of the pack.
  std::uint32_t AreaOffset() const { return areaOffset_; }

  ///@{
  /// Reading the unpacked bytes as DataSource reads in-memory sources (data_source.h).
  std::size_t Read(void* buffer, std::size_t count);
  int Seek(long offset, int origin);
  long Tell() const { return static_cast<long>(position_); }
  char* GetLine(char* buffer, int max);
  int GetChar();
  ///@}

  /// Packs the regular file sourceName into packName, or PackName(sourceName) when packName is
  /// null; the pack stores StoredNameFor(sourceName). False when the source cannot be read or is
  /// larger than kMaxLoadBytes, when packName is the source itself, or when the pack cannot be
  /// written. The pack is written to a temporary file first: a failure leaves an old pack intact.
  /// sourceFailed, when given, tells whether a failure was the source's (it could not be read).
  static bool Pack(const char* sourceName, const char* packName, bool* sourceFailed = nullptr);

  /// Packs size bytes held in memory into the file packName, storing storedName.
  static bool PackMemory(const void* bytes, std::size_t size, const char* storedName,
                         const char* packName);

  ///@{
  /// True for a name Extract may write under: not empty, relative, no ".." component, no
  /// backslash and no drive ("C:"). False sets LastError() to the reason.
  static bool IsSafeStoredName(const char* name);
  /// sourceName when it is a safe stored name, else its base name (the part after the last "/").
  static std::string StoredNameFor(const char* sourceName);
  ///@}

  /// The complete pack image of size bytes stored under storedName; empty when size is too large.
  static std::vector<std::uint8_t> BuildImage(const void* bytes, std::size_t size,
                                              const char* storedName);

  /// Opens and unpacks packName and writes the content to a file named by the stored name, which
  /// must be a safe stored name. With replace false an existing file of that name is kept and
  /// Extract fails. The file appears only once complete.
  bool Extract(const char* packName, bool replace = true);

 private:
  bool ParseHeader(const std::uint8_t* bytes, std::size_t available, std::size_t totalSize,
                   PackInfo& info, std::uint32_t& areaOffset, std::string& storedName);

  PackInfo info_;
  const std::uint8_t* image_ = nullptr;
  std::size_t imageSize_ = 0;
  StdFilePtr file_;  ///< the pack file when opened from a file
  std::uint32_t areaOffset_ = 0;
  std::size_t position_ = 0;
  std::string packName_;
  bool hasPackName_ = false;
  std::string storedName_;
  bool hasStoredName_ = false;
  ///@{
  /// The unpacked file. Not a vector: its bytes are written once by the decoder and never need
  /// the zero fill a vector would give them.
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t dataSize_ = 0;
  ///@}
};

}  // namespace oru
