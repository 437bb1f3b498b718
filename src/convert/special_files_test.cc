#include "convert/special_files.h"

#include <string>
#include <vector>

#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/status.h"
#include "screen/front_end.h"
#include "support/test_support.h"

namespace tarvik::convert {
namespace {

using testing::FromHex;
using testing::ProgramFixture;

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

class SpecialFilesTest : public ProgramFixture {
 protected:
  AccountTable Accounts(const std::vector<std::string>& lines) {
    WriteFile("ucty.dat", Lines(lines));
    return LoadAccountTable(*program_);
  }
  // The account items of `work` as work01.tmp, converted into OUT.DAT.
  std::string AccountItems(const std::string& work) {
    WriteFile("work01.tmp", work);
    auto in = frame::ProgramFile::Open(*program_, "work01.tmp", frame::OpenMode::kRead);
    auto out = frame::ProgramFile::Open(*program_, "OUT.DAT", frame::OpenMode::kCreate);
    ConvertAccountItems(*program_, in, out);
    out.Close();
    return ReadFile("OUT.DAT");
  }
  // The stock lines loaded, as "key quantity;" each.
  std::string Stock(const std::vector<std::string>& lines) {
    WriteFile("SKL.DAT", Lines(lines));
    std::string text;
    for (const auto& item :
         LoadStockFile(*program_, "SKL.DAT", frame::error::kStockFileOutOfMemory)) {
      text += item.key + " " + std::to_string(item.quantity) + ";";
    }
    return text;
  }
};

// --- Clock --------------------------------------------------------------------

TEST_F(SpecialFilesTest, ClockFileGetsDateAndTimeUnlessMissingOrMalformed) {
  EXPECT_JOB_FAILURE(WriteClockFile(*program_, "x_reg.dat"), frame::error::kClockFileNotRead);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  program_->settings.debug = 1;
  WriteClockFile(*program_, "x_reg.dat");
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Nepodarilo se otevrit soubor data a casu.");
  EXPECT_FALSE(FileExists("x_reg.dat"));

  program_->settings.debug = 0;
  WriteFile("x_reg.dat", Lines({"0001;000000", "0002;000000", std::string(32, '3')}));
  EXPECT_JOB_FAILURE(WriteClockFile(*program_, "x_reg.dat"), frame::error::kLineTooLong);
  WriteFile("x_reg.dat", Lines({"0001;000000", "0002;000000", std::string(31, '3')}));
  WriteClockFile(*program_, "x_reg.dat");
  EXPECT_EQ(ReadFile("x_reg.dat"), Lines({"0001;261205", "0002;140500", std::string(31, '3')}));
  std::filesystem::remove(PathOf("x_reg.dat"));

  clock_.SetLocal({2009, 3, 5, 14, 7, 33, 4});
  WriteFile("X_REG.DAT", Lines({"0001;010101", "0002;235959", "0003;123456"}));
  WriteClockFile(*program_, "x_reg.dat");
  EXPECT_EQ(ReadFile("X_REG.DAT"), Lines({"0001;090305", "0002;140700", "0003;123456"}));
  // The existing spelling is kept.
  EXPECT_TRUE(StoredNameExists("X_REG.DAT"));
  EXPECT_FALSE(StoredNameExists("x_reg.dat"));

  clock_.SetLocal({1999, 12, 31, 0, 5, 59, 5});
  program_->settings.oddelovac = ',';
  WriteClockFile(*program_, "x_reg.dat");
  EXPECT_EQ(ReadFile("X_REG.DAT"), Lines({"0001,991231", "0002,000500", "0003;123456"}));
  // Two lines get an empty third line.
  WriteFile("X_REG.DAT", "0001;000000\r\n0002;000000");
  WriteClockFile(*program_, "x_reg.dat");
  EXPECT_EQ(ReadFile("X_REG.DAT"), "0001,991231\r\n0002,000500\r\n\r\n");
}

// --- VAT ----------------------------------------------------------------------

TEST_F(SpecialFilesTest, VatRewriteChangesExactlyTheRateLinesOfTheFirstEight) {
  WriteFile("P_TAX.DAT", Lines({"0001;1400;00", "0002;1500;00", "0003;0000;00", "0004;2100;01",
                                "0005;1415;00", "0006;0014;15", "0007;1450;00", "0008;15"}));
  EXPECT_EQ(RewriteVatFile(*program_, 14, 15, 20, 21), 0);
  const std::string expected =
      Lines({"0001;2000;00", "0002;2100;00", "0003;0000;00", "0004;2100;01", "0005;2015;00",
             "0006;0014;15", "0007;2050;00", "0008;21"});
  EXPECT_EQ(ReadFile("P_TAX.DAT"), expected);
  EXPECT_EQ(ReadFile("P_TAX2.DAT"), expected);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  // Only the first eight lines are kept.
  std::vector<std::string> lines;
  for (int i = 1; i <= 10; ++i) lines.push_back(frame::Format("%04d;1400;00", i));
  WriteFile("P_TAX.DAT", Lines(lines));
  EXPECT_EQ(RewriteVatFile(*program_, 14, 15, 20, 21), 0);
  lines.resize(8);
  for (std::string& line : lines) line.replace(5, 2, "20");
  EXPECT_EQ(ReadFile("P_TAX2.DAT"), Lines(lines));
  EXPECT_EQ(ReadFile("P_TAX.DAT"), Lines(lines));
}

TEST_F(SpecialFilesTest, VatMappingComesFromTheFourValues) {
  // LF and lone CR line ends stay as they were; a short line stays.
  WriteFile("P_TAX.DAT", "0001;0500;00\n0002;1000;00\r0003;0700;00\r\n0004;\r\n0005;1000");
  EXPECT_EQ(RewriteVatFile(*program_, 5, 10, 7, 12), 0);
  EXPECT_EQ(ReadFile("P_TAX.DAT"),
            "0001;0700;00\n0002;1200;00\r0003;0700;00\r\n0004;\r\n0005;1200");
  // Values that do not have two digits never match.
  EXPECT_EQ(RewriteVatFile(*program_, 7, 12, 100, -1), 0);
  EXPECT_EQ(ReadFile("P_TAX.DAT"),
            "0001;0700;00\n0002;1200;00\r0003;0700;00\r\n0004;\r\n0005;1200");
}

TEST_F(SpecialFilesTest, VatRewriteFailures) {
  EXPECT_EQ(RewriteVatFile(*program_, 14, 15, 20, 21), 1);
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Chyba při otevírání souboru");
  EXPECT_EQ(frontEnd_.Messages()[0].style, screen::kStyleOk);
  EXPECT_FALSE(FileExists("P_TAX2.DAT"));

  // 198 characters and CR LF: 200 with the line end is still one line.
  WriteFile("P_TAX.DAT", "0001;1400;00" + std::string(186, ' ') + "\r\n");
  EXPECT_EQ(RewriteVatFile(*program_, 14, 15, 20, 21), 0);
  EXPECT_EQ(ReadFile("P_TAX.DAT"), "0001;2000;00" + std::string(186, ' ') + "\r\n");
  const std::string tooLong = "0001;1400;00" + std::string(187, ' ') + "\r\n";
  WriteFile("P_TAX.DAT", tooLong);
  EXPECT_JOB_FAILURE(RewriteVatFile(*program_, 14, 15, 20, 21), frame::error::kTaxFileLineTooLong);
  EXPECT_EQ(ReadFile("P_TAX.DAT"), tooLong);
}

TEST(VatMessage, NamesTheSecondAndFourthValue) {
  EXPECT_EQ(VatLoadedMessage(15, 21), frame::W("V pokladně je nastaveno DPH 15% a 21%."));
}

// --- Accounts -------------------------------------------------------------------

TEST_F(SpecialFilesTest, AccountListLoadsUntilAccountZeroWithinItsLimits) {
  AccountTable table = Accounts(
      {"0123;0002;000000004500", "0005;0007;999999999999", "7;8;9", "", "0009;0001;000000000001"});
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(AccountHeaderLine(';', table[0]), "T;0123;0002;0000004500");
  EXPECT_EQ(AccountHeaderLine(';', table[1]), "T;0005;0007;999999999999");
  EXPECT_EQ(AccountHeaderLine(',', table[2]), "T,0007,0008,0000000009");
  EXPECT_EQ(FindAccount(table, 5), &table[1]);
  EXPECT_EQ(FindAccount(table, 9), nullptr);  // behind the end of the table
  EXPECT_EQ(FindAccount(table, 4), nullptr);
  EXPECT_JOB_FAILURE(Accounts({"123456789;1;1"}), frame::error::kAccountNumberTooLong);
  EXPECT_JOB_FAILURE(Accounts({"1;123456789;1"}), frame::error::kAccountSecondFieldTooLong);
  // The second field ends after the 16th character.
  EXPECT_JOB_FAILURE(Accounts({"12345678;12345678;1"}), frame::error::kAccountSecondFieldTooLong);
  EXPECT_JOB_FAILURE(Accounts({"1;1;1234567890123"}), frame::error::kAccountThirdFieldTooLong);
  EXPECT_JOB_FAILURE(Accounts({"12345678;1234567;123456789012"}),
                     frame::error::kAccountThirdFieldTooLong);
  EXPECT_JOB_FAILURE(Accounts({std::string(64, '1')}), frame::error::kLineTooLong);
  // A number that stops early would select another account.
  EXPECT_JOB_FAILURE(Accounts({"0001;0001;1", "12A4;0002;000000004500"}),
                     frame::error::kAccountNumberNotNumber);
  EXPECT_JOB_FAILURE(Accounts({"0001;0001;0000000045:0"}), frame::error::kAccountNumberNotNumber);
  EXPECT_EQ(testing::FailureOf([&] {
              Accounts({"0001;0001;1", "0002;1x;1"});
            }).context,
            "datový soubor " + program_->MakeProgramPath("ucty.dat") +
                ", řádek 2, pole 2: \"1x\" není číslo");
  EXPECT_EQ(testing::FailureOf([&] { Accounts({"123456789;1;1"}); }).context,
            "datový soubor " + program_->MakeProgramPath("ucty.dat") + ", řádek 1, pole 1");

  std::vector<std::string> lines;
  for (int i = 1; i <= 256; ++i) lines.push_back(frame::Format("%04d;0001;000000000001", i));
  EXPECT_EQ(Accounts(lines).size(), 256u);
  lines.push_back("0257;0001;000000000001");
  EXPECT_JOB_FAILURE(Accounts(lines), frame::error::kTooManyAccounts);
}

TEST_F(SpecialFilesTest, AccountSelectionFile) {
  WriteAccountSelectionFile(*program_, 123);
  EXPECT_EQ(ReadFile("ucet.dat"), "0001;000000123\r\n");
}

TEST_F(SpecialFilesTest, AccountItemsBecomeItemLines) {
  EXPECT_EQ(AccountItems(""), "");
  std::string work;
  // Department item: type 0xD0, department 07.
  AppendWorkRecord(&work,
                   FromHex("01 00 00 00 01 23 07 D0 00 00 00 00 00 00 00 00 00 00 00 45 00"));
  // PLU item: any other type, the 14 digits of bytes 9-15; nibbles above 9
  // are written as the characters after '9'.
  AppendWorkRecord(&work,
                   FromHex("02 00 12 34 56 78 99 01 00 00 00 00 01 23 4A FF FF 99 99 99 99"));
  EXPECT_EQ(AccountItems(work),
            Lines({"D;00000123;D;07;00004500", "D;12345678;P;0000000001234:;99999999"}));
  // Records of any other length.
  for (std::size_t size : {20u, 22u}) {
    work.clear();
    AppendWorkRecord(&work, std::string(21, '\0'));
    AppendWorkRecord(&work, std::string(size, '\0'));
    EXPECT_JOB_FAILURE(AccountItems(work), frame::error::kAccountItemLength);
  }
}

// --- Stock --------------------------------------------------------------------

TEST_F(SpecialFilesTest, StockLinesBecomeKeysAndQuantitiesOrNameTheirFault) {
  EXPECT_EQ(Stock({"123;+0000045", "124;-5", "12345678901234; +12 ;x", ";7", "125;"}),
            "00000000000123 45;00000000000124 -5;12345678901234 12;00000000000000 7;"
            "00000000000125 0;");
  // A quantity that is no number is not read as the number it starts with.
  for (const char* bad : {"+12x9", "+-3", "5-3", "1:2", "1 2"}) {
    EXPECT_JOB_FAILURE(Stock({"123;+1", std::string("124;") + bad}),
                       frame::error::kStockQuantityNotNumber);
  }
  EXPECT_EQ(testing::FailureOf([&] {
              Stock({"123;+1", "124;+0000A45;x"});
            }).context,
            "datový soubor " + program_->MakeProgramPath("SKL.DAT") +
                ", řádek 2, pole 2: množství \"+0000A45\" není číslo");
  EXPECT_JOB_FAILURE(Stock({"123;+1", "123456789012345;+1"}), frame::error::kStockKeyTooLong);
  EXPECT_JOB_FAILURE(Stock({"123;+1", "124"}), frame::error::kStockLineWithoutSeparator);
  EXPECT_JOB_FAILURE(Stock({"123;+1", "", "124;+1"}), frame::error::kStockLineEmpty);
  EXPECT_JOB_FAILURE(Stock({"123;+2147483648"}), frame::error::kStockQuantityOutOfRange);
  EXPECT_JOB_FAILURE(Stock({"123;" + std::string(40, '9')}),
                     frame::error::kStockQuantityOutOfRange);
  EXPECT_EQ(Stock({"123;-2147483648", "124;+2147483647"}),
            "00000000000123 -2147483648;00000000000124 2147483647;");
  EXPECT_JOB_FAILURE(Stock({"123;" + std::string(252, '9')}), frame::error::kLineTooLong);
  EXPECT_JOB_FAILURE(LoadStockFile(*program_, "MISSING.DAT", frame::error::kStockFileOutOfMemory),
                     frame::error::kFileNotOpened);
}

TEST_F(SpecialFilesTest, StockSumAddsTheRegisterQuantitiesOrLeavesTheDataFile) {
  program_->command.dataFileName = "SKLAD.DAT";
  const std::string data = Lines({"123;+5", "999;+1"});
  WriteFile("SKLAD.DAT", data);
  EXPECT_JOB_FAILURE(SumStockIntoDataFile(*program_),
                     frame::error::kFileNotOpened);  // the register's stock not read
  WriteFile("X_SKL.DAT", Lines({"00000000000123;+0000045"}));
  EXPECT_JOB_FAILURE(SumStockIntoDataFile(*program_), frame::error::kStockItemUnknown);
  EXPECT_EQ(ReadFile("SKLAD.DAT"), data);

  WriteFile("X_SKL.DAT", Lines({"00000000000123;+0000045", "00000000000124;-0000005",
                                "00000000000125;+0000100", "00000000000123;+0000999"}));
  WriteFile("SKLAD.DAT", Lines({"124;+10", "123;+0000005", "125;-0000200"}));
  SumStockIntoDataFile(*program_);
  EXPECT_EQ(ReadFile("SKLAD.DAT"), Lines({"00000000000124;+0000005", "00000000000123;+0000050",
                                          "00000000000125;-0000100"}));

  WriteFile("X_SKL.DAT", Lines({"123;+2147483000"}));
  WriteFile("SKLAD.DAT", Lines({"123;+1000"}));
  EXPECT_JOB_FAILURE(SumStockIntoDataFile(*program_), frame::error::kStockQuantityOutOfRange);

  StockTable fileTable = {{"00000000000001", -3}};
  AddRegisterStock({{"00000000000001", 3}, {"00000000000001", 100}}, &fileTable);
  EXPECT_EQ(fileTable[0].quantity, 0);
}

}  // namespace
}  // namespace tarvik::convert
