#include "platform/pixel_memory.hpp"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace {

// Every buffer starts after a header holding the size of its mapping (0 for a heap block).
constexpr std::size_t kHeader = 64;
// Buffers from this size on are mappings of their own.
constexpr std::size_t kMapped = std::size_t{4} << 20;
// An allocation from this size on that does not take the spare lets it go.
constexpr std::size_t kSpareLimit = std::size_t{256} << 10;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

struct Spare {
  void* base = nullptr;
  std::size_t size = 0;
};

std::mutex& spare_mutex() {
  static std::mutex m;
  return m;
}

Spare& spare() {
  static Spare s;
  return s;
}

// Takes the spare when it fits `want` without wasting more than three quarters of itself;
// otherwise unmaps it (when `drop`) and returns an empty one.
Spare take_spare(std::size_t want, bool drop) {
  std::lock_guard<std::mutex> lock(spare_mutex());
  Spare& s = spare();
  Spare got;
  if (s.base && s.size >= want && s.size / 4 <= want) got = s;
  else if (s.base && drop) munmap(s.base, s.size);
  else return got;
  s = Spare{};
  return got;
}

struct Adopted {
  void (*release)(void*);
  void* context;
};

// Blocks of other libraries taken in place, by their address.
// Never destroyed: pictures that live in tables of their own until the process ends give their
// adopted rows back from exit handlers that may run after this one's would have.
std::unordered_map<void*, Adopted>& adopted() {
  static auto* blocks = new std::unordered_map<void*, Adopted>;
  return *blocks;
}

}  // namespace

void pixel_memory_adopt(void* bits, void (*release)(void*), void* context) {
  std::lock_guard<std::mutex> lock(spare_mutex());
  adopted()[bits] = Adopted{release, context};
}

void* pixel_memory_allocate(std::size_t bytes, bool zeroed) {
  if (bytes > ~std::size_t{0} - kHeader - kHugePage) return nullptr;
  const std::size_t total = bytes + kHeader;
  if (total < kMapped) {
    if (bytes >= kSpareLimit) take_spare(~std::size_t{0}, true);
    void* p = zeroed ? std::calloc(total, 1) : std::malloc(total);
    if (!p) return nullptr;
    *static_cast<std::size_t*>(p) = 0;
    return static_cast<char*>(p) + kHeader;
  }
  const std::size_t want = (total + kHugePage - 1) / kHugePage * kHugePage;
  Spare block = take_spare(want, true);
  const bool fresh = !block.base;
  if (fresh) {
    void* base = mmap(nullptr, want, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    // Ordinary pages, not huge ones: on virtual machines that hand free memory back to their
    // host, huge pages come from memory the host must supply afresh, and the first writing of a
    // picture-sized buffer took three to five times as long (0.7-1.2 s against 0.2 s for 516 MB).
    // A zoom rendering, rewritten at every step in the spare, asks for huge pages itself.
    block = Spare{base, want};
  }
  *static_cast<std::size_t*>(block.base) = block.size;
  char* p = static_cast<char*>(block.base) + kHeader;
  // A fresh mapping is zero already.
  if (zeroed && !fresh) std::memset(p, 0, bytes);
  return p;
}

void pixel_memory_free(void* p) {
  if (!p) return;
  std::optional<Adopted> taken;
  {
    std::lock_guard<std::mutex> lock(spare_mutex());
    auto& blocks = adopted();
    if (auto it = blocks.find(p); it != blocks.end()) {
      taken = it->second;
      blocks.erase(it);
    }
  }
  if (taken) {
    taken->release(taken->context);
    return;
  }
  char* base = static_cast<char*>(p) - kHeader;
  const std::size_t size = *reinterpret_cast<std::size_t*>(base);
  if (size == 0) {
    std::free(base);
    return;
  }
  std::lock_guard<std::mutex> lock(spare_mutex());
  Spare& s = spare();
  if (s.base) munmap(s.base, s.size);
  s = Spare{base, size};
}

void pixel_memory_release() {
  {
    std::lock_guard<std::mutex> lock(spare_mutex());
    Spare& s = spare();
    if (s.base) munmap(s.base, s.size);
    s = Spare{};
  }
  malloc_trim(0);
}
