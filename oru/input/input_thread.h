/// \file
/// InputThread: a polling thread that samples eight key groups and one joystick every 20 ms
/// into an eight-bit state word. It stands apart from the Pad, with its own bit order, key table
/// and joystick calibration.
///
/// Usage (any thread may read; the poll runs on the input thread):
///   InputThread input;                       // loads the default keys, calibrates joystick 0,
///                                            // starts polling at once
///   std::uint32_t held = input.State();      // InputUp | InputRight | ... as of the last poll
///   std::uint32_t fresh = input.TakePressed(InputButton1 | InputButton2);
///                                            // bits held and not yet taken; taken bits stay
///                                            // latched until their key is released
///   input.SetLatch(InputButton3);            // mark bits as taken without reading them
/// Destruction stops the thread.
///
/// The latch is how a consumer sees each press once: the poll keeps only the latch bits that are
/// still held (latch &= state), so a latched bit clears on the first poll after its release.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "oru/shell/worker_thread.h"

namespace oru {

/// Bits of the input state word: the four directions and four buttons.
enum InputBit : std::uint32_t {
  InputUp = 1,
  InputDown = 2,
  InputRight = 4,
  InputLeft = 8,
  InputButton1 = 16,
  InputButton2 = 32,
  InputButton3 = 64,
  InputButton4 = 128,
};

/// Key groups in a table: one per input bit and more.
inline constexpr int kInputKeyGroups = 32;
///@{
/// Each group list ends at its first 0, so a group holds at most kInputGroupLength - 1 keys.
inline constexpr int kInputGroupLength = 10;
using InputKeyGroups = std::array<std::array<int, kInputGroupLength>, kInputKeyGroups>;
///@}

/// The default table: up, down, right, left, then buttons 1 to 4, each group ended by a 0, and an
/// empty group ending the table.
extern const std::array<int, 26> kDefaultInputKeys;

/// Loads a flat table into groups: codes are copied into a group until a 0, which ends it; the
/// next group starts after that 0, and a group that would start with 0 ends the table. Keys past
/// the ninth of a group are dropped, groups past the 32nd are ignored, and a table that runs out
/// without its closing 0 ends where it runs out. Returns the number of groups loaded; groups after
/// them are left as they were.
int LoadInputKeyTable(std::span<const int> codes, InputKeyGroups& groups);

/// Joystick thresholds around the rest position: a reading is a direction once its distance from
/// the centre leaves the middle two thirds of that half-range.
struct InputCalibration {
  /// Rest position of the x axis.
  std::int32_t xCentre = 0;
  /// Rest position of the y axis.
  std::int32_t yCentre = 0;
  /// Readings of x at or below this are left.
  std::int32_t xLow = 0;
  /// Readings of y at or below this are up.
  std::int32_t yLow = 0;
  /// Readings of x at or above this are right.
  std::int32_t xHigh = 0;
  /// Readings of y at or above this are down.
  std::int32_t yHigh = 0;
};
/// The thresholds for a joystick whose axes report these ranges.
InputCalibration CalibrationFor(std::uint32_t xMin, std::uint32_t xMax, std::uint32_t yMin,
                                std::uint32_t yMax);

/// A worker thread that polls keys and joystick into an input state word every interval.
class InputThread : public WorkerThread {
 public:
  InputThread();
  ~InputThread();
  InputThread(const InputThread&) = delete;
  InputThread& operator=(const InputThread&) = delete;

  /// Polls once, then sleeps the interval. Always goes on.
  bool Step() override;

  /// Reads the ranges of joystick id and sets the thresholds from them. Returns 1, or 0 when the
  /// ranges cannot be read; the thresholds are then left as they were.
  int Calibrate(unsigned id);

  /// Samples keys and joystick into the state word and reduces the latch to the bits still held.
  /// The thread calls it every interval; calling it from elsewhere is harmless.
  void Poll();

  /// Replaces the key groups with a flat table (see LoadInputKeyTable; groups after the table
  /// are cleared). Stops the thread while it swaps them and starts it again.
  void SetKeyTable(std::span<const int> codes);

  /// The InputBit bits held at the latest poll; any thread may read it.
  std::uint32_t State() const { return state.load(std::memory_order_acquire); }
  /// Bits taken (latched) and still held.
  std::uint32_t Latch() const { return latch.load(std::memory_order_acquire); }
  /// Latches bits by hand, so they count as taken until released.
  void SetLatch(std::uint32_t bits) { latch.fetch_or(bits, std::memory_order_acq_rel); }

  /// Bits of mask that are held and not latched; latches them, so each press is taken once.
  std::uint32_t TakePressed(std::uint32_t mask);

  /// The thresholds in use.
  InputCalibration Calibration() const;
  /// The joystick read.
  unsigned JoystickId() const { return joystickId.load(std::memory_order_relaxed); }
  /// Milliseconds between polls.
  std::uint32_t IntervalMs() const { return interval; }

 private:
  bool GroupDown(int group) const;
  std::uint32_t JoystickBits();

  InputKeyGroups keyGroups{};
  std::atomic<std::uint32_t> state{0};
  std::atomic<std::uint32_t> latch{0};
  std::atomic<unsigned> joystickId{0};
  std::uint32_t interval = 20;
  ///@{
  /// The thresholds may be recalibrated while the thread polls, so each is its own atomic word.
  std::atomic<std::int32_t> xCentre{0}, yCentre{0};
  std::atomic<std::int32_t> xLow{0}, yLow{0}, xHigh{0}, yHigh{0};
  /// Set once a calibration succeeded; a pad plugged in later is calibrated at its first reading.
  std::atomic<bool> calibrated{false};
  ///@}
};

}  // namespace oru
