#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "resources/spectrum_strips.hpp"

namespace {
int ch(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
}  // namespace

TEST(SpectrumStrips, MiddleRowChainsTheFullColours) {
  // The seventeen knots, 0x00BBGGRR: green, magenta, blue, green, red, yellow, green, cyan, blue,
  // magenta, red, blue, yellow, cyan, magenta, yellow, red.
  constexpr std::uint32_t G = 0x00FF00, M = 0xFF00FF, B = 0xFF0000, R = 0x0000FF, Y = 0x00FFFF, C = 0xFFFF00;
  constexpr std::uint32_t kKnots[17] = {G, M, B, G, R, Y, G, C, B, M, R, B, Y, C, M, Y, R};
  for (int k = 0; k < 17; ++k) {
    EXPECT_EQ(spectrum_middle_colour(256 * k), kKnots[k]) << k;
    // Two pixels either side of a knot lie within two steps of it, already on the way.
    for (int d : {-2, 2}) {
      const int x = 256 * k + d;
      if (x < 0 || x >= kSpectrumWidth) continue;
      const std::uint32_t c = spectrum_middle_colour(x);
      EXPECT_NE(c, kKnots[k]) << x;
      for (int shift : {0, 8, 16}) EXPECT_LE(std::abs(ch(c, shift) - ch(kKnots[k], shift)), 2) << x;
    }
  }
  EXPECT_EQ(spectrum_middle_colour(4 * 256 + 128), 0x0080FFu);  // half way red -> yellow
  // The last ramp from red toward cyan is cut at 4315, 219 / 256 of the way: red 36.8, green and
  // blue 218.2.
  const std::uint32_t end = spectrum_middle_colour(kSpectrumWidth - 1);
  EXPECT_NEAR(ch(end, 0), 36.8, 1.0);
  EXPECT_NEAR(ch(end, 8), 218.2, 1.0);
  EXPECT_NEAR(ch(end, 16), 218.2, 1.0);
  // Every column has a channel at 255 or lies between two full colours: the largest channel
  // never drops below half way.
  for (int x = 0; x < kSpectrumWidth; ++x) {
    std::uint32_t c = spectrum_middle_colour(x);
    int mx = std::max({ch(c, 0), ch(c, 8), ch(c, 16)});
    EXPECT_GE(mx, 128) << x;
  }
}

TEST(SpectrumStrips, RowsFadeToTheirGreys) {
  Raster24 b = make_spectrum_strip(0);
  ASSERT_EQ(b.width, 4316);
  ASSERT_EQ(b.height, 512);
  EXPECT_EQ(b.colour(100, 0), 0xFFFFFFu);
  EXPECT_EQ(b.colour(100, 511), 0x000000u);
  EXPECT_EQ(b.colour(4315, 256), spectrum_middle_colour(4315));
  Raster24 s = make_spectrum_strip(135);
  EXPECT_EQ(s.colour(7, 0), 0x878787u);    // grey 135 on top
  EXPECT_EQ(s.colour(7, 511), 0x070707u);  // grey 7 at the bottom
  Raster24 w = make_spectrum_strip(255);
  EXPECT_EQ(w.colour(3000, 0), 0xFFFFFFu);
  EXPECT_EQ(w.colour(3000, 511), 0x7F7F7Fu);
  // Monotone fade in every channel of a column above the middle.
  for (int y = 1; y <= 256; ++y) EXPECT_LE(ch(b.colour(0, y), 0), ch(b.colour(0, y - 1), 0));
  EXPECT_THROW(make_spectrum_strip(136), std::invalid_argument);
  // The strips drawn by row tables hold, pixel for pixel, what each pixel's own interpolation gives.
  for (int step : {0, 199}) {
    Raster24 r = make_spectrum_strip(step);
    int wrong = 0;
    for (int y = 0; y < kSpectrumHeight; ++y)
      for (int x = 0; x < kSpectrumWidth; ++x) wrong += r.colour(x, y) != spectrum_colour(step, x, y);
    EXPECT_EQ(wrong, 0) << step;
  }
}
