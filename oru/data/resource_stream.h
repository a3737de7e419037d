/// \file
/// ResourceStream: reads an embedded resource of the executable (oru/platform/resources.h) with
/// the in-memory reading rules DataSource describes for packs and resources. The bytes belong to
/// the resource table and are never freed; Close only forgets them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "oru/platform/resources.h"

namespace oru {

/// Reads an embedded resource with the in-memory reading rules of DataSource.
class ResourceStream {
 public:
  ///@{
  /// Closes, then looks the resource (name, type) up. False when it is not found.
  bool Open(const char* name, const char* type);
  void Close();
  ///@}

  /// Bytes of the open resource, 0 when none is open.
  std::uint32_t Size() const { return resource_ ? static_cast<std::uint32_t>(resource_->size) : 0; }
  /// The open resource's bytes, or null.
  const std::uint8_t* Data() const { return resource_ ? resource_->data : nullptr; }
  /// The name the resource was opened under.
  const char* Name() const { return name_.c_str(); }

  ///@{
  /// Reading, as DataSource reads in-memory sources (data_source.h).
  std::size_t Read(void* buffer, std::size_t count);
  int Seek(long offset, int origin);
  long Tell() const { return static_cast<long>(position_); }
  char* GetLine(char* buffer, int max);
  int GetChar();
  ///@}

 private:
  std::string name_;
  const Resource* resource_ = nullptr;
  std::size_t position_ = 0;
};

}  // namespace oru
