// FileStream over stdio.
#include "oru/data/file_stream.h"

#include <iterator>
#include <limits>

#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"
#include "oru/platform/files.h"

namespace oru {
namespace {

constexpr const char* kModes[] = {"rb", "wb", "rb+"};

}  // namespace

std::FILE* FileStream::Open(const char* name, int mode) {
  Close();
  if (!name || mode < 0 || mode >= static_cast<int>(std::size(kModes))) return nullptr;
  name_ = name;
  // Reading takes only regular files: a folder would report a size of 4 GiB, a FIFO would hang.
  file_ = mode == FileRead ? OpenRegularFile(name).release() : OpenFileStream(name, kModes[mode]);
  if (!file_ && mode != FileRead) SetLastError("cannot be created (%s)", LastFileFaultText());
  return file_;
}

void FileStream::Adopt(StdFilePtr file, const char* name) {
  Close();
  name_ = name ? name : "";
  file_ = file.release();
}

void FileStream::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
  return file_ && buffer ? std::fread(buffer, 1, count, file_) : 0;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
  return file_ && buffer ? std::fwrite(buffer, 1, count, file_) : 0;
}

std::uint32_t FileStream::Size() {
  if (!file_) return 0;
  long here = std::ftell(file_);
  if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return 0;
  long length = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  if (length < 0) return 0;
  // Sizes are 32-bit throughout; a longer file is reported at the largest size.
  if (static_cast<unsigned long>(length) > std::numeric_limits<std::uint32_t>::max())
    return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(length);
}

int FileStream::Seek(long offset, int origin) {
  return file_ ? std::fseek(file_, offset, origin) : -1;
}

long FileStream::Tell() { return file_ ? std::ftell(file_) : -1; }

char* FileStream::GetLine(char* buffer, int max) {
  return file_ && buffer && max > 0 ? std::fgets(buffer, max, file_) : nullptr;
}

int FileStream::GetChar() { return file_ ? std::fgetc(file_) : -1; }

}  // namespace oru
