// The pictures of the main window's picture buttons, drawn by code from one table keyed by the
// name of the component that holds them: tool buttons, the per-slot buttons, the 80 per-cell pick
// images, the hidden holders of alternative pictures, the spectrum buttons and their backdrop.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.hpp"
#include "resources/raster.hpp"

struct GlyphInfo {
  int width = 0;
  int height = 0;
  // Whether the picture has a colour key for its transparent parts.
  bool transparent = false;
  // The panel colour the glyph is drawn for (its antialiased edges are blended over it), or
  // clNone for a glyph on its own plate, over colour cells or opaque.
  TColor backdrop = clNone;
};

// The colour that marks the transparent parts of a glyph.
constexpr TColor kGlyphKey = 0x00FF00FF;

// Whether a component of this name carries a glyph. Families of 16 are named with the slot
// number: "imgsavepan7", "imgpan12Pal", "imgcopy3", "imgDel16", "imgCompli5", "imgTriad1209",
// "imgTriad24016", "imgpickpan4dark", "imgpickpan4light".
bool has_glyph(std::string_view holder);

// Every name that carries a glyph, the families written out member by member.
std::vector<std::string> glyph_names();

// Size and transparency of the glyph of a holder; throws std::invalid_argument for an unknown name.
GlyphInfo glyph_info(std::string_view holder);

// Draws the glyph of a holder. `key` receives the colour of its transparent pixels (kGlyphKey),
// or clNone when the picture is opaque. Throws std::invalid_argument for an unknown name.
// Needs the application object (fonts).
Raster24 make_glyph(std::string_view holder, TColor& key);
