// The codec layer's second decoder, over the GDI+ unit.
#include <memory>
#include <mutex>

#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#if __has_include("image/gdiplus.hpp")
#include "image/gdiplus.hpp"

void LoadWithGdiPlus(TStream& Stream, TDibGraphic& Target) {
  std::lock_guard lock(FreeImageDecodingLock());
  zu_gdiplus::TGdipPicture picture;
  picture.LoadFromStream(Stream);
  std::unique_ptr<TBitmap> bitmap = picture.ToBitmap();
  // No bitmap assigns nothing, which empties the target.
  Target.Assign(bitmap.get());
}
#else
// TEMPORARY stand-in until the GDI+ unit lands: decodes nothing.
void LoadWithGdiPlus(TStream&, TDibGraphic& Target) {
  std::lock_guard lock(FreeImageDecodingLock());
  Target.Assign(nullptr);
}
#endif
