// Raw-data resources the program carries: the build embeds their bytes and the program's main
// registers them by name before first use, as Windows programs find theirs in their image.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "platform/classes.hpp"

HW_DECLARE_EXCEPTION(EResNotFound, Exception);

// Makes `Size` bytes at `Data` (kept alive by the caller, normally for the whole run) known as
// the resource `Name`; a second registration of a name replaces the first.
void RegisterResource(const std::string& Name, const void* Data, std::size_t Size);
void UnregisterResource(const std::string& Name);
// The bytes of a resource, or false when none of that name is registered.
bool FindResourceData(const std::string& Name, const Byte*& Data, std::size_t& Size);

// A read-only stream over a resource's bytes. Raises EResNotFound "Resource %s not found".
class TResourceStream : public TBytesStream {
public:
  explicit TResourceStream(const std::string& Name);
  std::string ClassName() const override { return "TResourceStream"; }

private:
  explicit TResourceStream(const std::pair<const Byte*, std::size_t>& bytes);
};
