// The rounding rules the colour and picture arithmetic depends on.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

// Round: to the nearest integer, exact halves to the even neighbour (the default rounding mode).
inline std::int64_t Round(long double v) { return static_cast<std::int64_t>(std::nearbyintl(v)); }
inline std::int64_t Round(double v) { return static_cast<std::int64_t>(std::nearbyint(v)); }
inline std::int64_t Round(float v) { return static_cast<std::int64_t>(std::nearbyintf(v)); }

// Trunc: drop the fraction (toward zero).
inline std::int64_t Trunc(long double v) { return static_cast<std::int64_t>(v); }

// MulDiv: a * b / c with a 64-bit intermediate, rounded to the nearest integer with exact halves
// away from zero; -1 when c is 0.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t p = static_cast<std::int64_t>(a) * b;
  bool neg = (p < 0) != (c < 0);
  std::int64_t ap = p < 0 ? -p : p;
  std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
  std::int64_t q = (ap + ac / 2) / ac;
  return static_cast<int>(neg ? -q : q);
}

template <class T>
inline T EnsureRange(T v, T lo, T hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A 64-bit value as an int, saturated at the ends of its range.
inline int clamp_int(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
