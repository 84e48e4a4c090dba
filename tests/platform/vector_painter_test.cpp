#include <gtest/gtest.h>

#include "platform/vector_painter.hpp"

TEST(VectorPainter, FillsShapesAndKeepsTheBackground) {
  VectorPainter p(20, 10, 0x00524B48);
  p.no_pen();
  p.fill(clRed);
  p.rect(0, 0, 10, 10);
  p.set_pixel(19, 9, clBlue);
  auto px = p.argb();
  ASSERT_EQ(px.size(), 200u);
  EXPECT_EQ(px[5 * 20 + 5], 0xFFFF0000u);              // red inside the square
  EXPECT_EQ(px[5 * 20 + 15], 0xFF484B52u);             // background 0x00524B48 as ARGB
  EXPECT_EQ(px[9 * 20 + 19], 0xFF0000FFu);             // the single blue pixel
  auto bgr = p.bgr();
  EXPECT_EQ(bgr[(5 * 20 + 5) * 3 + 2], 0xFF);          // red byte last
  VectorPainter t(4, 4, 0, true);
  EXPECT_EQ(t.argb()[0] >> 24, 0u);                    // transparent
  // A half-covered edge pixel on a transparent ground comes back in straight alpha: its colour
  // is the fill's, within the rounding of the partial coverage.
  t.fill(RGB(200, 100, 30));
  t.rect(0, 0, 1.5, 4);
  const std::uint32_t edge = t.argb()[1];
  const int a = static_cast<int>(edge >> 24);
  ASSERT_GT(a, 64);
  ASSERT_LT(a, 192);
  EXPECT_NEAR(static_cast<int>((edge >> 16) & 0xFF), 200, 2);
  EXPECT_NEAR(static_cast<int>((edge >> 8) & 0xFF), 100, 2);
  EXPECT_NEAR(static_cast<int>(edge & 0xFF), 30, 2);
}

TEST(VectorPainter, TextWidthMatchesTheDrawnText) {
  VectorPainter p(300, 30, clBlack);
  EXPECT_EQ(p.text_width("", 14, false), 0.0);
  const double one = p.text_width("palette", 14, false);
  EXPECT_GT(one, 20.0);
  EXPECT_NEAR(p.text_width("palettepalette", 14, false), 2 * one, 1.0);
  EXPECT_GT(p.text_width("palette", 28, false), 1.8 * one);
  EXPECT_GE(p.text_width("palette", 14, true), one);
  // Drawn left-aligned from x = 10, the ink ends near 10 + the width.
  p.pen(clWhite, 1);
  p.text(10, 0, 280, 30, "palette", 14, false, 0);
  const auto px = p.argb();
  int right = -1;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 300; ++x)
      if ((px[static_cast<size_t>(y * 300 + x)] & 0xFF) > 100) right = std::max(right, x);
  EXPECT_NEAR(right, 10 + one, 3.0);
}
