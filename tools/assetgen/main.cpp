// assetgen OUTDIR [--plain] [--sheet FILE]: writes the game's pictures, sounds and music into
// OUTDIR, each packed under its ".dpa" name (or as plain files with --plain), and optionally the
// contact sheet of all pictures.
#include <cstdio>
#include <string>

#include "tools/assetgen/generator.h"

int main(int argc, char** argv) {
  oru::assetgen::GenerateOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plain") {
      options.packed = false;
    } else if (arg == "--sheet" && i + 1 < argc) {
      options.contactSheet = argv[++i];
    } else if (options.outputDir.empty() && !arg.empty() && arg[0] != '-') {
      options.outputDir = arg;
    } else {
      std::fprintf(stderr, "usage: assetgen OUTDIR [--plain] [--sheet FILE]\n");
      return 2;
    }
  }
  if (options.outputDir.empty()) {
    std::fprintf(stderr, "usage: assetgen OUTDIR [--plain] [--sheet FILE]\n");
    return 2;
  }
  std::string error;
  if (!oru::assetgen::GenerateAll(options, &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
