// Meter repainting: the whole gauge is drawn again from the fields on every change.
#include "oru/graphics/meter.h"

#include <climits>
#include <cmath>

#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"

namespace oru {

void Meter::SetValue(int value) {
  value_ = value < 0 ? 0 : (value > maximum_ ? maximum_ : value);
  Redraw();
}

void Meter::SetMaximum(int maximum) {
  maximum_ = maximum < 1 ? 1 : maximum;
  Redraw();
}

void Meter::SetStyle(int kind, int orientation) {
  kind_ = kind;
  orientation_ = orientation;
}

void Meter::SetColours(std::uint32_t background, std::uint32_t foreground, int transparent) {
  background_ = background;
  foreground_ = foreground;
  transparent_ = transparent;
}

void Meter::Setup(const MeterSetup& setup) {
  if (setup.width > 0 && setup.height > 0) Create(setup.width, setup.height);
  SetColours(setup.background, setup.foreground, setup.transparent);
  if (setup.frameWidth > 0 && setup.frameHeight > 0)
    SetFrameSize(setup.frameWidth, setup.frameHeight);
  SetStyle(setup.kind, setup.orientation);
  SetMaximum(setup.maximum);
  SetValue(setup.value);
  SetPosition(setup.x, setup.y);
}

int Meter::LoadUnitImage(const char* fileName, Surface* group) {
  if (fileName == nullptr || !LoadBitmap(unitImage_, fileName)) return 0;
  RemapToTable(unitImage_, nullptr, 1);
  unitImage_.SetTransparentFromPixel(0, 0);
  // The group keeps the picture in its list but never draws it; only the meter copies it.
  if (group != nullptr) group->AddChild(&unitImage_);
  unitImage_.SetVisible(0);
  return 1;
}

void Meter::Redraw() {
  const bool horizontal = orientation_ == MeterHorizontal;
  if (kind_ == MeterImages) {
    // A row too long for an int is refused like any other impossible size: the surface keeps
    // its size.
    const long long across = static_cast<long long>(unitImage_.Width()) * maximum_;
    const long long down = static_cast<long long>(unitImage_.Height()) * maximum_;
    if (horizontal && across <= INT_MAX) {
      Create(static_cast<int>(across), unitImage_.Height());
    } else if (orientation_ == MeterVertical && down <= INT_MAX) {
      Create(unitImage_.Width(), static_cast<int>(down));
    }
  }
  const int w = Width();
  const int h = Height();
  FillRectColour(Rect{0, 0, w, h}, background_);
  if (transparent_ != 0) {
    SetColourKey(static_cast<int>(background_));
  } else {
    SetTransparentIndex(-1);
  }

  if (kind_ == MeterDial) {
    const int cx = w / 2;
    const int cy = h / 2;
    const int r = (cx + cy) / 2;
    // A maximum below 360 would make the step 0; such a dial turns a degree per unit instead.
    const int step = maximum_ / 360 > 0 ? maximum_ / 360 : 1;
    const int angle = value_ / step - 90;
    const double theta = angle / 180.0 * 3.141592654;
    const int endX = cx + static_cast<int>(std::cos(theta) * r);
    const int endY = cy + static_cast<int>(std::sin(theta) * r);
    DrawLine(cx, cy, endX, endY, foreground_, 2);
    return;
  }
  if (kind_ == MeterImages) {
    const int unitWidth = unitImage_.Width();
    const int unitHeight = unitImage_.Height();
    if (unitWidth == 0 || unitHeight == 0) return;
    // Units past the surface's end would be clipped away entirely, so the loop stops there.
    const int fits =
        horizontal ? (w + unitWidth - 1) / unitWidth : (h + unitHeight - 1) / unitHeight;
    const int count = value_ < fits ? value_ : fits;
    for (int i = 0; i < count; ++i) {
      if (horizontal) {
        Blit(i * unitWidth, 0, unitWidth, unitHeight, &unitImage_, 0, 0, 1);
      } else {
        Blit(0, i * unitHeight, unitWidth, unitHeight, &unitImage_, 0, 0, 1);
      }
    }
    return;
  }
  if (horizontal) {
    const int f = static_cast<int>(static_cast<long long>(w) * value_ / maximum_);
    if (kind_ == MeterBar) {
      FillRectColour(Rect{0, 0, f, h}, foreground_);
    } else {
      FillRectColour(Rect{f - 1, 0, f + 1, h}, foreground_);
    }
  } else {
    const int f = static_cast<int>(static_cast<long long>(h) * value_ / maximum_);
    if (kind_ == MeterBar) {
      FillRectColour(Rect{0, h - f, w, h}, foreground_);
    } else {
      FillRectColour(Rect{0, h - f - 1, w, h - f + 1}, foreground_);
    }
  }
}

}  // namespace oru
