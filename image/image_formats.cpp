#include "image/image_formats.hpp"

#include "image/format_registry.hpp"
#include "image/gdiplus.hpp"
#include "image/icon_graphic.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"

namespace {

template <class T>
TDibGraphicClass graphic_class() {
  return [] { return std::make_unique<T>(); };
}

// Registration and clean-up run on the user-interface thread, at start and at the end.
bool registered = false;

}  // namespace

void register_image_formats() {
  if (registered) return;
  registered = true;
  InitDibGraphicUnit();
  RegisterDibGraphic("PPM", "Portable Pixelmap", graphic_class<TPpmGraphic>());
  RegisterDibGraphic("PGM", "Portable Greymap", graphic_class<TPpmGraphic>());
  RegisterDibGraphic("PBM", "Portable Bitmap", graphic_class<TPpmGraphic>());
  RegisterDibGraphic("TIF", "Tagged Image File Format", graphic_class<TTiffGraphic>());
  RegisterDibGraphic("TIFF", "Tagged Image File Format", graphic_class<TTiffGraphic>());
  RegisterDibGraphic("JPG", "JPEG Interchange Format", graphic_class<TJpegGraphic>());
  RegisterDibGraphic("JPEG", "JPEG Interchange Format", graphic_class<TJpegGraphic>());
  RegisterDibGraphic("PNG", "Portable Network Graphic", graphic_class<TPngGraphic>());
  SetIconGraphicClass(graphic_class<TIconGraphic>());
  zu_gdiplus::RegisterMetafileGraphic();
}

void unregister_image_formats() {
  if (!registered) return;
  registered = false;
  ClearDibGraphicRegistry();
  zu_gdiplus::UnregisterMetafileGraphic();
  SetIconGraphicClass({});
  DoneDibGraphicUnit();
}
