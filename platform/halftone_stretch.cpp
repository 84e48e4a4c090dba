#include "platform/halftone_stretch.hpp"
#include "platform/processors.hpp"

#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <memory>
#include <cstddef>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#define HW_HALFTONE_SSE2 1
#endif

// With max_numerator < 2^N and divisor <= 2^L, the multiplier m = ceil(2^(N+L) / divisor) is
// divisor·m = 2^(N+L) + e with 0 <= e < divisor <= 2^L. Then n·m / 2^(N+L) = n / divisor +
// n·e / (divisor·2^(N+L)), and the second term is below 1 / divisor because n < 2^N: it cannot
// lift n / divisor past the next integer, so the shifted product is the exact quotient.
HalftoneDivider::HalftoneDivider(std::uint64_t divisor, std::uint64_t max_numerator) {
  if (divisor == 0 || max_numerator >= (std::uint64_t{1} << 62))
    throw std::invalid_argument("HalftoneDivider: divisor or numerator out of range");
  const int n_bits = std::bit_width(max_numerator);
  const int l_bits = std::bit_width(divisor - 1);
  shift_ = n_bits + l_bits;
  const unsigned __int128 power = static_cast<unsigned __int128>(1) << shift_;
  multiplier_ = static_cast<std::uint64_t>((power + divisor - 1) / divisor);
}

namespace {

std::atomic<bool> g_baseline_kernels{false};

// Source rows the vertical pass combines at once; more rows are added group by group.
constexpr int kGroup = 16;

// The taps of each destination pixel along one axis. Destination pixel t covers
// [t·sn, (t+1)·sn) and source pixel j covers [j·dn, (j+1)·dn) in a common unit, where sn and dn
// are the source and destination lengths divided by their greatest common divisor; each weight
// is an overlap length, so the weights of a destination pixel sum to sn and a source pixel that
// lies wholly inside it weighs dn.
struct Taps {
  std::vector<int> first;  // first source pixel, counted from the rectangle's first
  std::vector<int> count;
  std::vector<int> offset;  // of the first weight in `weights`
  std::vector<std::uint32_t> weights;
};

Taps box_taps(int c0, int c1, int d0, std::int64_t dn, std::int64_t sn) {
  Taps r;
  const auto n = static_cast<std::size_t>(c1 - c0);
  r.first.reserve(n);
  r.count.reserve(n);
  r.offset.reserve(n);
  for (int c = c0; c < c1; ++c) {
    const std::int64_t t = c - d0;
    const std::int64_t a = t * sn, b = a + sn;
    const std::int64_t j0 = a / dn, j1 = (b - 1) / dn;  // every pixel in between overlaps
    r.first.push_back(static_cast<int>(j0));
    r.count.push_back(static_cast<int>(j1 - j0 + 1));
    r.offset.push_back(static_cast<int>(r.weights.size()));
    for (std::int64_t j = j0; j <= j1; ++j)
      r.weights.push_back(static_cast<std::uint32_t>(std::min(b, (j + 1) * dn) - std::max(a, j * dn)));
  }
  return r;
}

// The vertical pass: acc[b] = Σ w[r]·rows[r][b] for b in [from, m) (added to acc when `add`).
template <class Acc>
void vertical_plain(const std::uint8_t* const* rows, const std::uint32_t* w, int k, std::size_t from, std::size_t m,
                    Acc* __restrict acc, bool add) {
  if (!add) std::fill(acc + from, acc + m, Acc{0});
  for (int r = 0; r < k; ++r) {
    const std::uint8_t* __restrict row = rows[r];
    const Acc wr = w[r];
    for (std::size_t b = from; b < m; ++b) acc[b] += wr * row[b];
  }
}

// The horizontal pass: each destination pixel's channel sums, rounded to the mean.
template <int C, class Acc>
void horizontal_plain(const Acc* acc, const Taps& xt, int n, const HalftoneDivider& divide, std::uint64_t half,
                      std::uint32_t* out) {
  for (int i = 0; i < n; ++i) {
    const Acc* at = acc + static_cast<std::size_t>(C) * static_cast<std::size_t>(xt.first[i]);
    const std::uint32_t* w = xt.weights.data() + xt.offset[i];
    std::uint64_t s[3] = {0, 0, 0};
    for (int k = 0; k < xt.count[i]; ++k, at += C)
      for (int c = 0; c < 3; ++c) s[c] += std::uint64_t{w[k]} * at[c];
    out[i] = static_cast<std::uint32_t>(divide(s[0] + half) | divide(s[1] + half) << 8 | divide(s[2] + half) << 16);
  }
}

#if HW_HALFTONE_SSE2
// The vertical pass, 16 bytes at a time. The rows that weigh `full` are summed plainly as 16-bit
// values (at most kGroup · 255); that sum and the (at most two) rows cut by the edges of the
// destination row are the terms, multiplied by their weights and added in pairs by pmaddwd
// (16-bit weights below 2^15, so every product and pair sum stays below 2^27).
template <bool Plain, int Cuts, bool Add>
void vertical_blocks(const std::uint8_t* const* plain, int np, const std::uint8_t* cut0, const std::uint8_t* cut1,
                     std::uint32_t pair01, std::uint32_t pair2, std::size_t m, std::uint32_t* acc) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i w01 = _mm_set1_epi32(static_cast<int>(pair01)), w2 = _mm_set1_epi32(static_cast<int>(pair2));
  for (std::size_t b = 0; b + 16 <= m; b += 16) {
    // The terms in order: the plain sum, then the cut rows.
    __m128i lo0 = zero, hi0 = zero, lo1 = zero, hi1 = zero, lo2 = zero, hi2 = zero;
    if constexpr (Plain) {
      __m128i lo_b = zero, hi_b = zero;  // two chains of additions
      int r = 0;
      for (; r + 2 <= np; r += 2) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plain[r] + b));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plain[r + 1] + b));
        lo0 = _mm_add_epi16(lo0, _mm_unpacklo_epi8(x, zero));
        hi0 = _mm_add_epi16(hi0, _mm_unpackhi_epi8(x, zero));
        lo_b = _mm_add_epi16(lo_b, _mm_unpacklo_epi8(y, zero));
        hi_b = _mm_add_epi16(hi_b, _mm_unpackhi_epi8(y, zero));
      }
      if (r < np) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plain[r] + b));
        lo0 = _mm_add_epi16(lo0, _mm_unpacklo_epi8(x, zero));
        hi0 = _mm_add_epi16(hi0, _mm_unpackhi_epi8(x, zero));
      }
      lo0 = _mm_add_epi16(lo0, lo_b);
      hi0 = _mm_add_epi16(hi0, hi_b);
    }
    if constexpr (Cuts >= 1) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cut0 + b));
      (Plain ? lo1 : lo0) = _mm_unpacklo_epi8(x, zero);
      (Plain ? hi1 : hi0) = _mm_unpackhi_epi8(x, zero);
    }
    if constexpr (Cuts >= 2) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cut1 + b));
      (Plain ? lo2 : lo1) = _mm_unpacklo_epi8(x, zero);
      (Plain ? hi2 : hi1) = _mm_unpackhi_epi8(x, zero);
    }
    auto* out = reinterpret_cast<__m128i*>(acc + b);
    __m128i a0 = _mm_madd_epi16(_mm_unpacklo_epi16(lo0, lo1), w01);
    __m128i a1 = _mm_madd_epi16(_mm_unpackhi_epi16(lo0, lo1), w01);
    __m128i a2 = _mm_madd_epi16(_mm_unpacklo_epi16(hi0, hi1), w01);
    __m128i a3 = _mm_madd_epi16(_mm_unpackhi_epi16(hi0, hi1), w01);
    if constexpr (Plain && Cuts == 2) {
      a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi16(lo2, zero), w2));
      a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi16(lo2, zero), w2));
      a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi16(hi2, zero), w2));
      a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi16(hi2, zero), w2));
    }
    if constexpr (Add) {
      a0 = _mm_add_epi32(a0, _mm_loadu_si128(out));
      a1 = _mm_add_epi32(a1, _mm_loadu_si128(out + 1));
      a2 = _mm_add_epi32(a2, _mm_loadu_si128(out + 2));
      a3 = _mm_add_epi32(a3, _mm_loadu_si128(out + 3));
    }
    _mm_storeu_si128(out, a0);
    _mm_storeu_si128(out + 1, a1);
    _mm_storeu_si128(out + 2, a2);
    _mm_storeu_si128(out + 3, a3);
  }
}

// The same with 32 bytes at a time in 256-bit registers, for processors with AVX2.
#define HALFTONE_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

HALFTONE_AVX2_INLINE __m256i widen_avx2(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Stores (or adds to) 16 sums: unpacking works within 128-bit halves, so the pair products come
// out for bytes 0-3, 8-11 and 4-7, 12-15 and are put back in order.
template <bool Third, bool Add>
HALFTONE_AVX2_INLINE void store_avx2(__m256i t0, __m256i t1, __m256i t2, __m256i pair01, __m256i pair2, __m256i* to) {
  __m256i x = _mm256_madd_epi16(_mm256_unpacklo_epi16(t0, t1), pair01);
  __m256i y = _mm256_madd_epi16(_mm256_unpackhi_epi16(t0, t1), pair01);
  if constexpr (Third) {
    const __m256i zero = _mm256_setzero_si256();
    x = _mm256_add_epi32(x, _mm256_madd_epi16(_mm256_unpacklo_epi16(t2, zero), pair2));
    y = _mm256_add_epi32(y, _mm256_madd_epi16(_mm256_unpackhi_epi16(t2, zero), pair2));
  }
  __m256i first = _mm256_permute2x128_si256(x, y, 0x20), second = _mm256_permute2x128_si256(x, y, 0x31);
  if constexpr (Add) {
    first = _mm256_add_epi32(first, _mm256_loadu_si256(to));
    second = _mm256_add_epi32(second, _mm256_loadu_si256(to + 1));
  }
  _mm256_storeu_si256(to, first);
  _mm256_storeu_si256(to + 1, second);
}

template <bool Plain, int Cuts, bool Add>
__attribute__((target("avx2"))) void vertical_blocks_avx2(const std::uint8_t* const* plain, int np,
                                                          const std::uint8_t* cut0, const std::uint8_t* cut1,
                                                          std::uint32_t w01, std::uint32_t w2, std::size_t m,
                                                          std::uint32_t* acc) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i pair01 = _mm256_set1_epi32(static_cast<int>(w01)), pair2 = _mm256_set1_epi32(static_cast<int>(w2));
  for (std::size_t b = 0; b + 32 <= m; b += 32) {
    __m256i lo0 = zero, hi0 = zero, lo1 = zero, hi1 = zero, lo2 = zero, hi2 = zero;
    if constexpr (Plain) {
      for (int r = 0; r < np; ++r) {
        lo0 = _mm256_add_epi16(lo0, widen_avx2(plain[r] + b));
        hi0 = _mm256_add_epi16(hi0, widen_avx2(plain[r] + b + 16));
      }
    }
    if constexpr (Cuts >= 1) {
      (Plain ? lo1 : lo0) = widen_avx2(cut0 + b);
      (Plain ? hi1 : hi0) = widen_avx2(cut0 + b + 16);
    }
    if constexpr (Cuts >= 2) {
      (Plain ? lo2 : lo1) = widen_avx2(cut1 + b);
      (Plain ? hi2 : hi1) = widen_avx2(cut1 + b + 16);
    }
    auto* out = reinterpret_cast<__m256i*>(acc + b);
    store_avx2<Plain && Cuts == 2, Add>(lo0, lo1, lo2, pair01, pair2, out);
    store_avx2<Plain && Cuts == 2, Add>(hi0, hi1, hi2, pair01, pair2, out + 2);
  }
}
#undef HALFTONE_AVX2_INLINE

// Calls f(plain, cuts, add) with compile-time constants for the shape of a group of rows: with
// or without rows of full weight, and up to two rows cut by the edges of the destination row. A
// group added to the groups before it lacks the first row, so it has at most one cut row. False
// (and f is not called) for any other shape.
template <class F>
bool with_shape(bool plain, int cuts, bool add, F&& f) {
  auto go = [&](auto p, auto c) {
    if constexpr (decltype(c)::value < 2) {
      if (add) {
        f(p, c, std::true_type{});
        return true;
      }
    } else if (add) {
      return false;
    }
    f(p, c, std::false_type{});
    return true;
  };
  using std::false_type, std::true_type;
  switch ((plain ? 3 : 0) + cuts) {
    case 1: return go(false_type{}, std::integral_constant<int, 1>{});
    case 2: return go(false_type{}, std::integral_constant<int, 2>{});
    case 3: return go(true_type{}, std::integral_constant<int, 0>{});
    case 4: return go(true_type{}, std::integral_constant<int, 1>{});
    case 5: return go(true_type{}, std::integral_constant<int, 2>{});
    default: return false;
  }
}

// The vertical pass in vector registers, for weights below 2^15 and at most two cut rows; the
// bytes after the last whole block are added one by one. Returns false (and does nothing) for
// rows of any other shape.
bool vertical_vectors(const std::uint8_t* const* rows, const std::uint32_t* w, int k, std::uint32_t full,
                      std::size_t m, std::uint32_t* acc, bool add, bool avx2) {
  if (full >= 0x8000) return false;
  std::array<const std::uint8_t*, kGroup> plain{};
  std::array<const std::uint8_t*, 2> cut{};
  std::array<std::uint32_t, 3> tw{0, 0, 0};  // the weights of the terms
  int np = 0, nc = 0;
  for (int r = 0; r < k; ++r) {
    if (w[r] == full) {
      plain[static_cast<std::size_t>(np++)] = rows[r];
    } else {
      if (nc == 2) return false;
      cut[static_cast<std::size_t>(nc++)] = rows[r];
    }
  }
  std::size_t t = 0;
  if (np > 0) tw[t++] = full;
  for (int r = 0; r < k; ++r)
    if (w[r] != full) tw[t++] = w[r];
  const std::uint32_t pair01 = tw[0] | tw[1] << 16, pair2 = tw[2];
  const std::size_t block = avx2 ? 32 : 16;
  const bool shaped = with_shape(np > 0, nc, add, [&](auto p, auto c, auto a) {
    constexpr bool P = decltype(p)::value, A = decltype(a)::value;
    constexpr int Cu = decltype(c)::value;
    if (avx2) vertical_blocks_avx2<P, Cu, A>(plain.data(), np, cut[0], cut[1], pair01, pair2, m, acc);
    else vertical_blocks<P, Cu, A>(plain.data(), np, cut[0], cut[1], pair01, pair2, m, acc);
  });
  if (!shaped) return false;
  const std::size_t done = m / block * block;
  if (done < m) vertical_plain(rows, w, k, done, m, acc, add);
  return true;
}

// The horizontal pass with the channels of a pixel in one register, using 32 x 32 -> 64-bit
// products of lanes 0 and 2 (blue, red) and of lanes 1 and 3 (green, unused). Reads one value
// past the last pixel of 3-byte rows.
//
// Narrow form, for sums of a destination pixel (rounding half included) below 2^30: the columns
// between the first and the last tap weigh `full` and are added plainly as 32-bit values, and
// the quotient is the product with the divider's 32-bit multiplier, shifted.
struct Reach {
  std::uint32_t at;     // the first tap's first value in the row of sums
  std::int32_t count;   // taps
  std::uint32_t first;  // weight of the first tap
  std::uint32_t last;   // weight of the last tap
};

template <int C>
void horizontal_narrow(const std::uint32_t* acc, const Reach* reach, int n, std::uint32_t full,
                       const HalftoneDivider& divide, std::uint32_t half, std::uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wfull = _mm_set1_epi32(static_cast<int>(full));
  const __m128i halves = _mm_set1_epi32(static_cast<int>(half));
  const __m128i mult = _mm_set1_epi32(static_cast<int>(divide.multiplier()));
  const __m128i shift = _mm_cvtsi32_si128(divide.shift());
  for (int i = 0; i < n; ++i) {
    const Reach r = reach[i];
    const std::uint32_t* at = acc + r.at;
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i wk = _mm_set1_epi32(static_cast<int>(r.first));
    __m128i s02 = _mm_mul_epu32(v, wk), s13 = _mm_mul_epu32(_mm_srli_epi64(v, 32), wk);
    if (r.count > 1) {
      if (r.count > 2) {
        __m128i inner = zero;
        for (int k = 1; k < r.count - 1; ++k)
          inner = _mm_add_epi32(inner, _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k * C)));
        s02 = _mm_add_epi64(s02, _mm_mul_epu32(inner, wfull));
        s13 = _mm_add_epi64(s13, _mm_mul_epu32(_mm_srli_epi64(inner, 32), wfull));
      }
      v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + (r.count - 1) * C));
      wk = _mm_set1_epi32(static_cast<int>(r.last));
      s02 = _mm_add_epi64(s02, _mm_mul_epu32(v, wk));
      s13 = _mm_add_epi64(s13, _mm_mul_epu32(_mm_srli_epi64(v, 32), wk));
    }
    const __m128i q02 = _mm_srl_epi64(_mm_mul_epu32(_mm_add_epi32(s02, halves), mult), shift);
    const __m128i q13 = _mm_srl_epi64(_mm_mul_epu32(_mm_add_epi32(s13, halves), mult), shift);
    const __m128i blue_green = _mm_or_si128(q02, _mm_slli_epi64(q13, 8));
    out[i] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(blue_green)) |
             static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(q02, 8))) << 16;
  }
}

// The same with 32-bit products of all four lanes at once.
template <int C>
__attribute__((target("avx2"))) void horizontal_narrow_avx2(const std::uint32_t* acc, const Reach* reach, int n,
                                                            std::uint32_t full, const HalftoneDivider& divide,
                                                            std::uint32_t half, std::uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wfull = _mm_set1_epi32(static_cast<int>(full));
  const __m128i halves = _mm_set1_epi32(static_cast<int>(half));
  const __m128i mult = _mm_set1_epi32(static_cast<int>(divide.multiplier()));
  const __m128i shift = _mm_cvtsi32_si128(divide.shift());
  for (int i = 0; i < n; ++i) {
    const Reach r = reach[i];
    const std::uint32_t* at = acc + r.at;
    __m128i s = _mm_mullo_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)),
                                _mm_set1_epi32(static_cast<int>(r.first)));
    if (r.count > 1) {
      if (r.count > 2) {
        __m128i inner = zero;
        for (int k = 1; k < r.count - 1; ++k)
          inner = _mm_add_epi32(inner, _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k * C)));
        s = _mm_add_epi32(s, _mm_mullo_epi32(inner, wfull));
      }
      s = _mm_add_epi32(s, _mm_mullo_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + (r.count - 1) * C)),
                                           _mm_set1_epi32(static_cast<int>(r.last))));
    }
    s = _mm_add_epi32(s, halves);
    const __m128i q02 = _mm_srl_epi64(_mm_mul_epu32(s, mult), shift);
    const __m128i q13 = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(s, 32), mult), shift);
    const __m128i blue_green = _mm_or_si128(q02, _mm_slli_epi64(q13, 8));
    out[i] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(blue_green)) |
             static_cast<std::uint32_t>(_mm_extract_epi32(q02, 2)) << 16;
  }
}

// Wide form: 64-bit sums, any weights.
template <int C>
void horizontal_wide(const std::uint32_t* acc, const Taps& xt, int n, const HalftoneDivider& divide, std::uint64_t half,
                     std::uint32_t* out) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t* at = acc + static_cast<std::size_t>(C) * static_cast<std::size_t>(xt.first[i]);
    const std::uint32_t* w = xt.weights.data() + xt.offset[i];
    __m128i s02 = _mm_setzero_si128(), s13 = _mm_setzero_si128();
    for (int k = 0; k < xt.count[i]; ++k, at += C) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i wk = _mm_set1_epi32(static_cast<int>(w[k]));
      s02 = _mm_add_epi64(s02, _mm_mul_epu32(v, wk));
      s13 = _mm_add_epi64(s13, _mm_mul_epu32(_mm_srli_epi64(v, 32), wk));
    }
    const auto blue = static_cast<std::uint64_t>(_mm_cvtsi128_si64(s02));
    const auto red = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s02, s02)));
    const auto green = static_cast<std::uint64_t>(_mm_cvtsi128_si64(s13));
    out[i] = static_cast<std::uint32_t>(divide(blue + half) | divide(green + half) << 8 | divide(red + half) << 16);
  }
}
#endif

// The taps of destination pixel `c` along one axis, as box_taps makes them, computed when
// needed: every weight but the first and the last is `dn`, so that no table grows with the
// source's length (a picture of one pixel's width and millions of rows shrunk to a window).
struct Tap {
  int first, count;
  std::uint32_t first_weight, last_weight;
  bool operator==(const Tap&) const = default;
};

Tap box_tap(int c, int d0, std::int64_t dn, std::int64_t sn) {
  const std::int64_t a = (c - std::int64_t{d0}) * sn, b = a + sn;
  const std::int64_t j0 = a / dn, j1 = (b - 1) / dn;
  return {static_cast<int>(j0), static_cast<int>(j1 - j0 + 1), static_cast<std::uint32_t>(std::min(b, (j0 + 1) * dn) - a),
          static_cast<std::uint32_t>(b - std::max(a, j1 * dn))};
}

// One stretch: the taps of both axes and the constants, shared by the threads.
class HalftoneJob {
public:
  HalftoneJob(const HalftoneSource& source, const HalftoneGeometry& g)
      : source_(source), bpp_(source.bytes_per_pixel()), n_(g.cx1 - g.cx0) {
    const std::int64_t gx = std::gcd(g.sw, g.dw), gy = std::gcd(g.sh, g.dh);
    const std::int64_t sw = g.sw / gx, dw = g.dw / gx, sh = g.sh / gy, dh = g.dh / gy;
    xt_ = box_taps(g.cx0, g.cx1, g.dx, dw, sw);
    y_from_ = g.cy0, dy_ = g.dy, sy_ = g.sy, dh_ = dh, sh_ = sh;
    // Source columns in use, and the taps counted from the first of them.
    const int skipped = xt_.first.front();
    col0_ = g.sx + skipped;
    cols_ = xt_.first.back() + xt_.count.back() - skipped;
    for (int& f : xt_.first) f -= skipped;
    bytes_ = static_cast<std::size_t>(cols_) * static_cast<std::size_t>(bpp_);
    row_full_ = static_cast<std::uint32_t>(dh);
    column_full_ = static_cast<std::uint32_t>(dw);
    // A sum of one column of a destination row is at most 255·sh, the sum of a destination
    // pixel 255·sw·sh.
    wide_ = 255 * sh > std::int64_t{0xFFFFFFFF};
    const std::uint64_t total = static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(sh);
    half_ = total / 2;
    const std::uint64_t largest = 255 * total + half_;
    divide_.emplace(total, largest);
    narrow_ = largest < (std::uint64_t{1} << 30) && divide_->multiplier() <= 0xFFFFFFFF;
#if HW_HALFTONE_SSE2
    if (narrow_) {
      half32_ = static_cast<std::uint32_t>(half_);
      reach_.reserve(static_cast<std::size_t>(n_));
      for (std::size_t i = 0; i < static_cast<std::size_t>(n_); ++i) {
        const std::uint32_t* w = xt_.weights.data() + xt_.offset[i];
        reach_.push_back({static_cast<std::uint32_t>(bpp_ * xt_.first[i]), xt_.count[i], w[0], w[xt_.count[i] - 1]});
      }
    }
    avx2_ = !g_baseline_kernels.load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
#endif
  }

  int width() const { return n_; }

  // The buffers one thread needs.
  struct Work {
    std::vector<std::uint32_t> sums;
    std::vector<std::uint64_t> wide_sums;
    std::vector<std::uint32_t> partial;
    std::vector<std::uint8_t> scratch;
  };
  Work work() const {
    Work w;
    // Room for a 4-lane load at the last 3-byte pixel.
    if (wide_) w.wide_sums.resize(bytes_ + 4), w.partial.resize(bytes_);
    else w.sums.resize(bytes_ + 4);
    w.scratch.resize(source_.converts() ? bytes_ * kGroup : 0);
    return w;
  }

  // Destination rows [r0, r1) (counted from the first visible one) into `out`, n values a row.
  void rows(Work& w, int r0, int r1, std::uint32_t* out) const {
    if (wide_) rows_with(w.wide_sums.data(), w.partial.data(), w.scratch.data(), r0, r1, out);
    else rows_with(w.sums.data(), w.partial.data(), w.scratch.data(), r0, r1, out);
  }

private:
  template <class Acc>
  void rows_with(Acc* acc, std::uint32_t* partial, std::uint8_t* scratch, int r0, int r1, std::uint32_t* out) const {
    const std::size_t slot = source_.converts() ? bytes_ : 0;
    std::array<const std::uint8_t*, kGroup> rows{};
    std::array<std::uint32_t, kGroup> w{};
    const auto n = static_cast<std::size_t>(n_);
    Tap last{};
    for (int yi = r0; yi < r1; ++yi) {
      std::uint32_t* line = out + static_cast<std::size_t>(yi - r0) * n;
      const Tap tap = box_tap(y_from_ + yi, dy_, dh_, sh_);
      if (yi > r0 && tap == last) {
        std::copy_n(line - n, n, line);
        continue;
      }
      last = tap;
      if constexpr (std::is_same_v<Acc, std::uint64_t>) {
        wide_column_sums(tap, acc, partial, scratch);
        horizontal<Acc>(acc, line);
        continue;
      }
      for (int g0 = 0; g0 < tap.count; g0 += kGroup) {
        const int k = std::min(kGroup, tap.count - g0);
        for (int r = 0; r < k; ++r) {
          const int j = g0 + r;
          w[static_cast<std::size_t>(r)] = j == 0 ? tap.first_weight : j == tap.count - 1 ? tap.last_weight : row_full_;
          rows[static_cast<std::size_t>(r)] =
              source_.row(sy_ + tap.first + j, col0_, cols_, scratch + slot * static_cast<std::size_t>(r));
        }
        vertical<Acc>(rows.data(), w.data(), k, acc, g0 > 0);
      }
      horizontal<Acc>(acc, line);
    }
  }

  // The column sums of one destination row in 64 bits (many source rows to a destination
  // row): the rows between the first and the last, all of full weight, are added as they are
  // into 32-bit sums, a bounded number at a time, and multiplied by the weight once; rows that
  // lie evenly in memory are walked by pointer. A row then costs an addition a byte.
  void wide_column_sums(const Tap& tap, std::uint64_t* acc, std::uint32_t* partial, std::uint8_t* scratch) const {
    constexpr int kPlainRows = 1 << 24;  // 255 · 2^24 < 2^32
    std::fill(acc, acc + bytes_, std::uint64_t{0});
    auto weighted = [&](int j, std::uint32_t w) {
      const std::uint8_t* row = source_.row(sy_ + tap.first + j, col0_, cols_, scratch);
      for (std::size_t b = 0; b < bytes_; ++b) acc[b] += std::uint64_t{w} * row[b];
    };
    weighted(0, tap.first_weight);
    if (tap.count > 1) weighted(tap.count - 1, tap.last_weight);
    const std::ptrdiff_t step = source_.converts() ? 0 : source_.row_step();
    for (int j = 1; j < tap.count - 1;) {
      const int n = std::min(kPlainRows, tap.count - 1 - j);
      std::fill(partial, partial + bytes_, 0u);
      if (step != 0 && (bytes_ == 3 || bytes_ == 4)) {
        const std::uint8_t* row = source_.row(sy_ + tap.first + j, col0_, cols_, scratch);
        std::uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;  // in registers: one pixel a row
        if (bytes_ == 3)
          for (int r = 0; r < n; ++r, row += step) s0 += row[0], s1 += row[1], s2 += row[2];
        else
          for (int r = 0; r < n; ++r, row += step) s0 += row[0], s1 += row[1], s2 += row[2], s3 += row[3];
        partial[0] = s0, partial[1] = s1, partial[2] = s2;
        if (bytes_ == 4) partial[3] = s3;
      } else {
        for (int r = 0; r < n; ++r) {
          const std::uint8_t* row = source_.row(sy_ + tap.first + j + r, col0_, cols_, scratch);
          for (std::size_t b = 0; b < bytes_; ++b) partial[b] += row[b];
        }
      }
      for (std::size_t b = 0; b < bytes_; ++b) acc[b] += std::uint64_t{row_full_} * partial[b];
      j += n;
    }
  }

  template <class Acc>
  void vertical(const std::uint8_t* const* rows, const std::uint32_t* w, int k, Acc* acc, bool add) const {
#if HW_HALFTONE_SSE2
    if constexpr (std::is_same_v<Acc, std::uint32_t>) {
      if (vertical_vectors(rows, w, k, row_full_, bytes_, acc, add, avx2_)) return;
    }
#endif
    vertical_plain(rows, w, k, 0, bytes_, acc, add);
  }

  template <class Acc>
  void horizontal(const Acc* acc, std::uint32_t* line) const {
    auto run = [&](auto c) {
      constexpr int C = decltype(c)::value;
#if HW_HALFTONE_SSE2
      if constexpr (std::is_same_v<Acc, std::uint32_t>) {
        if (narrow_ && avx2_) horizontal_narrow_avx2<C>(acc, reach_.data(), n_, column_full_, *divide_, half32_, line);
        else if (narrow_) horizontal_narrow<C>(acc, reach_.data(), n_, column_full_, *divide_, half32_, line);
        else horizontal_wide<C>(acc, xt_, n_, *divide_, half_, line);
        return;
      }
#endif
      horizontal_plain<C>(acc, xt_, n_, *divide_, half_, line);
    };
    if (bpp_ == 3) run(std::integral_constant<int, 3>{});
    else run(std::integral_constant<int, 4>{});
  }

  const HalftoneSource& source_;
  int bpp_;
  int n_;
  Taps xt_;
  int y_from_ = 0, dy_ = 0, sy_ = 0;
  std::int64_t dh_ = 1, sh_ = 1;
  int col0_ = 0, cols_ = 0;
  std::size_t bytes_ = 0;
  std::uint32_t row_full_ = 1, column_full_ = 1;
  bool wide_ = false, narrow_ = false;
  bool avx2_ = false;
  std::vector<Reach> reach_;
  std::uint32_t half32_ = 0;
  std::uint64_t half_ = 0;
  std::optional<HalftoneDivider> divide_;
};

}  // namespace

namespace {

// Bands of destination rows are computed on several threads, the calling one included, which
// hands the finished bands to the sink in order as they come.
void stretch_columns(const HalftoneSource& source, const HalftoneGeometry& g, const HalftoneRowSink& sink) {
  const HalftoneJob job(source, g);
  const int n = job.width();
  const int rows = g.cy1 - g.cy0;
  // Threads pay off for large sources only.
  const std::int64_t size = std::int64_t{g.sw} * g.sh + std::int64_t{n} * rows;
  int threads = size < (1 << 20) ? 1 : std::min(8, usable_processors());
  threads = std::max(1, std::min(threads, rows / 8));
  std::vector<HalftoneJob::Work> works;
  for (int t = 0; t < threads; ++t) works.push_back(job.work());
  // Rows in chunks, so that the buffer stays small however large the destination is.
  const int chunk = std::min(rows, std::max(64, (1 << 22) / n));
  std::vector<std::uint32_t> buffer(static_cast<std::size_t>(chunk) * static_cast<std::size_t>(n));
  auto line = [&](int r) { return buffer.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(n); };
  for (int base = 0; base < rows; base += chunk) {
    const int count = std::min(chunk, rows - base);
    if (threads == 1) {
      job.rows(works[0], base, base + count, buffer.data());
      for (int r = 0; r < count; ++r) sink(g.cy0 + base + r, g.cx0, n, line(r));
      continue;
    }
    const int band = std::clamp(count / (8 * threads), 1, 32);
    const int bands = (count + band - 1) / band;
    std::atomic<int> next{0};
    const auto done = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(bands));
    // Computes the next band nobody has taken; false when none is left.
    auto compute = [&](HalftoneJob::Work& w) {
      const int b = next.fetch_add(1);
      if (b >= bands) return false;
      const int r0 = b * band, r1 = std::min(count, r0 + band);
      job.rows(w, base + r0, base + r1, line(r0));
      done[static_cast<std::size_t>(b)].store(true, std::memory_order_release);
      done[static_cast<std::size_t>(b)].notify_one();
      return true;
    };
    std::vector<std::jthread> helpers;  // joined before anything they use goes
    for (std::size_t t = 1; t < works.size(); ++t)
      helpers.emplace_back([&compute, &w = works[t]] {
        while (compute(w)) {
        }
      });
    for (int b = 0; b < bands; ++b) {
      std::atomic<bool>& ready = done[static_cast<std::size_t>(b)];
      while (!ready.load(std::memory_order_acquire))
        if (!compute(works[0])) ready.wait(false, std::memory_order_acquire);
      for (int r = b * band; r < std::min(count, (b + 1) * band); ++r) sink(g.cy0 + base + r, g.cx0, n, line(r));
    }
  }
}

}  // namespace

void halftone_stretch(const HalftoneSource& source, const HalftoneGeometry& g, const HalftoneRowSink& sink) {
  if (g.dw <= 0 || g.dh <= 0 || g.sw <= 0 || g.sh <= 0 || g.cx1 <= g.cx0 || g.cy1 <= g.cy0) return;
  if (g.cx0 < g.dx || g.cy0 < g.dy || g.cx1 - std::int64_t{g.dx} > g.dw || g.cy1 - std::int64_t{g.dy} > g.dh) return;
  if (g.sx < 0 || g.sy < 0 || std::int64_t{g.sx} + g.sw > source.width() || std::int64_t{g.sy} + g.sh > source.height())
    return;
  // Columns in bands, so that the tables and buffers of a band stay small however wide the
  // destination is.
  constexpr int kColumns = 1 << 16;
  for (int c0 = g.cx0; c0 < g.cx1; c0 += std::min(kColumns, g.cx1 - c0)) {
    HalftoneGeometry band = g;
    band.cx0 = c0;
    band.cx1 = c0 + std::min(kColumns, g.cx1 - c0);
    stretch_columns(source, band, sink);
  }
}

void halftone_use_baseline_kernels(bool baseline) { g_baseline_kernels = baseline; }
