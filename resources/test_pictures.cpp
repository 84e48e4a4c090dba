#include "resources/test_pictures.hpp"

#include <cmath>
#include <stdexcept>
#include <string>

#include "resources/index_canvas.hpp"

namespace {

// Palette orders of the two pictures, as grey levels.
constexpr std::array<int, 16> kStillLifeOrder = {5, 24, 55, 39, 168, 71, 87, 134, 151, 183, 199, 215, 232, 118, 104, 241};
constexpr std::array<int, 16> kLandscapeOrder = {5, 39, 87, 24, 55, 71, 104, 118, 151, 134, 183, 168, 199, 215, 241, 232};

// A flower of five round petals around a heart.
void flower(IndexCanvas& c, double cx, double cy, double r, std::uint8_t petal, std::uint8_t heart) {
  for (int i = 0; i < 5; ++i) {
    const double a = (i * 72.0 - 90.0) * 3.14159265358979 / 180.0;
    c.ellipse(cx + 0.55 * r * std::cos(a), cy + 0.55 * r * std::sin(a), 0.5 * r, 0.5 * r, petal);
  }
  c.ellipse(cx, cy, 0.62 * r, 0.62 * r, petal);
  c.ellipse(cx, cy, 0.22 * r, 0.22 * r, heart);
}

// A wall, a table with a drawer, a stack of books, an apple, a cup on its saucer, a vase of
// flowers and a bottle.
IndexCanvas still_life() {
  IndexCanvas c(kTestPictureWidth, kTestPictureHeight, 118);  // wall
  // A framed picture on the wall.
  c.rect(186, 46, 330, 186, 71);
  c.rect(196, 56, 320, 176, 199);
  c.rect(208, 68, 308, 164, 151);
  c.polygon({{208, 164}, {238, 118}, {262, 140}, {286, 104}, {308, 130}, {308, 164}}, 104);
  c.ellipse(236, 92, 10, 10, 232);
  // Skirting of light on the wall behind the table.
  c.rect(0, 250, 720, 262, 134);
  // Table top and front with a drawer.
  c.rect(0, 262, 720, 440, 87);
  c.rect(0, 440, 720, 524, 5);
  c.rect(0, 440, 720, 446, 39);
  c.rect(196, 458, 424, 462, 24);
  c.rect(196, 496, 424, 500, 24);
  c.rect(196, 458, 200, 500, 24);
  c.rect(420, 458, 424, 500, 24);
  c.ellipse(310, 479, 7, 5, 39);
  // Books, bottom to top, each with a band on its spine.
  c.ellipse(70, 347, 74, 8, 24);  // shadow
  c.rect(6, 290, 132, 345, 39);
  c.rect(100, 290, 108, 345, 87);
  c.rect(14, 258, 122, 290, 151);
  c.rect(92, 258, 98, 290, 215);
  c.rect(4, 212, 118, 258, 55);
  c.rect(96, 212, 104, 258, 134);
  c.rect(18, 166, 128, 212, 71);
  c.rect(104, 166, 110, 212, 183);
  c.rect(10, 140, 110, 166, 199);
  c.rect(86, 140, 92, 166, 104);
  // The apple with its shadow, stalk and leaf.
  c.ellipse(182, 392, 38, 7, 24);
  c.ellipse(176, 360, 30, 30, 55);
  c.ellipse(164, 346, 6, 4, 134);
  c.line(177, 331, 181, 318, 3, 24);
  c.ellipse(190, 320, 9, 4, 104);
  // Cup on its saucer.
  c.ellipse(300, 396, 60, 10, 24);
  c.ellipse(296, 392, 54, 11, 232);
  c.ellipse(340, 352, 17, 17, 241);
  c.ellipse(340, 352, 9, 9, 87);
  c.rect(262, 318, 328, 380, 241);
  c.ellipse(295, 380, 33, 12, 241);
  c.rect(316, 322, 328, 380, 215);
  c.ellipse(295, 318, 33, 8, 215);
  c.ellipse(295, 318, 28, 5, 71);
  // Bottle at the right edge.
  c.ellipse(700, 332, 30, 6, 24);
  c.rect(678, 200, 722, 330, 134);
  c.ellipse(699, 200, 21, 14, 134);
  c.rect(690, 136, 708, 200, 134);
  c.rect(688, 130, 710, 140, 71);
  c.rect(680, 272, 722, 302, 232);
  c.rect(684, 208, 690, 262, 168);
  // Vase with its shadow, stems and leaves, then the flowers.
  c.ellipse(572, 306, 46, 8, 24);
  c.line(566, 212, 658, 115, 3, 24);
  c.line(566, 212, 600, 139, 3, 24);
  c.line(566, 212, 629, 170, 3, 24);
  c.line(566, 212, 617, 187, 3, 24);
  c.line(566, 212, 600, 194, 3, 24);
  c.line(566, 212, 564, 194, 3, 24);
  c.ellipse(584, 203, 9, 3.5, 39);
  c.ellipse(549, 199, 9, 3.5, 39);
  c.ellipse(566, 262, 36, 44, 104);
  c.rect(552, 206, 580, 230, 104);
  c.ellipse(566, 206, 16, 4, 87);
  c.ellipse(546, 250, 5, 18, 118);
  flower(c, 658, 115, 22, 232, 39);
  flower(c, 600, 139, 18, 215, 71);
  c.ellipse(617, 187, 10, 10, 183);
  c.ellipse(629, 170, 12, 12, 199);
  c.ellipse(600, 194, 11, 11, 168);
  c.ellipse(564, 194, 12, 12, 151);
  return c;
}

// Sun, banded sky, two mountain ranges, hills with cypresses, fields, a meadow with a cottage and
// a tree, a bush and a rock in the dark foreground.
IndexCanvas landscape() {
  IndexCanvas c(kTestPictureWidth, kTestPictureHeight, 232);  // sky
  c.rect(0, 120, 720, 524, 215);                               // haze near the horizon
  c.rect(0, 34, 720, 40, 241);                                 // thin light bands in the sky
  c.rect(0, 150, 720, 154, 232);
  c.ellipse(520, 88, 26, 26, 241);                             // sun
  c.ellipse(150, 70, 46, 9, 241);                              // clouds
  c.ellipse(190, 62, 30, 10, 241);
  c.ellipse(330, 100, 34, 7, 241);
  // Birds.
  c.line(392, 70, 400, 76, 2, 104);
  c.line(400, 76, 408, 70, 2, 104);
  c.line(418, 58, 424, 63, 2, 104);
  c.line(424, 63, 430, 58, 2, 104);
  // Far range.
  c.polygon({{0, 190}, {80, 150}, {160, 175}, {260, 128}, {340, 170}, {420, 140}, {500, 132}, {560, 150},
             {620, 168}, {700, 175}, {720, 172}, {720, 524}, {0, 524}},
            199);
  // Near mountain with its snow.
  c.polygon({{484, 240}, {590, 128}, {720, 200}, {720, 524}, {484, 524}}, 183);
  c.polygon({{590, 128}, {574, 145}, {584, 141}, {592, 148}, {602, 140}, {612, 143}}, 241);
  // Hills: the right one first, the left one in front of it.
  c.ellipse(600, 300, 220, 110, 168);
  c.ellipse(330, 310, 240, 120, 151);
  for (int i = 0; i < 4; ++i) {  // cypresses
    const double x = 236 + i * 26;
    c.polygon({{x, 258}, {x + 7, 222.0 + (i % 2) * 8}, {x + 14, 258}}, 71);
  }
  // Fields in perspective.
  c.polygon({{300, 300}, {720, 255}, {720, 318}, {330, 335}}, 134);
  c.polygon({{330, 335}, {720, 318}, {720, 375}, {300, 345}}, 118);
  c.line(420, 291, 440, 331, 2, 104);
  c.line(520, 280, 545, 327, 2, 104);
  // Meadow.
  c.polygon({{0, 360}, {300, 345}, {720, 375}, {720, 524}, {0, 524}}, 134);
  // Cottage: wall, roof, chimney, door and window.
  c.rect(598, 410, 688, 474, 87);
  c.polygon({{588, 410}, {612, 374}, {672, 374}, {698, 410}}, 104);
  c.rect(662, 358, 674, 382, 71);
  c.rect(610, 430, 632, 474, 71);
  c.rect(650, 424, 672, 446, 199);
  c.rect(660, 424, 662, 446, 71);
  c.ellipse(643, 478, 58, 6, 118);
  // Tree on the meadow.
  c.rect(74, 400, 88, 452, 24);
  c.ellipse(81, 392, 36, 34, 55);
  c.ellipse(94, 378, 14, 12, 71);
  // Bush, then the dark foreground and a rock on it.
  c.ellipse(340, 458, 22, 22, 39);
  c.ellipse(318, 462, 18, 18, 39);
  c.ellipse(310, 446, 16, 16, 55);
  c.polygon({{0, 470}, {120, 482}, {220, 468}, {300, 476}, {380, 480}, {470, 472}, {560, 486}, {720, 478}, {720, 524}, {0, 524}}, 5);
  c.ellipse(244, 484, 26, 14, 24);
  c.ellipse(236, 477, 5, 3, 55);
  return c;
}

TestPicture to_picture(const IndexCanvas& c, const std::array<int, 16>& order) {
  TestPicture p;
  p.width = c.width();
  p.height = c.height();
  std::array<std::uint8_t, 256> index_of{};
  index_of.fill(0xFF);
  for (int i = 0; i < 16; ++i) {
    p.palette[static_cast<size_t>(i)] = RGB(order[static_cast<size_t>(i)], order[static_cast<size_t>(i)], order[static_cast<size_t>(i)]);
    index_of[static_cast<size_t>(order[static_cast<size_t>(i)])] = static_cast<std::uint8_t>(i);
  }
  p.indices.resize(c.pixels().size());
  for (size_t i = 0; i < p.indices.size(); ++i) {
    const std::uint8_t idx = index_of[c.pixels()[i]];
    if (idx == 0xFF) throw std::logic_error("test picture drawn with a grey that is not a marker");
    p.indices[i] = idx;
  }
  return p;
}

}  // namespace

TestPicture make_test_picture(std::string_view holder) {
  if (holder == "imgPicTest") return to_picture(still_life(), kStillLifeOrder);
  if (holder == "imgPicTest1") return to_picture(landscape(), kLandscapeOrder);
  throw std::invalid_argument("no test picture '" + std::string(holder) + "'");
}
