// Opening and reading regular files, with the reason for every refusal.
#include "oru/data/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "oru/data/last_error.h"

namespace oru {
namespace {

constexpr long kProcMagic = 0x9fa0;       // PROC_SUPER_MAGIC
constexpr long kSysfsMagic = 0x62656572;  // SYSFS_MAGIC

// Why a file of this mode is not taken; null for a regular file.
const char* NotAFileReason(mode_t mode) {
  if (S_ISREG(mode)) return nullptr;
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISFIFO(mode)) return "is a FIFO (named pipe), not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
  if (S_ISSOCK(mode)) return "is a socket, not a file";
  return "is not a regular file";
}

thread_local std::uint64_t opensOnThisThread = 0;

// Opens name read-only and checks what it is; -1 with the reason set when it is not taken.
int OpenRegularDescriptor(const char* name, struct stat& st) {
  if (!name || !*name) {
    SetLastError("no file name given");
    return -1;
  }
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    SetLastError("cannot be opened (%s)", std::strerror(errno));
    return -1;
  }
  ++opensOnThisThread;
  const char* reason = nullptr;
  struct statfs fs;
  if (::fstat(fd, &st) != 0) {
    reason = "cannot be examined";
  } else if ((reason = NotAFileReason(st.st_mode)) == nullptr && ::fstatfs(fd, &fs) == 0 &&
             (static_cast<long>(fs.f_type) == kProcMagic ||
              static_cast<long>(fs.f_type) == kSysfsMagic)) {
    reason = "is a /proc or /sys entry, not a file on disk";
  }
  if (reason) {
    ::close(fd);
    SetLastError("%s", reason);
    return -1;
  }
  // Back to blocking reads for the regular file.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// A stream over fd, which it then owns; null (fd closed) with the reason when none can be made.
StdFilePtr StreamOver(int fd, const char* mode) {
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) {
    SetLastError("cannot be opened (%s)", std::strerror(errno));
    ::close(fd);
  }
  return StdFilePtr(f);
}

}  // namespace

std::uint64_t FileOpensOnThisThread() { return opensOnThisThread; }

StdFilePtr OpenRegularFile(const char* name) {
  struct stat st;
  const int fd = OpenRegularDescriptor(name, st);
  if (fd < 0) return nullptr;
  return StreamOver(fd, "rb");
}

StdFilePtr CreateRegularFile(const char* name, bool replace) {
  if (!name || !*name) {
    SetLastError("no file name given");
    return nullptr;
  }
  // O_NONBLOCK: opening a FIFO for writing would otherwise wait for a reader.
  const int fd = ::open(
      name, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (replace ? 0 : O_EXCL), 0666);
  if (fd < 0) {
    const int error = errno;
    struct stat st;
    if (error == EEXIST && ::stat(name, &st) == 0 && NotAFileReason(st.st_mode))
      SetLastError("%s", NotAFileReason(st.st_mode));
    else if (error == EEXIST)
      SetLastError("exists already");
    else if (error == ENXIO)
      SetLastError("%s", NotAFileReason(S_IFIFO));
    else if (error == EISDIR)
      SetLastError("%s", NotAFileReason(S_IFDIR));
    else
      SetLastError("cannot be created (%s)", std::strerror(error));
    return nullptr;
  }
  struct stat st;
  const char* reason = ::fstat(fd, &st) != 0 ? "cannot be examined" : NotAFileReason(st.st_mode);
  if (!reason && replace && ::ftruncate(fd, 0) != 0) reason = "cannot be emptied";
  if (reason) {
    ::close(fd);
    SetLastError("%s", reason);
    return nullptr;
  }
  // A regular file: writes block as usual.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return StreamOver(fd, "wb");
}

bool CanCreateRegularFile(const char* name, bool replace) {
  if (!name || !*name) {
    SetLastError("no file name given");
    return false;
  }
  // What the name is comes first: replacing cannot make a FIFO or a device a file.
  struct stat st;
  if (::stat(name, &st) == 0) {
    if (const char* reason = NotAFileReason(st.st_mode)) {
      SetLastError("%s", reason);
      return false;
    }
  }
  if (!replace && ::lstat(name, &st) == 0) {
    SetLastError("exists already");
    return false;
  }
  return true;
}

bool IsRegularFile(const char* name) {
  struct stat st;
  return name && ::stat(name, &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadWholeFile(const char* name, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
  struct stat st;
  const int fd = OpenRegularDescriptor(name, st);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    SetLastError("is %lld bytes long, more than the %zu bytes a loader reads",
                 static_cast<long long>(st.st_size), maxBytes);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  std::vector<std::uint8_t> content;
  try {
    content.resize(size);
  } catch (const std::bad_alloc&) {
    SetLastError("needs %zu bytes of memory, which are not available", size);
    return false;
  }
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, content.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError("read error at offset %zu (%s)", got, std::strerror(errno));
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got != size) {
    SetLastError("became shorter while being read (%zu of %zu bytes)", got, size);
    return false;
  }
  bytes = std::move(content);
  return true;
}

}  // namespace oru
