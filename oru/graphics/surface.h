/// \file
/// Image and Surface: the library's one picture type, an 8-bit indexed pixel store with its own
/// colour table and palette (Image), plus position, animation frames, dirty tiles and group links
/// (Surface). Every sprite strip, label, gauge, the background and the screen is a Surface.
///
/// Typical use, all on the game thread:
///
///   Surface sprite;
///   sprite.Create(96, 96);                 // pixel store, default palette, clip = whole image
///   sprite.Fill(-1);                       // transparent index, or 0 when there is none
///   sprite.SetTransparentIndex(245);
///   sprite.BuildRunTable(1);               // skip transparent runs a block at a time
///   sprite.SetPosition(100, 40);
///   scene.AddChild(&sprite);               // scene: a group surface; groups never own children
///
///   screen.SetBackdrop(&background);       // restored under last frame's sprites
///   screen.SetScene(&scene);
///   screen.Update(canvas, 0, 0);           // restore, draw by depth, present dirty tiles
///
/// Pixel rows run top to bottom, Pitch() bytes apart (the width rounded up to a multiple of 4).
/// Code that touches the pixels of a surface it did not create goes through Lock/Pitch/Unlock, so
/// that a derived class whose pixels live elsewhere (the screen in full-screen mode) works
/// unchanged. Surfaces have no lock of their own: the owner serialises composing and presenting.
///
/// **Depth.** A group draws its visible leaves in order of depth (Z()), lowest first, so a higher
/// depth is in front. A child's position and depth count from its group's: drawing adds the
/// group's x, y and z to each child. Leaves of equal depth are drawn in an order the sort fixes
/// (stable from frame to frame, but not the order they were added in): give sprites that overlap
/// different depths. An invisible group hides everything under it.
///
/// **What is redrawn.** Update copies back only the backdrop's marked tiles, draws the scene and
/// presents only the screen's marked tiles. Draw, Blit with markBackdrop 1 and the text and shape
/// routines mark the tiles they touch on the target and on the target's backdrop, so a moving
/// sprite is erased at its old place in the next frame (also when it is hidden or removed).
/// Nothing marks tiles when pixels change in other ways: writing through Lock or Fill, changing
/// the backdrop's own pixels (a scrolling background), or a new palette. Then mark the place
/// (MarkDirtyWithBackdrop) or call
/// RequestFullRedraw on the screen, which presents the whole surface once; a new pixel store
/// (Create) and leaving or entering full screen ask for one themselves, and so must a window's
/// OnPaint, since the system has thrown the window's picture away.
///
/// **Ownership.** A group never owns its children: AddChild stores the pointer, RemoveChild and
/// the group's destructor only forget it, and the caller keeps each child alive while it is in a
/// group (DeleteChildren is the one call that deletes them, for children made with new).
/// SetBackdrop and SetScene do not take the surfaces given either; only the empty stand-ins they
/// make for a null argument are the surface's own.
#pragma once

#include <cstdint>
#include <memory>

#include "oru/graphics/blit_rect.h"
#include "oru/graphics/bounding_box.h"
#include "oru/graphics/image_info.h"
#include "oru/graphics/palette.h"
#include "oru/graphics/palette_table.h"
#include "oru/platform/messages.h"

namespace oru {

class Canvas;
class ColourMap;
class DrawContext;
class Font;
struct Size;
class Surface;

/// The pixel store with its colour table and palette. Only Surface and its descendants are
/// instantiated.
class Image {
 public:
  Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  ///@{
  /// Virtual operations, slots 1-8.
  virtual ~Image();
  /// Gives the image a pixel store of this size, keeping the old picture in the top-left corner
  /// and the palette. 1 on success, 0 on failure (the old store stays).
  virtual int Create(int width, int height);
  virtual int Pitch();
  virtual void Unlock();
  /// The top-left pixel, or null without a pixel store.
  virtual std::uint8_t* Lock();
  /// Called each time a pixel store has been created.
  virtual void OnCreated();
  /// Loads the table into the palette; the colour table itself is not changed.
  virtual void ApplyPaletteTable(const PaletteTable& table);
  /// Takes other's colour table and palette when both images have a colour table.
  virtual void CopyPaletteFrom(Image* other);
  ///@}

  /// Width of the pixel store in pixels; 0 without one.
  int Width() const { return info ? info->header.width : 0; }
  /// Height of the pixel store in pixels; 0 without one.
  int Height() const { return info ? info->header.height : 0; }
  /// Width of one animation frame: the frame width set, or the whole width.
  int FrameWidth() const { return frameWidth ? frameWidth : Width(); }
  /// Height of one animation frame: the frame height set, or the whole height.
  int FrameHeight() const { return frameHeight ? frameHeight : Height(); }
  /// The size of one animation frame cell; 0 makes the frame the whole image that way.
  void SetFrameSize(int width, int height) {
    frameWidth = width;
    frameHeight = height;
  }

  ///@{
  /// A new header block for an 8-bit width x height store whose colour table is taken from the
  /// palette (created with the default colours if the image has none). The caller owns it until
  /// CreateFromInfo takes it.
  ImageInfo* MakeInfo(int width, int height);
  /// Creates the pixel store that info describes and takes ownership of info (also on failure,
  /// when it is deleted). 1 on success, 0 on failure with the image unchanged.
  int CreateFromInfo(ImageInfo* info);
  /// Lets go of the pixel store and header block (freeing them when no other image shares them);
  /// the drawing context and palette stay with an image that owned its store.
  void ReleasePixels();
  /// The image's palette, created with the default colours when it has none.
  Palette* EnsurePalette();
  ///@}

  /// The pixel value keyed copies skip; -1 for none.
  void SetTransparentIndex(int index) { transparentIndex = index; }
  /// The pixel value keyed copies skip, or -1.
  int TransparentIndex() const { return transparentIndex; }
  ///@{
  /// rgb has red in bits 0-7. transparentIndex becomes the first colour-table entry with that
  /// colour, or -1; without a colour table only the key is kept (loading re-applies it).
  void SetColourKey(int rgb);
  int ColourKey() const { return colourKey; }
  /// The pixel value at (x, y), or -1 outside the image or without a pixel store.
  int PixelAt(int x, int y);
  void SetTransparentFromPixel(int x, int y) { transparentIndex = PixelAt(x, y); }
  ///@}

  ///@{
  /// Writes index to all Pitch() x Height() bytes; -1 means the transparent index (0 if none).
  void Fill(int index);
  /// Vertical gradient, one palette index per row; colours are 0x00BBGGRR.
  void GradientFill(std::uint32_t topRgb, std::uint32_t bottomRgb);
  /// Null sets the whole image.
  void SetClipRect(const Rect* rect);
  void SavePixels();
  /// Copies the saved pixels back and drops them; does nothing without a saved copy.
  void RestorePixels();
  /// Draws other's pixels from now on. The store, header block, context, palette and run table
  /// are reference-counted: this image keeps what it shares alive (also after other is destroyed,
  /// re-created, reloaded or remapped, when other moves on to a new store and this one keeps
  /// drawing the old picture) and never frees what other still uses.
  void ShareImage(Image* other);
  /// Shares a picture of the named-surface registry; 0 while the name is not registered.
  int ShareRegisteredImage(const char* name);
  /// Flips every whole frame cell in place: 1 top to bottom, 2 left to right, 3 both.
  void MirrorFrames(int flags);
  /// Drops the run table; with enable non-zero builds one from the current pixels and the
  /// transparent index. Rebuild it after either changes.
  void BuildRunTable(int enable);
  ///@}

  ///@{
  /// Fields. The pointers marked "held" view memory kept alive by the reference counts below;
  /// ownsPixels is 1 while the store is this image's own and 0 while it shares another's.
  std::int32_t ownsPixels = 1;
  std::uint8_t* bitmap = nullptr;       ///< held pixel memory of the store
  DrawContext* dc = nullptr;            ///< held software drawing context over the pixels
  ImageInfo* info = nullptr;            ///< held header block; null = no pixel store
  std::uint8_t* colourTable = nullptr;  ///< info's 256 entries: blue, green, red, flags
  std::uint8_t* pixels = nullptr;       ///< top row first
  std::uint8_t* savedPixels = nullptr;  ///< always this image's own
  Palette* palette = nullptr;           ///< held
  std::int32_t transparentIndex = -1;
  std::int32_t colourKey = -1;
  /// Per pixel, the pixels left in its transparent or opaque run (1..255), rows Width() apart.
  std::uint8_t* runTable = nullptr;  ///< held
  std::int32_t pitch = 0;
  std::int32_t frameWidth = 0;
  std::int32_t frameHeight = 0;
  std::int32_t clipLeft = 0;
  std::int32_t clipTop = 0;
  std::int32_t clipRight = 0;
  std::int32_t clipBottom = 0;
  ///@}

 protected:
  ///@{
  /// Lets go of everything besides the store: context, palette, run table.
  void ReleaseOwnedExtras();
  /// Takes a header block for an image whose pixels live elsewhere (the full-screen screen).
  void AdoptInfo(ImageInfo* block);
  /// A run table with its stretch index exists and was built for the current size.
  bool HasRunTableForSize() const {
    return runTable && runSpans_ && runTableWidth_ == Width() && runTableHeight_ == Height();
  }
  ///@}

 private:
  std::int32_t savedPitch_ = 0;
  std::int32_t savedHeight_ = 0;
  std::int32_t runTableWidth_ = 0;
  std::int32_t runTableHeight_ = 0;
  ///@{
  /// Index of the opaque stretches, stored in the run table's allocation after the run bytes
  /// (see run_table.cpp); null when the table came from elsewhere.
  const std::uint32_t* runSpans_ = nullptr;
  /// What keeps the held pointers alive. Images that share a store share these counts, so the
  /// last image to let go frees each piece, and none frees what another still draws.
  std::shared_ptr<std::uint8_t[]> bitmapHold_;
  std::shared_ptr<ImageInfo> infoHold_;
  std::shared_ptr<DrawContext> dcHold_;
  std::shared_ptr<Palette> paletteHold_;
  std::shared_ptr<std::uint8_t[]> runTableHold_;
  friend class Surface;
  ///@}
};

/// A picture with position, depth, animation frames, dirty tiles and group links: every sprite,
/// label, gauge, backdrop and the screen is one.
class Surface : public Image {
 public:
  /// Held in a live surface's marker field; a destroyed one no longer holds it.
  static constexpr std::int32_t kLiveMarker = 123456;
  /// Size of a dirty tile in pixels.
  static constexpr int kTileWidth = 48;
  /// Size of a dirty tile in pixels.
  static constexpr int kTileHeight = 32;

  Surface();
  ///@{
  /// Virtual operations, slots 1 and 6 (overridden) and 9-12.
  ~Surface() override;
  /// Rebuilds the dirty grid for the new size and asks for a full redraw.
  void OnCreated() override;
  /// Converts a rectangle of the surface through its palette into the window's canvas at (x, y)
  /// and asks the window to show it. Rectangles reaching past either edge are clipped.
  virtual void PresentTo(Canvas* dc, int x, int y, int width, int height, int srcX, int srcY);
  /// The drawing context over the pixels (text and shapes); null without a pixel store.
  virtual DrawContext* OpenDC();
  virtual int CloseDC(DrawContext* dc);
  /// Draws the current frame onto target at (x, y) and marks target and its backdrop dirty.
  virtual void Draw(Surface* target);
  ///@}

  ///@{
  /// Animation and position.
  void AdvanceFrame() {
    if (++currentFrame >= frameCount) currentFrame = 0;
  }
  void SetFrameCount(int count) { frameCount = count; }
  int FrameCount() const { return frameCount; }
  void SetCurrentFrame(int frame) { currentFrame = frame; }
  int CurrentFrame() const { return currentFrame; }
  void SetFrameOffset(int value) { frameOffset = value; }
  int FrameOffset() const { return frameOffset; }
  void SetVisible(int flag) { visible = flag; }
  int IsVisible() const { return visible; }
  void SetPosition(int nx, int ny) {
    x = nx;
    y = ny;
  }
  /// Higher is in front: a group draws its children from the lowest depth up.
  void SetDepth(int nz) { z = nz; }
  void MoveBy(int dx, int dy, int dz) {
    x += dx;
    y += dy;
    z += dz;
  }
  int X() const { return x; }
  int Y() const { return y; }
  int Z() const { return z; }
  /// The collision box, relative to the position (Bounds adds X(), Y() and Z()); an empty box
  /// stands for the frame (see Bounds).
  void SetHitBox(const BoundingBox& box) { hitBox = box; }
  ///@}

  ///@{
  /// Blitting (blit.cpp). The destination is this surface.
  void Blit(int destX, int destY, int width, int height, Surface* source, int srcX, int srcY,
            int markBackdrop);
  void ClipBlit(BlitRect* out, int destX, int destY, int width, int height, Surface* source,
                int srcX, int srcY);
  void CopyOpaque(const BlitRect& rect, Surface* source);
  void CopyKeyed(const BlitRect& rect, Surface* source);
  void CopyRuns(const BlitRect& rect, Surface* source);
  /// The colour-changing routines: per-pixel blending with translucency and tint (blend_blit.cpp,
  /// through the global colour tables), and the source's colour map.
  void CopyBlended(const BlitRect& rect, Surface* source);
  void CopyBlendedRuns(const BlitRect& rect, Surface* source);
  void CopyMapped(const BlitRect& rect, Surface* source);
  void CopyMappedRuns(const BlitRect& rect, Surface* source);
  ///@}

  ///@{
  /// Translucency, tint and the global colour tables (colour_tables.cpp).
  /// Percent (clamped to 0..100) of the destination colour that shows through, per channel.
  void SetTranslucency(int red, int green, int blue);
  /// Offsets (clamped to -255..255) added to the drawn colour; active only when all three are
  /// non-zero.
  void SetTint(int red, int green, int blue);
  /// Fills ClampTable, then InverseColourTable from this surface's palette.
  void BuildColourTables();
  ///@}

  ///@{
  /// Text and shapes (drawing.cpp). Colours are 0x00BBGGRR values mapped to the nearest entry
  /// of the colour table; an outline of -1 means none; fonts passed in are released here. The
  /// context routines return 1 (0 for a null text), the index fills 0 without pixels. Text is
  /// code page 932, zero-terminated; UTF-8 text goes through Utf8ToCp932 (font.h) first.
  int FillRectColour(const Rect& rect, std::uint32_t colour);
  int FillRectInclusive(const Rect& rect, std::uint32_t colour);
  int FrameRectColour(const Rect& rect, std::uint32_t colour, int thickness);
  int DrawLine(int x0, int y0, int x1, int y1, std::uint32_t colour, int width);
  int DrawLine(const Rect& line, std::uint32_t colour, int width);
  int DrawTextAt(int px, int py, const char* text, std::uint32_t colour);
  int DrawTextWithFont(int px, int py, const char* text, std::unique_ptr<Font> font,
                       std::uint32_t colour, std::int32_t outline);
  int DrawTextSized(int px, int py, const char* text, int height, std::uint32_t colour,
                    std::int32_t outline);
  int MakeTextImageWithFont(const char* text, std::unique_ptr<Font> font, std::uint32_t colour,
                            std::int32_t outline, const Size* size = nullptr);
  int MakeTextImage(const char* text, int height, std::uint32_t colour, std::int32_t outline,
                    const Size* size = nullptr);
  int FillRectIndex(const Rect& rect, int index);
  int FillRectPattern(const Rect& rect, int index, int step);
  ///@}

  ///@{
  /// Dirty tiles (dirty_tiles.cpp).
  /// The next PresentDirty or CopyDirtyTo copies the whole surface, marked or not. Needed when
  /// pixels changed without marking tiles (see the file's description); not needed after
  /// drawing, blits or Create.
  void RequestFullRedraw() { fullRedraw = 1; }
  void SetAllMarks(int value);
  void MarkDirty(int mx, int my, int width, int height);
  void MarkDirtyRect(const Rect& rect);
  void MarkDirtyWithBackdrop(int mx, int my, int width, int height);
  void MarkDirtyRectWithBackdrop(const Rect& rect);
  bool IsTileMarked(int column, int row) const;
  /// Presents the marked tiles (or everything after a full-redraw request) to dc at (x, y),
  /// merging consecutive marked tiles of a row into one copy.
  void PresentDirty(Canvas* dc, int px, int py);
  /// The same for blits onto target; never marks target's backdrop.
  void CopyDirtyTo(Surface* target, int px, int py);
  /// The per-frame refresh: backdrop back under last frame's drawing, scene, present. Returns 1.
  int Update(Canvas* dc, int px, int py);
  ///@}

  ///@{
  /// Scene (group.cpp).
  /// The picture restored under last frame's drawing at each Update; not owned, and it must
  /// outlive its use here. Null gives the surface an empty backdrop of its own.
  void SetBackdrop(Surface* surface);
  /// The group Update draws onto this surface; not owned. Null gives it an empty one of its own.
  void SetScene(Surface* surface);
  void DrawScene(Surface* root);
  void DrawGroup(Surface* target);
  ///@}

  ///@{
  /// Groups (group.cpp). Slots of the child list are child pointers or null (free).
  int FindChild(const Surface* surface) const;
  /// Adds surface (once; null is ignored) to the group without taking ownership: the caller
  /// keeps it alive until it is removed or the group is gone.
  void AddChild(Surface* surface);
  /// Forgets surface (it is not deleted); returns its slot, or -1.
  int RemoveChild(const Surface* surface);
  /// Deletes every child with delete and empties the list: only for children made with new that
  /// nothing else deletes. The group never does this by itself.
  void DeleteChildren();
  Surface* ChildAt(int index);
  int CountVisibleLeaves() const;
  int CollectVisibleLeaves(Surface** array, int start);
  int SortLeaves();
  void OffsetChildren();
  void RestoreChildOffsets();
  ///@}

  ///@{
  /// Collision boxes (group.cpp).
  /// The hit box moved to the surface's position and depth. An empty hit box stands for the
  /// frame: x and y from 0 to FrameWidth() and FrameHeight(), depth from 0 to FrameHeight(), all
  /// ends inclusive, so the box is one pixel wider and taller than the frame. Bounds uses the
  /// surface's own position, not its group's offset. Also stored in bounds.
  BoundingBox Bounds();
  /// 1 when Bounds() and box meet on all three axes, ends inclusive: boxes that only touch
  /// overlap, and boxes apart in depth do not, however they lie on the screen.
  int Overlaps(const BoundingBox& box);
  int OverlapsSurface(Surface* other);
  /// The first child in slot order whose box overlaps surface's, or null.
  Surface* FindOverlappingChild(Surface* surface);
  ///@}

  ///@{
  /// Fields.
  std::int32_t marker = kLiveMarker;
  std::unique_ptr<Surface*[]> childList;
  std::int32_t childCapacity = 0;
  std::unique_ptr<Surface*[]> drawList;
  std::int32_t drawListCapacity = 0;
  std::unique_ptr<std::uint8_t[]> dirtyGrid;
  std::int32_t tilesAcross = 0;
  std::int32_t tilesDown = 0;
  std::int32_t tileWidth = kTileWidth;
  std::int32_t tileHeight = kTileHeight;
  std::int32_t fullRedraw = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t z = 0;
  BoundingBox hitBox;
  BoundingBox bounds;
  std::int32_t frameCount = 0;
  std::int32_t currentFrame = 0;
  std::int32_t visible = 1;
  std::int32_t frameOffset = 0;
  std::int32_t tintRed = 0;
  std::int32_t tintBlue = 0;
  std::int32_t tintGreen = 0;
  /// Blue, green, red percent of the destination that shows through, then a zero byte; any
  /// non-zero byte switches blending on.
  std::uint8_t translucency[4] = {0, 0, 0, 0};
  ColourMap* colourMap = nullptr;  ///< not owned
  Surface* backdrop = nullptr;
  std::int32_t ownsBackdrop = 0;
  Surface* scene = nullptr;
  std::int32_t ownsScene = 0;
  ///@}

 protected:
  /// The dirty-tile walk shared by PresentDirty and CopyDirtyTo: calls copy(destX, destY, width,
  /// height, srcX, srcY) for each run of marked tiles, or once for the whole surface.
  template <typename CopyFunction>
  void ForEachDirtyRun(bool whole, int px, int py, CopyFunction copy);

  /// Whether copies from this surface blend with the destination.
  bool TranslucencyActive() const {
    return (translucency[0] | translucency[1] | translucency[2] | translucency[3]) != 0;
  }
  /// Whether copies from this surface are tinted: all three offsets non-zero.
  bool TintActive() const { return tintRed != 0 && tintGreen != 0 && tintBlue != 0; }

 private:
  /// Depths of the draw list's leaves while sorting, drawListCapacity entries.
  std::unique_ptr<std::int32_t[]> drawDepths_;
};

}  // namespace oru
