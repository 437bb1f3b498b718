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
// spaces to the 50 characters every line has; L adds the line end.
std::string J(const std::string& utf8) {
  std::string line = W(utf8);
  if (line.size() > kJournalLineWidth) ADD_FAILURE() << "expected line too long: " << utf8;
  line.resize(kJournalLineWidth, ' ');
  return line;
}
std::string L(const std::string& utf8) {
  return J(utf8) + "\r\n";
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

std::string Work(const std::vector<std::string>& records) {
  std::string work;
  for (const std::string& record : records) convert::AppendWorkRecord(&work, record);
  return work;
}

std::string SReg(char decimals) {
  return std::string("0001;000000\r\n0002;000000\r\n0003;") + decimals + "00000\r\n0004;000000\r\n";
}

std::string Vat(const std::string& tax) {
  return R(0x10, {{3, "00 000000010000"}, {10, "00 000000002100"}, {17, tax}});
}

const std::string kSeparator(50, '-');
const std::string kDateTime = "26 12 05 00 14 30";  // 05.12.26 14:30
const std::string kAmount1250 = "00 000000001250";
const std::string kPrinted1250 = "           12.50";

std::string Section(const std::string& lines, const std::string& added = "05.12.2026, 14:05") {
  return W("\r\n*Přidáno " + added + "\r\n\r\n") + lines + "*Signature:\r\n" +
         JournalDigestOf(lines) + "\r\n";
}

// A record and the journal lines it adds.
struct Row {
  std::string record;
  std::string lines;
};

class JournalRenderTest : public testing::ProgramFixture {
 protected:
  JournalRenderTest() { program_->command.dataFileName = "ZURNAL.DAT"; }

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
              "0001;\"Hotovost          \";1;0;0\r\n0002;\"Karta             \";1;0;0\r\n");
    WriteFile("P_MENA.DAT",
              "0001;\"EUR               \";3;0;0\r\n0002;\"USD               \";2;0;0\r\n");
  }

  void Render(const std::vector<std::string>& records) { RenderWork(Work(records)); }

  void RenderWork(const std::string& workBytes) {
    WriteFile("work01.tmp", workBytes);
    frame::ProgramFile work =
        frame::ProgramFile::Open(*program_, "work01.tmp", frame::OpenMode::kRead);
    RenderJournal(*program_, work);
  }

  // Renders the work file as one section and checks all of it: the header,
  // the lines and the signature that is their digest.
  void ExpectSection(const std::string& work, const std::string& lines) {
    std::size_t before = FileExists("ZURNAL.txt") ? ReadFile("ZURNAL.txt").size() : 0;
    RenderWork(work);
    EXPECT_EQ(ReadFile("ZURNAL.txt").substr(before), Section(lines));
  }

  // Renders the records of the rows as one section.
  void ExpectRows(const std::vector<Row>& rows) {
    std::vector<std::string> records;
    std::string lines;
    for (const Row& row : rows) {
      records.push_back(row.record);
      lines += row.lines;
    }
    ExpectSection(Work(records), lines);
  }
};

TEST_F(JournalRenderTest, SectionsAppendWithTheLocalTimeInTheirHeaders) {
  WriteFile("ZURNAL.txt", "earlier sections stay\r\n");
  clock_.SetLocal({2027, 1, 9, 7, 3, 0, 6});
  Render({R(0x4B, {{13, kDateTime}})});
  EXPECT_FALSE(FileExists("work01.tmp"));
  clock_.SetLocal({2027, 1, 10, 23, 59, 0, 0});
  Render({});
  EXPECT_EQ(ReadFile("ZURNAL.txt"),
            "earlier sections stay\r\n" +
                Section(L("WARM RESET" + S(24) + "05.12.26 14:30"), "09.01.2027, 07:03") +
                Section("", "10.01.2027, 23:59"));
}

TEST_F(JournalRenderTest, JournalNameReplacesTheExtension) {
  EXPECT_EQ(JournalFileName("ZURNAL.DAT"), "ZURNAL.txt");
  EXPECT_EQ(JournalFileName("Z.dat"), "Z.txt");
  EXPECT_EQ(JournalFileName("JOURNAL"), "JOURNAL.txt");
  EXPECT_EQ(JournalFileName(""), "");
  program_->command.dataFileName = "ZURN0007.dat";
  Render({});
  EXPECT_TRUE(FileExists("ZURN0007.txt"));
}

TEST_F(JournalRenderTest, SalesOfDepartmentsPlusAndLinkedPlus) {
  WriteNameTables();
  auto dpt = [](int type, const std::string& department) {
    return R(type, {{3, kAmount1250}, {10, department}, {11, "01"}});
  };
  auto plu = [](int type, const std::string& amount, const std::string& quantity,
                const std::string& number, const std::string& tax) {
    return R(type, {{3, amount}, {10, quantity}, {14, number}, {21, tax}});
  };
  auto linked = [](const std::string& number) { return R(0x09, {{3, kAmount1250}, {17, number}}); };
  const std::string rohlik = "00 00 00 00 00 12 34";
  ExpectRows({
      {dpt(0x01, "01"), L("   Potraviny         " + S(11) + kPrinted1250 + " A")},
      {dpt(0x02, "02"), L("ZR Nápoje            " + S(11) + kPrinted1250 + " A")},
      {dpt(0x03, "01"), L("ST Potraviny         " + S(11) + kPrinted1250 + " A")},
      {dpt(0x04, "15"), L("VR DPT 00            " + S(11) + kPrinted1250 + " A")},
      {plu(0x05, kAmount1250, "00 00 05 00", rohlik, "02"),
       L("   Rohlík             " + S(4) + "0.500 " + kPrinted1250 + " B")},
      {plu(0x06, "01 000000000050", "80 00 15 00", rohlik, "00"),
       L("ZR Rohlík             " + S(3) + "-1.500 " + S(11) + "-0.50" + "  ")},
      {plu(0x07, "00 000000000000", "00 00 10 00", "00 00 00 00 00 99 99", "01"),
       L("ST PLU 00000000009999 " + S(4) + "1.000 " + S(12) + "0.00" + " A")},
      {plu(0x08, kAmount1250, "00 00 10 00", "12 34 56 78 90 12 34", "09"),
       L("VR PLU 12345678901234 " + S(4) + "1.000 " + kPrinted1250 + " I")},
      {linked("01"), L("   Záloha lahev      " + S(11) + kPrinted1250)},
      {linked("02"), L("   LINK 02           " + S(11) + kPrinted1250)},  // blank name
      {linked("12"), L("   LINK 12           " + S(11) + kPrinted1250)},  // no line 18
      {linked("00"), L("   LINK 00           " + S(11) + kPrinted1250)},  // there is no line 0
      {linked("32"), L("   LINK 32           " + S(11) + kPrinted1250)},  // 50, the last allowed
  });
}

TEST_F(JournalRenderTest, LinkedPluAboveFiftyFailsAndLeavesTheJournalAlone) {
  WriteFile("ZURNAL.txt", "before");
  EXPECT_JOB_FAILURE(Render({R(0x01), R(0x09, {{17, "33"}})}), frame::error::kLinkedPluOutOfRange);
  EXPECT_EQ(ReadFile("ZURNAL.txt"), "before");
  EXPECT_TRUE(FileExists("work01.tmp"));
}

TEST_F(JournalRenderTest, PercentDiscountsAndVatLinesWithTheRateOfTheirTaxLetter) {
  WriteNameTables();
  const std::string vat = S(10) + "100.00" + " " + S(11) + "21.00";
  ExpectRows({
      {R(0x0C, {{3, "01 000000000150"}, {10, "00 01 00"}}),
       L("+/-%" + S(9) + "   10%" + S(13) + S(11) + "-1.50")},
      {R(0x0C, {{3, "00 000000000150"}, {10, "80 00 50"}}),
       L("+/-%" + S(9) + "   -5%" + S(13) + S(12) + "1.50")},
      {R(0x0C, {{3, "00 000000000000"}, {10, "00 00 00"}}),
       L("+/-%" + S(9) + "     %" + S(13) + S(12) + "0.00")},
      // Without S_REG.DAT: two decimals and no padding.
      {Vat("01"), L("DPH A 21%" + S(5) + vat)},
      {Vat("03"), L("DPH C 10%" + S(5) + vat)},
      {Vat("05"), L("DPH E 00%" + S(5) + vat)},  // no fifth rate
      {Vat("00"), L("DPH   00%" + S(5) + vat)},
  });
}

TEST_F(JournalRenderTest, AmountsTakeTheDecimalsOfSRegLimitedToZeroToThree) {
  WriteFile("P_TAX.DAT", "0001;2100;01\r\n0002;1500;01\r\n0003;1000;01\r\n");
  const std::string dpt = R(0x01, {{3, kAmount1250}, {10, "01"}, {11, "03"}});
  const std::string plu =
      R(0x05,
        {{3, "01 000000001500"}, {10, "00 00 20 00"}, {14, "00 00 00 00 00 00 07"}, {21, "01"}});
  const std::string total = R(0x20, {{3, "00 000000001234"}});
  const std::string base = S(10) + "100.00", tax = S(11) + "21.00";
  const std::string pluLine = "   PLU 00000000000007 " + S(4) + "2.000 ";
  struct Case {
    std::string sreg, record, lines;
  };
  const Case cases[] = {
      // First without S_REG.DAT, and without P_DPT.DAT: no department names.
      {"", dpt, L("   DPT 00" + S(12) + S(11) + kPrinted1250 + " C")},
      {SReg('0'), dpt, L("   DPT 00" + S(12) + S(11) + "         1250 " + " C")},
      // With three decimals the line is 51 characters: the tax letter is cut off.
      {SReg('3'), dpt, "   DPT 00" + S(12) + S(11) + "            1.250" + " \r\n"},
      {SReg('3'), plu, pluLine + S(11) + "-1.500" + " \r\n"},
      {SReg('0'), plu, L(pluLine + S(8) + "-1500  A")},
      {SReg('2'), Vat("02"), L("DPH B 15%" + S(5) + base + " " + " " + tax)},
      {SReg('0'), Vat("01"), L("DPH A 21%" + S(5) + S(8) + "10000 " + "    " + S(9) + "2100 ")},
      {SReg('3'), Vat("01"), L("DPH A 21%" + S(5) + S(11) + "10.000" + " " + S(12) + "2.100")},
      {SReg('7'), total, L("CELKEM" + S(26) + S(12) + "1.234")},
      {SReg('/'), total, L("CELKEM" + S(26) + S(9) + "1234 ")},
      // A separator in the fifth place is still within the first five characters.
      {"a\r\nb\r\n1234;1\r\n", total, L("CELKEM" + S(26) + S(10) + "123.4")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    if (!c.sreg.empty()) WriteFile("S_REG.DAT", c.sreg);
    ExpectRows({{c.record, c.lines}});
  }
}

TEST_F(JournalRenderTest, TotalsPaymentsAndCurrencies) {
  WriteNameTables();
  auto rate = [](const std::string& currency) {
    return R(0x23, {{3, kAmount1250}, {12, "02 51 50"}, {15, currency}});
  };
  ExpectRows({
      {R(0x25, {{3, kAmount1250}}), L("MEZISOUČET" + S(22) + kPrinted1250)},
      {R(0x20, {{3, kAmount1250}}), L("CELKEM" + S(26) + kPrinted1250)},
      {R(0x21, {{3, kAmount1250}, {10, "02"}}), L("Karta             " + S(14) + kPrinted1250)},
      {R(0x21, {{3, kAmount1250}, {10, "09"}}), L("PLAT 00           " + S(14) + kPrinted1250)},
      {R(0x22, {{3, "01 000000000050"}}), L("VRÁTIT" + S(26) + S(11) + "-0.50")},
      {rate("01"), L("EUR         " + S(9) + "    25.150" + S(2) + kPrinted1250)},
      {rate("02"), L("USD         " + S(9) + "   251.50" + S(2) + kPrinted1250)},
      {rate("00"), L("MENA 00     " + S(9) + " 25150 " + S(2) + kPrinted1250)},  // currency 0
      {rate("07"), L("MENA 00     " + S(9) + " 25150 " + S(2) + kPrinted1250)},  // beyond the file
      {R(0x24, {{3, kAmount1250}, {10, "01"}, {15, "02"}}),
       L("USD          Hotovost           " + kPrinted1250)},
      {R(0x24, {{3, kAmount1250}, {10, "03"}, {15, "03"}}),
       L("MENA 00      PLAT 00            " + kPrinted1250)},
  });
}

TEST_F(JournalRenderTest, ClerkAndRegisterEvents) {
  WriteNameTables();
  auto event = [](int type, const std::string& clerk, const std::string& at13 = "") {
    return R(type, {{3, clerk}, {8, "00 42"}, {13, at13}});
  };
  const std::string novak = "Novák             ";
  const std::string at = " 05.12.26 14:30";
  ExpectRows({
      {event(0x40, "01"), L("PRODEJ" + S(8) + novak + S(2) + "0042")},
      {event(0x40, "00"), L("PRODEJ" + S(8) + S(18) + S(2) + "0042")},
      {event(0x40, "09"), L("PRODEJ" + S(8) + "OBSL 00" + S(11) + S(2) + "0042")},
      {event(0x43, "02"), L("STORNO CELK" + S(3) + "Svoboda           " + S(2) + "0042")},
      {event(0x44, "01"), L("KOPIE ÚČT." + S(4) + novak + S(2) + "0042")},
      {event(0x45, "01", kAmount1250), L("VKLAD " + novak + " ND0042 " + kPrinted1250)},
      {event(0x46, "01", "01 000000000050"), L("VYBER " + novak + " ND0042 " + S(11) + "-0.50")},
      {event(0x47, "01", kDateTime), L("TR ON" + S(3) + novak + " ND0042" + at)},
      {event(0x48, "01", kDateTime), L("TR OFF" + S(2) + novak + " ND0042" + at)},
      {event(0x4A, "01", kDateTime), L("ZÁSUVKA " + novak + " ND0042" + at)},
      {R(0x4B, {{13, kDateTime}}), L("WARM RESET" + S(23) + at)},
      {R(0x4D, {{13, kDateTime}}), L("POWER FAIL RETURN" + S(16) + at)},
      {R(0x4F, {{4, "03"}, {13, kDateTime}}), L("Data z PC  -  soubor 03" + S(10) + at)},
  });
}

TEST_F(JournalRenderTest, ReportsSumsAndAccountsWithSeparatorLines) {
  WriteNameTables();
  const std::vector<Row> rows = {
      {R(0x42, {{3, "FF"}, {4, kAmount1250}, {11, "01 000000000050"}}),
       L("SUMA  " + kPrinted1250 + " " + S(11) + "-0.50")},
      {R(0x42, {{3, "01"}, {4, "FF"}, {13, kDateTime}, {21, "03"}}),
       L("UZAV. Z 03" + S(4) + "Novák             " + S(2) + "05.12.26 14:30")},
      {R(0x42, {{3, "00"}, {4, "00"}, {13, kDateTime}, {21, "11"}}),
       L("UZAV. X 11" + S(4) + S(18) + S(2) + "05.12.26 14:30")},
      {R(0x41, {{3, "02"}, {4, "00 12"}, {15, kAmount1250}}),
       L("ÚČET# 0012" + S(4) + "Svoboda           " + kPrinted1250)},
      {R(0x80, {{3, kDateTime}, {10, "07"}, {11, "00 00 30 00"}}),
       L(S(7) + "07" + S(13) + "    3.000" + S(3) + "05.12.26 14:30")},
      {R(0x81, {{3, kDateTime}, {9, "00 12"}, {15, kAmount1250}}),
       L("ÚČET# 0012 ODLOŽ 05.12.26 14:30 " + kPrinted1250)},
  };
  std::vector<Row> separated = rows;
  for (std::size_t at : {0, 4, 5}) separated[at].lines += kSeparator + "\r\n";
  ExpectRows(separated);
  program_->settings.zurnalRadky = 0;
  ExpectRows(rows);
}

TEST_F(JournalRenderTest, UnknownTypesGetAPlaceholderAndADebugMessage) {
  const std::vector<Row> rows = {
      {R(0x0A), L("??? nezpracováno: A ")},
      {R(0x49), L("??? nezpracováno: 49 ")},
      {R(0x82), L("??? nezpracováno: 82 ")},
      {R(0xFF), L("??? nezpracováno: FF ")},
  };
  ExpectRows(rows);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_FALSE(FileExists("work01.tmp"));

  program_->settings.debug = 1;
  ExpectRows(rows);
  auto messages = frontEnd_.Messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].text, "Neumim zpracovat radek A ");
  EXPECT_EQ(messages[3].text, "Neumim zpracovat radek FF ");
  EXPECT_EQ(messages[3].style, screen::kStyleExclamation);
  // With debug on the work file stays.
  EXPECT_TRUE(FileExists("work01.tmp"));
}

TEST_F(JournalRenderTest, ExtendedJournalEndsEveryLineWithTheType) {
  program_->settings.extendJournal = 1;
  ExpectRows({
      {R(0x05, {{3, kAmount1250}, {10, "00 00 10 00"}, {14, "00 00 00 00 00 12 34"}}),
       J("   PLU 00000000001234 " + S(4) + "1.000 " + kPrinted1250 + "  ") + "|05\r\n"},
      {R(0x80, {{3, kDateTime}, {10, "07"}, {11, "00 00 30 00"}}),
       J(S(7) + "07" + S(13) + "    3.000" + S(3) + "05.12.26 14:30") + "|80\r\n" + kSeparator +
           "|00\r\n"},
      {R(0x4C), J("??? nezpracováno: 4C ") + "|4C\r\n"},
  });
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
  const std::string svoboda = S(11) + "25.00, Svoboda           , polozky";
  EXPECT_EQ(ReadFile("UCTY_E.DAT"),
            "earlier\r\nUCET# ,  , , polozky     1.000, 05.12.26 14:30\r\n"
            "UCET# 0012, Hotovost           " +
                svoboda +
                "     3.000, 05.12.26 14:30\r\n"
                "UCET# 0012, Karta              " +
                svoboda + "     1.000, 05.12.26 14:30\r\n");
}

TEST_F(JournalRenderTest, WorkFileEndingInsideARecordEndsTheRendering) {
  std::string work = Work({R(0x4B, {{13, kDateTime}})});
  // Type 0x20 cut after its sign byte: the missing digits read as zero.
  for (char c : FromHex("00 01 20 01 00")) work += std::string{c, '\0'};
  work.pop_back();
  ExpectSection(work,
                L("WARM RESET" + S(24) + "05.12.26 14:30") + L("CELKEM" + S(26) + S(11) + "-0.00"));
}

TEST_F(JournalRenderTest, NameTableKeysArePaddedAndTheFirstLineWins) {
  program_->settings.oddelovac = ',';
  WriteFile("P_DPT.DAT",
            "1,\"Prvni\"\r\n0001,\"Druhy\"\r\n00002,\"Dlouhy klic\"\r\n"
            "3,\"Bez konce\r\n4,bez uvozovek\r\n");
  const std::string zero = S(11) + S(12) + "0.00";
  ExpectRows({
      {R(0x01, {{10, "01"}}), L("   Prvni" + S(13) + zero)},
      {R(0x01, {{10, "02"}}), L("   DPT 00" + S(12) + zero)},
      {R(0x01, {{10, "03"}}), L("   Bez konce" + S(9) + zero)},
      {R(0x01, {{10, "04"}}), L("   " + S(18) + zero)},
  });
}

TEST_F(JournalRenderTest, NamesAreCutToTheirWidthAndCurrencyDecimalsToTheSixDigitsOfARate) {
  WriteFile("P_DPT.DAT", "0001;\"Dvacet znaku, presne\"\r\n0002;\"PIVO*12\"\r\n");
  WriteFile("P_MENA.DAT",
            "0001;\"Ceska koruna\";2\r\n0002;\"A\";9\r\n0003;\"B\";\r\n0004;\"C\";x\r\n");
  const std::string rate = "12 34 56";
  ExpectRows({
      {R(0x01, {{10, "01"}}), L("   Dvacet znaku, pres" + S(11) + S(12) + "0.00")},
      {R(0x01, {{10, "02"}}), L("   PIVO×12" + S(11) + S(11) + S(12) + "0.00")},  // no stars
      {R(0x23, {{12, "00 01 00"}, {15, "01"}}),
       L("Ceska koruna" + S(9) + "     1.00" + S(2) + S(12) + "0.00")},
      // A and C: 52 characters, cut at 50.
      {R(0x23, {{12, rate}, {15, "02"}}), "A" + S(20) + "      .123456" + S(14) + "0.\r\n"},
      {R(0x23, {{12, rate}, {15, "03"}}), L("B" + S(20) + "123456 " + S(14) + "0.00")},
      {R(0x23, {{12, rate}, {15, "04"}}), "C" + S(20) + "      .123456" + S(14) + "0.\r\n"},
  });
}

TEST_F(JournalRenderTest, BadTableFileFailsBeforeAnythingIsWritten) {
  const std::string name21 = "0001;\"Dvacet jedna znaku...\"\r\n";
  const struct {
    const char* file;
    std::string content;
    frame::ErrorPair pair;
  } cases[] = {
      {"P_PLU.DAT", name21, frame::error::kPluNameTooLong},
      {"P_LPLU.DAT", name21, frame::error::kLinkedPluNameTooLong},
      {"P_DPT.DAT", name21, frame::error::kDepartmentNameTooLong},
      {"P_OBSL.DAT", name21, frame::error::kClerkNameTooLong},
      {"P_PLAT.DAT", name21, frame::error::kPaymentNameTooLong},
      {"P_MENA.DAT", name21, frame::error::kCurrencyNameTooLong},
      {"P_DPT.DAT", "0001;\"Bez konce, dvacet jedna\r\n", frame::error::kDepartmentNameTooLong},
      {"P_MENA.DAT", "0001;\"EUR\";2\r\n0002;\"USD\"2\r\n", frame::error::kCurrencyNameNotFollowed},
      {"P_MENA.DAT", "0001;\"EUR\r\n", frame::error::kCurrencyNameNotFollowed},
      {"P_MENA.DAT", "0001;EUR;2\r\n", frame::error::kCurrencyNameNotFollowed},
      {"S_REG.DAT", "1\r\n2\r\n00001;2\r\n", frame::error::kAmountDecimalsMissing},
      {"S_REG.DAT", "0001;2\r\n0002;2\r\n", frame::error::kAmountDecimalsMissing},
      {"S_REG.DAT", "1\r\n2\r\n3\r\n", frame::error::kAmountDecimalsMissing},
      {"P_DPT.DAT", "0001;\"" + std::string(300, 'x') + "\"\r\n", frame::error::kLineTooLong}};
  program_->settings.extraucty = 1;
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.file + (": " + bad.content));
    WriteFile("ZURNAL.txt", "signed sections");
    WriteFile("UCTY_E.DAT", "accounts");
    WriteFile("CS_PLU.DAT", "sales of the last download");
    WriteFile(bad.file, bad.content);
    EXPECT_JOB_FAILURE(Render({R(0x80, {{3, kDateTime}})}), bad.pair);
    EXPECT_EQ(ReadFile("ZURNAL.txt"), "signed sections");
    EXPECT_EQ(ReadFile("UCTY_E.DAT"), "accounts");
    EXPECT_EQ(ReadFile("CS_PLU.DAT"), "sales of the last download");
    EXPECT_TRUE(FileExists("work01.tmp"));
    std::filesystem::remove(dir_ / bad.file);
  }
}

TEST_F(JournalRenderTest, JournalThatCannotBeOpenedOrWrittenFails) {
  program_->command.dataFileName = "missing/ZURNAL.DAT";
  EXPECT_JOB_FAILURE(Render({}), frame::error::kFileNotOpened);
  program_->command.dataFileName = "";
  EXPECT_JOB_FAILURE(Render({}), frame::error::kFileNotOpened);

  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  program_->command.dataFileName = "ZURNAL.DAT";
  std::filesystem::create_symlink("/dev/full", dir_ / "ZURNAL.txt");
  EXPECT_JOB_FAILURE(Render({R(0x20)}), frame::error::kDataNotWritten);
  std::filesystem::remove(dir_ / "ZURNAL.txt");
  // CS_PLU.DAT is written beside itself first; a failed write keeps the old one.
  WriteFile("CS_PLU.DAT", "sales of the last download");
  std::filesystem::create_symlink("/dev/full", dir_ / "work04.tmp");
  EXPECT_JOB_FAILURE(Render({R(0x05)}), frame::error::kDataNotWritten);
  EXPECT_EQ(ReadFile("CS_PLU.DAT"), "sales of the last download");
  EXPECT_FALSE(FileExists("work04.tmp"));
}

}  // namespace
}  // namespace tarvik::journal
