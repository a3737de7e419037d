// The embedded resource table and the string table.
#include "oru/platform/resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace oru {
namespace {

TEST(StringTable, CaptionIsCutToTheBuffer) {
  struct Case {
    int bufferSize;
    const char* expected;
    int result;
  } cases[] = {
      {64, "BRELLOW-DIDOVEZ", 15},
      {16, "BRELLOW-DIDOVEZ", 15},
      {15, "BRELLOW-DIDOVE", 14},
      {4, "BRE", 3},
      {1, "", 0},
  };
  for (const Case& c : cases) {
    char buffer[65];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadString(kStringCaption, buffer, c.bufferSize), c.result) << c.bufferSize;
    EXPECT_STREQ(buffer, c.expected) << c.bufferSize;
    EXPECT_EQ(buffer[c.bufferSize], 'x') << "wrote past the buffer of " << c.bufferSize;
  }
}

TEST(StringTable, UnknownIdAndNoBufferGiveNothing) {
  char buffer[8] = "keep";
  EXPECT_EQ(LoadString(999, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadString(kStringCaption, nullptr, 8), 0);
  std::strcpy(buffer, "keep");
  EXPECT_EQ(LoadString(kStringCaption, buffer, 0), 0);
  EXPECT_STREQ(buffer, "keep");
}

TEST(ResourceTable, LookupByNameAndTypeIgnoringCase) {
  const char bytes[] = "abc";
  ASSERT_TRUE(RegisterResource("Res.Test1", "BITMAP", bytes, 3));
  const Resource* r = FindResource("res.test1", "bitmap");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r->data), r->size), "abc");
  EXPECT_EQ(FindResource("res.test1", "WAVE"), nullptr);
  EXPECT_EQ(FindResource("res.test1", nullptr), nullptr);
  EXPECT_EQ(FindResource(nullptr, "BITMAP"), nullptr);

  ASSERT_TRUE(RegisterResource("res.untyped", nullptr, bytes, 2));
  ASSERT_NE(FindResource("res.untyped", nullptr), nullptr);
  EXPECT_EQ(FindResource("res.untyped", nullptr)->size, 2u);
}

TEST(ResourceTable, ReplacedAndRemovedBytesStayValid) {
  ASSERT_TRUE(RegisterResource("res.test2", "T", "one", 3));
  const Resource* first = FindResource("res.test2", "T");
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(RegisterResource("res.test2", "T", "second", 6));
  EXPECT_EQ(FindResource("res.test2", "T")->size, 6u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(first->data), first->size), "one");
  EXPECT_TRUE(UnregisterResource("res.test2", "T"));
  EXPECT_FALSE(UnregisterResource("res.test2", "T"));
  EXPECT_EQ(FindResource("res.test2", "T"), nullptr);
  EXPECT_FALSE(RegisterResource(nullptr, "T", "x", 1));
  EXPECT_FALSE(RegisterResource("res.null", "T", nullptr, 1));
}

}  // namespace
}  // namespace oru
