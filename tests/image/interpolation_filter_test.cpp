#include "image/interpolation_filter.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

const TInterpolationFilter kFilters[] = {ifTriangle, ifHermite, ifBell, ifBSpline, ifLanczos3, ifMitchell};

TEST(InterpolationFilter, ValuesAtKnownPoints) {
  EXPECT_FLOAT_EQ(FilterValue(ifTriangle, 0.25f), 0.75f);
  EXPECT_FLOAT_EQ(FilterValue(ifHermite, 0.5f), 0.5f);       // (1 - 3) / 4 + 1
  EXPECT_FLOAT_EQ(FilterValue(ifBell, 0.0f), 0.75f);
  EXPECT_FLOAT_EQ(FilterValue(ifBell, 1.0f), 0.125f);        // 0.5 * 0.25
  EXPECT_FLOAT_EQ(FilterValue(ifBSpline, 0.0f), 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(FilterValue(ifBSpline, 1.0f), 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(FilterValue(ifLanczos3, 0.0f), 1.0f);
  EXPECT_NEAR(FilterValue(ifLanczos3, 0.5f), 6.0 / (M_PI * M_PI), 1e-6);  // (2 / pi) (3 / pi)
  EXPECT_NEAR(FilterValue(ifLanczos3, 1.0f), 0.0, 1e-6);
  EXPECT_FLOAT_EQ(FilterValue(ifMitchell, 0.0f), 16.0f / 18.0f);
  EXPECT_FLOAT_EQ(FilterValue(ifMitchell, 1.0f), 1.0f / 18.0f);
}

TEST(InterpolationFilter, EvenAndZeroFromTheSupportOn) {
  for (TInterpolationFilter f : kFilters) {
    const float s = FilterSupport(f);
    EXPECT_EQ(FilterValue(f, s), 0.0f) << f;
    EXPECT_EQ(FilterValue(f, -s), 0.0f) << f;
    EXPECT_EQ(FilterValue(f, s + 0.5f), 0.0f) << f;
    for (float x = 0.05f; x < s; x += 0.1f) EXPECT_EQ(FilterValue(f, x), FilterValue(f, -x)) << f << " " << x;
  }
  EXPECT_EQ(FilterSupport(ifBell), 1.5f);
  EXPECT_EQ(FilterSupport(ifLanczos3), 3.0f);
  EXPECT_EQ(FilterSupport(ifMitchell), 2.0f);
}

TEST(ResampleWeights, OnePixelWideSourceUsesTheDestinationWidthAsScale) {
  // Scale 10: column 5 has its centre at 0.5, between pixel 0 and its mirror image.
  ResampleWeights w(1, 10, ifTriangle);
  ASSERT_EQ(w.size(), 10);
  ASSERT_EQ(w.count(5), 2);
  for (const ResampleContribution* c = w.begin(5); c != w.end(5); ++c) {
    EXPECT_EQ(c->index, 0);
    EXPECT_FLOAT_EQ(c->weight, 0.5f);
  }
  ASSERT_EQ(w.count(0), 1);
  EXPECT_FLOAT_EQ(w.begin(0)->weight, 1.0f);
}

TEST(ResampleWeights, EnlargementSharesBetweenNeighbours) {
  // 2 -> 3: scale 2, centres 0, 0.5 and 1.
  ResampleWeights w(2, 3, ifTriangle);
  ASSERT_EQ(w.count(0), 1);
  EXPECT_EQ(w.begin(0)->index, 0);
  ASSERT_EQ(w.count(1), 2);
  EXPECT_EQ(w.begin(1)[0].index, 0);
  EXPECT_FLOAT_EQ(w.begin(1)[0].weight, 0.5f);
  EXPECT_EQ(w.begin(1)[1].index, 1);
  EXPECT_FLOAT_EQ(w.begin(1)[1].weight, 0.5f);
  ASSERT_EQ(w.count(2), 1);
  EXPECT_EQ(w.begin(2)->index, 1);
}

TEST(ResampleWeights, ReductionWidensTheFilterAndMirrorsAtTheEdge) {
  // 4 -> 2: scale 1/3, width 3; column 0 sits on pixel 0: weights f(j / 3) / 3 for j = -2 .. 2,
  // pixels -2 and -1 mirrored to 2 and 1.
  ResampleWeights w(4, 2, ifTriangle);
  ASSERT_EQ(w.count(0), 5);
  const int index[] = {2, 1, 0, 1, 2};
  const float weight[] = {1.0f / 9, 2.0f / 9, 1.0f / 3, 2.0f / 9, 1.0f / 9};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(w.begin(0)[k].index, index[k]);
    EXPECT_NEAR(w.begin(0)[k].weight, weight[k], 1e-6);
  }
}

TEST(ResampleWeights, PixelsMirroredStillOutsideAreLeftOut) {
  // Lanczos over a 2-pixel source reaches pixel -2, whose mirror image 2 is outside too.
  ResampleWeights w(2, 3, ifLanczos3);
  for (int i = 0; i < w.size(); ++i)
    for (const ResampleContribution* c = w.begin(i); c != w.end(i); ++c) {
      EXPECT_GE(c->index, 0);
      EXPECT_LE(c->index, 1);
      EXPECT_NE(c->weight, 0.0f);
    }
}

TEST(ResampleWeights, StrongReductionKeepsEveryContribution) {
  // 1000 -> 10 with Lanczos: lists far longer than a short fixed array; the weights of an
  // inner column add up to about 1.
  ResampleWeights w(1000, 10, ifLanczos3);
  EXPECT_GT(w.max_count(), 300);
  double sum = 0;
  for (const ResampleContribution* c = w.begin(5); c != w.end(5); ++c) sum += c->weight;
  EXPECT_NEAR(sum, 1.0, 0.01);
}

TEST(ResampleWeights, LanczosListsAreTheFormulaWeightForWeight) {
  // The Lanczos values are looked up again for repeated distances (and for a distance's
  // negative): every weight must still be the formula's, bit for bit, in lists long enough for
  // the look-up to matter.
  for (auto [src, dst] : {std::pair{4000, 1000}, std::pair{3000, 750}, std::pair{997, 3001}, std::pair{1000, 7}}) {
    const ResampleWeights w(src, dst, ifLanczos3);
    const float scale = static_cast<float>(static_cast<long double>(dst - 1) / (src - 1));
    const bool reducing = scale < 1.0f;
    const float width = reducing ? static_cast<float>(3.0L / scale) : 3.0f;
    int checked = 0;
    for (int i = 0; i < dst; ++i) {
      const float center = static_cast<float>(static_cast<long double>(i) / scale);
      const ResampleContribution* c = w.begin(i);
      for (long long j = static_cast<long long>(std::floor(static_cast<long double>(center) - width));
           j <= static_cast<long long>(std::ceil(static_cast<long double>(center) + width)); ++j) {
        const long double d = static_cast<long double>(center) - static_cast<long double>(j);
        const float v = reducing ? static_cast<float>(
                                       static_cast<long double>(FilterValue(ifLanczos3, static_cast<float>(d * scale))) * scale)
                                 : FilterValue(ifLanczos3, static_cast<float>(d));
        const long long n = j < 0 ? -j : (j >= src ? 2LL * src - j - 1 : j);
        if (v == 0.0f || n < 0 || n >= src) continue;
        ASSERT_NE(c, w.end(i)) << src << "->" << dst << " at " << i;
        ASSERT_EQ(c->index, n);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(c->weight), std::bit_cast<std::uint32_t>(v)) << src << "->" << dst
                                                                                          << " at " << i << ", " << j;
        ++c;
        ++checked;
      }
      ASSERT_EQ(c, w.end(i));
    }
    EXPECT_GT(checked, 5 * dst);
  }
}

}  // namespace
