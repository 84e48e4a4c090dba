#include "resources/glyphs.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "resources/glyph_canvas.hpp"
#include "resources/spectrum_strips.hpp"

namespace {

// ---------------------------------------------------------------------------------------------
// Colours of the glyph set: light strokes for the dark panels, a few accents by role.

constexpr TColor kInk = RGB(242, 240, 236);
constexpr TColor kDim = RGB(176, 174, 180);
constexpr TColor kDark = RGB(52, 48, 56);
constexpr TColor kGreen = RGB(112, 212, 136);
constexpr TColor kRed = RGB(246, 92, 80);
constexpr TColor kBlue = RGB(104, 172, 255);
constexpr TColor kAmber = RGB(250, 190, 80);
constexpr TColor kCoral = RGB(238, 112, 92);
constexpr TColor kYellow = RGB(248, 206, 86);
constexpr TColor kSky = RGB(96, 170, 236);
constexpr TColor kLeaf = RGB(120, 204, 140);
constexpr TColor kChip = RGB(44, 41, 47);
constexpr TColor kChipEdge = RGB(110, 106, 116);

// Panels the glyphs are shown on (their antialiased edges are blended over these).
constexpr TColor kEditPanel = 0x00775652;
constexpr TColor kArtPanel = 0x00535358;
constexpr TColor kHistoryPanel = 0x00566050;
constexpr TColor kGridPanel = 0x00675859;
constexpr TColor kMidGrey = RGB(112, 110, 114);

constexpr double kStroke = 1.6;

// Ink of one drawing: light on the panel, or dark on the lit plate of a button that is on.
struct Ink {
  TColor main;
  TColor soft;
};
constexpr Ink kLight{kInk, kDim};
constexpr Ink kOnPlate{kDark, RGB(96, 92, 100)};

void stroke(GlyphCanvas& g, TColor c, double w = kStroke) {
  g.pen(c, w);
  g.no_fill();
}

void solid(GlyphCanvas& g, TColor c) {
  g.no_pen();
  g.fill(c);
}

// ---------------------------------------------------------------------------------------------
// Pieces, in grid units (0..20).

void plus(GlyphCanvas& g, double cx, double cy, double r, TColor c, double w = 2.0) {
  stroke(g, c, w);
  g.line(cx - r, cy, cx + r, cy);
  g.line(cx, cy - r, cx, cy + r);
}

void minus(GlyphCanvas& g, double cx, double cy, double r, TColor c, double w = 2.0) {
  stroke(g, c, w);
  g.line(cx - r, cy, cx + r, cy);
}

void cross(GlyphCanvas& g, double cx, double cy, double r, TColor c, double w = 2.0) {
  stroke(g, c, w);
  g.line(cx - r, cy - r, cx + r, cy + r);
  g.line(cx - r, cy + r, cx + r, cy - r);
}

void check(GlyphCanvas& g, double cx, double cy, double r, TColor c, double w = 2.2) {
  stroke(g, c, w);
  g.polyline({{cx - r, cy}, {cx - 0.3 * r, cy + 0.7 * r}, {cx + r, cy - 0.75 * r}});
}

// A round badge in an accent colour with a mark in the panel's dark colour.
enum class Mark { Plus, Minus, Cross, Check };
void badge(GlyphCanvas& g, double cx, double cy, double r, TColor fill, Mark m) {
  solid(g, fill);
  g.ellipse(cx, cy, r, r);
  const double k = r * 0.52;
  switch (m) {
    case Mark::Plus: plus(g, cx, cy, k, kDark, 1.7); break;
    case Mark::Minus: minus(g, cx, cy, k, kDark, 1.7); break;
    case Mark::Cross: cross(g, cx, cy, k * 0.85, kDark, 1.7); break;
    case Mark::Check: check(g, cx, cy + 0.1 * r, k, kDark, 1.8); break;
  }
}

void swatch(GlyphCanvas& g, double x, double y, double d, TColor fill, TColor edge) {
  g.pen(edge, 1.2);
  g.fill(fill);
  g.rect(x, y, d, d, d * 0.18);
}

void disk(GlyphCanvas& g, double x, double y, double d, const Ink& ink, TColor label) {
  stroke(g, ink.main);
  g.polygon({{x, y}, {x + 0.78 * d, y}, {x + d, y + 0.22 * d}, {x + d, y + d}, {x, y + d}});
  g.rect(x + 0.26 * d, y, 0.42 * d, 0.28 * d);
  solid(g, label);
  g.rect(x + 0.2 * d, y + 0.55 * d, 0.6 * d, 0.3 * d, 0.06 * d);
}

void page(GlyphCanvas& g, double x, double y, double w, double h, const Ink& ink, TColor fill) {
  const double f = std::min(w, h) * 0.32;
  g.pen(ink.main, kStroke);
  if (fill == clNone) g.no_fill();
  else g.fill(fill);
  g.polygon({{x, y}, {x + w - f, y}, {x + w, y + f}, {x + w, y + h}, {x, y + h}});
  stroke(g, ink.main, 1.2);
  g.polyline({{x + w - f, y}, {x + w - f, y + f}, {x + w, y + f}});
}

// A page with an amber "CSS" label across its lower half.
void css_page(GlyphCanvas& g, double x, double y, double w, double h, const Ink& ink) {
  page(g, x, y, w, h, ink, clNone);
  solid(g, kAmber);
  const double band = 8.2, by = y + h - band - 2.2;
  g.rect(x - 2.5, by, w + 2.5, band, 1.2);
  g.pen(kDark, 1);
  g.text(x - 2.5, by - 0.4, w + 2.5, band + 0.8, "CSS", 8.6, true);
}

void copy_sheets(GlyphCanvas& g, double x, double y, double d, const Ink& ink, TColor accent) {
  stroke(g, ink.main, 1.7);
  g.rect(x, y, 0.62 * d, 0.7 * d, 0.12 * d);
  g.pen(ink.main, 1.7);
  g.fill(accent);
  g.rect(x + 0.38 * d, y + 0.3 * d, 0.62 * d, 0.7 * d, 0.12 * d);
}

void magnifier(GlyphCanvas& g, double cx, double cy, double r, const Ink& ink, TColor lens) {
  g.pen(ink.main, kStroke + 0.2);
  if (lens == clNone) g.no_fill();
  else g.fill(lens);
  g.ellipse(cx, cy, r, r);
  stroke(g, ink.main, 3.0);
  const double k = r * 0.72;
  g.line(cx + k + 0.6, cy + k + 0.6, cx + 1.75 * r, cy + 1.75 * r);
}

void folder(GlyphCanvas& g, double x, double y, double w, double h, const Ink& ink, TColor fill) {
  g.pen(ink.main, kStroke);
  if (fill == clNone) g.no_fill();
  else g.fill(fill);
  g.polygon({{x, y + h}, {x, y}, {x + 0.36 * w, y}, {x + 0.46 * w, y + 0.18 * h}, {x + w, y + 0.18 * h}, {x + w, y + h}});
}

void landscape(GlyphCanvas& g, double x, double y, double w, double h, const Ink& ink, TColor hills, TColor sun) {
  stroke(g, ink.main);
  g.rect(x, y, w, h, 1.2);
  solid(g, hills);
  const double b = y + h - 1.2;
  g.polygon({{x + 1.2, b}, {x + 0.36 * w, y + 0.4 * h}, {x + 0.56 * w, y + 0.66 * h}, {x + 0.7 * w, y + 0.5 * h}, {x + w - 1.2, b}});
  solid(g, sun);
  g.ellipse(x + 0.74 * w, y + 0.27 * h, 0.09 * w, 0.09 * w);
}

void clock(GlyphCanvas& g, double cx, double cy, double r, const Ink& ink) {
  stroke(g, ink.main);
  g.ellipse(cx, cy, r, r);
  stroke(g, ink.main, 1.5);
  g.polyline({{cx, cy - 0.62 * r}, {cx, cy}, {cx + 0.48 * r, cy + 0.3 * r}});
}

void list_lines(GlyphCanvas& g, double x, double y, double w, int n, double gap, const Ink& ink) {
  for (int i = 0; i < n; ++i) {
    const double yy = y + i * gap;
    solid(g, ink.main);
    g.ellipse(x + 0.9, yy, 1.1, 1.1);
    stroke(g, ink.main, 1.5);
    g.line(x + 3.4, yy, x + w, yy);
  }
}

// A circular arrow turning counter-clockwise: an arc of `span` degrees from `start`, with the
// head at its end.
void circular_arrow(GlyphCanvas& g, double cx, double cy, double r, TColor c, double start = 50, double span = 285) {
  stroke(g, c, 1.9);
  g.arc(cx, cy, r, start, span);
  const double th = (start + span) * std::numbers::pi / 180.0;
  const double px = cx + r * std::cos(th), py = cy - r * std::sin(th);
  const double tx = -std::sin(th), ty = -std::cos(th);  // direction of travel on screen
  const double nx = std::cos(th), ny = -std::sin(th);   // outward
  const double a = 3.4;
  solid(g, c);
  g.polygon({{px + tx * a, py + ty * a}, {px - tx * a * 0.25 + nx * a * 0.85, py - ty * a * 0.25 + ny * a * 0.85},
             {px - tx * a * 0.25 - nx * a * 0.85, py - ty * a * 0.25 - ny * a * 0.85}});
}

void grid_cells(GlyphCanvas& g, double x, double y, double d, int n, const TColor* colours, double gap = 1.0) {
  const double c = (d - gap * (n - 1)) / n;
  solid(g, kInk);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      g.fill(colours[(j * n + i) % (n * n)]);
      g.rect(x + i * (c + gap), y + j * (c + gap), c, c, c * 0.2);
    }
}

void rainbow(GlyphCanvas& g, double x, double y, double w, double h) {
  static constexpr TColor hues[] = {RGB(236, 72, 72), RGB(244, 160, 60), RGB(244, 222, 70), RGB(98, 200, 96),
                                    RGB(70, 200, 220), RGB(80, 120, 236), RGB(196, 90, 220)};
  const int n = static_cast<int>(std::size(hues));
  for (int i = 0; i < n; ++i) {
    solid(g, hues[i]);
    g.rect(x + w * i / n, y, w / n + 0.35, h);
  }
}

void chevrons(GlyphCanvas& g, double x, double cy, double h, bool right, int count, TColor c) {
  stroke(g, c, 1.9);
  for (int i = 0; i < count; ++i) {
    const double xx = x + i * 4.2;
    if (right) g.polyline({{xx, cy - h}, {xx + h * 0.9, cy}, {xx, cy + h}});
    else g.polyline({{xx + h * 0.9, cy - h}, {xx, cy}, {xx + h * 0.9, cy + h}});
  }
}

void trash(GlyphCanvas& g, double x, double y, double w, double h, const Ink& ink) {
  stroke(g, ink.main);
  g.line(x, y + 0.16 * h, x + w, y + 0.16 * h);
  g.polyline({{x + 0.34 * w, y + 0.16 * h}, {x + 0.38 * w, y}, {x + 0.62 * w, y}, {x + 0.66 * w, y + 0.16 * h}});
  g.polygon({{x + 0.1 * w, y + 0.28 * h}, {x + 0.9 * w, y + 0.28 * h}, {x + 0.8 * w, y + h}, {x + 0.2 * w, y + h}});
  stroke(g, ink.main, 1.3);
  for (double f : {0.37, 0.5, 0.63}) g.line(x + f * w, y + 0.42 * h, x + f * w, y + 0.86 * h);
}

// An artist's palette: a rounded board with a thumb hole and paint dots.
void artist_palette(GlyphCanvas& g, double cx, double cy, double r, const Ink& ink) {
  g.pen(ink.main, kStroke);
  g.no_fill();
  g.ellipse(cx, cy, r, r * 0.82);
  g.ellipse(cx + 0.38 * r, cy + 0.36 * r, 0.16 * r, 0.16 * r);
  static constexpr TColor dots[] = {kCoral, kYellow, kSky, kLeaf};
  static constexpr double pos[][2] = {{-0.45, -0.2}, {-0.05, -0.48}, {0.42, -0.3}, {-0.5, 0.3}};
  for (int i = 0; i < 4; ++i) {
    solid(g, dots[i]);
    g.ellipse(cx + pos[i][0] * r, cy + pos[i][1] * r, 0.19 * r, 0.19 * r);
  }
}

void brush(GlyphCanvas& g, double x1, double y1, double x2, double y2, const Ink& ink, TColor paint) {
  // Handle from (x1, y1) to the ferrule at (x2, y2), bristles beyond.
  stroke(g, ink.main, 2.2);
  g.line(x1, y1, x2, y2);
  const double dx = x2 - x1, dy = y2 - y1, l = std::hypot(dx, dy);
  const double ux = dx / l, uy = dy / l, nx = -uy, ny = ux;
  solid(g, paint);
  g.polygon({{x2 + nx * 1.7, y2 + ny * 1.7},
             {x2 + ux * 3.2 + nx * 1.9, y2 + uy * 3.2 + ny * 1.9},
             {x2 + ux * 5.6, y2 + uy * 5.6},
             {x2 + ux * 3.2 - nx * 1.9, y2 + uy * 3.2 - ny * 1.9},
             {x2 - nx * 1.7, y2 - ny * 1.7}});
}

// The lit plate of a button whose mode is on.
void on_plate(GlyphCanvas& g) {
  g.pen(kInk, 1.0);
  g.fill(kInk);
  g.rect(-1.5, -1.5, 23, 23, 4.5);
}

void ring_with_dots(GlyphCanvas& g, double second_angle, bool arrow) {
  const double cx = 10, cy = 10, r = 7.5;
  stroke(g, kDim, 1.5);
  g.ellipse(cx, cy, r, r);
  if (arrow) {
    const double span = second_angle;
    stroke(g, kInk, 1.6);
    g.arc(cx, cy, r - 3.2, 90, span);
  }
  auto dot = [&](double deg, TColor c) {
    const double th = deg * std::numbers::pi / 180.0;
    g.pen(kInk, 1.2);
    g.fill(c);
    g.ellipse(cx + r * std::cos(th), cy - r * std::sin(th), 2.6, 2.6);
  };
  if (!arrow) {
    stroke(g, kInk, 1.3);
    g.line(cx, cy - r, cx, cy + r);
  }
  dot(90, kCoral);
  dot(90 + second_angle, kSky);
}

// ---------------------------------------------------------------------------------------------
// The glyphs.

const TColor kSwatches[] = {kCoral, kYellow, kSky, kLeaf};

void g_add(GlyphCanvas& g) {
  swatch(g, 1.5, 1.5, 12.5, kCoral, kInk);
  badge(g, 14.2, 14.2, 5.6, kGreen, Mark::Plus);
}
void g_add_to_list(GlyphCanvas& g) {
  list_lines(g, 1.5, 3.5, 13, 3, 4.5, kLight);
  badge(g, 14.2, 14.2, 5.6, kGreen, Mark::Plus);
}
void g_added(GlyphCanvas& g) {
  list_lines(g, 1.5, 3.5, 13, 3, 4.5, kLight);
  badge(g, 14.2, 14.2, 5.6, kYellow, Mark::Check);
}
void g_save(GlyphCanvas& g) { disk(g, 2.5, 2.5, 15, kLight, kBlue); }
void g_save_all(GlyphCanvas& g) {
  stroke(g, kDim, 1.5);
  g.polyline({{1, 14}, {1, 1}, {11, 1}, {14, 4}});
  disk(g, 5, 5, 14.5, kLight, kBlue);
}
void g_slot_save(GlyphCanvas& g) { disk(g, 2, 2, 16, kLight, kBlue); }
void g_slot_export(GlyphCanvas& g) {
  page(g, 3, 1, 14, 18, kLight, clNone);
  stroke(g, kAmber, 1.8);
  g.line(6, 9, 13, 9);
  g.line(6, 12.5, 11.5, 12.5);
  g.line(6, 16, 13, 16);
}
void g_export(GlyphCanvas& g) { css_page(g, 5.5, 0.5, 13, 19, kLight); }
void g_export_all(GlyphCanvas& g) {
  stroke(g, kDim, 1.5);
  g.polyline({{5, 9}, {5, 0.5}, {14, 0.5}});
  css_page(g, 8, 3.5, 12, 16.5, kLight);
}
void g_copy_blue(GlyphCanvas& g) { copy_sheets(g, 1.5, 1.5, 17, kLight, kBlue); }
void g_copy_red(GlyphCanvas& g) { copy_sheets(g, 1.5, 1.5, 17, kLight, kRed); }
void g_delete_slot(GlyphCanvas& g) { cross(g, 10, 10, 6, kRed, 2.6); }
void g_pick_cell(GlyphCanvas& g) {
  g.pen(kInk, 1.0);
  g.fill(kChip);
  g.ellipse(10, 10, 9, 9);
  plus(g, 10, 10, 5, kInk, 2.4);
}
void g_history(GlyphCanvas& g) {
  clock(g, 8, 10, 7, kLight);
  chevrons(g, 15.5, 10, 4, true, 1, kAmber);
}
void g_back_to_palette(GlyphCanvas& g) {
  chevrons(g, 0.5, 10, 4, false, 1, kAmber);
  for (int i = 0; i < 3; ++i) swatch(g, 7.5, 1 + i * 6.3, 5.4, kSwatches[i], kInk);
  for (int i = 0; i < 3; ++i) swatch(g, 14, 1 + i * 6.3, 5.4, kSwatches[(i + 2) % 4], kInk);
}
void g_collapse(GlyphCanvas& g) {
  chevrons(g, 3, 10, 5, false, 2, kInk);
  stroke(g, kDim, 1.6);
  g.line(16.5, 3, 16.5, 17);
}
void g_hex_entry(GlyphCanvas& g) {
  stroke(g, kInk, 1.5);
  g.rect(-2, 2.5, 24, 15, 3);
  g.pen(kAmber, 1);
  g.text(-1.5, 2.5, 13, 15, "#", 15, true);
  stroke(g, kInk, 1.6);
  g.line(14.5, 5.5, 14.5, 14.5);
  g.line(12.8, 5.5, 16.2, 5.5);
  g.line(12.8, 14.5, 16.2, 14.5);
}
void search_glyph(GlyphCanvas& g, TColor lens) {
  magnifier(g, 8, 8, 7.4, kLight, lens);
  g.pen(kInk, 1);
  g.text(1.5, 1.5, 13, 13, "#", 12.5, true);
}
void g_search_blue(GlyphCanvas& g) { search_glyph(g, RGB(52, 96, 170)); }
void g_search_red(GlyphCanvas& g) { search_glyph(g, RGB(196, 50, 44)); }
void g_zoom(GlyphCanvas& g) {
  magnifier(g, 8.5, 8.5, 6.5, kLight, clNone);
  plus(g, 8.5, 8.5, 3.2, kInk, 1.8);
}
void g_load_picture(GlyphCanvas& g) {
  folder(g, 0.5, 3, 19, 15, kLight, clNone);
  landscape(g, 4.5, 8, 11, 7.5, kLight, kLeaf, kYellow);
}
void palettes_folder(GlyphCanvas& g, const Ink& ink, TColor inside) {
  folder(g, 0.5, 2.5, 19, 15, ink, inside);
  for (int i = 0; i < 4; ++i) {
    solid(g, kSwatches[i]);
    g.rect(3.5 + i * 3.6, 8.5, 2.9, 6.5, 0.8);
  }
}
void g_palettes(GlyphCanvas& g) { palettes_folder(g, kLight, clNone); }
void g_palettes_open(GlyphCanvas& g) {
  on_plate(g);
  palettes_folder(g, kOnPlate, clNone);
}
void g_delete_file_mode(GlyphCanvas& g) {
  css_page(g, 1.5, 1, 12, 17, kLight);
  badge(g, 15, 14.5, 5.3, kRed, Mark::Cross);
}
void g_clear_picked(GlyphCanvas& g) {
  for (int i = 0; i < 3; ++i) swatch(g, 0.5 + i * 5.2, 1.5 + i * 2.2, 8, kSwatches[i], kInk);
  badge(g, 14.5, 14.5, 5.4, kRed, Mark::Cross);
}
void g_clear_item(GlyphCanvas& g) {
  list_lines(g, 1, 3.5, 14, 3, 4.5, kLight);
  badge(g, 14.5, 14.5, 5.4, kRed, Mark::Minus);
}
void g_clear_history(GlyphCanvas& g) {
  trash(g, 2, 1.5, 12, 17, kLight);
  badge(g, 15.5, 15, 4.6, kRed, Mark::Cross);
}
void g_sample_picture(GlyphCanvas& g) {
  landscape(g, 0.5, 1.5, 19, 13.5, kLight, RGB(120, 140, 150), RGB(200, 200, 190));
  for (int i = 0; i < 4; ++i) {
    solid(g, kSwatches[i]);
    g.rect(0.5 + i * 5, 16.5, 4.3, 3.5, 0.8);
  }
  solid(g, kInk);
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 3; ++i) g.ellipse(4.5 + i * 5.5, 5.5 + j * 5, 1.1, 1.1);
}
void g_sample_spectrum(GlyphCanvas& g) {
  rainbow(g, 0.5, 2, 19, 11);
  stroke(g, kInk, 1.2);
  g.rect(0.5, 2, 19, 11, 0.5);
  solid(g, kInk);
  for (int i = 0; i < 4; ++i) g.ellipse(3 + i * 4.7, 7.5, 1.2, 1.2);
  for (int i = 0; i < 4; ++i) {
    static constexpr TColor c[] = {RGB(236, 72, 72), RGB(244, 222, 70), RGB(70, 200, 220), RGB(196, 90, 220)};
    solid(g, c[i]);
    g.rect(0.5 + i * 5, 15.5, 4.3, 4, 0.8);
  }
}
void g_take_painter_palette(GlyphCanvas& g) {
  artist_palette(g, 7.5, 8, 7, kLight);
  stroke(g, kGreen, 2.0);
  g.line(16.5, 3, 16.5, 15);
  solid(g, kGreen);
  g.polygon({{12.8, 13}, {20.2, 13}, {16.5, 18.5}});
  stroke(g, kInk, 1.6);
  g.line(1, 19, 13, 19);
}
void g_sort_by_tone(GlyphCanvas& g) {
  static constexpr TColor tones[] = {RGB(246, 244, 240), RGB(190, 188, 186), RGB(130, 128, 128), RGB(66, 64, 66)};
  for (int i = 0; i < 4; ++i) {
    g.pen(kInk, 1);
    g.fill(tones[i]);
    g.rect(0.5, 1 + i * 4.8, 12, 3.6, 0.8);
  }
  stroke(g, kAmber, 1.9);
  g.line(16.5, 2, 16.5, 15);
  solid(g, kAmber);
  g.polygon({{13, 14}, {20, 14}, {16.5, 19.5}});
}
const TColor kGridColours[] = {RGB(206, 84, 70),  RGB(238, 122, 104), RGB(250, 176, 158), RGB(112, 176, 84),
                               RGB(150, 210, 110), RGB(200, 238, 168), RGB(82, 130, 216), RGB(112, 164, 240),
                               RGB(164, 200, 252)};
void g_variants(GlyphCanvas& g) { grid_cells(g, 2, 2, 16, 3, kGridColours, 1.3); }
void g_variants_open(GlyphCanvas& g) {
  on_plate(g);
  grid_cells(g, 2, 2, 16, 3, kGridColours, 1.3);
}
const TColor kTones16[] = {RGB(176, 64, 54),  RGB(214, 92, 76),   RGB(238, 128, 110), RGB(250, 176, 158),
                           RGB(96, 150, 70),  RGB(126, 184, 90),  RGB(160, 214, 120), RGB(204, 240, 172),
                           RGB(70, 116, 204), RGB(96, 146, 232),  RGB(130, 176, 248), RGB(174, 206, 252),
                           RGB(190, 146, 44), RGB(220, 180, 64),  RGB(242, 206, 96),  RGB(252, 230, 156)};
void g_variant_palette(GlyphCanvas& g) { grid_cells(g, 0.5, 0.5, 19, 4, kTones16, 1.0); }
void g_variant_palette_alt(GlyphCanvas& g) {
  TColor alt[16];
  for (int i = 0; i < 16; ++i) alt[i] = ((i / 4 + i % 4) % 2 == 0) ? kTones16[i] : RGB(236, 234, 230);
  grid_cells(g, 0.5, 0.5, 19, 4, alt, 1.0);
}
void g_reset_colour(GlyphCanvas& g) {
  circular_arrow(g, 10, 10, 7.2, kInk);
  solid(g, kCoral);
  g.ellipse(10, 10, 2.6, 2.6);
}
void g_reset_to_palette(GlyphCanvas& g) {
  circular_arrow(g, 10, 10, 8, kInk);
  swatch(g, 6.8, 6.8, 6.4, kYellow, kInk);
}
void g_reset_to_source(GlyphCanvas& g) {
  circular_arrow(g, 10, 10, 8, kInk);
  grid_cells(g, 6.2, 6.2, 7.6, 2, kGridColours + 1, 0.8);
}
void g_reset_to_spectrum(GlyphCanvas& g) {
  circular_arrow(g, 10, 10, 8, kInk);
  rainbow(g, 5.8, 7.2, 8.4, 5.6);
}
void art_glyph(GlyphCanvas& g, const Ink& ink) {
  artist_palette(g, 8, 11, 7.6, ink);
  brush(g, 19, 0.8, 13.2, 6.6, ink, kCoral);
}
void g_art(GlyphCanvas& g) { art_glyph(g, kLight); }
void g_art_on(GlyphCanvas& g) {
  on_plate(g);
  art_glyph(g, kOnPlate);
}
void still_life_frame(GlyphCanvas& g) {
  stroke(g, kInk);
  g.rect(0.5, 2, 19, 15, 1.2);
  stroke(g, kLeaf, 1.3);
  g.line(8, 11, 8, 6.5);
  g.line(8, 9.5, 10.6, 7.2);
  solid(g, kSky);
  g.ellipse(8, 13.2, 3.3, 2.8);
  g.rect(6.6, 9.6, 2.8, 2.5);
  solid(g, kCoral);
  g.ellipse(8, 5.6, 2.1, 2.1);
  solid(g, kYellow);
  g.ellipse(14.2, 13.6, 2.4, 2.2);
}
void g_test_picture_first(GlyphCanvas& g) {
  still_life_frame(g);
  rainbow(g, 0.5, 18.5, 19, 1.8);
}
void g_test_picture_second(GlyphCanvas& g) {
  landscape(g, 0.5, 2, 19, 15, kLight, kLeaf, kYellow);
  rainbow(g, 0.5, 18.5, 19, 1.8);
}
void g_save_test_picture(GlyphCanvas& g) {
  disk(g, 0.5, 0.5, 13, kLight, kBlue);
  g.pen(kInk, 1.4);
  g.fill(kChip);
  g.rect(9.5, 10, 10, 9, 1);
  solid(g, kLeaf);
  g.polygon({{10.6, 18}, {13.5, 13}, {15.5, 15.5}, {17, 14}, {18.6, 18}});
}
// A picture turning from grey (left) to colour (right).
void g_recolour_picture(GlyphCanvas& g) {
  solid(g, RGB(150, 148, 150));
  g.polygon({{1.2, 16.8}, {6.5, 7}, {10, 11.5}, {10, 16.8}});
  solid(g, RGB(200, 198, 198));
  g.ellipse(5, 5.6, 1.7, 1.7);
  solid(g, kSky);
  g.polygon({{10, 16.8}, {10, 11.5}, {13, 8}, {18.8, 16.8}});
  solid(g, kCoral);
  g.polygon({{10, 16.8}, {10, 14}, {11.6, 12.6}, {15, 16.8}});
  solid(g, kYellow);
  g.ellipse(15.6, 5.6, 1.7, 1.7);
  stroke(g, kInk);
  g.rect(0.5, 2, 19, 15.5, 1.2);
  stroke(g, kInk, 1.2);
  g.line(10, 2, 10, 17.5);
  rainbow(g, 10, 19, 9.5, 1.8);
}
void g_help(GlyphCanvas& g) {
  stroke(g, kInk, 2.0);
  g.ellipse(10, 10, 8.6, 8.6);
  g.pen(kInk, 1);
  g.text(2, 1.4, 16, 17, "?", 15.5, true);
}
void g_toggle_complement(GlyphCanvas& g) { ring_with_dots(g, 180, false); }
void g_toggle_first_neighbour(GlyphCanvas& g) { ring_with_dots(g, 135, true); }
void g_toggle_second_neighbour(GlyphCanvas& g) { ring_with_dots(g, -135, true); }
void g_pick_history(GlyphCanvas& g) {
  swatch(g, 1.5, 1.5, 12.5, kInk, kInk);
  badge(g, 14.2, 14.2, 5.6, kGreen, Mark::Plus);
}

// ---------------------------------------------------------------------------------------------
// Raster pictures: the spectrum buttons and their backdrop.

Raster24 spectrum_button(int step, int w, int h) {
  Raster24 r(w, h);
  SpectrumRowMaps maps(step);
  const std::uint8_t* middle = spectrum_middle_row();
  const int x0 = 3, y0 = 2, pw = w - 6, ph = h - 4;
  const double rad = 3.0;
  auto inside = [&](int x, int y) {
    // Pixel centre inside the rounded preview rectangle.
    const double cx = x + 0.5, cy = y + 0.5;
    if (cx < x0 || cy < y0 || cx > x0 + pw || cy > y0 + ph) return false;
    const double ix = std::clamp(cx, x0 + rad, x0 + pw - rad), iy = std::clamp(cy, y0 + rad, y0 + ph - rad);
    return std::hypot(cx - ix, cy - iy) <= rad;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!inside(x, y)) {
        r.set(x, y, GetRValue(kGlyphKey), GetGValue(kGlyphKey), GetBValue(kGlyphKey));
        continue;
      }
      const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      if (edge) {
        r.set(x, y, 34, 32, 36);
        continue;
      }
      // Box average of the strip area the pixel covers.
      const int sx0 = (x - x0) * kSpectrumWidth / pw, sx1 = (x - x0 + 1) * kSpectrumWidth / pw;
      const int sy0 = (y - y0) * kSpectrumHeight / ph, sy1 = (y - y0 + 1) * kSpectrumHeight / ph;
      long sr = 0, sg = 0, sb = 0, n = 0;
      for (int sy = sy0; sy < sy1; sy += 3) {
        const std::uint8_t* m = maps.map(sy);
        for (int sx = sx0; sx < sx1; sx += 4) {
          const std::uint8_t* c = middle + 3 * static_cast<size_t>(sx);
          sb += m[c[0]], sg += m[c[1]], sr += m[c[2]], ++n;
        }
      }
      r.set(x, y, static_cast<int>((sr + n / 2) / n), static_cast<int>((sg + n / 2) / n), static_cast<int>((sb + n / 2) / n));
    }
  return r;
}

Raster24 grey_gradient(int w, int h) {
  Raster24 r(w, h);
  for (int y = 0; y < h; ++y) {
    // From a light warm grey at the top to a dark one at the bottom.
    const double t = h > 1 ? static_cast<double>(y) / (h - 1) : 0;
    for (int x = 0; x < w; ++x) {
      const double edge = 1.0 - 0.18 * std::pow(std::abs(x - (w - 1) / 2.0) / ((w - 1) / 2.0), 2.0);
      auto v = [&](double top, double bottom) { return static_cast<int>(std::lround((top + (bottom - top) * t) * edge)); };
      r.set(x, y, v(122, 46), v(118, 43), v(116, 44));
    }
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// The table.

enum class Look {
  Panel,    // light strokes straight on a side panel
  OnPlate,  // drawn with its own lit plate (a mode that is on)
  Chip,     // on a dark chip, for buttons over colours of any kind
  Badge,    // a small transparent mark over a colour cell
  Picture,  // an opaque raster picture
};

struct Entry {
  const char* name;  // "#" stands for the slot number 1..16
  int w, h;
  Look look;
  TColor backdrop;  // the panel the glyph lies on (Panel and OnPlate looks)
  void (*draw)(GlyphCanvas&);
  int spectrum_step;  // Picture look: the spectrum step, or -1 for the grey backdrop
};

constexpr Entry kTable[] = {
    // Selected colour: add buttons over the selected colour.
    {"imgPick", 36, 36, Look::Chip, 0, g_add, 0},
    {"imgPickArt", 36, 36, Look::Chip, 0, g_add_to_list, 0},
    {"imgpickartOK", 36, 36, Look::Chip, 0, g_added, 0},
    // Slot rows.
    {"imgsavepan#", 20, 20, Look::Chip, 0, g_slot_save, 0},
    {"imgpan#Pal", 20, 20, Look::Chip, 0, g_slot_export, 0},
    {"imgcopy#", 16, 16, Look::Chip, 0, g_copy_blue, 0},
    {"imgCopyblu", 16, 16, Look::Chip, 0, g_copy_blue, 0},
    {"imgCopyRed", 16, 16, Look::Chip, 0, g_copy_red, 0},
    {"imgDel#", 16, 16, Look::Chip, 0, g_delete_slot, 0},
    {"imgCompli#", 30, 15, Look::Badge, 0, g_pick_cell, 0},
    {"imgTriad120#", 30, 15, Look::Badge, 0, g_pick_cell, 0},
    {"imgTriad240#", 30, 15, Look::Badge, 0, g_pick_cell, 0},
    {"imgpickpan#dark", 30, 15, Look::Badge, 0, g_pick_cell, 0},
    {"imgpickpan#light", 30, 15, Look::Badge, 0, g_pick_cell, 0},
    // History preview.
    {"imgHistCopy", 21, 20, Look::Chip, 0, g_copy_blue, 0},
    {"imghistcopyblu", 21, 20, Look::Chip, 0, g_copy_blue, 0},
    {"imgHistCopyred", 21, 20, Look::Chip, 0, g_copy_red, 0},
    {"imgHistPick", 24, 24, Look::Chip, 0, g_pick_history, 0},
    // Side panel tools.
    {"imgExtendpanel", 30, 24, Look::Panel, kEditPanel, g_history, 0},
    {"imgCollapseColorPanel", 30, 24, Look::Panel, kHistoryPanel, g_back_to_palette, 0},
    {"imgCollapsepanel", 30, 24, Look::Panel, kHistoryPanel, g_collapse, 0},
    {"imgEdColor", 30, 22, Look::Panel, kEditPanel, g_hex_entry, 0},
    {"imgedcolorsearch", 31, 21, Look::Panel, kEditPanel, g_search_blue, 0},
    {"imgedcolorsearchblu", 31, 21, Look::Panel, kEditPanel, g_search_blue, 0},
    {"imgedcolorsearchred", 31, 21, Look::Panel, kEditPanel, g_search_red, 0},
    {"imgZoom", 30, 24, Look::Panel, kEditPanel, g_zoom, 0},
    {"imgLoadpic", 30, 24, Look::Panel, kEditPanel, g_load_picture, 0},
    {"imgCSS", 30, 24, Look::Panel, kEditPanel, g_palettes, 0},
    {"imgCSSload", 30, 24, Look::Panel, kEditPanel, g_palettes, 0},
    {"imgCSSoff", 30, 24, Look::OnPlate, kHistoryPanel, g_palettes_open, 0},
    {"imgClearCSS", 30, 24, Look::Panel, kHistoryPanel, g_delete_file_mode, 0},
    {"imgClearPicked", 30, 24, Look::Panel, kEditPanel, g_clear_picked, 0},
    {"imgClearItem", 30, 24, Look::Panel, kHistoryPanel, g_clear_item, 0},
    {"imgClearHistory", 30, 24, Look::Panel, kHistoryPanel, g_clear_history, 0},
    {"imgSave", 30, 24, Look::Panel, kEditPanel, g_save, 0},
    {"imgSaveAll", 30, 24, Look::Panel, kEditPanel, g_save_all, 0},
    {"imgPalette", 30, 24, Look::Panel, kEditPanel, g_export, 0},
    {"imgPaletteAll", 30, 24, Look::Panel, kEditPanel, g_export_all, 0},
    {"imgGenPal", 30, 24, Look::Panel, kEditPanel, g_sample_picture, 0},
    {"imgGenSpec", 30, 24, Look::Panel, kEditPanel, g_sample_spectrum, 0},
    {"imgGenArtPal", 30, 24, Look::Panel, kArtPanel, g_take_painter_palette, 0},
    {"imgcolrtone", 30, 24, Look::Panel, kEditPanel, g_sort_by_tone, 0},
    {"imgVar", 30, 24, Look::Panel, kEditPanel, g_variants, 0},
    {"imgVaron", 30, 24, Look::Panel, kEditPanel, g_variants, 0},
    {"imgVaroff", 30, 24, Look::OnPlate, kEditPanel, g_variants_open, 0},
    {"imgVariantsPal", 20, 20, Look::Panel, kEditPanel, g_variant_palette, 0},
    {"imgVariantPal2", 20, 20, Look::Panel, kEditPanel, g_variant_palette_alt, 0},
    {"imgVariantPal3", 20, 20, Look::Panel, kEditPanel, g_variant_palette, 0},
    {"imgVarcomp", 30, 30, Look::Panel, kEditPanel, g_toggle_complement, 0},
    {"imgVartriad1", 30, 30, Look::Panel, kEditPanel, g_toggle_first_neighbour, 0},
    {"imgVartriad2", 30, 30, Look::Panel, kEditPanel, g_toggle_second_neighbour, 0},
    {"imgResetVariant", 30, 24, Look::Panel, kEditPanel, g_reset_to_source, 0},
    {"imgReset", 30, 24, Look::Panel, kEditPanel, g_reset_colour, 0},
    {"imgResetpic", 30, 24, Look::Panel, kArtPanel, g_reset_to_palette, 0},
    {"imgResetSpectrum", 30, 24, Look::Panel, kEditPanel, g_reset_to_spectrum, 0},
    {"imgArt", 30, 24, Look::Panel, kEditPanel, g_art, 0},
    {"imgArton", 30, 24, Look::Panel, kEditPanel, g_art, 0},
    {"imgArtoff", 30, 24, Look::OnPlate, kArtPanel, g_art_on, 0},
    {"imgTestPic", 30, 24, Look::Panel, kEditPanel, g_test_picture_first, 0},
    {"imgTestPic0", 30, 24, Look::Panel, kEditPanel, g_test_picture_first, 0},
    {"imgTestPic1", 30, 24, Look::Panel, kEditPanel, g_test_picture_second, 0},
    {"imgSaveTest", 30, 24, Look::Panel, kEditPanel, g_save_test_picture, 0},
    {"butProcessPic", 30, 24, Look::Panel, kEditPanel, g_recolour_picture, 0},
    {"imgHelp", 30, 24, Look::Panel, kEditPanel, g_help, 0},
    // Spectrum buttons over their backdrop.
    {"imggreygrad", 40, 480, Look::Picture, 0, nullptr, -1},
    {"img000", 40, 32, Look::Picture, 0, nullptr, 0},
    {"img255", 40, 28, Look::Picture, 0, nullptr, 255},
    {"img247", 40, 28, Look::Picture, 0, nullptr, 247},
    {"img239", 40, 28, Look::Picture, 0, nullptr, 239},
    {"img231", 40, 28, Look::Picture, 0, nullptr, 231},
    {"img223", 40, 28, Look::Picture, 0, nullptr, 223},
    {"img215", 40, 28, Look::Picture, 0, nullptr, 215},
    {"img207", 40, 28, Look::Picture, 0, nullptr, 207},
    {"img199", 40, 28, Look::Picture, 0, nullptr, 199},
    {"img191", 40, 28, Look::Picture, 0, nullptr, 191},
    {"img183", 40, 28, Look::Picture, 0, nullptr, 183},
    {"img175", 40, 28, Look::Picture, 0, nullptr, 175},
    {"img167", 40, 28, Look::Picture, 0, nullptr, 167},
    {"img159", 40, 28, Look::Picture, 0, nullptr, 159},
    {"img151", 40, 28, Look::Picture, 0, nullptr, 151},
    {"img143", 40, 28, Look::Picture, 0, nullptr, 143},
    {"img135", 40, 28, Look::Picture, 0, nullptr, 135},
};

// Whether `name` is `pattern` with "#" replaced by a slot number 1..16 (no leading zero).
bool matches(std::string_view pattern, std::string_view name) {
  const size_t hash = pattern.find('#');
  if (hash == std::string_view::npos) return pattern == name;
  const std::string_view head = pattern.substr(0, hash), tail = pattern.substr(hash + 1);
  if (name.size() <= head.size() + tail.size()) return false;
  if (name.substr(0, head.size()) != head || name.substr(name.size() - tail.size()) != tail) return false;
  const std::string_view num = name.substr(head.size(), name.size() - head.size() - tail.size());
  if (num.empty() || num.size() > 2 || num[0] == '0') return false;
  int n = 0;
  for (char c : num) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 16;
}

const Entry* find(std::string_view name) {
  for (const Entry& e : kTable)
    if (matches(e.name, name)) return &e;
  return nullptr;
}

const Entry& require(std::string_view name) {
  const Entry* e = find(name);
  if (!e) throw std::invalid_argument("no glyph for '" + std::string(name) + "'");
  return *e;
}

}  // namespace

bool has_glyph(std::string_view holder) { return find(holder) != nullptr; }

std::vector<std::string> glyph_names() {
  std::vector<std::string> out;
  for (const Entry& e : kTable) {
    const std::string p = e.name;
    const size_t hash = p.find('#');
    if (hash == std::string::npos) {
      out.push_back(p);
      continue;
    }
    for (int n = 1; n <= 16; ++n) out.push_back(p.substr(0, hash) + std::to_string(n) + p.substr(hash + 1));
  }
  return out;
}

GlyphInfo glyph_info(std::string_view holder) {
  const Entry& e = require(holder);
  const bool opaque = e.look == Look::Picture && e.spectrum_step < 0;
  const bool on_panel = e.look == Look::Panel || e.look == Look::OnPlate;
  return GlyphInfo{e.w, e.h, !opaque, on_panel ? e.backdrop : clNone};
}

Raster24 make_glyph(std::string_view holder, TColor& key) {
  const Entry& e = require(holder);
  key = kGlyphKey;
  switch (e.look) {
    case Look::Picture:
      if (e.spectrum_step < 0) {
        key = clNone;
        return grey_gradient(e.w, e.h);
      }
      return spectrum_button(e.spectrum_step, e.w, e.h);
    case Look::Chip: {
      GlyphCanvas g(e.w, e.h, std::min(e.w, e.h) - 5.0);
      VectorPainter& p = g.raw();
      p.pen(kChipEdge, 1.0);
      p.fill(kChip);
      p.rect(0.5, 0.5, e.w - 1.0, e.h - 1.0, std::min(e.w, e.h) * 0.22);
      e.draw(g);
      return g.flatten(kMidGrey, kGlyphKey);
    }
    case Look::Badge: {
      GlyphCanvas g(e.w, e.h, std::min(e.w, e.h) - 2.0);
      e.draw(g);
      return g.flatten(kMidGrey, kGlyphKey);
    }
    case Look::Panel:
    case Look::OnPlate: {
      GlyphCanvas g(e.w, e.h, std::min(e.w, e.h) - 4.0);
      e.draw(g);
      return g.flatten(e.backdrop, kGlyphKey);
    }
  }
  throw std::logic_error("unknown glyph look");
}
