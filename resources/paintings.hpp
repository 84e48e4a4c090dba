// The ten example painters: their sixteen-colour palettes, their paintings (colour studies drawn
// by code from the painter's own sixteen colours, at the sizes the window shows them) and the
// captions of the thumbnails.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "resources/raster.hpp"

struct Painter {
  const char* name;        // "Norvando"
  const char* thumbnail;   // the component holding the painting, "imgNorvandopic"
  int width;               // size of the painting
  int height;
  const char* title;       // the painting's title
  int year;
  std::array<const char*, 16> colours;  // RRGGBB hex texts, slot 1 first
};

// The painters in the order of their thumbnails, top to bottom.
const std::array<Painter, 10>& painters();

// The painter of a name ("Tambrel"); throws std::invalid_argument for an unknown name.
const Painter& painter(std::string_view name);

// The caption of a thumbnail: painter, painting and year.
std::string painting_caption(const Painter& p);

// The painting of a painter, a 24-bit picture of the painter's size in which each of the sixteen
// colours covers regions of its own. Needs the application object.
Raster24 make_painting(const Painter& p);
