// One fuzz target: the driver named by ORU_FUZZ_TARGET behind libFuzzer's entry point. Built
// with libFuzzer it fuzzes; built with replay_main.cpp it replays corpus files.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/loaders.h"

namespace {

oru::fuzz::Driver FindDriver() {
  std::size_t count = 0;
  const oru::fuzz::NamedDriver* drivers = oru::fuzz::Drivers(&count);
  for (std::size_t i = 0; i < count; ++i)
    if (std::strcmp(drivers[i].name, ORU_FUZZ_TARGET) == 0) return drivers[i].run;
  __builtin_trap();  // a target without a driver is a build mistake
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const oru::fuzz::Driver driver = FindDriver();
  driver(data, size);
  return 0;
}
