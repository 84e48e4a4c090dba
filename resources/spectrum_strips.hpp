// The seventeen spectrum strips the main window shows: one brightness strip and sixteen
// saturation steps, each 4316 x 512 pixels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "resources/raster.hpp"

constexpr int kSpectrumWidth = 4316;
constexpr int kSpectrumHeight = 512;
constexpr int kSpectrumMiddleRow = 256;

// The strips by their step: 0 is the brightness strip, 135, 143, ..., 255 the saturation strips.
constexpr std::array<int, 17> kSpectrumSteps = {0, 255, 247, 239, 231, 223, 215, 207, 199, 191, 183, 175, 167, 159, 151, 143, 135};

// The colour (0x00BBGGRR) of column x of the middle row: a chain of 256-pixel ramps between the
// six full colours.
std::uint32_t spectrum_middle_colour(int x);

// The colour (0x00BBGGRR) of pixel (x, y) of the strip of a step, as make_spectrum_strip draws it.
std::uint32_t spectrum_colour(int step, int x, int y);

// The middle row as blue, green, red bytes, 3 * kSpectrumWidth of them, made once.
const std::uint8_t* spectrum_middle_row();

// The rows of a strip by table: every pixel of row y is the row's map applied to each channel of
// the middle row's pixel above or below it, so that map(y)[c] for the middle-row channel value c
// gives the pixel's channel exactly as spectrum_colour does. Maps are made on first use.
class SpectrumRowMaps {
public:
  explicit SpectrumRowMaps(int step);
  const std::uint8_t* map(int y);

private:
  int step_;
  std::vector<bool> done_;
  std::vector<std::uint8_t> maps_;
};

// Draws the strip of a step row by row into the rows `row_at` hands out (3 * kSpectrumWidth
// bytes each, blue, green, red), as make_spectrum_strip draws it.
void draw_spectrum_strip(int step, const std::function<std::uint8_t*(int y)>& row_at);

// Draws the strip of a step (0 or 135..255 in steps of 8). Above the middle row each column
// fades linearly to the top row (white for steps 0 and 255, else the grey of the step); below it
// each column darkens linearly to the bottom row (black for step 0, else the grey step - 128).
Raster24 make_spectrum_strip(int step);
