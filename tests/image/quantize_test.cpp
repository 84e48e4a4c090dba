#include "image/quantize.hpp"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

#include "image/dib_graphic.hpp"
#include "transform_test_pictures.hpp"

using namespace transform_test;

namespace {

struct Rgb3 {
  int r, g, b;
  friend bool operator<(const Rgb3& a, const Rgb3& c) { return std::tie(a.r, a.g, a.b) < std::tie(c.r, c.g, c.b); }
  friend bool operator==(const Rgb3&, const Rgb3&) = default;
};

// A true-colour picture holding each colour as often as asked, row by row, `w` pixels wide.
void picture_of(TDibGraphic& p, const std::vector<std::pair<Rgb3, int>>& colours, int w = 64) {
  int total = 0;
  for (auto& c : colours) total += c.second;
  const int h = (total + w - 1) / w;
  p.NewImage(w, h, ifTrueColor, nullptr, 96, 96);
  int i = 0;
  const Rgb3 fill = colours.front().first;
  for (auto& c : colours)
    for (int k = 0; k < c.second; ++k, ++i) p.SetPixel(i % w, i / w, Rgb(Byte(c.first.r), Byte(c.first.g), Byte(c.first.b)));
  // The rest of the last row repeats the first colour.
  for (; i < w * h; ++i) p.SetPixel(i % w, i / w, Rgb(Byte(fill.r), Byte(fill.g), Byte(fill.b)));
}

// The colour of key k, as the palette holds it.
Rgb3 key_colour(int r5, int g5, int b5) { return {r5 * 8, g5 * 8, b5 * 8}; }

Rgb3 entry(const TMaxLogPalette& p, int i) {
  return {p.palPalEntry[i].peRed, p.palPalEntry[i].peGreen, p.palPalEntry[i].peBlue};
}

TMaxLogPalette quantize(TDibGraphic& p, int max_colors) {
  TMaxLogPalette pal;
  int last = 255;
  QuantizeColors(p, pal, max_colors, last, nullptr);
  return pal;
}

TEST(Quantize, FarthestColoursByHand) {
  // Four keys, each common: white-ish first, then the farthest from it (black), then the
  // smallest sum of 2^30 div d^2 to both: blue (8729 + 17458) before grey (24855 + 21845).
  TDibGraphic p;
  picture_of(p, {{{0, 0, 0}, 5}, {{255, 255, 255}, 5}, {{128, 128, 128}, 5}, {{0, 0, 255}, 5}});
  TMaxLogPalette pal = quantize(p, 3);
  EXPECT_EQ(pal.palVersion, 0x300);
  ASSERT_EQ(pal.palNumEntries, 3);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 248, 248}));
  EXPECT_EQ(entry(pal, 1), (Rgb3{0, 0, 0}));
  EXPECT_EQ(entry(pal, 2), (Rgb3{0, 0, 248}));
  EXPECT_EQ(entry(pal, 3), (Rgb3{0, 0, 0}));  // the rest stays zero
  // The sums of the third choice, from the formula.
  EXPECT_EQ((1 << 30) / (3 * 120 * 120) + (1 << 30) / (3 * 128 * 128), 24855 + 21845);
  EXPECT_EQ((1 << 30) / (2 * 248 * 248) + (1 << 30) / (248 * 248), 8729 + 17458);
}

TEST(Quantize, AsManyKeysAsColoursKeepsKeyOrder) {
  TDibGraphic p;
  picture_of(p, {{{255, 0, 0}, 3}, {{0, 255, 0}, 3}, {{0, 0, 255}, 3}, {{17, 17, 17}, 3}});
  TMaxLogPalette pal = quantize(p, 4);
  ASSERT_EQ(pal.palNumEntries, 4);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 0, 0}));    // key 31
  EXPECT_EQ(entry(pal, 1), (Rgb3{0, 248, 0}));    // key 992
  EXPECT_EQ(entry(pal, 2), (Rgb3{16, 16, 16}));   // key 2 + 2 * 32 + 2 * 1024
  EXPECT_EQ(entry(pal, 3), (Rgb3{0, 0, 248}));    // key 31744
}

TEST(Quantize, RareColoursStillMakeAPalette) {
  // Every colour once: none passes the threshold, so every key seen is a candidate, and the
  // count is the number of keys.
  TDibGraphic p;
  p.NewImage(16, 1, ifTrueColor, nullptr, 96, 96);
  for (int i = 0; i < 16; ++i) p.SetPixel(i, 0, Rgb(Byte(i * 8), Byte((31 - i) * 8), Byte(i / 2 * 8)));
  TMaxLogPalette pal = quantize(p, 256);
  ASSERT_EQ(pal.palNumEntries, 16);
  std::set<Rgb3> got, want;
  for (int i = 0; i < 16; ++i) {
    got.insert(entry(pal, i));
    want.insert(key_colour(i, 31 - i, i / 2));
  }
  EXPECT_EQ(got, want);
  // Two colours wanted of sixteen rare ones: chosen among all of them.
  TMaxLogPalette two = quantize(p, 2);
  ASSERT_EQ(two.palNumEntries, 2);
  EXPECT_NE(entry(two, 0), entry(two, 1));
}

TEST(Quantize, OnlyKeysAboveTheThresholdAreCandidates) {
  // Three keys counted 3 times pass threshold 2; white and grey, counted once, do not, though
  // fewer keys pass than colours are wanted.
  TDibGraphic p;
  picture_of(p, {{{255, 0, 0}, 3}, {{0, 255, 0}, 3}, {{0, 0, 255}, 3}, {{255, 255, 255}, 1}, {{128, 128, 128}, 1}});
  // The last row is filled up with red: still 5 distinct keys.
  TMaxLogPalette pal = quantize(p, 256);
  ASSERT_EQ(pal.palNumEntries, 3);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 0, 0}));
  EXPECT_EQ(entry(pal, 1), (Rgb3{0, 248, 0}));
  EXPECT_EQ(entry(pal, 2), (Rgb3{0, 0, 248}));
  // Two of them wanted: chosen among the three only. All are equally far from white, so the
  // earliest (red) comes first; green and blue are equally far from red, so the earlier stays.
  pal = quantize(p, 2);
  ASSERT_EQ(pal.palNumEntries, 2);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 0, 0}));
  EXPECT_EQ(entry(pal, 1), (Rgb3{0, 248, 0}));
}

TEST(Quantize, OneColourPicture) {
  TDibGraphic p;
  p.NewImage(3, 3, ifGray16, nullptr, 96, 96);
  p.Fill(Rgb(0, 0, 0));
  TMaxLogPalette pal = quantize(p, 16);
  ASSERT_EQ(pal.palNumEntries, 1);
  EXPECT_EQ(entry(pal, 0), (Rgb3{0, 0, 0}));
}

// 300 common keys (`times` times each) in a dark corner, and `rare` keys once each elsewhere,
// with white among them.
void threshold_picture(TDibGraphic& p, int rare, int times = 3) {
  std::vector<std::pair<Rgb3, int>> colours;
  for (int r = 0; r < 10; ++r)
    for (int g = 0; g < 30; ++g) colours.push_back({key_colour(r, g, 0), times});
  colours.push_back({key_colour(31, 31, 31), 1});
  int added = 1;
  for (int b = 1; b < 32 && added < rare; ++b)
    for (int g = 0; g < 32 && added < rare; ++g)
      for (int r = 10; r < 32 && added < rare; ++r) {
        if (r == 31 && g == 31 && b == 31) continue;
        colours.push_back({key_colour(r, g, b), 1});
        ++added;
      }
  // As wide as a divisor of the pixel count, so that no row is filled up with extra pixels of
  // one colour (which would lift that key over the threshold).
  int total = 0;
  for (auto& c : colours) total += c.second;
  int w = 64;
  while (total % w != 0) --w;
  ASSERT_GT(w, 16);
  picture_of(p, colours, w);
}

TEST(Quantize, ThresholdRisesAt1250And2500And5000DistinctKeys) {
  // 1249 keys: threshold 2, the 300 common keys are the candidates and white is not one.
  TDibGraphic p;
  threshold_picture(p, 949);
  TMaxLogPalette pal = quantize(p, 256);
  ASSERT_EQ(pal.palNumEntries, 256);
  for (int i = 0; i < 256; ++i) {
    EXPECT_LT(entry(pal, i).r, 80) << i;
    EXPECT_EQ(entry(pal, i).b, 0) << i;
  }
  // 1250 keys: threshold 5, no key passes, every key seen competes and white comes first.
  threshold_picture(p, 950);
  pal = quantize(p, 256);
  ASSERT_EQ(pal.palNumEntries, 256);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 248, 248}));
  // Common keys counted 6 times: with 2499 keys (threshold 5) they are the candidates, with
  // 2500 (threshold 10) none passes and white comes first again.
  threshold_picture(p, 2199, 6);
  pal = quantize(p, 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(entry(pal, i).b, 0) << i;
  threshold_picture(p, 2200, 6);
  pal = quantize(p, 256);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 248, 248}));
  // Counted 11 times: with 4999 keys (threshold 10) they are the candidates, with 5000
  // (threshold 15) none passes.
  threshold_picture(p, 4699, 11);
  pal = quantize(p, 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(entry(pal, i).b, 0) << i;
  threshold_picture(p, 4700, 11);
  pal = quantize(p, 256);
  EXPECT_EQ(entry(pal, 0), (Rgb3{248, 248, 248}));
}

TEST(Quantize, KeyCountedTwiceIsNoCandidateAtThreshold2) {
  TDibGraphic p;
  std::vector<std::pair<Rgb3, int>> colours;
  for (int i = 0; i < 260; ++i) colours.push_back({key_colour(i % 16, i / 16, 0), 3});
  colours.push_back({key_colour(31, 31, 31), 2});
  picture_of(p, colours);
  TMaxLogPalette pal = quantize(p, 256);
  ASSERT_EQ(pal.palNumEntries, 256);
  for (int i = 0; i < 256; ++i) EXPECT_NE(entry(pal, i), (Rgb3{248, 248, 248}));
}

TEST(Quantize, AtMost256ColoursAndProgress) {
  TDibGraphic p;
  new_random(p, 200, 200, ifTrueColor, 3);
  TMaxLogPalette pal;
  int last = 255;
  ProgressLog log;
  QuantizeColors(p, pal, 1000, last, log.handler());
  EXPECT_EQ(pal.palNumEntries, 256);
  std::set<Rgb3> distinct;
  for (int i = 0; i < 256; ++i) distinct.insert(entry(pal, i));
  EXPECT_EQ(distinct.size(), 256u);
  ASSERT_FALSE(log.percents.empty());
  EXPECT_EQ(log.percents.front(), 0);
  EXPECT_EQ(log.percents.back(), 99);  // the last step is 255 of 256
  EXPECT_EQ(last, 99);
}

}  // namespace
