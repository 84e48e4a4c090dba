// Decoding real files made by ImageMagick and libtiff's tools through the codec layer: pixels,
// pixel formats, compositing, embedded streams, pages, progress and the GDI+ fallback.
#include <gtest/gtest.h>

#include "codec_test_files.hpp"
#include "common/test_env.hpp"
#include "image/freeimage_api.hpp"
#include "image/freeimage_codec.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"

using namespace codec_test;

namespace {

class CodecLoad : public ::testing::Test {
protected:
  // Writes the raster as PPM/PGM/PAM and converts it into `name` with `options`, whose last
  // word may name ImageMagick's output coder ("PNG8:").
  std::string convert(const raster& r, std::string options, const std::string& name) {
    std::string in = dir.file(name + (r.channels == 1 ? ".in.pgm" : r.channels == 3 ? ".in.ppm" : ".in.pam"));
    write_netpbm(in, r);
    std::string coder;
    std::size_t space = options.rfind(' ');
    std::size_t start = space == std::string::npos ? 0 : space + 1;
    if (!options.empty() && options.back() == ':') {
      coder = options.substr(start);
      options.erase(start);
    }
    std::string out = dir.file(name);
    run("convert '" + in + "' " + options + " " + coder + "'" + out + "'");
    return out;
  }

  template <class T>
  std::unique_ptr<T> load(const std::string& path, int page = 1) {
    auto picture = std::make_unique<T>();
    TMemoryStream stream;
    load_stream(stream, path);
    picture->SingleLoadFromStream(stream, page);
    return picture;
  }

  // Decodes a file with a FreeImage id that has no format class (BMP, GIF).
  std::unique_ptr<TDibGraphic> load_id(const std::string& path, int fif) {
    auto picture = std::make_unique<TDibGraphic>();
    TMemoryStream stream;
    load_stream(stream, path);
    LoadDibFromStream(stream, fif, 1, 0, *picture, nullptr, nullptr, nullptr);
    return picture;
  }

  hw_test::ScratchDir dir;
};

raster grey_ramp() {
  return make_raster(256, 2, 1, [](int x, int y) { return std::vector<Byte>{static_cast<Byte>(y == 0 ? x : 255 - x)}; });
}

// RGBA with a transparent column at x = 1 and a transparent pixel at (3, 2).
raster with_holes(int w, int h) {
  raster base = pattern(w, h);
  return make_raster(w, h, 4, [&](int x, int y) {
    Byte a = (x == 1 || (x == 3 && y == 2)) ? 0 : 255;
    return std::vector<Byte>{base.at(x, y, 0), base.at(x, y, 1), base.at(x, y, 2), a};
  });
}

// What a picture with holes shows over `bg`.
raster over(const raster& rgba, TRgb bg) {
  return make_raster(rgba.width, rgba.height, 3, [&](int x, int y) {
    if (rgba.at(x, y, 3) == 0) return std::vector<Byte>{bg.Red, bg.Green, bg.Blue};
    return std::vector<Byte>{rgba.at(x, y, 0), rgba.at(x, y, 1), rgba.at(x, y, 2)};
  });
}

// Stands in a FreeImage_LoadFromHandle that decodes nothing, for the life of the object.
class no_freeimage_decoding {
public:
  no_freeimage_decoding() : saved_(FreeImageLibrary().MutableEntries().FreeImage_LoadFromHandle) {
    FreeImageLibrary().MutableEntries().FreeImage_LoadFromHandle =
        [](FREE_IMAGE_FORMAT, FreeImageIO*, fi_handle, int) -> FIBITMAP* { return nullptr; };
  }
  ~no_freeimage_decoding() { FreeImageLibrary().MutableEntries().FreeImage_LoadFromHandle = saved_; }

private:
  decltype(TFreeImageEntries::FreeImage_LoadFromHandle) saved_;
};

}  // namespace

// ---- PNG

TEST_F(CodecLoad, PalettePngKeepsItsPaletteAndColours) {
  raster r = blocks(40, 40);
  std::string file = convert(r, "-define png:bit-depth=8 PNG8:", "palette.png");
  auto p = load<TPngGraphic>(file);
  EXPECT_EQ(p->ImageFormat(), ifColor256);
  expect_pixels(*p, r);
  // Red stays red: the palette is taken as blue, green, red.
  EXPECT_EQ(p->GetPixel(0, 0), Rgb(200, 30, 40));
}

TEST_F(CodecLoad, GreyPngBecomesAGreyPicture) {
  raster r = grey_ramp();
  std::string file = convert(r, "-define png:color-type=0 -define png:bit-depth=8", "grey.png");
  auto p = load<TPngGraphic>(file);
  EXPECT_EQ(p->ImageFormat(), ifGray256);
  expect_pixels(*p, r);
}

TEST_F(CodecLoad, SixteenBitPngsAreReducedToEightBits) {
  raster rgb = pattern(9, 7);
  auto p = load<TPngGraphic>(convert(rgb, "-depth 16 PNG48:", "rgb16.png"));
  EXPECT_EQ(p->ImageFormat(), ifTrueColor);
  expect_pixels(*p, rgb, 0, "RGB 16");

  raster grey = grey_ramp();  // 0 and 65535 both occur, so linear scaling is exact
  auto g = load<TPngGraphic>(convert(grey, "-depth 16 -define png:color-type=0", "grey16.png"));
  EXPECT_EQ(g->ImageFormat(), ifGray256);
  expect_pixels(*g, grey, 0, "grey 16");
}

TEST_F(CodecLoad, TransparentPngIsCompositedOntoTheFileBackground) {
  raster r = with_holes(6, 4);
  std::string file = convert(r, "-background '#00FF00' PNG32:", "alpha.png");
  auto p = load<TPngGraphic>(file);
  EXPECT_EQ(p->ImageFormat(), ifTrueColor);
  expect_pixels(*p, over(r, Rgb(0, 255, 0)), 0, "file background");

  // OverwriteFileBackground puts the picture's own background in.
  TPngGraphic own;
  own.SetOverwriteFileBackground(true);
  own.SetBackgroundColor(Rgb(10, 20, 250));
  TMemoryStream s;
  load_stream(s, file);
  own.SingleLoadFromStream(s, 1);
  expect_pixels(own, over(r, Rgb(10, 20, 250)), 0, "own background");
}

TEST_F(CodecLoad, TransparentPngWithoutBackgroundChunkGoesOntoWhite) {
  raster r = with_holes(6, 4);
  auto p = load<TPngGraphic>(convert(r, "-define png:exclude-chunk=bKGD PNG32:", "nobkgd.png"));
  expect_pixels(*p, over(r, Rgb(255, 255, 255)));
}

TEST_F(CodecLoad, SixteenBitPngWithAlphaLoadsComposited) {
  raster r = with_holes(7, 5);
  auto p = load<TPngGraphic>(convert(r, "-depth 16 -define png:exclude-chunk=bKGD PNG64:", "rgba16.png"));
  EXPECT_EQ(p->ImageFormat(), ifTrueColor);
  expect_pixels(*p, over(r, Rgb(255, 255, 255)));
}

TEST_F(CodecLoad, InterlacedPngLoadsLikeAPlainOne) {
  raster r = pattern(23, 17);
  auto p = load<TPngGraphic>(convert(r, "-interlace PNG PNG24:", "adam7.png"));
  expect_pixels(*p, r);
}

TEST_F(CodecLoad, LoadingReportsZeroEightyAndHundred) {
  std::string file = convert(pattern(5, 5), "PNG24:", "progress.png");
  TPngGraphic p;
  progress_log log;
  p.OnReadWriteProgress = log.handler();
  TMemoryStream s;
  load_stream(s, file);
  p.SingleLoadFromStream(s, 1);
  EXPECT_EQ(log.percents, (std::vector<int>{0, 80, 100}));
}

// ---- JPEG

TEST_F(CodecLoad, JpegLoadsCloseToItsSource) {
  raster r = blocks(64, 48);
  auto p = load<TJpegGraphic>(convert(r, "-quality 98", "photo.jpg"));
  EXPECT_EQ(p->ImageFormat(), ifTrueColor);
  expect_pixels(*p, r, 12);

  raster grey = make_raster(32, 16, 1, [](int x, int) { return std::vector<Byte>{static_cast<Byte>(x < 16 ? 40 : 200)}; });
  auto g = load<TJpegGraphic>(convert(grey, "-quality 98 -colorspace Gray", "grey.jpg"));
  EXPECT_EQ(g->ImageFormat(), ifGray256);
  expect_pixels(*g, grey, 12);
}

// ---- TIFF

TEST_F(CodecLoad, MultiPageTiffGivesEachPageAndItsCount) {
  raster a = pattern(8, 6);
  raster b = blocks(5, 9);
  write_netpbm(dir.file("a.ppm"), a);
  write_netpbm(dir.file("b.ppm"), b);
  std::string file = dir.file("two.tif");
  run("convert '" + dir.file("a.ppm") + "' '" + dir.file("b.ppm") + "' -compress lzw '" + file + "'");

  TTiffGraphic counter;
  TMemoryStream s;
  load_stream(s, file);
  EXPECT_EQ(counter.GetImageCount(s), 2);
  EXPECT_EQ(s.Position(), 0);

  auto p1 = load<TTiffGraphic>(file, 1);
  expect_pixels(*p1, a, 0, "page 1");
  EXPECT_EQ(p1->Compression(), tcLZW);
  auto p2 = load<TTiffGraphic>(file, 2);
  expect_pixels(*p2, b, 0, "page 2");

  TTiffGraphic p3;
  load_stream(s, file);
  try {
    p3.SingleLoadFromStream(s, 3);
    ADD_FAILURE() << "page 3 loaded";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "Unable to convert to internal bitmap format");
  }

  // Every page as a frame.
  TTiffGraphic all;
  all.SetMultiLoad(true);
  load_stream(s, file);
  all.LoadFromStream(s);
  ASSERT_EQ(all.FrameCount(), 2);
  EXPECT_EQ(all.CurrentFrame(), 1);
  expect_pixels(*all.GetFrame(1), a, 0, "frame 1");
  expect_pixels(*all.GetFrame(2), b, 0, "frame 2");
  expect_pixels(all, a, 0, "current frame");
}

TEST_F(CodecLoad, TiffWithOrientationSixLoadsTurnedAndKeepsItsCompression) {
  raster r = pattern(5, 3);
  std::string file = convert(r, "-compress lzw", "turned.tif");
  run("tiffset -s 274 6 '" + file + "'");
  auto p = load<TTiffGraphic>(file);
  ASSERT_EQ(p->Width(), 3);
  ASSERT_EQ(p->Height(), 5);
  // Row 0 of the file is the right-hand column of the picture: a quarter turn clockwise.
  raster turned = make_raster(3, 5, 3, [&](int x, int y) {
    int sx = y, sy = 2 - x;
    return std::vector<Byte>{r.at(sx, sy, 0), r.at(sx, sy, 1), r.at(sx, sy, 2)};
  });
  expect_pixels(*p, turned);
  EXPECT_EQ(p->Compression(), tcLZW);
}

TEST_F(CodecLoad, TiffCompressionsMapToTheirSettings) {
  raster r = pattern(4, 4);
  EXPECT_EQ(load<TTiffGraphic>(convert(r, "-compress zip", "zip.tif"))->Compression(), tcPackbits);  // tag 8
  EXPECT_EQ(load<TTiffGraphic>(convert(r, "-compress none", "none.tif"))->Compression(), tcNone);
  EXPECT_EQ(load<TTiffGraphic>(convert(r, "-compress rle", "rle.tif"))->Compression(), tcPackbits);
  raster bw = make_raster(16, 4, 1, [](int x, int y) { return std::vector<Byte>{static_cast<Byte>((x + y) % 3 ? 255 : 0)}; });
  auto g4 = load<TTiffGraphic>(convert(bw, "-type bilevel -compress group4", "g4.tif"));
  EXPECT_EQ(g4->Compression(), tcGroup4);
  EXPECT_EQ(g4->ImageFormat(), ifBlackWhite);
  expect_pixels(*g4, bw);
}

TEST_F(CodecLoad, TiffTextTagsAreRead) {
  std::string file = convert(pattern(4, 4), "-compress none", "tags.tif");
  run("tiffset -s 305 'Painter 2' '" + file + "'");
  run("tiffset -s 315 'A. Artist' '" + file + "'");
  run("tiffset -s 269 'The document' '" + file + "'");
  TTiffGraphic p;
  p.ScannerMakeTag = "kept";
  TMemoryStream s;
  load_stream(s, file);
  p.SingleLoadFromStream(s, 1);
  EXPECT_EQ(p.SoftwareTag, "Painter 2");
  EXPECT_EQ(p.ArtistTag, "A. Artist");
  EXPECT_EQ(p.DocumentNameTag, "The document");
  EXPECT_EQ(p.ScannerMakeTag, "kept");  // absent tags leave their property
}

// ---- PBM, PGM, PPM

TEST_F(CodecLoad, AllSixNetpbmVariantsLoad) {
  raster colour = pattern(7, 5);
  raster grey = make_raster(7, 5, 1, [](int x, int y) { return std::vector<Byte>{static_cast<Byte>(x * 30 + y * 7)}; });
  raster bw = make_raster(11, 3, 1, [](int x, int y) { return std::vector<Byte>{static_cast<Byte>((x * y) % 2 ? 0 : 255)}; });
  expect_pixels(*load<TPpmGraphic>(convert(bw, "-compress none", "p1.pbm")), bw, 0, "P1");
  expect_pixels(*load<TPpmGraphic>(convert(grey, "-compress none", "p2.pgm")), grey, 0, "P2");
  expect_pixels(*load<TPpmGraphic>(convert(colour, "-compress none", "p3.ppm")), colour, 0, "P3");
  expect_pixels(*load<TPpmGraphic>(convert(bw, "", "p4.pbm")), bw, 0, "P4");
  expect_pixels(*load<TPpmGraphic>(convert(grey, "", "p5.pgm")), grey, 0, "P5");
  expect_pixels(*load<TPpmGraphic>(convert(colour, "", "p6.ppm")), colour, 0, "P6");
  EXPECT_EQ(read_file(dir.file("p1.pbm"))[1], '1');
  EXPECT_EQ(read_file(dir.file("p5.pgm"))[1], '5');
}

TEST_F(CodecLoad, ARejectedNetpbmFileLeavesThePictureAsItWas) {
  TPpmGraphic p;
  p.NewImage(3, 2, ifTrueColor, nullptr, 0, 0);
  p.Fill(Rgb(1, 2, 3));
  TMemoryStream s;
  s.WriteBuffer("P6\n-4 x\n", 8);
  s.SetPosition(0);
  p.SingleLoadFromStream(s, 1);
  ASSERT_EQ(p.Width(), 3);
  EXPECT_EQ(p.GetPixel(2, 1), Rgb(1, 2, 3));
}

// ---- BMP and GIF by FreeImage id

TEST_F(CodecLoad, BmpAndGifDecodeByTheirIds) {
  raster r = pattern(9, 6);
  expect_pixels(*load_id(convert(r, "BMP3:", "plain.bmp"), FIF_ID_BMP), r, 0, "24-bit BMP");
  raster few = blocks(33, 20);
  auto eight = load_id(convert(few, "-type Palette BMP3:", "eight.bmp"), FIF_ID_BMP);
  EXPECT_TRUE(eight->ImageFormat() == ifColor16 || eight->ImageFormat() == ifColor256);
  expect_pixels(*eight, few, 0, "8-bit BMP");
  expect_pixels(*load_id(convert(few, "", "picture.gif"), FIF_ID_GIF), few, 0, "GIF");
}

TEST_F(CodecLoad, ThirtyTwoBitBmpIsNeverComposited) {
  // A 32-bit BMP with alpha, written by FreeImage itself.
  raster r = with_holes(6, 4);
  const TFreeImageEntries& fi = FreeImageAPI();
  FIBITMAP* b = fi.FreeImage_Allocate(6, 4, 32, 0xFF0000, 0xFF00, 0xFF);
  ASSERT_NE(b, nullptr);
  for (int y = 0; y < 4; ++y) {
    BYTE* row = fi.FreeImage_GetBits(b) + static_cast<std::size_t>(3 - y) * fi.FreeImage_GetPitch(b);
    for (int x = 0; x < 6; ++x) {
      row[4 * x] = r.at(x, y, 2);
      row[4 * x + 1] = r.at(x, y, 1);
      row[4 * x + 2] = r.at(x, y, 0);
      row[4 * x + 3] = r.at(x, y, 3);
    }
  }
  TMemoryStream bmp;
  ASSERT_TRUE(fi.FreeImage_SaveToHandle(FIF_BMP, b, StreamIO(), static_cast<TStream*>(&bmp), 0));
  fi.FreeImage_Unload(b);
  write_file(dir.file("alpha.bmp"), stream_bytes(bmp));
  auto p = load_id(dir.file("alpha.bmp"), FIF_ID_BMP);
  EXPECT_EQ(p->ImageFormat(), ifTrueColor);
  raster colours = make_raster(6, 4, 3, [&](int x, int y) {
    return std::vector<Byte>{r.at(x, y, 0), r.at(x, y, 1), r.at(x, y, 2)};
  });
  expect_pixels(*p, colours);
}

// ---- Streams that do not start at position 0

TEST_F(CodecLoad, APictureInsideALargerStreamLoadsFromItsPosition) {
  raster r = pattern(6, 5);
  std::vector<Byte> png = read_file(convert(r, "PNG24:", "inner.png"));
  TMemoryStream s;
  s.WriteBuffer("garbage", 7);
  s.WriteBuffer(png.data(), static_cast<Int64>(png.size()));
  s.WriteBuffer("tail", 4);
  s.SetPosition(7);
  TPngGraphic p;
  p.SingleLoadFromStream(s, 1);
  expect_pixels(p, r);

  write_netpbm(dir.file("a.ppm"), r);
  run("convert '" + dir.file("a.ppm") + "' '" + dir.file("a.ppm") + "' '" + dir.file("a.ppm") + "' '" +
      dir.file("three.tif") + "'");
  std::vector<Byte> tif = read_file(dir.file("three.tif"));
  TMemoryStream t;
  t.WriteBuffer("12345", 5);
  t.WriteBuffer(tif.data(), static_cast<Int64>(tif.size()));
  t.SetPosition(5);
  TTiffGraphic counter;
  EXPECT_EQ(counter.GetImageCount(t), 3);
  EXPECT_EQ(t.Position(), 5);
  TTiffGraphic page2;
  page2.SingleLoadFromStream(t, 2);
  expect_pixels(page2, r, 0, "page 2 at an offset");
}

// ---- The GDI+ fallback

TEST_F(CodecLoad, WhatFreeImageCannotDecodeGoesToGdiPlus) {
  raster r = pattern(10, 7);
  std::string file = convert(r, "PNG24:", "fallback.png");
  no_freeimage_decoding none;
  TPngGraphic p;
  progress_log log;
  p.OnReadWriteProgress = log.handler();
  TMemoryStream s;
  load_stream(s, file);
  p.SingleLoadFromStream(s, 1);
  expect_pixels(p, r);
  EXPECT_EQ(log.percents, (std::vector<int>{0, 100}));
}

TEST_F(CodecLoad, TheFallbackReadsFromTheLoadsPosition) {
  raster r = blocks(20, 12);
  std::vector<Byte> png = read_file(convert(r, "PNG24:", "embedded.png"));
  no_freeimage_decoding none;
  TMemoryStream s;
  s.WriteBuffer("prefix", 6);
  s.WriteBuffer(png.data(), static_cast<Int64>(png.size()));
  s.SetPosition(6);
  TJpegGraphic p;  // any id the fallback serves
  p.SingleLoadFromStream(s, 1);
  expect_pixels(p, r);
}

TEST_F(CodecLoad, NothingDecodedEmptiesForFallbackIdsAndKeepsForOthers) {
  no_freeimage_decoding none;
  TMemoryStream junk;
  junk.WriteBuffer("definitely not a picture", 24);

  TJpegGraphic jpeg;
  jpeg.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
  junk.SetPosition(0);
  jpeg.SingleLoadFromStream(junk, 1);
  EXPECT_TRUE(jpeg.Empty());

  TPpmGraphic ppm;
  ppm.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
  junk.SetPosition(0);
  ppm.SingleLoadFromStream(junk, 1);
  EXPECT_FALSE(ppm.Empty());
}

TEST_F(CodecLoad, MultiLoadOfAStreamFreeImageCannotCountGoesTheSingleWay) {
  // A PNG handed to the TIFF class: no pages to count, so it loads as one picture, through the
  // second decoder.
  raster r = pattern(6, 6);
  TTiffGraphic p;
  p.SetMultiLoad(true);
  TMemoryStream s;
  load_stream(s, convert(r, "PNG24:", "not-a-tiff.png"));
  p.LoadFromStream(s);
  EXPECT_FALSE(p.MultiLoad());
  EXPECT_EQ(p.FrameCount(), 0);
  expect_pixels(p, r);
}
