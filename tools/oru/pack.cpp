// `oru pack`, `oru unpack`, `oru extract`, `oru list`: making and reading packs.
//
//   oru pack FILE [PACK]         packs FILE into PACK (default: FILE with the extension ".dpa"),
//                                storing FILE's name when it is a safe relative name, else its
//                                base name; never over FILE itself
//   oru unpack PACK OUT          writes the unpacked bytes to OUT
//   oru extract [--force] PACK   writes them under the name stored in the pack, which must be a
//                                safe relative name; an existing file is replaced only with --force
//   oru list PACK                prints the stored name (escaped), the packed and the unpacked size
//
// Every file is written to a temporary file beside it and renamed over it only when complete.
#include <cstdio>
#include <string>
#include <vector>

#include "oru/data/atomic_file.h"
#include "oru/data/last_error.h"
#include "oru/data/pack_file.h"
#include "oru/platform/files.h"
#include "tools/oru/command.h"

namespace oru::tool {
namespace {

long long FileSize(const char* path) {
  FileFacts facts;
  return path && ExamineFile(path, facts) ? static_cast<long long>(facts.size) : -1;
}

// Opens (and unpacks) path; on failure prints the reason after the file's name.
bool OpenPack(const char* command, const std::string& path, PackFile& pack, bool unpack) {
  if (!pack.OpenFile(path.c_str()) || (unpack && !pack.Unpack())) {
    Fail(command, path, LastError());
    return false;
  }
  return true;
}

int RunPack(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return Usage("pack");
  const std::string& source = args[0];
  const std::string packName = args.size() == 2 ? args[1] : PackFile::PackName(source.c_str());
  bool sourceFailed = false;
  if (!PackFile::Pack(source.c_str(), packName.c_str(), &sourceFailed))
    return Fail("pack", sourceFailed ? source : packName, LastError());
  return 0;
}

int RunUnpack(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("unpack");
  PackFile pack;
  if (!OpenPack("unpack", args[0], pack, true)) return 1;
  if (!WriteFileAtomically(args[1].c_str(), pack.Data(), pack.Size()))
    return Fail("unpack", args[1], LastError());
  return 0;
}

int RunExtract(const std::vector<std::string>& args) {
  bool force = false;
  std::vector<std::string> names;
  for (const std::string& a : args) {
    if (a == "--force") {
      force = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("extract");
    } else {
      names.push_back(a);
    }
  }
  if (names.size() != 1) return Usage("extract");
  PackFile pack;
  if (!OpenPack("extract", names[0], pack, true)) return 1;
  if (!PackFile::IsSafeStoredName(pack.StoredName())) return Fail("extract", names[0], LastError());
  if (!pack.Extract(names[0].c_str(), force)) {
    const std::string stored = pack.StoredName() ? pack.StoredName() : "";
    std::string reason = LastError();
    if (reason == "exists already") reason += " (--force replaces it)";
    return Fail("extract", stored, reason + ", the name stored in '" + Escaped(names[0]) + "'");
  }
  return 0;
}

int RunList(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("list");
  PackFile pack;
  if (!OpenPack("list", args[0], pack, false)) return 1;
  std::printf("%s %lld %u\n", Escaped(pack.StoredName() ? pack.StoredName() : "").c_str(),
              FileSize(pack.OpenedName()), pack.Info().unpackedSize);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const CommandRegistration kPack("pack", "pack FILE [PACK]", &RunPack);
const CommandRegistration kUnpack("unpack", "unpack PACK OUT", &RunUnpack);
const CommandRegistration kExtract("extract", "extract [--force] PACK", &RunExtract);
const CommandRegistration kList("list", "list PACK", &RunList);

}  // namespace
}  // namespace oru::tool
