// The SDL scancode to virtual-key table.
#include "oru/platform/sdl/scancodes_internal.h"

#include <SDL2/SDL_scancode.h>

#include <array>

#include "oru/platform/keys.h"
#include "oru/platform/keystate.h"

namespace oru {
namespace {

static_assert(SDL_NUM_SCANCODES <= kKeyNumbers);

// The native codes of the left and right Alt keys; the library names only the generic VK_MENU.
constexpr int kLeftMenu = 0xA4;
constexpr int kRightMenu = 0xA5;

constexpr std::array<int, SDL_NUM_SCANCODES> BuildFixedTable() {
  std::array<int, SDL_NUM_SCANCODES> t{};
  for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = 'A' + i;
  for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = '1' + i;
  t[SDL_SCANCODE_0] = '0';
  for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F1 + i] = VK_F1 + i;
  t[SDL_SCANCODE_RETURN] = VK_RETURN;
  t[SDL_SCANCODE_ESCAPE] = VK_ESCAPE;
  t[SDL_SCANCODE_BACKSPACE] = VK_BACK;
  t[SDL_SCANCODE_TAB] = VK_TAB;
  t[SDL_SCANCODE_SPACE] = VK_SPACE;
  t[SDL_SCANCODE_PAUSE] = VK_PAUSE;
  t[SDL_SCANCODE_INSERT] = VK_INSERT;
  t[SDL_SCANCODE_HOME] = VK_HOME;
  t[SDL_SCANCODE_PAGEUP] = VK_PRIOR;
  t[SDL_SCANCODE_DELETE] = VK_DELETE;
  t[SDL_SCANCODE_END] = VK_END;
  t[SDL_SCANCODE_PAGEDOWN] = VK_NEXT;
  t[SDL_SCANCODE_RIGHT] = VK_RIGHT;
  t[SDL_SCANCODE_LEFT] = VK_LEFT;
  t[SDL_SCANCODE_DOWN] = VK_DOWN;
  t[SDL_SCANCODE_UP] = VK_UP;
  t[SDL_SCANCODE_NUMLOCKCLEAR] = VK_NUMLOCK;
  t[SDL_SCANCODE_KP_DIVIDE] = VK_DIVIDE;
  t[SDL_SCANCODE_KP_MULTIPLY] = VK_MULTIPLY;
  t[SDL_SCANCODE_KP_MINUS] = VK_SUBTRACT;
  t[SDL_SCANCODE_KP_PLUS] = VK_ADD;
  t[SDL_SCANCODE_KP_ENTER] = VK_RETURN;
  t[SDL_SCANCODE_LSHIFT] = VK_LSHIFT;
  t[SDL_SCANCODE_RSHIFT] = VK_RSHIFT;
  t[SDL_SCANCODE_LCTRL] = VK_LCONTROL;
  t[SDL_SCANCODE_RCTRL] = VK_RCONTROL;
  t[SDL_SCANCODE_LALT] = kLeftMenu;
  t[SDL_SCANCODE_RALT] = kRightMenu;
  return t;
}

constexpr std::array<int, SDL_NUM_SCANCODES> kFixed = BuildFixedTable();

// Keypad 1..9, 0 and the decimal point, with Num Lock on and off.
struct KeypadKey {
  SDL_Scancode scancode;
  int withNumLock;
  int withoutNumLock;
};
constexpr KeypadKey kKeypad[] = {
    {SDL_SCANCODE_KP_1, VK_NUMPAD1, VK_END},         {SDL_SCANCODE_KP_2, VK_NUMPAD2, VK_DOWN},
    {SDL_SCANCODE_KP_3, VK_NUMPAD3, VK_NEXT},        {SDL_SCANCODE_KP_4, VK_NUMPAD4, VK_LEFT},
    {SDL_SCANCODE_KP_5, VK_NUMPAD5, VK_CLEAR},       {SDL_SCANCODE_KP_6, VK_NUMPAD6, VK_RIGHT},
    {SDL_SCANCODE_KP_7, VK_NUMPAD7, VK_HOME},        {SDL_SCANCODE_KP_8, VK_NUMPAD8, VK_UP},
    {SDL_SCANCODE_KP_9, VK_NUMPAD9, VK_PRIOR},       {SDL_SCANCODE_KP_0, VK_NUMPAD0, VK_INSERT},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, VK_DELETE},
};

}  // namespace

int VirtualKeyFromScancode(int scancode, bool numLock) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  for (const KeypadKey& k : kKeypad)
    if (k.scancode == scancode) return numLock ? k.withNumLock : k.withoutNumLock;
  return kFixed[scancode];
}

int ApplyKeyEvent(int scancode, bool down, bool numLock) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return RecordKeyEvent(scancode, VirtualKeyFromScancode(scancode, numLock), down);
}

}  // namespace oru
