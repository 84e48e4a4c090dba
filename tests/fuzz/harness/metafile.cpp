// Metafiles over libgdiplus: the picture container's metafile graphic loads the bytes or refuses
// them with the program's own error, plays them onto a bitmap, and the context plays them as an
// enhanced metafile handle.
#include <cstdint>

#include "image/gdiplus.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

using namespace zu_gdiplus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!GdiPlus().Loaded()) hw_fuzz::broken("libgdiplus.so.0 is needed");
  TMemoryStream stream;
  if (size) stream.WriteBuffer(data, static_cast<Int64>(size));
  TMetafile picture;
  HW_FUZZ_REFUSES(picture.LoadFromStream(stream));
  if (!picture.Empty() && std::int64_t{picture.Width()} * picture.Height() <= 4'000'000) {
    // A metafile that cannot be played within its limits is refused with the program's error.
    HW_FUZZ_REFUSES({
      std::unique_ptr<TBitmap> bitmap = picture.ToBitmap();
      if (!bitmap || bitmap->Width() != picture.Width() || bitmap->Height() != picture.Height())
        hw_fuzz::broken("the bitmap of a metafile has another size");
    });
  }
  if (size == 0) return 0;
  TBitmap canvas;
  canvas.SetSize(64, 48);
  HENHMETAFILE handle = SetEnhMetaFileBits(static_cast<UINT>(size), data);
  GdiPlus().DrawMetafile(canvas.Canvas()->Handle(), handle, Rect(-8, 4, 70, 40));
  DeleteEnhMetaFile(handle);
  return 0;
}
