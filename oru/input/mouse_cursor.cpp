// The mouse cursor surface: pointer following, the system cursor rule and click latches.
#include "oru/input/mouse_cursor.h"

#include "oru/graphics/screen_surface.h"
#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"
#include "oru/platform/mouse.h"

namespace oru {
namespace {

bool ButtonDown(int vk) { return GetAsyncKeyState(vk) != 0; }

}  // namespace

MouseCursor::MouseCursor() { SetVisible(0); }

MouseCursor::~MouseCursor() {
  // The show counter is process-wide: a hide left standing would keep the cursor away for good.
  if (!systemCursorShown) ShowCursor(true);
}

void MouseCursor::Update() {
  Point p{0, 0};
  if (GetCursorPos(&p)) {
    if (window) ScreenToClient(window, &p);
    SetPosition(p.x - hotSpotX, p.y - hotSpotY);
    if (areaLeft < p.x && areaTop < p.y && p.x < areaRight && p.y < areaBottom) {
      if (IsVisible() && systemCursorShown) {
        ShowCursor(false);
        systemCursorShown = 0;
      }
    } else if (!ScreenSurface::IsFullScreen() && !systemCursorShown) {
      ShowCursor(true);
      systemCursorShown = 1;
    }
  }
  if (!ButtonDown(VK_RBUTTON)) rightLatch = 0;
  if (!ButtonDown(VK_LBUTTON)) leftLatch = 0;
}

int MouseCursor::Clicked(int vk, std::int32_t& latch) {
  if (!ButtonDown(vk)) {
    latch = 0;
    return 0;
  }
  if (latch) return 0;
  latch = 1;
  return 1;
}

int MouseCursor::LeftClicked() { return Clicked(VK_LBUTTON, leftLatch); }

int MouseCursor::RightClicked() { return Clicked(VK_RBUTTON, rightLatch); }

}  // namespace oru
