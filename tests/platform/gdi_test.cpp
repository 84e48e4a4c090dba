#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "platform/gdi.hpp"

namespace {

// A section of the given depth with a random picture and a colour table of `colors` entries.
struct Section {
  HBITMAP bitmap = nullptr;
  Byte* bits = nullptr;
  int width = 0;
  int height = 0;
  int depth = 0;
  std::int64_t stride = 0;
  BITMAPINFO info{};
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;

  Section(int w, int h, int d, unsigned seed, bool fill_random = true) : width(w), height(h), depth(d) {
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(d);
    if (d <= 8) {
      info.bmiHeader.biClrUsed = 1u << d;
      for (int i = 0; i < (1 << d); ++i)
        info.bmiColors[i] = RGBQUAD{Byte(i * 37 + 5), Byte(i * 91 + 1), Byte(255 - i), 0};
    }
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<Byte*>(p);
    stride = dib_row_size(w, d);
    if (fill_random) {
      std::mt19937 rng(seed);
      for (std::int64_t i = 0; i < stride * h; ++i) bits[i] = Byte(rng());
    }
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
  }
  ~Section() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  // Raw value at (x, y), y = 0 at the top: an index, or 0x00RRGGBB.
  std::uint32_t value(int x, int y) const {
    const Byte* row = bits + (height - 1 - y) * stride;
    switch (depth) {
      case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
      case 4: return x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
      case 8: return row[x];
      case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
      case 32: return row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16);
    }
    return 0;
  }
  void set24(int x, int y, std::uint32_t rgb) {
    Byte* row = bits + (height - 1 - y) * stride;
    row[3 * x] = Byte(rgb);
    row[3 * x + 1] = Byte(rgb >> 8);
    row[3 * x + 2] = Byte(rgb >> 16);
  }
};

}  // namespace

TEST(GdiStretch, IntegerEnlargementsReplicatePixelsExactly) {
  for (int depth : {1, 4, 8, 24}) {
    for (int factor : {2, 4}) {
      for (int mode : {COLORONCOLOR, HALFTONE}) {
        if (mode == HALFTONE && depth != 24) continue;
        Section src(13, 7, depth, 1234 + depth);
        Section dst(13 * factor, 7 * factor, depth, 0, false);
        SetStretchBltMode(dst.dc, mode);
        ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, dst.width, dst.height, src.dc, 0, 0, 13, 7, SRCCOPY));
        for (int y = 0; y < dst.height; ++y)
          for (int x = 0; x < dst.width; ++x)
            ASSERT_EQ(dst.value(x, y), src.value(x / factor, y / factor))
                << "depth " << depth << " factor " << factor << " at " << x << "," << y;
      }
    }
  }
}

TEST(GdiStretch, DibBitsStretchCountsBottomUpSourceFromTheBottom) {
  Section src(5, 4, 24, 77);
  Section dst(10, 8, 24, 0, false);
  SetStretchBltMode(dst.dc, COLORONCOLOR);
  // The whole picture.
  EXPECT_EQ(StretchDIBits(dst.dc, 0, 0, 10, 8, 0, 0, 5, 4, src.bits, &src.info, DIB_RGB_COLORS, SRCCOPY), 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(dst.value(x, y), src.value(x / 2, y / 2));
  // The bottom row alone is source row 0 counted from the bottom.
  StretchDIBits(dst.dc, 0, 0, 5, 1, 0, 0, 5, 1, src.bits, &src.info, DIB_RGB_COLORS, SRCCOPY);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.value(x, 0), src.value(x, 3));
}

TEST(GdiStretch, PaletteIndicesCopyUnchangedBetweenEqualTables) {
  // Two entries with the same colour: an index copy keeps them apart, a colour match could not.
  Section src(9, 3, 8, 5);
  src.info.bmiColors[7] = src.info.bmiColors[3];
  Section dst(18, 6, 8, 0, false);
  HBITMAP odd = nullptr;
  (void)odd;
  // Give both sections the same table (duplicate colour included).
  SetDIBColorTable(src.dc, 0, 256, src.info.bmiColors);
  SetDIBColorTable(dst.dc, 0, 256, src.info.bmiColors);
  for (int i = 0; i < 27; ++i) src.bits[i] = Byte(i % 2 ? 3 : 7);
  SetStretchBltMode(dst.dc, COLORONCOLOR);
  StretchBlt(dst.dc, 0, 0, 18, 6, src.dc, 0, 0, 9, 3, SRCCOPY);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 18; ++x) ASSERT_EQ(dst.value(x, y), src.value(x / 2, y / 2));
}

TEST(GdiStretch, ColoursMapToTheNearestEntryOfAPaletteDestination) {
  Section src(4, 1, 24, 0, false);
  Section dst(4, 1, 1, 0, false);
  RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  SetDIBColorTable(dst.dc, 0, 2, bw);
  src.set24(0, 0, 0x101010);
  src.set24(1, 0, 0xF0F0F0);
  src.set24(2, 0, 0x7F7F7F);  // nearer black (127 < 128)
  src.set24(3, 0, 0x808080);  // nearer white
  StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(dst.value(0, 0), 0u);
  EXPECT_EQ(dst.value(1, 0), 1u);
  EXPECT_EQ(dst.value(2, 0), 0u);
  EXPECT_EQ(dst.value(3, 0), 1u);
}

// The mean of the source pixels each destination pixel covers, weighted by the overlap, summed
// over every source pixel without any separation of the axes.
std::uint32_t halftone_oracle(const Section& src, int dw, int dh, int i, int j) {
  const std::int64_t sw = src.width, sh = src.height;
  std::int64_t sum[3] = {0, 0, 0}, total = 0;
  for (std::int64_t y = 0; y < sh; ++y) {
    std::int64_t oy = std::min((j + 1) * sh, (y + 1) * dh) - std::max(j * sh, y * dh);
    if (oy <= 0) continue;
    for (std::int64_t x = 0; x < sw; ++x) {
      std::int64_t ox = std::min((i + 1) * sw, (x + 1) * dw) - std::max(i * sw, x * dw);
      if (ox <= 0) continue;
      std::uint32_t c = src.value(static_cast<int>(x), static_cast<int>(y));
      for (int k = 0; k < 3; ++k) sum[k] += ox * oy * ((c >> (8 * k)) & 255);
      total += ox * oy;
    }
  }
  std::uint32_t out = 0;
  for (int k = 0; k < 3; ++k) out |= static_cast<std::uint32_t>((2 * sum[k] + total) / (2 * total)) << (8 * k);
  return out;
}

TEST(GdiStretch, HalftoneReductionIsTheOverlapWeightedMean) {
  struct Case { int sw, sh, dw, dh; };
  for (Case c : {Case{17, 11, 5, 4}, Case{40, 30, 7, 5}, Case{9, 9, 9, 2}, Case{33, 5, 10, 5}, Case{7, 3, 3, 3}}) {
    Section src(c.sw, c.sh, 24, static_cast<unsigned>(c.sw * 100 + c.dw));
    Section dst(c.dw, c.dh, 24, 0, false);
    SetStretchBltMode(dst.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, c.dw, c.dh, src.dc, 0, 0, c.sw, c.sh, SRCCOPY));
    for (int j = 0; j < c.dh; ++j)
      for (int i = 0; i < c.dw; ++i)
        ASSERT_EQ(dst.value(i, j), halftone_oracle(src, c.dw, c.dh, i, j)) << c.sw << "x" << c.sh << " -> " << c.dw << "x"
                                                                           << c.dh << " at " << i << "," << j;
  }
}

TEST(GdiStretch, HalftoneOfALargePictureSplitsTheWorkExactly) {
  // Large enough for the stretch to share the rows out between threads.
  Section src(1201, 901, 24, 4242);
  Section dst(9, 17, 24, 0, false);
  SetStretchBltMode(dst.dc, HALFTONE);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 9, 17, src.dc, 0, 0, 1201, 901, SRCCOPY));
  for (int j = 0; j < 17; ++j)
    for (int i = 0; i < 9; ++i) ASSERT_EQ(dst.value(i, j), halftone_oracle(src, 9, 17, i, j)) << i << "," << j;
}

TEST(GdiStretch, HalftoneOfAPaletteSourceUsesItsColours) {
  Section src(6, 6, 4, 99);
  Section dst(3, 2, 24, 0, false);
  SetStretchBltMode(dst.dc, HALFTONE);
  StretchBlt(dst.dc, 0, 0, 3, 2, src.dc, 0, 0, 6, 6, SRCCOPY);
  // Pixel (0, 0) covers source columns 0-1 and rows 0-2 equally.
  std::int64_t sum[3] = {0, 0, 0};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) {
      RGBQUAD q = src.info.bmiColors[src.value(x, y)];
      sum[0] += q.rgbBlue;
      sum[1] += q.rgbGreen;
      sum[2] += q.rgbRed;
    }
  std::uint32_t expect = 0;
  for (int k = 0; k < 3; ++k) expect |= static_cast<std::uint32_t>((2 * sum[k] + 6) / 12) << (8 * k);
  EXPECT_EQ(dst.value(0, 0), expect);
}

TEST(GdiStretch, ClippingAndRasterOperations) {
  Section src(4, 4, 24, 0, false);
  Section dst(4, 4, 24, 0, false);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      src.set24(x, y, 0x0F0F0F);
      dst.set24(x, y, 0x00FF33);
    }
  // Partly outside the destination: only the inside part is drawn.
  EXPECT_TRUE(BitBlt(dst.dc, 2, 2, 4, 4, src.dc, 0, 0, SRCAND));
  EXPECT_EQ(dst.value(1, 1), 0x00FF33u);
  EXPECT_EQ(dst.value(3, 3), 0x000F03u);
  BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(dst.value(0, 0), 0x0FFF3Fu);
  BitBlt(dst.dc, 1, 0, 1, 1, src.dc, 0, 0, NOTSRCCOPY);
  EXPECT_EQ(dst.value(1, 0), 0xF0F0F0u);
  BitBlt(dst.dc, 2, 0, 1, 1, src.dc, 0, 0, SRCINVERT);
  EXPECT_EQ(dst.value(2, 0), 0x0FF03Cu);
  BitBlt(dst.dc, 3, 0, 1, 1, nullptr, 0, 0, WHITENESS);
  EXPECT_EQ(dst.value(3, 0), 0xFFFFFFu);
  // A raster operation with a brush is refused.
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x00F00021));
  // Negative sizes are refused.
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, -2, 2, src.dc, 0, 0, 2, 2, SRCCOPY));
}

TEST(GdiStretch, TransparentBltLeavesKeyPixelsAlone) {
  Section src(3, 1, 24, 0, false);
  Section dst(6, 2, 24, 0, false);
  src.set24(0, 0, 0xFFFFFF);  // the key
  src.set24(1, 0, 0x123456);
  src.set24(2, 0, 0xFFFFFF);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) dst.set24(x, y, 0x00AA00);
  ASSERT_TRUE(TransparentBlt(dst.dc, 0, 0, 6, 2, src.dc, 0, 0, 3, 1, RGB(255, 255, 255)));
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(dst.value(0, y), 0x00AA00u);
    EXPECT_EQ(dst.value(1, y), 0x00AA00u);
    EXPECT_EQ(dst.value(2, y), 0x123456u);
    EXPECT_EQ(dst.value(3, y), 0x123456u);
    EXPECT_EQ(dst.value(5, y), 0x00AA00u);
  }
}

TEST(GdiBitmaps, MonochromeConversionFollowsTheContextColours) {
  Section src(2, 1, 24, 0, false);
  src.set24(0, 0, 0x00FF00);
  src.set24(1, 0, 0xFF0000);
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mono);
  // The source's background colour becomes 1, every other colour 0.
  SetBkColor(src.dc, RGB(0, 255, 0));
  BitBlt(dc, 0, 0, 2, 1, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(dc, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(dc, 1, 0), 0x000000u);
  // Back to colour: 0 takes the text colour, 1 the background colour of the destination.
  Section out(2, 1, 24, 0, false);
  SetTextColor(out.dc, RGB(1, 2, 3));
  SetBkColor(out.dc, RGB(4, 5, 6));
  BitBlt(out.dc, 0, 0, 2, 1, dc, 0, 0, SRCCOPY);
  EXPECT_EQ(out.value(0, 0), 0x040506u);
  EXPECT_EQ(out.value(1, 0), 0x010203u);
  // A selected bitmap cannot be deleted.
  EXPECT_FALSE(DeleteObject(mono));
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(mono));
  EXPECT_FALSE(DeleteObject(mono));  // a dead handle
  DeleteDC(dc);
}

TEST(GdiBitmaps, ObjectsReportTheirLayout) {
  Section s(7, 3, 8, 1);
  DIBSECTION ds{};
  ASSERT_EQ(GetObject(s.bitmap, sizeof ds, &ds), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(ds.dsBm.bmWidth, 7);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);
  EXPECT_EQ(ds.dsBm.bmBits, s.bits);
  EXPECT_EQ(ds.dsBmih.biClrUsed, 256u);
  HBITMAP ddb = CreateCompatibleBitmap(nullptr, 5, 2);
  BITMAP b{};
  ASSERT_EQ(GetObject(ddb, sizeof b, &b), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(b.bmBitsPixel, 32);
  EXPECT_EQ(b.bmBits, nullptr);
  EXPECT_EQ(GetObject(ddb, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP)));
  DeleteObject(ddb);
  EXPECT_EQ(GetObject(ddb, sizeof b, &b), 0);
  // Too large or empty sections cannot be made.
  BITMAPINFO big{};
  big.bmiHeader = {40, 70000, 70000, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(CreateDIBSection(nullptr, &big, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  big.bmiHeader.biWidth = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &big, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST(GdiBitmaps, GetDIBitsConvertsToTheDepthAskedFor) {
  HBITMAP ddb = CreateBitmap(3, 2, 1, 16, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, ddb);
  SetPixel(dc, 0, 0, RGB(255, 0, 0));
  SetPixel(dc, 2, 1, RGB(0, 0, 255));
  SelectObject(dc, old);
  BITMAPINFO bi{};
  bi.bmiHeader = {40, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<Byte> px(static_cast<std::size_t>(dib_row_size(3, 24) * 2));
  ASSERT_EQ(GetDIBits(dc, ddb, 0, 2, px.data(), &bi, DIB_RGB_COLORS), 2);
  // Bottom-up: row 1 (bottom) first.
  EXPECT_EQ(px[0 + 6], 255);  // pixel (2, 1): blue
  EXPECT_EQ(px[12 + 2], 255); // pixel (0, 0): red
  DeleteDC(dc);
  DeleteObject(ddb);
  // Indices of a top-down section, scan lines 1 and 2 from the bottom, in either row order.
  bi.bmiHeader = {40, 2, -3, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  for (int i = 0; i < 3; ++i) std::memcpy(static_cast<Byte*>(bits) + 4 * i, std::array<Byte, 2>{Byte(2 * i + 1), Byte(2 * i + 2)}.data(), 2);
  for (LONG height : {2, -2}) {
    bi.bmiHeader.biHeight = height;
    std::vector<Byte> rows(8);
    ASSERT_EQ(GetDIBits(nullptr, section, 1, 2, rows.data(), &bi, DIB_RGB_COLORS), 2);
    const std::vector<Byte> upward{3, 4, 0, 0, 1, 2, 0, 0}, downward{1, 2, 0, 0, 3, 4, 0, 0};
    EXPECT_EQ(rows, height > 0 ? upward : downward);
  }
  DeleteObject(section);
}

TEST(GdiPalettes, EntriesAndTheHalftonePalette) {
  LOGPALETTE lp{};
  lp.palVersion = 0x300;
  lp.palNumEntries = 3;
  lp.palPalEntry[2] = PALETTEENTRY{9, 8, 7, 0};
  HPALETTE p = CreatePalette(&lp);
  PALETTEENTRY e[4]{};
  EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 3u);
  EXPECT_EQ(GetPaletteEntries(p, 1, 4, e), 2u);
  EXPECT_EQ(e[1].peRed, 9);
  HPALETTE h = CreateHalftonePalette(nullptr);
  EXPECT_EQ(GetPaletteEntries(h, 0, 0, nullptr), 256u);
  EXPECT_TRUE(DeleteObject(p));
  EXPECT_TRUE(DeleteObject(h));
}

TEST(GdiDevice, ScreenCapabilitiesAndTheForcedPaletteDevice) {
  EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(nullptr, RASTERCAPS) & RC_PALETTE, 0);
  gdi_force_palette_device(true);
  EXPECT_NE(GetDeviceCaps(nullptr, RASTERCAPS) & RC_PALETTE, 0);
  gdi_force_palette_device(false);
}

TEST(GlobalMemory, BlocksKnowTheirSize) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 10u);
  auto* p = static_cast<Byte*>(GlobalLock(h));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_FIXED, std::size_t{1} << 40), nullptr);
}
