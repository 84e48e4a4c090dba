// Speed of the picture transforms on a 4000 x 3000 photo-like true-colour picture
// (photo_picture.hpp, the same bytes the peers get from photo_ppm): the resize to
// 25 % and 200 % with the triangle (bilinear) and Lanczos filters, the stretches the picture view
// uses to a 720 x 524 view, the quarter turn and the change to 256 colours with error diffusion.
// The resizes run with the kernels the processor gets (AVX2 where it has it); the _sse2 cases run
// the plain row kernels for comparison. scripts/bench runs this beside the peers.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "bench/photo_picture.hpp"
#include "image/resample_rows.hpp"

#include "image/dib_graphic.hpp"
#include "image/format_transform.hpp"
#include "image/resize_transform.hpp"
#include "image/rotate_transform.hpp"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

TDibGraphic& photo_picture() {
  static std::unique_ptr<TDibGraphic> picture = [] {
    auto p = std::make_unique<TDibGraphic>();
    photo::new_picture(*p, kWidth, kHeight, ifTrueColor, 1);
    return p;
  }();
  return *picture;
}

void run_resize(benchmark::State& state, int width, int height, bool interpolated, TInterpolationFilter filter,
                bool plain = false) {
  TDibGraphic& source = photo_picture();
  const ResampleKernels chosen = resample_kernels();
  if (plain) use_resample_kernels(ResampleKernels::sse2);
  TResizeTransform resize;
  resize.SetWidth(width);
  resize.SetHeight(height);
  resize.SetInterpolated(interpolated);
  resize.SetFilter(filter);
  for (auto _ : state) {
    TDibGraphic dest;
    resize.ApplyOnDest(source, dest);
    benchmark::DoNotOptimize(dest.Bits());
  }
  use_resample_kernels(chosen);
}

void BM_resize_25_bilinear(benchmark::State& s) { run_resize(s, kWidth / 4, kHeight / 4, true, ifTriangle); }
void BM_resize_25_lanczos(benchmark::State& s) { run_resize(s, kWidth / 4, kHeight / 4, true, ifLanczos3); }
void BM_resize_200_bilinear(benchmark::State& s) { run_resize(s, kWidth * 2, kHeight * 2, true, ifTriangle); }
void BM_resize_200_lanczos(benchmark::State& s) { run_resize(s, kWidth * 2, kHeight * 2, true, ifLanczos3); }
void BM_resize_25_bilinear_sse2(benchmark::State& s) { run_resize(s, kWidth / 4, kHeight / 4, true, ifTriangle, true); }
void BM_resize_25_lanczos_sse2(benchmark::State& s) { run_resize(s, kWidth / 4, kHeight / 4, true, ifLanczos3, true); }
// The view's zoom: halftone for a large true-colour picture, nearest pixel for palette ones.
void BM_stretch_view_halftone(benchmark::State& s) { run_resize(s, 720, 524, false, ifTriangle); }

void BM_stretch_view_coloroncolor(benchmark::State& state) {
  static std::unique_ptr<TDibGraphic> palette_picture = [] {
    auto p = std::make_unique<TDibGraphic>();
    photo::new_picture(*p, kWidth, kHeight, ifColor256, 777);
    return p;
  }();
  TResizeTransform resize;
  resize.SetWidth(720);
  resize.SetHeight(524);
  for (auto _ : state) {
    TDibGraphic dest;
    resize.ApplyOnDest(*palette_picture, dest);
    benchmark::DoNotOptimize(dest.Bits());
  }
}

void BM_rotate_90(benchmark::State& state) {
  TDibGraphic& source = photo_picture();
  TRotateTransform rotate;
  rotate.SetAngle(90);
  for (auto _ : state) {
    TDibGraphic dest;
    rotate.ApplyOnDest(source, dest);
    benchmark::DoNotOptimize(dest.Bits());
  }
}

void BM_format_256_dither(benchmark::State& state) {
  TDibGraphic& source = photo_picture();
  TImageFormatTransform change;
  change.SetImageFormat(ifColor256);
  for (auto _ : state) {
    TDibGraphic dest;
    change.ApplyOnDest(source, dest);
    benchmark::DoNotOptimize(dest.Bits());
  }
}

}  // namespace

// Medians of 15 runs: each run of a reduction is 5 resizes, of an enlargement one.
BENCHMARK(BM_resize_25_bilinear)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(15);
BENCHMARK(BM_resize_25_lanczos)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(15);
BENCHMARK(BM_resize_200_bilinear)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_resize_200_lanczos)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_resize_25_bilinear_sse2)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(15);
BENCHMARK(BM_resize_25_lanczos_sse2)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(15);
BENCHMARK(BM_stretch_view_halftone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_stretch_view_coloroncolor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_rotate_90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_format_256_dither)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
