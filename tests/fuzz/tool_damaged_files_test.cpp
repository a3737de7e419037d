// The `oru` tool on damaged files: every reading command must end with a message and an exit
// code, never by a signal or a sanitizer report (in a sanitizer build the tool is instrumented
// too, so a report would show on its error output).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef ORU_TOOL
namespace {

namespace fs = std::filesystem;

struct Outcome {
  bool exited = false;
  int code = -1;
  std::string errors;
};

Outcome RunTool(const std::string& arguments, const fs::path& errorFile) {
  const std::string command =
      std::string(ORU_TOOL) + " " + arguments + " >/dev/null 2>" + errorFile.string();
  const int status = std::system(command.c_str());
  Outcome outcome;
  outcome.exited = status != -1 && WIFEXITED(status);
  outcome.code = outcome.exited ? WEXITSTATUS(status) : -1;
  std::ifstream in(errorFile);
  outcome.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return outcome;
}

// Damaged copies of one corpus file per format: cut in half, cut after its first header, and
// with its header bytes set to 0xFF.
std::vector<std::vector<char>> Damaged(const std::vector<char>& bytes) {
  std::vector<std::vector<char>> out;
  out.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
  out.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min<std::size_t>(bytes.size(), 20)));
  std::vector<char> smeared = bytes;
  for (std::size_t i = 4; i < std::min<std::size_t>(smeared.size(), 48); ++i)
    smeared[i] = static_cast<char>(0xFF);
  out.push_back(smeared);
  out.emplace_back();  // empty file
  return out;
}

TEST(ToolOnDamagedFiles, EndsWithAMessageAndAnExitCode) {
  const fs::path corpus = fs::path(ORU_SOURCE_DIR) / "fuzz" / "corpus";
  const fs::path work =
      fs::temp_directory_path() / ("oru-tool-damage-" + std::to_string(::getpid()));
  fs::create_directories(work);
  struct Case {
    const char* seed;
    const char* commands[3];  // %s is the damaged file; null ends the list
  };
  const Case cases[] = {
      {"bmp/game-kani.bmp", {"bmp info %s", "view %s --out OUT.ppm", "bmp resave %s OUT.bmp"}},
      {"pack/game-kani.dpa", {"list %s", "unpack %s OUT.bin", "view %s --out OUT.ppm"}},
      {"wave/hand-16bit-stereo.wav", {"wav info %s", nullptr, nullptr}},
      {"midi/game-brello_s.mid", {"midi dump %s", nullptr, nullptr}},
  };
  for (const Case& c : cases) {
    std::ifstream in(corpus / c.seed, std::ios::binary);
    ASSERT_TRUE(in) << c.seed;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    int variant = 0;
    for (const std::vector<char>& damaged : Damaged(bytes)) {
      const fs::path file =
          work / (std::to_string(variant++) + "-" + fs::path(c.seed).filename().string());
      std::ofstream(file, std::ios::binary)
          .write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
      for (const char* pattern : c.commands) {
        if (!pattern) break;
        std::string arguments = pattern;
        arguments.replace(arguments.find("%s"), 2, file.string());
        if (auto at = arguments.find("OUT"); at != std::string::npos)
          arguments.replace(at, 3, (work / "out").string());
        SCOPED_TRACE(arguments);
        const Outcome outcome = RunTool(arguments, work / "errors.txt");
        EXPECT_TRUE(outcome.exited) << outcome.errors;
        EXPECT_EQ(outcome.errors.find("Sanitizer"), std::string::npos) << outcome.errors;
        EXPECT_EQ(outcome.errors.find("runtime error"), std::string::npos) << outcome.errors;
        if (outcome.code != 0) {
          EXPECT_FALSE(outcome.errors.empty()) << "a failure without a message";
        }
      }
    }
  }
  fs::remove_all(work);
}

}  // namespace
#endif
