// The synthesizer's loader: the thread that makes the back end's synthesizer without keeping
// anybody waiting, and warms the presets songs ask for.
#include <system_error>
#include <utility>

#include "oru/platform/midi_synth.h"
#include "oru/platform/thread_data_internal.h"

namespace oru {

MidiSynthLoader::MidiSynthLoader(Factory factory) : factory_(std::move(factory)) {}

MidiSynthLoader::~MidiSynthLoader() { StopThread(); }

void MidiSynthLoader::StopThread() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    // A loader stopped before it started never starts.
    started_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void MidiSynthLoader::Start() {
  std::lock_guard lock(mutex_);
  if (started_) return;
  started_ = true;
  state_.store(State::kLoading, std::memory_order_release);
  try {
    thread_ = std::thread([this] {
      Run();
      ReleaseThreadData();
    });
  } catch (const std::system_error&) {
    state_.store(State::kFailed, std::memory_order_release);
  }
}

void MidiSynthLoader::Warm(std::vector<SynthPreset> presets) {
  Start();
  {
    std::lock_guard lock(mutex_);
    if (quit_ || state_.load(std::memory_order_relaxed) == State::kFailed) return;
    requests_.push_back(std::move(presets));
    state_.store(State::kLoading, std::memory_order_release);
  }
  changed_.notify_all();
}

void MidiSynthLoader::WaitUntilSettled() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return state_.load(std::memory_order_relaxed) != State::kLoading; });
}

void MidiSynthLoader::Run() {
  std::unique_ptr<MidiSynth> made = factory_();
  std::unique_lock lock(mutex_);
  if (made == nullptr) {
    requests_.clear();
    state_.store(State::kFailed, std::memory_order_release);
    changed_.notify_all();
    return;
  }
  synth_ = std::move(made);
  for (;;) {
    if (requests_.empty() || quit_) {
      // Presets still asked for when the thread is stopped stay cold; nobody waits for them.
      state_.store(State::kReady, std::memory_order_release);
      changed_.notify_all();
      changed_.wait(lock, [this] { return quit_ || !requests_.empty(); });
      if (quit_) return;
      continue;
    }
    std::vector<SynthPreset> presets = std::move(requests_.front());
    requests_.erase(requests_.begin());
    lock.unlock();
    synth_->Warm(presets);
    lock.lock();
  }
}

MidiSynth* SharedMidiSynth() { return SharedMidiSynthLoader().Synth(); }

}  // namespace oru
