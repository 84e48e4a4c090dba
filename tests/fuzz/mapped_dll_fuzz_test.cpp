// Thousands of damaged copies of a real PE library: each is refused or mapped, never a crash, and
// every library the loader loads for one is freed again.
#include <gtest/gtest.h>

#include <random>

#include "image/mapped_dll.hpp"
#include "image/pe/pe_fixture.hpp"

using namespace pe_test;

namespace {

__attribute__((ms_abi)) std::int32_t never_called() { return 0; }

struct region {
  std::size_t begin, end;
};

TEST(MappedDllFuzz, MutatedImagesAreRefusedOrMappedNeverCrash) {
  bytes original;
  ASSERT_NO_THROW(original = read_fixture("sample.dll"));
  const layout l(original);
  // No code of a damaged image may run: the entry routine is removed, and neither its field nor
  // the pointer to the headers is ever mutated.
  put<std::uint32_t>(original, l.entry_point(), 0);
  const region kept[] = {{0x3C, 0x40}, {l.entry_point(), l.entry_point() + 4}};
  auto is_kept = [&](std::size_t offset, std::size_t length) {
    for (const region& k : kept)
      if (offset < k.end && offset + length > k.begin) return true;
    return false;
  };

  // Where mutations hurt most: the headers and the export, import and relocation tables.
  const std::uint32_t image_size = get<std::uint32_t>(original, l.size_of_image());
  std::vector<region> targets = {{0, get<std::uint32_t>(original, l.size_of_headers())}};
  for (const char* name : {".edata", ".idata", ".reloc"}) {
    const section& s = l.named(name);
    targets.push_back({s.raw_pointer, s.raw_pointer + std::min(s.raw_size, s.virtual_size)});
  }
  targets.push_back({0, original.size()});
  const std::uint32_t interesting[] = {0,          1,          2,          0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF,
                                       0x1000,     image_size, image_size - 1, image_size - 8,
                                       static_cast<std::uint32_t>(original.size())};

  int loads = 0, unloads = 0;
  system_loader loader;
  loader.load = [&](const char*) -> void* { return reinterpret_cast<void*>(0x1000 + 0x10 * ++loads); };
  loader.symbol = [](void*, const char*) -> void* { return reinterpret_cast<void*>(&never_called); };
  loader.ordinal = [](void*, std::uint16_t) -> void* { return reinterpret_cast<void*>(&never_called); };
  loader.unload = [&](void*) { ++unloads; };
  const std::uint64_t preferred = get<std::uint64_t>(original, l.image_base());

  std::mt19937 rng(1234567);
  auto below = [&](std::size_t n) { return n ? static_cast<std::size_t>(rng() % n) : 0; };
  int mapped = 0, refused = 0;
  for (int iteration = 0; iteration < 4000; ++iteration) {
    bytes b = original;
    const int mutations = 1 + static_cast<int>(below(4));
    for (int m = 0; m < mutations; ++m) {
      const region& r = targets[below(targets.size())];
      const std::size_t offset = r.begin + below(r.end - r.begin);
      switch (below(4)) {
        case 0:  // one random byte
          if (!is_kept(offset, 1)) b[offset] = static_cast<std::uint8_t>(rng());
          break;
        case 1:  // one flipped bit
          if (!is_kept(offset, 1)) b[offset] ^= static_cast<std::uint8_t>(1u << below(8));
          break;
        default: {  // an aligned 32-bit field set to a value near a limit
          const std::size_t at = offset & ~std::size_t{3};
          if (at + 4 <= b.size() && !is_kept(at, 4)) put<std::uint32_t>(b, at, interesting[below(std::size(interesting))]);
          break;
        }
      }
    }
    if (below(20) == 0) b.resize(below(b.size()));

    // Every other image cannot have its preferred base, so that it is relocated.
    std::unique_ptr<address_blocker> blocker;
    if (iteration % 2) blocker = std::make_unique<address_blocker>(preferred, image_size);

    auto module = MappedLoadLibrary(b.data(), b.size(), loader);
    if (module) {
      ++mapped;
      EXPECT_EQ(module->DllEntry, nullptr);
      for (const char* name : {"add_numbers", "value_cell", "forwarded_scale", "MixedCase", "missing", ""}) {
        auto* address = static_cast<std::uint8_t*>(MappedGetProcAddress(module.get(), name));
        if (address) {
          EXPECT_GE(address, module->CodeBase) << "iteration " << iteration;
          EXPECT_LT(address, module->CodeBase + module->ImageSize) << "iteration " << iteration;
        }
      }
      MappedFreeLibrary(std::move(module));
    } else {
      ++refused;
    }
    ASSERT_EQ(loads, unloads) << "iteration " << iteration;
  }
  // Both outcomes are common, so that both paths were exercised.
  EXPECT_GT(mapped, 400);
  EXPECT_GT(refused, 400);
}

}  // namespace
