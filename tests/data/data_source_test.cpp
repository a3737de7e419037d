// DataSource: the lookup order over packs, plain files and resources, and the reading rules of
// each kind of source.
#include "oru/data/data_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"
#include "oru/platform/resources.h"
#include "tests/data/pack_test_util.h"
#include "tests/support/test_system.h"

namespace oru {
namespace {

using namespace testing_data;

std::string ReadAll(DataSource& source) {
  std::string out(source.Size(), '\0');
  EXPECT_EQ(source.Read(out.data(), out.size()), out.size());
  return out;
}

class DataSourceTest : public ScratchDir {
 protected:
  void Pack(const std::string& content, const std::string& stored, const std::string& packName) {
    ASSERT_TRUE(PackFile::PackMemory(content.data(), content.size(), stored.c_str(),
                                     Path(packName).c_str()));
  }
};

TEST_F(DataSourceTest, LookupOrder) {
  struct Case {
    const char* label;
    std::vector<std::pair<std::string, std::string>> plainFiles;  // name, content
    std::vector<std::pair<std::string, std::string>> packs;       // pack file name, content
    const char* open;
    SourceKind kind;
    const char* content;
  } cases[] = {
      {"plain file wins over its .dpa pack",
       {{"x.bmp", "plain"}},
       {{"x.dpa", "packed"}},
       "x.bmp",
       SourceFile,
       "plain"},
      {"only the .dpa pack", {}, {{"x.dpa", "packed"}}, "x.bmp", SourcePack, "packed"},
      {"pack stored under the plain name",
       {},
       {{"x.bmp", "in place"}, {"x.dpa", "other"}},
       "x.bmp",
       SourcePack,
       "in place"},
      {"name without a dot gets .dpa", {}, {{"music.dpa", "song"}}, "music", SourcePack, "song"},
      {"dot in a folder name is no extension",
       {},
       {{"d.d/x.dpa", "inner"}, {"d.dpa", "wrong"}},
       "d.d/x",
       SourcePack,
       "inner"},
      {"plain file, no pack anywhere", {{"y.wav", "RIFF"}}, {}, "y.wav", SourceFile, "RIFF"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "d.d");
    for (const auto& [name, content] : c.plainFiles) WriteFile(Path(name), content);
    for (const auto& [name, content] : c.packs) Pack(content, "stored-" + name, name);
    const std::uint64_t opensBefore = FileOpensOnThisThread();
    DataSource source;
    ASSERT_TRUE(source.Open(Path(c.open).c_str())) << c.label;
    EXPECT_EQ(source.Kind(), c.kind) << c.label;
    EXPECT_EQ(source.Size(), std::string(c.content).size()) << c.label;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    Bytes storage;
    ASSERT_TRUE(source.Contents(data, size, storage)) << c.label;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), c.content) << c.label;
    // Found, unpacked and read through one opening of one file.
    EXPECT_EQ(FileOpensOnThisThread() - opensBefore, 1u) << c.label;
  }
}

TEST_F(DataSourceTest, PackSourceReportsTheStoredName) {
  Pack("0123456789", "art/kani.bmp", "kani.dpa");
  DataSource source;
  ASSERT_TRUE(source.Open(Path("kani.bmp").c_str()));
  EXPECT_STREQ(source.GetName(), "art/kani.bmp");
  EXPECT_EQ(source.Size(), 10u);

  WriteFile(Path("plain.txt"), std::string("abc"));
  ASSERT_TRUE(source.Open(Path("plain.txt").c_str()));
  EXPECT_EQ(source.GetName(), Path("plain.txt"));
}

TEST_F(DataSourceTest, NullOrMissingNamesFail) {
  DataSource source;
  EXPECT_FALSE(source.Open(nullptr));
  EXPECT_EQ(source.Kind(), SourceNone);
  EXPECT_FALSE(source.Open(Path("nowhere.bmp").c_str()));
  EXPECT_EQ(source.Kind(), SourceNone);
  EXPECT_EQ(source.Size(), 0u);
  char buffer[8];
  EXPECT_EQ(source.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(source.GetLine(buffer, sizeof buffer), nullptr);
  EXPECT_EQ(source.GetName(), nullptr);

  // Still usable after the failures; and a failed open after a good one leaves it empty.
  WriteFile(Path("a.txt"), std::string("a"));
  ASSERT_TRUE(source.Open(Path("a.txt").c_str()));
  EXPECT_FALSE(source.Open(Path("nowhere.bmp").c_str()));
  EXPECT_EQ(source.Kind(), SourceNone);
}

// A folder under a file's name is refused (loader_support_test refuses every kind of name that
// is no regular file, through a data source too), but it does not hide the pack under the ".dpa"
// name.
TEST_F(DataSourceTest, FolderUnderTheNameDoesNotHideThePack) {
  std::filesystem::create_directories(dir_ / "folder.bmp");
  {
    DataSource source;
    EXPECT_FALSE(source.Open(Path("folder.bmp").c_str()));
  }
  Pack("packed", "x.bmp", "folder.dpa");
  DataSource source;
  ASSERT_TRUE(source.Open(Path("folder.bmp").c_str()));
  EXPECT_EQ(ReadAll(source), "packed");
}

TEST_F(DataSourceTest, ContentsHandsOutMemoryInPlaceAndReadsFilesWhole) {
  WriteFile(Path("plain.txt"), "plain bytes");
  Pack("packed bytes", "p", "p.dpa");
  std::vector<std::uint8_t> storage;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;

  DataSource file;
  ASSERT_TRUE(file.Open(Path("plain.txt").c_str()));
  file.GetChar();  // Contents starts from the beginning whatever was read before
  ASSERT_TRUE(file.Contents(data, size, storage));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "plain bytes");
  EXPECT_EQ(data, storage.data());

  DataSource pack;
  ASSERT_TRUE(pack.Open(Path("p.dpa").c_str()));
  storage.clear();
  ASSERT_TRUE(pack.Contents(data, size, storage));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "packed bytes");
  EXPECT_TRUE(storage.empty());  // no copy

  DataSource none;
  EXPECT_FALSE(none.Contents(data, size, storage));
}

// A pack may claim nine times its data area unpacked; past 256 MiB it is refused from its header
// alone, before anything is allocated.
TEST_F(DataSourceTest, PacksBeyondTheLoadCapAreRefused) {
  const std::uint32_t dataBytes = 40u << 20, unpacked = 300u << 20;
  Bytes head = PackFile::BuildImage("", 0, "big");
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) head[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(24, (dataBytes + 7) / 8);
  put32(28, dataBytes);
  put32(32, unpacked);
  WriteFile(Path("big.dpa"), head);
  std::filesystem::resize_file(Path("big.dpa"),
                               head.size() + (dataBytes + 7) / 8 + dataBytes);  // sparse
  PackFile pack;
  EXPECT_FALSE(pack.OpenFile(Path("big.dpa").c_str()));
  EXPECT_STREQ(LastError(),
               "unpacks to 314572800 bytes, more than the 268435456 bytes a loader takes");
  DataSource source;
  EXPECT_TRUE(source.Open(Path("big.dpa").c_str()));  // passed over: read as the plain file it is
  EXPECT_EQ(source.Kind(), SourceFile);
}

TEST_F(DataSourceTest, ACorruptPackIsPassedOver) {
  Bytes image = PackFile::BuildImage("abcabcabc", 9, "t");
  image[43] = 0xFF;  // a back-reference reaching before the start
  WriteFile(Path("bad.dpa"), image);
  DataSource source;
  EXPECT_FALSE(source.Open(Path("bad.bmp").c_str()));
  EXPECT_EQ(source.Kind(), SourceNone);
  // Under its own name the bytes are still a file.
  ASSERT_TRUE(source.Open(Path("bad.dpa").c_str()));
  EXPECT_EQ(source.Kind(), SourceFile);
}

TEST_F(DataSourceTest, OpeningAgainReleasesTheFirstSource) {
  WriteFile(Path("a.txt"), std::string("first"));
  WriteFile(Path("b.txt"), std::string("second"));
  // Where the system does not count open files (-1), only the reading is checked.
  const int before = test::OpenFileCount();
  const int opened = before < 0 ? -1 : before + 1;
  DataSource source;
  ASSERT_TRUE(source.Open(Path("a.txt").c_str()));
  EXPECT_EQ(test::OpenFileCount(), opened);
  ASSERT_TRUE(source.Open(Path("b.txt").c_str()));
  EXPECT_EQ(test::OpenFileCount(), opened);
  EXPECT_EQ(ReadAll(source), "second");
}

TEST_F(DataSourceTest, ResourcesComeLastAndMayHoldPacks) {
  const std::string packedName = Path("res-packed.bmp"), plainName = Path("res-plain.bmp");
  const Bytes image = PackFile::BuildImage("from a packed resource", 22, "stored.bmp");
  ASSERT_TRUE(RegisterResource(packedName.c_str(), "BITMAP", image.data(), image.size()));
  ASSERT_TRUE(RegisterResource(plainName.c_str(), "BITMAP", "raw resource", 12));

  DataSource source;
  EXPECT_FALSE(source.Open(packedName.c_str()))
      << "no resource type set: the resource is not looked for";
  source.SetResourceType("BITMAP");
  ASSERT_TRUE(source.Open(packedName.c_str()));
  EXPECT_EQ(source.Kind(), SourcePack);
  EXPECT_STREQ(source.GetName(), "stored.bmp");
  EXPECT_EQ(ReadAll(source), "from a packed resource");

  ASSERT_TRUE(source.Open(plainName.c_str()));
  EXPECT_EQ(source.Kind(), SourceResource);
  EXPECT_EQ(source.GetName(), plainName);
  EXPECT_EQ(ReadAll(source), "raw resource");

  // A plain file of the same name is found before the resource.
  WriteFile(plainName, std::string("file"));
  ASSERT_TRUE(source.Open(plainName.c_str()));
  EXPECT_EQ(source.Kind(), SourceFile);
  UnregisterResource(packedName.c_str(), "BITMAP");
  UnregisterResource(plainName.c_str(), "BITMAP");
}

TEST_F(DataSourceTest, LinesFromPacksAndResourcesDropTheLineFeed) {
  Pack("12,56,34\nAB,CD,EF\n", "pal.txt", "pal.dpa");
  const std::string resourceName = Path("lines.txt");
  ASSERT_TRUE(RegisterResource(resourceName.c_str(), "TEXT", "12,56,34\nAB,CD,EF\n", 18));
  for (const std::string& name : {Path("pal.txt"), resourceName}) {
    DataSource source;
    source.SetResourceType("TEXT");
    ASSERT_TRUE(source.Open(name.c_str())) << name;
    char line[100];
    EXPECT_STREQ(source.GetLine(line, sizeof line), "12,56,34") << name;
    EXPECT_STREQ(source.GetLine(line, sizeof line), "AB,CD,EF") << name;
    EXPECT_STREQ(source.GetLine(line, sizeof line), "") << name;
    EXPECT_STREQ(source.GetLine(line, sizeof line), "") << name;
  }
  UnregisterResource(resourceName.c_str(), "TEXT");

  // A plain file reads lines the standard way, line feed kept.
  WriteFile(Path("plain.txt"), std::string("12,56,34\n"));
  DataSource file;
  ASSERT_TRUE(file.Open(Path("plain.txt").c_str()));
  char line[100];
  EXPECT_STREQ(file.GetLine(line, sizeof line), "12,56,34\n");
  EXPECT_EQ(file.GetLine(line, sizeof line), nullptr);
}

TEST(MemoryLines, StopAtLineFeedNulEndOrBufferSize) {
  struct Case {
    const char* label;
    std::string data;
    int max;
    std::vector<std::string> lines;  // successive results
    long finalPosition;
  } cases[] = {
      {"last line without line feed", "ab\ncd", 100, {"ab", "cd", ""}, 5},
      {"empty lines", "\n\nx", 100, {"", "", "x", ""}, 3},
      {"buffer cuts the line; the rest follows", "abcdef\n", 4, {"abc", "def", ""}, 7},
      {"a NUL byte stays unread", std::string("ab\0cd", 5), 100, {"ab", "", ""}, 2},
      {"max 1 gives empty lines", "ab", 1, {"", ""}, 0},
  };
  for (const Case& c : cases) {
    PackFile pack;
    Bytes image = PackFile::BuildImage(c.data.data(), c.data.size(), "t");
    ASSERT_TRUE(pack.OpenMemory(image.data(), image.size()));
    ASSERT_TRUE(pack.Unpack());
    char buffer[100];
    for (const std::string& expected : c.lines) {
      ASSERT_NE(pack.GetLine(buffer, c.max), nullptr) << c.label;
      EXPECT_EQ(std::string(buffer), expected) << c.label;
    }
    EXPECT_EQ(pack.Tell(), c.finalPosition) << c.label;
    EXPECT_EQ(pack.GetLine(buffer, 0), nullptr) << c.label;
  }
}

TEST(MemorySeek, KeepsThePositionInsideTheData) {
  struct Case {
    long start;
    long offset;
    int origin;
    long expected;
  } cases[] = {
      {3, 0, 2, 10}, {3, -4, 2, 6},  {3, 5, 0, 5}, {3, 2, 1, 5},
      {3, -7, 1, 0}, {3, 20, 0, 10}, {3, 5, 7, 3},  // an unknown origin changes nothing
  };
  const Bytes image = PackFile::BuildImage("0123456789", 10, "t");
  for (const Case& c : cases) {
    PackFile pack;
    ASSERT_TRUE(pack.OpenMemory(image.data(), image.size()));
    ASSERT_TRUE(pack.Unpack());
    pack.Seek(c.start, 0);
    EXPECT_EQ(pack.Seek(c.offset, c.origin), 1);
    EXPECT_EQ(pack.Tell(), c.expected) << c.offset << " from " << c.origin;
  }
}

TEST(MemoryRead, StopsAtTheEndOfTheData) {
  const Bytes image = PackFile::BuildImage("0123456789", 10, "t");
  PackFile pack;
  ASSERT_TRUE(pack.OpenMemory(image.data(), image.size()));
  ASSERT_TRUE(pack.Unpack());
  char buffer[16] = {};
  pack.Seek(7, 0);
  EXPECT_EQ(pack.Read(buffer, sizeof buffer), 3u);
  EXPECT_STREQ(buffer, "789");
  EXPECT_EQ(pack.Read(buffer, 1), 0u);
  EXPECT_EQ(pack.GetChar(), -1);
  pack.Seek(0, 0);
  EXPECT_EQ(pack.GetChar(), '0');
}

}  // namespace
}  // namespace oru
