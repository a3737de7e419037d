// Escaping text for the terminal.
#include "oru/data/escaped_name.h"

#include <cstdio>
#include <cstring>

#include "oru/platform/files.h"

namespace oru {
namespace {

std::string EscapedText(std::string_view text, bool keepBackslash) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\' && keepBackslash) {
      out += ch;
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace

std::string Escaped(std::string_view text) { return EscapedText(text, false); }

std::string EscapedPath(std::string_view path) {
  return EscapedText(path, std::strchr(FolderSeparators(), '\\') != nullptr);
}

}  // namespace oru
