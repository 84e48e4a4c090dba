// Test helpers for the PE fixtures: reading the built libraries, and a small reader and patcher of
// their headers written straight from the format's field offsets, independent of the loader.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace pe_test {

using bytes = std::vector<std::uint8_t>;

// The built fixture `name` (sample.dll, packed.dll, linux.dll); throws when it is missing.
inline bytes read_fixture(const std::string& name) {
  const std::string path = std::string(HW_PE_FIXTURE_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error(HW_PE_CROSS_COMPILER_FOUND
                                 ? "PE fixture missing: " + path
                                 : "PE fixture " + path +
                                       " was not built: x86_64-w64-mingw32-gcc was not found when the build was "
                                       "configured (install gcc-mingw-w64-x86-64-win32 and configure again)");
  }
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <class T>
T get(const bytes& b, std::size_t offset) {
  if (offset + sizeof(T) > b.size()) throw std::out_of_range("read past the fixture");
  T v;
  std::memcpy(&v, b.data() + offset, sizeof v);
  return v;
}

template <class T>
void put(bytes& b, std::size_t offset, T v) {
  if (offset + sizeof(T) > b.size()) throw std::out_of_range("write past the fixture");
  std::memcpy(b.data() + offset, &v, sizeof v);
}

struct section {
  std::string name;
  std::uint32_t virtual_size, virtual_address, raw_size, raw_pointer, characteristics;
  std::size_t header_offset;  // of this section's header in the file
};

// Field offsets of a PE32+ file, from the published layout.
struct layout {
  explicit layout(const bytes& b) {
    nt = get<std::uint32_t>(b, 0x3C);
    file_header = nt + 4;
    optional = nt + 24;
    number_of_sections = get<std::uint16_t>(b, file_header + 2);
    const std::size_t table = optional + get<std::uint16_t>(b, file_header + 16);
    for (std::size_t i = 0; i < number_of_sections; ++i) {
      const std::size_t h = table + 40 * i;
      section s;
      s.name = std::string(reinterpret_cast<const char*>(b.data() + h), strnlen(reinterpret_cast<const char*>(b.data() + h), 8));
      s.virtual_size = get<std::uint32_t>(b, h + 8);
      s.virtual_address = get<std::uint32_t>(b, h + 12);
      s.raw_size = get<std::uint32_t>(b, h + 16);
      s.raw_pointer = get<std::uint32_t>(b, h + 20);
      s.characteristics = get<std::uint32_t>(b, h + 36);
      s.header_offset = h;
      sections.push_back(s);
    }
  }

  std::size_t machine() const { return file_header; }
  std::size_t characteristics() const { return file_header + 18; }
  std::size_t magic() const { return optional; }
  std::size_t size_of_initialized_data() const { return optional + 8; }
  std::size_t size_of_uninitialized_data() const { return optional + 12; }
  std::size_t entry_point() const { return optional + 16; }
  std::size_t image_base() const { return optional + 24; }
  std::size_t size_of_image() const { return optional + 56; }
  std::size_t size_of_headers() const { return optional + 60; }
  std::size_t directory(int index) const { return optional + 112 + 8 * index; }

  const section& named(const std::string& n) const {
    for (const section& s : sections)
      if (s.name == n) return s;
    throw std::runtime_error("no section " + n);
  }

  // The file offset of an address inside a section's raw data.
  std::size_t file_offset(std::uint32_t rva) const {
    for (const section& s : sections)
      if (rva >= s.virtual_address && rva < s.virtual_address + s.raw_size) return s.raw_pointer + (rva - s.virtual_address);
    throw std::runtime_error("address outside the raw data");
  }

  std::size_t nt = 0, file_header = 0, optional = 0, number_of_sections = 0;
  std::vector<section> sections;
};

// The address of the export `name` as the export table lists it, read without the loader.
inline std::optional<std::uint32_t> export_rva(const bytes& b, const std::string& name) {
  layout l(b);
  const std::uint32_t dir = get<std::uint32_t>(b, l.directory(0));
  const std::size_t d = l.file_offset(dir);
  const std::uint32_t count = get<std::uint32_t>(b, d + 24);
  const std::size_t functions = l.file_offset(get<std::uint32_t>(b, d + 28));
  const std::size_t names = l.file_offset(get<std::uint32_t>(b, d + 32));
  const std::size_t ordinals = l.file_offset(get<std::uint32_t>(b, d + 36));
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* n = reinterpret_cast<const char*>(b.data() + l.file_offset(get<std::uint32_t>(b, names + 4 * i)));
    if (name == n) return get<std::uint32_t>(b, functions + 4 * get<std::uint16_t>(b, ordinals + 2 * i));
  }
  return std::nullopt;
}

// The offset of the only occurrence of `text` with its terminator; throws unless there is one.
inline std::size_t find_text(const bytes& b, std::string_view text) {
  const std::string needle = std::string(text) + '\0';
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i + needle.size() <= b.size(); ++i) {
    if (std::memcmp(b.data() + i, needle.data(), needle.size()) == 0) {
      if (found != std::string::npos) throw std::runtime_error("text found twice: " + std::string(text));
      found = i;
    }
  }
  if (found == std::string::npos) throw std::runtime_error("text not found: " + std::string(text));
  return found;
}

inline void replace_text(bytes& b, std::string_view from, std::string_view to) {
  if (from.size() != to.size()) throw std::invalid_argument("replacement of another length");
  std::memcpy(b.data() + find_text(b, from), to.data(), to.size());
}

// True when the page holding `address` is mapped in this process.
inline bool is_mapped(std::uintptr_t address) {
  const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  unsigned char residency = 0;
  return mincore(reinterpret_cast<void*>(address / page * page), page, &residency) == 0;
}

// Reserves the pages at `address` so that nothing else can be mapped there, for the life of the
// object.
class address_blocker {
public:
  address_blocker(std::uintptr_t address, std::size_t length) : length_(length) {
    void* at = mmap(reinterpret_cast<void*>(address), length, PROT_NONE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
    if (at == MAP_FAILED) throw std::runtime_error("cannot reserve the preferred base");
    if (reinterpret_cast<std::uintptr_t>(at) != address) {
      munmap(at, length);
      throw std::runtime_error("the preferred base was not reserved");
    }
    at_ = at;
  }
  ~address_blocker() { munmap(at_, length_); }
  address_blocker(const address_blocker&) = delete;
  address_blocker& operator=(const address_blocker&) = delete;

private:
  void* at_ = nullptr;
  std::size_t length_;
};

}  // namespace pe_test
