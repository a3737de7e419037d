/// \file
/// MouseCursor: a surface that follows the mouse pointer, decides when the system cursor shows,
/// and turns mouse button states into clicks.
///
/// Usage (primary thread, from the window's mouse-move and set-cursor handlers):
///   MouseCursor mouse;                 // hidden; both buttons count as already pressed
///   mouse.Update();                    // follow the pointer, show or hide the system cursor
///   if (mouse.LeftClicked()) ...       // 1 once per press of the left button
///
/// Inside its area (the client rectangle, edges excluded) a visible cursor surface replaces the
/// system cursor; outside it the system cursor comes back, except in full-screen mode. A button
/// that is down when the cursor is made does not count as a click until it has been released.
#pragma once

#include <cstdint>

#include "oru/graphics/surface.h"
#include "oru/platform/messages.h"

namespace oru {

/// A surface drawn at the pointer in place of the system cursor while the pointer is in its area.
class MouseCursor : public Surface {
 public:
  MouseCursor();
  /// Gives back the system cursor if this cursor hid it.
  ~MouseCursor() override;

  /// Reads the pointer, moves the picture so its hot spot is there, and hides or shows the
  /// system cursor as the pointer enters or leaves the area. Once per frame on the game thread.
  void Update();
  /// 1 once for each press of the left button (it must be released before it counts again).
  int LeftClicked();
  /// 1 once for each press of the right button.
  int RightClicked();

  ///@{
  /// The pointer position inside the cursor picture.
  void SetHotSpot(int x, int y) {
    hotSpotX = x;
    hotSpotY = y;
  }
  /// The client-area rectangle in which the cursor surface replaces the system cursor.
  void SetArea(const Rect& area) {
    areaLeft = area.left;
    areaTop = area.top;
    areaRight = area.right;
    areaBottom = area.bottom;
  }
  /// The window whose client coordinates the pointer is read in.
  void SetWindow(WindowHandle handle) { window = handle; }
  int SystemCursorShown() const { return systemCursorShown; }
  ///@}

 private:
  static int Clicked(int vk, std::int32_t& latch);

  std::int32_t rightLatch = 1;
  std::int32_t leftLatch = 1;
  std::int32_t hotSpotX = 0;
  std::int32_t hotSpotY = 0;
  std::int32_t areaLeft = 0;
  std::int32_t areaTop = 0;
  std::int32_t areaRight = 640;
  std::int32_t areaBottom = 480;
  std::int32_t systemCursorShown = 1;
  WindowHandle window = nullptr;
};

}  // namespace oru
