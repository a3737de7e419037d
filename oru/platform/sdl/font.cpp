// Fonts over fontconfig and FreeType. FreeType faces are not thread-safe and a face's size is
// state, so every use of a face happens under one process-wide lock; text is short and rare
// enough (labels, the score line) that this costs nothing measurable.
#include "oru/platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "oru/platform/draw_context.h"

namespace oru {

// One rendered glyph: its set pixels as bytes (1 = set), where they sit relative to the pen on
// the baseline, and how far the pen moves.
struct Glyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  int advance = 0;
  std::vector<std::uint8_t> bits;
};

struct Font::Face {
  FT_Face face = nullptr;
  bool bold = false;  // the face itself is a bold design
  // Rendered glyphs by size, emboldening and code point. Cleared when it grows past a few
  // thousand entries, which only a program drawing many sizes of many characters reaches.
  std::unordered_map<std::uint64_t, Glyph> glyphs;
};

namespace {

std::mutex& FontMutex() {
  static std::mutex mutex;
  return mutex;
}

// Process-lifetime state, guarded by FontMutex. Faces are never closed: fonts created earlier
// keep pointers to them.
struct FontLibrary {
  FT_Library library = nullptr;
  bool initialised = false;
  bool fontconfig = false;
  std::map<std::pair<std::string, int>, Font::Face*> facesByFile;
  std::map<std::string, Font::Face*> facesByPattern;  // null entries: nothing found
};

// Never destroyed: fonts may still be in use while static objects are torn down at exit.
FontLibrary& Library() {
  static FontLibrary& library = *new FontLibrary;
  if (!library.initialised) {
    library.initialised = true;
    if (FT_Init_FreeType(&library.library) != 0) library.library = nullptr;
    // fontconfig's own tables are released at exit, so leak checkers see only real leaks.
    library.fontconfig = FcInit() != 0;
    if (library.fontconfig) std::atexit([] { FcFini(); });
  }
  return library;
}

constexpr const char* kModernPattern = "monospace:lang=ja";
constexpr const char* kGothicPattern = "IPAGothic,VL Gothic,Noto Sans Mono CJK JP:lang=ja";

std::string PatternFor(const FontParams& params) {
  std::string pattern;
  if (!params.faceName.empty()) {
    // Named faces are the Japanese Gothic faces; what stands in for them is one of the Gothic
    // families a Debian system installs for Japanese.
    pattern = kGothicPattern;
  } else if ((params.pitchAndFamily & 0xF0) == 48) {
    pattern = kModernPattern;
  } else {
    pattern = "sans-serif:lang=ja";
  }
  if (params.weight >= 700) pattern += ":weight=bold";
  return pattern;
}

// Finds (and caches) the face fontconfig matches for the pattern; null when there is none.
Font::Face* FindFace(const std::string& patternText) {
  FontLibrary& lib = Library();
  auto cached = lib.facesByPattern.find(patternText);
  if (cached != lib.facesByPattern.end()) return cached->second;
  Font::Face* result = nullptr;
  if (lib.library != nullptr && lib.fontconfig) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(patternText.c_str()));
    if (pattern != nullptr) {
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult matchResult = FcResultNoMatch;
      FcPattern* match = FcFontMatch(nullptr, pattern, &matchResult);
      FcChar8* file = nullptr;
      int index = 0;
      if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        const auto key = std::make_pair(std::string(reinterpret_cast<const char*>(file)), index);
        auto known = lib.facesByFile.find(key);
        if (known != lib.facesByFile.end()) {
          result = known->second;
        } else {
          FT_Face face = nullptr;
          if (FT_New_Face(lib.library, key.first.c_str(), index, &face) == 0) {
            if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->charmap == nullptr) {
              FT_Done_Face(face);
            } else {
              result = new Font::Face;
              result->face = face;
              result->bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
              lib.facesByFile[key] = result;
            }
          }
        }
      }
      if (match != nullptr) FcPatternDestroy(match);
      FcPatternDestroy(pattern);
    }
  }
  lib.facesByPattern[patternText] = result;
  return result;
}

// Sets the face to the font's size; the caller holds FontMutex.
void ApplySize(FT_Face face, int pixelSize) {
  if (FT_IS_SCALABLE(face)) {
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
    return;
  }
  // Bitmap-only faces: the strike nearest to the wanted size.
  int best = 0;
  for (int i = 1; i < face->num_fixed_sizes; ++i) {
    if (std::abs(face->available_sizes[i].height - pixelSize) <
        std::abs(face->available_sizes[best].height - pixelSize)) {
      best = i;
    }
  }
  if (face->num_fixed_sizes > 0) FT_Select_Size(face, best);
}

int RoundUp26(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }

// The glyph for code at the font's size, rendered in monochrome on first use. The caller holds
// FontMutex; the reference stays valid until the next call.
const Glyph& GlyphFor(Font::Face* face, int pixelSize, bool embolden, char32_t code) {
  const std::uint64_t key = (static_cast<std::uint64_t>(pixelSize) << 33) |
                            (static_cast<std::uint64_t>(embolden) << 32) | code;
  auto found = face->glyphs.find(key);
  if (found != face->glyphs.end()) return found->second;
  if (face->glyphs.size() >= 4096) face->glyphs.clear();
  Glyph& glyph = face->glyphs[key];
  FT_Face f = face->face;
  ApplySize(f, pixelSize);
  const FT_UInt index = FT_Get_Char_Index(f, code);
  if (FT_Load_Glyph(f, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return glyph;
  if (embolden) FT_GlyphSlot_Embolden(f->glyph);
  glyph.advance = static_cast<int>((f->glyph->advance.x + 32) >> 6);
  if (f->glyph->format != FT_GLYPH_FORMAT_BITMAP &&
      FT_Render_Glyph(f->glyph, FT_RENDER_MODE_MONO) != 0) {
    return glyph;
  }
  const FT_Bitmap& bitmap = f->glyph->bitmap;
  glyph.left = f->glyph->bitmap_left;
  glyph.top = f->glyph->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.bits.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
  for (int row = 0; row < glyph.rows; ++row) {
    const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (int column = 0; column < glyph.width; ++column) {
      const bool set = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                           ? (source[column >> 3] & (0x80 >> (column & 7))) != 0
                           : source[column] >= 128;
      glyph.bits[static_cast<std::size_t>(row) * glyph.width + column] = set ? 1 : 0;
    }
  }
  return glyph;
}

// A converter per thread and direction (iconv handles keep state), closed when the thread ends.
struct IconvConverter {
  IconvConverter(const char* to, const char* from) : handle(iconv_open(to, from)) {}
  ~IconvConverter() {
    if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
  }
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;
  iconv_t handle;
};

}  // namespace

std::u32string DecodeCp932(const char* text, int length) {
  std::u32string out;
  if (text == nullptr || length <= 0) return out;
  thread_local const IconvConverter perThread("UTF-32LE", "CP932");
  iconv_t converter = perThread.handle;
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    // No converter: ASCII still reads right, other bytes become replacement characters.
    for (int i = 0; i < length; ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      out.push_back(byte < 0x80 ? byte : 0xFFFD);
    }
    return out;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text);
  std::size_t inLeft = static_cast<std::size_t>(length);
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    const std::size_t produced = sizeof buffer - outLeft;
    for (std::size_t i = 0; i + 3 < produced; i += 4) {
      const auto* b = reinterpret_cast<const unsigned char*>(buffer + i);
      out.push_back(static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) |
                                          (static_cast<std::uint32_t>(b[3]) << 24)));
    }
    if (result == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      out.push_back(0xFFFD);
      if (errno == EINVAL) break;  // a lead byte cut off at the end
      ++in;
      --inLeft;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string EncodeCp932(std::u32string_view codes) {
  std::string out;
  out.reserve(codes.size() * 2);
  thread_local const IconvConverter perThread("CP932", "UTF-32LE");
  iconv_t converter = perThread.handle;
  for (char32_t code : codes) {
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    // One code point at a time, so one the code page lacks costs only itself.
    char in[4] = {static_cast<char>(code & 0xFF), static_cast<char>((code >> 8) & 0xFF),
                  static_cast<char>((code >> 16) & 0xFF), static_cast<char>(code >> 24)};
    char bytes[8];
    char* inPtr = in;
    std::size_t inLeft = sizeof in;
    char* outPtr = bytes;
    std::size_t outLeft = sizeof bytes;
    const bool converted =
        code != 0xFFFD && converter != reinterpret_cast<iconv_t>(-1) &&
        iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
        inLeft == 0 && outPtr != bytes;
    if (converted) {
      out.append(bytes, outPtr);
    } else {
      out.push_back(kCp932Replacement);
      if (converter != reinterpret_cast<iconv_t>(-1)) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }
  return out;
}

std::unique_ptr<Font> Font::Create(const FontParams& params) {
  std::lock_guard<std::mutex> lock(FontMutex());
  return std::unique_ptr<Font>(new Font(params, FindFace(PatternFor(params))));
}

Font::Font(const FontParams& params, Face* face) : params_(params), face_(face) {
  if (face_ == nullptr) return;
  embolden_ = params_.weight >= 700 && !face_->bold;
  FT_Face f = face_->face;
  const int height = params_.height == 0 ? 16 : params_.height;
  if (height < 0) {
    pixelSize_ = -height;
  } else if (FT_IS_SCALABLE(f) && f->ascender - f->descender > 0) {
    // A cell height: choose the em size whose ascent plus descent fills it.
    pixelSize_ = std::max(1, static_cast<int>(static_cast<long>(height) * f->units_per_EM /
                                              (f->ascender - f->descender)));
  } else {
    pixelSize_ = height;
  }
  pixelSize_ = std::clamp(pixelSize_, 1, 1024);
  ApplySize(f, pixelSize_);
  ascent_ = RoundUp26(f->size->metrics.ascender);
  descent_ = RoundUp26(-f->size->metrics.descender);
  if (height > 0) {
    // The em size was rounded down and the metrics up, so the sum may be a pixel off; the cell
    // height is what was asked for, whatever the face.
    ascent_ = std::min(ascent_, height);
    descent_ = height - ascent_;
  }
}

Font::~Font() = default;

bool Font::HasFace() const { return face_ != nullptr; }

int Font::CellHeight() const { return face_ != nullptr ? ascent_ + descent_ : 0; }

Size Font::Extent(const char* text, int length) const {
  if (face_ == nullptr || text == nullptr || length <= 0) return Size{};
  const std::u32string codes = DecodeCp932(text, length);
  std::lock_guard<std::mutex> lock(FontMutex());
  int width = 0;
  for (char32_t code : codes) width += GlyphFor(face_, pixelSize_, embolden_, code).advance;
  return Size{width, ascent_ + descent_};
}

void Font::Render(const char* text, int length, int x, int y, std::uint8_t* pixels, int pitch,
                  const Rect& clip, std::uint8_t index) const {
  if (face_ == nullptr || text == nullptr || length <= 0 || pixels == nullptr) return;
  const std::u32string codes = DecodeCp932(text, length);
  std::lock_guard<std::mutex> lock(FontMutex());
  const int baseline = y + ascent_;
  int penX = x;
  for (char32_t code : codes) {
    const Glyph& glyph = GlyphFor(face_, pixelSize_, embolden_, code);
    const int left = penX + glyph.left;
    const int top = baseline - glyph.top;
    // Clip the glyph box once, then copy the set bits.
    const int row0 = std::max(0, clip.top - top);
    const int row1 = std::min(glyph.rows, clip.bottom - top);
    const int column0 = std::max(0, clip.left - left);
    const int column1 = std::min(glyph.width, clip.right - left);
    for (int row = row0; row < row1; ++row) {
      const std::uint8_t* bits = glyph.bits.data() + static_cast<std::size_t>(row) * glyph.width;
      std::uint8_t* target = pixels + static_cast<std::ptrdiff_t>(top + row) * pitch;
      for (int column = column0; column < column1; ++column) {
        if (bits[column]) target[left + column] = index;
      }
    }
    penX += glyph.advance;
  }
}

}  // namespace oru
