// A deterministic photo-like picture for the benchmarks and the tests: a plasma fractal per
// channel (diamond-square on an integer grid) with a little per-pixel grain. Integer arithmetic
// only, with its own hash for randomness, so every compiler and machine makes the same bytes.
// Pure noise hides encoder and filter costs; this has smooth areas, edges and texture.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "image/dib_graphic.hpp"

namespace photo {

inline std::uint64_t mix(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A value in -amp..amp from the point, the level, the channel and the seed.
inline int jitter(std::uint32_t seed, int channel, int level, int x, int y, int amp) {
  if (amp <= 0) return 0;
  const std::uint64_t key = (std::uint64_t(seed) << 40) ^ (std::uint64_t(channel) << 36) ^
                            (std::uint64_t(level) << 32) ^ (std::uint64_t(std::uint32_t(y)) << 16) ^
                            std::uint64_t(std::uint32_t(x));
  return static_cast<int>(mix(key ^ (std::uint64_t(std::uint32_t(y)) << 48)) % std::uint64_t(2 * amp + 1)) - amp;
}

// One channel of plasma, `w` x `h`, values 0..255, row by row from the top.
inline void plasma_channel(int w, int h, std::uint32_t seed, int channel, std::uint8_t* out, int out_step,
                           std::ptrdiff_t out_row) {
  const int big = std::max(1, std::max(w, h));
  const int step0 = std::min(512, static_cast<int>(std::bit_floor(static_cast<unsigned>(big))));
  const int gw = (w + step0 - 1) / step0 * step0 + 1;
  const int gh = (h + step0 - 1) / step0 * step0 + 1;
  std::vector<std::int32_t> g(static_cast<std::size_t>(gw) * gh);
  auto at = [&](int x, int y) -> std::int32_t& { return g[static_cast<std::size_t>(y) * gw + x]; };
  // Values in sixteenths of a level.
  constexpr int kMid = 128 * 16;
  for (int y = 0; y < gh; y += step0)
    for (int x = 0; x < gw; x += step0) at(x, y) = kMid + jitter(seed, channel, 0, x, y, 110 * 16);
  int amp = 80 * 16;
  int level = 1;
  for (int s = step0; s > 1; s /= 2, amp = amp * 11 / 20, ++level) {
    const int half = s / 2;
    // Diamond: the centre of every square.
    for (int y = half; y < gh; y += s)
      for (int x = half; x < gw; x += s) {
        const int sum = at(x - half, y - half) + at(x + half, y - half) + at(x - half, y + half) + at(x + half, y + half);
        at(x, y) = sum / 4 + jitter(seed, channel, level, x, y, amp);
      }
    // Square: the middle of every edge, from the neighbours inside the grid.
    for (int y = 0; y < gh; y += half)
      for (int x = (y / half) % 2 == 0 ? half : 0; x < gw; x += s) {
        int sum = 0, n = 0;
        if (x >= half) sum += at(x - half, y), ++n;
        if (x + half < gw) sum += at(x + half, y), ++n;
        if (y >= half) sum += at(x, y - half), ++n;
        if (y + half < gh) sum += at(x, y + half), ++n;
        at(x, y) = sum / n + jitter(seed, channel, level, x, y, amp);
      }
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* o = out + out_row * y;
    for (int x = 0; x < w; ++x, o += out_step) {
      const int v = at(x, y) + jitter(seed, channel, 31, x, y, 3 * 16);  // grain
      *o = static_cast<std::uint8_t>(std::clamp(v / 16, 0, 255));
    }
  }
}

// `w` x `h` pixels as blue, green, red bytes, rows from the top, no padding.
inline std::vector<std::uint8_t> bgr_pixels(int w, int h, std::uint32_t seed) {
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(w) * h * 3);
  for (int c = 0; c < 3; ++c) plasma_channel(w, h, seed, c, bgr.data() + c, 3, std::ptrdiff_t{w} * 3);
  return bgr;
}

// A new picture of the given format: the colours for true colour, for palette formats the plasma
// of one channel scaled to the palette's indices.
inline void new_picture(TDibGraphic& p, int w, int h, TImageFormat format, std::uint32_t seed) {
  p.NewImage(w, h, format, nullptr, 96, 96);
  if (format == ifTrueColor) {
    const std::vector<std::uint8_t> bgr = bgr_pixels(w, h, seed);
    for (int y = 0; y < h; ++y)
      std::copy_n(bgr.data() + static_cast<std::size_t>(y) * w * 3, static_cast<std::size_t>(w) * 3, p.GetScanLine(y));
    return;
  }
  const int bits = ImageFormatBits(format);
  std::vector<std::uint8_t> v(static_cast<std::size_t>(w) * h);
  plasma_channel(w, h, seed, 0, v.data(), 1, w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p.SetPaletteIndex(x, y, static_cast<Byte>(v[static_cast<std::size_t>(y) * w + x] >> (8 - bits)));
}

}  // namespace photo
