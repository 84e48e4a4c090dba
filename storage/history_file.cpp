#include "storage/history_file.hpp"

#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"

const char* const kHistoryFile = "history.dat";
const char* const kDefaultHistoryLine = "hex006095\u00B7rgb0,96,149\u00B7cmyk149,53,0,107";

std::vector<std::string> read_history_file(const std::string& file_name, bool* utf8) {
  try {
    const std::string bytes = read_file_bytes(file_name);
    // A mend: UTF-16 text (with either byte-order mark) read as Windows-1252 would come back
    // garbled and be written so at the close; it counts as a history that cannot be read.
    if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0)
      throw EInOutError(Format("Cannot read file \"%s\". It is UTF-16 text, which Huewright does not read.", {file_name}));
    return decode_text_lines(bytes, utf8);
  } catch (const EStreamError& e) {
    throw EInOutError(e.Message());
  }
}

void write_history_file(const std::string& file_name, const std::vector<std::string>& entries, bool utf8) {
  try {
    write_file_bytes_atomic(file_name, encode_text_lines(entries, utf8));
  } catch (const EStreamError& e) {
    throw EInOutError(e.Message());
  }
}

std::string history_hex_text(const std::string& entry) { return copy_characters(entry, 4, 6); }
