// Outside text made safe to print: control characters never reach the terminal raw, and a file
// name's folder separators print as the user typed them.
#include "oru/data/escaped_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "oru/platform/files.h"

namespace oru {
namespace {

struct EscapeCase {
  const char* text;
  const char* escaped;
};

TEST(EscapedNameTest, ControlCharactersAndBackslashesAreWrittenOut) {
  const EscapeCase cases[] = {
      {"plain.rec", "plain.rec"},
      {"two\nlines", "two\\nlines"},
      {"tab\there", "tab\\there"},
      {"\x1B[2J", "\\x1B[2J"},
      {"del\x7F", "del\\x7F"},
      {"a\\nb", "a\\\\nb"},  // a real backslash cannot pass for an escape
      {"caf\xC3\xA9 \xE5\xB7\x9D", "caf\xC3\xA9 \xE5\xB7\x9D"},  // UTF-8 is kept
  };
  for (const EscapeCase& c : cases) EXPECT_EQ(Escaped(c.text), c.escaped) << c.escaped;
}

TEST(EscapedNameTest, APathKeepsItsSeparatorsAndStillHidesControlCharacters) {
  const bool backslashSeparates = std::strchr(FolderSeparators(), '\\') != nullptr;
  struct PathCase {
    const char* path;
    const char* withBackslashSeparators;
    const char* withSlashSeparators;
  };
  const PathCase cases[] = {
      {"/home/me/runs/a.rec", "/home/me/runs/a.rec", "/home/me/runs/a.rec"},
      {"C:\\Games\\run.rec", "C:\\Games\\run.rec", "C:\\\\Games\\\\run.rec"},
      {"C:\\new\nline", "C:\\new\\nline", "C:\\\\new\\nline"},
      {"D:\\Spiele\\\xC3\x9C"
       "ber",
       "D:\\Spiele\\\xC3\x9C"
       "ber",
       "D:\\\\Spiele\\\\\xC3\x9C"
       "ber"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(EscapedPath(c.path),
              backslashSeparates ? c.withBackslashSeparators : c.withSlashSeparators)
        << c.path;
  }
}

}  // namespace
}  // namespace oru
