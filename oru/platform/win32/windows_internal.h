// The Win32 headers for the back end's files, tamed. Include it after every other header: the
// library's own names (PostMessage, WM_PAINT, VK_LEFT, ...) are the system's, and the system
// spells its names as macros. Parsed after the library's headers, the macros change nothing
// there; the function-name macros are undone here so that a back-end file can define the
// library's calls under their own names. Inside a back-end file, WM_ and VK_ names are the
// system's macros, which carry the same numbers as the library's constants.
#pragma once

// The wide calls throughout: text reaches the system as UTF-16.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The multimedia services build on windows.h.
#include <mmsystem.h>
#include <shellapi.h>

#include <string>

#undef PostMessage
#undef SendMessage
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage
#undef DefWindowProc
#undef CreateWindow
#undef LoadBitmap
#undef DrawText
#undef TextOut
#undef PlaySound
#undef CreateFont
#undef GetObject
#undef SetWindowText
#undef RegisterClass
#undef CreateMutex
#undef CreateEvent
#undef LoadResource
#undef FindResource
#undef GetCommandLine
#undef SetLastError
#undef GetClassName
#undef SetWindowLong
#undef GetWindowLong
#undef MessageBox
#undef LoadImage
#undef CopyFile
#undef MoveFile
#undef DeleteFile
#undef CreateFile
#undef GetCurrentDirectory
#undef TranslateMessage

namespace oru::win32 {

// UTF-8 to UTF-16 and back, for the wide calls; "" for a null text. Text the conversion refuses
// comes back empty.
std::wstring Widen(const char* utf8);
std::string Narrow(const wchar_t* utf16);

}  // namespace oru::win32
