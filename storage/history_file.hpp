// The colour history file "history.dat": one readout line per entry, Windows-1252 text with CR LF
// after every line, no header.
#pragma once

#include <string>
#include <vector>

extern const char* const kHistoryFile;
// The entry a new history starts with (the readout line of red 0, green 96, blue 149).
extern const char* const kDefaultHistoryLine;

// Reads every line as an entry; raises EInOutError when the file cannot be read.
std::vector<std::string> read_history_file(const std::string& file_name);
// Writes the entries through a temporary sibling and a rename, so a failed write keeps the old
// history; raises EInOutError.
void write_history_file(const std::string& file_name, const std::vector<std::string>& entries);

// The six characters after "hex" (characters 4-9 of the entry).
std::string history_hex_text(const std::string& entry);
