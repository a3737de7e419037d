// The file services over the wide Win32 calls: CreateFileW with every sharing mode (so a file
// being written can still be removed or renamed over), GetFileInformationByHandle for what a file
// is, FlushFileBuffers and MoveFileExW for the rename that replaces a file in one step.
//
// Windows has no FIFOs and no umask: named pipes ("\\.\pipe\NAME") are reported as FIFOs without
// being opened by ExamineFile (opening one takes a connection), new files get the folder's
// access rules, and a symbolic link (a reparse point) that leads nowhere is not followed when a
// file is created under its name.
#include "oru/platform/files.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

thread_local FileFault lastFault = FileFault::kNone;
thread_local std::string lastText;

// The system's words for error, without the closing full stop and line break.
std::string SystemText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n && text ? win32::Narrow(text) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() &&
         (out.back() == '\n' || out.back() == '\r' || out.back() == '.' || out.back() == ' '))
    out.pop_back();
  if (out.empty()) out = "system error " + std::to_string(error);
  return out;
}

// Records error as the reason, in the words POSIX systems use for the common ones so a message
// reads the same everywhere; returns the value a failing call hands back.
template <typename T>
T Fail(T result, DWORD error = GetLastError(), FileFault fault = FileFault::kNone) {
  const char* text = nullptr;
  FileFault kind = FileFault::kOther;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
      kind = FileFault::kMissing;
      text = "No such file or directory";
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      kind = FileFault::kExists;
      text = "File exists";
      break;
    case ERROR_DIRECTORY:
      kind = FileFault::kFolder;
      text = "Is a directory";
      break;
    case ERROR_ACCESS_DENIED:
      text = "Permission denied";
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      text = "No space left on device";
      break;
    case ERROR_PIPE_BUSY:
    case ERROR_PIPE_NOT_CONNECTED:
    case ERROR_NO_DATA:
      kind = FileFault::kNoReader;
      text = "No such device or address";
      break;
    default:
      break;
  }
  lastFault = fault != FileFault::kNone ? fault : kind;
  lastText = text ? text : SystemText(error);
  return result;
}

bool StartsWithDeviceSpace(const std::wstring& name) {
  return name.size() > 4 && (name[0] == L'\\' || name[0] == L'/') &&
         (name[1] == L'\\' || name[1] == L'/') && name[2] == L'.' &&
         (name[3] == L'\\' || name[3] == L'/');
}

bool IsPipeName(const std::wstring& name) {
  if (!StartsWithDeviceSpace(name) || name.size() < 9) return false;
  const std::wstring space = name.substr(4, 5);
  return (space[0] == L'p' || space[0] == L'P') && (space[1] == L'i' || space[1] == L'I') &&
         (space[2] == L'p' || space[2] == L'P') && (space[3] == L'e' || space[3] == L'E') &&
         (space[4] == L'\\' || space[4] == L'/');
}

bool IsFolderName(const std::wstring& name) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE Native(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens name only to ask about it (no reading, no writing); folders too.
HANDLE OpenToExamine(const std::wstring& name, LinkRule links) {
  return CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS |
                         (links == LinkRule::kNoFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                     nullptr);
}

std::string::size_type LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

}  // namespace

FileFault LastFileFault() { return lastFault; }

const char* LastFileFaultText() { return lastText.c_str(); }

bool ExamineFile(const char* name, FileFacts& facts, LinkRule links) {
  facts = FileFacts{};
  const std::wstring wide = win32::Widen(name);
  if (wide.empty()) return Fail(false, ERROR_FILE_NOT_FOUND);
  if (IsPipeName(wide)) {
    // Opening a pipe's name connects to it; whether it exists is asked without that.
    if (!WaitNamedPipeW(wide.c_str(), 0) && GetLastError() == ERROR_FILE_NOT_FOUND)
      return Fail(false, ERROR_FILE_NOT_FOUND);
    facts.kind = FileKind::kFifo;
    return true;
  }
  FileHandle file(reinterpret_cast<std::intptr_t>(OpenToExamine(wide, links)));
  if (!file.IsOpen()) return Fail(false);
  return file.Examine(facts);
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
  if (!IsOpen()) return Fail(false, ERROR_INVALID_HANDLE);
  const HANDLE h = Native(native_);
  switch (GetFileType(h)) {
    case FILE_TYPE_CHAR:
      facts.kind = FileKind::kDevice;
      return true;
    case FILE_TYPE_PIPE:
      facts.kind = FileKind::kFifo;
      return true;
    case FILE_TYPE_DISK:
      break;
    default:
      if (GetLastError() != NO_ERROR) return Fail(false);
      facts.kind = FileKind::kOther;
      return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return Fail(false);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
    facts.kind = FileKind::kLink;  // seen only when opened not to follow it
  else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    facts.kind = FileKind::kFolder;
  else
    facts.kind = FileKind::kRegular;
  facts.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  facts.volume = info.dwVolumeSerialNumber;
  facts.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  facts.permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  return true;
}

long long FileHandle::Read(void* buffer, std::size_t size) {
  if (!IsOpen()) return Fail(-1LL, ERROR_INVALID_HANDLE);
  const DWORD want = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(Native(native_), buffer, want, &got, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    return Fail(-1LL, error);
  }
  return got;
}

bool FileHandle::WriteAll(const void* data, std::size_t size) {
  if (!IsOpen()) return Fail(false, ERROR_INVALID_HANDLE);
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
    DWORD wrote = 0;
    if (!WriteFile(Native(native_), p, chunk, &wrote, nullptr)) return Fail(false);
    if (wrote == 0) return Fail(false, ERROR_WRITE_FAULT);
    p += wrote;
    size -= wrote;
  }
  return true;
}

bool FileHandle::Empty() {
  if (!IsOpen()) return Fail(false, ERROR_INVALID_HANDLE);
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(Native(native_), start, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(Native(native_)))
    return Fail(false);
  return true;
}

bool FileHandle::FlushToDisk() {
  if (!IsOpen()) return Fail(false, ERROR_INVALID_HANDLE);
  return FlushFileBuffers(Native(native_)) ? true : Fail(false);
}

bool FileHandle::SetPermissions(unsigned) { return IsOpen(); }

bool FileHandle::Close() {
  if (!IsOpen()) return true;
  const BOOL closed = CloseHandle(Native(native_));
  native_ = kNone;
  return closed ? true : Fail(false);
}

std::FILE* FileHandle::IntoStream(const char* mode) {
  if (!IsOpen() || !mode) return Fail(nullptr, ERROR_INVALID_HANDLE);
  const std::string m = mode;
  int flags = _O_BINARY;
  if (m.find('+') != std::string::npos)
    flags |= _O_RDWR;
  else if (m[0] == 'r')
    flags |= _O_RDONLY;
  else
    flags |= _O_WRONLY | (m[0] == 'a' ? _O_APPEND : 0);
  const int fd = _open_osfhandle(native_, flags);
  if (fd < 0) {
    Close();
    return Fail(nullptr, ERROR_TOO_MANY_OPEN_FILES);
  }
  native_ = kNone;  // the descriptor owns the handle now
  std::FILE* f = _fdopen(fd, mode);
  if (!f) {
    _close(fd);
    return Fail(nullptr, ERROR_TOO_MANY_OPEN_FILES);
  }
  return f;
}

FileHandle OpenSystemFile(const char* name, FileOpening how) {
  const std::wstring wide = win32::Widen(name);
  if (wide.empty()) return Fail(FileHandle(), ERROR_FILE_NOT_FOUND);
  DWORD access = GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  // Folders open for reading as they do on POSIX, so the caller can see what it opened.
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (how) {
    case FileOpening::kRead:
      access = GENERIC_READ;
      flags |= FILE_FLAG_BACKUP_SEMANTICS;
      break;
    case FileOpening::kWriteExisting:
      break;
    case FileOpening::kWriteNew:
      disposition = CREATE_NEW;
      break;
    case FileOpening::kWriteNewOrExisting:
      disposition = OPEN_ALWAYS;
      break;
  }
  // Pipes and devices are never waited for: CreateFileW on a busy pipe fails at once.
  const HANDLE h =
      CreateFileW(wide.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (how != FileOpening::kRead && IsFolderName(wide))
      return Fail(FileHandle(), error,
                  how == FileOpening::kWriteNew ? FileFault::kExists : FileFault::kFolder);
    return Fail(FileHandle(), error);
  }
  return FileHandle(reinterpret_cast<std::intptr_t>(h));
}

unsigned NewFilePermissions() { return 0666; }

FileHandle CreateTemporaryFileBeside(const std::string& target, unsigned, std::string& name) {
  const std::size_t slash = LastSeparator(target);
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  DWORD error = ERROR_FILE_EXISTS;
  // A name taken by another file is passed over; anything else is the answer.
  for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    std::string candidate = folder + "." + base + ".tmp-";
    for (int i = 0; i < 6; ++i) candidate += kLetters[random() % (sizeof kLetters - 1)];
    const std::wstring wide = win32::Widen(candidate.c_str());
    if (wide.empty()) return Fail(FileHandle(), ERROR_INVALID_NAME);
    // Shared for deletion: RemoveTemporaryFiles may remove it while it is being written.
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      name = candidate;
      return FileHandle(reinterpret_cast<std::intptr_t>(h));
    }
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) error = ERROR_FILE_EXISTS;
  }
  return Fail(FileHandle(), error);
}

bool RenameFile(const char* from, const char* to, bool replace) {
  const std::wstring a = win32::Widen(from);
  const std::wstring b = win32::Widen(to);
  if (a.empty() || b.empty()) return Fail(false, ERROR_FILE_NOT_FOUND);
  // Without MOVEFILE_REPLACE_EXISTING an existing name makes the rename fail: the check and
  // the rename are one step.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return MoveFileExW(a.c_str(), b.c_str(), flags) ? true : Fail(false);
}

bool RemoveFile(const char* name) {
  const std::wstring wide = win32::Widen(name);
  if (wide.empty()) return Fail(false, ERROR_FILE_NOT_FOUND);
  return DeleteFileW(wide.c_str()) ? true : Fail(false);
}

std::string ResolvedPath(const char* name) {
  const std::wstring wide = win32::Widen(name);
  if (wide.empty()) return Fail(std::string(), ERROR_FILE_NOT_FOUND);
  const HANDLE h = OpenToExamine(wide, LinkRule::kFollow);
  if (h == INVALID_HANDLE_VALUE) return Fail(std::string());
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD n = 0;
  for (;;) {
    n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n < buffer.size()) break;
    buffer.resize(n + 1);
  }
  const DWORD error = GetLastError();
  CloseHandle(h);
  if (n == 0) return Fail(std::string(), error);
  std::wstring path = buffer.data();
  // "\\?\C:\..." and "\\?\UNC\server\..." back to the names programs usually see.
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
    path = L"\\\\" + path.substr(8);
  else if (path.rfind(L"\\\\?\\", 0) == 0 && path.size() > 6 && path[5] == L':')
    path = path.substr(4);
  return win32::Narrow(path.c_str());
}

std::string CreationPath(const char* name) { return name ? name : ""; }

std::string AbsolutePath(const char* name) {
  const std::wstring wide = win32::Widen(name);
  if (wide.empty()) return name ? name : "";
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return name;
    if (n < buffer.size()) break;
    buffer.resize(n + 1);
  }
  return win32::Narrow(buffer.data());
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) break;  // equal: cut short
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
  return win32::Narrow(buffer.data());
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return {};
  if (slash == 0) return path.substr(0, 1);
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\"
  return path.substr(0, slash);
}

const char* FolderSeparators() { return "/\\"; }

std::string CurrentFolder() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::vector<wchar_t> buffer(n + 1);
  if (GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data()) == 0) return {};
  return win32::Narrow(buffer.data());
}

bool EnterFolder(const char* folder) {
  const std::wstring wide = win32::Widen(folder);
  if (wide.empty()) return Fail(false, ERROR_FILE_NOT_FOUND);
  return SetCurrentDirectoryW(wide.c_str()) ? true : Fail(false);
}

std::FILE* OpenFileStream(const char* name, const char* mode) {
  const std::wstring wide = win32::Widen(name);
  const std::wstring wideMode = win32::Widen(mode);
  if (wide.empty() || wideMode.empty()) return Fail(nullptr, ERROR_FILE_NOT_FOUND);
  std::FILE* f = _wfopen(wide.c_str(), wideMode.c_str());
  // The C library keeps the system's code of its last failure beside errno.
  return f ? f : Fail(nullptr, static_cast<DWORD>(_doserrno));
}

}  // namespace oru
