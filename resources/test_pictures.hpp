// The two built-in grey test pictures the palette is tried out on: 720 x 524 pictures of sixteen
// grey markers (red = green = blue), held as palette indices with a 16-entry palette, as the
// window stores them (4 bits per pixel).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/types.hpp"

struct TestPicture {
  int width = 0;
  int height = 0;
  std::array<TColor, 16> palette{};
  std::vector<std::uint8_t> indices;  // one palette index per pixel, rows top-down

  std::uint8_t index_at(int x, int y) const {
    return indices[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  // The grey level of a pixel (its marker).
  int marker_at(int x, int y) const { return GetRValue(static_cast<std::uint32_t>(palette[index_at(x, y)])); }
};

constexpr int kTestPictureWidth = 720;
constexpr int kTestPictureHeight = 524;

// The sixteen markers, brightest first.
constexpr std::array<int, 16> kTestMarkers = {241, 232, 215, 199, 183, 168, 151, 134, 118, 104, 87, 71, 55, 39, 24, 5};

// "imgPicTest" (a still life) or "imgPicTest1" (a landscape); throws std::invalid_argument for any
// other name.
TestPicture make_test_picture(std::string_view holder);
