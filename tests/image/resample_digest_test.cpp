// The resampler's output guarded by digests: photo-like pictures (bench/photo_picture.hpp) in
// every pixel format, reduced and enlarged by odd ratios, to one-pixel sides and to widths that
// are no multiple of the kernels' lane counts, with all six filters. The digests in
// resample_digests.inc are those of the first, plain SSE2 form of the kernels; every faster form
// since must give the same bytes. HW_PRINT_RESAMPLE_DIGESTS=1 prints the table instead of checking.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "bench/photo_picture.hpp"
#include "image/dib_graphic.hpp"
#include "image/resample_rows.hpp"
#include "image/resize_transform.hpp"

namespace {

struct DigestCase {
  TImageFormat source_format;
  int sw, sh;
  TImageFormat dest_format;
  int dw, dh;
};

constexpr DigestCase kCases[] = {
    {ifTrueColor, 517, 389, ifTrueColor, 129, 97},     // about 25 %
    {ifTrueColor, 517, 389, ifTrueColor, 1034, 778},   // 200 %
    {ifTrueColor, 301, 203, ifTrueColor, 97, 61},
    {ifTrueColor, 301, 203, ifTrueColor, 211, 150},
    {ifTrueColor, 123, 77, ifTrueColor, 300, 191},
    {ifTrueColor, 1, 40, ifTrueColor, 7, 90},
    {ifTrueColor, 40, 1, ifTrueColor, 90, 2},
    {ifTrueColor, 1, 1, ifTrueColor, 3, 2},
    {ifTrueColor, 1000, 20, ifTrueColor, 3, 2},        // many taps
    {ifTrueColor, 250, 250, ifTrueColor, 17, 33},
    {ifTrueColor, 64, 64, ifTrueColor, 65, 63},
    {ifTrueColor, 33, 17, ifTrueColor, 15, 31},
    {ifTrueColor, 5, 3, ifTrueColor, 2, 2},
    {ifTrueColor, 200, 150, ifTrueColor, 2, 150},
    {ifTrueColor, 150, 200, ifTrueColor, 150, 2},
    {ifTrueColor, 97, 101, ifTrueColor, 31, 509},
    {ifTrueColor, 1600, 1200, ifTrueColor, 400, 300},
    {ifTrueColor, 1603, 1201, ifTrueColor, 397, 301},
    {ifTrueColor, 4000, 3000, ifTrueColor, 1000, 750},  // the benchmark's reduction
    {ifBlackWhite, 77, 45, ifBlackWhite, 31, 100},
    {ifGray16, 77, 45, ifGray16, 150, 20},
    {ifGray256, 130, 90, ifGray256, 33, 47},
    {ifColor16, 61, 39, ifColor16, 17, 80},
    {ifColor256, 130, 90, ifColor256, 257, 61},
    {ifTrueColor, 130, 90, ifGray256, 41, 29},
    {ifTrueColor, 130, 90, ifColor256, 201, 140},
    {ifTrueColor, 130, 90, ifBlackWhite, 45, 33},
    {ifColor256, 61, 39, ifTrueColor, 29, 83},
    {ifGray16, 61, 39, ifTrueColor, 120, 70},
    {ifTrueColor, 99, 66, ifColor16, 50, 33},
};

constexpr TInterpolationFilter kFilters[] = {ifTriangle, ifHermite, ifBell, ifBSpline, ifLanczos3, ifMitchell};

constexpr std::uint64_t kDigests[][6] = {
#include "resample_digests.inc"
};

// 64-bit FNV-1a over every scan line, padding included, from the top.
std::uint64_t digest(const TDibGraphic& p) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (int y = 0; y < p.Height(); ++y) {
    const std::uint8_t* row = p.GetScanLine(y);
    for (int i = 0; i < p.ScanLineSize(); ++i) h = (h ^ row[i]) * 0x100000001B3ull;
  }
  return h;
}

std::uint64_t resized_digest(const DigestCase& c, int case_number, TInterpolationFilter filter) {
  static int made_for = -1;
  static TDibGraphic source;
  if (made_for != case_number) {
    photo::new_picture(source, c.sw, c.sh, c.source_format, 1000u + static_cast<std::uint32_t>(case_number));
    made_for = case_number;
  }
  TResizeTransform t;
  t.SetInterpolated(true);
  t.SetWidth(c.dw);
  t.SetHeight(c.dh);
  t.SetFilter(filter);
  t.SetOverrideDestFormat(c.dest_format != c.source_format);
  t.SetDestFormat(c.dest_format);
  TDibGraphic dest;
  t.ApplyOnDest(source, dest);
  EXPECT_EQ(dest.ImageFormat(), c.dest_format);
  return digest(dest);
}

// Puts back the kernels chosen at start, however the test ends.
struct KeepKernels {
  ResampleKernels chosen = resample_kernels();
  ~KeepKernels() { use_resample_kernels(chosen); }
};

void check_all_cases(const char* kernels) {
  static_assert(std::size(kCases) == std::size(kDigests), "one digest row per case");
  const char* print = std::getenv("HW_PRINT_RESAMPLE_DIGESTS");
  for (int n = 0; n < static_cast<int>(std::size(kCases)); ++n) {
    const DigestCase& c = kCases[n];
    if (print && *print) std::printf("    {");
    for (int f = 0; f < 6; ++f) {
      const std::uint64_t d = resized_digest(c, n, kFilters[f]);
      if (print && *print) {
        std::printf("0x%016llxull%s", static_cast<unsigned long long>(d), f < 5 ? ", " : "},\n");
      } else {
        EXPECT_EQ(d, kDigests[n][f]) << kernels << " kernels, case " << n << ": " << c.sw << "x" << c.sh << " ("
                                     << int(c.source_format) << ") -> " << c.dw << "x" << c.dh << " ("
                                     << int(c.dest_format) << "), filter " << f;
      }
    }
  }
}

// Each set of kernels the processor has.
TEST(ResampleDigests, TodaysBytesOnPhotoLikePictures) {
  KeepKernels keep;
  int runs = 0;
  for (auto [kernels, name] : {std::pair{ResampleKernels::sse2, "SSE2"}, std::pair{ResampleKernels::avx2, "AVX2"}}) {
    if (!use_resample_kernels(kernels)) continue;
    check_all_cases(name);
    ++runs;
    if (const char* print = std::getenv("HW_PRINT_RESAMPLE_DIGESTS"); print && *print) break;  // one table
  }
  EXPECT_GE(runs, 1);
}

// Beyond the stored cases: random geometries, filters and formats, every faster kernel against
// the row kernels (which the digests above hold to today's bytes).
TEST(ResampleDigests, FasterKernelsMatchTheRowKernelsOnRandomGeometries) {
  KeepKernels keep;
  if (!resample_kernels_supported(ResampleKernels::avx2)) GTEST_SKIP() << "no AVX2 on this processor";
  const char* env = std::getenv("HW_RESAMPLE_SWEEP");
  const int cases = env && *env ? std::atoi(env) : 150;
  std::uint64_t seed = 0x5EEDull;
  auto next = [&](int n) {
    seed = photo::mix(seed);
    return static_cast<int>(seed % static_cast<std::uint64_t>(n));
  };
  constexpr TImageFormat kFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
  for (int n = 0; n < cases; ++n) {
    const int sw = 1 + next(next(2) ? 40 : 400), sh = 1 + next(next(2) ? 40 : 400);
    const int dw = 2 + next(next(2) ? 40 : 500), dh = 2 + next(next(2) ? 40 : 500);
    const TInterpolationFilter filter = kFilters[next(6)];
    const TImageFormat from = next(3) ? ifTrueColor : kFormats[next(6)];
    const TImageFormat to = next(3) ? from : kFormats[next(6)];
    TDibGraphic source;
    photo::new_picture(source, sw, sh, from, static_cast<std::uint32_t>(n));
    TResizeTransform t;
    t.SetInterpolated(true);
    t.SetWidth(dw);
    t.SetHeight(dh);
    t.SetFilter(filter);
    t.SetOverrideDestFormat(to != from);
    t.SetDestFormat(to);
    TDibGraphic rows, fused;
    use_resample_kernels(ResampleKernels::sse2);
    t.ApplyOnDest(source, rows);
    use_resample_kernels(ResampleKernels::avx2);
    t.ApplyOnDest(source, fused);
    ASSERT_EQ(digest(fused), digest(rows)) << "case " << n << ": " << sw << "x" << sh << " (" << int(from) << ") -> "
                                           << dw << "x" << dh << " (" << int(to) << "), filter " << int(filter);
  }
}

}  // namespace
