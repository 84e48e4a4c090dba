#include "image/anti_alias_transform.hpp"

#include <gtest/gtest.h>

#include "image/dib_graphic.hpp"
#include "transform_test_pictures.hpp"

using namespace transform_test;

namespace {

// A white black-and-white picture with the first `black` pixels (row by row) black.
void bw_picture(TDibGraphic& p, int w, int h, int black) {
  p.NewImage(w, h, ifBlackWhite, nullptr, 300, 200);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPaletteIndex(x, y, y * w + x < black ? 0 : 1);
}

// An 8 x 8 picture reduced to one pixel counts source rows 0 .. 7 and columns 0 .. 6 (56
// pixels): the first `black` of those, row by row, are black; column 7 has index `last`.
Byte reduce_to_one(int black, Byte last = 1) {
  TDibGraphic src, dst;
  src.NewImage(8, 8, ifBlackWhite, nullptr, 300, 200);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) src.SetPaletteIndex(x, y, x == 7 ? last : y * 7 + x < black ? 0 : 1);
  TAntiAliasTransform t;
  t.SetWidth(1);
  t.SetHeight(1);
  t.ApplyOnDest(src, dst);
  EXPECT_EQ(dst.ImageFormat(), ifGray256);
  EXPECT_EQ(dst.Width(), 1);
  return dst.GetPaletteIndex(0, 0);
}

TEST(AntiAlias, EightByEightToOnePixelCountsFiftySix) {
  EXPECT_EQ(reduce_to_one(0), 255);
  EXPECT_EQ(reduce_to_one(6), 255);    // fewer than 56 div 8 black
  EXPECT_EQ(reduce_to_one(7), 223);    // exactly 56 div 8 black: 49 * 255 div 56
  EXPECT_EQ(reduce_to_one(49), 31);    // exactly 56 div 8 white: 7 * 255 div 56
  EXPECT_EQ(reduce_to_one(50), 0);     // fewer than 7 white
  EXPECT_EQ(reduce_to_one(56), 0);
  EXPECT_EQ(reduce_to_one(28), 127);   // 28 * 255 div 56
  EXPECT_EQ(reduce_to_one(0, 0), 255);   // the last source column is not counted
  EXPECT_EQ(reduce_to_one(56, 1), 0);
}

TEST(AntiAlias, OnePixelWidePictureKeepsItsColour) {
  for (int black : {0, 3}) {
    TDibGraphic src, dst;
    bw_picture(src, 1, 3, black);
    TAntiAliasTransform t;
    t.ApplyOnDest(src, dst);
    ASSERT_EQ(dst.Width(), 1);
    ASSERT_EQ(dst.Height(), 3);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(dst.GetPaletteIndex(0, y), black ? 0 : 255);
  }
}

TEST(AntiAlias, RowsOverlapColumnsDoNot) {
  // Same size: row j covers source rows j and j + 1; column i only column i.
  TDibGraphic src, dst;
  src.NewImage(2, 3, ifBlackWhite, nullptr, 96, 96);
  src.Fill(Rgb(255, 255, 255));
  src.SetPaletteIndex(0, 1, 0);  // one black pixel in the middle row
  TAntiAliasTransform t;
  t.ApplyOnDest(src, dst);
  // Rows 0 and 1 both see it in column 0 (1 of 2 black): 255 * 1 div 2; column 1 stays white.
  EXPECT_EQ(dst.GetPaletteIndex(0, 0), 127);
  EXPECT_EQ(dst.GetPaletteIndex(0, 1), 127);
  EXPECT_EQ(dst.GetPaletteIndex(0, 2), 255);
  EXPECT_EQ(dst.GetPaletteIndex(1, 0), 255);
  EXPECT_EQ(dst.GetPaletteIndex(1, 1), 255);
  EXPECT_EQ(dst.XDotsPerInch(), 96);
}

TEST(AntiAlias, EnlargingLeavesColumnsWithoutSourceWhite) {
  TDibGraphic src, dst;
  bw_picture(src, 2, 2, 4);  // all black
  TAntiAliasTransform t;
  t.SetWidth(4);
  t.SetHeight(2);
  t.ApplyOnDest(src, dst);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(dst.GetPaletteIndex(0, y), 255);  // columns 0 .. -1: nothing to count
    EXPECT_EQ(dst.GetPaletteIndex(1, y), 0);
    EXPECT_EQ(dst.GetPaletteIndex(2, y), 255);
    EXPECT_EQ(dst.GetPaletteIndex(3, y), 0);
  }
}

TEST(AntiAlias, StartsAreTruncatedExactRatios) {
  // 30 -> 22: column i starts at Trunc(30 i / 22), so columns 9 .. 12 start at 12, 13, 15, 16
  // (165 / 22 is exactly 15, where 11 * (30 / 22) in floating point falls just below it).
  // Source column 14 alone is black: destination column 10 covers 13 .. 14 (1 of 2 black).
  TDibGraphic src, dst;
  src.NewImage(30, 1, ifBlackWhite, nullptr, 96, 96);
  src.Fill(Rgb(255, 255, 255));
  src.SetPaletteIndex(14, 0, 0);
  TAntiAliasTransform t;
  t.SetWidth(22);
  t.SetHeight(1);
  t.ApplyOnDest(src, dst);
  EXPECT_EQ(dst.GetPaletteIndex(9, 0), 255);
  EXPECT_EQ(dst.GetPaletteIndex(10, 0), 127);
  EXPECT_EQ(dst.GetPaletteIndex(11, 0), 255);
  EXPECT_EQ(dst.GetPaletteIndex(12, 0), 255);
  // The same for rows, which reach down to the next row's start: row 10 covers 13 .. 15
  // (1 of 3 black gives 2 * 255 div 3), rows 9 and 11 miss source row 14.
  TDibGraphic tall, out;
  tall.NewImage(1, 30, ifBlackWhite, nullptr, 96, 96);
  tall.Fill(Rgb(255, 255, 255));
  tall.SetPaletteIndex(0, 14, 0);
  t.SetWidth(1);
  t.SetHeight(22);
  t.ApplyOnDest(tall, out);
  EXPECT_EQ(out.GetPaletteIndex(0, 9), 255);
  EXPECT_EQ(out.GetPaletteIndex(0, 10), 170);
  EXPECT_EQ(out.GetPaletteIndex(0, 11), 255);
  EXPECT_EQ(out.GetPaletteIndex(0, 12), 255);
  // 7 -> 3: starts 0, 2, 4 (Trunc of 0, 7/3, 14/3); with source columns 2 and 3 black, column 1
  // (2 .. 3) is black and its neighbours are white.
  TDibGraphic seven, three;
  seven.NewImage(7, 1, ifBlackWhite, nullptr, 96, 96);
  seven.Fill(Rgb(255, 255, 255));
  seven.SetPaletteIndex(2, 0, 0);
  seven.SetPaletteIndex(3, 0, 0);
  t.SetWidth(3);
  t.SetHeight(1);
  t.ApplyOnDest(seven, three);
  EXPECT_EQ(three.GetPaletteIndex(0, 0), 255);
  EXPECT_EQ(three.GetPaletteIndex(1, 0), 0);
  EXPECT_EQ(three.GetPaletteIndex(2, 0), 255);
}

TEST(AntiAlias, OtherFormatsPassUnchanged) {
  TDibGraphic p;
  new_random(p, 5, 4, ifTrueColor, 4);
  const TRgb c = p.GetPixel(3, 2);
  TAntiAliasTransform t;
  t.SetWidth(2);
  t.SetHeight(2);
  t.Apply(p);
  EXPECT_EQ(p.Width(), 5);
  EXPECT_EQ(p.ImageFormat(), ifTrueColor);
  EXPECT_EQ(p.GetPixel(3, 2), c);
  TDibGraphic dst;
  t.ApplyOnDest(p, dst);
  EXPECT_EQ(dst.Width(), 5);
  EXPECT_EQ(dst.GetPixel(3, 2), c);
}

TEST(AntiAlias, ApplyTurnsBlackAndWhiteIntoGrey) {
  TDibGraphic p;
  bw_picture(p, 16, 16, 128);
  ProgressLog log;
  TAntiAliasTransform t;
  t.SetOnProgress(log.handler());
  t.SetWidth(4);
  t.SetHeight(4);
  t.Apply(p);
  EXPECT_EQ(p.ImageFormat(), ifGray256);
  EXPECT_EQ(p.Width(), 4);
  EXPECT_EQ(p.GetPaletteIndex(0, 0), 0);    // top half black
  EXPECT_EQ(p.GetPaletteIndex(0, 3), 255);  // bottom rows white
  log.expect_sound();
}

}  // namespace
