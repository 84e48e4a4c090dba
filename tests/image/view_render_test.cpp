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
    if (std::memcmp(a.GetScanLine(y), b.GetScanLine(y), static_cast<size_t>(a.Width()) * 3) != 0) return false;
  return true;
}

}  // namespace

TEST(ViewRender, WholeZoomsGiveWhatTheResizeTransformGives) {
  // Small pictures stretch by the nearest pixel, larger ones by area averaging: both agree.
  for (auto [w, h] : {std::pair{1, 3}, std::pair{2, 1}, std::pair{7, 5}, std::pair{53, 41}}) {
    auto source = make_picture(w, h, 4);
    source->SetXDotsPerInch(150);
    for (int k : {1, 2, 3, 4}) {
      TDibGraphic fast;
      ASSERT_TRUE(render_whole_zoom(*source, fast, w * k, h * k)) << k;
      auto slow = by_transform(*source, w * k, h * k);
      EXPECT_TRUE(same_bits(fast, *slow)) << w << "x" << h << " at " << k;
      EXPECT_EQ(fast.XDotsPerInch(), slow->XDotsPerInch());
    }
  }
}

TEST(ViewRender, OtherZoomsAndFormatsAreLeftToTheTransform) {
  auto source = make_picture(10, 8);
  TDibGraphic dest;
  EXPECT_FALSE(render_whole_zoom(*source, dest, 15, 12));  // 150 %
  EXPECT_FALSE(render_whole_zoom(*source, dest, 20, 24));  // unequal factors
  EXPECT_FALSE(render_whole_zoom(*source, dest, 5, 4));    // smaller
  TDibGraphic grey;
  grey.NewImage(10, 8, ifGray256, nullptr, 0, 0);
  EXPECT_FALSE(render_whole_zoom(grey, dest, 20, 16));
  TDibGraphic empty;
  EXPECT_FALSE(render_whole_zoom(empty, dest, 20, 16));
  EXPECT_TRUE(dest.Empty());
}

TEST(ViewRender, LargeWholeZoomsMatchTooAcrossBands) {
  auto source = make_picture(700, 500, 2);
  TDibGraphic fast;
  ASSERT_TRUE(render_whole_zoom(*source, fast, 2100, 1500));
  EXPECT_TRUE(same_bits(fast, *by_transform(*source, 2100, 1500)));
}
