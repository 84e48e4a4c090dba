#include "resources/help_pages.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "platform/vector_painter.hpp"
#include "resources/glyphs.hpp"

namespace {

constexpr TColor kPageColour = 0x00524B48;  // the window's own dark colour
constexpr TColor kText = RGB(234, 232, 228);
constexpr TColor kSoft = RGB(182, 180, 188);
constexpr TColor kAccent = RGB(250, 190, 80);
constexpr TColor kLinkFill = RGB(98, 90, 100);
constexpr TColor kRule = RGB(108, 102, 112);
constexpr double kBody = 13.5;
constexpr double kLine = 17.5;
constexpr double kLeft = 24;
constexpr double kRight = 462;

// A page laid out from the top down: a title, paragraphs, rows of a button and its explanation,
// links to further pages and a closing line.
class Page {
public:
  Page(int w, int h) : p_(w, h, kPageColour) {}

  VectorPainter& painter() { return p_; }
  double y = 18;

  void title(const std::string& s) {
    p_.pen(kText, 1);
    p_.text(kLeft, y, kRight - kLeft, 28, s, 22, true, 0);
    y += 32;
    p_.no_pen();
    p_.fill(kAccent);
    p_.rect(kLeft, y, 46, 3, 1.5);
    p_.fill(kRule);
    p_.rect(kLeft + 50, y + 1, kRight - kLeft - 50, 1);
    y += 14;
  }

  // Wrapped text between x0 and x1, starting at the cursor; returns the height used.
  double text(const std::string& s, double x0, double x1, double top, TColor colour = kText, bool bold = false,
              double size = kBody) {
    std::vector<std::string> lines;
    std::string line, word;
    auto flush_word = [&] {
      if (word.empty()) return;
      const std::string trial = line.empty() ? word : line + " " + word;
      if (!line.empty() && p_.text_width(trial, size, bold) > x1 - x0) {
        lines.push_back(line);
        line = word;
      } else {
        line = trial;
      }
      word.clear();
    };
    for (char ch : s) {
      if (ch == ' ') flush_word();
      else word += ch;
    }
    flush_word();
    if (!line.empty()) lines.push_back(line);
    p_.pen(colour, 1);
    for (size_t i = 0; i < lines.size(); ++i) p_.text(x0, top + i * kLine, x1 - x0, kLine, lines[i], size, bold, 0);
    p_.no_pen();
    return static_cast<double>(lines.size()) * kLine;
  }

  void para(const std::string& s, TColor colour = kText) { y += text(s, kLeft, kRight, y, colour) + 7; }

  // A numbered step.
  void step(int n, const std::string& s) {
    p_.no_pen();
    p_.fill(kAccent);
    p_.ellipse(kLeft + 9, y + kLine / 2, 8.5, 8.5);
    p_.pen(kPageColour, 1);
    p_.text(kLeft, y, 18, kLine, std::to_string(n), 12, true, 1);
    y += text(s, kLeft + 26, kRight, y) + 6;
  }

  // A button as the window shows it, on its panel colour, with its explanation beside it.
  void item(const std::string& glyph, const std::string& s, double x0 = kLeft, double x1 = kRight, double gap = 9) {
    const double gh = draw_glyph(glyph, x0, y);
    const double th = text(s, x0 + 52, x1, y + std::max(0.0, (gh - kLine) / 2) - 1);
    y += std::max(gh, th) + gap;
  }

  // Draws a glyph at (x, y) on its panel colour; returns the height of the plate.
  double draw_glyph(const std::string& name, double x, double top) {
    TColor key = 0;
    const Raster24 g = make_glyph(name, key);
    const GlyphInfo info = glyph_info(name);
    const double pw = 42, ph = g.height + 6;
    p_.no_pen();
    p_.fill(info.backdrop == clNone ? kLinkFill : info.backdrop);
    p_.rect(x, top, pw, ph, 5);
    const int ox = static_cast<int>(x + (pw - g.width) / 2), oy = static_cast<int>(top + 3);
    for (int yy = 0; yy < g.height; ++yy)
      for (int xx = 0; xx < g.width; ++xx) {
        const TColor c = static_cast<TColor>(g.colour(xx, yy));
        if (key != clNone && c == key) continue;
        p_.set_pixel(ox + xx, oy + yy, c);
      }
    return ph;
  }

  // A link to a further page over the hot spot that leads there.
  void link(const HelpLink& l, const std::string& s) {
    p_.pen(kAccent, 1.5);
    p_.fill(kLinkFill);
    p_.rect(l.left + 1.5, l.top + 1.5, l.width - 3, l.height - 3, 7);
    p_.no_pen();
    const double lines = std::ceil(p_.text_width(s, kBody, true) / (l.width - 34));
    text(s, l.left + 12, l.left + l.width - 22, l.top + (l.height - lines * kLine) / 2, kAccent, true);
    p_.pen(kAccent, 2.2);
    const double cx = l.left + l.width - 15, cy = l.top + l.height / 2.0;
    p_.line(cx - 3, cy - 6, cx + 3, cy);
    p_.line(cx + 3, cy, cx - 3, cy + 6);
    p_.no_pen();
  }

  void footer(const std::string& s, double x0 = kLeft, double x1 = 424) {
    p_.no_pen();
    p_.fill(kRule);
    p_.rect(x0, 414, x1 - x0, 1);
    text(s, x0, x1, 420, kSoft, false, 12.5);
  }

  Raster24 raster() const {
    Raster24 r(p_.width(), p_.height());
    r.bgr = p_.bgr();
    return r;
  }

private:
  VectorPainter p_;
};

// ---------------------------------------------------------------------------------------------
// Small pictures on the pages.

int clamp255(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); }

// A sketch of the variant grid around one colour: tones and channel shifts of 30, 20 and 10 %.
void grid_sketch(VectorPainter& p, double x, double y, double cell) {
  const double base[3] = {214, 96, 76};
  const double steps[6] = {-0.3, -0.2, -0.1, 0.1, 0.2, 0.3};
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 7; ++col) {
      double c[3] = {base[0], base[1], base[2]};
      if (col != 3) {
        const double s = steps[col < 3 ? col : col - 1];
        if (row == 0) {
          for (double& v : c) v = s < 0 ? v * (1 + s) : v + (255 - v) * s;
        } else {
          c[row - 1] = c[row - 1] * (1 + s);
        }
      }
      p.no_pen();
      p.fill(RGB(clamp255(c[0]), clamp255(c[1]), clamp255(c[2])));
      const double h = col == 3 ? 4 * cell : cell;
      if (col == 3 && row > 0) continue;
      p.rect(x + col * cell, y + row * cell, cell, h);
    }
  p.pen(kText, 1);
  const char* labels[7] = {"-30", "", "-10", "", "+10", "", "+30"};
  for (int col = 0; col < 7; ++col) p.text(x + col * cell - 4, y + 4 * cell + 2, cell + 8, 14, labels[col], 10.5, false, 1);
  const char* rows[4] = {"tone", "red", "green", "blue"};
  for (int row = 0; row < 4; ++row) p.text(x - 44, y + row * cell, 40, cell, rows[row], 11.5, false, 2);
  p.no_pen();
}

TColor hue_colour(double deg) {
  const double h = std::fmod(deg + 360.0, 360.0) / 60.0;
  const double f = h - std::floor(h);
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(h)) {
    case 0: r = 1, g = f; break;
    case 1: r = 1 - f, g = 1; break;
    case 2: g = 1, b = f; break;
    case 3: g = 1 - f, b = 1; break;
    case 4: r = f, b = 1; break;
    default: r = 1, b = 1 - f; break;
  }
  return RGB(clamp255(40 + 200 * r), clamp255(40 + 200 * g), clamp255(40 + 200 * b));
}

// A hue ring with the colour, its complement half way round and its two neighbours close by.
void hue_ring(VectorPainter& p, double cx, double cy, double r) {
  const int n = 36;
  for (int k = 0; k < n; ++k) {
    const double a0 = k * 360.0 / n, a1 = (k + 1) * 360.0 / n;
    std::vector<VPoint> seg;
    for (double a : {a0, a1}) seg.push_back({cx + r * std::cos(a * std::numbers::pi / 180), cy - r * std::sin(a * std::numbers::pi / 180)});
    for (double a : {a1, a0})
      seg.push_back({cx + 0.62 * r * std::cos(a * std::numbers::pi / 180), cy - 0.62 * r * std::sin(a * std::numbers::pi / 180)});
    p.no_pen();
    p.fill(hue_colour((a0 + a1) / 2));
    p.pen(hue_colour((a0 + a1) / 2), 0.8);
    p.polygon(seg);
  }
  auto marker = [&](double deg, const std::string& label, double out) {
    const double a = deg * std::numbers::pi / 180, rr = 0.81 * r;
    p.pen(kPageColour, 2);
    p.fill(hue_colour(deg));
    p.ellipse(cx + rr * std::cos(a), cy - rr * std::sin(a), 5.5, 5.5);
    p.pen(kText, 1);
    p.text(cx + (r + out) * std::cos(a) - 40, cy - (r + out) * std::sin(a) - 9, 80, 18, label, 12, false, 1);
  };
  // The hue scale has 240 units: 15 of them are 22.5 degrees.
  marker(90, "colour", 14);
  marker(270, "complement", 14);
  marker(112.5, "+15", 24);
  marker(67.5, "-15", 24);
  p.no_pen();
}

// ---------------------------------------------------------------------------------------------
// The pages.

Raster24 first_page() {
  Page pg(486, 454);
  pg.title("Welcome to Huewright");
  pg.para("Build a palette of sixteen colours from any picture, with the shades and neighbours of every colour, "
          "and export it as a CSS palette file.");
  pg.step(1, "Move the mouse over the picture: the magnifier and the bars show the colour under the pointer.");
  pg.step(2, "Click to select it; its hex, rgb and cmyk values appear at the top right.");
  VectorPainter& p = pg.painter();
  pg.text("Tones and red, green and blue shifts of the selected colour:", kLeft, 160, 190, kSoft);
  pg.link(kHelpLinkToGrid, "variant grid");
  grid_sketch(p, 340, 186, 15);
  pg.y = 252;
  pg.item("imgPick", "Add the selected colour to the next of the sixteen slots.", kLeft, kRight, 5);
  pg.item("img255", "Show the brightness spectrum or one of sixteen saturation steps.", kLeft, kRight, 5);
  pg.item("imgLoadpic", "Open a picture of your own: PNG, JPEG, TIFF or BMP.", kLeft, kRight, 5);
  pg.item("imgArt", "Try the palettes of ten example painters.", kLeft, kRight, 5);
  pg.footer("Click the page to close it.");
  return pg.raster();
}

Raster24 history_page() {
  Page pg(486, 454);
  pg.title("Your colour history");
  pg.para("Every colour you save is kept in the file history.dat and comes back the next time you start. The "
          "cells beside the list show the colour of each line; move over the list or click a cell to see it with "
          "its complement, neighbours and shades.");
  pg.item("imgHistPick", "Add the colour shown to your palette.");
  pg.item("imgHistCopy", "Copy its hex code, with #, to the clipboard.");
  pg.item("imgClearItem", "Delete the selected colour. The first colour always stays.");
  pg.item("imgClearHistory", "Clear the list down to its first colour.");
  pg.item("imgCollapseColorPanel", "Return to the palette you are building.");
  pg.footer("Click the page to close it.");
  return pg.raster();
}

Raster24 artist_page() {
  Page pg(486, 454);
  pg.title("Palettes of the painters");
  pg.para("Click a painting or its caption: the painting fills the view and its painter's sixteen colours fill the "
          "slots, each with its shades, complement and neighbours. Your own palette is kept meanwhile.");
  pg.item("imgGenArtPal", "Take the painter's palette over as your own.");
  pg.item("imgResetpic", "Return to your own palette and picture.");
  pg.item("imgPickArt", "Colours you pick from a painting are added to your own palette.");
  pg.item("imgTestPic", "Try the painter's palette on a test picture.");
  pg.item("imgArtoff", "Close the painters and return to your palette.");
  pg.footer("Click the page to close it.");
  return pg.raster();
}

Raster24 grid_page() {
  Page pg(486, 454);
  pg.title("The variant grid");
  pg.para("Around the selected colour the grid shows its darker and lighter tones and its red, green and blue "
          "shifts of 10, 20 and 30 per cent, and the same shifts of its two neighbours and its complement. Click "
          "any cell to select its colour.");
  grid_sketch(pg.painter(), 96, pg.y + 4, 17);
  pg.text("Each block starts from its base cell in the middle column: the colour, a neighbour on either side of "
          "it and the complement.",
          240, kRight, pg.y + 6, kSoft);
  pg.y += 98;
  pg.item("imgVariantsPal", "Fill the palette with sixteen colours of the grid; click again for another choice.");
  pg.item("imgVaroff", "Hide the grid.");
  pg.link(kHelpLinkToDetails, "How neighbours and complements are made");
  pg.text("Slot rows switch their derived cells the same way when you click them.", 330, kRight, 362, kSoft);
  pg.text("Click elsewhere on the page to close it.", kLeft, kRight, 330, kSoft, false, 12.5);
  return pg.raster();
}

Raster24 grid_details_page() {
  Page pg(497, 449);
  pg.title("Neighbours and complements");
  hue_ring(pg.painter(), 394, pg.y + 100, 60);
  const double right = 296;
  pg.y += pg.text("The complement is the inverse of each channel (255 minus red, green and blue), or, in HSL, the "
                  "hue turned half way round.",
                  kLeft, right, pg.y) + 8;
  pg.y += pg.text("The neighbours rotate the red, green and blue channels (triadic, +135 and -135 degrees), or, in "
                  "HSL, step the hue by 15 of its 240 units up and down (analogic).",
                  kLeft, right, pg.y) + 14;
  pg.y = std::max(pg.y, 252.0);
  pg.item("imgVarcomp", "Switch the complement between RGB and HSL.");
  pg.item("imgVartriad1", "Switch the first neighbour between RGB and HSL.");
  pg.item("imgVartriad2", "Switch the second neighbour between RGB and HSL.");
  pg.footer("Click the page to return to the grid.");
  return pg.raster();
}

// One slot row as the window shows it: the five derived cells, then the slot's own buttons on its
// colour, with the names of the cells below.
void slot_row_sketch(Page& pg, double top) {
  VectorPainter& p = pg.painter();
  const TColor slot = RGB(214, 96, 76);
  const TColor cells[5] = {RGB(41, 159, 179), RGB(76, 214, 96), RGB(96, 76, 214), RGB(171, 77, 61), RGB(222, 128, 112)};
  const char* names[5] = {"compl.", "+135", "-135", "dark", "light"};
  p.no_pen();
  p.fill(slot);
  p.rect(kLeft, top, 311, 30);
  for (int i = 0; i < 5; ++i) {
    p.fill(cells[i]);
    p.rect(kLeft + 30 * i, top, 30, 30);
    p.pen(kSoft, 1);
    p.text(kLeft + 30 * i - 4, top + 32, 38, 14, names[i], 10.5, false, 1);
    p.no_pen();
  }
  auto blit = [&](const char* name, double x, double y) {
    TColor key = 0;
    const Raster24 g = make_glyph(name, key);
    for (int yy = 0; yy < g.height; ++yy)
      for (int xx = 0; xx < g.width; ++xx) {
        const TColor c = static_cast<TColor>(g.colour(xx, yy));
        if (c != key) p.set_pixel(static_cast<int>(x) + xx, static_cast<int>(y) + yy, c);
      }
  };
  for (int i = 0; i < 5; ++i) blit("imgCompli1", kLeft + 30 * i, top);
  blit("imgsavepan1", kLeft + 160, top + 5);
  blit("imgpan1Pal", kLeft + 186, top + 5);
  blit("imgcopy1", kLeft + 212, top + 7);
  blit("imgDel1", kLeft + 288, top + 7);
  pg.text("Click a cell to switch how it is made; its upper half selects its colour.", kLeft + 322, kRight, top - 4, kSoft,
          false, 12.5);
}

Raster24 full_palette_page() {
  Page pg(486, 454);
  pg.title("Your palette is full");
  pg.para("All sixteen slots hold a colour; each further colour you add replaces the last slot. Click a slot to edit "
          "it with the luminance, saturation and hue bars.");
  slot_row_sketch(pg, 120);
  pg.text("See every colour's tones and shifts in", kLeft, 160, 190, kSoft);
  pg.link(kHelpLinkToGrid, "variant grid");
  pg.text("Delete a slot with its cross: the slots below move up.", 296, kRight, 190, kSoft);
  pg.y = 256;
  pg.item("imgTestPic", "Try the palette on a test picture: each grey takes the colour of the same rank.");
  pg.item("butProcessPic", "Try it on a picture of your own, reduced to sixteen tones.");
  pg.item("imgcolrtone", "Sort the palette by tone, brightest first.");
  pg.item("imgPaletteAll", "Export the whole palette to a CSS palette file.");
  pg.footer("Click the page to close it.");
  return pg.raster();
}

Raster24 take_over_page() {
  Page pg(486, 454);
  pg.title("Make this palette yours");
  pg.para("The slots hold a palette you are looking at: a painter's colours or a palette file. Keep it as your own "
          "palette to edit, sort, save and export it like colours you picked yourself.");
  pg.item("imgGenArtPal", "Load this palette into yours.");
  pg.item("imgResetpic", "Or return to the palette you had.");
  pg.item("imgsavepan1", "Save one colour of a slot to your colour history.");
  pg.item("imgpan1Pal", "Export one colour with its derived colours to a CSS file.");
  pg.item("imgcopy1", "Copy a slot's hex code to the clipboard.");
  pg.footer("Click the page to close it.");
  return pg.raster();
}

Raster24 saved_palettes_page() {
  Page pg(486, 454);
  pg.title("Your saved palettes");
  pg.para("The list shows the CSS palette files of the current folder. The cell beside each palette file of "
          "Huewright shows its first colour.");
  pg.para("Click a file to load its palette into the slots; leaving the list brings back the palette you were "
          "building.",
          kSoft);
  pg.item("imgClearItem", "Delete a palette file: choose this, then click the file.");
  pg.item("imgCSSoff", "Leave the list and return to your palette.");
  pg.item("imgPaletteAll", "Palette files are written by the export of the whole palette...");
  pg.item("imgpan1Pal", "...and by the export of one slot with its derived colours.");
  pg.footer("Click the page to close it.");
  return pg.raster();
}

struct PageEntry {
  const char* holder;
  Raster24 (*make)();
};
constexpr PageEntry kPages[] = {
    {"Image1", first_page},         {"Image2", history_page},      {"Image3", artist_page},
    {"Image4", grid_page},          {"Image7", grid_details_page}, {"Image8", full_palette_page},
    {"Image9", take_over_page},     {"Image11", saved_palettes_page},
};

}  // namespace

std::vector<std::string> help_page_names() {
  std::vector<std::string> out;
  for (const PageEntry& e : kPages) out.emplace_back(e.holder);
  return out;
}

Raster24 make_help_page(std::string_view holder) {
  for (const PageEntry& e : kPages)
    if (holder == e.holder) return e.make();
  throw std::invalid_argument("no help page '" + std::string(holder) + "'");
}

Raster24 make_help_logo(TColor& key) {
  // A ring of hues around a dark centre, on a transparent ground.
  VectorPainter p(25, 25, 0, true);
  const double cx = 12.5, cy = 12.5, r = 11.5;
  for (int k = 0; k < 8; ++k) {
    const double a0 = k * 45.0 + 90, a1 = a0 + 45;
    std::vector<VPoint> seg = {{cx, cy}};
    for (int s = 0; s <= 6; ++s) {
      const double a = (a0 + (a1 - a0) * s / 6) * std::numbers::pi / 180;
      seg.push_back({cx + r * std::cos(a), cy - r * std::sin(a)});
    }
    p.no_pen();
    p.fill(hue_colour(k * 45.0));
    p.polygon(seg);
  }
  p.fill(kPageColour);
  p.pen(RGB(240, 238, 234), 1.6);
  p.ellipse(cx, cy, 5.2, 5.2);
  key = kGlyphKey;
  Raster24 out(25, 25);
  const std::vector<std::uint32_t> px = p.argb();
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 25; ++x) {
      const std::uint32_t v = px[static_cast<size_t>(y * 25 + x)];
      const int a = static_cast<int>(v >> 24);
      if (a < 96) {
        out.set(x, y, GetRValue(kGlyphKey), GetGValue(kGlyphKey), GetBValue(kGlyphKey));
        continue;
      }
      // Edges blended over the page colour the logo lies on.
      auto mix = [&](int c, int b) { return (c * a + b * (255 - a) + 127) / 255; };
      out.set(x, y, mix(static_cast<int>((v >> 16) & 0xFF), 0x48), mix(static_cast<int>((v >> 8) & 0xFF), 0x4B),
              mix(static_cast<int>(v & 0xFF), 0x52));
    }
  return out;
}
