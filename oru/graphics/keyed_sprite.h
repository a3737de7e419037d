// Keyed sprites in one call: a picture loaded, keyed, converted to a colour table and given its
// run table, always in that order.
//
//   oru::Surface ship;
//   if (!oru::LoadSprite(ship, "ship.bmp")) std::fprintf(stderr, "%s\n", oru::LastError());
//   scene.AddChild(&ship);
//
// The key is taken before the conversion so that it names the picture's own colour-table entry:
// converting first could merge other colours with the key colour and make them transparent too.
// The conversion then moves the keyed pixels to index 245 (kConvertedTransparentIndex).
#pragma once

namespace oru {

class Image;
class PaletteTable;

/// How PrepareSprite and LoadSprite make a picture ready to draw.
struct SpriteOptions {
  /// Whether the picture has a colour key. A key colour stored with SetColourKey wins; without
  /// one the key is the pixel at (keyX, keyY).
  bool keyed = true;
  /// Column of the pixel whose value is the key.
  int keyX = 0;
  /// Row of the pixel whose value is the key.
  int keyY = 0;
  /// The colour table the picture is converted to; null converts to the default palette.
  const PaletteTable* colours = nullptr;
  /// Whether a keyed picture gets its run table (blits then skip transparent runs a block at a
  /// time). Pixels changed afterwards need BuildRunTable again.
  bool runTable = true;
  /// The resource type LoadSprite looks under when no file or pack has the name; null for none.
  const char* resourceType = nullptr;
};

/// Makes a picture already in image (loaded or drawn) ready to draw: takes its colour key,
/// converts it to options.colours and builds its run table, in that order. Without a pixel store
/// nothing changes.
void PrepareSprite(Image& image, const SpriteOptions& options = {});

/// Loads name as LoadBitmap finds it (a pack, the plain file or a resource), then PrepareSprite.
/// 1 on success; 0 when the picture cannot be loaded, with the reason in LastError() and the
/// image as it was.
int LoadSprite(Image& image, const char* name, const SpriteOptions& options = {});

}  // namespace oru
