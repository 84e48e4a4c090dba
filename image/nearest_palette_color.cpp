#include "image/nearest_palette_color.hpp"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kCellBits = 4;  // 16 cells per channel, 16 levels each
constexpr int kCellSize = 256 >> kCellBits;

inline int sq(int v) { return v * v; }

}  // namespace

NearestPaletteColor::NearestPaletteColor(std::vector<Entry> entries)
    : entries_(std::move(entries)), cell_start_(1 << (3 * kCellBits), -1), cell_count_(1 << (3 * kCellBits), 0) {
  if (entries_.size() > 256) entries_.resize(256);
}

// A cell keeps every entry whose nearest possible distance to a point of the cell is not above
// the smallest farthest distance of any entry: an entry left out is strictly farther, for every
// point of the cell, than the entry that sets that bound.
void NearestPaletteColor::build_cell(int cell) {
  constexpr int mask = (1 << kCellBits) - 1;
  const int lo[3] = {((cell >> (2 * kCellBits)) & mask) * kCellSize, ((cell >> kCellBits) & mask) * kCellSize,
                     (cell & mask) * kCellSize};
  auto min_d = [&](const Entry& e) {
    const int v[3] = {e.red, e.green, e.blue};
    int d = 0;
    for (int a = 0; a < 3; ++a) {
      if (v[a] < lo[a]) {
        d += sq(lo[a] - v[a]);
      } else if (v[a] > lo[a] + kCellSize - 1) {
        d += sq(v[a] - (lo[a] + kCellSize - 1));
      }
    }
    return d;
  };
  auto max_d = [&](const Entry& e) {
    const int v[3] = {e.red, e.green, e.blue};
    int d = 0;
    for (int a = 0; a < 3; ++a) d += sq(std::max(std::abs(v[a] - lo[a]), std::abs(v[a] - (lo[a] + kCellSize - 1))));
    return d;
  };
  int bound = 1 << 30;
  for (const Entry& e : entries_) bound = std::min(bound, max_d(e));
  cell_start_[static_cast<std::size_t>(cell)] = static_cast<std::int32_t>(lists_.size());
  std::vector<Candidate> list;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const int d = min_d(entries_[i]);
    if (d <= bound) {
      const Entry& e = entries_[i];
      list.push_back({e.red, e.green, e.blue, static_cast<std::uint8_t>(i), d});
    }
  }
  // Nearest first, so that a search can stop at the first candidate that cannot be nearer.
  std::stable_sort(list.begin(), list.end(),
                   [](const Candidate& a, const Candidate& b) { return a.min_distance < b.min_distance; });
  lists_.insert(lists_.end(), list.begin(), list.end());
  cell_count_[static_cast<std::size_t>(cell)] = static_cast<std::uint16_t>(list.size());
}

int NearestPaletteColor::index_of(int red, int green, int blue) {
  if (entries_.empty()) return 0;
  red = std::clamp(red, 0, 255);
  green = std::clamp(green, 0, 255);
  blue = std::clamp(blue, 0, 255);
  const int cell = ((red >> (8 - kCellBits)) << (2 * kCellBits)) | ((green >> (8 - kCellBits)) << kCellBits) |
                   (blue >> (8 - kCellBits));
  if (cell_start_[static_cast<std::size_t>(cell)] < 0) build_cell(cell);
  const Candidate* list = lists_.data() + cell_start_[static_cast<std::size_t>(cell)];
  const int count = cell_count_[static_cast<std::size_t>(cell)];
  int best = list[0].index;
  int best_d = 1 << 30;
  for (int k = 0; k < count; ++k) {
    const Candidate& c = list[k];
    if (c.min_distance > best_d) break;  // this one and all after it are farther
    const int d = sq(red - c.red) + sq(green - c.green) + sq(blue - c.blue);
    if (d < best_d || (d == best_d && c.index < best)) {
      best_d = d;
      best = c.index;
    }
  }
  return best;
}
