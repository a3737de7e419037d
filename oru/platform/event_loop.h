/// \file
/// The message loop: window messages from the system's events and from other threads.
///
///   oru::MessageRecord m;
///   while (oru::GetMessage(&m)) {        // primary thread; false once the quit message arrives
///     oru::TranslateMessage(m);          // key downs also produce WM_CHAR
///     oru::DispatchMessage(m);           // calls the window's procedure
///   }
///
/// The system's events become the dispatcher's message numbers: exposed -> WM_PAINT, close request
/// -> WM_CLOSE, focus -> WM_ACTIVATE, key down and up -> WM_KEYDOWN / WM_KEYUP with virtual-key
/// codes, pointer motion -> WM_SETCURSOR then WM_MOUSEMOVE, mouse buttons -> WM_xBUTTONDOWN/UP,
/// drop -> WM_DROPFILES. Key and mouse button events also update the key flags of keystate.h.
/// Messages posted from any thread come out before the input events that follow them. SIGINT and
/// SIGTERM (process.h) and the system's own quit request arrive as WM_CLOSE for the main window,
/// the oldest native window still open.
#pragma once

#include <cstdint>

#include "oru/platform/messages.h"

namespace oru {

/// One message of the queue: the window it is for, its number and its two parameters.
struct MessageRecord {
  /// The window the message is for; null for a thread message.
  WindowHandle window;
  /// The message number (a Message value).
  unsigned message;
  /// First parameter; its meaning depends on the message.
  WParam wParam;
  /// Second parameter; its meaning depends on the message.
  LParam lParam;
};

/// Queues a message for window; safe from any thread. Returns false for a null window.
bool PostMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam);

/// Makes the loop end: once the posted messages before it are taken, GetMessage returns false
/// with the exit code in wParam. Safe from any thread.
void PostQuitMessage(int exitCode);

/// Asks the main window to close, as its close button does. Safe from any thread.
void RequestClose();

/// Whether a close request waits: one from RequestClose not yet delivered, or SDL's quit or a
/// window's close event in SDL's queue. Nothing is taken from the queues, so the loop still
/// handles the request once it runs. For work on the primary thread before the loop (loading)
/// that wants to stop early. Primary thread.
bool ClosePending();

/// Waits for the next message. Returns false (message WM_QUIT, exit code in wParam) when the quit
/// message is taken. Primary thread.
bool GetMessage(MessageRecord* message);

/// Takes the next message without waiting for SDL; returns false when none is ready. Primary
/// thread. Tests use it to look at what was posted.
bool PeekMessage(MessageRecord* message);

/// For a WM_KEYDOWN of a key with a character, queues WM_CHAR for the same window to come next.
void TranslateMessage(const MessageRecord& message);

/// Hands the message to its window's procedure and returns the result; 0 for an unknown window.
MessageResult DispatchMessage(const MessageRecord& message);

/// Drops every queued message, the quit and the close request (tests).
void ResetMessageQueueForTesting();

}  // namespace oru
