/// \file
/// Message numbers and records of the window dispatcher. The platform's event loop translates
/// its events into these numbers; the window objects above it see nothing else.
#pragma once

#include <cstdint>

namespace oru {

/// Opaque native window; a handle is null until the window exists.
struct NativeWindow;
/// A window of the platform; null for none.
using WindowHandle = NativeWindow*;

/// What a window handler returns for a message.
using MessageResult = std::intptr_t;
/// First parameter of a message.
using WParam = std::uintptr_t;
/// Second parameter of a message.
using LParam = std::intptr_t;

/// Message numbers, as on Windows.
enum Message : unsigned {
  WM_NULL = 0,
  WM_CREATE = 1,
  WM_DESTROY = 2,
  WM_SIZE = 5,
  WM_ACTIVATE = 6,
  WM_PAINT = 15,
  WM_CLOSE = 16,
  WM_QUIT = 18,
  WM_SETCURSOR = 32,
  WM_GETMINMAXINFO = 36,
  WM_KEYDOWN = 256,
  WM_KEYUP = 257,
  WM_CHAR = 258,
  WM_MOUSEMOVE = 512,
  WM_LBUTTONDOWN = 513,
  WM_LBUTTONUP = 514,
  WM_RBUTTONDOWN = 516,
  WM_RBUTTONUP = 517,
  WM_DROPFILES = 563,
};

/// WM_ACTIVATE's low word of wParam.
enum : unsigned { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

/// A point in pixels.
struct Point {
  /// Column, left to right.
  std::int32_t x;
  /// Row, top to bottom.
  std::int32_t y;
};

/// A rectangle in pixels: left and top inside it, right and bottom just outside.
struct Rect {
  /// First column inside.
  std::int32_t left;
  /// First row inside.
  std::int32_t top;
  /// First column past the right edge.
  std::int32_t right;
  /// First row past the bottom edge.
  std::int32_t bottom;
};

/// Size limits a window handler may set in answer to WM_GETMINMAXINFO.
struct MinMaxInfo {
  /// Not used.
  Point reserved;
  /// Size of a maximised window.
  Point maxSize;
  /// Position of a maximised window.
  Point maxPosition;
  /// Smallest size the user may drag the window to.
  Point minTrackSize;
  /// Largest size the user may drag the window to.
  Point maxTrackSize;
};

/// Bits 0-15 of v.
inline constexpr std::uint16_t LowWord(std::uintptr_t v) {
  return static_cast<std::uint16_t>(v & 0xFFFF);
}
/// Bits 16-31 of v.
inline constexpr std::uint16_t HighWord(std::uintptr_t v) {
  return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}
/// low in bits 0-15 and high in bits 16-31.
inline constexpr LParam MakeLParam(std::uint16_t low, std::uint16_t high) {
  return static_cast<LParam>(static_cast<std::uint32_t>(low) |
                             (static_cast<std::uint32_t>(high) << 16));
}

}  // namespace oru
