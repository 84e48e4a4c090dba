// The PBM, PGM and PPM writer: exact bytes of small cases, line lengths, grey levels, and round
// trips through FreeImage and ImageMagick.
#include <gtest/gtest.h>

#include <sstream>

#include "codec_test_files.hpp"
#include "common/test_env.hpp"
#include "image/ppm_graphic.hpp"

using namespace codec_test;

namespace {

const std::string comment = "# Created By Zurorove Image Library\n";

std::string save(TPpmGraphic& p) {
  TMemoryStream s;
  p.SaveToStream(s);
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(FormatPpm, BinaryBitmapPacksEachRowIntoWholeBytes) {
  TPpmGraphic p;
  p.SetMode(pmBinary);
  p.NewImage(3, 2, ifBlackWhite, nullptr, 0, 0);  // palette: 0 black, 1 white
  const int idx[2][3] = {{1, 0, 1}, {0, 0, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) p.SetPaletteIndex(x, y, static_cast<Byte>(idx[y][x]));
  // PBM's 1 is black: the index with its lowest bit inverted, most significant bit first.
  EXPECT_EQ(save(p), "P4\n" + comment + "3 2\n" + std::string("\x40\xC0", 2));
}

TEST(FormatPpm, AsciiBitmapWritesInvertedIndices) {
  TPpmGraphic p;
  p.NewImage(4, 1, ifBlackWhite, nullptr, 0, 0);
  p.SetPaletteIndex(1, 0, 1);
  p.SetPaletteIndex(3, 0, 1);
  EXPECT_EQ(save(p), "P1\n" + comment + "4 1\n1 0 1 0\n");
}

TEST(FormatPpm, SixteenShadesUseFifteenAsMaximum) {
  TPpmGraphic p;
  p.NewImage(16, 3, ifGray16, nullptr, 0, 0);  // entry i is 17 i
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 16; ++x) p.SetPaletteIndex(x, y, static_cast<Byte>((x + y) % 16));
  std::string text = save(p);
  std::vector<std::string> lines = lines_of(text);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "P2");
  EXPECT_EQ(lines[2], "16 3");
  EXPECT_EQ(lines[3], "15");
  std::vector<int> numbers;
  for (std::size_t i = 4; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 69u) << lines[i];
    std::istringstream in(lines[i]);
    for (int v; in >> v;) numbers.push_back(v);
  }
  ASSERT_EQ(numbers.size(), 48u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(numbers[static_cast<std::size_t>(y * 16 + x)], (x + y) % 16);
  EXPECT_EQ(text.back(), '\n');
}

TEST(FormatPpm, NumbersWrapBeforeALineWouldPassSixtyNineCharacters) {
  TPpmGraphic p;
  p.NewImage(8, 1, ifTrueColor, nullptr, 0, 0);
  p.Fill(Rgb(255, 255, 255));
  // 24 numbers "255": 17 of them with their blanks make 67 characters, an 18th would make 71.
  std::string line17, line7;
  for (int i = 0; i < 17; ++i) line17 += (i ? " " : "") + std::string("255");
  for (int i = 0; i < 7; ++i) line7 += (i ? " " : "") + std::string("255");
  EXPECT_EQ(save(p), "P3\n" + comment + "8 1\n255\n" + line17 + "\n" + line7 + "\n");
}

TEST(FormatPpm, GreyPicturesWriteGreyLevelsWhateverTheirPaletteOrder) {
  TMaxLogPalette reversed{};
  reversed.palNumEntries = 256;
  for (int i = 0; i < 256; ++i)
    reversed.palPalEntry[i] = PALETTEENTRY{static_cast<Byte>(255 - i), static_cast<Byte>(255 - i), static_cast<Byte>(255 - i), 0};
  TPpmGraphic p;
  p.SetMode(pmBinary);
  p.NewImage(3, 1, ifGray256, &reversed, 0, 0);
  p.SetPaletteIndex(0, 0, 0);
  p.SetPaletteIndex(1, 0, 10);
  p.SetPaletteIndex(2, 0, 255);
  EXPECT_EQ(save(p), "P5\n" + comment + "3 1\n255\n" + std::string("\xFF\xF5\x00", 3));
  // An entry whose channels differ writes the nearest level to their mean: 31 / 3 gives 10,
  // 32 / 3 gives 11.
  reversed.palPalEntry[1] = PALETTEENTRY{10, 10, 11, 0};
  reversed.palPalEntry[2] = PALETTEENTRY{11, 10, 11, 0};
  p.NewImage(2, 1, ifGray256, &reversed, 0, 0);
  p.SetPaletteIndex(0, 0, 1);
  p.SetPaletteIndex(1, 0, 2);
  EXPECT_EQ(save(p), "P5\n" + comment + "2 1\n255\n" + std::string("\x0A\x0B", 2));
  // Sixteen shades whose greys are not multiples of 17 write the nearest of the levels 0..15:
  // grey g gives Round(g * 15 / 255) = Round(g / 17), so 9 -> 1 (0.53), 26 -> 2 (1.53),
  // 127 -> 7 (7.47), 128 -> 8 (7.53), 246 -> 14 (14.47).
  const Byte greys[7] = {0, 9, 26, 127, 128, 246, 255};
  TMaxLogPalette uneven{};
  uneven.palNumEntries = 16;
  for (int i = 0; i < 16; ++i) {
    const Byte g = i < 7 ? greys[i] : Byte(0);
    uneven.palPalEntry[i] = PALETTEENTRY{g, g, g, 0};
  }
  TPpmGraphic q;
  q.NewImage(7, 1, ifGray16, &uneven, 0, 0);
  for (int x = 0; x < 7; ++x) q.SetPaletteIndex(x, 0, static_cast<Byte>(x));
  EXPECT_EQ(save(q), "P2\n" + comment + "7 1\n15\n0 1 2 7 8 14 15\n");
}

TEST(FormatPpm, ColourPicturesWriteRedGreenBlue) {
  TPpmGraphic p;
  p.SetMode(pmBinary);
  p.NewImage(2, 1, ifColor16, nullptr, 0, 0);
  p.SetPaletteIndex(0, 0, 4);   // (170, 0, 0)
  p.SetPaletteIndex(1, 0, 11);  // (85, 255, 255)
  EXPECT_EQ(save(p), "P6\n" + comment + "2 1\n255\n" + std::string("\xAA\x00\x00\x55\xFF\xFF", 6));
}

TEST(FormatPpm, EveryVariantReadsBackTheSamePixels) {
  hw_test::ScratchDir dir;
  const TImageFormat formats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
  int n = 0;
  for (TImageFormat f : formats)
    for (TPpmMode mode : {pmAscii, pmBinary}) {
      TPpmGraphic p;
      p.SetMode(mode);
      // Wide enough that the binary output passes the writer's 4096-byte buffer.
      p.NewImage(61, 37, f, nullptr, 0, 0);
      raster r = pattern(61, 37);
      for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) p.SetPixel(x, y, r.rgb(x, y));
      raster expected = picture_raster(p);
      TMemoryStream s;
      p.SaveToStream(s);
      std::string what = ImageFormatName(f) + (mode == pmAscii ? " ascii" : " binary");
      // Read back by FreeImage...
      s.SetPosition(0);
      TPpmGraphic back;
      back.SingleLoadFromStream(s, 1);
      expect_pixels(back, expected, 0, what);
      // ...and by ImageMagick.
      std::string file = dir.file("out" + std::to_string(n++) + ".pnm");
      write_file(file, stream_bytes(s));
      raster magick = magick_read(file);
      ASSERT_EQ(magick.width, 61) << what;
      for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) ASSERT_EQ(magick.rgb(x, y), expected.rgb(x, y)) << what << " " << x << "," << y;
    }
}
