// The JPEG writer's bytes guarded by digests: photo-like pictures (bench/photo_picture.hpp) of
// several sizes, odd widths among them, in true colour, grey and the formats saved from a
// true-colour copy, at several qualities, progressive and with optimised Huffman codes, into an
// empty stream and behind bytes already there. The digests in jpeg_save_digests.inc are those of
// the save path that copied the picture into a FreeImage bitmap of its own; every faster hand-over
// since must give the same file. HW_PRINT_JPEG_DIGESTS=1 prints the table instead of checking.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "bench/photo_picture.hpp"
#include "image/jpeg_graphic.hpp"

namespace {

struct JpegCase {
  TImageFormat format;
  int w, h;
  int quality;
  bool progressive;
  bool optimized;
  int offset;  // bytes in the stream before the file
};

constexpr JpegCase kCases[] = {
    {ifTrueColor, 517, 389, 90, false, false, 0},
    {ifTrueColor, 1603, 1201, 90, false, false, 0},
    {ifTrueColor, 301, 203, 75, false, false, 0},
    {ifTrueColor, 123, 77, 100, false, false, 0},
    {ifTrueColor, 33, 17, 1, false, false, 0},
    {ifTrueColor, 1, 1, 90, false, false, 0},
    {ifTrueColor, 1, 40, 90, false, false, 0},
    {ifTrueColor, 41, 1, 90, false, false, 0},
    {ifTrueColor, 255, 130, 80, true, false, 0},
    {ifTrueColor, 257, 131, 85, false, true, 0},
    {ifTrueColor, 199, 97, 60, true, true, 0},
    {ifTrueColor, 101, 67, 90, false, false, 13},
    {ifGray256, 130, 90, 90, false, false, 0},
    {ifGray256, 257, 3, 70, true, false, 0},
    {ifGray256, 61, 39, 95, false, true, 7},
    {ifColor256, 130, 90, 90, false, false, 0},
    {ifColor16, 61, 39, 80, false, false, 0},
    {ifGray16, 77, 45, 90, false, false, 0},
    {ifBlackWhite, 77, 45, 90, true, false, 0},
};

constexpr std::uint64_t kDigests[] = {
#include "jpeg_save_digests.inc"
};

// 64-bit FNV-1a over the bytes.
std::uint64_t digest(const Byte* p, std::size_t n) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

// The file the format class writes for the case, with its length in `size`.
std::uint64_t saved_digest(const JpegCase& c, int case_number, std::size_t& size) {
  TJpegGraphic p;
  photo::new_picture(p, c.w, c.h, c.format, 2000u + static_cast<std::uint32_t>(case_number));
  p.SaveQuality = c.quality;
  p.SaveProgressive = c.progressive;
  p.OptimizedHuffmanCodes = c.optimized;
  TMemoryStream s;
  for (int i = 0; i < c.offset; ++i) {
    const Byte b = static_cast<Byte>(0xA0 + i);
    s.WriteBuffer(&b, 1);
  }
  auto pixels = [&p] {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (int y = 0; y < p.Height(); ++y) h ^= digest(p.GetScanLine(y), static_cast<std::size_t>(p.ScanLineSize())) + y;
    return h;
  };
  const std::uint64_t before = pixels();
  p.SaveToStream(s);
  // The encoder reads the picture and leaves it as it was.
  EXPECT_EQ(pixels(), before) << "case " << case_number;
  // The bytes before the file stay as they were.
  for (int i = 0; i < c.offset; ++i) EXPECT_EQ(s.Memory()[i], static_cast<Byte>(0xA0 + i)) << "case " << case_number;
  size = static_cast<std::size_t>(s.Size()) - static_cast<std::size_t>(c.offset);
  EXPECT_GT(size, 4u);
  // A whole JPEG file: start and end of image.
  const Byte* file = s.Memory() + c.offset;
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);
  EXPECT_EQ(file[size - 2], 0xFF);
  EXPECT_EQ(file[size - 1], 0xD9);
  return digest(file, size);
}

TEST(JpegSaveDigests, TodaysBytesOnPhotoLikePictures) {
  static_assert(std::size(kCases) == std::size(kDigests), "one digest per case");
  const char* print = std::getenv("HW_PRINT_JPEG_DIGESTS");
  for (int n = 0; n < static_cast<int>(std::size(kCases)); ++n) {
    const JpegCase& c = kCases[n];
    std::size_t size = 0;
    const std::uint64_t d = saved_digest(c, n, size);
    if (print && *print) {
      std::printf("    0x%016llxull,  // %d x %d (%d), q%d%s%s, %zu bytes\n", static_cast<unsigned long long>(d), c.w,
                  c.h, int(c.format), c.quality, c.progressive ? ", progressive" : "",
                  c.optimized ? ", optimised" : "", size);
    } else {
      EXPECT_EQ(d, kDigests[n]) << "case " << n << ": " << c.w << "x" << c.h << " (" << int(c.format) << "), q"
                                << c.quality << (c.progressive ? " progressive" : "")
                                << (c.optimized ? " optimised" : "") << ", offset " << c.offset;
    }
  }
}

}  // namespace
