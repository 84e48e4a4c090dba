#include "image/resize_transform.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "image/dib_graphic.hpp"
#include "transform_test_pictures.hpp"

using namespace transform_test;

namespace {

// ---------------------------------------------------------------------------------------------
// An independent, plain form of the resampler: weights straight from the formulas, sums walked
// one channel at a time through the pictures' own pixel access.
// ---------------------------------------------------------------------------------------------
struct Tap {
  int n;
  float w;
};

std::vector<std::vector<Tap>> oracle_weights(int src, int dst, TInterpolationFilter f) {
  const float s = FilterSupport(f);
  const float scale = src == 1 ? float(dst) : float((long double)(dst - 1) / (src - 1));
  std::vector<std::vector<Tap>> lists(dst);
  for (int i = 0; i < dst; ++i) {
    const float center = float((long double)i / scale);
    if (scale >= 1) {
      for (long long j = (long long)std::floor((long double)center - s); j <= (long long)std::ceil((long double)center + s); ++j) {
        const float w = FilterValue(f, float((long double)center - j));
        long long n = j < 0 ? -j : (j >= src ? 2LL * src - j - 1 : j);
        if (w != 0 && n >= 0 && n < src) lists[i].push_back({int(n), w});
      }
    } else {
      const float width = float((long double)s / scale);
      for (long long j = (long long)std::floor((long double)center - width); j <= (long long)std::ceil((long double)center + width); ++j) {
        const float w = float((long double)FilterValue(f, float(((long double)center - j) * scale)) * scale);
        long long n = j < 0 ? -j : (j >= src ? 2LL * src - j - 1 : j);
        if (w != 0 && n >= 0 && n < src) lists[i].push_back({int(n), w});
      }
    }
  }
  return lists;
}

Byte oracle_store(float v) {
  if (v > 255) return 255;
  if (v < 0) return 0;
  return Byte(std::nearbyint(v));
}

void oracle_resample(TDibGraphic& src, TDibGraphic& dst, TInterpolationFilter f) {
  const int sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
  auto cols = oracle_weights(sw, dw, f);
  auto rows = oracle_weights(sh, dh, f);
  std::vector<TRgb> work(size_t(dw) * sh);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < dw; ++x) {
      float r = 0, g = 0, b = 0;
      for (const Tap& t : cols[x]) {
        const TRgb c = src.GetPixel(t.n, y);
        r = r + float(c.Red) * t.w;
        g = g + float(c.Green) * t.w;
        b = b + float(c.Blue) * t.w;
      }
      work[size_t(y) * dw + x] = Rgb(oracle_store(r), oracle_store(g), oracle_store(b));
    }
  for (int x = 0; x < dw; ++x)
    for (int y = 0; y < dh; ++y) {
      float r = 0, g = 0, b = 0;
      for (const Tap& t : rows[y]) {
        const TRgb c = work[size_t(t.n) * dw + x];
        r = r + float(c.Red) * t.w;
        g = g + float(c.Green) * t.w;
        b = b + float(c.Blue) * t.w;
      }
      dst.SetPixel(x, y, Rgb(oracle_store(r), oracle_store(g), oracle_store(b)));
    }
}

void resize(TDibGraphic& src, TDibGraphic& dst, int w, int h, TInterpolationFilter f) {
  TResizeTransform t;
  t.SetWidth(w);
  t.SetHeight(h);
  t.SetInterpolated(true);
  t.SetFilter(f);
  t.ApplyOnDest(src, dst);
}

void expect_same_pixels(const TDibGraphic& a, const TDibGraphic& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.ImageFormat(), b.ImageFormat());
  int bad = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (raw_pixel(a, x, y) != raw_pixel(b, x, y) && ++bad < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << raw_pixel(a, x, y) << " vs "
                      << raw_pixel(b, x, y);
  EXPECT_EQ(bad, 0);
}

// ---------------------------------------------------------------------------------------------
// The resampler.
// ---------------------------------------------------------------------------------------------
TEST(ResizeResample, HandWorkedEnlargement) {
  // 2 x 2 -> 3 x 3 with the triangle: the middles are halves, rounded half to even after each
  // pass.
  TDibGraphic src;
  src.NewImage(2, 2, ifTrueColor, nullptr, 96, 96);
  src.SetPixel(0, 0, Rgb(11, 10, 0));
  src.SetPixel(1, 0, Rgb(24, 23, 255));
  src.SetPixel(0, 1, Rgb(31, 30, 0));
  src.SetPixel(1, 1, Rgb(44, 41, 0));
  TDibGraphic dst;
  resize(src, dst, 3, 3, ifTriangle);
  ASSERT_EQ(dst.Width(), 3);
  ASSERT_EQ(dst.Height(), 3);
  EXPECT_EQ(dst.GetPixel(0, 0), Rgb(11, 10, 0));
  EXPECT_EQ(dst.GetPixel(2, 2), Rgb(44, 41, 0));
  // Red: 17.5 -> 18 and 37.5 -> 38 in the first pass, then 28. Green: 16.5 -> 16, 35.5 -> 36,
  // then 26. Blue: 127.5 -> 128, 0, then 64.
  EXPECT_EQ(dst.GetPixel(1, 0), Rgb(18, 16, 128));
  EXPECT_EQ(dst.GetPixel(1, 2), Rgb(38, 36, 0));
  EXPECT_EQ(dst.GetPixel(1, 1), Rgb(28, 26, 64));
  EXPECT_EQ(dst.GetPixel(0, 1), Rgb(21, 20, 0));
}

TEST(ResizeResample, OvershootIsClamped) {
  // A hard edge enlarged with Lanczos rings past black and white.
  TDibGraphic src;
  src.NewImage(8, 2, ifTrueColor, nullptr, 96, 96);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) src.SetPixel(x, y, x < 4 ? Rgb(0, 0, 0) : Rgb(255, 255, 255));
  TDibGraphic dst;
  resize(src, dst, 29, 2, ifLanczos3);
  TDibGraphic ref;
  ref.NewImage(29, 2, ifTrueColor, nullptr, 96, 96);
  oracle_resample(src, ref, ifLanczos3);
  expect_same_pixels(dst, ref);
  bool black = false, white = false;
  for (int x = 0; x < 29; ++x) {
    black |= dst.GetPixel(x, 0).Red == 0;
    white |= dst.GetPixel(x, 0).Red == 255;
  }
  EXPECT_TRUE(black && white);
}

class ResizeAgainstPlainForm : public ::testing::TestWithParam<TInterpolationFilter> {};

TEST_P(ResizeAgainstPlainForm, TrueColourUpAndDown) {
  TDibGraphic src;
  new_random(src, 37, 23, ifTrueColor, 7);
  const int sizes[][2] = {{91, 50}, {13, 9}, {37, 2}, {2, 61}, {5, 23}};
  for (auto& s : sizes) {
    TDibGraphic dst, ref;
    resize(src, dst, s[0], s[1], GetParam());
    ref.NewImage(s[0], s[1], ifTrueColor, nullptr, 96, 96);
    oracle_resample(src, ref, GetParam());
    SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1]);
    expect_same_pixels(dst, ref);
  }
}

TEST_P(ResizeAgainstPlainForm, PaletteSourcesAndDestinations) {
  for (TImageFormat f : {ifBlackWhite, ifGray16, ifColor256}) {
    TDibGraphic src;
    new_random(src, 19, 11, f, 3 + f);
    TDibGraphic dst, ref;
    resize(src, dst, 30, 17, GetParam());
    EXPECT_EQ(dst.ImageFormat(), f);
    EXPECT_TRUE(same_palette(dst, src));
    ref.NewImage(30, 17, f, src.PalettePtr(), 96, 96);
    oracle_resample(src, ref, GetParam());
    expect_same_pixels(dst, ref);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFilters, ResizeAgainstPlainForm,
                         ::testing::Values(ifTriangle, ifHermite, ifBell, ifBSpline, ifLanczos3, ifMitchell));

TEST(ResizeResample, OnePixelWideSource) {
  TDibGraphic src;
  new_random(src, 1, 5, ifTrueColor, 11);
  TDibGraphic dst, ref;
  resize(src, dst, 10, 5, ifTriangle);
  ref.NewImage(10, 5, ifTrueColor, nullptr, 96, 96);
  oracle_resample(src, ref, ifTriangle);
  expect_same_pixels(dst, ref);
  // Every column repeats the single source column.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(0, y));
}

TEST(ResizeResample, TooSmallPictures) {
  TDibGraphic src, dst;
  new_random(src, 4, 4, ifTrueColor, 1);
  TResizeTransform t;
  t.SetInterpolated(true);
  t.SetWidth(10);
  t.SetHeight(1);
  try {
    t.ApplyOnDest(src, dst);
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Destination graphic too small");
  }
  TDibGraphic empty;
  t.SetHeight(10);
  try {
    t.ApplyOnDest(empty, dst);
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Source graphic too small");
  }
}

TEST(ResizeResample, OverriddenFormatTakesItsDefaultPalette) {
  TDibGraphic src;
  src.NewImage(6, 6, ifTrueColor, nullptr, 72, 150);
  src.Fill(Rgb(100, 100, 100));
  TResizeTransform t;
  t.SetInterpolated(true);
  t.SetWidth(11);
  t.SetHeight(9);  // enlarging: the triangle's weights add up to 1
  t.SetOverrideDestFormat(true);
  t.SetDestFormat(ifGray256);
  TDibGraphic dst;
  t.ApplyOnDest(src, dst);
  EXPECT_EQ(dst.ImageFormat(), ifGray256);
  EXPECT_EQ(dst.XDotsPerInch(), 72);
  EXPECT_EQ(dst.YDotsPerInch(), 150);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_EQ(dst.GetPaletteIndex(x, y), 100);
}

TEST(ResizeResample, ProgressRunsFromZeroToHundred) {
  TDibGraphic src, dst;
  new_random(src, 50, 300, ifTrueColor, 5);
  ProgressLog log;
  TResizeTransform t;
  t.SetOnProgress(log.handler());
  t.SetInterpolated(true);
  t.SetWidth(20);
  t.SetHeight(400);
  t.ApplyOnDest(src, dst);
  log.expect_sound();
  EXPECT_GT(log.percents.size(), 50u);
}

TEST(ResizeResample, ReductionWeightsAreNotNormalised) {
  // 6 -> 4 rows: scale 3/5, each weight f(0.6 d) * 0.6. Row 0 sits on source row 0:
  // 0.6 + 2 * 0.4 * 0.6 = 1.08, so an even grey 100 becomes 108.
  TDibGraphic src, dst;
  src.NewImage(3, 6, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(100, 100, 100));
  resize(src, dst, 3, 4, ifTriangle);
  EXPECT_EQ(dst.GetPixel(1, 0), Rgb(108, 108, 108));
  EXPECT_EQ(dst.GetPixel(1, 3), Rgb(108, 108, 108));
}

// ---------------------------------------------------------------------------------------------
// The GDI stretch the picture view zooms with.
// ---------------------------------------------------------------------------------------------
bool all_black_or_white(const TDibGraphic& p) {
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      const TRgb c = p.GetPixel(x, y);
      if (c != Rgb(0, 0, 0) && c != Rgb(255, 255, 255)) return false;
    }
  return true;
}

void checkerboard(TDibGraphic& p, int w, int h) {
  p.NewImage(w, h, ifTrueColor, nullptr, 96, 96);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, (x + y) % 2 ? Rgb(255, 255, 255) : Rgb(0, 0, 0));
}

TEST(ResizeStretch, HalftoneOnlyFromThe1025thPixelOn) {
  TResizeTransform t;
  t.SetWidth(16);
  t.SetHeight(16);
  TDibGraphic small, large, dst;
  checkerboard(small, 32, 32);  // 1024 pixels: nearest pixel
  t.ApplyOnDest(small, dst);
  EXPECT_TRUE(all_black_or_white(dst));
  checkerboard(large, 32, 33);  // 1056 pixels: averaged
  t.ApplyOnDest(large, dst);
  EXPECT_FALSE(all_black_or_white(dst));
  // Either side of the boundary: 1023 (31 x 33) and 1024 (16 x 64) pixels stretch as pixels,
  // 1025 (25 x 41) and 1026 (27 x 38) are averaged.
  for (auto [w, h, averaged] : {std::tuple{31, 33, false}, std::tuple{16, 64, false}, std::tuple{25, 41, true},
                                std::tuple{27, 38, true}}) {
    TDibGraphic board;
    checkerboard(board, w, h);
    t.ApplyOnDest(board, dst);
    EXPECT_EQ(!all_black_or_white(dst), averaged) << w << " x " << h;
  }
}

TEST(ResizeStretch, PalettePicturesStretchAsPixelBlocks) {
  TDibGraphic src, dst;
  new_random(src, 40, 40, ifColor256, 9);
  TResizeTransform t;
  t.SetWidth(80);
  t.SetHeight(120);
  t.ApplyOnDest(src, dst);
  ASSERT_EQ(dst.ImageFormat(), ifColor256);
  EXPECT_TRUE(same_palette(src, dst));
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_EQ(dst.GetPaletteIndex(x, y), src.GetPaletteIndex(x / 2, y / 3));
}

TEST(ResizeStretch, ApplyReplacesThePicture) {
  TDibGraphic p;
  new_random(p, 7, 5, ifTrueColor, 2);
  const TRgb corner = p.GetPixel(6, 4);
  TResizeTransform t;
  t.SetWidth(14);
  t.SetHeight(10);
  t.Apply(p);
  EXPECT_EQ(p.Width(), 14);
  EXPECT_EQ(p.Height(), 10);
  EXPECT_EQ(p.GetPixel(13, 9), corner);
}

TEST(ImageTransform, BaseHasNoDestinationForm) {
  TImageTransform t;
  TDibGraphic a, b;
  try {
    t.ApplyOnDest(a, b);
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
  }
}

}  // namespace
