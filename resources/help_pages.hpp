// The pages of the help window, drawn as pages of text with the buttons they explain, and the
// small logo in its corner.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.hpp"
#include "resources/raster.hpp"

// The holders of the help pages: "Image1" (first page), "Image2" (history), "Image3" (artist mode),
// "Image4" (variant grid), "Image7" (variant grid details), "Image8" (full palette), "Image9" (a
// painter's palette can be taken over), "Image11" (saved palettes).
std::vector<std::string> help_page_names();

// The page of a holder: 486 x 454 pixels, "Image7" 497 x 449. Throws std::invalid_argument for
// any other name. Needs the application object (fonts).
Raster24 make_help_page(std::string_view holder);

// The 25 x 25 logo ("Image10"); `key` receives the colour of its transparent pixels.
Raster24 make_help_logo(TColor& key);

// The places of the help window's two hot spots, which the pages mark as links: on the first page
// and the full-palette page the one that leads to the variant grid, on the variant grid page the
// one that leads to its details.
struct HelpLink {
  int left, top, width, height;
};
constexpr HelpLink kHelpLinkToGrid{168, 192, 113, 49};
constexpr HelpLink kHelpLinkToDetails{120, 360, 193, 87};
