#include "workbench/marker_replacement.hpp"

#include <algorithm>
#include <vector>

#include "workbench/tone_sort.hpp"

namespace {

// Tone colour (1-based) of each step, and which test marker and palette entry it replaces.
constexpr std::array<int, 16> kStepTone = {1, 2, 3, 4, 5, 6, 7, 8, 11, 9, 10, 12, 13, 14, 15, 16};
constexpr std::array<int, 16> kStepTestMarker = {241, 232, 215, 199, 183, 168, 151, 134, 87, 118, 104, 71, 55, 39, 24, 5};
constexpr std::array<int, 16> kStepEntry = {15, 14, 13, 12, 11, 10, 9, 8, 5, 7, 6, 4, 3, 2, 1, 0};

}  // namespace

std::array<TColor, 16> tone_order(const std::array<TColor, 16>& slots) {
  const std::vector<TColor> sorted = sort_by_tone(std::vector<TColor>(slots.begin(), slots.end()));
  std::array<TColor, 16> tone{};
  std::copy(sorted.begin(), sorted.end(), tone.begin());
  return tone;
}

MarkerSteps test_picture_steps(const std::array<TColor, 16>& tone) {
  MarkerSteps steps;
  for (size_t s = 0; s < 16; ++s) steps[s] = {kStepTestMarker[s], tone[static_cast<size_t>(kStepTone[s] - 1)]};
  return steps;
}

MarkerSteps reduced_picture_steps(const std::array<int, 16>& entry_red, const std::array<TColor, 16>& tone) {
  MarkerSteps steps;
  for (size_t s = 0; s < 16; ++s)
    steps[s] = {entry_red[static_cast<size_t>(kStepEntry[s])], tone[static_cast<size_t>(kStepTone[s] - 1)]};
  return steps;
}

void replace_markers(std::uint8_t* bgr, int width, const MarkerSteps& steps) {
  std::array<std::array<std::uint8_t, 3>, 16> bytes{};
  for (size_t s = 0; s < 16; ++s) {
    const auto c = static_cast<std::uint32_t>(steps[s].colour);
    bytes[s] = {GetBValue(c), GetGValue(c), GetRValue(c)};
  }
  for (int x = 0; x < width; ++x) {
    std::uint8_t* p = bgr + 3 * static_cast<std::ptrdiff_t>(x);
    for (size_t s = 0; s < 16; ++s)
      if (p[2] == steps[s].marker) {
        p[0] = bytes[s][0];
        p[1] = bytes[s][1];
        p[2] = bytes[s][2];
      }
  }
}
