#include "resources/spectrum_strips.hpp"

#include <cmath>
#include <stdexcept>
#include <vector>

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
// the column darkens linearly to the bottom grey. One channel of row y, from the channel's value
// in the middle row; the greys are alike in every channel.
int column_channel(int step, int middle, int y) {
  const int top = step == 0 ? 255 : step;
  const int bottom = step == 0 ? 0 : step - 128;
  const int mid = kSpectrumMiddleRow, last = kSpectrumHeight - 1;
  return y <= mid ? lerp(top, middle, y, mid) : lerp(middle, bottom, y - mid, last - mid);
}

std::uint32_t column_colour(int step, std::uint32_t middle, int y) {
  const int r = column_channel(step, static_cast<int>(middle & 0xFF), y);
  const int g = column_channel(step, static_cast<int>((middle >> 8) & 0xFF), y);
  const int b = column_channel(step, static_cast<int>((middle >> 16) & 0xFF), y);
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

}  // namespace

std::uint32_t spectrum_colour(int step, int x, int y) {
  check_step(step);
  if (x < 0 || x >= kSpectrumWidth || y < 0 || y >= kSpectrumHeight) throw std::out_of_range("point outside the spectrum strip");
  return column_colour(step, spectrum_middle_colour(x), y);
}

const std::uint8_t* spectrum_middle_row() {
  static const std::vector<std::uint8_t> row = [] {
    std::vector<std::uint8_t> r(static_cast<size_t>(kSpectrumWidth) * 3);
    for (int x = 0; x < kSpectrumWidth; ++x) {
      const std::uint32_t c = spectrum_middle_colour(x);
      r[3 * static_cast<size_t>(x)] = static_cast<std::uint8_t>(c >> 16);
      r[3 * static_cast<size_t>(x) + 1] = static_cast<std::uint8_t>(c >> 8);
      r[3 * static_cast<size_t>(x) + 2] = static_cast<std::uint8_t>(c);
    }
    return r;
  }();
  return row.data();
}

SpectrumRowMaps::SpectrumRowMaps(int step) : step_(step), done_(kSpectrumHeight, false), maps_(static_cast<size_t>(kSpectrumHeight) * 256) {
  check_step(step);
}

const std::uint8_t* SpectrumRowMaps::map(int y) {
  if (y < 0 || y >= kSpectrumHeight) throw std::out_of_range("row outside the spectrum strip");
  std::uint8_t* m = maps_.data() + static_cast<size_t>(y) * 256;
  if (!done_[static_cast<size_t>(y)]) {
    // The greys of the top and bottom rows are the same in every channel, so one map serves
    // all three.
    for (int c = 0; c < 256; ++c) m[c] = static_cast<std::uint8_t>(column_channel(step_, c, y));
    done_[static_cast<size_t>(y)] = true;
  }
  return m;
}

void draw_spectrum_strip(int step, const std::function<std::uint8_t*(int y)>& row_at) {
  SpectrumRowMaps maps(step);
  const std::uint8_t* middle = spectrum_middle_row();
  const size_t n = static_cast<size_t>(kSpectrumWidth) * 3;
  for (int y = 0; y < kSpectrumHeight; ++y) {
    const std::uint8_t* m = maps.map(y);
    std::uint8_t* out = row_at(y);
    for (size_t i = 0; i < n; ++i) out[i] = m[middle[i]];
  }
}

Raster24 make_spectrum_strip(int step) {
  check_step(step);
  Raster24 r(kSpectrumWidth, kSpectrumHeight);
  draw_spectrum_strip(step, [&](int y) { return r.row(y); });
  return r;
}
