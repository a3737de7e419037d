/// \file
/// The file system as the data layer and the programs see it: what a name is, opening without ever
/// waiting on a FIFO or a pipe, a temporary file beside a target and the rename that puts it in
/// place, and the paths a program asks about itself (its executable, the current folder).
///
///   FileFacts facts;
///   if (!ExamineFile(name, facts)) puts(LastFileFaultText());  // "No such file or directory"
///   FileHandle file = OpenSystemFile(name, FileOpening::kRead);
///
/// Names are UTF-8 on every system. A failing call leaves why in LastFileFault() and
/// LastFileFaultText() (per thread, like errno); the common reasons read the same on every system
/// ("No such file or directory", "Permission denied", "File exists"), the rest are the system's
/// own words. Folders are separated by "/" everywhere ("\\" too on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace oru {

/// What a name stands for.
enum class FileKind { kMissing, kRegular, kFolder, kFifo, kDevice, kSocket, kLink, kOther };

/// What ExamineFile learns about a name.
struct FileFacts {
  /// What the name is; kMissing when nothing has it.
  FileKind kind = FileKind::kMissing;
  std::uint64_t size = 0;  ///< bytes, for a regular file
  ///@{
  /// On a file system whose sizes are not the content (/proc, /sys on Linux); never on Windows.
  bool pseudo = false;
  /// Together the same file however it is named (device and inode, or volume and file index).
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  /// POSIX mode bits (07777); on Windows 0444 for a read-only file, else 0666.
  unsigned permissions = 0;
  ///@}
};

/// Why the latest file call of this thread failed.
enum class FileFault {
  kNone,
  kMissing,   ///< the name, or a folder on its way, does not exist
  kExists,    ///< a new name was asked for and the name exists (a link too)
  kFolder,    ///< a folder where a file was asked for
  kNoReader,  ///< a FIFO or pipe opened for writing that no program reads
  kOther,
};

///@{
/// Why the calling thread's last failing call here failed.
FileFault LastFileFault();
const char* LastFileFaultText();
///@}

/// Whether a symbolic link is followed or examined itself.
enum class LinkRule { kFollow, kNoFollow };

/// What name is now: with kNoFollow a symbolic link (or any Windows reparse point) is kLink, else
/// what it leads to. False, with facts.kind kMissing and the fault set, when name cannot be
/// examined. Opens nothing that could block.
bool ExamineFile(const char* name, FileFacts& facts, LinkRule links = LinkRule::kFollow);

/// An open file of the system (a descriptor, a Windows handle), closed when it goes. Reads and
/// writes block as usual; interrupted calls are resumed.
class FileHandle {
 public:
  FileHandle() = default;
  /// Takes a system file handle (a descriptor on POSIX).
  explicit FileHandle(std::intptr_t native) : native_(native) {}
  ~FileHandle() { Close(); }
  /// Takes other's file; other is left closed.
  FileHandle(FileHandle&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
  /// Closes this file and takes other's; other is left closed.
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  /// Whether the handle holds an open file.
  bool IsOpen() const { return native_ != kNone; }
  ///@{
  /// What the open file is (the name it was opened by may have changed since).
  bool Examine(FileFacts& facts) const;
  /// Up to size bytes: how many were read, 0 at the end, -1 on failure.
  long long Read(void* buffer, std::size_t size);
  /// All of size bytes, or false.
  bool WriteAll(const void* data, std::size_t size);
  /// Cuts the file to 0 bytes.
  bool Empty();
  /// Puts the written bytes on the disk itself before returning (fsync, FlushFileBuffers).
  bool FlushToDisk();
  /// POSIX mode bits; Windows keeps the attributes a new file gets and this does nothing.
  bool SetPermissions(unsigned permissions);
  /// False when closing reports that written bytes were lost; the handle is closed either way.
  bool Close();
  /// Hands the file to a stdio stream opened with mode ("rb", "wb"), which then owns it; the
  /// handle is empty afterwards. Null, with the file closed, when no stream can be made.
  std::FILE* IntoStream(const char* mode);
  ///@}

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t native_ = kNone;
};

/// How OpenSystemFile opens a name.
enum class FileOpening {
  kRead,
  kWriteExisting,       ///< never creates
  kWriteNew,            ///< refuses an existing name (kExists), a link included
  kWriteNewOrExisting,  ///< creates or opens, keeping the content
};

/// Opens name for reading or writing, never waiting: a FIFO is opened without waiting for its
/// other end, and one opened for writing that no program reads fails with kNoReader. Does not
/// check what name is: the caller examines the handle. New files get NewFilePermissions().
FileHandle OpenSystemFile(const char* name, FileOpening how);

/// The permissions a new file gets: 0666 less the process's umask (0666 on Windows).
unsigned NewFilePermissions();

/// Creates a new file beside target, in its folder and named after it (".NAME.tmp-" and six
/// random characters), with the given permissions, for writing; name gets its full name. An
/// unopened handle, with the fault, on failure.
FileHandle CreateTemporaryFileBeside(const std::string& target, unsigned permissions,
                                     std::string& name);

/// Renames from to to in one step: readers see the old file or the new one, never neither. With
/// replace false an existing to is left alone and the call fails with kExists.
bool RenameFile(const char* from, const char* to, bool replace);

/// Removes the file name. On POSIX async-signal-safe, for a handler of a signal that ends the
/// program.
bool RemoveFile(const char* name);

/// name with every symbolic link resolved, absolute; "" when name cannot be resolved (missing).
std::string ResolvedPath(const char* name);

/// Where creating name makes a file: name itself, or for a dangling symbolic link the name it
/// points at (followed link by link), so the link stays and its target appears.
std::string CreationPath(const char* name);

/// name made absolute against the current folder and tidied ("." and ".." taken out) without
/// looking at the disk; name itself when that fails.
std::string AbsolutePath(const char* name);

/// The full name of the running program's executable; "" when the system does not say.
std::string ExecutablePath();

/// The folder part of path, without the separator after it ("" when path names no folder; "/"
/// for a name in the root).
std::string FolderOf(const std::string& path);

/// The characters that separate folders in a name: "/", or "/\\" on Windows.
const char* FolderSeparators();

/// The current folder; "" when the system does not say.
std::string CurrentFolder();

/// Makes folder the current one; false, with the fault, when it cannot be entered.
bool EnterFolder(const char* folder);

/// std::fopen for a UTF-8 name on every system.
std::FILE* OpenFileStream(const char* name, const char* mode);

}  // namespace oru
