// AtomicFile: writes a file so that readers see either the old file or the complete new one.
//
//   AtomicFile out;
//   if (!out.Open("kani.dpa")) return false;       // a temporary file beside kani.dpa
//   out.Write(bytes, size);
//   return out.Commit();                           // renamed over kani.dpa only now
//
// The bytes go to a temporary file in the target's folder, which Commit flushes and renames over
// the target. A write that fails (a full disk), an AtomicFile destroyed without Commit, or a
// failed Commit remove the temporary file and leave the old target as it was. Commit with
// replace false refuses an existing target instead of replacing it. A new file gets the usual
// permissions (0666 less the umask); a replaced one keeps its permissions. Failures set
// LastError() to a reason without the file's name.
#pragma once

#include <cstddef>
#include <string>

namespace oru {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file for target. False when it cannot be created (the folder is
  // missing or not writable, or target is a folder).
  bool Open(const char* target);
  // Appends size bytes; false, with every later Write and Commit failing, when they cannot be
  // written.
  bool Write(const void* data, std::size_t size);
  // Flushes and renames the temporary file over the target (or, with replace false, to the
  // target only when it does not exist yet). False, with the target untouched, on any failure.
  bool Commit(bool replace = true);
  // Removes the temporary file; the target is untouched.
  void Discard();

 private:
  int fd_ = -1;
  bool failed_ = false;
  std::string target_;
  std::string temporary_;
};

// The whole of size bytes written to path through an AtomicFile.
bool WriteFileAtomically(const char* path, const void* data, std::size_t size, bool replace = true);

}  // namespace oru
