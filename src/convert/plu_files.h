// PLU data files worked on without the register, after earlier read commands
// produced them:
//   S74  AddNamesToSales  S_PLU.DAT with the names of P_PLU.DAT -> data file
//   S03  AddSalesToPlu    P_PLU.DAT with the sales of S_PLU.DAT -> data file
//   SE3  SortPluFile      the data file sorted by PLU number, repeats dropped
// and the writer of the summed stock (S65).
//
// Their output files are written beside the target (frame/replacing_file.h)
// and take its place only once complete: a faulty line or a failed write
// leaves the file of an earlier run as it was.
//
// They work by field position only: a field ends at the separator, whether it
// stands inside quotes or not. Lines are read with the 256-character reader
// and written with CR LF.
//
// Errors (all thrown as frame::JobFailure):
//   30/1   S74: P_PLU.DAT, SE3: the file to sort exists but cannot be opened
//   30/8   S74: S_PLU.DAT cannot be opened
//   30/1   S03: S_PLU.DAT or P_PLU.DAT cannot be opened
//   30/18  the output file cannot be created
//   30/28..31  a first..fourth separator missing where the layout wants it
//   59/100..102  S_PLU.DAT line without a first, second or third separator (S03)
//   59/25  S_PLU.DAT: a first or third field longer than 15 characters (S03)
//   59/105 a line of the file to sort without a separator (SE3)
//   59/115 the text behind the PLU number longer than 80 characters (SE3)
//   59/26  a PLU number longer than 14 characters (SE3)
//   78/9   no memory for a table
//   100/102 an S74 output line longer than 256 characters
//   23/1   a line longer than the reader takes
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/data_line.h"
#include "frame/program.h"
#include "frame/program_file.h"

namespace tarvik::convert {

inline constexpr char kPluFileName[] = "P_PLU.DAT";
inline constexpr char kPluSalesFileName[] = "S_PLU.DAT";
inline constexpr char kPluBackupName[] = "P_PLU.BAK";

// Widths of the keys and texts the operations build.
inline constexpr std::size_t kPluKeyWidth = 14;
inline constexpr std::size_t kPluNameWidth = 18;
inline constexpr std::size_t kPluSalesTextWidth = 15;
inline constexpr std::size_t kPluRestMax = 80;
inline constexpr std::size_t kPluLineMax = kDataLineMaxChars;

// S74: writes S_PLU.DAT into program.command.dataFileName with an 18-character
// name field inserted after the second field. P_PLU.DAT missing: nothing is
// written and nothing fails (present but not readable: 30/1).
void AddNamesToSales(frame::Program& program);

// S03: writes the first four fields of every P_PLU.DAT line into
// program.command.dataFileName, followed by the third and the first field of
// its sales line, or by two zero amounts for a PLU never sold.
void AddSalesToPlu(frame::Program& program);

// SE3: sorts program.command.dataFileName by its 14-digit PLU key, keeps the
// first line of every key and drops the rest, each with the message box
// "V souboru jsou stejná PLU:\r\n<key> ". The unsorted file is kept as
// P_PLU.BAK (an older P_PLU.BAK stays as it is). Lines with the key
// 99999999999999 are dropped and reported as well; keys that compare above it
// (a letter in front) are sorted last. A missing file is left alone (one
// that exists but cannot be opened is 30/1). O(n log n); the lines and
// messages are those of the classic selection sort (messages possibly in
// another order).
void SortPluFile(frame::Program& program);

// The duplicate-PLU message text (Windows-1250) for a 14-character key.
std::string DuplicatePluMessage(std::string_view key);

// One line of a stock file: the 14-character key and the quantity.
struct StockRecord {
  std::string key;
  std::int32_t quantity = 0;
};
using StockTable = std::vector<StockRecord>;

// Writes "<key><separator><%+08d quantity>" CR LF per record into
// program.command.dataFileName (30/18 when it cannot be created).
void WriteStockFile(frame::Program& program, const StockTable& table);

}  // namespace tarvik::convert
