// The pack format: exact bytes of small packs, the fast encoder against the plain scan, the
// decoder, pack names, opening from disk and memory, and rejection of corrupt packs.
#include "oru/data/pack_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "oru/data/last_error.h"
#include "oru/data/load_cancel.h"
#include "oru/data/pack_codec_internal.h"
#include "tests/data/pack_test_util.h"

namespace oru {
namespace {

using namespace testing_data;

void PutU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A pack image put together by hand, for checking the writer and for corrupting.
Bytes HandMadePack(const std::string& name, std::uint32_t flagBytes, std::uint32_t dataBytes,
                   std::uint32_t unpackedSize, const Bytes& areas) {
  Bytes out = {'O', 'R', 'U', 'P', 0, 0, 0, 0};
  PutU32(out, 100);
  PutU32(out, 20);
  PutU32(out, 1);
  PutU32(out, static_cast<std::uint32_t>(name.size() + 1));
  PutU32(out, flagBytes);
  PutU32(out, dataBytes);
  PutU32(out, unpackedSize);
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
  out.insert(out.end(), areas.begin(), areas.end());
  return out;
}

TEST(PackWriter, SmallSourcesPackToExactBytes) {
  struct Case {
    const char* label;
    Bytes source;
    Bytes expected;
    // clang-format off
  } cases[] = {
      {"empty", {}, HandMadePack("src", 0, 0, 0, {})},
      // Of the two matches of abc at pos 6 the one farther back wins: distance 6 (word 0x0030).
      {"abcabcabc", ToBytes("abcabcabc"), HandMadePack("src", 1, 7, 9, {0x07, 'a', 'b', 'c', 0x00, 0x00, 0x30, 0x00})},
      // A match never reaches into the bytes it encodes: 3 literals, then 3, 6 and 8 bytes back
      // from distances 3, 6 and 12.
      {"twenty equal bytes", Bytes(20, 'x'),
       HandMadePack("src", 2, 9, 20, {0x07, 0x00, 'x', 'x', 'x', 0x00, 0x00, 0x33, 0x00, 0x95, 0x00})},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(PackFile::BuildImage(c.source.data(), c.source.size(), "src"), c.expected) << c.label;
  }
}

TEST(PackEncoder, HashChainsGiveTheScansTokens) {
  struct Case {
    const char* label;
    Bytes source;
    // clang-format off
  } cases[] = {
      {"random, 2 values", RandomBytes(12000, 2, 1)},
      {"random, 4 values", RandomBytes(12000, 4, 2)},
      {"random, 256 values", RandomBytes(12000, 256, 3)},
      {"picture-like", PictureLike(160, 100, 4)},
      {"picture-like, dense noise", PictureLike(160, 100, 5, 200)},
      {"one long run", Bytes(10000, 7)},
      {"period 2", [] {
         Bytes b(9000);
         for (std::size_t i = 0; i < b.size(); ++i) b[i] = i % 2 ? 'a' : 'b';
         return b;
       }()},
      {"runs of every length", [] {
         Bytes b;
         for (int len = 1; len < 60; ++len)
           for (int rep = 0; rep < 3; ++rep) b.insert(b.end(), static_cast<std::size_t>(len), static_cast<std::uint8_t>(rep + (len & 1)));
         return b;
       }()},
      {"repeat exactly at the window's edge", [] {
         Bytes b = RandomBytes(4098, 256, 6);
         Bytes head(b.begin(), b.begin() + 40);
         b.insert(b.end(), head.begin(), head.end());
         return b;
       }()},
      {"short", ToBytes("aaaa")},
  };
  // clang-format on
  for (const Case& c : cases) {
    PackTokens fast, scan;
    ASSERT_TRUE(EncodePack(c.source.data(), c.source.size(), fast)) << c.label;
    ASSERT_TRUE(EncodePackScan(c.source.data(), c.source.size(), scan)) << c.label;
    EXPECT_EQ(fast.data, scan.data) << c.label;
    EXPECT_EQ(fast.flags, scan.flags) << c.label;
    // Searched a slice at a time, with matches and runs across the slices' edges: the same.
    for (const std::size_t slice : {std::size_t{333}, std::size_t{4101}, std::size_t{5000}}) {
      PackTokens sliced;
      ASSERT_TRUE(EncodePackInSlices(c.source.data(), c.source.size(), slice, sliced));
      EXPECT_EQ(sliced.data, scan.data) << c.label << ", slices of " << slice;
      EXPECT_EQ(sliced.flags, scan.flags) << c.label << ", slices of " << slice;
    }
    Bytes out(c.source.size());
    EXPECT_TRUE(DecodePack(fast.flags.data(), fast.flags.size(), fast.data.data(), fast.data.size(),
                           out.data(), out.size()))
        << c.label;
    EXPECT_EQ(out, c.source) << c.label;
  }
}

// Runs, noise and copies of earlier stretches mixed at random: the shapes where the two match
// finders could part ways (runs ending just before the same byte, repeats near the window's end).
TEST(PackEncoder, HashChainsGiveTheScansTokensOnMixedInput) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    Bytes source;
    while (source.size() < 6000) {
      switch (rng() % 3) {
        case 0:
          source.insert(source.end(), 1 + rng() % 40, static_cast<std::uint8_t>(rng() % 3));
          break;
        case 1:
          for (unsigned n = 1 + rng() % 6; n; --n)
            source.push_back(static_cast<std::uint8_t>(rng() % 8));
          break;
        default:
          if (!source.empty()) {
            const std::size_t from = rng() % source.size(),
                              length = std::min<std::size_t>(1 + rng() % 30, source.size() - from);
            const Bytes copy(source.begin() + static_cast<std::ptrdiff_t>(from),
                             source.begin() + static_cast<std::ptrdiff_t>(from + length));
            source.insert(source.end(), copy.begin(), copy.end());
          }
      }
    }
    PackTokens fast, scan;
    ASSERT_TRUE(EncodePack(source.data(), source.size(), fast));
    ASSERT_TRUE(EncodePackScan(source.data(), source.size(), scan));
    ASSERT_EQ(fast.data, scan.data) << "seed " << seed;
    ASSERT_EQ(fast.flags, scan.flags) << "seed " << seed;
    PackTokens sliced;
    ASSERT_TRUE(EncodePackInSlices(source.data(), source.size(), 97 + seed * 13, sliced));
    ASSERT_EQ(sliced.data, scan.data) << "seed " << seed << " in slices";
    ASSERT_EQ(sliced.flags, scan.flags) << "seed " << seed << " in slices";
  }
}

TEST(PackDecoder, FarthestBackReferenceReaches4098Bytes) {
  PackTokens tokens;
  Bytes expected = RandomBytes(4098, 256, 7);
  tokens.data = expected;
  tokens.data.push_back(0xF0);  // word 0xFFF0: distance 4098, length 3
  tokens.data.push_back(0xFF);
  tokens.flags.assign((tokens.data.size() + 7) / 8, 0);
  for (std::size_t t = 0; t < 4098; ++t)
    tokens.flags[t / 8] |= static_cast<std::uint8_t>(1u << (t % 8));
  expected.insert(expected.end(), expected.begin(), expected.begin() + 3);
  Bytes out(expected.size());
  ASSERT_TRUE(DecodePack(tokens.flags.data(), tokens.flags.size(), tokens.data.data(),
                         tokens.data.size(), out.data(), out.size()));
  EXPECT_EQ(out, expected);
}

TEST(PackName, ReplacesTheExtensionOfTheFileName) {
  struct Case {
    const char* name;
    const char* expected;
    // clang-format off
  } cases[] = {
      {"title1.bmp", "title1.dpa"},   {"music", "music.dpa"},         {"a.b.c", "a.b.dpa"},
      {"../data/x", "../data/x.dpa"}, {"..\\data\\x", "..\\data\\x.dpa"}, {"dir.d/x.bmp", "dir.d/x.dpa"},
      {"", ".dpa"},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(PackFile::PackName(c.name), c.expected) << c.name;
}

TEST(PackFileMemory, OpensAndUnpacksAnImage) {
  Bytes source = PictureLike(64, 40, 8);
  Bytes image = PackFile::BuildImage(source.data(), source.size(), "pics/kani.bmp");
  PackFile pack;
  ASSERT_TRUE(pack.OpenMemory(image.data(), image.size()));
  EXPECT_STREQ(pack.StoredName(), "pics/kani.bmp");
  EXPECT_EQ(pack.Info().unpackedSize, source.size());
  EXPECT_EQ(pack.AreaOffset(), 16u + 20u + 14u);
  ASSERT_TRUE(pack.Unpack());
  ASSERT_EQ(pack.Size(), source.size());
  EXPECT_EQ(0, std::memcmp(pack.Data(), source.data(), source.size()));
}

// A large unpack gives up once the load is cancelled (a close request while a game loads), and
// says so; without a cancel it unpacks as usual.
TEST(PackFileMemory, ALongUnpackStopsOnceTheLoadIsCancelled) {
  Bytes source = RandomBytes(1 << 20, 4, 11);
  Bytes image = PackFile::BuildImage(source.data(), source.size(), "big.bin");
  static int checks = 0;
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel);
    checks = 0;
    const LoadCancelCheck previous =
        SetLoadCancelCheck(cancel ? +[] { return ++checks > 0; } : +[] {
          ++checks;
          return false;
        });
    PackFile pack;
    ASSERT_TRUE(pack.OpenMemory(image.data(), image.size()));
    EXPECT_EQ(pack.Unpack(), !cancel);
    SetLoadCancelCheck(previous);
    EXPECT_GT(checks, 0);
    if (cancel) {
      EXPECT_NE(std::string(LastError()).find("cancelled"), std::string::npos) << LastError();
    }
  }
}

// Each corruption of a good pack of "abcabcabc" (stored name "t": areas at 38, data at 39).
struct Corruption {
  const char* label;
  std::size_t offset;  // where to write value, as one byte or, with wide, a 32-bit word
  std::uint32_t value;
  bool wide;
  std::size_t keep;    // truncate to this many bytes (0: keep all)
  bool opens;          // the header is sound; only the tokens are bad
  const char* reason;  // part of LastError() after the failure
};

// clang-format off
const Corruption kCorruptions[] = {
    {"shorter than the header", 0, 'O', false, 10, false, "is too short for a pack header (10 bytes, 36 needed)"},
    {"magic without its 0 byte", 4, 'X', false, 0, false, "is not a pack"},
    {"info block smaller than 20", 12, 19, true, 0, false, "has an info block of 19 bytes at offset 12, fewer than 20"},
    {"info block past the end", 12, 0xFFFFFFF0u, true, 0, false, "reaching past its end (46 bytes)"},
    {"stored name past the end", 20, 1000, true, 0, false, "stored name (1000 bytes) reaching past its end"},
    {"stored name of 4 GB", 20, 0xFFFFFFFFu, true, 0, false, "stored name (4294967295 bytes) reaching past"},
    {"flag area past the end", 24, 100, true, 0, false, "declares 100 flag bytes and 7 data bytes at offset 38"},
    {"data area past the end", 28, 100, true, 0, false, "and 100 data bytes at offset 38, past its end"},
    {"file cut inside the data area", 0, 'O', false, 45, false, "past its end (45 bytes)"},
    {"unpacked size beyond what the data can give", 32, 64, true, 0, false,
     "declares 64 unpacked bytes, more than its 7 data bytes can give"},
    {"unpacked size of 4 GB", 32, 0xFFFFFFFFu, true, 0, false, "declares 4294967295 unpacked bytes"},
    {"output past the unpacked size", 32, 8, true, 0, true, "unpacks past its declared 8 bytes at data byte 5"},
    {"output short of the unpacked size", 32, 10, true, 0, true, "unpacks to 9 bytes, not the 10 it declares"},
    {"back-reference before the start", 43, 0xFF, false, 0, true,
     "back-reference at data byte 3 reaching 4083 bytes back, before the start"},
    {"flag area too short for the tokens", 24, 0, true, 0, true, "has a flag area of 0 bytes, too short for token 0"},
    {"data area ends inside a back-reference", 28, 6, true, 0, true,
     "data area that ends inside a back-reference at data byte 5"},
};
// clang-format on

Bytes Corrupt(const Bytes& good, const Corruption& c) {
  Bytes bad = good;
  if (c.wide) {
    for (int i = 0; i < 4; ++i) bad[c.offset + i] = static_cast<std::uint8_t>(c.value >> (8 * i));
  } else {
    bad[c.offset] = static_cast<std::uint8_t>(c.value);
  }
  if (c.keep) bad.resize(c.keep);
  return bad;
}

TEST(PackFileMemory, CorruptPacksAreRejectedAndChangeNothing) {
  const Bytes good = PackFile::BuildImage("abcabcabc", 9, "t");
  ASSERT_EQ(good.size(), 46u);
  const Bytes previous = ToBytes("previous content");
  const Bytes previousImage = PackFile::BuildImage(previous.data(), previous.size(), "before");
  for (const Corruption& c : kCorruptions) {
    const Bytes bad = Corrupt(good, c);
    PackFile pack;
    ASSERT_TRUE(pack.OpenMemory(previousImage.data(), previousImage.size()));
    ASSERT_TRUE(pack.Unpack());
    EXPECT_EQ(pack.OpenMemory(bad.data(), bad.size()), c.opens) << c.label;
    if (!c.opens) {
      EXPECT_STREQ(pack.StoredName(), "before") << c.label;
      EXPECT_EQ(pack.Info().unpackedSize, previous.size()) << c.label;
    } else {
      EXPECT_FALSE(pack.Unpack()) << c.label;
    }
    EXPECT_NE(std::string(LastError()).find(c.reason), std::string::npos)
        << c.label << ": " << LastError();
    ASSERT_EQ(pack.Size(), previous.size()) << c.label;
    EXPECT_EQ(0, std::memcmp(pack.Data(), previous.data(), previous.size())) << c.label;
  }
}

class PackFileDisk : public ScratchDir {};

TEST_F(PackFileDisk, CorruptPackFilesAreRejected) {
  const Bytes good = PackFile::BuildImage("abcabcabc", 9, "t");
  for (const Corruption& c : kCorruptions) {
    WriteFile(Path("bad.dpa"), Corrupt(good, c));
    PackFile pack;
    bool opened = pack.OpenFile(Path("bad.dpa").c_str());
    EXPECT_EQ(opened, c.opens) << c.label;
    if (opened) {
      EXPECT_FALSE(pack.Unpack()) << c.label;
    }
    EXPECT_NE(std::string(LastError()).find(c.reason), std::string::npos)
        << c.label << ": " << LastError();
  }
}

TEST_F(PackFileDisk, PackWritesTheDpaNameAndUnpacksBack) {
  const Bytes source = PictureLike(100, 50, 9);
  WriteFile(Path("title1.bmp"), source);
  ASSERT_TRUE(PackFile::Pack(Path("title1.bmp").c_str(), nullptr));
  ASSERT_TRUE(std::filesystem::exists(Path("title1.dpa")));
  // An absolute source name is stored as its base name.
  EXPECT_EQ(ReadFile(Path("title1.dpa")),
            PackFile::BuildImage(source.data(), source.size(), "title1.bmp"));

  PackFile pack;
  ASSERT_TRUE(pack.OpenFile(Path("title1.dpa").c_str()));
  EXPECT_STREQ(pack.StoredName(), "title1.bmp");
  ASSERT_TRUE(pack.Unpack());
  EXPECT_EQ(Bytes(pack.Data(), pack.Data() + pack.Size()), source);

  EXPECT_FALSE(PackFile::Pack(Path("missing.bmp").c_str(), nullptr));
  EXPECT_FALSE(PackFile::Pack(Path("title1.bmp").c_str(), Path("no/such/folder/x.dpa").c_str()));
}

TEST_F(PackFileDisk, OpenFileTriesTheNameThenTheDpaName) {
  PackFile::PackMemory("under the name", 14, "plain-name", Path("kani.bmp").c_str());
  PackFile::PackMemory("under dpa", 9, "dpa-name", Path("kani.dpa").c_str());
  PackFile pack;
  ASSERT_TRUE(pack.OpenFile(Path("kani.bmp").c_str()));
  EXPECT_STREQ(pack.StoredName(), "plain-name");

  // The pack keeps its file open; opening another lets it go, so that the name can be removed
  // at once also where an open file stays until it is closed (Windows before 10, Wine).
  ASSERT_TRUE(pack.OpenFile(Path("kani.dpa").c_str()));
  std::filesystem::remove(Path("kani.bmp"));
  ASSERT_TRUE(pack.OpenFile(Path("kani.bmp").c_str()));
  EXPECT_STREQ(pack.StoredName(), "dpa-name");
  EXPECT_EQ(pack.OpenedName(), Path("kani.dpa"));

  // A plain file under the name stops the search: the .dpa name is tried only when no file opens.
  WriteFile(Path("kani.bmp"), std::string("BM not a pack"));
  EXPECT_FALSE(pack.OpenFile(Path("kani.bmp").c_str()));
  EXPECT_FALSE(pack.OpenFile(Path("nothing.bmp").c_str()));
  EXPECT_FALSE(pack.OpenFile(nullptr));
}

TEST_F(PackFileDisk, UnpackReadsThroughTheOpeningOfOpenFile) {
  // The pack is opened once: once open, removing its name does not keep Unpack from it.
  PackFile::PackMemory("first", 5, "one", Path("one.dpa").c_str());
  PackFile pack;
  ASSERT_TRUE(pack.OpenFile(Path("one.dpa").c_str()));
  std::filesystem::remove(Path("one.dpa"));
  ASSERT_TRUE(pack.Unpack());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pack.Data()), pack.Size()), "first");
}

TEST_F(PackFileDisk, UnpackFailsWhenThePackShrankAfterOpeningAndKeepsItsContent) {
  PackFile::PackMemory("first", 5, "one", Path("one.dpa").c_str());
  PackFile::PackMemory("second", 6, "two", Path("two.dpa").c_str());
  PackFile pack;
  ASSERT_TRUE(pack.OpenFile(Path("one.dpa").c_str()));
  ASSERT_TRUE(pack.Unpack());
  ASSERT_TRUE(pack.OpenFile(Path("two.dpa").c_str()));
  std::filesystem::resize_file(Path("two.dpa"), PackFile::kHeaderSize + PackFile::kInfoSize);
  EXPECT_FALSE(pack.Unpack());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pack.Data()), pack.Size()), "first");
}

// Runs the test body inside the scratch folder, where relative stored names land.
class PackFileInScratch : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    ScratchDir::TearDown();
  }
  std::filesystem::path previous_;
};

TEST_F(PackFileInScratch, ExtractWritesUnderTheStoredName) {
  std::filesystem::create_directories("assets/pics");
  const std::string original = "assets/pics/kani.bmp";
  const Bytes source = RandomBytes(3000, 5, 10);
  WriteFile(original, source);
  ASSERT_TRUE(PackFile::Pack(original.c_str(), "kani.dpa"));
  std::filesystem::remove(original);

  PackFile pack;
  ASSERT_TRUE(pack.Extract("kani.dpa"));
  EXPECT_EQ(ReadFile(original), source);
  EXPECT_FALSE(pack.Extract("missing.dpa"));

  // An existing file is replaced only when asked to.
  WriteFile(original, std::string("newer"));
  EXPECT_FALSE(pack.Extract("kani.dpa", false));
  EXPECT_STREQ(LastError(), "exists already");
  EXPECT_EQ(ReadFile(original), ToBytes("newer"));
  ASSERT_TRUE(pack.Extract("kani.dpa", true));
  EXPECT_EQ(ReadFile(original), source);
}

// A pack made elsewhere must not write outside the folder it is extracted in.
TEST_F(PackFileInScratch, ExtractRefusesUnsafeStoredNames) {
  std::filesystem::create_directories("inner/deeper");
  std::filesystem::current_path("inner/deeper");
  const std::string outside = (dir_ / "victim.txt").string();
  // Rooted, in forward slashes and without a drive, so it is refused for being absolute on every
  // system (Windows' own spelling is refused for its drive and backslashes, as the cases show).
  const std::string rooted =
      (dir_.root_directory() / dir_.relative_path() / "victim.txt").generic_string();
  struct Case {
    const char* stored;
    const char* reason;
    // clang-format off
  } cases[] = {
      {"../../victim.txt", "the stored name has a \"..\" component"},
      {"a/../../../victim.txt", "the stored name has a \"..\" component"},
      {"..", "the stored name has a \"..\" component"},
      {rooted.c_str(), "the stored name is an absolute path"},
      {"..\\..\\victim.txt", "the stored name holds a backslash"},
      {"C:victim.txt", "the stored name starts with a drive"},
      {"", "the stored name is empty"},
      {"folder/", "the stored name ends in \"/\", a folder"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ASSERT_TRUE(PackFile::PackMemory("evil", 4, c.stored, "evil.dpa"));
    PackFile pack;
    ClearLastError();
    EXPECT_FALSE(pack.Extract("evil.dpa"));
    EXPECT_STREQ(LastError(), c.reason);
    EXPECT_FALSE(std::filesystem::exists(outside));
  }
  EXPECT_TRUE(PackFile::IsSafeStoredName("./pics/..x/kani.bmp"));
}

TEST_F(PackFileInScratch, PackStoresSafeNamesAsGivenAndOthersByBaseName) {
  std::filesystem::create_directories("pics");
  std::filesystem::create_directories("work");
  WriteFile("pics/kani.bmp", std::string("crab"));
  struct Case {
    std::string source;
    const char* stored;
    // clang-format off
  } cases[] = {
      {"pics/kani.bmp", "pics/kani.bmp"},
      {(dir_ / "pics/kani.bmp").string(), "kani.bmp"},
      {"work/../pics/kani.bmp", "kani.bmp"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    ASSERT_TRUE(PackFile::Pack(c.source.c_str(), "out.dpa"));
    PackFile pack;
    ASSERT_TRUE(pack.OpenFile("out.dpa"));
    EXPECT_STREQ(pack.StoredName(), c.stored);
  }
}

TEST_F(PackFileInScratch, PackNeverWritesOverItsSourceOrLeavesPartialFiles) {
  WriteFile("kani.bmp", std::string("crab"));
  for (const char* target : {"kani.bmp", "./kani.bmp"}) {
    EXPECT_FALSE(PackFile::Pack("kani.bmp", target));
    EXPECT_STREQ(LastError(), "the pack would be written over its own source");
    EXPECT_EQ(ReadFile("kani.bmp"), ToBytes("crab"));
  }
  // A pack that cannot be written keeps the old one and leaves no temporary file behind.
  ASSERT_TRUE(PackFile::Pack("kani.bmp", "kani.dpa"));
  const Bytes before = ReadFile("kani.dpa");
  std::filesystem::create_directories("folder.bmp");
  EXPECT_FALSE(PackFile::Pack("folder.bmp", "kani.dpa"));
  EXPECT_STREQ(LastError(), "is a folder, not a file");
  EXPECT_EQ(ReadFile("kani.dpa"), before);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(".")) ++entries;
  EXPECT_EQ(entries, 3);  // kani.bmp, kani.dpa, folder.bmp
}

}  // namespace
}  // namespace oru
