#include "journal/journal_render.h"

#include <algorithm>
#include <array>

#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/replacing_file.h"
#include "frame/status.h"
#include "journal/journal_digest.h"
#include "journal/journal_format.h"

namespace tarvik::journal {
namespace {

constexpr int kMaxLinkedPlu = 50;

std::string Spaces(std::size_t n) {
  return std::string(n, ' ');
}

// The texts of the lines, as Windows-1250 bytes.
struct Texts {
  std::string header = frame::W("*Přidáno");
  std::string refund = frame::W("VRÁTIT");
  std::string subtotal = frame::W("MEZISOUČET");
  std::string account = frame::W("ÚČET#");
  std::string drawer = frame::W("ZÁSUVKA");
  std::string parked = frame::W("ODLOŽ");
  std::string copy = frame::W("KOPIE ÚČT.");
  std::string unknown = frame::W("??? nezpracováno: ");
  // A "*" would end the signed part early for the verifier; names get "×".
  char star = frame::W("×")[0];
};

const Texts& T() {
  static const Texts texts;
  return texts;
}

// Maps a failed journal write to the line writer's errors.
template <typename Write>
void AsLineWrite(Write write) {
  try {
    write();
  } catch (const frame::JobFailure& failure) {
    if (failure.pair() == frame::error::kFileNotWritten)
      frame::Refail(failure, frame::error::kDataNotWritten);
    if (failure.pair() == frame::error::kFileWrittenShort)
      frame::Refail(failure, frame::error::kDataWrittenShort);
    throw;
  }
}

}  // namespace

std::string JournalFileName(const std::string& dataFileName) {
  if (dataFileName.empty()) return {};
  std::size_t dot = dataFileName.find('.');
  if (dot == std::string::npos) return dataFileName + ".txt";
  return dataFileName.substr(0, dot + 1) + "txt";
}

RenderOptions RenderOptionsOf(const frame::JobSettings& settings) {
  RenderOptions options;
  options.separatorLines = settings.zurnalRadky != 0;
  options.extendJournal = settings.extendJournal != 0;
  options.pluSalesFile = settings.cisniciplu != 0;
  options.accountsFile = settings.extraucty != 0;
  return options;
}

JournalRenderer::JournalRenderer(frame::Program& program, const JournalNameTables& tables,
                                 const RenderOptions& options)
    : program_(program), tables_(tables), options_(options) {}

void JournalRenderer::Emit(std::string text, std::uint8_t type) {
  text.resize(kJournalLineWidth, ' ');
  std::replace(text.begin(), text.end(), '*', T().star);
  lines_ += text;
  if (options_.extendJournal) lines_ += frame::Format("|%02X", type);
  lines_ += "\r\n";
}

void JournalRenderer::EmitSeparator() {
  lines_.append(kJournalLineWidth, '-');
  if (options_.extendJournal) lines_ += "|00";
  lines_ += "\r\n";
}

void JournalRenderer::WritePluSale(const std::string& line) {
  std::string bytes = line + "\r\n";
  pluSales_.replace(pluSalesPosition_, std::min(bytes.size(), pluSales_.size() - pluSalesPosition_),
                    bytes);
  pluSalesPosition_ += bytes.size();
}

namespace {
std::string TableKey(std::uint8_t number) {
  return "00" + BcdDigits(&number, 1);
}
}  // namespace

std::string JournalRenderer::Department(std::uint8_t number) const {
  const std::string* name = tables_.departments.Find(TableKey(number));
  return name ? *name : "DPT 00" + Spaces(kNameWidth - 6);
}

std::string JournalRenderer::Clerk(std::uint8_t number) const {
  if (number == 0) return Spaces(kNameWidth);
  const std::string* name = tables_.clerks.Find(TableKey(number));
  return name ? *name : "OBSL 00" + Spaces(kNameWidth - 7);
}

std::string JournalRenderer::Payment(std::uint8_t number) const {
  const std::string* name = tables_.payments.Find(TableKey(number));
  return name ? *name : "PLAT 00" + Spaces(kNameWidth - 7);
}

std::string JournalRenderer::Currency(std::uint8_t number) const {
  const std::string* name = tables_.currencies.Find(TableKey(number));
  return name ? *name : "MENA 00" + Spaces(kCurrencyNameWidth - 7);
}

std::string JournalRenderer::Plu(const std::string& key) const {
  const std::string* name = tables_.plu.Find(key);
  return name ? *name : "PLU " + key;
}

std::string JournalRenderer::LinkedPlu(std::uint8_t number) const {
  if (number > kMaxLinkedPlu) frame::Fail(frame::error::kLinkedPluOutOfRange);
  const NameTable::Entry* line = tables_.linkedPlu.Line(number);
  if (line && line->name != Spaces(kNameWidth)) return line->name;
  std::string label = "LINK " + BcdDigits(&number, 1);
  return label + Spaces(kNameWidth - label.size());
}

std::string JournalRenderer::Amount(const unsigned char* field) const {
  return FormatAmount(field, tables_.amountDecimals);
}

char JournalRenderer::Tax(std::uint8_t byte) {
  taxIndex_ = byte & 15;
  return TaxLetter(byte);
}

namespace {
// The four sale types each: plain, then "ZR", "ST" and "VR" over the line's start.
constexpr const char* kSaleMarks[] = {"  ", "ZR", "ST", "VR"};
}  // namespace

void JournalRenderer::Render(std::string_view record) {
  JournalRecord r{};
  std::copy_n(record.begin(), std::min(record.size(), r.size()), r.begin());
  const std::uint8_t type = r[field::kType];
  if (RenderSale(r, type) || RenderPayment(r, type) || RenderClerkEvent(r, type) ||
      RenderReceiptEnd(r, type)) {
    return;
  }
  Emit(T().unknown + frame::Format("%X ", type), type);
  frame::ShowDebugMessage(program_, frame::Format("Neumim zpracovat radek %X ", type));
}

bool JournalRenderer::RenderSale(const JournalRecord& r, std::uint8_t type) {
  using namespace field;
  switch (type) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04: {
      std::string line =
          "   " + Department(r[kDepartment]) + Spaces(11) + Amount(&r[kAmount]) + " ";
      line += Tax(r[kDepartmentTax]);
      line.replace(0, 2, kSaleMarks[type - 1]);
      Emit(line, type);
      return true;
    }
    case 0x05:
    case 0x06:
    case 0x07:
    case 0x08: {
      std::string key = BcdDigits(&r[kPlu], 7);
      std::string line =
          "   " + Plu(key) + " " + FormatQuantity(&r[kQuantity]) + " " + Amount(&r[kAmount]) + " ";
      line += Tax(r[kPluTax]);
      line.replace(0, 2, kSaleMarks[type - 5]);
      Emit(line, type);
      if (options_.pluSalesFile) {
        WritePluSale(FormatAmountRaw(&r[kAmount]) + ";" + key + ";" +
                     FormatQuantityRaw(&r[kQuantity]) + ";" + frame::Format("%02d", currentClerk_));
      }
      return true;
    }
    case 0x09:
      Emit("   " + LinkedPlu(r[kLinkedPlu]) + Spaces(11) + Amount(&r[kAmount]), type);
      return true;
    case 0x0C:
      Emit(
          "+/-%" + Spaces(9) + FormatPercent(&r[kPercent]) + "%" + Spaces(13) + Amount(&r[kAmount]),
          type);
      return true;
    case 0x10: {
      std::string line = "DPH ";
      line += Tax(r[kVatTax]);
      line += frame::Format(" %02d%%", tables_.TaxRate(taxIndex_)) + Spaces(5) +
              Amount(&r[kAmount]) + tables_.dphPad + " " + Amount(&r[kVatAmount]);
      Emit(line, type);
      return true;
    }
    default:
      return false;
  }
}

bool JournalRenderer::RenderPayment(const JournalRecord& r, std::uint8_t type) {
  using namespace field;
  switch (type) {
    case 0x20: {
      std::string amount = Amount(&r[kAmount]);
      Emit("CELKEM" + Spaces(26) + amount, type);
      if (accountOpen_) {
        if (options_.pluSalesFile) pluSalesPosition_ = pluSalesMark_;
        if (options_.accountsFile) acctTotal_ = amount;
      }
      accountOpen_ = false;
      return true;
    }
    case 0x21: {
      std::string payment = Payment(r[kPayment]);
      Emit(payment + Spaces(14) + Amount(&r[kAmount]), type);
      if (options_.accountsFile) acctPayment_ = payment;
      return true;
    }
    case 0x22:
      Emit(T().refund + Spaces(26) + Amount(&r[kAmount]), type);
      return true;
    case 0x23: {
      int currency = BcdNumber(r[kCurrency]);
      Emit(Currency(r[kCurrency]) + Spaces(9) +
               FormatExchangeRate(&r[kExchangeRate], tables_.CurrencyDecimals(currency)) +
               Spaces(2) + Amount(&r[kAmount]),
           type);
      return true;
    }
    case 0x24:
      Emit(Currency(r[kCurrency]) + " " + Payment(r[kPayment]) + " " + Amount(&r[kAmount]), type);
      return true;
    case 0x25:
      Emit(T().subtotal + Spaces(22) + Amount(&r[kAmount]), type);
      return true;
    default:
      return false;
  }
}

bool JournalRenderer::RenderClerkEvent(const JournalRecord& r, std::uint8_t type) {
  using namespace field;
  const auto receipt = [&] { return BcdDigits(&r[kReceiptNumber], 2); };
  const auto when = [&] { return FormatDateTime(&r[kEventDateTime]); };
  switch (type) {
    case 0x40:
      currentClerk_ = BcdNumber(r[kClerk]);
      Emit("PRODEJ" + Spaces(8) + Clerk(r[kClerk]) + Spaces(2) + receipt(), type);
      return true;
    case 0x41: {
      std::string clerk = Clerk(r[kClerk]);
      std::string account = BcdDigits(&r[kAccountNumber], 2);
      Emit(T().account + " " + account + Spaces(4) + clerk + Amount(&r[kAccountAmount]), type);
      currentClerk_ = BcdNumber(r[kClerk]);
      if (options_.pluSalesFile) pluSalesMark_ = pluSalesPosition_;
      accountOpen_ = true;
      if (options_.accountsFile) {
        acctNumber_ = account;
        acctClerk_ = clerk;
      }
      return true;
    }
    case 0x42:
      if (r[kClerk] == 0xFF) {
        Emit("SUMA  " + Amount(&r[kSumFirstAmount]) + " " + Amount(&r[kSumSecondAmount]), type);
        if (options_.separatorLines) EmitSeparator();
      } else {
        std::string line = "UZAV. ";
        line += r[kReportKind] == 0xFF ? 'Z' : 'X';
        line += " " + BcdDigits(&r[kReportNumber], 1) + Spaces(4) + Clerk(r[kClerk]) + Spaces(2) +
                when();
        Emit(line, type);
      }
      return true;
    case 0x43:
      Emit("STORNO CELK" + Spaces(3) + Clerk(r[kClerk]) + Spaces(2) + receipt(), type);
      return true;
    case 0x44:
      Emit(T().copy + Spaces(4) + Clerk(r[kClerk]) + Spaces(2) + receipt(), type);
      return true;
    case 0x45:
      Emit("VKLAD " + Clerk(r[kClerk]) + " ND" + receipt() + " " + Amount(&r[kCashAmount]), type);
      return true;
    case 0x46:
      Emit("VYBER " + Clerk(r[kClerk]) + " ND" + receipt() + " " + Amount(&r[kCashAmount]), type);
      return true;
    case 0x47:
      Emit("TR ON" + Spaces(3) + Clerk(r[kClerk]) + " ND" + receipt() + " " + when(), type);
      return true;
    case 0x48:
      Emit("TR OFF" + Spaces(2) + Clerk(r[kClerk]) + " ND" + receipt() + " " + when(), type);
      return true;
    case 0x4A:
      Emit(T().drawer + " " + Clerk(r[kClerk]) + " ND" + receipt() + " " + when(), type);
      return true;
    case 0x4B:
      Emit("WARM RESET" + Spaces(24) + when(), type);
      return true;
    case 0x4D:
      Emit("POWER FAIL RETURN" + Spaces(17) + when(), type);
      return true;
    case 0x4F:
      Emit("Data z PC  -  soubor " + BcdDigits(&r[kLoadedFile], 1) + Spaces(11) + when(), type);
      return true;
    default:
      return false;
  }
}

bool JournalRenderer::RenderReceiptEnd(const JournalRecord& r, std::uint8_t type) {
  using namespace field;
  const std::string when = type == 0x80 || type == 0x81 ? FormatDateTime(&r[kEndDateTime]) : "";
  switch (type) {
    case 0x80: {
      std::string items = FormatQuantity(&r[kItemCount]);
      Emit(Spaces(7) + BcdDigits(&r[kEndNumber], 1) + Spaces(13) + items + Spaces(3) + when, type);
      if (options_.separatorLines) EmitSeparator();
      if (options_.accountsFile) {
        accountLines_ += "UCET# " + acctNumber_ + ", " + acctPayment_ + " " + acctTotal_ + ", " +
                         acctClerk_ + ", polozky " + items + ", " + when + "\r\n";
      }
      return true;
    }
    case 0x81:
      Emit(T().account + " " + BcdDigits(&r[kParkedAccountNumber], 2) + " " + T().parked + " " +
               when + " " + Amount(&r[kAccountAmount]),
           type);
      if (options_.separatorLines) EmitSeparator();
      accountOpen_ = false;
      return true;
    default:
      return false;
  }
}

void RenderJournal(frame::Program& program, frame::ProgramFile& work) {
  const frame::JobSettings& settings = program.settings;
  RenderOptions options = RenderOptionsOf(settings);

  std::string journalName = JournalFileName(program.command.dataFileName);
  frame::ProgramFile journal =
      frame::ProgramFile::Open(program, journalName, frame::OpenMode::kUpdateOrCreate);
  frame::ProgramFile accounts;
  if (options.accountsFile)
    accounts = frame::ProgramFile::Open(program, "UCTY_E.DAT", frame::OpenMode::kAppend);

  platform::LocalTime now = program.clock.LocalNow();
  std::string section =
      "\r\n" + T().header +
      frame::Format(" %02u.%02u.%04u, %02u:%02u\r\n", unsigned(now.day), unsigned(now.month),
                    unsigned(now.year), unsigned(now.hour), unsigned(now.minute)) +
      "\r\n";

  JournalNameTables tables = LoadJournalNameTables(program);
  JournalRenderer renderer(program, tables, options);
  const std::int64_t workSize = work.Size();
  convert::WorkFileReader reader(work);
  std::string record;
  while (static_cast<std::int64_t>(work.Position()) < workSize && reader.ReadWorkRecord(&record)) {
    renderer.Render(record);
  }

  section += renderer.lines();
  section += "*Signature:\r\n" + JournalDigestOf(renderer.lines()) + "\r\n";

  // Everything is rendered: only now does anything reach the files.
  AsLineWrite([&] {
    journal.Seek(static_cast<std::uint64_t>(journal.Size()));
    journal.Write(section);
    journal.Close();
    // Made only here and put in place whole: a rendering or a write that
    // fails keeps the file of the last download.
    if (options.pluSalesFile) {
      frame::ReplacingFile pluSales(program, "CS_PLU.DAT");
      pluSales.file().Write(renderer.PluSalesFile());
      pluSales.Commit();
    }
    if (accounts.IsOpen()) {
      accounts.Write(renderer.accountLines());
      accounts.Close();
    }
  });

  work.Close();
  if (!settings.debug) {
    bool missing = false;
    platform::OsError error = 0;
    program.fs.Remove(work.path(), &missing, &error);
  }
}

}  // namespace tarvik::journal
