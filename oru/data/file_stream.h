/// \file
/// FileStream: a plain file read or written through the standard buffered streams, untranslated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "oru/data/whole_file.h"

namespace oru {

/// Open modes, indexes into the table of mode strings "rb", "wb", "rb+".
enum FileMode : int { FileRead = 0, FileWrite = 1, FileUpdate = 2 };

/// A plain file open for reading, with the reading calls DataSource passes on.
class FileStream {
 public:
  FileStream() = default;
  ~FileStream() { Close(); }
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  ///@{
  /// Closes any open file, then opens name with the mode's string. Returns the open file, or null
  /// (for a null name or an unknown mode too) with the reason in LastError(). FileRead opens
  /// regular files only (whole_file.h).
  std::FILE* Open(const char* name, int mode);
  void Close();
  /// Closes any open file and takes file, already open for reading, as this stream's, named name.
  void Adopt(StdFilePtr file, const char* name);
  ///@}

  ///@{
  /// Items of one byte transferred; 0 when no file is open.
  std::size_t Read(void* buffer, std::size_t count);
  std::size_t Write(const void* buffer, std::size_t count);
  ///@}

  /// The file's length, its position kept; 0 when no file is open.
  std::uint32_t Size();

  ///@{
  /// The standard stream calls; with no open file Seek returns -1, Tell -1, GetLine null and
  /// GetChar -1.
  int Seek(long offset, int origin);
  long Tell();
  char* GetLine(char* buffer, int max);  ///< keeps the line feed
  int GetChar();
  ///@}

  /// The name the file was opened under.
  const char* Name() const { return name_.c_str(); }
  /// The open file, or null.
  std::FILE* File() const { return file_; }

 private:
  std::FILE* file_ = nullptr;
  std::string name_;
};

}  // namespace oru
