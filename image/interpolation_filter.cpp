#include "image/interpolation_filter.hpp"

#include <cmath>

#include "image/zu_misc.hpp"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double sinc(long double x) {
  if (x == 0.0L) return 1.0L;
  const long double px = kPi * x;
  return std::sin(px) / px;
}

}  // namespace

float FilterSupport(TInterpolationFilter filter) {
  switch (filter) {
    case ifTriangle: return 1.0f;
    case ifHermite: return 1.0f;
    case ifBell: return 1.5f;
    case ifBSpline: return 2.0f;
    case ifLanczos3: return 3.0f;
    case ifMitchell: return 2.0f;
  }
  throw EZuroroveError("Internal error: Invalid interpolation filter");
}

// Each formula is evaluated in extended precision and the value is stored as a single.
float FilterValue(TInterpolationFilter filter, float x) {
  const long double t = std::fabs(static_cast<long double>(x));
  long double v = 0.0L;
  switch (filter) {
    case ifTriangle:
      if (t < 1.0L) v = 1.0L - t;
      break;
    case ifHermite:
      if (t < 1.0L) v = (2.0L * t - 3.0L) * t * t + 1.0L;
      break;
    case ifBell:
      if (t < 0.5L) {
        v = 0.75L - t * t;
      } else if (t < 1.5L) {
        const long double u = t - 1.5L;
        v = 0.5L * u * u;
      }
      break;
    case ifBSpline:
      if (t < 1.0L) {
        v = 0.5L * t * t * t - t * t + 2.0L / 3.0L;
      } else if (t < 2.0L) {
        const long double u = 2.0L - t;
        v = u * u * u / 6.0L;
      }
      break;
    case ifLanczos3:
      if (t < 3.0L) v = sinc(x) * sinc(x / 3.0L);
      break;
    case ifMitchell:
      if (t < 1.0L) {
        v = (7.0L * t * t * t - 12.0L * t * t + 16.0L / 3.0L) / 6.0L;
      } else if (t < 2.0L) {
        v = (-7.0L / 3.0L * t * t * t + 12.0L * t * t - 20.0L * t + 32.0L / 3.0L) / 6.0L;
      }
      break;
    default:
      throw EZuroroveError("Internal error: Invalid interpolation filter");
  }
  return static_cast<float>(v);
}

// The first and last pixel centres of source and destination coincide: scale = (dest - 1) /
// (source - 1), or the destination size for a source one pixel wide. On reduction the filter is
// widened by 1 / scale and its values scaled down by scale. Source pixels before the first and
// after the last are mirrored back into the picture.
ResampleWeights::ResampleWeights(int source_size, int dest_size, TInterpolationFilter filter) {
  const float support = FilterSupport(filter);
  const float scale = source_size == 1
                          ? static_cast<float>(dest_size)
                          : static_cast<float>(static_cast<long double>(dest_size - 1) / (source_size - 1));
  const bool reducing = scale < 1.0f;
  const float width = reducing ? static_cast<float>(static_cast<long double>(support) / scale) : support;

  starts_.reserve(static_cast<std::size_t>(dest_size) + 1);
  starts_.push_back(0);
  min_index_ = source_size;
  max_index_ = -1;
  for (int i = 0; i < dest_size; ++i) {
    const float center = static_cast<float>(static_cast<long double>(i) / scale);
    const auto left = static_cast<long long>(std::floor(static_cast<long double>(center) - width));
    const auto right = static_cast<long long>(std::ceil(static_cast<long double>(center) + width));
    for (long long j = left; j <= right; ++j) {
      const long double d = static_cast<long double>(center) - static_cast<long double>(j);
      float w;
      if (reducing) {
        w = static_cast<float>(static_cast<long double>(FilterValue(filter, static_cast<float>(d * scale))) * scale);
      } else {
        w = FilterValue(filter, static_cast<float>(d));
      }
      if (w == 0.0f) continue;
      long long n = j;
      if (j < 0) {
        n = -j;
      } else if (j >= source_size) {
        n = 2LL * source_size - j - 1;
      }
      if (n < 0 || n >= source_size) continue;  // still outside: weight 0
      entries_.push_back({static_cast<int>(n), w});
      if (n < min_index_) min_index_ = static_cast<int>(n);
      if (n > max_index_) max_index_ = static_cast<int>(n);
    }
    const int count = static_cast<int>(entries_.size()) - starts_.back();
    if (count > max_count_) max_count_ = count;
    starts_.push_back(static_cast<int>(entries_.size()));
  }
}
