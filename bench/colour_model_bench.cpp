// RGB -> HLS -> RGB over every colour, single thread; items are colours.
#include <benchmark/benchmark.h>

#include "workbench/colour_model.hpp"

namespace {

constexpr int kAllColours = 1 << 24;

void BM_RoundTripAllColours(benchmark::State& state) {
  for (auto _ : state) {
    for (int c = 0; c < kAllColours; ++c) {
      Word h, l, s;
      ColorRGBToHLS(c, h, l, s);
      benchmark::DoNotOptimize(ColorHLSToRGB(h, l, s));
    }
  }
  state.SetItemsProcessed(state.iterations() * kAllColours);
}
BENCHMARK(BM_RoundTripAllColours)->Unit(benchmark::kMillisecond);

void BM_RgbToHlsAllColours(benchmark::State& state) {
  for (auto _ : state) {
    for (int c = 0; c < kAllColours; ++c) {
      Word h, l, s;
      ColorRGBToHLS(c, h, l, s);
      benchmark::DoNotOptimize(h);
      benchmark::DoNotOptimize(l);
      benchmark::DoNotOptimize(s);
    }
  }
  state.SetItemsProcessed(state.iterations() * kAllColours);
}
BENCHMARK(BM_RgbToHlsAllColours)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
