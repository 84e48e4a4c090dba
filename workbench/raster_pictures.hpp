// The drawn rasters of the built-in pictures made into true-colour pictures of the image library
// (the spectrum strips, the painters' paintings, the help pages): one conversion for all.
#pragma once

#include <cstring>
#include <memory>

#include "image/dib_graphic.hpp"
#include "resources/raster.hpp"

// A true-colour picture of class G (TDibGraphic or one of its format classes) at 96 dots per
// inch, holding the raster's rows.
template <class G = TDibGraphic>
std::unique_ptr<G> picture_of(const Raster24& raster) {
  auto g = std::make_unique<G>();
  g->NewImage(raster.width, raster.height, ifTrueColor, nullptr, 96, 96);
  const std::size_t row_bytes = static_cast<std::size_t>(raster.width) * 3;
  for (int y = 0; y < raster.height; ++y) std::memcpy(g->GetScanLine(y), raster.row(y), row_bytes);
  return g;
}
