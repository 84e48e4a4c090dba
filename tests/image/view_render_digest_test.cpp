// The view's renderings of a photo-like picture as they were before the renderer's speed-ups,
// whole rows with their padding: 100, 200 and 400 % and the fitted height, on odd sizes.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/digest.hpp"
#include "view_test_support.hpp"

using namespace view_test;

namespace {

std::unique_ptr<TDibGraphic> photo(int w, int h) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(w, h, ifTrueColor, nullptr, 96, 96);
  for (int y = 0; y < h; ++y) {
    Byte* row = g->GetScanLine(y);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<Byte>(hw_test::photo_like(x, y, c, w));
  }
  return g;
}

std::uint64_t digest_of(const TDibGraphic& g) {
  hw_test::Digest d;
  d.add_int(g.Width()).add_int(g.Height()).add_int(g.ImageFormat());
  for (int y = 0; y < g.Height(); ++y) d.add(g.GetScanLine(y), static_cast<std::size_t>(g.ScanLineSize()));
  return d.value();
}

const std::map<std::string, std::uint64_t> kStored = {
    {"1001x333@100", 0x9A3620FA5D88DEA2ull},
    {"1001x333@200", 0xB18B8D326A0C4F67ull},
    {"1001x333@400", 0x7DB005B4B4E2D0E2ull},
    {"1001x333@fit", 0xF08BECBD78BF275Bull},
    {"173x97@100", 0x5A82F17175A58953ull},
    {"173x97@200", 0x138944DB52A4B84Full},
    {"173x97@400", 0x32410E632E4436B1ull},
    {"173x97@fit", 0xF011354BA6EAB6C2ull},
    {"641x479@100", 0xC2211E0F193B322Cull},
    {"641x479@200", 0xFD440A62C55A439Aull},
    {"641x479@400", 0x5DEF8ED24BADCD5Bull},
    {"641x479@fit", 0xCF15F0BC2B27DAD8ull},
    {"90x1203@100", 0x5945D5D7C45054A8ull},
    {"90x1203@200", 0x9027B44E090EEA0Dull},
    {"90x1203@400", 0xF6F4A57B526EFD0Dull},
    {"90x1203@fit", 0x11E707BFB4741E05ull},
};

}  // namespace

TEST(ViewRenderDigests, ZoomStepsAndFittedHeight) {
  ViewWindow w(720, 524);
  std::map<std::string, std::uint64_t> got;
  for (auto [pw, ph] : {std::pair{173, 97}, std::pair{641, 479}, std::pair{1001, 333}, std::pair{90, 1203}}) {
    auto g = photo(pw, ph);
    w.view->SetGraphic(g.get());
    const std::string size = std::to_string(pw) + "x" + std::to_string(ph);
    for (int percent : {100, 200, 400}) {
      w.view->SetZoomPercent(static_cast<float>(percent));
      got[size + "@" + std::to_string(percent)] = digest_of(*w.view->DisplayedGraphic());
    }
    w.view->SetZoomMode(zmFitHeight);
    got[size + "@fit"] = digest_of(*w.view->DisplayedGraphic());
  }
  EXPECT_EQ(kStored.size(), got.size());
  for (const auto& [name, value] : got) {
    auto it = kStored.find(name);
    if (it == kStored.end()) ADD_FAILURE() << "no stored digest: {\"" << name << "\", " << hw_test::hex64(value) << "ull},";
    else EXPECT_EQ(hw_test::hex64(it->second), hw_test::hex64(value)) << name;
  }
}
