// Received register records (work01.tmp) to a text data file, one line per
// record, laid out by the record format table (format_table.h).
//
// Data-file line: the fields in table order separated by settings.oddelovac,
// no separator after the last field, CR LF at the end. H fields are written
// with at least four digits, L fields with at least six (only with cislovani
// on; with it off the first L field of a record is left out together with its
// separator), texts between double quotes with a zero byte as a blank and,
// with konverze on, the register's letters translated to Windows-1250.
// Bytes a field list covers beyond the end of a record read as zero bytes.
// A record of file 56 (no fields) gives an empty line.
//
// Block text (file 24): bytes 3 to L of every record (L = 42) joined into one
// text, written as lines of 18 characters between double quotes; the last
// line is filled with blanks.
#pragma once

#include <string_view>

#include "frame/program.h"
#include "frame/program_file.h"

namespace tarvik::convert {

// Converts the whole open work file into the open data file for
// program.command.fileNumber; the caller opens and closes both. Failures:
// 55/56 from the table, 54/2..5 for a malformed field list, 100/4 and 100/5
// for L and H fields wider than 4 bytes, 78/3 without memory for block text,
// 30/3..5 from the files. A work file that ends inside a record ends that
// record there: its missing bytes read as zero.
void ConvertReceivedFile(frame::Program& program, frame::ProgramFile& work,
                         frame::ProgramFile& data);

// The same for a field list of the caller's (as SelectRecordFormat returns
// them, ending in "."; "E." is block text).
void ConvertReceivedRecords(frame::Program& program, std::string_view fieldList,
                            frame::ProgramFile& work, frame::ProgramFile& data);

// Writes the text and CR LF as one write: a failed write is 26/1, a short one
// 26/2.
void WriteTextLine(frame::ProgramFile& file, std::string_view text);

}  // namespace tarvik::convert
