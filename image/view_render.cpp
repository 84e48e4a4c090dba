#include "image/view_render.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "image/dib_graphic.hpp"
#include "platform/processors.hpp"

namespace {

// One displayed row: every source pixel `k` times.
template <int K>
void repeat_row(const std::uint8_t* src, std::uint8_t* dst, int width, int k) {
  const int n = K ? K : k;
  for (int x = 0; x < width; ++x, src += 3)
    for (int i = 0; i < n; ++i, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
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
  auto band = [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* src = Source.GetScanLine(y);
      std::uint8_t* first = Dest.GetScanLine(y * k);
      switch (k) {
        case 1: std::memcpy(first, src, row_bytes); break;
        case 2: repeat_row<2>(src, first, w, k); break;
        case 4: repeat_row<4>(src, first, w, k); break;
        default: repeat_row<0>(src, first, w, k); break;
      }
      std::memset(first + row_bytes, 0, scan - row_bytes);
      for (int i = 1; i < k; ++i) std::memcpy(Dest.GetScanLine(y * k + i), first, scan);
    }
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
