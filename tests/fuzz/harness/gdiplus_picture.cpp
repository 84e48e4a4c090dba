// The GDI+ picture class over libgdiplus: it decodes into a picture of its size or stays empty.
// Its seeds and finds are the GDI+ fallback's (tests/fuzz/*/gdiplus): the same bytes reach both
// readers, each in a harness of its own, so that one input costs one decode.
#include <cstdint>

#include "image/gdiplus.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

using namespace zu_gdiplus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!GdiPlus().Loaded()) hw_fuzz::broken("libgdiplus.so.0 is needed");
  TMemoryStream stream;
  if (size) stream.WriteBuffer(data, static_cast<Int64>(size));
  TGdipPicture picture;
  HW_FUZZ_REFUSES(picture.LoadFromStream(stream));
  if (!picture.Empty()) {
    if (picture.Width() <= 0 || picture.Height() <= 0) hw_fuzz::broken("a decoded picture without a size");
    // Small pictures only: the bomb limit is the codec layer's business (the gdiplus harness).
    if (std::int64_t{picture.Width()} * picture.Height() <= 4'000'000) {
      std::unique_ptr<TBitmap> bitmap;
      HW_FUZZ_REFUSES(bitmap = picture.ToBitmap());
      if (bitmap && (bitmap->Width() != picture.Width() || bitmap->Height() != picture.Height()))
        hw_fuzz::broken("the bitmap of a picture has another size");
    }
  }
  return 0;
}
