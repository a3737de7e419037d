// What every loader stands on: the thread-local last-error text, the bounded byte reader and the
// whole-file read that takes only regular files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>

#include "oru/data/atomic_file.h"
#include "oru/data/byte_reader.h"
#include "oru/data/data_source.h"
#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"
#include "tests/data/pack_test_util.h"

namespace oru {
namespace {

using namespace testing_data;

TEST(LastErrorTest, FormatsKeepsPerThreadAndClears) {
  ClearLastError();
  EXPECT_STREQ(LastError(), "");
  SetLastError("RLE8 run at row %d runs past the end of the data", 12);
  EXPECT_STREQ(LastError(), "RLE8 run at row 12 runs past the end of the data");

  std::string seenByOther;
  std::thread other([&] {
    seenByOther = LastError();
    SetLastError("other thread");
  });
  other.join();
  EXPECT_EQ(seenByOther, "");
  EXPECT_STREQ(LastError(), "RLE8 run at row 12 runs past the end of the data");

  // A reason built from the previous one, and one longer than the buffer, which is cut.
  SetLastError("'%s': %s", "a.bmp", LastError());
  EXPECT_STREQ(LastError(), "'a.bmp': RLE8 run at row 12 runs past the end of the data");
  SetLastError("%s", std::string(2000, 'x').c_str());
  EXPECT_EQ(std::string(LastError()), std::string(511, 'x'));
  ClearLastError();
  EXPECT_STREQ(LastError(), "");
}

TEST(ByteReaderTest, FieldsInBothByteOrders) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                0x08, 0x09, 0xFF, 0xFF, 0xFF, 0xFE};
  ByteReader in(bytes, sizeof bytes);
  EXPECT_EQ(in.U8(), 0x01);
  EXPECT_EQ(in.U16Le(), 0x0302);
  EXPECT_EQ(in.U16Be(), 0x0405);
  EXPECT_EQ(in.U32Le(), 0x09080706u);
  EXPECT_EQ(in.I32Le(), static_cast<std::int32_t>(0xFEFFFFFF));
  EXPECT_TRUE(in.AtEnd());
  EXPECT_FALSE(in.Failed());
  in.Seek(5);
  EXPECT_EQ(in.U32Be(), 0x06070809u);
  in.Seek(1);
  EXPECT_EQ(in.UBe(3), 0x020304u);
}

TEST(ByteReaderTest, ShortReadsFailStickyAndKeepThePosition) {
  const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
  struct Case {
    const char* label;
    std::size_t start;
    int op;  // 0 U32Le, 1 U16Be, 2 Bytes(4), 3 Skip(3), 4 Seek(6), 5 Sub(3), 6 UBe(5)
  } cases[] = {
      {"U32Le with 3 left", 2, 0},        {"U16Be with 1 left", 4, 1}, {"Bytes past the end", 2, 2},
      {"Skip past the end", 3, 3},        {"Seek past the end", 0, 4}, {"Sub past the end", 3, 5},
      {"field wider than 4 bytes", 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ByteReader in(bytes, sizeof bytes);
    ASSERT_TRUE(in.Seek(c.start));
    switch (c.op) {
      case 0:
        EXPECT_EQ(in.U32Le(), 0u);
        break;
      case 1:
        EXPECT_EQ(in.U16Be(), 0u);
        break;
      case 2:
        EXPECT_EQ(in.Bytes(4), nullptr);
        break;
      case 3:
        EXPECT_FALSE(in.Skip(3));
        break;
      case 4:
        EXPECT_FALSE(in.Seek(6));
        break;
      case 5:
        EXPECT_TRUE(in.Sub(3).Failed());
        break;
      case 6:
        EXPECT_EQ(in.UBe(5), 0u);
        break;
    }
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(in.FailedAt(), c.start);
    EXPECT_EQ(in.Position(), c.start);
    // The flag stays set after a read that fits.
    in.Seek(0);
    EXPECT_EQ(in.U8(), 1);
    EXPECT_TRUE(in.Failed());
  }
  // A huge count never wraps around the end.
  ByteReader in(bytes, sizeof bytes);
  in.Skip(2);
  EXPECT_EQ(in.Bytes(~std::size_t{0} - 1), nullptr);
  ByteReader empty(nullptr, 10);
  EXPECT_EQ(empty.Size(), 0u);
  EXPECT_EQ(empty.Peek(), -1);
}

TEST(ByteReaderTest, SubReaderIsBoundedToItsSlice) {
  const std::uint8_t bytes[] = {9, 1, 2, 3, 7};
  ByteReader in(bytes, sizeof bytes);
  in.U8();
  ByteReader chunk = in.Sub(3);
  EXPECT_EQ(in.U8(), 7);
  EXPECT_EQ(chunk.U16Le(), 0x0201);
  EXPECT_EQ(chunk.U16Le(), 0u);
  EXPECT_TRUE(chunk.Failed());
  EXPECT_FALSE(in.Failed());
}

class WholeFileTest : public ScratchDir {};

// Names that are no regular file are refused at once, with the reason about the name, instead of
// reporting a size of 4 GiB (a folder), hanging (a FIFO) or reading nothing (/proc): by the
// whole-file reader, by the plain opener and by a data source alike.

TEST_F(WholeFileTest, ReadsRegularFilesAndRefusesTheRest) {
  WriteFile(Path("a.bin"), Bytes{1, 2, 3});
  WriteFile(Path("empty.bin"), Bytes{});
  Bytes bytes{42};
  ASSERT_TRUE(ReadWholeFile(Path("a.bin").c_str(), bytes));
  EXPECT_EQ(bytes, (Bytes{1, 2, 3}));
  ASSERT_TRUE(ReadWholeFile(Path("empty.bin").c_str(), bytes));
  EXPECT_TRUE(bytes.empty());

  std::filesystem::create_directories(dir_ / "folder.bmp");
  ASSERT_EQ(::mkfifo(Path("fifo.bmp").c_str(), 0600), 0);
  struct Case {
    std::string name;
    const char* reason;
  } cases[] = {
      {Path("folder.bmp"), "is a folder, not a file"},
      {Path("fifo.bmp"), "is a FIFO (named pipe), not a file"},
      {"/dev/null", "is a device, not a file"},
      {"/proc/self/status", "is a /proc or /sys entry, not a file on disk"},
      {Path("missing.bmp"), "cannot be opened (No such file or directory)"},
      {"", "no file name given"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bytes = {42};
    ClearLastError();
    EXPECT_FALSE(ReadWholeFile(c.name.c_str(), bytes));
    EXPECT_STREQ(LastError(), c.reason);
    EXPECT_EQ(bytes, Bytes{42});
    EXPECT_EQ(OpenRegularFile(c.name.c_str()), nullptr);
    EXPECT_STREQ(LastError(), c.reason);
    // A data source opens plain files through the same check.
    DataSource source;
    EXPECT_FALSE(source.Open(c.name.c_str()));
    EXPECT_STREQ(LastError(), c.reason);
    EXPECT_EQ(source.Kind(), SourceNone);
  }
  EXPECT_FALSE(ReadWholeFile(nullptr, bytes));
  EXPECT_TRUE(IsRegularFile(Path("a.bin").c_str()));
  EXPECT_FALSE(IsRegularFile(Path("folder.bmp").c_str()));
  EXPECT_FALSE(IsRegularFile(Path("fifo.bmp").c_str()));
  EXPECT_NE(OpenRegularFile(Path("a.bin").c_str()), nullptr);
}

TEST_F(WholeFileTest, RefusesFilesOverTheCapWithoutReadingThem) {
  WriteFile(Path("big.bin"), Bytes(100, 7));
  Bytes bytes;
  EXPECT_TRUE(ReadWholeFile(Path("big.bin").c_str(), bytes, 100));
  EXPECT_FALSE(ReadWholeFile(Path("big.bin").c_str(), bytes, 99));
  EXPECT_STREQ(LastError(), "is 100 bytes long, more than the 99 bytes a loader reads");
  // A sparse file far larger than the cap is refused from its size alone.
  {
    std::FILE* f = std::fopen(Path("sparse.bin").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fseek(f, static_cast<long>(kMaxLoadBytes) + 10, SEEK_SET), 0);
    std::fputc(1, f);
    std::fclose(f);
  }
  EXPECT_FALSE(ReadWholeFile(Path("sparse.bin").c_str(), bytes));
  EXPECT_NE(std::string(LastError()).find("more than the 268435456 bytes"), std::string::npos);
}

class AtomicFileTest : public ScratchDir {
 protected:
  int Entries() const {
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir_)) ++n;
    return n;
  }
};

TEST_F(AtomicFileTest, TargetChangesOnlyOnCommit) {
  const std::string target = Path("out.bin");
  WriteFile(target, std::string("old"));
  ::chmod(target.c_str(), 0640);
  {
    AtomicFile out;
    ASSERT_TRUE(out.Open(target.c_str()));
    ASSERT_TRUE(out.Write("new!", 4));
    EXPECT_EQ(ReadFile(target), ToBytes("old"));  // not yet
    EXPECT_EQ(Entries(), 2);                      // the target and the temporary file
  }                                               // destroyed without Commit
  EXPECT_EQ(ReadFile(target), ToBytes("old"));
  EXPECT_EQ(Entries(), 1);

  ASSERT_TRUE(WriteFileAtomically(target.c_str(), "new!", 4));
  EXPECT_EQ(ReadFile(target), ToBytes("new!"));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions

  EXPECT_FALSE(WriteFileAtomically(target.c_str(), "x", 1, false));
  EXPECT_STREQ(LastError(), "exists already");
  EXPECT_EQ(ReadFile(target), ToBytes("new!"));
  ASSERT_TRUE(WriteFileAtomically(Path("fresh.bin").c_str(), "x", 1, false));
  EXPECT_EQ(Entries(), 2);
}

TEST_F(AtomicFileTest, FailuresLeaveNothingBehind) {
  std::filesystem::create_directories(dir_ / "folder");
  EXPECT_FALSE(WriteFileAtomically(Path("folder").c_str(), "x", 1));
  EXPECT_STREQ(LastError(), "is a folder, not a file");
  EXPECT_FALSE(WriteFileAtomically(Path("missing/out.bin").c_str(), "x", 1));
  EXPECT_STREQ(LastError(), "cannot be created (No such file or directory)");
  AtomicFile out;
  EXPECT_FALSE(out.Write("x", 1));  // nothing open
  EXPECT_FALSE(out.Commit());
  EXPECT_EQ(Entries(), 1);
}

}  // namespace
}  // namespace oru
