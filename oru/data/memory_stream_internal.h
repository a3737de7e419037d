// Reading rules shared by every source that holds its bytes in memory (an unpacked pack, an
// embedded resource): reads, seeks, the line read and the byte read over (data, size, position).
// Nothing here reads outside [data, data + size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace oru::memory_stream {

// Copies up to count bytes from the position, advances past them and returns how many were
// copied (fewer than count only at the end of the data).
inline std::size_t Read(const std::uint8_t* data, std::size_t size, std::size_t& position,
                        void* buffer, std::size_t count) {
  if (!buffer || position >= size) return 0;
  std::size_t n = size - position < count ? size - position : count;
  if (n) std::memcpy(buffer, data + position, n);
  position += n;
  return n;
}

// origin 0: from the start, 1: from the position, 2: from the end; other origins change nothing.
// The position stays within 0 .. size. Returns 1.
inline int Seek(std::size_t size, std::size_t& position, long offset, int origin) {
  long long base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = static_cast<long long>(position);
      break;
    case 2:
      base = static_cast<long long>(size);
      break;
    default:
      return 1;
  }
  long long target = base + offset;
  if (target < 0) target = 0;
  if (target > static_cast<long long>(size)) target = static_cast<long long>(size);
  position = static_cast<std::size_t>(target);
  return 1;
}

// Copies the line at the position into buffer without its line feed, stopping before a line
// feed, before a NUL byte, at the end of the data or after max - 1 bytes; the position moves past
// the copied bytes and past a line feed that ended the copy. At the end of the data, or at a NUL
// byte (which stays unread), every call gives an empty line. Null for a null buffer or max < 1.
inline char* GetLine(const std::uint8_t* data, std::size_t size, std::size_t& position,
                     char* buffer, int max) {
  if (!buffer || max < 1) return nullptr;
  std::size_t room = static_cast<std::size_t>(max) - 1, n = 0;
  while (n < room && position + n < size) {
    std::uint8_t c = data[position + n];
    if (c == '\n' || c == '\0') break;
    buffer[n] = static_cast<char>(c);
    ++n;
  }
  buffer[n] = '\0';
  position += n;
  if (n < room && position < size && data[position] == '\n') ++position;
  return buffer;
}

// The next byte (0..255), or -1 at the end of the data.
inline int GetChar(const std::uint8_t* data, std::size_t size, std::size_t& position) {
  return position < size ? data[position++] : -1;
}

}  // namespace oru::memory_stream
