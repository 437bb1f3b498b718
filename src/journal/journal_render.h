// Rendering of the register's electronic journal: one signed section per
// download, appended to a ".txt" journal file, with the side files
// CS_PLU.DAT (PLU sales by clerk) and UCTY_E.DAT (closed accounts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/program.h"
#include "frame/program_file.h"
#include "journal/journal_names.h"

namespace tarvik::journal {

inline constexpr std::size_t kJournalLineWidth = 50;

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
