// The interpolation filters of the resampling resize and the per-column (or per-row) weight lists
// built from them.
#pragma once

#include <cstdint>
#include <vector>

enum TInterpolationFilter : std::uint8_t { ifTriangle, ifHermite, ifBell, ifBSpline, ifLanczos3, ifMitchell };

// Support (half width in source pixels) of a filter; every filter is 0 at and beyond it.
float FilterSupport(TInterpolationFilter filter);
// Value of a filter at distance `x` (source pixels), in single precision. Unknown filters
// raise EZuroroveError.
float FilterValue(TInterpolationFilter filter, float x);

// One source pixel that adds to a destination pixel.
struct ResampleContribution {
  int index;     // source column (or row), already mirrored into the picture
  float weight;  // never 0
};

// The contributions of every destination column (or row), in the order of the source pixels
// they were computed for. Entries that end up with weight 0 are dropped: a sum skips them anyway.
class ResampleWeights {
public:
  ResampleWeights(int source_size, int dest_size, TInterpolationFilter filter);

  int size() const { return static_cast<int>(starts_.size()) - 1; }
  const ResampleContribution* begin(int i) const { return entries_.data() + starts_[i]; }
  const ResampleContribution* end(int i) const { return entries_.data() + starts_[i + 1]; }
  int count(int i) const { return starts_[i + 1] - starts_[i]; }
  // The highest number of contributions of any destination pixel.
  int max_count() const { return max_count_; }
  // The smallest and largest source index any contribution names.
  int min_index() const { return min_index_; }
  int max_index() const { return max_index_; }

private:
  std::vector<int> starts_;
  std::vector<ResampleContribution> entries_;
  int max_count_ = 0;
  int min_index_ = 0;
  int max_index_ = -1;
};
