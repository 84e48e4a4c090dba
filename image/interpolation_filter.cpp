#include "image/interpolation_filter.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "image/zu_misc.hpp"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double sinc(long double x) {
  if (x == 0.0L) return 1.0L;
  const long double px = kPi * x;
  return std::sin(px) / px;
}

// The Lanczos filter costs two extended-precision sines per value, and a list of weights asks for
// the same distance again and again (every destination pixel whose centre falls on the same
// fraction of a source pixel): its values are kept by the distance's bits. The filter is even,
// bit for bit (sin(-x) is -sin(x) exactly, checked for every single below 3), so a distance and
// its negative share one entry. The other filters are cheaper than the look-up.
class FilterValues {
public:
  FilterValues(TInterpolationFilter filter, std::size_t expected) : filter_(filter) {
    if (filter_ != ifLanczos3) return;
    std::size_t size = 1024;
    while (size < 2 * expected && size < (std::size_t{1} << 20)) size *= 2;
    keys_.assign(size, kEmpty);
    values_.resize(size);
  }

  float operator()(float x) {
    if (keys_.empty()) return FilterValue(filter_, x);
    const std::uint32_t key = std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu;
    const std::size_t mask = keys_.size() - 1;
    std::size_t at = (key * 0x9E3779B1u) & mask;
    for (std::size_t probes = 0; probes <= mask; ++probes, at = (at + 1) & mask) {
      if (keys_[at] == key) return values_[at];
      if (keys_[at] == kEmpty) {
        if (used_ * 4 >= keys_.size() * 3) return FilterValue(filter_, x);  // full enough: no more entries
        ++used_;
        keys_[at] = key;
        return values_[at] = FilterValue(filter_, std::bit_cast<float>(key));
      }
    }
    return FilterValue(filter_, x);
  }

private:
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // a NaN's bits: never a distance
  TInterpolationFilter filter_;
  std::vector<std::uint32_t> keys_;
  std::vector<float> values_;
  std::size_t used_ = 0;
};

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

  FilterValues values(filter, static_cast<std::size_t>(dest_size) *
                                 (2 * static_cast<std::size_t>(std::min(width, 1.0e6f)) + 3));
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
        w = static_cast<float>(static_cast<long double>(values(static_cast<float>(d * scale))) * scale);
      } else {
        w = values(static_cast<float>(d));
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
