// GDI fonts: code page 932 text drawn through a memory context into 8-bit pixels, measured the way
// it is drawn, clipped without shifting, and the faces that stand in when the Gothic ones are
// missing. Glyph shapes differ between machines, so the checks compare drawings with drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "oru/platform/draw_context.h"
#include "oru/platform/font.h"
#include "oru/platform/win32/font_internal.h"
#include "tests/support/padded_pixels.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {
namespace {

// ＭＳ ゴシック, the face the score line asks for.
const std::string kGothicName = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

// An 8-bit image with padding after each row, drawn on in one ink.
struct Canvas : test::PaddedPixels<240, 40, 248> {
  static constexpr std::uint8_t kInk = 7;

  static Rect Whole() { return Rect{0, 0, kWidth, kHeight}; }
  void Draw(const Font& font, const std::string& text, int x, int y, const Rect& clip = Whole()) {
    font.Render(text.data(), static_cast<int>(text.size()), x, y, bytes.data(), kPitch, clip, kInk);
  }
  // The smallest rectangle holding every inked pixel; left > right when there is none.
  Rect InkBox() const { return BoxOf(kInk); }
  bool operator==(const Canvas& other) const { return bytes == other.bytes; }
};

// Where the text's first and last characters end and begin: a lead byte starts two bytes.
bool IsLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
std::size_t FirstCharacterEnd(const std::string& text) { return IsLeadByte(text[0]) ? 2 : 1; }
std::size_t LastCharacterStart(const std::string& text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) start = i;
  return start;
}

FontParams GothicBold(int height) {
  FontParams params = LightModernFont(height);
  params.weight = 700;
  params.faceName = kGothicName;
  return params;
}

// The fonts the library draws with: its light modern text font and the score line's bold Gothic.
struct NamedParams {
  const char* name;
  FontParams params;
};
const NamedParams kFonts[] = {{"light modern 16", LightModernFont(16)},
                              {"bold Gothic 20", GothicBold(20)}};

// ASCII, full-width and half-width Japanese, and the two mixed.
const std::string kTexts[] = {
    "Score:0042",
    kGothicName,
    "\xB1\xB2\xB3",  // half-width katakana a, i, u
    "Hi-Score \x83\x53\x83\x56 99",
};

TEST(Win32FontText, DrawsAsciiAndJapaneseInsideTheCellItMeasures) {
  for (const NamedParams& f : kFonts) {
    auto font = Font::Create(f.params);
    ASSERT_TRUE(font->HasFace()) << f.name;
    for (const std::string& text : kTexts) {
      Canvas canvas;
      canvas.Draw(*font, text, 4, 3);
      const Size extent = font->Extent(text.data(), static_cast<int>(text.size()));
      SCOPED_TRACE(std::string(f.name) + ": " + text);
      EXPECT_GT(canvas.Count(Canvas::kInk), extent.cx / 4);  // more than a stray pixel or two
      EXPECT_EQ(extent.cy, f.params.height);
      const Rect box = canvas.InkBox();
      EXPECT_GE(box.left, 4);
      EXPECT_GE(box.top, 3);
      // A bold face may reach one pixel past its last advance.
      EXPECT_LE(box.right, 4 + extent.cx + 1);
      EXPECT_LE(box.bottom, 3 + extent.cy);
      // The last character is drawn where the measure says: ink reaches into its advance.
      const std::string head = text.substr(0, LastCharacterStart(text));
      EXPECT_GT(box.right, 4 + font->Extent(head.data(), static_cast<int>(head.size())).cx);
      EXPECT_TRUE(canvas.PaddingIntact());
    }
  }
}

// Drawing a string in two pieces, the second where the first one's extent ends, gives the same
// pixels as drawing it whole: measuring and drawing agree on every advance.
TEST(Win32FontText, MeasuringAgreesWithDrawing) {
  for (const NamedParams& f : kFonts) {
    auto font = Font::Create(f.params);
    ASSERT_TRUE(font->HasFace());
    for (const std::string& text : kTexts) {
      const std::size_t split = FirstCharacterEnd(text);
      const std::string head = text.substr(0, split);
      const std::string tail = text.substr(split);
      Canvas whole;
      whole.Draw(*font, text, 6, 2);
      Canvas pieces;
      pieces.Draw(*font, head, 6, 2);
      pieces.Draw(*font, tail, 6 + font->Extent(head.data(), static_cast<int>(head.size())).cx, 2);
      EXPECT_TRUE(whole == pieces) << f.name << ": " << text;
      const Size all = font->Extent(text.data(), static_cast<int>(text.size()));
      const Size a = font->Extent(head.data(), static_cast<int>(head.size()));
      const Size b = font->Extent(tail.data(), static_cast<int>(tail.size()));
      EXPECT_EQ(all.cx, a.cx + b.cx) << f.name << ": " << text;
    }
  }
}

// A clip rectangle only removes pixels: what is left sits exactly where the unclipped drawing put
// it, whether the clip cuts through glyphs or the text starts outside the pixels.
TEST(Win32FontText, ClippingRemovesPixelsWithoutMovingThem) {
  auto font = Font::Create(GothicBold(20));
  ASSERT_TRUE(font->HasFace());
  const std::string text = "Score:12 " + kGothicName;
  struct Case {
    Point at;
    Rect clip;
  } cases[] = {
      {{5, 5}, {0, 0, Canvas::kWidth, Canvas::kHeight}},
      {{5, 5}, {9, 11, 30, 17}},                             // through the first glyphs
      {{5, 5}, {60, 0, Canvas::kWidth, Canvas::kHeight}},    // the end of the text only
      {{-37, -6}, {0, 0, Canvas::kWidth, Canvas::kHeight}},  // off the top left
      {{200, 28}, {180, 30, 238, 39}},                       // off the bottom right
      {{5, 5}, {20, 20, 20, 30}},                            // empty clip
  };
  for (const Case& c : cases) {
    Canvas full;
    full.Draw(*font, text, c.at.x, c.at.y);
    Canvas clipped;
    clipped.Draw(*font, text, c.at.x, c.at.y, c.clip);
    Canvas expected;
    for (int y = c.clip.top; y < c.clip.bottom; ++y) {
      for (int x = c.clip.left; x < c.clip.right; ++x) {
        expected.bytes[y * Canvas::kPitch + x] = full.At(x, y);
      }
    }
    EXPECT_TRUE(clipped == expected) << c.at.x << "," << c.at.y << " clip " << c.clip.left << ","
                                     << c.clip.top << "," << c.clip.right << "," << c.clip.bottom;
    EXPECT_TRUE(clipped.PaddingIntact());
  }
}

TEST(Win32FontText, EmptyAndInvalidText) {
  auto font = Font::Create(LightModernFont(16));
  ASSERT_TRUE(font->HasFace());
  // Nothing to draw: no pixels, no extent.
  Canvas canvas;
  canvas.Draw(*font, "", 0, 0);
  font->Render(nullptr, 5, 0, 0, canvas.bytes.data(), Canvas::kPitch, Canvas::Whole(), 7);
  font->Render("abc", -1, 0, 0, canvas.bytes.data(), Canvas::kPitch, Canvas::Whole(), 7);
  EXPECT_EQ(canvas.Count(Canvas::kInk), 0);
  for (int length : {0, -1}) {
    const Size size = font->Extent("abc", length);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, 0);
  }
  EXPECT_EQ(font->Extent(nullptr, 3).cx, 0);
  // Invalid bytes read as U+FFFD, each alone, and do not swallow what follows: texts that decode
  // alike measure and draw alike.
  struct Case {
    std::string text;
    std::string same;
  } cases[] = {
      {"A\x82", "A\x80"},  // a lead byte cut off at the end
      {"\x81\x20"
       "B",
       "\xA0 B"},  // a lead byte whose pair is no character
      {"\xFD\xFE\xFF", "\x80\x80\x80"},
  };
  for (const Case& c : cases) {
    const Size a = font->Extent(c.text.data(), static_cast<int>(c.text.size()));
    const Size b = font->Extent(c.same.data(), static_cast<int>(c.same.size()));
    EXPECT_EQ(a.cx, b.cx) << c.text;
    EXPECT_GT(a.cx, 0) << c.text;
    Canvas one;
    one.Draw(*font, c.text, 3, 3);
    Canvas two;
    two.Draw(*font, c.same, 3, 3);
    EXPECT_TRUE(one == two) << c.text;
  }
}

TEST(Win32FontFaces, CandidatesPutANamedFaceFirstThenTheGothicFaces) {
  const std::wstring msGothic = L"MS Gothic";
  const std::wstring msPGothic = L"MS PGothic";
  FontParams named = LightModernFont(16);
  named.faceName = "Courier New";
  FontParams modern = LightModernFont(16);
  FontParams swiss = LightModernFont(16);
  swiss.pitchAndFamily = 32;  // swiss family: proportional faces
  FontParams invalid = LightModernFont(16);
  invalid.faceName = "\x80\x81";
  FontParams tooLong = LightModernFont(16);
  tooLong.faceName = std::string(40, 'x');
  struct Case {
    const char* name;
    FontParams params;
    std::wstring first;
    std::wstring contains;
  } cases[] = {
      {"named", named, L"Courier New", msGothic},
      {"Gothic named in Japanese", GothicBold(20), L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF",
       msGothic},
      {"modern", modern, msGothic, msGothic},
      {"swiss", swiss, msPGothic, L"Meiryo"},
      {"invalid name", invalid, msGothic, msGothic},
      {"name too long", tooLong, msGothic, msGothic},
  };
  for (const Case& c : cases) {
    const std::vector<std::wstring> names = win32::FaceCandidates(c.params);
    ASSERT_FALSE(names.empty()) << c.name;
    EXPECT_EQ(names.front(), c.first) << c.name;
    EXPECT_NE(std::find(names.begin(), names.end(), c.contains), names.end()) << c.name;
    // No name is tried twice.
    std::vector<std::wstring> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << c.name;
  }
}

// Without any Gothic face (as under Wine, or with them hidden on a Japanese system) the fonts
// fall back to a face GDI picks, which still measures, draws and keeps the asked cell height.
TEST(Win32FontFaces, TheFallbackFaceWorksWithoutTheGothicFaces) {
  std::vector<std::wstring> gothic;
  for (const NamedParams& f : kFonts) {
    for (const std::wstring& name : win32::FaceCandidates(f.params)) gothic.push_back(name);
  }
  gothic.push_back(L"MS PGothic");
  win32::HideFacesForTesting(gothic);
  for (const NamedParams& f : kFonts) {
    // GDI picks the face itself; on a Japanese system its pick may well be a Gothic face again.
    EXPECT_EQ(win32::RequestedFaceName(f.params), L"") << f.name;
    const std::wstring face = win32::SelectedFaceName(f.params);
    RecordProperty(std::string("fallback face for ") + f.name, win32::Narrow(face.c_str()));
    EXPECT_FALSE(face.empty()) << f.name;
    auto font = Font::Create(f.params);
    ASSERT_TRUE(font->HasFace()) << f.name;
    EXPECT_EQ(font->CellHeight(), f.params.height) << f.name;
    for (const std::string& text : {std::string("Score:7"), kGothicName}) {
      Canvas canvas;
      canvas.Draw(*font, text, 2, 2);
      EXPECT_GT(canvas.Count(Canvas::kInk), 0) << f.name << ": " << text;
      EXPECT_GT(font->Extent(text.data(), static_cast<int>(text.size())).cx, 0);
    }
  }
  // Sizes the library uses: the cell is exactly as tall as asked, whatever the fallback face.
  for (int height : {8, 12, 16, 20, 33, 64}) {
    EXPECT_EQ(Font::Create(LightModernFont(height))->CellHeight(), height) << height;
    EXPECT_EQ(Font::Create(GothicBold(height))->CellHeight(), height) << height;
  }
  win32::HideFacesForTesting({});
}

// With no face at all a font still exists, measures nothing and draws nothing.
TEST(Win32FontFaces, WithoutAnyFaceTextMeasuresAndDrawsNothing) {
  Font::Default();  // made beforehand, as a program's first text would
  win32::SetNoFacesForTesting(true);
  auto font = Font::Create(LightModernFont(20));
  const std::wstring face = win32::SelectedFaceName(LightModernFont(20));
  win32::SetNoFacesForTesting(false);
  EXPECT_FALSE(font->HasFace());
  EXPECT_TRUE(face.empty());
  EXPECT_EQ(font->CellHeight(), 0);
  const Size size = font->Extent("Score:1", 7);
  EXPECT_EQ(size.cx, 0);
  EXPECT_EQ(size.cy, 0);
  Canvas canvas;
  std::vector<std::uint8_t> table(1024, 0);
  table[Canvas::kInk * 4 + 2] = 255;  // the ink entry is red
  DrawContext dc(canvas.bytes.data(), Canvas::kPitch, Canvas::kWidth, Canvas::kHeight,
                 table.data());
  dc.SelectFont(font.get());
  dc.SetTextColour(0x000000FF);
  dc.SetBackgroundMode(DrawContext::kOpaque);
  EXPECT_TRUE(dc.TextOut(0, 0, "Score:1", -1));
  EXPECT_EQ(dc.GetTextExtent("Score:1", -1).cx, 0);
  EXPECT_EQ(canvas.Count(Canvas::kInk), 0);
  // A font made afterwards has its face again.
  EXPECT_TRUE(Font::Create(LightModernFont(20))->HasFace());
}

// The memory context and its DIB are shared: threads drawing at once, long and short text in
// turn (so the DIB grows while others use it), each get the picture they get alone.
TEST(Win32FontThreads, ThreadsDrawingAtOnceGetTheirOwnPictures) {
  struct Job {
    FontParams params;
    std::string text;
    Canvas expected;
    bool same = true;
  };
  std::vector<Job> jobs(4);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    jobs[i].params = i % 2 == 0 ? LightModernFont(12 + 4 * static_cast<int>(i)) : GothicBold(20);
    jobs[i].text = i < 2 ? "1" : "Hi-Score:1234567890 " + kGothicName;
    auto font = Font::Create(jobs[i].params);
    ASSERT_TRUE(font->HasFace());
    jobs[i].expected.Draw(*font, jobs[i].text, static_cast<int>(i), 1);
  }
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([&job = jobs[i], i] {
      auto font = Font::Create(job.params);
      for (int round = 0; round < 1000 && job.same; ++round) {
        Canvas canvas;
        canvas.Draw(*font, job.text, static_cast<int>(i), 1);
        job.same = canvas == job.expected;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t i = 0; i < jobs.size(); ++i) EXPECT_TRUE(jobs[i].same) << i;
}

}  // namespace
}  // namespace oru
