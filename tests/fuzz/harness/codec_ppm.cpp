// The codec layer with format id 14 (PPM).
#include "tests/fuzz/support/codec_harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return hw_fuzz::run_codec(14, data, size, false);
}
