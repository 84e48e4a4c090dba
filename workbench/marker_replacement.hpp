// Marker replacement, shared by the two recolourings: the sixteen grey markers of a picture
// are replaced by the palette's colours in tone order, brightest marker by brightest colour.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.hpp"

// A marker no pixel's red byte can equal (a missing palette entry of a reduced picture).
constexpr int kNoMarker = -1;

// One replacement step: a pixel whose red byte equals `marker` takes `colour`.
struct MarkerStep {
  int marker = kNoMarker;
  TColor colour = 0;
};
using MarkerSteps = std::array<MarkerStep, 16>;

// The sixteen slot colours (slot 1 first, empty slots included) in tone order, brightest first:
// each slot gives the pair (ColorToGrey, ColorToRGB); passes over neighbouring pairs swap them
// when the first grey key is less than the second, until a pass swaps nothing, so equal keys
// keep their slot order.
std::array<TColor, 16> tone_order(const std::array<TColor, 16>& slots);

// The steps of a test picture: markers 241, 232, 215, 199, 183, 168, 151, 134, 87, 118, 104, 71,
// 55, 39, 24, 5 with tone colours 1 to 8, 11, 9, 10, 12 to 16 (the k-th brightest marker takes
// the k-th brightest colour; steps 9 to 11 run out of rank order).
MarkerSteps test_picture_steps(const std::array<TColor, 16>& tone);
// The steps of a reduced picture: entry_red[k] is the red value of palette entry k (kNoMarker
// for a missing entry); the steps take entries 15, 14, .., 8, 5, 7, 6, 4, .., 0 in the same
// order of tone colours as the test picture's.
MarkerSteps reduced_picture_steps(const std::array<int, 16>& entry_red, const std::array<TColor, 16>& tone);

// Runs the sixteen steps, one after the other, on every pixel of a row of blue, green, red
// bytes: each step tests the red byte as the earlier steps left it.
void replace_markers(std::uint8_t* bgr, int width, const MarkerSteps& steps);
