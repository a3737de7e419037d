// `oru pack`, `oru unpack`, `oru extract`, `oru list`: making and reading packs.
//
//   oru pack FILE [PACK]   packs FILE into PACK (default: FILE with the extension ".dpa")
//   oru unpack PACK OUT    writes the unpacked bytes to OUT
//   oru extract PACK       writes them under the name stored in the pack
//   oru list PACK          prints the stored name, the packed size and the unpacked size
#include <cstdio>
#include <string>
#include <vector>

#include "oru/data/pack_file.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

bool Readable(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

long FileSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
  std::fclose(f);
  return size;
}

// Opens and unpacks path, naming the file in the message on failure.
bool OpenPack(const char* command, const std::string& path, PackFile& pack, bool unpack) {
  if (!Readable(path)) {
    std::fprintf(stderr, "oru %s: cannot read '%s'\n", command, path.c_str());
    return false;
  }
  if (!pack.OpenFile(path.c_str())) {
    std::fprintf(stderr, "oru %s: '%s' is not a pack or is damaged\n", command, path.c_str());
    return false;
  }
  if (unpack && !pack.Unpack()) {
    std::fprintf(stderr, "oru %s: '%s' is damaged: its content does not unpack\n", command, path.c_str());
    return false;
  }
  return true;
}

int RunPack(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return Usage("pack");
  const std::string& source = args[0];
  const std::string packName = args.size() == 2 ? args[1] : PackFile::PackName(source.c_str());
  if (!Readable(source)) {
    std::fprintf(stderr, "oru pack: cannot read '%s'\n", source.c_str());
    return 1;
  }
  if (!PackFile::Pack(source.c_str(), packName.c_str())) {
    std::fprintf(stderr, "oru pack: cannot write '%s'\n", packName.c_str());
    return 1;
  }
  return 0;
}

int RunUnpack(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("unpack");
  PackFile pack;
  if (!OpenPack("unpack", args[0], pack, true)) return 1;
  std::FILE* out = std::fopen(args[1].c_str(), "wb");
  bool ok = out != nullptr;
  if (ok && pack.Size()) ok = std::fwrite(pack.Data(), 1, pack.Size(), out) == pack.Size();
  if (out) ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "oru unpack: cannot write '%s'\n", args[1].c_str());
    return 1;
  }
  return 0;
}

int RunExtract(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("extract");
  PackFile pack;
  if (!OpenPack("extract", args[0], pack, true)) return 1;
  if (!pack.Extract(args[0].c_str())) {
    std::fprintf(stderr, "oru extract: cannot write '%s' (the name stored in '%s')\n", pack.StoredName(),
                 args[0].c_str());
    return 1;
  }
  return 0;
}

int RunList(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("list");
  PackFile pack;
  if (!OpenPack("list", args[0], pack, false)) return 1;
  std::printf("%s %ld %u\n", pack.StoredName(), FileSize(pack.OpenedName()), pack.Info().unpackedSize);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const CommandRegistration kPack("pack", "pack FILE [PACK]", &RunPack);
const CommandRegistration kUnpack("unpack", "unpack PACK OUT", &RunUnpack);
const CommandRegistration kExtract("extract", "extract PACK", &RunExtract);
const CommandRegistration kList("list", "list PACK", &RunList);

}  // namespace
}  // namespace oru::tool
