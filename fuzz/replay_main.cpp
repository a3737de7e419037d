// Replays files through a fuzz target without libFuzzer, so an ordinary build can run the
// committed corpus and any crasher by hand:
//
//   fuzz_bmp fuzz/corpus/bmp crash-1234    # folders are read file by file, in name order
//
// Exit code 0 when every input ran; a fault ends the process the way it would under the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  // An empty vector has no data pointer; libFuzzer never passes null, so neither do we.
  std::uint8_t none = 0;
  LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  int ran = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(arg, error)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      if (files.empty()) {
        std::fprintf(stderr, "no inputs in %s\n", argv[i]);
        ok = false;
      }
      for (const auto& file : files) {
        ok = Replay(file) && ok;
        ++ran;
      }
    } else {
      ok = Replay(arg) && ok;
      ++ran;
    }
  }
  std::printf("%d inputs replayed\n", ran);
  return ok ? 0 : 1;
}
