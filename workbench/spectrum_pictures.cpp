#include "workbench/spectrum_pictures.hpp"

#include <cstring>

#include "resources/spectrum_strips.hpp"

std::unique_ptr<TDibGraphic> picture_of(const Raster24& raster) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(raster.width, raster.height, ifTrueColor, nullptr, 96, 96);
  const size_t row_bytes = static_cast<size_t>(raster.width) * 3;
  for (int y = 0; y < raster.height; ++y) std::memcpy(g->GetScanLine(y), raster.row(y), row_bytes);
  return g;
}

void assign_spectrum_picture(TImage& holder, int step) {
  auto g = picture_of(make_spectrum_strip(step));
  holder.Picture().SetGraphic(g.get());
}
