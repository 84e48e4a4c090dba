// The colour model of the main window: grey values, HLS neighbours and complement, channel
// rotations, the RGB complement, luminance, saturation and hue replacement, shades, channel
// shifts, the hex, CMYK and readout texts, and the conversion between RGB and HLS on the 0..240
// scale. Stateless free functions; nothing here raises.
//
// Colours are 0x00BBGGRR. The routines that work on single channels (grey, channel rotations,
// RGB complement, shades, channel shifts, CMYK) resolve system colours (negative values) first;
// the HLS routines, the hex text and the readout's red, green and blue numbers take the three
// low bytes as they are.
#pragma once

#include <string>

#include "platform/sysutils.hpp"
#include "platform/types.hpp"

// Four whole numbers kept as 64-bit reals: C, M, Y in 0..255, K in 1..256.
struct TCMYK {
  double C = 0;
  double M = 0;
  double Y = 0;
  double K = 0;
};

// Grey (g, g, g) with g = Round(0.216 R + 0.388 G + 0.072 B) in extended precision; never above
// 172. The brightness key of the tone sort.
TColor ColorToGrey(TColor color);

// Hue stepped down by 15 (hues below 15 are mirrored to 240 - H), up by 15 (hues above 225 go
// down by 15 instead), or turned by 120.
TColor AnalogicMinus15(TColor color);
TColor AnalogicPlus15(TColor color);
TColor ComplementHLS(TColor color);

// Channels rotated: (R, G, B) to (G, B, R), and to (B, R, G).
TColor TriadicRGB120(TColor color);
TColor TriadicRGB240(TColor color);
// Each channel x becomes 255 - x.
TColor ComplementRGB(TColor color);

// The colour with its luminance, saturation or hue replaced (0..240 scale). The argument types
// are part of the contract: callers' values are cut to 16 or 8 bits.
TColor SetLuminance(TColor color, Word luminance);
TColor SetSaturation(TColor color, Byte saturation);
TColor SetHue(TColor color, Byte hue);

// Shades: each channel x becomes x - MulDiv(x, p, 100), or x + MulDiv(255 - x, p, 100).
TColor DarkerColor(TColor color, Byte percent);
TColor LighterColor(TColor color, Byte percent);

// Channel shifts: the named channel moves by `percent` of itself, the two others the opposite way
// by Round(percent / 2) of themselves. A named channel at 0 counts as 3.
TColor LessRed(TColor color, Byte percent);
TColor MoreRed(TColor color, Byte percent);
TColor LessGreen(TColor color, Byte percent);
TColor MoreGreen(TColor color, Byte percent);
TColor LessBlue(TColor color, Byte percent);
TColor MoreBlue(TColor color, Byte percent);

// Six upper-case hexadecimal digits, red, green, blue ("484B52" for 0x00524B48).
std::string ColorToHex(TColor color);

// C = mx - R, M = mx - G, Y = mx - B, K = 256 - mx with mx the largest channel.
void ColorToCMYK(TColor color, TCMYK& cmyk);

// RGB to hue, luminance and saturation, each on 0..240 (greys: hue 160, saturation 0).
void ColorRGBToHLS(TColor color, Word& hue, Word& luminance, Word& saturation);
// Hue, luminance and saturation back to a colour with a zero top byte. Hues up to 480 wrap as
// 0..240 does.
TColor ColorHLSToRGB(Word hue, Word luminance, Word saturation);
// One channel of the HLS conversion, on the 0..240 scale, from the two levels m1 and m2 and the
// channel's hue position h.
int HueToRGB(double m1, double m2, double h);

// The readout text: "hex" RRGGBB "·" "rgb" R,G,B "·" "cmyk" C,M,Y,K (UTF-8, U+00B7).
std::string HistoryLine(TColor color);

// The grey of the readout's grey bar: Round(0.3 R + 0.59 G + 0.11 B) in extended precision, from
// the three low bytes.
int bar_grey(TColor color);
