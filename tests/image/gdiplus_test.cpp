// The GDI+ decoder over the system's libgdiplus, and its loading rules over stand-in libraries.
// Test pictures are made here: by hand (BMP, PNG with alpha) or by ImageMagick from a PPM of
// known pixels.
#include <gtest/gtest.h>
#include <zlib.h>

#include <dlfcn.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "common/metafile_writer.hpp"
#include "platform/checked_size.hpp"
#include "common/test_env.hpp"
#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "image/gdiplus.hpp"

using namespace zu_gdiplus;

namespace {

struct Px {
  int r, g, b;
};

// Known pixels: blocks of `block` x `block` pixels, each block its own colour.
struct TestImage {
  int width = 0, height = 0;
  std::vector<Px> pixels;
  Px at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

TestImage blocks(int width, int height, int block, int seed = 0) {
  TestImage image{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int bx = x / block, by = y / block, n = bx + 7 * by + seed;
      image.pixels.push_back({(n * 67 + 13) % 256, (n * 151 + 200) % 256, (n * 29 + by * 90) % 256});
    }
  return image;
}

TestImage grey(const TestImage& image) {
  TestImage out = image;
  for (auto& p : out.pixels) p = {p.g, p.g, p.g};
  return out;
}

std::vector<Byte> read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& name, const std::vector<Byte>& bytes) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<Byte> ppm(const TestImage& image) {
  std::string head = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  std::vector<Byte> bytes(head.begin(), head.end());
  for (const auto& p : image.pixels) bytes.insert(bytes.end(), {Byte(p.r), Byte(p.g), Byte(p.b)});
  return bytes;
}

// ImageMagick writes the frames (`output` is its format prefix, e.g. "PNG24" or "TIFF").
std::vector<Byte> convert(const std::vector<TestImage>& frames, const std::string& options, const std::string& output) {
  hw_test::ScratchDir dir;
  std::string inputs;
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string name = dir.file("in" + std::to_string(i) + ".ppm");
    write_file(name, ppm(frames[i]));
    inputs += " " + name;
  }
  const std::string target = dir.file("out");
  const std::string command = "convert" + inputs + " " + options + " " + output + ":" + target + " 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return read_file(target);
}
std::vector<Byte> convert(const TestImage& image, const std::string& options, const std::string& output) {
  return convert(std::vector<TestImage>{image}, options, output);
}

void put16(std::vector<Byte>& b, unsigned v) { b.insert(b.end(), {Byte(v), Byte(v >> 8)}); }
void put32(std::vector<Byte>& b, unsigned v) { b.insert(b.end(), {Byte(v), Byte(v >> 8), Byte(v >> 16), Byte(v >> 24)}); }

// A BMP file by hand: 24 bits bottom-up, or 8 bits with a palette of the image's colours.
std::vector<Byte> bmp(const TestImage& image, int bits) {
  std::vector<Px> palette;
  auto index_of = [&](Px c) {
    for (size_t i = 0; i < palette.size(); ++i)
      if (palette[i].r == c.r && palette[i].g == c.g && palette[i].b == c.b) return static_cast<int>(i);
    palette.push_back(c);
    return static_cast<int>(palette.size() - 1);
  };
  const int row_bytes = ((image.width * bits + 31) / 32) * 4;
  std::vector<Byte> pixels;
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<Byte> row;
    for (int x = 0; x < image.width; ++x) {
      const Px c = image.at(x, y);
      if (bits == 24)
        row.insert(row.end(), {Byte(c.b), Byte(c.g), Byte(c.r)});
      else
        row.push_back(Byte(index_of(c)));
    }
    row.resize(static_cast<size_t>(row_bytes), 0xEE);  // padding that must not show
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  const unsigned table = bits == 8 ? 256u * 4u : 0u;
  std::vector<Byte> file{'B', 'M'};
  put32(file, static_cast<unsigned>(14 + 40 + table + pixels.size()));
  put32(file, 0);
  put32(file, 14 + 40 + table);
  put32(file, 40);
  put32(file, static_cast<unsigned>(image.width));
  put32(file, static_cast<unsigned>(image.height));
  put16(file, 1);
  put16(file, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) put32(file, 0);
  if (bits == 8) {
    palette.resize(256, Px{0, 0, 0});
    for (const auto& c : palette) file.insert(file.end(), {Byte(c.b), Byte(c.g), Byte(c.r), 0});
  }
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// A PNG with an alpha channel, by hand: one row of red, green, blue and grey at the given
// opacities.
std::vector<Byte> png_rgba(const std::vector<std::array<int, 4>>& row) {
  auto chunk = [](std::vector<Byte>& out, const char* type, const std::vector<Byte>& data) {
    std::vector<Byte> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    const unsigned n = static_cast<unsigned>(data.size());
    out.insert(out.end(), {Byte(n >> 24), Byte(n >> 16), Byte(n >> 8), Byte(n)});
    out.insert(out.end(), body.begin(), body.end());
    const auto crc = static_cast<unsigned>(crc32(0, body.data(), static_cast<uInt>(body.size())));
    out.insert(out.end(), {Byte(crc >> 24), Byte(crc >> 16), Byte(crc >> 8), Byte(crc)});
  };
  const unsigned width = static_cast<unsigned>(row.size());
  std::vector<Byte> ihdr{Byte(width >> 24), Byte(width >> 16), Byte(width >> 8), Byte(width), 0, 0, 0, 1, 8, 6, 0, 0, 0};
  std::vector<Byte> raw{0};
  for (const auto& p : row) raw.insert(raw.end(), {Byte(p[0]), Byte(p[1]), Byte(p[2]), Byte(p[3])});
  std::vector<Byte> packed(compressBound(static_cast<uLong>(raw.size())));
  uLongf packed_size = static_cast<uLongf>(packed.size());
  compress(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packed_size);
  std::vector<Byte> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  chunk(file, "IHDR", ihdr);
  chunk(file, "IDAT", packed);
  chunk(file, "IEND", {});
  return file;
}

Px pixel(TBitmap& bitmap, int x, int y) {
  const TColor c = bitmap.Canvas()->Pixels(x, y);
  return {GetRValue(static_cast<std::uint32_t>(c)), GetGValue(static_cast<std::uint32_t>(c)),
          GetBValue(static_cast<std::uint32_t>(c))};
}

bool near(Px a, Px b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string text(Px c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// Every pixel (block == 0) or the centre 2 x 2 pixels of every block within `tolerance`.
void expect_pixels(TBitmap& bitmap, const TestImage& image, int tolerance = 0, int block = 0) {
  ASSERT_EQ(bitmap.Width(), image.width);
  ASSERT_EQ(bitmap.Height(), image.height);
  int wrong = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      if (block > 0 && (x % block < block / 2 - 1 || x % block > block / 2 || y % block < block / 2 - 1 ||
                        y % block > block / 2))
        continue;
      const Px got = pixel(bitmap, x, y), want = image.at(x, y);
      if (!near(got, want, tolerance) && ++wrong <= 3)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << text(got) << ", expected " << text(want);
    }
  EXPECT_EQ(wrong, 0);
}

TMemoryStream memory(const std::vector<Byte>& bytes) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return stream;
}

std::vector<Byte> contents(TMemoryStream& stream) { return {stream.Memory(), stream.Memory() + stream.Size()}; }

std::unique_ptr<TBitmap> decode(const std::vector<Byte>& bytes) {
  TMemoryStream stream = memory(bytes);
  return decode_with_gdiplus(stream);
}

// The first directory of a little-endian classic TIFF: where it starts and ends (its link to the
// next directory included).
std::pair<size_t, size_t> first_directory(const std::vector<Byte>& tiff) {
  const size_t at = tiff[4] | tiff[5] << 8 | tiff[6] << 16 | size_t{tiff[7]} << 24;
  const size_t count = tiff[at] | tiff[at + 1] << 8;
  return {at, at + 2 + 12 * count + 4};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Decoding with the system's libgdiplus
// ---------------------------------------------------------------------------------------------
class GdiPlusDecode : public ::testing::Test {
protected:
  void SetUp() override {
    ResetGdiPlus();
    ASSERT_TRUE(GdiPlus().Loaded()) << "libgdiplus.so.0 is needed";
  }
};

TEST_F(GdiPlusDecode, LosslessFormatsGiveTheExactPixels) {
  const TestImage image = blocks(22, 14, 4);  // odd sizes: rows need padding
  const TestImage grey_image = grey(image);
  const TestImage rle_image = blocks(24, 14, 4);
  struct Case {
    const char* name;
    std::vector<Byte> bytes;
    const TestImage* expected;
    TGdipFormat format;
  };
  const std::vector<Case> cases = {
      {"PNG 24-bit", convert(image, "", "PNG24"), &image, gfPNG},
      {"PNG palette", convert(image, "", "PNG8"), &image, gfPNG},
      {"PNG 48-bit", convert(image, "-depth 16", "PNG48"), &image, gfPNG},
      {"PNG interlaced", convert(image, "-interlace PNG", "PNG24"), &image, gfPNG},
      {"PNG grey", convert(grey_image, "-colorspace Gray", "PNG"), &grey_image, gfPNG},
      {"BMP 24-bit by hand", bmp(image, 24), &image, gfBMP},
      {"BMP 8-bit by hand", bmp(image, 8), &image, gfBMP},
      // (libgdiplus does not cut runs that spill into a row's padding: a width of 4n here)
      {"BMP RLE8", convert(blocks(24, 14, 4), "-type Palette -compress RLE", "BMP3"), &rle_image, gfBMP},
      {"GIF", convert(image, "", "GIF"), &image, gfGIF},
      {"GIF interlaced", convert(image, "-interlace GIF", "GIF"), &image, gfGIF},
      {"TIFF plain", convert(image, "-compress None", "TIFF"), &image, gfTIFF},
      {"TIFF LZW", convert(image, "-compress LZW", "TIFF"), &image, gfTIFF},
      {"TIFF deflate big-endian", convert(image, "-compress Zip -endian MSB", "TIFF"), &image, gfTIFF},
      {"TIFF palette", convert(image, "-type Palette", "TIFF"), &image, gfTIFF},
      {"BigTIFF", convert(image, "", "TIFF64"), &image, gfTIFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    TMemoryStream stream = memory(c.bytes);
    TGdipPicture picture;
    picture.LoadFromStream(stream);
    ASSERT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Width(), c.expected->width);
    EXPECT_EQ(picture.Height(), c.expected->height);
    EXPECT_EQ(picture.Format(), c.format);
    auto bitmap = picture.ToBitmap();
    ASSERT_NE(bitmap, nullptr);
    expect_pixels(*bitmap, *c.expected);
  }
}

TEST_F(GdiPlusDecode, JpegPixelsWithinTolerance) {
  const TestImage image = blocks(48, 32, 16);  // flat 16 x 16 blocks: centres survive the DCT
  const TestImage grey_image = grey(image);
  const std::vector<std::pair<const char*, std::vector<Byte>>> cases = {
      {"baseline", convert(image, "-quality 95", "JPEG")},
      {"progressive", convert(image, "-quality 95 -interlace JPEG", "JPEG")},
      {"CMYK", convert(image, "-quality 95 -colorspace CMYK", "JPEG")},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    auto bitmap = decode(bytes);
    ASSERT_NE(bitmap, nullptr);
    expect_pixels(*bitmap, image, 8, 16);
  }
  auto bitmap = decode(convert(grey_image, "-quality 95 -colorspace Gray", "JPEG"));
  ASSERT_NE(bitmap, nullptr);
  expect_pixels(*bitmap, grey_image, 8, 16);

  TMemoryStream stream = memory(convert(image, "", "JPEG"));
  TGdipPicture picture;
  picture.LoadFromStream(stream);
  EXPECT_EQ(picture.Format(), gfJPEG);
}

TEST_F(GdiPlusDecode, FirstFrameOfMultiFrameFiles) {
  const TestImage first = blocks(16, 12, 4, 0), second = blocks(16, 12, 4, 40);
  for (const auto& [name, bytes] : std::vector<std::pair<const char*, std::vector<Byte>>>{
           {"TIFF", convert({first, second}, "-compress LZW", "TIFF")},
           {"GIF", convert({first, second}, "-delay 10", "GIF")}}) {
    SCOPED_TRACE(name);
    auto bitmap = decode(bytes);
    ASSERT_NE(bitmap, nullptr);
    expect_pixels(*bitmap, first);
  }
}

TEST_F(GdiPlusDecode, TransparentPixelsLieOverWhite) {
  // Red, green, blue and grey at full, half, a quarter and no opacity.
  const std::vector<std::array<int, 4>> row = {
      {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 64}, {100, 100, 100, 0}, {10, 20, 30, 200}};
  auto bitmap = decode(png_rgba(row));
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Width(), 5);
  for (int x = 0; x < 5; ++x) {
    const auto& p = row[static_cast<size_t>(x)];
    auto over_white = [&](int c) { return (c * p[3] + 255 * (255 - p[3]) + 127) / 255; };
    const Px want{over_white(p[0]), over_white(p[1]), over_white(p[2])};
    EXPECT_TRUE(near(pixel(*bitmap, x, 0), want, 1)) << x << ": " << text(pixel(*bitmap, x, 0)) << " vs " << text(want);
  }
}

TEST_F(GdiPlusDecode, IndicesPastAShortColourTableAreBlack) {
  // A 4 x 1 GIF with a colour table of two entries (red, green) whose 8-bit codes name indices
  // 255, 0, 200 and 1: libgdiplus read the colours of 255 and 200 from past the table's end (a
  // crash when that memory was not there). Codes: clear (256), the four indices, end (257), nine
  // bits each, lowest bit first.
  std::vector<Byte> codes;
  std::uint32_t acc = 0;
  int held = 0;
  for (std::uint32_t code : {256u, 255u, 0u, 200u, 1u, 257u}) {
    acc |= code << held, held += 9;
    for (; held >= 8; held -= 8, acc >>= 8) codes.push_back(static_cast<Byte>(acc));
  }
  if (held > 0) codes.push_back(static_cast<Byte>(acc));
  std::vector<Byte> gif{'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0,
                        0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0, 8, static_cast<Byte>(codes.size())};
  gif.insert(gif.end(), codes.begin(), codes.end());
  gif.insert(gif.end(), {0, 0x3B});
  const Px want[4] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 0}, {0, 255, 0}};
  // Drawn by the picture class, and read by the codec layer's fallback.
  auto bitmap = decode(gif);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Width(), 4);
  TMemoryStream stream = memory(gif);
  TDibGraphic dib;
  LoadWithGdiPlus(stream, dib);
  ASSERT_EQ(dib.Width(), 4);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(text(pixel(*bitmap, x, 0)), text(want[x])) << x;
    const Byte* bgr = dib.GetScanLine(0) + 3 * x;
    EXPECT_EQ(text(Px{bgr[2], bgr[1], bgr[0]}), text(want[x])) << x;
  }
}

// Tall RLE bitmaps of a few bytes are read only where their codes can reach, from either end: a
// run in the bottom row, another 200 rows up past a jump, the rest index 0; upside down (a
// negative height), from whichever end the library starts at.
TEST_F(GdiPlusDecode, TallRunLengthBitmapsKeepTheRowsTheirCodesReach) {
  constexpr int kHeight = 4'000'000;
  const Px zero{10, 20, 30}, five{200, 0, 0}, seven{0, 0, 220};
  const auto rle8 = [&](int width, int height, const std::vector<Byte>& codes) {
    std::vector<Byte> file{'B', 'M'};
    put32(file, static_cast<unsigned>(14 + 40 + 1024 + codes.size()));
    put32(file, 0);
    put32(file, 14 + 40 + 1024);
    put32(file, 40);
    put32(file, static_cast<unsigned>(width));
    put32(file, static_cast<unsigned>(height));
    put16(file, 1);
    put16(file, 8);
    put32(file, 1);  // RLE8
    put32(file, static_cast<unsigned>(codes.size()));
    for (int i = 0; i < 4; ++i) put32(file, 0);
    for (int i = 0; i < 256; ++i) {
      const Px c = i == 0 ? zero : i == 5 ? five : i == 7 ? seven : Px{i, i, i};
      file.insert(file.end(), {Byte(c.b), Byte(c.g), Byte(c.r), 0});
    }
    file.insert(file.end(), codes.begin(), codes.end());
    return file;
  };
  for (const bool top_down : {false, true}) {
    SCOPED_TRACE(top_down ? "top-down" : "bottom-up");
    // run, row end, jump, run, end
    TMemoryStream stream = memory(rle8(1, top_down ? -kHeight : kHeight, {1, 5, 0, 0, 0, 2, 0, 199, 1, 7, 0, 1}));
    TDibGraphic dib;
    LoadWithGdiPlus(stream, dib);
    if (top_down && dib.Empty()) continue;  // a library that refuses these is right to
    ASSERT_EQ(dib.Width(), 1);
    ASSERT_EQ(dib.Height(), kHeight);
    const auto row = [&](int y) {
      const Byte* bgr = dib.GetScanLine(y);
      return text(Px{bgr[2], bgr[1], bgr[0]});
    };
    // (libgdiplus starts those at the bottom as well)
    const bool from_top = top_down && row(0) == text(five);
    const int first = from_top ? 0 : kHeight - 1, step = from_top ? 1 : -1;
    EXPECT_EQ(row(first), text(five));
    EXPECT_EQ(row(first + 200 * step), text(seven));
    for (int y : {first + step, first + 199 * step, first + 201 * step, kHeight - 1 - first, kHeight / 2, 300'000})
      EXPECT_EQ(row(y), text(zero)) << y;
  }
  // Drawn as a bitmap too, in memory that a picture of index 1 held just before.
  TestImage ones{3, 2, std::vector<Px>(6, Px{9, 9, 9})};
  ones.pixels[0] = Px{0, 0, 0};
  ASSERT_NE(decode(bmp(ones, 8)), nullptr);
  const auto bitmap = decode(rle8(3, 2, {1, 5, 0, 1}));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(text(pixel(*bitmap, 0, 1)), text(five));
  for (const auto& [x, y] : {std::pair{1, 1}, {2, 1}, {0, 0}, {2, 0}}) EXPECT_EQ(text(pixel(*bitmap, x, y)), text(zero));
}

TEST_F(GdiPlusDecode, ReadsTheWholeStreamWhateverItsPosition) {
  const TestImage image = blocks(10, 6, 2);
  const auto bytes = convert(image, "", "PNG24");
  TMemoryStream stream = memory(bytes);
  for (Int64 position : {Int64{0}, Int64{20}, static_cast<Int64>(bytes.size())}) {
    stream.SetPosition(position);
    auto bitmap = decode_with_gdiplus(stream);
    ASSERT_NE(bitmap, nullptr) << position;
    expect_pixels(*bitmap, image);
  }
}

TEST_F(GdiPlusDecode, UndecodableInputLeavesThePictureEmptyWithoutError) {
  std::vector<Byte> noise(300);
  unsigned seed = 12345;
  for (auto& b : noise) b = static_cast<Byte>((seed = seed * 1103515245u + 12345u) >> 16);
  const auto png = convert(blocks(8, 8, 2), "", "PNG24");
  const auto tiff = convert(blocks(22, 14, 4), "-type Palette -compress None", "TIFF");  // 8-bit palette
  std::vector<Byte> gif_junk{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF};
  std::vector<Byte> png_cut(png.begin(), png.begin() + 30);
  // A TIFF cut inside the first directory's link to the next one: libgdiplus takes it and then
  // crashes on the image it returns.
  const size_t directory_end = first_directory(tiff).second;
  std::vector<Byte> tiff_cut(tiff.begin(), tiff.begin() + static_cast<long>(directory_end - 2));
  for (const auto& [name, bytes] : std::vector<std::pair<const char*, std::vector<Byte>>>{
           {"nothing", {}},
           {"noise", noise},
           {"GIF header only", gif_junk},
           {"cut PNG", png_cut},
           {"TIFF cut in its directory link", tiff_cut}}) {
    SCOPED_TRACE(name);
    TMemoryStream stream = memory(bytes);
    TGdipPicture picture;
    EXPECT_NO_THROW(picture.LoadFromStream(stream));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.ToBitmap(), nullptr);
    TMemoryStream saved;
    picture.SaveToStream(saved);
    EXPECT_EQ(saved.Size(), 0);
    EXPECT_EQ(decode(bytes), nullptr);
  }
  // The same TIFF whole decodes.
  EXPECT_NE(decode(tiff), nullptr);
}

TEST_F(GdiPlusDecode, DrawStretchesByNearestPixelAndBlends) {
  const TestImage image = blocks(6, 4, 1);
  const auto bytes = convert(image, "", "PNG24");
  TMemoryStream stream = memory(bytes);
  TGdipPicture picture;
  picture.LoadFromStream(stream);
  TBitmap target;
  target.SetSize(14, 10);
  picture.Draw(*target.Canvas(), Rect(2, 2, 14, 10));  // twice the size, one pixel in and down
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_TRUE(near(pixel(target, 2 + x, 2 + y), image.at(x / 2, y / 2), 0)) << x << "," << y;
  EXPECT_TRUE(near(pixel(target, 1, 1), {255, 255, 255}, 0));  // outside the rectangle: untouched

  // A half-transparent picture blends over what the canvas holds.
  TMemoryStream alpha = memory(png_rgba({{0, 0, 255, 128}}));
  TGdipPicture translucent;
  translucent.LoadFromStream(alpha);
  TBitmap black;
  black.SetSize(4, 4);
  black.Canvas()->Brush().SetColor(clBlack);
  black.Canvas()->FillRect(Rect(0, 0, 4, 4));
  translucent.Draw(*black.Canvas(), Rect(0, 0, 4, 4));
  EXPECT_TRUE(near(pixel(black, 3, 3), {0, 0, 128}, 1)) << text(pixel(black, 3, 3));
}

// ---------------------------------------------------------------------------------------------
// Saving and assigning
// ---------------------------------------------------------------------------------------------
class GdiPlusSave : public GdiPlusDecode {
protected:
  void fill(TBitmap& bitmap, const TestImage& image) {
    bitmap.SetSize(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const Px c = image.at(x, y);
        bitmap.Canvas()->SetPixels(x, y, RGB(c.r, c.g, c.b));
      }
  }
  static std::vector<Byte> saved(TGdipPicture& picture) {
    TMemoryStream stream;
    picture.SaveToStream(stream);
    return contents(stream);
  }
  static std::unique_ptr<TBitmap> reload(const std::vector<Byte>& bytes) { return decode(bytes); }
};

TEST_F(GdiPlusSave, LoadedPictureWritesItsBytesUnchanged) {
  const auto bytes = convert(blocks(8, 8, 2), "-quality 50", "JPEG");
  TMemoryStream stream = memory(bytes);
  TJpegImage picture;  // its class does not matter while it holds the file
  picture.LoadFromStream(stream);
  EXPECT_EQ(saved(picture), bytes);

  TGdipPicture copy;
  copy.Assign(&picture);
  EXPECT_FALSE(copy.MadeFromBitmap());
  EXPECT_EQ(saved(copy), bytes);
}

TEST_F(GdiPlusSave, PictureFromABitmapEncodesInItsClassFormat) {
  const TestImage image = blocks(12, 9, 3);
  TBitmap bitmap;
  fill(bitmap, image);

  TPngImage png;
  png.Assign(&bitmap);
  ASSERT_FALSE(png.Empty());
  EXPECT_TRUE(png.MadeFromBitmap());
  EXPECT_EQ(png.Width(), 12);
  auto bytes = saved(png);
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  auto back = reload(bytes);
  ASSERT_NE(back, nullptr);
  expect_pixels(*back, image);

  TGifImage gif;
  gif.Assign(&bitmap);
  bytes = saved(gif);
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "GIF8");

  TTiffImage tiff;
  tiff.Assign(&bitmap);
  bytes = saved(tiff);
  ASSERT_GE(bytes.size(), 8u);
  back = reload(bytes);
  ASSERT_NE(back, nullptr);
  expect_pixels(*back, image);

  TGdipPicture plain;  // the image's own format: a bitmap made in memory counts as BMP
  plain.Assign(&bitmap);
  bytes = saved(plain);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), "BM");

  // A picture container stands for its bitmap.
  TPicture container;
  container.SetGraphic(&bitmap);
  TPngImage from_container;
  from_container.Assign(&container);
  back = reload(saved(from_container));
  ASSERT_NE(back, nullptr);
  expect_pixels(*back, image);
}

TEST_F(GdiPlusSave, JpegQualityReachesTheEncoder) {
  TBitmap detailed;
  fill(detailed, blocks(64, 64, 1));
  TJpegImage jpeg;
  EXPECT_EQ(jpeg.CompressionQuality(), 80);
  jpeg.Assign(&detailed);
  jpeg.SetCompressionQuality(5);
  const auto rough = saved(jpeg);
  jpeg.SetCompressionQuality(98);
  const auto fine = saved(jpeg);
  ASSERT_FALSE(rough.empty());
  EXPECT_LT(rough.size() * 2, fine.size());

  const TestImage flat = blocks(64, 64, 16);
  TBitmap bitmap;
  fill(bitmap, flat);
  jpeg.Assign(&bitmap);
  auto back = reload(saved(jpeg));
  ASSERT_NE(back, nullptr);
  expect_pixels(*back, flat, 8, 16);
}

TEST_F(GdiPlusSave, EmptyOrMissingSourcesClearThePicture) {
  TBitmap bitmap;
  fill(bitmap, blocks(4, 4, 2));
  TGdipPicture picture;
  picture.Assign(&bitmap);
  ASSERT_FALSE(picture.Empty());
  picture.Assign(nullptr);
  EXPECT_TRUE(picture.Empty());

  picture.Assign(&bitmap);
  TGdipPicture empty;
  picture.Assign(&empty);
  EXPECT_TRUE(picture.Empty());

  picture.Assign(&bitmap);
  TBitmap no_pixels;
  picture.Assign(&no_pixels);
  EXPECT_TRUE(picture.Empty());

  picture.Assign(&bitmap);
  TPen not_a_graphic;
  picture.Assign(&not_a_graphic);
  EXPECT_TRUE(picture.Empty());
}

TEST_F(GdiPlusSave, LoadFromFile) {
  hw_test::ScratchDir dir;
  const TestImage image = blocks(5, 3, 1);
  write_file(dir.file("p.gif"), convert(image, "", "GIF"));
  TGifImage picture;
  picture.LoadFromFile(dir.file("p.gif"));
  auto bitmap = picture.ToBitmap();
  ASSERT_NE(bitmap, nullptr);
  expect_pixels(*bitmap, image);
  EXPECT_NO_THROW(picture.LoadFromFile(dir.file("missing.gif")));
  EXPECT_TRUE(picture.Empty());
  EXPECT_NO_THROW(picture.LoadFromFile(dir.path()));
  EXPECT_TRUE(picture.Empty());
  EXPECT_STREQ(GdipFormatExtension(gfJPEG), ".jpg");
}

// Metafiles play into bitmaps, into a context and through the picture container, within the
// pixel limit.
TEST_F(GdiPlusDecode, MetafilesPlayOntoBitmapsAndContexts) {
  hw_test::ScratchDir dir;
  write_file(dir.file("m.emf"), hw_test::small_metafile(true, 40, 30, 0x0000FF));
  write_file(dir.file("m.wmf"), hw_test::small_metafile(false, 40, 30, 0x00FF00));
  for (const auto& [name, centre] : {std::pair{"m.emf", Px{255, 0, 0}}, {"m.wmf", Px{0, 255, 0}}}) {
    TPicture container;
    container.LoadFromFile(dir.file(name));
    ASSERT_EQ(container.Graphic()->ClassName(), "TMetafile") << name;
    auto bitmap = static_cast<TGdipPicture*>(container.Graphic())->ToBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_NEAR(bitmap->Width(), 40, 1);
    EXPECT_EQ(text(pixel(*bitmap, 20, 15)), text(centre)) << name;
    EXPECT_EQ(text(pixel(*bitmap, 0, 0)), text(Px{255, 255, 255})) << name;
  }
  const std::vector<Byte> emf = hw_test::small_metafile(true, 40, 30, 0x0000FF);
  TBitmap canvas;
  canvas.SetSize(60, 50);
  HENHMETAFILE handle = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), emf.data());
  GdiPlus().DrawMetafile(canvas.Canvas()->Handle(), handle, Rect(20, 10, 61, 41));
  DeleteEnhMetaFile(handle);
  EXPECT_EQ(text(pixel(canvas, 40, 25)), text(Px{255, 0, 0}));
  EXPECT_EQ(text(pixel(canvas, 15, 25)), text(Px{255, 255, 255}));
  // Played into rectangles wider and taller than they are square, without a pen, filled past its
  // frame: the played area ends one pixel before the rectangle's right and bottom.
  const std::vector<Byte> full = hw_test::emf_file(
      {hw_test::emf_record(37, {0x80000008}), hw_test::emf_record(39, {1, 0, 0x0000FF, 0}), hw_test::emf_record(37, {1}),
       hw_test::emf_record(86, {0, 0, 100, 100, 4}, hw_test::words({0, 0, 100, 0, 100, 100, 0, 100}))});
  for (const TRect rect : {Rect(20, 10, 81, 41), Rect(5, 5, 26, 66)}) {
    TBitmap board;
    board.SetSize(90, 70);
    handle = SetEnhMetaFileBits(static_cast<UINT>(full.size()), full.data());
    GdiPlus().DrawMetafile(board.Canvas()->Handle(), handle, rect);
    DeleteEnhMetaFile(handle);
    const int mid_x = (rect.Left + rect.Right) / 2, mid_y = (rect.Top + rect.Bottom) / 2;
    EXPECT_EQ(text(pixel(board, rect.Right - 2, mid_y)), text(Px{255, 0, 0})) << rect.Right;
    EXPECT_EQ(text(pixel(board, rect.Right - 1, mid_y)), text(Px{255, 255, 255})) << rect.Right;
    EXPECT_EQ(text(pixel(board, mid_x, rect.Bottom - 2)), text(Px{255, 0, 0})) << rect.Bottom;
    EXPECT_EQ(text(pixel(board, mid_x, rect.Bottom - 1)), text(Px{255, 255, 255})) << rect.Bottom;
    EXPECT_EQ(text(pixel(board, rect.Left, rect.Top)), text(Px{255, 0, 0}));
  }
  // 20000 x 2000 pixels: two tiles across (16384 pixels wide at most) and two bands down (1024
  // rows of the first tile's width); 100 x 40000: one band that libgdiplus draws in three tiles
  // down (16384 rows at most). Each quarter has its own colour.
  for (const auto& [w, h, split_x, split_y] : {std::tuple{20000, 2000, 18000, 1500}, {100, 40000, 50, 30000}}) {
    std::vector<hw_test::MetafileBytes> records{hw_test::emf_record(37, {0x80000008})};
    const std::int64_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    const Px want[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    std::vector<std::tuple<int, int, int>> probes;
    for (int q = 0; q < 4; ++q) {
      const int l = q % 2 ? split_x : 0, r = q % 2 ? w : split_x, t = q < 2 ? 0 : split_y, b = q < 2 ? split_y : h;
      records.push_back(hw_test::emf_record(39, {1 + q, 0, colours[q], 0}));
      records.push_back(hw_test::emf_record(37, {1 + q}));
      records.push_back(hw_test::emf_record(3, {l, t, r, b, 4, l, t, r, t, r, b, l, b}));
      probes.insert(probes.end(), {{l + 10, t + 10, q}, {r - 10, b - 10, q}});
    }
    hw_test::EmfHeader header;
    header.frame[2] = 10 * (w - 1), header.frame[3] = 10 * (h - 1);
    TMemoryStream stream = memory(hw_test::emf_file(records, header));
    TMetafile picture;
    picture.LoadFromStream(stream);
    ASSERT_EQ(picture.Width(), w);
    ASSERT_EQ(picture.Height(), h);
    TDibGraphic played;
    ASSERT_TRUE(picture.CopyTo(played));
    for (const auto& [x, y, q] : probes) {
      const Byte* bgr = played.GetScanLine(y) + 3 * x;
      EXPECT_EQ(text(Px{bgr[2], bgr[1], bgr[0]}), text(want[q])) << x << ", " << y;
    }
  }
  // Declared 20,000 pixels square: refused before a bitmap is made.
  write_file(dir.file("huge.emf"), hw_test::small_metafile(true, 20000, 20000, 0));
  TPicture container;
  EXPECT_THROW(container.LoadFromFile(dir.file("huge.emf")), EPictureTooLarge);
  TMemoryStream stream = memory(hw_test::small_metafile(true, 20000, 20000, 0));
  TDibGraphic dib;
  EXPECT_THROW(LoadWithGdiPlus(stream, dib), EZuroroveError);
  write_file(dir.file("png.emf"), convert(blocks(4, 4, 2), "", "PNG24"));
  EXPECT_THROW(container.LoadFromFile(dir.file("png.emf")), EInvalidGraphic);
  // Metafiles the record check refuses (a header of 0 micrometres high, a polyline counting more
  // points than its record holds) never reach libgdiplus, under any name.
  hw_test::EmfHeader header;
  header.micrometres = {{10000, 0}};
  const std::vector<Byte> flat = hw_test::emf_file({hw_test::emf_record(43, {2, 2, 38, 28})}, header);
  const std::vector<Byte> polyline =
      hw_test::wmf_file({hw_test::wmf_record(0x0214, {0, 0}), hw_test::wmf_record(0x0325, {5, 1, 1, 9, 9, 1, 9, 9, 1})}, 40, 30);
  for (const std::vector<Byte>& bad : {flat, polyline}) {
    write_file(dir.file("bad.wmf"), bad);
    try {
      container.LoadFromFile(dir.file("bad.wmf"));
      ADD_FAILURE() << "a refused metafile loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Unable to convert to internal bitmap format");
    }
    TMemoryStream named_png = memory(bad);
    EXPECT_THROW(LoadWithGdiPlus(named_png, dib), Exception);
  }
}

// ---------------------------------------------------------------------------------------------
// Loading GDI+: stand-in libraries log what they are asked to do
// ---------------------------------------------------------------------------------------------
class GdiPlusLoading : public ::testing::Test {
protected:
  void SetUp() override {
    handle_ = dlopen(FAKE_GDIPLUS_FULL, RTLD_NOW | RTLD_LOCAL);  // keeps the log alive
    ASSERT_NE(handle_, nullptr) << dlerror();
    log_ = reinterpret_cast<std::string* (*)()>(dlsym(handle_, "fake_gdiplus_log"))();
    reset_ = reinterpret_cast<void (*)(flat::Status)>(dlsym(handle_, "fake_gdiplus_reset"));
    loads_ = reinterpret_cast<int (*)()>(dlsym(handle_, "fake_gdiplus_loads"));
    reset_(flat::Ok);
  }
  void TearDown() override {
    ResetGdiPlus();
    if (handle_ != nullptr) dlclose(handle_);
  }
  template <class F>
  F fake(const char* name) {
    return reinterpret_cast<F>(dlsym(handle_, name));
  }

  void* handle_ = nullptr;
  std::string* log_ = nullptr;
  void (*reset_)(flat::Status) = nullptr;
  int (*loads_)() = nullptr;
};

TEST_F(GdiPlusLoading, StartsWithoutBackgroundThreadAndShutsDownInOrder) {
  {
    TGDIPlus gdiplus(FAKE_GDIPLUS_FULL);
    EXPECT_TRUE(gdiplus.Loaded());
    EXPECT_EQ(*log_, "startup(1,1,0) hook ");
  }
  EXPECT_EQ(*log_, "startup(1,1,0) hook unhook(77) shutdown(42) ");
}

TEST_F(GdiPlusLoading, FailedStartupMissingEntryOrLibraryLeaveGdiPlusUnloaded) {
  reset_(18);  // GdiplusNotTrueTypeFont, or any other failure
  {
    TGDIPlus gdiplus(FAKE_GDIPLUS_FULL);
    EXPECT_FALSE(gdiplus.Loaded());
    EXPECT_EQ(gdiplus.Api().GdiplusShutdown, nullptr);
  }
  EXPECT_EQ(*log_, "startup(1,1,0) ");  // no hook, no shutdown

  for (const char* name : {FAKE_GDIPLUS_PARTIAL, "libgdiplus-not-there.so.0", "libz.so.1", ""}) {
    SCOPED_TRACE(name);
    TGDIPlus gdiplus(name);
    EXPECT_FALSE(gdiplus.Loaded());
    EXPECT_EQ(gdiplus.Handle(), nullptr);

    // Every picture over it stays empty.
    const auto bytes = bmp(blocks(4, 4, 1), 24);
    TMemoryStream stream = memory(bytes);
    TGdipPicture picture(gdiplus);
    EXPECT_NO_THROW(picture.LoadFromStream(stream));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.ToBitmap(), nullptr);
    TBitmap bitmap;
    bitmap.SetSize(3, 3);
    picture.Assign(&bitmap);
    EXPECT_TRUE(picture.Empty());
    TMemoryStream out;
    picture.SaveToStream(out);
    EXPECT_FALSE(picture.SaveAs(out, gfPNG, 0, 0));
    EXPECT_EQ(out.Size(), 0);
  }
  EXPECT_EQ(*log_, "startup(1,1,0) ");  // the partial library was never started
}

TEST_F(GdiPlusLoading, UnitObjectLoadsOnceForManyPicturesAndReadsWholeStreams) {
  ResetGdiPlus(FAKE_GDIPLUS_FULL);
  std::vector<Byte> bytes;
  for (int i = 0; i < 23; ++i) bytes.push_back(static_cast<Byte>(i * 11));
  TMemoryStream stream = memory(bytes);
  for (int i = 0; i < 6; ++i) {
    stream.SetPosition(i * 3);
    EXPECT_EQ(decode_with_gdiplus(stream), nullptr);
  }
  EXPECT_EQ(loads_(), 6);
  EXPECT_EQ(*log_, "startup(1,1,0) hook load load load load load load ");
  EXPECT_EQ(*fake<const std::vector<unsigned char>* (*)()>("fake_gdiplus_bytes_seen")(), bytes);
  EXPECT_EQ(fake<long (*)()>("fake_gdiplus_size_seen")(), 23);
  EXPECT_TRUE(fake<bool (*)()>("fake_gdiplus_callbacks_behaved")());

  ResetGdiPlus();
  EXPECT_EQ(*log_, "startup(1,1,0) hook load load load load load load unhook(77) shutdown(42) ");

  // The system's library: one object for every picture.
  TGDIPlus* first = &GdiPlus();
  ASSERT_TRUE(first->Loaded());
  const auto png = convert(blocks(4, 4, 2), "", "PNG24");
  for (int i = 0; i < 10; ++i) EXPECT_NE(decode(png), nullptr);
  EXPECT_EQ(&GdiPlus(), first);
  EXPECT_EQ(GdiPlus().Handle(), first->Handle());
}

TEST_F(GdiPlusLoading, EncoderGetsFormatQualityCompressionAndResolution) {
  auto images = fake<int (*)()>("fake_gdiplus_images");
  {
    TGDIPlus gdiplus(FAKE_GDIPLUS_FULL);
    const std::string file = "FAKEIMG, as the stand-in reads it";
    TMemoryStream stream = memory({file.begin(), file.end()});
    TTiffImage picture(gdiplus);
    picture.LoadFromStream(stream);
    ASSERT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 1);
    EXPECT_EQ(picture.Format(), gfPNG);
    EXPECT_EQ(images(), 1);

    struct Case {
      TGdipFormat format;
      int value, resolution;
      std::string logged;
    };
    const std::string tiff = "save(557CF405,E09D739D:1:4=";  // compression, one long value
    const std::vector<Case> cases = {
        {gfTIFF, 6, 0, tiff + "6) "},   {gfTIFF, 2, 0, tiff + "2) "},  {gfTIFF, 5, 0, tiff + "5) "},
        {gfTIFF, 80, 0, tiff + "2) "},  {gfTIFF, 1, 0, tiff + "2) "},  {gfTIFF, -1, 0, tiff + "2) "},
        {gfJPEG, 55, 0, "save(557CF401,1D5BE4B5:1:4=55) "},             {gfJPEG, 0, 0, "save(557CF401,1D5BE4B5:1:4=0) "},
        {gfJPEG, -1, 0, "save(557CF401) "},
        {gfPNG, 80, 300, "resolution(300,300) save(557CF406) "},
        {gfGIF, 0, 0, "save(557CF402) "}, {gfBMP, 0, 0, "save(557CF400) "},
    };
    for (const auto& c : cases) {
      log_->clear();
      TMemoryStream out;
      out.WriteBuffer("xy", 2);
      ASSERT_TRUE(picture.SaveAs(out, c.format, c.value, c.resolution));
      EXPECT_EQ(*log_, c.logged);
      EXPECT_EQ(contents(out), (std::vector<Byte>{'x', 'y', 'E', 'N', 'C', 'O', 'D', 'E', 'D'}));
    }
    // Holding its file, the picture writes it back rather than encoding.
    log_->clear();
    TMemoryStream out;
    picture.SaveToStream(out);
    EXPECT_EQ(contents(out), std::vector<Byte>(file.begin(), file.end()));
    EXPECT_EQ(*log_, "");
  }
  EXPECT_EQ(images(), 0);  // disposed with the picture
}

TEST(GdiPlusGuard, TiffWhoseFirstDirectoryIsCutIsRefused) {
  // Classic TIFF, both byte orders: header, then a directory of 2 entries at offset 8.
  for (bool little : {true, false}) {
    std::vector<Byte> tiff = little ? std::vector<Byte>{'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0}
                                    : std::vector<Byte>{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2};
    tiff.resize(8 + 2 + 2 * 12 + 4, 0);  // entries and the link to the next directory
    EXPECT_TRUE(gdiplus_can_take(tiff.data(), tiff.size()));
    for (size_t cut = 1; cut <= 4; ++cut) EXPECT_FALSE(gdiplus_can_take(tiff.data(), tiff.size() - cut)) << cut;
    EXPECT_FALSE(gdiplus_can_take(tiff.data(), 9));
    EXPECT_FALSE(gdiplus_can_take(tiff.data(), 6));
  }
  // BigTIFF: 8-byte offsets and counts, 20-byte entries.
  std::vector<Byte> big{'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  big.resize(16 + 8 + 20 + 8, 0);
  EXPECT_TRUE(gdiplus_can_take(big.data(), big.size()));
  EXPECT_FALSE(gdiplus_can_take(big.data(), big.size() - 1));
  // A huge entry count or a directory past the end.
  std::vector<Byte> huge{'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0};
  EXPECT_FALSE(gdiplus_can_take(huge.data(), huge.size()));
  std::vector<Byte> far{'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
  EXPECT_FALSE(gdiplus_can_take(far.data(), far.size()));
  // Some of the four tile tags but not all (TileWidth 322 with strip tags, as fuzzing found):
  // refused; all four: taken. Entries are tag, type 3, count 1, value.
  auto directory = [](std::vector<std::uint16_t> tags) {
    std::vector<Byte> t{'I', 'I', 42, 0, 8, 0, 0, 0, static_cast<Byte>(tags.size()), 0};
    for (std::uint16_t tag : tags) t.insert(t.end(), {static_cast<Byte>(tag), static_cast<Byte>(tag >> 8), 3, 0, 1, 0, 0, 0, 16, 0, 0, 0});
    t.resize(t.size() + 4, 0);
    return t;
  };
  for (auto tags : {std::vector<std::uint16_t>{256, 257, 273, 279, 322}, {256, 257, 322, 323, 324}, {325}}) {
    const std::vector<Byte> t = directory(tags);
    EXPECT_FALSE(gdiplus_can_take(t.data(), t.size())) << tags.back();
  }
  const std::vector<Byte> tiled = directory({256, 257, 322, 323, 324, 325});
  EXPECT_TRUE(gdiplus_can_take(tiled.data(), tiled.size()));
  const std::vector<Byte> striped = directory({256, 257, 273, 278, 279});
  EXPECT_TRUE(gdiplus_can_take(striped.data(), striped.size()));
  // A palette BMP goes with a colour table of 2^bits entries (or 0, meaning as many) only: a
  // shorter table made libgdiplus read past it.
  for (auto [bits, used, taken] : {std::tuple{8, 5u, false}, {4, 5u, false}, {4, 17u, false}, {4, 16u, true},
                                   {8, 0u, true}, {24, 5u, true}}) {
    std::vector<Byte> bmp(54, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40, bmp[18] = 7, bmp[22] = 5, bmp[26] = 1;
    bmp[28] = static_cast<Byte>(bits);
    bmp[46] = static_cast<Byte>(used);
    EXPECT_EQ(gdiplus_can_take(bmp.data(), bmp.size()), taken) << bits << " bits, " << used << " colours";
    // Compressions 0 to 6 are BMP's own; anything else is not handed over. Run-length coding
    // is defined for 8-bit (RLE8, 1) and 4-bit (RLE4, 2) pictures only.
    for (Byte compression : {1, 2, 6, 7, 0x40}) {
      bmp[30] = compression;
      const bool defined = compression <= 6 && (compression != 1 || bits == 8) && (compression != 2 || bits == 4);
      EXPECT_EQ(gdiplus_can_take(bmp.data(), bmp.size()), taken && defined) << int{compression};
    }
  }
  // Anything else goes to GDI+ as it is.
  const std::vector<Byte> other{'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_TRUE(gdiplus_can_take(other.data(), other.size()));
  EXPECT_TRUE(gdiplus_can_take(nullptr, 0));
}

// ---------------------------------------------------------------------------------------------
// The codec layer's fallback: decoded pixels guarded by digests
// ---------------------------------------------------------------------------------------------
namespace {

// A BMP file by hand in 1, 4, 8, 24 or 32 bits (32: the fourth byte `fourth`), bottom-up, with
// padding bytes that must not show; palette formats take the image's colours in order of
// appearance.
std::vector<Byte> bmp_any(const TestImage& image, int bits, Byte fourth = 0xFF) {
  std::vector<Px> palette;
  auto index_of = [&](Px c) {
    for (size_t i = 0; i < palette.size(); ++i)
      if (palette[i].r == c.r && palette[i].g == c.g && palette[i].b == c.b) return static_cast<unsigned>(i);
    palette.push_back(c);
    return static_cast<unsigned>(palette.size() - 1);
  };
  const int row_bytes = ((image.width * bits + 31) / 32) * 4;
  std::vector<Byte> pixels;
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<Byte> row(static_cast<size_t>(row_bytes), 0);
    for (int x = 0; x < image.width; ++x) {
      const Px c = image.at(x, y);
      if (bits == 24 || bits == 32) {
        const size_t at = static_cast<size_t>(x * bits / 8);
        row[at] = Byte(c.b), row[at + 1] = Byte(c.g), row[at + 2] = Byte(c.r);
        if (bits == 32) row[at + 3] = fourth;
      } else {
        const unsigned index = index_of(c) & ((1u << bits) - 1);
        const int bit = x * bits;
        row[static_cast<size_t>(bit / 8)] |= Byte(index << (8 - bits - bit % 8));
      }
    }
    for (int i = (image.width * bits + 7) / 8; i < row_bytes; ++i) row[static_cast<size_t>(i)] = 0xEE;
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  const unsigned entries = bits <= 8 ? 1u << bits : 0u;
  std::vector<Byte> file{'B', 'M'};
  put32(file, static_cast<unsigned>(14 + 40 + 4 * entries + pixels.size()));
  put32(file, 0);
  put32(file, 14 + 40 + 4 * entries);
  put32(file, 40);
  put32(file, static_cast<unsigned>(image.width));
  put32(file, static_cast<unsigned>(image.height));
  put16(file, 1);
  put16(file, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) put32(file, 0);
  palette.resize(entries, Px{0, 0, 0});
  for (const auto& c : palette) file.insert(file.end(), {Byte(c.b), Byte(c.g), Byte(c.r), 0});
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// An 8-bit RLE BMP file by hand: runs of at most 255 pixels, each row ended, no absolute mode.
std::vector<Byte> bmp_rle8(const TestImage& image) {
  std::vector<Px> palette;
  auto index_of = [&](Px c) {
    for (size_t i = 0; i < palette.size(); ++i)
      if (palette[i].r == c.r && palette[i].g == c.g && palette[i].b == c.b) return static_cast<Byte>(i);
    palette.push_back(c);
    return static_cast<Byte>(palette.size() - 1);
  };
  std::vector<Byte> pixels;
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width;) {
      const Byte index = index_of(image.at(x, y));
      int run = 1;
      while (run < 255 && x + run < image.width && index_of(image.at(x + run, y)) == index) ++run;
      pixels.insert(pixels.end(), {Byte(run), index});
      x += run;
    }
    pixels.insert(pixels.end(), {0, 0});
  }
  pixels.insert(pixels.end(), {0, 1});
  std::vector<Byte> file{'B', 'M'};
  put32(file, static_cast<unsigned>(14 + 40 + 1024 + pixels.size()));
  put32(file, 0);
  put32(file, 14 + 40 + 1024);
  put32(file, 40);
  put32(file, static_cast<unsigned>(image.width));
  put32(file, static_cast<unsigned>(image.height));
  put16(file, 1);
  put16(file, 8);
  put32(file, 1);  // RLE8
  put32(file, static_cast<unsigned>(pixels.size()));
  for (int i = 0; i < 4; ++i) put32(file, 0);
  palette.resize(256, Px{0, 0, 0});
  for (const auto& c : palette) file.insert(file.end(), {Byte(c.b), Byte(c.g), Byte(c.r), 0});
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// FNV-1a over the size, the format, the resolution and the bytes of every pixel row (row padding
// left out).
std::uint64_t pixel_digest(const TDibGraphic& dib) {
  std::uint64_t h = 14695981039346656037ull;
  auto add = [&](const Byte* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  };
  const std::int32_t head[5] = {dib.Width(), dib.Height(), static_cast<std::int32_t>(dib.ImageFormat()),
                                dib.XDotsPerInch(), dib.YDotsPerInch()};
  add(reinterpret_cast<const Byte*>(head), sizeof head);
  if (dib.Empty()) return h;
  const size_t used = (static_cast<size_t>(dib.Width()) * dib.BitmapInfo().bmiHeader.biBitCount + 7) / 8;
  for (int y = 0; y < dib.Height(); ++y) add(dib.GetScanLine(y), used);
  return h;
}

}  // namespace

// Made once from the fallback as it was before its conversion was made faster (a stretch into a
// bitmap, then a copy into the picture); every faster form since must give the same pixels.
// HW_PRINT_GDIPLUS_DIGESTS=1 prints the table instead of checking.
TEST_F(GdiPlusDecode, FallbackPixelsKeepTheirDigests) {
  const TestImage odd = blocks(37, 11, 3);
  const TestImage tiny = blocks(1, 1, 1, 5);
  const TestImage three = blocks(3, 5, 1, 9);
  const TestImage two_colours = [] {
    TestImage image = blocks(29, 9, 1);
    for (int i = 0; i < 29 * 9; ++i)
      image.pixels[static_cast<size_t>(i)] = (i * 7 / 5) % 3 ? Px{250, 240, 10} : Px{3, 40, 90};
    return image;
  }();
  const auto sixteen_colours = [](int width) {
    TestImage image = blocks(width, 13, 1);
    for (int i = 0; i < width * 13; ++i) {
      const int n = (i / 3) % 16;
      image.pixels[static_cast<size_t>(i)] = Px{n * 16, 255 - n * 9, (n * 77) % 256};
    }
    return image;
  };
  const TestImage sixteen = sixteen_colours(31);
  const TestImage photo = [] {
    TestImage image = blocks(45, 27, 1);
    for (int y = 0; y < 27; ++y)
      for (int x = 0; x < 45; ++x)
        image.pixels[static_cast<size_t>(y * 45 + x)] = Px{(x * 5 + y * 3) % 256, (x * y + 40) % 256, (200 - x * 4 + y) & 255};
    return image;
  }();
  // Larger than the pieces a picture may be read in, one way and the other.
  const auto banded = [](int width, int height) {
    TestImage image = blocks(width, height, 1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int n = (x / 997 + y / 13) % 200;
        image.pixels[static_cast<size_t>(y) * width + x] = Px{n, (n * 7 + y) % 256, (255 - n + x % 3) % 256};
      }
    return image;
  };
  const TestImage wide = banded(300008, 3), tall = banded(5, 120011), large = banded(701, 453);
  const std::vector<std::pair<const char*, std::vector<Byte>>> cases = {
      {"BMP 1-bit", bmp_any(two_colours, 1)},
      {"BMP 4-bit", bmp_any(sixteen, 4)},
      {"BMP 8-bit", bmp_any(odd, 8)},
      {"BMP 24-bit", bmp_any(photo, 24)},
      {"BMP 24-bit 1 x 1", bmp_any(tiny, 24)},
      {"BMP 24-bit 3 x 5", bmp_any(three, 24)},
      {"BMP 32-bit", bmp_any(photo, 32)},
      {"BMP 32-bit, fourth bytes 0", bmp_any(photo, 32, 0)},
      {"BMP 32-bit, fourth bytes 0x80", bmp_any(odd, 32, 0x80)},
      {"BMP RLE8", convert(blocks(24, 14, 4), "-type Palette -compress RLE", "BMP3")},
      // (libgdiplus leaves pixels unset where runs spill into a row's padding: a width of 4n here)
      {"BMP RLE4", convert(sixteen_colours(32), "-colors 16 -compress RLE", "BMP3")},
      {"PNG 24-bit", convert(photo, "-strip", "PNG24")},
      {"PNG palette", convert(odd, "-strip", "PNG8")},
      {"PNG 48-bit", convert(photo, "-strip -depth 16", "PNG48")},
      {"PNG with alpha", png_rgba({{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 64}, {100, 100, 100, 0}, {10, 20, 30, 200}})},
      {"JPEG", convert(photo, "-quality 90", "JPEG")},
      {"JPEG grey", convert(grey(photo), "-quality 90 -colorspace Gray", "JPEG")},
      {"JPEG CMYK", convert(photo, "-quality 90 -colorspace CMYK", "JPEG")},
      {"TIFF plain", convert(odd, "-compress None", "TIFF")},
      {"TIFF LZW", convert(photo, "-compress LZW", "TIFF")},
      {"TIFF palette", convert(odd, "-type Palette", "TIFF")},
      {"GIF", convert(odd, "", "GIF")},
      {"GIF 3 x 5", convert(three, "", "GIF")},
      {"GIF with a transparent colour", convert(odd, "-transparent 'rgb(13,200,0)'", "GIF")},
      {"PNG with a transparent colour", convert(photo, "-strip -transparent 'rgb(0,40,200)'", "PNG32")},
      {"BMP RLE8 300008 x 3", bmp_rle8(wide)},
      {"BMP 24-bit 5 x 120011", bmp_any(tall, 24)},
      {"PNG 701 x 453 with a transparent colour", convert(large, "-strip -transparent 'rgb(5,61,250)'", "PNG32")},
  };
  // Digests of the input bytes and of the decoded pixels, one row per case.
  constexpr std::uint64_t kDigests[][2] = {
#include "gdiplus_digests.inc"
  };
  const bool print = std::getenv("HW_PRINT_GDIPLUS_DIGESTS") != nullptr;
  if (!print) {
    ASSERT_EQ(std::size(kDigests), cases.size());
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [name, bytes] = cases[i];
    SCOPED_TRACE(name);
    ASSERT_FALSE(bytes.empty());
    std::uint64_t input = 14695981039346656037ull;
    for (Byte b : bytes) input = (input ^ b) * 1099511628211ull;
    TMemoryStream stream = memory(bytes);
    TDibGraphic dib;
    LoadWithGdiPlus(stream, dib);
    ASSERT_FALSE(dib.Empty());
    const std::uint64_t pixels = pixel_digest(dib);
    if (print) {
      std::printf("    {0x%016llxull, 0x%016llxull},  // %s\n", static_cast<unsigned long long>(input),
                  static_cast<unsigned long long>(pixels), name);
      continue;
    }
    // A changed input (another ImageMagick) makes the row meaningless rather than the decoder wrong.
    ASSERT_EQ(input, kDigests[i][0]) << "the test picture itself changed";
    EXPECT_EQ(pixels, kDigests[i][1]);
  }
}
