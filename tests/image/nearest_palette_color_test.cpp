#include "image/nearest_palette_color.hpp"

#include <gtest/gtest.h>

#include <random>

namespace {

int walk(const std::vector<NearestPaletteColor::Entry>& pal, int r, int g, int b) {
  int best = 0, best_d = 1 << 30;
  for (std::size_t i = 0; i < pal.size(); ++i) {
    const int d = (r - pal[i].red) * (r - pal[i].red) + (g - pal[i].green) * (g - pal[i].green) +
                  (b - pal[i].blue) * (b - pal[i].blue);
    if (d < best_d) {
      best_d = d;
      best = int(i);
    }
  }
  return best;
}

void compare_with_walk(const std::vector<NearestPaletteColor::Entry>& pal, std::uint32_t seed) {
  NearestPaletteColor nearest(pal);
  std::mt19937 rng(seed);
  for (int k = 0; k < 20000; ++k) {
    const std::uint32_t v = rng();
    const int r = v & 255, g = (v >> 8) & 255, b = (v >> 16) & 255;
    ASSERT_EQ(nearest.index_of(r, g, b), walk(pal, r, g, b)) << r << "," << g << "," << b;
  }
  // Cell corners and edges, where the candidate lists are tightest.
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 17) ASSERT_EQ(nearest.index_of(r, g, b), walk(pal, r, g, b));
}

TEST(NearestPaletteColor, SameAnswerAsAWalkOverThePalette) {
  std::mt19937 rng(1);
  for (int size : {1, 2, 16, 100, 256}) {
    std::vector<NearestPaletteColor::Entry> pal;
    for (int i = 0; i < size; ++i) {
      const std::uint32_t v = rng();
      pal.push_back({std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16)});
    }
    SCOPED_TRACE(size);
    compare_with_walk(pal, size);
  }
}

TEST(NearestPaletteColor, EqualDistancesPickTheLowestIndex) {
  // Duplicates and a grey ramp with many ties.
  std::vector<NearestPaletteColor::Entry> pal;
  for (int i = 0; i < 128; ++i) pal.push_back({std::uint8_t(2 * i), std::uint8_t(2 * i), std::uint8_t(2 * i)});
  for (int i = 0; i < 128; ++i) pal.push_back({std::uint8_t(2 * i), std::uint8_t(2 * i), std::uint8_t(2 * i)});
  NearestPaletteColor nearest(pal);
  EXPECT_EQ(nearest.index_of(10, 10, 10), 5);
  EXPECT_EQ(nearest.index_of(11, 11, 11), 5);  // 10 and 12 equally near
  compare_with_walk(pal, 7);
  std::vector<NearestPaletteColor::Entry> two = {{0, 0, 0}, {0, 0, 0}};
  EXPECT_EQ(NearestPaletteColor(two).index_of(200, 3, 3), 0);
}

TEST(NearestPaletteColor, EmptyPaletteGivesIndexZero) {
  NearestPaletteColor nearest({});
  EXPECT_EQ(nearest.index_of(1, 2, 3), 0);
}

}  // namespace
