// The pointer position source and the system cursor's show counter.
#include "oru/platform/mouse.h"

#include <gtest/gtest.h>

#include <vector>

namespace oru {
namespace {

TEST(ShowCursor, CounterNeedsAShowForEveryHide) {
  ResetCursorCounterForTesting();
  std::vector<int> counters;
  std::vector<bool> shown;
  for (bool show : {false, false, true, true, true, false}) {
    counters.push_back(ShowCursor(show));
    shown.push_back(IsSystemCursorShown());
  }
  EXPECT_EQ(counters, (std::vector<int>{-1, -2, -1, 0, 1, 0}));
  EXPECT_EQ(shown, (std::vector<bool>{false, false, false, true, true, true}));
  ResetCursorCounterForTesting();
  EXPECT_TRUE(IsSystemCursorShown());
}

TEST(CursorPos, ComesFromTheInstalledSourceInClientCoordinates) {
  const CursorPosSource previous = SetCursorPosSource([](Point* p) {
    *p = Point{17, -3};
    return true;
  });
  Point p{0, 0};
  ASSERT_TRUE(GetCursorPos(&p));
  ASSERT_TRUE(ScreenToClient(nullptr, &p));
  EXPECT_EQ(p.x, 17);
  EXPECT_EQ(p.y, -3);
  EXPECT_FALSE(GetCursorPos(nullptr));
  EXPECT_FALSE(ScreenToClient(nullptr, nullptr));
  SetCursorPosSource(previous);
}

}  // namespace
}  // namespace oru
