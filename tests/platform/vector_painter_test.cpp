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
}
