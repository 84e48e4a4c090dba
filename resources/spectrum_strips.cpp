#include "resources/spectrum_strips.hpp"

#include <cmath>
#include <stdexcept>

namespace {

struct Rgb {
  int r, g, b;
};

constexpr Rgb kRed{255, 0, 0}, kYellow{255, 255, 0}, kGreen{0, 255, 0}, kCyan{0, 255, 255}, kBlue{0, 0, 255},
    kMagenta{255, 0, 255};

// The full colours the middle row runs through, 256 pixels apart; the last ramp (red toward cyan)
// is cut at the strip's right edge.
constexpr Rgb kChain[18] = {kGreen, kMagenta, kBlue, kGreen, kRed,  kYellow, kGreen, kCyan,    kBlue,
                            kMagenta, kRed, kBlue,  kYellow, kCyan, kMagenta, kYellow, kRed, kCyan};

int lerp(int a, int b, int num, int den) {
  // a + (b - a) * num / den, rounded to the nearest integer (halves to even).
  return static_cast<int>(std::nearbyint(a + static_cast<double>(b - a) * num / den));
}

}  // namespace

std::uint32_t spectrum_middle_colour(int x) {
  int k = x / 256, i = x % 256;
  const Rgb& a = kChain[k];
  const Rgb& b = kChain[k + 1];
  int r = lerp(a.r, b.r, i, 256), g = lerp(a.g, b.g, i, 256), bl = lerp(a.b, b.b, i, 256);
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(bl) << 16);
}

namespace {

void check_step(int step) {
  if (!(step == 0 || (step >= 135 && step <= 255 && (step - 135) % 8 == 0)))
    throw std::invalid_argument("no spectrum strip for this step");
}

// Above the middle row a column fades linearly from its middle colour to the top grey; below it
// the column darkens linearly to the bottom grey.
std::uint32_t column_colour(int step, std::uint32_t middle, int y) {
  int top = step == 0 ? 255 : step;
  int bottom = step == 0 ? 0 : step - 128;
  const int mid = kSpectrumMiddleRow, last = kSpectrumHeight - 1;
  int cr = static_cast<int>(middle & 0xFF), cg = static_cast<int>((middle >> 8) & 0xFF), cb = static_cast<int>((middle >> 16) & 0xFF);
  int r, g, b;
  if (y <= mid) {
    r = lerp(top, cr, y, mid), g = lerp(top, cg, y, mid), b = lerp(top, cb, y, mid);
  } else {
    r = lerp(cr, bottom, y - mid, last - mid), g = lerp(cg, bottom, y - mid, last - mid), b = lerp(cb, bottom, y - mid, last - mid);
  }
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

}  // namespace

std::uint32_t spectrum_colour(int step, int x, int y) {
  check_step(step);
  if (x < 0 || x >= kSpectrumWidth || y < 0 || y >= kSpectrumHeight) throw std::out_of_range("point outside the spectrum strip");
  return column_colour(step, spectrum_middle_colour(x), y);
}

Raster24 make_spectrum_strip(int step) {
  check_step(step);
  Raster24 r(kSpectrumWidth, kSpectrumHeight);
  for (int x = 0; x < kSpectrumWidth; ++x) {
    std::uint32_t c = spectrum_middle_colour(x);
    for (int y = 0; y < kSpectrumHeight; ++y) {
      std::uint32_t v = column_colour(step, c, y);
      r.set(x, y, static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
    }
  }
  return r;
}
