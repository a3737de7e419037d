// ResourceStream over the executable's resource table.
#include "oru/data/resource_stream.h"

#include "oru/data/memory_stream_internal.h"

namespace oru {

bool ResourceStream::Open(const char* name, const char* type) {
  Close();
  if (!name) return false;
  name_ = name;
  resource_ = FindResource(name, type);
  position_ = 0;
  return resource_ != nullptr;
}

void ResourceStream::Close() {
  resource_ = nullptr;
  position_ = 0;
}

std::size_t ResourceStream::Read(void* buffer, std::size_t count) {
  return memory_stream::Read(Data(), Size(), position_, buffer, count);
}

int ResourceStream::Seek(long offset, int origin) {
  return memory_stream::Seek(Size(), position_, offset, origin);
}

char* ResourceStream::GetLine(char* buffer, int max) {
  return memory_stream::GetLine(Data(), Size(), position_, buffer, max);
}

int ResourceStream::GetChar() { return memory_stream::GetChar(Data(), Size(), position_); }

}  // namespace oru
