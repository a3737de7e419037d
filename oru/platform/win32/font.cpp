// Fonts over GDI: a logical font made from the parameters, measured by GDI and drawn in monochrome
// into a 1-bit DIB section in a memory drawing context, whose set bits are then written into the
// caller's 8-bit pixels. The memory context, the DIB and the fonts are process-wide and used
// under one lock, as a context may be used by one thread at a time: the game thread draws, and
// any thread may measure or make a font. Text is short and rare enough (labels, the score line)
// that drawing a string through GDI each time costs nothing measurable.
#include "oru/platform/font.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "oru/platform/draw_context.h"
#include "oru/platform/win32/font_internal.h"

#include "oru/platform/win32/windows_internal.h"

namespace oru {

struct Font::Face {
  HFONT font = nullptr;
  std::wstring name;  // the face GDI selected, which may differ from the one asked for
  TEXTMETRICW metrics{};
};

namespace {

constexpr UINT kCp932 = 932;
constexpr char32_t kReplacement = 0xFFFD;

// The Japanese Gothic faces, under their English and their Japanese names: which of the two a
// system enumerates depends on its version and language.
const std::vector<std::wstring> kFixedGothic = {L"MS Gothic",
                                                L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"};
const std::vector<std::wstring> kProportionalGothic = {
    L"MS PGothic", L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF", L"Meiryo",
    L"\u30E1\u30A4\u30EA\u30AA"};

// (face name, character set, pitch and family, height, weight): what tells two GDI fonts apart.
using FaceKey = std::tuple<std::wstring, int, int, int, int>;

// Process-lifetime state, guarded by FontMutex. Faces are never deleted: fonts made earlier keep
// pointers to them.
struct FontLibrary {
  HDC dc = nullptr;  // null when no memory context could be made: then no font has a face
  HBITMAP dib = nullptr;
  std::uint8_t* bits = nullptr;
  int dibWidth = 0;
  int dibHeight = 0;
  int dibPitch = 0;
  std::map<std::wstring, bool> installed;
  std::set<std::wstring> hidden;
  bool noFaces = false;
  std::map<FaceKey, Font::Face*> faces;
};

std::mutex& FontMutex() {
  static std::mutex mutex;
  return mutex;
}

// Never destroyed: fonts may still be in use while static objects are torn down at exit. The
// caller holds FontMutex.
FontLibrary& Library() {
  static FontLibrary& library = []() -> FontLibrary& {
    auto* made = new FontLibrary;
    made->dc = CreateCompatibleDC(nullptr);
    if (made->dc != nullptr) {
      // White glyphs on a black (zero) background: set pixels are the 1 bits.
      SetTextColor(made->dc, RGB(255, 255, 255));
      SetBkMode(made->dc, TRANSPARENT);
      SetTextAlign(made->dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    }
    return *made;
  }();
  return library;
}

// Makes the DIB at least width by height, keeping the larger one it had. The caller holds
// FontMutex.
bool EnsureDib(FontLibrary& lib, int width, int height) {
  if (lib.dib != nullptr && width <= lib.dibWidth && height <= lib.dibHeight) return true;
  const int newWidth = std::max(width, lib.dibWidth);
  const int newHeight = std::max(height, lib.dibHeight);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = newWidth;
  info.header.biHeight = -newHeight;  // top-down: row 0 first
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = 2;
  info.colours[1] = RGBQUAD{255, 255, 255, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(lib.dc, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                 &bits, nullptr, 0);
  if (dib == nullptr || bits == nullptr) return false;
  // The context's own 1 by 1 bitmap, swapped out the first time, is simply left unused.
  SelectObject(lib.dc, dib);
  if (lib.dib != nullptr) DeleteObject(lib.dib);
  lib.dib = dib;
  lib.bits = static_cast<std::uint8_t*>(bits);
  lib.dibWidth = newWidth;
  lib.dibHeight = newHeight;
  lib.dibPitch = (newWidth + 31) / 32 * 4;  // DIB rows are whole 32-bit words
  return true;
}

int CALLBACK NoteFace(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD /*type*/,
                      LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

// True when a face of that name is installed (in any character set). The caller holds FontMutex.
bool IsInstalled(FontLibrary& lib, const std::wstring& name) {
  if (lib.hidden.count(name) != 0) return false;
  auto known = lib.installed.find(name);
  if (known != lib.installed.end()) return known->second;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  name.copy(query.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(lib.dc, &query, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  lib.installed[name] = found;
  return found;
}

bool IsModern(const FontParams& params) { return (params.pitchAndFamily & 0xF0) == FF_MODERN; }

// The logical font for the parameters: the first installed candidate, else GDI's own choice.
// Only the parameters that pick and size the face count, as on every back end; the weight is
// bold or regular, since the Gothic faces come in those two only. The caller holds FontMutex.
LOGFONTW LogicalFontFor(FontLibrary& lib, const FontParams& params) {
  LOGFONTW font{};
  const int height = params.height == 0 ? 16 : params.height;
  font.lfHeight = std::clamp(height, -1024, 1024);
  font.lfWeight = params.weight >= 700 ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = static_cast<BYTE>(params.charSet);
  font.lfOutPrecision = OUT_TT_PRECIS;  // outline faces: bitmap ones come in a few sizes only
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = NONANTIALIASED_QUALITY;
  font.lfPitchAndFamily = static_cast<BYTE>(params.pitchAndFamily);
  for (const std::wstring& name : win32::FaceCandidates(params)) {
    if (IsInstalled(lib, name)) {
      name.copy(font.lfFaceName, LF_FACESIZE - 1);
      return font;
    }
  }
  // No Gothic face: a fixed-pitch face of the family (modern when none is given) in the
  // character set, so a system with any Japanese fixed-pitch face still shows the text.
  if (IsModern(params) || !params.faceName.empty()) {
    const int family =
        (params.pitchAndFamily & 0xF0) != 0 ? params.pitchAndFamily & 0xF0 : FF_MODERN;
    font.lfPitchAndFamily = static_cast<BYTE>(FIXED_PITCH | family);
  }
  return font;
}

// Finds (and caches) the face for the parameters; null when there is none. The caller holds
// FontMutex.
Font::Face* FindFace(const FontParams& params) {
  FontLibrary& lib = Library();
  if (lib.dc == nullptr || lib.noFaces) return nullptr;
  const LOGFONTW logical = LogicalFontFor(lib, params);
  const FaceKey key{std::wstring(logical.lfFaceName), logical.lfCharSet, logical.lfPitchAndFamily,
                    static_cast<int>(logical.lfHeight), static_cast<int>(logical.lfWeight)};
  auto cached = lib.faces.find(key);
  if (cached != lib.faces.end()) return cached->second;
  Font::Face* result = nullptr;
  HFONT font = CreateFontIndirectW(&logical);
  if (font != nullptr) {
    const HGDIOBJ previous = SelectObject(lib.dc, font);
    TEXTMETRICW metrics{};
    wchar_t name[LF_FACESIZE] = {};
    if (previous != nullptr && GetTextMetricsW(lib.dc, &metrics) && metrics.tmHeight > 0) {
      GetTextFaceW(lib.dc, LF_FACESIZE, name);
      result = new Font::Face;
      result->font = font;
      result->name = name;
      result->metrics = metrics;
    }
    if (previous != nullptr) SelectObject(lib.dc, previous);
    if (result == nullptr) DeleteObject(font);
  }
  // Failures are cached too: they come from a system short of resources or fonts, and asking
  // again for every string would only be slower.
  lib.faces[key] = result;
  return result;
}

}  // namespace

namespace win32 {

std::wstring Cp932ToWide(const char* text, int length) {
  std::wstring out;
  if (text == nullptr || length <= 0) return out;
  out.reserve(static_cast<std::size_t>(length));
  // One character at a time, so an invalid byte costs only itself, as with iconv on the other
  // back end: it becomes U+FFFD and the next byte starts a new character.
  int i = 0;
  while (i < length) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out.push_back(static_cast<wchar_t>(byte));
      ++i;
      continue;
    }
    const bool lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    if (lead && i + 1 == length) {
      out.push_back(static_cast<wchar_t>(kReplacement));  // a lead byte cut off at the end
      break;
    }
    wchar_t code = 0;
    // 0x80, 0xA0 and 0xFD to 0xFF are no characters of the code page, though Windows maps some
    // of them to control or private-use characters.
    const bool single = byte >= 0xA1 && byte <= 0xDF;
    const int size = lead ? 2 : 1;
    if ((lead || single) &&
        MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text + i, size, &code, 1) == 1) {
      out.push_back(code);
      i += size;
    } else {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
    }
  }
  return out;
}

std::vector<std::wstring> FaceCandidates(const FontParams& params) {
  std::vector<std::wstring> names;
  if (!params.faceName.empty()) {
    // A named face is taken when installed; in its place, a Gothic face.
    const std::wstring asked =
        Cp932ToWide(params.faceName.data(), static_cast<int>(params.faceName.size()));
    if (!asked.empty() && asked.size() < LF_FACESIZE &&
        asked.find(static_cast<wchar_t>(kReplacement)) == std::wstring::npos) {
      names.push_back(asked);
    }
  }
  const std::vector<std::wstring>& gothic =
      !params.faceName.empty() || IsModern(params) ? kFixedGothic : kProportionalGothic;
  for (const std::wstring& name : gothic) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

std::wstring RequestedFaceName(const FontParams& params) {
  std::lock_guard<std::mutex> lock(FontMutex());
  FontLibrary& lib = Library();
  if (lib.dc == nullptr) return std::wstring();
  return LogicalFontFor(lib, params).lfFaceName;
}

std::wstring SelectedFaceName(const FontParams& params) {
  std::lock_guard<std::mutex> lock(FontMutex());
  const Font::Face* face = FindFace(params);
  return face != nullptr ? face->name : std::wstring();
}

void HideFacesForTesting(const std::vector<std::wstring>& names) {
  std::lock_guard<std::mutex> lock(FontMutex());
  Library().hidden = std::set<std::wstring>(names.begin(), names.end());
}

void SetNoFacesForTesting(bool noFaces) {
  std::lock_guard<std::mutex> lock(FontMutex());
  Library().noFaces = noFaces;
}

}  // namespace win32

std::u32string DecodeCp932(const char* text, int length) {
  const std::wstring wide = win32::Cp932ToWide(text, length);
  return std::u32string(wide.begin(), wide.end());
}

std::string EncodeCp932(std::u32string_view codes) {
  std::string out;
  out.reserve(codes.size() * 2);
  for (char32_t code : codes) {
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    // Every character of the code page lies in the Basic Multilingual Plane, so a code point
    // beyond it, a surrogate or U+FFFD has no bytes. No best fit: Windows would otherwise turn
    // characters the code page lacks into look-alikes.
    char bytes[4];
    BOOL usedDefault = FALSE;
    const wchar_t wide = static_cast<wchar_t>(code);
    const int size = code <= 0xFFFF && (code < 0xD800 || code > 0xDFFF) && code != 0xFFFD
                         ? WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                               sizeof bytes, nullptr, &usedDefault)
                         : 0;
    if (size > 0 && !usedDefault) {
      out.append(bytes, static_cast<std::size_t>(size));
    } else {
      out.push_back(kCp932Replacement);
    }
  }
  return out;
}

std::unique_ptr<Font> Font::Create(const FontParams& params) {
  std::lock_guard<std::mutex> lock(FontMutex());
  return std::unique_ptr<Font>(new Font(params, FindFace(params)));
}

Font::Font(const FontParams& params, Face* face) : params_(params), face_(face) {
  if (face_ == nullptr) return;
  const TEXTMETRICW& metrics = face_->metrics;
  const int height = params_.height == 0 ? 16 : params_.height;
  pixelSize_ = std::abs(height);
  ascent_ = metrics.tmAscent;
  descent_ = metrics.tmDescent;
  if (height > 0) {
    // GDI fits the face to the cell height, but some faces come out a pixel short or tall; the
    // cell height is what was asked for, whatever the face, as on every back end.
    ascent_ = std::min(ascent_, height);
    descent_ = height - ascent_;
  }
}

Font::~Font() = default;

bool Font::HasFace() const { return face_ != nullptr; }

int Font::CellHeight() const { return face_ != nullptr ? ascent_ + descent_ : 0; }

Size Font::Extent(const char* text, int length) const {
  if (face_ == nullptr || text == nullptr || length <= 0) return Size{};
  const std::wstring wide = win32::Cp932ToWide(text, length);
  std::lock_guard<std::mutex> lock(FontMutex());
  FontLibrary& lib = Library();
  SIZE size{};
  const HGDIOBJ previous = SelectObject(lib.dc, face_->font);
  if (!wide.empty()) {
    GetTextExtentPoint32W(lib.dc, wide.data(), static_cast<int>(wide.size()), &size);
  }
  SelectObject(lib.dc, previous);
  return Size{static_cast<int>(size.cx), ascent_ + descent_};
}

void Font::Render(const char* text, int length, int x, int y, std::uint8_t* pixels, int pitch,
                  const Rect& clip, std::uint8_t index) const {
  if (face_ == nullptr || text == nullptr || length <= 0 || pixels == nullptr) return;
  const std::wstring wide = win32::Cp932ToWide(text, length);
  if (wide.empty()) return;
  const int count = static_cast<int>(wide.size());
  std::lock_guard<std::mutex> lock(FontMutex());
  FontLibrary& lib = Library();
  const HGDIOBJ previous = SelectObject(lib.dc, face_->font);
  SIZE size{};
  GetTextExtentPoint32W(lib.dc, wide.data(), count, &size);
  // The box GDI may draw in: the face's own cell, its baseline on the font's, and a margin on
  // either side for glyphs that reach past their advance (italics, overhangs). Only the part
  // inside clip is drawn, so the DIB is never larger than the caller's pixels.
  const TEXTMETRICW& metrics = face_->metrics;
  const int margin = metrics.tmHeight + metrics.tmOverhang;
  const int top = y + ascent_ - metrics.tmAscent;
  const auto left =
      static_cast<int>(std::max<long long>(clip.left, static_cast<long long>(x) - margin));
  const auto right = static_cast<int>(
      std::min<long long>(clip.right, static_cast<long long>(x) + size.cx + margin));
  const int rowTop = std::max(clip.top, top);
  const auto rowBottom = static_cast<int>(
      std::min<long long>(clip.bottom, static_cast<long long>(top) + metrics.tmHeight));
  if (left < right && rowTop < rowBottom && EnsureDib(lib, right - left, rowBottom - rowTop)) {
    const int width = right - left;
    const int rows = rowBottom - rowTop;
    // GDI may still be drawing into the bits from the last call.
    GdiFlush();
    for (int row = 0; row < rows; ++row) {
      std::memset(lib.bits + static_cast<std::ptrdiff_t>(row) * lib.dibPitch, 0,
                  static_cast<std::size_t>((width + 7) / 8));
    }
    ExtTextOutW(lib.dc, x - left, top - rowTop, 0, nullptr, wide.data(), static_cast<UINT>(count),
                nullptr);
    GdiFlush();
    for (int row = 0; row < rows; ++row) {
      const std::uint8_t* source = lib.bits + static_cast<std::ptrdiff_t>(row) * lib.dibPitch;
      std::uint8_t* target = pixels + static_cast<std::ptrdiff_t>(rowTop + row) * pitch + left;
      for (int column = 0; column < width; ++column) {
        if (source[column >> 3] & (0x80 >> (column & 7))) target[column] = index;
      }
    }
  }
  SelectObject(lib.dc, previous);
}

}  // namespace oru
