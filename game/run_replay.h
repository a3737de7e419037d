// A recorded run: the game's inputs, frame by frame, read back to play the same game again.
//
// The rules are deterministic given what they read from outside the game: the pad's buttons at
// each frame's poll, the millisecond clock (the boss fight's invincibility), and the frame
// pacing switch. A run file stores exactly those, so a replay reproduces the run: the same
// states on the same frames, the same score, the same final picture.
//
//   RunReplay replay;
//   if (!replay.Load("run.orr", DataDigest(names))) puts(LastError());  // refused, with why
//   RunFrame frame;
//   while (replay.NextFrame(&frame)) { ... the rules read frame.held, frame.pressed and
//                                          replay.NextClock() where they read the clock ... }
//
// The file (all numbers little-endian; a varint is 7 bits a byte, low bits first, the top bit
// set on every byte but the last, at most 5 bytes):
//   header, 16 bytes: the magic "ORUR", the format version (u16, now 1), 2 bytes reserved (0),
//   the digest of the game's data files (u64) the run was recorded with.
//   Then records, each opened by a tag byte:
//     1  run    varint count, then held, pressed and flags bytes: count frames with these
//               inputs in which the rules read no clock.
//     2  frame  held, pressed and flags bytes, varint reads, then reads clock values, each as a
//               zig-zag varint of its difference from the clock value before it in the file
//               (the first from 0), taken modulo 2^32.
//     3  end    varint total frames; the run was closed properly. Nothing may follow.
//     128 + k - 1, then a held byte (k from 1 to 128): k frames holding held, the commonest
//               record by far. The first of them has as pressed what it holds that the frame
//               before did not (held & ~previous held), the others nothing; the flags are the
//               previous frame's.
//   held: bit n set while pad button n is down at the frame's poll; pressed: bit n set when it
//   was newly pressed there (a key tapped between two polls is pressed without being held);
//   flags: bit 0 frame pacing on, the other bits 0. Before the first frame nothing is held and
//   pacing is on.
// The recorder writes each record as soon as it is complete and runs of at most 1024 frames,
// so a file cut short by a crash ends with whole records (or inside the last one) and replays
// up to where it ends; CutAt says where that is. A damaged file is refused, naming the byte
// offset of the record: a bad tag, a zero count, unknown flag bits, set reserved bits, bytes
// after the end, a varint longer than 5 bytes or over 32 bits, and a frame record counting more
// reads than there are bytes left (each read takes one at least) cannot come from a cut.
//
// A run file is at most kRunMaxFileBytes (64 MiB, years of play); larger files are refused
// before they are read. The replay keeps the file's bytes and decodes each record when its
// frames come up, so a loaded run takes no more memory than its file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brellow {

inline constexpr char kRunMagic[4] = {'O', 'R', 'U', 'R'};
inline constexpr std::uint16_t kRunVersion = 1;
inline constexpr std::size_t kRunHeaderSize = 16;
inline constexpr std::uint8_t kRunTagRun = 1;
inline constexpr std::uint8_t kRunTagFrame = 2;
inline constexpr std::uint8_t kRunTagEnd = 3;
inline constexpr std::uint8_t kRunFlagPacing = 1;
inline constexpr std::uint8_t kRunTagShort = 0x80;
inline constexpr std::uint32_t kRunShortMaxCount = 128;
// The longest run the recorder writes before starting another record.
inline constexpr std::uint32_t kRunMaxCount = 1024;
// A file may hold at most this many frames (over 18 days of play); the recorder stops there.
inline constexpr std::uint64_t kRunMaxFrames = std::uint64_t{1} << 26;
// The largest run file read.
inline constexpr std::size_t kRunMaxFileBytes = std::size_t{64} << 20;

// What the rules read from outside the game in one frame, besides the clock.
struct RunFrame {
  std::uint8_t held = 0;
  std::uint8_t pressed = 0;
  bool pacing = true;
};

class RunReplay {
 public:
  // Reads a run file. False, with the reason in LastError() and the replay left as it was, when
  // the file cannot be read, is no run file, is larger than kRunMaxFileBytes, is damaged, was
  // recorded with data files whose digest is not expectedDigest, or LoadCancelled
  // (oru/data/load_cancel.h) said so while it was read.
  bool Load(const char* path, std::uint64_t expectedDigest);
  // The same over bytes in memory; the digest is not checked when checkDigest is false.
  bool LoadImage(std::span<const std::uint8_t> bytes, std::uint64_t expectedDigest,
                 bool checkDigest = true);

  // The next frame's inputs; false at the end of the recording.
  bool NextFrame(RunFrame* frame);
  // The next clock value the rules read in the current frame. When the recording holds no more
  // for this frame (the rules asked more often than when it was recorded), the last value again.
  std::uint32_t NextClock();

  std::uint64_t Frames() const { return frames_; }
  std::uint64_t FramesPlayed() const { return played_; }
  std::uint64_t Digest() const { return digest_; }
  // Whether the file ended with its end record (false for a file cut short).
  bool Complete() const { return complete_; }
  // For a file cut short: the byte offset where its frames end (the start of the record it ends
  // inside, or its length when it ends between records). The file's length when complete.
  std::size_t CutAt() const { return cutAt_; }
  // For a file cut short, whether it ends inside a record rather than between two.
  bool CutInsideRecord() const { return cutInside_; }

  // Where a record is decoded from, and what the records before it left behind.
  struct Cursor {
    std::size_t at = kRunHeaderSize;
    std::uint32_t clock = 0;
    RunFrame previous;  // nothing held, pacing on
  };
  // One decoded record: count frames, the first with first's inputs and the others with rest's.
  struct Record {
    std::uint32_t count = 0;
    RunFrame first;
    RunFrame rest;
  };
  enum class Decoded { kRecord, kEnd, kCut, kDamaged };

 private:
  // Decodes the record at cursor into record, its clock reads into reads (replaced), and moves
  // cursor past it. kEnd for a valid end record counting frames frames; kCut when the bytes end
  // inside the record; kDamaged with the reason in LastError().
  static Decoded DecodeRecord(std::span<const std::uint8_t> bytes, Cursor& cursor,
                              std::uint64_t frames, Record& record,
                              std::vector<std::uint32_t>& reads);
  bool Adopt(std::vector<std::uint8_t>&& bytes, std::uint64_t expectedDigest, bool checkDigest);

  std::vector<std::uint8_t> bytes_;
  std::uint64_t frames_ = 0;
  std::uint64_t digest_ = 0;
  bool complete_ = false;
  std::size_t cutAt_ = 0;
  bool cutInside_ = false;
  // Playback position: the record being played and its reads, decoded when its turn came (reads_
  // has room for the largest record's reads from the load on, so playing never allocates).
  Cursor cursor_;
  Record record_;
  std::vector<std::uint32_t> reads_;
  std::uint32_t left_ = 0;  // frames of record_ still to play
  std::size_t nextRead_ = 0;
  std::size_t readsEnd_ = 0;
  std::uint32_t lastClock_ = 0;
  std::uint64_t played_ = 0;
};

// FNV-1a over the names, sizes and contents of the named data files as the game reads them
// (through DataSource: a pack counts by what it unpacks to). A file that is missing counts as
// its name alone; a plain file larger than the loaders read (kMaxLoadBytes) by its name and
// size, unread. Once LoadCancelled says so the rest is skipped (the game is leaving).
std::uint64_t DataDigest(std::span<const char* const> names);

}  // namespace brellow
