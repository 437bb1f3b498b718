// A text form of journal records, for test fixtures and the register
// emulator, which serves file 87 from records written this way:
//
//   # lines starting with "#" are comments; "#" also ends a line's records
//   00 01 05 00 00 00 00 00 12 50 00 05 00 00 00 00 00 00 00 12 34 01 00 00
//   000205000000000000125000050000000000000012340100 00   (spaces optional)
//
// One record per line, each byte as two hexadecimal digits (either case);
// blanks and tabs between digits are ignored; empty lines are skipped.
// The parser depends on the standard library only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvik::journal {

// Returns false with *error naming the line ("line 3: ...") when a line holds
// a character that is no hexadecimal digit or an odd number of digits;
// *records is then left empty.
bool ParseJournalRecordText(std::string_view text, std::vector<std::string>* records,
                            std::string* error);

// The text form of the records: one line each, bytes upper-case and separated by blanks.
std::string FormatJournalRecordText(const std::vector<std::string>& records);

}  // namespace tarvik::journal
