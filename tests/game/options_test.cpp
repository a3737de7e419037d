// The game's command line, the data folder search, and what the settings do to the game window.
#include "game/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/gmain.h"
#include "oru/data/escaped_name.h"
#include "oru/platform/files.h"
#include "oru/shell/window.h"
#include "tests/support/scoped_default_window_proc.h"
#include "tests/support/scratch_folder.h"

namespace brellow {

using namespace oru;

namespace {

namespace fs = std::filesystem;

// What a stream received, read back after the call.
class Captured {
 public:
  Captured() : file_(std::tmpfile()) {}
  ~Captured() { std::fclose(file_); }
  std::FILE* File() { return file_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file_)) text.append(buffer, n);
    return text;
  }

 private:
  std::FILE* file_;
};

// The absolute name the game makes of name, which is written here as POSIX spells it: on
// Windows it gains the current drive and backslashes.
std::string Absolute(const std::string& name) {
  return test::HasPosixFiles() ? name : fs::absolute(name).lexically_normal().string();
}

struct Parsed {
  int code;
  GameSettings settings;
  std::string out, err;
};

Parsed Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "brellow-didovez");
  Captured out, err;
  Parsed p{};
  p.code = ParseCommandLine(static_cast<int>(args.size()), args.data(), &p.settings, out.File(),
                            err.File());
  p.out = out.Text();
  p.err = err.Text();
  return p;
}

TEST(CommandLineTest, AcceptedOptionsFillTheSettings) {
  struct Case {
    std::vector<const char*> args;
    bool fullScreen;
    int scale;
    bool mute;
    const char* dataDir;
  };
  const Case cases[] = {
      {{}, false, 1, false, ""},
      {{"--fullscreen"}, true, 1, false, ""},
      {{"--scale", "3"}, false, 3, false, ""},
      {{"--scale=4", "--mute"}, false, 4, true, ""},
      {{"--scale", "1", "--scale", "2"}, false, 2, false, ""},  // the last one counts
      {{"--data", "/srv/game"}, false, 1, false, "/srv/game"},
      {{"--data=/srv/game/../data/"}, false, 1, false, "/srv/data/"},
      {{"--mute", "--fullscreen", "--data", "/d"}, true, 1, true, "/d"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(p.code, kRunGame);
    EXPECT_EQ(p.settings.fullScreen, c.fullScreen);
    EXPECT_EQ(p.settings.scale, c.scale);
    EXPECT_EQ(p.settings.mute, c.mute);
    EXPECT_EQ(p.settings.dataDir, *c.dataDir ? Absolute(c.dataDir) : "");
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.err, "");
  }
}

TEST(CommandLineTest, RelativeDataFolderIsMadeAbsoluteBeforeTheGameChangesFolder) {
  const Parsed p = Parse({"--data", "some/where"});
  ASSERT_EQ(p.code, kRunGame);
  EXPECT_EQ(p.settings.dataDir, Absolute((fs::current_path() / "some/where").string()));
}

TEST(CommandLineTest, RunOptionsFillTheSettingsWithAbsolutePaths) {
  const Parsed record = Parse({"--record", "runs/a.orr"});
  ASSERT_EQ(record.code, kRunGame);
  EXPECT_EQ(record.settings.recordFile, Absolute((fs::current_path() / "runs/a.orr").string()));
  EXPECT_FALSE(record.settings.headless);
  const Parsed replay = Parse({"--headless", "--replay=/r/b.orr", "--frames", "1200"});
  ASSERT_EQ(replay.code, kRunGame);
  EXPECT_EQ(replay.settings.replayFile, Absolute("/r/b.orr"));
  EXPECT_TRUE(replay.settings.headless);
  EXPECT_EQ(replay.settings.frames, 1200u);
  EXPECT_EQ(replay.settings.recordFile, "");
}

TEST(CommandLineTest, MisuseExitsTwoWithTheReasonAndTheUsage) {
  struct Case {
    std::vector<const char*> args;
    const char* reason;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--scale"}, "--scale needs a value N"},
      {{"--data"}, "--data needs a value DIR"},
      {{"--data="}, "--data needs a folder"},
      {{"--scale", "0"}, "--scale takes a whole number from 1 to 4, not '0'"},
      {{"--scale", "5"}, "not '5'"},
      {{"--scale", "2x"}, "not '2x'"},
      {{"--scale", "-1"}, "not '-1'"},
      {{"--scale="}, "not ''"},
      {{"--mute=yes"}, "--mute takes no value"},
      {{"--help", "--bogus"}, "unknown option '--bogus'"},  // misuse wins over help
      {{"--record", "a", "--replay", "b"}, "--record and --replay cannot be used together"},
      {{"--frames", "10"}, "--frames needs --headless"},
      {{"--headless", "--frames", "0"}, "--frames takes a whole number above 0, not '0'"},
      {{"--headless", "--frames", "9x"}, "not '9x'"},
      {{"--replay="}, "--replay needs a file"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args);
    SCOPED_TRACE(c.args[0]);
    EXPECT_EQ(p.code, 2);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.err.rfind("brellow-didovez: ", 0), 0u) << p.err;
    EXPECT_NE(p.err.find(c.reason), std::string::npos) << p.err;
    EXPECT_NE(p.err.find("usage: brellow-didovez [OPTION]..."), std::string::npos);
    // Nothing of a refused command line reaches the settings.
    EXPECT_EQ(p.settings.scale, 1);
    EXPECT_FALSE(p.settings.mute);
  }
}

// An argument is printed escaped: a newline or an escape sequence in it reaches no terminal.
TEST(CommandLineTest, ArgumentsArePrintedWithControlCharactersEscaped) {
  const Parsed p = Parse({"--scale", "a\nb\x1b[31mred"});
  EXPECT_EQ(p.code, 2);
  EXPECT_NE(p.err.find("not 'a\\nb\\x1B[31mred'"), std::string::npos) << p.err;
  EXPECT_EQ(p.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(Parse({"--force"}).code, 2);  // --force only goes with --record
  EXPECT_TRUE(Parse({"--record", "r.orr", "--force"}).settings.force);
}

TEST(CommandLineTest, HelpAndVersionPrintToStandardOutputAndExitZero) {
  const Parsed help = Parse({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out, UsageText());
  EXPECT_EQ(help.err, "");
  for (const char* option : {"--data DIR", "--fullscreen", "--scale N", "--mute", "--record FILE",
                             "--replay FILE", "--headless", "--frames N", "--help", "--version"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  EXPECT_EQ(Parse({"-h"}).out, UsageText());

  const Parsed version = Parse({"--mute", "--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("brellow-didovez ", 0), 0u);
  EXPECT_EQ(version.out.back(), '\n');
  EXPECT_EQ(version.err, "");
}

// A scratch folder, removed with its contents; the working folder is put back too.
class DataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = fs::current_path();
    root_ = test::UniqueTempPath("oru_data_folder");
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    fs::current_path(saved_);
    fs::remove_all(root_);
  }
  std::string Folder(const std::string& name, std::vector<std::string> files) {
    const fs::path dir = root_ / name;
    fs::create_directories(dir);
    for (const std::string& f : files) std::ofstream(dir / f) << "x";
    return dir.string();
  }

  fs::path saved_;
  fs::path root_;
};

TEST_F(DataFolderTest, AFolderHoldsTheDataWhenTheMusicOrTheBackdropIsThereInEitherForm) {
  EXPECT_TRUE(HoldsGameData(Folder("song", {"brello_s.mid"})));
  EXPECT_TRUE(HoldsGameData(Folder("packed_song", {"brello_s.dpa"})));
  EXPECT_TRUE(HoldsGameData(Folder("backdrop", {"haikei1.bmp"})));
  EXPECT_TRUE(HoldsGameData(Folder("packed_backdrop", {"haikei1.dpa", "kani.dpa"})));
  EXPECT_FALSE(HoldsGameData(Folder("other", {"kani.dpa", "CRASH.dpa"})));
  EXPECT_FALSE(HoldsGameData(Folder("empty", {})));
  EXPECT_FALSE(HoldsGameData((root_ / "missing").string()));
  EXPECT_FALSE(HoldsGameData((root_ / "song" / "brello_s.mid").string()));  // a file, not a folder
  EXPECT_FALSE(HoldsGameData(""));
}

TEST_F(DataFolderTest, CandidatesComeInTheDocumentedOrder) {
  GameSettings s;
  s.dataDir = "/given";
  // Tidied, so that Windows' backslashes compare equal to the slashes written here.
  auto folders = [](const std::vector<DataFolderCandidate>& list) {
    std::vector<std::string> out;
    for (const auto& c : list) out.push_back(fs::path(c.folder).lexically_normal().string());
    return out;
  };
  auto tidy = [](std::vector<std::string> list) {
    for (std::string& folder : list) folder = fs::path(folder).lexically_normal().string();
    return list;
  };
  // The build's layout: Debian's (data under share/games), or the Windows zip's (data beside the
  // executable, where the program folder already names it once).
  const bool besideProgram = InstalledDataFolder("/opt/bd/games") == tidy({"/opt/bd/games"})[0];
  auto installed = [besideProgram](std::vector<std::string> list, std::size_t at,
                                   const std::string& folder) {
    if (!besideProgram) list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), folder);
    return list;
  };
  EXPECT_EQ(folders(DataFolderCandidates(s, "/env", "/opt/bd/games", "/home/me")),
            tidy(installed({"/given", "/env", "/opt/bd/games", "/home/me"}, 3,
                           "/opt/bd/share/games/brellow-didovez")));
  // No --data, an empty ORU_DATA_DIR, no known executable folder.
  EXPECT_EQ(folders(DataFolderCandidates(GameSettings{}, "", "", "/home/me")), tidy({"/home/me"}));
  EXPECT_EQ(folders(DataFolderCandidates(GameSettings{}, nullptr, "/usr/games", "/tmp")),
            tidy(installed({"/usr/games", "/tmp"}, 1, "/usr/share/games/brellow-didovez")));
  // Named without a separator at its end, whatever the layout.
  const std::string installedFolder = InstalledDataFolder("/usr/games");
  ASSERT_FALSE(installedFolder.empty());
  EXPECT_NE(installedFolder.back(), '/');
  EXPECT_NE(installedFolder.back(), '\\');
}

TEST_F(DataFolderTest, EnteringTakesTheFirstFolderThatHoldsTheData) {
  GameSettings s;
  s.dataDir = Folder("given_but_empty", {});
  const std::string env = Folder("from_env", {"brello_s.dpa"});
  Captured err;
  EXPECT_TRUE(EnterDataFolder(s, env.c_str(), err.File()));
  EXPECT_EQ(fs::current_path(), fs::path(env));
  EXPECT_EQ(err.Text(), "");

  // --data wins over the environment when it holds the data.
  s.dataDir = Folder("given", {"haikei1.dpa"});
  EXPECT_TRUE(EnterDataFolder(s, env.c_str(), err.File()));
  EXPECT_EQ(fs::current_path(), fs::path(s.dataDir));
}

TEST_F(DataFolderTest, NoDataAnywhereIsOneLineNamingTheFoldersTried) {
  const std::string empty = Folder("empty", {});
  fs::current_path(empty);
  GameSettings s;
  s.dataDir = Folder("given", {"kani.dpa"});
  const std::string env = Folder("env", {});
  Captured err;
  EXPECT_FALSE(EnterDataFolder(s, env.c_str(), err.File()));
  EXPECT_EQ(fs::current_path(), fs::path(empty));
  const std::string text = err.Text();
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
  EXPECT_EQ(text.rfind("brellow-didovez: no game data", 0), 0u) << text;
  // Folders are printed as paths: control characters escaped, a Windows path's backslashes
  // single, as the user would type them.
  for (const std::string& folder :
       {oru::EscapedPath(s.dataDir) + " (--data)", oru::EscapedPath(env) + " (ORU_DATA_DIR)",
        oru::EscapedPath(empty) + " (current folder)"})
    EXPECT_NE(text.find(folder), std::string::npos) << folder << " in " << text;
  EXPECT_EQ(text.find("\\\\"), std::string::npos) << text;
  EXPECT_NE(text.find("(program folder)"), std::string::npos);
  const std::string programFolder = oru::FolderOf(oru::ExecutablePath());
  if (InstalledDataFolder(programFolder) != programFolder) {
    EXPECT_NE(text.find("(installed)"), std::string::npos);
  }
}

MessageResult NoDefault(WindowHandle, unsigned, WParam, LParam) { return 0; }

// An explicit --data that cannot serve, and a --record that would destroy a file or wait on a
// FIFO, stop the game before it starts: one line and exit 2. Nothing is opened to find out.
TEST_F(DataFolderTest, StartFilesThatCannotServeAreRefusedInOneLine) {
  const std::string data = Folder("data", {"haikei1.bmp"});
  const std::string empty = Folder("empty", {});
  std::ofstream(root_ / "plain") << "x";
  std::ofstream(root_ / "old.orr") << "earlier run";
  struct Case {
    std::string dataDir, recordFile;
    bool force;
    const char* reason;  // null: the game runs
  };
  const std::string plain = (root_ / "plain").string(), old = (root_ / "old.orr").string();
  const std::string pipe = (root_ / "pipe").string(), fresh = (root_ / "new.orr").string();
  // clang-format off
  std::vector<Case> cases = {
      {data,                     "",    false, nullptr},
      {"",                       fresh, false, nullptr},
      {"",                       old,   true,  nullptr},
      {(root_ / "none").string(), "",   false, "none: no such folder"},
      {plain,                    "",    false, "is not a folder"},
      {empty,                    "",    false, "holds no game data"},
      {"",                       old,   false, "old.orr: exists already (--force replaces it)"},
      {"",                       root_.string(), true, "is a folder, not a file"},
  };
  // clang-format on
  if (test::HasPosixFiles()) {
    ASSERT_TRUE(test::MakeFifo(pipe));
    cases.push_back({"", pipe, true, "pipe: is a FIFO (named pipe), not a file"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataDir + "|" + c.recordFile);
    GameSettings s;
    s.dataDir = c.dataDir;
    s.recordFile = c.recordFile;
    s.force = c.force;
    Captured err;
    const int code = CheckStartFiles(s, err.File());
    const std::string text = err.Text();
    if (!c.reason) {
      EXPECT_EQ(code, kRunGame);
      EXPECT_EQ(text, "");
      continue;
    }
    EXPECT_EQ(code, 2);
    EXPECT_EQ(text.rfind("brellow-didovez: ", 0), 0u) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  }
  std::ifstream earlier(root_ / "old.orr");
  std::string kept;
  std::getline(earlier, kept);
  EXPECT_EQ(kept, "earlier run");
}

// A data file that is there but cannot be used gets one line naming it and the reason; a missing
// one stays silent (the folder search speaks about missing data).
TEST_F(DataFolderTest, AnUnusableDataFileIsNamedWithItsReason) {
  ScopedDefaultWindowProc defaultProc{&NoDefault};
  const std::string dir = Folder("bad", {});
  for (const char* name : {"haikei1.bmp", "saru.bmp", "SUCKER1.WAV", "brello_s.mid"})
    std::ofstream(fs::path(dir) / name) << "these bytes are no picture, sound or song";
  fs::current_path(dir);
  testing::internal::CaptureStderr();
  {
    GameWindow window;
    ASSERT_TRUE(window.LoadAssets());
  }
  const std::string text = testing::internal::GetCapturedStderr();
  for (const char* name : {"haikei1.bmp", "saru.bmp", "SUCKER1.WAV", "brello_s.mid"}) {
    const std::string line = std::string("brellow-didovez: ") + name + ": ";
    const std::size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << name << " in:\n" << text;
    EXPECT_EQ(text.find(line, at + 1), std::string::npos) << name << " twice in:\n" << text;
  }
  EXPECT_EQ(text.find("kani.bmp"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;
}

TEST(GameSettingsTest, ScaleBoundsTheWindowToThatManyTimesTheField) {
  ScopedDefaultWindowProc defaultProc{&NoDefault};
  for (int scale : {1, 2, 4}) {
    GameWindow window;
    GameSettings s;
    s.scale = scale;
    window.ApplySettings(s);
    MinMaxInfo info{};
    info.maxTrackSize = {4096, 4096};
    window.HandleMessage(nullptr, WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(&info));
    EXPECT_EQ(info.maxTrackSize.x, 640 * scale);
    EXPECT_EQ(info.maxTrackSize.y, 480 * scale);
  }
}

TEST(GameSettingsTest, MuteLeavesTheSoundsAndTheMusicUnloaded) {
  ScopedDefaultWindowProc defaultProc{&NoDefault};
  test::CurrentFolderKeeper keeper;
  fs::current_path(ORU_GAME_DIR);
  for (bool mute : {false, true}) {
    GameWindow window;
    GameSettings s;
    s.mute = mute;
    window.ApplySettings(s);
    ASSERT_TRUE(window.LoadAssets());
    EXPECT_EQ(window.music.HasSong(), !mute);
    // Nothing loaded, nothing to play: no sound device and no synthesizer is opened for it.
    for (WaveSound* sound :
         {&window.hitSound, &window.bleepSound, &window.whistleSound, &window.crashSound})
      EXPECT_EQ(sound->Image() != nullptr, !mute) << "mute " << mute;
    // Not even the shared audio device is opened for sounds that never load.
    for (WaveSound* sound :
         {&window.hitSound, &window.bleepSound, &window.whistleSound, &window.crashSound}) {
      if (mute) {
        EXPECT_EQ(sound->Device(), nullptr);
      }
    }
  }
}

}  // namespace
}  // namespace brellow
