// Text with no fonts installed, on the back end whose faces come from fontconfig: an empty
// configuration stands for a machine without fonts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "oru/platform/draw_context.h"
#include "oru/platform/font.h"

namespace oru {
namespace {

// With no fonts at all, text draws nothing, measures nothing, and nothing crashes. Runs in a
// child process so fontconfig starts with an empty configuration.
TEST(FontMissing, TextDrawsNothingWithoutFonts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const std::string config =
            ::testing::TempDir() + "oru_empty_fonts_" + std::to_string(::getpid()) + ".conf";
        std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
        setenv("FONTCONFIG_FILE", config.c_str(), 1);
        // 40 by 30 pixels of entry 0; entry 1 is red, the text colour.
        std::vector<std::uint8_t> pixels(40 * 30, 0);
        std::vector<std::uint8_t> table(1024, 0);
        table[1 * 4 + 2] = 255;
        DrawContext dc(pixels.data(), 40, 40, 30, table.data());
        FontParams params;
        params.height = 20;
        auto font = Font::Create(params);
        dc.SelectFont(font.get());
        dc.SetTextColour(0x000000FF);
        const bool drawn = dc.TextOut(0, 0, "Score:1", -1);
        dc.SelectFont(nullptr);
        dc.TextOut(0, 0, "Score:1", -1);
        const Size extent = dc.GetTextExtent("Score:1", -1);
        std::remove(config.c_str());
        const bool untouched = std::count(pixels.begin(), pixels.end(), 1) == 0;
        std::exit(drawn && !font->HasFace() && untouched && extent.cx == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace oru
