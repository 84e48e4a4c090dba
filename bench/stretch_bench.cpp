// The GDI stretches the picture view renders with: a 4000 x 3000 true-colour picture onto a
// 720 x 524 view, nearest-neighbour (COLORONCOLOR) and area-averaged (HALFTONE), and the
// 200 % enlargement of a view-sized picture. The area-averaged stretch also from a 256-colour
// picture, from a picture whose sides share no factor with the view's, and from a picture small
// enough to stay in the processor's caches. Then the view's own rendering of zooms above 100 %,
// whole and not, each beside a memcpy of the rendering's bytes between two buffers written
// beforehand (its yardstick), and the general stretch of the 386 % zoom it replaces.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "bench/photo_picture.hpp"
#include "image/dib_graphic.hpp"
#include "image/view_render.hpp"

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

// The view's rendering of a w x h picture at dw x dh, into a new picture each time as the view
// makes it. Bytes: those of the rendering.
void BM_ViewEnlargement(benchmark::State& state) {
  const auto arg = [&](int i) { return static_cast<int>(state.range(i)); };
  TDibGraphic& src = source_picture(arg(0), arg(1));
  TDibGraphic dst;
  for (auto _ : state) {
    if (!render_enlarged(src, dst, arg(2), arg(3))) state.SkipWithError("not rendered");
    benchmark::DoNotOptimize(dst.Bits()[0]);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(dst.ScanLineSize()) * dst.Height());
}

// memcpy of the bytes of a dw x dh rendering (rows padded to 32 bits).
void BM_PlainCopy(benchmark::State& state) {
  const std::size_t bytes = ((static_cast<std::size_t>(state.range(2)) * 3 + 3) & ~std::size_t{3}) *
                            static_cast<std::size_t>(state.range(3));
  std::vector<unsigned char> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

// Source and rendered sizes: 200 % and 400 % of 4000 x 3000, the 386 % that 400 % is lowered to
// in the view (the pixel limit), 250 %, and a 1500 x 1000 picture fitted to a view 2100 pixels
// high (210 %).
void enlargements(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "dw", "dh"});
  b->Args({4000, 3000, 8000, 6000})->Args({4000, 3000, 16000, 12000})->Args({4000, 3000, 15447, 11585});
  b->Args({4000, 3000, 10000, 7500})->Args({1500, 1000, 3150, 2100});
}

void BM_Halftone_4000x3000_to_386pct(benchmark::State& s) { stretch(s, HALFTONE, 4000, 3000, 15447, 11585); }

}  // namespace

BENCHMARK(BM_ViewEnlargement)->Apply(enlargements)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(BM_PlainCopy)->Apply(enlargements)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();
BENCHMARK(BM_Halftone_4000x3000_to_386pct)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ColorOnColor_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorOnColor_720x524_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_720x524_to_200pct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_256colours_4000x3000_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_4001x3001_to_720x524)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halftone_1000x750_to_180x131)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
