#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "resources/glyph_canvas.hpp"
#include "resources/index_canvas.hpp"

namespace {

long count(const IndexCanvas& c, std::uint8_t v) {
  long n = 0;
  for (std::uint8_t p : c.pixels()) n += p == v;
  return n;
}

}  // namespace

TEST(IndexCanvas, RectanglesCoverThePixelsWhoseCentresLieInside) {
  IndexCanvas c(10, 8, 0);
  c.rect(2, 1, 5, 4, 7);  // centres 2.5..4.5 by 1.5..3.5
  EXPECT_EQ(count(c, 7), 3 * 3);
  EXPECT_EQ(c.at(2, 1), 7);
  EXPECT_EQ(c.at(4, 3), 7);
  EXPECT_EQ(c.at(5, 3), 0);
  EXPECT_EQ(c.at(1, 1), 0);
  c.rect(2.6, 0, 3.4, 8, 9);  // pixel centres lie at .5: none between 2.6 and 3.4
  EXPECT_EQ(count(c, 9), 0);
  c.rect(-50, -50, 500, 500, 1);  // clipped to the canvas
  EXPECT_EQ(count(c, 1), 80);
}

TEST(IndexCanvas, EllipsesAndPolygonsHaveTheirArea) {
  IndexCanvas c(200, 200, 0);
  c.ellipse(100, 100, 60, 40, 3);
  EXPECT_NEAR(count(c, 3), std::numbers::pi * 60 * 40, 60);
  EXPECT_EQ(c.at(100, 100), 3);
  EXPECT_EQ(c.at(100, 58), 0);  // centre 58.5 lies outside 100 - 40
  EXPECT_EQ(c.at(100, 61), 3);
  IndexCanvas t(200, 200, 0);
  t.polygon({{10, 10}, {190, 10}, {10, 190}}, 5);  // right triangle, area 180 * 180 / 2
  EXPECT_NEAR(count(t, 5), 180.0 * 180.0 / 2, 200);
  EXPECT_EQ(t.at(20, 20), 5);
  EXPECT_EQ(t.at(180, 180), 0);
  // A self-crossing bow tie: a triangle on the left and one on the right, meeting at the centre.
  IndexCanvas b(100, 100, 0);
  b.polygon({{0, 0}, {100, 100}, {100, 0}, {0, 100}}, 2);
  EXPECT_EQ(b.at(10, 50), 2);
  EXPECT_EQ(b.at(90, 50), 2);
  EXPECT_EQ(b.at(50, 10), 0);
  EXPECT_EQ(b.at(50, 90), 0);
  EXPECT_NEAR(count(b, 2), 5000, 150);
}

TEST(IndexCanvas, LinesAreBandsOfTheirWidthAndDegenerateShapesDrawNothing) {
  IndexCanvas c(100, 100, 0);
  c.line(10, 50, 90, 50, 4, 6);
  EXPECT_NEAR(count(c, 6), 80 * 4, 8);
  EXPECT_EQ(c.at(50, 48), 6);
  EXPECT_EQ(c.at(50, 46), 0);
  c.line(20, 20, 20, 20, 5, 8);
  c.ellipse(50, 50, 0, 10, 8);
  c.polygon({{1, 1}, {5, 5}}, 8);
  EXPECT_EQ(count(c, 8), 0);
  // Shapes far outside the canvas are clipped without touching memory they do not own.
  c.ellipse(-500, -500, 600, 600, 9);
  c.polygon({{-1000, -1000}, {2000, -1000}, {500, 3000}}, 9);
  EXPECT_EQ(count(c, 9), 100 * 100);
}

TEST(GlyphCanvas, FlattenKeysTheGroundAndBlendsEdgesOverTheBackdrop) {
  const TColor key = 0x00FF00FF, backdrop = RGB(100, 50, 20);
  GlyphCanvas g(20, 10, 10);
  g.no_pen();
  g.fill(RGB(200, 250, 220));
  g.raw().rect(0, 0, 10, 10);        // fully covered
  g.raw().rect(12.5, 0, 1, 10);      // half covered column 12 and 13
  const Raster24 r = g.flatten(backdrop, key);
  EXPECT_EQ(r.colour(5, 5), static_cast<std::uint32_t>(RGB(200, 250, 220)));
  EXPECT_EQ(r.colour(18, 5), static_cast<std::uint32_t>(key));
  // Half coverage: half way between the fill and the backdrop.
  const std::uint32_t half = r.colour(12, 5);
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 150, 3);
  EXPECT_NEAR(static_cast<int>((half >> 8) & 0xFF), 150, 3);
  EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), 120, 3);
  // A drawing in the key colour itself never turns transparent.
  GlyphCanvas k(4, 4, 4);
  k.no_pen();
  k.fill(key);
  k.raw().rect(0, 0, 4, 4);
  const Raster24 kr = k.flatten(backdrop, key);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_NE(kr.colour(x, y), static_cast<std::uint32_t>(key));
}
