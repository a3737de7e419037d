// The key flags that stand in for the keyboard state, and the record of key events.
#include "oru/platform/keystate.h"

#include <array>
#include <atomic>

#include "oru/platform/keys.h"

namespace oru {
namespace {

// The native codes of the left and right Alt keys; the library names only the generic VK_MENU.
constexpr int kLeftMenu = 0xA4;
constexpr int kRightMenu = 0xA5;

std::array<std::atomic<bool>, 256> keyDown{};
std::array<std::atomic<std::uint32_t>, 256> pressCount{};

// The code each key went down with, so the release clears that one. Primary thread only.
std::array<int, kKeyNumbers> pressedAs{};

bool IsDown(int vk) { return keyDown[vk].load(std::memory_order_relaxed); }

// The generic code of a side-specific one, or 0.
int GenericOf(int vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case kLeftMenu:
    case kRightMenu:
      return VK_MENU;
    default:
      return 0;
  }
}

void UpdateGeneric(int generic) {
  bool down = false;
  switch (generic) {
    case VK_SHIFT:
      down = IsDown(VK_LSHIFT) || IsDown(VK_RSHIFT);
      break;
    case VK_CONTROL:
      down = IsDown(VK_LCONTROL) || IsDown(VK_RCONTROL);
      break;
    case VK_MENU:
      down = IsDown(kLeftMenu) || IsDown(kRightMenu);
      break;
  }
  SetKeyState(generic, down);
}

}  // namespace

short GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return IsDown(vk) ? static_cast<short>(0x8000) : 0;
}

void SetKeyState(int vk, bool down) {
  if (vk < 0 || vk > 255) return;
  // Counted before the flag is set: a reader that sees the key down also sees its press.
  if (down && !keyDown[vk].load(std::memory_order_relaxed))
    pressCount[vk].fetch_add(1, std::memory_order_relaxed);
  keyDown[vk].store(down, std::memory_order_release);
}

std::uint32_t KeyPressCount(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return pressCount[vk].load(std::memory_order_acquire);
}

void ClearKeyState() {
  for (auto& k : keyDown) k.store(false, std::memory_order_relaxed);
  pressedAs.fill(0);
}

int RecordKeyEvent(int key, int vk, bool down) {
  if (key < 0 || key >= kKeyNumbers) return 0;
  if (down) {
    pressedAs[key] = vk;
  } else {
    if (pressedAs[key]) vk = pressedAs[key];
    pressedAs[key] = 0;
  }
  if (vk == 0) return 0;
  SetKeyState(vk, down);
  if (const int generic = GenericOf(vk)) {
    UpdateGeneric(generic);
    return generic;
  }
  return vk;
}

}  // namespace oru
