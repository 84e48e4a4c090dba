// Mutated PNG, JPEG, BMP, GIF and TIFF files through the GDI+ decoder over libgdiplus: every one
// either decodes into a bitmap of its size or leaves the picture empty, without an error and
// without a crash (fuzz_gdiplus covers the same decoder under the sanitizers). The seed files
// are written by ImageMagick from known pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "image/gdiplus.hpp"

using namespace zu_gdiplus;

namespace {

std::vector<Byte> read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture of 30 colours (more than a 4-bit palette holds), in `frames` frames, as ImageMagick
// writes it.
std::vector<Byte> seed(const std::string& options, const std::string& format, int frames = 1) {
  hw_test::ScratchDir dir;
  std::string inputs;
  for (int f = 0; f < frames; ++f) {
    const int width = 20, height = 12;
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int n = x / 4 + 5 * (y / 2) + 7 * f;
        ppm += {static_cast<char>(n * 37), static_cast<char>(n * 91 + 40), static_cast<char>(255 - n * 13)};
      }
    const std::string name = dir.file("in" + std::to_string(f) + ".ppm");
    std::ofstream(name, std::ios::binary) << ppm;
    inputs += " " + name;
  }
  const std::string command = "convert" + inputs + " " + options + " " + format + ":" + dir.file("out") + " 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return read_file(dir.file("out"));
}

std::vector<Byte> mutate(std::vector<Byte> v, std::mt19937& rng) {
  auto pick = [&](std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(rng) : 0; };
  static const std::uint32_t extremes[] = {0, 1, 2, 3, 0xFF, 0xFFFF, 0x7FFF, 0x8000, 0xFFFFFFFF, 0x7FFFFFFF,
                                           0x80000000, 0x10000, 0x40000000};
  // Headers, directories and chunk lengths sit in the first few hundred bytes of these files.
  const std::size_t head = std::min<std::size_t>(v.size(), 400);
  switch (rng() % 7) {
    case 0:  // flip a few bytes
      for (int i = 0, n = 1 + static_cast<int>(rng() % 8); i < n && !v.empty(); ++i)
        v[pick(v.size())] ^= static_cast<Byte>(1 + rng() % 255);
      break;
    case 1:  // an extreme 32-bit value in either byte order
      if (head >= 4) {
        std::uint32_t x = extremes[rng() % std::size(extremes)];
        if (rng() % 2) x = __builtin_bswap32(x);
        std::memcpy(v.data() + pick(head - 3), &x, 4);
      }
      break;
    case 2:  // an extreme 16-bit value
      if (head >= 2) {
        std::uint16_t x = static_cast<std::uint16_t>(extremes[rng() % std::size(extremes)]);
        if (rng() % 2) x = static_cast<std::uint16_t>(x << 8 | x >> 8);
        std::memcpy(v.data() + pick(head - 1), &x, 2);
      }
      break;
    case 3:  // cut
      v.resize(pick(v.size() + 1));
      break;
    case 4:  // cut near the head
      v.resize(pick(head + 1));
      break;
    case 5:  // junk appended
      for (int i = 0, n = static_cast<int>(rng() % 64); i < n; ++i) v.push_back(static_cast<Byte>(rng()));
      break;
    default:  // a run of bytes copied over another place
      if (v.size() > 16) {
        const std::size_t from = pick(v.size() - 8), to = pick(v.size() - 8), n = 1 + rng() % 8;
        std::memmove(v.data() + to, v.data() + from, n);
      }
      break;
  }
  return v;
}

std::vector<std::pair<const char*, std::vector<Byte>>> all_seeds() {
  return {
      {"PNG", seed("", "PNG24")},
      {"PNG palette interlaced", seed("-interlace PNG", "PNG8")},
      {"JPEG", seed("-quality 90", "JPEG")},
      {"JPEG progressive", seed("-interlace JPEG", "JPEG")},
      {"BMP", seed("", "BMP")},
      {"BMP RLE8", seed("-type Palette -compress RLE", "BMP3")},
      {"GIF animated", seed("-delay 5", "GIF", 2)},
      {"TIFF", seed("-compress None", "TIFF")},
      {"TIFF palette LZW", seed("-type Palette -compress LZW", "TIFF")},
      {"TIFF palette deflate big-endian", seed("-type Palette -compress Zip -endian MSB", "TIFF")},
      {"TIFF two pages", seed("-type Palette", "TIFF", 2)},
      {"BigTIFF palette", seed("-type Palette", "TIFF64")},
  };
}

// The bytes decode without an error into a picture with a bitmap of its size, or into none.
void expect_decodes_or_stays_empty(const std::vector<Byte>& input, int& decoded, int& empty) {
  TMemoryStream stream;
  if (!input.empty()) stream.WriteBuffer(input.data(), static_cast<Int64>(input.size()));
  TGdipPicture picture;
  ASSERT_NO_THROW(picture.LoadFromStream(stream));
  if (picture.Empty()) {
    EXPECT_EQ(picture.ToBitmap(), nullptr);
    ++empty;
    return;
  }
  ++decoded;
  ASSERT_GT(picture.Width(), 0);
  ASSERT_GT(picture.Height(), 0);
  if (std::int64_t{picture.Width()} * picture.Height() > 4'000'000) return;  // keep the run fast
  std::unique_ptr<TBitmap> bitmap;
  ASSERT_NO_THROW(bitmap = picture.ToBitmap());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), picture.Width());
  EXPECT_EQ(bitmap->Height(), picture.Height());
}

}  // namespace

TEST(GdiPlusFuzz, MutatedFilesDecodeOrStayEmpty) {
  ResetGdiPlus();
  ASSERT_TRUE(GdiPlus().Loaded()) << "libgdiplus.so.0 is needed";
  const auto seeds = all_seeds();
  std::mt19937 rng(20240611);
  int decoded = 0, empty = 0;
  for (const auto& [name, bytes] : seeds) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(bytes.empty());
    for (int i = 0; i < 300; ++i) {
      SCOPED_TRACE("mutant " + std::to_string(i));
      const int decoded_before = decoded;
      expect_decodes_or_stays_empty(i == 0 ? bytes : mutate(bytes, rng), decoded, empty);
      if (i == 0) {
        ASSERT_EQ(decoded, decoded_before + 1) << "the seed itself decodes";
      }
    }
  }
  // Both outcomes occur: the mutations reach the decoders and some of them still decode.
  EXPECT_GT(decoded, 300);
  EXPECT_GT(empty, 300);
}

TEST(GdiPlusFuzz, EveryCutOfEverySeedDecodesOrStaysEmpty) {
  ResetGdiPlus();
  ASSERT_TRUE(GdiPlus().Loaded()) << "libgdiplus.so.0 is needed";
  int decoded = 0, empty = 0;
  for (const auto& [name, bytes] : all_seeds()) {
    SCOPED_TRACE(name);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      SCOPED_TRACE("cut at " + std::to_string(length));
      expect_decodes_or_stays_empty(std::vector<Byte>(bytes.begin(), bytes.begin() + static_cast<long>(length)),
                                    decoded, empty);
    }
  }
  EXPECT_GT(empty, 1000);
}
