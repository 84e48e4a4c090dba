// The GDI stretches the picture view renders with: a 4000 x 3000 true-colour picture onto a
// 720 x 524 view, nearest-neighbour (COLORONCOLOR) and area-averaged (HALFTONE), and the
// 200 % enlargement of a view-sized picture.
#include <benchmark/benchmark.h>

#include <random>

#include "image/dib_graphic.hpp"

namespace {

TDibGraphic& source_picture(int w, int h) {
  static TDibGraphic* big = nullptr;
  static TDibGraphic* small = nullptr;
  static TDibGraphic* mid = nullptr;
  TDibGraphic*& slot = w > 1000 ? big : (w == 1000 ? mid : small);
  if (!slot) {
    slot = new TDibGraphic;  // kept for the whole run
    slot->NewImage(w, h, ifTrueColor, nullptr, 0, 0);
    std::mt19937 rng(1);
    Byte* bits = slot->Bits();
    for (std::int64_t i = 0, n = std::int64_t{slot->ScanLineSize()} * h; i < n; ++i) bits[i] = Byte(rng());
  }
  return *slot;
}

void stretch(benchmark::State& state, int mode, int sw, int sh, int dw, int dh) {
  TDibGraphic& src = source_picture(sw, sh);
  TDibGraphic dst;
  dst.NewImage(dw, dh, ifTrueColor, nullptr, 0, 0);
  SetStretchBltMode(dst.DC(), mode);
  for (auto _ : state) {
    StretchDIBits(dst.DC(), 0, 0, dw, dh, 0, 0, sw, sh, src.Bits(), &src.BitmapInfo(), DIB_RGB_COLORS, SRCCOPY);
    benchmark::DoNotOptimize(dst.Bits()[0]);
  }
}

void BM_ColorOnColor_4000x3000_to_720x524(benchmark::State& s) { stretch(s, COLORONCOLOR, 4000, 3000, 720, 524); }
void BM_Halftone_4000x3000_to_720x524(benchmark::State& s) { stretch(s, HALFTONE, 4000, 3000, 720, 524); }
void BM_ColorOnColor_720x524_to_200pct(benchmark::State& s) { stretch(s, COLORONCOLOR, 720, 524, 1440, 1048); }
void BM_Halftone_720x524_to_200pct(benchmark::State& s) { stretch(s, HALFTONE, 720, 524, 1440, 1048); }

}  // namespace

BENCHMARK(BM_ColorOnColor_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorOnColor_720x524_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_720x524_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
void BM_Halftone_1000x750_to_180x131(benchmark::State& s) { stretch(s, HALFTONE, 1000, 750, 180, 131); }
BENCHMARK(BM_Halftone_1000x750_to_180x131)->Unit(benchmark::kMicrosecond);
