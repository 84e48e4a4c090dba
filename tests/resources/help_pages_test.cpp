#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/glyphs.hpp"
#include "resources/help_pages.hpp"

namespace {

constexpr std::uint32_t kWindowColour = 0x00524B48;

bool accent_like(std::uint32_t c) {
  const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return r > 200 && g > 140 && g < 215 && b < 130;
}

int count_in(const Raster24& r, const HelpLink& l, bool (*pred)(std::uint32_t)) {
  int n = 0;
  for (int y = l.top; y < l.top + l.height; ++y)
    for (int x = l.left; x < l.left + l.width; ++x) n += pred(r.colour(x, y));
  return n;
}

}  // namespace

TEST(HelpPages, EightPagesOfTheirSizes) {
  const std::vector<std::string> names = help_page_names();
  EXPECT_EQ(names, (std::vector<std::string>{"Image1", "Image2", "Image3", "Image4", "Image7", "Image8", "Image9", "Image11"}));
  for (const std::string& n : names) {
    const Raster24 p = make_help_page(n);
    EXPECT_EQ(p.width, n == "Image7" ? 497 : 486) << n;
    EXPECT_EQ(p.height, n == "Image7" ? 449 : 454) << n;
  }
  for (const char* bad : {"Image5", "Image6", "Image10", "Image12", "image1", ""})
    EXPECT_THROW(make_help_page(bad), std::invalid_argument) << bad;
}

TEST(HelpPages, TextOnTheWindowColourWithTheLogoCornerFree) {
  std::set<std::vector<std::uint8_t>> distinct;
  for (const std::string& n : help_page_names()) {
    SCOPED_TRACE(n);
    const Raster24 p = make_help_page(n);
    EXPECT_EQ(p.colour(0, 0), kWindowColour);
    EXPECT_EQ(p.colour(p.width - 1, 300), kWindowColour);
    long background = 0, light = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const std::uint32_t c = p.colour(x, y);
        background += c == kWindowColour;
        light += (c & 0xFF) > 190 && ((c >> 8) & 0xFF) > 190 && ((c >> 16) & 0xFF) > 190;
      }
    EXPECT_GT(background, static_cast<long>(p.width) * p.height / 2) << "a dark page";
    EXPECT_GT(light, 3000) << "with a good deal of light text";
    // Nothing under the logo, which the window lays over the bottom right corner.
    for (int y = 424; y < 449; ++y)
      for (int x = 462; x < std::min(487, p.width); ++x) ASSERT_EQ(p.colour(x, y), kWindowColour) << x << "," << y;
    distinct.insert(p.bgr);
  }
  EXPECT_EQ(distinct.size(), help_page_names().size());
}

TEST(HelpPages, LinksMarkTheHotSpots) {
  for (const char* n : {"Image1", "Image8"}) EXPECT_GT(count_in(make_help_page(n), kHelpLinkToGrid, accent_like), 200) << n;
  EXPECT_GT(count_in(make_help_page("Image4"), kHelpLinkToDetails, accent_like), 300);
  for (const char* n : {"Image2", "Image3", "Image9", "Image11"}) {
    const Raster24 p = make_help_page(n);
    EXPECT_EQ(count_in(p, kHelpLinkToGrid, accent_like), 0) << n;
    EXPECT_EQ(count_in(p, kHelpLinkToDetails, accent_like), 0) << n;
  }
}

TEST(HelpPages, LogoIsASmallTransparentColourRing) {
  TColor key = 0;
  const Raster24 logo = make_help_logo(key);
  ASSERT_EQ(logo.width, 25);
  ASSERT_EQ(logo.height, 25);
  const auto k = static_cast<std::uint32_t>(key);
  EXPECT_EQ(logo.colour(0, 0), k);
  EXPECT_EQ(logo.colour(24, 24), k);
  EXPECT_NE(logo.colour(12, 12), k);
  std::set<std::uint32_t> colours;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 25; ++x) colours.insert(logo.colour(x, y));
  EXPECT_GE(colours.size(), 10u);
}
