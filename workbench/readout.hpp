// The readout of the selected colour: the red, green, blue and grey bars above the picture view
// and the readout line under the selected-colour panel.
#pragma once

#include <cstdint>

#include "platform/controls.hpp"

struct ReadoutBars {
  TPanel* panRtop = nullptr;
  TPanel* panGtop = nullptr;
  TPanel* panBtop = nullptr;
  TPanel* panGRYtop = nullptr;
  TPanel* panR = nullptr;  // the one-pixel lines above the bars
  TPanel* PanG = nullptr;
  TPanel* panB = nullptr;
};

// Fixed colours of the one-pixel lines.
constexpr TColor kBarLineRed = 0x007777FF, kBarLineGreen = 0x0000CC00, kBarLineBlue = 0x00FF9999;

// Lays the bars out for a colour: widths R, G, B end to end and the grey bar after them.
void ShowColorBars(const ReadoutBars& bars, TColor c);
// The bars, then the readout line and its font colour (white on dark colours).
void ShowSelectedColor(const ReadoutBars& bars, TLabel& label, TColor c);
// White for colours with R + G + B below 385, else black.
TColor caption_font_colour(TColor c);

// The colour of the screen pixel at a screen point, or CLR_INVALID when it cannot be read.
std::uint32_t ScreenPixelColor(int x, int y);
