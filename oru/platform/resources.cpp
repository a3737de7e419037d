// The resource table and the string table. Resources live in a list that only grows, so the
// bytes of every resource ever registered stay put; the lookup index holds the live entries.
#include "oru/platform/resources.h"

#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace oru {
namespace {

struct StoredResource {
  std::string name;
  std::string type;
  std::vector<std::uint8_t> bytes;
  Resource view;
};

struct ResourceTable {
  std::mutex mutex;
  std::deque<StoredResource> store;  // never shrinks: handed-out pointers stay valid
  std::vector<StoredResource*> live;
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

bool SameText(const std::string& a, const char* b) {
  std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::size_t FindLive(ResourceTable& table, const char* name, const char* type) {
  const char* t = type ? type : "";
  for (std::size_t i = 0; i < table.live.size(); ++i)
    if (SameText(table.live[i]->name, name) && SameText(table.live[i]->type, t)) return i;
  return table.live.size();
}

struct StringEntry {
  unsigned id;
  const char* text;
};

constexpr StringEntry kStrings[] = {
    {kStringCaption, "BRELLOW-DIDOVEZ"},
};

}  // namespace

const Resource* FindResource(const char* name, const char* type) {
  if (!name) return nullptr;
  ResourceTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::size_t i = FindLive(table, name, type);
  return i < table.live.size() ? &table.live[i]->view : nullptr;
}

bool RegisterResource(const char* name, const char* type, const void* data, std::size_t size) {
  if (!name || (!data && size != 0)) return false;
  ResourceTable& table = Table();
  std::lock_guard lock(table.mutex);
  StoredResource& r = table.store.emplace_back();
  r.name = name;
  r.type = type ? type : "";
  if (size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    r.bytes.assign(bytes, bytes + size);
  }
  r.view = Resource{r.name.c_str(), r.type.c_str(), r.bytes.data(), r.bytes.size()};
  std::size_t i = FindLive(table, name, type);
  if (i < table.live.size())
    table.live[i] = &r;
  else
    table.live.push_back(&r);
  return true;
}

bool UnregisterResource(const char* name, const char* type) {
  if (!name) return false;
  ResourceTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::size_t i = FindLive(table, name, type);
  if (i == table.live.size()) return false;
  table.live.erase(table.live.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

int LoadString(unsigned id, char* buffer, int bufferSize) {
  if (!buffer || bufferSize < 1) return 0;
  buffer[0] = '\0';
  for (const StringEntry& s : kStrings) {
    if (s.id != id) continue;
    std::size_t n = std::strlen(s.text);
    std::size_t room = static_cast<std::size_t>(bufferSize) - 1;
    if (n > room) n = room;
    std::memcpy(buffer, s.text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
  }
  return 0;
}

}  // namespace oru
