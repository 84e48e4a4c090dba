// Format detection by content: the declared size told by the first bytes, the format class
// whose CanRead accepts the bytes, and a load through that class.
#include <optional>

#include "image/format_registry.hpp"
#include "image/picture_header.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TBytesStream stream(data, static_cast<Int64>(size));
  std::optional<TDeclaredPicture> declared;
  HW_FUZZ_REFUSES(declared = ReadDeclaredPicture(stream));
  if (stream.Position() != 0) hw_fuzz::broken("the header check moved the stream");
  TDibGraphicClass found;
  HW_FUZZ_REFUSES(found = FindDibGraphicClassByStream(stream));
  if (stream.Position() != 0) hw_fuzz::broken("detection moved the stream");
  if (found) {
    std::unique_ptr<TDibGraphic> picture = found();
    HW_FUZZ_REFUSES(picture->LoadFromStream(stream); hw_fuzz::exercise(*picture));
  }
  return 0;
}
