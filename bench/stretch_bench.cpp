// The GDI stretches the picture view renders with: a 4000 x 3000 true-colour picture onto a
// 720 x 524 view, nearest-neighbour (COLORONCOLOR) and area-averaged (HALFTONE), and the
// 200 % enlargement of a view-sized picture. The area-averaged stretch also from a 256-colour
// picture, from a picture whose sides share no factor with the view's, and from a picture small
// enough to stay in the processor's caches.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <tuple>

#include "bench/photo_picture.hpp"
#include "image/dib_graphic.hpp"

namespace {

// Photo-like pixels (photo_picture.hpp), made once per size and format and kept for the whole run.
TDibGraphic& source_picture(int w, int h, TImageFormat format = ifTrueColor) {
  static std::map<std::tuple<int, int, int>, std::unique_ptr<TDibGraphic>> pictures;
  auto& slot = pictures[{w, h, int(format)}];
  if (!slot) {
    slot = std::make_unique<TDibGraphic>();
    photo::new_picture(*slot, w, h, format, 1);
  }
  return *slot;
}

void stretch(benchmark::State& state, int mode, int sw, int sh, int dw, int dh, TImageFormat format = ifTrueColor) {
  TDibGraphic& src = source_picture(sw, sh, format);
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
void BM_Halftone_256colours_4000x3000_to_720x524(benchmark::State& s) {
  stretch(s, HALFTONE, 4000, 3000, 720, 524, ifColor256);
}
void BM_Halftone_4001x3001_to_720x524(benchmark::State& s) { stretch(s, HALFTONE, 4001, 3001, 720, 524); }
void BM_Halftone_1000x750_to_180x131(benchmark::State& s) { stretch(s, HALFTONE, 1000, 750, 180, 131); }

}  // namespace

BENCHMARK(BM_ColorOnColor_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorOnColor_720x524_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_720x524_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_256colours_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_4001x3001_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_1000x750_to_180x131)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
