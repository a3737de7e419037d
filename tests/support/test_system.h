// What the tests may know about the system they run on, and the few POSIX things some of them
// make (FIFOs, links, file modes, signals) behind calls that compile everywhere. A test that
// checks something only POSIX has starts with
//
//   if (!oru::test::HasPosixFiles()) GTEST_SKIP() << "no FIFOs on this system";
//
// The library above oru/platform never asks this: only tests may know the system.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace oru::test {

inline bool IsWindows() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

// FIFOs, file modes, symbolic links anyone may make, /dev and /proc.
inline bool HasPosixFiles() { return !IsWindows(); }

// SIGHUP and the others that end a program, with their default action.
inline bool HasPosixSignals() { return HasPosixFiles(); }

inline int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

// Sets an environment variable of the process (for the libraries that read one at start-up).
inline bool SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  return _putenv_s(name, value) == 0;
#else
  return ::setenv(name, value, 1) == 0;
#endif
}

// A device every program may write to and read nothing from.
inline const char* NullDevice() {
#ifdef _WIN32
  return "NUL";
#else
  return "/dev/null";
#endif
}

// Makes a FIFO at path; false where there are none.
inline bool MakeFifo(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return false;
#else
  return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

// The reading end of a FIFO, opened without waiting for a writer.
class FifoReader {
 public:
  explicit FifoReader(const std::string& path) {
#ifdef _WIN32
    (void)path;
#else
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
#endif
  }
  ~FifoReader() {
#ifndef _WIN32
    if (fd_ >= 0) ::close(fd_);
#endif
  }
  FifoReader(const FifoReader&) = delete;
  FifoReader& operator=(const FifoReader&) = delete;
  bool IsOpen() const { return fd_ >= 0; }
  // What is waiting in the FIFO now (up to 4 KiB).
  std::string Take() {
#ifdef _WIN32
    return {};
#else
    char buffer[4096];
    const ssize_t n = fd_ >= 0 ? ::read(fd_, buffer, sizeof buffer) : -1;
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
#endif
  }

 private:
  int fd_ = -1;
};

// The signals that end a program: SIGINT, SIGTERM and SIGHUP; none where they are not POSIX's.
inline std::vector<int> CloseSignals() {
#ifdef _WIN32
  return {};
#else
  return {SIGINT, SIGTERM, SIGHUP};
#endif
}

// Sends signal to this whole process (not to the calling thread only), as `kill` from outside
// would; false where there are no POSIX signals.
inline bool SignalThisProcess(int signal) {
#ifdef _WIN32
  (void)signal;
  return false;
#else
  return ::kill(::getpid(), signal) == 0;
#endif
}

// A death test's exit predicate: the child ended by signal (never on Windows).
struct KilledBy {
  explicit KilledBy(int signal) : signal_(signal) {}
  bool operator()(int status) const {
#ifdef _WIN32
    (void)status;
    return false;
#else
    return WIFSIGNALED(status) && WTERMSIG(status) == signal_;
#endif
  }
  int signal_;
};

// How many files the process has open now; -1 where the system does not say.
inline int OpenFileCount() {
#ifdef _WIN32
  return -1;
#else
  int n = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
#endif
}

}  // namespace oru::test
