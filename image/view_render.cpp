#include "image/view_render.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include <immintrin.h>

#include "image/dib_graphic.hpp"
#include "image/resize_transform.hpp"
#include "platform/processors.hpp"

namespace {

std::atomic<bool> g_plain_code{false};

// floor(n / d) for every n up to a bound, as (n * multiplier) >> shift. With n < 2^N and
// d <= 2^L, multiplier = ceil(2^(N+L) / d) exceeds 2^(N+L) / d by less than 1, which adds less
// than n / 2^(N+L) < 1 / d to the quotient: never enough to reach the next integer.
class Divider {
public:
  Divider(std::uint64_t d, std::uint64_t max_n) {
    shift_ = std::bit_width(max_n) + std::bit_width(d - 1);
    multiplier_ = static_cast<std::uint64_t>(((static_cast<unsigned __int128>(1) << shift_) + d - 1) / d);
    lanes32_ = max_n <= 0xFFFFFFFFu && multiplier_ <= 0xFFFFFFFFu;
    // The same bound with 16-bit lanes: a shift of 15 + bit_width(d - 1), at least N + L when
    // n < 2^15, keeps the multiplier below 2^16 for every d >= 2 (d > 2^(L - 1)); the quotient is
    // then the high half of a 16-bit product shifted right by the rest.
    if (d >= 2 && max_n < 0x8000u) {
      shift16_ = 15 + std::bit_width(d - 1);
      multiplier16_ = static_cast<std::uint16_t>(((std::uint64_t{1} << shift16_) + d - 1) / d);
      lanes16_ = true;
    }
  }
  std::uint32_t operator()(std::uint64_t n) const {
    return static_cast<std::uint32_t>((static_cast<unsigned __int128>(n) * multiplier_) >> shift_);
  }
  std::uint64_t multiplier() const { return multiplier_; }
  int shift() const { return shift_; }
  // Whether numerators and multiplier fit 32-bit vector lanes.
  bool lanes32() const { return lanes32_; }
  // Whether numerators fit 16-bit lanes, with multiplier16() and shift16() - 16.
  bool lanes16() const { return lanes16_; }
  std::uint16_t multiplier16() const { return multiplier16_; }
  int shift16() const { return shift16_ - 16; }

private:
  std::uint64_t multiplier_ = 1;
  int shift_ = 0;
  bool lanes32_ = false;
  std::uint16_t multiplier16_ = 0;
  int shift16_ = 16;
  bool lanes16_ = false;
};

// One side of an enlargement from s to d pixels, walked source pixel by source pixel: how many
// displayed pixels lie wholly inside source pixel j, and whether the displayed pixel after them
// straddles j and j + 1, with its two weights.
//
// The area-averaging stretch measures both sides in a common unit: displayed pixel t covers
// [t sn, (t + 1) sn) and source pixel j covers [j dn, (j + 1) dn), sn and dn being s and d
// divided by their greatest common divisor; a pixel's weight is its overlap. A displayed pixel
// is no longer than a source pixel (sn <= dn), so it overlaps one or two of them. The nearest
// pixel stretch takes the source pixel under each displayed pixel's centre: no straddles.
struct Side {
  std::vector<int> run;
  std::vector<std::uint8_t> cut;
  std::vector<std::uint32_t> first, second;  // the weights of the straddling pixel
  std::uint64_t unit = 1;                    // sn: the weights of a displayed pixel add up to it
  bool cuts = false;

  Side(int s, int d, bool averaged)
      : run(static_cast<std::size_t>(s)), cut(static_cast<std::size_t>(s)), first(static_cast<std::size_t>(s)),
        second(static_cast<std::size_t>(s)) {
    if (!averaged) {
      for (std::int64_t t = 0; t < d; ++t) ++run[static_cast<std::size_t>(((2 * t + 1) * s) / (2 * std::int64_t{d}))];
      return;
    }
    const std::int64_t g = std::gcd(s, d), sn = s / g, dn = d / g;
    unit = static_cast<std::uint64_t>(sn);
    for (std::int64_t t = 0; t < d; ++t) {
      const std::int64_t a = t * sn, b = a + sn, j = a / dn;
      const auto i = static_cast<std::size_t>(j);
      if ((b - 1) / dn == j) {
        ++run[i];
      } else {
        cut[i] = 1;
        cuts = true;
        first[i] = static_cast<std::uint32_t>((j + 1) * dn - a);
        second[i] = static_cast<std::uint32_t>(b - (j + 1) * dn);
      }
    }
  }

  int size() const { return static_cast<int>(run.size()); }
};

inline std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// One displayed row: each of the w pixels of `whole` run[j] times, followed by the pixel of
// `cut` at j where the displayed pixel straddles j and j + 1, from source pixel `from` on (`dst`
// where its run begins). Words are written past the pixel in hand and overwritten by the next;
// the last source pixel, which always has a run of its own (the last displayed pixel ends where
// it ends), is written exactly, so nothing lands past the row. `whole` is read 4 bytes at a time
// except at its last pixel, `cut` at every straddle.
void emit_row(const Side& x, int from, const std::uint8_t* whole, const std::uint8_t* cut, std::uint8_t* dst) {
  const int w = x.size();
  for (int j = from; j + 1 < w; ++j) {
    const std::uint64_t v = load32(whole + 3 * j) & 0xFFFFFFu;
    const std::uint64_t twice = v | v << 24;
    const int r = x.run[static_cast<std::size_t>(j)];
    int k = 0;
    for (; k + 1 < r; k += 2) std::memcpy(dst + 3 * k, &twice, 8);
    if (k < r) std::memcpy(dst + 3 * k, &twice, 4);
    dst += 3 * r;
    if (x.cut[static_cast<std::size_t>(j)]) {
      std::memcpy(dst, cut + 3 * j, 4);
      dst += 3;
    }
  }
  for (int k = 0; k < x.run[static_cast<std::size_t>(w - 1)]; ++k, dst += 3) std::memcpy(dst, whole + 3 * (w - 1), 3);
}

// The mixed values, channel by channel over n bytes. Weights come per channel (each pixel's
// three times), and rounding is half up as in the stretch: floor((sum + unit / 2) / unit).
//
// In a row inside source row p the straddles weigh a, b (a + b = unit_x) and the rows unit_y:
// the stretch's quotient floor((unit_y S + unit_x unit_y / 2) / (unit_x unit_y)) with
// S = a p[i] + b p[i + 3] equals floor((S + unit_x / 2) / unit_x) (below: sideways_plain). In
// the same way a whole pixel of a row mixed from rows p and q with weights e, f needs only
// V = e p[i] + f q[i] and unit_y. A common factor m of sum and divisor never changes the
// quotient rounded half up: with n = unit, floor((mS + floor(mn / 2)) / mn) and
// floor((S + floor(n / 2)) / n) differ only if an integer lies in an interval that holds none
// (odd n: the numerators are odd and the halves fall between integers).
struct Mix {
  const std::uint32_t* first;  // per channel
  const std::uint32_t* second;
  const std::uint16_t* first16;  // the same, for 16-bit lanes
  const std::uint16_t* second16;
  const std::uint32_t* pairs;  // first | second << 16, where the weights are below 2^15
  const std::uint8_t* byte_pairs;  // first, second as bytes in the order Bytes32 takes them
  Divider by_x, by_y, by_both;
  std::uint32_t half_x, half_y;
  std::uint64_t half_both;
};

void sideways_plain(const Mix& m, const std::uint8_t* p, int from, int n, std::uint8_t* out) {
  for (int i = from; i < n; ++i)
    out[i] = static_cast<std::uint8_t>(
        m.by_x(std::uint64_t{m.first[i]} * p[i] + std::uint64_t{m.second[i]} * p[i + 3] + m.half_x));
}

void cuts_plain(const Mix& m, const std::uint32_t* mixed, int from, int n, std::uint8_t* cut) {
  for (int i = from; i + 3 < n; ++i)
    cut[i] = static_cast<std::uint8_t>(m.by_both(std::uint64_t{m.first[i]} * mixed[i] +
                                                 std::uint64_t{m.second[i]} * mixed[i + 3] + m.half_both));
}

// A row between source rows p and q: the whole pixels into `whole`, the straddles (where there
// are any: `cuts`) into `cut`; `mixed` (n values) is left with the rows' mixes.
void between_plain(const Mix& m, const std::uint8_t* p, const std::uint8_t* q, std::uint32_t e, std::uint32_t f,
                   int n, bool cuts, std::uint32_t* mixed, std::uint8_t* whole, std::uint8_t* cut) {
  for (int i = 0; i < n; ++i) {
    mixed[i] = e * p[i] + f * q[i];
    whole[i] = static_cast<std::uint8_t>(m.by_y(mixed[i] + m.half_y));
  }
  if (cuts) cuts_plain(m, mixed, 0, n, cut);
}

#define VIEW_RENDER_AVX2 __attribute__((target("avx2")))

// The vector code works on lanes of 32 bits, 8 channels at a time, or, where every numerator
// stays below 2^15 (the units of both sides and their product at most 128, as in the zooms the
// view steps through and most fitted ones), on lanes of 16 bits, 16 at a time.
struct Lanes32 {
  using Value = std::uint32_t;
  static constexpr int count = 8;
  VIEW_RENDER_AVX2 static __m256i bytes(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
  }
  // Two weights below 2^15 side by side in each lane: a x + b y of bytes is one multiply-add.
  struct Pair {
    __m256i ab;
  };
  VIEW_RENDER_AVX2 static Pair pair_at(const Mix& m, int i) {
    return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.pairs + i))};
  }
  VIEW_RENDER_AVX2 static Pair pair_of(std::uint32_t a, std::uint32_t b) {
    return {_mm256_set1_epi32(static_cast<int>(a | b << 16))};
  }
  VIEW_RENDER_AVX2 static __m256i mix(Pair w, __m256i x, __m256i y) {
    return _mm256_madd_epi16(_mm256_or_si256(x, _mm256_slli_epi32(y, 16)), w.ab);
  }
  VIEW_RENDER_AVX2 static __m256i splat(std::uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
  VIEW_RENDER_AVX2 static __m256i mul(__m256i a, __m256i b) { return _mm256_mullo_epi32(a, b); }
  VIEW_RENDER_AVX2 static __m256i add(__m256i a, __m256i b) { return _mm256_add_epi32(a, b); }
  struct By {
    __m256i multiplier;
    __m128i shift;
    VIEW_RENDER_AVX2 explicit By(const Divider& d)
        : multiplier(_mm256_set1_epi32(static_cast<int>(d.multiplier()))), shift(_mm_cvtsi32_si128(d.shift())) {}
    VIEW_RENDER_AVX2 __m256i operator()(__m256i n) const {
      const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(n, multiplier), shift);
      const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(n, 32), multiplier), shift);
      return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
    }
  };
  // Eight values below 256 as bytes.
  VIEW_RENDER_AVX2 static void store_bytes(std::uint8_t* out, __m256i v) {
    v = _mm256_packus_epi32(v, v);
    v = _mm256_packus_epi16(v, v);
    const std::uint64_t b = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(v)) |
                            std::uint64_t{static_cast<std::uint32_t>(_mm256_extract_epi32(v, 4))} << 32;
    std::memcpy(out, &b, 8);
  }
};

struct Lanes16 {
  using Value = std::uint16_t;
  static constexpr int count = 16;
  VIEW_RENDER_AVX2 static __m256i bytes(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
  struct Pair {
    __m256i a, b;
  };
  VIEW_RENDER_AVX2 static Pair pair_at(const Mix& m, int i) {
    return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.first16 + i)),
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.second16 + i))};
  }
  VIEW_RENDER_AVX2 static Pair pair_of(std::uint32_t a, std::uint32_t b) {
    return {_mm256_set1_epi16(static_cast<short>(a)), _mm256_set1_epi16(static_cast<short>(b))};
  }
  VIEW_RENDER_AVX2 static __m256i mix(Pair w, __m256i x, __m256i y) {
    return _mm256_add_epi16(_mm256_mullo_epi16(w.a, x), _mm256_mullo_epi16(w.b, y));
  }
  VIEW_RENDER_AVX2 static __m256i splat(std::uint32_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  VIEW_RENDER_AVX2 static __m256i add(__m256i a, __m256i b) { return _mm256_add_epi16(a, b); }
  struct By {
    __m256i multiplier;
    __m128i shift;
    VIEW_RENDER_AVX2 explicit By(const Divider& d)
        : multiplier(_mm256_set1_epi16(static_cast<short>(d.multiplier16()))), shift(_mm_cvtsi32_si128(d.shift16())) {}
    VIEW_RENDER_AVX2 __m256i operator()(__m256i n) const {
      return _mm256_srl_epi16(_mm256_mulhi_epu16(n, multiplier), shift);
    }
  };
  VIEW_RENDER_AVX2 static void store_bytes(std::uint8_t* out, __m256i v) {
    v = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(v));
  }
};

// 32 channels at a time in 16-bit lanes, where every weight is below 2^7 (as with 16-bit lanes
// and straddles on both sides: both units' product is at most 128). a x + b y of bytes is one
// multiply-add of x and y interleaved byte by byte, with a and b interleaved the same way; the
// interleaving takes channels 0-7 and 16-23 into one half, 8-15 and 24-31 into the other, and
// packing the halves back into bytes restores the order.
struct Bytes32 {
  struct Mixes {
    __m256i low, high;
  };
  VIEW_RENDER_AVX2 static Mixes mix(const std::uint8_t* x, const std::uint8_t* y, __m256i w_low, __m256i w_high) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y));
    return {_mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), w_low),
            _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), w_high)};
  }
  // Per block of 32 channels, the weights of the low half, then those of the high half.
  static void lay_out(const std::uint32_t* first, const std::uint32_t* second, int n, std::uint8_t* out) {
    for (int i = 0; i < n; ++i) {
      const int block = i / 32, lane = i % 32 / 16, half = i % 16 / 8, at = i % 8;
      const int to = 64 * block + 32 * half + 16 * lane + 2 * at;
      out[to] = static_cast<std::uint8_t>(first[i]);
      out[to + 1] = static_cast<std::uint8_t>(second[i]);
    }
  }
  // Two halves of values below 256 as 32 bytes in channel order.
  VIEW_RENDER_AVX2 static void store_bytes(std::uint8_t* out, __m256i low, __m256i high) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi16(low, high));
  }
};

template <class L>
VIEW_RENDER_AVX2 __m256i load(const typename L::Value* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// The same as the plain code, L::count channels at a time. Bytes are read up to 16 past the
// last channel handled: the rows handed in have that much room.
template <class L>
VIEW_RENDER_AVX2 void sideways_avx2(const Mix& m, const std::uint8_t* p, int, int n, std::uint8_t* out) {
  const typename L::By by(m.by_x);
  const __m256i half = L::splat(m.half_x);
  int i = 0;
  if constexpr (sizeof(typename L::Value) == 2) {
    const auto* w = reinterpret_cast<const __m256i*>(m.byte_pairs);
    for (; i + 32 <= n; i += 32, w += 2) {
      const Bytes32::Mixes s = Bytes32::mix(p + i, p + i + 3, _mm256_loadu_si256(w), _mm256_loadu_si256(w + 1));
      Bytes32::store_bytes(out + i, by(L::add(s.low, half)), by(L::add(s.high, half)));
    }
  }
  for (; i + L::count <= n; i += L::count) {
    const __m256i s = L::add(L::mix(L::pair_at(m, i), L::bytes(p + i), L::bytes(p + i + 3)), half);
    L::store_bytes(out + i, by(s));
  }
  sideways_plain(m, p, i, n, out);
}

// In 32-bit lanes; small units take between_bytes_avx2 below.
VIEW_RENDER_AVX2 void between_avx2(const Mix& m, const std::uint8_t* p, const std::uint8_t* q, std::uint32_t e,
                                   std::uint32_t f, int n, bool cuts, std::uint32_t* mixed, std::uint8_t* whole,
                                   std::uint8_t* cut) {
  using L = Lanes32;
  const L::Pair ef = L::pair_of(e, f);
  const __m256i half_y = L::splat(m.half_y);
  const L::By by_y(m.by_y);
  int i = 0;
  for (; i + L::count <= n; i += L::count) {
    const __m256i v = L::mix(ef, L::bytes(p + i), L::bytes(q + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(mixed + i), v);
    L::store_bytes(whole + i, by_y(L::add(v, half_y)));
  }
  for (int k = i; k < n; ++k) {
    mixed[k] = e * p[k] + f * q[k];
    whole[k] = static_cast<std::uint8_t>(m.by_y(mixed[k] + m.half_y));
  }
  if (!cuts) return;
  const L::By by_both(m.by_both);
  const __m256i half = L::splat(static_cast<std::uint32_t>(m.half_both));
  for (i = 0; i + L::count + 3 <= n; i += L::count) {
    const __m256i s = L::add(L::add(L::mul(load<L>(m.first + i), load<L>(mixed + i)),
                                    L::mul(load<L>(m.second + i), load<L>(mixed + i + 3))), half);
    L::store_bytes(cut + i, by_both(s));
  }
  cuts_plain(m, mixed, i, n, cut);
}

// between_avx2 in one pass over the rows where every weight is below 2^7: the straddles' mixes
// from the rows' mixes remade at i + 3 rather than stored and read back. The mixes (at most
// 255 times the units' product, below 2^15) and the straddles' weights in 16-bit lanes, in the
// halves' order of Bytes32.
VIEW_RENDER_AVX2 void between_bytes_avx2(const Mix& m, const std::uint8_t* p, const std::uint8_t* q, std::uint32_t e,
                                         std::uint32_t f, int n, bool cuts, std::uint32_t* mixed,
                                         std::uint8_t* whole, std::uint8_t* cut) {
  const __m256i ef = _mm256_set1_epi16(static_cast<short>(e | f << 8));
  const __m256i half_y = Lanes16::splat(m.half_y), half = Lanes16::splat(static_cast<std::uint32_t>(m.half_both));
  const __m256i low_byte = _mm256_set1_epi16(0xFF);
  const Lanes16::By by_y(m.by_y), by_both(m.by_both);
  const auto* w = reinterpret_cast<const __m256i*>(m.byte_pairs);
  int i = 0;
  for (; i + 35 <= n; i += 32, w += 2) {
    const Bytes32::Mixes v = Bytes32::mix(p + i, q + i, ef, ef);
    Bytes32::store_bytes(whole + i, by_y(Lanes16::add(v.low, half_y)), by_y(Lanes16::add(v.high, half_y)));
    if (!cuts) continue;
    const Bytes32::Mixes next = Bytes32::mix(p + i + 3, q + i + 3, ef, ef);
    const __m256i w_low = _mm256_loadu_si256(w), w_high = _mm256_loadu_si256(w + 1);
    const auto straddle = [&](__m256i ab, __m256i a_side, __m256i b_side) VIEW_RENDER_AVX2 {
      const __m256i s = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(ab, low_byte), a_side),
                                         _mm256_mullo_epi16(_mm256_srli_epi16(ab, 8), b_side));
      return by_both(_mm256_add_epi16(s, half));
    };
    Bytes32::store_bytes(cut + i, straddle(w_low, v.low, next.low), straddle(w_high, v.high, next.high));
  }
  for (int k = i; k < n; ++k) {
    mixed[k] = e * p[k] + f * q[k];
    whole[k] = static_cast<std::uint8_t>(m.by_y(mixed[k] + m.half_y));
  }
  if (cuts) cuts_plain(m, mixed, i, n, cut);
}

// Where each 16 bytes of a displayed row come from, for the vector code: a window of 16 bytes in
// the row's whole pixels and one in its straddles, and for each byte its place in its window,
// with 0x80 added for a straddle's. A shuffle of the whole window by these places leaves the
// straddles' bytes zero, one of the straddles' window by the places less 0x80 the whole ones.
// Bytes past the row's pixels come out zero from the whole window and as anything from the
// other. A displayed row never runs through its source faster than one pixel per pixel, so
// 16 displayed bytes come from at most 16 bytes of each.
struct Spread {
  std::vector<std::uint32_t> at;  // per two blocks: their whole windows, then their straddles' windows
  std::vector<std::uint8_t> pick;
  int blocks = 0;  // an even number, covering the row's padded bytes

  // `n` is the bytes of a source row; whole windows end inside them (the rows are read in
  // place). Needs n >= 16.
  Spread(const Side& x, int n, std::size_t scan) {
    blocks = static_cast<int>((scan + 31) / 32 * 2);
    std::vector<std::int32_t> from;  // per displayed byte: its source byte, straddles marked negative - 1
    for (int j = 0; j < x.size(); ++j) {
      for (int k = 0; k < x.run[static_cast<std::size_t>(j)]; ++k)
        for (int c = 0; c < 3; ++c) from.push_back(3 * j + c);
      if (x.cut[static_cast<std::size_t>(j)])
        for (int c = 0; c < 3; ++c) from.push_back(-(3 * j + c) - 1);
    }
    at.assign(2 * static_cast<std::size_t>(blocks), 0);
    pick.assign(static_cast<std::size_t>(blocks) * 16, 0x80);
    for (std::size_t b = 0; b < static_cast<std::size_t>(blocks); ++b) {
      const std::size_t begin = 16 * b, end = std::min(begin + 16, from.size());
      std::int32_t low_whole = n - 16, low_cut = INT32_MAX;
      for (std::size_t i = begin; i < end; ++i) {
        if (from[i] >= 0) low_whole = std::min(low_whole, from[i]);
        else low_cut = std::min(low_cut, -from[i] - 1);
      }
      if (low_cut == INT32_MAX) low_cut = 0;
      at[b / 2 * 4 + b % 2] = static_cast<std::uint32_t>(low_whole);
      at[b / 2 * 4 + 2 + b % 2] = static_cast<std::uint32_t>(low_cut);
      for (std::size_t i = begin; i < end; ++i)
        pick[i] = static_cast<std::uint8_t>(from[i] >= 0 ? from[i] - low_whole : 0x80 + (-from[i] - 1 - low_cut));
    }
  }
};

VIEW_RENDER_AVX2 inline __m256i two_windows(const std::uint8_t* a, const std::uint8_t* b) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), 1);
}

// Displayed bytes 32b to 32b + 31 from the tables `at` and `pick` of a Spread. `cut` is read
// from 16-byte windows at any straddle's place: it has room for 16 bytes past its last straddle.
VIEW_RENDER_AVX2 inline __m256i spread_pair(const std::uint32_t* at, const __m256i* pick, bool cuts,
                                            const std::uint8_t* whole, const std::uint8_t* cut, int b) {
  std::uint64_t w, c;  // both windows' places at once
  std::memcpy(&w, at + 4 * b, 8);
  std::memcpy(&c, at + 4 * b + 2, 8);
  const __m256i places = _mm256_loadu_si256(pick + b);
  const __m256i v = _mm256_shuffle_epi8(two_windows(whole + static_cast<std::uint32_t>(w), whole + (w >> 32)), places);
  if (!cuts) return v;
  const __m256i straddles = _mm256_xor_si256(places, _mm256_set1_epi8(static_cast<char>(0x80)));
  return _mm256_or_si256(
      v, _mm256_shuffle_epi8(two_windows(cut + static_cast<std::uint32_t>(c), cut + (c >> 32)), straddles));
}

// A displayed row's first `bytes` bytes (at most the blocks' bytes), 32 at a time, into `line`;
// the last ones through a block of their own, so that nothing lands past them.
VIEW_RENDER_AVX2 void spread_avx2(const Spread& s, bool cuts, const std::uint8_t* whole, const std::uint8_t* cut,
                                  std::uint8_t* line, std::size_t bytes) {
  // The tables in locals: the byte stores below could alias the vectors' own pointers.
  const std::uint32_t* at = s.at.data();
  const auto* pick = reinterpret_cast<const __m256i*>(s.pick.data());
  auto* out = reinterpret_cast<__m256i*>(line);
  const int pairs = static_cast<int>(bytes / 32);
  for (int b = 0; b < pairs; ++b) _mm256_storeu_si256(out + b, spread_pair(at, pick, cuts, whole, cut, b));
  if (const std::size_t rest = bytes % 32; rest > 0) {
    alignas(32) std::uint8_t last[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(last), spread_pair(at, pick, cuts, whole, cut, pairs));
    std::memcpy(line + bytes - rest, last, rest);
  }
}
#undef VIEW_RENDER_AVX2

// A copy of n bytes that bypasses the caches for the bulk of it, for pictures far larger than
// they are: the destination is not read in first. The caller fences when its band is done.
void copy_streaming(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
  const std::size_t head = std::min(n, (16 - (reinterpret_cast<std::uintptr_t>(dst) & 15)) & 15);
  std::memcpy(dst, src, head);
  std::size_t i = head;
  for (; i + 16 <= n; i += 16)
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
  std::memcpy(dst + i, src + i, n - i);
}

// The size of the processor's last-level cache, or 8 MB where the system does not say.
std::size_t last_level_cache() {
  static const std::size_t size = [] {
    for (int name : {_SC_LEVEL3_CACHE_SIZE, _SC_LEVEL2_CACHE_SIZE})
      if (const long v = sysconf(name); v > 0) return static_cast<std::size_t>(v);
    return std::size_t{8} << 20;
  }();
  return size;
}

// Asks the system to back a large, still untouched pixel buffer with huge pages, so that
// filling it costs a few hundred page faults instead of a few hundred thousand.
void prefer_huge_pages(void* bits, std::size_t bytes) {
  constexpr std::uintptr_t huge = 2u << 20;
  auto begin = (reinterpret_cast<std::uintptr_t>(bits) + huge - 1) & ~(huge - 1);
  auto end = (reinterpret_cast<std::uintptr_t>(bits) + bytes) & ~(huge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Whether rows j0..j1-1 of both pictures lie bottom-up, one scan line apart, so that the band
// is one block of memory in each.
bool rows_lie_alike(const TDibGraphic& Source, TDibGraphic& Dest, int j0, int j1, std::size_t scan) {
  const auto span = static_cast<std::ptrdiff_t>(scan) * (j1 - 1 - j0);
  return Source.ScanLineSize() == Dest.ScanLineSize() && Source.GetScanLine(j0) - Source.GetScanLine(j1 - 1) == span &&
         Dest.GetScanLine(j0) - Dest.GetScanLine(j1 - 1) == span;
}

}  // namespace

bool render_enlarged(const TDibGraphic& Source, TDibGraphic& Dest, int Width, int Height) {
  const int w = Source.Width(), h = Source.Height();
  if (Source.Empty() || Source.ImageFormat() != ifTrueColor || w <= 0 || h <= 0) return false;
  if (Width < w || Height < h) return false;
  const bool averaged = TResizeTransform::AreaAveraged(Source);
  const Side x(w, Width, averaged), y(h, Height, averaged);
  const int n = 3 * w;  // channels of a source row
  std::vector<std::uint32_t> first(static_cast<std::size_t>(n) + 8), second(static_cast<std::size_t>(n) + 8);
  std::vector<std::uint16_t> first16(static_cast<std::size_t>(n) + 16), second16(static_cast<std::size_t>(n) + 16);
  std::vector<std::uint32_t> pairs(static_cast<std::size_t>(n) + 8);
  for (int i = 0; i < n; ++i) {
    const auto at = static_cast<std::size_t>(i), of = static_cast<std::size_t>(i / 3);
    first[at] = x.first[of];
    second[at] = x.second[of];
    first16[at] = static_cast<std::uint16_t>(x.first[of]);  // used only where units are below 2^15
    second16[at] = static_cast<std::uint16_t>(x.second[of]);
    pairs[at] = x.first[of] | x.second[of] << 16;
  }
  const std::uint64_t both = x.unit * y.unit;
  std::vector<std::uint8_t> byte_pairs((static_cast<std::size_t>(n) + 31) / 32 * 64);
  if (both <= 128) Bytes32::lay_out(first.data(), second.data(), n, byte_pairs.data());
  const Mix mix{first.data(),
                second.data(),
                first16.data(),
                second16.data(),
                pairs.data(),
                byte_pairs.data(),
                Divider(x.unit, 255 * x.unit + x.unit / 2),
                Divider(y.unit, 255 * y.unit + y.unit / 2),
                Divider(both, 255 * both + both / 2),
                static_cast<std::uint32_t>(x.unit / 2),
                static_cast<std::uint32_t>(y.unit / 2),
                both / 2};
  const bool avx2 = !g_plain_code.load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
  // A side without straddles (unit 1) never divides.
  const auto lanes16 = [](const Divider& d, std::uint64_t unit) { return unit == 1 || d.lanes16(); };
  const bool narrow = lanes16(mix.by_x, x.unit) && lanes16(mix.by_y, y.unit) && lanes16(mix.by_both, both);
  // Weights, which never pass their side's unit, in 16-bit halves of 32-bit lanes.
  const bool vector = avx2 && x.unit < 0x8000u && y.unit < 0x8000u;
  const auto sideways = !vector || !mix.by_x.lanes32() ? sideways_plain
                        : narrow                     ? sideways_avx2<Lanes16>
                                                     : sideways_avx2<Lanes32>;
  const auto between = !vector || !mix.by_y.lanes32() || !mix.by_both.lanes32() ? between_plain
                       : narrow                                              ? between_bytes_avx2
                                                                             : between_avx2;
  const bool identity = Width == w;

  // Every byte of every row is written below, the row padding included: the picture is not
  // cleared first.
  Dest.NewImageForOverwrite(Width, Height, ifTrueColor, nullptr, Source.XDotsPerInch(), Source.YDotsPerInch());
  const std::size_t row_bytes = static_cast<std::size_t>(Width) * 3;
  const std::size_t scan = static_cast<std::size_t>(Dest.ScanLineSize());
  const std::size_t total = scan * static_cast<std::size_t>(Height);
  std::unique_ptr<const Spread> spread;
  if (avx2 && !identity && n >= 16) spread = std::make_unique<const Spread>(x, n, scan);
  // A displayed row with its padding (zero) into `line`.
  const auto emit = [&](const std::uint8_t* whole, const std::uint8_t* cut, std::uint8_t* line) {
    if (spread) spread_avx2(*spread, x.cuts, whole, cut, line, row_bytes);
    else if (identity) std::memcpy(line, whole, row_bytes);
    else emit_row(x, 0, whole, cut, line);
    std::memset(line + row_bytes, 0, scan - row_bytes);
  };
  const bool large = total >= (8u << 20);
  if (large) prefer_huge_pages(Dest.Bits(), total);
  // A rendering that fits well inside the last-level cache is written through it, where the
  // painting that follows finds it; a larger one would only push everything else out.
  const bool streaming = large && total > last_level_cache() / 2;
  auto copy = streaming ? copy_streaming : [](std::uint8_t* d, const std::uint8_t* s, std::size_t k) { std::memcpy(d, s, k); };
  // The displayed row each source row's rows begin at.
  std::vector<int> top(static_cast<std::size_t>(h));
  for (int j = 0, t = 0; j < h; ++j) {
    top[static_cast<std::size_t>(j)] = t;
    t += y.run[static_cast<std::size_t>(j)] + y.cut[static_cast<std::size_t>(j)];
  }

  // Each displayed row is made in place in the picture, and copied from there to its further
  // places. A rendering that bypasses the caches makes its rows in a row of its own, which stays
  // in them, and streams every copy out from there.
  auto band = [&](int j0, int j1) {
    if (identity && Height == h && j1 > j0 && rows_lie_alike(Source, Dest, j0, j1, scan)) {
      // At 100 % the band is copied in one piece, then its padding cleared (per-row copies made a
      // picture of millions of one-pixel rows take seconds).
      copy(Dest.GetScanLine(j1 - 1), Source.GetScanLine(j1 - 1), scan * static_cast<std::size_t>(j1 - j0));
      if (const std::size_t pad = scan - row_bytes; pad > 0)  // at most 3 bytes
        for (std::uint8_t *q = Dest.GetScanLine(j1 - 1) + row_bytes, *end = q + scan * static_cast<std::size_t>(j1 - j0);
             q < end; q += scan)
          std::memset(q, 0, pad);
      if (streaming) _mm_sfence();
      return;
    }
    // Room past the row for the vector code's reads and writes.
    std::vector<std::uint32_t> mixed(static_cast<std::size_t>(n) + 32);
    std::vector<std::uint8_t> whole(static_cast<std::size_t>(n) + 32), cut(static_cast<std::size_t>(n) + 32);
    std::vector<std::uint8_t> line(streaming ? scan : 0);
    const int copies_from = streaming ? 0 : 1;  // the first copy at each place
    const auto made_at = [&](int row) { return streaming ? line.data() : Dest.GetScanLine(row); };
    for (int j = j0; j < j1; ++j) {
      const auto sj = static_cast<std::size_t>(j);
      const std::uint8_t* p = Source.GetScanLine(j);
      int row = top[sj];
      if (const int r = y.run[sj]; r > 0) {
        if (x.cuts) sideways(mix, p, 0, n - 3, cut.data());
        std::uint8_t* made = made_at(row);
        emit(p, cut.data(), made);
        for (int i = copies_from; i < r; ++i) copy(Dest.GetScanLine(row + i), made, scan);
        row += r;
      }
      if (y.cut[sj]) {
        between(mix, p, Source.GetScanLine(j + 1), y.first[sj], y.second[sj], n, x.cuts, mixed.data(), whole.data(),
                cut.data());
        std::uint8_t* made = made_at(row);
        emit(whole.data(), cut.data(), made);
        if (streaming) copy(Dest.GetScanLine(row), made, scan);
      }
    }
    if (streaming) _mm_sfence();
  };
  // Large renderings are shared out in bands over the processors the process may use: most of
  // their time is the system handing out fresh memory pages, which goes faster on several.
  const int threads = large ? std::min({8, usable_processors(), h}) : 1;
  if (threads == 1) {
    band(0, h);
    return true;
  }
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t) workers.emplace_back(band, static_cast<int>(static_cast<long long>(h) * t / threads),
                                                         static_cast<int>(static_cast<long long>(h) * (t + 1) / threads));
  band(0, h / threads);
  for (std::thread& t : workers) t.join();
  return true;
}

void render_enlarged_use_plain_code(bool plain) { g_plain_code = plain; }
