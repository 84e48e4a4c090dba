#include "image/view_render.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
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
  }
  std::uint32_t operator()(std::uint64_t n) const {
    return static_cast<std::uint32_t>((static_cast<unsigned __int128>(n) * multiplier_) >> shift_);
  }
  std::uint64_t multiplier() const { return multiplier_; }
  int shift() const { return shift_; }
  // Whether numerators and multiplier fit 32-bit vector lanes.
  bool lanes32() const { return lanes32_; }

private:
  std::uint64_t multiplier_ = 1;
  int shift_ = 0;
  bool lanes32_ = false;
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
  // The source pixels whose 16-byte stores (see emit_row_avx2) stay inside the row.
  int fast = 0;

  Side(int s, int d, bool averaged)
      : run(static_cast<std::size_t>(s)), cut(static_cast<std::size_t>(s)), first(static_cast<std::size_t>(s)),
        second(static_cast<std::size_t>(s)) {
    if (!averaged) {
      for (std::int64_t t = 0; t < d; ++t) ++run[static_cast<std::size_t>(((2 * t + 1) * s) / (2 * std::int64_t{d}))];
      fast_prefix(d);
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
    fast_prefix(d);
  }

  void fast_prefix(int d) {
    std::int64_t at = 0;
    for (std::size_t j = 0; j + 1 < run.size(); ++j) {
      const int r = run[j];
      const std::int64_t end = std::max(at + 15 * std::max(0, (r - 1) / 5) + 16, at + 3 * r + 4);
      if (end > 3 * std::int64_t{d}) break;
      fast = static_cast<int>(j + 1);
      at += 3 * (r + cut[j]);
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
  Divider by_x, by_y, by_both;
  std::uint32_t half_x, half_y;
  std::uint64_t half_both;
};

void sideways_plain(const Mix& m, const std::uint8_t* p, int from, int n, std::uint8_t* out) {
  for (int i = from; i < n; ++i)
    out[i] = static_cast<std::uint8_t>(
        m.by_x(std::uint64_t{m.first[i]} * p[i] + std::uint64_t{m.second[i]} * p[i + 3] + m.half_x));
}

// A row between source rows p and q: the whole pixels into `whole`, the straddles (where there
// are any: `cuts`) into `cut`; `mixed` (n values) is left with the rows' mixes.
void between_plain(const Mix& m, const std::uint8_t* p, const std::uint8_t* q, std::uint32_t e, std::uint32_t f,
                   int n, bool cuts, std::uint32_t* mixed, std::uint8_t* whole, std::uint8_t* cut) {
  for (int i = 0; i < n; ++i) {
    mixed[i] = e * p[i] + f * q[i];
    whole[i] = static_cast<std::uint8_t>(m.by_y(mixed[i] + m.half_y));
  }
  for (int i = 0; cuts && i + 3 < n; ++i)
    cut[i] = static_cast<std::uint8_t>(m.by_both(std::uint64_t{m.first[i]} * mixed[i] +
                                                 std::uint64_t{m.second[i]} * mixed[i + 3] + m.half_both));
}

#define VIEW_RENDER_AVX2 __attribute__((target("avx2")))

VIEW_RENDER_AVX2 inline __m256i bytes8(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

VIEW_RENDER_AVX2 inline __m256i quotients8(__m256i n, __m256i multiplier, __m128i shift) {
  const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(n, multiplier), shift);
  const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(n, 32), multiplier), shift);
  return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

// Eight values below 256 as bytes.
VIEW_RENDER_AVX2 inline void store8(std::uint8_t* out, __m256i v) {
  v = _mm256_packus_epi32(v, v);
  v = _mm256_packus_epi16(v, v);
  const std::uint64_t b = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(v)) |
                          std::uint64_t{static_cast<std::uint32_t>(_mm256_extract_epi32(v, 4))} << 32;
  std::memcpy(out, &b, 8);
}

// The same as the plain code, 8 channels at a time; only for dividers whose numerators and
// multipliers fit 32 bits (the rest is done the plain way).
VIEW_RENDER_AVX2 void sideways_avx2(const Mix& m, const std::uint8_t* p, int, int n, std::uint8_t* out) {
  const __m256i mul = _mm256_set1_epi32(static_cast<int>(m.by_x.multiplier()));
  const __m128i shift = _mm_cvtsi32_si128(m.by_x.shift());
  const __m256i half = _mm256_set1_epi32(static_cast<int>(m.half_x));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.first + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.second + i));
    const __m256i s = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(a, bytes8(p + i)),
                                                        _mm256_mullo_epi32(b, bytes8(p + i + 3))), half);
    store8(out + i, quotients8(s, mul, shift));
  }
  sideways_plain(m, p, i, n, out);
}

VIEW_RENDER_AVX2 void between_avx2(const Mix& m, const std::uint8_t* p, const std::uint8_t* q, std::uint32_t e,
                                   std::uint32_t f, int n, bool cuts, std::uint32_t* mixed,
                                   std::uint8_t* whole, std::uint8_t* cut) {
  const __m256i ve = _mm256_set1_epi32(static_cast<int>(e)), vf = _mm256_set1_epi32(static_cast<int>(f));
  const __m256i mul_y = _mm256_set1_epi32(static_cast<int>(m.by_y.multiplier()));
  const __m128i shift_y = _mm_cvtsi32_si128(m.by_y.shift());
  const __m256i half_y = _mm256_set1_epi32(static_cast<int>(m.half_y));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_add_epi32(_mm256_mullo_epi32(ve, bytes8(p + i)), _mm256_mullo_epi32(vf, bytes8(q + i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(mixed + i), v);
    store8(whole + i, quotients8(_mm256_add_epi32(v, half_y), mul_y, shift_y));
  }
  for (; i < n; ++i) {
    mixed[i] = e * p[i] + f * q[i];
    whole[i] = static_cast<std::uint8_t>(m.by_y(mixed[i] + m.half_y));
  }
  if (!cuts) return;
  const __m256i mul = _mm256_set1_epi32(static_cast<int>(m.by_both.multiplier()));
  const __m128i shift = _mm_cvtsi32_si128(m.by_both.shift());
  const __m256i half = _mm256_set1_epi32(static_cast<int>(m.half_both));
  for (i = 0; i + 8 + 3 <= n; i += 8) {
    const auto* a = reinterpret_cast<const __m256i*>(m.first + i);
    const auto* b = reinterpret_cast<const __m256i*>(m.second + i);
    const __m256i s = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(_mm256_loadu_si256(a), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mixed + i))),
                         _mm256_mullo_epi32(_mm256_loadu_si256(b),
                                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mixed + i + 3)))),
        half);
    store8(cut + i, quotients8(s, mul, shift));
  }
  for (; i + 3 < n; ++i)
    cut[i] = static_cast<std::uint8_t>(m.by_both(std::uint64_t{m.first[i]} * mixed[i] +
                                                 std::uint64_t{m.second[i]} * mixed[i + 3] + m.half_both));
}
// emit_row with one 16-byte store for every five pixels of a run (at least one) and the cut
// pixel stored whether there is one or not, without branches where the runs are short.
VIEW_RENDER_AVX2 void emit_row_avx2(const Side& x, int, const std::uint8_t* whole, const std::uint8_t* cut,
                                    std::uint8_t* dst) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0);
  const int* run = x.run.data();
  const std::uint8_t* cuts = x.cut.data();
  int j = 0;
  for (; j < x.fast; ++j) {
    const __m128i v = _mm_shuffle_epi8(_mm_cvtsi32_si128(static_cast<int>(load32(whole + 3 * j))), spread);
    const int r = run[j];
    int k = 0;
    do {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * k), v);
      k += 5;
    } while (k < r);
    std::memcpy(dst + 3 * r, cut + 3 * j, 4);
    dst += 3 * (r + cuts[j]);
  }
  emit_row(x, j, whole, cut, dst);
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

// Asks the system to back a large, still untouched pixel buffer with huge pages, so that
// filling it costs a few hundred page faults instead of a few hundred thousand.
void prefer_huge_pages(void* bits, std::size_t bytes) {
  constexpr std::uintptr_t huge = 2u << 20;
  auto begin = (reinterpret_cast<std::uintptr_t>(bits) + huge - 1) & ~(huge - 1);
  auto end = (reinterpret_cast<std::uintptr_t>(bits) + bytes) & ~(huge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
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
  for (int i = 0; i < n; ++i) {
    first[static_cast<std::size_t>(i)] = x.first[static_cast<std::size_t>(i / 3)];
    second[static_cast<std::size_t>(i)] = x.second[static_cast<std::size_t>(i / 3)];
  }
  const std::uint64_t both = x.unit * y.unit;
  const Mix mix{first.data(),
                second.data(),
                Divider(x.unit, 255 * x.unit + x.unit / 2),
                Divider(y.unit, 255 * y.unit + y.unit / 2),
                Divider(both, 255 * both + both / 2),
                static_cast<std::uint32_t>(x.unit / 2),
                static_cast<std::uint32_t>(y.unit / 2),
                both / 2};
  const bool avx2 = !g_plain_code.load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
  const bool sideways_vector = avx2 && mix.by_x.lanes32();
  const bool between_vector = avx2 && mix.by_y.lanes32() && mix.by_both.lanes32();
  const bool identity = Width == w;
  const auto emit = avx2 ? emit_row_avx2 : emit_row;

  // Every byte of every row is written below, the row padding included: the picture is not
  // cleared first.
  Dest.NewImageForOverwrite(Width, Height, ifTrueColor, nullptr, Source.XDotsPerInch(), Source.YDotsPerInch());
  const std::size_t row_bytes = static_cast<std::size_t>(Width) * 3;
  const std::size_t scan = static_cast<std::size_t>(Dest.ScanLineSize());
  const std::size_t total = scan * static_cast<std::size_t>(Height);
  const bool streaming = total >= (8u << 20);
  if (streaming) prefer_huge_pages(Dest.Bits(), total);
  auto copy = streaming ? copy_streaming : [](std::uint8_t* d, const std::uint8_t* s, std::size_t k) { std::memcpy(d, s, k); };
  // The displayed row each source row's rows begin at.
  std::vector<int> top(static_cast<std::size_t>(h));
  for (int j = 0, t = 0; j < h; ++j) {
    top[static_cast<std::size_t>(j)] = t;
    t += y.run[static_cast<std::size_t>(j)] + y.cut[static_cast<std::size_t>(j)];
  }

  // Each displayed row is made in a row of its own, which stays in the caches, and copied to
  // its places in the picture from there.
  auto band = [&](int j0, int j1) {
    std::vector<std::uint32_t> mixed(static_cast<std::size_t>(n) + 8);
    std::vector<std::uint8_t> whole(static_cast<std::size_t>(n) + 8), cut(static_cast<std::size_t>(n) + 8);
    std::vector<std::uint8_t> line(scan);  // its padding stays zero
    for (int j = j0; j < j1; ++j) {
      const auto sj = static_cast<std::size_t>(j);
      const std::uint8_t* p = Source.GetScanLine(j);
      int row = top[sj];
      if (const int r = y.run[sj]; r > 0) {
        if (identity) {
          std::memcpy(line.data(), p, row_bytes);
        } else {
          if (x.cuts) (sideways_vector ? sideways_avx2 : sideways_plain)(mix, p, 0, n - 3, cut.data());
          emit(x, 0, p, cut.data(), line.data());
        }
        for (int i = 0; i < r; ++i) copy(Dest.GetScanLine(row + i), line.data(), scan);
        row += r;
      }
      if (y.cut[sj]) {
        (between_vector ? between_avx2 : between_plain)(mix, p, Source.GetScanLine(j + 1), y.first[sj], y.second[sj],
                                                        n, x.cuts, mixed.data(), whole.data(), cut.data());
        if (identity) std::memcpy(line.data(), whole.data(), row_bytes);
        else emit(x, 0, whole.data(), cut.data(), line.data());
        copy(Dest.GetScanLine(row), line.data(), scan);
      }
    }
    if (streaming) _mm_sfence();
  };
  // Large renderings are shared out in bands over the processors the process may use: most of
  // their time is the system handing out fresh memory pages, which goes faster on several.
  const int threads = streaming ? std::min({8, usable_processors(), h}) : 1;
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
