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

Raster24 make_spectrum_strip(int step) {
  if (!(step == 0 || (step >= 135 && step <= 255 && (step - 135) % 8 == 0)))
    throw std::invalid_argument("no spectrum strip for this step");
  int top = step == 0 ? 255 : step;
  int bottom = step == 0 ? 0 : step - 128;
  Raster24 r(kSpectrumWidth, kSpectrumHeight);
  const int mid = kSpectrumMiddleRow, last = kSpectrumHeight - 1;
  for (int x = 0; x < kSpectrumWidth; ++x) {
    std::uint32_t c = spectrum_middle_colour(x);
    int cr = static_cast<int>(c & 0xFF), cg = static_cast<int>((c >> 8) & 0xFF), cb = static_cast<int>((c >> 16) & 0xFF);
    for (int y = 0; y <= mid; ++y)  // y = 0 is the top row, y = mid the middle
      r.set(x, y, lerp(top, cr, y, mid), lerp(top, cg, y, mid), lerp(top, cb, y, mid));
    for (int y = mid + 1; y <= last; ++y)
      r.set(x, y, lerp(cr, bottom, y - mid, last - mid), lerp(cg, bottom, y - mid, last - mid), lerp(cb, bottom, y - mid, last - mid));
  }
  return r;
}
