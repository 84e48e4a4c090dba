#include "workbench/glyph_pictures.hpp"

#include <cstring>

#include "resources/glyphs.hpp"

TSize glyph_size(const std::string& name) {
  if (!has_glyph(name)) return TSize{24, 24};
  GlyphInfo info = glyph_info(name);
  return TSize{info.width, info.height};
}

void assign_glyph(TImage& image, const std::string& name) {
  if (!has_glyph(name)) return;
  TColor key = clNone;
  Raster24 raster = make_glyph(name, key);
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(raster.width, raster.height);
  for (int y = 0; y < raster.height; ++y)
    std::memcpy(bitmap.ScanLine(y), raster.row(y), static_cast<size_t>(raster.width) * 3);
  if (key != clNone) bitmap.SetTransparentColor(key);
  image.Picture().SetGraphic(&bitmap);
  image.SetTransparent(key != clNone);
}
