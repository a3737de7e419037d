// The score line: its text, its background rule and where its pixels land.
#include "oru/graphics/score_display.h"

#include <gtest/gtest.h>

#include <string>

#include "oru/platform/draw_context.h"
#include "oru/platform/font.h"

namespace oru {
namespace {

std::string Line(const ScoreDisplay& score) {
  char line[256];
  score.FormatLine(line);
  return line;
}

int Count(Surface& surface, int value) {
  int n = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) n += surface.PixelAt(x, y) == value;
  }
  return n;
}

int RightmostOf(Surface& surface, int value) {
  int right = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      if (surface.PixelAt(x, y) == value) right = std::max(right, x + 1);
    }
  }
  return right;
}

TEST(ScoreLine, CaptionNumberAndSuffix) {
  ScoreDisplay score(20, 0xFF00FF);
  score.Create(100, 20);
  score.SetValue(0);
  EXPECT_EQ(Line(score), "0");  // before caption and suffix are set: the number alone
  score.SetCaption("Score:");
  score.SetSuffix("_");
  struct Case {
    int value;
    const char* line;
  } cases[] = {{1234, "Score:1234_"},
               {-5, "Score:-5_"},
               {0, "Score:0_"},
               {-2147483647 - 1, "Score:-2147483648_"}};
  for (const Case& c : cases) {
    score.SetValue(c.value);
    EXPECT_EQ(score.GetValue(), c.value);
    EXPECT_EQ(Line(score), c.line);
  }
  score.SetValue(10);
  score.Add(5);
  EXPECT_EQ(score.GetValue(), 15);
  score.Subtract(20);
  EXPECT_EQ(score.GetValue(), -5);
  EXPECT_EQ(Line(score), "Score:-5_");
}

TEST(ScoreLine, OverlongCaptionIsCutAtTheBuffer) {
  const std::string caption(400, 'x');
  ScoreDisplay score(20, 0xFF00FF);
  score.Create(100, 20);
  score.SetCaption(caption.c_str());
  score.SetValue(7);
  const std::string line = Line(score);
  EXPECT_EQ(line.size(), 255u);
  EXPECT_EQ(line, caption.substr(0, 255));
}

// A UTF-8 caption is converted and kept by the display, so the caller's text may go at once.
TEST(ScoreLine, Utf8CaptionAndSuffixAreConvertedAndCopied) {
  ScoreDisplay score(20, 0xFF00FF);
  score.Create(100, 20);
  {
    std::string caption = "\xE5\xBE\x97\xE7\x82\xB9\xE2\x82\xAC:";  // "得点€:"
    score.SetCaptionUtf8(caption);
    caption.assign(caption.size(), 'x');
  }
  score.SetSuffixUtf8("\xE7\x82\xB9\x80");  // "点" and a lone continuation byte
  score.SetValue(12);
  EXPECT_EQ(Line(score), "\x93\xBE\x93\x5F?:12\x93\x5F?");
  score.SetCaption("Hi:");  // the borrowed caption takes over again
  EXPECT_EQ(Line(score), "Hi:12\x93\x5F?");
}

// The background always differs from the text: black, or red for black text. Changing colour or
// height shows only at the next change of the number.
TEST(ScoreBackground, BlackOrRedAndChangesAtTheNextValue) {
  ScoreDisplay score(20, 0xFF00FF);
  score.Create(100, 20);
  score.SetCaption("Score:");
  score.SetSuffix("_");
  score.SetValue(0);
  DrawContext* dc = score.OpenDC();
  const int black = dc->NearestIndex(0x000000);
  const int red = dc->NearestIndex(0x0000FF);
  EXPECT_EQ(score.PixelAt(99, 19), black);
  EXPECT_EQ(score.PixelAt(0, 0), black);

  score.SetTextColour(0);
  EXPECT_EQ(score.PixelAt(99, 19), black);
  score.Add(1);
  EXPECT_EQ(score.PixelAt(99, 19), red);
  EXPECT_EQ(score.PixelAt(0, 0), red);
}

class ScoreText : public ::testing::Test {
 protected:
  void SetUp() override {
    FontParams bold;
    bold.height = 20;
    bold.weight = 700;
    bold.faceName = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
    if (!Font::Create(bold)->HasFace()) GTEST_SKIP() << "no font installed";
  }
};

TEST_F(ScoreText, TextPixelsOnlyInTheTextColour) {
  ScoreDisplay score(20, 0xFF00FF);
  score.Create(100, 20);
  score.SetValue(0);
  score.SetTransparentFromPixel(0, 0);
  const int magenta = score.OpenDC()->NearestIndex(0xFF00FF);
  const int black = score.OpenDC()->NearestIndex(0);
  const int alone = RightmostOf(score, magenta);
  EXPECT_GT(Count(score, magenta), 0);
  EXPECT_EQ(Count(score, magenta) + Count(score, black), 100 * 20);
  EXPECT_EQ(score.TransparentIndex(), black);

  score.SetCaption("Score:");
  score.SetSuffix("_");
  score.SetValue(5);
  const int shortLine = RightmostOf(score, magenta);
  score.SetValue(1234);
  const int longLine = RightmostOf(score, magenta);
  EXPECT_GT(shortLine, alone);
  EXPECT_GT(longLine, shortLine);
  // The text starts one pixel in from the top-left corner.
  for (int x = 0; x < 100; ++x) EXPECT_EQ(score.PixelAt(x, 0), black) << x;
}

TEST_F(ScoreText, TallerFontShowsAtTheNextValue) {
  ScoreDisplay score(10, 0xFF00FF);
  score.Create(100, 40);
  score.SetCaption("Score:");
  score.SetValue(8);
  const int magenta = score.OpenDC()->NearestIndex(0xFF00FF);
  const int small = Count(score, magenta);
  score.SetFontHeight(30);
  EXPECT_EQ(Count(score, magenta), small);
  score.SetValue(8);
  EXPECT_GT(Count(score, magenta), small);
}

}  // namespace
}  // namespace oru
