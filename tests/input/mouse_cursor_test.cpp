// MouseCursor: following the pointer, the show-cursor rule at the area's edges, click latches.
#include "oru/input/mouse_cursor.h"

#include <gtest/gtest.h>

#include <vector>

#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/platform/mouse.h"

namespace oru {
namespace {

Point pointer{0, 0};

class MouseCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetKeyState(VK_LBUTTON, false);
    SetKeyState(VK_RBUTTON, false);
    ResetCursorCounterForTesting();
    previousSource = SetCursorPosSource([](Point* p) {
      *p = pointer;
      return true;
    });
  }
  void TearDown() override {
    SetCursorPosSource(previousSource);
    SetKeyState(VK_LBUTTON, false);
    SetKeyState(VK_RBUTTON, false);
    ResetCursorCounterForTesting();
  }

  void MoveTo(int x, int y) {
    pointer = Point{x, y};
    cursor.Update();
  }

  CursorPosSource previousSource = nullptr;
  MouseCursor cursor;
};

TEST_F(MouseCursorTest, StartsHiddenWithTheSystemCursorShown) {
  EXPECT_EQ(cursor.IsVisible(), 0);
  EXPECT_EQ(cursor.SystemCursorShown(), 1);
  MoveTo(100, 100);
  EXPECT_TRUE(IsSystemCursorShown()) << "a hidden cursor surface never replaces the system one";
}

TEST_F(MouseCursorTest, FollowsThePointerLessTheHotSpot) {
  cursor.SetHotSpot(4, 7);
  MoveTo(50, 60);
  EXPECT_EQ(cursor.X(), 46);
  EXPECT_EQ(cursor.Y(), 53);
}

TEST_F(MouseCursorTest, VisibleCursorHidesTheSystemOneStrictlyInsideTheArea) {
  cursor.SetVisible(1);
  struct Case {
    int x, y;
    bool inside;
  };
  const Case cases[] = {
      {1, 1, true},     {0, 100, false},  {100, 0, false}, {639, 479, true},
      {640, 10, false}, {10, 480, false}, {-5, -5, false}, {320, 240, true},
  };
  for (const Case& c : cases) {
    MoveTo(c.x, c.y);
    EXPECT_EQ(cursor.SystemCursorShown(), c.inside ? 0 : 1) << c.x << "," << c.y;
    EXPECT_EQ(IsSystemCursorShown(), !c.inside) << c.x << "," << c.y;
  }
  // Repeated moves inside hide only once, so one move out brings the cursor back.
  MoveTo(10, 10);
  MoveTo(20, 20);
  MoveTo(0, 0);
  EXPECT_TRUE(IsSystemCursorShown());
}

TEST_F(MouseCursorTest, DestructionGivesBackAHiddenSystemCursor) {
  {
    MouseCursor other;
    other.SetVisible(1);
    pointer = Point{10, 10};
    other.Update();
    ASSERT_FALSE(IsSystemCursorShown());
  }
  EXPECT_TRUE(IsSystemCursorShown());
}

TEST_F(MouseCursorTest, ButtonsHeldAtStartDoNotClick) {
  SetKeyState(VK_LBUTTON, true);
  MouseCursor held;
  EXPECT_EQ(held.LeftClicked(), 0);
  SetKeyState(VK_LBUTTON, false);
  held.Update();
  SetKeyState(VK_LBUTTON, true);
  EXPECT_EQ(held.LeftClicked(), 1);
}

TEST_F(MouseCursorTest, EachPressClicksOnce) {
  for (int vk : {VK_LBUTTON, VK_RBUTTON}) {
    auto clicked = [&] { return vk == VK_LBUTTON ? cursor.LeftClicked() : cursor.RightClicked(); };
    cursor.Update();  // both buttons up: latches clear
    std::vector<int> results;
    SetKeyState(vk, true);
    for (int i = 0; i < 3; ++i) results.push_back(clicked());
    SetKeyState(vk, false);
    results.push_back(clicked());
    SetKeyState(vk, true);
    results.push_back(clicked());
    results.push_back(clicked());
    SetKeyState(vk, false);
    EXPECT_EQ(results, (std::vector<int>{1, 0, 0, 0, 1, 0})) << "button " << vk;
  }
  // The two buttons latch independently; a release counts once Update or a query has seen it.
  cursor.Update();
  SetKeyState(VK_LBUTTON, true);
  SetKeyState(VK_RBUTTON, true);
  EXPECT_EQ(cursor.LeftClicked(), 1);
  EXPECT_EQ(cursor.RightClicked(), 1);
}

}  // namespace
}  // namespace oru
