#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "resources/paintings.hpp"

namespace {

struct Expected {
  const char* name;
  const char* thumbnail;
  int w, h;
  const char* colours;  // sixteen hex texts, slot 1 first
};

// The example palettes and painting sizes as the window lists them.
const Expected kExpected[10] = {
    {"Norvando", "imgNorvandopic", 834, 524, "CFB381 966638 78451A 632006 D9986E F5E2C2 BEB78D 768252 40492C 4E5E53 859A8B 878973 463A0A 693D16 A88B4F 433C29"},
    {"Pellowin", "imgPellowinpic", 760, 524, "5E101D 603D21 8A5B13 562D27 734D36 BE9523 836C4C DAD0B5 626C30 516623 4D5621 3D3E12 303F3A 476182 8094AF 262E3B"},
    {"Brimsa", "imgBrimsapic", 720, 531, "865535 958236 857252 999275 C4C4A2 DFDE9E DCE8E4 B9B9B1 9C9D95 BAC5CB B0B5B1 9FA2A7 929DB9 8695A8 73819C 5D6B92"},
    {"Velbrin", "imgVelbrinpic", 1101, 524, "58361D 6C350C 7D5124 8D6B00 C4AA3B 788847 5D7A4C 495831 90B7B6 527E9B 497EC2 205797 14324E 0D1F37 332F14 1C2A07"},
    {"Dravost", "imgDravostpic", 720, 529, "58403C B14A37 D36647 D38D5C D5A55D B59296 BFC1BE 8EA19D 4C6967 435853 17403C 1C5657 234850 223D44 112E2C 201F1A"},
    {"Quenlor", "imgQuenlorpic", 720, 575, "201212 621622 9D2526 DD3A2B DE9B88 F9A660 E9AF41 F9E769 E9ECE5 AE8945 869E90 89AC68 2F443F 394987 6674A3 7B89AC"},
    {"Orlat", "imgOrlatpic", 1122, 524, "583F03 A28489 CC95AA AE8DA5 8D8873 DACD9E FDF2E0 939059 868435 4D581D 44577F 5A6389 7A7D9D 9388AB 8E959E 47514B"},
    {"Ruskavy", "imgRuskavypic", 720, 546, "76332D 974E40 AF664E 808D76 706F59 858587 574B4F 47383D 1F408F 1E3B5C 364E74 7D96D0 A1C0DC 708286 4A5B5E 122C31"},
    {"Falvestri", "imgFalvestripic", 720, 586, "3B4956 455F7A 5773A3 557AA6 5F84AE 7490A5 9FA8A5 709873 A09B7D AE9F5A B49755 B88C81 906262 504B48 55636C 71828C"},
    {"Tambrel", "imgTambrelpic", 778, 524, "A31A12 D1081A EB2B1E E96B16 F39406 F7AA10 8DB226 36A636 4C9732 6F8010 897E12 BA7E42 A47040 895837 5B5928 41310D"},
};

// RRGGBB text to the raster's 0x00BBGGRR value.
std::uint32_t colour_of(const std::string& hex) {
  const unsigned v = static_cast<unsigned>(std::stoul(hex, nullptr, 16));
  return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

}  // namespace

TEST(Paintings, TableHoldsTheTenPaletteAndSizes) {
  ASSERT_EQ(painters().size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    const Painter& p = painters()[i];
    SCOPED_TRACE(kExpected[i].name);
    EXPECT_STREQ(p.name, kExpected[i].name);
    EXPECT_STREQ(p.thumbnail, kExpected[i].thumbnail);
    EXPECT_EQ(p.width, kExpected[i].w);
    EXPECT_EQ(p.height, kExpected[i].h);
    std::string joined;
    for (const char* c : p.colours) joined += std::string(joined.empty() ? "" : " ") + c;
    EXPECT_EQ(joined, kExpected[i].colours);
    EXPECT_EQ(&painter(p.name), &p);
  }
  EXPECT_THROW(painter("Nobody"), std::invalid_argument);
  EXPECT_THROW(painter("norvando"), std::invalid_argument);
}

TEST(Paintings, CaptionsNamePainterTitleAndYear) {
  std::set<std::string> titles;
  for (const Painter& p : painters()) {
    const std::string c = painting_caption(p);
    EXPECT_EQ(c.rfind(p.name, 0), 0u) << c;
    EXPECT_NE(c.find(p.title), std::string::npos) << c;
    EXPECT_NE(c.find(std::to_string(p.year)), std::string::npos) << c;
    EXPECT_GE(p.year, 1800);
    EXPECT_LE(p.year, 1960);
    EXPECT_LE(c.size(), 40u) << "fits beside the thumbnail";
    titles.insert(p.title);
  }
  EXPECT_EQ(titles.size(), 10u);
}

TEST(Paintings, EachIsAStudyOfAllSixteenColoursAtItsSize) {
  for (const Painter& p : painters()) {
    SCOPED_TRACE(p.name);
    const Raster24 r = make_painting(p);
    ASSERT_EQ(r.width, p.width);
    ASSERT_EQ(r.height, p.height);
    std::map<std::uint32_t, long> count;
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) ++count[r.colour(x, y)];
    long in_palette = 0;
    for (const char* hex : p.colours) {
      const long n = count[colour_of(hex)];
      EXPECT_GE(n, 300) << hex << " covers too little";
      in_palette += n;
    }
    // Flat regions of the sixteen colours; only their edges are blended.
    EXPECT_GT(in_palette, static_cast<long>(r.width) * r.height * 85 / 100);
  }
}

TEST(Paintings, SameOnEveryRunAndDifferentPerPainter) {
  const Raster24 a = make_painting(painter("Brimsa"));
  EXPECT_EQ(a.bgr, make_painting(painter("Brimsa")).bgr);
  // Two paintings of one size differ in most pixels.
  const Raster24 b = make_painting(painter("Ruskavy"));
  const Raster24 c = make_painting(painter("Falvestri"));
  const Raster24 d = make_painting(painter("Quenlor"));
  ASSERT_EQ(b.width, d.width);
  const int rows = std::min(b.height, d.height);
  long diff = 0;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < b.width; ++x) diff += b.colour(x, y) != d.colour(x, y);
  EXPECT_GT(diff, static_cast<long>(b.width) * rows * 9 / 10);
  EXPECT_NE(c.bgr, d.bgr);
  Painter stranger = painters()[0];
  stranger.name = "Stranger";
  EXPECT_THROW(make_painting(stranger), std::invalid_argument);
}
