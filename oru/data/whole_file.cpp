// Opening and reading regular files, with the reason for every refusal.
#include "oru/data/whole_file.h"

#include <cstring>
#include <new>
#include <string>

#include "oru/data/last_error.h"
#include "oru/platform/files.h"

namespace oru {
namespace {

// Why a file of this kind is not taken; null for a regular file.
const char* NotAFileReason(FileKind kind) {
  switch (kind) {
    case FileKind::kRegular:
      return nullptr;
    case FileKind::kFolder:
      return "is a folder, not a file";
    case FileKind::kFifo:
      return "is a FIFO (named pipe), not a file";
    case FileKind::kDevice:
      return "is a device, not a file";
    case FileKind::kSocket:
      return "is a socket, not a file";
    default:
      return "is not a regular file";
  }
}

thread_local std::uint64_t opensOnThisThread = 0;

// Opens name read-only and checks what it is; an unopened handle, with the reason set, when it
// is not taken.
FileHandle OpenRegularHandle(const char* name, FileFacts& facts) {
  if (!name || !*name) {
    SetLastError("no file name given");
    return {};
  }
  // Opened without waiting: a FIFO would otherwise hang here until a writer came.
  FileHandle file = OpenSystemFile(name, FileOpening::kRead);
  if (!file.IsOpen()) {
    SetLastError("cannot be opened (%s)", LastFileFaultText());
    return {};
  }
  ++opensOnThisThread;
  const char* reason = nullptr;
  if (!file.Examine(facts))
    reason = "cannot be examined";
  else if ((reason = NotAFileReason(facts.kind)) == nullptr && facts.pseudo)
    reason = "is a /proc or /sys entry, not a file on disk";
  if (reason) {
    SetLastError("%s", reason);
    return {};
  }
  return file;
}

// A stream over file, which it then owns; null (file closed) with the reason when none can be
// made.
StdFilePtr StreamOver(FileHandle& file, const char* mode) {
  std::FILE* f = file.IntoStream(mode);
  if (!f) SetLastError("cannot be opened (%s)", LastFileFaultText());
  return StdFilePtr(f);
}

}  // namespace

std::uint64_t FileOpensOnThisThread() { return opensOnThisThread; }

StdFilePtr OpenRegularFile(const char* name) {
  FileFacts facts;
  FileHandle file = OpenRegularHandle(name, facts);
  if (!file.IsOpen()) return nullptr;
  return StreamOver(file, "rb");
}

StdFilePtr CreateRegularFile(const char* name, bool replace) {
  if (!name || !*name) {
    SetLastError("no file name given");
    return nullptr;
  }
  // Opened without waiting: a FIFO would otherwise hang here until a reader came.
  FileHandle file =
      OpenSystemFile(name, replace ? FileOpening::kWriteNewOrExisting : FileOpening::kWriteNew);
  if (!file.IsOpen()) {
    const FileFault fault = LastFileFault();
    const std::string text = LastFileFaultText();
    FileFacts facts;
    if (fault == FileFault::kExists && ExamineFile(name, facts) && NotAFileReason(facts.kind))
      SetLastError("%s", NotAFileReason(facts.kind));
    else if (fault == FileFault::kExists)
      SetLastError("exists already");
    else if (fault == FileFault::kNoReader)
      SetLastError("%s", NotAFileReason(FileKind::kFifo));
    else if (fault == FileFault::kFolder)
      SetLastError("%s", NotAFileReason(FileKind::kFolder));
    else
      SetLastError("cannot be created (%s)", text.c_str());
    return nullptr;
  }
  FileFacts facts;
  const char* reason = !file.Examine(facts) ? "cannot be examined" : NotAFileReason(facts.kind);
  if (!reason && replace && !file.Empty()) reason = "cannot be emptied";
  if (reason) {
    SetLastError("%s", reason);
    return nullptr;
  }
  return StreamOver(file, "wb");
}

bool CanCreateRegularFile(const char* name, bool replace) {
  if (!name || !*name) {
    SetLastError("no file name given");
    return false;
  }
  // What the name is comes first: replacing cannot make a FIFO or a device a file.
  FileFacts facts;
  if (ExamineFile(name, facts)) {
    if (const char* reason = NotAFileReason(facts.kind)) {
      SetLastError("%s", reason);
      return false;
    }
  }
  if (!replace && ExamineFile(name, facts, LinkRule::kNoFollow)) {
    SetLastError("exists already");
    return false;
  }
  return true;
}

bool IsRegularFile(const char* name) {
  FileFacts facts;
  return name && ExamineFile(name, facts) && facts.kind == FileKind::kRegular;
}

bool ReadWholeFile(const char* name, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
  FileFacts facts;
  FileHandle file = OpenRegularHandle(name, facts);
  if (!file.IsOpen()) return false;
  if (facts.size > maxBytes) {
    SetLastError("is %llu bytes long, more than the %zu bytes a loader reads",
                 static_cast<unsigned long long>(facts.size), maxBytes);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(facts.size);
  std::vector<std::uint8_t> content;
  try {
    content.resize(size);
  } catch (const std::bad_alloc&) {
    SetLastError("needs %zu bytes of memory, which are not available", size);
    return false;
  }
  std::size_t got = 0;
  while (got < size) {
    const long long n = file.Read(content.data() + got, size - got);
    if (n < 0) {
      SetLastError("read error at offset %zu (%s)", got, LastFileFaultText());
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
