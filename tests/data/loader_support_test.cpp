// What every loader stands on: the thread-local last-error text, the bounded byte reader and the
// whole-file read that takes only regular files.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "oru/data/atomic_file.h"
#include "oru/data/byte_reader.h"
#include "oru/data/data_source.h"
#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"
#include "oru/platform/process.h"
#include "tests/data/pack_test_util.h"
#include "tests/support/test_system.h"

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
  struct Case {
    std::string name;
    const char* reason;
  };
  std::vector<Case> cases = {
      {Path("folder.bmp"), "is a folder, not a file"},
      {test::NullDevice(), "is a device, not a file"},
      {Path("missing.bmp"), "cannot be opened (No such file or directory)"},
      {"", "no file name given"},
  };
  if (test::HasPosixFiles()) {
    ASSERT_TRUE(test::MakeFifo(Path("fifo.bmp")));
    cases.push_back({Path("fifo.bmp"), "is a FIFO (named pipe), not a file"});
    cases.push_back({"/proc/self/status", "is a /proc or /sys entry, not a file on disk"});
  }
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
  EXPECT_FALSE(IsRegularFile(Path("missing.bmp").c_str()));
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
  namespace fs = std::filesystem;
  const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  if (test::HasPosixFiles()) fs::permissions(target, kept);
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
  if (test::HasPosixFiles()) {
    // A replaced file keeps its permissions.
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, kept);
  }

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

// An existing target that is no regular file is written in place: a FIFO with a reader gets the
// bytes and stays a FIFO; one without a reader is refused at once instead of hanging the writer.
TEST_F(AtomicFileTest, AFifoIsWrittenInPlaceAndNeverWaitedFor) {
  // A device is written in place too (and the null device is never replaced by a file).
  EXPECT_TRUE(WriteFileAtomically(test::NullDevice(), "x", 1)) << LastError();
  if (!test::HasPosixFiles()) GTEST_SKIP() << "no FIFOs on this system";
  const std::string fifo = Path("pipe");
  ASSERT_TRUE(test::MakeFifo(fifo));
  EXPECT_FALSE(WriteFileAtomically(fifo.c_str(), "x", 1));
  EXPECT_STREQ(LastError(), "is a FIFO (named pipe) that no program reads");

  // The reader opens without blocking, so the write's open finds it there.
  test::FifoReader reader(fifo);
  ASSERT_TRUE(reader.IsOpen());
  EXPECT_TRUE(WriteFileAtomically(fifo.c_str(), "through", 7)) << LastError();
  EXPECT_EQ(reader.Take(), "through");
  EXPECT_EQ(std::filesystem::symlink_status(fifo).type(), std::filesystem::file_type::fifo);
  EXPECT_EQ(Entries(), 1);  // no temporary file, no regular file in its place
}

// A link is followed: the file it points at is replaced, the link stays a link; a dangling link
// creates its target.
TEST_F(AtomicFileTest, ALinkIsFollowedAndStaysALink) {
  if (!test::HasPosixFiles()) GTEST_SKIP() << "symbolic links need privileges on this system";
  std::filesystem::create_directories(dir_ / "real");
  WriteFile(Path("real/data.bin"), std::string("old"));
  std::filesystem::create_symlink("real/data.bin", dir_ / "link");
  ASSERT_TRUE(WriteFileAtomically(Path("link").c_str(), "new", 3)) << LastError();
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link"));
  EXPECT_EQ(ReadFile(Path("real/data.bin")), ToBytes("new"));

  std::filesystem::create_symlink("real/later.bin", dir_ / "dangling");
  ASSERT_TRUE(WriteFileAtomically(Path("dangling").c_str(), "made", 4)) << LastError();
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "dangling"));
  EXPECT_EQ(ReadFile(Path("real/later.bin")), ToBytes("made"));
  // Without replacing, the link counts as an existing name.
  EXPECT_FALSE(WriteFileAtomically(Path("link").c_str(), "x", 1, false));
  EXPECT_STREQ(LastError(), "exists already");
  EXPECT_EQ(Entries(), 3);
}

// A program ended by a signal while it writes leaves no temporary file: the handler removes it,
// and the signal still ends the program.
TEST_F(AtomicFileTest, ASignalWhileWritingLeavesNoTemporaryFile) {
  if (!test::HasPosixSignals()) GTEST_SKIP() << "no POSIX signals on this system";
  const std::string target = Path("big.bin");
  for (const int signal : test::CloseSignals()) {
    SCOPED_TRACE(signal);
    EXPECT_EXIT(
        {
          InstallCleanupSignals(&RemoveTemporaryFiles);
          AtomicFile out;
          if (!out.Open(target.c_str()) || !out.Write("partial", 7)) std::_Exit(3);
          std::raise(signal);
          std::_Exit(4);
        },
        test::KilledBy(signal), "");
    EXPECT_EQ(Entries(), 0);
  }
}

TEST_F(AtomicFileTest, RemoveTemporaryFilesTakesOnlyWhatIsBeingWritten) {
  WriteFile(Path("kept.bin"), std::string("kept"));
  AtomicFile out;
  ASSERT_TRUE(out.Open(Path("new.bin").c_str()));
  EXPECT_EQ(Entries(), 2);
  RemoveTemporaryFiles();
  // Where a removed file that is still open keeps its name until it is closed (Windows before
  // 10, Wine), it is gone once the failed Commit has closed it.
  if (test::HasPosixFiles()) {
    EXPECT_EQ(Entries(), 1);
  }
  EXPECT_FALSE(out.Commit());
  EXPECT_EQ(Entries(), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("new.bin")));
}

// Creating a file for writing (a run being recorded): new names only unless replacing, regular
// files only, and never a wait on a FIFO. The check before it agrees with it.
TEST_F(AtomicFileTest, CreatingARegularFileRefusesWhatIsNotOne) {
  WriteFile(Path("old.orr"), std::string("old run"));
  std::filesystem::create_directories(dir_ / "folder");
  struct Case {
    const char* name;
    bool replace;
    const char* reason;  // null: created
  };
  // clang-format off
  std::vector<Case> cases = {
      {"new.orr",  false, nullptr},
      {"old.orr",  false, "exists already"},
      {"old.orr",  true,  nullptr},
      {"folder",   true,  "is a folder, not a file"},
      {"folder",   false, "is a folder, not a file"},
  };
  // clang-format on
  if (test::HasPosixFiles()) {
    ASSERT_TRUE(test::MakeFifo(Path("pipe")));
    std::filesystem::create_symlink("nowhere.orr", dir_ / "dangling");
    cases.push_back({"pipe", false, "is a FIFO (named pipe), not a file"});
    cases.push_back({"pipe", true, "is a FIFO (named pipe), not a file"});
    cases.push_back({"dangling", false, "exists already"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.replace ? " replace" : ""));
    const std::string path = Path(c.name);
    EXPECT_EQ(CanCreateRegularFile(path.c_str(), c.replace), c.reason == nullptr);
    if (c.reason) {
      EXPECT_STREQ(LastError(), c.reason);
    }
    // In a thread with a bound: a blocking open would never return.
    auto created = std::async(std::launch::async, [&] {
      StdFilePtr f = CreateRegularFile(path.c_str(), c.replace);
      return std::make_pair(f != nullptr, std::string(LastError()));
    });
    ASSERT_EQ(created.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const auto [opened, reason] = created.get();
    EXPECT_EQ(opened, c.reason == nullptr);
    if (c.reason) {
      EXPECT_EQ(reason, c.reason);
    }
  }
  EXPECT_EQ(ReadFile(Path("old.orr")).size(), 0u);  // replaced: emptied
}

}  // namespace
}  // namespace oru
