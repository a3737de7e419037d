/// \file
/// Native windows over SDL: window classes, creation, default processing, showing and size limits.
/// Only the primary thread calls these, except CanvasOf and Canvas::Show (canvas.h).
///
///   oru::RegisterWindowClass("ORUCLASS", &Proc);
///   WindowHandle w = oru::CreateNativeWindow("ORUCLASS", "Caption", oru::WS_OVERLAPPEDWINDOW,
///                                            oru::kUseDefault, oru::kUseDefault,
///                                            oru::kUseDefault, oru::kUseDefault);
///   oru::ShowNativeWindow(w, oru::SW_SHOWMAXIMIZED);
///
/// While CreateNativeWindow runs, the procedure already receives WM_GETMINMAXINFO, WM_CREATE and
/// WM_SIZE for the new handle, before the caller knows it. Each window owns a 640 by 480 canvas
/// (canvas.h) shown through an SDL renderer and a streaming texture; the canvas is scaled into the
/// client area, which keeps working when the window later covers the whole display. Sizes here
/// are client sizes: the frame belongs to the window manager.
///
/// A destroyed window's handle stays unique for the rest of the run (it is never reused), so a
/// message posted to a window that has gone is simply dropped.
#pragma once

#include <cstdint>

#include "oru/platform/messages.h"

namespace oru {

/// The handler of a window class: gets every message sent or dispatched to its windows.
using WindowProc = MessageResult (*)(WindowHandle window, unsigned message, WParam wParam,
                                     LParam lParam);

///@{
/// Window styles the platform looks at.
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
///@}

/// Stand-in for CW_USEDEFAULT in positions and sizes; the default size is 640 by 480.
inline constexpr int kUseDefault = static_cast<int>(0x80000000u);

/// Show commands.
enum ShowCommand : int {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_SHOWMAXIMIZED = 3,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_SHOWMINNOACTIVE = 7,
  SW_RESTORE = 9,
  SW_SHOWDEFAULT = 10,
};

/// Registers a class. Returns false (and changes nothing) for a null name or procedure or a name
/// already registered.
bool RegisterWindowClass(const char* className, WindowProc proc);

/// Creates a hidden window of a registered class. Returns null when the class is unknown, SDL
/// cannot make the window, or the procedure answers WM_CREATE with -1. The caption is UTF-8.
WindowHandle CreateNativeWindow(const char* className, const char* caption, std::uint32_t style,
                                int x, int y, int width, int height);

/// Sends WM_DESTROY, then frees the window. Returns false for a window that is not open.
bool DestroyNativeWindow(WindowHandle window);

/// Whether window is a window that exists now.
bool IsNativeWindow(WindowHandle window);

/// What happens to a message nobody handled: WM_CLOSE destroys the window, WM_PAINT shows the
/// canvas as it is; everything else is ignored. Returns 0.
MessageResult DefWindowProc(WindowHandle window, unsigned message, WParam wParam, LParam lParam);

/// Calls the window's procedure at once. Returns 0 for a window that is not open.
MessageResult SendMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam);

/// Shows, hides, maximises (within the size limits the window gives in WM_GETMINMAXINFO),
/// minimises or restores the window.
bool ShowNativeWindow(WindowHandle window, int showCommand);

/// Sends WM_PAINT now.
void UpdateNativeWindow(WindowHandle window);

/// Sets the title bar text; caption is UTF-8. False for a window that does not exist.
bool SetWindowCaption(WindowHandle window, const char* caption);

/// The client area's size in pixels (the drawable size on dense displays).
bool GetClientSize(WindowHandle window, int* width, int* height);

/// Resizes the client area (within the size limits); false for a window that is not open.
bool SetClientSize(WindowHandle window, int width, int height);

/// The style window was created with; 0 for a window that does not exist.
std::uint32_t GetWindowStyle(WindowHandle window);

///@{
/// Full screen saves the window's styles, sets pop-up and topmost, and puts them back on leaving.
/// The window manager decides the frame, so the styles are only recorded here. The setters
/// return the previous value, 0 for a window that is not open.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
std::uint32_t SetWindowStyle(WindowHandle window, std::uint32_t style);
std::uint32_t GetWindowExStyle(WindowHandle window);
std::uint32_t SetWindowExStyle(WindowHandle window, std::uint32_t exStyle);
///@}

/// Grows a client rectangle to the window rectangle for style. Client and window sizes are the
/// same here, so the rectangle is left as it is; returns false only for a null rectangle.
bool AdjustWindowRect(Rect* rect, std::uint32_t style, bool hasMenu);

/// The oldest window still open, or null: the one a signal's close request goes to.
WindowHandle MainNativeWindow();

/// Uploads the changed part of the canvas and presents it. The event loop calls this when a
/// Canvas::Show request arrives; DefWindowProc calls it for WM_PAINT after marking the whole
/// canvas changed.
void PresentCanvas(WindowHandle window, bool whole);

/// Starts SDL's event and video services once. Returns false when SDL cannot start video, and
/// also when it could only fall back to a driver that shows nothing ("offscreen", "dummy") that
/// SDL_VIDEODRIVER did not ask for: no DISPLAY, a display that does not answer. Headless runs
/// (tests, benchmarks) ask for the dummy driver.
bool StartVideo();

/// Why the last StartVideo failed, one line without a full stop ("" when it did not fail).
const char* VideoStartFailure();

}  // namespace oru
