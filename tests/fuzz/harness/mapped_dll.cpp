// The in-memory module loader over a fake system loader: no code of the image ever runs (its
// entry routine is removed before the load and no export is called) and no library is loaded;
// every library handle given out is given back, and every export found lies inside the image.
#include <cstring>
#include <vector>

#include "image/mapped_dll.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

namespace {

__attribute__((ms_abi)) std::int32_t never_called() {
  hw_fuzz::broken("code reached through a mapped image ran");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> image(data, data + size);
  // The entry routine's address (AddressOfEntryPoint, 40 bytes into the NT headers) is zeroed:
  // the loader reads it from these bytes only.
  if (image.size() >= 0x40) {
    std::uint32_t nt = 0;
    std::memcpy(&nt, image.data() + 0x3C, 4);
    if (std::uint64_t{nt} + 0x28 + 4 <= image.size()) std::memset(image.data() + nt + 0x28, 0, 4);
  }
  int loads = 0, unloads = 0;
  system_loader loader;
  loader.load = [&](const char*) -> void* { return reinterpret_cast<void*>(std::uintptr_t{0x1000} + 0x10 * ++loads); };
  loader.symbol = [](void*, const char*) -> void* { return reinterpret_cast<void*>(&never_called); };
  loader.ordinal = [](void*, std::uint16_t) -> void* { return reinterpret_cast<void*>(&never_called); };
  loader.unload = [&](void*) { ++unloads; };

  std::unique_ptr<TMappedLibrary> module = MappedLoadLibrary(image.data(), image.size(), loader);
  if (module) {
    if (module->DllEntry != nullptr) hw_fuzz::broken("an entry routine was set");
    for (const char* name : {"add_numbers", "value_cell", "forwarded_scale", "MixedCase", "missing", ""}) {
      auto* address = static_cast<std::uint8_t*>(MappedGetProcAddress(module.get(), name));
      if (address && (address < module->CodeBase || address >= module->CodeBase + module->ImageSize))
        hw_fuzz::broken("an export outside the image");
    }
    MappedFreeLibrary(std::move(module));
  }
  if (loads != unloads) hw_fuzz::broken("a library loaded for an import was not freed");
  return 0;
}
