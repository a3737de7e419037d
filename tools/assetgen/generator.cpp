// Writing the generated files, packed or plain.
#include "tools/assetgen/generator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "oru/data/pack_file.h"
#include "tools/assetgen/art.h"
#include "tools/assetgen/bmp_writer.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/sounds.h"

namespace oru::assetgen {
namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Packs the plain file `name` inside the current folder into its ".dpa" pack and removes the
// plain file, so the stored name is the bare file name the game asks for.
bool PackInPlace(const std::string& name) {
  if (!PackFile::Pack(name.c_str(), nullptr)) return false;
  std::error_code ec;
  std::filesystem::remove(name, ec);
  return !ec;
}

}  // namespace

std::vector<GeneratedFile> MakeAllFiles() {
  std::vector<GeneratedFile> files;
  for (const PictureAsset& a : MakePictures()) {
    files.push_back({a.name, a.fourBit ? EncodeBmp4(a.picture) : EncodeBmp8(a.picture)});
  }
  for (GeneratedFile& f : MakeSounds()) files.push_back(std::move(f));
  files.push_back({"brello_s.mid", MakeSong()});
  return files;
}

bool GenerateAll(const GenerateOptions& options, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(options.outputDir, ec);
  const fs::path dir = fs::absolute(options.outputDir, ec);
  if (!options.contactSheet.empty()) {
    const Picture sheet = MakeContactSheet(MakePictures());
    if (!WriteFile(options.contactSheet, EncodeBmp8(sheet))) {
      *error = "cannot write " + options.contactSheet;
      return false;
    }
  }
  for (const GeneratedFile& f : MakeAllFiles()) {
    if (f.bytes.empty()) {
      *error = f.name + ": nothing to write (a 4-bit picture with more than 16 colours?)";
      return false;
    }
    if (!WriteFile(dir / f.name, f.bytes)) {
      *error = "cannot write " + (dir / f.name).string();
      return false;
    }
  }
  if (!options.packed) return true;
  // The pack writer stores the name it was given; pack from inside the folder so that name is
  // the bare file name.
  const fs::path previous = fs::current_path(ec);
  fs::current_path(dir, ec);
  if (ec) {
    *error = "cannot enter " + dir.string();
    return false;
  }
  bool ok = true;
  for (const GeneratedFile& f : MakeAllFiles()) {
    if (!PackInPlace(f.name)) {
      *error = "cannot pack " + f.name;
      ok = false;
      break;
    }
  }
  fs::current_path(previous, ec);
  return ok;
}

}  // namespace oru::assetgen
