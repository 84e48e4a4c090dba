#include "image/freeimage_resource.hpp"

#include "platform/resource_stream.hpp"

#ifndef HW_FREEIMAGE_FILE
#error "HW_FREEIMAGE_FILE must name the FreeImage library file the build embeds"
#endif

// The library file's bytes, placed in the program image at build time.
asm(".section .rodata.hw_freeimage_resource,\"a\",@progbits\n"
    ".balign 16\n"
    ".globl hw_freeimage_resource_begin\n"
    ".hidden hw_freeimage_resource_begin\n"
    "hw_freeimage_resource_begin:\n"
    ".incbin \"" HW_FREEIMAGE_FILE "\"\n"
    ".globl hw_freeimage_resource_end\n"
    ".hidden hw_freeimage_resource_end\n"
    "hw_freeimage_resource_end:\n"
    ".previous\n");

extern "C" const unsigned char hw_freeimage_resource_begin[];
extern "C" const unsigned char hw_freeimage_resource_end[];

const unsigned char* freeimage_resource_data() { return hw_freeimage_resource_begin; }

std::size_t freeimage_resource_size() {
  return static_cast<std::size_t>(hw_freeimage_resource_end - hw_freeimage_resource_begin);
}

void register_freeimage_resource() {
  RegisterResource("FreeImageDLL", freeimage_resource_data(), freeimage_resource_size());
}
