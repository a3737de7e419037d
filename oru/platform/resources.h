/// \file
/// Embedded resources and the string table of the executable.
///
/// Resources are looked up by (name, type) and stay in memory for the whole run: a pointer handed
/// out by FindResource is never freed, even when a later RegisterResource replaces the entry or
/// UnregisterResource removes it, just as the bytes of a native executable image never go away.
/// The game's executable carries no asset resources; tests register resources of their own.
///
///   const oru::Resource* r = oru::FindResource("kani.bmp", "BITMAP");
///   if (r) Decode(r->data, r->size);
///
///   char caption[64];
///   oru::LoadString(oru::kStringCaption, caption, sizeof caption);
#pragma once

#include <cstddef>
#include <cstdint>

namespace oru {

/// An embedded resource: bytes registered under a name and a type.
struct Resource {
  /// The name it is looked up by.
  const char* name;
  const char* type;  ///< "" when the resource was registered without a type
  /// The bytes; they stay valid until the resource is unregistered.
  const std::uint8_t* data;
  /// Bytes at data.
  std::size_t size;
};

/// The resource of that name and type, or null. Names and types compare without regard to ASCII
/// case; a null type matches only resources registered without one. Thread-safe.
const Resource* FindResource(const char* name, const char* type);

/// Adds a resource holding a copy of size bytes at data, replacing any of the same name and type.
/// Returns false for a null name or null data with a non-zero size.
bool RegisterResource(const char* name, const char* type, const void* data, std::size_t size);

/// Removes the resource from the lookup; its bytes stay valid. Returns whether it was present.
bool UnregisterResource(const char* name, const char* type);

/// String 1: the caption of the game's window.
inline constexpr unsigned kStringCaption = 1;

/// Copies string id into buffer (at most bufferSize - 1 characters, cut to fit, then a NUL) and
/// returns the number of characters copied. An unknown id, a null buffer or a bufferSize below 1
/// copies nothing and returns 0 (with bufferSize 1 the buffer becomes "").
int LoadString(unsigned id, char* buffer, int bufferSize);

}  // namespace oru
