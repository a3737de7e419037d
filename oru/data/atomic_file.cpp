// AtomicFile over a temporary file in the target's folder and rename(2).
#include "oru/data/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "oru/data/last_error.h"

namespace oru {
namespace {

// 0666 less the process's umask; umask can only be read by setting it, so it is set back at once.
mode_t NewFileMode() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool AtomicFile::Open(const char* target) {
  Discard();
  failed_ = false;
  if (!target || !*target) {
    SetLastError("no file name given");
    return false;
  }
  struct stat st;
  mode_t mode = NewFileMode();
  if (::stat(target, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      SetLastError("is a folder, not a file");
      return false;
    }
    if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
  }
  target_ = target;
  // A hidden name beside the target: the rename then stays inside one file system.
  const std::size_t slash = target_.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string pattern = folder + "." + base + ".tmp-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd_ < 0) {
    SetLastError("cannot be created (%s)", std::strerror(errno));
    target_.clear();
    return false;
  }
  temporary_ = buffer.data();
  ::fchmod(fd_, mode);
  return true;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0 || failed_) {
    failed_ = true;
    return false;
  }
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetLastError("cannot be written (%s)", n < 0 ? std::strerror(errno) : "nothing was written");
      failed_ = true;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFile::Commit(bool replace) {
  if (fd_ < 0 || failed_) {
    Discard();
    return false;
  }
  // The data must be on disk before the name points at it, or a crash could leave an empty file.
  if (::fsync(fd_) != 0) {
    SetLastError("cannot be written (%s)", std::strerror(errno));
    Discard();
    return false;
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) {
    SetLastError("cannot be written (%s)", std::strerror(errno));
    Discard();
    return false;
  }
  int renamed;
  if (replace) {
    renamed = ::rename(temporary_.c_str(), target_.c_str());
  } else {
    renamed =
        ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
    if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // File systems without RENAME_NOREPLACE: a hard link fails the same way on an existing name.
      renamed = ::link(temporary_.c_str(), target_.c_str());
      if (renamed == 0) ::unlink(temporary_.c_str());
    }
  }
  if (renamed != 0) {
    if (errno == EEXIST)
      SetLastError("exists already");
    else
      SetLastError("cannot be written (%s)", std::strerror(errno));
    Discard();
    return false;
  }
  temporary_.clear();
  target_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  target_.clear();
}

bool WriteFileAtomically(const char* path, const void* data, std::size_t size, bool replace) {
  AtomicFile out;
  return out.Open(path) && (size == 0 || out.Write(data, size)) && out.Commit(replace);
}

}  // namespace oru
