// Standard MIDI File loading.
//
// The file: a header chunk (4-byte tag, 4-byte length h >= 6, format, track count n, division in
// ticks per quarter note; all big-endian), then track chunks, each a 4-byte tag, a 4-byte length
// L and L bytes of events, the next chunk 8 + L bytes after the start of this one. Tags and the
// format word are not checked: every format is played as simultaneous tracks.
//
// An event is a variable-length delta (at most four bytes of seven bits, most significant first)
// followed by a status byte, or by data bytes that reuse the last channel status (running status),
// then its data. System-exclusive (F0), escaped (F7) and meta (FF) events carry a variable-length
// byte count; they leave the running status alone.
//
// Loading reads every track twice through the same decoder: once to count the entries and sysex
// records so both arrays are allocated exactly once, then to merge. Every read is checked against
// the end of the track's bytes; a track whose next event cannot be read completely ends after its
// last complete event.
#include "oru/sound/midi_song.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <limits>

namespace oru {
namespace {

std::uint32_t ReadBe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::uint16_t ReadBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// What one decoded event puts into the list.
enum class EventKind { kChannel, kSysEx, kTempo, kTrackName, kNone };

struct DecodedEvent {
  std::uint32_t delta = 0;
  EventKind kind = EventKind::kNone;
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  std::uint32_t tempo = 0;
  const std::uint8_t* bytes = nullptr;  // sysex body or track name
  std::uint32_t length = 0;

  int Entries() const {
    switch (kind) {
      case EventKind::kChannel:
      case EventKind::kSysEx:
        return 1;
      case EventKind::kTempo:
        return 2;
      default:
        return 0;
    }
  }
};

class TrackCursor {
 public:
  TrackCursor(const std::uint8_t* begin, const std::uint8_t* end) : begin_(begin), end_(end) { Reset(); }

  void Reset() {
    cursor_ = begin_;
    runningStatus_ = 0;
  }

  // Decodes the next event with its delta. False when the track ends: fewer than two bytes left
  // (no event is shorter) or an event that does not fit, in which case the track stays ended.
  bool Next(DecodedEvent& event) {
    if (end_ - cursor_ < 2 || !ReadVarLen(event.delta) || cursor_ == end_) return Stop();
    std::uint8_t status = *cursor_;
    if (status & 0x80) {
      ++cursor_;
      if (status < 0xF0) runningStatus_ = status;
    } else if (runningStatus_ != 0) {
      status = runningStatus_;
    } else {
      return Stop();  // a data byte with no status to reuse
    }
    event = DecodedEvent{event.delta, EventKind::kChannel, status};
    if (status >= 0xC0 && status <= 0xDF) {
      if (Left() < 1) return Stop();
      event.data1 = *cursor_++;
      return true;
    }
    switch (status) {
      case 0xF0: {
        if (!ReadLengthPrefixed(event.bytes, event.length)) return Stop();
        event.kind = EventKind::kSysEx;
        return true;
      }
      case 0xF7:  // escaped bytes continue a sysex split across events; they are not sent
        if (!ReadLengthPrefixed(event.bytes, event.length)) return Stop();
        event.kind = EventKind::kNone;
        return true;
      case 0xFE:
        event.kind = EventKind::kNone;
        return true;
      case 0xFF: {
        if (Left() < 1) return Stop();
        const std::uint8_t type = *cursor_++;
        if (!ReadLengthPrefixed(event.bytes, event.length)) return Stop();
        event.kind = EventKind::kNone;
        if (type == 0x51) {
          std::uint64_t tempo = 0;
          for (std::uint32_t i = 0; i < event.length && tempo <= 0xFFFFFFFFu; ++i)
            tempo = tempo << 8 | event.bytes[i];
          // A tempo of 0 would stop time and one beyond 32 bits cannot be stored: both are dropped.
          if (tempo != 0 && tempo <= 0xFFFFFFFFu) {
            event.kind = EventKind::kTempo;
            event.tempo = static_cast<std::uint32_t>(tempo);
          }
        } else if (type == 0x03) {
          event.kind = EventKind::kTrackName;
        }
        return true;
      }
      default:  // channel messages with two data bytes; other system statuses are read alike
        if (Left() < 2) return Stop();
        event.data1 = *cursor_++;
        event.data2 = *cursor_++;
        return true;
    }
  }

 private:
  std::size_t Left() const { return static_cast<std::size_t>(end_ - cursor_); }

  bool Stop() {
    cursor_ = end_;
    return false;
  }

  bool ReadVarLen(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (cursor_ == end_) return false;
      const std::uint8_t b = *cursor_++;
      value = value << 7 | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;  // longer than four bytes
  }

  bool ReadLengthPrefixed(const std::uint8_t*& bytes, std::uint32_t& length) {
    if (!ReadVarLen(length) || length > Left()) return false;
    bytes = cursor_;
    cursor_ += length;
    return true;
  }

  const std::uint8_t* begin_;
  const std::uint8_t* end_;
  const std::uint8_t* cursor_ = nullptr;
  std::uint8_t runningStatus_ = 0;
};

struct MergeTrack {
  TrackCursor cursor;
  DecodedEvent next;
  std::uint32_t wait = 0;  // ticks until `next`, relative to the current merge time
  bool active = false;
};

}  // namespace

const MidiEvent& MidiSong::Entry(int i) const {
  static const MidiEvent kClosing{kMidiClosingDelta, 0, 0, 0, 0};
  if (i < 0 || i > eventCount_ || static_cast<std::size_t>(i) >= events_.size()) return kClosing;
  return events_[static_cast<std::size_t>(i)];
}

void MidiSong::Advance() {
  if (index_ >= eventCount_) return;
  position_ += events_[static_cast<std::size_t>(index_)].delta;
  ++index_;
}

void MidiSong::Clear() {
  index_ = 0;
  position_ = 0;
  division_ = 0;
  eventCount_ = 0;
  hasTitle_ = false;
  title_.clear();
  events_ = {};
  sysex_.reset();
  sysexCount_ = 0;
}

bool MidiSong::Load(std::span<const std::uint8_t> image) {
  const std::uint8_t* const data = image.data();
  const std::uint64_t size = image.size();
  if (size < 14) return false;
  const std::uint64_t headerLength = ReadBe32(data + 4);
  if (headerLength < 6 || 8 + headerLength > size) return false;
  const std::uint16_t trackCount = ReadBe16(data + 10);
  const std::uint16_t division = ReadBe16(data + 12);
  if (division == 0) return false;

  // Track chunks: as many as are announced and present; a length past the end of the file is cut
  // to the bytes that are there.
  std::vector<MergeTrack> tracks;
  std::uint64_t chunk = 8 + headerLength;
  for (unsigned i = 0; i < trackCount && chunk + 8 <= size; ++i) {
    const std::uint64_t length = ReadBe32(data + chunk + 4);
    const std::uint64_t end = std::min(size, chunk + 8 + length);
    tracks.push_back(MergeTrack{TrackCursor(data + chunk + 8, data + end), {}, 0, false});
    chunk += 8 + length;
  }

  // Count.
  std::uint64_t entryCount = 0, sysexCount = 0;
  for (MergeTrack& t : tracks) {
    DecodedEvent event;
    while (t.cursor.Next(event)) {
      entryCount += static_cast<std::uint64_t>(event.Entries());
      if (event.kind == EventKind::kSysEx) ++sysexCount;
    }
  }
  // The sysex index is 16 bits wide: records past the 65536th cannot be addressed and are dropped.
  sysexCount = std::min<std::uint64_t>(sysexCount, 0x10000);
  if (entryCount == 0 || entryCount > static_cast<std::uint64_t>(std::numeric_limits<int>::max() - 16))
    return false;

  std::vector<MidiEvent> events(static_cast<std::size_t>(entryCount) + 16);
  std::unique_ptr<SysExMessage[]> sysex(sysexCount ? new SysExMessage[sysexCount] : nullptr);
  std::string title;
  bool hasTitle = false;

  for (MergeTrack& t : tracks) {
    t.cursor.Reset();
    t.active = t.cursor.Next(t.next);
    t.wait = t.next.delta;
  }

  // Merge: each pass moves time on by the smallest wait and lets every track whose event is due
  // supply one event, in track order. A pass that yields no entry carries its time over.
  std::size_t e = 0, x = 0;
  for (;;) {
    std::uint32_t m = 0xFFFFFFFFu;
    bool any = false;
    for (const MergeTrack& t : tracks) {
      if (t.active && (!any || t.wait < m)) m = t.wait;
      any = any || t.active;
    }
    if (!any) {
      events[e].delta = kMidiClosingDelta;
      break;
    }
    // Saturate rather than wrap when many entry-less passes pile up.
    const std::uint64_t carried = std::uint64_t{events[e].delta} + m;
    events[e].delta = static_cast<std::uint32_t>(std::min<std::uint64_t>(carried, 0xFFFFFFFEu));

    for (std::size_t i = 0; i < tracks.size(); ++i) {
      MergeTrack& t = tracks[i];
      if (!t.active) continue;
      if (t.wait == m) {
        const DecodedEvent& ev = t.next;
        assert(e + static_cast<std::size_t>(ev.Entries()) <= entryCount);
        MidiEvent& entry = events[e];
        switch (ev.kind) {
          case EventKind::kChannel:
            entry.status = ev.status;
            entry.data1 = ev.data1;
            entry.data2 = ev.data2;
            ++e;
            break;
          case EventKind::kSysEx:
            if (x < sysexCount) {
              sysex[x].Init(ev.length, ev.bytes);
              entry.status = 0xF0;
              entry.data1 = static_cast<std::uint8_t>(x);
              entry.data2 = static_cast<std::uint8_t>(x >> 8);
              ++x;
              ++e;
            }
            break;
          case EventKind::kTempo:
            entry.status = 0xFF;
            entry.data1 = static_cast<std::uint8_t>(ev.tempo);
            entry.data2 = static_cast<std::uint8_t>(ev.tempo >> 8);
            events[e + 1].data1 = static_cast<std::uint8_t>(ev.tempo >> 16);
            events[e + 1].data2 = static_cast<std::uint8_t>(ev.tempo >> 24);
            e += 2;
            break;
          case EventKind::kTrackName:
            if (i == 0) {
              title.assign(reinterpret_cast<const char*>(ev.bytes), ev.length);
              hasTitle = true;
            }
            break;
          case EventKind::kNone:
            break;
        }
        t.active = t.cursor.Next(t.next);
        if (t.active) t.wait += t.next.delta;
      }
      t.wait -= m;
    }
  }
  if (e == 0) return false;

  Clear();
  division_ = division;
  eventCount_ = static_cast<int>(e);
  events_ = std::move(events);
  sysex_ = std::move(sysex);
  sysexCount_ = static_cast<int>(x);
  title_ = std::move(title);
  hasTitle_ = hasTitle;
  return true;
}

std::vector<std::string> DescribeMidiEntries(const MidiSong& song) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(song.EventCount()));
  std::uint64_t tick = 0;
  char text[96];
  for (int i = 0; i < song.EventCount(); ++i) {
    const MidiEvent& e = song.Entry(i);
    tick += e.delta;
    const unsigned long long t = tick;
    if (e.status == 0xFF) {
      const std::uint32_t tempo = e.Value() | static_cast<std::uint32_t>(song.Entry(i + 1).Value()) << 16;
      std::snprintf(text, sizeof text, "%llu tempo %u", t, tempo);
      lines.emplace_back(text);
      tick += song.Entry(++i).delta;
    } else if (e.status == 0xF0) {
      std::snprintf(text, sizeof text, "%llu sysex", t);
      std::string line = text;
      if (const SysExMessage* m = song.SysEx(e.Value())) {
        for (std::uint32_t b = 0; b < m->BufferLength(); ++b) {
          std::snprintf(text, sizeof text, " %02X", m->Buffer()[b]);
          line += text;
        }
      }
      lines.push_back(std::move(line));
    } else {
      std::snprintf(text, sizeof text, "%llu %02X %u %u", t, e.status, e.data1, e.data2);
      lines.emplace_back(text);
    }
  }
  return lines;
}

}  // namespace oru
