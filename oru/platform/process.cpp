// The program's arguments, kept for the application object, and the headless switch.
#include "oru/platform/process.h"

#include <atomic>
#include <string>

#include "oru/platform/process_internal.h"

namespace oru {
namespace {

std::string& CommandLineText() {
  static std::string* text = new std::string;
  return *text;
}

std::atomic<bool> headlessDevices{false};

}  // namespace

void UseHeadlessDevices() {
  headlessDevices.store(true, std::memory_order_release);
  UseHeadlessBackEnd();
}

bool HeadlessDevices() { return headlessDevices.load(std::memory_order_acquire); }

void StoreArguments(int argc, char** argv) {
  std::string& text = CommandLineText();
  text.clear();
  for (int i = 1; i < argc && argv; ++i) {
    if (!argv[i]) continue;
    if (!text.empty()) text += ' ';
    text += argv[i];
  }
}

char* CommandLine() { return CommandLineText().data(); }

}  // namespace oru
