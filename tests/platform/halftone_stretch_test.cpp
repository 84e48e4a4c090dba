#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "platform/gdi.hpp"
#include "platform/halftone_stretch.hpp"

namespace {

// A device-independent picture in memory, top-down unless asked otherwise, random pixels and a
// random colour table.
struct Picture {
  int width = 0;
  int height = 0;
  int depth = 0;
  bool top_down = true;
  std::int64_t stride = 0;
  std::vector<Byte> bits;
  BITMAPINFO info{};

  Picture(int w, int h, int d, std::mt19937& rng, bool top = true) : width(w), height(h), depth(d), top_down(top) {
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = top ? -h : h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(d);
    if (d <= 8) {
      info.bmiHeader.biClrUsed = 1u << d;
      for (int i = 0; i < (1 << d); ++i) info.bmiColors[i] = RGBQUAD{Byte(rng()), Byte(rng()), Byte(rng()), 0};
    }
    stride = dib_row_size(w, d);
    bits.resize(static_cast<std::size_t>(stride * h));
    for (std::size_t i = 0; i < bits.size(); i += 4) {
      const std::uint32_t r = rng();
      for (std::size_t k = 0; k < 4 && i + k < bits.size(); ++k) bits[i + k] = Byte(r >> (8 * k));
    }
  }

  // The colour of (x, y), y counted from the top, as 0x00RRGGBB.
  std::uint32_t colour(int x, int y) const {
    const Byte* row = bits.data() + (top_down ? y : height - 1 - y) * stride;
    auto table = [&](int i) {
      const RGBQUAD q = info.bmiColors[i];
      return std::uint32_t{q.rgbRed} << 16 | std::uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
    };
    switch (depth) {
      case 1: return table((row[x / 8] >> (7 - x % 8)) & 1);
      case 4: return table(x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
      case 8: return table(row[x]);
      case 16: {
        // 5-5-5, each field widened by repeating its high bits.
        const unsigned v = row[2 * x] | row[2 * x + 1] << 8;
        auto widen = [](unsigned f) { return (f << 3) | (f >> 2); };
        return widen((v >> 10) & 31) << 16 | widen((v >> 5) & 31) << 8 | widen(v & 31);
      }
      case 24: return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
      case 32: return row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16;  // fourth byte ignored
    }
    return 0;
  }
};

// A 24-bit destination section selected into a context, filled with a marker colour.
struct Target {
  static constexpr std::uint32_t kMarker = 0x5A17C3;
  int width, height;
  HBITMAP bitmap = nullptr;
  Byte* bits = nullptr;
  std::int64_t stride;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;

  Target(int w, int h) : width(w), height(h), stride(dib_row_size(w, 24)) {
    BITMAPINFO info{};
    info.bmiHeader = {40, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<Byte*>(p);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
    SetStretchBltMode(dc, HALFTONE);
  }
  ~Target() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  void mark() {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) set(x, y, kMarker);
  }
  Byte* at(int x, int y) const { return bits + (height - 1 - y) * stride + 3 * x; }
  std::uint32_t value(int x, int y) const {
    const Byte* p = at(x, y);
    return p[0] | p[1] << 8 | p[2] << 16;
  }
  void set(int x, int y, std::uint32_t c) {
    Byte* p = at(x, y);
    p[0] = Byte(c);
    p[1] = Byte(c >> 8);
    p[2] = Byte(c >> 16);
  }
};

// Destination pixel (i, j) of a dw x dh rectangle onto which the sw x sh source rectangle at
// (sx, sy) is stretched: in a unit where a destination pixel is sw (sh) long and a source pixel
// dw (dh), every source pixel near it is weighted by its overlap; the channel means are rounded
// half up.
std::uint32_t oracle(const Picture& src, int sx, int sy, int sw, int sh, int dw, int dh, int i, int j) {
  using i128 = __int128;
  const std::int64_t x_lo = std::max<std::int64_t>(0, std::int64_t{i} * sw / dw - 1);
  const std::int64_t x_hi = std::min<std::int64_t>(sw, (std::int64_t{i} + 1) * sw / dw + 2);
  const std::int64_t y_lo = std::max<std::int64_t>(0, std::int64_t{j} * sh / dh - 1);
  const std::int64_t y_hi = std::min<std::int64_t>(sh, (std::int64_t{j} + 1) * sh / dh + 2);
  i128 sum[3] = {0, 0, 0}, total = 0;
  for (std::int64_t y = y_lo; y < y_hi; ++y) {
    const i128 oy = i128{std::min((std::int64_t{j} + 1) * sh, (y + 1) * dh) - std::max(std::int64_t{j} * sh, y * dh)};
    if (oy <= 0) continue;
    for (std::int64_t x = x_lo; x < x_hi; ++x) {
      const i128 ox = i128{std::min((std::int64_t{i} + 1) * sw, (x + 1) * dw) - std::max(std::int64_t{i} * sw, x * dw)};
      if (ox <= 0) continue;
      const std::uint32_t c = src.colour(static_cast<int>(sx + x), static_cast<int>(sy + y));
      for (int k = 0; k < 3; ++k) sum[k] += ox * oy * ((c >> (8 * k)) & 255);
      total += ox * oy;
    }
  }
  std::uint32_t out = 0;
  for (int k = 0; k < 3; ++k) out |= static_cast<std::uint32_t>((2 * sum[k] + total) / (2 * total)) << (8 * k);
  return out;
}

struct Case {
  int sx, sy, sw, sh;  // source rectangle, from the top
  int dx, dy, dw, dh;  // destination rectangle
};

// Stretches and compares every destination pixel: inside the rectangle with the oracle,
// outside it with the marker. Returns the number of pixels compared with the oracle.
int check(const Picture& src, Target& dst, const Case& c) {
  dst.mark();
  const int rows = StretchDIBits(dst.dc, c.dx, c.dy, c.dw, c.dh, c.sx, src.top_down ? c.sy : src.height - c.sy - c.sh,
                                 c.sw, c.sh, src.bits.data(), &src.info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(rows, c.sh);
  int compared = 0;
  for (int y = 0; y < dst.height; ++y)
    for (int x = 0; x < dst.width; ++x) {
      const bool inside = x >= c.dx && x - std::int64_t{c.dx} < c.dw && y >= c.dy && y - std::int64_t{c.dy} < c.dh;
      const std::uint32_t expect =
          inside ? oracle(src, c.sx, c.sy, c.sw, c.sh, c.dw, c.dh, x - c.dx, y - c.dy) : Target::kMarker;
      if (dst.value(x, y) != expect) {
        ADD_FAILURE() << "depth " << src.depth << ", source " << c.sw << "x" << c.sh << " at " << c.sx << "," << c.sy
                      << " of " << src.width << "x" << src.height << ", destination " << c.dw << "x" << c.dh << " at "
                      << c.dx << "," << c.dy << ": pixel " << x << "," << y << " is " << std::hex << dst.value(x, y)
                      << ", expected " << expect;
        return compared;
      }
      compared += inside ? 1 : 0;
    }
  return compared;
}

// Runs the stretch with the baseline row kernels while it lives.
struct BaselineKernels {
  BaselineKernels() { halftone_use_baseline_kernels(true); }
  ~BaselineKernels() { halftone_use_baseline_kernels(false); }
  BaselineKernels(const BaselineKernels&) = delete;
  BaselineKernels& operator=(const BaselineKernels&) = delete;
};

void random_cases(unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int compared = 0;
  for (int round = 0; round < 1200; ++round) {
    const int depth = std::array{1, 4, 8, 16, 24, 32}[static_cast<std::size_t>(round % 6)];
    // Each axis independently: a reduction (up to 40 source pixels a destination pixel), an
    // enlargement, or one of similar sizes.
    auto axis = [&](int& s, int& d) {
      switch (pick(0, 2)) {
        case 0: d = pick(1, 12); s = d * pick(1, 40) + pick(0, 30); break;
        case 1: s = pick(1, 12); d = s * pick(1, 9) + pick(0, 11); break;
        default: s = pick(1, 70); d = std::max(1, s + pick(-9, 9)); break;
      }
    };
    Case c{};
    axis(c.sw, c.dw);
    axis(c.sh, c.dh);
    const int margin_x = pick(0, 3), margin_y = pick(0, 3);
    const Picture src(c.sw + margin_x + pick(0, 2), c.sh + margin_y + pick(0, 2), depth, rng, round % 5 != 0);
    c.sx = margin_x;
    c.sy = margin_y;
    c.dx = pick(0, 2);
    c.dy = pick(0, 2);
    Target dst(std::min(c.dx + c.dw + pick(0, 2), 160), std::min(c.dy + c.dh + pick(0, 2), 120));
    compared += check(src, dst, c);
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_GT(compared, 500000);
}

void large_pictures() {
  // Large enough to be shared out between threads; rows wider than any block of bytes.
  std::mt19937 rng(7);
  for (int depth : {8, 24, 32}) {
    const Picture src(1203, 907, depth, rng);
    Target dst(61, 47);
    check(src, dst, {0, 0, 1203, 907, 0, 0, 61, 47});
    check(src, dst, {5, 3, 1150, 880, 2, 1, 59, 43});
  }
}

}  // namespace

TEST(HalftoneStretch, RandomReductionsAndEnlargementsMatchTheOverlapWeightedMean) {
  random_cases(20240611);
}

TEST(HalftoneStretch, BaselineKernelsMatchTheOverlapWeightedMean) {
  const BaselineKernels baseline;
  random_cases(1999);
  large_pictures();
}

TEST(HalftoneStretch, LargePicturesOnSeveralThreadsMatchTheMean) { large_pictures(); }

TEST(HalftoneStretch, ManyRowsOrColumnsToOnePixel) {
  std::mt19937 rng(11);
  const Picture tall(5, 1500, 24, rng);
  Target dst(5, 3);
  check(tall, dst, {0, 0, 5, 1500, 0, 0, 5, 3});
  check(tall, dst, {1, 7, 3, 1493, 1, 1, 2, 1});
  const Picture wide(1500, 4, 4, rng);
  check(wide, dst, {0, 0, 1500, 4, 0, 0, 2, 3});
  // More columns than the stretch takes in one band: the bands meet without a seam.
  Target long_row(70001, 2);
  check(wide, long_row, {3, 0, 1497, 4, 0, 0, 70001, 2});
}

TEST(HalftoneStretch, RectanglesCutByTheDestinationEdges) {
  std::mt19937 rng(3);
  const Picture src(23, 17, 24, rng);
  for (Case c : {Case{0, 0, 23, 17, -5, -4, 31, 29}, Case{2, 1, 19, 15, 6, 7, 40, 40}, Case{0, 0, 23, 17, -30, 2, 45, 9}}) {
    Target dst(20, 16);
    check(src, dst, c);
  }
}

TEST(HalftoneStretch, HugeEnlargementsWithLargeWeights) {
  // Destination rectangles tens of thousands of pixels long, mostly outside the bitmap: the
  // weights exceed 16 bits.
  std::mt19937 rng(5);
  const Picture src(7, 5, 24, rng);
  Target dst(9, 8);
  check(src, dst, {0, 0, 7, 5, -20000, -33000, 40003, 70001});
  check(src, dst, {1, 1, 5, 3, -4, -29999, 10, 60001});
}

TEST(HalftoneStretch, CoprimeSizesWithLargeSums) {
  // 1009 x 4999 source pixels onto 3 x 5: the weights of a destination pixel add up to about
  // 5 million, whose channel sums need more than 32 bits.
  std::mt19937 rng(13);
  for (int depth : {8, 24}) {
    const Picture src(1009, 4999, depth, rng);
    Target dst(3, 5);
    check(src, dst, {0, 0, 1009, 4999, 0, 0, 3, 5});
  }
}

TEST(HalftoneStretch, SeventeenMillionRowsToThree) {
  // A column whose sums exceed 32 bits (255 x 16,843,010 rows).
  std::mt19937 rng(17);
  for (int depth : {1, 24, 32}) {
    const Picture src(1, 16843010, depth, rng);
    Target dst(1, 3);
    check(src, dst, {0, 0, 1, 16843010, 0, 0, 1, 3});
  }
}

TEST(HalftoneStretch, DividerIsExactAtEveryQuotientBoundary) {
  const std::uint64_t divisors[] = {1, 2, 3, 7, 50, 255, 37500, 65537, 1u << 22, (1u << 22) + 1, 4194301, 3000000019ull,
                                    (std::uint64_t{1} << 34) - 3};
  for (std::uint64_t d : divisors) {
    const std::uint64_t largest = 255 * d + d / 2;
    const HalftoneDivider divide(d, largest);
    for (std::uint64_t q = 0; q <= 255; ++q)
      for (std::uint64_t n : {q * d, q * d + d / 2, q * d + d - 1}) {
        if (n > largest) continue;
        ASSERT_EQ(divide(n), n / d) << n << " / " << d;
      }
    ASSERT_EQ(divide(largest), largest / d);
  }
  EXPECT_THROW(HalftoneDivider(0, 10), std::invalid_argument);
}

TEST(HalftoneStretch, SourceRectanglesOutsideTheSourceDrawNothing) {
  // A grey 4 x 3 source read through the interface; it counts the rows handed out.
  struct Grey final : HalftoneSource {
    std::vector<std::uint8_t> px = std::vector<std::uint8_t>(4 * 3 * 3, 0x40);
    mutable int reads = 0;
    int width() const override { return 4; }
    int height() const override { return 3; }
    int bytes_per_pixel() const override { return 3; }
    bool converts() const override { return false; }
    const std::uint8_t* row(int y, int x0, int, std::uint8_t*) const override {
      ++reads;
      return px.data() + 12 * y + 3 * x0;
    }
  } grey;
  int rows = 0;
  const HalftoneRowSink sink = [&](int, int, int n, std::uint32_t* v) {
    ++rows;
    for (int i = 0; i < n; ++i) EXPECT_EQ(v[i], 0x404040u);
  };
  for (HalftoneGeometry g : {HalftoneGeometry{0, 0, 2, 2, 1, 0, 4, 3, 0, 0, 2, 2},
                             HalftoneGeometry{0, 0, 2, 2, 0, 1, 4, 3, 0, 0, 2, 2},
                             HalftoneGeometry{0, 0, 2, 2, -1, 0, 4, 3, 0, 0, 2, 2},
                             HalftoneGeometry{0, 0, 2, 2, 0, 0, 4, 3, 0, 0, 3, 2}}) {
    halftone_stretch(grey, g, sink);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(grey.reads, 0);
  }
  halftone_stretch(grey, {0, 0, 2, 2, 0, 0, 4, 3, 0, 0, 2, 2}, sink);
  EXPECT_EQ(rows, 2);
}
