// The image library's small types: pixel layouts, its colour record and transparency choice.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.hpp"

enum TImageFormat : Byte { ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor };

// Blue, green, red, filler; as a 32-bit value Blue + Green·2^8 + Red·2^16 + Filler·2^24.
struct TRgb {
  Byte Blue = 0;
  Byte Green = 0;
  Byte Red = 0;
  Byte Filler = 0;
  std::uint32_t Value() const {
    return Blue | (std::uint32_t{Green} << 8) | (std::uint32_t{Red} << 16) | (std::uint32_t{Filler} << 24);
  }
  friend bool operator==(const TRgb&, const TRgb&) = default;
};
static_assert(sizeof(TRgb) == 4);

inline TRgb Rgb(Byte r, Byte g, Byte b) { return TRgb{b, g, r, 0}; }
inline TColor RgbToColor(TRgb c) { return RGB(c.Red, c.Green, c.Blue); }
inline TRgb ColorToRgb(TColor c) {
  auto v = static_cast<std::uint32_t>(ColorToRGB(c));
  return Rgb(GetRValue(v), GetGValue(v), GetBValue(v));
}

enum TTransparentPixel : Byte { tpTopLeft, tpTopRight, tpBottomLeft, tpBottomRight, tpUseTransparentColor };

// Bits per pixel and display name; any other value raises EZuroroveError
// "Internal error: Invalid image format".
int ImageFormatBits(TImageFormat format);
std::string ImageFormatName(TImageFormat format);
bool ImageFormatHasPalette(TImageFormat format);
