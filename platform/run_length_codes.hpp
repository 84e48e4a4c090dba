// The run-length codes of RLE8 and RLE4 bitmaps, walked once for every reader of them.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/types.hpp"

// Where the run-length codes of a picture stopped: the row they reached (counted from the bottom
// row, past the last row when they ran off the picture) and whether the end-of-bitmap code ended
// them.
struct RleReach {
  std::int64_t row = 0;
  bool ended = false;
};

// Walks the run-length codes of an RLE8 (`bits` 8) or RLE4 (`bits` 4) picture in [p, end), bottom
// row first, calling put(x, y, index) for every pixel that lands inside `width` x `height`: codes
// that run past a row's end are clipped, and the walk stops at the last row. The codes: a run
// (count, pixel; RLE4 alternates the two pixels of the byte), the end of a row (0 0), the end of
// the bitmap (0 1), a move right and up (0 2 dx dy), pixels as they are (0 n, then n pixels padded
// to a 16-bit boundary).
template <class Put>
RleReach walk_rle(const Byte* p, const Byte* end, int bits, std::int64_t width, std::int64_t height, Put put) {
  std::int64_t x = 0, y = 0;
  while (y < height) {
    if (end - p < 2) return {y, false};
    const int count = p[0], code = p[1];
    p += 2;
    if (count > 0) {
      const std::int64_t n = std::min<std::int64_t>(count, std::max<std::int64_t>(width - x, 0));
      for (std::int64_t i = 0; i < n; ++i) put(x + i, y, bits == 8 ? code : (i & 1) ? code & 15 : code >> 4);
      x += count;
    } else if (code == 0) {
      x = 0;
      ++y;
    } else if (code == 1) {
      return {y, true};
    } else if (code == 2) {
      if (end - p < 2) return {y, false};
      x += p[0];
      y += p[1];
      p += 2;
    } else {
      const std::int64_t bytes = bits == 8 ? code : (code + 1) / 2;
      const std::int64_t have = std::min<std::int64_t>(bytes, end - p);
      const std::int64_t n = std::min<std::int64_t>({code, std::max<std::int64_t>(width - x, 0), bits == 8 ? have : 2 * have});
      for (std::int64_t i = 0; i < n; ++i) put(x + i, y, bits == 8 ? p[i] : (i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4);
      const std::int64_t padded = (bytes + 1) / 2 * 2;
      if (end - p < padded) return {y, false};
      p += padded;
      x += code;
    }
  }
  return {y, false};
}
