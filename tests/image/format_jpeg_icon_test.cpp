// JPEG saving (formats, settings, failures) and icons.
#include <gtest/gtest.h>

#include <algorithm>

#include "codec_test_files.hpp"
#include "common/test_env.hpp"
#include "image/icon_graphic.hpp"
#include "image/jpeg_graphic.hpp"

using namespace codec_test;

namespace {

template <class T>
std::unique_ptr<T> make(int w, int h, TImageFormat f, const raster& r) {
  auto p = std::make_unique<T>();
  p->NewImage(w, h, f, nullptr, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->SetPixel(x, y, r.rgb(x, y));
  return p;
}

std::vector<Byte> save(TDibGraphic& p) {
  TMemoryStream s;
  p.SaveToStream(s);
  return stream_bytes(s);
}

bool has_marker(const std::vector<Byte>& file, Byte marker) {
  for (std::size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == marker) return true;
  return false;
}

// ImageMagick's word for the file's colour space.
std::string magick_colorspace(const std::string& path) {
  std::string out = path + ".cs";
  std::system(("identify -format '%[colorspace]' '" + path + "' > '" + out + "' 2>/dev/null").c_str());
  std::vector<Byte> b = read_file(out);
  std::remove(out.c_str());
  return std::string(b.begin(), b.end());
}

class FormatJpeg : public ::testing::Test {
protected:
  hw_test::ScratchDir dir;
};

}  // namespace

TEST_F(FormatJpeg, TrueColourAndGreyAreSavedAsTheyAre) {
  raster r = smooth(48, 32);
  auto colour = make<TJpegGraphic>(48, 32, ifTrueColor, r);
  colour->SaveQuality = 95;
  write_file(dir.file("colour.jpg"), save(*colour));
  expect_pixels(*colour, magick_read(dir.file("colour.jpg")), 10, "colour");
  EXPECT_EQ(magick_colorspace(dir.file("colour.jpg")), "sRGB");

  auto grey = make<TJpegGraphic>(48, 32, ifGray256, r);
  grey->SaveQuality = 95;
  write_file(dir.file("grey.jpg"), save(*grey));
  EXPECT_EQ(magick_colorspace(dir.file("grey.jpg")), "Gray");
  expect_pixels(*grey, magick_read(dir.file("grey.jpg")), 10, "grey");
}

TEST_F(FormatJpeg, OtherFormatsAreSavedFromATrueColourCopy) {
  auto p = std::make_unique<TJpegGraphic>();
  p->NewImage(32, 32, ifColor16, nullptr, 0, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) p->SetPaletteIndex(x, y, 12);  // (255, 85, 85)
  raster before = picture_raster(*p);
  progress_log log;
  p->OnReadWriteProgress = log.handler();
  p->SaveQuality = 95;
  write_file(dir.file("sixteen.jpg"), save(*p));
  EXPECT_EQ(log.percents, (std::vector<int>{0, 5, 10, 100}));
  // The picture itself is unchanged.
  EXPECT_EQ(p->ImageFormat(), ifColor16);
  expect_pixels(*p, before, 0, "unchanged");
  EXPECT_EQ(magick_colorspace(dir.file("sixteen.jpg")), "sRGB");
  expect_pixels(*p, magick_read(dir.file("sixteen.jpg")), 10, "saved");
}

TEST_F(FormatJpeg, QualityAndProgressiveSettingsReachTheEncoder) {
  raster r = pattern(64, 64);
  auto p = make<TJpegGraphic>(64, 64, ifTrueColor, r);
  EXPECT_EQ(p->SaveQuality, 80);
  EXPECT_FALSE(p->SaveProgressive);
  EXPECT_FALSE(p->OptimizedHuffmanCodes);
  std::vector<Byte> baseline = save(*p);
  EXPECT_TRUE(has_marker(baseline, 0xC0));
  EXPECT_FALSE(has_marker(baseline, 0xC2));
  p->SaveQuality = 20;
  std::vector<Byte> small = save(*p);
  EXPECT_LT(small.size(), baseline.size());
  p->SaveQuality = 80;
  p->SaveProgressive = true;
  std::vector<Byte> progressive = save(*p);
  EXPECT_TRUE(has_marker(progressive, 0xC2));
  p->SaveProgressive = false;
  p->OptimizedHuffmanCodes = true;
  EXPECT_LT(save(*p).size(), baseline.size());
}

TEST_F(FormatJpeg, AnEncodeThatFailsNamesTheClass) {
  auto p = make<TJpegGraphic>(8, 8, ifTrueColor, pattern(8, 8));
  static const Byte nothing[1] = {0};
  TBytesStream read_only(nothing, 0);  // refuses every write
  try {
    p->SaveToStream(read_only);
    ADD_FAILURE() << "saved into a read-only stream";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Unable to save with class TJpegGraphic");
  }
}

TEST_F(FormatJpeg, SavingAtAnOffsetWritesBehindWhatIsThere) {
  auto p = make<TJpegGraphic>(16, 16, ifTrueColor, blocks(16, 16));
  TMemoryStream s;
  s.WriteBuffer("head", 4);
  p->SaveToStream(s);
  std::vector<Byte> all = stream_bytes(s);
  ASSERT_GT(all.size(), 4u);
  EXPECT_EQ(std::string(all.begin(), all.begin() + 4), "head");
  s.SetPosition(4);
  TJpegGraphic back;
  back.SingleLoadFromStream(s, 1);
  expect_pixels(back, picture_raster(*p), 10);
}

// ---- Icons

TEST(FormatIcon, LoadsAnIconOverItsBackground) {
  hw_test::ScratchDir dir;
  raster r = pattern(16, 16);
  write_netpbm(dir.file("in.ppm"), r);
  run("convert '" + dir.file("in.ppm") + "' '" + dir.file("icon.ico") + "'");
  TIconGraphic p;
  progress_log log;
  p.OnReadWriteProgress = log.handler();
  TMemoryStream s;
  load_stream(s, dir.file("icon.ico"));
  EXPECT_TRUE(p.CanRead(s));
  p.SingleLoadFromStream(s, 7);  // the image number does not matter
  EXPECT_EQ(p.ImageFormat(), ifTrueColor);
  expect_pixels(p, r);
  EXPECT_EQ(log.percents, (std::vector<int>{0, 95, 100}));
}

TEST(FormatIcon, SavesAnIconFileWithEveryPixelOpaque) {
  hw_test::ScratchDir dir;
  raster r = pattern(32, 32);
  auto p = make<TIconGraphic>(32, 32, ifColor256, r);
  raster expected = picture_raster(*p);
  progress_log log;
  p->OnReadWriteProgress = log.handler();
  std::vector<Byte> file = save(*p);
  EXPECT_EQ(log.percents, (std::vector<int>{0, 10, 100}));

  TMemoryStream s;
  s.WriteBuffer(file.data(), static_cast<Int64>(file.size()));
  s.SetPosition(0);
  EXPECT_TRUE(TIconGraphic::CanReadStream(s));
  TIcon icon;
  icon.LoadFromStream(s);
  ASSERT_EQ(icon.Width(), 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      std::uint32_t argb = icon.PixelArgb(x, y);
      TRgb want = expected.rgb(x, y);
      ASSERT_EQ(argb >> 24, 0xFFu) << x << "," << y;
      ASSERT_EQ(Rgb(static_cast<Byte>(argb >> 16), static_cast<Byte>(argb >> 8), static_cast<Byte>(argb)), want)
          << x << "," << y;
    }
  write_file(dir.file("ours.ico"), file);
  raster magick = magick_read(dir.file("ours.ico"));
  EXPECT_EQ(magick.samples, expected.samples);
}
