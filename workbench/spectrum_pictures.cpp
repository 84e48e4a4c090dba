#include "workbench/spectrum_pictures.hpp"

#include "resources/spectrum_strips.hpp"

std::unique_ptr<TDibGraphic> spectrum_picture(int step) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(kSpectrumWidth, kSpectrumHeight, ifTrueColor, nullptr, 96, 96);
  draw_spectrum_strip(step, [&](int y) { return g->GetScanLine(y); });
  return g;
}

void assign_spectrum_picture(TImage& holder, int step) { holder.Picture().TakeGraphic(spectrum_picture(step)); }
