// Nearest palette colour by squared RGB distance, the lowest index winning among equal
// distances: the same answer as a walk over the whole palette, found through a lazily built
// 16 x 16 x 16 grid of candidate lists.
#pragma once

#include <cstdint>
#include <vector>

class NearestPaletteColor {
public:
  struct Entry {
    std::uint8_t red, green, blue;
  };

  explicit NearestPaletteColor(std::vector<Entry> entries);

  // The palette index nearest to the colour; 0 for an empty palette.
  int index_of(int red, int green, int blue);
  const Entry& entry(int index) const { return entries_[static_cast<std::size_t>(index)]; }
  int size() const { return static_cast<int>(entries_.size()); }

private:
  void build_cell(int cell);

  std::vector<Entry> entries_;
  // A candidate of a cell: its colour, its index and its nearest possible distance to the cell.
  struct Candidate {
    std::uint8_t red, green, blue, index;
    std::int32_t min_distance;
  };
  std::vector<std::int32_t> cell_start_;  // -1 until the cell's list is built
  std::vector<std::uint16_t> cell_count_;
  std::vector<Candidate> lists_;
};
