#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/dib_graphic.hpp"
#include "platform/clipbrd.hpp"

namespace {

// A picture of the format with random pixels, a palette of its own (grey for the grey formats)
// and a resolution.
std::unique_ptr<TDibGraphic> random_picture(TImageFormat f, int w, int h, unsigned seed) {
  auto g = std::make_unique<TDibGraphic>();
  TMaxLogPalette p{};
  int bits = ImageFormatBits(f);
  if (bits <= 8) {
    p.palNumEntries = static_cast<WORD>(1 << bits);
    for (int i = 0; i < (1 << bits); ++i) {
      Byte v = static_cast<Byte>(i * 255 / ((1 << bits) - 1));
      bool grey = f == ifGray16 || f == ifGray256 || f == ifBlackWhite;
      p.palPalEntry[i] = grey ? PALETTEENTRY{v, v, v, 0} : PALETTEENTRY{v, Byte(255 - v), Byte(i * 7), 0};
    }
  }
  g->NewImage(w, h, f, bits <= 8 ? &p : nullptr, 150, 300);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    Byte* row = g->GetScanLine(y);
    int used = (w * bits + 7) / 8;
    for (int i = 0; i < used; ++i) row[i] = Byte(rng());
    // Bits past the last pixel stay 0, as a reader leaves them.
    if ((w * bits) % 8) row[used - 1] &= Byte(0xFF << (8 - (w * bits) % 8));
  }
  return g;
}

void expect_same_picture(const TDibGraphic& a, const TDibGraphic& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.ImageFormat(), b.ImageFormat());
  EXPECT_EQ(a.XDotsPerInch(), b.XDotsPerInch());
  EXPECT_EQ(a.YDotsPerInch(), b.YDotsPerInch());
  if (a.ImageFormat() != ifTrueColor) {
    ASSERT_EQ(a.Palette().palNumEntries, b.Palette().palNumEntries);
    EXPECT_EQ(std::memcmp(a.Palette().palPalEntry, b.Palette().palPalEntry, 4u * a.Palette().palNumEntries), 0);
  }
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      if (a.ImageFormat() == ifTrueColor) ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << x << "," << y;
      else ASSERT_EQ(a.GetPaletteIndex(x, y), b.GetPaletteIndex(x, y)) << x << "," << y;
    }
}

struct DibBlock {
  HGLOBAL h;
  explicit DibBlock(HGLOBAL handle) : h(handle) {}
  ~DibBlock() { GlobalFree(h); }
  Byte* bytes() { return static_cast<Byte*>(GlobalLock(h)); }
};

HGLOBAL block_of(const std::vector<Byte>& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

std::vector<Byte> header_bytes(int w, int h, int bits, DWORD clr_used, DWORD compression = BI_RGB) {
  BITMAPINFOHEADER bh{40, w, h, 1, static_cast<WORD>(bits), compression, 0, 3780, 3780, clr_used, 0};
  std::vector<Byte> v(40);
  std::memcpy(v.data(), &bh, 40);
  return v;
}

}  // namespace

TEST(PackedDibs, EveryFormatSurvivesARoundTrip) {
  for (TImageFormat f : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor}) {
    auto a = random_picture(f, 13, 7, 100 + f);
    DibBlock dib(a->AsDibHandle());
    std::size_t colors = f == ifTrueColor ? 0 : (1u << ImageFormatBits(f));
    EXPECT_EQ(GlobalSize(dib.h), 40 + 4 * colors + static_cast<std::size_t>(a->ScanLineSize()) * 7);
    TDibGraphic b;
    b.AssignFromDIBHandle(dib.h);
    expect_same_picture(*a, b);
    EXPECT_TRUE(gdi_is_live(dib.h));  // the caller's block stays
  }
}

TEST(BmpStreams, EveryFormatSurvivesARoundTrip) {
  for (TImageFormat f : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor}) {
    auto a = random_picture(f, 9, 4, 200 + f);
    DibBlock dib(a->AsDibHandle());
    TMemoryStream s;
    s.WriteBuffer("xy", 2);  // the file is written at the stream's position
    TDibGraphic::DibToBmpStream(dib.h, s);
    std::size_t colors = f == ifTrueColor ? 0 : (1u << ImageFormatBits(f));
    ASSERT_EQ(s.Size(), static_cast<Int64>(2 + 54 + 4 * colors + a->ScanLineSize() * 4));
    const Byte* m = s.Memory() + 2;
    EXPECT_EQ(m[0], 'B');
    EXPECT_EQ(m[1], 'M');
    std::uint32_t size = m[2] | (m[3] << 8) | (m[4] << 16);
    std::uint32_t offset = m[10] | (m[11] << 8);
    EXPECT_EQ(size, 54 + 4 * colors + a->ScanLineSize() * 4u);
    EXPECT_EQ(offset, 54 + 4 * colors);
    s.SetPosition(2);
    TBitmap bmp;
    bmp.LoadFromStream(s);
    TDibGraphic b;
    b.Assign(&bmp);
    // Through a bitmap the grey formats come back as their colour format with the same palette.
    TImageFormat back = f == ifGray16 ? ifColor16 : f == ifGray256 ? ifColor256 : f;
    EXPECT_EQ(b.ImageFormat(), back);
    ASSERT_EQ(b.Width(), 9);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(a->GetPixel(x, y), b.GetPixel(x, y));
    EXPECT_EQ(b.XDotsPerInch(), 150);
  }
}

TEST(PackedDibs, ColourTablesOfEveryKind) {
  // A 1-bit DIB whose first colour is white: default palette, inverted bits.
  std::vector<Byte> d = header_bytes(8, 1, 1, 2);
  d.insert(d.end(), {255, 255, 255, 0, 0, 0, 0, 0, 0xF0, 0, 0, 0});
  DibBlock one(block_of(d));
  TDibGraphic g;
  g.AssignFromDIBHandle(one.h);
  EXPECT_EQ(g.ImageFormat(), ifBlackWhite);
  EXPECT_EQ(g.Palette().palPalEntry[0].peRed, 0);
  EXPECT_EQ(g.Bits()[0], 0x0F);
  EXPECT_EQ(g.GetPixel(0, 0), Rgb(0, 0, 0));  // the first pixel was black before as well
  EXPECT_EQ(g.GetPixel(7, 0), Rgb(255, 255, 255));
  // biClrUsed 0: the full table of 2^bits entries.
  std::vector<Byte> e = header_bytes(2, 1, 4, 0);
  for (int i = 0; i < 16; ++i) e.insert(e.end(), {Byte(i), Byte(i), Byte(i), 0});
  e.insert(e.end(), {0x5F, 0, 0, 0});
  DibBlock four(block_of(e));
  g.AssignFromDIBHandle(four.h);
  EXPECT_EQ(g.ImageFormat(), ifGray16);
  EXPECT_EQ(g.Palette().palNumEntries, 16);
  EXPECT_EQ(g.GetPixel(1, 0), Rgb(15, 15, 15));
  // A colour count beyond 2^bits is capped; the rows follow all the entries written.
  std::vector<Byte> f = header_bytes(1, 1, 1, 5);
  f.insert(f.end(), {0, 0, 0, 0, 0, 0, 255, 0, 9, 9, 9, 0, 9, 9, 9, 0, 9, 9, 9, 0, 0x80, 0, 0, 0});
  DibBlock five(block_of(f));
  g.AssignFromDIBHandle(five.h);
  EXPECT_EQ(g.Palette().palNumEntries, 2);
  EXPECT_EQ(g.GetPixel(0, 0), Rgb(255, 0, 0));
  // 32 bits become true colour.
  std::vector<Byte> t = header_bytes(2, 1, 32, 0);
  t.insert(t.end(), {1, 2, 3, 0, 4, 5, 6, 0});
  DibBlock deep(block_of(t));
  g.AssignFromDIBHandle(deep.h);
  EXPECT_EQ(g.ImageFormat(), ifTrueColor);
  EXPECT_EQ(g.GetPixel(1, 0), Rgb(6, 5, 4));
}

TEST(PackedDibs, ResolutionIsRoundedFromPixelsPerMetre) {
  // 3779 / 39.37 = 95.98 and 2834 / 39.37 = 71.98 round up to 96 and 72; 11809 / 39.37 =
  // 299.95 rounds to 300 and 3742 / 39.37 = 95.05 down to 95.
  std::vector<Byte> d = header_bytes(1, 1, 24, 0);
  BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(d.data());
  h->biXPelsPerMeter = 3779;
  h->biYPelsPerMeter = 2834;
  d.insert(d.end(), {1, 2, 3, 0});
  DibBlock block(block_of(d));
  TDibGraphic g;
  g.AssignFromDIBHandle(block.h);
  EXPECT_EQ(g.XDotsPerInch(), 96);
  EXPECT_EQ(g.YDotsPerInch(), 72);
  // A section's resolution the same way.
  BITMAPINFO bi{};
  bi.bmiHeader = {40, 2, 2, 1, 24, BI_RGB, 0, 11809, 3742, 0, 0};
  void* bits = nullptr;
  HBITMAP sec = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(sec, nullptr);
  g.AssignFromBitmapHandle(sec);
  DeleteObject(sec);
  EXPECT_EQ(g.XDotsPerInch(), 300);
  EXPECT_EQ(g.YDotsPerInch(), 95);
  // The picture keeps dots per inch: 300 are 11811 pixels per metre (11811.02).
  EXPECT_EQ(g.BitmapInfo().bmiHeader.biXPelsPerMeter, 11811);
  EXPECT_EQ(PelsPerMeterToDotsPerInch(3779), 96);
  EXPECT_EQ(DotsPerInchToPelsPerMeter(96), 3780);
}

TEST(PackedDibs, TopDownRowsKeepTheirPlace) {
  std::vector<Byte> d = header_bytes(1, -2, 24, 0);
  d.insert(d.end(), {0, 0, 255, 0, /* second row */ 255, 0, 0, 0});
  DibBlock td(block_of(d));
  TDibGraphic g;
  g.AssignFromDIBHandle(td.h);
  EXPECT_EQ(g.Height(), 2);
  EXPECT_EQ(g.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(g.GetPixel(0, 1), Rgb(0, 0, 255));
}

TEST(PackedDibs, BadBlocksRaiseAndLeaveThePicture) {
  auto keep = random_picture(ifColor16, 3, 3, 1);
  TDibGraphic g;
  g.Assign(keep.get());
  std::vector<Byte> good = header_bytes(4, 4, 8, 0);
  good.resize(good.size() + 1024 + 16, 1);
  auto expect_bad = [&](std::vector<Byte> bytes) {
    DibBlock b(block_of(bytes));
    EXPECT_THROW(g.AssignFromDIBHandle(b.h), EZuroroveError);
    TMemoryStream s;
    EXPECT_THROW(TDibGraphic::DibToBmpStream(b.h, s), EZuroroveError);
  };
  for (std::size_t n : {0u, 20u, 40u, 100u, 1063u}) expect_bad(std::vector<Byte>(good.begin(), good.begin() + n));
  auto with = [&](std::size_t at, std::uint32_t v) {
    std::vector<Byte> b = good;
    std::memcpy(b.data() + at, &v, 4);
    return b;
  };
  expect_bad(with(4, 0x7FFFFFFF));  // width
  expect_bad(with(8, 0x80000000));  // height
  expect_bad(with(32, 0x40000000)); // colour count
  expect_bad(with(0, 12));          // header size
  expect_bad(with(0, 5000));
  std::vector<Byte> bits = good;
  bits[14] = 7;
  expect_bad(bits);
  // 2^31 - 1 square at 32 bits with 4 bytes of pixels: the row bytes times the height overflowed
  // 64 bits and wrapped to an image size of 4, so a bitmap stream of that size was written.
  std::vector<Byte> wrapped = header_bytes(1, 1, 32, 0);
  wrapped.resize(40);
  const std::uint32_t side = 0x7FFFFFFF;
  std::memcpy(wrapped.data() + 4, &side, 4);
  std::memcpy(wrapped.data() + 8, &side, 4);
  wrapped.resize(44, 0);
  expect_bad(wrapped);
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(g.ImageFormat(), ifColor16);
  EXPECT_THROW(g.AssignFromDIBHandle(nullptr), EZuroroveError);
  TDibGraphic empty;
  try {
    HGLOBAL h = empty.AsDibHandle();
    GlobalFree(h);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Graphic is empty");
  }
  // A compressed DIB needs its image size.
  std::vector<Byte> rle = header_bytes(2, 2, 8, 0, BI_RLE8);
  rle.resize(40 + 1024 + 8);
  DibBlock r(block_of(rle));
  TMemoryStream s;
  try {
    TDibGraphic::DibToBmpStream(r.h, s);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Unsupported HDIB in DibToBmpStream: biSizeImage not set with non RGB bitmap");
  }
}

TEST(BitmapHandles, SectionsAndDeviceBitmaps) {
  // A 16-bit device bitmap becomes true colour.
  HBITMAP ddb = CreateBitmap(2, 1, 1, 16, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, ddb);
  SetPixel(dc, 1, 0, RGB(255, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  TDibGraphic g;
  g.AssignFromBitmapHandle(ddb);
  EXPECT_EQ(g.ImageFormat(), ifTrueColor);
  EXPECT_EQ(g.GetPixel(1, 0), Rgb(255, 0, 0));
  DeleteObject(ddb);
  // An 8-bit section with biClrUsed 0 keeps its own 256 colours (a mend: not the default
  // palette), so every pixel shows its colour.
  BITMAPINFO bi{};
  bi.bmiHeader = {40, 3, 2, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
  PALETTEENTRY own[256];
  for (int i = 0; i < 256; ++i) {
    own[i] = PALETTEENTRY{Byte(i), Byte(255 - i), Byte(i / 2), 0};
    bi.bmiColors[i] = RGBQUAD{own[i].peBlue, own[i].peGreen, own[i].peRed, 0};
  }
  void* bits = nullptr;
  HBITMAP sec = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  static_cast<Byte*>(bits)[4] = 40;  // the second row in memory is the top row
  g.AssignFromBitmapHandle(sec);
  EXPECT_EQ(g.ImageFormat(), ifColor256);
  EXPECT_EQ(g.Palette().palNumEntries, 256);
  EXPECT_EQ(std::memcmp(g.Palette().palPalEntry, own, 1024), 0);
  EXPECT_EQ(g.GetPaletteIndex(0, 0), 40);
  EXPECT_EQ(g.GetPixel(0, 0), Rgb(40, 215, 20));
  DeleteObject(sec);
  EXPECT_THROW(g.AssignFromBitmapHandle(sec), EInvalidGraphic);
  EXPECT_EQ(g.Width(), 3);
}

// 5-6-5 pixels and their colours, each channel widened by repeating its top bits:
// 0xF800 red, 0x07E0 green, 0x001F blue, 0x8410 (16, 32, 16) -> (132, 130, 132),
// 0x0841 (1, 2, 1) -> (8, 8, 8).
const std::uint16_t k565[5] = {0xF800, 0x07E0, 0x001F, 0x8410, 0x0841};
const TRgb k565Colours[5] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(132, 130, 132), Rgb(8, 8, 8)};

TEST(BitmapHandles, SixteenBitSectionsWithColourMasksBecomeTrueColour) {
  // A mend: a section with BI_BITFIELDS masks is read as 24-bit rows, not refused.
  struct {
    BITMAPINFOHEADER h;
    DWORD masks[3];
  } info{{40, 5, 1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0}, {0xF800, 0x07E0, 0x001F}};
  void* bits = nullptr;
  HBITMAP sec = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(sec, nullptr);
  std::memcpy(bits, k565, sizeof k565);
  TDibGraphic g;
  g.AssignFromBitmapHandle(sec);
  DeleteObject(sec);
  EXPECT_EQ(g.ImageFormat(), ifTrueColor);
  ASSERT_EQ(g.Width(), 5);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(g.GetPixel(x, 0), k565Colours[x]) << x;
}

TEST(PackedDibs, SixteenBitDibsWithColourMasksBecomeTrueColour) {
  std::vector<Byte> d = header_bytes(5, 2, 16, 0, BI_BITFIELDS);
  for (DWORD m : {0xF800u, 0x07E0u, 0x001Fu}) d.insert(d.end(), {Byte(m), Byte(m >> 8), Byte(m >> 16), Byte(m >> 24)});
  // Two rows of 12 bytes (10 of pixels, 2 of padding): the bottom row black, the top one k565.
  d.resize(d.size() + 12, 0);
  for (std::uint16_t v : k565) d.insert(d.end(), {Byte(v), Byte(v >> 8)});
  d.insert(d.end(), {0, 0});
  BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(d.data());
  h->biSizeImage = 24;
  DibBlock block(block_of(d));
  TDibGraphic g;
  g.AssignFromDIBHandle(block.h);
  EXPECT_EQ(g.ImageFormat(), ifTrueColor);
  ASSERT_EQ(g.Height(), 2);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(g.GetPixel(x, 0), k565Colours[x]) << x;
    EXPECT_EQ(g.GetPixel(x, 1), Rgb(0, 0, 0)) << x;
  }
}

TEST(Assign, BitmapsIconsAndOtherGraphics) {
  // To a bitmap and back keeps every colour.
  auto a = random_picture(ifTrueColor, 7, 5, 9);
  TBitmap bmp;
  a->AssignTo(&bmp);
  EXPECT_EQ(bmp.PixelFormat(), pf24bit);
  TDibGraphic b;
  b.Assign(&bmp);
  EXPECT_EQ(b.ImageFormat(), ifTrueColor);
  EXPECT_EQ(b.XDotsPerInch(), 96);  // a bitmap carries no resolution
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(b.GetPixel(x, y), a->GetPixel(x, y));
  auto p = random_picture(ifColor16, 5, 3, 10);
  TBitmap bmp16;
  p->AssignTo(&bmp16);
  b.Assign(&bmp16);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(b.GetPixel(x, y), p->GetPixel(x, y));
  // An icon: black where it draws nothing.
  std::vector<Byte> ico(22);
  ico[2] = 1;
  ico[4] = 1;
  ico[6] = 1;
  ico[7] = 1;
  ico[12] = 24;
  std::vector<Byte> dib = header_bytes(1, 2, 24, 0);
  dib.insert(dib.end(), {10, 20, 30, 0, 0x80, 0, 0, 0});  // one pixel, masked out
  ico[14] = static_cast<Byte>(dib.size());
  ico[18] = 22;
  ico.insert(ico.end(), dib.begin(), dib.end());
  TIcon icon;
  TBytesStream s(ico.data(), static_cast<Int64>(ico.size()));
  icon.LoadFromStream(s);
  b.Assign(&icon);
  EXPECT_EQ(b.ImageFormat(), ifTrueColor);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(0, 0, 0));
  // Empty graphics of other classes clear the picture.
  TBitmap empty;
  b.Assign(&empty);
  EXPECT_TRUE(b.Empty());
  b.Assign(a.get());
  TIcon no_icon;
  b.Assign(&no_icon);
  EXPECT_TRUE(b.Empty());
  // So does an empty picture.
  b.Assign(a.get());
  TDibGraphic nothing;
  b.Assign(&nothing);
  EXPECT_TRUE(b.Empty());
  // Anything else cannot be assigned.
  TPen pen;
  EXPECT_THROW(b.Assign(&pen), EConvertError);
  try {
    a->AssignTo(&pen);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TDibGraphic to a TPen");
  }
}

TEST(Assign, PicturesGoToIconsAndBack) {
  // A 16 x 16 true-colour picture and a 4-bit one of its own colours: the icon shows every
  // pixel's colour, opaque, and a picture assigned from the icon has them again.
  for (TImageFormat f : {ifTrueColor, ifColor16}) {
    auto a = random_picture(f, 16, 16, 21);
    TIcon icon;
    a->AssignTo(&icon);
    ASSERT_EQ(icon.Width(), 16) << ImageFormatName(f);
    ASSERT_EQ(icon.Height(), 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const std::uint32_t argb = icon.PixelArgb(x, y);
        const TRgb want = a->GetPixel(x, y);
        ASSERT_EQ(argb >> 24, 0xFFu) << x << "," << y;
        ASSERT_EQ(Rgb(Byte(argb >> 16), Byte(argb >> 8), Byte(argb)), want) << ImageFormatName(f) << " " << x << "," << y;
      }
    TDibGraphic back;
    back.Assign(&icon);
    EXPECT_EQ(back.ImageFormat(), ifTrueColor);
    ASSERT_EQ(back.Width(), 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) ASSERT_EQ(back.GetPixel(x, y), a->GetPixel(x, y)) << x << "," << y;
  }
}

TEST(Assign, FramesAndSettingsAreCopied) {
  auto a = random_picture(ifGray256, 4, 4, 3);
  a->AddFrame(random_picture(ifColor16, 2, 2, 4));
  a->AddFrame(random_picture(ifTrueColor, 3, 1, 5));
  a->SetTransparentPixel(tpTopRight);
  a->SetBackgroundColor(Rgb(1, 2, 3));
  TDibGraphic b;
  b.Assign(a.get());
  expect_same_picture(*a, b);
  ASSERT_EQ(b.FrameCount(), 2);
  expect_same_picture(*a->GetFrame(2), *b.GetFrame(2));
  EXPECT_NE(a->GetFrame(1), b.GetFrame(1));
  EXPECT_EQ(b.TransparentPixel(), tpTopRight);
  EXPECT_EQ(b.BackgroundColor(), Rgb(1, 2, 3));
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.FrameCount(), 0);
}

TEST(Clipboard, PicturesGoAsBitmaps) {
  auto a = random_picture(ifTrueColor, 6, 3, 11);
  Clipboard()->Assign(a.get());
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  TDibGraphic b;
  b.Assign(Clipboard());
  ASSERT_EQ(b.Width(), 6);
  EXPECT_EQ(b.ImageFormat(), ifTrueColor);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(b.GetPixel(x, y), a->GetPixel(x, y));
  // A black-and-white picture goes as a monochrome bitmap.
  auto bw = random_picture(ifBlackWhite, 10, 2, 12);
  Word format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  bw->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, CF_BITMAP);
  BITMAP info{};
  ASSERT_EQ(GetObject(data, sizeof info, &info), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(info.bmBitsPixel, 1);
  TDibGraphic c;
  c.LoadFromClipboardFormat(CF_BITMAP, data, nullptr);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(c.GetPixel(x, 1), bw->GetPixel(x, 1));
  DeleteObject(data);
  try {
    c.LoadFromClipboardFormat(CF_DIB, nullptr, nullptr);
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown clipboard format, 8");
  }
  EXPECT_THROW(TDibGraphic().SaveToClipboardFormat(format, data, palette), EZuroroveError);
}
