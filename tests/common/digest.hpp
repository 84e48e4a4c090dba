// Digests of pictures and byte runs, for tests that hold an optimised path to the bytes it gave
// before it was optimised: 64-bit FNV-1a, fed row by row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace hw_test {

class Digest {
public:
  Digest& add(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) h_ = (h_ ^ p[i]) * 0x100000001B3ull;
    return *this;
  }
  Digest& add_int(std::int64_t v) { return add(&v, sizeof v); }
  std::uint64_t value() const { return h_; }

private:
  std::uint64_t h_ = 0xCBF29CE484222325ull;
};

inline std::string hex64(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%016llX", static_cast<unsigned long long>(v));
  return buf;
}

// A deterministic photo-like colour: smooth fields of several scales (integer value noise,
// bilinearly blended) with a little fine grain, so that neighbouring pixels differ as in a
// photograph rather than as in pure noise. Channel c (0 blue, 1 green, 2 red) of pixel (x, y).
inline std::uint32_t photo_hash(std::uint32_t x, std::uint32_t y, std::uint32_t s) {
  std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ s * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  return h ^ (h >> 15);
}
inline int photo_like(int x, int y, int c, int seed = 0) {
  int sum = 0, weight = 0;
  for (int octave = 0, cell = 64, amp = 8; octave < 4; ++octave, cell /= 2, amp /= 2) {
    const int gx = x / cell, gy = y / cell, fx = x % cell, fy = y % cell;
    const std::uint32_t s = static_cast<std::uint32_t>(seed * 16 + c * 4 + octave);
    auto v = [&](int i, int j) { return static_cast<int>(photo_hash(static_cast<std::uint32_t>(gx + i), static_cast<std::uint32_t>(gy + j), s) & 0xFF); };
    const int top = v(0, 0) * (cell - fx) + v(1, 0) * fx, bottom = v(0, 1) * (cell - fx) + v(1, 1) * fx;
    sum += amp * ((top * (cell - fy) + bottom * fy) / (cell * cell));
    weight += amp;
  }
  const int grain = static_cast<int>(photo_hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), static_cast<std::uint32_t>(seed * 3 + c + 991)) % 9) - 4;
  const int v = sum / weight + grain;
  return v < 0 ? 0 : v > 255 ? 255 : v;
}

}  // namespace hw_test
