// The two-pass resampler with 256-bit lanes, in one pass over the source: eight source rows at a
// time are turned into floats laid out column by column (the eight rows of one channel of one
// pixel side by side), so that one tap of a destination pixel is one load, one multiply and one
// add per channel for all eight rows, with no gather. Their sums, clamped and rounded half to even
// as the byte work picture holds them, go to a ring of work rows only as tall as the vertical
// filter needs, which stays in the caches; the vertical pass reads it as soon as its rows are
// there. Every lane still sums its contributions in list order, one multiply then one add, in
// single precision: this unit is compiled with -ffp-contract=off, so nothing is fused.
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/resample_rows.hpp"

namespace {

struct AlignedDelete {
  void operator()(float* p) const { ::operator delete[](p, std::align_val_t{64}); }
};
using Floats = std::unique_ptr<float[], AlignedDelete>;

Floats floats(std::size_t n) {
  float* p = static_cast<float*>(::operator new[](n * sizeof(float), std::align_val_t{64}));
  std::fill_n(p, n, 0.0f);
  return Floats(p);
}

__attribute__((target("avx2"))) inline void transpose8(__m256 r[8]) {
  const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]);
  const __m256 t1 = _mm256_unpackhi_ps(r[0], r[1]);
  const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]);
  const __m256 t3 = _mm256_unpackhi_ps(r[2], r[3]);
  const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]);
  const __m256 t5 = _mm256_unpackhi_ps(r[4], r[5]);
  const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]);
  const __m256 t7 = _mm256_unpackhi_ps(r[6], r[7]);
  const __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44);
  const __m256 s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
  const __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44);
  const __m256 s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
  const __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44);
  const __m256 s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
  const __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44);
  const __m256 s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
  r[0] = _mm256_permute2f128_ps(s0, s4, 0x20);
  r[1] = _mm256_permute2f128_ps(s1, s5, 0x20);
  r[2] = _mm256_permute2f128_ps(s2, s6, 0x20);
  r[3] = _mm256_permute2f128_ps(s3, s7, 0x20);
  r[4] = _mm256_permute2f128_ps(s0, s4, 0x31);
  r[5] = _mm256_permute2f128_ps(s1, s5, 0x31);
  r[6] = _mm256_permute2f128_ps(s2, s6, 0x31);
  r[7] = _mm256_permute2f128_ps(s3, s7, 0x31);
}

// The value the byte work picture holds for a sum: 0 below 0, 255 above, else rounded half to
// even (the default rounding mode of the conversion), as a float.
__attribute__((target("avx2"))) inline __m256 work_value(__m256 v) {
  v = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
  return _mm256_cvtepi32_ps(_mm256_cvtps_epi32(v));
}

__attribute__((target("avx2"))) inline __m256i store_value(__m256 v) {
  return _mm256_cvtps_epi32(_mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f)));
}

constexpr int kLanes = 8;       // source rows per block
constexpr int kChunk = 32;      // destination pixels per horizontal chunk
constexpr int kChunkValues = 3 * kChunk;

class FusedResampler {
public:
  FusedResampler(ResampleRowSource& source, int sw, int sh, ResampleRowSink& sink, int dw, int dh,
                 const PaddedWeights& columns, const PaddedWeights& rows)
      : source_(source), sink_(sink), sw_(sw), sh_(sh), dw_(dw), dh_(dh), columns_(columns), rows_(rows) {
    values_in_ = 3 * sw_;
    in_ = floats(static_cast<std::size_t>(values_in_) * kLanes);
    // Offsets of every tap in `in_`, in floats.
    const int taps = columns_.taps();
    offsets_.resize(static_cast<std::size_t>(dw_) * taps);
    for (int i = 0; i < dw_; ++i)
      for (int k = 0; k < taps; ++k)
        offsets_[static_cast<std::size_t>(i) * taps + k] = columns_.index(i)[k] * 3 * kLanes;
    scratch_ = floats(static_cast<std::size_t>(kChunkValues) * kLanes);
    stride_ = (3 * dw_ + kChunkValues - 1) / kChunkValues * kChunkValues;
    ring_rows_ = fused_work_rows(rows_, sh_);
    ring_ = floats(static_cast<std::size_t>(ring_rows_) * stride_);
    spare_ = floats(static_cast<std::size_t>(stride_));
    out_.resize(static_cast<std::size_t>(3 * dw_) + 32);
  }

  template <class ProgressFn>
  void run(ProgressFn progress) {
    std::vector<const float*> taps(static_cast<std::size_t>(rows_.taps()));
    for (int y = 0; y < dh_; ++y) {
      const int* index = rows_.index(y);
      int hi = index[0];
      for (int k = 1; k < rows_.taps(); ++k) hi = std::max(hi, index[k]);
      while (made_ <= hi) make_block();
      for (int k = 0; k < rows_.taps(); ++k) taps[static_cast<std::size_t>(k)] = work_row(index[k]);
      vertical(taps.data(), rows_.weight(y), sink_.row(y));
      sink_.stored(y);
      progress(static_cast<long long>(made_) + y + 1);
    }
  }

private:
  float* work_row(int y) const { return ring_.get() + static_cast<std::size_t>(y % ring_rows_) * stride_; }

  // Rows made_ .. made_ + 7 of the source through the horizontal pass into the ring.
  __attribute__((target("avx2"))) void make_block() {
    const int y0 = made_;
    const int count = std::min(kLanes, sh_ - y0);
    const std::uint8_t* src[kLanes];
    for (int r = 0; r < kLanes; ++r) src[r] = source_.row(std::min(y0 + r, sh_ - 1), r);
    // Bytes to floats, eight rows side by side.
    float* in = in_.get();
    int p = 0;
    for (; p + 8 <= values_in_; p += 8) {
      __m256 v[kLanes];
      for (int r = 0; r < kLanes; ++r)
        v[r] = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src[r] + p))));
      transpose8(v);
      for (int j = 0; j < 8; ++j) _mm256_store_ps(in + static_cast<std::size_t>(p + j) * kLanes, v[j]);
    }
    for (; p < values_in_; ++p)
      for (int r = 0; r < kLanes; ++r) in[static_cast<std::size_t>(p) * kLanes + r] = static_cast<float>(src[r][p]);

    // Rows past the picture's last go to a spare row.
    float* dst[kLanes];
    for (int r = 0; r < kLanes; ++r) dst[r] = r < count ? work_row(y0 + r) : spare_.get();
    for (int i0 = 0; i0 < dw_; i0 += kChunk) {
      const int n = std::min(kChunk, dw_ - i0);
      horizontal(i0, n);
      // Back to rows: eight values of one row per store.
      for (int q = 0; q < 3 * n; q += 8) {
        __m256 v[kLanes];
        for (int j = 0; j < 8; ++j) v[j] = _mm256_load_ps(scratch_.get() + static_cast<std::size_t>(q + j) * kLanes);
        transpose8(v);
        const int at = 3 * i0 + q;
        for (int r = 0; r < kLanes; ++r) _mm256_store_ps(dst[r] + at, v[r]);
      }
    }
    made_ = y0 + count;
  }

  // Destination pixels i0 .. i0 + n - 1 of the eight rows into `scratch_`.
  __attribute__((target("avx2"))) void horizontal(int i0, int n) {
    const int taps = columns_.taps();
    const float* in = in_.get();
    float* out = scratch_.get();
    int i = 0;
    for (; i + 2 <= n; i += 2) {
      const int* o0 = offsets_.data() + static_cast<std::size_t>(i0 + i) * taps;
      const int* o1 = o0 + taps;
      const float* w0 = columns_.weight(i0 + i);
      const float* w1 = w0 + taps;
      __m256 b0 = _mm256_setzero_ps(), g0 = _mm256_setzero_ps(), r0 = _mm256_setzero_ps();
      __m256 b1 = _mm256_setzero_ps(), g1 = _mm256_setzero_ps(), r1 = _mm256_setzero_ps();
      for (int k = 0; k < taps; ++k) {
        const float* p0 = in + o0[k];
        const float* p1 = in + o1[k];
        const __m256 ww0 = _mm256_broadcast_ss(w0 + k);
        const __m256 ww1 = _mm256_broadcast_ss(w1 + k);
        b0 = _mm256_add_ps(b0, _mm256_mul_ps(_mm256_load_ps(p0), ww0));
        g0 = _mm256_add_ps(g0, _mm256_mul_ps(_mm256_load_ps(p0 + 8), ww0));
        r0 = _mm256_add_ps(r0, _mm256_mul_ps(_mm256_load_ps(p0 + 16), ww0));
        b1 = _mm256_add_ps(b1, _mm256_mul_ps(_mm256_load_ps(p1), ww1));
        g1 = _mm256_add_ps(g1, _mm256_mul_ps(_mm256_load_ps(p1 + 8), ww1));
        r1 = _mm256_add_ps(r1, _mm256_mul_ps(_mm256_load_ps(p1 + 16), ww1));
      }
      float* o = out + static_cast<std::size_t>(3 * i) * kLanes;
      _mm256_store_ps(o, work_value(b0));
      _mm256_store_ps(o + 8, work_value(g0));
      _mm256_store_ps(o + 16, work_value(r0));
      _mm256_store_ps(o + 24, work_value(b1));
      _mm256_store_ps(o + 32, work_value(g1));
      _mm256_store_ps(o + 40, work_value(r1));
    }
    if (i < n) {
      const int* o0 = offsets_.data() + static_cast<std::size_t>(i0 + i) * taps;
      const float* w0 = columns_.weight(i0 + i);
      __m256 b0 = _mm256_setzero_ps(), g0 = _mm256_setzero_ps(), r0 = _mm256_setzero_ps();
      for (int k = 0; k < taps; ++k) {
        const float* p0 = in + o0[k];
        const __m256 ww0 = _mm256_broadcast_ss(w0 + k);
        b0 = _mm256_add_ps(b0, _mm256_mul_ps(_mm256_load_ps(p0), ww0));
        g0 = _mm256_add_ps(g0, _mm256_mul_ps(_mm256_load_ps(p0 + 8), ww0));
        r0 = _mm256_add_ps(r0, _mm256_mul_ps(_mm256_load_ps(p0 + 16), ww0));
      }
      float* o = out + static_cast<std::size_t>(3 * i) * kLanes;
      _mm256_store_ps(o, work_value(b0));
      _mm256_store_ps(o + 8, work_value(g0));
      _mm256_store_ps(o + 16, work_value(r0));
    }
  }

  // One destination row from the work rows `rows` with their weights.
  __attribute__((target("avx2"))) void vertical(const float* const* rows, const float* weights, std::uint8_t* dst) {
    const int taps = rows_.taps();
    const int count = 3 * dw_;
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int x = 0;
    // 64 values at a time: eight sums in flight hide the adds' latency.
    for (; x + 64 <= count; x += 64) {
      __m256 a0 = _mm256_setzero_ps(), a1 = _mm256_setzero_ps(), a2 = _mm256_setzero_ps(), a3 = _mm256_setzero_ps();
      __m256 a4 = _mm256_setzero_ps(), a5 = _mm256_setzero_ps(), a6 = _mm256_setzero_ps(), a7 = _mm256_setzero_ps();
      for (int k = 0; k < taps; ++k) {
        const float* row = rows[k] + x;
        const __m256 w = _mm256_broadcast_ss(weights + k);
        a0 = _mm256_add_ps(a0, _mm256_mul_ps(_mm256_load_ps(row), w));
        a1 = _mm256_add_ps(a1, _mm256_mul_ps(_mm256_load_ps(row + 8), w));
        a2 = _mm256_add_ps(a2, _mm256_mul_ps(_mm256_load_ps(row + 16), w));
        a3 = _mm256_add_ps(a3, _mm256_mul_ps(_mm256_load_ps(row + 24), w));
        a4 = _mm256_add_ps(a4, _mm256_mul_ps(_mm256_load_ps(row + 32), w));
        a5 = _mm256_add_ps(a5, _mm256_mul_ps(_mm256_load_ps(row + 40), w));
        a6 = _mm256_add_ps(a6, _mm256_mul_ps(_mm256_load_ps(row + 48), w));
        a7 = _mm256_add_ps(a7, _mm256_mul_ps(_mm256_load_ps(row + 56), w));
      }
      const __m256i lo0 = _mm256_packs_epi32(store_value(a0), store_value(a1));
      const __m256i hi0 = _mm256_packs_epi32(store_value(a2), store_value(a3));
      const __m256i lo1 = _mm256_packs_epi32(store_value(a4), store_value(a5));
      const __m256i hi1 = _mm256_packs_epi32(store_value(a6), store_value(a7));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x),
                          _mm256_permutevar8x32_epi32(_mm256_packus_epi16(lo0, hi0), order));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x + 32),
                          _mm256_permutevar8x32_epi32(_mm256_packus_epi16(lo1, hi1), order));
    }
    for (; x < count; x += 32) {
      __m256 a0 = _mm256_setzero_ps(), a1 = _mm256_setzero_ps(), a2 = _mm256_setzero_ps(), a3 = _mm256_setzero_ps();
      for (int k = 0; k < taps; ++k) {
        const float* row = rows[k] + x;
        const __m256 w = _mm256_broadcast_ss(weights + k);
        a0 = _mm256_add_ps(a0, _mm256_mul_ps(_mm256_load_ps(row), w));
        a1 = _mm256_add_ps(a1, _mm256_mul_ps(_mm256_load_ps(row + 8), w));
        a2 = _mm256_add_ps(a2, _mm256_mul_ps(_mm256_load_ps(row + 16), w));
        a3 = _mm256_add_ps(a3, _mm256_mul_ps(_mm256_load_ps(row + 24), w));
      }
      const __m256i lo = _mm256_packs_epi32(store_value(a0), store_value(a1));
      const __m256i hi = _mm256_packs_epi32(store_value(a2), store_value(a3));
      const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(lo, hi), order);
      if (x + 32 <= count) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), bytes);
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out_.data()), bytes);
        std::memcpy(dst + x, out_.data(), static_cast<std::size_t>(count - x));
      }
    }
  }

  ResampleRowSource& source_;
  ResampleRowSink& sink_;
  int sw_, sh_, dw_, dh_;
  const PaddedWeights& columns_;
  const PaddedWeights& rows_;
  int values_in_ = 0;
  Floats in_;
  std::vector<int> offsets_;
  Floats scratch_;
  int stride_ = 0;
  int ring_rows_ = 1;
  Floats ring_;
  Floats spare_;
  std::vector<std::uint8_t> out_;
  int made_ = 0;
};

}  // namespace

// The ring keeps every row from the lowest one a destination row still needs up to the last block
// made: the highest row needed so far, plus a block.
int fused_work_rows(const PaddedWeights& rows, int source_height) {
  int ring = 1;
  int highest = -1;
  for (int y = 0; y < rows.size(); ++y) {
    const int* index = rows.index(y);
    int lo = index[0], hi = index[0];
    for (int k = 1; k < rows.taps(); ++k) {
      lo = std::min(lo, index[k]);
      hi = std::max(hi, index[k]);
    }
    highest = std::max(highest, hi);
    ring = std::max(ring, highest - lo + kLanes);
  }
  return std::min(ring, source_height);
}

void resample_fused_avx2(ResampleRowSource& source, int sw, int sh, ResampleRowSink& sink, int dw, int dh,
                         const PaddedWeights& columns, const PaddedWeights& rows,
                         const std::function<void(long long)>& progress) {
  FusedResampler r(source, sw, sh, sink, dw, dh, columns, rows);
  r.run([&](long long position) { progress(position); });
}
