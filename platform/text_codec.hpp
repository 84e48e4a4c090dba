// Conversion between the program's UTF-8 texts and the Windows-1252 bytes of its data files,
// and reading and writing whole text files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// UTF-8 -> Windows-1252. Characters the code page lacks become '?'.
std::string utf8_to_cp1252(std::string_view utf8);
// Windows-1252 -> UTF-8. The five unassigned bytes map to the C1 controls of the same value.
std::string cp1252_to_utf8(std::string_view bytes);

// Character positions. Where a position or a length is given in characters (characters 28-33 of
// a palette-file line, characters 4-9 of a history line, six characters of a typed colour), it
// counts the characters of the text, never its UTF-8 bytes: a line read from a Windows-1252 file
// has one character per byte of the file. A byte that starts no valid UTF-8 sequence counts as
// one character.
size_t character_count(std::string_view text);
// At most `count` characters from the 1-based character `index` on, clamped as Copy is.
std::string copy_characters(std::string_view text, int index, int count);

// Splits file bytes into lines: CR LF, LF and CR all end a line; a final line without an end
// counts; a UTF-8 byte-order mark means UTF-8, otherwise the bytes are Windows-1252.
// `was_utf8`, when given, tells which.
std::vector<std::string> decode_text_lines(std::string_view bytes, bool* was_utf8 = nullptr);
// Joins lines as Windows-1252 with CR LF after every line; as UTF-8 after a byte-order mark when
// `utf8` is set (a file that was read so is written back so).
std::string encode_text_lines(const std::vector<std::string>& lines, bool utf8 = false);

// Reads a whole file, following links only as the kernel's rule for sticky folders allows
// (platform/safe_save.hpp); raises EFOpenError / EReadError on failure.
std::string read_file_bytes(const std::string& name);
// Writes a whole file through the safe save (platform/safe_save.hpp), so the old file stays
// intact when the write fails; raises EFCreateError / EWriteError.
void write_file_bytes_atomic(const std::string& name, std::string_view bytes);
