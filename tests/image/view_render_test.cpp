#include <gtest/gtest.h>

#include <cstring>

#include "image/resize_transform.hpp"
#include "image/view_render.hpp"
#include "view_test_support.hpp"

using namespace view_test;

namespace {

// The picture the resize transform makes, as the view sets it up.
std::unique_ptr<TDibGraphic> by_transform(TDibGraphic& source, int w, int h) {
  TResizeTransform t;
  t.SetWidth(w);
  t.SetHeight(h);
  t.SetOverrideDestFormat(true);
  t.SetDestFormat(source.ImageFormat());
  auto out = std::make_unique<TDibGraphic>();
  t.ApplyOnDest(source, *out);
  return out;
}

bool same_bits(const TDibGraphic& a, const TDibGraphic& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.ImageFormat() != b.ImageFormat()) return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.GetScanLine(y), b.GetScanLine(y), static_cast<size_t>(a.ScanLineSize())) != 0) return false;
  return true;
}

}  // namespace

TEST(ViewRender, EnlargementsGiveWhatTheResizeTransformGives) {
  // Small pictures stretch by the nearest pixel, larger ones by area averaging: both agree, at
  // whole factors and between them, unequal ones too, in the vector code and the plain one.
  // 40 x 30 at 5/2, 21/10 and 386/100 has small units on both sides (16-bit lanes).
  const std::pair<int, int> factors[] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {7, 5}, {386, 100}, {5, 3}, {13, 4}, {5, 2}, {21, 10}};
  for (bool plain : {false, true}) {
    render_enlarged_use_plain_code(plain);
    for (auto [w, h] : {std::pair{1, 3}, std::pair{2, 1}, std::pair{7, 5}, std::pair{31, 33}, std::pair{53, 41}, std::pair{40, 30}}) {
      auto source = make_picture(w, h, 4);
      source->SetXDotsPerInch(150);
      for (auto [a, b] : factors)
        for (auto [c, d] : {std::pair{a, b}, std::pair{3, 2}}) {
          const int dw = w * a / b, dh = h * c / d;
          TDibGraphic fast;
          ASSERT_TRUE(render_enlarged(*source, fast, dw, dh));
          auto slow = by_transform(*source, dw, dh);
          ASSERT_TRUE(same_bits(fast, *slow)) << w << "x" << h << " to " << dw << "x" << dh << (plain ? " plain" : "");
          EXPECT_EQ(fast.XDotsPerInch(), slow->XDotsPerInch());
        }
    }
  }
  render_enlarged_use_plain_code(false);
}

TEST(ViewRender, OtherSizesAndFormatsAreLeftToTheTransform) {
  auto source = make_picture(10, 8);
  TDibGraphic dest;
  EXPECT_FALSE(render_enlarged(*source, dest, 5, 4));   // smaller
  EXPECT_FALSE(render_enlarged(*source, dest, 20, 7));  // smaller on one side
  TDibGraphic grey;
  grey.NewImage(10, 8, ifGray256, nullptr, 0, 0);
  EXPECT_FALSE(render_enlarged(grey, dest, 20, 16));
  TDibGraphic empty;
  EXPECT_FALSE(render_enlarged(empty, dest, 20, 16));
  EXPECT_TRUE(dest.Empty());
}

TEST(ViewRender, LargeEnlargementsMatchTooAcrossBands) {
  auto source = make_picture(700, 500, 2);
  for (auto [w, h] : {std::pair{2100, 1500}, std::pair{1733, 1241}}) {
    TDibGraphic fast;
    ASSERT_TRUE(render_enlarged(*source, fast, w, h));
    EXPECT_TRUE(same_bits(fast, *by_transform(*source, w, h))) << w;
  }
}
