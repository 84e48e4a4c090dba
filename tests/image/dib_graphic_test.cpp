#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "common/test_env.hpp"
#include "image/dib_graphic.hpp"
#include "platform/forms.hpp"

namespace {

PALETTEENTRY entry(const TMaxLogPalette& p, int i) { return p.palPalEntry[i]; }
bool same(PALETTEENTRY e, int r, int g, int b) { return e.peRed == r && e.peGreen == g && e.peBlue == b && e.peFlags == 0; }

// A format whose files are one byte per page (the page's height minus one) and whose page
// count is set by the test.
class PagedGraphic : public TDibGraphic {
public:
  static inline int pages = 1;
  std::string ClassName() const override { return "PagedGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<PagedGraphic>(); }
  int GetImageCount(TStream&) override { return pages; }
  void SingleLoadFromStream(TStream& stream, int page) override {
    Byte b = 0;
    stream.ReadBuffer(&b, 1);
    NewImage(page, 1 + b, ifGray256, nullptr, 0, 0);
  }
};

}  // namespace

TEST(PictureFormats, NamesBitsAndInvalidValues) {
  EXPECT_EQ(ImageFormatName(ifBlackWhite), "Black and white");
  EXPECT_EQ(ImageFormatName(ifGray16), "16 shades of gray");
  EXPECT_EQ(ImageFormatName(ifColor256), "256 color");
  EXPECT_EQ(ImageFormatName(ifTrueColor), "True color");
  EXPECT_EQ(ImageFormatBits(ifGray16), 4);
  EXPECT_THROW(ImageFormatBits(static_cast<TImageFormat>(6)), EZuroroveError);
  TDibGraphic g;
  try {
    g.NewImage(1, 1, static_cast<TImageFormat>(9), nullptr, 0, 0);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Internal error: Invalid image format");
  }
  EXPECT_EQ(Rgb(1, 2, 3).Value(), 0x010203u);
  EXPECT_EQ(RgbToColor(Rgb(1, 2, 3)), 0x030201);
}

TEST(DefaultPalettes, AsGiven) {
  const TMaxLogPalette& bw = DefaultPalette(ifBlackWhite);
  EXPECT_EQ(bw.palNumEntries, 2);
  EXPECT_TRUE(same(entry(bw, 1), 255, 255, 255));
  const TMaxLogPalette& g16 = DefaultPalette(ifGray16);
  EXPECT_EQ(g16.palNumEntries, 16);
  EXPECT_TRUE(same(entry(g16, 15), 255, 255, 255));
  EXPECT_TRUE(same(entry(g16, 3), 51, 51, 51));
  EXPECT_TRUE(same(entry(DefaultPalette(ifGray256), 200), 200, 200, 200));
  const TMaxLogPalette& c16 = DefaultPalette(ifColor16);
  EXPECT_TRUE(same(entry(c16, 6), 170, 85, 0));
  EXPECT_TRUE(same(entry(c16, 9), 85, 85, 255));
  const TMaxLogPalette& v = DefaultPalette(ifColor256);
  EXPECT_EQ(v.palNumEntries, 256);
  EXPECT_TRUE(same(entry(v, 6), 170, 85, 0));      // the 16 colours first
  EXPECT_TRUE(same(entry(v, 16), 0, 0, 0));        // the grey ramp
  EXPECT_TRUE(same(entry(v, 23), 97, 97, 97));
  EXPECT_TRUE(same(entry(v, 30), 227, 179, 179));  // one of the three exceptions
  EXPECT_TRUE(same(entry(v, 31), 255, 255, 255));
  // First ring (0, 65, 125, 190, 255): k = 0 (L0, L0, L4), k = 4 (L4, L0, L4), k = 8 (L4, L0, L0),
  // k = 12 (L4, L4, L0), k = 16 (L0, L4, L0), k = 20 (L0, L4, L4), k = 23 (L0, L1, L4).
  EXPECT_TRUE(same(entry(v, 32), 0, 0, 255));
  EXPECT_TRUE(same(entry(v, 33), 65, 0, 255));
  EXPECT_TRUE(same(entry(v, 36), 255, 0, 255));
  EXPECT_TRUE(same(entry(v, 37), 255, 0, 190));
  EXPECT_TRUE(same(entry(v, 40), 255, 0, 0));
  EXPECT_TRUE(same(entry(v, 44), 255, 255, 0));
  EXPECT_TRUE(same(entry(v, 45), 190, 255, 0));
  EXPECT_TRUE(same(entry(v, 48), 0, 255, 0));
  EXPECT_TRUE(same(entry(v, 52), 0, 255, 255));
  EXPECT_TRUE(same(entry(v, 53), 0, 190, 255));
  EXPECT_TRUE(same(entry(v, 55), 0, 65, 255));
  // Second ring (125, 158, 190, 223, 255) starts at 56; entry 85 is an exception in the third.
  EXPECT_TRUE(same(entry(v, 56), 125, 125, 255));
  EXPECT_TRUE(same(entry(v, 85), 223, 182, 235));
  EXPECT_TRUE(same(entry(v, 96), 182, 223, 182));
  EXPECT_TRUE(same(entry(v, 97), 182, 255, 199));  // third ring (182, 199, 219, 235, 255), k = 17: (L0, L4, L1)
  // Last ring (44, 48, 52, 60, 65), k = 23 at entry 247: (L0, L1, L4); then black.
  EXPECT_TRUE(same(entry(v, 247), 44, 48, 65));
  EXPECT_TRUE(same(entry(v, 248), 0, 0, 0));
  EXPECT_TRUE(same(entry(v, 255), 0, 0, 0));
  EXPECT_THROW(DefaultPalette(ifTrueColor), EZuroroveError);
}

TEST(NewImage, LayoutPaletteAndResolution) {
  TDibGraphic g;
  EXPECT_TRUE(g.Empty());
  g.NewImage(1, 1, ifBlackWhite, nullptr, 0, 0);
  EXPECT_EQ(g.ScanLineSize(), 4);
  EXPECT_EQ(g.Palette().palNumEntries, 2);
  EXPECT_EQ(g.Palette().palVersion, 0x300);
  EXPECT_EQ(g.BitmapInfo().bmiHeader.biClrUsed, 2u);
  EXPECT_EQ(g.BitmapInfo().bmiColors[1].rgbRed, 255);
  EXPECT_EQ(g.XDotsPerInch(), 96);  // the screen's
  EXPECT_EQ(g.BitmapInfo().bmiHeader.biXPelsPerMeter, 3780);
  g.NewImage(3, 2, ifTrueColor, nullptr, 300, 72);
  EXPECT_EQ(g.ScanLineSize(), 12);
  EXPECT_EQ(g.BitmapInfo().bmiHeader.biSizeImage, 24u);
  EXPECT_EQ(g.BitmapInfo().bmiHeader.biClrUsed, 0u);
  EXPECT_EQ(g.XDotsPerInch(), 300);
  EXPECT_EQ(g.YDotsPerInch(), 72);
  EXPECT_EQ(g.RgbToPaletteConverter(), nullptr);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(g.Bits()[i], 0);
  // The top row is the last in memory.
  EXPECT_EQ(g.GetScanLine(1), g.Bits());
  g.SetPixel(0, 0, Rgb(10, 20, 30));
  EXPECT_EQ(g.Bits()[12], 30);
  EXPECT_EQ(g.Bits()[14], 10);
  EXPECT_EQ(g.GetPixel(0, 0), Rgb(10, 20, 30));
  EXPECT_THROW(g.SetWidth(5), EZuroroveError);
  EXPECT_THROW(g.GetPaletteIndex(0, 0), EZuroroveError);
}

TEST(NewImage, BadSizesRaiseAndLeaveThePicture) {
  TDibGraphic g;
  g.NewImage(2, 2, ifGray16, nullptr, 0, 0);
  EXPECT_THROW(g.NewImage(0, 5, ifTrueColor, nullptr, 0, 0), EZuroroveError);
  EXPECT_THROW(g.NewImage(5, -1, ifTrueColor, nullptr, 0, 0), EZuroroveError);
  EXPECT_THROW(g.NewImage(50000, 50000, ifTrueColor, nullptr, 0, 0), EZuroroveError);
  EXPECT_EQ(g.Width(), 2);
  EXPECT_EQ(g.ImageFormat(), ifGray16);
}

TEST(NewImage, OwnPaletteAsArgument) {
  TDibGraphic g;
  TMaxLogPalette p{};
  p.palNumEntries = 3;
  p.palPalEntry[2] = PALETTEENTRY{1, 2, 3, 0};
  g.NewImage(4, 4, ifColor256, &p, 0, 0);
  EXPECT_EQ(g.Palette().palNumEntries, 3);
  g.NewImage(6, 1, ifColor256, g.PalettePtr(), 0, 0);
  EXPECT_EQ(g.Palette().palNumEntries, 3);
  EXPECT_TRUE(same(g.Palette().palPalEntry[2], 1, 2, 3));
  EXPECT_EQ(g.BitmapInfo().bmiColors[2].rgbBlue, 3);
}

TEST(PixelAccess, EveryDepth) {
  for (TImageFormat f : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256}) {
    TDibGraphic g;
    g.NewImage(9, 3, f, nullptr, 0, 0);
    int max = (1 << ImageFormatBits(f)) - 1;
    for (int x = 0; x < 9; ++x) g.SetPaletteIndex(x, 1, static_cast<Byte>((x * 5) & max));
    for (int x = 0; x < 9; ++x) EXPECT_EQ(g.GetPaletteIndex(x, 1), (x * 5) & max);
    EXPECT_EQ(g.GetPaletteIndex(3, 0), 0);
    PALETTEENTRY e = g.Palette().palPalEntry[(4 * 5) & max];
    EXPECT_EQ(g.GetPixel(4, 1), Rgb(e.peRed, e.peGreen, e.peBlue));
  }
  // Bit order: most significant first; nibbles high first.
  TDibGraphic bw;
  bw.NewImage(8, 1, ifBlackWhite, nullptr, 0, 0);
  bw.SetPaletteIndex(1, 0, 7);  // any non-zero value sets the bit
  EXPECT_EQ(bw.Bits()[0], 0x40);
  TDibGraphic n;
  n.NewImage(2, 1, ifColor16, nullptr, 0, 0);
  n.SetPaletteIndex(0, 0, 0xA);
  n.SetPaletteIndex(1, 0, 0x3);
  EXPECT_EQ(n.Bits()[0], 0xA3);
  // Colours on palette pictures take the nearest entry.
  n.SetPixel(0, 0, Rgb(250, 80, 90));
  EXPECT_EQ(n.GetPaletteIndex(0, 0), 12);
}

TEST(PixelAccess, FillWritesEveryRow) {
  TDibGraphic g;
  g.NewImage(5, 4, ifTrueColor, nullptr, 0, 0);
  g.Fill(Rgb(7, 8, 9));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(g.GetPixel(x, y), Rgb(7, 8, 9));
  TDibGraphic empty;
  empty.Fill(Rgb(1, 1, 1));
  EXPECT_TRUE(empty.Empty());
}

TEST(NearestColour, CacheAndTies) {
  TMaxLogPalette p{};
  p.palNumEntries = 4;
  p.palPalEntry[0] = PALETTEENTRY{0, 0, 0, 0};
  p.palPalEntry[1] = PALETTEENTRY{10, 0, 0, 0};
  p.palPalEntry[2] = PALETTEENTRY{30, 0, 0, 0};
  p.palPalEntry[3] = PALETTEENTRY{10, 0, 0, 0};
  TRgbToPaletteConverter c(&p);
  EXPECT_EQ(c.GetIndex(Rgb(20, 0, 0)), 1);  // 1 and 2 are equally near: the lower wins
  EXPECT_EQ(c.GetIndex(Rgb(10, 0, 0)), 1);  // the first exact match ends the walk
  EXPECT_EQ(c.Misses, 2);
  EXPECT_EQ(c.GetIndex(Rgb(20, 0, 0)), 1);
  EXPECT_EQ(c.Hits, 1);
  // Filler is part of the key: a separate slot and a separate miss.
  TRgb f = Rgb(20, 0, 0);
  f.Filler = 1;
  EXPECT_EQ(c.GetIndex(f), 1);
  EXPECT_EQ(c.Misses, 3);
  EXPECT_EQ(c.Cache[f.Value() % 1020].Key, f.Value());
  EXPECT_EQ(c.Cache[Rgb(20, 0, 0).Value() % 1020].Index, 1);
  // Colours 1020 apart share a slot and replace each other.
  TRgb a{0, 0, 0, 0}, b{0xFC, 0x03, 0, 0};  // 0 and 1020
  c.GetIndex(a);
  c.GetIndex(b);
  int misses = c.Misses;
  c.GetIndex(a);
  EXPECT_EQ(c.Misses, misses + 1);
  TMaxLogPalette none{};
  TRgbToPaletteConverter e(&none);
  EXPECT_EQ(e.GetIndex(Rgb(1, 2, 3)), 0);
}

TEST(Loading, EmptyInputClearsThePicture) {
  TDibGraphic g;
  g.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
  TMemoryStream empty;
  g.LoadFromStream(empty);
  EXPECT_TRUE(g.Empty());
  hw_test::ScratchDir dir;
  std::string name = dir.file("zero.bin");
  { TFileStream f(name, fmCreate); }
  g.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
  g.LoadFromFile(name);
  EXPECT_TRUE(g.Empty());
  // The base class reads nothing and cannot save.
  try {
    g.SaveToStream(empty);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Saving to format  is not supported");
  }
  try {
    g.AppendToStream(empty);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "The TDibGraphic format does not support multiple images");
  }
}

TEST(Loading, MultiPageFilesBecomeFrames) {
  Byte data[3] = {4, 0, 0};
  PagedGraphic::pages = 3;
  PagedGraphic g;
  g.SetMultiLoad(true);
  TBytesStream s(data, 3);
  g.LoadFromStream(s);
  ASSERT_EQ(g.FrameCount(), 3);
  EXPECT_TRUE(g.MultiLoad());
  EXPECT_EQ(g.CurrentFrame(), 1);
  EXPECT_EQ(g.Width(), 1);  // frame 1 is shown
  EXPECT_EQ(g.Height(), 5);
  EXPECT_EQ(g.GetFrame(3)->Width(), 3);
  EXPECT_EQ(g.GetFrame(3)->Height(), 5);  // every page read from the same start
  EXPECT_EQ(g.GetFrame(2)->ClassName(), "PagedGraphic");
  EXPECT_THROW(g.GetFrame(4), EZuroroveError);
  int changes = 0;
  g.OnChange = [&](TObject*) { ++changes; };
  g.SetCurrentFrame(1);
  EXPECT_EQ(changes, 0);
  g.SetCurrentFrame(2);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(g.Width(), 2);
  try {
    g.SetCurrentFrame(0);
    FAIL();
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Frame 0 does not exist");
  }
  // After the frames are dropped a new multi-page load shows its first page again.
  g.ClearFrames();
  s.SetPosition(0);
  g.LoadFromStream(s);
  EXPECT_EQ(g.Width(), 1);
}

TEST(Loading, FewerThanTwoPagesLoadAsOnePicture) {
  Byte data[1] = {1};
  for (int pages : {1, 0}) {
    PagedGraphic::pages = pages;
    PagedGraphic g;
    g.SetMultiLoad(true);
    g.SetImageToLoad(7);
    TBytesStream s(data, 1);
    g.LoadFromStream(s);
    EXPECT_FALSE(g.MultiLoad());
    EXPECT_EQ(g.FrameCount(), 0);
    EXPECT_EQ(g.Width(), 7);  // the single load of ImageToLoad, from the start of the stream
    EXPECT_EQ(g.Height(), 2);
  }
}

TEST(Drawing, PlainTransparentAndAfterDraw) {
  TDibGraphic g;
  g.NewImage(2, 2, ifColor16, nullptr, 0, 0);
  g.SetPaletteIndex(0, 0, 12);  // (255, 85, 85)
  g.SetPaletteIndex(1, 0, 15);  // white
  g.SetPaletteIndex(0, 1, 15);  // bottom-left: white
  g.SetPaletteIndex(1, 1, 1);   // (0, 0, 170)
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(4, 4);
  target.Canvas()->Brush().SetColor(clLime);
  target.Canvas()->FillRect(TRect{0, 0, 4, 4});
  int draws = 0;
  g.AfterDraw = [&](TObject* sender) {
    EXPECT_EQ(sender, &g);
    ++draws;
  };
  g.SetTransparent(true);
  g.Draw(*target.Canvas(), TRect{0, 0, 4, 4});
  TCanvas& c = *target.Canvas();
  EXPECT_EQ(c.Pixels(0, 0), RGB(255, 85, 85));
  EXPECT_EQ(c.Pixels(3, 0), clLime);  // white is transparent
  EXPECT_EQ(c.Pixels(1, 3), clLime);
  EXPECT_EQ(c.Pixels(3, 3), RGB(0, 0, 170));
  g.SetTransparentPixel(tpBottomRight);
  g.Draw(c, TRect{0, 0, 4, 4});
  EXPECT_EQ(c.Pixels(3, 0), clWhite);
  g.SetTransparentPixel(static_cast<TTransparentPixel>(9));
  EXPECT_THROW(g.Draw(c, TRect{0, 0, 4, 4}), Exception);
  g.SetTransparent(false);
  g.Draw(c, TRect{0, 0, 2, 2});
  EXPECT_EQ(c.Pixels(1, 0), clWhite);
  EXPECT_EQ(draws, 3);
}

TEST(PaletteWorker, RunsOnPaletteDisplaysOnly) {
  TDibGraphic g;
  g.NewImage(8, 8, ifTrueColor, nullptr, 0, 0);
  g.Fill(Rgb(200, 16, 40));
  g.SetPixel(0, 0, Rgb(8, 8, 248));
  TBitmap target;
  target.SetSize(8, 8);
  g.Draw(*target.Canvas(), TRect{0, 0, 8, 8});
  EXPECT_FALSE(g.QuantizeStarted());
  gdi_force_palette_device(true);
  int changes = 0;
  g.OnChange = [&](TObject*) { ++changes; };
  g.Draw(*target.Canvas(), TRect{0, 0, 8, 8});
  EXPECT_TRUE(g.QuantizeStarted());
  gdi_force_palette_device(false);
  for (int i = 0; i < 500 && !g.GetPalette(); ++i) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_NE(g.GetPalette(), nullptr);
  EXPECT_EQ(changes, 1);
  PALETTEENTRY e[256];
  UINT n = GetPaletteEntries(g.GetPalette(), 0, 256, e);
  ASSERT_GE(n, 1u);
  bool found = false;
  for (UINT i = 0; i < n; ++i) found |= e[i].peRed == 200 && e[i].peGreen == 16 && e[i].peBlue == 40;
  EXPECT_TRUE(found);
}

TEST(PaletteWorker, ADestroyedPictureIsNotTouched) {
  // A picture goes while its palette is computed; a new one of the same image takes its place
  // in memory. The old picture's palette must not reach it.
  gdi_force_palette_device(true);
  TBitmap target;
  target.SetSize(4, 4);
  alignas(TDibGraphic) unsigned char place[sizeof(TDibGraphic)];
  auto* g = new (place) TDibGraphic;
  g->NewImage(64, 64, ifTrueColor, nullptr, 0, 0);
  g->Draw(*target.Canvas(), TRect{0, 0, 4, 4});
  EXPECT_TRUE(g->QuantizeStarted());
  g->~TDibGraphic();
  auto* next = new (place) TDibGraphic;
  next->NewImage(64, 64, ifTrueColor, nullptr, 0, 0);
  int changes = 0;
  next->OnChange = [&](TObject*) { ++changes; };
  // A larger picture started later gets its palette after the one that went.
  TDibGraphic witness;
  witness.NewImage(300, 300, ifTrueColor, nullptr, 0, 0);
  witness.Draw(*target.Canvas(), TRect{0, 0, 4, 4});
  gdi_force_palette_device(false);
  for (int i = 0; i < 1000 && !witness.GetPalette(); ++i) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Application->ProcessMessages();
  EXPECT_NE(witness.GetPalette(), nullptr);
  EXPECT_EQ(next->GetPalette(), nullptr);
  EXPECT_EQ(changes, 0);
  next->~TDibGraphic();
}

TEST(Conversion, SameFormatCopiesOtherFormatConverts) {
  TDibGraphic g;
  g.NewImage(3, 1, ifTrueColor, nullptr, 72, 72);
  g.SetPixel(1, 0, Rgb(255, 255, 255));
  auto same_fmt = ConvertImageFormat(g, ifTrueColor, [] { return std::make_unique<TDibGraphic>(); });
  EXPECT_EQ(same_fmt->GetPixel(1, 0), Rgb(255, 255, 255));
  EXPECT_EQ(same_fmt->XDotsPerInch(), 72);
  auto bw = ConvertImageFormat(g, ifBlackWhite, [] { return std::make_unique<PagedGraphic>(); });
  EXPECT_EQ(bw->ClassName(), "PagedGraphic");
  EXPECT_EQ(bw->ImageFormat(), ifBlackWhite);
  EXPECT_EQ(bw->GetPaletteIndex(1, 0), 1);
  EXPECT_EQ(bw->GetPaletteIndex(0, 0), 0);
}
