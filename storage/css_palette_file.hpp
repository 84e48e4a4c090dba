// The CSS palette file: a small style sheet holding palette slots with their five derived
// colours, written for pasting into web pages and read back by the program.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The six colours of one slot block as hex texts (six upper-case digits, red first), in the
// order they are written.
struct CssSlotBlock {
  int slot = 1;  // 1..16, decides the comment of the sixth line
  std::string colour, dark, light, neighbour1, complement, neighbour2;
};

enum class CssFileKind { OneSlot, AllSlots };

// The whole file as lines (without line ends): the header, each block (blocks separated by a
// one-blank line), a one-blank line, the generator line and the closing comment line.
std::vector<std::string> css_palette_lines(CssFileKind kind, const std::vector<CssSlotBlock>& blocks);

// The generator line (the only line carrying the copyright sign) and the closing line.
extern const char* const kCssGeneratorLine;
extern const char* const kCssClosingLine;

// Writes the lines as Windows-1252 text with CR LF after every line, through a temporary
// sibling and a rename; raises EInOutError when the file cannot be written (the old file stays).
void write_css_palette_file(const std::string& file_name, const std::vector<std::string>& lines);

// The first step of a write: raises EInOutError "Cannot create file ..." when the file cannot be
// made (its folder refuses new files, or the name is taken by a folder), so that a writer can
// stop before it changes anything. Nothing is left behind in the folder.
void check_css_palette_file_creatable(const std::string& file_name);

// File names: "Tintbox" + hex + ".css" for one slot, "Tintbox" + hex of slot 1 + "_" + pick
// counter + ".css" for the whole palette; the working palette is "session.css".
std::string css_one_slot_file_name(const std::string& hex);
std::string css_all_slots_file_name(const std::string& first_hex, int pick_counter);
extern const char* const kWorkingPaletteFile;

// What the reader finds at one of the 16 colour positions of a palette file (lines 3, 10, 17,
// ..., 108): the generator line, or characters 28-33 of the line (fewer when it is shorter, empty
// past the end of the file).
struct CssPosition {
  bool generator = false;
  std::string text;
};
// Reads a palette file; raises EInOutError when it cannot be opened or read.
std::vector<CssPosition> read_css_palette_positions(const std::string& file_name);
std::vector<CssPosition> css_palette_positions(const std::vector<std::string>& lines);

// A palette-file name written by the program ("Ti" first, case-sensitive) and the hex text of its
// first slot (characters 8-13), when it is one.
bool is_own_palette_file_name(const std::string& name);
std::string palette_file_name_hex(const std::string& name);
