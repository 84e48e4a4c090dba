// Writing PNG files: pixels as ImageMagick reads them for every format, interlaced or not, the
// file's chunk layout and filters, deflate levels and transparency.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <map>
#include <utility>

#include "codec_test_files.hpp"
#include "common/small_disk.hpp"
#include "common/test_env.hpp"
#include "image/png_graphic.hpp"

using namespace codec_test;

namespace {

struct chunk {
  std::string type;
  std::vector<Byte> data;
};

std::uint32_t be32(const Byte* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The chunks of a PNG file, each checked against its CRC.
std::vector<chunk> chunks_of(const std::vector<Byte>& file) {
  std::vector<chunk> out;
  static const Byte signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  EXPECT_TRUE(file.size() >= 8 && std::memcmp(file.data(), signature, 8) == 0);
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    std::uint32_t length = be32(&file[at]);
    chunk c{std::string(reinterpret_cast<const char*>(&file[at + 4]), 4), {}};
    c.data.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    uLong crc = crc32(0, &file[at + 4], 4 + length);
    EXPECT_EQ(crc, be32(&file[at + 8 + length])) << c.type;
    out.push_back(std::move(c));
    at += 12 + length;
  }
  EXPECT_EQ(at, file.size());
  return out;
}

std::vector<Byte> inflate_all(const std::vector<Byte>& data) {
  std::vector<Byte> out(1 << 16);
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Byte*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  std::size_t used = 0;
  int rc;
  do {
    if (used == out.size()) out.resize(out.size() * 2);
    z.next_out = out.data() + used;
    z.avail_out = static_cast<uInt>(out.size() - used);
    rc = inflate(&z, Z_NO_FLUSH);
    used = out.size() - z.avail_out;
  } while (rc == Z_OK);
  EXPECT_EQ(rc, Z_STREAM_END);
  inflateEnd(&z);
  out.resize(used);
  return out;
}

std::vector<Byte> save(TPngGraphic& p) {
  TMemoryStream s;
  p.SaveToStream(s);
  return stream_bytes(s);
}

std::unique_ptr<TPngGraphic> make(int w, int h, TImageFormat f, const raster& r) {
  auto p = std::make_unique<TPngGraphic>();
  p->NewImage(w, h, f, nullptr, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->SetPixel(x, y, r.rgb(x, y));
  return p;
}

class FormatPng : public ::testing::Test {
protected:
  hw_test::ScratchDir dir;
};

}  // namespace

TEST_F(FormatPng, ImageMagickReadsTheSamePixelsForEveryFormatInterlacedOrNot) {
  const TImageFormat formats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
  int n = 0;
  for (TImageFormat f : formats)
    for (bool interlaced : {false, true})
      for (auto [w, h] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{9, 17}}) {
        auto p = make(w, h, f, pattern(w, h));
        p->SaveProgressive = interlaced;
        raster expected = picture_raster(*p);
        std::string file = dir.file("out" + std::to_string(n++) + ".png");
        write_file(file, save(*p));
        raster magick = magick_read(file);
        std::string what = ImageFormatName(f) + (interlaced ? " interlaced " : " plain ") + std::to_string(w) + "x" +
                           std::to_string(h);
        ASSERT_EQ(magick.width, w) << what;
        ASSERT_EQ(magick.height, h) << what;
        int bad = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) bad += magick.rgb(x, y) == expected.rgb(x, y) ? 0 : 1;
        EXPECT_EQ(bad, 0) << what;
        // And the library reads its own file back.
        TPngGraphic back;
        back.LoadFromFile(file);
        expect_pixels(back, expected, 0, what);
      }
}

TEST_F(FormatPng, TheFileHasTheExpectedChunksAndSubFilteredRows) {
  auto p = make(5, 3, ifColor16, pattern(5, 3));
  p->SaveProgressive = false;
  std::vector<chunk> chunks = chunks_of(save(*p));
  std::vector<std::string> types;
  for (const chunk& c : chunks) types.push_back(c.type);
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
  const std::vector<Byte>& ihdr = chunks[0].data;
  EXPECT_EQ(be32(&ihdr[0]), 5u);
  EXPECT_EQ(be32(&ihdr[4]), 3u);
  EXPECT_EQ(ihdr[8], 4);   // bit depth
  EXPECT_EQ(ihdr[9], 3);   // palette
  EXPECT_EQ(ihdr[12], 0);  // not interlaced
  EXPECT_EQ(chunks[1].data.size(), 16u * 3);
  // Red, green, blue of palette entry 4 of the 16-colour palette.
  EXPECT_EQ(chunks[1].data[12], 170);
  EXPECT_EQ(chunks[1].data[13], 0);
  EXPECT_EQ(chunks[1].data[14], 0);
  // Three rows of one filter byte and three bytes of pixels each.
  std::vector<Byte> rows = inflate_all(chunks[2].data);
  ASSERT_EQ(rows.size(), 3u * 4);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(rows[static_cast<std::size_t>(y) * 4], 1) << "row " << y;
}

TEST_F(FormatPng, LargePicturesSplitTheirDataIntoChunksOfAtMost65535Bytes) {
  raster r = noise(300, 200, 7);
  auto p = make(300, 200, ifTrueColor, r);
  p->SaveProgressive = false;
  p->CompressionLevel = pcLow;
  std::vector<chunk> chunks = chunks_of(save(*p));
  std::vector<Byte> data;
  int idats = 0;
  for (const chunk& c : chunks)
    if (c.type == "IDAT") {
      ++idats;
      EXPECT_LE(c.data.size(), 65535u);
      data.insert(data.end(), c.data.begin(), c.data.end());
    }
  EXPECT_GT(idats, 1);
  std::vector<Byte> rows = inflate_all(data);
  ASSERT_EQ(rows.size(), 200u * (1 + 900));
  // Undo the Sub filter and compare with the picture.
  for (int y = 0; y < 200; ++y) {
    const Byte* row = &rows[static_cast<std::size_t>(y) * 901];
    ASSERT_EQ(row[0], 1);
    std::vector<Byte> px(row + 1, row + 901);
    for (std::size_t i = 3; i < px.size(); ++i) px[i] = static_cast<Byte>(px[i] + px[i - 3]);
    for (int x = 0; x < 300; x += 37)
      ASSERT_EQ(Rgb(px[3 * x], px[3 * x + 1], px[3 * x + 2]), r.rgb(x, y)) << x << "," << y;
  }
}

TEST_F(FormatPng, CompressionLevelsTradeSizeAndAllReadBack) {
  raster r = pattern(120, 90);
  std::map<TPngCompressionLevel, std::size_t> sizes;
  for (TPngCompressionLevel level : {pcLow, pcMedium, pcHigh}) {
    auto p = make(120, 90, ifTrueColor, r);
    p->CompressionLevel = level;
    std::vector<Byte> file = save(*p);
    sizes[level] = file.size();
    std::string path = dir.file("level" + std::to_string(level) + ".png");
    write_file(path, file);
    raster magick = magick_read(path);
    ASSERT_EQ(magick.samples, r.samples) << level;
  }
  EXPECT_GE(sizes[pcLow], sizes[pcMedium]);
  EXPECT_GE(sizes[pcMedium], sizes[pcHigh]);
  EXPECT_GT(sizes[pcLow], sizes[pcHigh]);

  auto p = make(2, 2, ifTrueColor, r);
  p->CompressionLevel = static_cast<TPngCompressionLevel>(3);
  try {
    save(*p);
    ADD_FAILURE() << "saved with an unknown level";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Internal error: unknown PNG compression level");
  }
}

TEST_F(FormatPng, TransparentTrueColourGetsAnAlphaChannelForOneColour) {
  raster r = pattern(8, 6);
  auto p = make(8, 6, ifTrueColor, r);
  p->SetPixel(2, 1, Rgb(9, 8, 7));
  p->SetPixel(5, 4, Rgb(9, 8, 7));
  p->SetPixel(6, 4, Rgb(9, 8, 6));  // close, but not the colour
  p->SaveTransparent = true;
  p->TransparentSaveColor = Rgb(9, 8, 7);
  std::vector<Byte> file = save(*p);
  EXPECT_EQ(chunks_of(file)[0].data[9], 6);  // RGBA
  write_file(dir.file("alpha.png"), file);
  raster magick = magick_read(dir.file("alpha.png"), true);
  ASSERT_EQ(magick.channels, 4);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      bool hidden = (x == 2 && y == 1) || (x == 5 && y == 4);
      EXPECT_EQ(magick.at(x, y, 3), hidden ? 0 : 255) << x << "," << y;
      if (!hidden) {
        EXPECT_EQ(Rgb(magick.at(x, y, 0), magick.at(x, y, 1), magick.at(x, y, 2)), p->GetPixel(x, y));
      }
    }
}

TEST_F(FormatPng, TransparentPalettePictureMarksItsColourInTheTransparencyChunk) {
  auto p = make(4, 4, ifColor16, blocks(4, 4));
  p->SetPaletteIndex(1, 1, 9);  // (85, 85, 255)
  p->SaveTransparent = true;
  p->TransparentSaveColor = Rgb(85, 85, 255);
  p->SaveProgressive = false;
  std::vector<Byte> file = save(*p);
  std::vector<chunk> chunks = chunks_of(file);
  ASSERT_EQ(chunks[2].type, "tRNS");
  EXPECT_EQ(chunks[2].data, (std::vector<Byte>{255, 255, 255, 255, 255, 255, 255, 255, 255, 0}));
  write_file(dir.file("trns.png"), file);
  raster magick = magick_read(dir.file("trns.png"), true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(magick.at(x, y, 3), x == 1 && y == 1 ? 0 : 255) << x << "," << y;
}

TEST_F(FormatPng, NewPicturesAreInterlacedAndAssignTakesTheSettings) {
  TPngGraphic p;
  EXPECT_EQ(p.CompressionLevel, pcMedium);
  EXPECT_TRUE(p.SaveProgressive);
  EXPECT_FALSE(p.SaveTransparent);
  EXPECT_EQ(p.TransparentSaveColor, Rgb(0, 0, 0));
  p.NewImage(3, 3, ifTrueColor, nullptr, 0, 0);
  EXPECT_EQ(chunks_of(save(p))[0].data[12], 1);  // Adam7

  p.CompressionLevel = pcHigh;
  p.SaveProgressive = false;
  p.SaveTransparent = true;
  p.TransparentSaveColor = Rgb(1, 2, 3);
  TPngGraphic copy;
  copy.Assign(&p);
  EXPECT_EQ(copy.CompressionLevel, pcHigh);
  EXPECT_FALSE(copy.SaveProgressive);
  EXPECT_TRUE(copy.SaveTransparent);
  EXPECT_EQ(copy.TransparentSaveColor, Rgb(1, 2, 3));
  EXPECT_EQ(copy.Width(), 3);
}

TEST_F(FormatPng, AnEmptyPictureIsNotSaved) {
  TPngGraphic p;
  EXPECT_THROW(save(p), EZuroroveError);
  p.NewImage(1000001, 2, ifBlackWhite, nullptr, 0, 0);
  TMemoryStream s;
  EXPECT_THROW(p.SaveToStream(s), EInvalidGraphic);
  EXPECT_EQ(s.Size(), 0);
  p.NewImage(2, 1000001, ifBlackWhite, nullptr, 0, 0);
  EXPECT_THROW(p.SaveToStream(s), EInvalidGraphic);
  EXPECT_EQ(s.Size(), 0);
  // A side of exactly 1,000,000 pixels, the most the PNG library reads back, is written.
  for (const auto& [w, h] : {std::pair{1000000, 2}, std::pair{2, 1000000}}) {
    p.NewImage(w, h, ifBlackWhite, nullptr, 0, 0);
    TMemoryStream written;
    p.SaveToStream(written);
    ASSERT_GT(written.Size(), 24);
    const Byte* ihdr = static_cast<const Byte*>(written.Memory()) + 16;
    EXPECT_EQ(ihdr[0] << 24 | ihdr[1] << 16 | ihdr[2] << 8 | ihdr[3], w);
    EXPECT_EQ(ihdr[4] << 24 | ihdr[5] << 16 | ihdr[6] << 8 | ihdr[7], h);
  }
}

TEST_F(FormatPng, AFullDiskRaisesAndKeepsTheOldFile) {
  hw_test::SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
  const std::string name = disk.file("p.png");
  make(4, 4, ifTrueColor, pattern(4, 4))->SaveToFile(name);
  const std::vector<Byte> old = read_file(name);
  ASSERT_GT(disk.fill(), 0);
  auto p = make(128, 128, ifTrueColor, noise(128, 128, 3));
  try {
    p->SaveToFile(name);
    ADD_FAILURE() << "a save to a full disk reported success";
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("No space left on device"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(read_file(name) == old) << "the old file changed";
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"filler", "p.png"}));
}
