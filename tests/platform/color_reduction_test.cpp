#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "platform/color_reduction.hpp"

namespace {

// A 24-bit bitmap whose pixel (x, y) has the colour f(x, y) (0x00BBGGRR).
std::unique_ptr<TBitmap> make_bitmap(int w, int h, const std::function<TColor(int, int)>& f) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      TColor c = f(x, y);
      row[3 * x] = static_cast<Byte>(GetBValue(static_cast<std::uint32_t>(c)));
      row[3 * x + 1] = static_cast<Byte>(GetGValue(static_cast<std::uint32_t>(c)));
      row[3 * x + 2] = static_cast<Byte>(GetRValue(static_cast<std::uint32_t>(c)));
    }
  }
  return b;
}

std::vector<PALETTEENTRY> entries_of(TBitmap& b) {
  std::vector<PALETTEENTRY> e(256);
  if (!b.GetPalette()) return {};
  e.resize(GetPaletteEntries(b.GetPalette(), 0, 256, e.data()));
  return e;
}

// The palette index of pixel (x, y) of a 1-, 4- or 8-bit bitmap.
int index_at(TBitmap& b, int x, int y) {
  auto* row = static_cast<const Byte*>(b.ScanLine(y));
  switch (b.PixelFormat()) {
    case pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pf4bit: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
  }
}

TColor colour_at(TBitmap& b, int x, int y) {
  const PALETTEENTRY e = entries_of(b).at(static_cast<size_t>(index_at(b, x, y)));
  return static_cast<TColor>(RGB(e.peRed, e.peGreen, e.peBlue));
}

long dist2(TColor a, const PALETTEENTRY& e) {
  const long dr = static_cast<long>(GetRValue(static_cast<std::uint32_t>(a))) - e.peRed;
  const long dg = static_cast<long>(GetGValue(static_cast<std::uint32_t>(a))) - e.peGreen;
  const long db = static_cast<long>(GetBValue(static_cast<std::uint32_t>(a))) - e.peBlue;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

TEST(GreyReduction, GreysKeepTheirLevelInA256GreyPalette) {
  auto in = make_bitmap(256, 2, [](int x, int) { return static_cast<TColor>(RGB(x, x, x)); });
  auto out = ReduceBitmapColors(*in, rmGrayScale, dmSierra, 4);
  EXPECT_EQ(out->PixelFormat(), pf8bit);
  EXPECT_EQ(out->Width(), 256);
  EXPECT_EQ(out->Height(), 2);
  auto pal = entries_of(*out);
  ASSERT_EQ(pal.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(pal[static_cast<size_t>(i)].peRed, i);
    EXPECT_EQ(pal[static_cast<size_t>(i)].peGreen, i);
    EXPECT_EQ(pal[static_cast<size_t>(i)].peBlue, i);
  }
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 256; ++x) ASSERT_EQ(index_at(*out, x, y), x) << x << "," << y;
  // The input is left as it was.
  EXPECT_EQ(in->PixelFormat(), pf24bit);
  EXPECT_EQ(in->Canvas()->Pixels(200, 1), static_cast<TColor>(RGB(200, 200, 200)));
}

TEST(GreyReduction, LuminanceWeighsRedGreenAndBlue) {
  // 0.299 x 255 = 76.245, 0.587 x 255 = 149.685, 0.114 x 255 = 29.07.
  const TColor colours[3] = {clRed, clLime, clBlue};
  auto in = make_bitmap(3, 1, [&](int x, int) { return colours[x]; });
  auto out = ReduceBitmapColors(*in, rmGrayScale, dmNearest, 4);
  EXPECT_EQ(index_at(*out, 0, 0), 76);
  EXPECT_EQ(index_at(*out, 1, 0), 150);
  EXPECT_EQ(index_at(*out, 2, 0), 29);
}

TEST(GreyReduction, SierraCarriesFiveAndThreeThirtySecondsAlongTheRow) {
  // Luminance (299 x 96 + 587 x 100 + 114 x 114) / 1000 = 100.4 for every pixel.
  auto in = make_bitmap(3, 1, [](int, int) { return static_cast<TColor>(RGB(96, 100, 114)); });
  auto plain = ReduceBitmapColors(*in, rmGrayScale, dmNearest, 4);
  auto dithered = ReduceBitmapColors(*in, rmGrayScale, dmSierra, 4);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(index_at(*plain, x, 0), 100);
  // 100.4 -> 100 leaves 0.4; the next gets 0.4 x 5/32 = 0.0625 -> 100.4625 -> 100; the third
  // 0.4 x 3/32 + 0.4625 x 5/32 = 0.1098 -> 100.5098 -> 101.
  EXPECT_EQ(index_at(*dithered, 0, 0), 100);
  EXPECT_EQ(index_at(*dithered, 1, 0), 100);
  EXPECT_EQ(index_at(*dithered, 2, 0), 101);
}

TEST(GreyReduction, SierraKeepsTheMeanOfAFlatArea) {
  // (299 x 102 + 587 x 100 + 114 x 97) / 1000 = 100.256.
  auto in = make_bitmap(64, 64, [](int, int) { return static_cast<TColor>(RGB(102, 100, 97)); });
  auto out = ReduceBitmapColors(*in, rmGrayScale, dmSierra, 4);
  double sum = 0;
  std::set<int> levels;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      sum += index_at(*out, x, y);
      levels.insert(index_at(*out, x, y));
    }
  EXPECT_EQ(levels, (std::set<int>{100, 101}));
  EXPECT_NEAR(sum / (64 * 64), 100.256, 0.01);
}

TEST(Quantize, FewColoursAreKeptExactlyInA4BitBitmap) {
  const TColor colours[5] = {static_cast<TColor>(RGB(10, 200, 30)), clBlack, static_cast<TColor>(RGB(250, 250, 7)),
                             static_cast<TColor>(RGB(12, 200, 30)), static_cast<TColor>(RGB(128, 0, 255))};
  auto in = make_bitmap(17, 9, [&](int x, int y) { return colours[(x + 2 * y) % 5]; });
  auto out = ReduceBitmapColors(*in, rmQuantize, dmNearest, 4);
  EXPECT_EQ(out->PixelFormat(), pf4bit);
  EXPECT_EQ(entries_of(*out).size(), 5u);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(colour_at(*out, x, y), colours[(x + 2 * y) % 5]) << x << "," << y;
}

TEST(Quantize, ManyColoursGetAtMostSixteenAndEachPixelItsNearest) {
  auto colour = [](int x, int y) { return static_cast<TColor>(RGB(4 * x, 4 * y, (x * y) % 256)); };
  auto in = make_bitmap(64, 64, colour);
  auto out = ReduceBitmapColors(*in, rmQuantize, dmNearest, 4);
  auto pal = entries_of(*out);
  ASSERT_GE(pal.size(), 2u);
  ASSERT_LE(pal.size(), 16u);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const int i = index_at(*out, x, y);
      ASSERT_LT(i, static_cast<int>(pal.size()));
      long best = dist2(colour(x, y), pal[0]);
      for (const auto& e : pal) best = std::min(best, dist2(colour(x, y), e));
      ASSERT_EQ(dist2(colour(x, y), pal[static_cast<size_t>(i)]), best) << x << "," << y;
    }
  EXPECT_EQ(in->Canvas()->Pixels(63, 63), colour(63, 63));
}

TEST(Quantize, GreysComeDarkToLightAndEveryLevelOfFewIsKept) {
  // Twenty greys: sixteen entries, all grey, strictly rising.
  auto in = make_bitmap(20, 4, [](int x, int) { return static_cast<TColor>(RGB(12 * x + 5, 12 * x + 5, 12 * x + 5)); });
  auto out = ReduceBitmapColors(*in, rmQuantize, dmNearest, 4);
  auto pal = entries_of(*out);
  ASSERT_EQ(pal.size(), 16u);
  for (size_t i = 0; i < pal.size(); ++i) {
    EXPECT_EQ(pal[i].peRed, pal[i].peGreen);
    EXPECT_EQ(pal[i].peRed, pal[i].peBlue);
    if (i > 0) {
      EXPECT_LT(pal[i - 1].peRed, pal[i].peRed);
    }
  }
  // Seven greys stay seven, in order.
  auto few = make_bitmap(7, 1, [](int x, int) { return static_cast<TColor>(RGB(240 - 30 * x, 240 - 30 * x, 240 - 30 * x)); });
  auto out7 = ReduceBitmapColors(*few, rmQuantize, dmNearest, 4);
  auto pal7 = entries_of(*out7);
  ASSERT_EQ(pal7.size(), 7u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(pal7[static_cast<size_t>(i)].peRed, 60 + 30 * i);
  for (int x = 0; x < 7; ++x) EXPECT_EQ(index_at(*out7, x, 0), 6 - x);
}

TEST(Quantize, BitsChooseTheDepthAndTheLimit) {
  auto in = make_bitmap(32, 32, [](int x, int y) { return static_cast<TColor>(RGB(8 * x, 8 * y, 128)); });
  auto one = ReduceBitmapColors(*in, rmQuantize, dmNearest, 1);
  EXPECT_EQ(one->PixelFormat(), pf1bit);
  EXPECT_LE(entries_of(*one).size(), 2u);
  auto eight = ReduceBitmapColors(*in, rmQuantize, dmSierra, 8);
  EXPECT_EQ(eight->PixelFormat(), pf8bit);
  EXPECT_LE(entries_of(*eight).size(), 256u);
  EXPECT_GT(entries_of(*eight).size(), 16u);
}

TEST(Quantize, EmptyBitmapsAndBadBitsAreRefused) {
  TBitmap empty;
  EXPECT_THROW(ReduceBitmapColors(empty, rmGrayScale, dmSierra, 4), EInvalidGraphicOperation);
  auto in = make_bitmap(2, 2, [](int, int) { return clWhite; });
  EXPECT_THROW(ReduceBitmapColors(*in, rmQuantize, dmNearest, 0), EInvalidGraphicOperation);
  EXPECT_THROW(ReduceBitmapColors(*in, rmQuantize, dmNearest, 9), EInvalidGraphicOperation);
}

TEST(BitmapFile, APaletteBitmapKeepsItsShortColourTableThroughAFile) {
  const TColor colours[3] = {clRed, static_cast<TColor>(RGB(1, 2, 3)), clWhite};
  auto in = make_bitmap(5, 3, [&](int x, int) { return colours[x % 3]; });
  auto reduced = ReduceBitmapColors(*in, rmQuantize, dmNearest, 4);
  TMemoryStream file;
  reduced->SaveToStream(file);
  // File header, info header, three table entries and three rows of 4 bytes.
  EXPECT_EQ(file.Size(), 14 + 40 + 3 * 4 + 3 * 4);
  DWORD clr_used = 0;
  std::memcpy(&clr_used, file.Memory() + 14 + 32, 4);
  EXPECT_EQ(clr_used, 3u);
  file.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(file);
  EXPECT_EQ(back.PixelFormat(), pf4bit);
  auto pal = entries_of(back);
  ASSERT_EQ(pal.size(), 3u);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(colour_at(back, x, 1), colours[x % 3]);
}

TEST(BitmapFile, APaletteFileWithAFullTableGivesAFullPaletteAndTrueColourNone) {
  TBitmap eight;
  eight.SetPixelFormat(pf8bit);
  eight.SetSize(4, 4);
  TMemoryStream file;
  eight.SaveToStream(file);
  file.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(file);
  EXPECT_EQ(entries_of(back).size(), 256u);
  auto rgb = make_bitmap(2, 2, [](int, int) { return clBlue; });
  TMemoryStream file24;
  rgb->SaveToStream(file24);
  file24.SetPosition(0);
  TBitmap back24;
  back24.LoadFromStream(file24);
  EXPECT_EQ(back24.GetPalette(), nullptr);
}
