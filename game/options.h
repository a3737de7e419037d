// The game's command line and the search for its data folder.
//
// main hands the arguments to ParseCommandLine, which fills a GameSettings or answers --help and
// --version itself; then EnterDataFolder changes into the first folder that holds the data, and
// the settings go to the GameApplication before it runs:
//
//   GameSettings settings;
//   const int exitCode = ParseCommandLine(argc, argv, &settings, stdout, stderr);
//   if (exitCode != kRunGame) return exitCode;     // 0 after --help or --version, 2 on misuse
//   EnterDataFolder(settings, std::getenv("ORU_DATA_DIR"), stderr);
//
// Options live in one table (options.cpp): a new option is a row there and a field here. Paths
// given as option values are made absolute while parsing, since the game changes its working
// folder to the data folder afterwards.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brellow {

struct GameSettings {
  std::string dataDir;       // --data DIR, absolute; empty: search the usual folders
  bool fullScreen = false;   // --fullscreen: start in full screen (F4 still switches)
  int scale = 1;             // --scale N: the window's client area is N times 640 by 480
  bool mute = false;         // --mute: no music and no sound effects
  std::string recordFile;    // --record FILE, absolute: write the run's inputs to FILE
  bool force = false;        // --force: --record may replace an existing file
  std::string replayFile;    // --replay FILE, absolute: play a recorded run back
  bool headless = false;     // --headless: no window, sound or pacing
  std::uint64_t frames = 0;  // --frames N (with --headless): stop after N frames; 0 no limit
};

inline constexpr int kMinScale = 1;
inline constexpr int kMaxScale = 4;

// ParseCommandLine's answer when the game should start.
inline constexpr int kRunGame = -1;

// Reads the options after argv[0] into settings. Returns kRunGame to start the game; 0 after
// printing the help or the version to out; 2 after printing what was wrong and the usage to err
// (an unknown option, a missing or bad value, a stray argument).
int ParseCommandLine(int argc, const char* const* argv, GameSettings* settings, std::FILE* out,
                     std::FILE* err);

// The usage text printed by --help.
std::string UsageText();

// A folder holds the game's data when the music or the backdrop picture is there, plain or
// packed (the same names the game loads, or their ".dpa" packs).
bool HoldsGameData(const std::string& folder);

// One place the data is looked for, and why it is on the list.
struct DataFolderCandidate {
  std::string why;  // "--data", "ORU_DATA_DIR", "program folder", "installed", "current folder"
  std::string folder;
};

// The folders to try, in order: --data DIR, then envDir ($ORU_DATA_DIR; null or empty is left
// out), the folder of the executable, the installed data folder (left out when it is the
// executable's, as in the Windows zip), the current folder. The installed folder is found from the
// executable's, so an installed tree can be moved.
std::vector<DataFolderCandidate> DataFolderCandidates(const GameSettings& settings,
                                                      const char* envDir,
                                                      const std::string& executableFolder,
                                                      const std::string& currentFolder);

// The installed data folder for a game installed in executableFolder ("<prefix>/games" gives
// "<prefix>/share/games/brellow-didovez"; on Windows the executable's folder itself), without a
// separator at its end.
std::string InstalledDataFolder(const std::string& executableFolder);

// The checks that need the file system, after ParseCommandLine and before the game starts: an
// explicit --data folder must hold the data, and --record must name a new file (or, with
// --force, an existing regular one); nothing is opened, so a FIFO never blocks. Returns kRunGame,
// or 2 after printing one line to err.
int CheckStartFiles(const GameSettings& settings, std::FILE* err);

// Changes into the first candidate folder that holds the data and returns true. When none does,
// prints one line to err naming every folder tried, stays in the current folder and returns
// false: the game then plays on without pictures and sound.
bool EnterDataFolder(const GameSettings& settings, const char* envDir, std::FILE* err);

}  // namespace brellow
