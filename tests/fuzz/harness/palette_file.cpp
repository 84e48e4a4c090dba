// Palette files: the 16 colour positions as the palette list reads them, and their colours.
#include <string_view>

#include "platform/text_codec.hpp"
#include "platform/types.hpp"
#include "storage/css_palette_file.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<CssPosition> positions = css_palette_positions(decode_text_lines(bytes));
  if (positions.size() > 16) hw_fuzz::broken("more than 16 colour positions");
  for (const CssPosition& p : positions) {
    if (p.generator || p.text.size() != 6) continue;
    HW_FUZZ_REFUSES(WebColorStrToColor(p.text));
  }
  return 0;
}
