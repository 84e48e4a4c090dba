// A plain true-colour raster that the picture generators fill: rows top-down, three bytes per
// pixel in the order blue, green, red, no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Raster24 {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;  // width * height * 3 bytes

  Raster24() = default;
  Raster24(int w, int h) : width(w), height(h), bgr(static_cast<size_t>(w) * static_cast<size_t>(h) * 3) {}
  std::uint8_t* row(int y) { return bgr.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3; }
  const std::uint8_t* row(int y) const { return bgr.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3; }
  void set(int x, int y, int r, int g, int b) {
    std::uint8_t* p = row(y) + static_cast<size_t>(x) * 3;
    p[0] = static_cast<std::uint8_t>(b);
    p[1] = static_cast<std::uint8_t>(g);
    p[2] = static_cast<std::uint8_t>(r);
  }
  // 0x00BBGGRR
  std::uint32_t colour(int x, int y) const {
    const std::uint8_t* p = row(y) + static_cast<size_t>(x) * 3;
    return static_cast<std::uint32_t>(p[2]) | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[0]) << 16);
  }
};
