// The software drawing context: colour mapping, fills, pens and text over 8-bit pixels.
#include "oru/platform/draw_context.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "oru/platform/font.h"
#include "tests/support/padded_pixels.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_system.h"

namespace oru {
namespace {

// A small 8-bit image with padding after each row, and a colour table of grey levels and a few
// named colours.
struct Canvas8 : test::PaddedPixels<40, 30, 44> {
  Canvas8() {
    // Entry i is grey level i, except a few named colours.
    for (int i = 0; i < 256; ++i) SetEntry(i, i, i, i);
    SetEntry(1, 255, 0, 0);    // red
    SetEntry(2, 0, 255, 0);    // green
    SetEntry(3, 0, 0, 255);    // blue
    SetEntry(4, 255, 0, 0);    // red again: ties go to the lower index
    SetEntry(5, 255, 0, 255);  // magenta
  }
  void SetEntry(int i, int r, int g, int b) {
    table[i * 4 + 0] = static_cast<std::uint8_t>(b);
    table[i * 4 + 1] = static_cast<std::uint8_t>(g);
    table[i * 4 + 2] = static_cast<std::uint8_t>(r);
    table[i * 4 + 3] = 0;
  }
  DrawContext Context() { return DrawContext(bytes.data(), kPitch, kWidth, kHeight, table.data()); }
  std::array<std::uint8_t, 1024> table{};
};

TEST(DrawContextColour, MapsToNearestEntryLowestIndexOnTies) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  struct Case {
    std::uint32_t colour;
    int index;
  } cases[] = {
      {0x000000FF, 1},  // red: entries 1 and 4 are equal, 1 wins
      {0x0000FF00, 2},  // green
      {0x00FF0000, 3},  // blue (red is the low byte)
      {0x00FF00FF, 5},  // magenta
      {0x00000000, 0},  // black
      {0x00808080, 128}, {0x007F7F7F, 127}, {0x0010F008, 2},  // near green
      {0x00FE0101, 3},                                        // near blue
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dc.NearestIndex(c.colour), c.index) << std::hex << c.colour;
  }
  DrawContext noTable(canvas.bytes.data(), Canvas8::kPitch, 4, 4, nullptr);
  EXPECT_EQ(noTable.NearestIndex(0x00FFFFFF), 0);
}

TEST(DrawContextFill, RightAndBottomExclusiveAndClipped) {
  struct Case {
    Rect rect;
    Rect filled;  // expected box of the fill; empty when nothing is written
  } cases[] = {
      {{10, 10, 20, 15}, {10, 10, 20, 15}},   {{-5, -5, 3, 2}, {0, 0, 3, 2}},
      {{35, 25, 100, 100}, {35, 25, 40, 30}}, {{-10, -10, 1000, 1000}, {0, 0, 40, 30}},
      {{20, 10, 10, 15}, {0, 0, 0, 0}},  // reversed: nothing
      {{50, 50, 60, 60}, {0, 0, 0, 0}},  // outside
      {{5, 5, 5, 9}, {0, 0, 0, 0}},      // empty
  };
  for (const Case& c : cases) {
    Canvas8 canvas;
    DrawContext dc = canvas.Context();
    dc.FillRect(c.rect, 0x000000FF);
    const int area =
        std::max(0, c.filled.right - c.filled.left) * std::max(0, c.filled.bottom - c.filled.top);
    EXPECT_EQ(canvas.Count(1), area) << c.rect.left << "," << c.rect.top;
    if (area > 0) {
      const Rect box = canvas.BoxOf(1);
      EXPECT_EQ(box.left, c.filled.left);
      EXPECT_EQ(box.top, c.filled.top);
      EXPECT_EQ(box.right, c.filled.right);
      EXPECT_EQ(box.bottom, c.filled.bottom);
    }
    EXPECT_TRUE(canvas.PaddingIntact());
  }
}

TEST(DrawContextPen, EndPointIsNotDrawn) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  dc.SelectPen(Pen{1, 0x0000FF00});
  dc.MoveTo(2, 3);
  dc.LineTo(12, 3);
  EXPECT_EQ(canvas.Count(2), 10);
  EXPECT_EQ(canvas.At(2, 3), 2);
  EXPECT_EQ(canvas.At(11, 3), 2);
  EXPECT_EQ(canvas.At(12, 3), 0);

  // Vertical upwards and a diagonal: start drawn, end not, position moves to the end.
  dc.LineTo(12, 0);
  EXPECT_EQ(canvas.At(12, 3), 2);
  EXPECT_EQ(canvas.At(12, 1), 2);
  EXPECT_EQ(canvas.At(12, 0), 0);
  const Point previous = dc.MoveTo(0, 10);
  EXPECT_EQ(previous.x, 12);
  EXPECT_EQ(previous.y, 0);
  dc.LineTo(5, 15);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(canvas.At(i, 10 + i), 2) << i;
  EXPECT_EQ(canvas.At(5, 15), 0);
}

TEST(DrawContextPen, WidePenCoversItsWidthAndClips) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  const Pen old = dc.SelectPen(Pen{2, 0x00FF0000});
  EXPECT_EQ(old.width, 1);
  dc.MoveTo(20, 15);
  dc.LineTo(20, 5);
  // Two columns wide along the whole drawn length.
  for (int y = 6; y <= 15; ++y) {
    const int across = (canvas.At(19, y) == 3) + (canvas.At(20, y) == 3) + (canvas.At(21, y) == 3);
    EXPECT_EQ(across, 2) << y;
  }
  // A thick line running off every edge writes nothing outside the pixels.
  dc.SelectPen(Pen{7, 0x00FF0000});
  dc.MoveTo(-20, -20);
  dc.LineTo(80, 60);
  dc.MoveTo(80, -5);
  dc.LineTo(-30, 40);
  EXPECT_TRUE(canvas.PaddingIntact());
  // Width 0 or less draws as one pixel.
  Canvas8 thin;
  DrawContext dc2 = thin.Context();
  dc2.SelectPen(Pen{0, 0x000000FF});
  dc2.MoveTo(0, 0);
  dc2.LineTo(4, 0);
  EXPECT_EQ(thin.Count(1), 4);
}

TEST(DrawContextEmpty, WithoutPixelsEveryCallIsHarmless) {
  DrawContext dc(nullptr, 0, 100, 100, nullptr);
  dc.FillRect(Rect{0, 0, 100, 100}, 0xFFFFFF);
  dc.MoveTo(0, 0);
  dc.LineTo(50, 50);
  EXPECT_TRUE(dc.TextOut(0, 0, "abc", -1));
  EXPECT_EQ(dc.Width(), 0);
  // Retarget gives it pixels later.
  Canvas8 canvas;
  dc.Retarget(canvas.bytes.data(), Canvas8::kPitch, Canvas8::kWidth, Canvas8::kHeight,
              canvas.table.data());
  dc.FillRect(Rect{0, 0, 2, 2}, 0x000000FF);
  EXPECT_EQ(canvas.Count(1), 4);
}

// Text: glyph shapes differ between machines, so only where pixels land is checked.
class DrawContextText : public ::testing::Test {
 protected:
  void SetUp() override {
    FontParams params;
    params.height = 16;
    params.weight = 300;
    font = Font::Create(params);
    if (!font->HasFace()) GTEST_SKIP() << "no font installed";
  }
  std::unique_ptr<Font> font;
};

TEST_F(DrawContextText, TransparentTextStaysInsideItsExtent) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  dc.FillRect(Rect{0, 0, 40, 30}, 0x00FF0000);  // blue background
  EXPECT_EQ(dc.SelectFont(font.get()), nullptr);
  dc.SetTextColour(0x000000FF);
  dc.SetBackgroundMode(DrawContext::kTransparent);
  ASSERT_TRUE(dc.TextOut(3, 4, "Ab1", -1));
  const Size extent = dc.GetTextExtent("Ab1", -1);
  EXPECT_GT(extent.cx, 0);
  EXPECT_EQ(extent.cy, 16);
  EXPECT_GT(canvas.Count(1), 0);
  const Rect box = canvas.BoxOf(1);
  EXPECT_GE(box.left, 3);
  EXPECT_GE(box.top, 4);
  EXPECT_LE(box.right, 3 + extent.cx);
  EXPECT_LE(box.bottom, 4 + extent.cy);
  // Only text and untouched background: the background mode left the rest alone.
  EXPECT_EQ(canvas.Count(1) + canvas.Count(3), Canvas8::kWidth * Canvas8::kHeight);
  EXPECT_TRUE(canvas.PaddingIntact());
}

TEST_F(DrawContextText, OpaqueModeFillsTheCell) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  dc.SelectFont(font.get());
  dc.SetTextColour(0x000000FF);
  dc.SetBackgroundColour(0x0000FF00);
  dc.SetBackgroundMode(DrawContext::kOpaque);
  dc.TextOut(0, 0, "x", 1);
  const Size extent = dc.GetTextExtent("x", 1);
  EXPECT_EQ(canvas.Count(1) + canvas.Count(2), extent.cx * extent.cy);
}

TEST_F(DrawContextText, DrawTextClipsToItsRectangle) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  dc.SelectFont(font.get());
  dc.SetTextColour(0x000000FF);
  dc.SetBackgroundMode(DrawContext::kTransparent);
  const Rect rect{5, 5, 12, 12};
  EXPECT_EQ(dc.DrawText("WWWW", -1, rect, 0), 16);
  ASSERT_GT(canvas.Count(1), 0);
  const Rect box = canvas.BoxOf(1);
  EXPECT_GE(box.left, rect.left);
  EXPECT_GE(box.top, rect.top);
  EXPECT_LE(box.right, rect.right);
  EXPECT_LE(box.bottom, rect.bottom);
  EXPECT_EQ(dc.DrawText("W", -1, Rect{5, 5, 5, 20}, 0), 0);
}

TEST_F(DrawContextText, TextRunningOffTheEdgesIsClipped) {
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  dc.SelectFont(font.get());
  dc.SetBackgroundMode(DrawContext::kTransparent);
  dc.SetTextColour(0x000000FF);
  const char* text = "Score:1234567890_\x83\x53\x83\x56";
  for (Point p : {Point{-7, -9}, Point{30, 20}, Point{-200, 5}, Point{5, -40}}) {
    dc.TextOut(p.x, p.y, text, -1);
  }
  EXPECT_TRUE(canvas.PaddingIntact());
}

TEST(FontMetrics, LongerTextIsWiderAtTheSameHeight) {
  for (int weight : {300, 700}) {
    FontParams params;
    params.height = 20;
    params.weight = weight;
    if (weight == 700) params.faceName = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
    auto font = Font::Create(params);
    if (!font->HasFace()) GTEST_SKIP() << "no font installed";
    const Size longer = font->Extent("Score:1234_", 11);
    const Size shorter = font->Extent("Score:5_", 8);
    EXPECT_GT(longer.cx, shorter.cx) << weight;
    EXPECT_EQ(longer.cy, shorter.cy);
    EXPECT_EQ(longer.cy, 20);
  }
  // A positive height is the cell height exactly, in either face.
  for (int height : {8, 12, 16, 20, 33, 64}) {
    for (bool bold : {false, true}) {
      FontParams params = LightModernFont(height);
      if (bold) {
        params.weight = 700;
        params.faceName = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
      }
      EXPECT_EQ(Font::Create(params)->CellHeight(), height) << height << " bold " << bold;
    }
  }
  // A negative height is the em size, so the cell is at least as tall.
  FontParams em;
  em.height = -20;
  auto font = Font::Create(em);
  EXPECT_GE(font->CellHeight(), 20);
}

TEST(FontMetrics, BoldIsAtLeastAsWideAsLight) {
  FontParams light;
  light.height = 20;
  light.weight = 300;
  FontParams bold = light;
  bold.weight = 700;
  auto a = Font::Create(light);
  auto b = Font::Create(bold);
  if (!a->HasFace() || !b->HasFace()) GTEST_SKIP() << "no font installed";
  EXPECT_GE(b->Extent("MMMM", 4).cx, a->Extent("MMMM", 4).cx);
}

TEST(Cp932, DecodesSingleAndDoubleByteText) {
  struct Case {
    std::string bytes;
    std::u32string codes;
  } cases[] = {
      {"Score:", U"Score:"},
      {"\x82\x6C\x82\x72\x20\x83\x53", U"\uFF2D\uFF33 \u30B4"},  // full-width MS, space, go
      {"\xB1", U"\uFF71"},                                       // half-width katakana a
      {"A\x82", U"A\uFFFD"},                                     // lead byte cut off at the end
      // Bytes that are no characters: each becomes U+FFFD alone, and a lead byte whose pair is
      // not in the code page costs only itself, the next byte starting a character again.
      {"\x80\xA0\xFD\xFE\xFF", U"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\x81\x20", U"\uFFFD "},
      {"\x85\x40", U"\uFFFD@"},
      // Microsoft's additions: NEC specials, NEC-selected and IBM extensions, the user area.
      {"\x87\x40\xED\x40\xFA\x40\xF0\x40", U"\u2460\u7E8A\u2170\uE000"},
      {"\x81\x5F\x5C\x81\x60", U"\uFF3C\\\uFF5E"},
      {"", U""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCp932(c.bytes.data(), static_cast<int>(c.bytes.size())), c.codes) << c.bytes;
  }
  EXPECT_EQ(DecodeCp932(nullptr, 5), U"");
}

// UTF-8 decoding: each malformed piece is one U+FFFD, and the bytes after it decode as usual.
// Every case is copied into a buffer of exactly its size, so a read past the end shows under the
// sanitizers.
TEST(Utf8, DecodesWellFormedTextAndReplacesEachMalformedPiece) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u32string codes;
  } cases[] = {
      {"empty", "", U""},
      {"ASCII", "Score:1", U"Score:1"},
      {"kana and kanji", "\xE3\x81\x82\xE3\x82\xAB\xE6\xBC\xA2", U"\u3042\u30AB\u6F22"},
      {"four bytes", "a\xF0\x9F\x98\x80z", U"a\U0001F600z"},
      {"embedded zero", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
      {"lone continuation",
       "a\x80\xBF"
       "b",
       U"a\uFFFD\uFFFDb"},
      {"cut at the end", "a\xE3\x81", U"a\uFFFD"},
      {"cut four-byte lead at the end", "\xF0", U"\uFFFD"},
      {"cut by ASCII", "\xE3\x81z", U"\uFFFDz"},
      {"cut by another lead", "\xE3\xE3\x81\x82", U"\uFFFD\u3042"},
      {"overlong slash", "\xC0\xAF", U"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},
      {"overlong four bytes", "\xF0\x8F\xBF\xBF", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"bytes never used", "\xF5\xFE\xFF", U"\uFFFD\uFFFD\uFFFD"},
      {"largest values", "\xEF\xBF\xBF\xF4\x8F\xBF\xBF", U"\uFFFF\U0010FFFF"},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<char[]> exact(new char[c.bytes.size() + 1]);
    std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
    EXPECT_EQ(DecodeUtf8(std::string_view(exact.get(), c.bytes.size())), c.codes) << c.name;
  }
}

// UTF-8 to the code page: what it has comes out as DecodeCp932 reads it back, each character it
// lacks and each malformed piece as one "?", and the text after either is unharmed.
TEST(Utf8, ConvertsToCp932WithOneReplacementPerMissingCharacter) {
  struct Case {
    const char* name;
    std::string utf8;
    std::string cp932;
  } cases[] = {
      {"ASCII", "Score:", "Score:"},
      {"hiragana", "\xE3\x81\x82", "\x82\xA0"},
      {"full-width katakana", "\xE3\x82\xB4", "\x83\x53"},
      {"half-width katakana", "\xEF\xBD\xB1", "\xB1"},
      {"kanji", "\xE6\xBC\xA2\xE5\xAD\x97", "\x8A\xBF\x8E\x9A"},
      {"full-width letters", "\xEF\xBC\xAD\xEF\xBC\xB3", "\x82\x6C\x82\x72"},
      {"NEC special", "\xE2\x91\xA0", "\x87\x40"},
      {"euro sign",
       "1\xE2\x82\xAC"
       "2",
       "1?2"},
      {"emoji", "\xF0\x9F\x98\x80!", "?!"},
      {"Latin letter the code page lacks", "caf\xC3\xA9", "caf?"},
      {"malformed then kana", "\x80\xE3\x81\x82", "?\x82\xA0"},
      {"cut sequence then ASCII",
       "\xE6\xBC"
       "A",
       "?A"},
      {"overlong",
       "\xC0\xAF"
       "A",
       "??A"},
      {"replacement character itself", "\xEF\xBF\xBD", "?"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932) << c.name;
    const std::string back =
        EncodeCp932(DecodeCp932(c.cp932.data(), static_cast<int>(c.cp932.size())));
    EXPECT_EQ(back, c.cp932) << c.name << ": the code page's bytes survive a round trip";
  }
}

TEST_F(DrawContextText, Utf8TextDrawsAsItsCp932Bytes) {
  struct Case {
    const char* utf8;
    const char* cp932;
  } cases[] = {
      {"Ab1", "Ab1"},
      {"\xE3\x82\xB4\xE6\xBC\xA2", "\x83\x53\x8A\xBF"},
      {"x\xE2\x82\xAC"
       "y",
       "x?y"},
  };
  for (const Case& c : cases) {
    Canvas8 viaUtf8;
    Canvas8 viaBytes;
    DrawContext a = viaUtf8.Context();
    DrawContext b = viaBytes.Context();
    for (DrawContext* dc : {&a, &b}) {
      dc->SelectFont(font.get());
      dc->SetTextColour(0x000000FF);
      dc->SetBackgroundMode(DrawContext::kTransparent);
    }
    EXPECT_TRUE(a.TextOutUtf8(2, 3, c.utf8));
    b.TextOut(2, 3, c.cp932, -1);
    EXPECT_EQ(viaUtf8.bytes, viaBytes.bytes) << c.cp932;
    EXPECT_EQ(a.GetTextExtentUtf8(c.utf8).cx, b.GetTextExtent(c.cp932, -1).cx) << c.cp932;
    EXPECT_EQ(a.DrawTextUtf8(c.utf8, Rect{0, 0, 10, 10}), 16);
  }
  // A missing character takes room, so the text after it is not drawn over it.
  Canvas8 canvas;
  DrawContext dc = canvas.Context();
  dc.SelectFont(font.get());
  EXPECT_GT(dc.GetTextExtentUtf8("a\xF0\x9F\x98\x80").cx, dc.GetTextExtentUtf8("a").cx);
}

}  // namespace
}  // namespace oru
