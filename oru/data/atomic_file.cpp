// AtomicFile over a temporary file in the target's folder renamed over the target in one step,
// or over the target itself when that is a device or a FIFO.
#include "oru/data/atomic_file.h"

#include <atomic>
#include <string>

#include "oru/data/last_error.h"
#include "oru/platform/files.h"

namespace oru {
namespace {

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

}  // namespace

void RemoveTemporaryFiles() {
  for (auto& slot : liveTemporaries) {
    if (const char* path = slot.exchange(nullptr)) RemoveFile(path);
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
  FileFacts facts;
  unsigned permissions = NewFilePermissions();
  std::string where = target;
  if (ExamineFile(target, facts)) {
    if (facts.kind == FileKind::kFolder) {
      SetLastError("is a folder, not a file");
      return false;
    }
    if (!replace) {
      SetLastError("exists already");
      return false;
    }
    if (facts.kind != FileKind::kRegular) return OpenInPlace(target);
    permissions = facts.permissions;
    // A link to a file: the file is replaced where it is, and the link keeps pointing at it.
    const std::string real = ResolvedPath(target);
    if (!real.empty()) where = real;
  } else {
    if (!replace && ExamineFile(target, facts, LinkRule::kNoFollow)) {
      SetLastError("exists already");
      return false;
    }
    // A dangling link: the file is made where it points, and the link stays.
    where = CreationPath(target);
  }
  target_ = where;
  file_ = CreateTemporaryFileBeside(target_, permissions, temporary_);
  if (!file_.IsOpen()) {
    SetLastError("cannot be created (%s)", LastFileFaultText());
    target_.clear();
    temporary_.clear();
    return false;
  }
  Register(temporary_.c_str());
  return true;
}

bool AtomicFile::OpenInPlace(const char* target) {
  // Opened without waiting: a FIFO that no program reads would otherwise hang the open.
  file_ = OpenSystemFile(target, FileOpening::kWriteExisting);
  if (!file_.IsOpen()) {
    if (LastFileFault() == FileFault::kNoReader)
      SetLastError("is a FIFO (named pipe) that no program reads");
    else
      SetLastError("cannot be opened for writing (%s)", LastFileFaultText());
    return false;
  }
  inPlace_ = true;
  return true;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
  if (!file_.IsOpen() || failed_) {
    failed_ = true;
    return false;
  }
  if (!file_.WriteAll(data, size)) {
    SetLastError("cannot be written (%s)", LastFileFaultText());
    failed_ = true;
    return false;
  }
  return true;
}

bool AtomicFile::Commit(bool replace) {
  if (!file_.IsOpen() || failed_) {
    Discard();
    return false;
  }
  if (inPlace_) {
    // A device or a FIFO: the bytes went straight to it, and there is no file to flush.
    const bool closed = file_.Close();
    inPlace_ = false;
    if (!closed) {
      SetLastError("cannot be written (%s)", LastFileFaultText());
      return false;
    }
    return true;
  }
  // The data must be on disk before the name points at it, or a crash could leave an empty file.
  if (!file_.FlushToDisk() || !file_.Close()) {
    SetLastError("cannot be written (%s)", LastFileFaultText());
    Discard();
    return false;
  }
  if (!RenameFile(temporary_.c_str(), target_.c_str(), replace)) {
    if (LastFileFault() == FileFault::kExists)
      SetLastError("exists already");
    else
      SetLastError("cannot be written (%s)", LastFileFaultText());
    Discard();
    return false;
  }
  Unregister(temporary_.c_str());
  temporary_.clear();
  target_.clear();
  return true;
}

void AtomicFile::Discard() {
  file_.Close();
  inPlace_ = false;
  if (!temporary_.empty()) {
    Unregister(temporary_.c_str());
    RemoveFile(temporary_.c_str());
  }
  temporary_.clear();
  target_.clear();
}

bool WriteFileAtomically(const char* path, const void* data, std::size_t size, bool replace) {
  AtomicFile out;
  return out.Open(path, replace) && (size == 0 || out.Write(data, size)) && out.Commit(replace);
}

}  // namespace oru
