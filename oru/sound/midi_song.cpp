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
#include <functional>
#include <limits>
#include <new>

#include "oru/data/byte_reader.h"
#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"
#include "oru/data/whole_file.h"

namespace oru {
namespace {

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
  TrackCursor(const std::uint8_t* begin, const std::uint8_t* end) : begin_(begin), end_(end) {
    Reset();
  }

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
  std::uint64_t time = 0;   // absolute tick of `next`
  std::uint32_t round = 0;  // events of this track before `next` at the same tick
  bool active = false;
};

// The merge order: by tick, then by how many events the track had before at that tick, then by
// track. That is the order of the passes the list is defined by (each pass lets every due track
// supply one event, in track order), so equal ticks interleave across tracks: p1, q1, p2.
struct MergeKey {
  std::uint64_t time;
  std::uint32_t round;
  std::uint32_t track;
  bool operator>(const MergeKey& o) const {
    if (time != o.time) return time > o.time;
    if (round != o.round) return round > o.round;
    return track > o.track;
  }
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
  try {
    return Parse(image);
  } catch (const std::bad_alloc&) {
    SetLastError("needs more memory for its event list than is available");
    return false;
  }
}

bool MidiSong::Parse(std::span<const std::uint8_t> image) {
  const std::uint8_t* const data = image.data();
  const std::size_t size = image.size();
  ByteReader in(data, size);
  in.Skip(4);  // the tag is not checked
  const std::uint32_t headerLength = in.U32Be();
  in.Skip(2);  // nor the format
  const std::uint16_t trackCount = in.U16Be();
  const std::uint16_t division = in.U16Be();
  if (in.Failed()) {
    SetLastError("is too short for a MIDI header (%zu bytes, 14 needed)", size);
    return false;
  }
  if (headerLength < 6 || headerLength > size - 8) {
    SetLastError("has a header length of %u at offset 4, outside 6 .. %zu", headerLength, size - 8);
    return false;
  }
  if (division == 0) {
    SetLastError("has a division of 0 ticks per quarter note at offset 12");
    return false;
  }

  // Track chunks: as many as are announced and present; a length past the end of the file is cut
  // to the bytes that are there.
  std::vector<MergeTrack> tracks;
  in.Seek(8 + std::size_t{headerLength});
  for (unsigned i = 0; i < trackCount && in.Has(8); ++i) {
    in.Skip(4);
    const std::uint32_t declared = in.U32Be();
    const std::size_t length = std::min<std::size_t>(declared, in.Remaining());
    const std::uint8_t* body = in.Bytes(length);
    tracks.push_back(MergeTrack{TrackCursor(body, body + length), {}, 0, 0, false});
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
  if (entryCount == 0) {
    if (tracks.empty())
      SetLastError("has no track chunk");
    else
      SetLastError("has no playable event in %zu track chunk%s", tracks.size(),
                   tracks.size() == 1 ? "" : "s");
    return false;
  }
  if ((entryCount + 16) * sizeof(MidiEvent) > kMaxLoadBytes) {
    SetLastError("would make %llu entries, more than the %zu bytes a loader takes",
                 static_cast<unsigned long long>(entryCount), kMaxLoadBytes);
    return false;
  }

  std::vector<MidiEvent> events(static_cast<std::size_t>(entryCount) + 16);
  std::unique_ptr<SysExMessage[]> sysex(sysexCount ? new SysExMessage[sysexCount] : nullptr);
  std::string title;
  bool hasTitle = false;

  // A min-heap of the track heads: each event costs log(tracks), not a visit of every track.
  std::vector<MergeKey> heap;
  heap.reserve(tracks.size());
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    MergeTrack& t = tracks[i];
    t.cursor.Reset();
    t.active = t.cursor.Next(t.next);
    t.time = t.next.delta;
    t.round = 0;
    if (t.active) heap.push_back(MergeKey{t.time, 0, static_cast<std::uint32_t>(i)});
  }
  std::make_heap(heap.begin(), heap.end(), std::greater<MergeKey>());

  // Merge: take the earliest head, store its entries, read the track's next event. An entry's
  // delta is the time since the entry before it, so time of events that yield no entry carries
  // over to the next entry.
  std::size_t e = 0, x = 0;
  std::uint64_t lastEntryTime = 0;
  std::uint32_t merged = 0;
  while (!heap.empty()) {
    // A huge song takes a while; a close request need not wait for it.
    if ((++merged & 0xFFF) == 0 && LoadCancelled()) {
      SetLastError("was left unread: the load was cancelled");
      return false;
    }
    std::pop_heap(heap.begin(), heap.end(), std::greater<MergeKey>());
    const std::size_t i = heap.back().track;
    heap.pop_back();
    MergeTrack& t = tracks[i];
    const DecodedEvent& ev = t.next;
    // Records past the 65536th cannot be addressed: such a sysex yields no entry.
    const bool yieldsEntry = ev.Entries() > 0 && (ev.kind != EventKind::kSysEx || x < sysexCount);
    if (yieldsEntry) {
      assert(e + static_cast<std::size_t>(ev.Entries()) <= entryCount);
      // Saturate rather than wrap across a very long gap.
      events[e].delta =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(t.time - lastEntryTime, 0xFFFFFFFEu));
      lastEntryTime = t.time;
    }
    MidiEvent& entry = events[e];
    switch (ev.kind) {
      case EventKind::kChannel:
        entry.status = ev.status;
        entry.data1 = ev.data1;
        entry.data2 = ev.data2;
        ++e;
        break;
      case EventKind::kSysEx:
        if (yieldsEntry) {
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
    if (t.active) {
      t.round = t.next.delta == 0 ? t.round + 1 : 0;
      t.time += t.next.delta;
      heap.push_back(MergeKey{t.time, t.round, static_cast<std::uint32_t>(i)});
      std::push_heap(heap.begin(), heap.end(), std::greater<MergeKey>());
    }
  }
  events[e].delta = kMidiClosingDelta;
  if (e == 0) {
    SetLastError("has no playable event");  // only sysex records past the 65536th
    return false;
  }

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
      const std::uint32_t tempo = e.Value() | static_cast<std::uint32_t>(song.Entry(i + 1).Value())
                                                  << 16;
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
