// Data files of a fixed purpose, at the file level: the clock file, the tax
// file, the account list and account items, and the stock tables of S65. The
// steps that need the register (running the built-in jobs, receiving and
// sending files) belong to the job runner, which calls these in between.
//
// Errors (all thrown as frame::JobFailure):
//   clock: 30/3 the file cannot be opened, 26/1 it cannot be created (both
//          only with debug off; with debug on a message is shown instead),
//          23/1 a line longer than 31 characters
//   tax:   57/1 a line (with its end) longer than 200 characters
//   accounts: 59/1..3 a field too long, 59/23 more than 256 lines,
//          59/24 an item record that is not 21 bytes, 23/1 a line longer
//          than 63 characters
//   stock: 59/20 key longer than 14 characters, 59/21 line without a
//          separator, 59/22 empty line, 59/27 a quantity or a sum outside
//          32 bits, 78/9 and 78/10 no memory, 67/1 a data-file key missing
//          in the register's stock, 23/1 a line longer than 255 characters
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/plu_files.h"
#include "frame/error_pairs.h"
#include "frame/program.h"
#include "frame/program_file.h"

namespace tarvik::convert {

// --- Clock (register file 14) ---------------------------------------------

inline constexpr char kClockFileName[] = "x_reg.dat";

// Replaces the first two lines of the clock file with the PC's date
// ("0001;YYMMDD") and time ("0002;HHMM00"); the third line stays.
void WriteClockFile(frame::Program& program, const std::string& name);

// --- VAT (register file 30) -------------------------------------------------

inline constexpr char kTaxFileName[] = "P_TAX.DAT";
inline constexpr char kTaxCopyName[] = "P_TAX2.DAT";
inline constexpr int kTaxLinesMax = 8;

// Rewrites the rates of P_TAX.DAT (at most its first eight lines are kept):
// a line whose rate digits (characters 6 and 7) are vat1 gets vat3, one whose
// digits are vat2 gets vat4; every other line stays. Values outside 0..99
// never match and are never written. Returns 0 when done, 1 when a file could
// not be opened (after the message "Chyba při otevírání souboru").
int RewriteVatFile(frame::Program& program, int vat1, int vat2, int vat3, int vat4);

// "V pokladně je nastaveno DPH <vat2>% a <vat4>%." in Windows-1250, for the
// message that ends the VAT loading.
std::string VatLoadedMessage(int vat2, int vat4);

// --- Accounts (register files 89, 67, 91) ----------------------------------

inline constexpr char kAccountListFileName[] = "ucty.dat";
inline constexpr char kAccountSelectionFileName[] = "ucet.dat";
inline constexpr std::size_t kAccountTableSize = 256;
inline constexpr std::size_t kAccountItemRecordSize = 21;

struct AccountRecord {
  // Up to 12 digits in the third field: held wide so that no value wraps.
  std::int64_t account = 0;
  std::int64_t second = 0;
  std::int64_t third = 0;
};
// The accounts before the first record with account 0 (an empty line).
using AccountTable = std::vector<AccountRecord>;

// Reads ucty.dat (as converted from register file 89).
AccountTable LoadAccountTable(frame::Program& program);

// The first record of `account`, or nullptr.
const AccountRecord* FindAccount(const AccountTable& table, std::int64_t account);

// Creates ucet.dat with the one selection line "0001<sep><account as %09d>".
void WriteAccountSelectionFile(frame::Program& program, std::int64_t account);

// "T<sep>%04d<sep>%04d<sep>%010d" of the account, without line end.
std::string AccountHeaderLine(char separator, const AccountRecord& record);

// Turns every record of the work file (register file 91) into an item line
// "D<sep>8 digits<sep>P|D<sep>14|2 digits<sep>8 digits" written with CR LF
// into `data`.
void ConvertAccountItems(frame::Program& program, frame::ProgramFile& work,
                         frame::ProgramFile& data);

// --- Stock (register file 65, S65) -----------------------------------------

inline constexpr char kRegisterStockFileName[] = "X_SKL.DAT";

// Loads a stock file: the key is the text before the first separator,
// right-aligned to 14 characters with '0'; the quantity is the decimal value
// of the run of digits, '+' and '-' right after the separator.
StockTable LoadStockFile(frame::Program& program, const std::string& name,
                         frame::ErrorPair noMemory);

struct StockTables {
  StockTable registerTable;  // RegisterStockTable, from X_SKL.DAT
  StockTable fileTable;      // FileStockTable, from the command's data file
};

// Loads both tables once the register's stock has been read into X_SKL.DAT.
StockTables LoadStockTables(frame::Program& program);

// Adds the register's quantity of the same key (the first record of it) to
// every record of the file table; a key the register does not hold is 67/1.
void AddRegisterStock(const StockTable& registerTable, StockTable* fileTable);

// The file-level part of S65 after the register's stock was read:
// LoadStockTables, AddRegisterStock, then WriteStockFile into the command's
// data file, which is then ready to be sent.
void SumStockIntoDataFile(frame::Program& program);

}  // namespace tarvik::convert
