// MIDI file loading and sequencer timing.
//
// Midi/Load: parse and merge a generated format-1 file of 16 tracks and about 100,000 events.
// Goal: under 10 ms.
// Midi/LoadManyTracks: a 1.1 MB format-1 file of 65,535 tracks of one note each, every note at
// a tick of its own; the merge takes events x log(tracks). Goal: under 100 ms (merging pass by
// pass over every track took 19.8 s here).
// Midi/Lateness: play a generated song through the sequencer's real 1 ms timer into a device that
// stamps every message on arrival, and report how late each left against its due time, as the
// counters p50_ms and p99_ms. Goal: p99 under 1.5 ms.
// Midi/LatenessUnderLoad: the same while two threads spin at normal priority, one per core of a
// two-core machine, as a busy machine does to the timer thread. The timer thread asks for real-time
// scheduling; where the system refuses (no privilege, no RealtimeKit) the counter rt reads 0 and
// the figures show what an ordinary thread gets. Goal: p99 under 2 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "oru/platform/threads.h"
#include "oru/sound/midi_out.h"
#include "oru/sound/midi_sequencer.h"
#include "oru/sound/midi_song.h"
#include "tests/sound/midi_file_builder.h"

namespace {

using oru::test::MidiFileBuilder;
using Clock = std::chrono::steady_clock;

// 16 tracks, one channel each: a program and volume, then notes with a pitch bend now and then.
std::vector<std::uint8_t> BigSong() {
  MidiFileBuilder file(480);
  file.Track(0).Name(0, "bench").Tempo(0, 500000);
  constexpr int kEventsPerTrack = 6250;
  for (int t = 0; t < 16; ++t) {
    auto& track = file.Track(static_cast<std::size_t>(t));
    const auto channel = static_cast<std::uint8_t>(t);
    track.Message(0, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(t * 7)});
    track.Message(0, {static_cast<std::uint8_t>(0xB0 | channel), 7, 100});
    for (int i = 2; i < kEventsPerTrack; i += 2) {
      const auto key = static_cast<std::uint8_t>(36 + (i * 7 + t * 5) % 48);
      if (i % 50 == 0) {
        track.Message(
            7, {static_cast<std::uint8_t>(0xE0 | channel), 0, static_cast<std::uint8_t>(i % 128)});
        track.Note(0, static_cast<std::uint8_t>(0x90 | channel), key, 90);
      } else {
        track.Note(static_cast<std::uint32_t>(13 + t), static_cast<std::uint8_t>(0x90 | channel),
                   key, 90);
      }
      track.Note(static_cast<std::uint32_t>(60 + (i % 3) * 60),
                 static_cast<std::uint8_t>(0x80 | channel), key, 0);
    }
    track.End(0);
  }
  return file.Bytes();
}

void BM_MidiLoad(benchmark::State& state) {
  const std::vector<std::uint8_t> image = BigSong();
  oru::MidiSong song;
  for (auto _ : state) {
    if (!song.Load(image)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(song.EventCount());
  }
  state.counters["events"] = song.EventCount();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(image.size()));
}
BENCHMARK(BM_MidiLoad)->Name("Midi/Load")->Unit(benchmark::kMillisecond);

std::vector<std::uint8_t> ManyTracks() {
  MidiFileBuilder file(96);
  for (std::size_t t = 0; t < 65535; ++t)
    file.Track(t)
        .Note(static_cast<std::uint32_t>((t * 7919) % 65536), 0x90,
              static_cast<std::uint8_t>(36 + t % 48), 90)
        .End(0);
  return file.Bytes();
}

void BM_MidiLoadManyTracks(benchmark::State& state) {
  const std::vector<std::uint8_t> image = ManyTracks();
  oru::MidiSong song;
  for (auto _ : state) {
    if (!song.Load(image)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(song.EventCount());
  }
  state.counters["bytes"] = static_cast<double>(image.size());
  state.counters["events"] = song.EventCount();
}
BENCHMARK(BM_MidiLoadManyTracks)->Name("Midi/LoadManyTracks")->Unit(benchmark::kMillisecond);

// A device that stamps each short message with its arrival time. No allocation while playing.
class StampingBackend : public oru::MidiBackend {
 public:
  explicit StampingBackend(std::size_t capacity) : stamps_(capacity) {}

  std::unique_ptr<oru::MidiPort> Open(int) override { return std::make_unique<Port>(*this); }
  bool DeviceName(int, char* name, std::size_t size) override {
    if (size) name[0] = '\0';
    return false;
  }
  const std::vector<Clock::time_point>& Stamps() const { return stamps_; }
  std::size_t Count() const { return std::min(count_.load(), stamps_.size()); }

 private:
  class Port : public oru::MidiPort {
   public:
    explicit Port(StampingBackend& owner) : owner_(owner) {}
    bool SendShort(std::uint32_t) override {
      const Clock::time_point now = Clock::now();
      const std::size_t i = owner_.count_.fetch_add(1);
      if (i < owner_.stamps_.size()) owner_.stamps_[i] = now;
      return true;
    }
    bool SendLong(const std::uint8_t*, std::uint32_t) override { return true; }
    void Reset() override {}

   private:
    StampingBackend& owner_;
  };

  std::vector<Clock::time_point> stamps_;
  std::atomic<std::size_t> count_{0};
};

// Plays the lateness song through the real timer with spinners threads spinning meanwhile.
void MeasureLateness(benchmark::State& state, int spinners) {
  // Division 400 at the default tempo of 400000 microseconds per beat: one song tick per ms.
  // Four channels, an event every 3 to 7 ms on each, about three seconds long.
  MidiFileBuilder file(400);
  for (int t = 0; t < 4; ++t) {
    auto& track = file.Track(static_cast<std::size_t>(t));
    const auto channel = static_cast<std::uint8_t>(t);
    track.Note(0, static_cast<std::uint8_t>(0x90 | channel), 60, 1);
    std::uint32_t time = 0;
    for (int i = 0; time < 3000; ++i) {
      const std::uint32_t delta = 3 + static_cast<std::uint32_t>((i * 5 + t) % 5);
      track.Note(delta, static_cast<std::uint8_t>((i % 2 ? 0x80 : 0x90) | channel),
                 static_cast<std::uint8_t>(40 + i % 40), 64);
      time += delta;
    }
  }
  oru::MidiSong reference;
  if (!reference.Load(file.Bytes())) {
    state.SkipWithError("song did not load");
    return;
  }
  // Due song tick of each message, in the order they are sent.
  std::vector<std::uint64_t> due;
  std::uint64_t tick = 0;
  for (int i = 0; i < reference.EventCount(); ++i) {
    tick += reference.Entry(i).delta;
    due.push_back(tick);
  }

  std::vector<double> lateness;
  std::atomic<bool> spin{true};
  std::vector<std::thread> load;
  for (int i = 0; i < spinners; ++i)
    load.emplace_back([&spin] {
      volatile std::uint64_t n = 0;
      while (spin.load(std::memory_order_relaxed)) n = n + 1;
    });
  for (auto _ : state) {
    StampingBackend device(due.size() + 64);
    oru::MidiSequencer sequencer(&device);
    sequencer.LoadImage(file.Bytes());
    sequencer.SetLoop(false);
    const Clock::time_point start = Clock::now();
    sequencer.Play();
    while (sequencer.IsPlaying()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sequencer.Stop();
    // Song tick j is played in the timer tick that ends millisecond j + 1.
    const std::size_t n = std::min(device.Count(), due.size());
    for (std::size_t i = 0; i < n; ++i) {
      const Clock::time_point dueAt = start + std::chrono::milliseconds(due[i] + 1);
      lateness.push_back(
          std::chrono::duration<double, std::milli>(device.Stamps()[i] - dueAt).count());
    }
  }
  spin = false;
  for (std::thread& t : load) t.join();
  if (lateness.empty()) {
    state.SkipWithError("nothing was sent");
    return;
  }
  std::sort(lateness.begin(), lateness.end());
  auto at = [&](double q) {
    return lateness[std::min(lateness.size() - 1,
                             static_cast<std::size_t>(q * static_cast<double>(lateness.size())))];
  };
  state.counters["p50_ms"] = at(0.50);
  state.counters["p99_ms"] = at(0.99);
  state.counters["events"] = static_cast<double>(lateness.size());
  // Whether this process may raise a thread's priority at all (the timer asks the same way).
  std::thread probe([&state] { state.counters["rt"] = oru::RaiseThreadPriority() ? 1 : 0; });
  probe.join();
}

void BM_MidiLateness(benchmark::State& state) { MeasureLateness(state, 0); }
BENCHMARK(BM_MidiLateness)
    ->Name("Midi/Lateness")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_MidiLatenessUnderLoad(benchmark::State& state) { MeasureLateness(state, 2); }
BENCHMARK(BM_MidiLatenessUnderLoad)
    ->Name("Midi/LatenessUnderLoad")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
