// Writing a run file while the game runs (the format is described in run_replay.h).
//
//   RunRecorder recorder;
//   if (!recorder.Open("run.orr", digest)) ...      // LastError() says why
//   each frame, on the game thread:
//     ... the rules run; wherever they read the clock: recorder.OnClock(value);
//     recorder.EndFrame(frame);                      // the inputs the frame's rules read
//   recorder.Close();                                // on exit: the last run and the end record
//
// Frames without clock reads and with the same inputs as the one before are gathered into one
// run record, written once the inputs change or it reaches kRunMaxCount frames; every record
// goes to the file (and is flushed) as soon as it is complete, so a crash loses at most the run
// being gathered. A recording stops by itself at kRunMaxFrames (the most a replay takes): the
// file is then completed as Close would, and EndFrame says so once. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "game/run_replay.h"
#include "oru/data/whole_file.h"

namespace brellow {

class RunRecorder {
 public:
  // maxFrames below kRunMaxFrames lets a test reach the limit.
  explicit RunRecorder(std::uint64_t maxFrames = kRunMaxFrames) : maxFrames_(maxFrames) {}
  ~RunRecorder() { Close(); }

  // Creates the file at path (an existing one only when replace is true) and writes the header.
  // False with a reason when the file cannot be written, exists and replace is false, or is not
  // a regular file (a FIFO is refused without waiting for a reader).
  bool Open(const char* path, std::uint64_t dataDigest, bool replace = false);
  bool IsOpen() const { return file_ != nullptr; }

  // A clock value the rules read in the frame in progress.
  void OnClock(std::uint32_t value);
  // Ends the frame in progress with the inputs its rules read. Returns true when this frame
  // reached the limit and the recording has just been completed and closed.
  bool EndFrame(const RunFrame& frame);
  // Writes what is gathered and the end record, and closes the file. False when a write failed
  // at any point. Closing a recorder that is not open returns true.
  bool Close();

  std::uint64_t Frames() const { return frames_; }

 private:
  void Gather(const RunFrame& frame);
  void WriteRun();
  void Write(const std::vector<std::uint8_t>& bytes);

  std::uint64_t maxFrames_;
  oru::StdFilePtr file_;
  bool failed_ = false;
  std::uint64_t frames_ = 0;
  // The run being gathered.
  RunFrame runInputs_{};
  std::uint32_t runCount_ = 0;
  bool runShort_ = false;  // written as a short record: pressed follows from held
  // The frame before the run (or the frame record) being gathered.
  RunFrame previous_{};
  // The clock values read in the frame in progress, and the last value written.
  std::vector<std::uint32_t> reads_;
  std::uint32_t lastClock_ = 0;
  std::vector<std::uint8_t> record_;
};

}  // namespace brellow
