/// \file
/// DataSource: the one stream every asset is read through, whatever lies behind its name.
///
///   DataSource source;
///   if (!source.Open("kani.bmp")) return 0;
///   std::vector<std::uint8_t> bytes(source.Size());
///   source.Read(bytes.data(), bytes.size());
///
/// Loaders that want every byte ask for Contents instead: it hands out an unpacked pack or a
/// resource in place and reads a plain file whole, so no byte is copied twice.
///
/// Open is the one lookup from a name to bytes that every loader goes through, in this order: a
/// pack stored under the name itself; when no file has that name, a pack under the name with its
/// extension replaced by ".dpa"; the plain file; an embedded resource of the type given to
/// SetResourceType that holds a pack; a plain resource. So a plain kani.bmp wins over a pack
/// kani.dpa. The file found is opened once and read through that one opening. A pack is expanded
/// into memory at once and served from there; a pack that turns out corrupt is passed over like
/// a file that is no pack. The places argument narrows the lookup to files or to resources.
/// Only regular files are taken (whole_file.h): a folder, FIFO or device under the name is passed
/// over, and when nothing is found LastError() gives the reason about the name itself ("is a
/// folder, not a file"). A DataSource belongs to the thread that opened it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oru/data/file_stream.h"
#include "oru/data/pack_file.h"
#include "oru/data/resource_stream.h"

namespace oru {

/// What an open DataSource reads from: nothing, a plain file, an unpacked pack or an embedded
/// resource.
enum SourceKind : int { SourceNone = 0, SourceFile = 1, SourcePack = 2, SourceResource = 3 };

/// Where Open looks: files (packs and plain files), embedded resources, or both.
enum DataPlaces : int { DataFiles = 1, DataResources = 2, DataAnywhere = 3 };

/// The stream every asset is read through; see the file's description for the lookup order.
class DataSource {
 public:
  DataSource() = default;
  ~DataSource();
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  /// The resource type the resource steps of Open look for; null (the default) finds only
  /// resources registered without a type.
  void SetResourceType(const char* type);

  /// Releases what an earlier Open attached and opens name, looking in places. False for a null
  /// name (nothing is changed then) or a name found nowhere (the source is left empty), with the
  /// reason in LastError(): about the file of that name, or with resources alone, that no
  /// resource has it.
  bool Open(const char* name, int places = DataAnywhere);

  /// Every byte of the open source: data and size point into the unpacked pack or the resource
  /// (valid while the source stays open), or into storage, which receives a plain file read from
  /// its start. False, with a reason, when nothing is open or a file is longer than
  /// kMaxLoadBytes, cannot be held in memory or fails to read.
  bool Contents(const std::uint8_t*& data, std::size_t& size, std::vector<std::uint8_t>& storage);

  /// What the source reads from; SourceNone while nothing is open.
  SourceKind Kind() const { return kind_; }

  ///@{
  /// With no source open every query returns 0, -1 or null.
  std::uint32_t Size();
  /// Copies up to count bytes and returns how many were delivered (fewer only at the end).
  std::size_t Read(void* buffer, std::size_t count);
  /// Origin 0 start, 1 current, 2 end. A file returns the stream's result (0 on success); an
  /// in-memory source keeps its position within 0 .. Size() and returns 1.
  int Seek(long offset, int origin);
  long Tell();
  /// A file line keeps its line feed. An in-memory line (pack or resource) does not: it stops
  /// before a line feed (which is skipped), before a NUL byte or after max - 1 bytes, and at the
  /// end of the data or at a NUL byte every call gives an empty line, never null.
  char* GetLine(char* buffer, int max);
  /// The next byte (0..255), or -1 at the end.
  int GetChar();
  /// The name given to Open for a file or resource; the stored name for a pack.
  const char* GetName() const;
  ///@}

 private:
  void Release();

  SourceKind kind_ = SourceNone;
  std::optional<std::string> resourceType_;
  std::unique_ptr<FileStream> file_;
  std::unique_ptr<ResourceStream> resource_;
  std::unique_ptr<PackFile> pack_;
};

}  // namespace oru
