// The standard options of a game on RunGame.
#include "oru/game_loop/game_settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "oru/data/escaped_name.h"
#include "oru/platform/process.h"

namespace oru {
namespace {

// A whole decimal number within [low, high], or false.
bool ReadNumber(const char* text, long long low, long long high, long long& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  value = v;
  return true;
}

}  // namespace

int ReadGameOptions(int argc, char** argv, GameSettings& settings, std::vector<std::string>* rest,
                    std::FILE* out, std::FILE* err) {
  StoreArguments(argc, argv);
  const char* program = argc > 0 && argv && argv[0] ? argv[0] : settings.caption;
  const auto misuse = [&](const char* what, const char* option) {
    std::fprintf(err, "%s: %s %s (--help lists the options)\n", Escaped(program).c_str(),
                 Escaped(option).c_str(), what);
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    long long number = 0;
    if (std::strcmp(arg, "--help") == 0) {
      std::fprintf(out,
                   "usage: %s [options]\n"
                   "  --frames N      stop after N frames\n"
                   "  --headless      no window, sound or pacing; frames as fast as they go\n"
                   "  --scale N       the window N times the screen (1 to 4)\n"
                   "  --full-screen   take the display over\n"
                   "  --help          print this and exit\n",
                   Escaped(program).c_str());
      return 0;
    } else if (std::strcmp(arg, "--frames") == 0) {
      if (!ReadNumber(next, 1, 1LL << 62, number)) return misuse("needs a number of frames", arg);
      settings.frames = static_cast<std::uint64_t>(number);
      ++i;
    } else if (std::strcmp(arg, "--scale") == 0) {
      if (!ReadNumber(next, 1, 4, number)) return misuse("needs a scale from 1 to 4", arg);
      settings.scale = static_cast<int>(number);
      ++i;
    } else if (std::strcmp(arg, "--headless") == 0) {
      settings.headless = true;
    } else if (std::strcmp(arg, "--full-screen") == 0) {
      settings.fullScreen = true;
    } else if (rest) {
      rest->emplace_back(arg);
    } else {
      return misuse("is not an option", arg);
    }
  }
  return kRunTheGame;
}

}  // namespace oru
