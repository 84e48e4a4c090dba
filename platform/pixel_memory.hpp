// The memory of pixel buffers. Buffers of some megabytes are mappings of their own, so that
// freeing one gives its memory back to the system at once; the one freed last is kept as a
// spare for the next buffer of about its size (a zoom step back and forth, a picture replaced by
// one of the same size), whose pages are then ready without being faulted in and cleared again.
#pragma once

#include <cstddef>

// A buffer of `bytes`; zero-filled when `zeroed`, else of unspecified content for a caller that
// writes every byte itself. nullptr when no memory is left.
void* pixel_memory_allocate(std::size_t bytes, bool zeroed);
void pixel_memory_free(void* p);

// Takes a block another library allocated as a pixel buffer in place: pixel_memory_free(bits)
// then calls release(context) instead of freeing it itself (a decoder's rows become a
// picture's without a copy).
void pixel_memory_adopt(void* bits, void (*release)(void*), void* context);

// Gives the spare buffer and the C library's freed heap memory back to the system (after a
// picture load, whose decoding freed blocks of the picture's size).
void pixel_memory_release();
