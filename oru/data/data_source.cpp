// DataSource: the lookup order of Open and the dispatch of every read to the source found.
#include "oru/data/data_source.h"

#include <cstdio>
#include <new>

#include "oru/data/last_error.h"
#include "oru/data/whole_file.h"

namespace oru {

DataSource::~DataSource() { Release(); }

void DataSource::Release() {
  resource_.reset();
  file_.reset();
  pack_.reset();
  kind_ = SourceNone;
}

void DataSource::SetResourceType(const char* type) {
  if (type)
    resourceType_ = type;
  else
    resourceType_.reset();
}

bool DataSource::Open(const char* name, int places) {
  if (!name) {
    SetLastError("no file name given");
    return false;
  }
  Release();
  std::string reason;
  if (places & DataFiles) {
    // Each step takes the file the one before opened: a load opens its file once.
    std::string opened;
    StdFilePtr f = PackFile::OpenFileOrPack(name, opened);
    // The reason about the plain name stands when no resource has it either.
    reason = LastError();
    if (f) {
      pack_ = std::make_unique<PackFile>();
      if (pack_->OpenStream(f, opened.c_str()) && pack_->Unpack()) {
        kind_ = SourcePack;
        return true;
      }
      pack_.reset();
      // A pack that turns out corrupt counts as no pack: the file under the name itself is then
      // a plain file (reopened, as the pack took it), while a corrupt ".dpa" is passed over.
      if (opened == name) {
        if (!f) f = OpenRegularFile(name);
        if (f && std::fseek(f.get(), 0, SEEK_SET) == 0) {
          file_ = std::make_unique<FileStream>();
          file_->Adopt(std::move(f), name);
          kind_ = SourceFile;
          return true;
        }
        reason = LastError();
      }
    }
  }
  if (!(places & DataResources)) {
    SetLastError("%s", reason.c_str());
    return false;
  }
  if (!(places & DataFiles))
    reason = std::string("is not an embedded resource of type ") +
             (resourceType_ ? resourceType_->c_str() : "(none)");

  resource_ = std::make_unique<ResourceStream>();
  if (!resource_->Open(name, resourceType_ ? resourceType_->c_str() : nullptr)) {
    resource_.reset();
    SetLastError("%s", reason.c_str());
    return false;
  }
  pack_ = std::make_unique<PackFile>();
  if (pack_->OpenMemory(resource_->Data(), resource_->Size()) && pack_->Unpack()) {
    kind_ = SourcePack;  // the resource stays attached: the pack read its areas from it
    return true;
  }
  pack_.reset();
  kind_ = SourceResource;
  return true;
}

bool DataSource::Contents(const std::uint8_t*& data, std::size_t& size,
                          std::vector<std::uint8_t>& storage) {
  switch (kind_) {
    case SourcePack:
      data = pack_->Data();
      size = pack_->Size();
      return true;
    case SourceResource:
      data = resource_->Data();
      size = resource_->Size();
      return true;
    case SourceFile:
      break;
    default:
      SetLastError("nothing is open");
      return false;
  }
  const std::uint32_t length = file_->Size();
  if (length > kMaxLoadBytes) {
    SetLastError("is %u bytes long, more than the %zu bytes a loader reads", length, kMaxLoadBytes);
    return false;
  }
  try {
    storage.resize(length);
  } catch (const std::bad_alloc&) {
    SetLastError("needs %u bytes of memory, which are not available", length);
    return false;
  }
  if (file_->Seek(0, SEEK_SET) != 0 || file_->Read(storage.data(), length) != length) {
    SetLastError("cannot be read to its end");
    return false;
  }
  data = storage.data();
  size = storage.size();
  return true;
}

std::uint32_t DataSource::Size() {
  switch (kind_) {
    case SourceFile:
      return file_->Size();
    case SourcePack:
      return pack_->Size();
    case SourceResource:
      return resource_->Size();
    default:
      return 0;
  }
}

std::size_t DataSource::Read(void* buffer, std::size_t count) {
  switch (kind_) {
    case SourceFile:
      return file_->Read(buffer, count);
    case SourcePack:
      return pack_->Read(buffer, count);
    case SourceResource:
      return resource_->Read(buffer, count);
    default:
      return 0;
  }
}

int DataSource::Seek(long offset, int origin) {
  switch (kind_) {
    case SourceFile:
      return file_->Seek(offset, origin);
    case SourcePack:
      return pack_->Seek(offset, origin);
    case SourceResource:
      return resource_->Seek(offset, origin);
    default:
      return 0;
  }
}

long DataSource::Tell() {
  switch (kind_) {
    case SourceFile:
      return file_->Tell();
    case SourcePack:
      return pack_->Tell();
    case SourceResource:
      return resource_->Tell();
    default:
      return 0;
  }
}

char* DataSource::GetLine(char* buffer, int max) {
  switch (kind_) {
    case SourceFile:
      return file_->GetLine(buffer, max);
    case SourcePack:
      return pack_->GetLine(buffer, max);
    case SourceResource:
      return resource_->GetLine(buffer, max);
    default:
      return nullptr;
  }
}

int DataSource::GetChar() {
  switch (kind_) {
    case SourceFile:
      return file_->GetChar();
    case SourcePack:
      return pack_->GetChar();
    case SourceResource:
      return resource_->GetChar();
    default:
      return -1;
  }
}

const char* DataSource::GetName() const {
  switch (kind_) {
    case SourceFile:
      return file_->Name();
    case SourcePack:
      return pack_->StoredName();
    case SourceResource:
      return resource_->Name();
    default:
      return nullptr;
  }
}

}  // namespace oru
