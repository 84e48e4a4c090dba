// The codec layer with format id 13 (PNG).
#include "tests/fuzz/support/codec_harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return hw_fuzz::run_codec(13, data, size, false);
}
