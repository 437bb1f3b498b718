#include "journal/journal_render.h"

#include <gtest/gtest.h>

#include "convert/work_file.h"
#include "frame/codepage.h"
#include "journal/journal_digest.h"
#include "support/test_support.h"

namespace tarvik::journal {
namespace {

using frame::W;
using testing::FromHex;

std::string S(std::size_t n) {
  return std::string(n, ' ');
}

// An expected journal line: the UTF-8 text in Windows-1250, filled with
// spaces to the 50 characters every line has.
std::string J(const std::string& utf8) {
  std::string line = W(utf8);
  if (line.size() > kJournalLineWidth) ADD_FAILURE() << "expected line too long: " << utf8;
  line.resize(kJournalLineWidth, ' ');
  return line;
}

// A 24-byte record of the given type; fields are hexadecimal bytes at offsets.
std::string R(int type, std::vector<std::pair<std::size_t, std::string>> fields = {}) {
  std::string record(24, '\0');
  record[1] = 0x01;
  record[2] = static_cast<char>(type);
  for (const auto& [offset, hex] : fields) {
    std::string bytes = FromHex(hex);
    record.replace(offset, bytes.size(), bytes);
  }
  return record;
}

const std::string kSeparator(50, '-');
const std::string kDateTime = "26 12 05 00 14 30";  // 05.12.26 14:30
const std::string kAmount1250 = "00 000000001250";
const std::string kPrinted1250 = "           12.50";

class JournalRenderTest : public testing::ProgramFixture {
 protected:
  JournalRenderTest() { program_->command.DataFileName = "ZURNAL.DAT"; }

  void WriteNameTables() {
    WriteFile("P_DPT.DAT", W("0001;\"Potraviny         \";0000;0000;1;0;0;0\r\n"
                             "0002;\"Nápoje            \";0000;0000;2;0;0;0\r\n"));
    WriteFile("P_PLU.DAT", W("00000000001234;\"Rohlík            \";0001;0000;1;0;0;0\r\n"));
    WriteFile("P_LPLU.DAT", W("0001;\"Záloha lahev      \"\r\n"
                              "0002;\"                  \"\r\n"));
    WriteFile("P_OBSL.DAT", W("0001;\"Novák             \";1;0002\r\n"
                              "0002;\"Svoboda           \";1;0003\r\n"));
    WriteFile("P_TAX.DAT", "0001;2100;01\r\n0002;1500;01\r\n0003;1000;01\r\n");
    WriteFile("P_PLAT.DAT",
              "0001;\"Hotovost          \";1;0;0\r\n"
              "0002;\"Karta             \";1;0;0\r\n");
    WriteFile("P_MENA.DAT",
              "0001;\"EUR               \";3;0;0\r\n"
              "0002;\"USD               \";2;0;0\r\n");
  }

  void WriteDecimals(char decimals) {
    WriteFile("S_REG.DAT", std::string("0001;000000\r\n0002;000000\r\n0003;") + decimals +
                               "00000\r\n0004;000000\r\n");
  }

  void Render(const std::vector<std::string>& records) {
    std::string work;
    for (const std::string& record : records) convert::AppendWorkRecord(&work, record);
    RenderWork(work);
  }

  void RenderWork(const std::string& workBytes) {
    WriteFile("work01.tmp", workBytes);
    frame::ProgramFile work = frame::ProgramFile::Open(*program_, "work01.tmp", 'r');
    RenderJournal(*program_, work);
  }

  // Renders one section and returns its lines, after checking the section's
  // frame: the header, and a signature that is the digest of the lines.
  std::vector<std::string> Lines(const std::vector<std::string>& records) {
    std::size_t before = FileExists("ZURNAL.txt") ? ReadFile("ZURNAL.txt").size() : 0;
    Render(records);
    std::string section = ReadFile("ZURNAL.txt").substr(before);
    const std::string header = W("\r\n*Přidáno 05.12.2026, 14:05\r\n\r\n");
    EXPECT_EQ(section.substr(0, header.size()), header);
    std::size_t signature = section.find("*Signature:\r\n");
    if (signature == std::string::npos) {
      ADD_FAILURE() << "no signature";
      return {};
    }
    std::string body = section.substr(header.size(), signature - header.size());
    EXPECT_EQ(section.substr(signature), "*Signature:\r\n" + JournalDigestOf(body) + "\r\n");
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < body.size();) {
      std::size_t end = body.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << "line without CR LF";
        break;
      }
      lines.push_back(body.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }
};

TEST_F(JournalRenderTest, SectionOfAnEmptyWorkFileHasHeaderAndSignatureOnly) {
  WriteFile("ZURNAL.txt", "earlier sections stay\r\n");
  Render({});
  EXPECT_EQ(ReadFile("ZURNAL.txt"),
            W("earlier sections stay\r\n\r\n*Přidáno 05.12.2026, 14:05\r\n\r\n*Signature:\r\n") +
                "6a175fcd4ef163b82f4a012b46e6074410566638\r\n");
  EXPECT_FALSE(FileExists("work01.tmp"));
}

TEST_F(JournalRenderTest, HeaderTakesTheLocalTimeAndSectionsAppend) {
  clock_.SetLocal({2027, 1, 9, 7, 3, 0, 6});
  Render({R(0x4B, {{13, kDateTime}})});
  clock_.SetLocal({2027, 1, 10, 23, 59, 0, 0});
  Render({});
  std::string journal = ReadFile("ZURNAL.txt");
  std::string line = J("WARM RESET" + S(24) + "05.12.26 14:30") + "\r\n";
  EXPECT_EQ(journal, W("\r\n*Přidáno 09.01.2027, 07:03\r\n\r\n") + line + "*Signature:\r\n" +
                         JournalDigestOf(line) + "\r\n" +
                         W("\r\n*Přidáno 10.01.2027, 23:59\r\n\r\n*Signature:\r\n") +
                         "6a175fcd4ef163b82f4a012b46e6074410566638\r\n");
}

TEST_F(JournalRenderTest, JournalNameReplacesTheExtension) {
  EXPECT_EQ(JournalFileName("ZURNAL.DAT"), "ZURNAL.txt");
  EXPECT_EQ(JournalFileName("Z.dat"), "Z.txt");
  EXPECT_EQ(JournalFileName("JOURNAL"), "JOURNAL.txt");
  EXPECT_EQ(JournalFileName(""), "");
  program_->command.DataFileName = "ZURN0007.dat";
  Render({});
  EXPECT_TRUE(FileExists("ZURN0007.txt"));
}

TEST_F(JournalRenderTest, DepartmentSales) {
  WriteNameTables();
  auto sale = [](int type, const std::string& department) {
    return R(type, {{3, kAmount1250}, {10, department}, {11, "01"}});
  };
  EXPECT_EQ(Lines({sale(0x01, "01"), sale(0x02, "02"), sale(0x03, "01"), sale(0x04, "15")}),
            (std::vector<std::string>{
                J("   Potraviny         " + S(11) + kPrinted1250 + " A"),
                J("ZR Nápoje            " + S(11) + kPrinted1250 + " A"),
                J("ST Potraviny         " + S(11) + kPrinted1250 + " A"),
                J("VR DPT 00            " + S(11) + kPrinted1250 + " A"),
            }));
}

TEST_F(JournalRenderTest, DepartmentSaleWithoutNameTablesAndWithOtherDecimals) {
  auto sale = R(0x01, {{3, kAmount1250}, {10, "01"}, {11, "03"}});
  EXPECT_EQ(Lines({sale}),
            std::vector<std::string>{J("   DPT 00" + S(12) + S(11) + kPrinted1250 + " C")});
  WriteDecimals('0');
  EXPECT_EQ(Lines({sale}),
            std::vector<std::string>{J("   DPT 00" + S(12) + S(11) + "         1250 " + " C")});
  // With three decimals the line is 51 characters: the tax letter is cut off.
  WriteDecimals('3');
  EXPECT_EQ(Lines({sale}),
            std::vector<std::string>{"   DPT 00" + S(12) + S(11) + "            1.250" + " "});
}

TEST_F(JournalRenderTest, PluSales) {
  WriteNameTables();
  auto sale = [](int type, const std::string& amount, const std::string& quantity,
                 const std::string& plu, const std::string& tax) {
    return R(type, {{3, amount}, {10, quantity}, {14, plu}, {21, tax}});
  };
  const std::string rohlik = "00 00 00 00 00 12 34";
  EXPECT_EQ(Lines({
                sale(0x05, kAmount1250, "00 00 05 00", rohlik, "02"),
                sale(0x06, "01 000000000050", "80 00 15 00", rohlik, "00"),
                sale(0x07, "00 000000000000", "00 00 10 00", "00 00 00 00 00 99 99", "01"),
                sale(0x08, kAmount1250, "00 00 10 00", "12 34 56 78 90 12 34", "09"),
            }),
            (std::vector<std::string>{
                J("   Rohlík             " + S(4) + "0.500 " + kPrinted1250 + " B"),
                J("ZR Rohlík             " + S(3) + "-1.500 " + S(11) + "-0.50" + "  "),
                J("ST PLU 00000000009999 " + S(4) + "1.000 " + S(12) + "0.00" + " A"),
                J("VR PLU 12345678901234 " + S(4) + "1.000 " + kPrinted1250 + " I"),
            }));
}

TEST_F(JournalRenderTest, PluSaleWithThreeAndNoDecimals) {
  auto sale =
      R(0x05,
        {{3, "01 000000001500"}, {10, "00 00 20 00"}, {14, "00 00 00 00 00 00 07"}, {21, "01"}});
  WriteDecimals('3');
  EXPECT_EQ(Lines({sale}), std::vector<std::string>{"   PLU 00000000000007 " + S(4) + "2.000 " +
                                                    S(11) + "-1.500" + " "});
  WriteDecimals('0');
  EXPECT_EQ(Lines({sale}), std::vector<std::string>{
                               J("   PLU 00000000000007 " + S(4) + "2.000 " + S(8) + "-1500  A")});
}

TEST_F(JournalRenderTest, LinkedPlu) {
  WriteNameTables();
  auto linked = [](const std::string& number) { return R(0x09, {{3, kAmount1250}, {17, number}}); };
  EXPECT_EQ(Lines({linked("01"), linked("02"), linked("12"), linked("00"), linked("32")}),
            (std::vector<std::string>{
                J("   Záloha lahev      " + S(11) + kPrinted1250),
                J("   LINK 02           " + S(11) + kPrinted1250),  // blank name
                J("   LINK 12           " + S(11) + kPrinted1250),  // line 18 does not exist
                J("   LINK 00           " + S(11) + kPrinted1250),  // there is no line 0
                J("   LINK 32           " + S(11) + kPrinted1250),  // 0x32 = 50, the last allowed
            }));
}

TEST_F(JournalRenderTest, LinkedPluAboveFiftyFailsAndLeavesTheJournalAlone) {
  WriteFile("ZURNAL.txt", "before");
  EXPECT_JOB_FAILURE(Render({R(0x01), R(0x09, {{17, "33"}})}), 52, 1);
  EXPECT_EQ(ReadFile("ZURNAL.txt"), "before");
  EXPECT_TRUE(FileExists("work01.tmp"));
}

TEST_F(JournalRenderTest, PercentDiscounts) {
  EXPECT_EQ(Lines({
                R(0x0C, {{3, "01 000000000150"}, {10, "00 01 00"}}),
                R(0x0C, {{3, "00 000000000150"}, {10, "80 00 50"}}),
                R(0x0C, {{3, "00 000000000000"}, {10, "00 00 00"}}),
            }),
            (std::vector<std::string>{
                J("+/-%" + S(9) + "   10%" + S(13) + S(11) + "-1.50"),
                J("+/-%" + S(9) + "   -5%" + S(13) + S(12) + "1.50"),
                J("+/-%" + S(9) + "     %" + S(13) + S(12) + "0.00"),
            }));
}

TEST_F(JournalRenderTest, VatLinesTakeTheRateOfTheirTaxLetter) {
  WriteNameTables();
  auto vat = [](const std::string& tax) {
    return R(0x10, {{3, "00 000000010000"}, {10, "00 000000002100"}, {17, tax}});
  };
  const std::string base = S(10) + "100.00";
  const std::string tax = S(11) + "21.00";
  // Without S_REG.DAT: two decimals and no padding.
  EXPECT_EQ(Lines({vat("01"), vat("03"), vat("05"), vat("00")}),
            (std::vector<std::string>{
                J("DPH A 21%" + S(5) + base + " " + tax),
                J("DPH C 10%" + S(5) + base + " " + tax),
                J("DPH E 00%" + S(5) + base + " " + tax),  // no fifth rate
                J("DPH   00%" + S(5) + base + " " + tax),
            }));
  WriteDecimals('2');
  EXPECT_EQ(Lines({vat("02")}),
            std::vector<std::string>{J("DPH B 15%" + S(5) + base + " " + " " + tax)});
  WriteDecimals('0');
  EXPECT_EQ(Lines({vat("01")}), std::vector<std::string>{J("DPH A 21%" + S(5) + S(8) + "10000 " +
                                                           "   " + " " + S(9) + "2100 ")});
  WriteDecimals('3');
  EXPECT_EQ(Lines({vat("01")}), std::vector<std::string>{J("DPH A 21%" + S(5) + S(11) + "10.000" +
                                                           " " + S(12) + "2.100")});
}

TEST_F(JournalRenderTest, TotalsPaymentsAndCurrencies) {
  WriteNameTables();
  EXPECT_EQ(Lines({
                R(0x25, {{3, kAmount1250}}),
                R(0x20, {{3, kAmount1250}}),
                R(0x21, {{3, kAmount1250}, {10, "02"}}),
                R(0x21, {{3, kAmount1250}, {10, "09"}}),
                R(0x22, {{3, "01 000000000050"}}),
                R(0x23, {{3, kAmount1250}, {12, "02 51 50"}, {15, "01"}}),
                R(0x23, {{3, kAmount1250}, {12, "02 51 50"}, {15, "02"}}),
                R(0x23, {{3, kAmount1250}, {12, "02 51 50"}, {15, "00"}}),
                R(0x23, {{3, kAmount1250}, {12, "02 51 50"}, {15, "07"}}),
                R(0x24, {{3, kAmount1250}, {10, "01"}, {15, "02"}}),
                R(0x24, {{3, kAmount1250}, {10, "03"}, {15, "03"}}),
            }),
            (std::vector<std::string>{
                J("MEZISOUČET" + S(22) + kPrinted1250),
                J("CELKEM" + S(26) + kPrinted1250),
                J("Karta             " + S(14) + kPrinted1250),
                J("PLAT 00           " + S(14) + kPrinted1250),
                J("VRÁTIT" + S(26) + S(11) + "-0.50"),
                J("EUR         " + S(9) + "    25.150" + S(2) + kPrinted1250),
                J("USD         " + S(9) + "   251.50" + S(2) + kPrinted1250),
                J("MENA 00     " + S(9) + " 25150 " + S(2) + kPrinted1250),  // currency 0
                J("MENA 00     " + S(9) + " 25150 " + S(2) + kPrinted1250),  // beyond the file
                J("USD          Hotovost           " + kPrinted1250),
                J("MENA 00      PLAT 00            " + kPrinted1250),
            }));
}

TEST_F(JournalRenderTest, ClerkEvents) {
  WriteNameTables();
  auto event = [](int type, const std::string& clerk, const std::string& at13) {
    return R(type, {{3, clerk}, {8, "00 42"}, {13, at13}});
  };
  const std::string novak = "Novák             ";
  EXPECT_EQ(Lines({
                event(0x40, "01", ""),
                event(0x40, "00", ""),
                event(0x40, "09", ""),
                event(0x43, "02", ""),
                event(0x44, "01", ""),
                event(0x45, "01", kAmount1250),
                event(0x46, "01", "01 000000000050"),
                event(0x47, "01", kDateTime),
                event(0x48, "01", kDateTime),
                event(0x4A, "01", kDateTime),
            }),
            (std::vector<std::string>{
                J("PRODEJ" + S(8) + novak + S(2) + "0042"),
                J("PRODEJ" + S(8) + S(18) + S(2) + "0042"),
                J("PRODEJ" + S(8) + "OBSL 00" + S(11) + S(2) + "0042"),
                J("STORNO CELK" + S(3) + "Svoboda           " + S(2) + "0042"),
                J("KOPIE ÚČT." + S(4) + novak + S(2) + "0042"),
                J("VKLAD " + novak + " ND0042 " + kPrinted1250),
                J("VYBER " + novak + " ND0042 " + S(11) + "-0.50"),
                J("TR ON" + S(3) + novak + " ND0042 05.12.26 14:30"),
                J("TR OFF" + S(2) + novak + " ND0042 05.12.26 14:30"),
                J("ZÁSUVKA " + novak + " ND0042 05.12.26 14:30"),
            }));
}

TEST_F(JournalRenderTest, RegisterEvents) {
  EXPECT_EQ(Lines({
                R(0x4B, {{13, kDateTime}}),
                R(0x4D, {{13, kDateTime}}),
                R(0x4F, {{4, "03"}, {13, kDateTime}}),
            }),
            (std::vector<std::string>{
                J("WARM RESET" + S(24) + "05.12.26 14:30"),
                J("POWER FAIL RETURN" + S(17) + "05.12.26 14:30"),
                J("Data z PC  -  soubor 03" + S(11) + "05.12.26 14:30"),
            }));
}

TEST_F(JournalRenderTest, ReportsSumsAndAccountsWithSeparatorLines) {
  WriteNameTables();
  const std::vector<std::string> records = {
      R(0x42, {{3, "FF"}, {4, kAmount1250}, {11, "01 000000000050"}}),
      R(0x42, {{3, "01"}, {4, "FF"}, {13, kDateTime}, {21, "03"}}),
      R(0x42, {{3, "00"}, {4, "00"}, {13, kDateTime}, {21, "11"}}),
      R(0x41, {{3, "02"}, {4, "00 12"}, {15, kAmount1250}}),
      R(0x80, {{3, kDateTime}, {10, "07"}, {11, "00 00 30 00"}}),
      R(0x81, {{3, kDateTime}, {9, "00 12"}, {15, kAmount1250}}),
  };
  const std::vector<std::string> lines = {
      J("SUMA  " + kPrinted1250 + " " + S(11) + "-0.50"),
      J("UZAV. Z 03" + S(4) + "Novák             " + S(2) + "05.12.26 14:30"),
      J("UZAV. X 11" + S(4) + S(18) + S(2) + "05.12.26 14:30"),
      J("ÚČET# 0012" + S(4) + "Svoboda           " + kPrinted1250),
      J(S(7) + "07" + S(13) + "    3.000" + S(3) + "05.12.26 14:30"),
      J("ÚČET# 0012 ODLOŽ 05.12.26 14:30 " + kPrinted1250),
  };
  EXPECT_EQ(Lines(records),
            (std::vector<std::string>{lines[0], kSeparator, lines[1], lines[2], lines[3], lines[4],
                                      kSeparator, lines[5], kSeparator}));
  program_->settings.zurnal_radky = 0;
  EXPECT_EQ(Lines(records), lines);
}

TEST_F(JournalRenderTest, UnknownTypesGetAPlaceholderAndADebugMessage) {
  const std::vector<std::string> records = {R(0x0A), R(0x49), R(0x82), R(0xFF)};
  const std::vector<std::string> lines = {
      J("??? nezpracováno: A "),
      J("??? nezpracováno: 49 "),
      J("??? nezpracováno: 82 "),
      J("??? nezpracováno: FF "),
  };
  EXPECT_EQ(Lines(records), lines);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_FALSE(FileExists("work01.tmp"));

  program_->settings.debug = 1;
  EXPECT_EQ(Lines(records), lines);
  auto messages = frontEnd_.Messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].text, "Neumim zpracovat radek A ");
  EXPECT_EQ(messages[3].text, "Neumim zpracovat radek FF ");
  EXPECT_EQ(messages[3].style, ui::kStyleExclamation);
  // With debug on the work file stays.
  EXPECT_TRUE(FileExists("work01.tmp"));
}

TEST_F(JournalRenderTest, ExtendedJournalEndsEveryLineWithTheType) {
  program_->settings.extend_journal = 1;
  EXPECT_EQ(Lines({
                R(0x05, {{3, kAmount1250}, {10, "00 00 10 00"}, {14, "00 00 00 00 00 12 34"}}),
                R(0x80, {{3, kDateTime}, {10, "07"}, {11, "00 00 30 00"}}),
                R(0x4C),
            }),
            (std::vector<std::string>{
                J("   PLU 00000000001234 " + S(4) + "1.000 " + kPrinted1250 + "  ") + "|05",
                J(S(7) + "07" + S(13) + "    3.000" + S(3) + "05.12.26 14:30") + "|80",
                kSeparator + "|00",
                J("??? nezpracováno: 4C ") + "|4C",
            }));
}

TEST_F(JournalRenderTest, PluSalesFileDropsTheItemsOfClosedAccounts) {
  auto sale = [](const std::string& plu, const std::string& quantity) {
    return R(0x05, {{3, kAmount1250}, {10, quantity}, {14, "00 00 00 00 00 " + plu}});
  };
  auto header = [](const std::string& clerk) {
    return R(0x41, {{3, clerk}, {4, "00 12"}, {15, kAmount1250}});
  };
  Render({
      R(0x40, {{3, "01"}}), sale("00 01", "00 00 10 00"), header("02"),
      sale("00 02", "00 00 20 00"), sale("00 03", "80 00 05 00"), R(0x20, {{3, kAmount1250}}),
      sale("00 04", "00 00 10 00"), header("03"), sale("00 05", "00 00 10 00"),
      R(0x81, {{3, kDateTime}}),  // a parked account keeps its items
      sale("00 06", "00 00 10 00"), R(0x20, {{3, kAmount1250}}),  // no account open: no rewind
  });
  EXPECT_EQ(ReadFile("CS_PLU.DAT"),
            "+000000001250;00000000000001;+0001000;01\r\n"
            "+000000001250;00000000000004;+0001000;02\r\n"
            "+000000001250;00000000000005;+0001000;03\r\n"
            "+000000001250;00000000000006;+0001000;03\r\n");

  // A closed account at the end is cut away; the file is rewritten every time.
  Render({sale("00 07", "00 00 10 00"), header("01"), sale("00 08", "80 00 20 00"),
          sale("00 09", "00 00 10 00"), R(0x20)});
  EXPECT_EQ(ReadFile("CS_PLU.DAT"), "+000000001250;00000000000007;+0001000;00\r\n");

  program_->settings.cisniciplu = 0;
  WriteFile("CS_PLU.DAT", "kept");
  Render({sale("00 07", "00 00 10 00")});
  EXPECT_EQ(ReadFile("CS_PLU.DAT"), "kept");
}

TEST_F(JournalRenderTest, AccountsFileGetsOneLinePerClosedAccount) {
  WriteNameTables();
  program_->settings.extraucty = 1;
  WriteFile("UCTY_E.DAT", "earlier\r\n");
  Render({
      R(0x80, {{3, kDateTime}, {10, "01"}, {11, "00 00 10 00"}}),  // nothing saved yet
      R(0x41, {{3, "02"}, {4, "00 12"}, {15, kAmount1250}}),
      R(0x21, {{3, kAmount1250}, {10, "01"}}),
      R(0x20, {{3, "00 000000002500"}}),
      R(0x80, {{3, kDateTime}, {10, "02"}, {11, "00 00 30 00"}}),
      R(0x21, {{3, kAmount1250}, {10, "02"}}),
      R(0x20, {{3, "00 000000009900"}}),  // no account open: the total is not taken
      R(0x80, {{3, kDateTime}, {10, "03"}, {11, "00 00 10 00"}}),
  });
  EXPECT_EQ(ReadFile("UCTY_E.DAT"),
            W("earlier\r\n"
              "UCET# ,  , , polozky     1.000, 05.12.26 14:30\r\n"
              "UCET# 0012, Hotovost           " +
              S(11) + "25.00, Svoboda           , polozky" +
              "     3.000, 05.12.26 14:30\r\n"
              "UCET# 0012, Karta              " +
              S(11) + "25.00, Svoboda           , polozky" + "     1.000, 05.12.26 14:30\r\n"));
}

TEST_F(JournalRenderTest, WorkFileEndingInsideARecordEndsTheRendering) {
  std::string work;
  convert::AppendWorkRecord(&work, R(0x4B, {{13, kDateTime}}));
  // Type 0x20 cut after its sign byte: the missing digits read as zero.
  const std::string cut = FromHex("00 01 20 01 00");
  for (char c : cut) {
    work += c;
    work += '\0';
  }
  work.pop_back();
  RenderWork(work);
  std::string journal = ReadFile("ZURNAL.txt");
  std::string lines = J("WARM RESET" + S(24) + "05.12.26 14:30") + "\r\n" +
                      J("CELKEM" + S(26) + S(11) + "-0.00") + "\r\n";
  EXPECT_NE(journal.find(lines + "*Signature:\r\n" + JournalDigestOf(lines) + "\r\n"),
            std::string::npos);
}

TEST_F(JournalRenderTest, NameTableKeysArePaddedAndTheFirstLineWins) {
  program_->settings.oddelovac = ',';
  WriteFile("P_DPT.DAT",
            "1,\"Prvni\"\r\n0001,\"Druhy\"\r\n00002,\"Dlouhy klic\"\r\n"
            "3,\"Bez konce\r\n4,bez uvozovek\r\n");
  EXPECT_EQ(Lines({R(0x01, {{10, "01"}}), R(0x01, {{10, "02"}}), R(0x01, {{10, "03"}}),
                   R(0x01, {{10, "04"}})}),
            (std::vector<std::string>{
                J("   Prvni" + S(13) + S(11) + S(12) + "0.00"),
                J("   DPT 00" + S(12) + S(11) + S(12) + "0.00"),
                J("   Bez konce" + S(9) + S(11) + S(12) + "0.00"),
                J("   " + S(18) + S(11) + S(12) + "0.00"),
            }));
}

TEST_F(JournalRenderTest, NamesAreCutToTheirWidthAndStarsReplaced) {
  WriteFile("P_DPT.DAT", "0001;\"Dvacet znaku, presne\"\r\n0002;\"PIVO*12\"\r\n");
  WriteFile("P_MENA.DAT", "0001;\"Ceska koruna\";2\r\n");
  EXPECT_EQ(Lines({R(0x01, {{10, "01"}}), R(0x01, {{10, "02"}}),
                   R(0x23, {{12, "00 01 00"}, {15, "01"}})}),
            (std::vector<std::string>{
                J("   Dvacet znaku, pres" + S(11) + S(12) + "0.00"),
                J("   PIVO×12" + S(11) + S(11) + S(12) + "0.00"),
                J("Ceska koruna" + S(9) + "     1.00" + S(2) + S(12) + "0.00"),
            }));
}

TEST_F(JournalRenderTest, DecimalsOfSRegAreLimitedToZeroToThree) {
  const auto sale = R(0x20, {{3, "00 000000001234"}});
  WriteDecimals('7');
  EXPECT_EQ(Lines({sale}), std::vector<std::string>{J("CELKEM" + S(26) + S(12) + "1.234")});
  WriteDecimals('/');
  EXPECT_EQ(Lines({sale}), std::vector<std::string>{J("CELKEM" + S(26) + S(9) + "1234 ")});
  // A separator in the fifth place is still within the first five characters.
  WriteFile("S_REG.DAT", "a\r\nb\r\n1234;1\r\n");
  EXPECT_EQ(Lines({sale}), std::vector<std::string>{J("CELKEM" + S(26) + S(10) + "123.4")});
}

TEST_F(JournalRenderTest, CurrencyDecimalsAreLimitedToTheSixDigitsOfARate) {
  WriteFile("P_MENA.DAT", "0001;\"A\";9\r\n0002;\"B\";\r\n0003;\"C\";x\r\n");
  const std::string rate = "12 34 56";
  EXPECT_EQ(Lines({R(0x23, {{12, rate}, {15, "01"}}), R(0x23, {{12, rate}, {15, "02"}}),
                   R(0x23, {{12, rate}, {15, "03"}})}),
            (std::vector<std::string>{
                // 52 characters, cut at 50.
                "A" + S(11) + S(9) + "      .123456" + S(2) + S(12) + "0.",
                J("B" + S(11) + S(9) + "123456 " + S(2) + S(12) + "0.00"),
                "C" + S(11) + S(9) + "      .123456" + S(2) + S(12) + "0.",
            }));
}

struct BadTable {
  const char* file;
  std::string content;
  int code;
  int subcode;
};

class JournalRenderFailureTest : public JournalRenderTest,
                                 public ::testing::WithParamInterface<BadTable> {};

TEST_P(JournalRenderFailureTest, BadTableFileFailsBeforeAnythingIsWritten) {
  const BadTable& bad = GetParam();
  program_->settings.extraucty = 1;
  WriteFile("ZURNAL.txt", "signed sections");
  WriteFile("UCTY_E.DAT", "accounts");
  WriteFile("CS_PLU.DAT", "sales of the last download");
  WriteFile(bad.file, bad.content);
  EXPECT_JOB_FAILURE(Render({R(0x80, {{3, kDateTime}})}), bad.code, bad.subcode);
  EXPECT_EQ(ReadFile("ZURNAL.txt"), "signed sections");
  EXPECT_EQ(ReadFile("UCTY_E.DAT"), "accounts");
  EXPECT_EQ(ReadFile("CS_PLU.DAT"), "sales of the last download");
  EXPECT_TRUE(FileExists("work01.tmp"));
}

const std::string kName21 = "0001;\"Dvacet jedna znaku...\"\r\n";
INSTANTIATE_TEST_SUITE_P(
    Tables, JournalRenderFailureTest,
    ::testing::Values(
        BadTable{"P_PLU.DAT", kName21, 100, 100}, BadTable{"P_LPLU.DAT", kName21, 100, 101},
        BadTable{"P_DPT.DAT", kName21, 100, 102}, BadTable{"P_OBSL.DAT", kName21, 100, 103},
        BadTable{"P_PLAT.DAT", kName21, 100, 105}, BadTable{"P_MENA.DAT", kName21, 100, 106},
        BadTable{"P_DPT.DAT", "0001;\"Bez konce, dvacet jedna\r\n", 100, 102},
        BadTable{"P_MENA.DAT", "0001;\"EUR\";2\r\n0002;\"USD\"2\r\n", 59, 112},
        BadTable{"P_MENA.DAT", "0001;\"EUR\r\n", 59, 112},
        BadTable{"P_MENA.DAT", "0001;EUR;2\r\n", 59, 112},
        BadTable{"S_REG.DAT", "1\r\n2\r\n00001;2\r\n", 59, 113},
        BadTable{"S_REG.DAT", "0001;2\r\n0002;2\r\n", 59, 113},
        BadTable{"S_REG.DAT", "1\r\n2\r\n3\r\n", 59, 113},
        BadTable{"P_DPT.DAT", "0001;\"" + std::string(300, 'x') + "\"\r\n", 23, 1}));

TEST_F(JournalRenderTest, FailedWritesAreLineWriterErrors) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::filesystem::create_symlink("/dev/full", dir_ / "ZURNAL.txt");
  EXPECT_JOB_FAILURE(Render({R(0x20)}), 26, 1);
  std::filesystem::remove(dir_ / "ZURNAL.txt");
  // CS_PLU.DAT is written beside itself first; a failed write keeps the old one.
  WriteFile("CS_PLU.DAT", "sales of the last download");
  std::filesystem::create_symlink("/dev/full", dir_ / "work04.tmp");
  EXPECT_JOB_FAILURE(Render({R(0x05)}), 26, 1);
  EXPECT_EQ(ReadFile("CS_PLU.DAT"), "sales of the last download");
  EXPECT_FALSE(FileExists("work04.tmp"));
}

TEST_F(JournalRenderTest, JournalThatCannotBeOpenedFailsWithThirtyOne) {
  program_->command.DataFileName = "missing/ZURNAL.DAT";
  EXPECT_JOB_FAILURE(Render({}), 30, 1);
  program_->command.DataFileName = "";
  EXPECT_JOB_FAILURE(Render({}), 30, 1);
}

}  // namespace
}  // namespace tarvik::journal
