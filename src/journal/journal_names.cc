#include "journal/journal_names.h"

#include <algorithm>
#include <climits>
#include <new>

#include "frame/errors.h"
#include "frame/program_file.h"

namespace tarvik::journal {
namespace {

constexpr std::size_t kDataLineLength = 255;
constexpr int kKeyWidth = 4;
constexpr int kPluKeyWidth = 14;
constexpr int kMaxRateDecimals = 6;  // an exchange rate has six digits
constexpr int kMaxAmountDecimals = 3;

struct TableFile {
  const char* name;
  int keyWidth;
  int nameWidth;
  frame::ErrorPair nameTooLong;
  frame::ErrorPair noMemory;
};

namespace error = frame::error;
constexpr TableFile kPlu{"P_PLU.DAT", kPluKeyWidth, kNameWidth, error::kPluNameTooLong,
                         error::kPluNamesOutOfMemory};
constexpr TableFile kLinkedPlu{"P_LPLU.DAT", kKeyWidth, kNameWidth, error::kLinkedPluNameTooLong,
                               error::kLinkedPluNamesOutOfMemory};
constexpr TableFile kDepartments{"P_DPT.DAT", kKeyWidth, kNameWidth, error::kDepartmentNameTooLong,
                                 error::kDepartmentNamesOutOfMemory};
constexpr TableFile kClerks{"P_OBSL.DAT", kKeyWidth, kNameWidth, error::kClerkNameTooLong,
                            error::kClerkNamesOutOfMemory};
constexpr TableFile kPayments{"P_PLAT.DAT", kKeyWidth, kNameWidth, error::kPaymentNameTooLong,
                              error::kPaymentNamesOutOfMemory};
constexpr TableFile kCurrencies{"P_MENA.DAT", kKeyWidth, kCurrencyNameWidth,
                                error::kCurrencyNameTooLong, error::kCurrencyNamesOutOfMemory};

std::string Fit(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string KeyOf(const std::string& line, char separator, int width) {
  std::string key = line.substr(0, line.find(separator));
  if (key.size() < static_cast<std::size_t>(width)) key.insert(0, width - key.size(), '0');
  return key;
}

// The text between the first pair of double quotes (to the line end when the
// second is missing); *closing is the position of the closing quote or npos.
std::string NameOf(const std::string& line, frame::ErrorPair nameTooLong, std::size_t* closing) {
  *closing = std::string::npos;
  std::size_t open = line.find('"');
  if (open == std::string::npos) return {};
  std::size_t close = line.find('"', open + 1);
  std::size_t end = close == std::string::npos ? line.size() : close;
  if (end - open - 1 > static_cast<std::size_t>(kMaxStoredName)) frame::Fail(nameTooLong);
  *closing = close;
  return line.substr(open + 1, end - open - 1);
}

// Calls `onLine` for every line of the file; false when the file is absent.
template <typename OnLine>
bool ForEachLine(frame::Program& program, const char* name, OnLine onLine) {
  frame::ProgramFile file =
      frame::ProgramFile::Open(program, name, frame::OpenMode::kReadIfPresent);
  if (!file.IsOpen()) return false;
  std::string line;
  while (file.ReadLine(&line, kDataLineLength)) onLine(line);
  return true;
}

template <typename Load>
void WithMemory(frame::ErrorPair noMemory, Load load) {
  try {
    load();
  } catch (const std::bad_alloc&) {
    frame::Fail(noMemory);
  }
}

void LoadNames(frame::Program& program, const TableFile& file, NameTable* table) {
  char separator = program.settings.oddelovac;
  WithMemory(file.noMemory, [&] {
    ForEachLine(program, file.name, [&](const std::string& line) {
      std::size_t closing = 0;
      table->Add(KeyOf(line, separator, file.keyWidth),
                 Fit(NameOf(line, file.nameTooLong, &closing), file.nameWidth));
    });
  });
}

// The digit character as a count, kept within [0, limit].
int DecimalsOf(char c, int limit) {
  return std::clamp(c - '0', 0, limit);
}

// The field read as the C library's atoi would, saturated instead of overflowing.
int IntegerOf(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = std::min<long long>(value * 10 + (text[i++] - '0'), INT_MAX);
  }
  return static_cast<int>(negative ? -value : value);
}

void LoadTaxRates(frame::Program& program, std::vector<int>* rates) {
  char separator = program.settings.oddelovac;
  WithMemory(error::kTaxRatesOutOfMemory, [&] {
    rates->assign(1, 0);
    ForEachLine(program, "P_TAX.DAT", [&](const std::string& line) {
      std::size_t first = line.find(separator);
      std::string field;
      if (first != std::string::npos) {
        std::size_t second = line.find(separator, first + 1);
        field = line.substr(first + 1,
                            second == std::string::npos ? std::string::npos : second - first - 1);
      }
      rates->push_back(IntegerOf(field) / 100);
    });
  });
}

void LoadCurrencies(frame::Program& program, JournalNameTables* tables) {
  char separator = program.settings.oddelovac;
  WithMemory(kCurrencies.noMemory, [&] {
    ForEachLine(program, kCurrencies.name, [&](const std::string& line) {
      std::size_t closing = 0;
      std::string name = NameOf(line, kCurrencies.nameTooLong, &closing);
      if (closing == std::string::npos || closing + 1 >= line.size() ||
          line[closing + 1] != separator) {
        frame::Fail(error::kCurrencyNameNotFollowed);
      }
      char decimals = closing + 2 < line.size() ? line[closing + 2] : '0';
      tables->currencies.Add(KeyOf(line, separator, kCurrencies.keyWidth),
                             Fit(name, kCurrencies.nameWidth));
      tables->currencyDecimals.push_back(DecimalsOf(decimals, kMaxRateDecimals));
    });
  });
}

void LoadAmountDecimals(frame::Program& program, JournalNameTables* tables) {
  char separator = program.settings.oddelovac;
  int lineNumber = 0;
  bool seen = false;
  bool present = ForEachLine(program, "S_REG.DAT", [&](const std::string& line) {
    if (++lineNumber != 3) return;
    seen = true;
    std::size_t at = line.find(separator);
    if (at >= 5) frame::Fail(error::kAmountDecimalsMissing);  // npos, for a line without one, too
    char decimals = at + 1 < line.size() ? line[at + 1] : '0';
    tables->amountDecimals = DecimalsOf(decimals, kMaxAmountDecimals);
  });
  if (!present) return;
  // A file without a third line has no separator there either.
  if (!seen) frame::Fail(error::kAmountDecimalsMissing);
  tables->dphPad.assign(static_cast<std::size_t>(3 - tables->amountDecimals), ' ');
}

}  // namespace

void NameTable::Add(std::string key, std::string name) {
  index_.emplace(key, entries_.size());  // an earlier line keeps the key
  entries_.push_back({std::move(key), std::move(name)});
}

const std::string* NameTable::Find(const std::string& key) const {
  auto it = index_.find(key);
  return it == index_.end() ? nullptr : &entries_[it->second].name;
}

const NameTable::Entry* NameTable::Line(int n) const {
  if (n < 1 || static_cast<std::size_t>(n) > entries_.size()) return nullptr;
  return &entries_[static_cast<std::size_t>(n) - 1];
}

int JournalNameTables::TaxRate(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= taxRates.size()) return 0;
  return taxRates[static_cast<std::size_t>(index)];
}

int JournalNameTables::CurrencyDecimals(int currency) const {
  if (currency < 1 || static_cast<std::size_t>(currency) > currencyDecimals.size()) return 0;
  return currencyDecimals[static_cast<std::size_t>(currency) - 1];
}

JournalNameTables LoadJournalNameTables(frame::Program& program) {
  JournalNameTables tables;
  LoadNames(program, kPlu, &tables.plu);
  LoadNames(program, kLinkedPlu, &tables.linkedPlu);
  LoadNames(program, kDepartments, &tables.departments);
  LoadNames(program, kClerks, &tables.clerks);
  LoadTaxRates(program, &tables.taxRates);
  LoadNames(program, kPayments, &tables.payments);
  LoadCurrencies(program, &tables);
  LoadAmountDecimals(program, &tables);
  return tables;
}

}  // namespace tarvik::journal
