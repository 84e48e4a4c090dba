// What the codec layer refuses before a decoder sees it: pictures too large to be held, TIFF
// sample layouts FreeImage stops the process on, and BMP files libgdiplus misreads.
#include <gtest/gtest.h>

#include <tiffio.h>
#include <zlib.h>

#include <cstring>
#include <optional>
#include <tuple>

#include "codec_test_files.hpp"
#include "common/test_env.hpp"
#include "image/freeimage_api.hpp"
#include "image/freeimage_codec.hpp"
#include "image/gdiplus.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/picture_header.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"

using namespace codec_test;

namespace {

TMemoryStream stream_of(const std::vector<Byte>& bytes) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  s.SetPosition(0);
  return s;
}

void put_be32(std::vector<Byte>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<Byte>(v >> (24 - 8 * i));
}

std::string load_error(TDibGraphic& p, std::vector<Byte> bytes) {
  TMemoryStream s = stream_of(bytes);
  try {
    p.SingleLoadFromStream(s, 1);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

// A TIFF file written by libtiff with the given sample layout.
std::vector<Byte> tiff_with(const std::string& path, int photometric, int bits, int samples, int format = 1) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  const int w = 5, h = 3;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, format);
  if ((photometric == PHOTOMETRIC_RGB && samples == 4) || (photometric == PHOTOMETRIC_SEPARATED && samples == 5)) {
    std::uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (photometric == PHOTOMETRIC_PALETTE) {
    std::vector<std::uint16_t> map(std::size_t{1} << bits, 0x8000);
    TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
  }
  std::vector<Byte> row(static_cast<std::size_t>((w * bits * samples + 7) / 8), 0x5A);
  for (int y = 0; y < h; ++y) TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0);
  TIFFClose(t);
  return read_file(path);
}

}  // namespace

TEST(CodecGuard, DeclaredSizesAreReadFromEveryHeader) {
  hw_test::ScratchDir dir;
  raster r = pattern(37, 23);
  write_netpbm(dir.file("in.ppm"), r);
  struct format_case {
    const char* coder;
    int fif;
    int bits;
  };
  for (const format_case& c : {format_case{"PNG24", FIF_ID_PNG, 24}, format_case{"JPEG", FIF_ID_JPEG, 24},
                               format_case{"TIFF", FIF_ID_TIFF, 24}, format_case{"PPM", FIF_ID_PPM, 24},
                               format_case{"GIF", FIF_ID_GIF, 8}, format_case{"BMP3", FIF_ID_BMP, 24}}) {
    std::string out = dir.file(std::string("out.") + c.coder);
    run("convert '" + dir.file("in.ppm") + "' " + c.coder + ":'" + out + "'");
    TMemoryStream s = stream_of(read_file(out));
    s.SetPosition(0);
    auto d = ReadDeclaredPicture(s, c.fif, 1);
    ASSERT_TRUE(d.has_value()) << c.coder;
    EXPECT_EQ(d->Width, 37) << c.coder;
    EXPECT_EQ(d->Height, 23) << c.coder;
    EXPECT_EQ(d->Bits, c.bits) << c.coder;
    EXPECT_EQ(s.Position(), 0) << c.coder;
    auto any = ReadDeclaredPicture(s);
    ASSERT_TRUE(any.has_value()) << c.coder;
    EXPECT_EQ(any->Width, 37) << c.coder;
  }
  TMemoryStream junk = stream_of({'n', 'o', 'p', 'e', 0, 0, 0, 0});
  EXPECT_FALSE(ReadDeclaredPicture(junk, FIF_ID_PNG, 1).has_value());
  EXPECT_FALSE(ReadDeclaredPicture(junk).has_value());
}

TEST(CodecGuard, PicturesTooLargeToHoldAreRefusedBeforeDecoding) {
  // A PNG header of 100000 x 100000 colour pixels (30 GB) with a correct checksum.
  TPngGraphic small;
  small.NewImage(3, 3, ifTrueColor, nullptr, 0, 0);
  TMemoryStream s;
  small.SaveToStream(s);
  std::vector<Byte> png = stream_bytes(s);
  put_be32(png, 16, 100000);
  put_be32(png, 20, 100000);
  put_be32(png, 29, static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17)));
  TPngGraphic p;
  EXPECT_EQ(load_error(p, png), "An image of 100000 x 100000 pixels is too large");

  // The same size as black and white (1.25 GB) is past the decompression-bomb limit too.
  std::vector<Byte> pbm = {'P', '4', '\n', '1', '0', '0', '0', '0', '0', ' ', '1', '0', '0', '0', '0', '0', '\n'};
  TMemoryStream pbm_stream = stream_of(pbm);
  auto d = ReadDeclaredPicture(pbm_stream, FIF_ID_PPM, 1);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->Bits, 1);
  EXPECT_THROW(CheckDeclaredPicture(pbm_stream, FIF_ID_PPM, 1), EZuroroveError);
  // The limit is 178,956,970 pixels: 178956970 x 1 passes, one pixel more does not
  // (13378 x 13377 = 178,957,506).
  for (auto [w, h, refused] : {std::tuple{178956970u, 1u, false}, std::tuple{178956971u, 1u, true},
                               std::tuple{1u, 178956971u, true}, std::tuple{13377u, 13377u, false},
                               std::tuple{13378u, 13377u, true}}) {
    std::vector<Byte> header = png;
    put_be32(header, 16, w);
    put_be32(header, 20, h);
    TMemoryStream hs = stream_of(header);
    if (refused)
      EXPECT_THROW(CheckDeclaredPicture(hs, FIF_ID_PNG, 1), EZuroroveError) << w << " x " << h;
    else
      EXPECT_NO_THROW(CheckDeclaredPicture(hs, FIF_ID_PNG, 1)) << w << " x " << h;
  }
  std::vector<Byte> ppm = pbm;
  ppm[1] = '6';
  ppm.insert(ppm.end(), {'2', '5', '5', '\n'});  // a colour header has its largest sample
  TPpmGraphic q;
  EXPECT_EQ(load_error(q, ppm), "An image of 100000 x 100000 pixels is too large");

  // A JPEG frame header of 65500 x 65500 behind its application segment.
  TJpegGraphic jpeg;
  jpeg.NewImage(16, 16, ifTrueColor, nullptr, 0, 0);
  TMemoryStream js;
  jpeg.SaveToStream(js);
  std::vector<Byte> j = stream_bytes(js);
  bool patched = false;
  for (std::size_t i = 2; i + 9 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xC0) {
      j[i + 5] = j[i + 7] = 0xFF;
      j[i + 6] = j[i + 8] = 0xDC;
      patched = true;
      break;
    }
  ASSERT_TRUE(patched);
  TJpegGraphic big;
  EXPECT_EQ(load_error(big, j), "An image of 65500 x 65500 pixels is too large");

  // An uncompressed TIFF page of 300 x 200 grey needs 60,000 bytes of rows in the file.
  auto tiff = [](std::size_t data_bytes) {
    std::vector<Byte> t = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
    auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
      t.insert(t.end(), {static_cast<Byte>(tag), static_cast<Byte>(tag >> 8), static_cast<Byte>(type), 0, 1, 0, 0, 0});
      for (int i = 0; i < 4; ++i) t.push_back(static_cast<Byte>(value >> (8 * i)));
    };
    const std::uint32_t data_at = 10 + 9 * 12 + 4;
    entry(256, 4, 300), entry(257, 4, 200), entry(258, 3, 8), entry(259, 3, 1), entry(262, 3, 1);
    entry(273, 4, data_at), entry(277, 3, 1), entry(278, 4, 200), entry(279, 4, 60000);
    t.insert(t.end(), 4, Byte{0});
    t.insert(t.end(), data_bytes, Byte{0x77});
    return t;
  };
  TTiffGraphic cut;
  EXPECT_EQ(load_error(cut, tiff(59999)), "The image file is too short for its 300 x 200 pixels");
  TTiffGraphic whole;
  EXPECT_EQ(load_error(whole, tiff(60000)), "");
  EXPECT_EQ(whole.Width(), 300);
  EXPECT_EQ(whole.GetPixel(299, 199), Rgb(0x77, 0x77, 0x77));
}

TEST(CodecGuard, TiffSampleLayoutsThatStopFreeImageAreRefused) {
  hw_test::ScratchDir dir;
  // Each of these ends the process inside FreeImage's TIFF reader (a failed assertion).
  struct layout {
    int photometric, bits, samples, format;
  };
  for (const layout& l : {layout{PHOTOMETRIC_MINISBLACK, 1, 8, 1}, layout{PHOTOMETRIC_MINISBLACK, 8, 6, 1},
                          layout{PHOTOMETRIC_PALETTE, 4, 4, 1},
                          layout{PHOTOMETRIC_PALETTE, 8, 2, 2}, layout{PHOTOMETRIC_SEPARATED, 16, 3, 3}}) {
    std::vector<Byte> file = tiff_with(dir.file("bad.tif"), l.photometric, l.bits, l.samples, l.format);
    TTiffGraphic p;
    EXPECT_EQ(load_error(p, file), "Unable to convert to internal bitmap format")
        << l.photometric << " " << l.bits << " " << l.samples;
  }
  // The layouts real files have still load.
  for (const layout& l : {layout{PHOTOMETRIC_MINISBLACK, 1, 1, 1}, layout{PHOTOMETRIC_MINISWHITE, 8, 1, 1},
                          layout{PHOTOMETRIC_MINISBLACK, 16, 1, 1}, layout{PHOTOMETRIC_MINISBLACK, 8, 2, 1},
                          layout{PHOTOMETRIC_PALETTE, 4, 1, 1}, layout{PHOTOMETRIC_PALETTE, 8, 1, 1},
                          layout{PHOTOMETRIC_RGB, 8, 3, 1}, layout{PHOTOMETRIC_RGB, 8, 4, 1},
                          layout{PHOTOMETRIC_RGB, 16, 3, 1}, layout{PHOTOMETRIC_SEPARATED, 8, 4, 1},
                          layout{PHOTOMETRIC_SEPARATED, 8, 5, 1}}) {  // CMYK with alpha: five samples
    std::vector<Byte> file = tiff_with(dir.file("good.tif"), l.photometric, l.bits, l.samples, l.format);
    TTiffGraphic p;
    EXPECT_EQ(load_error(p, file), "") << l.photometric << " " << l.bits << " " << l.samples;
    EXPECT_EQ(p.Width(), 5) << l.photometric << " " << l.bits << " " << l.samples;
  }
}

TEST(CodecGuard, ABmpWithAShortColourTableReachesGdiPlusFilledUp) {
  // An 8-bit BMP whose table has 2 entries but whose pixels use indices up to 200: what
  // FreeImage does not take (read through the PNG class) goes to GDI+, which shows the pixels
  // without an entry as black.
  const int w = 4, h = 2;
  std::vector<Byte> bmp(14 + 40 + 8 + 8, 0);
  auto le32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + static_cast<std::size_t>(i)] = static_cast<Byte>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  le32(2, static_cast<std::uint32_t>(bmp.size()));
  le32(10, 14 + 40 + 8);
  le32(14, 40);
  le32(18, w);
  le32(22, h);
  bmp[26] = 1;
  bmp[28] = 8;
  le32(46, 2);  // two colours
  // Entry 0 red, entry 1 green (blue, green, red, reserved).
  bmp[54 + 2] = 255;
  bmp[58 + 1] = 255;
  const Byte pixels[2][4] = {{0, 1, 200, 1}, {1, 0, 0, 255}};  // bottom row first
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp[62 + static_cast<std::size_t>(y * 4 + x)] = pixels[y][x];
  TPngGraphic p;
  EXPECT_EQ(load_error(p, bmp), "");
  ASSERT_EQ(p.Width(), 4);
  EXPECT_EQ(p.GetPixel(0, 1), Rgb(255, 0, 0));
  EXPECT_EQ(p.GetPixel(1, 1), Rgb(0, 255, 0));
  EXPECT_EQ(p.GetPixel(2, 1), Rgb(0, 0, 0));
  EXPECT_EQ(p.GetPixel(3, 0), Rgb(0, 0, 0));
  EXPECT_EQ(p.GetPixel(0, 0), Rgb(0, 255, 0));

  // Cut short inside its pixel rows, it is refused before any decoder sees it.
  bmp.resize(bmp.size() - 3);
  TPngGraphic cut;
  cut.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
  EXPECT_EQ(load_error(cut, bmp), "The image file is too short for its 4 x 2 pixels");
}

namespace {

// What FreeImage's own PNM reader makes of a header: a header-only load through the binding.
std::optional<std::pair<Int64, Int64>> freeimage_pnm_size(const std::string& text) {
  TMemoryStream s = stream_of(std::vector<Byte>(text.begin(), text.end()));
  const TFreeImageEntries& fi = FreeImageAPI();
  FIBITMAP* b = fi.FreeImage_LoadFromHandle(FIF_PPM, StreamIO(), static_cast<TStream*>(&s), FIF_LOAD_NOPIXELS);
  if (b == nullptr) return std::nullopt;
  const BITMAPINFOHEADER* h = fi.FreeImage_GetInfoHeader(b);
  std::pair<Int64, Int64> size{h->biWidth, h->biHeight};
  fi.FreeImage_Unload(b);
  return size;
}

}  // namespace

TEST(CodecGuard, PnmHeadersAreReadExactlyAsTheDecoderReadsThem) {
  // Each header with the size read by hand under the decoder's rules (stray bytes before a number
  // are skipped, "#" there starts a comment that only LF ends, the byte after a number ends it,
  // numbers wrap at 32 bits and a side is taken by its magnitude); FreeImage itself must agree.
  struct header_case {
    std::string text;
    Int64 width, height;  // 0: unreadable; -1: refused here, though FreeImage reads a side of 1
  };
  const std::vector<header_case> cases = {
      {"P4\n2 1\n", 2, 1},
      {std::string("P4\nx3280411761 11\n\0\0\0\0", 22), 1014555535, 11},  // the 22-byte crash
      {"P4\n-5864292351 4\n", 1569325055, 4},                           // 5864292351 - 2^32
      {"P4\n#\r1 1\n70000 1\n", 70000, 1},                               // CR does not end a comment
      {"P6\n#c\r\n3 5\n255\n", 3, 5},
      {"P4\n2#c 3\n1\n", 2, 3},       // "#" right after a number only ends it
      {"P4\nx#2 3\n5 1\n", 5, 1},     // "#" before a number is a comment
      {"P42 1\n", 2, 1},              // no blank needed after the magic
      {std::string("P4\n7\0""9\n", 7), 7, 9},
      {"P4\n3000000000 1\n", 1294967296, 1},  // wraps to -1294967296: its magnitude
      {"P4\n4294967295 2\n", -1, 2},       // wraps to -1: FreeImage reads it, and writes past its rows
      {"P4\n2147483648 1\n", 0, 0},           // -2^31 has no magnitude
      {"P4\n4294967296 1\n", 0, 0},           // wraps to 0
      {"P4\n2 1", 0, 0},                      // the end of the bytes ends no number
      {"P4\n2 #c", 0, 0},                     // nor a comment
      {"P5\n2 1\n0\n", 0, 0},                 // largest sample 0
      {"P5\n2 1\n65535\n", 2, 1},
      {"P5\n2 1\n65536\n", 0, 0},
      {"P5\n2 1\n4294967297\n", 2, 1},        // largest sample wraps to 1
      {"P5\n2 1\n255", 0, 0},
      {" P4\n2 1\n", 0, 0},
      {"P7\n2 1\n", 0, 0},
  };
  for (const header_case& c : cases) {
    SCOPED_TRACE(c.text);
    TMemoryStream s = stream_of(std::vector<Byte>(c.text.begin(), c.text.end()));
    const std::optional<TPnmHeader> ours = ReadPnmHeader(s);
    EXPECT_EQ(s.Position(), 0);
    const auto theirs = freeimage_pnm_size(c.text);
    ASSERT_EQ(ours.has_value(), c.width > 0);
    ASSERT_EQ(theirs.has_value(), c.width != 0);
    if (!ours) continue;
    EXPECT_EQ(ours->Width, c.width);
    EXPECT_EQ(ours->Height, c.height);
    EXPECT_EQ(theirs->first, c.width);
    EXPECT_EQ(theirs->second, c.height);
  }
}

TEST(CodecGuard, PnmFilesThatHideTheirSizeOrLackTheirRowsAreRefused) {
  auto refusal = [](const std::string& text) {
    TPpmGraphic p;
    return load_error(p, std::vector<Byte>(text.begin(), text.end()));
  };
  // The 22-byte picture that crashed inside FreeImage after 19 s and 1.4 GB.
  EXPECT_EQ(refusal(std::string("P4\nx3280411761 11\n\0\0\0\0", 22)),
            "An image of 1014555535 x 11 pixels is too large");
  EXPECT_EQ(refusal("P4\n-5864292351 4\n" + std::string(22, '\xFF')), "An image of 1569325055 x 4 pixels is too large");
  EXPECT_EQ(refusal("P6\n#\r1 1\n46000 46000\n255\n" + std::string(100, '\x10')),
            "An image of 46000 x 46000 pixels is too large");
  // 16384 x 16384 is past the limit of 178,956,970 pixels.
  EXPECT_EQ(refusal("P5\n16384 16384\n255\n" + std::string(16, '\x80')), "An image of 16384 x 16384 pixels is too large");
  // Binary rows past the end: 300 x 200 grey needs 60,000 bytes (120,000 at 16 bits).
  EXPECT_EQ(refusal("P5\n300 200\n255\n" + std::string(59999, '\x40')), "The image file is too short for its 300 x 200 pixels");
  EXPECT_EQ(refusal("P5\n300 200\n65535\n" + std::string(119999, '\x40')), "The image file is too short for its 300 x 200 pixels");
  EXPECT_EQ(refusal("P4\n9 2\n" + std::string(3, '\x40')), "The image file is too short for its 9 x 2 pixels");
  EXPECT_EQ(refusal("P6\n10 10\n255\n" + std::string(299, '\x40')), "The image file is too short for its 10 x 10 pixels");
  // Plain samples take a digit and a separator each: 2 x 2 plain PBM needs 8 bytes.
  EXPECT_EQ(refusal("P1\n2 2\n0 1 1 "), "The image file is too short for its 2 x 2 pixels");
  EXPECT_EQ(refusal("P3\n2 1\n255\n1 2 3 4 5 "), "The image file is too short for its 2 x 1 pixels");
  // A header the decoder cannot read is refused, not handed on: the picture stays as it was.
  TPpmGraphic kept;
  kept.NewImage(3, 2, ifTrueColor, nullptr, 0, 0);
  EXPECT_EQ(load_error(kept, {'P', '5', '\n', '2', ' ', '1', '\n', '6', '5', '5', '3', '6', '\n', 1, 2}), "");
  EXPECT_EQ(kept.Width(), 3);
  // Exactly enough bytes load, with the pixels the file holds.
  TPpmGraphic plain;
  EXPECT_EQ(load_error(plain, {'P', '1', '\n', '2', ' ', '2', '\n', '0', ' ', '1', '\n', '1', ' ', '0', '\n'}), "");
  ASSERT_EQ(plain.Width(), 2);
  ASSERT_EQ(plain.Height(), 2);
  EXPECT_EQ(plain.GetPixel(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(plain.GetPixel(1, 0), Rgb(0, 0, 0));
  EXPECT_EQ(plain.GetPixel(0, 1), Rgb(0, 0, 0));
  TPpmGraphic binary;
  EXPECT_EQ(load_error(binary, {'P', '5', ' ', '3', ' ', '1', ' ', '2', '5', '5', '\n', 10, 20, 30}), "");
  ASSERT_EQ(binary.Width(), 3);
  EXPECT_EQ(binary.GetPixel(2, 0), Rgb(30, 30, 30));
}

namespace {

void put_le16(std::vector<Byte>& b, std::uint32_t v) {
  b.push_back(static_cast<Byte>(v));
  b.push_back(static_cast<Byte>(v >> 8));
}

// A GIF: a logical screen with a global colour table of 2 << `table_bits` entries, extension
// blocks, then images of the given sizes (each one pixel of LZW data).
std::vector<Byte> gif_file(unsigned screen_w, unsigned screen_h, int table_bits, int comments,
                           const std::vector<std::pair<unsigned, unsigned>>& images) {
  std::vector<Byte> b = {'G', 'I', 'F', '8', '9', 'a'};
  put_le16(b, screen_w);
  put_le16(b, screen_h);
  b.insert(b.end(), {static_cast<Byte>(0x80 | table_bits), 0, 0});
  b.insert(b.end(), 3 * (std::size_t{2} << table_bits), Byte{0});
  for (int i = 0; i < comments; ++i) b.insert(b.end(), {0x21, 0xFE, 1, 'c', 0});
  for (auto [w, h] : images) {
    b.push_back(0x2C);
    put_le16(b, 0), put_le16(b, 0), put_le16(b, w), put_le16(b, h);
    b.insert(b.end(), {0, 2, 2, 0x44, 0x01, 0});
  }
  b.push_back(0x3B);
  return b;
}

// A JPEG header: quantisation table, `junk` between it and the frame header, then the frame
// header of w x h colour pixels and a scan header (the default Huffman tables serve).
std::vector<Byte> jpeg_file(unsigned w, unsigned h, const std::vector<Byte>& junk) {
  std::vector<Byte> b = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
  b.insert(b.end(), 64, Byte{1});
  b.insert(b.end(), junk.begin(), junk.end());
  b.insert(b.end(), {0xFF, 0xC0, 0, 17, 8, static_cast<Byte>(h >> 8), static_cast<Byte>(h), static_cast<Byte>(w >> 8),
                     static_cast<Byte>(w), 3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
  b.insert(b.end(), {0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0, 3, 0, 0, 0x3F, 0});
  b.insert(b.end(), 40, Byte{0});
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

// The size FreeImage's own decoder gives the bytes (a header-only load where the format has one).
std::optional<std::pair<Int64, Int64>> freeimage_size(FREE_IMAGE_FORMAT fif, const std::vector<Byte>& bytes) {
  TMemoryStream s = stream_of(bytes);
  const TFreeImageEntries& fi = FreeImageAPI();
  FIBITMAP* b = fi.FreeImage_LoadFromHandle(fif, StreamIO(), static_cast<TStream*>(&s), FIF_LOAD_NOPIXELS);
  if (b == nullptr) return std::nullopt;
  const BITMAPINFOHEADER* h = fi.FreeImage_GetInfoHeader(b);
  std::pair<Int64, Int64> size{h->biWidth, h->biHeight};
  fi.FreeImage_Unload(b);
  return size;
}

std::optional<std::pair<Int64, Int64>> declared(const std::vector<Byte>& bytes, int fif, int page = 1) {
  TMemoryStream s = stream_of(bytes);
  auto d = ReadDeclaredPicture(s, fif, page);
  if (!d) return std::nullopt;
  return std::pair<Int64, Int64>{d->Width, d->Height};
}

}  // namespace

TEST(CodecGuard, GifAndJpegHeadersAreWalkedAsTheDecodersWalkThem) {
  using size = std::pair<Int64, Int64>;
  // GIF: the image may be larger than the screen; it lies behind a colour table of 2 << n
  // entries and behind any number of extension blocks; page 2 is the second image.
  const std::vector<Byte> small = gif_file(2, 2, 7, 0, {{3, 3}});
  EXPECT_EQ(declared(small, FIF_ID_GIF), size(3, 3));
  EXPECT_EQ(freeimage_size(FIF_GIF, small), size(3, 3));
  EXPECT_EQ(declared(gif_file(2, 2, 7, 0, {{20000, 20000}}), FIF_ID_GIF), size(20000, 20000));
  EXPECT_EQ(declared(gif_file(2, 2, 0, 0, {{20000, 20000}}), FIF_ID_GIF), size(20000, 20000));
  EXPECT_EQ(declared(gif_file(2, 2, 1, 12000, {{30000, 30000}}), FIF_ID_GIF), size(30000, 30000));
  const std::vector<Byte> two = gif_file(4, 4, 1, 0, {{3, 3}, {15000, 14000}});
  EXPECT_EQ(declared(two, FIF_ID_GIF, 1), size(4, 4));
  EXPECT_EQ(declared(two, FIF_ID_GIF, 2), size(15000, 14000));
  TMemoryStream big_page = stream_of(two);
  EXPECT_THROW(CheckDeclaredPicture(big_page, FIF_ID_GIF, 2), EZuroroveError);

  // JPEG: the decoder passes over stray bytes, fill bytes, stuffed zeros, markers without a
  // length, segments whose length is below 2 and any number of segments.
  std::vector<Byte> junk = {'a', 'b', 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x01, 0xFF, 0xD3, 0xFF, 0xE0, 0, 0, 0xFF, 0xE1, 0, 1,
                            0xFF, 0x41, 0xFF, 0xF0, 0xFF, 0xDE, 0xFF, 0xDF};
  for (int i = 0; i < 1500; ++i) junk.insert(junk.end(), {0xFF, 0xFE, 0, 3, 'c'});
  EXPECT_EQ(declared(jpeg_file(300, 200, junk), FIF_ID_JPEG), size(300, 200));
  EXPECT_EQ(freeimage_size(FIF_JPEG, jpeg_file(300, 200, junk)), size(300, 200));
  TJpegGraphic j;
  EXPECT_EQ(load_error(j, jpeg_file(46340, 46340, junk)), "An image of 46340 x 46340 pixels is too large");
  EXPECT_EQ(load_error(j, jpeg_file(46340, 46340, {0, 0})), "An image of 46340 x 46340 pixels is too large");
}

// True when the header check refuses the picture in the stream as cut short.
bool load_error_of(TStream& s) {
  try {
    CheckDeclaredPicture(s);
  } catch (const EZuroroveError& e) {
    return std::string(e.Message()).find("is too short for its 4 x 4 pixels") != std::string::npos;
  }
  return false;
}

TEST(CodecGuard, ATinyRleBitmapDeclaringAHugePictureNeverReachesGdiPlus) {
  // 1,078 bytes: file and info headers and a 256-entry table for an RLE8 picture of
  // 23000 x 23000 (529 million pixels), without any pixel data; libgdiplus made it (5 GB, 15 s).
  std::vector<Byte> bmp(1078, 0);
  auto le32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + static_cast<std::size_t>(i)] = static_cast<Byte>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  le32(2, 1078);
  le32(10, 1078);
  le32(14, 40);
  le32(18, 23000);
  le32(22, 23000);
  bmp[26] = 1;
  bmp[28] = 8;
  le32(30, 1);  // BI_RLE8
  le32(46, 256);
  // Through the codec layer's second decoder (FreeImage takes no BMP as a PNG).
  TPngGraphic p;
  EXPECT_EQ(load_error(p, bmp), "An image of 23000 x 23000 pixels is too large");
  // And the GDI+ unit itself leaves it undecoded.
  TMemoryStream s = stream_of(bmp);
  EXPECT_EQ(zu_gdiplus::decode_with_gdiplus(s), nullptr);
  // The same file at 13000 x 13000 (169 million pixels) is within the limit, but without a
  // single code its rows lie past its end; with the end-of-bitmap code it decodes.
  le32(18, 13000);
  le32(22, 13000);
  TMemoryStream no_codes = stream_of(bmp);
  EXPECT_THROW(CheckDeclaredPicture(no_codes), EZuroroveError);
  bmp.insert(bmp.end(), {0, 1});
  TMemoryStream small = stream_of(bmp);
  EXPECT_NO_THROW(CheckDeclaredPicture(small));

  // Run-length codes that end, without the end-of-bitmap code (0 1), before they reach the last
  // row leave rows past the end of the file. 4 x 4 pictures: runs (n, colour), end of row (0 0),
  // a move of dx, dy (0 2 dx dy), pixels as they are (0 n ..., padded to 16 bits).
  const auto rle = [](int bits, std::vector<Byte> codes) {
    const std::size_t table = 4u << bits;
    std::vector<Byte> b(54 + table, 0);
    b[0] = 'B', b[1] = 'M', b[10] = static_cast<Byte>(54 + table), b[11] = static_cast<Byte>((54 + table) >> 8);
    b[14] = 40, b[18] = 4, b[22] = 4, b[26] = 1, b[28] = static_cast<Byte>(bits), b[30] = bits == 8 ? 1 : 2;
    b.insert(b.end(), codes.begin(), codes.end());
    return b;
  };
  // The platform's bitmap reader applies the same rule.
  const auto refused = [](const std::vector<Byte>& b) {
    TMemoryStream m = stream_of(b);
    const bool codec = load_error_of(m);
    std::string platform = "read";
    try { TBitmap().LoadFromStream(m); } catch (const EInvalidGraphic& e) { platform = e.Message(); }
    EXPECT_EQ(platform, codec ? "The image file is too short for its 4 x 4 pixels" : "read");
    return codec;
  };
  EXPECT_TRUE(refused(rle(8, {4, 5, 0, 0, 4, 7, 0, 0})));                       // rows 0 and 1, then cut
  EXPECT_TRUE(refused(rle(8, {4, 5})));                                         // row 0 only
  EXPECT_TRUE(refused(rle(4, {4, 0x12, 0, 0, 4, 0x34, 0, 0})));                 // RLE4, rows 0 and 1
  EXPECT_TRUE(refused(rle(8, {0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 0, 1})));           // as they are, moves: row 2
  EXPECT_FALSE(refused(rle(8, {4, 5, 0, 1})));                                  // ended by the end code
  EXPECT_FALSE(refused(rle(8, {4, 5, 0, 0, 4, 7, 0, 0, 4, 1, 0, 0, 4, 2})));    // reaches the last row
  EXPECT_FALSE(refused(rle(8, {0, 2, 0, 3, 4, 2})));                            // moved to the last row
  EXPECT_TRUE(refused(rle(8, {0, 4, 0, 1, 0, 0, 0, 0})));                       // "0 1" as pixels, row 1
}

TEST(CodecGuard, GdiPlusCountsThePixelsOfEveryPageAndFrame) {
  // libgdiplus decodes every page of a TIFF at once: a 7 KB file of four 13000 x 13000 pages took
  // 4 GB. Two pages of 10000 x 10000 (200 million pixels together) pass the limit; one does not.
  hw_test::ScratchDir dir;
  auto pages = [&](int count) {
    const std::string path = dir.file("pages.tif");
    TIFF* t = TIFFOpen(path.c_str(), "w");
    std::vector<Byte> row(10000 / 8, 0);
    for (int p = 0; p < count; ++p) {
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 10000);
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, 10000);
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
      TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 10000);
      for (std::uint32_t y = 0; y < 10000; ++y) TIFFWriteScanline(t, row.data(), y, 0);
      TIFFWriteDirectory(t);
    }
    TIFFClose(t);
    return read_file(path);
  };
  const std::vector<Byte> two = pages(2);
  TMemoryStream s2 = stream_of(two);
  auto over = PageOverPixelLimit(s2);
  ASSERT_TRUE(over.has_value());
  EXPECT_EQ(over->Width, 10000);
  EXPECT_EQ(s2.Position(), 0);
  TMemoryStream one = stream_of(pages(1));
  EXPECT_FALSE(PageOverPixelLimit(one).has_value());
  // A TIFF in a PNG file reaches GDI+ through the codec layer; refused there with the page's size.
  TPngGraphic p;
  EXPECT_EQ(load_error(p, two), "An image of 10000 x 10000 pixels is too large");
  TMemoryStream direct = stream_of(two);
  EXPECT_EQ(zu_gdiplus::decode_with_gdiplus(direct), nullptr);

  // GIF frames count at least as large as the logical screen.
  TMemoryStream frames = stream_of(gif_file(10000, 10000, 1, 0, {{1, 1}, {1, 1}}));
  over = PageOverPixelLimit(frames);
  ASSERT_TRUE(over.has_value());
  EXPECT_EQ(over->Height, 10000);
  TMemoryStream frame = stream_of(gif_file(10000, 10000, 1, 0, {{1, 1}}));
  EXPECT_FALSE(PageOverPixelLimit(frame).has_value());
}

// A JPEG frame of `w` x `h` with three components of the given sampling factors, coded as `sof`
// says (0xC0 Huffman baseline, 0xC9 arithmetic), followed by a scan of `data` coded bytes.
std::vector<Byte> jpeg_frame(Byte sof, unsigned w, unsigned h, Byte luma_sampling, std::size_t data) {
  std::vector<Byte> b = {0xFF, 0xD8, 0xFF, sof, 0, 17, 8, static_cast<Byte>(h >> 8), static_cast<Byte>(h),
                         static_cast<Byte>(w >> 8), static_cast<Byte>(w), 3, 1, luma_sampling, 0, 2, 0x11, 0, 3, 0x11, 0};
  b.insert(b.end(), {0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0, 3, 0, 0, 0x3F, 0});
  b.insert(b.end(), data, Byte{0});
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

bool declared_truncated(const std::vector<Byte>& bytes) {
  TMemoryStream s = stream_of(bytes);
  const std::optional<TDeclaredPicture> d = ReadDeclaredPicture(s, FIF_ID_JPEG, 1);
  return d && d->Truncated;
}

TEST(CodecGuard, AHuffmanJpegTooShortForItsBlocksIsRefusedAndAPartlyDownloadedOneLoads) {
  // Huffman coding spends at least one bit on every 8 x 8 block. 300 x 200 with 1 x 1 sampling:
  // 38 x 25 = 950 blocks of the largest component, 119 bytes. After the frame's component
  // entries come the 14-byte scan header, the coded bytes and the 2-byte end marker.
  EXPECT_FALSE(declared_truncated(jpeg_frame(0xC0, 300, 200, 0x11, 119 - 16)));
  EXPECT_TRUE(declared_truncated(jpeg_frame(0xC0, 300, 200, 0x11, 118 - 16)));
  // Progressive and lossless Huffman frames alike.
  EXPECT_TRUE(declared_truncated(jpeg_frame(0xC2, 300, 200, 0x11, 118 - 16)));
  EXPECT_TRUE(declared_truncated(jpeg_frame(0xC3, 300, 200, 0x11, 118 - 16)));
  // 4:2:0 (luma 2 x 2): the luma component still has 950 blocks, the chroma ones 19 x 13.
  EXPECT_FALSE(declared_truncated(jpeg_frame(0xC0, 300, 200, 0x22, 119 - 16)));
  EXPECT_TRUE(declared_truncated(jpeg_frame(0xC0, 300, 200, 0x22, 118 - 16)));
  // Arithmetic coding can spend less than a bit on a block: no bound.
  EXPECT_FALSE(declared_truncated(jpeg_frame(0xC9, 300, 200, 0x11, 0)));
  EXPECT_FALSE(declared_truncated(jpeg_frame(0xCA, 13300, 13300, 0x11, 100)));
  // Sampling factors the decoder refuses bound nothing.
  EXPECT_FALSE(declared_truncated(jpeg_frame(0xC0, 300, 200, 0x51, 0)));

  // A real file: 13300 x 13300 declared in front of the coded data of 256 x 192 pixels.
  TJpegGraphic photo;
  photo.NewImage(256, 192, ifTrueColor, nullptr, 0, 0);
  for (int y = 0; y < 192; ++y)
    for (int x = 0; x < 256; ++x) photo.SetPixel(x, y, Rgb((x * 7 + y * 3) & 255, (x * y) & 255, (x ^ y) & 255));
  TMemoryStream js;
  photo.SaveToStream(js);
  const std::vector<Byte> whole = stream_bytes(js);
  std::vector<Byte> bomb = whole;
  bool patched = false;
  for (std::size_t i = 2; i + 9 < bomb.size() && !patched; ++i)
    if (bomb[i] == 0xFF && bomb[i + 1] == 0xC0) {
      bomb[i + 5] = bomb[i + 7] = 13300 >> 8;
      bomb[i + 6] = bomb[i + 8] = 13300 & 255;
      patched = true;
    }
  ASSERT_TRUE(patched);
  ASSERT_LT(bomb.size(), std::size_t{1663} * 1663 / 8);
  TJpegGraphic big;
  EXPECT_EQ(load_error(big, bomb), "The image file is too short for its 13300 x 13300 pixels");

  // The same file cut after 60 % of its bytes, as a download stopped early: it loads, its top
  // rows as in the whole file.
  TJpegGraphic full, part;
  ASSERT_EQ(load_error(full, whole), "");
  const std::vector<Byte> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 6 / 10));
  ASSERT_EQ(load_error(part, cut), "");
  ASSERT_EQ(part.Width(), 256);
  ASSERT_EQ(part.Height(), 192);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 256; ++x) ASSERT_EQ(part.GetPixel(x, y), full.GetPixel(x, y)) << x << "," << y;
}
