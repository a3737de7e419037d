// The run file writer.
#include "game/run_recorder.h"

#include <cerrno>
#include <cstring>

#include "oru/data/last_error.h"

namespace brellow {

using namespace oru;

namespace {

void PutVarint(std::vector<std::uint8_t>& out, std::uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

void PutInputs(std::vector<std::uint8_t>& out, const RunFrame& f) {
  out.push_back(f.held);
  out.push_back(f.pressed);
  out.push_back(f.pacing ? kRunFlagPacing : 0);
}

bool SameInputs(const RunFrame& a, const RunFrame& b) {
  return a.held == b.held && a.pressed == b.pressed && a.pacing == b.pacing;
}

}  // namespace

bool RunRecorder::Open(const char* path, std::uint64_t dataDigest, bool replace) {
  Close();
  StdFilePtr file = CreateRegularFile(path, replace);
  if (!file) return false;
  file_ = std::move(file);
  failed_ = false;
  frames_ = 0;
  runCount_ = 0;
  previous_ = RunFrame{};
  lastClock_ = 0;
  reads_.clear();
  reads_.reserve(64);
  record_.reserve(64);
  std::vector<std::uint8_t> header(kRunMagic, kRunMagic + 4);
  header.push_back(static_cast<std::uint8_t>(kRunVersion));
  header.push_back(static_cast<std::uint8_t>(kRunVersion >> 8));
  header.push_back(0);
  header.push_back(0);
  for (int i = 0; i < 8; ++i) header.push_back(static_cast<std::uint8_t>(dataDigest >> (8 * i)));
  Write(header);
  if (failed_) {
    SetLastError("cannot be written: %s", std::strerror(errno));
    file_.reset();
    return false;
  }
  return true;
}

void RunRecorder::OnClock(std::uint32_t value) {
  if (file_) reads_.push_back(value);
}

bool RunRecorder::EndFrame(const RunFrame& frame) {
  if (!file_) return false;
  Gather(frame);
  if (frames_ < maxFrames_) return false;
  Close();
  return true;
}

void RunRecorder::Gather(const RunFrame& frame) {
  ++frames_;
  if (reads_.empty()) {
    if (runCount_ > 0) {
      const bool more = runShort_
                            ? frame.held == runInputs_.held && frame.pressed == 0 &&
                                  frame.pacing == runInputs_.pacing && runCount_ < kRunShortMaxCount
                            : SameInputs(frame, runInputs_) && runCount_ < kRunMaxCount;
      if (more) {
        ++runCount_;
        return;
      }
      WriteRun();
    }
    runInputs_ = frame;
    runCount_ = 1;
    runShort_ = frame.pacing == previous_.pacing &&
                frame.pressed == static_cast<std::uint8_t>(frame.held & ~previous_.held);
    return;
  }
  if (runCount_ > 0) WriteRun();
  previous_ = frame;
  record_.clear();
  record_.push_back(kRunTagFrame);
  PutInputs(record_, frame);
  PutVarint(record_, static_cast<std::uint32_t>(reads_.size()));
  for (const std::uint32_t value : reads_) {
    const auto delta = static_cast<std::int32_t>(value - lastClock_);
    PutVarint(record_,
              (static_cast<std::uint32_t>(delta) << 1) ^ static_cast<std::uint32_t>(delta >> 31));
    lastClock_ = value;
  }
  reads_.clear();
  Write(record_);
}

void RunRecorder::WriteRun() {
  record_.clear();
  if (runShort_) {
    record_.push_back(static_cast<std::uint8_t>(kRunTagShort + runCount_ - 1));
    record_.push_back(runInputs_.held);
  } else {
    record_.push_back(kRunTagRun);
    PutVarint(record_, runCount_);
    PutInputs(record_, runInputs_);
  }
  // The frame before whatever comes next: the run's last, which for a short run pressed nothing.
  previous_ = runInputs_;
  if (runShort_ && runCount_ > 1) previous_.pressed = 0;
  runCount_ = 0;
  Write(record_);
}

void RunRecorder::Write(const std::vector<std::uint8_t>& bytes) {
  if (!file_ || failed_) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() ||
      std::fflush(file_.get()) != 0)
    failed_ = true;
}

bool RunRecorder::Close() {
  if (!file_) return true;
  if (runCount_ > 0) WriteRun();
  record_.clear();
  record_.push_back(kRunTagEnd);
  PutVarint(record_, static_cast<std::uint32_t>(frames_));
  Write(record_);
  return std::fclose(file_.release()) == 0 && !failed_;
}

}  // namespace brellow
