// The codec layer with format id 18 (TIFF).
#include "tests/fuzz/support/codec_harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return hw_fuzz::run_codec(18, data, size, true);
}
