// Entry of the `oru` tool: finds the command named by the first argument and runs it.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "oru/data/atomic_file.h"
#include "oru/platform/process.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

struct Entry {
  const char* usage;
  CommandFunction run;
};

std::map<std::string, Entry>& Commands() {
  static std::map<std::string, Entry> commands;
  return commands;
}

void PrintAllUsages() {
  std::fprintf(stderr, "usage:\n");
  for (const auto& [name, entry] : Commands()) std::fprintf(stderr, "  oru %s\n", entry.usage);
}

}  // namespace

CommandRegistration::CommandRegistration(const char* name, const char* usage, CommandFunction run) {
  Commands()[name] = Entry{usage, run};
}

int Usage(const char* name) {
  auto it = Commands().find(name);
  if (it == Commands().end()) {
    PrintAllUsages();
  } else {
    std::fprintf(stderr, "usage: oru %s\n", it->second.usage);
  }
  return 2;
}

int Fail(const char* command, const std::string& name, const std::string& reason) {
  std::fprintf(stderr, "oru %s: '%s': %s\n", command, Escaped(name).c_str(),
               reason.empty() ? "failed" : reason.c_str());
  return 1;
}

}  // namespace oru::tool

int main(int argc, char** argv) {
  using namespace oru::tool;
  using oru::Escaped;
  // File names with any letters, as every name the library takes: UTF-8.
  argv = oru::Utf8Arguments(&argc, argv);
  // Ctrl+C, a kill or a closed terminal while a large output is written: no temporary file stays.
  oru::InstallCleanupSignals(&oru::RemoveTemporaryFiles);
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
    PrintAllUsages();
    return argc < 2 ? 2 : 0;
  }
  auto it = Commands().find(argv[1]);
  if (it == Commands().end()) {
    std::fprintf(stderr, "oru: unknown command '%s'\n", Escaped(argv[1]).c_str());
    PrintAllUsages();
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  const int exitCode = it->second.run(args);
  // The sound commands leave the synthesizer's and the audio device's threads behind.
  oru::EndServiceThreads();
  return exitCode;
}
