// The program's arguments, kept for the application object.
#include "oru/platform/process.h"

#include <string>

namespace oru {
namespace {

std::string& CommandLineText() {
  static std::string* text = new std::string;
  return *text;
}

}  // namespace

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
