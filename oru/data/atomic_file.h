/// \file
/// AtomicFile: writes a file so that readers see either the old file or the complete new one.
///
///   AtomicFile out;
///   if (!out.Open("kani.dpa")) return false;       // a temporary file beside kani.dpa
///   out.Write(bytes, size);
///   return out.Commit();                           // renamed over kani.dpa only now
///
/// The bytes go to a temporary file in the target's folder, which Commit flushes to the disk and
/// renames over the target in one step. A target that is a symbolic link to a file is followed:
/// the file it points at is replaced and the link stays. An existing target that is not a regular
/// file (a device such as /dev/stdout, /dev/null or NUL, a FIFO) is written in place and never
/// replaced; a FIFO that nobody reads is refused at once instead of waiting for a reader. A write
/// that fails (a full disk), an AtomicFile destroyed without Commit, or a failed Commit remove
/// the temporary file and leave the old target as it was. Commit with replace false refuses an
/// existing target instead of replacing it. A new file gets the usual permissions (0666 less the
/// umask); a replaced one keeps its permissions (on Windows, where a read-only file cannot be
/// renamed over, replacing one fails and leaves it as it was). Failures set LastError() to a
/// reason without the file's name. A signal that ends the program can leave no temporary file
/// behind when its handler calls RemoveTemporaryFiles.
#pragma once

#include <cstddef>
#include <string>

#include "oru/platform/files.h"

namespace oru {

/// A file written in full under a temporary name and then renamed over the target, so readers
/// see the old file or the new one, never a half-written one.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  ///@{
  /// Creates the temporary file for target (or opens a device or FIFO target). False when it
  /// cannot be created (the folder is missing or not writable, or target is a folder), and with
  /// replace false when target exists already.
  bool Open(const char* target, bool replace = true);
  /// Appends size bytes; false, with every later Write and Commit failing, when they cannot be
  /// written.
  bool Write(const void* data, std::size_t size);
  /// Flushes and renames the temporary file over the target (or, with replace false, to the
  /// target only when it does not exist yet); for a target written in place, closes it. False,
  /// with the target untouched, on any failure.
  bool Commit(bool replace = true);
  /// Removes the temporary file; the target is untouched.
  void Discard();
  ///@}

 private:
  bool OpenInPlace(const char* target);

  FileHandle file_;
  bool inPlace_ = false;
  bool failed_ = false;
  std::string target_;
  std::string temporary_;
};

/// Removes every temporary file an AtomicFile is writing now. Async-signal-safe: meant for the
/// handler of a signal that ends the program (InstallCleanupSignals in oru/platform/process.h).
void RemoveTemporaryFiles();

/// The whole of size bytes written to path through an AtomicFile.
bool WriteFileAtomically(const char* path, const void* data, std::size_t size, bool replace = true);

}  // namespace oru
