/// \file
/// Meter: a surface that shows one value against a maximum as a gauge (a filled bar, a thin
/// marker, a clock dial with a needle, or a row of unit pictures), repainted whenever the value or
/// the maximum changes. A clock, a charge gauge or a row of lives is a meter:
///
///   Meter clock;
///   clock.Setup({.width = 100, .height = 100,
///                .background = 0xFFFFFF, .foreground = 0xFF0000, .transparent = 1,
///                .kind = MeterDial, .maximum = 3600, .x = 540});   // blue needle, clear face
///   scene.AddChild(&clock);
///   clock.SetValue(900);                        // each SetValue repaints
///
/// Colours are 0x00BBGGRR values (red in the low byte), mapped to the nearest palette entry.
#pragma once

#include <cstdint>

#include "oru/graphics/surface.h"

namespace oru {

/// How a meter draws its value: a filled bar, a thin marker, a clock dial with a needle, or a
/// row of unit pictures.
enum MeterKind : int { MeterBar = 1, MeterMarker = 2, MeterDial = 3, MeterImages = 4 };
/// Which way a bar or marker meter grows.
enum MeterOrientation : int { MeterHorizontal = 1, MeterVertical = 2 };

/// Everything a meter is set up with, applied in one go by Meter::Setup.
struct MeterSetup {
  int width = 0;  ///< 0 leaves the size alone: a MeterImages meter sizes itself from its unit
  /// Height in pixels; 0 leaves it alone, like width.
  int height = 0;
  int frameWidth = 0;  ///< the part shown at a time (Surface::SetFrameSize); 0 shows the whole
  /// The part shown at a time; 0 shows the whole.
  int frameHeight = 0;
  /// Background colour (0x00BBGGRR).
  std::uint32_t background = 0;
  /// Colour of the bar, marker or needle (0x00BBGGRR).
  std::uint32_t foreground = 0xFFFFFF;
  /// Non-zero makes the background the colour key.
  int transparent = 0;
  /// A MeterKind.
  int kind = MeterMarker;
  /// A MeterOrientation.
  int orientation = MeterHorizontal;
  /// The value of a full meter (at least 1).
  int maximum = 100;
  /// The value shown first (0 to maximum).
  int value = 0;
  /// Position of the meter.
  int x = 0;
  /// Position of the meter.
  int y = 0;
};

/// A surface that shows one value against a maximum as a gauge, repainted at each change.
class Meter : public Surface {
 public:
  Meter() = default;
  ~Meter() override = default;  ///< the unit image goes first, then the surface

  ///@{
  /// Below 0 stores 0, above the maximum stores the maximum; repaints.
  void SetValue(int value);
  /// Below 1 stores 1; repaints. The value is not re-clamped until the next SetValue.
  void SetMaximum(int maximum);
  int GetValue() const { return value_; }
  int GetMaximum() const { return maximum_; }
  int GetKind() const { return kind_; }
  int GetOrientation() const { return orientation_; }
  ///@}

  ///@{
  /// Unknown kinds draw as a marker; any orientation but MeterHorizontal counts as vertical.
  /// Neither repaints.
  void SetStyle(int kind, int orientation);
  /// transparent non-zero makes the background colour the colour key at each repaint.
  void SetColours(std::uint32_t background, std::uint32_t foreground, int transparent);
  ///@}

  /// Size, colours, style, maximum, value and position from setup, in the order that makes the
  /// last repaint the one that counts. A MeterImages meter loads its unit image first.
  void Setup(const MeterSetup& setup);

  ///@{
  /// Loads the picture a MeterImages meter repeats, remaps it to the default colours, keys it on
  /// its top-left pixel and attaches it, hidden, to group (which then never draws it but keeps it
  /// alive in its list). 1 on success, 0 when the file could not be loaded.
  int LoadUnitImage(const char* fileName, Surface* group);
  Surface& UnitImage() { return unitImage_; }
  ///@}

  /// Repaints from the value, maximum, style and colours.
  void Redraw();

 private:
  int value_ = 0;
  int maximum_ = 100;
  int kind_ = MeterMarker;
  int orientation_ = MeterHorizontal;
  std::uint32_t background_ = 0;
  std::uint32_t foreground_ = 0xFFFFFF;
  int transparent_ = 0;
  Surface unitImage_;
};

}  // namespace oru
