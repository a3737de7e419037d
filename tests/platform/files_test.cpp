// The file services: what a name is, opening without waiting, the temporary file and the rename
// that replaces in one step, and the paths a program asks about itself. Runs on every back end;
// the cases only POSIX has (FIFOs, links, /proc, modes) are skipped elsewhere.
#include "oru/platform/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "tests/support/scratch_folder.h"
#include "tests/support/test_system.h"

namespace oru {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return scratch_.Path(name); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int Entries() const {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(scratch_.Folder())) ++n;
    return n;
  }

  test::ScratchFolder scratch_{"oru_files"};
};

TEST_F(FilesTest, ExamineTellsWhatANameIs) {
  Write("a.bin", "12345");
  fs::create_directories(Path("folder"));
  struct Case {
    std::string name;
    FileKind kind;
  };
  const Case cases[] = {
      {Path("a.bin"), FileKind::kRegular},
      {Path("folder"), FileKind::kFolder},
      {test::NullDevice(), FileKind::kDevice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileFacts facts;
    ASSERT_TRUE(ExamineFile(c.name.c_str(), facts)) << LastFileFaultText();
    EXPECT_EQ(facts.kind, c.kind);
    EXPECT_FALSE(facts.pseudo);
  }
  FileFacts facts;
  ASSERT_TRUE(ExamineFile(Path("a.bin").c_str(), facts));
  EXPECT_EQ(facts.size, 5u);

  // Missing names read the same on every system.
  for (const std::string& name : {Path("missing"), Path("missing/deeper"), std::string()}) {
    SCOPED_TRACE(name);
    facts.kind = FileKind::kOther;
    EXPECT_FALSE(ExamineFile(name.c_str(), facts));
    EXPECT_EQ(facts.kind, FileKind::kMissing);
    EXPECT_EQ(LastFileFault(), FileFault::kMissing);
    EXPECT_STREQ(LastFileFaultText(), "No such file or directory");
  }
}

TEST_F(FilesTest, TheSameFileHasTheSameIdentityUnderEveryName) {
  Write("a.bin", "a");
  Write("b.bin", "b");
  fs::create_directories(Path("sub"));
  FileFacts a, viaSub, b;
  ASSERT_TRUE(ExamineFile(Path("a.bin").c_str(), a));
  ASSERT_TRUE(ExamineFile(Path("sub/../a.bin").c_str(), viaSub));
  ASSERT_TRUE(ExamineFile(Path("b.bin").c_str(), b));
  EXPECT_EQ(a.volume, viaSub.volume);
  EXPECT_EQ(a.index, viaSub.index);
  EXPECT_FALSE(a.volume == b.volume && a.index == b.index);
}

TEST_F(FilesTest, OpeningForWritingNewOrExistingNames) {
  Write("old.bin", "old");
  fs::create_directories(Path("folder"));
  struct Case {
    const char* name;
    FileOpening how;
    FileFault fault;  // kNone: opens
  };
  const Case cases[] = {
      {"new.bin", FileOpening::kWriteNew, FileFault::kNone},
      {"old.bin", FileOpening::kWriteNew, FileFault::kExists},
      {"old.bin", FileOpening::kWriteNewOrExisting, FileFault::kNone},
      {"old.bin", FileOpening::kWriteExisting, FileFault::kNone},
      {"gone.bin", FileOpening::kWriteExisting, FileFault::kMissing},
      {"no/such.bin", FileOpening::kWriteNewOrExisting, FileFault::kMissing},
      {"folder", FileOpening::kWriteNewOrExisting, FileFault::kFolder},
      {"folder", FileOpening::kWriteNew, FileFault::kExists},
      {"gone.bin", FileOpening::kRead, FileFault::kMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(static_cast<int>(c.how)));
    FileHandle file = OpenSystemFile(Path(c.name).c_str(), c.how);
    EXPECT_EQ(file.IsOpen(), c.fault == FileFault::kNone);
    if (c.fault != FileFault::kNone) {
      EXPECT_EQ(LastFileFault(), c.fault) << LastFileFaultText();
    }
  }
  // Opening for writing keeps what is there; nothing was written.
  EXPECT_EQ(Read("old.bin"), "old");
  EXPECT_FALSE(fs::exists(Path("gone.bin")));
  EXPECT_TRUE(fs::exists(Path("new.bin")));
}

TEST_F(FilesTest, AHandleWritesReadsEmptiesAndBecomesAStream) {
  {
    FileHandle out = OpenSystemFile(Path("data.bin").c_str(), FileOpening::kWriteNew);
    ASSERT_TRUE(out.IsOpen());
    const std::string bytes(100000, 'x');
    ASSERT_TRUE(out.WriteAll(bytes.data(), bytes.size()));
    ASSERT_TRUE(out.WriteAll("\r\n\x1a end", 7));  // no text-mode translation anywhere
    EXPECT_TRUE(out.FlushToDisk());
    FileFacts facts;
    ASSERT_TRUE(out.Examine(facts));
    EXPECT_EQ(facts.kind, FileKind::kRegular);
    EXPECT_EQ(facts.size, 100007u);
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.IsOpen());
    EXPECT_TRUE(out.Close());  // closing twice is harmless
  }
  {
    FileHandle in = OpenSystemFile(Path("data.bin").c_str(), FileOpening::kRead);
    ASSERT_TRUE(in.IsOpen());
    std::string got(200000, '\0');
    std::size_t total = 0;
    for (long long n; (n = in.Read(got.data() + total, got.size() - total)) > 0;)
      total += static_cast<std::size_t>(n);
    EXPECT_EQ(total, 100007u);
    EXPECT_EQ(got.substr(100000, 7), "\r\n\x1a end");
    EXPECT_EQ(in.Read(got.data(), 10), 0);  // at the end
  }
  {
    FileHandle in = OpenSystemFile(Path("data.bin").c_str(), FileOpening::kRead);
    std::FILE* f = in.IntoStream("rb");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(in.IsOpen());  // the stream owns the file now
    ASSERT_EQ(std::fseek(f, 100000, SEEK_SET), 0);
    char tail[8] = {};
    EXPECT_EQ(std::fread(tail, 1, sizeof tail, f), 7u);
    EXPECT_EQ(std::string(tail, 7), "\r\n\x1a end");
    std::fclose(f);
  }
  {
    FileHandle out = OpenSystemFile(Path("data.bin").c_str(), FileOpening::kWriteExisting);
    ASSERT_TRUE(out.Empty());
    ASSERT_TRUE(out.WriteAll("new", 3));
  }
  EXPECT_EQ(Read("data.bin"), "new");
  // Nothing open: every call fails and none crashes.
  FileHandle none;
  FileFacts facts;
  char byte;
  EXPECT_FALSE(none.Examine(facts));
  EXPECT_EQ(none.Read(&byte, 1), -1);
  EXPECT_FALSE(none.WriteAll("x", 1));
  EXPECT_EQ(none.IntoStream("rb"), nullptr);
}

TEST_F(FilesTest, ReadingOpensAFolderSoItCanBeToldApart) {
  fs::create_directories(Path("folder"));
  FileHandle file = OpenSystemFile(Path("folder").c_str(), FileOpening::kRead);
  ASSERT_TRUE(file.IsOpen()) << LastFileFaultText();
  FileFacts facts;
  ASSERT_TRUE(file.Examine(facts));
  EXPECT_EQ(facts.kind, FileKind::kFolder);
}

// The temporary file and the rename are what a safe save stands on: the temporary lies beside
// its target (one file system), and the rename replaces only when asked to.
TEST_F(FilesTest, ATemporaryBesideItsTargetIsRenamedOverIt) {
  Write("save.dat", "old");
  std::string first, second;
  FileHandle a = CreateTemporaryFileBeside(Path("save.dat"), NewFilePermissions(), first);
  FileHandle b = CreateTemporaryFileBeside(Path("save.dat"), NewFilePermissions(), second);
  ASSERT_TRUE(a.IsOpen() && b.IsOpen()) << LastFileFaultText();
  EXPECT_NE(first, second);
  EXPECT_EQ(fs::path(first).parent_path(), scratch_.Folder());
  EXPECT_EQ(fs::path(first).filename().string().rfind(".save.dat.tmp-", 0), 0u) << first;
  ASSERT_TRUE(a.WriteAll("new", 3));
  ASSERT_TRUE(a.FlushToDisk());
  ASSERT_TRUE(a.Close());
  b.Close();

  EXPECT_FALSE(RenameFile(first.c_str(), Path("save.dat").c_str(), false));
  EXPECT_EQ(LastFileFault(), FileFault::kExists);
  EXPECT_EQ(Read("save.dat"), "old");
  ASSERT_TRUE(RenameFile(first.c_str(), Path("save.dat").c_str(), true)) << LastFileFaultText();
  EXPECT_EQ(Read("save.dat"), "new");
  EXPECT_FALSE(fs::exists(first));
  ASSERT_TRUE(RenameFile(second.c_str(), Path("fresh.dat").c_str(), false)) << LastFileFaultText();
  EXPECT_EQ(Entries(), 2);

  ASSERT_TRUE(RemoveFile(Path("fresh.dat").c_str()));
  EXPECT_FALSE(RemoveFile(Path("fresh.dat").c_str()));
  EXPECT_EQ(LastFileFault(), FileFault::kMissing);
  EXPECT_EQ(Entries(), 1);

  std::string none;
  EXPECT_FALSE(CreateTemporaryFileBeside(Path("missing/save.dat"), 0600, none).IsOpen());
  EXPECT_EQ(LastFileFault(), FileFault::kMissing);
  EXPECT_EQ(none, "");
}

TEST_F(FilesTest, PathsAreMadeAbsoluteAndResolved) {
  Write("a.bin", "a");
  fs::create_directories(Path("sub"));
  const std::string resolved = ResolvedPath(Path("sub/../a.bin").c_str());
  ASSERT_NE(resolved, "") << LastFileFaultText();
  EXPECT_TRUE(fs::path(resolved).is_absolute()) << resolved;
  EXPECT_TRUE(fs::equivalent(resolved, Path("a.bin"))) << resolved;
  EXPECT_EQ(resolved.find(".."), std::string::npos) << resolved;
  EXPECT_EQ(ResolvedPath(Path("missing").c_str()), "");

  const std::string absolute = AbsolutePath("some/where/../else");
  EXPECT_TRUE(fs::path(absolute).is_absolute()) << absolute;
  EXPECT_EQ(fs::path(absolute), (fs::current_path() / "some/else").lexically_normal());
  // A name that is no link is created as itself.
  EXPECT_EQ(CreationPath(Path("missing").c_str()), Path("missing"));
}

TEST_F(FilesTest, TheProgramFindsItsOwnExecutableAndFolders) {
  const std::string exe = ExecutablePath();
  ASSERT_NE(exe, "");
  FileFacts facts;
  ASSERT_TRUE(ExamineFile(exe.c_str(), facts)) << exe;
  EXPECT_EQ(facts.kind, FileKind::kRegular);
  ASSERT_TRUE(ExamineFile(FolderOf(exe).c_str(), facts)) << exe;
  EXPECT_EQ(facts.kind, FileKind::kFolder);

  test::CurrentFolderKeeper keeper;
  ASSERT_TRUE(EnterFolder(scratch_.Folder().string().c_str())) << LastFileFaultText();
  EXPECT_TRUE(fs::equivalent(CurrentFolder(), scratch_.Folder())) << CurrentFolder();
  EXPECT_TRUE(fs::equivalent(fs::current_path(), scratch_.Folder()));
  EXPECT_FALSE(EnterFolder(Path("missing").c_str()));
  EXPECT_EQ(LastFileFault(), FileFault::kMissing);
  EXPECT_TRUE(fs::equivalent(CurrentFolder(), scratch_.Folder()));
}

TEST(FolderOfTest, TakesTheFolderPartOfAName) {
  struct Case {
    const char* path;
    const char* folder;
  };
  const Case cases[] = {
      {"a/b/c.txt", "a/b"},           {"/c.txt", "/"}, {"c.txt", ""}, {"", ""},
      {"/usr/games/x", "/usr/games"},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
}

// Names are UTF-8 everywhere, also where the system's own calls take UTF-16.
TEST_F(FilesTest, NamesBeyondAsciiWorkEverywhere) {
  // Joined as text: std::filesystem takes narrow names in the system's code page on Windows.
  const std::string name = scratch_.Folder().string() + "/\xe3\x81\x8b\xe3\x81\xab.bin";
  std::FILE* f = OpenFileStream(name.c_str(), "wb");
  ASSERT_NE(f, nullptr) << LastFileFaultText();
  std::fputs("crab", f);
  std::fclose(f);
  FileFacts facts;
  ASSERT_TRUE(ExamineFile(name.c_str(), facts));
  EXPECT_EQ(facts.size, 4u);
  int found = 0;
  for (auto& e : fs::directory_iterator(scratch_.Folder())) {
    const std::u8string u8 = e.path().filename().u8string();
    found += std::string(u8.begin(), u8.end()) == "\xe3\x81\x8b\xe3\x81\xab.bin";
  }
  EXPECT_EQ(found, 1);
  std::string temporary;
  FileHandle t = CreateTemporaryFileBeside(name, 0600, temporary);
  ASSERT_TRUE(t.IsOpen()) << LastFileFaultText();
  t.Close();
  ASSERT_TRUE(RenameFile(temporary.c_str(), name.c_str(), true));
  ASSERT_TRUE(ExamineFile(name.c_str(), facts));
  EXPECT_EQ(facts.size, 0u);
  EXPECT_EQ(OpenFileStream(Path("missing/x").c_str(), "wb"), nullptr);
  EXPECT_EQ(LastFileFault(), FileFault::kMissing);
}

// What only POSIX systems have: a FIFO nobody reads is refused at once instead of hanging the
// open, links are followed or not as asked, /proc is told apart, and modes are kept.
TEST_F(FilesTest, PosixFifosLinksProcAndModes) {
  if (!test::HasPosixFiles()) GTEST_SKIP() << "no FIFOs, links or modes on this system";
  ASSERT_TRUE(test::MakeFifo(Path("pipe")));
  auto opened = std::async(std::launch::async, [&] {
    FileHandle f = OpenSystemFile(Path("pipe").c_str(), FileOpening::kWriteExisting);
    return std::make_pair(f.IsOpen(), LastFileFault());
  });
  ASSERT_EQ(opened.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  const auto [open, fault] = opened.get();
  EXPECT_FALSE(open);
  EXPECT_EQ(fault, FileFault::kNoReader);
  FileHandle reader = OpenSystemFile(Path("pipe").c_str(), FileOpening::kRead);  // no wait
  ASSERT_TRUE(reader.IsOpen());
  FileFacts facts;
  ASSERT_TRUE(reader.Examine(facts));
  EXPECT_EQ(facts.kind, FileKind::kFifo);

  Write("real.bin", "r");
  fs::create_symlink("real.bin", Path("link"));
  fs::create_symlink("later/made.bin", Path("dangling"));
  ASSERT_TRUE(ExamineFile(Path("link").c_str(), facts));
  EXPECT_EQ(facts.kind, FileKind::kRegular);
  ASSERT_TRUE(ExamineFile(Path("link").c_str(), facts, LinkRule::kNoFollow));
  EXPECT_EQ(facts.kind, FileKind::kLink);
  EXPECT_FALSE(ExamineFile(Path("dangling").c_str(), facts));
  EXPECT_TRUE(ExamineFile(Path("dangling").c_str(), facts, LinkRule::kNoFollow));
  EXPECT_EQ(CreationPath(Path("dangling").c_str()), Path("later/made.bin"));
  EXPECT_EQ(ResolvedPath(Path("link").c_str()), ResolvedPath(Path("real.bin").c_str()));

  ASSERT_TRUE(ExamineFile("/proc/self/status", facts));
  EXPECT_TRUE(facts.pseudo);

  std::string temporary;
  FileHandle t = CreateTemporaryFileBeside(Path("moded"), 0640, temporary);
  ASSERT_TRUE(t.IsOpen());
  ASSERT_TRUE(ExamineFile(temporary.c_str(), facts));
  EXPECT_EQ(facts.permissions, 0640u);
  ASSERT_TRUE(t.SetPermissions(0600));
  ASSERT_TRUE(ExamineFile(temporary.c_str(), facts));
  EXPECT_EQ(facts.permissions, 0600u);
  EXPECT_EQ(NewFilePermissions() & ~0666u, 0u);
}

}  // namespace
}  // namespace oru
