/// \file
/// Names and other outside text made safe to print: a file name, a stored name or a command-line
/// argument may hold a newline or a terminal escape sequence, which printed raw would rewrite the
/// terminal or fake a line of output.
///
///   std::fprintf(stderr, "oru: '%s': %s\n", oru::Escaped(name).c_str(), oru::LastError());
///   std::fprintf(stderr, "game: %s: %s\n", oru::EscapedPath(file).c_str(), reason);
#pragma once

#include <string>
#include <string_view>

namespace oru {

/// text with control characters, DEL and backslashes escaped (`\n`, `\t`, `\\`, `\xNN`); every
/// other byte, UTF-8 included, is kept.
std::string Escaped(std::string_view text);

/// A file name escaped as Escaped does, except that a backslash stays single where it separates
/// folders (on Windows), so `C:\Games\best.orr` prints as the user typed it.
std::string EscapedPath(std::string_view path);

}  // namespace oru
