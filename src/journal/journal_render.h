// Rendering of the register's electronic journal: one signed section per
// download, appended to a ".txt" journal file, with the side files
// CS_PLU.DAT (PLU sales by clerk) and UCTY_E.DAT (closed accounts).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/program.h"
#include "frame/program_file.h"
#include "journal/journal_names.h"

namespace tarvik::journal {

inline constexpr std::size_t kJournalLineWidth = 50;

// A journal record as the renderer addresses it: bytes a short record lacks
// read as 0.
using JournalRecord = std::array<unsigned char, 64>;

// Byte offsets of the fields of a journal record. Byte 2 is the type; bytes
// 0 and 1 are not read. Amounts are 7 bytes, quantities 4, percents 3,
// date-times 6; numbers are BCD (two digits a byte); names are looked up by
// a one-byte key.
namespace field {
inline constexpr std::size_t kType = 2;
inline constexpr std::size_t kAmount = 3;  // the line's amount (types 01 to 25)
// Sales: departments (01-04), PLU items (05-08), linked PLU (09), discount (0C)
inline constexpr std::size_t kDepartment = 10;
inline constexpr std::size_t kDepartmentTax = 11;
inline constexpr std::size_t kQuantity = 10;
inline constexpr std::size_t kPlu = 14;  // 7 bytes, 14 digits
inline constexpr std::size_t kPluTax = 21;
inline constexpr std::size_t kLinkedPlu = 17;
inline constexpr std::size_t kPercent = 10;
// VAT line (10): the tax byte, and the VAT amount beside the taxed amount
inline constexpr std::size_t kVatTax = 17;
inline constexpr std::size_t kVatAmount = 10;
// Payments (21, 24) and foreign currency (23, 24)
inline constexpr std::size_t kPayment = 10;
inline constexpr std::size_t kExchangeRate = 12;  // 3 bytes, 6 digits
inline constexpr std::size_t kCurrency = 15;
// Clerk events (40-4A): clerk, receipt number (4 digits), time or cash amount
inline constexpr std::size_t kClerk = 3;
inline constexpr std::size_t kReceiptNumber = 8;
inline constexpr std::size_t kEventDateTime = 13;
inline constexpr std::size_t kCashAmount = 13;  // 45 cash in, 46 cash out
// Accounts: opened (41) and parked (81)
inline constexpr std::size_t kAccountNumber = 4;
inline constexpr std::size_t kParkedAccountNumber = 9;
inline constexpr std::size_t kAccountAmount = 15;
// Reports (42): FF at kClerk marks the sum form with its two amounts;
// otherwise FF at kReportKind marks a Z report, anything else an X report
inline constexpr std::size_t kSumFirstAmount = 4;
inline constexpr std::size_t kSumSecondAmount = 11;
inline constexpr std::size_t kReportKind = 4;
inline constexpr std::size_t kReportNumber = 21;
// Data loaded from the PC (4F): the register file's number
inline constexpr std::size_t kLoadedFile = 4;
// End of a receipt (80) and a parked account (81)
inline constexpr std::size_t kEndDateTime = 3;
inline constexpr std::size_t kEndNumber = 10;
inline constexpr std::size_t kItemCount = 11;
}  // namespace field

// The journal file of a data file: the name cut right behind its first "."
// and followed by "txt" (ZURNAL.DAT -> ZURNAL.txt); a name without "." gets
// ".txt" appended.
std::string JournalFileName(const std::string& dataFileName);

struct RenderOptions {
  bool separatorLines = true;  // zurnal_radky
  bool extendJournal = false;  // extend_journal
  bool pluSalesFile = true;    // cisniciplu
  bool accountsFile = false;   // extraucty
};
RenderOptions RenderOptionsOf(const frame::JobSettings& settings);

// Turns journal records into journal lines, keeping the state that spans
// records (current clerk, open account, saved account texts). The side files
// are kept in memory too; RenderJournal writes everything once all records
// are rendered.
class JournalRenderer {
 public:
  // `program` is used only for the debug message about unknown record types.
  JournalRenderer(frame::Program& program, const JournalNameTables& tables,
                  const RenderOptions& options);

  void Render(std::string_view record);

  // The rendered lines, each ending in CR LF: the signed part of the section.
  const std::string& lines() const { return lines_; }
  // CS_PLU.DAT as it stands after the cut at the write position.
  std::string PluSalesFile() const { return pluSales_.substr(0, pluSalesPosition_); }
  // Lines to be appended to UCTY_E.DAT.
  const std::string& accountLines() const { return accountLines_; }

 private:
  // One group of record types each; false for a type of another group.
  bool RenderSale(const JournalRecord& r, std::uint8_t type);
  bool RenderPayment(const JournalRecord& r, std::uint8_t type);
  bool RenderClerkEvent(const JournalRecord& r, std::uint8_t type);
  bool RenderReceiptEnd(const JournalRecord& r, std::uint8_t type);

  void Emit(std::string text, std::uint8_t type);
  void EmitSeparator();
  void WritePluSale(const std::string& line);

  std::string Department(std::uint8_t number) const;
  std::string Clerk(std::uint8_t number) const;
  std::string Payment(std::uint8_t number) const;
  std::string Currency(std::uint8_t number) const;
  std::string Plu(const std::string& key) const;
  std::string LinkedPlu(std::uint8_t number) const;
  std::string Amount(const unsigned char* field) const;
  char Tax(std::uint8_t byte);

  frame::Program& program_;
  const JournalNameTables& tables_;
  RenderOptions options_;

  std::string lines_;
  std::string pluSales_;
  std::size_t pluSalesPosition_ = 0;
  std::string accountLines_;

  int currentClerk_ = 0;
  int taxIndex_ = 0;
  bool accountOpen_ = false;
  std::size_t pluSalesMark_ = 0;
  std::string acctNumber_, acctClerk_, acctPayment_, acctTotal_;
};

// Renders the records of the work file (open for reading) as one section of
// the journal file named by the current command, writes the side files and
// closes the work file, deleting it unless debug is on. The section reaches
// the journal only when everything was rendered: a failure leaves the journal
// as it was.
void RenderJournal(frame::Program& program, frame::ProgramFile& work);

}  // namespace tarvik::journal
