// assetgen [OUTDIR] [--plain] [--sheet FILE] [--icons DIR]: writes the game's pictures, sounds and
// music into OUTDIR, each packed under its ".dpa" name (or as plain files with --plain),
// optionally the contact sheet of all pictures, and the desktop icons into DIR.
#include <cstdio>
#include <string>

#include "tools/assetgen/generator.h"
#include "tools/assetgen/icons.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: assetgen [OUTDIR] [--plain] [--sheet FILE] [--icons DIR]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  oru::assetgen::GenerateOptions options;
  std::string iconDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plain") {
      options.packed = false;
    } else if (arg == "--sheet" && i + 1 < argc) {
      options.contactSheet = argv[++i];
    } else if (arg == "--icons" && i + 1 < argc) {
      iconDir = argv[++i];
    } else if (options.outputDir.empty() && !arg.empty() && arg[0] != '-') {
      options.outputDir = arg;
    } else {
      return Usage();
    }
  }
  if (options.outputDir.empty() && iconDir.empty()) return Usage();
  std::string error;
  if (!options.outputDir.empty() && !oru::assetgen::GenerateAll(options, &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  if (!iconDir.empty() && !oru::assetgen::WriteIcons(iconDir, &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
