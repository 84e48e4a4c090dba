#include <gtest/gtest.h>

#include <cmath>

#include "image/dib_graphic.hpp"
#include "image/flip_transform.hpp"
#include "image/rotate_transform.hpp"
#include "transform_test_pictures.hpp"

using namespace transform_test;

namespace {

class EveryFormat : public ::testing::TestWithParam<TImageFormat> {};

TEST_P(EveryFormat, FlipHorizontal) {
  TDibGraphic src, dst;
  new_random(src, 13, 5, GetParam(), 21);
  TFlipHorizontalTransform t;
  t.ApplyOnDest(src, dst);
  ASSERT_EQ(dst.Width(), 13);
  ASSERT_EQ(dst.Height(), 5);
  ASSERT_EQ(dst.ImageFormat(), GetParam());
  EXPECT_TRUE(same_palette(src, dst));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(raw_pixel(dst, 12 - x, y), raw_pixel(src, x, y)) << x << "," << y;
}

TEST_P(EveryFormat, FlipVertical) {
  TDibGraphic src, dst;
  new_random(src, 11, 6, GetParam(), 22);
  TFlipVerticalTransform t;
  t.ApplyOnDest(src, dst);
  ASSERT_EQ(dst.Height(), 6);
  EXPECT_TRUE(same_palette(src, dst));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 11; ++x) ASSERT_EQ(raw_pixel(dst, x, 5 - y), raw_pixel(src, x, y));
}

TEST_P(EveryFormat, QuarterAndHalfTurns) {
  TDibGraphic src;
  new_random(src, 71, 67, GetParam(), 23);  // more than one tile each way
  src.SetXDotsPerInch(72);
  src.SetYDotsPerInch(150);
  const int w = 71, h = 67;
  for (int angle : {90, 180, 270}) {
    SCOPED_TRACE(angle);
    TDibGraphic dst;
    TRotateTransform t;
    t.SetAngle(angle);
    t.ApplyOnDest(src, dst);
    ASSERT_EQ(dst.ImageFormat(), GetParam());
    EXPECT_TRUE(same_palette(src, dst));
    EXPECT_EQ(dst.XDotsPerInch(), 72);  // not exchanged
    EXPECT_EQ(dst.YDotsPerInch(), 150);
    ASSERT_EQ(dst.Width(), angle == 180 ? w : h);
    ASSERT_EQ(dst.Height(), angle == 180 ? h : w);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int dx = angle == 90 ? h - 1 - y : (angle == 180 ? w - 1 - x : y);
        const int dy = angle == 90 ? x : (angle == 180 ? h - 1 - y : w - 1 - x);
        ASSERT_EQ(raw_pixel(dst, dx, dy), raw_pixel(src, x, y)) << x << "," << y;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat, ::testing::ValuesIn(kAllFormats));

TEST(Flip, NarrowPicturesStayAsTheyAre) {
  TDibGraphic src, dst;
  new_random(src, 1, 4, ifTrueColor, 1);
  TFlipHorizontalTransform h;
  h.ApplyOnDest(src, dst);
  ASSERT_EQ(dst.Width(), 1);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(dst.GetPixel(0, y), src.GetPixel(0, y));
  new_random(src, 4, 1, ifColor16, 2);
  TFlipVerticalTransform v;
  v.ApplyOnDest(src, dst);
  ASSERT_EQ(dst.Height(), 1);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPaletteIndex(x, 0), src.GetPaletteIndex(x, 0));
}

TEST(Flip, ApplyInPlaceTwiceRestores) {
  TDibGraphic p, copy;
  new_random(p, 9, 7, ifGray16, 5);
  copy.Assign(&p);
  TFlipHorizontalTransform t;
  ProgressLog log;
  t.SetOnProgress(log.handler());
  t.Apply(p);
  log.expect_sound();
  for (int y = 0; y < 7; ++y) EXPECT_EQ(raw_pixel(p, 0, y), raw_pixel(copy, 8, y));
  t.Apply(p);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(raw_pixel(p, x, y), raw_pixel(copy, x, y));
}

TEST(Rotate, WhichAnglesAreQuarterTurns) {
  EXPECT_EQ(TRotateTransform::QuarterTurns(90), 90);
  EXPECT_EQ(TRotateTransform::QuarterTurns(90.004), 90);
  EXPECT_EQ(TRotateTransform::QuarterTurns(89.996), 90);
  EXPECT_EQ(TRotateTransform::QuarterTurns(90.006), -1);
  EXPECT_EQ(TRotateTransform::QuarterTurns(-270), 90);
  EXPECT_EQ(TRotateTransform::QuarterTurns(450), 90);
  EXPECT_EQ(TRotateTransform::QuarterTurns(-1000), -1);  // 80
  EXPECT_EQ(TRotateTransform::QuarterTurns(-990), 90);
  EXPECT_EQ(TRotateTransform::QuarterTurns(0), 0);
  EXPECT_EQ(TRotateTransform::QuarterTurns(360), 0);
  EXPECT_EQ(TRotateTransform::QuarterTurns(-180), 180);
  EXPECT_EQ(TRotateTransform::QuarterTurns(630), 270);
  EXPECT_EQ(TRotateTransform::QuarterTurns(45), -1);
  EXPECT_NO_THROW(TRotateTransform::QuarterTurns(1e300));
  EXPECT_THROW(TRotateTransform::QuarterTurns(NAN), EZuroroveError);
  EXPECT_THROW(TRotateTransform::QuarterTurns(INFINITY), EZuroroveError);
}

TEST(Rotate, WholeTurnsCopy) {
  for (double a : {0.0, 360.0, -720.0}) {
    TDibGraphic src, dst;
    new_random(src, 5, 3, ifColor16, 8);
    TRotateTransform t;
    t.SetAngle(a);
    t.ApplyOnDest(src, dst);
    ASSERT_EQ(dst.Width(), 5);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.GetPaletteIndex(x, y), src.GetPaletteIndex(x, y));
  }
}

TEST(Rotate, FortyFiveDegreesKeepsAThreeByThreePicture) {
  TDibGraphic src, dst;
  new_random(src, 3, 3, ifTrueColor, 9);
  TRotateTransform t;
  t.SetAngle(45);
  t.ApplyOnDest(src, dst);
  EXPECT_EQ(dst.Width(), 3);
  EXPECT_EQ(dst.Height(), 3);
  EXPECT_EQ(dst.GetPixel(1, 1), src.GetPixel(1, 1));  // the centre stays
}

// The destination of a turn by `angle` degrees, from the rounded turned corners.
void turned_size(int w, int h, double angle, int& dw, int& dh) {
  const long double t = 3.141592653589793238462643383279502884L * angle / 180.0L;
  const int cx = w / 2, cy = h / 2;
  long long minx = 1 << 30, maxx = -(1 << 30), miny = 1 << 30, maxy = -(1 << 30);
  for (auto [x, y] : {std::pair{0, 0}, {0, h - 1}, {w - 1, h - 1}, {w - 1, 0}}) {
    const long long rx = std::llrint((x - cx) * std::cos(t) - (y - cy) * std::sin(t) + cx);
    const long long ry = std::llrint((x - cx) * std::sin(t) + (y - cy) * std::cos(t) + cy);
    minx = std::min(minx, rx);
    maxx = std::max(maxx, rx);
    miny = std::min(miny, ry);
    maxy = std::max(maxy, ry);
  }
  dw = int(maxx - minx + 1);
  dh = int(maxy - miny + 1);
}

TEST(Rotate, AnyAngleFillsOutsideWithTheBackground) {
  TDibGraphic src, dst;
  src.NewImage(100, 50, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(10, 20, 30));
  TRotateTransform t;
  t.SetAngle(30);
  t.SetBackgroundColor(Rgb(200, 100, 0));
  t.ApplyOnDest(src, dst);
  int dw, dh;
  turned_size(100, 50, 30, dw, dh);
  ASSERT_EQ(dst.Width(), dw);
  ASSERT_EQ(dst.Height(), dh);
  EXPECT_GT(dw, 100);
  EXPECT_EQ(dst.GetPixel(0, 0), Rgb(200, 100, 0));
  EXPECT_EQ(dst.GetPixel(dw - 1, dh - 1), Rgb(200, 100, 0));
  EXPECT_EQ(dst.GetPixel(dw / 2, dh / 2), Rgb(10, 20, 30));
}

// A plain form of the turn by any angle, written from its description: each destination pixel
// maps back by the opposite turn about the centres, rounded; a source column equal to the
// width (or a row equal to the height) is the last one; outside the source, the background.
// Counts the pixels taken through that edge rule.
int plain_turn_differences(const TDibGraphic& src, const TDibGraphic& dst, double angle, TRgb background,
                           int& edge_pixels) {
  const int w = src.Width(), h = src.Height(), dw = dst.Width(), dh = dst.Height();
  const long double t = 3.141592653589793238462643383279502884L * static_cast<long double>(angle) / 180.0L;
  const long double c = std::cos(-t), s = std::sin(-t);
  const int cx = w / 2, cy = h / 2, dx = dw / 2, dy = dh / 2;
  int differences = 0;
  edge_pixels = 0;
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      long long sx = std::llrint((x - dx) * c - (y - dy) * s + dx + (cx - dx));
      long long sy = std::llrint((x - dx) * s + (y - dy) * c + dy + (cy - dy));
      if (sx == w) {
        sx = w - 1;
        ++edge_pixels;
      }
      if (sy == h) {
        sy = h - 1;
        ++edge_pixels;
      }
      const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
      const TRgb want = inside ? src.GetPixel(int(sx), int(sy)) : background;
      if (dst.GetPixel(x, y) != want) ++differences;
    }
  return differences;
}

TEST(Rotate, AnyAngleMatchesAPlainTurnEdgesIncluded) {
  for (double angle : {30.0, -73.5, 151.0, 200.25}) {
    TDibGraphic src, dst;
    new_random(src, 37, 23, ifTrueColor, 5);
    TRotateTransform t;
    t.SetAngle(angle);
    t.SetBackgroundColor(Rgb(1, 2, 3));
    t.ApplyOnDest(src, dst);
    int dw, dh;
    turned_size(37, 23, angle, dw, dh);
    ASSERT_EQ(dst.Width(), dw) << angle;
    ASSERT_EQ(dst.Height(), dh) << angle;
    int edge = 0;
    EXPECT_EQ(plain_turn_differences(src, dst, angle, Rgb(1, 2, 3), edge), 0) << angle;
    EXPECT_GT(edge, 0) << angle;  // the edge rule is put to work
  }
}

TEST(Rotate, AnyAngleOnAPalettePictureTakesTheNearestBackground) {
  TDibGraphic src, dst;
  src.NewImage(20, 10, ifColor16, nullptr, 96, 96);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) src.SetPaletteIndex(x, y, 1);
  TRotateTransform t;
  t.SetAngle(-20);
  t.SetBackgroundColor(Rgb(250, 90, 80));  // nearest of the 16 colours: (255, 85, 85), index 12
  t.ApplyOnDest(src, dst);
  EXPECT_EQ(dst.ImageFormat(), ifColor16);
  EXPECT_EQ(dst.GetPaletteIndex(0, 0), 12);
  EXPECT_EQ(dst.GetPaletteIndex(dst.Width() / 2, dst.Height() / 2), 1);
}

TEST(Rotate, ProgressOfAQuarterTurn) {
  TDibGraphic src, dst;
  new_random(src, 30, 300, ifGray256, 3);
  ProgressLog log;
  TRotateTransform t;
  t.SetOnProgress(log.handler());
  t.ApplyOnDest(src, dst);
  log.expect_sound();
}

}  // namespace
