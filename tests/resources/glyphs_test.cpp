#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "resources/glyphs.hpp"

namespace {

struct Want {
  std::string name;
  int w, h;  // 0 when the window leaves the size to the picture
};

// Every picture button and picture holder of the main window, with the sizes the window gives them.
std::vector<Want> window_names() {
  std::vector<Want> v = {
      {"imgPick", 0, 0},         {"imgPickArt", 0, 0},         {"imgpickartOK", 0, 0},      {"imgCopyblu", 16, 16},
      {"imgCopyRed", 16, 16},    {"imgHistCopy", 21, 20},      {"imghistcopyblu", 21, 20},  {"imgHistCopyred", 21, 20},
      {"imgHistPick", 0, 0},     {"imgExtendpanel", 0, 0},     {"imgCollapseColorPanel", 0, 0},
      {"imgCollapsepanel", 0, 0}, {"imgEdColor", 30, 22},      {"imgedcolorsearch", 31, 21},
      {"imgedcolorsearchblu", 31, 21}, {"imgedcolorsearchred", 31, 21}, {"imgZoom", 0, 0}, {"imgLoadpic", 0, 0},
      {"imgCSS", 0, 0},          {"imgCSSload", 0, 0},         {"imgCSSoff", 0, 0},         {"imgClearCSS", 0, 0},
      {"imgClearPicked", 0, 0},  {"imgClearItem", 0, 0},       {"imgClearHistory", 0, 0},   {"imgSave", 0, 0},
      {"imgSaveAll", 0, 0},      {"imgPalette", 0, 0},         {"imgPaletteAll", 0, 0},     {"imgGenPal", 0, 0},
      {"imgGenSpec", 0, 0},      {"imgGenArtPal", 0, 0},       {"imgcolrtone", 0, 0},       {"imgVar", 30, 24},
      {"imgVaron", 30, 24},      {"imgVaroff", 30, 24},        {"imgVariantsPal", 20, 20},  {"imgVariantPal2", 20, 20},
      {"imgVariantPal3", 20, 20}, {"imgVarcomp", 30, 30},      {"imgVartriad1", 30, 30},    {"imgVartriad2", 30, 30},
      {"imgResetVariant", 0, 0}, {"imgReset", 0, 0},           {"imgResetpic", 0, 0},       {"imgResetSpectrum", 0, 0},
      {"imgArt", 0, 0},          {"imgArton", 0, 0},           {"imgArtoff", 0, 0},         {"imgTestPic", 0, 0},
      {"imgTestPic0", 0, 0},     {"imgTestPic1", 0, 0},        {"imgSaveTest", 0, 0},       {"butProcessPic", 0, 0},
      {"imgHelp", 0, 0},         {"imggreygrad", 40, 480},     {"img000", 40, 32},
  };
  for (int step = 135; step <= 255; step += 8) v.push_back({"img" + std::to_string(step), 40, 28});
  for (int n = 1; n <= 16; ++n) {
    const std::string k = std::to_string(n);
    v.push_back({"imgsavepan" + k, 0, 0});
    v.push_back({"imgpan" + k + "Pal", 0, 0});
    v.push_back({"imgcopy" + k, 16, 16});
    v.push_back({"imgDel" + k, 0, 0});
    for (const std::string& pick : {"imgCompli" + k, "imgTriad120" + k, "imgTriad240" + k, "imgpickpan" + k + "dark", "imgpickpan" + k + "light"})
      v.push_back({pick, 30, 15});
  }
  return v;
}

Raster24 glyph(const std::string& name) {
  TColor key = 0;
  return make_glyph(name, key);
}

// Share of pixels in which two equal-sized pictures differ.
double differing_share(const Raster24& a, const Raster24& b) {
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  if (a.width != b.width || a.height != b.height) return 1.0;
  int diff = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) diff += a.colour(x, y) != b.colour(x, y);
  return static_cast<double>(diff) / (a.width * a.height);
}

}  // namespace

TEST(Glyphs, EveryWindowNameHasAGlyphOfItsSize) {
  const std::vector<std::string> listed = glyph_names();
  const std::set<std::string> all(listed.begin(), listed.end());
  EXPECT_EQ(all.size(), listed.size()) << "no name listed twice";
  for (const Want& w : window_names()) {
    SCOPED_TRACE(w.name);
    ASSERT_TRUE(has_glyph(w.name));
    EXPECT_TRUE(all.count(w.name));
    const GlyphInfo info = glyph_info(w.name);
    TColor key = 0;
    const Raster24 r = make_glyph(w.name, key);
    EXPECT_EQ(r.width, info.width);
    EXPECT_EQ(r.height, info.height);
    EXPECT_EQ(r.bgr.size(), static_cast<size_t>(r.width) * r.height * 3);
    if (w.w) {
      EXPECT_EQ(info.width, w.w);
      EXPECT_EQ(info.height, w.h);
    } else {  // a button of the side panel or a slot row: small enough for its place
      EXPECT_GE(info.width, 14);
      EXPECT_LE(info.width, 40);
      EXPECT_GE(info.height, 14);
      EXPECT_LE(info.height, 40);
    }
    EXPECT_EQ(key == clNone, !info.transparent);
  }
}

TEST(Glyphs, TransparentGlyphsHaveKeyedCornersAndVisibleInk) {
  for (const std::string& name : glyph_names()) {
    SCOPED_TRACE(name);
    TColor key = 0;
    const Raster24 r = make_glyph(name, key);
    if (key == clNone) continue;
    EXPECT_EQ(key, kGlyphKey);
    const auto k = static_cast<std::uint32_t>(key);
    EXPECT_EQ(r.colour(0, 0), k);
    EXPECT_EQ(r.colour(r.width - 1, r.height - 1), k);
    int ink = 0;
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) ink += r.colour(x, y) != k;
    EXPECT_GT(ink, r.width * r.height / 12) << "too little drawn";
    EXPECT_LT(ink, r.width * r.height) << "nothing transparent";
  }
}

TEST(Glyphs, PairedStatesDifferVisibly) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"imgCopyblu", "imgCopyRed"},          {"imghistcopyblu", "imgHistCopyred"}, {"imgVaron", "imgVaroff"},
      {"imgArton", "imgArtoff"},             {"imgCSSload", "imgCSSoff"},          {"imgedcolorsearchblu", "imgedcolorsearchred"},
      {"imgTestPic0", "imgTestPic1"},        {"imgVariantsPal", "imgVariantPal2"}, {"imgVariantPal2", "imgVariantPal3"},
      {"imgPickArt", "imgpickartOK"},        {"imgPick", "imgPickArt"},            {"imgVartriad1", "imgVartriad2"},
  };
  for (const auto& [a, b] : pairs) EXPECT_GT(differing_share(glyph(a), glyph(b)), 0.04) << a << " / " << b;
}

TEST(Glyphs, ButtonsStartWithThePictureTheirHandlersRestore) {
  const std::vector<std::pair<std::string, std::string>> same = {
      {"imgcopy1", "imgCopyblu"},       {"imgcopy16", "imgCopyblu"},        {"imgHistCopy", "imghistcopyblu"},
      {"imgVar", "imgVaron"},           {"imgArt", "imgArton"},             {"imgCSS", "imgCSSload"},
      {"imgedcolorsearch", "imgedcolorsearchblu"}, {"imgTestPic", "imgTestPic0"}, {"imgVariantsPal", "imgVariantPal3"},
      {"imgDel1", "imgDel9"},           {"imgsavepan2", "imgsavepan15"},    {"imgTriad2407", "imgpickpan3light"},
  };
  for (const auto& [a, b] : same) EXPECT_EQ(glyph(a).bgr, glyph(b).bgr) << a << " / " << b;
}

TEST(Glyphs, EachToolHasItsOwnDrawing) {
  // Tools that do different things never share a picture.
  const std::vector<std::string> tools = {
      "imgPick", "imgPickArt", "imgHistPick", "imgExtendpanel", "imgCollapseColorPanel", "imgCollapsepanel", "imgZoom",
      "imgLoadpic", "imgCSS", "imgClearCSS", "imgClearPicked", "imgClearItem", "imgClearHistory", "imgSave",
      "imgSaveAll", "imgPalette", "imgPaletteAll", "imgGenPal", "imgGenSpec", "imgGenArtPal", "imgcolrtone", "imgVar",
      "imgResetVariant", "imgReset", "imgResetpic", "imgResetSpectrum", "imgArt", "imgTestPic", "imgSaveTest",
      "butProcessPic", "imgHelp", "imgVarcomp", "imgVartriad1",
  };
  std::vector<Raster24> pics;
  for (const auto& t : tools) pics.push_back(glyph(t));
  for (size_t i = 0; i < tools.size(); ++i)
    for (size_t j = i + 1; j < tools.size(); ++j)
      if (pics[i].width == pics[j].width && pics[i].height == pics[j].height) {
        EXPECT_GT(differing_share(pics[i], pics[j]), 0.04) << tools[i] << " / " << tools[j];
      }
}

TEST(Glyphs, PanelGlyphsNameThePanelTheyAreDrawnFor) {
  const std::set<TColor> panels = {0x00775652, 0x00535358, 0x00566050};
  for (const char* n : {"imgZoom", "imgLoadpic", "imgVar", "imgArtoff", "imgClearHistory", "imgGenArtPal", "imgHelp"})
    EXPECT_TRUE(panels.count(glyph_info(n).backdrop)) << n;
  // Glyphs over colours of any kind carry their own plate.
  for (const char* n : {"imgPick", "imgcopy4", "imgDel2", "imgHistCopy", "imgCompli3", "img000", "imggreygrad"})
    EXPECT_EQ(glyph_info(n).backdrop, clNone) << n;
}

TEST(Glyphs, FamilyNumbersOutsideTheSlotsAndUnknownNamesAreRefused) {
  for (const char* bad : {"imgDel0", "imgDel17", "imgDel01", "imgDel", "imgDelx", "imgsavepan", "imgpanPal",
                          "imgpan17Pal", "imgpickpandark", "imgTriad120", "imgNothing", "", "img001", "IMGPICK"}) {
    EXPECT_FALSE(has_glyph(bad)) << bad;
    TColor key;
    EXPECT_THROW(make_glyph(bad, key), std::invalid_argument) << bad;
    EXPECT_THROW(glyph_info(bad), std::invalid_argument) << bad;
  }
  EXPECT_TRUE(has_glyph("imgTriad12016"));
  EXPECT_TRUE(has_glyph("imgTriad2401"));
  EXPECT_TRUE(has_glyph("imgpickpan10dark"));
}

TEST(Glyphs, SpectrumButtonsPreviewTheirStrips) {
  auto luma = [](std::uint32_t c) { return (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF); };
  auto row_light = [&](const Raster24& r, int y) {
    long s = 0;
    for (int x = 8; x < r.width - 8; ++x) s += luma(r.colour(x, y));
    return s;
  };
  // Brightness strip: white on top, black at the bottom.
  const Raster24 b = glyph("img000");
  EXPECT_GT(row_light(b, 4), row_light(b, b.height - 5) + 24 * 3 * 150);
  // Saturation strips: the lower the step, the darker the whole preview.
  long prev = -1;
  for (int step = 135; step <= 255; step += 8) {
    const Raster24 s = glyph("img" + std::to_string(step));
    long total = 0;
    for (int y = 4; y < s.height - 4; ++y) total += row_light(s, y);
    EXPECT_GT(total, prev) << step;
    prev = total;
  }
  // The middle of a preview is colourful: some pixel there has channels far apart.
  const Raster24 m = glyph("img255");
  int spread = 0;
  for (int x = 5; x < 35; ++x) {
    const std::uint32_t c = m.colour(x, m.height / 2);
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, bl = (c >> 16) & 0xFF;
    spread = std::max(spread, std::max({r, g, bl}) - std::min({r, g, bl}));
  }
  EXPECT_GT(spread, 120);
}

TEST(Glyphs, GreyBackdropIsOpaqueAndDarkensDownwards) {
  TColor key = 0;
  const Raster24 g = make_glyph("imggreygrad", key);
  EXPECT_EQ(key, clNone);
  for (int y = 0; y < g.height; ++y) {
    const std::uint32_t c = g.colour(20, y);
    EXPECT_LE(std::max({c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF}) - std::min({c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF}), 8u)
        << "grey at row " << y;
    if (y > 0) {
      EXPECT_LE(c & 0xFF, g.colour(20, y - 1) & 0xFF) << y;
    }
  }
  EXPECT_GT(g.colour(20, 0) & 0xFF, (g.colour(20, 479) & 0xFF) + 40);
}
