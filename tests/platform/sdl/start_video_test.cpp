// Which video drivers count as "no display": those that show nothing, unless asked for.
#include <gtest/gtest.h>

#include "oru/platform/native_window.h"
#include "oru/platform/sdl/sdl_window_internal.h"

namespace oru {
namespace {

TEST(StartVideoTest, OnlyAnUnrequestedDriverThatShowsNothingIsRefused) {
  struct Case {
    const char* driver;
    const char* requested;
    bool refused;
  };
  const Case cases[] = {
      {"x11", nullptr, false},
      {"wayland", nullptr, false},
      {"KMSDRM", nullptr, false},
      {"offscreen", nullptr, true},  // SDL's fallback when no display answers
      {"dummy", nullptr, true},
      {"evdev", nullptr, true},
      {"offscreen", "", true},
      {"offscreen", "x11", true},
      {"offscreen", "offscreen", false},
      {"dummy", "dummy", false},
      {"dummy", "DUMMY", false},
      {"offscreen", "x11,offscreen", false},
      {"dummy", "x11,offscreen", true},
      {"dummy", "dummy2", true},
      {nullptr, nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsUnrequestedHeadlessDriver(c.driver, c.requested), c.refused)
        << (c.driver ? c.driver : "null") << " asked " << (c.requested ? c.requested : "null");
  }
}

}  // namespace
}  // namespace oru
