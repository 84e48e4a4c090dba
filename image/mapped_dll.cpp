#include "image/mapped_dll.hpp"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kMaxImageSize = 256u << 20;


// ---------------------------------------------------------------------------------------------
// The parts of the PE32+ format the loader reads. Every read goes through memcpy from a range that
// has been checked, so neither alignment nor the end of a buffer is ever assumed.
// ---------------------------------------------------------------------------------------------
constexpr std::uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kOptionalMagicPe32Plus = 0x20B;
constexpr std::uint16_t kFileRelocsStripped = 0x0001;

constexpr std::uint32_t kDirectoryExport = 0;
constexpr std::uint32_t kDirectoryImport = 1;
constexpr std::uint32_t kDirectoryBaseReloc = 5;

constexpr std::uint32_t kScnMemDiscardable = 0x02000000;
constexpr std::uint32_t kScnMemExecute = 0x20000000;
constexpr std::uint32_t kScnMemRead = 0x40000000;
constexpr std::uint32_t kScnMemWrite = 0x80000000;

constexpr unsigned kRelBasedHighLow = 3;
constexpr unsigned kRelBasedDir64 = 10;

constexpr std::uint64_t kOrdinalFlag64 = 0x8000000000000000ull;

constexpr std::size_t kDosLfanewOffset = 0x3C;

struct file_header {
  std::uint16_t Machine;
  std::uint16_t NumberOfSections;
  std::uint32_t TimeDateStamp;
  std::uint32_t PointerToSymbolTable;
  std::uint32_t NumberOfSymbols;
  std::uint16_t SizeOfOptionalHeader;
  std::uint16_t Characteristics;
};
static_assert(sizeof(file_header) == 20);

struct data_directory {
  std::uint32_t VirtualAddress;
  std::uint32_t Size;
};

// The fixed part of the PE32+ optional header; the data directories follow it.
struct optional_header64 {
  std::uint16_t Magic;
  std::uint8_t MajorLinkerVersion;
  std::uint8_t MinorLinkerVersion;
  std::uint32_t SizeOfCode;
  std::uint32_t SizeOfInitializedData;
  std::uint32_t SizeOfUninitializedData;
  std::uint32_t AddressOfEntryPoint;
  std::uint32_t BaseOfCode;
  std::uint64_t ImageBase;
  std::uint32_t SectionAlignment;
  std::uint32_t FileAlignment;
  std::uint16_t OperatingSystemVersion[2];
  std::uint16_t ImageVersion[2];
  std::uint16_t SubsystemVersion[2];
  std::uint32_t Win32VersionValue;
  std::uint32_t SizeOfImage;
  std::uint32_t SizeOfHeaders;
  std::uint32_t CheckSum;
  std::uint16_t Subsystem;
  std::uint16_t DllCharacteristics;
  std::uint64_t SizeOfStackReserve;
  std::uint64_t SizeOfStackCommit;
  std::uint64_t SizeOfHeapReserve;
  std::uint64_t SizeOfHeapCommit;
  std::uint32_t LoaderFlags;
  std::uint32_t NumberOfRvaAndSizes;
};
static_assert(sizeof(optional_header64) == 112);
constexpr std::size_t kImageBaseOffset = 24;  // inside the optional header

struct section_header {
  char Name[8];
  std::uint32_t VirtualSize;  // Misc
  std::uint32_t VirtualAddress;
  std::uint32_t SizeOfRawData;
  std::uint32_t PointerToRawData;
  std::uint32_t PointerToRelocations;
  std::uint32_t PointerToLinenumbers;
  std::uint16_t NumberOfRelocations;
  std::uint16_t NumberOfLinenumbers;
  std::uint32_t Characteristics;
};
static_assert(sizeof(section_header) == 40);

struct export_directory {
  std::uint32_t Characteristics;
  std::uint32_t TimeDateStamp;
  std::uint16_t MajorVersion;
  std::uint16_t MinorVersion;
  std::uint32_t Name;
  std::uint32_t Base;
  std::uint32_t NumberOfFunctions;
  std::uint32_t NumberOfNames;
  std::uint32_t AddressOfFunctions;
  std::uint32_t AddressOfNames;
  std::uint32_t AddressOfNameOrdinals;
};
static_assert(sizeof(export_directory) == 40);

struct import_descriptor {
  std::uint32_t OriginalFirstThunk;
  std::uint32_t TimeDateStamp;
  std::uint32_t ForwarderChain;
  std::uint32_t Name;
  std::uint32_t FirstThunk;
};
static_assert(sizeof(import_descriptor) == 20);

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
bool in_range(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment) {
  return alignment ? (value + alignment - 1) / alignment * alignment : value;
}

// A checked view of a byte range: the file image, or the mapped image while it is being built.
class byte_view {
public:
  byte_view(const std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {}

  template <class T>
  bool read(std::uint64_t offset, T& out) const {
    if (!in_range(offset, sizeof(T), size_)) return false;
    std::memcpy(&out, data_ + offset, sizeof(T));
    return true;
  }

  // The zero-terminated text at offset, when its terminator lies inside the view.
  const char* text(std::uint64_t offset) const {
    if (offset >= size_) return nullptr;
    const void* end = std::memchr(data_ + offset, 0, size_ - offset);
    return end ? reinterpret_cast<const char*>(data_ + offset) : nullptr;
  }

  bool contains(std::uint64_t offset, std::uint64_t length) const { return in_range(offset, length, size_); }

private:
  const std::uint8_t* data_;
  std::uint64_t size_;
};

std::size_t page_size() {
  static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// Everything the loader takes from the file image's headers, checked against the file's size.
struct image_layout {
  std::uint32_t nt_offset = 0;
  file_header file{};
  optional_header64 optional{};
  data_directory directories[16]{};
  std::vector<section_header> sections;
};

data_directory directory_of(const image_layout& layout, std::uint32_t index) {
  return index < 16 ? layout.directories[index] : data_directory{};
}

// The section's extent in the image: its virtual size, else its raw size, else one section
// alignment (the zero-filled block a section without raw data gets).
std::uint64_t section_extent(const section_header& s, const optional_header64& opt) {
  if (s.VirtualSize) return s.VirtualSize;
  if (s.SizeOfRawData) return s.SizeOfRawData;
  return opt.SectionAlignment;
}

bool parse_layout(const byte_view& file, std::uint64_t file_size, image_layout& layout) {
  std::uint16_t dos_signature = 0;
  if (!file.read(0, dos_signature) || dos_signature != kDosSignature) return false;
  if (!file.read(kDosLfanewOffset, layout.nt_offset)) return false;

  const std::uint64_t nt = layout.nt_offset;
  std::uint32_t nt_signature = 0;
  if (!file.read(nt, nt_signature) || nt_signature != kNtSignature) return false;
  if (!file.read(nt + 4, layout.file)) return false;
  // Only this machine's images: x86-64 code in the PE32+ layout.
  if (layout.file.Machine != kMachineAmd64) return false;
  if (layout.file.SizeOfOptionalHeader < sizeof(optional_header64)) return false;
  const std::uint64_t opt_offset = nt + 4 + sizeof(file_header);
  if (!file.contains(opt_offset, layout.file.SizeOfOptionalHeader)) return false;
  if (!file.read(opt_offset, layout.optional)) return false;
  const optional_header64& opt = layout.optional;
  if (opt.Magic != kOptionalMagicPe32Plus) return false;

  // Data directories: only those both counted and inside the optional header are present.
  const std::uint64_t dir_room = (layout.file.SizeOfOptionalHeader - sizeof(optional_header64)) / sizeof(data_directory);
  const std::uint64_t dir_count = std::min<std::uint64_t>({opt.NumberOfRvaAndSizes, dir_room, 16});
  for (std::uint64_t i = 0; i < dir_count; ++i)
    file.read(opt_offset + sizeof(optional_header64) + i * sizeof(data_directory), layout.directories[i]);

  if (opt.SizeOfImage == 0 || opt.SizeOfHeaders > opt.SizeOfImage || opt.SizeOfHeaders > file_size) return false;
  // A mend: images of more than 256 MiB are refused. No library the program maps comes near,
  // and a few kilobytes of file could otherwise reserve gigabytes that every lookup walks.
  if (opt.SizeOfImage > kMaxImageSize) return false;
  if (opt.AddressOfEntryPoint >= opt.SizeOfImage) return false;

  // The section table follows the optional header and lies inside the header area.
  const std::uint64_t table = opt_offset + layout.file.SizeOfOptionalHeader;
  const std::uint64_t table_size = std::uint64_t{layout.file.NumberOfSections} * sizeof(section_header);
  if (!in_range(table, table_size, opt.SizeOfHeaders)) return false;
  layout.sections.resize(layout.file.NumberOfSections);
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    section_header& s = layout.sections[i];
    if (!file.read(table + i * sizeof(section_header), s)) return false;
    // Sections lie inside the image, after its headers; raw data lies inside the file.
    if (s.VirtualAddress < opt.SizeOfHeaders) return false;
    if (!in_range(s.VirtualAddress, section_extent(s, opt), opt.SizeOfImage)) return false;
    if (s.SizeOfRawData && !in_range(s.PointerToRawData, s.SizeOfRawData, file_size)) return false;
  }
  return true;
}

// Reserves the image at its preferred base, else anywhere. Pages start readable and writable;
// their final protection is set once the image is complete.
std::uint8_t* map_image(std::uint64_t preferred, std::size_t length) {
  constexpr int prot = PROT_READ | PROT_WRITE;
  constexpr int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
  if (preferred != 0 && preferred % page_size() == 0 && preferred <= UINTPTR_MAX - length) {
    void* at = mmap(reinterpret_cast<void*>(static_cast<std::uintptr_t>(preferred)), length, prot,
                    flags | MAP_FIXED_NOREPLACE, -1, 0);
    // A kernel without MAP_FIXED_NOREPLACE takes the address as a hint: any address serves.
    if (at != MAP_FAILED) return static_cast<std::uint8_t*>(at);
  }
  void* at = mmap(nullptr, length, prot, flags, -1, 0);
  return at == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(at);
}

void copy_sections(TMappedLibrary& module, const image_layout& layout, const std::uint8_t* file) {
  module.Sections.reserve(layout.sections.size());
  for (const section_header& s : layout.sections) {
    const std::uint64_t extent = section_extent(s, layout.optional);
    std::uint8_t* dest = module.CodeBase + s.VirtualAddress;
    // A section without raw data is zero-filled: the fresh mapping already is, and writing the
    // zeros would only commit memory.
    if (s.SizeOfRawData)
      std::memcpy(dest, file + s.PointerToRawData, std::min<std::uint64_t>(s.SizeOfRawData, extent));
    module.Sections.push_back({dest, static_cast<std::size_t>(extent)});
  }
}

bool perform_base_relocation(TMappedLibrary& module, const image_layout& layout, std::uint64_t delta) {
  const data_directory dir = directory_of(layout, kDirectoryBaseReloc);
  if (dir.VirtualAddress == 0 || dir.Size == 0) return true;
  byte_view image(module.CodeBase, module.ImageSize);
  if (!image.contains(dir.VirtualAddress, dir.Size)) return false;
  std::uint64_t pos = dir.VirtualAddress;
  const std::uint64_t end = pos + dir.Size;
  while (end - pos >= 8) {
    std::uint32_t block_va = 0, block_size = 0;
    image.read(pos, block_va);
    image.read(pos + 4, block_size);
    if (block_va == 0 || block_size == 0) break;
    if (block_size < 8 || block_size > end - pos) return false;
    const std::uint64_t count = (block_size - 8) / 2;
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint16_t entry = 0;
      image.read(pos + 8 + 2 * i, entry);
      const unsigned type = entry >> 12;
      const std::uint64_t target = std::uint64_t{block_va} + (entry & 0x0FFF);
      if (type == kRelBasedHighLow) {
        std::uint32_t value = 0;
        if (!image.read(target, value)) return false;
        value += static_cast<std::uint32_t>(delta);
        std::memcpy(module.CodeBase + target, &value, sizeof value);
      } else if (type == kRelBasedDir64) {
        std::uint64_t value = 0;
        if (!image.read(target, value)) return false;
        value += delta;
        std::memcpy(module.CodeBase + target, &value, sizeof value);
      }
    }
    pos += block_size;
  }
  return true;
}

// Loads every imported library and fills the address tables. Any library or routine that cannot
// be found fails the whole load: a module with unresolved imports must not run.
bool build_import_table(TMappedLibrary& module, const image_layout& layout) {
  const data_directory dir = directory_of(layout, kDirectoryImport);
  if (dir.VirtualAddress == 0 || dir.Size == 0) return true;
  const system_loader& loader = module.loader;
  byte_view image(module.CodeBase, module.ImageSize);
  for (std::uint64_t at = dir.VirtualAddress;; at += sizeof(import_descriptor)) {
    import_descriptor desc{};
    if (!image.read(at, desc)) return false;
    if (desc.Name == 0) break;
    const char* name = image.text(desc.Name);
    if (!name || desc.FirstThunk == 0 || !loader.load) return false;
    void* library = loader.load(name);
    if (!library) return false;
    module.Modules.push_back(library);

    const std::uint64_t lookup = desc.OriginalFirstThunk ? desc.OriginalFirstThunk : desc.FirstThunk;
    const std::uint64_t address = desc.FirstThunk;
    for (std::uint64_t i = 0;; ++i) {
      std::uint64_t entry = 0;
      if (!image.read(lookup + 8 * i, entry)) return false;
      if (entry == 0) break;
      if (!image.contains(address + 8 * i, 8)) return false;
      void* routine = nullptr;
      if (entry & kOrdinalFlag64) {
        if (!loader.ordinal) return false;
        routine = loader.ordinal(library, static_cast<std::uint16_t>(entry & 0xFFFF));
      } else {
        const char* routine_name = entry <= UINT64_MAX - 2 ? image.text(entry + 2) : nullptr;
        if (!routine_name || !loader.symbol) return false;
        routine = loader.symbol(library, routine_name);
      }
      if (!routine) return false;
      const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(routine));
      std::memcpy(module.CodeBase + address + 8 * i, &value, sizeof value);
    }
  }
  return true;
}

int section_protection(std::uint32_t characteristics) {
  int prot = PROT_NONE;
  if (characteristics & kScnMemExecute) prot |= PROT_EXEC | PROT_READ;
  if (characteristics & kScnMemRead) prot |= PROT_READ;
  if (characteristics & kScnMemWrite) prot |= PROT_READ | PROT_WRITE;
  return prot;
}

// Sets the final protection page by page. A page takes the union of the access of every section
// that touches it (and the header area is readable), so sections sharing a page never take each
// other's access away. Discardable sections are dropped, but only the pages wholly their own.
// The not-cached modifier has no counterpart here and is ignored.
void finalize_sections(TMappedLibrary& module, const image_layout& layout) {
  const std::size_t page = page_size();
  const std::size_t pages = module.mapping_size / page;
  std::vector<int> prot(pages, PROT_NONE);
  std::vector<bool> covered(pages, false);
  std::vector<bool> discarded(pages, false);

  auto cover = [&](std::uint64_t begin, std::uint64_t length, int access) {
    if (length == 0) return;
    for (std::uint64_t p = begin / page; p <= (begin + length - 1) / page && p < pages; ++p) {
      covered[p] = true;
      prot[p] |= access;
    }
  };
  cover(0, layout.optional.SizeOfHeaders, PROT_READ);
  for (const section_header& s : layout.sections) {
    const std::uint64_t extent = section_extent(s, layout.optional);
    if (s.Characteristics & kScnMemDiscardable) {
      const std::uint64_t span = align_up(extent, layout.optional.SectionAlignment);
      const std::uint64_t first = align_up(s.VirtualAddress, page) / page;
      const std::uint64_t last = (s.VirtualAddress + span) / page;  // one past the last whole page
      for (std::uint64_t p = first; p < last && p < pages; ++p) discarded[p] = true;
    } else {
      cover(s.VirtualAddress, extent, section_protection(s.Characteristics));
    }
  }

  // Pages of no section (gaps, padding) stay readable; discarded pages lose their memory.
  module.page_access.assign(pages, PROT_READ);
  for (std::size_t p = 0; p < pages; ++p) {
    if (covered[p])
      module.page_access[p] = static_cast<std::uint8_t>(prot[p]);
    else if (discarded[p])
      module.page_access[p] = PROT_NONE;
  }
  for (std::size_t p = 0; p < pages;) {
    std::size_t q = p + 1;
    while (q < pages && module.page_access[q] == module.page_access[p] && discarded[q] == discarded[p] &&
           covered[q] == covered[p])
      ++q;
    std::uint8_t* at = module.CodeBase + p * page;
    const std::size_t length = (q - p) * page;
    if (!covered[p] && discarded[p]) madvise(at, length, MADV_DONTNEED);
    if (module.page_access[p] != (PROT_READ | PROT_WRITE) && mprotect(at, length, module.page_access[p]) != 0) {
      // The change failed: the pages keep the access they were mapped with.
      for (std::size_t r = p; r < q; ++r) module.page_access[r] = PROT_READ | PROT_WRITE;
    }
    p = q;
  }
}

// True when every byte of [rva, rva + length) is inside the image and readable.
bool readable(const TMappedLibrary& module, std::uint64_t rva, std::uint64_t length) {
  if (!in_range(rva, length, module.ImageSize)) return false;
  if (length == 0) return true;
  const std::size_t page = page_size();
  for (std::uint64_t p = rva / page; p <= (rva + length - 1) / page; ++p)
    if (!(module.page_access[p] & PROT_READ)) return false;
  return true;
}

// Whether the zero-terminated text at rva is `name` (of `length` characters), its bytes and
// terminator in readable pages of the image. A mend: only length + 1 bytes are looked at, where
// a walk of the readable pages to the end of the image, once per exported name, made a lookup
// quadratic (seconds to minutes for a few kilobytes of file).
bool text_is(const TMappedLibrary& module, std::uint64_t rva, const char* name, std::size_t length) {
  // The first byte alone settles most comparisons.
  if (rva >= module.ImageSize || !(module.page_access[rva / page_size()] & PROT_READ)) return false;
  if (module.CodeBase[rva] != static_cast<std::uint8_t>(name[0])) return false;
  if (!readable(module, rva, std::uint64_t{length} + 1)) return false;
  return std::memcmp(module.CodeBase + rva, name, length + 1) == 0;
}

template <class T>
bool read_mapped(const TMappedLibrary& module, std::uint64_t rva, T& out) {
  if (!readable(module, rva, sizeof(T))) return false;
  std::memcpy(&out, module.CodeBase + rva, sizeof(T));
  return true;
}

}  // namespace

system_loader default_system_loader() {
  system_loader loader;
  loader.load = [](const char* name) -> void* { return dlopen(name, RTLD_NOW | RTLD_LOCAL); };
  loader.symbol = [](void* library, const char* name) -> void* { return dlsym(library, name); };
  loader.ordinal = [](void*, std::uint16_t) -> void* { return nullptr; };
  loader.unload = [](void* library) { dlclose(library); };
  return loader;
}

TMappedLibrary::~TMappedLibrary() {
  if (Initialized && DllEntry) DllEntry(CodeBase, DLL_PROCESS_DETACH, nullptr);
  for (void* library : Modules)
    if (library && library != reinterpret_cast<void*>(~std::uintptr_t{0}) && loader.unload) loader.unload(library);
  Modules.clear();
  if (CodeBase) munmap(CodeBase, mapping_size);
}

std::unique_ptr<TMappedLibrary> MappedLoadLibrary(const void* data, std::size_t size, const system_loader& loader) {
  if (!data) return nullptr;
  const auto* file = static_cast<const std::uint8_t*>(data);
  image_layout layout;
  if (!parse_layout(byte_view(file, size), size, layout)) return nullptr;
  const optional_header64& opt = layout.optional;

  auto module = std::make_unique<TMappedLibrary>();
  module->loader = loader;
  module->ImageSize = opt.SizeOfImage;
  module->mapping_size = static_cast<std::size_t>(align_up(opt.SizeOfImage, page_size()));
  module->CodeBase = map_image(opt.ImageBase, module->mapping_size);
  if (!module->CodeBase) return nullptr;
  module->export_rva = directory_of(layout, kDirectoryExport).VirtualAddress;
  module->export_size = directory_of(layout, kDirectoryExport).Size;

  // Headers: the first SizeOfHeaders bytes, with the actual base in their ImageBase field.
  std::memcpy(module->CodeBase, file, opt.SizeOfHeaders);
  const std::uint64_t actual_base = reinterpret_cast<std::uintptr_t>(module->CodeBase);
  const std::uint64_t optional_offset = std::uint64_t{layout.nt_offset} + 4 + sizeof(file_header);
  std::memcpy(module->CodeBase + optional_offset + kImageBaseOffset, &actual_base, sizeof actual_base);
  module->Headers = module->CodeBase + layout.nt_offset;

  copy_sections(*module, layout, file);

  const std::uint64_t delta = actual_base - opt.ImageBase;
  if (delta != 0) {
    // An image stripped of its relocations cannot run anywhere but at its preferred base.
    if (layout.file.Characteristics & kFileRelocsStripped) return nullptr;
    if (!perform_base_relocation(*module, layout, delta)) return nullptr;
  }
  if (!build_import_table(*module, layout)) return nullptr;
  finalize_sections(*module, layout);

  if (opt.AddressOfEntryPoint == 0) return module;
  if (!(module->page_access[opt.AddressOfEntryPoint / page_size()] & PROT_EXEC)) return nullptr;
  module->DllEntry = reinterpret_cast<TDllEntryProc>(module->CodeBase + opt.AddressOfEntryPoint);
  if (module->DllEntry(module->CodeBase, DLL_PROCESS_ATTACH, nullptr) == 0) return nullptr;
  module->Initialized = true;
  return module;
}

void* MappedGetProcAddress(const TMappedLibrary* module, const char* name) {
  if (!module || !module->CodeBase || !name) return nullptr;
  if (module->export_rva == 0 || module->export_size == 0) return nullptr;
  export_directory dir{};
  if (!read_mapped(*module, module->export_rva, dir)) return nullptr;
  if (dir.NumberOfFunctions == 0 || dir.NumberOfNames == 0) return nullptr;
  if (!readable(*module, dir.AddressOfNames, std::uint64_t{dir.NumberOfNames} * 4) ||
      !readable(*module, dir.AddressOfNameOrdinals, std::uint64_t{dir.NumberOfNames} * 2))
    return nullptr;

  const std::size_t length = std::strlen(name);
  // The name pointer table was found readable as a whole above.
  const std::uint8_t* names = module->CodeBase + dir.AddressOfNames;
  std::uint32_t previous_rva = 0;
  for (std::uint64_t i = 0; i < dir.NumberOfNames; ++i) {
    std::uint32_t name_rva = 0;
    std::memcpy(&name_rva, names + 4 * i, sizeof name_rva);
    // A name at the place of the one before is the same text, which was no match: a table of a
    // million equal entries costs no million comparisons.
    if (i > 0 && name_rva == previous_rva) continue;
    previous_rva = name_rva;
    if (!text_is(*module, name_rva, name, length)) continue;

    std::uint16_t ordinal = 0;
    read_mapped(*module, dir.AddressOfNameOrdinals + 2 * i, ordinal);
    std::uint32_t function_rva = 0;
    if (ordinal >= dir.NumberOfFunctions ||
        !read_mapped(*module, dir.AddressOfFunctions + 4 * std::uint64_t{ordinal}, function_rva))
      return nullptr;
    if (function_rva == 0 || function_rva >= module->ImageSize) return nullptr;
    // An address inside the export directory names a routine of another library: not supported.
    if (function_rva >= module->export_rva && function_rva - module->export_rva < module->export_size)
      return nullptr;
    return module->CodeBase + function_rva;
  }
  return nullptr;
}

void MappedFreeLibrary(std::unique_ptr<TMappedLibrary> module) { module.reset(); }
