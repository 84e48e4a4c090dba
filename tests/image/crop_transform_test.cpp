#include "image/crop_transform.hpp"

#include <gtest/gtest.h>

#include "image/dib_graphic.hpp"
#include "transform_test_pictures.hpp"

using namespace transform_test;

namespace {

void crop(TDibGraphic& src, TDibGraphic& dst, TCropMode mode, int left, int top, int right, int bottom) {
  TCropTransform t;
  t.SetCropMode(mode);
  t.SetLeft(left);
  t.SetTop(top);
  t.SetRight(right);
  t.SetBottom(bottom);
  t.ApplyOnDest(src, dst);
}

void expect_invalid(TDibGraphic& src, TCropMode mode, int left, int top, int right, int bottom) {
  TDibGraphic dst;
  try {
    crop(src, dst, mode, left, top, right, bottom);
    ADD_FAILURE() << "no error for " << left << "," << top << "," << right << "," << bottom;
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Invalid crop parameters");
  }
}

class CropEveryFormat : public ::testing::TestWithParam<TImageFormat> {};

TEST_P(CropEveryFormat, ExtractAnUnalignedRectangle) {
  TDibGraphic src, dst;
  new_random(src, 29, 11, GetParam(), 31);
  crop(src, dst, cmExtractRect, 3, 2, 20, 9);  // 17 x 7 from (3, 2)
  ASSERT_EQ(dst.Width(), 17);
  ASSERT_EQ(dst.Height(), 7);
  EXPECT_EQ(dst.ImageFormat(), GetParam());
  EXPECT_TRUE(same_palette(src, dst));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(raw_pixel(dst, x, y), raw_pixel(src, x + 3, y + 2));
}

TEST_P(CropEveryFormat, RemoveBorders) {
  TDibGraphic src, dst;
  new_random(src, 21, 13, GetParam(), 32);
  crop(src, dst, cmRemoveBorders, 5, 1, 2, 4);  // widths of the left, top, right and bottom borders
  ASSERT_EQ(dst.Width(), 14);
  ASSERT_EQ(dst.Height(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 14; ++x) ASSERT_EQ(raw_pixel(dst, x, y), raw_pixel(src, x + 5, y + 1));
}

INSTANTIATE_TEST_SUITE_P(Formats, CropEveryFormat, ::testing::ValuesIn(kAllFormats));

TEST(Crop, NoBordersCopiesTheWholePicture) {
  TDibGraphic src, dst;
  new_random(src, 6, 4, ifTrueColor, 3);
  src.SetXDotsPerInch(300);
  crop(src, dst, cmRemoveBorders, 0, 0, 0, 0);
  ASSERT_EQ(dst.Width(), 6);
  ASSERT_EQ(dst.Height(), 4);
  EXPECT_EQ(dst.XDotsPerInch(), 300);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(x, y));
}

TEST(Crop, RectangleReachingPastThePictureIsCut) {
  TDibGraphic src, dst;
  new_random(src, 10, 8, ifColor256, 4);
  crop(src, dst, cmExtractRect, 7, 5, 50, 40);
  ASSERT_EQ(dst.Width(), 3);
  ASSERT_EQ(dst.Height(), 3);
  EXPECT_EQ(dst.GetPaletteIndex(2, 2), src.GetPaletteIndex(9, 7));
}

TEST(Crop, InvalidParameters) {
  TDibGraphic src;
  new_random(src, 10, 8, ifTrueColor, 5);
  expect_invalid(src, cmRemoveBorders, 10, 0, 0, 0);   // left border the whole width
  expect_invalid(src, cmRemoveBorders, 6, 0, 4, 0);    // borders meet
  expect_invalid(src, cmRemoveBorders, 0, 0, 0, 8);
  expect_invalid(src, cmExtractRect, 4, 4, 4, 6);      // no width
  expect_invalid(src, cmExtractRect, 4, 5, 6, 5);      // no height
  expect_invalid(src, cmExtractRect, 10, 0, 12, 5);    // starts right of the picture
  expect_invalid(src, cmExtractRect, 0, 8, 5, 12);     // starts below it
  expect_invalid(src, cmExtractRect, -1, 0, 5, 5);     // starts before it
  expect_invalid(src, cmExtractRect, 0, -2, 5, 5);
}

TEST(Crop, ApplyReplacesThePictureAndReportsProgress) {
  TDibGraphic p;
  new_random(p, 10, 200, ifGray16, 6);
  const Byte corner = p.GetPaletteIndex(9, 199);
  ProgressLog log;
  TCropTransform t;
  t.SetOnProgress(log.handler());
  t.SetLeft(9);
  t.SetTop(10);
  t.Apply(p);
  EXPECT_EQ(p.Width(), 1);
  EXPECT_EQ(p.Height(), 190);
  EXPECT_EQ(p.GetPaletteIndex(0, 189), corner);
  log.expect_sound();
}

}  // namespace
