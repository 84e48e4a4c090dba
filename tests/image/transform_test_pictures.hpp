// Small pictures for the transform tests: random pixels in any format, and whole-picture
// comparisons through the picture's own pixel access.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/dib_graphic.hpp"

namespace transform_test {

inline int palette_size(TImageFormat f) {
  switch (f) {
    case ifBlackWhite: return 2;
    case ifGray16:
    case ifColor16: return 16;
    case ifGray256:
    case ifColor256: return 256;
    default: return 0;
  }
}

// Random pixels: random indices for palette formats, random colours for true colour.
inline void fill_random(TDibGraphic& p, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const int n = palette_size(p.ImageFormat());
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      if (n > 0) {
        p.SetPaletteIndex(x, y, static_cast<Byte>(rng() % n));
      } else {
        const std::uint32_t v = rng();
        p.SetPixel(x, y, Rgb(static_cast<Byte>(v), static_cast<Byte>(v >> 8), static_cast<Byte>(v >> 16)));
      }
    }
}

inline void new_random(TDibGraphic& p, int w, int h, TImageFormat f, std::uint32_t seed,
                       const TMaxLogPalette* palette = nullptr) {
  p.NewImage(w, h, f, palette, 96, 96);
  fill_random(p, seed);
}

// A palette of `count` random colours.
inline TMaxLogPalette random_palette(int count, std::uint32_t seed) {
  std::mt19937 rng(seed);
  TMaxLogPalette pal{};
  pal.palVersion = 0x300;
  pal.palNumEntries = static_cast<Word>(count);
  for (int i = 0; i < count; ++i) {
    const std::uint32_t v = rng();
    pal.palPalEntry[i] = {static_cast<Byte>(v), static_cast<Byte>(v >> 8), static_cast<Byte>(v >> 16), 0};
  }
  return pal;
}

// The pixel's value as the transforms keep it: the index for palette pictures, the colour for
// true colour.
inline std::uint32_t raw_pixel(const TDibGraphic& p, int x, int y) {
  return p.ImageFormat() == ifTrueColor ? p.GetPixel(x, y).Value() : p.GetPaletteIndex(x, y);
}

inline bool same_palette(const TDibGraphic& a, const TDibGraphic& b) {
  const TMaxLogPalette& pa = a.Palette();
  const TMaxLogPalette& pb = b.Palette();
  if (pa.palNumEntries != pb.palNumEntries) return false;
  for (int i = 0; i < pa.palNumEntries; ++i)
    if (pa.palPalEntry[i].peRed != pb.palPalEntry[i].peRed || pa.palPalEntry[i].peGreen != pb.palPalEntry[i].peGreen ||
        pa.palPalEntry[i].peBlue != pb.palPalEntry[i].peBlue)
      return false;
  return true;
}

inline const TImageFormat kAllFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};

// Records progress reports.
struct ProgressLog {
  std::vector<int> percents;
  TZuroroveProgressEvent handler() {
    return [this](TObject*, Byte p) { percents.push_back(p); };
  }
  // Starts at 0, ends at 100, never repeats a percent in a row and never goes back.
  void expect_sound() const {
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    for (std::size_t i = 1; i < percents.size(); ++i) EXPECT_GT(percents[i], percents[i - 1]) << "at report " << i;
  }
};

}  // namespace transform_test
