// A text data file to register records (work02.tmp) for a write command: one
// record per data line, laid out by the record format table (format_table.h)
// and cut or filled with zero bytes to the file's block length.
//
// Reading a data line: lines end at CR, LF or CR LF, the last line needs no
// end; at most 255 characters. Empty lines and lines starting with "//" are
// skipped. Fields are separated by settings.oddelovac:
//   H  the decimal number the field starts with (blanks and a sign allowed);
//      as the first field it is the record number and may not be below the
//      line's count among the data lines (21/1)
//   L  with cislovani on like H without that check; with it off no field is
//      read and the line's count is the number
//   N  up to 2n digits, right-aligned and zero-filled (an empty field is 0)
//   S  a sign ("-" negative), up to 2n-4 digits
//   Z  a sign, one digit, up to 2n-2 digits
//   T  a text between double quotes (the separator may stand inside) or
//      without them, at most n characters, filled with blanks; with konverze
//      on Windows-1250 letters become the register's
//   B  one digit per bit group with nothing between them, always the last
//      field; digits missing at the end of the line read as 0
//   P  nothing; 2n characters "0" go into the record
// Digit characters give their low four bits, so ":" to "?" stand for 10 to 15.
// An empty S or Z field is +0.
//
// Block text (file 24): each non-empty line holds up to 18 characters between
// double quotes; they are joined, each line filled with blanks to 18. Records
// of the block length carry the record number (from 1) and the next 40
// characters, until the characters placed reach the text's length less 12.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/program.h"

namespace tarvik::convert {

// Builds work02.tmp from the data file program.command.dataFileName for
// program.command.fileNumber. File 56 gets an empty work file without the data
// file being opened. Failures: 30/1 missing data file, 23/1 a line of 256
// characters or more, 21/1 records out of order, 54/1 and 54/6..9 malformed
// field list, 100/4 and 100/5 L or H wider than 4 bytes, 55/1 and 55/2 L or H field missing,
// 59/6..10, 12, 13, 213 bad fields, 59/30 an H or L number that does not fit its bytes, 56/2 a
// record for a file the link moves no records of (block length 0), 78/4 no memory. The work file
// keeps the records of the lines before a faulty one.
void BuildSendFile(frame::Program& program);

// The same for a field list of the caller's (as SelectRecordFormat returns
// them, ending in "."; "E." is block text) and records of `blockLength` bytes.
// No file number is special here.
void BuildSendRecords(frame::Program& program, std::string_view fieldList,
                      std::uint32_t blockLength);

}  // namespace tarvik::convert
