#include "convert/special_files.h"

#include <limits>
#include <new>
#include <unordered_map>

#include "convert/received.h"
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/status.h"
#include "screen/front_end.h"

namespace tarvik::convert {
namespace {

using frame::Fail;
using frame::JobFailure;
using frame::Program;
using frame::ProgramFile;

// An unopened file when the file cannot be opened for any reason.
ProgramFile OpenOrNothing(Program& program, const std::string& name, frame::OpenMode mode) {
  try {
    return ProgramFile::Open(program, name, mode);
  } catch (const JobFailure& failure) {
    if (failure.code() != frame::error::kFileErrorCode) throw;
    return ProgramFile();
  }
}

// atoi: blanks, an optional sign, digits up to the first other character.
// Returns false (and stops) once the value is beyond any field's digits.
bool ParseInteger(std::string_view text, std::int64_t* value) {
  constexpr std::int64_t kBeyond = 1'000'000'000'000'000;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t result = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    result = result * 10 + (text[i] - '0');
    if (result >= kBeyond) return false;
  }
  *value = negative ? -result : result;
  return true;
}

bool FitsInt32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

// "datový soubor PATH, řádek N" for a fault in a line.
std::string LineContext(const ProgramFile& file, std::size_t line) {
  return frame::W(frame::Format("datový soubor %s, řádek %u", file.path().c_str(),
                                static_cast<unsigned>(line)));
}

// A number field read as a decimal number may hold blanks, a sign and digits,
// nothing else: a number that stopped at another character would select or
// change a different account or stock item than the file says.
bool IsDecimalField(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  while (i < text.size() && text[i] == ' ') ++i;
  return i == text.size();
}

// Account fields have at most 12 digits (checked before), so they always fit.
std::int64_t ParseAccountField(std::string_view text, int field) {
  if (!IsDecimalField(text)) {
    Fail(frame::error::kAccountNumberNotNumber, 0,
         frame::W(frame::Format("pole %d: \"", field)) + std::string(text) +
             frame::W("\" není číslo"));
  }
  std::int64_t value = 0;
  ParseInteger(text, &value);
  return value;
}

void AppendNibbles(std::string* out, std::string_view bytes) {
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    *out += static_cast<char>('0' + (b >> 4));
    *out += static_cast<char>('0' + (b & 0x0F));
  }
}

// A line of the tax file together with its end (LF, CR LF or a lone CR).
class LineWithEndReader {
 public:
  explicit LineWithEndReader(ProgramFile& file) : file_(file) {}

  bool Next(std::string* line, std::size_t maxChars) {
    line->clear();
    std::uint8_t byte = 0;
    while (Take(&byte)) {
      Append(line, byte, maxChars);
      if (byte == '\n') return true;
      if (byte == '\r') {
        if (Take(&byte)) {
          if (byte == '\n') {
            Append(line, byte, maxChars);
          } else {
            pending_ = byte;
            hasPending_ = true;
          }
        }
        return true;
      }
    }
    return !line->empty();
  }

 private:
  bool Take(std::uint8_t* byte) {
    if (hasPending_) {
      hasPending_ = false;
      *byte = pending_;
      return true;
    }
    return file_.ReadByte(byte);
  }
  static void Append(std::string* line, std::uint8_t byte, std::size_t maxChars) {
    if (line->size() >= maxChars) Fail(frame::error::kTaxFileLineTooLong);
    *line += static_cast<char>(byte);
  }

  ProgramFile& file_;
  std::uint8_t pending_ = 0;
  bool hasPending_ = false;
};

std::string TwoDigits(int value) {
  return frame::Format("%02d", value);
}

}  // namespace

// --- Clock ------------------------------------------------------------------

void WriteClockFile(Program& program, const std::string& name) {
  const platform::LocalTime now = program.clock.LocalNow();
  const std::string cannotOpen = "Nepodarilo se otevrit soubor data a casu.";

  std::string third;
  {
    ProgramFile in = OpenOrNothing(program, name, frame::OpenMode::kReadIfPresent);
    if (!in.IsOpen()) {
      if (program.settings.debug) {
        frame::ShowMessage(program, cannotOpen, screen::kStyleExclamation);
        return;
      }
      Fail(frame::error::kClockFileNotRead);
    }
    std::string line;
    for (int i = 0; i < 3; ++i) {
      if (!in.ReadLine(&line, 31)) {
        line.clear();
        break;
      }
    }
    third = line;
  }
  ProgramFile out = OpenOrNothing(program, name, frame::OpenMode::kCreate);
  if (!out.IsOpen()) {
    if (program.settings.debug) {
      frame::ShowMessage(program, cannotOpen, screen::kStyleExclamation);
      return;
    }
    Fail(frame::error::kClockFileNotMade);
  }
  // Two-digit year for every century the register can show.
  const char sep = program.settings.oddelovac;
  WriteTextLine(out, frame::Format("0001%c%02d%02d%02d", sep, now.year % 100, now.month, now.day));
  WriteTextLine(out, frame::Format("0002%c%02d%02d00", sep, now.hour, now.minute));
  WriteTextLine(out, third);
  out.Close();
}

// --- VAT --------------------------------------------------------------------

int RewriteVatFile(Program& program, int vat1, int vat2, int vat3, int vat4) {
  const auto cannotOpen = [&] {
    frame::ShowMessage(program, frame::W("Chyba při otevírání souboru"), screen::kStyleOk);
    return 1;
  };
  ProgramFile in = OpenOrNothing(program, kTaxFileName, frame::OpenMode::kRead);
  if (!in.IsOpen()) return cannotOpen();
  ProgramFile copy = OpenOrNothing(program, kTaxCopyName, frame::OpenMode::kCreate);
  if (!copy.IsOpen()) return cannotOpen();

  struct Mapping {
    std::string from;
    std::string to;
  };
  std::vector<Mapping> mappings;
  for (auto [from, to] : {std::pair{vat1, vat3}, std::pair{vat2, vat4}}) {
    if (from >= 0 && from <= 99 && to >= 0 && to <= 99) {
      mappings.push_back({TwoDigits(from), TwoDigits(to)});
    }
  }

  LineWithEndReader reader(in);
  std::string line;
  std::string written;
  int count = 0;
  while (reader.Next(&line, 200)) {
    if (line.size() >= 7) {
      for (const Mapping& mapping : mappings) {
        if (line.compare(5, 2, mapping.from) == 0) {
          line.replace(5, 2, mapping.to);
          break;
        }
      }
    }
    if (++count > kTaxLinesMax) break;
    copy.Write(line);
    written += line;
  }
  in.Close();
  copy.Close();

  ProgramFile target = OpenOrNothing(program, kTaxFileName, frame::OpenMode::kCreate);
  if (!target.IsOpen()) return cannotOpen();
  target.Write(written);
  target.Close();
  return 0;
}

std::string VatLoadedMessage(int vat2, int vat4) {
  return frame::W(frame::Format("V pokladně je nastaveno DPH %d%% a %d%%.", vat2, vat4));
}

// --- Accounts ---------------------------------------------------------------

AccountTable LoadAccountTable(Program& program) {
  const char sep = program.settings.oddelovac;
  ProgramFile in = ProgramFile::Open(program, kAccountListFileName, frame::OpenMode::kRead);
  AccountTable table;
  bool ended = false;
  std::size_t lines = 0;
  std::string line;
  while (in.ReadLine(&line, 63)) {
    if (++lines > kAccountTableSize)
      Fail(frame::error::kTooManyAccounts, 0, LineContext(in, lines));
    line += sep;
    // Each field ends at a separator; fields missing at the end are empty.
    std::size_t s1 = line.find(sep);
    std::size_t s2 = line.find(sep, s1 + 1);
    std::size_t s3 = s2 == std::string::npos ? std::string::npos : line.find(sep, s2 + 1);
    std::string_view view(line);
    std::string_view first = view.substr(0, s1);
    std::string_view second =
        s2 == std::string::npos ? std::string_view() : view.substr(s1 + 1, s2 - s1 - 1);
    std::string_view third =
        s3 == std::string::npos ? std::string_view() : view.substr(s2 + 1, s3 - s2 - 1);
    AccountRecord record;
    try {
      if (first.size() > 8) Fail(frame::error::kAccountNumberTooLong, 0, "pole 1");
      if (second.size() > 8 || (s2 != std::string::npos && s2 > 16))
        Fail(frame::error::kAccountSecondFieldTooLong, 0, "pole 2");
      if (third.size() > 12 || (s3 != std::string::npos && s3 > 26))
        Fail(frame::error::kAccountThirdFieldTooLong, 0, "pole 3");
      record = {ParseAccountField(first, 1), ParseAccountField(second, 2),
                ParseAccountField(third, 3)};
    } catch (JobFailure& failure) {
      failure.AddOuterContext(LineContext(in, lines));
      throw;
    }
    if (record.account == 0) ended = true;
    if (!ended) table.push_back(record);
  }
  return table;
}

const AccountRecord* FindAccount(const AccountTable& table, std::int64_t account) {
  for (const AccountRecord& record : table) {
    if (record.account == account) return &record;
  }
  return nullptr;
}

void WriteAccountSelectionFile(Program& program, std::int64_t account) {
  ProgramFile out = ProgramFile::Open(program, kAccountSelectionFileName, frame::OpenMode::kCreate);
  WriteTextLine(out, frame::Format("%04d%c%09lld", 1, program.settings.oddelovac,
                                   static_cast<long long>(account)));
  out.Close();
}

std::string AccountHeaderLine(char separator, const AccountRecord& record) {
  return frame::Format(
      "T%c%04lld%c%04lld%c%010lld", separator, static_cast<long long>(record.account), separator,
      static_cast<long long>(record.second), separator, static_cast<long long>(record.third));
}

void ConvertAccountItems(Program& program, ProgramFile& work, ProgramFile& data) {
  const char sep = program.settings.oddelovac;
  if (work.Size() == 0) return;
  WorkFileReader reader(work);
  std::string record;
  std::string line;
  while (reader.ReadWorkRecord(&record)) {
    if (record.size() != kAccountItemRecordSize) Fail(frame::error::kAccountItemLength);
    std::string_view bytes(record);
    const bool department = static_cast<unsigned char>(bytes[7]) == 0xD0;
    line.assign("D");
    line += sep;
    AppendNibbles(&line, bytes.substr(2, 4));
    line += sep;
    line += department ? 'D' : 'P';
    line += sep;
    AppendNibbles(&line, department ? bytes.substr(6, 1) : bytes.substr(8, 7));
    line += sep;
    AppendNibbles(&line, bytes.substr(17, 4));
    WriteTextLine(data, line);
  }
}

// --- Stock ------------------------------------------------------------------

// One line of a stock file: the key before the first separator, the quantity
// after it.
StockRecord ParseStockLine(std::string_view line, char sep) {
  if (line.empty()) Fail(frame::error::kStockLineEmpty, 0, frame::W("prázdný řádek"));
  std::size_t s = line.find(sep);
  if (s == std::string::npos)
    Fail(frame::error::kStockLineWithoutSeparator, 0, frame::W("řádek bez oddělovače"));
  if (s > kPluKeyWidth)
    Fail(frame::error::kStockKeyTooLong, 0, frame::W("pole 1: klíč delší než 14 znaků"));
  const std::size_t next = line.find(sep, s + 1);
  const std::string_view field =
      line.substr(s + 1, next == std::string_view::npos ? std::string_view::npos : next - s - 1);
  if (!IsDecimalField(field)) {
    Fail(frame::error::kStockQuantityNotNumber, 0,
         frame::W("pole 2: množství \"") + std::string(field) + frame::W("\" není číslo"));
  }
  std::int64_t quantity = 0;
  if (!ParseInteger(field, &quantity) || !FitsInt32(quantity)) {
    Fail(frame::error::kStockQuantityOutOfRange, 0, frame::W("pole 2: množství mimo rozsah"));
  }
  StockRecord record;
  record.key.assign(kPluKeyWidth - s, '0');
  record.key.append(line.substr(0, s));
  record.quantity = static_cast<std::int32_t>(quantity);
  return record;
}

StockTable LoadStockFile(Program& program, const std::string& name, frame::ErrorPair noMemory) {
  const char sep = program.settings.oddelovac;
  ProgramFile in = ProgramFile::Open(program, name, frame::OpenMode::kRead);
  StockTable table;
  std::string line;
  std::size_t lineNumber = 0;
  try {
    while (in.ReadLine(&line, kPluLineMax)) {
      ++lineNumber;
      try {
        table.push_back(ParseStockLine(line, sep));
      } catch (JobFailure& failure) {
        failure.AddOuterContext(LineContext(in, lineNumber));
        throw;
      }
    }
  } catch (const std::bad_alloc&) {
    Fail(noMemory);
  }
  return table;
}

StockTables LoadStockTables(Program& program) {
  StockTables tables;
  tables.registerTable =
      LoadStockFile(program, kRegisterStockFileName, frame::error::kRegisterStockOutOfMemory);
  tables.fileTable =
      LoadStockFile(program, program.command.dataFileName, frame::error::kStockFileOutOfMemory);
  return tables;
}

void AddRegisterStock(const StockTable& registerTable, StockTable* fileTable) {
  std::unordered_map<std::string_view, std::int32_t> stock;
  stock.reserve(registerTable.size());
  for (const StockRecord& record : registerTable) stock.emplace(record.key, record.quantity);
  for (StockRecord& record : *fileTable) {
    auto found = stock.find(record.key);
    if (found == stock.end()) Fail(frame::error::kStockItemUnknown);
    std::int64_t sum = std::int64_t{record.quantity} + found->second;
    if (!FitsInt32(sum)) Fail(frame::error::kStockQuantityOutOfRange);
    record.quantity = static_cast<std::int32_t>(sum);
  }
}

void SumStockIntoDataFile(Program& program) {
  StockTables tables = LoadStockTables(program);
  AddRegisterStock(tables.registerTable, &tables.fileTable);
  WriteStockFile(program, tables.fileTable);
}

}  // namespace tarvik::convert
