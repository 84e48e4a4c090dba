// "history.dat": its lines as the history list reads them, the colour of each entry, and a save
// that reads back as the same lines.
#include <string>
#include <string_view>

#include "platform/text_codec.hpp"
#include "platform/types.hpp"
#include "storage/history_file.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = decode_text_lines(bytes);
  for (const std::string& entry : entries) {
    const std::string hex = history_hex_text(entry);
    HW_FUZZ_REFUSES(WebColorStrToColor(hex));
  }
  // Windows-1252 text saves back unchanged (a UTF-8 file may hold characters the code page lacks).
  if (bytes.substr(0, 3) != "\xEF\xBB\xBF" && decode_text_lines(encode_text_lines(entries)) != entries)
    hw_fuzz::broken("the history does not read back as it was saved");
  return 0;
}
