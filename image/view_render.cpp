#include "image/view_render.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include <emmintrin.h>

#include "image/dib_graphic.hpp"
#include "platform/processors.hpp"

namespace {

// One displayed row: every source pixel `k` times.
void repeat_row(const std::uint8_t* src, std::uint8_t* dst, int width, int k) {
  for (int x = 0; x < width; ++x, src += 3)
    for (int i = 0; i < k; ++i, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
}

// The pixel at p in the low three bytes of a word; reads four bytes, so never the row's last.
inline std::uint64_t pixel_word(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v & 0xFFFFFFu;
}

// repeat_row for k = 2 a word at a time: each pixel's store writes two bytes more, which the
// next pixel's store overwrites; the last pixel goes the plain way.
void double_row(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x + 1 < width; ++x, src += 3, dst += 6) {
    const std::uint64_t v = pixel_word(src);
    const std::uint64_t d = v | v << 24;
    std::memcpy(dst, &d, 8);
  }
  repeat_row(src, dst, 1, 2);
}

// repeat_row for k = 4: twelve bytes per pixel in two stores.
void quadruple_row(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x + 1 < width; ++x, src += 3, dst += 12) {
    const std::uint64_t v = pixel_word(src);
    const std::uint64_t w0 = (v | v << 24) & 0xFFFFFFFFu, w1 = ((v >> 8) | v << 16) & 0xFFFFFFFFu;
    const std::uint32_t w2 = static_cast<std::uint32_t>((v >> 16) | v << 8);
    const std::uint64_t d = w0 | w1 << 32;
    std::memcpy(dst, &d, 8);
    std::memcpy(dst + 8, &w2, 4);
  }
  repeat_row(src, dst, 1, 4);
}

// A copy of n bytes that bypasses the caches for the bulk of it, for pictures far larger than
// they are: the destination is not read in first. The caller fences when its band is done.
void copy_streaming(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
  const std::size_t head = std::min(n, (16 - (reinterpret_cast<std::uintptr_t>(dst) & 15)) & 15);
  std::memcpy(dst, src, head);
  std::size_t i = head;
  for (; i + 16 <= n; i += 16)
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
  std::memcpy(dst + i, src + i, n - i);
}

// Asks the system to back a large, still untouched pixel buffer with huge pages, so that
// filling it costs a few hundred page faults instead of a few hundred thousand.
void prefer_huge_pages(void* bits, std::size_t bytes) {
  constexpr std::uintptr_t huge = 2u << 20;
  auto begin = (reinterpret_cast<std::uintptr_t>(bits) + huge - 1) & ~(huge - 1);
  auto end = (reinterpret_cast<std::uintptr_t>(bits) + bytes) & ~(huge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

bool render_whole_zoom(const TDibGraphic& Source, TDibGraphic& Dest, int Width, int Height) {
  const int w = Source.Width(), h = Source.Height();
  if (Source.Empty() || Source.ImageFormat() != ifTrueColor || w <= 0 || h <= 0) return false;
  if (Width % w != 0 || Height % h != 0 || Width / w != Height / h) return false;
  const int k = Width / w;
  // Every byte of every row is written below, the row padding included: the picture is not
  // cleared first.
  Dest.NewImageForOverwrite(Width, Height, ifTrueColor, nullptr, Source.XDotsPerInch(), Source.YDotsPerInch());
  const std::size_t row_bytes = static_cast<std::size_t>(Width) * 3;
  const std::size_t scan = static_cast<std::size_t>(Dest.ScanLineSize());
  const std::size_t total = scan * static_cast<std::size_t>(Height);
  if (total >= (8u << 20)) prefer_huge_pages(Dest.Bits(), total);
  const bool streaming = total >= (8u << 20);
  auto copy = streaming ? copy_streaming : [](std::uint8_t* d, const std::uint8_t* s, std::size_t n) { std::memcpy(d, s, n); };
  auto band = [&](int y0, int y1) {
    if (k == 1 && y1 > y0) {
      // The rows lie alike in both pictures: one copy of the band, then the padding cleared
      // (per-row copies made a picture of millions of one-pixel rows take seconds).
      copy(Dest.GetScanLine(y1 - 1), Source.GetScanLine(y1 - 1), scan * static_cast<std::size_t>(y1 - y0));
      const std::size_t pad = scan - row_bytes;  // at most 3 bytes
      if (pad > 0)
        for (std::uint8_t *p = Dest.GetScanLine(y1 - 1) + row_bytes, *end = p + scan * static_cast<std::size_t>(y1 - y0);
             p < end; p += scan) {
          p[0] = 0;
          if (pad > 1) p[1] = 0;
          if (pad > 2) p[2] = 0;
        }
      if (streaming) _mm_sfence();
      return;
    }
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* src = Source.GetScanLine(y);
      std::uint8_t* first = Dest.GetScanLine(y * k);
      switch (k) {
        case 1: copy(first, src, row_bytes); break;
        case 2: double_row(src, first, w); break;
        case 4: quadruple_row(src, first, w); break;
        default: repeat_row(src, first, w, k); break;
      }
      std::memset(first + row_bytes, 0, scan - row_bytes);
      for (int i = 1; i < k; ++i) copy(Dest.GetScanLine(y * k + i), first, scan);
    }
    if (streaming) _mm_sfence();
  };
  // Large renderings are shared out in bands over the processors the process may use: most of
  // their time is the system handing out fresh memory pages, which goes faster on several.
  const int threads = total < (8u << 20) ? 1 : std::min(8, usable_processors());
  if (threads == 1) {
    band(0, h);
    return true;
  }
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t) workers.emplace_back(band, static_cast<int>(static_cast<long long>(h) * t / threads),
                                                         static_cast<int>(static_cast<long long>(h) * (t + 1) / threads));
  band(0, h / threads);
  for (std::thread& t : workers) t.join();
  return true;
}
