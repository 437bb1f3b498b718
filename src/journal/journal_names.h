// Names for the journal: departments, PLU items, clerks, payments and
// currencies, taken from the data files that earlier reads left in the
// program directory, plus the tax rates and the number of decimals.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "frame/program.h"

namespace tarvik::journal {

inline constexpr int kNameWidth = 18;
inline constexpr int kCurrencyNameWidth = 12;
inline constexpr int kMaxStoredName = 20;
inline constexpr int kDefaultAmountDecimals = 2;

// Lines of one data file, in file order, each with its key (padded with '0'
// on the left to the key width) and its name (padded with spaces to the
// width used). The first line with a key wins a lookup.
class NameTable {
 public:
  struct Entry {
    std::string key;
    std::string name;
  };
  void Add(std::string key, std::string name);
  // Null when no line has the key.
  const std::string* Find(const std::string& key) const;
  // The n-th line, counted from 1; null beyond the lines.
  const Entry* Line(int n) const;
  std::size_t size() const { return entries_.size(); }

 private:
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> index_;
};

struct JournalNameTables {
  NameTable plu;                      // P_PLU.DAT, keys of 14 digits
  NameTable linkedPlu;                // P_LPLU.DAT, by line
  NameTable departments;              // P_DPT.DAT
  NameTable clerks;                   // P_OBSL.DAT
  NameTable payments;                 // P_PLAT.DAT
  NameTable currencies;               // P_MENA.DAT, names of 12
  std::vector<int> currencyDecimals;  // by line: entry n-1 is currency n
  std::vector<int> taxRates;          // entry 0 fixed at 0, entry i = line i of P_TAX.DAT
  int amountDecimals = kDefaultAmountDecimals;
  std::string dphPad;  // 3 - decimals spaces once S_REG.DAT was read

  int TaxRate(int index) const;
  // 0 for currency 0 and for currencies beyond the file.
  int CurrencyDecimals(int currency) const;
};

// Reads every table file that exists; absent files leave their tables empty.
// Failures: a name longer than 20 characters 100/100..106, a currency line
// without the separator behind its name 59/112, S_REG.DAT without the
// separator in the first five characters of its third line 59/113, no
// memory 78/1..8, unreadable files 30/x and over-long lines 23/1.
JournalNameTables LoadJournalNameTables(frame::Program& program);

}  // namespace tarvik::journal
