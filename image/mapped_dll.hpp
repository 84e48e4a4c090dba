// In-memory module loader: maps a 64-bit Windows dynamic-link library (a PE32+ image for x86-64)
// that lies whole in memory, resolves its imports, runs its entry routine and looks up its
// exports, without the library ever touching the disk.
//
// The image's own code follows the Windows x64 calling convention, so its entry routine and its
// exports are called through ms_abi pointers, and whatever its imports resolve to must follow that
// convention too when the library calls it. No operation raises: every failure, hostile input
// included, is a result of none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The entry routine of a library: (instance, reason, reserved) -> 32-bit Boolean.
using TDllEntryProc = std::int32_t(__attribute__((ms_abi)) *)(void* instance, std::uint32_t reason,
                                                             void* reserved);

constexpr std::uint32_t DLL_PROCESS_DETACH = 0;
constexpr std::uint32_t DLL_PROCESS_ATTACH = 1;

// The system loader the imports are resolved through. Every member is optional; a missing one
// fails what needs it. A handle of none (or all ones) stands for a library that is not loaded.
struct system_loader {
  std::function<void*(const char* name)> load;                          // library by name
  std::function<void*(void* library, const char* name)> symbol;         // routine by name
  std::function<void*(void* library, std::uint16_t ordinal)> ordinal;   // routine by ordinal
  std::function<void(void* library)> unload;                            // library handle
};

// dlopen / dlsym / dlclose; lookup by ordinal is not available there and always fails.
system_loader default_system_loader();

// Where one section of a mapped image lies: its address and its size in the image.
struct TMappedSection {
  std::uint8_t* Address = nullptr;
  std::size_t Size = 0;
};

// One mapped library, owned by whoever called MappedLoadLibrary. Destroying it releases
// everything: it calls the entry routine for process detach when it was called for process
// attach, frees the libraries loaded for the imports and unmaps the image.
struct TMappedLibrary {
  TMappedLibrary() = default;
  TMappedLibrary(const TMappedLibrary&) = delete;
  TMappedLibrary& operator=(const TMappedLibrary&) = delete;
  ~TMappedLibrary();

  const void* Headers = nullptr;       // the NT headers inside the mapped image
  std::uint8_t* CodeBase = nullptr;    // base address of the mapped image
  std::size_t ImageSize = 0;           // SizeOfImage
  std::vector<void*> Modules;          // libraries loaded for the imports, in import order
  TDllEntryProc DllEntry = nullptr;    // none when the image has no entry routine
  bool Initialized = false;            // the entry routine has run for process attach
  std::vector<TMappedSection> Sections;  // in section-table order

  // Bookkeeping of the loader.
  system_loader loader;
  std::size_t mapping_size = 0;        // bytes mapped at CodeBase (whole pages)
  std::uint32_t export_rva = 0;        // export directory, as read from the file image
  std::uint32_t export_size = 0;
  std::vector<std::uint8_t> page_access;  // final PROT_* flags of every mapped page
};

// Maps the image of `size` bytes at `data` (only read; it may be freed afterwards) and returns
// the module, or none on any failure; a failed load leaves nothing mapped and no library loaded.
std::unique_ptr<TMappedLibrary> MappedLoadLibrary(const void* data, std::size_t size,
                                                  const system_loader& loader = default_system_loader());

// The address of the export named `name` (case-sensitive), or none. Forwarded exports give none.
void* MappedGetProcAddress(const TMappedLibrary* module, const char* name);

// Detaches and releases everything; the record is gone afterwards.
void MappedFreeLibrary(std::unique_ptr<TMappedLibrary> module);
