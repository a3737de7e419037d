// Full-screen presentation on a fake display: entering and leaving, every failing step of
// entering, the off-screen fallback, lost displays and palette mirroring.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "oru/graphics/screen_surface.h"
#include "oru/platform/canvas.h"
#include "oru/platform/fake_display.h"
#include "oru/platform/native_window.h"
#include "tests/support/fake_canvas.h"

namespace oru {
namespace {

unsigned nextFailing = 0;
std::unique_ptr<Display> MakeFake() {
  auto fake = std::make_unique<FakeDisplay>();
  fake->failing = nextFailing;
  return fake;
}
std::unique_ptr<Display> MakeNothing() { return nullptr; }

MessageResult PlainProc(WindowHandle w, unsigned message, WParam wParam, LParam lParam) {
  return DefWindowProc(w, message, wParam, lParam);
}

// A 640 x 480 screen over a patterned backdrop with one sprite, composed once, on a fake
// display whose failing steps are given before the screen is made.
class FullScreenTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetDisplayFactory(&CreateSystemDisplay);
    nextFailing = 0;
  }

  void Make(unsigned failing, int width = 640, int height = 480) {
    nextFailing = failing;
    SetDisplayFactory(&MakeFake);
    screen_ = std::make_unique<ScreenSurface>();
    ASSERT_EQ(screen_->Create(width, height), 1);
    ASSERT_EQ(background_.Create(width, height), 1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        background_.Lock()[y * background_.Pitch() + x] =
            static_cast<std::uint8_t>((x + 3 * y) % 200);
    ASSERT_EQ(sprite_.Create(10, 10), 1);
    sprite_.Fill(249);
    sprite_.SetPosition(100, 50);
    layer_.AddChild(&sprite_);
    screen_->SetBackdrop(&background_);
    screen_->SetScene(&layer_);
    screen_->Update(&canvas_, 0, 0);
    canvas_.shown.clear();
  }

  FakeDisplay* Fake() { return static_cast<FakeDisplay*>(ScreenSurface::DisplayObject()); }

  // Whether the picture the screen composed (backdrop and sprite) is what pixels hold.
  ::testing::AssertionResult HoldsPicture(const std::uint8_t* pixels, int pitch) {
    for (int y = 0; y < background_.Height(); ++y)
      for (int x = 0; x < background_.Width(); ++x) {
        const bool onSprite = x >= 100 && x < 110 && y >= 50 && y < 60;
        const int expected = onSprite ? 249 : background_.PixelAt(x, y);
        if (pixels[y * pitch + x] != expected)
          return ::testing::AssertionFailure()
                 << "pixel " << x << "," << y << " is " << int{pixels[y * pitch + x]};
      }
    return ::testing::AssertionSuccess();
  }

  std::unique_ptr<ScreenSurface> screen_;
  Surface background_, layer_, sprite_;
  FakeCanvas canvas_;
};

TEST_F(FullScreenTest, EnterAndLeaveCarryThePictureAndRedrawEverything) {
  Make(0);
  const Rect clip{5, 6, 600, 400};
  screen_->SetClipRect(&clip);
  screen_->fullRedraw = 0;

  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  EXPECT_EQ(ScreenSurface::IsFullScreen(), 1);
  FakeDisplay* fake = Fake();
  ASSERT_NE(fake, nullptr);
  EXPECT_EQ(fake->calls, (std::vector<std::string>{"cooperative 17", "mode 640x480x8", "primary",
                                                   "palette", "clipper", "off-screen 640x480"}));
  ASSERT_NE(screen_->offScreen, nullptr);
  EXPECT_EQ(screen_->Lock(), screen_->offScreen->Lock(nullptr));
  EXPECT_TRUE(HoldsPicture(screen_->Lock(), screen_->Pitch()));
  EXPECT_EQ(screen_->fullRedraw, 1);
  EXPECT_EQ(screen_->clipLeft, 5);
  EXPECT_EQ(screen_->clipBottom, 400);
  // The display palette mirrors the surface's.
  PaletteEntry entries[256];
  screen_->palette->GetEntries(0, 256, entries);
  EXPECT_EQ(screen_->displayPalette->Entries()[200].green, entries[200].green);

  // The first frame copies the whole picture to the visible surface; the canvas is not used.
  screen_->Update(&canvas_, 0, 0);
  EXPECT_TRUE(canvas_.shown.empty());
  ASSERT_FALSE(fake->shown.empty());
  EXPECT_TRUE(HoldsPicture(screen_->primary->PixelsForShow(), screen_->primary->Pitch()));
  // Then only the changed tiles.
  fake->shown.clear();
  sprite_.SetPosition(102, 50);
  screen_->Update(&canvas_, 0, 0);
  ASSERT_FALSE(fake->shown.empty());
  for (const Rect& r : fake->shown) EXPECT_LE(r.right - r.left, 2 * 48);
  EXPECT_EQ(screen_->primary->PixelsForShow()[50 * 640 + 111], 249);

  ASSERT_EQ(screen_->SetFullScreen(0), 0);
  EXPECT_EQ(ScreenSurface::IsFullScreen(), 0);
  EXPECT_FALSE(fake->Taken());
  EXPECT_FALSE(fake->modeSet);
  EXPECT_EQ(screen_->offScreen, nullptr);
  EXPECT_EQ(screen_->primary, nullptr);
  EXPECT_EQ(screen_->fullRedraw, 1);
  EXPECT_EQ(screen_->clipTop, 6);
  // The fresh bitmap is repainted by the next frame, which presents everything to the window.
  screen_->Update(&canvas_, 0, 0);
  ASSERT_EQ(canvas_.shown.size(), 1u);
  EXPECT_EQ(canvas_.shown[0].right, 640);
  EXPECT_EQ(canvas_.shown[0].bottom, 480);
  EXPECT_EQ(screen_->PixelAt(103, 55), 249);
  EXPECT_EQ(screen_->PixelAt(300, 300), background_.PixelAt(300, 300));
}

TEST_F(FullScreenTest, RepeatedRequestsOnlyRedraw) {
  Make(0);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  const std::size_t calls = Fake()->calls.size();
  screen_->fullRedraw = 0;
  EXPECT_EQ(screen_->SetFullScreen(1), 1);
  EXPECT_EQ(Fake()->calls.size(), calls);
  EXPECT_EQ(screen_->fullRedraw, 1);
  ASSERT_EQ(screen_->SetFullScreen(0), 0);
  screen_->fullRedraw = 0;
  EXPECT_EQ(screen_->SetFullScreen(0), 0);
  EXPECT_EQ(screen_->fullRedraw, 1);
}

TEST_F(FullScreenTest, DestroyingTheScreenGivesTheDisplayBack) {
  Make(0);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  FakeDisplay* fake = Fake();
  screen_.reset();
  EXPECT_FALSE(fake->Taken());
  EXPECT_FALSE(fake->modeSet);
  EXPECT_EQ(ScreenSurface::IsFullScreen(), 0);
}

TEST_F(FullScreenTest, EveryFailingStepLeavesTheScreenWindowed) {
  if (!StartVideo()) GTEST_SKIP() << "no SDL video driver";
  RegisterWindowClass("ORUFULLSCREENTEST", &PlainProc);
  const unsigned steps[] = {FakeDisplay::kCooperativeLevel, FakeDisplay::kDisplayMode,
                            FakeDisplay::kPrimary,          FakeDisplay::kBackBuffer,
                            FakeDisplay::kLockBackBuffer,   FakeDisplay::kPalette,
                            FakeDisplay::kClipper};
  for (unsigned step : steps) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    Make(step);
    const WindowHandle window = CreateNativeWindow("ORUFULLSCREENTEST", "test", WS_OVERLAPPEDWINDOW,
                                                   kUseDefault, kUseDefault, 640, 480);
    ASSERT_NE(window, nullptr);
    SetWindowExStyle(window, 0x200);
    screen_->window = window;
    std::uint8_t* pixels = screen_->Lock();
    screen_->fullRedraw = 0;

    EXPECT_EQ(screen_->SetFullScreen(1), 0);
    EXPECT_EQ(ScreenSurface::IsFullScreen(), 0);
    EXPECT_EQ(GetWindowStyle(window), WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(GetWindowExStyle(window), 0x200u);
    ASSERT_NE(Fake(), nullptr);
    EXPECT_FALSE(Fake()->Taken());
    EXPECT_FALSE(Fake()->modeSet);
    EXPECT_EQ(screen_->primary, nullptr);
    EXPECT_EQ(screen_->offScreen, nullptr);
    EXPECT_EQ(screen_->displayPalette, nullptr);
    EXPECT_EQ(screen_->Lock(), pixels);
    EXPECT_TRUE(HoldsPicture(pixels, screen_->Pitch()));
    EXPECT_EQ(screen_->fullRedraw, 1);
    // Still working windowed: the next frame goes to the canvas.
    screen_->Update(&canvas_, 0, 0);
    EXPECT_EQ(canvas_.shown.size(), 1u);
    DestroyNativeWindow(window);
    screen_.reset();
  }
}

TEST_F(FullScreenTest, WithoutADisplayFullScreenIsRefused) {
  for (DisplayFactory factory : {&MakeNothing, static_cast<DisplayFactory>(nullptr)}) {
    SetDisplayFactory(factory);
    ScreenSurface screen;
    ASSERT_EQ(screen.Create(64, 64), 1);
    EXPECT_EQ(screen.SetFullScreen(1), 0);
    EXPECT_EQ(ScreenSurface::IsFullScreen(), 0);
    EXPECT_EQ(ScreenSurface::DisplayObject(), nullptr);
  }
}

TEST_F(FullScreenTest, PixelsThatCannotMoveStayInTheSurfacesOwnBitmap) {
  for (unsigned step : {FakeDisplay::kOffScreen, FakeDisplay::kLockOffScreen}) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    Make(step);
    ASSERT_EQ(screen_->SetFullScreen(1), 1);
    EXPECT_EQ(screen_->offScreen, nullptr);
    ASSERT_NE(screen_->Lock(), nullptr);
    EXPECT_TRUE(HoldsPicture(screen_->Lock(), screen_->Pitch()));
    // Presents go through the back buffer to the visible picture.
    screen_->Update(&canvas_, 0, 0);
    EXPECT_TRUE(canvas_.shown.empty());
    ASSERT_FALSE(Fake()->shown.empty());
    EXPECT_TRUE(HoldsPicture(screen_->primary->PixelsForShow(), screen_->primary->Pitch()));
    ASSERT_EQ(screen_->SetFullScreen(0), 0);
    screen_.reset();
  }
}

TEST_F(FullScreenTest, ALostDisplayIsRestoredBeforeAPresent) {
  Make(0);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  screen_->Update(&canvas_, 0, 0);
  FakeDisplay* fake = Fake();

  fake->MarkLost();
  EXPECT_EQ(screen_->primary->IsLost(), 1);
  fake->shown.clear();
  screen_->MarkDirty(300, 300, 10, 10);
  EXPECT_EQ(screen_->PresentDirty(&canvas_, 0, 0), 1);
  EXPECT_EQ(screen_->primary->IsLost(), 0);
  // Restored, the whole picture is shown again.
  ASSERT_FALSE(fake->shown.empty());
  EXPECT_EQ(fake->shown[0].right - fake->shown[0].left, 640);
  EXPECT_EQ(fake->shown[0].bottom - fake->shown[0].top, 480);

  // While the display cannot be restored nothing is presented, but the game goes on composing
  // into the off-screen pixels; the first present after restoring shows all of it.
  fake->failing = FakeDisplay::kRestore;
  fake->MarkLost();
  fake->shown.clear();
  sprite_.SetPosition(300, 300);
  EXPECT_EQ(screen_->Update(&canvas_, 0, 0), 1);
  EXPECT_TRUE(fake->shown.empty());
  EXPECT_EQ(screen_->PresentDirty(&canvas_, 0, 0), 0);
  ASSERT_NE(screen_->Lock(), nullptr);
  EXPECT_EQ(screen_->PixelAt(305, 305), 249);

  fake->failing = 0;
  EXPECT_EQ(screen_->PresentDirty(&canvas_, 0, 0), 1);
  ASSERT_FALSE(fake->shown.empty());
  EXPECT_EQ(screen_->primary->PixelsForShow()[305 * 640 + 305], 249);
  EXPECT_EQ(screen_->primary->PixelsForShow()[55 * 640 + 105], background_.PixelAt(105, 55));
}

TEST_F(FullScreenTest, AnOddWidthGetsAWholeWordOffScreenRow) {
  Make(0, 638, 480);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  EXPECT_EQ(Fake()->calls.back(), "off-screen 640x480");
  EXPECT_EQ(screen_->Pitch(), 640);
  EXPECT_EQ(screen_->Width(), 638);
  EXPECT_TRUE(HoldsPicture(screen_->Lock(), screen_->Pitch()));
  EXPECT_EQ(screen_->Lock()[479 * 640 + 639], 0);
}

TEST_F(FullScreenTest, PaletteChangesAndDrawingReachTheDisplay) {
  Make(0);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  PaletteTable table;
  table.AddColourCube();
  table.entries[20 * 4 + 2] = 0x12;  // red of entry 20
  screen_->ApplyPaletteTable(table);
  PaletteEntry entries[256];
  screen_->palette->GetEntries(0, 256, entries);
  EXPECT_EQ(screen_->displayPalette->Entries()[20].red, entries[20].red);
  EXPECT_EQ(entries[20].red, 0x12);

  Surface other;
  ASSERT_EQ(other.Create(1, 1), 1);
  other.colourTable[30 * 4 + 1] = 0x77;  // green of entry 30
  other.palette->SetFromInfo(*other.info);
  screen_->CopyPaletteFrom(&other);
  EXPECT_EQ(screen_->displayPalette->Entries()[30].green, 0x77);

  // Text and shapes go into the off-screen pixels.
  EXPECT_EQ(screen_->FillRectIndex(Rect{0, 0, 4, 4}, 77), 1);
  EXPECT_EQ(screen_->offScreen->PixelsForShow()[3 * 640 + 3], 77);
  EXPECT_EQ(screen_->FillRectColour(Rect{10, 10, 12, 12}, 0x000000), 1);
  EXPECT_EQ(screen_->offScreen->PixelsForShow()[10 * 640 + 10],
            screen_->palette->NearestIndex(0x000000));
}

TEST_F(FullScreenTest, TheClipperIsAttachedOnlyWhenEnabled) {
  Make(0);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  ASSERT_NE(screen_->clipper, nullptr);
  EXPECT_EQ(screen_->primary->Clipper(), nullptr);
  screen_->SetClipperEnabled(1);
  EXPECT_EQ(screen_->primary->Clipper(), screen_->clipper.get());
  screen_->SetClipperEnabled(0);
  EXPECT_EQ(screen_->primary->Clipper(), nullptr);

  // Enabled before entering, it is attached as the display is taken.
  ASSERT_EQ(screen_->SetFullScreen(0), 0);
  screen_->SetClipperEnabled(1);
  ASSERT_EQ(screen_->SetFullScreen(1), 1);
  EXPECT_EQ(screen_->primary->Clipper(), screen_->clipper.get());
}

}  // namespace
}  // namespace oru
