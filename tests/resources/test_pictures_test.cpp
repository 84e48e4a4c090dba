#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>

#include "resources/test_pictures.hpp"

namespace {

using Points = std::array<std::pair<int, int>, 16>;

// Where palette sampling reads a shown test picture (client points of the view at 100 %, picture
// at the top left, so point (x, y) is pixel (x, y)), in slot order.
constexpr Points kPointsOfFirst = {{{294, 355}, {658, 103}, {600, 129}, {629, 171}, {616, 186}, {602, 191},
                                    {565, 197}, {700, 249}, {342, 234}, {562, 252}, {392, 284}, {51, 186},
                                    {60, 233}, {69, 313}, {174, 361}, {580, 476}}};
constexpr Points kPointsOfSecond = {{{520, 88}, {613, 94}, {677, 140}, {542, 166}, {573, 161}, {542, 217},
                                     {425, 223}, {585, 297}, {565, 338}, {643, 399}, {618, 419}, {621, 437},
                                     {314, 450}, {338, 460}, {244, 487}, {356, 496}}};
constexpr std::array<int, 16> kRanked = {241, 232, 215, 199, 183, 168, 151, 134, 118, 104, 87, 71, 55, 39, 24, 5};

// Every pixel within `r` of the point (a square) shows the marker.
void expect_region(const TestPicture& p, std::pair<int, int> pt, int marker, int r, int k) {
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) {
      const int x = pt.first + dx, y = pt.second + dy;
      if (x < 0 || y < 0 || x >= p.width || y >= p.height) continue;
      if (p.marker_at(x, y) != marker) {
        ADD_FAILURE() << "point " << k + 1 << " (" << pt.first << ", " << pt.second << "): pixel (" << x << ", " << y
                      << ") is " << p.marker_at(x, y) << ", not " << marker;
        return;
      }
    }
}

void expect_sixteen_greys(const TestPicture& p, const std::array<int, 16>& order) {
  ASSERT_EQ(p.width, 720);
  ASSERT_EQ(p.height, 524);
  ASSERT_EQ(p.indices.size(), 720u * 524u);
  for (size_t i = 0; i < 16; ++i) {
    const std::uint32_t c = static_cast<std::uint32_t>(p.palette[i]);
    EXPECT_EQ(GetRValue(c), order[i]) << "palette entry " << i;
    EXPECT_EQ(GetGValue(c), GetRValue(c));
    EXPECT_EQ(GetBValue(c), GetRValue(c));
    EXPECT_EQ(c >> 24, 0u);
  }
  std::set<int> used;
  for (std::uint8_t v : p.indices) {
    ASSERT_LT(v, 16);
    used.insert(v);
  }
  EXPECT_EQ(used.size(), 16u) << "every marker appears in the picture";
}

}  // namespace

TEST(TestPictures, FirstCarriesItsPaletteAndAllMarkers) {
  expect_sixteen_greys(make_test_picture("imgPicTest"), {5, 24, 55, 39, 168, 71, 87, 134, 151, 183, 199, 215, 232, 118, 104, 241});
}

TEST(TestPictures, SecondCarriesItsPaletteAndAllMarkers) {
  expect_sixteen_greys(make_test_picture("imgPicTest1"), {5, 39, 87, 24, 55, 71, 104, 118, 151, 134, 183, 168, 199, 215, 241, 232});
}

TEST(TestPictures, SamplePointsOfTheSecondReadTheMarkersInRank) {
  const TestPicture p = make_test_picture("imgPicTest1");
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(p.marker_at(kPointsOfSecond[k].first, kPointsOfSecond[k].second), kRanked[k]) << "point " << k + 1;
    expect_region(p, kPointsOfSecond[k], kRanked[k], 5, k);
  }
}

TEST(TestPictures, SamplePointsOfTheFirstReadTheMarkersInRankButTheFifteenth) {
  const TestPicture p = make_test_picture("imgPicTest");
  for (int k = 0; k < 16; ++k) {
    const int want = k == 14 ? 55 : kRanked[k];  // the fifteenth point lies on marker 55
    EXPECT_EQ(p.marker_at(kPointsOfFirst[k].first, kPointsOfFirst[k].second), want) << "point " << k + 1;
    expect_region(p, kPointsOfFirst[k], want, 5, k);
  }
}

TEST(TestPictures, MarkersFormLargeRegions) {
  // A flat composition: each marker covers a sizeable share, and most pixels have the same
  // marker as their right-hand neighbour.
  for (const char* name : {"imgPicTest", "imgPicTest1"}) {
    const TestPicture p = make_test_picture(name);
    std::array<long, 16> count{};
    long same = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        ++count[p.index_at(x, y)];
        if (x + 1 < p.width && p.index_at(x, y) == p.index_at(x + 1, y)) ++same;
      }
    for (int i = 0; i < 16; ++i) EXPECT_GE(count[static_cast<size_t>(i)], 150) << name << " palette entry " << i;
    EXPECT_GT(same, static_cast<long>(p.height) * (p.width - 1) * 97 / 100) << name;
  }
}

TEST(TestPictures, TheTwoDifferAndUnknownNamesAreRefused) {
  EXPECT_NE(make_test_picture("imgPicTest").indices, make_test_picture("imgPicTest1").indices);
  EXPECT_THROW(make_test_picture("imgPicTest2"), std::invalid_argument);
  EXPECT_THROW(make_test_picture(""), std::invalid_argument);
}
