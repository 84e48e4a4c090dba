// The in-memory module loader over real PE libraries built by the mingw-w64 cross compiler
// (tests/image/pe/): placement and relocation, imports through a fake loader and through the
// C library, the entry routine, export lookup, protections, and images that must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "image/mapped_dll.hpp"
#include "image/pe/pe_fixture.hpp"

using namespace pe_test;

namespace {

// ---------------------------------------------------------------------------------------------
// The host side of sample.dll: the routines its imports resolve to. They follow the library's
// calling convention.
// ---------------------------------------------------------------------------------------------
struct entry_call {
  void* instance;
  std::uint32_t reason;
  bool operator==(const entry_call&) const = default;
};
std::vector<entry_call> g_entry_calls;
std::int32_t g_entry_result = 1;

__attribute__((ms_abi)) std::int32_t hook_note_reason(void* instance, std::uint32_t reason) {
  g_entry_calls.push_back({instance, reason});
  return g_entry_result;
}
__attribute__((ms_abi)) std::int32_t hook_scale(std::int32_t v) { return v * 3; }
__attribute__((ms_abi)) std::int32_t hook_ordinal_seven(std::int32_t v) { return v * 7 + 1; }
__attribute__((ms_abi)) std::int32_t hook_offset(std::int32_t v) { return v + 100; }

using fn_void = std::int32_t(__attribute__((ms_abi)) *)();
using fn_int = std::int32_t(__attribute__((ms_abi)) *)(std::int32_t);
using fn_int_int = std::int32_t(__attribute__((ms_abi)) *)(std::int32_t, std::int32_t);
using fn_ptr = void*(__attribute__((ms_abi)) *)();

// A system loader over a table of named libraries, counting what it loads and frees.
class fake_loader {
public:
  struct library {
    std::map<std::string, void*> names;
    std::map<std::uint16_t, void*> ordinals;
  };

  std::map<std::string, library> libraries;
  std::vector<std::string> loaded;   // names, in load order
  std::vector<std::string> refused;  // names that were asked for and not found
  std::vector<std::uint16_t> ordinals_asked;
  std::set<void*> open;              // handles loaded and not yet freed
  int unloads = 0;
  int bad_unloads = 0;               // handles freed that were not open
  std::function<void()> on_load;

  system_loader make() {
    system_loader s;
    s.load = [this](const char* name) -> void* {
      if (on_load) on_load();
      if (!libraries.count(name)) {
        refused.push_back(name);
        return nullptr;
      }
      void* handle = reinterpret_cast<void*>(0x1000 + 0x10 * handles_.size());
      handles_[handle] = name;
      open.insert(handle);
      loaded.push_back(name);
      return handle;
    };
    s.symbol = [this](void* handle, const char* name) -> void* {
      const auto& names = libraries.at(handles_.at(handle)).names;
      const auto it = names.find(name);
      return it == names.end() ? nullptr : it->second;
    };
    s.ordinal = [this](void* handle, std::uint16_t ordinal) -> void* {
      ordinals_asked.push_back(ordinal);
      const auto& ordinals = libraries.at(handles_.at(handle)).ordinals;
      const auto it = ordinals.find(ordinal);
      return it == ordinals.end() ? nullptr : it->second;
    };
    s.unload = [this](void* handle) {
      ++unloads;
      if (!open.erase(handle)) ++bad_unloads;
    };
    return s;
  }

private:
  std::map<void*, std::string> handles_;
};

void* as_ptr(auto fn) { return reinterpret_cast<void*>(fn); }

// The access ("r-x", "rw-", ...) of the mapping holding `address`, from /proc/self/maps; empty
// when nothing is mapped there.
std::string access_at(const void* address) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  const auto a = reinterpret_cast<std::uintptr_t>(address);
  while (std::getline(maps, line)) {
    unsigned long lo = 0, hi = 0;
    char perms[8] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %7s", &lo, &hi, perms) == 3 && a >= lo && a < hi)
      return std::string(perms, 3);
  }
  return "";
}

class MappedDllTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_entry_calls.clear();
    g_entry_result = 1;
    ASSERT_NO_THROW(image = read_fixture("sample.dll"));
    fake.libraries["hooks.dll"].names = {{"note_reason", as_ptr(&hook_note_reason)}, {"scale", as_ptr(&hook_scale)}};
    fake.libraries["hooks.dll"].ordinals = {{7, as_ptr(&hook_ordinal_seven)}};
    fake.libraries["more.dll"].names = {{"offset", as_ptr(&hook_offset)}};
    preferred = get<std::uint64_t>(image, layout(image).image_base());
    ASSERT_FALSE(is_mapped(preferred)) << "the fixture's preferred base is taken in this process";
  }

  std::unique_ptr<TMappedLibrary> load(const bytes& b) { return MappedLoadLibrary(b.data(), b.size(), fake.make()); }

  template <class F>
  F proc(const TMappedLibrary* module, const char* name) {
    return reinterpret_cast<F>(MappedGetProcAddress(module, name));
  }

  // Loads must fail without leaving anything behind.
  // Loads must fail without leaving anything behind (with the preferred base free, nothing may
  // stay mapped there).
  void expect_refused(const bytes& b, const std::string& what, bool base_free = true) {
    SCOPED_TRACE(what);
    auto module = load(b);
    EXPECT_EQ(module, nullptr);
    EXPECT_TRUE(fake.open.empty());
    EXPECT_EQ(fake.bad_unloads, 0);
    if (base_free) {
      EXPECT_FALSE(is_mapped(preferred));
    }
  }

  bytes image;
  fake_loader fake;
  std::uint64_t preferred = 0;
};

// ---------------------------------------------------------------------------------------------
// Placement and relocation
// ---------------------------------------------------------------------------------------------
TEST_F(MappedDllTest, MapsAtPreferredBaseRunsEntryAndExportsThenDetaches) {
  const layout l(image);
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  std::uint8_t* base = module->CodeBase;
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(base), preferred);
  EXPECT_EQ(module->ImageSize, get<std::uint32_t>(image, l.size_of_image()));
  EXPECT_EQ(module->Headers, base + l.nt);
  EXPECT_TRUE(module->Initialized);
  EXPECT_EQ(reinterpret_cast<std::uint8_t*>(module->DllEntry), base + get<std::uint32_t>(image, l.entry_point()));

  // The entry ran once, for process attach, with the image's base as instance.
  EXPECT_EQ(g_entry_calls, (std::vector<entry_call>{{base, DLL_PROCESS_ATTACH}}));
  EXPECT_EQ(proc<fn_void>(module.get(), "attached")(), 1);

  // Imports in import-table order, by name and by ordinal.
  EXPECT_EQ(fake.loaded, (std::vector<std::string>{"hooks.dll", "more.dll"}));
  EXPECT_EQ(module->Modules.size(), 2u);
  EXPECT_EQ(fake.ordinals_asked, std::vector<std::uint16_t>{7});
  EXPECT_EQ(proc<fn_int_int>(module.get(), "add_numbers")(40, 2), 42);
  EXPECT_EQ(proc<fn_int>(module.get(), "scaled")(5), 15);
  EXPECT_EQ(proc<fn_int>(module.get(), "by_ordinal")(5), 36);
  EXPECT_EQ(proc<fn_int>(module.get(), "shifted")(1), 101);

  // At the preferred base the absolute address needs no fixing.
  const std::uint32_t value_rva = export_rva(image, "value_cell").value();
  EXPECT_EQ(MappedGetProcAddress(module.get(), "value_cell"), base + value_rva);
  EXPECT_EQ(proc<fn_ptr>(module.get(), "value_address")(), base + value_rva);
  EXPECT_EQ(proc<fn_void>(module.get(), "read_value")(), 1234);

  MappedFreeLibrary(std::move(module));
  EXPECT_EQ(g_entry_calls, (std::vector<entry_call>{{base, DLL_PROCESS_ATTACH}, {base, DLL_PROCESS_DETACH}}));
  EXPECT_EQ(fake.unloads, 2);
  EXPECT_TRUE(fake.open.empty());
  EXPECT_FALSE(is_mapped(preferred));
}

TEST_F(MappedDllTest, RelocatesWhenPreferredBaseIsTaken) {
  const layout l(image);
  address_blocker blocker(preferred, get<std::uint32_t>(image, l.size_of_image()));
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  std::uint8_t* base = module->CodeBase;
  ASSERT_NE(reinterpret_cast<std::uintptr_t>(base), preferred);
  const std::uint64_t delta = reinterpret_cast<std::uintptr_t>(base) - preferred;

  // The mapped headers carry the actual base.
  EXPECT_EQ(std::memcmp(base + l.image_base(), &base, 8), 0);

  // 64-bit fix: the pointer in .data points at the moved cell.
  const std::uint32_t value_rva = export_rva(image, "value_cell").value();
  EXPECT_EQ(proc<fn_ptr>(module.get(), "value_address")(), base + value_rva);
  EXPECT_EQ(proc<fn_void>(module.get(), "read_value")(), 1234);

  // 32-bit high-low fix: the low half of the difference is added to the stored word.
  const std::uint32_t highlow_rva = export_rva(image, "highlow_cell").value();
  const auto stored = get<std::uint32_t>(image, l.file_offset(highlow_rva));
  ASSERT_EQ(stored, static_cast<std::uint32_t>(preferred + value_rva));
  std::uint32_t fixed = 0;
  std::memcpy(&fixed, base + highlow_rva, 4);
  EXPECT_EQ(fixed, static_cast<std::uint32_t>(stored + delta));

  // Code that runs the same as at the preferred base.
  EXPECT_EQ(proc<fn_int>(module.get(), "scaled")(7), 21);
  EXPECT_EQ(proc<fn_int>(module.get(), "by_ordinal")(1), 8);
  EXPECT_EQ(g_entry_calls, (std::vector<entry_call>{{base, DLL_PROCESS_ATTACH}}));
}

TEST_F(MappedDllTest, RefusesToMoveAnImageStrippedOfRelocations) {
  const layout l(image);
  put<std::uint16_t>(image, l.characteristics(), get<std::uint16_t>(image, l.characteristics()) | 0x0001);
  {
    address_blocker blocker(preferred, get<std::uint32_t>(image, l.size_of_image()));
    expect_refused(image, "base taken", false);
  }
  EXPECT_NE(load(image), nullptr);  // at its own base it needs no relocation
}

// ---------------------------------------------------------------------------------------------
// Sections and protections
// ---------------------------------------------------------------------------------------------
TEST_F(MappedDllTest, RecordsSectionsAndProtectsEachByItsCharacteristics) {
  const layout l(image);
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  std::uint8_t* base = module->CodeBase;
  ASSERT_EQ(module->Sections.size(), l.sections.size());
  for (std::size_t i = 0; i < l.sections.size(); ++i) {
    SCOPED_TRACE(l.sections[i].name);
    EXPECT_EQ(module->Sections[i].Address, base + l.sections[i].virtual_address);
    EXPECT_EQ(module->Sections[i].Size, l.sections[i].virtual_size);
  }
  EXPECT_EQ(access_at(base), "r--");  // headers
  EXPECT_EQ(access_at(base + l.named(".text").virtual_address), "r-x");
  EXPECT_EQ(access_at(base + l.named(".data").virtual_address), "rw-");
  EXPECT_EQ(access_at(base + l.named(".rdata").virtual_address), "r--");
  EXPECT_EQ(access_at(base + l.named(".bss").virtual_address), "rw-");
  EXPECT_EQ(access_at(base + l.named(".edata").virtual_address), "r--");
  EXPECT_EQ(access_at(base + l.named(".idata").virtual_address), "rw-");
  // The relocations are discardable and lie on a page of their own: dropped after use.
  EXPECT_EQ(access_at(base + l.named(".reloc").virtual_address), "---");
}

TEST_F(MappedDllTest, ZeroSizeSectionIsProtectedByItsOwnSize) {
  // The zero-filled section comes last in the table and the totals of initialised and
  // uninitialised data cover the whole image: its protection must still keep to its own pages.
  const layout l(image);
  const std::uint32_t image_size = get<std::uint32_t>(image, l.size_of_image());
  put<std::uint32_t>(image, l.size_of_uninitialized_data(), image_size);
  put<std::uint32_t>(image, l.size_of_initialized_data(), image_size);
  const section& bss = l.named(".bss");
  const section& last = l.sections.back();
  std::vector<std::uint8_t> bss_header(image.begin() + bss.header_offset, image.begin() + bss.header_offset + 40);
  std::copy_n(image.begin() + last.header_offset, 40, image.begin() + bss.header_offset);
  std::copy(bss_header.begin(), bss_header.end(), image.begin() + last.header_offset);
  put<std::uint32_t>(image, last.header_offset + 8, 0);  // no virtual size either: one alignment

  auto module = load(image);
  ASSERT_NE(module, nullptr);
  std::uint8_t* base = module->CodeBase;
  EXPECT_EQ(module->Sections.back().Address, base + bss.virtual_address);
  EXPECT_EQ(module->Sections.back().Size, get<std::uint32_t>(image, l.optional + 32));  // SectionAlignment
  EXPECT_EQ(access_at(base + bss.virtual_address), "rw-");
  EXPECT_EQ(access_at(base + l.named(".edata").virtual_address), "r--");
  EXPECT_EQ(access_at(base + l.named(".reloc").virtual_address), "---");
  EXPECT_EQ(access_at(base + l.named(".text").virtual_address), "r-x");
}

TEST(MappedDllPacked, SectionsSharingPagesKeepEveryAccessTheyNeed) {
  // Sections aligned to 512 bytes: code, data and read-only data share the first page; the
  // export and import tables share the second with the discardable relocations.
  g_entry_calls.clear();
  g_entry_result = 1;
  bytes image;
  ASSERT_NO_THROW(image = read_fixture("packed.dll"));
  const layout l(image);
  ASSERT_EQ(l.named(".reloc").virtual_address / 4096, l.named(".idata").virtual_address / 4096);
  ASSERT_EQ(l.named(".text").virtual_address / 4096, l.named(".data").virtual_address / 4096);

  fake_loader fake;
  fake.libraries["hooks.dll"].names = {{"note_reason", as_ptr(&hook_note_reason)}, {"scale", as_ptr(&hook_scale)}};
  fake.libraries["hooks.dll"].ordinals = {{7, as_ptr(&hook_ordinal_seven)}};
  fake.libraries["more.dll"].names = {{"offset", as_ptr(&hook_offset)}};
  auto module = MappedLoadLibrary(image.data(), image.size(), fake.make());
  ASSERT_NE(module, nullptr);
  std::uint8_t* base = module->CodeBase;
  EXPECT_EQ(access_at(base + l.named(".text").virtual_address), "rwx");
  EXPECT_EQ(access_at(base + l.named(".idata").virtual_address), "rw-");

  // The import address table survives the discarded relocations beside it.
  auto scaled = reinterpret_cast<fn_int>(MappedGetProcAddress(module.get(), "scaled"));
  ASSERT_NE(scaled, nullptr);
  EXPECT_EQ(scaled(4), 12);
  auto shifted = reinterpret_cast<fn_int>(MappedGetProcAddress(module.get(), "shifted"));
  ASSERT_NE(shifted, nullptr);
  EXPECT_EQ(shifted(-100), 0);
  auto read_value = reinterpret_cast<fn_void>(MappedGetProcAddress(module.get(), "read_value"));
  ASSERT_NE(read_value, nullptr);
  EXPECT_EQ(read_value(), 1234);
}

// ---------------------------------------------------------------------------------------------
// Imports
// ---------------------------------------------------------------------------------------------
TEST(MappedDllLinux, DefaultLoaderResolvesImportsFromTheCLibrary) {
  bytes image;
  ASSERT_NO_THROW(image = read_fixture("linux.dll"));
  auto module = MappedLoadLibrary(image.data(), image.size());
  ASSERT_NE(module, nullptr);
  ASSERT_EQ(module->Modules.size(), 1u);

  void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(libc, nullptr);
  void* expected = dlsym(libc, "getpid");
  dlclose(libc);
  auto getpid_address = reinterpret_cast<fn_ptr>(MappedGetProcAddress(module.get(), "getpid_address"));
  ASSERT_NE(getpid_address, nullptr);
  EXPECT_EQ(getpid_address(), expected);
}

TEST_F(MappedDllTest, MissingImportLibraryLeavesNothingMappedAndFreesEveryLibrary) {
  replace_text(image, "more.dll", "mord.dll");
  bool mapped_during_load = false;
  fake.on_load = [&] { mapped_during_load = is_mapped(preferred); };
  expect_refused(image, "second library missing");
  EXPECT_TRUE(mapped_during_load);
  EXPECT_EQ(fake.loaded, std::vector<std::string>{"hooks.dll"});
  EXPECT_EQ(fake.refused, std::vector<std::string>{"mord.dll"});
  EXPECT_EQ(fake.unloads, 1);
  EXPECT_TRUE(g_entry_calls.empty());
}

TEST_F(MappedDllTest, MissingImportedRoutineFailsTheLoad) {
  // The name of the first routine imported from the second library.
  const layout l(image);
  const std::size_t second = l.file_offset(get<std::uint32_t>(image, l.directory(1))) + 20;
  const std::size_t lookup = l.file_offset(get<std::uint32_t>(image, second));
  const std::size_t name = l.file_offset(static_cast<std::uint32_t>(get<std::uint64_t>(image, lookup))) + 2;
  ASSERT_STREQ(reinterpret_cast<const char*>(image.data() + name), "offset");
  image[name + 5] = 'z';
  expect_refused(image, "routine missing");
  EXPECT_EQ(fake.loaded.size(), 2u);
  EXPECT_EQ(fake.unloads, 2);
  EXPECT_TRUE(g_entry_calls.empty());
}

TEST_F(MappedDllTest, MissingImportedOrdinalFailsTheLoad) {
  fake.libraries["hooks.dll"].ordinals.clear();
  expect_refused(image, "ordinal missing");
  EXPECT_EQ(fake.ordinals_asked, std::vector<std::uint16_t>{7});
  EXPECT_EQ(fake.unloads, static_cast<int>(fake.loaded.size()));
  EXPECT_TRUE(g_entry_calls.empty());
}

// ---------------------------------------------------------------------------------------------
// Entry routine
// ---------------------------------------------------------------------------------------------
TEST_F(MappedDllTest, EntryReturningZeroFailsTheLoadWithoutDetach) {
  g_entry_result = 0;
  expect_refused(image, "entry says no");
  ASSERT_EQ(g_entry_calls.size(), 1u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(g_entry_calls[0].instance), preferred);
  EXPECT_EQ(g_entry_calls[0].reason, DLL_PROCESS_ATTACH);
  EXPECT_EQ(fake.unloads, 2);
}

TEST_F(MappedDllTest, ImageWithoutEntryLoadsUninitialisedAndFreeCallsNothing) {
  put<std::uint32_t>(image, layout(image).entry_point(), 0);
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->DllEntry, nullptr);
  EXPECT_FALSE(module->Initialized);
  EXPECT_EQ(proc<fn_void>(module.get(), "attached")(), 0);
  EXPECT_EQ(proc<fn_int>(module.get(), "scaled")(2), 6);
  MappedFreeLibrary(std::move(module));
  EXPECT_TRUE(g_entry_calls.empty());
  EXPECT_EQ(fake.unloads, 2);
  EXPECT_FALSE(is_mapped(preferred));
}

TEST_F(MappedDllTest, EntryOutsideExecutableCodeIsRefused) {
  const layout l(image);
  put<std::uint32_t>(image, l.entry_point(), l.named(".data").virtual_address);
  expect_refused(image, "entry in data");
  put<std::uint32_t>(image, l.entry_point(), get<std::uint32_t>(image, l.size_of_image()));
  expect_refused(image, "entry past the image");
  EXPECT_TRUE(g_entry_calls.empty());
}

// ---------------------------------------------------------------------------------------------
// Export lookup
// ---------------------------------------------------------------------------------------------
TEST_F(MappedDllTest, ExportNamesMatchExactly) {
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  auto upper = proc<fn_void>(module.get(), "MixedCase");
  auto lower = proc<fn_void>(module.get(), "mixedcase");
  ASSERT_NE(upper, nullptr);
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(upper(), 1);
  EXPECT_EQ(lower(), 2);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "MIXEDCASE"), nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "mixedCase"), nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "Add_numbers"), nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "add_number"), nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "add_numbers_"), nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), ""), nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), nullptr), nullptr);
  EXPECT_EQ(MappedGetProcAddress(nullptr, "add_numbers"), nullptr);
}

TEST_F(MappedDllTest, ForwardedExportGivesNone) {
  // The export table lists it, with an address inside the table: the name of another routine.
  const layout l(image);
  const std::uint32_t rva = export_rva(image, "forwarded_scale").value();
  const std::uint32_t dir = get<std::uint32_t>(image, l.directory(0));
  ASSERT_GE(rva, dir);
  ASSERT_LT(rva, dir + get<std::uint32_t>(image, l.directory(0) + 4));
  ASSERT_STREQ(reinterpret_cast<const char*>(image.data() + l.file_offset(rva)), "hooks.scale");

  auto module = load(image);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "forwarded_scale"), nullptr);
  EXPECT_NE(MappedGetProcAddress(module.get(), "scaled"), nullptr);
}

TEST_F(MappedDllTest, ExportTablesReachingPastTheImageGiveNone) {
  const layout l(image);
  const std::size_t dir = l.file_offset(get<std::uint32_t>(image, l.directory(0)));
  put<std::uint32_t>(image, dir + 24, 0x40000000);  // NumberOfNames
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "add_numbers"), nullptr);
}

TEST_F(MappedDllTest, ExportOrdinalPastTheAddressTableGivesNone) {
  const layout l(image);
  const std::size_t dir = l.file_offset(get<std::uint32_t>(image, l.directory(0)));
  const std::size_t names = l.file_offset(get<std::uint32_t>(image, dir + 32));
  const std::size_t ordinals = l.file_offset(get<std::uint32_t>(image, dir + 36));
  const std::uint32_t count = get<std::uint32_t>(image, dir + 24);
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* n = reinterpret_cast<const char*>(image.data() + l.file_offset(get<std::uint32_t>(image, names + 4 * i)));
    if (std::string(n) == "add_numbers") put<std::uint16_t>(image, ordinals + 2 * i, static_cast<std::uint16_t>(get<std::uint32_t>(image, dir + 20)));
  }
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "add_numbers"), nullptr);
  EXPECT_NE(MappedGetProcAddress(module.get(), "scaled"), nullptr);
}

TEST_F(MappedDllTest, ExportLookupTakesOneStepPerNameHoweverLargeTheImage) {
  // A 256 MiB image (the largest taken) whose name table (1,000,000 entries) lies in its zero
  // pages, every page readable: each name was compared after a walk of the pages to the end of
  // the image, about 6 * 10^10 steps for one lookup; one step per name finishes at once.
  const layout l(image);
  const section& reloc = l.named(".reloc");
  put<std::uint32_t>(image, reloc.header_offset + 36, reloc.characteristics & ~0x02000000u);  // not discardable
  const std::size_t dir = l.file_offset(get<std::uint32_t>(image, l.directory(0)));
  put<std::uint32_t>(image, dir + 24, 1000000);     // NumberOfNames
  put<std::uint32_t>(image, dir + 32, 0x08000000);  // AddressOfNames, in the zero pages
  put<std::uint32_t>(image, dir + 36, 0x0C000000);  // AddressOfNameOrdinals, likewise
  // One byte more than 256 MiB is refused: a few kilobytes of file reserved gigabytes.
  put<std::uint32_t>(image, l.size_of_image(), 0x10000001u);
  EXPECT_EQ(load(image), nullptr);
  put<std::uint32_t>(image, l.size_of_image(), 0x10000000u);
  auto module = load(image);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(MappedGetProcAddress(module.get(), "add_numbers"), nullptr);
  // Every name lies at address 0, the image's first bytes "MZ" and the stub byte after them.
  const std::string head(reinterpret_cast<const char*>(image.data()), strnlen(reinterpret_cast<const char*>(image.data()), 8));
  ASSERT_FALSE(head.empty());
  EXPECT_EQ(MappedGetProcAddress(module.get(), head.c_str()),
            static_cast<void*>(module->CodeBase + get<std::uint32_t>(image, l.file_offset(get<std::uint32_t>(image, dir + 28)))));
}

// ---------------------------------------------------------------------------------------------
// Images that are refused
// ---------------------------------------------------------------------------------------------
TEST_F(MappedDllTest, TruncatedImagesAreRefused) {
  const layout l(image);
  const std::size_t headers = get<std::uint32_t>(image, l.size_of_headers());
  const section& last_raw = l.named(".reloc");
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{0x3C}, std::size_t{0x40}, l.nt + 2, l.nt + 24,
                           l.optional + 100, headers - 1, std::size_t{last_raw.raw_pointer},
                           std::size_t{last_raw.raw_pointer + last_raw.raw_size - 1}}) {
    bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
    expect_refused(cut, "cut at " + std::to_string(size));
  }
  EXPECT_EQ(MappedLoadLibrary(nullptr, 4096, fake.make()), nullptr);
  EXPECT_TRUE(fake.loaded.empty());
}

TEST_F(MappedDllTest, ForeignAndDamagedImagesAreRefused) {
  const layout l(image);
  struct patch {
    const char* what;
    std::size_t offset;
    std::uint16_t value;
  };
  for (const patch& p : {patch{"x86 machine", l.machine(), 0x014C}, patch{"ARM64 machine", l.machine(), 0xAA64},
                         patch{"PE32 layout", l.magic(), 0x010B}, patch{"no MZ", 0, 0x5A4E},
                         patch{"no PE signature", l.nt, 0x4550 + 1}}) {
    bytes b = image;
    put<std::uint16_t>(b, p.offset, p.value);
    expect_refused(b, p.what);
  }
  EXPECT_TRUE(fake.loaded.empty());
  EXPECT_TRUE(g_entry_calls.empty());
}

TEST_F(MappedDllTest, OffsetsOutsideTheImageAreRefused) {
  const layout l(image);
  const std::uint32_t image_size = get<std::uint32_t>(image, l.size_of_image());
  const section& text = l.named(".text");
  auto patched = [&](std::size_t offset, std::uint32_t value) {
    bytes b = image;
    put<std::uint32_t>(b, offset, value);
    return b;
  };
  expect_refused(patched(0x3C, static_cast<std::uint32_t>(image.size())), "NT headers past the file");
  expect_refused(patched(text.header_offset + 20, static_cast<std::uint32_t>(image.size())), "raw data past the file");
  expect_refused(patched(text.header_offset + 16, 0x10000000), "raw data longer than the file");
  expect_refused(patched(text.header_offset + 12, image_size - 0x10), "section past the image");
  expect_refused(patched(text.header_offset + 12, 0), "section over the headers");
  expect_refused(patched(l.size_of_headers(), image_size + 1), "headers longer than the image");
  bytes many_sections = image;
  put<std::uint16_t>(many_sections, l.file_header + 2, 0xFFFF);
  expect_refused(many_sections, "section table past the headers");
  expect_refused(patched(l.directory(1), image_size - 8), "import table past the image");

  // The first import descriptor's library name.
  const std::size_t imports = l.file_offset(get<std::uint32_t>(image, l.directory(1)));
  expect_refused(patched(imports + 12, image_size), "library name past the image");
  expect_refused(patched(imports + 16, 0), "no address table");
  EXPECT_TRUE(g_entry_calls.empty());
}

TEST_F(MappedDllTest, RelocationsOutsideTheImageAreRefused) {
  const layout l(image);
  const std::uint32_t image_size = get<std::uint32_t>(image, l.size_of_image());
  const std::size_t relocs = l.file_offset(get<std::uint32_t>(image, l.directory(5)));
  auto check = [&](std::size_t offset, std::uint32_t value, const char* what) {
    bytes b = image;
    put<std::uint32_t>(b, offset, value);
    {
      address_blocker blocker(preferred, image_size);
      expect_refused(b, what, false);
    }
    // At the preferred base the relocations are not read at all.
    EXPECT_NE(load(b), nullptr) << what;
  };
  check(relocs, image_size - 4, "fix-up past the image");
  check(relocs + 4, 0x1000, "block longer than the table");
  check(relocs + 4, 6, "block shorter than its header");
  check(l.directory(5), image_size - 4, "table past the image");
}

}  // namespace
