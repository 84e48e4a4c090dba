#include "image/resample_rows.hpp"

#include <emmintrin.h>

#include <cstring>

PaddedWeights::PaddedWeights(const ResampleWeights& weights)
    : taps_(weights.max_count() > 0 ? weights.max_count() : 1), size_(weights.size()) {
  index_.assign(static_cast<std::size_t>(size_) * taps_, 0);
  weight_.assign(static_cast<std::size_t>(size_) * taps_, 0.0f);
  for (int i = 0; i < size_; ++i) {
    int* idx = index_.data() + static_cast<std::size_t>(i) * taps_;
    float* w = weight_.data() + static_cast<std::size_t>(i) * taps_;
    int k = 0;
    int last = weights.min_index() <= weights.max_index() ? weights.min_index() : 0;
    for (const ResampleContribution* c = weights.begin(i); c != weights.end(i); ++c, ++k) {
      idx[k] = c->index;
      w[k] = c->weight;
      last = c->index;
    }
    for (; k < taps_; ++k) idx[k] = last;  // weight 0
  }
}

namespace {

ResampleKernels chosen_kernels() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? ResampleKernels::avx2 : ResampleKernels::sse2;
}

ResampleKernels& kernels_in_use() {
  static ResampleKernels k = chosen_kernels();
  return k;
}

}  // namespace

bool resample_kernels_supported(ResampleKernels kernels) {
  if (kernels == ResampleKernels::sse2) return true;
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

ResampleKernels resample_kernels() { return kernels_in_use(); }

bool use_resample_kernels(ResampleKernels kernels) {
  if (!resample_kernels_supported(kernels)) return false;
  kernels_in_use() = kernels;
  return true;
}

namespace {

// Clamps to 0..255, rounds half to even (the default rounding mode of the conversion) and
// packs the four lanes into the low four bytes.
inline std::uint32_t store_lanes(__m128 v) {
  v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  __m128i i = _mm_cvtps_epi32(v);
  i = _mm_packs_epi32(i, i);
  i = _mm_packus_epi16(i, i);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(i));
}

inline void put3(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
}

}  // namespace

void resample_row_horizontal(const float* src, const PaddedWeights& weights, std::uint8_t* dst) {
  const int n = weights.size();
  const int taps = weights.taps();
  int i = 0;
  // Four destination pixels at a time: four independent sums.
  for (; i + 4 <= n; i += 4) {
    const int* i0 = weights.index(i);
    const float* w0 = weights.weight(i);
    const int* i1 = i0 + taps;
    const float* w1 = w0 + taps;
    const int* i2 = i1 + taps;
    const float* w2 = w1 + taps;
    const int* i3 = i2 + taps;
    const float* w3 = w2 + taps;
    __m128 a0 = _mm_setzero_ps(), a1 = _mm_setzero_ps(), a2 = _mm_setzero_ps(), a3 = _mm_setzero_ps();
    for (int k = 0; k < taps; ++k) {
      a0 = _mm_add_ps(a0, _mm_mul_ps(_mm_load_ps(src + 4 * i0[k]), _mm_set1_ps(w0[k])));
      a1 = _mm_add_ps(a1, _mm_mul_ps(_mm_load_ps(src + 4 * i1[k]), _mm_set1_ps(w1[k])));
      a2 = _mm_add_ps(a2, _mm_mul_ps(_mm_load_ps(src + 4 * i2[k]), _mm_set1_ps(w2[k])));
      a3 = _mm_add_ps(a3, _mm_mul_ps(_mm_load_ps(src + 4 * i3[k]), _mm_set1_ps(w3[k])));
    }
    put3(dst + 3 * i, store_lanes(a0));
    put3(dst + 3 * i + 3, store_lanes(a1));
    put3(dst + 3 * i + 6, store_lanes(a2));
    put3(dst + 3 * i + 9, store_lanes(a3));
  }
  for (; i < n; ++i) {
    const int* ix = weights.index(i);
    const float* w = weights.weight(i);
    __m128 a = _mm_setzero_ps();
    for (int k = 0; k < taps; ++k) a = _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(src + 4 * ix[k]), _mm_set1_ps(w[k])));
    put3(dst + 3 * i, store_lanes(a));
  }
}

void resample_row_vertical(const std::uint8_t* const* rows, const float* weights, int taps, int count,
                           std::uint8_t* dst) {
  const __m128i zero = _mm_setzero_si128();
  const __m128 lo = _mm_setzero_ps();
  const __m128 hi = _mm_set1_ps(255.0f);
  int x = 0;
  for (; x < count; x += 16) {
    __m128 a0 = _mm_setzero_ps(), a1 = _mm_setzero_ps(), a2 = _mm_setzero_ps(), a3 = _mm_setzero_ps();
    for (int k = 0; k < taps; ++k) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
      const __m128i l = _mm_unpacklo_epi8(b, zero);
      const __m128i h = _mm_unpackhi_epi8(b, zero);
      const __m128 w = _mm_set1_ps(weights[k]);
      a0 = _mm_add_ps(a0, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(l, zero)), w));
      a1 = _mm_add_ps(a1, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(l, zero)), w));
      a2 = _mm_add_ps(a2, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(h, zero)), w));
      a3 = _mm_add_ps(a3, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(h, zero)), w));
    }
    const __m128i i0 = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(a0, lo), hi));
    const __m128i i1 = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(a1, lo), hi));
    const __m128i i2 = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(a2, lo), hi));
    const __m128i i3 = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(a3, lo), hi));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(i0, i1), _mm_packs_epi32(i2, i3));
    if (x + 16 <= count) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), packed);
    } else {
      alignas(16) std::uint8_t tail[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(tail), packed);
      std::memcpy(dst + x, tail, static_cast<std::size_t>(count - x));
    }
  }
}
