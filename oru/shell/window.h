/// \file
/// Window objects: one object per native window, with typed handlers for the messages the
/// library cares about.
///
///   class MyWindow : public oru::Window {
///     void OnKeyDown(oru::WParam vk, oru::LParam data, int reserved) override {
///       if (vk == oru::VK_ESCAPE) oru::PostMessage(handle, oru::WM_CLOSE, 0, 0);
///       Window::OnKeyDown(vk, data, reserved);      // and default processing
///     }
///   };
///   MyWindow* w = new MyWindow;
///   w->Create(nullptr, "Caption", 0);               // class "ORUCLASS", overlapped style
///
/// Every native window of the default class has RoutingWindowProc as its procedure: it finds the
/// object in the WindowRegistry and calls its HandleMessage, the dispatcher. The dispatcher clears
/// callDefault, calls the handler for the message and passes the message on to default
/// processing only when callDefault was set (every base handler sets it). A handler that neither
/// calls the base version nor sets callDefault makes the result 0 and suppresses default
/// processing. Messages outside the table always get default processing. Only the primary thread
/// creates windows and runs the handlers; other threads use the handle only (PostMessage).
#pragma once

#include <cstdint>

#include "oru/platform/messages.h"

namespace oru {

/// The creation record PreCreate may change, laid out as the native one. Only className and
/// style are used after PreCreate.
struct CreateRecord {
  /// Not used.
  void* createParams;
  /// Not used.
  void* instance;
  /// Not used.
  void* menu;
  /// Not used.
  WindowHandle parent;
  /// Not used: the size is set after creation.
  int height;
  /// Not used: the size is set after creation.
  int width;
  /// Not used.
  int y;
  /// Not used.
  int x;
  /// The window style created with.
  std::uint32_t style;
  /// The caption (UTF-8).
  const char* name;
  /// The window class created from.
  const char* className;
  /// Not used.
  std::uint32_t exStyle;
};

/// The class Create registers and uses when given no class name.
inline constexpr const char kDefaultWindowClass[] = "ORUCLASS";
/// An overlapped window with caption, system menu, border and minimise and maximise boxes.
inline constexpr std::uint32_t kDefaultWindowStyle = 0x00CF0000;

/// A window of the platform whose messages go to the virtual handlers below.
class Window {
 public:
  Window();
  ///@{
  /// Leaves the registry; the native window, if any, is not destroyed.
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ///@}

  ///@{
  /// Called once by the owner after the native window exists.
  virtual bool OnCreate();
  /// The dispatcher.
  virtual MessageResult HandleMessage(WindowHandle window, unsigned message, WParam wParam,
                                      LParam lParam);
  virtual bool PreCreate(CreateRecord* record);
  virtual void OnMouseMove(WParam keyFlags, const Point* point);
  virtual void OnPaint();
  virtual void OnKeyUp(WParam virtualKey, LParam keyData, int reserved);
  virtual void OnKeyDown(WParam virtualKey, LParam keyData, int reserved);
  virtual void OnChar(WParam charCode, LParam keyData, int reserved);
  virtual void OnGetMinMaxInfo(MinMaxInfo* info);
  virtual void OnClose();
  virtual void OnSetCursor(WindowHandle cursorWindow, unsigned hitTest, unsigned mouseMessage);
  virtual void OnActivate(unsigned state, WindowHandle otherWindow, unsigned minimised);
  virtual void OnDropFiles(WParam drop);
  ///@}

  /// Registers the window and creates its native window; returns the handle (null on failure).
  /// A null className selects the default class "ORUCLASS", style 0 the overlapped-window style.
  /// A window that already has a native window returns that handle and creates nothing. The
  /// caption is UTF-8.
  WindowHandle Create(const char* className, const char* caption, std::uint32_t style);

  /// The platform window, or null before Create and after it was destroyed.
  WindowHandle Handle() const { return handle; }

 protected:
  /// The platform window, or null.
  WindowHandle handle = nullptr;
  /// Set by the base class's handlers (the message was not handled) and for unknown messages;
  /// when non-zero after the handler, HandleMessage passes the message on to the default
  /// processing. A derived handler may set it too.
  int callDefault = 0;
};

/// The window procedure of the default class.
MessageResult RoutingWindowProc(WindowHandle window, unsigned message, WParam wParam,
                                LParam lParam);

///@{
/// What the dispatcher calls for default processing; the platform's DefWindowProc unless
/// replaced. Tests put a recorder here. Returns the previous one; null restores the platform's.
using DefaultWindowProc = MessageResult (*)(WindowHandle, unsigned, WParam, LParam);
DefaultWindowProc SetDefaultWindowProc(DefaultWindowProc proc);
///@}

}  // namespace oru
