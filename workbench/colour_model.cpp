#include "workbench/colour_model.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/math.hpp"

namespace {

struct Channels {
  int r;
  int g;
  int b;
};

Channels channels_of(TColor color) {
  const auto c = static_cast<std::uint32_t>(color);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

TColor from_channels(int r, int g, int b) {
  return RGB(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

// A channel of the HLS conversion on the 0..255 scale: capped at 255 as the conversion states,
// and at 0 below, which only saturations above 240 reach.
int hls_channel(double v) {
  if (v > 255) return 255;
  if (!(v >= 0)) return 0;
  return static_cast<int>(Round(v));
}

// One channel of a shift: the named channel moves by p percent of itself, the others by q
// percent of themselves the opposite way.
int shifted(int x, int percent, bool up) {
  const int a = MulDiv(x, percent, 100);
  if (up) return x + a >= 256 ? 255 : x + a;
  return x - a < 1 ? 0 : x - a;
}

TColor shift_channel(TColor color, int named, bool more, Byte percent) {
  const Channels c = channels_of(ColorToRGB(color));
  int ch[3] = {c.r, c.g, c.b};
  const int q = static_cast<int>(Round(static_cast<Extended>(percent) / 2));
  if (ch[named] == 0) ch[named] = 3;
  for (int i = 0; i < 3; ++i) ch[i] = i == named ? shifted(ch[i], percent, more) : shifted(ch[i], q, !more);
  return from_channels(ch[0], ch[1], ch[2]);
}

}  // namespace

TColor ColorToGrey(TColor color) {
  const Channels c = channels_of(ColorToRGB(color));
  const auto g = static_cast<int>(Round(0.216L * c.r + 0.388L * c.g + 0.072L * c.b));
  return from_channels(g, g, g);
}

TColor AnalogicMinus15(TColor color) {
  Word h, l, s;
  ColorRGBToHLS(color, h, l, s);
  return ColorHLSToRGB(h >= 15 ? h - 15 : 240 - h, l, s);
}

TColor AnalogicPlus15(TColor color) {
  Word h, l, s;
  ColorRGBToHLS(color, h, l, s);
  return ColorHLSToRGB(h + 15 <= 240 ? h + 15 : h - 15, l, s);
}

TColor ComplementHLS(TColor color) {
  Word h, l, s;
  ColorRGBToHLS(color, h, l, s);
  return ColorHLSToRGB(h + 120, l, s);
}

TColor TriadicRGB120(TColor color) {
  const Channels c = channels_of(ColorToRGB(color));
  return from_channels(c.g, c.b, c.r);
}

TColor TriadicRGB240(TColor color) {
  const Channels c = channels_of(ColorToRGB(color));
  return from_channels(c.b, c.r, c.g);
}

TColor ComplementRGB(TColor color) {
  // Channel by channel: a resolved value with bits above the blue byte must not turn the result
  // negative, which would make it a system colour.
  const Channels c = channels_of(ColorToRGB(color));
  return from_channels(255 - c.r, 255 - c.g, 255 - c.b);
}

TColor SetLuminance(TColor color, Word luminance) {
  Word h, l, s;
  ColorRGBToHLS(color, h, l, s);
  return ColorHLSToRGB(h, luminance, s);
}

TColor SetSaturation(TColor color, Byte saturation) {
  Word h, l, s;
  ColorRGBToHLS(color, h, l, s);
  return ColorHLSToRGB(h, l, saturation);
}

TColor SetHue(TColor color, Byte hue) {
  Word h, l, s;
  ColorRGBToHLS(color, h, l, s);
  return ColorHLSToRGB(hue, l, s);
}

TColor DarkerColor(TColor color, Byte percent) {
  const Channels c = channels_of(ColorToRGB(color));
  auto dark = [percent](int x) { return x - MulDiv(x, percent, 100); };
  return from_channels(dark(c.r), dark(c.g), dark(c.b));
}

TColor LighterColor(TColor color, Byte percent) {
  const Channels c = channels_of(ColorToRGB(color));
  auto light = [percent](int x) { return x + MulDiv(255 - x, percent, 100); };
  return from_channels(light(c.r), light(c.g), light(c.b));
}

TColor LessRed(TColor color, Byte percent) { return shift_channel(color, 0, false, percent); }
TColor MoreRed(TColor color, Byte percent) { return shift_channel(color, 0, true, percent); }
TColor LessGreen(TColor color, Byte percent) { return shift_channel(color, 1, false, percent); }
TColor MoreGreen(TColor color, Byte percent) { return shift_channel(color, 1, true, percent); }
TColor LessBlue(TColor color, Byte percent) { return shift_channel(color, 2, false, percent); }
TColor MoreBlue(TColor color, Byte percent) { return shift_channel(color, 2, true, percent); }

std::string ColorToHex(TColor color) {
  const Channels c = channels_of(color);
  return IntToHex(c.r, 2) + IntToHex(c.g, 2) + IntToHex(c.b, 2);
}

void ColorToCMYK(TColor color, TCMYK& cmyk) {
  const Channels c = channels_of(ColorToRGB(color));
  const double c0 = 1.0 - c.r, m0 = 1.0 - c.g, y0 = 1.0 - c.b;
  const double k0 = std::min({c0, m0, y0});
  cmyk.C = c0 - k0;
  cmyk.M = m0 - k0;
  cmyk.Y = y0 - k0;
  cmyk.K = k0 + 255.0;
}

void ColorRGBToHLS(TColor color, Word& hue, Word& luminance, Word& saturation) {
  const Channels c = channels_of(color);
  const int mx = std::max({c.r, c.g, c.b});
  const int mn = std::min({c.r, c.g, c.b});
  const int l = ((mx + mn) * 240 + 255) / 510;
  luminance = static_cast<Word>(l);
  if (mx == mn) {
    hue = 160;
    saturation = 0;
    return;
  }
  const int d = mx - mn;
  const int s = mx + mn;
  saturation = static_cast<Word>(l <= 120 ? (480 * d + s) / (2 * s) : (480 * d + (510 - s)) / (2 * (510 - s)));
  auto dist = [mx, d](int x) { return (80 * (mx - x) + d) / (2 * d); };
  int h;
  if (c.r == mx)
    h = dist(c.b) - dist(c.g);
  else if (c.g == mx)
    h = 80 + dist(c.r) - dist(c.b);
  else
    h = 160 + dist(c.g) - dist(c.r);
  if (h < 0) h += 240;
  if (h > 240) h -= 240;
  hue = static_cast<Word>(h);
}

int HueToRGB(double m1, double m2, double h) {
  // One correction brings every hue the conversion passes (-80..440) into 0..240; further turns
  // of a larger value reduce the same way (480 stays 240).
  if (h < 0) h -= 240 * std::floor(h / 240);
  if (h > 240) h -= 240 * std::ceil(h / 240 - 1);
  double t;
  if (h < 40)
    t = m1 + ((m2 - m1) * h + 20) / 40;
  else if (h < 120)
    t = m2;
  else if (h < 160)
    t = m1 + ((m2 - m1) * (160 - h) + 20) / 40;
  else
    t = m1;
  if (!std::isfinite(t)) return 0;
  return static_cast<int>(Round(t));
}

TColor ColorHLSToRGB(Word hue, Word luminance, Word saturation) {
  const std::int64_t h = hue, l = luminance, s = saturation;
  if (s == 0) {
    const int v = hls_channel(static_cast<double>(l * 255) / 240);
    return RGB(v, v, v);
  }
  const double m2 = l <= 120 ? static_cast<double>(l * (s + 240) + 120) / 240
                             : static_cast<double>(l + s) - static_cast<double>(l * s + 120) / 240;
  const double m1 = static_cast<double>(2 * l) - m2;
  auto channel = [m1, m2](std::int64_t at) {
    const std::int64_t v = HueToRGB(m1, m2, static_cast<double>(at));
    return hls_channel(static_cast<double>(v * 255 + 120) / 240);
  };
  const int r = channel(h + 80), g = channel(h), b = channel(h - 80);
  return RGB(r, g, b);
}

std::string HistoryLine(TColor color) {
  const Channels c = channels_of(color);
  TCMYK k;
  ColorToCMYK(color, k);
  return "hex" + ColorToHex(color) + "\u00B7" + "rgb" + IntToStr(c.r) + "," + IntToStr(c.g) + "," + IntToStr(c.b) +
         "\u00B7" + "cmyk" + FloatToStr(k.C) + "," + FloatToStr(k.M) + "," + FloatToStr(k.Y) + "," + FloatToStr(k.K);
}

int bar_grey(TColor color) {
  const Channels c = channels_of(color);
  return static_cast<int>(Round(0.3L * c.r + 0.59L * c.g + 0.11L * c.b));
}
