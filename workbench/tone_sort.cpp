#include "workbench/tone_sort.hpp"

#include <utility>

#include "workbench/colour_model.hpp"

std::vector<TColor> sort_by_tone(const std::vector<TColor>& colours) {
  std::vector<TColor> grey;
  std::vector<TColor> col;
  grey.reserve(colours.size());
  col.reserve(colours.size());
  for (TColor s : colours) {
    grey.push_back(ColorToGrey(s));
    col.push_back(ColorToRGB(s));
  }
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (size_t i = 1; i < col.size(); ++i) {
      if (grey[i - 1] < grey[i]) {
        std::swap(grey[i - 1], grey[i]);
        std::swap(col[i - 1], col[i]);
        exchanged = true;
      }
    }
  }
  return col;
}
