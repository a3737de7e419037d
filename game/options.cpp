// The game's command-line options and the data folder search.
#include "game/options.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "oru/data/escaped_name.h"
#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"
#include "oru/platform/files.h"
#include "oru/version.h"

#ifndef ORU_DATA_FROM_GAME_DIR
#define ORU_DATA_FROM_GAME_DIR "../share/games/brellow-didovez"
#endif

namespace brellow {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "brellow-didovez";

enum class OptionAction { Apply, Help, Version };

// One row per option. apply gets the value (null for an option without one) and returns false
// with a message when the value is not acceptable.
struct OptionSpec {
  const char* name;
  const char* valueName;  // null: the option takes no value
  const char* help;
  OptionAction action;
  bool (*apply)(GameSettings& settings, const char* value, std::string* error);
};

bool ApplyData(GameSettings& s, const char* value, std::string* error) {
  if (!*value) {
    *error = "--data needs a folder";
    return false;
  }
  s.dataDir = oru::AbsolutePath(value);
  return true;
}

bool ApplyScale(GameSettings& s, const char* value, std::string* error) {
  int n = 0;
  const char* end = value + std::strlen(value);
  const auto [last, ec] = std::from_chars(value, end, n);
  if (ec != std::errc() || last != end || n < kMinScale || n > kMaxScale) {
    *error = "--scale takes a whole number from 1 to 4, not '" + std::string(value) + "'";
    return false;
  }
  s.scale = n;
  return true;
}

bool ApplyFullScreen(GameSettings& s, const char*, std::string*) {
  s.fullScreen = true;
  return true;
}

bool ApplyMute(GameSettings& s, const char*, std::string*) {
  s.mute = true;
  return true;
}

// A file named on the command line, made absolute: the game changes into its data folder later.
bool AbsoluteFile(const char* option, const char* value, std::string* file, std::string* error) {
  if (!*value) {
    *error = std::string(option) + " needs a file";
    return false;
  }
  *file = oru::AbsolutePath(value);
  return true;
}

bool ApplyRecord(GameSettings& s, const char* value, std::string* error) {
  return AbsoluteFile("--record", value, &s.recordFile, error);
}

bool ApplyForce(GameSettings& s, const char*, std::string*) {
  s.force = true;
  return true;
}

bool ApplyReplay(GameSettings& s, const char* value, std::string* error) {
  return AbsoluteFile("--replay", value, &s.replayFile, error);
}

bool ApplyHeadless(GameSettings& s, const char*, std::string*) {
  s.headless = true;
  return true;
}

bool ApplyFrames(GameSettings& s, const char* value, std::string* error) {
  std::uint64_t n = 0;
  const char* end = value + std::strlen(value);
  const auto [last, ec] = std::from_chars(value, end, n);
  if (ec != std::errc() || last != end || n == 0) {
    *error = "--frames takes a whole number above 0, not '" + std::string(value) + "'";
    return false;
  }
  s.frames = n;
  return true;
}

constexpr OptionSpec kOptions[] = {
    {"--data", "DIR", "read the game's data files from DIR", OptionAction::Apply, &ApplyData},
    {"--fullscreen", nullptr, "start in full screen (F4 switches back and forth)",
     OptionAction::Apply, &ApplyFullScreen},
    {"--scale", "N", "show the 640x480 picture N times as large in its window, 1 to 4",
     OptionAction::Apply, &ApplyScale},
    {"--mute", nullptr, "no music and no sound effects", OptionAction::Apply, &ApplyMute},
    {"--record", "FILE", "record the run's inputs into FILE as it is played", OptionAction::Apply,
     &ApplyRecord},
    {"--force", nullptr, "with --record: replace FILE when it exists", OptionAction::Apply,
     &ApplyForce},
    {"--replay", "FILE", "play a recorded run back (only Escape, F3 and F4 stay live)",
     OptionAction::Apply, &ApplyReplay},
    {"--headless", nullptr, "run without window, sound or pacing, as fast as it goes",
     OptionAction::Apply, &ApplyHeadless},
    {"--frames", "N", "with --headless: stop after N frames", OptionAction::Apply, &ApplyFrames},
    {"--help", nullptr, "show this help and exit", OptionAction::Help, nullptr},
    {"--version", nullptr, "show the version and exit", OptionAction::Version, nullptr},
};

const OptionSpec* FindOption(std::string_view name) {
  if (name == "-h") name = "--help";
  for (const OptionSpec& o : kOptions)
    if (name == o.name) return &o;
  return nullptr;
}

// message may quote arguments, which are printed escaped.
int Misuse(std::FILE* err, const std::string& message) {
  std::fprintf(err, "%s: %s\n%s", kProgram, oru::Escaped(message).c_str(), UsageText().c_str());
  return 2;
}

bool IsFolder(const std::string& name) {
  oru::FileFacts facts;
  return oru::ExamineFile(name.c_str(), facts) && facts.kind == oru::FileKind::kFolder;
}

// UTF-8 both ways: a narrow std::filesystem name is in the ANSI code page on Windows.
fs::path Utf8Path(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8Name(const fs::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

// path tidied, without a separator after its last folder ("games/." tidies to "games/").
fs::path Tidied(const fs::path& path) {
  fs::path tidy = path.lexically_normal();
  if (!tidy.has_filename() && tidy.has_relative_path()) tidy = tidy.parent_path();
  return tidy;
}

bool Exists(const std::string& name) {
  oru::FileFacts facts;
  return oru::ExamineFile(name.c_str(), facts);
}

}  // namespace

std::string UsageText() {
  std::string text = std::string("usage: ") + kProgram + " [OPTION]...\n";
  text += "A crab on the river bank shoots chestnuts at monkeys and octopuses.\n\n";
  for (const OptionSpec& o : kOptions) {
    std::string left = std::string("  ") + o.name;
    if (o.valueName) left += std::string(" ") + o.valueName;
    if (left.size() < 18) left.resize(18, ' ');
    text += left + o.help + "\n";
  }
  text +=
      "\nThe data files are looked for in --data DIR, $ORU_DATA_DIR, the program's folder, the\n"
      "installed data folder and the current folder, in that order.\n"
      "A run started with --record or --replay, and every --headless run, prints one line on\n"
      "exit: frames run, final state, score and a hash of the last picture.\n";
  return text;
}

int ParseCommandLine(int argc, const char* const* argv, GameSettings* settings, std::FILE* out,
                     std::FILE* err) {
  GameSettings parsed = *settings;
  bool help = false, version = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    std::string_view name = arg;
    const char* value = nullptr;
    std::string joined;  // the value of --name=value
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      joined = std::string(arg.substr(eq + 1));
    }
    const OptionSpec* option = FindOption(name);
    if (!option) {
      if (arg.starts_with("-")) return Misuse(err, "unknown option '" + std::string(arg) + "'");
      return Misuse(err, "unexpected argument '" + std::string(arg) + "'");
    }
    if (option->valueName) {
      if (name.size() != arg.size()) {
        value = joined.c_str();
      } else if (i + 1 < argc && argv[i + 1]) {
        value = argv[++i];
      } else {
        return Misuse(err, std::string(option->name) + " needs a value " + option->valueName);
      }
    } else if (name.size() != arg.size()) {
      return Misuse(err, std::string(option->name) + " takes no value");
    }
    switch (option->action) {
      case OptionAction::Help:
        help = true;
        break;
      case OptionAction::Version:
        version = true;
        break;
      case OptionAction::Apply: {
        std::string error;
        if (!option->apply(parsed, value, &error)) return Misuse(err, error);
        break;
      }
    }
  }
  if (help) {
    std::fputs(UsageText().c_str(), out);
    return 0;
  }
  if (version) {
    std::fprintf(out, "%s %s\n", kProgram, ORU_VERSION);
    return 0;
  }
  if (!parsed.recordFile.empty() && !parsed.replayFile.empty())
    return Misuse(err, "--record and --replay cannot be used together");
  if (parsed.frames != 0 && !parsed.headless) return Misuse(err, "--frames needs --headless");
  if (parsed.force && parsed.recordFile.empty()) return Misuse(err, "--force needs --record");
  *settings = parsed;
  return kRunGame;
}

bool HoldsGameData(const std::string& folder) {
  if (folder.empty() || !IsFolder(folder)) return false;
  for (const char* name : {"brello_s.mid", "brello_s.dpa", "haikei1.bmp", "haikei1.dpa"})
    if (Exists(folder + "/" + name)) return true;
  return false;
}

std::string InstalledDataFolder(const std::string& executableFolder) {
  if (executableFolder.empty()) return {};
  return Utf8Name(Tidied(Utf8Path(executableFolder) / ORU_DATA_FROM_GAME_DIR));
}

std::vector<DataFolderCandidate> DataFolderCandidates(const GameSettings& settings,
                                                      const char* envDir,
                                                      const std::string& executableFolder,
                                                      const std::string& currentFolder) {
  std::vector<DataFolderCandidate> list;
  if (!settings.dataDir.empty()) list.push_back({"--data", settings.dataDir});
  if (envDir && *envDir) list.push_back({"ORU_DATA_DIR", envDir});
  if (!executableFolder.empty()) {
    list.push_back({"program folder", executableFolder});
    // Where the data is installed beside the program (the Windows zip), one entry says it all.
    const std::string installed = InstalledDataFolder(executableFolder);
    if (Tidied(Utf8Path(installed)) != Tidied(Utf8Path(executableFolder)))
      list.push_back({"installed", installed});
  }
  list.push_back({"current folder", currentFolder.empty() ? std::string(".") : currentFolder});
  return list;
}

int CheckStartFiles(const GameSettings& settings, std::FILE* err) {
  if (!settings.dataDir.empty() && !HoldsGameData(settings.dataDir)) {
    oru::FileFacts facts;
    const bool exists = oru::ExamineFile(settings.dataDir.c_str(), facts);
    const char* reason = !exists ? "no such folder"
                         : facts.kind != oru::FileKind::kFolder
                             ? "is not a folder"
                             : "holds no game data (brello_s.mid, haikei1.bmp or "
                               "their .dpa packs)";
    std::fprintf(err, "%s: --data %s: %s\n", kProgram, oru::EscapedPath(settings.dataDir).c_str(),
                 reason);
    return 2;
  }
  if (!settings.recordFile.empty() &&
      !oru::CanCreateRegularFile(settings.recordFile.c_str(), settings.force)) {
    std::string reason = oru::LastError();
    if (reason == "exists already") reason += " (--force replaces it)";
    std::fprintf(err, "%s: --record %s: %s\n", kProgram,
                 oru::EscapedPath(settings.recordFile).c_str(), reason.c_str());
    return 2;
  }
  return kRunGame;
}

bool EnterDataFolder(const GameSettings& settings, const char* envDir, std::FILE* err) {
  const std::string exeFolder = oru::FolderOf(oru::ExecutablePath());
  const std::string here = oru::CurrentFolder();
  const std::string current = here.empty() ? std::string(".") : here;
  const std::vector<DataFolderCandidate> candidates =
      DataFolderCandidates(settings, envDir, exeFolder, current);
  for (const DataFolderCandidate& c : candidates) {
    if (HoldsGameData(c.folder) && oru::EnterFolder(c.folder.c_str())) return true;
  }
  std::string tried;
  for (const DataFolderCandidate& c : candidates) {
    if (!tried.empty()) tried += ", ";
    tried += oru::EscapedPath(c.folder) + " (" + c.why + ")";
  }
  std::fprintf(err,
               "%s: no game data (brello_s.mid, haikei1.bmp or their .dpa packs) in %s; "
               "playing without pictures and sound\n",
               kProgram, tried.c_str());
  return false;
}

}  // namespace brellow
