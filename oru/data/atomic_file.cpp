// AtomicFile over a temporary file in the target's folder and rename(2), or over the target
// itself when that is a device or a FIFO.
#include "oru/data/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
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

// The temporary files being written, for RemoveTemporaryFiles in a signal handler: plain
// pointers in lock-free slots, as nothing else may be touched there. A file that finds no free
// slot is written all the same, only not cleaned up at a signal.
constexpr int kTemporarySlots = 16;
std::atomic<const char*> liveTemporaries[kTemporarySlots];

void Register(const char* path) {
  for (auto& slot : liveTemporaries) {
    const char* expected = nullptr;
    if (slot.compare_exchange_strong(expected, path)) return;
  }
}

void Unregister(const char* path) {
  for (auto& slot : liveTemporaries) {
    const char* expected = path;
    if (slot.compare_exchange_strong(expected, nullptr)) return;
  }
}

// Where a name that does not exist (yet) will be created: a dangling symbolic link creates its
// target, so the new file is made there and the link stays.
std::string CreationTarget(const std::string& name) {
  std::string path = name;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char link[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
    if (n <= 0) return path;
    const std::string to(link, static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    path = to[0] == '/' || slash == std::string::npos ? to : path.substr(0, slash + 1) + to;
  }
  return path;
}

}  // namespace

void RemoveTemporaryFiles() {
  for (auto& slot : liveTemporaries) {
    if (const char* path = slot.exchange(nullptr)) ::unlink(path);
  }
}

bool AtomicFile::Open(const char* target, bool replace) {
  Discard();
  failed_ = false;
  inPlace_ = false;
  if (!target || !*target) {
    SetLastError("no file name given");
    return false;
  }
  struct stat st;
  mode_t mode = NewFileMode();
  std::string where = target;
  if (::stat(target, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      SetLastError("is a folder, not a file");
      return false;
    }
    if (!replace) {
      SetLastError("exists already");
      return false;
    }
    if (!S_ISREG(st.st_mode)) return OpenInPlace(target);
    mode = st.st_mode & 07777;
    // A link to a file: the file is replaced where it is, and the link keeps pointing at it.
    char real[PATH_MAX];
    if (::realpath(target, real)) where = real;
  } else {
    struct stat link;
    if (!replace && ::lstat(target, &link) == 0) {
      SetLastError("exists already");
      return false;
    }
    where = CreationTarget(where);
  }
  target_ = where;
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
  Register(temporary_.c_str());
  ::fchmod(fd_, mode);
  return true;
}

bool AtomicFile::OpenInPlace(const char* target) {
  // O_NONBLOCK: a FIFO that no program reads would otherwise hang the open.
  fd_ = ::open(target, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) {
    if (errno == ENXIO)
      SetLastError("is a FIFO (named pipe) that no program reads");
    else
      SetLastError("cannot be opened for writing (%s)", std::strerror(errno));
    return false;
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  inPlace_ = true;
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
  if (inPlace_) {
    // A device or a FIFO: the bytes went straight to it, and there is no file to flush.
    const int closed = ::close(fd_);
    fd_ = -1;
    inPlace_ = false;
    if (closed != 0) {
      SetLastError("cannot be written (%s)", std::strerror(errno));
      return false;
    }
    return true;
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
  Unregister(temporary_.c_str());
  temporary_.clear();
  target_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  inPlace_ = false;
  if (!temporary_.empty()) {
    Unregister(temporary_.c_str());
    ::unlink(temporary_.c_str());
  }
  temporary_.clear();
  target_.clear();
}

bool WriteFileAtomically(const char* path, const void* data, std::size_t size, bool replace) {
  AtomicFile out;
  return out.Open(path, replace) && (size == 0 || out.Write(data, size)) && out.Commit(replace);
}

}  // namespace oru
