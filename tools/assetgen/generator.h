// Writes every data file of the game: 25 pictures, 4 sounds and the music. The build runs the
// `assetgen` tool on the folder the game starts in; tests call the same code:
//
//   GenerateOptions options;
//   options.outputDir = "build/game-data";   // packs "kani.dpa", "CRASH.dpa", ...
//   options.packed = false;                   // or plain "kani.bmp", "CRASH.WAV", ...
//   std::string error;
//   if (!GenerateAll(options, &error)) ...    // error says which file failed
//
// Everything is drawn, synthesised and composed in code with fixed seeds: the same bytes on every
// run and every machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oru::assetgen {

struct GenerateOptions {
  std::string outputDir;     // the folder the game starts in
  bool packed = true;        // each file as a pack under its ".dpa" name instead of the plain file
  std::string contactSheet;  // when not empty, the path of a BMP showing every picture
};

// A generated file: its name as the game asks for it, and its bytes.
struct GeneratedFile {
  std::string name;
  std::vector<uint8_t> bytes;
};

// Every file of the game in load order: pictures, then sounds, then the music.
std::vector<GeneratedFile> MakeAllFiles();

// Writes the files; on failure returns false with a message.
bool GenerateAll(const GenerateOptions& options, std::string* error);

}  // namespace oru::assetgen
