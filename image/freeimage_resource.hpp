// The copy of the FreeImage library that the program carries in its resource "FreeImageDLL",
// for machines where no copy lies beside it.
#pragma once

#include <cstddef>

// Registers the embedded copy as the resource "FreeImageDLL". The program's main calls it
// before the codec library is bound.
void register_freeimage_resource();
// The embedded bytes.
const unsigned char* freeimage_resource_data();
std::size_t freeimage_resource_size();
