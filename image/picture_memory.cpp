#include "image/picture_memory.hpp"

#include <malloc.h>

void keep_picture_memory_in_heap() {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
}
