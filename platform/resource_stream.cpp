#include "platform/resource_stream.hpp"

#include <map>
#include <mutex>
#include <utility>

namespace {

struct resource_bytes {
  const Byte* data = nullptr;
  std::size_t size = 0;
};

std::mutex& resource_mutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, resource_bytes>& resource_table() {
  static std::map<std::string, resource_bytes> table;
  return table;
}

std::pair<const Byte*, std::size_t> find_or_raise(const std::string& name) {
  const Byte* data = nullptr;
  std::size_t size = 0;
  if (!FindResourceData(name, data, size)) throw EResNotFound(Format("Resource %s not found", {name}));
  return {data, size};
}

}  // namespace

void RegisterResource(const std::string& Name, const void* Data, std::size_t Size) {
  std::lock_guard lock(resource_mutex());
  resource_table()[Name] = {static_cast<const Byte*>(Data), Size};
}

void UnregisterResource(const std::string& Name) {
  std::lock_guard lock(resource_mutex());
  resource_table().erase(Name);
}

bool FindResourceData(const std::string& Name, const Byte*& Data, std::size_t& Size) {
  std::lock_guard lock(resource_mutex());
  auto it = resource_table().find(Name);
  if (it == resource_table().end()) return false;
  Data = it->second.data;
  Size = it->second.size;
  return true;
}

TResourceStream::TResourceStream(const std::string& Name) : TResourceStream(find_or_raise(Name)) {}

TResourceStream::TResourceStream(const std::pair<const Byte*, std::size_t>& bytes)
    : TBytesStream(bytes.first, static_cast<Int64>(bytes.second)) {}
