/// \file
/// Reading a whole file, and opening one for reading, for every loader: only regular files on a
/// real file system are taken, and nothing larger than a loader's cap is read.
///
///   std::vector<std::uint8_t> bytes;
///   if (!ReadWholeFile(name, bytes)) return 0;   // LastError() says why
///
/// A folder, FIFO, device or socket is refused at once (a FIFO is opened without blocking, so a
/// name that points at one never hangs the caller), and so are files of /proc and /sys, whose
/// reported size is not their content. Failures set LastError() to a reason without the name
/// ("is a folder, not a file"), so the caller can put the name in front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace oru {

/// The most bytes any loader reads from a file or produces from it: 256 MiB. Larger inputs and
/// outputs are refused with a reason instead of being allocated.
inline constexpr std::size_t kMaxLoadBytes = std::size_t{256} << 20;

/// Closes a std::FILE; the deleter of StdFilePtr.
struct StdFileCloser {
  /// Closes f unless it is null.
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
/// A std::FILE that closes itself.
using StdFilePtr = std::unique_ptr<std::FILE, StdFileCloser>;

/// Opens name for binary reading when it is a regular file; null otherwise, with the reason in
/// LastError().
StdFilePtr OpenRegularFile(const char* name);

/// Creates name for binary writing, never blocking (a FIFO is opened without waiting for a
/// reader and then refused). With replace false an existing name, a symbolic link included, is
/// refused ("exists already"); with replace true an existing regular file is emptied. Anything
/// but a regular file is refused, with the reason in LastError(); null then.
StdFilePtr CreateRegularFile(const char* name, bool replace);

/// Whether CreateRegularFile(name, replace) would be refused for what name is now: false, with
/// the reason in LastError(), when name exists and replace is false, or when it is something
/// other than a regular file. Opens nothing, so it never blocks.
bool CanCreateRegularFile(const char* name, bool replace);

/// How many times the calling thread has opened a file for reading here (OpenRegularFile,
/// ReadWholeFile; names that do not open are not counted). Lets tests prove that a load opens
/// its file once.
std::uint64_t FileOpensOnThisThread();

/// True when name exists and is a regular file (it may still be unreadable). Sets no reason.
bool IsRegularFile(const char* name);

/// Reads all of name into bytes (replaced only on success). False, with a reason, when name is not
/// a readable regular file, is longer than maxBytes, cannot be held in memory or fails to read.
bool ReadWholeFile(const char* name, std::vector<std::uint8_t>& bytes,
                   std::size_t maxBytes = kMaxLoadBytes);

}  // namespace oru
