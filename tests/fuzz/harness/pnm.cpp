// PBM, PGM and PPM headers as our two header readers see them (the picture view's size check and
// the annotation pictures' one), which must agree with each other, and the annotation pictures'
// decoding of PPM text.
#include <optional>
#include <string>
#include <string_view>

#include "annotate/mark_picture_text.hpp"
#include "image/dib_graphic.hpp"
#include "image/picture_header.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr int kPpmId = 14;
  TBytesStream stream(data, static_cast<Int64>(size));
  std::optional<TDeclaredPicture> declared;
  HW_FUZZ_REFUSES(declared = ReadDeclaredPicture(stream, kPpmId, 1));
  if (stream.Position() != 0) hw_fuzz::broken("the header check moved the stream");

  const std::string text(reinterpret_cast<const char*>(data), size);
  std::int64_t width = 0, height = 0;
  const bool read = ReadPnmHeaderSize(text, width, height);
  if (read && declared && (declared->Width != width || declared->Height != height))
    hw_fuzz::broken("the two PNM header readers read different sizes");
  if (read) PnmSizeFitsText(width, height, size);

  HW_FUZZ_REFUSES(HGLOBAL dib = PpmTextToDib(text); TDibGraphic picture; picture.AssignFromDIBHandle(dib);
                  GlobalFree(dib); hw_fuzz::exercise(picture));
  return 0;
}
