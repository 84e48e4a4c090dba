// The colour history file "history.dat": one readout line per entry, Windows-1252 text with CR LF
// after every line, no header.
#pragma once

#include <string>
#include <vector>

extern const char* const kHistoryFile;
// The entry a new history starts with (the readout line of red 0, green 96, blue 149).
extern const char* const kDefaultHistoryLine;

// Reads every line as an entry; raises EInOutError when the file cannot be read, and for UTF-16
// text (a byte-order mark FF FE or FE FF). `utf8`, when given, tells whether the file was UTF-8
// text with a byte-order mark.
std::vector<std::string> read_history_file(const std::string& file_name, bool* utf8 = nullptr);
// Writes the entries through the safe save, so a failed write keeps the old history; as UTF-8
// with a byte-order mark when `utf8` is set (a history read so is written back so). Raises
// EInOutError.
void write_history_file(const std::string& file_name, const std::vector<std::string>& entries, bool utf8 = false);

// The six characters after "hex" (characters 4-9 of the entry).
std::string history_hex_text(const std::string& entry);
