// Icon files through the icon class.
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TBytesStream stream(data, static_cast<Int64>(size));
  TIcon icon;
  HW_FUZZ_REFUSES(icon.LoadFromStream(stream); hw_fuzz::exercise(icon));
  return 0;
}
