// The GDI+ fallback over libgdiplus: the codec layer's second decoder (the picture class has a
// harness of its own, gdiplus_picture, fed the same seeds).
#include <cstdint>

#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "image/gdiplus.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!zu_gdiplus::GdiPlus().Loaded()) hw_fuzz::broken("libgdiplus.so.0 is needed");
  TMemoryStream stream;
  if (size) stream.WriteBuffer(data, static_cast<Int64>(size));
  TDibGraphic target;
  HW_FUZZ_REFUSES(LoadWithGdiPlus(stream, target); hw_fuzz::exercise(target));
  return 0;
}
