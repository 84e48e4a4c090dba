#include "image/image_formats.hpp"

#include <mutex>

#include "image/format_registry.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"

namespace {

template <class T>
TDibGraphicClass graphic_class() {
  return [] { return std::make_unique<T>(); };
}

}  // namespace

void register_image_formats() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterDibGraphic("PPM", "Portable Pixelmap", graphic_class<TPpmGraphic>());
    RegisterDibGraphic("PGM", "Portable Greymap", graphic_class<TPpmGraphic>());
    RegisterDibGraphic("PBM", "Portable Bitmap", graphic_class<TPpmGraphic>());
    RegisterDibGraphic("TIF", "Tagged Image File Format", graphic_class<TTiffGraphic>());
    RegisterDibGraphic("TIFF", "Tagged Image File Format", graphic_class<TTiffGraphic>());
    RegisterDibGraphic("JPG", "JPEG Interchange Format", graphic_class<TJpegGraphic>());
    RegisterDibGraphic("JPEG", "JPEG Interchange Format", graphic_class<TJpegGraphic>());
    RegisterDibGraphic("PNG", "Portable Network Graphic", graphic_class<TPngGraphic>());
  });
}
