// The file services over POSIX and Linux calls: descriptors opened without blocking, statfs for
// /proc and /sys, mkostemp for temporaries and renameat2 for a rename that keeps what exists.
#include "oru/platform/files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace oru {
namespace {

constexpr long kProcMagic = 0x9fa0;       // PROC_SUPER_MAGIC
constexpr long kSysfsMagic = 0x62656572;  // SYSFS_MAGIC

thread_local FileFault lastFault = FileFault::kNone;
thread_local int lastErrno = 0;

// Records errno as the reason; returns the value a failing call hands back.
template <typename T>
T Fail(T result, int error = errno) {
  lastErrno = error;
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      lastFault = FileFault::kMissing;
      break;
    case EEXIST:
      lastFault = FileFault::kExists;
      break;
    case EISDIR:
      lastFault = FileFault::kFolder;
      break;
    case ENXIO:
      lastFault = FileFault::kNoReader;
      break;
    default:
      lastFault = FileFault::kOther;
  }
  return result;
}

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kFolder;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::kDevice;
  if (S_ISSOCK(mode)) return FileKind::kSocket;
  if (S_ISLNK(mode)) return FileKind::kLink;
  return FileKind::kOther;
}

bool IsPseudo(const struct statfs& fs) {
  return static_cast<long>(fs.f_type) == kProcMagic || static_cast<long>(fs.f_type) == kSysfsMagic;
}

void FillFacts(const struct stat& st, FileFacts& facts) {
  facts.kind = KindOf(st.st_mode);
  facts.size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  facts.volume = static_cast<std::uint64_t>(st.st_dev);
  facts.index = static_cast<std::uint64_t>(st.st_ino);
  facts.permissions = st.st_mode & 07777;
  facts.pseudo = false;
}

// Back to blocking reads and writes once a descriptor is open without waiting.
void MakeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

FileFault LastFileFault() { return lastFault; }

const char* LastFileFaultText() { return lastErrno ? std::strerror(lastErrno) : ""; }

bool ExamineFile(const char* name, FileFacts& facts, LinkRule links) {
  facts = FileFacts{};
  if (!name || !*name) return Fail(false, ENOENT);
  struct stat st;
  const int got = links == LinkRule::kFollow ? ::stat(name, &st) : ::lstat(name, &st);
  if (got != 0) return Fail(false);
  FillFacts(st, facts);
  struct statfs fs;
  if (facts.kind != FileKind::kLink && ::statfs(name, &fs) == 0) facts.pseudo = IsPseudo(fs);
  return true;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    native_ = other.native_;
    other.native_ = kNone;
  }
  return *this;
}

bool FileHandle::Examine(FileFacts& facts) const {
  facts = FileFacts{};
  const int fd = static_cast<int>(native_);
  struct stat st;
  if (fd < 0) return Fail(false, EBADF);
  if (::fstat(fd, &st) != 0) return Fail(false);
  FillFacts(st, facts);
  struct statfs fs;
  if (::fstatfs(fd, &fs) == 0) facts.pseudo = IsPseudo(fs);
  return true;
}

long long FileHandle::Read(void* buffer, std::size_t size) {
  if (native_ < 0) return Fail(-1LL, EBADF);
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(native_), buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) return Fail(-1LL);
  }
}

bool FileHandle::WriteAll(const void* data, std::size_t size) {
  if (native_ < 0) return Fail(false, EBADF);
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(native_), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(false);
    if (n == 0) return Fail(false, EIO);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool FileHandle::Empty() {
  return native_ >= 0 && ::ftruncate(static_cast<int>(native_), 0) == 0 ? true : Fail(false);
}

bool FileHandle::FlushToDisk() {
  return native_ >= 0 && ::fsync(static_cast<int>(native_)) == 0 ? true : Fail(false);
}

bool FileHandle::SetPermissions(unsigned permissions) {
  return native_ >= 0 && ::fchmod(static_cast<int>(native_), permissions) == 0 ? true : Fail(false);
}

bool FileHandle::Close() {
  if (native_ < 0) return true;
  const int closed = ::close(static_cast<int>(native_));
  native_ = kNone;
  return closed == 0 ? true : Fail(false);
}

std::FILE* FileHandle::IntoStream(const char* mode) {
  if (native_ < 0) return Fail(nullptr, EBADF);
  std::FILE* f = ::fdopen(static_cast<int>(native_), mode);
  if (!f) {
    const int error = errno;
    Close();
    return Fail(nullptr, error);
  }
  native_ = kNone;
  return f;
}

FileHandle OpenSystemFile(const char* name, FileOpening how) {
  if (!name || !*name) return Fail(FileHandle(), ENOENT);
  // O_NONBLOCK: opening a FIFO would otherwise wait for the other end.
  int flags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  switch (how) {
    case FileOpening::kRead:
      flags |= O_RDONLY;
      break;
    case FileOpening::kWriteExisting:
      flags |= O_WRONLY;
      break;
    case FileOpening::kWriteNew:
      flags |= O_WRONLY | O_CREAT | O_EXCL;
      break;
    case FileOpening::kWriteNewOrExisting:
      flags |= O_WRONLY | O_CREAT;
      break;
  }
  const int fd = ::open(name, flags, 0666);
  if (fd < 0) return Fail(FileHandle());
  MakeBlocking(fd);
  return FileHandle(fd);
}

unsigned NewFilePermissions() {
  // umask can only be read by setting it, so it is set back at once.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

FileHandle CreateTemporaryFileBeside(const std::string& target, unsigned permissions,
                                     std::string& name) {
  // A hidden name beside the target: the rename then stays inside one file system.
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string pattern = folder + "." + base + ".tmp-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd < 0) return Fail(FileHandle());
  ::fchmod(fd, permissions);
  name = buffer.data();
  return FileHandle(fd);
}

bool RenameFile(const char* from, const char* to, bool replace) {
  if (replace) return ::rename(from, to) == 0 ? true : Fail(false);
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return Fail(false);
  // File systems without RENAME_NOREPLACE: a hard link fails the same way on an existing name.
  if (::link(from, to) != 0) return Fail(false);
  ::unlink(from);
  return true;
}

bool RemoveFile(const char* name) {
  // Nothing but unlink: this runs in signal handlers.
  return ::unlink(name) == 0 ? true : Fail(false);
}

std::string ResolvedPath(const char* name) {
  char real[PATH_MAX];
  if (!name || !::realpath(name, real)) return Fail(std::string(), name ? errno : ENOENT);
  return real;
}

std::string CreationPath(const char* name) {
  std::string path = name ? name : "";
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

std::string AbsolutePath(const char* name) {
  if (!name) return {};
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
  return ec ? std::string(name) : absolute.lexically_normal().string();
}

std::string ExecutablePath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

const char* FolderSeparators() { return "/"; }

std::string CurrentFolder() {
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::string() : cwd.string();
}

bool EnterFolder(const char* folder) {
  if (!folder) return Fail(false, ENOENT);
  return ::chdir(folder) == 0 ? true : Fail(false);
}

std::FILE* OpenFileStream(const char* name, const char* mode) {
  if (!name || !mode) return Fail(nullptr, ENOENT);
  std::FILE* f = std::fopen(name, mode);
  return f ? f : Fail(nullptr);
}

}  // namespace oru
