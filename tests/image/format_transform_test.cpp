#include "image/format_transform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/format_change.hpp"
#include "transform_test_pictures.hpp"

using namespace transform_test;

namespace {

// The diffusion written plainly over the destination's own SetPixel and GetPixel.
void oracle_diffuse(TDibGraphic& src, TDibGraphic& dst) {
  const int w = src.Width(), h = src.Height();
  std::vector<std::array<int, 3>> want(w), next(w);
  auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  auto color = [](const std::array<int, 3>& c) { return Rgb(Byte(c[0]), Byte(c[1]), Byte(c[2])); };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const TRgb s = src.GetPixel(x, y);
      const int ch[3] = {s.Red, s.Green, s.Blue};
      for (int k = 0; k < 3; ++k) {
        want[x][k] = clamp(next[x][k] + ch[k]);
        next[x][k] = 0;
      }
    }
    dst.SetPixel(0, y, color(want[0]));
    for (int x = 1; x <= w - 2; ++x) {
      dst.SetPixel(x, y, color(want[x]));
      const TRgb got = dst.GetPixel(x, y);
      const int g[3] = {got.Red, got.Green, got.Blue};
      for (int k = 0; k < 3; ++k) {
        const int e = want[x][k] - g[k];
        want[x + 1][k] = clamp(want[x + 1][k] + e * 7 / 16);
        next[x - 1][k] = clamp(next[x - 1][k] + e * 3 / 16);
        next[x][k] = clamp(next[x][k] + e * 5 / 16);
        next[x + 1][k] = clamp(next[x + 1][k] + e / 16);
      }
    }
    dst.SetPixel(w - 1, y, color(want[w - 1]));
  }
}

void change(TDibGraphic& src, TDibGraphic& dst, TImageFormat f, bool quantize = true, bool dither = true) {
  TImageFormatTransform t;
  t.SetImageFormat(f);
  t.SetQuantize(quantize);
  t.SetDither(dither);
  t.ApplyOnDest(src, dst);
}

TEST(FormatChange, DiffusionToBlackAndWhiteByHand) {
  TDibGraphic src, dst;
  src.NewImage(3, 2, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(100, 100, 100));
  change(src, dst, ifBlackWhite);
  ASSERT_EQ(dst.ImageFormat(), ifBlackWhite);
  // Row 0: 100 -> black; 100 -> black passing 43 right (143 -> white) and 18, 31, 6 below.
  EXPECT_EQ(dst.GetPaletteIndex(0, 0), 0);
  EXPECT_EQ(dst.GetPaletteIndex(1, 0), 0);
  EXPECT_EQ(dst.GetPaletteIndex(2, 0), 1);
  // Row 1: 118 -> black; 131 -> white, passing -54 right (106 - 54 = 52 -> black).
  EXPECT_EQ(dst.GetPaletteIndex(0, 1), 0);
  EXPECT_EQ(dst.GetPaletteIndex(1, 1), 1);
  EXPECT_EQ(dst.GetPaletteIndex(2, 1), 0);
  // Without diffusion every pixel is decided alone.
  TDibGraphic plain;
  change(src, plain, ifBlackWhite, true, false);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(plain.GetPaletteIndex(x, y), 0);
}

TEST(FormatChange, NegativeErrorsDoNotReachTheRowBelow) {
  // Grey 150 on black and white. Row 0: white; white (error -105: 150 - 45 = 105 -> black, the
  // shares below clamp to 0); black (error 105: 195 -> white; 19, 32, 6 below); white.
  // Row 1 starts from 150, 169, 182, 156 and passes only negative errors on, so row 2 starts
  // afresh from 150 and repeats row 0.
  TDibGraphic src, dst;
  src.NewImage(4, 3, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(150, 150, 150));
  change(src, dst, ifBlackWhite);
  const int expected[3][4] = {{1, 1, 0, 1}, {1, 1, 1, 0}, {1, 1, 0, 1}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPaletteIndex(x, y), expected[y][x]) << x << "," << y;
}

TEST(FormatChange, DiffusionAgainstPlainForm) {
  for (TImageFormat f : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256}) {
    for (TImageFormat from : {ifTrueColor, ifColor256}) {
      SCOPED_TRACE(testing::Message() << int(from) << " -> " << int(f));
      TDibGraphic src, dst;
      const TMaxLogPalette pal = random_palette(256, 40 + f);
      new_random(src, 23, 9, from, 50 + f, from == ifColor256 ? &pal : nullptr);
      change(src, dst, f);
      TDibGraphic ref;
      ref.NewImage(23, 9, f, f == ifColor16 || f == ifColor256 ? dst.PalettePtr() : nullptr, 96, 96);
      oracle_diffuse(src, ref);
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 23; ++x) ASSERT_EQ(dst.GetPaletteIndex(x, y), ref.GetPaletteIndex(x, y)) << x << "," << y;
    }
  }
}

TEST(FormatChange, QuantizedPaletteOfAFewColours) {
  TDibGraphic src, dst;
  src.NewImage(4, 4, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(255, 0, 0));
  for (int x = 0; x < 3; ++x) {
    src.SetPixel(x, 1, Rgb(0, 0, 255));
    src.SetPixel(x, 2, Rgb(0, 255, 0));
  }
  change(src, dst, ifColor256);
  // Three keys seen, each more often than twice, each a candidate: the palette holds exactly
  // those, in key order.
  const TMaxLogPalette& pal = dst.Palette();
  ASSERT_EQ(pal.palNumEntries, 3);
  EXPECT_EQ(pal.palPalEntry[0].peRed, 248);
  EXPECT_EQ(pal.palPalEntry[1].peGreen, 248);
  EXPECT_EQ(pal.palPalEntry[2].peBlue, 248);
  EXPECT_EQ(dst.GetPaletteIndex(0, 0), 0);
  EXPECT_EQ(dst.GetPaletteIndex(2, 2), 1);
  EXPECT_EQ(dst.GetPaletteIndex(1, 1), 2);
}

TEST(FormatChange, WithoutQuantizingTheDefaultPaletteServes) {
  TDibGraphic src, dst;
  new_random(src, 8, 8, ifTrueColor, 12);
  change(src, dst, ifColor16, false, false);
  ASSERT_EQ(dst.ImageFormat(), ifColor16);
  const TMaxLogPalette& def = DefaultPalette(ifColor16);
  ASSERT_EQ(dst.Palette().palNumEntries, 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(dst.Palette().palPalEntry[i].peRed, def.palPalEntry[i].peRed);
}

TEST(FormatChange, GivenPaletteIsKept) {
  TDibGraphic src, dst;
  src.NewImage(5, 5, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(12, 200, 40));
  TImageFormatTransform t;
  t.SetImageFormat(ifColor16);
  t.SetQuantize(false);
  t.Palette() = random_palette(16, 77);
  t.Palette().palPalEntry[9] = {10, 200, 40, 0};
  t.ApplyOnDest(src, dst);
  EXPECT_EQ(dst.Palette().palPalEntry[9].peGreen, 200);
  EXPECT_EQ(dst.GetPaletteIndex(2, 2), 9);
}

TEST(FormatChange, ToTrueColourExpandsThePalette) {
  TDibGraphic src, dst;
  new_random(src, 7, 3, ifColor16, 13);
  change(src, dst, ifTrueColor);
  ASSERT_EQ(dst.ImageFormat(), ifTrueColor);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(x, y));
}

TEST(FormatChange, ApplyOnlyWhenTheFormatDiffers) {
  TDibGraphic p;
  new_random(p, 6, 6, ifGray256, 14);
  ProgressLog log;
  TImageFormatTransform t;
  t.SetOnProgress(log.handler());
  t.SetImageFormat(ifGray256);
  t.Apply(p);
  EXPECT_TRUE(log.percents.empty());
  t.SetImageFormat(ifTrueColor);
  t.Apply(p);
  EXPECT_EQ(p.ImageFormat(), ifTrueColor);
  log.expect_sound();
}

TEST(FormatChange, ProgressOfQuantizingAndDiffusing) {
  TDibGraphic src, dst;
  new_random(src, 64, 200, ifTrueColor, 15);
  ProgressLog log;
  TImageFormatTransform t;
  t.SetOnProgress(log.handler());
  t.SetImageFormat(ifColor256);
  t.ApplyOnDest(src, dst);
  log.expect_sound();
  // Quantizing fills the first half.
  EXPECT_NE(std::find(log.percents.begin(), log.percents.end(), 25), log.percents.end());
}

TEST(FormatChange, ConvertImageFormatGoesThroughTheTransform) {
  TDibGraphic src;
  src.NewImage(3, 2, ifTrueColor, nullptr, 96, 96);
  src.Fill(Rgb(100, 100, 100));
  auto converted = ConvertImageFormat(src, ifBlackWhite, [] { return std::make_unique<TDibGraphic>(); });
  ASSERT_EQ(converted->ImageFormat(), ifBlackWhite);
  EXPECT_EQ(converted->GetPaletteIndex(2, 0), 1);  // diffused, as by hand above
  TDibGraphic other;
  ChangeImageFormat(src, other, ifBlackWhite, true, true);
  EXPECT_EQ(other.GetPaletteIndex(2, 0), 1);
}

}  // namespace
