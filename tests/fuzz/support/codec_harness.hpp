// The codec layer for one format id: page 1 of the bytes decoded as the picture view decodes a
// file of that format (header check, FreeImage, the GDI+ fallback where the id has one), and
// page 2 of a multi-page file.
#pragma once
#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

namespace hw_fuzz {

inline int run_codec(int fif, const std::uint8_t* data, std::size_t size, bool multi_page) {
  TBytesStream stream(data, static_cast<Int64>(size));
  {
    TDibGraphic picture;
    HW_FUZZ_REFUSES(LoadDibFromStream(stream, fif, 1, 0, picture, {}, {}, {}); exercise(picture));
  }
  if (multi_page) {
    stream.SetPosition(0);
    int pages = 0;
    HW_FUZZ_REFUSES(pages = GetDibPageCount(stream, fif));
    if (stream.Position() != 0) broken("counting pages moved the stream");
    if (pages > 1) {
      TDibGraphic second;
      HW_FUZZ_REFUSES(LoadDibFromStream(stream, fif, 2, 0, second, {}, {}, {}); exercise(second));
    }
  }
  return 0;
}

}  // namespace hw_fuzz
