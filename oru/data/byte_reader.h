/// \file
/// ByteReader: the one bounded cursor every loader reads its bytes through.
///
///   ByteReader in(bytes.data(), bytes.size());
///   const std::uint32_t length = in.U32Be();
///   const std::uint8_t* body = in.Bytes(length);   // null when fewer bytes remain
///   if (in.Failed()) return Fail("chunk at offset %zu is cut short", in.FailedAt());
///
/// Every read checks what is left. A read that does not fit sets the failure flag, returns 0 (or
/// null) and leaves the position where it was; the flag stays set, so a parser can read a whole
/// header and test once. Little- and big-endian fields of 1, 2 and 4 bytes; offsets and counts
/// are size_t and never wrap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru {

/// A bounds-checked cursor over bytes in memory: reads little- and big-endian fields and records
/// the first read that did not fit instead of reading past the end.
class ByteReader {
 public:
  ByteReader() = default;
  /// Reads size bytes at data, which must outlive the reader; a null data reads as empty.
  ByteReader(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(data ? size : 0) {}

  /// The first byte (null for an empty reader).
  const std::uint8_t* Data() const { return data_; }
  /// Bytes in all.
  std::size_t Size() const { return size_; }
  /// Offset of the next byte read.
  std::size_t Position() const { return position_; }
  /// Bytes from the position to the end.
  std::size_t Remaining() const { return size_ - position_; }
  /// Whether every byte has been read.
  bool AtEnd() const { return position_ == size_; }
  /// Whether count more bytes remain.
  bool Has(std::size_t count) const { return count <= size_ - position_; }

  ///@{
  /// Set by the first read, skip or seek that did not fit; FailedAt is the position it was tried
  /// at.
  bool Failed() const { return failed_; }
  std::size_t FailedAt() const { return failedAt_; }
  /// Sets the flag by hand, for a value that was read but is out of range.
  void Fail() { MarkFailed(); }
  ///@}

  /// Moves to position (at most Size()); false, setting the failure flag, beyond the end.
  bool Seek(std::size_t position) {
    if (position > size_) return MarkFailed();
    position_ = position;
    return true;
  }
  /// Moves count bytes on; false, setting the failure flag, when fewer remain.
  bool Skip(std::size_t count) {
    if (!Has(count)) return MarkFailed();
    position_ += count;
    return true;
  }

  /// The next count bytes, in place, and moves past them; null when fewer remain (and for 0 bytes
  /// of an empty reader, which has no data pointer).
  const std::uint8_t* Bytes(std::size_t count) {
    if (!Has(count)) {
      MarkFailed();
      return nullptr;
    }
    const std::uint8_t* p = data_ + position_;
    position_ += count;
    return p;
  }

  /// A reader over the next count bytes, moving past them; an empty, failed reader when fewer
  /// remain.
  ByteReader Sub(std::size_t count) {
    const std::uint8_t* p = Bytes(count);
    ByteReader sub(p, p ? count : 0);
    if (!p) sub.MarkFailed();
    return sub;
  }

  ///@{
  /// Fields of 1, 2 or 4 bytes, little-endian (Le) or big-endian (Be), signed (I) or not (U); each
  /// moves past the field. A field that does not fit reads as 0, sets the failure flag and leaves
  /// the position where it was.
  std::uint8_t U8() { return static_cast<std::uint8_t>(Field(1, false)); }
  std::uint16_t U16Le() { return static_cast<std::uint16_t>(Field(2, false)); }
  std::uint32_t U32Le() { return static_cast<std::uint32_t>(Field(4, false)); }
  std::int16_t I16Le() { return static_cast<std::int16_t>(U16Le()); }
  std::int32_t I32Le() { return static_cast<std::int32_t>(U32Le()); }
  std::uint16_t U16Be() { return static_cast<std::uint16_t>(Field(2, true)); }
  std::uint32_t U32Be() { return static_cast<std::uint32_t>(Field(4, true)); }
  ///@}
  /// A big-endian field of 1 to 4 bytes (a 24-bit tempo, say).
  std::uint32_t UBe(std::size_t bytes) {
    if (bytes < 1 || bytes > 4) return MarkFailed(), 0u;
    return static_cast<std::uint32_t>(Field(bytes, true));
  }

  /// The byte at the position without moving; -1 at the end (not a failure).
  int Peek() const { return position_ < size_ ? data_[position_] : -1; }

 private:
  bool MarkFailed() {
    if (!failed_) failedAt_ = position_;
    failed_ = true;
    return false;
  }
  std::uint64_t Field(std::size_t bytes, bool bigEndian) {
    if (!Has(bytes)) return MarkFailed(), 0;
    const std::uint8_t* p = data_ + position_;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i)
      v |= std::uint64_t{p[i]} << (8 * (bigEndian ? bytes - 1 - i : i));
    position_ += bytes;
    return v;
  }

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t position_ = 0;
  std::size_t failedAt_ = 0;
  bool failed_ = false;
};

}  // namespace oru
