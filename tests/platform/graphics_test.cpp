#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cstring>
#include <random>

#include "common/test_env.hpp"
#include "platform/canvas_qt.hpp"
#include "platform/clipbrd.hpp"
#include "platform/gif_image.hpp"
#include "platform/graphics.hpp"

namespace {

std::vector<Byte> bytes_of(TMemoryStream& s) { return std::vector<Byte>(s.Memory(), s.Memory() + s.Size()); }

void put_u16(std::vector<Byte>& v, std::size_t at, unsigned x) {
  v[at] = Byte(x);
  v[at + 1] = Byte(x >> 8);
}
void put_u32(std::vector<Byte>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = Byte(x >> (8 * i));
}

// A BMP file written by hand: 40-byte header, `colors` table entries, rows as given (already
// padded), height negative for top-down.
std::vector<Byte> make_bmp(int w, int h, int bits, const std::vector<RGBQUAD>& table, const std::vector<Byte>& rows,
                           std::uint32_t offset_override = 0xFFFFFFFF) {
  std::vector<Byte> f(54 + 4 * table.size());
  f[0] = 'B';
  f[1] = 'M';
  put_u32(f, 2, static_cast<std::uint32_t>(f.size() + rows.size()));
  put_u32(f, 10, offset_override == 0xFFFFFFFF ? static_cast<std::uint32_t>(f.size()) : offset_override);
  put_u32(f, 14, 40);
  put_u32(f, 18, static_cast<std::uint32_t>(w));
  put_u32(f, 22, static_cast<std::uint32_t>(h));
  put_u16(f, 26, 1);
  put_u16(f, 28, static_cast<unsigned>(bits));
  put_u32(f, 46, static_cast<std::uint32_t>(table.size()));
  if (!table.empty()) std::memcpy(f.data() + 54, table.data(), 4 * table.size());
  f.insert(f.end(), rows.begin(), rows.end());
  return f;
}

std::unique_ptr<TBitmap> load_bmp(const std::vector<Byte>& file) {
  TBytesStream s(file.data(), static_cast<Int64>(file.size()));
  auto b = std::make_unique<TBitmap>();
  b->LoadFromStream(s);
  return b;
}

// The message a BMP file is refused with, or "read".
std::string bmp_error(const std::vector<Byte>& file) {
  try {
    load_bmp(file);
  } catch (const EInvalidGraphic& e) {
    return e.Message();
  }
  return "read";
}

}  // namespace

TEST(BitmapFiles, EveryDepthSurvivesARoundTrip) {
  struct Case { TPixelFormat format; int bits; };
  for (Case c : {Case{pf1bit, 1}, Case{pf4bit, 4}, Case{pf8bit, 8}, Case{pf15bit, 16}, Case{pf24bit, 24}, Case{pf32bit, 32}}) {
    TBitmap b;
    b.SetPixelFormat(c.format);
    b.SetSize(11, 5);
    ASSERT_EQ(b.PixelFormat(), c.format);
    std::mt19937 rng(c.bits);
    std::size_t row_bytes = static_cast<std::size_t>((11 * c.bits + 7) / 8);
    for (int y = 0; y < 5; ++y) {
      auto* row = static_cast<Byte*>(b.ScanLine(y));
      for (std::size_t i = 0; i < row_bytes; ++i) row[i] = Byte(rng());
      if (c.bits == 32) {
        for (int x = 0; x < 11; ++x) row[4 * x + 3] = 0;
      }
      if (c.bits == 16) {
        for (int x = 0; x < 11; ++x) row[2 * x + 1] &= 0x7F;
      }
    }
    TMemoryStream s;
    b.SaveToStream(s);
    std::vector<Byte> file = bytes_of(s);
    ASSERT_EQ(file[0], 'B');
    std::uint32_t offset = file[10] | (file[11] << 8);
    EXPECT_EQ(offset, 54u + 4u * (c.bits <= 8 ? (1u << c.bits) : 0u));
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(s);
    ASSERT_EQ(back.Width(), 11);
    ASSERT_EQ(back.Height(), 5);
    EXPECT_EQ(back.PixelFormat(), c.format);
    for (int y = 0; y < 5; ++y) {
      auto* a = static_cast<Byte*>(b.ScanLine(y));
      auto* z = static_cast<Byte*>(back.ScanLine(y));
      for (int x = 0; x < 11; ++x) ASSERT_EQ(b.Canvas()->Pixels(x, y), back.Canvas()->Pixels(x, y)) << c.bits;
      if (c.bits % 8 == 0) {
        EXPECT_EQ(std::memcmp(a, z, row_bytes), 0);
      }
    }
  }
}

TEST(BitmapFiles, TopDownCoreAndOffsetlessFilesRead) {
  // Top-down 24-bit 2 x 2: first row in the file is the top row.
  std::vector<Byte> rows = {0, 0, 255, 0, 255, 0, 0, 0, /* row 2 */ 255, 0, 0, 255, 255, 255, 0, 0};
  auto b = load_bmp(make_bmp(2, -2, 24, {}, rows));
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(b->Canvas()->Pixels(1, 0), RGB(0, 255, 0));
  EXPECT_EQ(b->Canvas()->Pixels(0, 1), RGB(0, 0, 255));
  EXPECT_EQ(b->Canvas()->Pixels(1, 1), RGB(255, 255, 255));
  // Pixel offset 0: the rows follow the colour table.
  std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {10, 20, 30, 0}};
  auto c = load_bmp(make_bmp(3, 1, 1, table, {0x40, 0, 0, 0}, 0));
  EXPECT_EQ(c->Canvas()->Pixels(1, 0), RGB(30, 20, 10));
  EXPECT_EQ(c->Canvas()->Pixels(0, 0), RGB(0, 0, 0));
  // The 12-byte core header with three-byte table entries.
  std::vector<Byte> core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 8, 0};
  for (int i = 0; i < 256; ++i) {
    core.push_back(Byte(i));
    core.push_back(Byte(255 - i));
    core.push_back(7);
  }
  core.insert(core.end(), {5, 0, 0, 0});
  auto d = load_bmp(core);
  EXPECT_EQ(d->Canvas()->Pixels(0, 0), RGB(7, 250, 5));
}

TEST(BitmapFiles, BitfieldsAndUnusualMasks) {
  // 16-bit 5-6-5 with explicit masks.
  std::vector<Byte> f = make_bmp(1, 1, 16, {}, {});
  put_u32(f, 30, BI_BITFIELDS);
  std::vector<Byte> masks(12);
  put_u32(masks, 0, 0xF800);
  put_u32(masks, 4, 0x07E0);
  put_u32(masks, 8, 0x001F);
  f.insert(f.end(), masks.begin(), masks.end());
  put_u32(f, 10, 54 + 12);
  f.insert(f.end(), {0xE0, 0x07, 0, 0});  // pure green
  auto b = load_bmp(f);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), RGB(0, 255, 0));
  // 32 bits with red in the low byte: converted to 24 bits.
  std::vector<Byte> g = make_bmp(1, 1, 32, {}, {});
  put_u32(g, 30, BI_BITFIELDS);
  std::vector<Byte> m2(12);
  put_u32(m2, 0, 0x000000FF);
  put_u32(m2, 4, 0x0000FF00);
  put_u32(m2, 8, 0x00FF0000);
  g.insert(g.end(), m2.begin(), m2.end());
  put_u32(g, 10, 54 + 12);
  g.insert(g.end(), {200, 100, 50, 0});
  auto c = load_bmp(g);
  EXPECT_EQ(c->PixelFormat(), pf24bit);
  EXPECT_EQ(c->Canvas()->Pixels(0, 0), RGB(200, 100, 50));
}

TEST(BitmapFiles, BadInputRaisesAClearError) {
  std::vector<Byte> good = make_bmp(4, 4, 24, {}, std::vector<Byte>(48, 7));
  // Every truncation.
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<Byte> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(load_bmp(cut), EInvalidGraphic) << n;
  }
  auto with = [&](std::size_t at, std::uint32_t v) {
    std::vector<Byte> f = good;
    put_u32(f, at, v);
    return f;
  };
  EXPECT_THROW(load_bmp(with(18, 0x7FFFFFFF)), EInvalidGraphic);   // absurd width
  EXPECT_THROW(load_bmp(with(22, 0x80000000)), EInvalidGraphic);   // most negative height
  EXPECT_THROW(load_bmp(with(18, 0)), EInvalidGraphic);            // no width
  EXPECT_THROW(load_bmp(with(14, 41)), EInvalidGraphic);           // unknown header size
  EXPECT_THROW(load_bmp(with(46, 0xFFFFFFFF)), EInvalidGraphic);   // absurd colour count
  EXPECT_THROW(load_bmp(with(10, 0xFFFFFF00)), EInvalidGraphic);   // pixels past the end
  EXPECT_THROW(load_bmp(with(30, BI_RLE8)), EInvalidGraphic);      // run-length codes of 24-bit pixels
  std::vector<Byte> not_bmp = good;
  not_bmp[0] = 'X';
  EXPECT_THROW(load_bmp(not_bmp), EInvalidGraphic);
  std::vector<Byte> huge = with(18, 50000);
  put_u32(huge, 22, 50000);
  EXPECT_THROW(load_bmp(huge), EInvalidGraphic);
  // Past the decompression-bomb limit (178,956,970 pixels), before any size is multiplied.
  std::vector<Byte> widest = with(18, 0x7FFFFFFF);
  put_u32(widest, 22, 0x7FFFFFFF);
  widest[28] = 32;
  EXPECT_EQ(bmp_error(huge), "An image of 50000 x 50000 pixels is too large");
  EXPECT_EQ(bmp_error(widest), "An image of 2147483647 x 2147483647 pixels is too large");
  EXPECT_EQ(bmp_error({good.begin(), good.end() - 1}), "The image file is too short for its 4 x 4 pixels");
}

TEST(BitmapFiles, RunLengthRowsAreDecoded) {
  // Runs (RLE4 alternating the nibbles of their byte), pixels as they are padded to 16 bits, row
  // ends, moves right and up, a run cut at the row's end, the end of the bitmap; rows bottom first.
  struct Case { int w, h, bits; std::vector<Byte> codes, rows; };
  for (const Case& c : {Case{6, 4, 8, {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 2, 1, 0, 2, 2, 1, 4, 6, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1, 3, 9},
                             {5, 5, 5, 7, 8, 9, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 6, 6, 1, 2, 3, 4, 0, 0}},
                        Case{5, 3, 4, {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 1, 0, 2, 0xAB, 0, 1},
                             {0x12, 0x12, 0x10, 0x34, 0x56, 0x70, 0x0A, 0xB0, 0}}}) {
    std::vector<Byte> f = make_bmp(c.w, c.h, c.bits, std::vector<RGBQUAD>(16), c.codes), got;
    put_u32(f, 30, c.bits == 8 ? BI_RLE8 : BI_RLE4);
    auto b = load_bmp(f);
    for (int y = c.h - 1; y >= 0; --y)
      for (int i = 0; i < (c.w * c.bits + 7) / 8; ++i) got.push_back(static_cast<const Byte*>(b->ScanLine(y))[i]);
    EXPECT_EQ(got, c.rows);
    put_u32(f, 22, static_cast<std::uint32_t>(-c.h));  // run-length rows are bottom-up only
    EXPECT_EQ(bmp_error(f), "Bitmap image is not valid");
  }
  // Codes that end on the last row, without the end-of-bitmap code, are read; ending a row
  // lower, they are too short for the rows declared.
  for (int h : {2, 3}) {
    std::vector<Byte> f = make_bmp(2, h, 8, std::vector<RGBQUAD>(16), {2, 7, 0, 0, 2, 9});
    put_u32(f, 30, BI_RLE8);
    if (h == 3) {
      EXPECT_EQ(bmp_error(f), "The image file is too short for its 2 x 3 pixels");
      continue;
    }
    auto b = load_bmp(f);
    const auto* top = static_cast<const Byte*>(b->ScanLine(0));
    const auto* bottom = static_cast<const Byte*>(b->ScanLine(1));
    EXPECT_EQ((std::vector<Byte>{top[0], top[1], bottom[0], bottom[1]}), (std::vector<Byte>{9, 9, 7, 7}));
  }
}

TEST(Bitmaps, SizesFormatsAndTransparency) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.HandleType(), bmDDB);
  b.SetSize(3, 2);
  EXPECT_FALSE(b.Empty());
  EXPECT_EQ(b.PixelFormat(), pfDevice);
  // New bitmaps are white.
  EXPECT_EQ(b.Canvas()->Pixels(2, 1), clWhite);
  b.Canvas()->SetPixels(0, 0, RGB(1, 2, 3));
  b.SetSize(5, 5);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(1, 2, 3));  // the old picture stays at the top left
  EXPECT_EQ(b.Canvas()->Pixels(4, 4), clWhite);
  b.SetPixelFormat(pf24bit);
  EXPECT_EQ(b.HandleType(), bmDIB);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(1, 2, 3));
  // The automatic transparent colour is the bottom-left pixel.
  b.Canvas()->SetPixels(0, 4, RGB(9, 9, 9));
  EXPECT_EQ(b.TransparentColor(), RGB(9, 9, 9));
  b.SetTransparentColor(clRed);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
  EXPECT_EQ(b.TransparentColor(), clRed);
  EXPECT_THROW(b.ScanLine(5), EInvalidGraphicOperation);
  // A copy is independent.
  TBitmap c;
  c.Assign(&b);
  c.Canvas()->SetPixels(0, 0, clBlack);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(c.PixelFormat(), pf24bit);
}

TEST(Bitmaps, TransparentDrawKeepsTheBackground) {
  TBitmap sprite;
  sprite.SetPixelFormat(pf24bit);
  sprite.SetSize(2, 2);
  sprite.Canvas()->Brush().SetColor(clWhite);
  sprite.Canvas()->FillRect(TRect{0, 0, 2, 2});
  sprite.Canvas()->SetPixels(1, 0, clRed);
  sprite.SetTransparent(true);  // key: the bottom-left pixel, white
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(4, 4);
  target.Canvas()->Brush().SetColor(clBlue);
  target.Canvas()->FillRect(TRect{0, 0, 4, 4});
  target.Canvas()->StretchDraw(TRect{0, 0, 4, 4}, &sprite);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(2, 0), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(3, 1), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clBlue);
  // The copy mode applies to opaque drawing.
  sprite.SetTransparent(false);
  target.Canvas()->SetCopyMode(SRCAND);
  target.Canvas()->Draw(0, 0, &sprite);  // white AND blue = blue; red AND blue = black
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(1, 0), clBlack);
}

TEST(Canvas, ShapesOnBitmaps) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(20, 20);
  TCanvas& c = *b.Canvas();
  c.Brush().SetColor(clWhite);
  c.FillRect(TRect{0, 0, 20, 20});
  c.Brush().SetColor(clLime);
  c.FillRect(TRect{2, 2, 5, 4});
  EXPECT_EQ(c.Pixels(2, 2), clLime);
  EXPECT_EQ(c.Pixels(4, 3), clLime);
  EXPECT_EQ(c.Pixels(5, 3), clWhite);  // right and bottom are exclusive
  EXPECT_EQ(c.Pixels(4, 4), clWhite);
  // A rectangle outline with a clear brush: the edges x1..x2-1, inside untouched.
  c.Brush().SetStyle(bsClear);
  c.Pen().SetColor(clRed);
  c.Rectangle(10, 10, 15, 14);
  EXPECT_EQ(c.Pixels(10, 10), clRed);
  EXPECT_EQ(c.Pixels(14, 13), clRed);
  EXPECT_EQ(c.Pixels(15, 13), clWhite);
  EXPECT_EQ(c.Pixels(12, 12), clWhite);
  // A line leaves its end point out; an XOR line drawn twice restores the picture.
  c.Pen().SetColor(clBlack);
  c.MoveTo(0, 18);
  c.LineTo(10, 18);
  EXPECT_EQ(c.Pixels(0, 18), clBlack);
  EXPECT_EQ(c.Pixels(9, 18), clBlack);
  EXPECT_EQ(c.Pixels(10, 18), clWhite);
  EXPECT_EQ(c.PenPos(), (TPoint{10, 18}));
  c.Pen().SetMode(pmXor);
  c.Pen().SetColor(clWhite);
  c.MoveTo(0, 19);
  c.LineTo(20, 19);
  EXPECT_EQ(c.Pixels(5, 19), clBlack);
  c.MoveTo(0, 19);
  c.LineTo(20, 19);
  EXPECT_EQ(c.Pixels(5, 19), clWhite);
  // Pixels outside read as -1.
  EXPECT_EQ(c.Pixels(20, 0), -1);
}

TEST(Canvas, PaletteBitmapsTakeTheNearestEntry) {
  TBitmap b;
  b.SetPixelFormat(pf4bit);
  b.SetSize(4, 4);
  TCanvas& c = *b.Canvas();
  c.Brush().SetColor(RGB(250, 5, 5));  // nearest of the 16 colours: red
  c.FillRect(TRect{0, 0, 4, 4});
  EXPECT_EQ(c.Pixels(3, 3), RGB(255, 0, 0));
}

TEST(Canvas, TextIsDrawnAndMeasured) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(120, 40);
  TCanvas& c = *b.Canvas();
  c.Brush().SetColor(clWhite);
  c.FillRect(TRect{0, 0, 120, 40});
  c.Font().SetName("DejaVu Sans");
  c.Font().SetSize(12);
  c.Font().SetColor(clBlack);
  TSize ext = c.TextExtent("Hello");
  EXPECT_GT(ext.cx, 20);
  EXPECT_GE(ext.cy, 12);
  EXPECT_GT(c.TextWidth("Hello world"), ext.cx);
  c.TextOut(2, 2, "Hello");
  int dark = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) dark += c.Pixels(x, y) != clWhite;
  EXPECT_GT(dark, 20);
  EXPECT_EQ(c.PenPos().X, 2 + ext.cx);
  // DT_CALCRECT measures: word breaking makes a narrow box taller.
  TRect wide{0, 0, 1000, 0};
  int h1 = c.DrawText("one two three four", wide, DT_CALCRECT | DT_WORDBREAK);
  TRect narrow{0, 0, 30, 0};
  int h2 = c.DrawText("one two three four", narrow, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GT(h2, h1);
  EXPECT_EQ(narrow.Bottom, h2);
}

TEST(Canvas, PaintScopeDrawsThroughAPainter) {
  QImage img(10, 10, QImage::Format_RGB32);
  img.fill(Qt::white);
  TCanvas canvas;
  {
    QPainter painter(&img);
    CanvasPaintScope scope(canvas, painter, 10, 10);
    EXPECT_EQ(canvas.ClipRect(), (TRect{0, 0, 10, 10}));
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(TRect{0, 0, 5, 5});
    // A bitmap drawn on the window canvas.
    TBitmap b;
    b.SetSize(2, 2);
    b.Canvas()->Brush().SetColor(clBlue);
    b.Canvas()->FillRect(TRect{0, 0, 2, 2});
    canvas.StretchDraw(TRect{6, 6, 10, 10}, &b);
  }
  EXPECT_FALSE(canvas.HandleAllocated());
  EXPECT_EQ(img.pixel(2, 2), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(7, 7), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(5, 5), qRgb(255, 255, 255));
}

namespace {

// A one-entry icon file: 2 x 2 pixels of 24 bits with an AND mask making (1, 0) transparent.
std::vector<Byte> make_icon() {
  std::vector<Byte> dib(40);
  put_u32(dib, 0, 40);
  put_u32(dib, 4, 2);
  put_u32(dib, 8, 4);  // height doubled
  put_u16(dib, 12, 1);
  put_u16(dib, 14, 24);
  // XOR rows bottom-up: bottom row blue, green; top row red, white.
  dib.insert(dib.end(), {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0});
  // AND rows bottom-up, 4 bytes each: top row's second pixel set.
  dib.insert(dib.end(), {0, 0, 0, 0, 0x40, 0, 0, 0});
  std::vector<Byte> f(6 + 16);
  put_u16(f, 2, 1);
  put_u16(f, 4, 1);
  f[6] = 2;
  f[7] = 2;
  put_u16(f, 10, 1);
  put_u16(f, 12, 24);
  put_u32(f, 14, static_cast<std::uint32_t>(dib.size()));
  put_u32(f, 18, 22);
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

}  // namespace

TEST(Icons, LoadDrawAndSaveUnchanged) {
  std::vector<Byte> file = make_icon();
  TBytesStream s(file.data(), static_cast<Int64>(file.size()));
  TIcon icon;
  icon.LoadFromStream(s);
  ASSERT_EQ(icon.Width(), 2);
  ASSERT_EQ(icon.Height(), 2);
  EXPECT_EQ(icon.PixelArgb(0, 0), 0xFFFF0000u);
  EXPECT_EQ(icon.PixelArgb(1, 0) >> 24, 0u);
  EXPECT_EQ(icon.PixelArgb(0, 1), 0xFF0000FFu);
  TMemoryStream out;
  icon.SaveToStream(out);
  EXPECT_EQ(bytes_of(out), file);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(2, 2);
  b.Canvas()->Brush().SetColor(clLime);
  b.Canvas()->FillRect(TRect{0, 0, 2, 2});
  b.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), clLime);
  EXPECT_THROW(icon.SetWidth(3), EInvalidGraphicOperation);
  std::vector<Byte> bad = file;
  put_u32(bad, 18, 5000);
  TBytesStream bs(bad.data(), static_cast<Int64>(bad.size()));
  EXPECT_THROW(icon.LoadFromStream(bs), EInvalidGraphic);
  EXPECT_EQ(icon.Width(), 2);  // the icon is kept

  // Entries past the decompression-bomb limit are refused with the size they declare: a bitmap
  // entry of 20000 x 40000 (the height counts the mask too) and a PNG entry of 20000 x 20000.
  auto too_large = [&](const std::vector<Byte>& f) {
    TBytesStream in(f.data(), static_cast<Int64>(f.size()));
    try {
      icon.LoadFromStream(in);
    } catch (const EInvalidGraphic& e) {
      return e.Message();
    }
    return std::string("loaded");
  };
  std::vector<Byte> big = file;
  put_u32(big, 22 + 4, 20000);
  put_u32(big, 22 + 8, 40000);
  EXPECT_EQ(too_large(big), "An image of 20000 x 20000 pixels is too large");
  const Byte png_head[] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                           0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20, 8, 6, 0, 0, 0, 0, 0, 0, 0};
  std::vector<Byte> png_icon(file.begin(), file.begin() + 22);
  put_u32(png_icon, 14, sizeof png_head);
  png_icon.insert(png_icon.end(), std::begin(png_head), std::end(png_head));
  EXPECT_EQ(too_large(png_icon), "An image of 20000 x 20000 pixels is too large");
  EXPECT_EQ(icon.Width(), 2);

  // A 32-bit entry with unusual colour masks (red 0xFF000000, green 0xFF0000, blue 0xFF00) is
  // read into 24 bits: its colours come through, and the AND mask (all clear) makes it opaque.
  std::vector<Byte> dib(40 + 12);
  put_u32(dib, 0, 40);
  put_u32(dib, 4, 2);
  put_u32(dib, 8, 2);  // height doubled
  put_u16(dib, 12, 1);
  put_u16(dib, 14, 32);
  put_u32(dib, 16, BI_BITFIELDS);
  put_u32(dib, 40, 0xFF000000u);
  put_u32(dib, 44, 0x00FF0000u);
  put_u32(dib, 48, 0x0000FF00u);
  dib.insert(dib.end(), {0x00, 0x33, 0x22, 0x11, 0x00, 0x66, 0x55, 0x44});  // 0x11223300, 0x44556600
  dib.insert(dib.end(), {0, 0, 0, 0});                                      // AND row
  std::vector<Byte> masked(6 + 16);
  put_u16(masked, 2, 1);
  put_u16(masked, 4, 1);
  masked[6] = 2;
  masked[7] = 1;
  put_u16(masked, 10, 1);
  put_u16(masked, 12, 32);
  put_u32(masked, 14, static_cast<std::uint32_t>(dib.size()));
  put_u32(masked, 18, 22);
  masked.insert(masked.end(), dib.begin(), dib.end());
  TBytesStream ms(masked.data(), static_cast<Int64>(masked.size()));
  icon.LoadFromStream(ms);
  ASSERT_EQ(icon.Width(), 2);
  EXPECT_EQ(icon.PixelArgb(0, 0), 0xFF112233u);
  EXPECT_EQ(icon.PixelArgb(1, 0), 0xFF445566u);
}

TEST(Pictures, ClassesByExtension) {
  hw_test::ScratchDir dir;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 3);
  b.SaveToFile(dir.file("a.BMP"));
  TPicture p;
  p.LoadFromFile(dir.file("a.BMP"));
  ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
  EXPECT_EQ(p.Width(), 3);
  EXPECT_THROW(p.LoadFromFile(dir.file("a.xyz")), EInvalidGraphic);
  EXPECT_EQ(p.Width(), 3);
  // A later registration wins.
  struct Marked : TBitmap {
    std::string ClassName() const override { return "Marked"; }
  };
  TPicture::RegisterFileFormat(".bmp", "Marked bitmaps", "Marked", [] { return std::unique_ptr<TGraphic>(new Marked); });
  p.LoadFromFile(dir.file("a.BMP"));
  EXPECT_EQ(p.Graphic()->ClassName(), "Marked");
  TPicture::UnregisterGraphicClass("Marked");
  p.LoadFromFile(dir.file("a.BMP"));
  EXPECT_EQ(p.Graphic()->ClassName(), "TBitmap");
  EXPECT_NE(TPicture::FindFileFormat("ICO"), nullptr);
  EXPECT_NE(TPicture::FindFileFormat(".gif"), nullptr);
}

TEST(Pictures, GifFilesLoadWithTheirTransparency) {
  // A 1 x 1 GIF with a two-colour table (white, black) and pixel index 0.
  std::vector<Byte> gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0xFF,
                           0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
                           0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
  {
    TBytesStream s(gif.data(), static_cast<Int64>(gif.size()));
    TGIFImage g;
    g.LoadFromStream(s);
    EXPECT_EQ(g.Width(), 1);
    EXPECT_FALSE(g.Transparent());
    EXPECT_EQ(g.Bitmap().Canvas()->Pixels(0, 0), clWhite);
  }
  {
    // A screen of 20000 x 20000 is past the decompression-bomb limit: refused with its size.
    std::vector<Byte> big = gif;
    big[6] = big[8] = 0x20;
    big[7] = big[9] = 0x4E;
    TBytesStream s(big.data(), static_cast<Int64>(big.size()));
    TGIFImage g;
    try {
      g.LoadFromStream(s);
      ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "An image of 20000 x 20000 pixels is too large");
    }
  }
  gif[22] = 0x01;  // index 0 is transparent
  {
    TBytesStream s(gif.data(), static_cast<Int64>(gif.size()));
    TGIFImage g;
    g.LoadFromStream(s);
    EXPECT_TRUE(g.Transparent());
    EXPECT_EQ(g.Bitmap().Canvas()->Pixels(0, 0), g.Bitmap().TransparentColor());
  }
  TGIFImage g;
  TBytesStream s("GIF89a", 6);
  EXPECT_THROW(g.LoadFromStream(s), EInvalidGraphic);
}

TEST(Clipboard, BitmapsGoThroughTheSystemClipboard) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 2);
  b.Canvas()->SetPixels(2, 1, RGB(1, 2, 3));
  Clipboard()->Assign(&b);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_DIB));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_PALETTE));
  TBitmap back;
  Clipboard()->AssignTo(&back);
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Canvas()->Pixels(2, 1), RGB(1, 2, 3));
  Clipboard()->Open();
  HGLOBAL dib = gdi_as_global(Clipboard()->GetAsHandle(CF_DIB));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(GlobalSize(dib), 40u + 12u * 2u);  // rows of 9 bytes padded to 12
  Clipboard()->Close();
  EXPECT_FALSE(gdi_is_live(dib));  // the clipboard owned it
  EXPECT_THROW(Clipboard()->SetAsHandle(CF_BITMAP, nullptr), EClipboardException);
}
