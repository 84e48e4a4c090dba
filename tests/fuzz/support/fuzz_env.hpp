// What every fuzz harness shares: the start-up of a headless program (once, from
// LLVMFuzzerInitialize), the input as a stream or a memory block, and a use of a picture that
// was read so that bad pixel layouts show.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/classes.hpp"
#include "platform/gdi.hpp"
#include "platform/graphics.hpp"
#include "platform/sysutils.hpp"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace hw_fuzz {

// A new moveable memory block holding the bytes (the caller frees it).
HGLOBAL block_of(const std::uint8_t* data, std::size_t size);

// Draws the picture into a small 24-bit bitmap (the picture view's stretch), so that every
// pixel row of it is read.
void exercise(TGraphic& graphic);

// An invariant of the reader does not hold: says which, and aborts, so that the fuzzer keeps
// the input and the replay fails.
[[noreturn]] void broken(const char* what);

}  // namespace hw_fuzz

// Runs `body`; the program's own exceptions are the clean way for a reader to refuse an input.
// Anything else escapes and ends the run.
#define HW_FUZZ_REFUSES(...)   \
  do {                         \
    try {                      \
      __VA_ARGS__;             \
    } catch (const Exception&) { \
    }                          \
  } while (0)
