// The GDI fonts' inner parts that their tests look at: the code page 932 conversion, the faces
// tried for a font and the one GDI picked, and switches that stand in for a machine without the
// Japanese faces or without any face at all. Free of <windows.h>, so a test includes it in the
// usual place.
#pragma once

#include <string>
#include <vector>

#include "oru/platform/font.h"

namespace oru::win32 {

// Code page 932 bytes as UTF-16 for the wide calls, by the rules of DecodeCp932 (every character
// of the code page lies in the Basic Multilingual Plane, so one code point is one unit).
std::wstring Cp932ToWide(const char* text, int length);

// The face names tried for the parameters, best first; when none of them is installed GDI picks
// a face itself from the character set and a fixed pitch.
std::vector<std::wstring> FaceCandidates(const FontParams& params);

// The installed candidate a font made from the parameters asks GDI for by name; "" when none is
// installed and GDI picks the face.
std::wstring RequestedFaceName(const FontParams& params);

// The face GDI selected for a font made from the parameters; "" when there is none.
std::wstring SelectedFaceName(const FontParams& params);

// For tests: the named faces count as not installed (fonts made before keep their faces); with
// noFaces set, fonts made from now on have no face at all. Thread-safe.
void HideFacesForTesting(const std::vector<std::wstring>& names);
void SetNoFacesForTesting(bool noFaces);

}  // namespace oru::win32
