// Row kernels of the two-pass resampler. Every sum is single precision and accumulates its
// contributions in list order: sum := sum + value * weight, the product and the sum each rounded
// to single. The stored channel is 0 below 0, 255 above 255, else the sum rounded half to even.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
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
