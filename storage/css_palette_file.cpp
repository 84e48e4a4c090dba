#include "storage/css_palette_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"

const char* const kCssGeneratorLine = "/* palette made with Tintgrabber, \u00A9 Huewright */";
const char* const kCssClosingLine = "/* more palettes and help: https://huewright.org/ */";
const char* const kWorkingPaletteFile = "session.css";

namespace {

const char* const kClassPrefix = ".color-primary-0 { color: #";

std::string colour_line(const std::string& hex, const char* comment) {
  return std::string(kClassPrefix) + hex + " }\t" + comment + " ";
}

// The sixth line names a triad for some slots; which ones differs between the two writers.
bool triad200_line(CssFileKind kind, int slot) {
  if (kind == CssFileKind::AllSlots) return slot == 1 || slot == 10;
  return slot == 2 || slot == 6 || slot == 11;
}

}  // namespace

std::vector<std::string> css_palette_lines(CssFileKind kind, const std::vector<CssSlotBlock>& blocks) {
  std::vector<std::string> out{"/* CSS - Cascading Style Sheet */", " "};
  for (size_t k = 0; k < blocks.size(); ++k) {
    const CssSlotBlock& b = blocks[k];
    if (k > 0) out.push_back(" ");
    out.push_back(colour_line(b.colour, "/* primary color */"));
    out.push_back(colour_line(b.dark, "/* primary dark color */"));
    out.push_back(colour_line(b.light, "/* primary light color */"));
    out.push_back(colour_line(b.neighbour1, "/* analogic/triadic of primary color */"));
    out.push_back(colour_line(b.complement, kind == CssFileKind::AllSlots ? "/* complementary of primary color */"
                                                                          : "/* complimentary of primary color */"));
    out.push_back(colour_line(b.neighbour2, triad200_line(kind, b.slot) ? "/* triadic200 of primary color */"
                                                                         : "/* analogic/triadic of primary color */"));
  }
  out.push_back(" ");
  out.push_back(kCssGeneratorLine);
  out.push_back(kCssClosingLine);
  return out;
}

void write_css_palette_file(const std::string& file_name, const std::vector<std::string>& lines) {
  try {
    write_file_bytes_atomic(file_name, encode_text_lines(lines));
  } catch (const EStreamError& e) {
    throw EInOutError(e.Message());
  }
}

void check_css_palette_file_creatable(const std::string& file_name) {
  auto refuse = [&](int error) {
    throw EInOutError(Format("Cannot create file \"%s\". %s", {file_name, SysErrorMessage(error)}));
  };
  struct stat st {};
  if (::stat(file_name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) refuse(EISDIR);
  std::string folder = std::filesystem::path(file_name).parent_path().string();
  if (folder.empty()) folder = ".";
  // An unnamed file in the folder proves that a file can be made there and vanishes on close.
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  const int error = errno;
  if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL) refuse(error);
  // A file system without unnamed files: ask for the rights instead.
  if (::access(folder.c_str(), W_OK | X_OK) != 0) refuse(errno);
}

std::string css_one_slot_file_name(const std::string& hex) { return "Tintbox" + hex + ".css"; }

std::string css_all_slots_file_name(const std::string& first_hex, int pick_counter) {
  return "Tintbox" + first_hex + "_" + std::to_string(pick_counter) + ".css";
}

std::vector<CssPosition> css_palette_positions(const std::vector<std::string>& lines) {
  std::vector<CssPosition> out;
  for (int k = 0; k < 16; ++k) {
    size_t line = 2 + 7 * static_cast<size_t>(k);  // 0-based index of line 3 + 7k
    CssPosition p;
    if (line < lines.size()) {
      const std::string& l = lines[line];
      if (l.find("\u00A9") != std::string::npos) p.generator = true;
      else p.text = copy_characters(l, 28, 6);
    }
    out.push_back(p);
  }
  return out;
}

std::vector<CssPosition> read_css_palette_positions(const std::string& file_name) {
  std::string bytes;
  try {
    bytes = read_file_bytes(file_name);
  } catch (const EStreamError& e) {
    throw EInOutError(e.Message());
  }
  return css_palette_positions(decode_text_lines(bytes));
}

bool is_own_palette_file_name(const std::string& name) { return name.size() >= 2 && name[0] == 'T' && name[1] == 'i'; }

std::string palette_file_name_hex(const std::string& name) { return copy_characters(name, 8, 6); }
