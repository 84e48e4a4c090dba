#include "resources/paintings.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/vector_painter.hpp"

namespace {

constexpr std::array<Painter, 10> kPainters = {{
    {"Norvando", "imgNorvandopic", 834, 524, "Harvest Road", 1887,
     {"CFB381", "966638", "78451A", "632006", "D9986E", "F5E2C2", "BEB78D", "768252", "40492C", "4E5E53", "859A8B",
      "878973", "463A0A", "693D16", "A88B4F", "433C29"}},
    {"Pellowin", "imgPellowinpic", 760, 524, "Cathedral Glass", 1921,
     {"5E101D", "603D21", "8A5B13", "562D27", "734D36", "BE9523", "836C4C", "DAD0B5", "626C30", "516623", "4D5621",
      "3D3E12", "303F3A", "476182", "8094AF", "262E3B"}},
    {"Brimsa", "imgBrimsapic", 720, 531, "Morning Tide", 1874,
     {"865535", "958236", "857252", "999275", "C4C4A2", "DFDE9E", "DCE8E4", "B9B9B1", "9C9D95", "BAC5CB", "B0B5B1",
      "9FA2A7", "929DB9", "8695A8", "73819C", "5D6B92"}},
    {"Velbrin", "imgVelbrinpic", 1101, 524, "Beech Wood in October", 1896,
     {"58361D", "6C350C", "7D5124", "8D6B00", "C4AA3B", "788847", "5D7A4C", "495831", "90B7B6", "527E9B", "497EC2",
      "205797", "14324E", "0D1F37", "332F14", "1C2A07"}},
    {"Dravost", "imgDravostpic", 720, 529, "Red Cliffs at Dusk", 1908,
     {"58403C", "B14A37", "D36647", "D38D5C", "D5A55D", "B59296", "BFC1BE", "8EA19D", "4C6967", "435853", "17403C",
      "1C5657", "234850", "223D44", "112E2C", "201F1A"}},
    {"Quenlor", "imgQuenlorpic", 720, 575, "Sunflowers by the Sea", 1912,
     {"201212", "621622", "9D2526", "DD3A2B", "DE9B88", "F9A660", "E9AF41", "F9E769", "E9ECE5", "AE8945", "869E90",
      "89AC68", "2F443F", "394987", "6674A3", "7B89AC"}},
    {"Orlat", "imgOrlatpic", 1122, 524, "Still Life with Lilac", 1903,
     {"583F03", "A28489", "CC95AA", "AE8DA5", "8D8873", "DACD9E", "FDF2E0", "939059", "868435", "4D581D", "44577F",
      "5A6389", "7A7D9D", "9388AB", "8E959E", "47514B"}},
    {"Ruskavy", "imgRuskavypic", 720, 546, "Rooftops in the Rain", 1931,
     {"76332D", "974E40", "AF664E", "808D76", "706F59", "858587", "574B4F", "47383D", "1F408F", "1E3B5C", "364E74",
      "7D96D0", "A1C0DC", "708286", "4A5B5E", "122C31"}},
    {"Falvestri", "imgFalvestripic", 720, 586, "Harbour at Evening", 1889,
     {"3B4956", "455F7A", "5773A3", "557AA6", "5F84AE", "7490A5", "9FA8A5", "709873", "A09B7D", "AE9F5A", "B49755",
      "B88C81", "906262", "504B48", "55636C", "71828C"}},
    {"Tambrel", "imgTambrelpic", 778, 524, "Poppy Field", 1914,
     {"A31A12", "D1081A", "EB2B1E", "E96B16", "F39406", "F7AA10", "8DB226", "36A636", "4C9732", "6F8010", "897E12",
      "BA7E42", "A47040", "895837", "5B5928", "41310D"}},
}};

using Pal = std::array<TColor, 16>;

// A small deterministic generator (splitmix64), so that every run draws the same paintings.
class Rng {
public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double uniform(double a, double b) { return a + (b - a) * static_cast<double>(next() >> 11) / 9007199254740992.0; }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
  std::uint64_t s_;
};

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw std::invalid_argument("not a hexadecimal digit");
}

TColor from_hex(const char* t) {
  auto byte = [&](int i) { return hex_digit(t[i]) * 16 + hex_digit(t[i + 1]); };
  return RGB(byte(0), byte(2), byte(4));
}

void flat(VectorPainter& p, TColor c) {
  p.no_pen();
  p.fill(c);
}

// Fills everything below a curve y = top(x), across the whole width.
void fill_below(VectorPainter& p, int w, int h, TColor c, const std::function<double(double)>& top) {
  std::vector<VPoint> pts;
  for (int x = -6; x <= w + 6; x += 6) pts.push_back({static_cast<double>(x), top(x)});
  pts.push_back({w + 6.0, h + 6.0});
  pts.push_back({-6.0, h + 6.0});
  flat(p, c);
  p.polygon(pts);
}

void stroke_line(VectorPainter& p, TColor c, double width, double x1, double y1, double x2, double y2) {
  p.pen(c, width);
  p.line(x1, y1, x2, y2);
  p.no_pen();
}

// ---------------------------------------------------------------------------------------------
// The paintings.

// A road through harvested fields towards a row of trees at evening.
void harvest_road(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[6]);
  p.rect(0, 80, w, 80);
  flat(p, c[5]);
  p.rect(0, 150, w, 70);
  flat(p, c[4]);
  p.ellipse(610, 178, 34, 34);
  fill_below(p, w, h, c[11], [](double x) { return 205 + 14 * std::sin(x / 70) + 8 * std::sin(x / 23 + 1); });
  fill_below(p, w, h, c[7], [](double x) { return 236 + 12 * std::sin(x / 110 + 2); });
  for (int k = 0; k < 9; ++k) {
    const double x = 40 + k * 95 + rng.uniform(-15, 15), r = rng.uniform(22, 32);
    flat(p, c[12]);
    p.rect(x - 4, 238 - r * 0.3, 8, r * 0.3 + 30);
    flat(p, k % 2 ? c[8] : c[9]);
    p.ellipse(x, 232 - r * 0.6, r, r * 0.9);
  }
  const int strips[] = {0, 14, 6, 1, 0, 13, 14};
  for (int i = 0; i < 7; ++i) {
    const double base = 262 + i * 36.0 + i * i * 1.5, ph = i * 1.7;
    fill_below(p, w, h, c[static_cast<size_t>(strips[i])], [=](double x) { return base + 6 * std::sin(x / 90 + ph); });
  }
  // The road bends towards the trees.
  std::vector<VPoint> left, right;
  for (int y = 262; y <= h + 4; y += 6) {
    const double t = (y - 262) / static_cast<double>(h - 262), mid = 420 + 60 * t * t, half = 3 + 110 * std::pow(t, 1.3);
    left.push_back({mid - half, static_cast<double>(y)});
    right.push_back({mid + half, static_cast<double>(y)});
  }
  std::vector<VPoint> road = left;
  road.insert(road.end(), right.rbegin(), right.rend());
  flat(p, c[4]);
  p.polygon(road);
  p.no_fill();
  p.pen(c[2], 3);
  p.polyline(left);
  p.polyline(right);
  p.no_pen();
  fill_below(p, w, h, c[15], [](double x) { return 478 + 10 * std::sin(x / 40) + 5 * std::sin(x / 13); });
  flat(p, c[3]);
  p.ellipse(120, 486, 70, 30);
  p.ellipse(700, 492, 90, 34);
  for (int k = 0; k < 40; ++k) {
    const double x = rng.uniform(0, w), y = rng.uniform(490, h);
    stroke_line(p, c[2], 2, x, y, x + rng.uniform(-6, 6), y - rng.uniform(10, 22));
  }
}

// Stained glass: panes of every colour in lead, under a rose window.
void cathedral_glass(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  struct Cell {
    double x, y, w, h;
  };
  std::vector<Cell> pending = {{0, 0, static_cast<double>(w), static_cast<double>(h)}}, cells;
  while (!pending.empty()) {
    Cell r = pending.back();
    pending.pop_back();
    if (r.w < 150 && r.h < 150) {
      cells.push_back(r);
      continue;
    }
    const double t = rng.uniform(0.35, 0.65);
    if (r.w >= r.h) {
      pending.push_back({r.x, r.y, r.w * t, r.h});
      pending.push_back({r.x + r.w * t, r.y, r.w * (1 - t), r.h});
    } else {
      pending.push_back({r.x, r.y, r.w, r.h * t});
      pending.push_back({r.x, r.y + r.h * t, r.w, r.h * (1 - t)});
    }
  }
  std::vector<int> order(15);
  for (int i = 0; i < 15; ++i) order[static_cast<size_t>(i)] = i;
  for (int i = 14; i > 0; --i) std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(rng.below(i + 1))]);
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& r = cells[i];
    flat(p, c[static_cast<size_t>(order[i % 15])]);
    p.rect(r.x + 4, r.y + 4, r.w - 8, r.h - 8, 3);
    if (r.w > 60 && r.h > 60) {
      flat(p, c[static_cast<size_t>(order[(i + 6) % 15])]);
      const double cx = r.x + r.w / 2, cy = r.y + r.h / 2, a = std::min(r.w, r.h) * 0.28;
      p.polygon({{cx, cy - a}, {cx + a, cy}, {cx, cy + a}, {cx - a, cy}});
    }
  }
  const double cx = w / 2.0, cy = 160, R = 118;
  flat(p, c[15]);
  p.ellipse(cx, cy, R + 8, R + 8);
  for (int k = 0; k < 12; ++k) {
    const double a0 = k * 30 * 3.14159265358979 / 180, a1 = (k + 1) * 30 * 3.14159265358979 / 180;
    std::vector<VPoint> wedge = {{cx + 22 * std::cos((a0 + a1) / 2), cy + 22 * std::sin((a0 + a1) / 2)}};
    for (int s = 0; s <= 8; ++s) {
      const double a = a0 + (a1 - a0) * s / 8 + (s == 0 ? 0.035 : s == 8 ? -0.035 : 0);
      wedge.push_back({cx + R * std::cos(a), cy + R * std::sin(a)});
    }
    flat(p, c[static_cast<size_t>(order[static_cast<size_t>((k * 4) % 15)])]);
    p.polygon(wedge);
  }
  flat(p, c[15]);
  p.ellipse(cx, cy, 48, 48);
  flat(p, c[5]);
  p.ellipse(cx, cy, 42, 42);
  flat(p, c[7]);
  p.ellipse(cx, cy, 16, 16);
}

// A low sun over a calm sea, sailing boats and a beach with rocks.
void morning_tide(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[9]);
  p.rect(0, 70, w, 60);
  flat(p, c[6]);
  p.rect(0, 130, w, 72);
  flat(p, c[5]);
  p.rect(0, 200, w, 50);
  flat(p, c[4]);
  p.ellipse(180, 214, 30, 30);
  flat(p, c[7]);
  p.ellipse(450, 82, 80, 12);
  p.ellipse(530, 72, 44, 10);
  p.ellipse(300, 112, 56, 8);
  flat(p, c[11]);
  p.polygon({{400, 246}, {470, 236}, {560, 230}, {640, 238}, {w + 2.0, 232}, {w + 2.0, 246}});
  flat(p, c[13]);
  p.rect(0, 245, w, 46);
  flat(p, c[14]);
  p.rect(0, 290, w, 56);
  flat(p, c[15]);
  p.rect(0, 345, w, 70);
  flat(p, c[5]);
  for (int k = 0; k < 7; ++k) p.ellipse(180 + rng.uniform(-8, 8), 252 + k * 6, 26 - 2.5 * k, 1.8);
  for (int k = 0; k < 70; ++k) {
    const double y = rng.uniform(258, 410);
    flat(p, y < 290 ? c[10] : y < 345 ? c[10] : c[8]);
    p.ellipse(rng.uniform(0, w), y, rng.uniform(14, 40), 2.2);
  }
  auto boat = [&](double x, double y, double s, TColor sail) {
    flat(p, c[0]);
    p.polygon({{x - 30 * s, y}, {x + 34 * s, y}, {x + 24 * s, y + 10 * s}, {x - 22 * s, y + 10 * s}});
    flat(p, sail);
    p.polygon({{x - 2 * s, y - 4 * s}, {x - 2 * s, y - 62 * s}, {x + 30 * s, y - 4 * s}});
    p.polygon({{x - 6 * s, y - 4 * s}, {x - 6 * s, y - 50 * s}, {x - 28 * s, y - 4 * s}});
  };
  boat(470, 312, 1.0, c[7]);
  boat(610, 270, 0.55, c[3]);
  fill_below(p, w, h, c[8], [](double x) { return 404 + 10 * std::sin(x / 90); });
  fill_below(p, w, h, c[3], [](double x) { return 422 + 9 * std::sin(x / 90 + 0.4); });
  flat(p, c[1]);
  p.ellipse(120, 478, 64, 30);
  p.ellipse(186, 496, 40, 20);
  p.ellipse(640, 500, 50, 18);
  flat(p, c[2]);
  p.ellipse(104, 468, 32, 13);
  p.ellipse(630, 492, 22, 8);
}

// Beech trunks against blue distance, autumn leaves, a stream across the forest floor.
void beech_wood(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  fill_below(p, w, h, c[9], [](double x) { return 250 + 20 * std::sin(x / 150); });
  fill_below(p, w, h, c[10], [](double x) { return 292 + 15 * std::sin(x / 90 + 1); });
  const int leaf[] = {4, 3, 5, 4};
  for (int k = 0; k < 60; ++k) {
    flat(p, c[static_cast<size_t>(leaf[k % 4])]);
    p.ellipse(rng.uniform(-40, w + 40), rng.uniform(-20, 190), rng.uniform(40, 90), rng.uniform(30, 60));
  }
  fill_below(p, w, h, c[14], [](double x) { return 400 + 10 * std::sin(x / 60); });
  fill_below(p, w, h, c[15], [](double x) { return 470 + 8 * std::sin(x / 45 + 2); });
  std::vector<VPoint> stream, inner;
  for (int x = -10; x <= w + 10; x += 10) stream.push_back({static_cast<double>(x), 432 + 22 * std::sin(x / 160.0)});
  for (int x = w + 10; x >= -10; x -= 10) stream.push_back({static_cast<double>(x), 458 + 26 * std::sin(x / 160.0 + 0.3)});
  flat(p, c[13]);
  p.polygon(stream);
  for (int x = -10; x <= w + 10; x += 10) inner.push_back({static_cast<double>(x), 438 + 22 * std::sin(x / 160.0)});
  for (int x = w + 10; x >= -10; x -= 10) inner.push_back({static_cast<double>(x), 452 + 24 * std::sin(x / 160.0 + 0.3)});
  flat(p, c[11]);
  p.polygon(inner);
  flat(p, c[12]);
  for (int k = 0; k < 14; ++k) {
    const double x = rng.uniform(0, w);
    p.ellipse(x, 444 + 22 * std::sin(x / 160.0) + 2, rng.uniform(10, 28), 1.6);
  }
  const int bark[] = {0, 1, 2, 7, 6, 2};
  for (int k = 0; k < 15; ++k) {
    const double x = 30 + k * 74 + rng.uniform(-18, 18), tw = rng.uniform(8, 30), base = rng.uniform(410, 440);
    flat(p, c[static_cast<size_t>(bark[k % 6])]);
    p.polygon({{x - tw / 2, -4}, {x + tw / 2, -4}, {x + tw / 2 + 3, base}, {x - tw / 2 - 3, base}});
  }
  for (int k = 0; k < 90; ++k) {
    flat(p, c[k % 2 ? 4 : 3]);
    p.ellipse(rng.uniform(0, w), rng.uniform(404, h), rng.uniform(3, 7), rng.uniform(2, 3.5));
  }
}

// Red cliffs falling to a dark sea under a dusk sky, rocks and pools in front.
void red_cliffs(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[5]);
  p.rect(0, 90, w, 72);
  flat(p, c[4]);
  p.rect(0, 160, w, 52);
  flat(p, c[3]);
  p.rect(0, 210, w, 42);
  flat(p, c[2]);
  p.ellipse(520, 244, 36, 36);
  flat(p, c[8]);
  p.rect(0, 250, w, 52);
  flat(p, c[11]);
  p.rect(0, 300, w, 62);
  flat(p, c[12]);
  p.rect(0, 360, w, 110);
  for (int k = 0; k < 9; ++k) {
    flat(p, c[k % 2 ? 3 : 4]);
    p.ellipse(520 + rng.uniform(-6, 6), 258 + k * 5, 34 - 3 * k, 1.8);
  }
  for (int k = 0; k < 50; ++k) {
    const double y = rng.uniform(304, 460);
    flat(p, y < 360 ? c[7] : c[9]);
    p.ellipse(rng.uniform(240, w), y, rng.uniform(12, 36), 2);
  }
  flat(p, c[1]);
  p.polygon({{-2, 120}, {60, 128}, {130, 150}, {190, 196}, {250, 262}, {300, 360}, {330, 470}, {-2, 470}});
  flat(p, c[2]);
  p.polygon({{60, 128}, {130, 150}, {190, 196}, {150, 250}, {100, 230}, {70, 180}});
  p.polygon({{190, 196}, {250, 262}, {220, 320}, {180, 280}});
  flat(p, c[0]);
  p.polygon({{250, 262}, {300, 360}, {330, 470}, {260, 470}, {240, 380}, {220, 320}});
  p.polygon({{-2, 300}, {90, 320}, {140, 400}, {-2, 420}});
  p.polygon({{640, 262}, {690, 250}, {w + 2.0, 246}, {w + 2.0, 300}, {660, 300}});
  fill_below(p, w, h, c[15], [](double x) { return 462 + 12 * std::sin(x / 55) + 6 * std::sin(x / 17); });
  flat(p, c[10]);
  p.ellipse(420, 500, 70, 10);
  p.ellipse(600, 512, 50, 7);
  flat(p, c[14]);
  p.ellipse(140, 500, 90, 34);
  p.ellipse(300, 516, 60, 24);
  flat(p, c[13]);
  p.ellipse(120, 488, 50, 16);
  p.ellipse(690, 506, 60, 26);
}

// Sunflowers and poppies in front of the sea.
void sunflowers(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[8]);
  p.ellipse(140, 70, 90, 22);
  p.ellipse(200, 56, 60, 20);
  p.ellipse(520, 110, 110, 18);
  flat(p, c[14]);
  p.rect(0, 200, w, 52);
  flat(p, c[13]);
  p.rect(0, 250, w, 56);
  flat(p, c[12]);
  p.polygon({{420, 202}, {470, 184}, {540, 180}, {600, 192}, {640, 202}});
  fill_below(p, w, h, c[10], [](double x) { return 300 + 10 * std::sin(x / 70); });
  fill_below(p, w, h, c[9], [](double x) { return 430 + 12 * std::sin(x / 50 + 1); });
  for (int k = 0; k < 80; ++k) {
    flat(p, c[static_cast<size_t>(2 + k % 4)]);
    const double y = rng.uniform(320, h), r = 3 + (y - 300) / 40;
    p.ellipse(rng.uniform(0, w), y, r, r * 0.8);
  }
  const double heads[][3] = {{90, 250, 44}, {230, 200, 52}, {380, 270, 40}, {520, 220, 56}, {650, 280, 42}, {300, 380, 36}, {600, 400, 34}};
  for (const auto& f : heads) {
    const double x = f[0], y = f[1], r = f[2];
    stroke_line(p, c[12], r * 0.16, x, y, x + r * 0.3, h + 4);
    flat(p, c[11]);
    p.ellipse(x + r * 0.55, y + r * 1.9, r * 0.55, r * 0.22);
    p.ellipse(x - r * 0.35, y + r * 2.6, r * 0.5, r * 0.2);
    for (int k = 0; k < 14; ++k) {
      const double a = k * 3.14159265358979 / 7;
      flat(p, c[k % 2 ? 6 : 7]);
      p.ellipse(x + r * 0.72 * std::cos(a), y + r * 0.72 * std::sin(a), r * 0.34, r * 0.34);
    }
    flat(p, c[1]);
    p.ellipse(x, y, r * 0.5, r * 0.5);
    flat(p, c[0]);
    p.ellipse(x, y, r * 0.28, r * 0.28);
  }
}

// Lilac in a blue vase on a draped table, a window and a curtain behind.
void still_life_lilac(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[12]);
  p.rect(0, 0, 300, 330);
  flat(p, c[6]);
  p.rect(40, 40, 200, 220);
  stroke_line(p, c[12], 8, 140, 40, 140, 260);
  stroke_line(p, c[12], 8, 40, 150, 240, 150);
  flat(p, c[13]);
  p.polygon({{930, -2}, {w + 2.0, -2}, {w + 2.0, 332}, {960, 332}});
  for (int k = 0; k < 4; ++k) stroke_line(p, c[3], 6, 970 + k * 38, 0, 985 + k * 38, 330);
  flat(p, c[7]);
  p.rect(0, 330, w, 72);
  flat(p, c[8]);
  p.rect(0, 400, w, h - 400.0);
  stroke_line(p, c[9], 5, 0, 401, w, 401);
  flat(p, c[5]);
  p.polygon({{300, 336}, {820, 336}, {860, 400}, {850, 500}, {780, 470}, {700, 510}, {560, 476}, {430, 512}, {330, 470}, {260, 400}});
  for (int k = 0; k < 5; ++k) stroke_line(p, c[4], 4, 400 + k * 90, 410, 380 + k * 95, 490);
  flat(p, c[15]);
  p.ellipse(600, 352, 90, 14);
  p.ellipse(840, 378, 60, 10);
  flat(p, c[10]);
  p.ellipse(580, 280, 62, 72);
  p.rect(550, 180, 60, 60);
  flat(p, c[11]);
  p.ellipse(556, 268, 14, 40);
  flat(p, c[0]);
  p.ellipse(820, 346, 38, 32);
  p.ellipse(880, 356, 30, 26);
  for (int k = 0; k < 16; ++k) {
    flat(p, c[k % 2 ? 9 : 4]);
    const double x = rng.uniform(470, 700), y = rng.uniform(120, 230);
    p.polygon({{x, y - 9}, {x + 22, y}, {x, y + 9}, {x - 22, y}});
  }
  const double clusters[][2] = {{580, 120}, {480, 170}, {680, 160}, {540, 70}, {640, 90}};
  const int lilac[] = {1, 2, 3, 13};
  for (const auto& cl : clusters)
    for (int k = 0; k < 40; ++k) {
      flat(p, c[static_cast<size_t>(lilac[k % 4])]);
      const double r = rng.uniform(6, 12);
      p.ellipse(cl[0] + rng.uniform(-50, 50), cl[1] + rng.uniform(-40, 40), r, r);
    }
}

// Two rows of houses under a rainy sky and a wet street.
void rooftops(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[5]);
  p.ellipse(160, 60, 200, 40);
  p.ellipse(560, 90, 220, 34);
  flat(p, c[11]);
  p.ellipse(320, 40, 150, 26);
  p.ellipse(640, 30, 120, 20);
  auto row = [&](double base, double hmin, double hmax, double wmin, double wmax, const int* walls, const int* roofs,
                 const int* wins, int door) {
    double x = -20;
    int k = 0;
    while (x < w) {
      const double bw = rng.uniform(wmin, wmax), bh = rng.uniform(hmin, hmax), top = base - bh;
      flat(p, c[static_cast<size_t>(walls[k % 3])]);
      p.rect(x, top, bw, bh + 2);
      flat(p, c[static_cast<size_t>(k % 2 ? 6 : 7)]);
      p.rect(x + bw * 0.66, top - 44, 12, 30);
      flat(p, c[static_cast<size_t>(roofs[k % 3])]);
      p.polygon({{x - 6, top + 2}, {x + bw / 2, top - rng.uniform(28, 50)}, {x + bw + 6, top + 2}});
      flat(p, c[static_cast<size_t>(wins[k % 2])]);
      for (double wy = top + 16; wy < base - 36; wy += 34)
        for (double wx = x + 12; wx < x + bw - 20; wx += 26) p.rect(wx, wy, 12, 18);
      if (door >= 0) {
        flat(p, c[static_cast<size_t>(door)]);
        p.rect(x + bw / 2 - 10, base - 36, 20, 36);
      }
      x += bw;
      ++k;
    }
  };
  const int back_walls[] = {13, 4, 3}, back_roofs[] = {0, 1, 2}, back_wins[] = {9, 8};
  row(330, 110, 170, 70, 120, back_walls, back_roofs, back_wins, -1);
  const int front_walls[] = {5, 3, 4}, front_roofs[] = {2, 1, 0}, front_wins[] = {10, 8};
  row(462, 120, 170, 110, 160, front_walls, front_roofs, front_wins, 7);
  flat(p, c[15]);
  p.rect(0, 462, w, 10);
  flat(p, c[14]);
  p.rect(0, 472, w, h - 472.0);
  flat(p, c[10]);
  for (int k = 0; k < 10; ++k) p.ellipse(rng.uniform(0, w), rng.uniform(490, h - 10), rng.uniform(20, 50), 4);
  for (int k = 0; k < 160; ++k) {
    const double x = rng.uniform(-40, w), y = rng.uniform(0, h - 40);
    stroke_line(p, c[11], 1.2, x, y, x + 8, y + 30);
  }
}

// A small town on the quay, mountains behind, boats on the evening water and its reflections.
void harbour(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[6]);
  p.rect(0, 120, w, 52);
  flat(p, c[9]);
  p.rect(0, 170, w, 36);
  flat(p, c[10]);
  p.rect(0, 205, w, 30);
  flat(p, c[11]);
  p.ellipse(180, 96, 110, 14);
  p.ellipse(520, 150, 90, 10);
  flat(p, c[15]);
  p.polygon({{-2, 230}, {80, 160}, {150, 200}, {260, 140}, {360, 210}, {-2, 236}});
  p.polygon({{380, 236}, {500, 170}, {600, 200}, {680, 150}, {w + 2.0, 180}, {w + 2.0, 236}});
  flat(p, c[14]);
  p.polygon({{-2, 236}, {120, 200}, {240, 226}, {330, 206}, {440, 236}});
  double x = 0;
  int k = 0;
  const int walls[] = {6, 8, 11, 12};
  std::vector<std::pair<double, double>> fronts;
  while (x < w) {
    const double bw = rng.uniform(40, 80), bh = rng.uniform(30, 70) + (k == 5 ? 70 : 0);
    flat(p, c[static_cast<size_t>(walls[k % 4])]);
    p.rect(x, 292 - bh, bw, bh);
    flat(p, c[k % 2 ? 12 : 13]);
    p.polygon({{x - 3, 292 - bh}, {x + bw / 2, 292 - bh - 18}, {x + bw + 3, 292 - bh}});
    flat(p, c[9]);
    for (double wy = 300 - bh; wy < 282; wy += 16) p.rect(x + bw / 2 - 4, wy, 8, 9);
    fronts.push_back({x, bw});
    x += bw + 2;
    ++k;
  }
  flat(p, c[13]);
  p.rect(0, 290, w, 16);
  flat(p, c[2]);
  p.rect(0, 306, w, 60);
  flat(p, c[3]);
  p.rect(0, 364, w, 80);
  flat(p, c[1]);
  p.rect(0, 442, w, h - 442.0);
  for (size_t i = 0; i < fronts.size(); ++i) {
    flat(p, c[static_cast<size_t>(walls[i % 4])]);
    for (int r = 0; r < 6; ++r) p.ellipse(fronts[i].first + fronts[i].second / 2 + rng.uniform(-6, 6), 314 + r * 9, fronts[i].second * 0.35, 2);
  }
  for (int r = 0; r < 60; ++r) {
    flat(p, c[r % 2 ? 5 : 10]);
    p.ellipse(rng.uniform(0, w), rng.uniform(370, h), rng.uniform(12, 40), 2);
  }
  auto boat = [&](double bx, double by, double s) {
    stroke_line(p, c[13], 2.5 * s, bx, by - 2, bx, by - 70 * s);
    flat(p, c[0]);
    p.polygon({{bx - 46 * s, by}, {bx + 50 * s, by}, {bx + 36 * s, by + 16 * s}, {bx - 34 * s, by + 16 * s}});
    flat(p, c[7]);
    p.rect(bx - 20 * s, by - 16 * s, 28 * s, 16 * s);
  };
  boat(200, 420, 1.0);
  boat(480, 470, 1.3);
  boat(620, 350, 0.6);
}

// Poppies in green fields, a path winding towards trees under a golden sky.
void poppy_field(VectorPainter& p, const Pal& c, Rng& rng) {
  const int w = p.width(), h = p.height();
  flat(p, c[4]);
  p.rect(0, 0, w, 84);
  flat(p, c[3]);
  p.ellipse(600, 160, 52, 52);
  fill_below(p, w, h, c[14], [](double x) { return 196 + 14 * std::sin(x / 30) * std::sin(x / 170); });
  fill_below(p, w, h, c[9], [](double x) { return 222 + 8 * std::sin(x / 120); });
  fill_below(p, w, h, c[10], [](double x) { return 238 + 6 * std::sin(x / 90 + 1); });
  fill_below(p, w, h, c[7], [](double x) { return 256 + 8 * std::sin(x / 100); });
  fill_below(p, w, h, c[8], [](double x) { return 330 + 10 * std::sin(x / 80 + 2); });
  fill_below(p, w, h, c[6], [](double x) { return 420 + 12 * std::sin(x / 70 + 1); });
  std::vector<VPoint> left, right;
  for (int y = 250; y <= h + 4; y += 8) {
    const double t = (y - 250) / static_cast<double>(h - 250), mid = 380 + 80 * std::sin(t * 3.2), half = 6 + 130 * t * t;
    left.push_back({mid - half, static_cast<double>(y)});
    right.push_back({mid + half, static_cast<double>(y)});
  }
  std::vector<VPoint> path = left;
  path.insert(path.end(), right.rbegin(), right.rend());
  flat(p, c[11]);
  p.polygon(path);
  p.pen(c[12], 4);
  p.no_fill();
  p.polyline(left);
  p.pen(c[13], 4);
  p.polyline(right);
  p.no_pen();
  for (int k = 0; k < 140; ++k) {
    const double y = rng.uniform(262, h), r = 3 + (y - 250) / 22, x = rng.uniform(0, w);
    flat(p, c[static_cast<size_t>(k % 3)]);
    p.ellipse(x, y, r, r * 0.85);
    flat(p, c[15]);
    p.ellipse(x, y, r * 0.28, r * 0.28);
  }
}

using PaintFn = void (*)(VectorPainter&, const Pal&, Rng&);
constexpr PaintFn kPaint[10] = {harvest_road, cathedral_glass, morning_tide, beech_wood, red_cliffs,
                                sunflowers,   still_life_lilac, rooftops,   harbour,    poppy_field};

}  // namespace

const std::array<Painter, 10>& painters() { return kPainters; }

const Painter& painter(std::string_view name) {
  for (const Painter& p : kPainters)
    if (name == p.name) return p;
  throw std::invalid_argument("no painter '" + std::string(name) + "'");
}

std::string painting_caption(const Painter& p) { return std::string(p.name) + ": " + p.title + ", " + std::to_string(p.year); }

Raster24 make_painting(const Painter& p) {
  size_t i = 0;
  while (i < kPainters.size() && std::string_view(kPainters[i].name) != p.name) ++i;
  if (i == kPainters.size()) throw std::invalid_argument("not one of the built-in painters");
  Pal pal;
  for (size_t k = 0; k < 16; ++k) pal[k] = from_hex(kPainters[i].colours[k]);
  // The colour each study is laid on: its sky, the lead of the glass, the wall.
  static constexpr int kGround[10] = {10, 15, 12, 8, 6, 15, 14, 12, 4, 5};
  VectorPainter canvas(kPainters[i].width, kPainters[i].height, pal[static_cast<size_t>(kGround[i])]);
  Rng rng(0x5EED0000ull + i * 7919u);
  kPaint[i](canvas, pal, rng);
  Raster24 r(canvas.width(), canvas.height());
  r.bgr = canvas.bgr();
  return r;
}
