// The codec layer's second decoder, over the GDI+ unit.
#include <memory>
#include <mutex>

#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "image/gdiplus.hpp"

void LoadWithGdiPlus(TStream& Stream, TDibGraphic& Target) {
  std::lock_guard lock(FreeImageDecodingLock());
  std::unique_ptr<TBitmap> bitmap = zu_gdiplus::decode_with_gdiplus(Stream);
  // No bitmap assigns nothing, which empties the target.
  Target.Assign(bitmap.get());
}
