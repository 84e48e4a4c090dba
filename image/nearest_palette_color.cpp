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
  const int lo[3] = {((cell >> (2 * kCellBits)) & 15) * kCellSize, ((cell >> kCellBits) & 15) * kCellSize,
                     (cell & 15) * kCellSize};
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
  std::uint16_t count = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (min_d(entries_[i]) <= bound) {
      lists_.push_back(static_cast<std::uint8_t>(i));
      ++count;
    }
  }
  cell_count_[static_cast<std::size_t>(cell)] = count;
}

int NearestPaletteColor::index_of(int red, int green, int blue) {
  if (entries_.empty()) return 0;
  red = std::clamp(red, 0, 255);
  green = std::clamp(green, 0, 255);
  blue = std::clamp(blue, 0, 255);
  const int cell = ((red >> (8 - kCellBits)) << (2 * kCellBits)) | ((green >> (8 - kCellBits)) << kCellBits) |
                   (blue >> (8 - kCellBits));
  if (cell_start_[static_cast<std::size_t>(cell)] < 0) build_cell(cell);
  const std::uint8_t* list = lists_.data() + cell_start_[static_cast<std::size_t>(cell)];
  const int count = cell_count_[static_cast<std::size_t>(cell)];
  int best = list[0];
  int best_d = 1 << 30;
  for (int k = 0; k < count; ++k) {
    const Entry& e = entries_[list[k]];
    const int d = sq(red - e.red) + sq(green - e.green) + sq(blue - e.blue);
    if (d < best_d) {
      best_d = d;
      best = list[k];
      if (d == 0) break;
    }
  }
  return best;
}
