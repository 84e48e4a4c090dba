#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sysutils.hpp"
#include "platform/types.hpp"
#include "workbench/colour_model.hpp"

namespace {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }

Rgb rgb_of(TColor c) {
  const auto u = static_cast<std::uint32_t>(c);
  return {GetRValue(u), GetGValue(u), GetBValue(u)};
}

// The routines must never hand back bits above the blue byte.
::testing::AssertionResult is_plain(TColor c) {
  if ((static_cast<std::uint32_t>(c) & 0xFF000000u) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "top byte set in " << IntToHex(static_cast<std::uint32_t>(c), 8);
}

struct Hls {
  int h, l, s;
  friend bool operator==(const Hls&, const Hls&) = default;
};

std::ostream& operator<<(std::ostream& os, const Hls& v) { return os << "H" << v.h << " L" << v.l << " S" << v.s; }

Hls hls_of(TColor c) {
  Word h = 9999, l = 9999, s = 9999;
  ColorRGBToHLS(c, h, l, s);
  return {h, l, s};
}

// Runs `check` on every index below `count` over a few threads. `check` returns false and says
// why for an index that fails; all threads stop at a failure, which the result describes.
struct SweepResult {
  std::uint64_t failures = 0;
  std::string first;
};

SweepResult sweep(int count, const std::function<bool(int, std::string&)>& check) {
  const unsigned n = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
  std::vector<SweepResult> parts(n);
  std::vector<std::thread> threads;
  std::atomic<bool> failed{false};
  for (unsigned t = 0; t < n; ++t) {
    threads.emplace_back([&, t] {
      const int begin = static_cast<int>(static_cast<std::int64_t>(count) * t / n);
      const int end = static_cast<int>(static_cast<std::int64_t>(count) * (t + 1) / n);
      std::string why;
      for (int i = begin; i < end && !failed.load(std::memory_order_relaxed); ++i) {
        if (check(i, why)) continue;
        parts[t] = {1, "at " + IntToStr(i) + " (" + IntToHex(i, 6) + "): " + why};
        failed = true;
      }
    });
  }
  for (auto& th : threads) th.join();
  SweepResult all;
  for (const auto& p : parts) {
    if (all.first.empty()) all.first = p.first;
    all.failures += p.failures;
  }
  return all;
}

constexpr int kAllColours = 1 << 24;
constexpr double kEps = 1e-9;

// Keeps the largest and smallest value seen by several threads.
struct Extremes {
  std::atomic<int> lo{1000};
  std::atomic<int> hi{-1000};
  void see(int v) {
    int cur = lo.load(std::memory_order_relaxed);
    while (v < cur && !lo.compare_exchange_weak(cur, v)) {}
    cur = hi.load(std::memory_order_relaxed);
    while (v > cur && !hi.compare_exchange_weak(cur, v)) {}
  }
};

// The trapezoid of the hue circle (0..240): rises over 0..40, stays 1 to 120, falls to 0 at 160.
double trapezoid(double h) {
  h = std::fmod(std::fmod(h, 240.0) + 240.0, 240.0);
  if (h < 40) return h / 40;
  if (h < 120) return 1;
  if (h < 160) return (160 - h) / 40;
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Hex text and CMYK
// ---------------------------------------------------------------------------------------------

TEST(ColourModelText, HexDigitsRedGreenBlue) {
  EXPECT_EQ(ColorToHex(0x00524B48), "484B52");
  EXPECT_EQ(ColorToHex(0x00FF0000), "0000FF");
  EXPECT_EQ(ColorToHex(0x000000FF), "FF0000");
  EXPECT_EQ(ColorToHex(0x00ABCDEF), "EFCDAB");
  // Bits 24-31 are ignored and system colours are not resolved: button face is index 15.
  EXPECT_EQ(ColorToHex(0x7F102030), "302010");
  EXPECT_EQ(ColorToHex(clBtnFace), "0F0000");
}

TEST(ColourModelText, CmykEdgeValues) {
  TCMYK k;
  ColorToCMYK(clBlack, k);
  EXPECT_EQ(k.C, 0);
  EXPECT_EQ(k.M, 0);
  EXPECT_EQ(k.Y, 0);
  EXPECT_EQ(k.K, 256);
  ColorToCMYK(clWhite, k);
  EXPECT_EQ(k.C, 0);
  EXPECT_EQ(k.M, 0);
  EXPECT_EQ(k.Y, 0);
  EXPECT_EQ(k.K, 1);
  ColorToCMYK(RGB(0, 96, 149), k);
  EXPECT_EQ(k.C, 149);
  EXPECT_EQ(k.M, 53);
  EXPECT_EQ(k.Y, 0);
  EXPECT_EQ(k.K, 107);
}

TEST(ColourModelText, HistoryLine) {
  EXPECT_EQ(HistoryLine(RGB(0, 96, 149)), "hex006095\xC2\xB7rgb0,96,149\xC2\xB7" "cmyk149,53,0,107");
  EXPECT_EQ(HistoryLine(clWhite), "hexFFFFFF\xC2\xB7rgb255,255,255\xC2\xB7" "cmyk0,0,0,1");
  const std::string black = HistoryLine(clBlack);
  EXPECT_EQ(black.substr(black.size() - 13), "cmyk0,0,0,256");
  // Readers take the hex text from characters 4 to 9.
  const std::string empty = HistoryLine(0x00524B48);
  EXPECT_EQ(Copy(empty, 4, 6), "484B52");
  EXPECT_EQ(empty, "hex484B52\xC2\xB7rgb72,75,82\xC2\xB7" "cmyk10,7,0,174");
}

// ---------------------------------------------------------------------------------------------
// RGB <-> HLS
// ---------------------------------------------------------------------------------------------

TEST(ColourModelHls, EdgeCases) {
  for (int g : {0, 1, 25, 128, 200, 255}) {
    const Hls v = hls_of(RGB(g, g, g));
    EXPECT_EQ(v.h, 160) << g;
    EXPECT_EQ(v.s, 0) << g;
  }
  EXPECT_EQ(hls_of(clBlack).l, 0);
  EXPECT_EQ(hls_of(clWhite).l, 240);

  EXPECT_EQ(hls_of(RGB(255, 0, 0)), (Hls{0, 120, 240}));
  EXPECT_EQ(rgb_of(ColorHLSToRGB(0, 120, 240)), (Rgb{255, 0, 0}));
  EXPECT_EQ(hls_of(RGB(0, 96, 149)), (Hls{134, 70, 240}));
  EXPECT_EQ(rgb_of(ColorHLSToRGB(134, 70, 240)), (Rgb{0, 98, 149}));
  // Two channels at the top: red tested first, so hue 40 exactly.
  EXPECT_EQ(hls_of(RGB(255, 255, 0)), (Hls{40, 120, 240}));
  // Red top, blue above green: the hue goes below 0 and comes round to 230.
  EXPECT_EQ(hls_of(RGB(255, 0, 64)), (Hls{230, 120, 240}));
  // Saturation in the light half: s = 300, d = 100: (48000 + 210) div 420 = 114; L = 141.
  EXPECT_EQ(hls_of(RGB(200, 150, 100)), (Hls{20, 141, 114}));
  // The high bits of the value are not looked at.
  EXPECT_EQ(hls_of(static_cast<TColor>(0xFF0000FFu)), hls_of(RGB(255, 0, 0)));
}

TEST(ColourModelHls, HueToRgbSteps) {
  // m1 = -0.5, m2 = 240.5: the levels of full saturation at luminance 120.
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 80), 240);   // Round(240.5) goes to the even neighbour
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 200), 0);    // Round(-0.5) = 0
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 20), 120);   // -0.5 + (4820 + 20) / 40 = 120.5 -> 120
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 140), 120);  // same on the falling side
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 120), 241);  // the falling side starts half a step high
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 0), 0);      // -0.5 + 0.5
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 240), 0);    // flat bottom: m1
  EXPECT_EQ(HueToRGB(-0.5, 240.5, -40), 0);    // -40 is 200
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 300), 240);  // 300 is 60
  EXPECT_EQ(HueToRGB(-0.5, 240.5, 440), 0);    // 440 is 200
  EXPECT_EQ(HueToRGB(0, 40, 11), 12);          // (440 + 20) / 40 = 11.5 -> 12
  EXPECT_EQ(HueToRGB(0, 40, 149), 12);         // (40 * 11 + 20) / 40 = 11.5 -> 12
  EXPECT_EQ(HueToRGB(0, 40, 13), 14);          // 13.5 -> 14
}

// ColorHLSToRGB(0, 120, 240): m2 = 240.5, m1 = -0.5; red at hue 80 gives Round(240.5) = 240 and
// (240 * 255 + 120) / 240 = 255.5, capped to 255; green (hue 0) and blue (hue 160) give 0.
// The way back works in 64-bit reals. At H 60, L 1 the red channel (position 140) is
// mathematically m1 + ((m2 - m1) * 20 + 20) / 40 = 1.5 for S 188 and for S 199 (m2 = 548/240 and
// 559/240). In 64-bit reals the first lands on 1.5 exactly (Round: 2, then 630 / 240 = 2.625 ->
// 3) and the second on 1.4999999999999998 (1, then 375 / 240 = 1.5625 -> 2); 80-bit arithmetic
// gives the opposite in both.
TEST(ColourModelHls, WayBackUses64BitReals) {
  EXPECT_EQ(rgb_of(ColorHLSToRGB(60, 1, 188)), (Rgb{3, 3, 0}));
  EXPECT_EQ(rgb_of(ColorHLSToRGB(60, 1, 199)), (Rgb{2, 3, 0}));
}

TEST(ColourModelHls, FullSaturationCapsAt255) {
  EXPECT_EQ(ColorHLSToRGB(0, 120, 240), RGB(255, 0, 0));
  EXPECT_TRUE(is_plain(ColorHLSToRGB(0, 120, 240)));
  // Saturation 0: each channel Round(L * 255 / 240): 120 -> 127.5 -> 128; 60 -> 63.75 -> 64.
  EXPECT_EQ(ColorHLSToRGB(77, 120, 0), RGB(128, 128, 128));
  EXPECT_EQ(ColorHLSToRGB(77, 60, 0), RGB(64, 64, 64));
  EXPECT_EQ(ColorHLSToRGB(0, 240, 0), RGB(255, 255, 255));
}

// Every colour against the real-valued definitions. With mx, mn the largest and smallest channel,
// d = mx - mn and s = mx + mn:
// - L = ((mx + mn) * 240 + 255) div 510 = floor(240 s / 510 + 1/2): within 1/2 of 240 s / 510.
// - S = floor(240 d / s + 1/2) (dark half) or floor(240 d / (510 - s) + 1/2) (light half), the
//   half chosen by the reported L: within 1/2 of the real ratio.
// - The channel distances are floor(40 (mx - x) / d + 1/2): exact 0 for the top channel, exact 40
//   for the bottom one (81 d div 2 d), so only the middle channel's distance is rounded and the
//   hue is within 1/2 of 40 times the usual sextant value, around the circle.
// - The hue is below 240: without the correction it lies in 0..200, corrected in 200..239.
// - A colour that is not grey has S >= 1: 240 d / s >= 240 / 256 and 240 d / (510 - s) >=
//   240 / 253, both above 1/2.
TEST(ColourModelHls, AllColoursAgainstRealValuedDefinitions) {
  const SweepResult res = sweep(kAllColours, [](int i, std::string& why) {
    const Rgb c = rgb_of(i);
    const Hls v = hls_of(i);
    const int mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
    const int d = mx - mn, s = mx + mn;
    if (v.l < 0 || v.l > 240 || std::fabs(v.l - 240.0 * s / 510) > 0.5 + kEps) {
      why = "luminance " + IntToStr(v.l);
      return false;
    }
    if (d == 0) {
      if (v.h == 160 && v.s == 0) return true;
      why = "grey gives hue " + IntToStr(v.h) + " saturation " + IntToStr(v.s);
      return false;
    }
    const double sat = v.l <= 120 ? 240.0 * d / s : 240.0 * d / (510 - s);
    if (v.s < 1 || v.s > 240 || std::fabs(v.s - sat) > 0.5 + kEps) {
      why = "saturation " + IntToStr(v.s);
      return false;
    }
    double sextant;
    if (c.r == mx)
      sextant = static_cast<double>(c.g - c.b) / d;
    else if (c.g == mx)
      sextant = 2 + static_cast<double>(c.b - c.r) / d;
    else
      sextant = 4 + static_cast<double>(c.r - c.g) / d;
    const double off = std::fabs(std::remainder(v.h - 40 * sextant, 240.0));
    if (v.h < 0 || v.h > 239 || off > 0.5 + kEps) {
      why = "hue " + IntToStr(v.h);
      return false;
    }
    return true;
  });
  EXPECT_EQ(res.failures, 0u) << res.first;
}

// Every grid point (hue, luminance, saturation in 0..240) against the usual real-valued inverse:
// M2 = L (1 + S/240) when L <= 120, else L + S - L S / 240; M1 = 2 L - M2; a channel at hue
// position h is V = M1 + (M2 - M1) f(h) with the trapezoid f, 255 V / 240 on the 0..255 scale.
//
// For S > 0 the routine works with m2 = M2 + 1/2, m1 = M1 - 1/2 (dark half; the "+ 120" of
// (L (S + 240) + 120) / 240 is a real half, not a rounding) or m2 = M2 - 1/2, m1 = M1 + 1/2
// (light half). Its channel before rounding is t = m1 + (m2 - m1) f(h) + b, with b = 1/2 on the
// two ramps (the "+ 20" over 40) and 0 on the flats. So t - V is, by the piece the position falls
// on after one turn (rising below 40, upper flat below 120, falling below 160, lower flat):
//   dark half:  upper flat +1/2, lower flat -1/2, ramps f (in 0..1);
//   light half: upper flat -1/2, lower flat +1/2, ramps 1 - f.
// Then T = Round(t) is off by at most 1/2 and out = Round(255 T / 240 + 1/2) (the "+ 120") by
// at most 1/2 again. Hence
//   out - 255 V / 240 in [17/16 (t - V) - 17/32, 17/16 (t - V) + 17/32 + 1],
// except that the cap can bring out down to 255 (never below 255 V / 240, at most 255).
// For S = 0 the channel is Round(255 L / 240): within 1/2.
TEST(ColourModelHls, GridAgainstRealValuedInverse) {
  const SweepResult res = sweep(241 * 241 * 241, [](int i, std::string& why) {
    const int hue = i % 241, lum = i / 241 % 241, sat = i / (241 * 241);
    const TColor out = ColorHLSToRGB(hue, lum, sat);
    if (!is_plain(out)) {
      why = "top byte";
      return false;
    }
    const Rgb c = rgb_of(out);
    const double l = lum, s = sat;
    const bool dark = lum <= 120;
    const double m2 = dark ? l * (1 + s / 240) : l + s - l * s / 240;
    const double m1 = 2 * l - m2;
    const int got[3] = {c.r, c.g, c.b};
    const int at[3] = {hue + 80, hue, hue - 80};
    for (int k = 0; k < 3; ++k) {
      const double f = trapezoid(at[k]);
      const double exact = (m1 + (m2 - m1) * f) * 255 / 240;
      double lo = -0.5, hi = 0.5;
      if (sat != 0) {
        const int h = at[k] < 0 ? at[k] + 240 : at[k] > 240 ? at[k] - 240 : at[k];
        const bool ramp = h < 40 || (h >= 120 && h < 160);
        const bool upper = h >= 40 && h < 120;
        const double e = ramp ? (dark ? f : 1 - f) : (upper == dark ? 0.5 : -0.5);
        lo = 17.0 / 16 * e - 17.0 / 32;
        hi = 17.0 / 16 * e + 17.0 / 32 + 1;
        if (got[k] == 255) lo = std::min(lo, 255 - exact);
      }
      const double diff = got[k] - exact;
      if (diff < lo - kEps || diff > hi + kEps) {
        why = "H" + IntToStr(hue) + " L" + IntToStr(lum) + " S" + IntToStr(sat) + " channel " + IntToStr(k) + " " +
              IntToStr(got[k]) + " vs " + FloatToStr(exact);
        return false;
      }
    }
    return true;
  });
  EXPECT_EQ(res.failures, 0u) << res.first;
}

// How far RGB -> HLS -> RGB may move a colour, derived from the two conversions.
//
// On the 0..240 scale (k = 240/255) the colour has MX = k mx, MN = k mn, the real luminance
// Lt = k s / 2 and the real saturation St = 240 d / s (dark half) or 240 d / (510 - s) (light
// half); exactly MX = Lt + Lt St / 240 (dark) and MX = Lt + St - Lt St / 240 (light), MN = 2 Lt -
// MX. The conversion reports L = Lt + eL, S = St + eS with |eL|, |eS| <= 1/2 (see above).
// The way back uses m2 and m1 = 2 L - m2; with D2 = m2 - MX and D1 = m1 - MN = 2 eL - D2:
// - dark half (L <= 120, so s <= 256 and Lt / 240 = s / 510 <= 256/510):
//     D2 = eL (1 + St/240) + eS Lt/240 + eL eS/240 + 1/2 in 1/2 +- (1 + 128/510 + 1/960)
//        -> [-0.7521, 1.7521];   D1 in -1/2 +- (1/2 + 128/510 + 1/960) -> [-1.2521, 0.2521];
// - light half (L >= 121, so s >= 257 and 1 - Lt/240 <= 253/510):
//     D2 = eL (1 - St/240) + eS (1 - Lt/240) - eL eS/240 - 1/2 in -1/2 +- (1/2 + 253/1020 +
//        1/960) -> [-1.2491, 0.2491];   D1 in 1/2 +- (1 + 253/1020 + 1/960) -> [-0.7491, 1.7491].
// A channel before rounding is t = m1 + (m2 - m1) f(H') + b (b = 1/2 on the ramps) against the
// true V = MN + (MX - MN) f(h):
// - the top channel always sits on the upper flat (its position is 40..120; at 120 with b = 1/2):
//     t - V = D2 + b in [-1.2491, 2.2521];
// - the bottom channel sits on the lower flat (160..240, or 0 with b = 1/2): t - V = D1 + b in
//     [-1.2521, 2.2491];
// - the middle channel: t - V = (1 - f) D1 + f D2 + (m2 - m1)(f(H') - f(h)) + b, where the hue is
//     off by at most 1/2 and f has slope 1/40, so |f(H') - f(h)| <= 1/80; |m2 - m1| <= k d +
//     2.5041, since m2 - m1 = k d + D2 - D1 with D2 - D1 = 2 eL St/240 + 2 eS Lt/240 + 2 eL
//     eS/240 + 1 <= 2 + 256/510 + 1/480 (dark half) and D2 - D1 = -2 eL St/240 + 2 eS (1 -
//     Lt/240) - 2 eL eS/240 - 1 <= 253/510 + 1/480 (light half). So t - V in
//     [-1.2521 - (k d + 2.5041)/80, 2.2521 + (k d + 2.5041)/80].
// As for the grid, out - v lies in [17/16 (t - V)min - 17/32, 1 + 17/16 (t - V)max + 17/32]:
//   top channel    [-1.8584, 3.9241]              -> -1 .. +3
//   bottom channel [-1.8616, 3.9209]              -> -1 .. +3
//   middle channel [-1.8949 - d/80, 3.9574 + d/80] -> -5 .. +7 at d = 255
// Greys take the S = 0 path: out = Round(17 L / 16) with L = 16 g / 17 + eL, so out - g =
// Round(17 eL / 16) with |17 eL / 16| <= 17/32: -1 .. +1.
TEST(ColourModelHls, RoundTripMovesAColourBoundedly) {
  Extremes top, bottom, middle, grey;
  const SweepResult res = sweep(kAllColours, [&](int i, std::string& why) {
    const Rgb c = rgb_of(i);
    const Hls v = hls_of(i);
    const TColor back = ColorHLSToRGB(v.h, v.l, v.s);
    if (!is_plain(back)) {
      why = "top byte";
      return false;
    }
    const Rgb b = rgb_of(back);
    const int mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
    const int d = mx - mn;
    const int in[3] = {c.r, c.g, c.b}, out[3] = {b.r, b.g, b.b};
    for (int k = 0; k < 3; ++k) {
      const int moved = out[k] - in[k];
      double lo, hi;
      if (d == 0) {
        lo = -1, hi = 1;
        grey.see(moved);
      } else if (in[k] == mx) {
        lo = -1.8584, hi = 3.9241;
        top.see(moved);
      } else if (in[k] == mn) {
        lo = -1.8616, hi = 3.9209;
        bottom.see(moved);
      } else {
        lo = -1.8949 - d / 80.0, hi = 3.9574 + d / 80.0;
        middle.see(moved);
      }
      if (moved < lo || moved > hi) {
        why = "channel " + IntToStr(k) + " moved by " + IntToStr(moved);
        return false;
      }
    }
    return true;
  });
  EXPECT_EQ(res.failures, 0u) << res.first;
  RecordProperty("top", IntToStr(top.lo) + ".." + IntToStr(top.hi));
  RecordProperty("bottom", IntToStr(bottom.lo) + ".." + IntToStr(bottom.hi));
  RecordProperty("middle", IntToStr(middle.lo) + ".." + IntToStr(middle.hi));
  RecordProperty("grey", IntToStr(grey.lo) + ".." + IntToStr(grey.hi));
}

// ---------------------------------------------------------------------------------------------
// Neighbours, complement and replacement of L, S, H
// ---------------------------------------------------------------------------------------------

TEST(ColourModelNeighbours, HueSteps) {
  // Pure red: hue 0 becomes 240, which is red again.
  EXPECT_EQ(AnalogicMinus15(RGB(255, 0, 0)), RGB(255, 0, 0));
  // (255, 32, 0) has hue 5 (green distance floor(40 * 223/255 + 1/2) = 35), L 120, S 240. Down:
  // 240 - 5 = 235 (a mirror, not 230): blue at 155 is -0.5 + (241 * 5 + 20) / 40 = 30.125 -> 30,
  // then (30 * 255 + 120) / 240 = 32.375 -> 32.
  EXPECT_EQ(hls_of(RGB(255, 32, 0)), (Hls{5, 120, 240}));
  EXPECT_EQ(AnalogicMinus15(RGB(255, 32, 0)), RGB(255, 0, 32));
  // Up: hue 20, green at 20 is -0.5 + (241 * 20 + 20) / 40 = 120.5 -> 120 -> 128.
  EXPECT_EQ(AnalogicPlus15(RGB(255, 32, 0)), RGB(255, 128, 0));
  // Hue 230 goes to 215, not round to 5: blue at 135 is -0.5 + (241 * 25 + 20) / 40 = 150.625
  // -> 151, then 38625 / 240 = 160.94 -> 161.
  EXPECT_EQ(AnalogicPlus15(RGB(255, 0, 64)), RGB(255, 0, 161));
  EXPECT_EQ(hls_of(RGB(255, 0, 161)).h, 215);
  // Hue 225 is the last that steps up: 240, the same as red.
  EXPECT_EQ(AnalogicPlus15(ColorHLSToRGB(225, 120, 240)), ColorHLSToRGB(240, 120, 240));
  // Hue 15 steps down to 0.
  const TColor h15 = ColorHLSToRGB(15, 120, 240);
  EXPECT_EQ(hls_of(h15).h, 15);
  EXPECT_EQ(AnalogicMinus15(h15), ColorHLSToRGB(0, 120, 240));
  // Greys keep hue 160 and saturation 0: the neighbours of a grey are greys.
  EXPECT_EQ(AnalogicMinus15(RGB(90, 90, 90)), ColorHLSToRGB(145, hls_of(RGB(90, 90, 90)).l, 0));
  EXPECT_EQ(rgb_of(AnalogicPlus15(RGB(90, 90, 90))).r, rgb_of(AnalogicPlus15(RGB(90, 90, 90))).b);
}

TEST(ColourModelNeighbours, ComplementTurnsHalfTheCircle) {
  // Hue 120 for red: green at 120 is m2 + 1/2 = 241 -> 256.56 -> 255, blue at 40 is 240 -> 255.
  EXPECT_EQ(ComplementHLS(RGB(255, 0, 0)), RGB(0, 255, 255));
  // Hue 230 + 120 = 350 reaches the conversion unreduced and wraps: the same as hue 110.
  EXPECT_EQ(ComplementHLS(RGB(255, 0, 64)), ColorHLSToRGB(110, 120, 240));
  EXPECT_EQ(ColorHLSToRGB(350, 120, 240), ColorHLSToRGB(110, 120, 240));
  EXPECT_EQ(ColorHLSToRGB(360, 90, 200), ColorHLSToRGB(120, 90, 200));
}

TEST(ColourModelNeighbours, ReplaceLuminanceSaturationHue) {
  const TColor red = RGB(255, 0, 0);
  // L 60: m2 = (60 * 480 + 120) / 240 = 120.5 -> 120 -> (30600 + 120) / 240 = 128.
  EXPECT_EQ(SetLuminance(red, 60), RGB(128, 0, 0));
  EXPECT_EQ(SetLuminance(red, 240), RGB(255, 255, 255));
  EXPECT_EQ(SetLuminance(red, 0), RGB(0, 0, 0));
  // S 0: 120 * 255 / 240 = 127.5 -> 128 (even).
  EXPECT_EQ(SetSaturation(red, 0), RGB(128, 128, 128));
  // S 120: m2 = 180.5 -> 180 -> 191.75 -> 192; m1 = 59.5; green at 0 is 60 -> 64.25 -> 64, blue
  // at 160 is Round(59.5) = 60 -> 64.
  EXPECT_EQ(SetSaturation(red, 120), RGB(192, 64, 64));
  // Hue 40: red at 120 is 241 -> 255, green at 40 is 240 -> 255.
  EXPECT_EQ(SetHue(red, 40), RGB(255, 255, 0));
  EXPECT_EQ(SetHue(red, 160), RGB(0, 0, 255));
  // Luminance takes the low 16 bits, saturation and hue the low 8.
  int big = 65536 + 60;
  EXPECT_EQ(SetLuminance(red, big), SetLuminance(red, 60));
  big = 256 + 120;
  EXPECT_EQ(SetSaturation(red, big), SetSaturation(red, 120));
  big = 256 + 40;
  EXPECT_EQ(SetHue(red, big), SetHue(red, 40));
  // Luminance beyond 240 saturates at white: L 1000, S 240 gives m2 = 239.5 and m1 = 1760.5.
  EXPECT_EQ(SetLuminance(red, 1000), RGB(255, 255, 255));
}

// ---------------------------------------------------------------------------------------------
// Channel routines
// ---------------------------------------------------------------------------------------------

TEST(ColourModelChannels, GreyRotationsAndComplement) {
  EXPECT_EQ(ColorToGrey(clWhite), RGB(172, 172, 172));
  EXPECT_EQ(ColorToGrey(clBlack), RGB(0, 0, 0));
  // 0.216 * 10 + 0.388 * 20 + 0.072 * 30 = 12.08 -> 12.
  EXPECT_EQ(ColorToGrey(RGB(10, 20, 30)), RGB(12, 12, 12));
  EXPECT_EQ(TriadicRGB120(RGB(1, 2, 3)), RGB(2, 3, 1));
  EXPECT_EQ(TriadicRGB240(RGB(1, 2, 3)), RGB(3, 1, 2));
  EXPECT_EQ(TriadicRGB240(TriadicRGB120(0x00524B48)), 0x00524B48);
  EXPECT_EQ(ColorToHex(ComplementRGB(0x00524B48)), "B7B4AD");
  EXPECT_EQ(ComplementRGB(clBlack), clWhite);
  EXPECT_EQ(ComplementRGB(RGB(255, 0, 0)), RGB(0, 255, 255));
}

// The greys are evaluated in extended precision, which decides exact halves: 0.388 * 1 + 0.072 *
// 71 comes to exactly 5.5 there (even: 6) and 0.388 * 1 + 0.072 * 196 to 14.5 plus 2^-60 (15),
// while 64-bit reals give 5.4999... and 14.4999... (5 and 14). (1, 1, 193) and (0, 3, 213) come
// to exactly 14.5 and 16.5, which go to the even neighbour.
// The bar grey: 0.59 * 2 + 0.11 * 12 and 0.59 * 9 + 0.11 * 29 are exactly 2.5 and 8.5 (2, 8);
// 0.59 * 5 + 0.11 * 5 is 3.5 less 2^-62 (3).
TEST(ColourModelChannels, GreysUseExtendedPrecisionAtHalves) {
  EXPECT_EQ(ColorToGrey(RGB(0, 1, 71)), RGB(6, 6, 6));
  EXPECT_EQ(ColorToGrey(RGB(0, 1, 196)), RGB(15, 15, 15));
  EXPECT_EQ(ColorToGrey(RGB(1, 3, 85)), RGB(8, 8, 8));
  EXPECT_EQ(ColorToGrey(RGB(1, 1, 193)), RGB(14, 14, 14));
  EXPECT_EQ(ColorToGrey(RGB(0, 3, 213)), RGB(16, 16, 16));
  EXPECT_EQ(bar_grey(RGB(0, 2, 12)), 2);
  EXPECT_EQ(bar_grey(RGB(0, 9, 29)), 8);
  EXPECT_EQ(bar_grey(RGB(0, 5, 5)), 3);
}

TEST(ColourModelChannels, ShadesOfWhiteAndBlack) {
  EXPECT_EQ(DarkerColor(clWhite, 20), RGB(204, 204, 204));
  EXPECT_EQ(LighterColor(clBlack, 20), RGB(51, 51, 51));
  // 255 * 40 / 100 = 102.
  EXPECT_EQ(DarkerColor(clWhite, 40), RGB(153, 153, 153));
  EXPECT_EQ(LighterColor(clBlack, 40), RGB(102, 102, 102));
  // Percent is a byte: 266 is 10.
  int big = 266;
  EXPECT_EQ(DarkerColor(clWhite, big), DarkerColor(clWhite, 10));
}

// Every channel value and percent 0..100 against the real shade: x (1 - p/100) and x + (255 - x)
// p/100, to the nearest whole number; a half (x p ending in 50) moves the full step, since MulDiv
// rounds halves away from zero: the dark shade rounds down, the light one up.
TEST(ColourModelChannels, ShadesAgainstRealValues) {
  for (int p = 0; p <= 100; ++p) {
    for (int x = 0; x < 256; ++x) {
      const TColor c = RGB(x, 255 - x, (x * 7) & 255);
      const Rgb dark = rgb_of(DarkerColor(c, static_cast<Byte>(p)));
      const Rgb light = rgb_of(LighterColor(c, static_cast<Byte>(p)));
      const int in[3] = {x, 255 - x, (x * 7) & 255};
      const int dk[3] = {dark.r, dark.g, dark.b}, lt[3] = {light.r, light.g, light.b};
      for (int k = 0; k < 3; ++k) {
        const double d = in[k] * (100 - p) / 100.0;
        const double l = in[k] + (255 - in[k]) * p / 100.0;
        const double dn = (in[k] * p) % 100 == 50 ? std::floor(d) : std::round(d);
        const double ln = ((255 - in[k]) * p) % 100 == 50 ? std::ceil(l) : std::round(l);
        ASSERT_EQ(dk[k], dn) << "dark x=" << in[k] << " p=" << p;
        ASSERT_EQ(lt[k], ln) << "light x=" << in[k] << " p=" << p;
      }
    }
  }
}

TEST(ColourModelChannels, ShiftsMoveTheNamedChannelAndTheOthersBack) {
  EXPECT_EQ(rgb_of(LessRed(RGB(0, 100, 200), 10)), (Rgb{3, 105, 210}));
  EXPECT_EQ(rgb_of(MoreRed(RGB(250, 100, 200), 30)), (Rgb{255, 85, 170}));
  // A channel at 0 leaves a "Less" shift as 3 - MulDiv(3, p, 100) and a "More" one as 3 + that.
  EXPECT_EQ(rgb_of(LessRed(RGB(0, 100, 200), 20)), (Rgb{2, 110, 220}));
  EXPECT_EQ(rgb_of(LessRed(RGB(0, 100, 200), 30)), (Rgb{2, 115, 230}));
  EXPECT_EQ(rgb_of(MoreRed(RGB(0, 0, 0), 10)), (Rgb{3, 0, 0}));
  EXPECT_EQ(rgb_of(MoreRed(RGB(0, 0, 0), 20)), (Rgb{4, 0, 0}));
  EXPECT_EQ(rgb_of(LessGreen(RGB(0, 0, 0), 30)), (Rgb{0, 2, 0}));
  EXPECT_EQ(rgb_of(MoreBlue(RGB(0, 0, 0), 30)), (Rgb{0, 0, 4}));

  // Each routine moves its own channel, from (40, 120, 200) by 10 (others by 5).
  const TColor c = RGB(40, 120, 200);
  EXPECT_EQ(rgb_of(LessRed(c, 10)), (Rgb{36, 126, 210}));
  EXPECT_EQ(rgb_of(MoreRed(c, 10)), (Rgb{44, 114, 190}));
  EXPECT_EQ(rgb_of(LessGreen(c, 10)), (Rgb{42, 108, 210}));
  EXPECT_EQ(rgb_of(MoreGreen(c, 10)), (Rgb{38, 132, 190}));
  EXPECT_EQ(rgb_of(LessBlue(c, 10)), (Rgb{42, 126, 180}));
  EXPECT_EQ(rgb_of(MoreBlue(c, 10)), (Rgb{38, 114, 220}));

  // MulDiv rounds halves away from zero: 5 * 30 / 100 = 1.5 -> 2.
  EXPECT_EQ(rgb_of(LessRed(RGB(5, 0, 0), 30)), (Rgb{3, 0, 0}));
  // q = Round(p / 2) goes to even: 5 gives 2 (2.5), so 100 - MulDiv(100, 2, 100) = 98.
  EXPECT_EQ(rgb_of(MoreRed(RGB(100, 100, 100), 5)), (Rgb{105, 98, 98}));
  EXPECT_EQ(rgb_of(MoreRed(RGB(100, 100, 100), 15)), (Rgb{115, 92, 92}));
  // Clipping at both ends.
  EXPECT_EQ(rgb_of(LessGreen(RGB(250, 1, 250), 30)), (Rgb{255, 1, 255}));  // MulDiv(1, 30, 100) = 0
  EXPECT_EQ(rgb_of(LessGreen(RGB(250, 1, 250), 50)), (Rgb{255, 0, 255}));  // 1 - 1, 250 + 63
  EXPECT_EQ(rgb_of(MoreGreen(RGB(1, 250, 1), 30)), (Rgb{1, 255, 1}));
}

// Every colour: the grey against the exact weighted sum, the readout's bar grey likewise, and the
// CMYK record against its closed form.
//   g = Round((216 R + 388 G + 72 B) / 1000); a sum ending in 500 is an exact half, where the
//   extended-precision evaluation may land on either neighbour; never above 0.676 * 255 = 172.38.
//   bar grey = Round((300 R + 590 G + 110 B) / 1000), the same way.
//   C = mx - R, M = mx - G, Y = mx - B, K = 256 - mx.
TEST(ColourModelChannels, AllColoursGreyAndCmyk) {
  const SweepResult res = sweep(kAllColours, [](int i, std::string& why) {
    const Rgb c = rgb_of(i);
    const Rgb g = rgb_of(ColorToGrey(i));
    const int n = 216 * c.r + 388 * c.g + 72 * c.b;
    const bool half = n % 1000 == 500;
    if (g.r != g.g || g.g != g.b || g.r > 172 || (half ? (g.r != n / 1000 && g.r != n / 1000 + 1) : g.r != (n + 500) / 1000)) {
      why = "grey " + IntToStr(g.r);
      return false;
    }
    const int nb = 300 * c.r + 590 * c.g + 110 * c.b;
    const int bar = bar_grey(i);
    if (nb % 1000 == 500 ? (bar != nb / 1000 && bar != nb / 1000 + 1) : bar != (nb + 500) / 1000) {
      why = "bar grey " + IntToStr(bar);
      return false;
    }
    TCMYK k;
    ColorToCMYK(i, k);
    const int mx = std::max({c.r, c.g, c.b});
    if (k.C != mx - c.r || k.M != mx - c.g || k.Y != mx - c.b || k.K != 256 - mx) {
      why = "cmyk " + FloatToStr(k.C) + "," + FloatToStr(k.M) + "," + FloatToStr(k.Y) + "," + FloatToStr(k.K);
      return false;
    }
    return true;
  });
  EXPECT_EQ(res.failures, 0u) << res.first;
}

// ---------------------------------------------------------------------------------------------
// System colours: the channel routines resolve them, the HLS routines and the hex text do not.
// Button face is 0x00C8D0D4: R 212, G 208, B 200.
// ---------------------------------------------------------------------------------------------

TEST(ColourModelSystemColour, ButtonFaceThroughTheChannelRoutines) {
  ASSERT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  // 45.792 + 80.704 + 14.4 = 140.896.
  EXPECT_EQ(ColorToGrey(clBtnFace), RGB(141, 141, 141));
  // 212 - 42, 208 - 42, 200 - 40; 212 + 9, 208 + 9, 200 + 11.
  EXPECT_EQ(rgb_of(DarkerColor(clBtnFace, 20)), (Rgb{170, 166, 160}));
  EXPECT_EQ(rgb_of(LighterColor(clBtnFace, 20)), (Rgb{221, 217, 211}));
  EXPECT_EQ(rgb_of(LessRed(clBtnFace, 10)), (Rgb{191, 218, 210}));
  EXPECT_EQ(rgb_of(MoreBlue(clBtnFace, 30)), (Rgb{180, 177, 255}));
  EXPECT_EQ(rgb_of(TriadicRGB120(clBtnFace)), (Rgb{208, 200, 212}));
  EXPECT_EQ(rgb_of(ComplementRGB(clBtnFace)), (Rgb{43, 47, 55}));
  TCMYK k;
  ColorToCMYK(clBtnFace, k);
  EXPECT_EQ(k.C, 0);
  EXPECT_EQ(k.M, 4);
  EXPECT_EQ(k.Y, 12);
  EXPECT_EQ(k.K, 44);
  // The readout's numbers and the hue routines read the low bytes: (15, 0, 0).
  EXPECT_EQ(hls_of(clBtnFace), hls_of(RGB(15, 0, 0)));
  EXPECT_EQ(HistoryLine(clBtnFace), "hex0F0000\xC2\xB7rgb15,0,0\xC2\xB7" "cmyk0,4,12,44");
  EXPECT_EQ(bar_grey(clBtnFace), 4);  // 0.3 * 15 rounds to exactly 4.5 in extended: 4 (even)
}

// ---------------------------------------------------------------------------------------------
// Arguments beyond what the window passes: the result stays a plain colour.
// ---------------------------------------------------------------------------------------------

TEST(ColourModelLimits, PercentsAboveHundredClipTheShades) {
  EXPECT_EQ(DarkerColor(clWhite, 150), clBlack);
  EXPECT_EQ(DarkerColor(RGB(10, 100, 200), 255), clBlack);
  EXPECT_EQ(LighterColor(clBlack, 150), clWhite);
  EXPECT_EQ(LighterColor(RGB(10, 100, 200), 255), clWhite);
  for (int p = 101; p < 256; ++p) {
    EXPECT_TRUE(is_plain(MoreRed(RGB(200, 200, 200), static_cast<Byte>(p))));
    EXPECT_TRUE(is_plain(LessBlue(RGB(200, 200, 200), static_cast<Byte>(p))));
  }
}

TEST(ColourModelLimits, SaturationAbove240KeepsChannelsInRange) {
  // S 255 at L 120: m1 = -8, so green at 0 would be -7.5 -> -8 and borrow from the next channel.
  EXPECT_EQ(SetSaturation(RGB(255, 0, 0), 255), RGB(255, 0, 0));
  const SweepResult res = sweep(241 * 15 * 241, [](int i, std::string& why) {
    const int hue = i % 241, sat = 241 + i / 241 % 15, lum = i / (241 * 15);
    const TColor c = ColorHLSToRGB(hue, lum, sat);
    if (is_plain(c)) return true;
    why = "H" + IntToStr(hue) + " L" + IntToStr(lum) + " S" + IntToStr(sat);
    return false;
  });
  EXPECT_EQ(res.failures, 0u) << res.first;
  EXPECT_TRUE(is_plain(ColorHLSToRGB(65535, 65535, 65535)));
}

TEST(ColourModelLimits, HuesBeyondOneTurnWrap) {
  EXPECT_EQ(ColorHLSToRGB(600, 120, 240), ColorHLSToRGB(120, 120, 240));
  EXPECT_EQ(ColorHLSToRGB(480, 100, 200), ColorHLSToRGB(240, 100, 200));
  EXPECT_EQ(ColorHLSToRGB(720 + 17, 100, 200), ColorHLSToRGB(17, 100, 200));
  EXPECT_EQ(HueToRGB(-0.5, 240.5, -460), HueToRGB(-0.5, 240.5, 20));
}

TEST(ColourModelLimits, ComplementOfAValueWithHighBitsIsAPlainColour) {
  EXPECT_EQ(ComplementRGB(clNone), clBlack);
  EXPECT_EQ(ComplementRGB(0x01000000), clWhite);
}
