// Temporary names and folders for tests, under the system's temporary folder and unique to the
// process, so suites running side by side never share one.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/test_system.h"

namespace oru::test {

// A name under the temporary folder that no other process and no earlier call of this one
// gets: stem, the process id, a count, then extension (".orr").
inline std::string UniqueTempPath(const std::string& stem, const std::string& extension = "") {
  static std::atomic<int> count{0};
  const std::filesystem::path folder(::testing::TempDir());
  return (folder /
          (stem + "_" + std::to_string(ProcessId()) + "_" + std::to_string(count++) + extension))
      .string();
}

// A fresh, empty folder for the life of the object; removed with everything in it afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& stem) : folder_(UniqueTempPath(stem)) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    std::filesystem::create_directories(folder_, ec);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

 private:
  std::filesystem::path folder_;
};

// Puts the current folder back when it goes, for tests that change into another.
class CurrentFolderKeeper {
 public:
  CurrentFolderKeeper() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderKeeper() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
  CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;
  const std::filesystem::path& Saved() const { return saved_; }

 private:
  std::filesystem::path saved_;
};

}  // namespace oru::test
