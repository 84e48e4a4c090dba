// Small metafiles by hand, for the tests and the fuzzing seeds: a frame of `width` x `height`
// pixels (96 per inch) with one filled polygon (EMF) or rectangle (WMF) from (2, 2) to
// (width - 2, height - 2) in the colour `bgr` (0x00BBGGRR).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace hw_test {

inline void le(std::vector<std::uint8_t>& b, std::uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::vector<std::uint8_t> small_emf(int width, int height, std::uint32_t bgr) {
  std::vector<std::uint8_t> b;
  for (std::uint32_t v : {1u, 88u, 0u, 0u, unsigned(width - 1), unsigned(height - 1), 0u, 0u,
                          unsigned(width * 2540 / 96), unsigned(height * 2540 / 96), 0x464D4520u, 0x10000u, 0u, 5u, 2u, 0u, 0u,
                          0u, 1024u, 768u, 271u, 203u})  // header: bounds, frame (0.01 mm), device
    le(b, v);
  for (std::uint32_t v : {39u, 24u, 1u, 0u, bgr, 0u, 37u, 12u, 1u, 86u, 44u, 2u, 2u, unsigned(width - 2),
                          unsigned(height - 2), 4u})  // brush, select, polygon of 16-bit points
    le(b, v);
  for (int v : {2, 2, width - 2, 2, width - 2, height - 2, 2, height - 2}) le(b, static_cast<std::uint32_t>(v), 2);
  for (std::uint32_t v : {14u, 20u, 0u, 16u, 20u}) le(b, v);  // end
  const auto size = static_cast<std::uint32_t>(b.size());
  std::memcpy(&b[48], &size, 4);
  return b;
}

// Logical units of 1/15 pixel (twips), as libgdiplus plays them.
inline std::vector<std::uint8_t> small_wmf(int width, int height, std::uint32_t bgr) {
  std::vector<std::uint8_t> b;
  le(b, 0x9AC6CDD7u);
  for (int v : {0, 0, 0, width, height, 96}) le(b, static_cast<std::uint32_t>(v), 2);
  le(b, 0);
  std::uint16_t sum = 0;
  for (int i = 0; i < 20; i += 2) sum ^= static_cast<std::uint16_t>(b[i] | b[i + 1] << 8);
  le(b, sum, 2);
  const int w = width * 15, h = height * 15;
  for (int v : {1, 9, 0x300, 0, 0, 1, 7, 0, 0,       // header (its size in words set below)
                5, 0, 0x020C, h, w,                   // window extent
                7, 0, 0x02FC, 0, int(bgr & 0xFFFF), int(bgr >> 16), 0,  // brush
                4, 0, 0x012D, 0,                      // select it
                7, 0, 0x041B, h - 30, w - 30, 30, 30,  // rectangle
                3, 0, 0})                             // end
    le(b, static_cast<std::uint32_t>(v), 2);
  const auto words = static_cast<std::uint32_t>((b.size() - 22) / 2);
  std::memcpy(&b[22 + 6], &words, 4);
  return b;
}

}  // namespace hw_test
