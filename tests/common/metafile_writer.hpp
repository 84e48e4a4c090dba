// Small metafiles for the tests and the fuzzing seeds: `width` x `height` pixels with a filled
// polygon (EMF) or rectangle (WMF, in twips) from (2, 2) to (width - 2, height - 2) of colour `bgr`.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace hw_test {

inline std::vector<std::uint8_t> small_metafile(bool emf, int width, int height, std::uint32_t bgr) {
  std::vector<std::uint8_t> b;
  const auto le = [&](std::int64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  using L = std::initializer_list<std::int64_t>;
  const std::int64_t w = width, h = height, t = 15, c = bgr;  // t: twips a pixel
  if (emf) {  // header (bounds, frame in 0.01 mm, size, device), brush, select, polygon, end
    for (std::int64_t v : L{1, 88, 0, 0, w - 1, h - 1, 0, 0, w * 2540 / 96, h * 2540 / 96, 0x464D4520, 0x10000,
                           188, 5, 2, 0, 0, 0, 1024, 768, 271, 203, 39, 24, 1, 0, c, 0, 37, 12, 1, 86, 44, 2, 2,
                           w - 2, h - 2, 4})
      le(v, 4);
    for (std::int64_t v : L{2, 2, w - 2, 2, w - 2, h - 2, 2, h - 2}) le(v, 2);
    for (std::int64_t v : L{14, 20, 0, 16, 20}) le(v, 4);
    return b;
  }
  // placeable header with its checksum, header, window extent, brush, select, rectangle, end
  const std::int64_t key = 0x9AC6CDD7, sum = 0xCDD7 ^ 0x9AC6 ^ w ^ h ^ 96;
  for (std::int64_t v : L{key & 0xFFFF, key >> 16, 0, 0, 0, w, h, 96, 0, 0, sum, 1, 9, 0x300, 35, 0, 1, 7, 0, 0,
                         5, 0, 0x020C, h * t, w * t, 7, 0, 0x02FC, 0, c & 0xFFFF, c >> 16, 0, 4, 0, 0x012D, 0,
                         7, 0, 0x041B, (h - 2) * t, (w - 2) * t, 2 * t, 2 * t, 3, 0, 0})
    le(v, 2);
  return b;
}

}  // namespace hw_test
