#include "image/quantize.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/pixel_rows.hpp"

namespace {

// 15-bit colour key: red shr 3 in bits 0-4, green shr 3 in bits 5-9, blue shr 3 in bits 10-14.
inline int color_key(int red, int green, int blue) { return (red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10); }

struct Candidate {
  std::uint8_t blue, green, red;
};

inline Candidate key_color(int key) {
  return {static_cast<std::uint8_t>(((key >> 10) & 31) * 8), static_cast<std::uint8_t>(((key >> 5) & 31) * 8),
          static_cast<std::uint8_t>((key & 31) * 8)};
}

inline int distance2(const Candidate& a, const Candidate& b) {
  const int r = a.red - b.red, g = a.green - b.green, bl = a.blue - b.blue;
  return r * r + g * g + bl * bl;
}

// One pass over the picture: a counter per key that stops at 65535, and the number of keys seen.
int count_keys(const TDibGraphic& graphic, std::vector<std::uint16_t>& histogram) {
  int distinct = 0;
  if (graphic.Empty()) return 0;
  const int w = graphic.Width();
  const int h = graphic.Height();
  const int bits = ImageFormatBits(graphic.ImageFormat());
  auto count = [&](int key) {
    std::uint16_t& c = histogram[static_cast<std::size_t>(key)];
    if (c < 65535) {
      ++c;
      if (c == 1) ++distinct;
    }
  };
  if (bits == 24) {
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* p = graphic.GetScanLine(y);
      for (int x = 0; x < w; ++x, p += 3) count(color_key(p[2], p[1], p[0]));
    }
  } else {
    const PaletteTable palette = palette_table(graphic.Palette());
    std::array<int, 256> keys{};
    for (int i = 0; i < 256; ++i) {
      const TRgb& c = palette[static_cast<std::size_t>(i)];
      keys[static_cast<std::size_t>(i)] = color_key(c.Red, c.Green, c.Blue);
    }
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
      unpack_indices(graphic.GetScanLine(y), bits, 0, w, indices.data());
      for (int x = 0; x < w; ++x) count(keys[indices[static_cast<std::size_t>(x)]]);
    }
  }
  return distinct;
}

}  // namespace

// Keys counted more often than a threshold that rises with the number of distinct keys become
// candidates. With more candidates than colours wanted, the palette starts with the candidate
// nearest to white and goes on with the candidate farthest from the ones chosen, by the
// smallest sum of 2^30 div (squared distance) to them.
void QuantizeColors(TDibGraphic& Graphic, TMaxLogPalette& LogPalette, int MaxColors, int& LastPercent,
                    const TZuroroveProgressEvent& OnProgress) {
  if (MaxColors > 256) MaxColors = 256;
  if (MaxColors < 1) MaxColors = 1;

  std::vector<std::uint16_t> histogram(32768, 0);
  const int distinct = count_keys(Graphic, histogram);
  int threshold;
  if (distinct < 1250) {
    threshold = 2;
  } else if (distinct < 2500) {
    threshold = 5;
  } else if (distinct < 5000) {
    threshold = 10;
  } else if (distinct < 10000) {
    threshold = 15;
  } else {
    threshold = 20;
  }

  std::vector<Candidate> candidates;
  for (int key = 0; key < 32768; ++key)
    if (histogram[static_cast<std::size_t>(key)] > threshold) candidates.push_back(key_color(key));
  // A mend: when no key passes the threshold (every colour rarer than it), every key seen is a
  // candidate, so that the palette is not left without colours.
  if (candidates.empty()) {
    candidates.clear();
    for (int key = 0; key < 32768; ++key)
      if (histogram[static_cast<std::size_t>(key)] > 0) candidates.push_back(key_color(key));
  }

  const int n = static_cast<int>(candidates.size());
  if (n > MaxColors) {
    const Candidate white{255, 255, 255};
    int first = 0;
    for (int i = 1; i < n; ++i)
      if (distance2(candidates[static_cast<std::size_t>(i)], white) < distance2(candidates[static_cast<std::size_t>(first)], white))
        first = i;
    // Every channel is a multiple of 8, so a squared distance is 64 k and 2^30 div it equals
    // 2^24 div k.
    std::vector<std::uint32_t> inverse(3 * 31 * 31 + 1, 0);
    for (std::size_t k = 1; k < inverse.size(); ++k) inverse[k] = (1u << 24) / static_cast<std::uint32_t>(k);
    // Running sums over the chosen candidates, kept beside each candidate; `same` marks a
    // candidate equal to a chosen colour.
    std::vector<std::uint32_t> sum(static_cast<std::size_t>(n), 0);
    std::vector<std::uint8_t> same(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < MaxColors; ++i) {
      LastPercent = DoProgress(nullptr, i, 0, static_cast<Byte>(LastPercent), MaxColors, OnProgress);
      std::swap(candidates[static_cast<std::size_t>(i)], candidates[static_cast<std::size_t>(first)]);
      std::swap(sum[static_cast<std::size_t>(i)], sum[static_cast<std::size_t>(first)]);
      std::swap(same[static_cast<std::size_t>(i)], same[static_cast<std::size_t>(first)]);
      const Candidate chosen = candidates[static_cast<std::size_t>(i)];
      first = i + 1;
      std::uint32_t best = 1u << 30;
      for (int j = i + 1; j < n; ++j) {
        const int d2 = distance2(candidates[static_cast<std::size_t>(j)], chosen);
        if (d2 == 0) {
          same[static_cast<std::size_t>(j)] = 1;
        } else {
          sum[static_cast<std::size_t>(j)] += inverse[static_cast<std::size_t>(d2 / 64)];
        }
        const std::uint32_t s = same[static_cast<std::size_t>(j)] ? (1u << 30) : sum[static_cast<std::size_t>(j)];
        if (s < best) {
          best = s;
          first = j;
        }
      }
      if (first >= n) first = n - 1;
    }
  }

  std::memset(&LogPalette, 0, sizeof(LogPalette));
  LogPalette.palVersion = 0x300;
  const int count = std::max(1, std::min(n, MaxColors));
  LogPalette.palNumEntries = static_cast<Word>(count);
  for (int i = 0; i < count && i < n; ++i) {
    LogPalette.palPalEntry[i].peRed = candidates[static_cast<std::size_t>(i)].red;
    LogPalette.palPalEntry[i].peGreen = candidates[static_cast<std::size_t>(i)].green;
    LogPalette.palPalEntry[i].peBlue = candidates[static_cast<std::size_t>(i)].blue;
  }
}
