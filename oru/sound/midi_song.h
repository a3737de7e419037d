/// \file
/// MidiSong and MidiEvent: a Standard MIDI File turned into one flat, time-ordered list.
///
/// Every track is merged at load time into 8-byte entries, so playback walks one list with one
/// cursor and never parses. The sequencer is the only user of the cursor:
///
///   MidiSong song;
///   if (!song.Load(bytes)) return;            // the image is copied; it may go away now
///   song.Rewind();
///   while (song.HasMore()) {
///     const MidiEvent& e = song.Current();   // e.delta ticks after the entry before it
///     ...send e.Message(), or the SysExMessage at song.SysEx(e.Value()) for status 0xF0...
///     song.Advance();
///   }
///
/// The list:
///   - a channel message is one entry: status, data1, data2 (data2 is 0 for 0xC0-0xDF);
///   - a system-exclusive event is one entry with status 0xF0 whose 16-bit value indexes the
///     song's SysExMessage records (each holds 0xF0 and the body as stored in the file);
///   - a tempo change is two entries: status 0xFF with the low 16 bits of the microseconds per
///     quarter note, then an entry with status 0 and delta 0 holding the high 16 bits;
///   - the track name of track 0 becomes the title; other meta events leave no entry, their time
///     is carried over to the next entry;
///   - after the last event comes a closing entry with delta 0xFFFFFFFF.
/// Each entry's delta is the number of ticks since the entry before it. Events of different tracks
/// at the same tick interleave: one event per track in track order, then the next round.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "oru/sound/midi_out.h"

namespace oru {

/// One entry of a song's event list (see the file's description for the kinds).
struct MidiEvent {
  std::uint32_t delta = 0;  ///< ticks since the previous entry
  /// Status byte; 0xF0 system-exclusive, 0xFF tempo, 0 the high half of a tempo.
  std::uint8_t status = 0;
  /// First data byte.
  std::uint8_t data1 = 0;
  /// Second data byte.
  std::uint8_t data2 = 0;
  /// Keeps the entry 8 bytes long; always 0.
  std::uint8_t spare = 0;

  ///@{
  /// The packed short message: status in bits 0-7, data1 in 8-15, data2 in 16-23.
  std::uint32_t Message() const {
    return status | static_cast<std::uint32_t>(data1) << 8 |
           static_cast<std::uint32_t>(data2) << 16;
  }
  /// data1 and data2 read as one little-endian value: a tempo half or a sysex index.
  std::uint16_t Value() const { return static_cast<std::uint16_t>(data1 | data2 << 8); }
  ///@}
};
static_assert(sizeof(MidiEvent) == 8);

/// The delta of the closing entry that ends every event list.
inline constexpr std::uint32_t kMidiClosingDelta = 0xFFFFFFFFu;

/// A Standard MIDI File parsed into one time-ordered event list with a cursor.
class MidiSong {
 public:
  MidiSong() = default;
  MidiSong(const MidiSong&) = delete;
  MidiSong& operator=(const MidiSong&) = delete;
  ~MidiSong() = default;

  ///@{
  /// Parses a whole file image. False when the image cannot be played at all (no readable
  /// header, division 0, no track, no playable event, a list larger than kMaxLoadBytes, memory
  /// short), with the reason in LastError(); the song is then left as it was. Malformed tracks
  /// end where their readable events end. Time grows with events x log(tracks).
  bool Load(std::span<const std::uint8_t> image);
  void Clear();
  ///@}

  /// Moves the cursor back to the first event, at tick 0.
  void Rewind() {
    index_ = 0;
    position_ = 0;
  }
  /// Whether the cursor is before the closing entry.
  bool HasMore() const { return index_ < eventCount_; }
  ///@{
  /// Time in ticks of the last event the cursor has passed.
  std::uint64_t Position() const { return position_; }
  void Advance();
  ///@}

  /// Ticks per quarter note, from the header.
  std::uint16_t Division() const { return division_; }
  /// Track name of track 0, or null when it has none.
  const char* Title() const { return hasTitle_ ? title_.c_str() : nullptr; }

  /// Entries in the list, the closing entry not counted.
  int EventCount() const { return eventCount_; }
  /// Index of the entry at the cursor.
  int Index() const { return index_; }
  ///@{
  /// The entry at the cursor; at the end of the list, the closing entry.
  const MidiEvent& Current() const { return Entry(index_); }
  /// Entry i for 0 <= i <= EventCount(); any other index gives a closing entry.
  const MidiEvent& Entry(int i) const;
  int SysExCount() const { return sysexCount_; }
  /// Record i, or null when there is none. Writable because a device marks a record while it
  /// sends it.
  SysExMessage* SysEx(std::size_t i) const {
    return i < static_cast<std::size_t>(sysexCount_) ? &sysex_[i] : nullptr;
  }
  ///@}

 private:
  bool Parse(std::span<const std::uint8_t> image);

  std::uint16_t division_ = 0;
  bool hasTitle_ = false;
  std::string title_;
  int eventCount_ = 0;
  std::vector<MidiEvent> events_;
  std::unique_ptr<SysExMessage[]> sysex_;
  int sysexCount_ = 0;
  int index_ = 0;
  std::uint64_t position_ = 0;
};

/// The merged list in words, one line per entry without the closing entry, each starting with the
/// entry's absolute tick: "<tick> <status as two hex digits> <data1> <data2>" for a message,
/// "<tick> tempo <microseconds>" for a tempo pair, "<tick> sysex F0 .. F7" for a system-exclusive
/// message. What `oru midi dump` prints after the division and the title.
std::vector<std::string> DescribeMidiEntries(const MidiSong& song);

}  // namespace oru
