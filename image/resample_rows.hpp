// Row kernels of the two-pass resampler. Every sum is single precision and accumulates its
// contributions in list order: sum := sum + value * weight, the product and the sum each rounded
// to single. The stored channel is 0 below 0, 255 above 255, else the sum rounded half to even.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "image/interpolation_filter.hpp"

// Contribution lists laid out for the kernels: every destination pixel gets the same number of
// entries, padded at the end with weight 0 (adding 0 leaves a sum unchanged).
class PaddedWeights {
public:
  explicit PaddedWeights(const ResampleWeights& weights);
  int taps() const { return taps_; }
  int size() const { return size_; }
  const int* index(int i) const { return index_.data() + static_cast<std::size_t>(i) * taps_; }
  const float* weight(int i) const { return weight_.data() + static_cast<std::size_t>(i) * taps_; }

private:
  int taps_ = 0;
  int size_ = 0;
  std::vector<int> index_;
  std::vector<float> weight_;
};

// Horizontal pass of one row: `src` holds 4 floats per source pixel (blue, green, red, 0); each
// destination pixel gets 3 bytes (blue, green, red) in `dst`.
void resample_row_horizontal(const float* src, const PaddedWeights& weights, std::uint8_t* dst);

// Vertical pass of one destination row over `count` bytes: `rows[k]` is the work row of
// contribution k, `weights` its weight; the result is written as bytes to `dst`. The work rows
// must be readable up to a multiple of 16 bytes past `count`.
void resample_row_vertical(const std::uint8_t* const* rows, const float* weights, int taps, int count,
                           std::uint8_t* dst);

// The plain form of one sum of the kernels above, for a single channel.
inline std::uint8_t resample_store(float sum) {
  if (sum > 255.0f) return 255;
  if (sum < 0.0f) return 0;
  return static_cast<std::uint8_t>(std::nearbyint(sum));
}

// Rows of the picture being resampled as blue, green, red bytes, 3 per pixel. `slot` (0..7) lets
// a reader that has to convert keep eight rows at once: the row returned for a slot stays valid
// until the slot is asked for again.
class ResampleRowSource {
public:
  virtual ~ResampleRowSource() = default;
  virtual const std::uint8_t* row(int y, int slot) = 0;
};

// Where destination rows go: `row` gives the 3 bytes per pixel to write, `stored` follows.
class ResampleRowSink {
public:
  virtual ~ResampleRowSink() = default;
  virtual std::uint8_t* row(int y) = 0;
  virtual void stored(int y) = 0;
};

// The kernels the resampler runs: the row kernels above, or the fused 256-bit one below, chosen
// once at start from what the processor has.
enum class ResampleKernels { sse2, avx2 };
bool resample_kernels_supported(ResampleKernels kernels);
ResampleKernels resample_kernels();
// For tests and benchmarks: the kernels to use from now on (unsupported ones are refused).
bool use_resample_kernels(ResampleKernels kernels);

// The number of work rows (3 floats per destination pixel each) the fused kernels keep for
// destination rows `rows` of a source `source_height` rows tall.
int fused_work_rows(const PaddedWeights& rows, int source_height);

// Both passes with 256-bit lanes, eight source rows at a time, the work picture kept as a ring
// of rows as tall as the vertical filter needs. Same sums, same bytes as the row kernels.
// `progress` gets the number of source rows read plus destination rows written.
void resample_fused_avx2(ResampleRowSource& source, int sw, int sh, ResampleRowSink& sink, int dw, int dh,
                         const PaddedWeights& columns, const PaddedWeights& rows,
                         const std::function<void(long long)>& progress);
