#include "convert/plu_files.h"

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "frame/codepage.h"
#include "screen/front_end.h"
#include "support/test_support.h"

namespace tarvik::convert {
namespace {

using testing::ProgramFixture;

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

class PluFilesTest : public ProgramFixture {
 protected:
  using LineList = std::vector<std::string>;
  PluFilesTest() { program_->command.dataFileName = "OUT.DAT"; }
  // Writes `lines` as `input`, runs `operation` and returns the data file
  // (empty when missing).
  std::string Run(void (*operation)(frame::Program&), const std::string& input,
                  const LineList& lines) {
    WriteFile(input, Lines(lines));
    operation(*program_);
    return ReadFile(program_->command.dataFileName);
  }
  // AddNamesToSales with the sales lines; AddSalesToPlu with the sales or PLU lines.
  std::string Names(const LineList& sales) { return Run(AddNamesToSales, "S_PLU.DAT", sales); }
  std::string SalesWithSales(const LineList& sales) {
    return Run(AddSalesToPlu, "S_PLU.DAT", sales);
  }
  std::string SalesWithPlu(const LineList& plu) { return Run(AddSalesToPlu, "P_PLU.DAT", plu); }
  std::string Sort(const LineList& lines) {
    program_->command.dataFileName = "PLU.DAT";
    return Run(SortPluFile, "PLU.DAT", lines);
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : frontEnd_.Messages()) texts.push_back(message.text);
    return texts;
  }
};

// --- S74 ----------------------------------------------------------------------

TEST_F(PluFilesTest, NamesMergedIntoSalesByFourteenDigitPlu) {
  WriteFile("P_PLU.DAT", Lines({R"(00000000000123;"Rohlik            ";00001000;00000500)",
                                R"(456;"Chleba            ";00002000;00000500)",
                                R"(00000000000123;"Second of 123     ";00001000;00000500)"}));
  EXPECT_EQ(
      Names({"+00000000000001;00000000000123;+00000000000005;000000000000000000",
             // 18 digits: the last 14 count.
             "+00000000000002;000000000000000456;+00000000000007;0",
             // Absent from P_PLU.DAT.
             "+00000000000003;00000000000789;+00000000000001;0",
             // Not written with 14 digits: no match although P_PLU has 456.
             "+00000000000004;456;+00000000000001;0"}),
      Lines({"+00000000000001;00000000000123;Rohlik            ;+00000000000005;000000000000000000",
             "+00000000000002;000000000000000456;Chleba            ;+00000000000007;0",
             "+00000000000003;00000000000789;                  ;+00000000000001;0",
             "+00000000000004;456;                  ;+00000000000001;0"}));
  EXPECT_TRUE(frontEnd_.Messages().empty());
}

TEST_F(PluFilesTest, NamesAreCutToEighteenWithoutQuotesAndEndAtTheSeparator) {
  program_->settings.oddelovac = ',';
  WriteFile("P_PLU.DAT", Lines({R"(1,"ABCDEFGHIJKLMNOPQRSTUVWXYZ",1)", R"(2,"AB"CD",1)",
                                R"(3,"Part,rest",1)", R"(4)"}));
  EXPECT_EQ(
      Names({"+1,00000000000001,x", "+2,00000000000002,x", "+3,00000000000003,x",
             "+4,00000000000004,x"}),
      Lines({"+1,00000000000001,ABCDEFGHIJKLMNOPQR,x", "+2,00000000000002,ABCD              ,x",
             "+3,00000000000003,Part              ,x", "+4,00000000000004,                  ,x"}));
}

TEST_F(PluFilesTest, NamesErrors) {
  // Without P_PLU.DAT there is nothing to do.
  EXPECT_EQ(Names({"+1;00000000000001;x"}), "");
  EXPECT_FALSE(FileExists("OUT.DAT"));
  std::filesystem::remove(PathOf("S_PLU.DAT"));
  WriteFile("P_PLU.DAT", Lines({R"(1;"A")"}));
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_),
                     frame::error::kPluSalesFileNotOpened);  // no S_PLU.DAT

  // First separator after position 16.
  EXPECT_JOB_FAILURE(Names({"+000000000000001;00000000000001;x"}),
                     frame::error::kPluLineSeparator1Missing);
  // Second separator after position 35 (the first one at 16 is still fine).
  EXPECT_JOB_FAILURE(Names({"+00000000000001;0000000000000000001;x"}),
                     frame::error::kPluLineSeparator2Missing);
  EXPECT_EQ(Names({"+00000000000001;000000000000000001;x"}),
            Lines({"+00000000000001;000000000000000001;A                 ;x"}));

  // 35 + 19 + 203 = 257 characters of output.
  const std::string head = "+00000000000001;000000000000000001;";
  EXPECT_JOB_FAILURE(Names({head + std::string(203, 'x')}), frame::error::kPluSalesOutputTooLong);
  EXPECT_EQ(Names({head + std::string(202, 'x')}).size(), 256u + 2);

  // The output cannot be created.
  program_->command.dataFileName = "missing_dir/OUT.DAT";
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), frame::error::kPluOutputNotMade);
}

// --- S03 ----------------------------------------------------------------------

TEST_F(PluFilesTest, SalesMergedIntoPluFile) {
  WriteFile("S_PLU.DAT", Lines({"+00000000000010;00000000000123;+00000000000005;0;+0",
                                "+00000000000011;000000000000000456;+00000000000007;0;+0",
                                "+12;00000000000777;-3;0;+0",
                                "+00000000000099;00000000000123;+00000000000099;0;+0"}));
  EXPECT_EQ(
      SalesWithPlu({R"(00000000000123;"Rohlik            ";00001000;00000500;1;0;0)",
                    R"(00000000000456;"Chleba            ";00002000;00000600;1;0;0)",
                    R"(00000000000789;"Never sold        ";00003000;00000700;1;0;0)",
                    R"(00000000000777;"Short fields      ";00003000;00000700;1)"}),
      Lines(
          {R"(00000000000123;"Rohlik            ";00001000;00000500;+00000000000005;+00000000000010)",
           R"(00000000000456;"Chleba            ";00002000;00000600;+00000000000007;+00000000000011)",
           R"(00000000000789;"Never sold        ";00003000;00000700;+00000000000000;+00000000000000)",
           R"(00000000000777;"Short fields      ";00003000;00000700;)" + std::string(13, ' ') +
               "-3;" + std::string(12, ' ') + "+12"}));
  // The PLU texts must be identical: "123" is not "00000000000123".
  WriteFile("S_PLU.DAT", Lines({"+1;123;+5;0"}));
  EXPECT_EQ(
      SalesWithPlu({R"(00000000000123;"A";1;2;x)", R"(123;"B";1;2;x)"}),
      Lines({R"(00000000000123;"A";1;2;+00000000000000;+00000000000000)",
             R"(123;"B";1;2;)" + std::string(13, ' ') + "+5;" + std::string(13, ' ') + "+1"}));
}

TEST_F(PluFilesTest, SalesErrors) {
  WriteFile("P_PLU.DAT", Lines({R"(1;"A";1;2)"}));
  EXPECT_JOB_FAILURE(SalesWithSales({"+1"}), frame::error::kPluSalesSeparator1Missing);
  EXPECT_JOB_FAILURE(SalesWithSales({"+1;1"}), frame::error::kPluSalesSeparator2Missing);
  EXPECT_JOB_FAILURE(SalesWithSales({"+1;1;+5"}), frame::error::kPluSalesSeparator3Missing);
  EXPECT_JOB_FAILURE(SalesWithSales({"+1;1;+0000000000000005;0"}),
                     frame::error::kPluSalesTextTooLong);
  EXPECT_JOB_FAILURE(SalesWithSales({"+0000000000000001;1;+5;0"}),
                     frame::error::kPluSalesTextTooLong);

  WriteFile("S_PLU.DAT", Lines({"+1;1;+5;0"}));
  const std::string plu = "00000000000001";
  const std::string name = "\"" + std::string(18, 'n') + "\"";
  const std::string prices = plu + "0;" + name + "0;" + std::string(8, '1') + ";";
  // Separators by positions 17, 38, 47 and 56 at the latest.
  EXPECT_JOB_FAILURE(SalesWithPlu({plu + "000;" + name + ";1;2"}),
                     frame::error::kPluLineSeparator1Missing);
  EXPECT_JOB_FAILURE(SalesWithPlu({plu + "0;" + name + "00;1;2"}),
                     frame::error::kPluLineSeparator2Missing);
  EXPECT_JOB_FAILURE(SalesWithPlu({plu + "0;" + name + "0;" + std::string(9, '1') + ";2"}),
                     frame::error::kPluLineSeparator3Missing);
  EXPECT_JOB_FAILURE(SalesWithPlu({prices + std::string(9, '2') + ";"}),
                     frame::error::kPluLineSeparator4Missing);
  EXPECT_EQ(SalesWithPlu({prices + std::string(8, '2') + ";rest"}),
            Lines({prices + std::string(8, '2') + ";+00000000000000;+00000000000000"}));

  std::filesystem::remove(PathOf("P_PLU.DAT"));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), frame::error::kFileNotOpened);
}

TEST_F(PluFilesTest, FaultyLineLeavesAnEarlierOutputWhole) {
  // The good lines in front of the faulty one used to reach the output file,
  // which had been emptied first.
  const std::string earlier = Lines({"the output of an earlier run"});
  WriteFile("OUT.DAT", earlier);
  WriteFile("P_PLU.DAT", Lines({R"(00000000000001;"A";1;2;x)"}));
  EXPECT_JOB_FAILURE(Names({"+1;00000000000001;x", "+2;" + std::string(40, '0') + ";x"}),
                     frame::error::kPluLineSeparator2Missing);
  EXPECT_EQ(ReadFile("OUT.DAT"), earlier);

  WriteFile("S_PLU.DAT", Lines({"+1;00000000000001;+5;0"}));
  EXPECT_JOB_FAILURE(SalesWithPlu({R"(00000000000001;"A";1;2;x)", "no separators"}),
                     frame::error::kPluLineSeparator1Missing);
  EXPECT_EQ(ReadFile("OUT.DAT"), earlier);
}

TEST_F(PluFilesTest, InputThatExistsButCannotBeOpenedIs30And1NotNothingToDo) {
  // Only a missing input is passed over; any other reason used to end the
  // command as done, with the output of an earlier run left in place.
  testing::UnopenableFile unopenable(dir_ / "P_PLU.DAT");
  WriteFile("S_PLU.DAT", Lines({"+1;00000000000001;x"}));
  WriteFile("OUT.DAT", "earlier\r\n");
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), frame::error::kFileNotOpened);
  EXPECT_EQ(ReadFile("OUT.DAT"), "earlier\r\n");

  program_->command.dataFileName = "P_PLU.DAT";
  EXPECT_JOB_FAILURE(SortPluFile(*program_), frame::error::kFileNotOpened);
  EXPECT_FALSE(FileExists("P_PLU.BAK"));
}

// --- SE3 ----------------------------------------------------------------------

TEST_F(PluFilesTest, SortDropsRepeatsAndBacksUpTheInputOnce) {
  program_->command.dataFileName = "PLU.DAT";
  SortPluFile(*program_);  // a missing file: nothing to do
  EXPECT_FALSE(FileExists("PLU.DAT"));
  EXPECT_FALSE(FileExists("P_PLU.BAK"));

  const std::vector<std::string> input = {"5;first five", "3;three", "5;second five"};
  EXPECT_EQ(Sort(input), Lines({"00000000000003;three", "00000000000005;first five"}));
  EXPECT_EQ(ReadFile("P_PLU.BAK"), Lines(input));
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "V souboru jsou stejná PLU:\r\n00000000000005 ");
  EXPECT_EQ(frontEnd_.Messages()[0].style, screen::kStyleExclamation);
  // An older backup is kept.
  EXPECT_EQ(Sort({"2;b", "1;a"}), Lines({"00000000000001;a", "00000000000002;b"}));
  EXPECT_EQ(ReadFile("P_PLU.BAK"), Lines(input));

  std::filesystem::remove(PathOf("P_PLU.BAK"));
  EXPECT_EQ(Sort({}), "");
  EXPECT_TRUE(FileExists("PLU.DAT"));
  EXPECT_EQ(ReadFile("P_PLU.BAK"), "");
  EXPECT_TRUE(FileExists("P_PLU.BAK"));
  EXPECT_EQ(frontEnd_.Messages().size(), 1u);
}

TEST_F(PluFilesTest, SortPadsKeysAndDropsTheFourteenNines) {
  EXPECT_EQ(Sort({"99999999999999;all nines", "123;a", "0123;same key", "12345678901234;b",
                  "99999999999999;nines again", ";empty key"}),
            Lines({"00000000000000;empty key", "00000000000123;a", "12345678901234;b"}));
  std::vector<std::string> texts = MessageTexts();
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"V souboru jsou stejná PLU:\r\n00000000000123 ",
                                             "V souboru jsou stejná PLU:\r\n99999999999999 ",
                                             "V souboru jsou stejná PLU:\r\n99999999999999 "}));
}

TEST_F(PluFilesTest, SortKeysAboveTheNinesAreWrittenLast) {
  // A key that compares above 99999999999999 is sorted to the end instead of
  // being searched for forever.
  EXPECT_EQ(Sort({"A0000000000000;letter", "7;seven", "A0000000000000;again"}),
            Lines({"00000000000007;seven", "A0000000000000;letter"}));
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"V souboru jsou stejná PLU:\r\nA0000000000000 "}));
}

TEST_F(PluFilesTest, SortThatCannotWriteKeepsTheUnsortedFileAndMakesNoBackup) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // The sorted lines go to work04.tmp first; here every write to it fails.
  std::filesystem::create_symlink("/dev/full", dir_ / "work04.tmp");
  EXPECT_JOB_FAILURE(Sort({"2;b", "1;a"}), frame::error::kFileNotWritten);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"2;b", "1;a"}));
  EXPECT_FALSE(FileExists("P_PLU.BAK"));
}

TEST_F(PluFilesTest, SortErrors) {
  EXPECT_JOB_FAILURE(Sort({"1;a", "2"}), frame::error::kSortLineWithoutSeparator);
  EXPECT_FALSE(FileExists("P_PLU.BAK"));  // nothing renamed before the table is loaded
  EXPECT_JOB_FAILURE(Sort({"1;" + std::string(81, 'r')}), frame::error::kSortLineTooLong);
  EXPECT_JOB_FAILURE(Sort({"123456789012345;a"}), frame::error::kSortPluNumberTooLong);
  EXPECT_JOB_FAILURE(Sort({"1;" + std::string(254, 'r')}), frame::error::kLineTooLong);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"1;" + std::string(254, 'r')}));
  EXPECT_EQ(Sort({"12345678901234;" + std::string(80, 'r')}),
            Lines({"12345678901234;" + std::string(80, 'r')}));
}

// What the classic selection sort comes to: keys padded to 14 digits in
// ascending order, the first line of each key kept; every later line of a
// key and every line of the key 99999999999999 dropped with a message.
TEST_F(PluFilesTest, SortMatchesTheSelectionSortOnRandomFiles) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const int lineCount = static_cast<int>(random() % 600);
    const int keyRange = 1 + static_cast<int>(random() % 200);  // many repeats
    std::vector<std::string> lines;
    std::map<std::string, std::string> kept;
    std::vector<std::string> wanted;
    for (int i = 0; i < lineCount; ++i) {
      const auto kind = random() % 10;
      std::string key = kind == 0 ? "99999999999999"
                        : kind == 1
                            ? std::string(random() % 3, '0') + std::to_string(random() % keyRange)
                        : kind == 2 ? std::to_string(10000000000000ULL + random() % keyRange)
                                    : std::to_string(random() % keyRange);
      std::string rest = "\"line " + std::to_string(i) + "\";" + std::to_string(random() % 1000);
      lines.push_back(key + ";" + rest);
      key.insert(0, 14 - key.size(), '0');
      if (key == "99999999999999" || !kept.emplace(key, rest).second) {
        wanted.push_back(frame::Cp1250ToUtf8(DuplicatePluMessage(key)));
      }
    }
    std::string expected;
    for (const auto& [key, rest] : kept) expected += key + ";" + rest + "\r\n";
    std::filesystem::remove(PathOf("P_PLU.BAK"));
    const std::size_t before = frontEnd_.Messages().size();
    ASSERT_EQ(Sort(lines), expected);
    ASSERT_EQ(ReadFile("P_PLU.BAK"), Lines(lines));
    std::vector<std::string> shown = MessageTexts();
    shown.erase(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(before));
    std::sort(shown.begin(), shown.end());
    std::sort(wanted.begin(), wanted.end());
    ASSERT_EQ(shown, wanted);
  }
}

// --- Stock writer -----------------------------------------------------------------

TEST_F(PluFilesTest, StockFileLinesCarryTheSignedQuantity) {
  WriteStockFile(*program_, {{"00000000000123", 45},
                             {"00000000000124", -5},
                             {"00000000000125", 0},
                             {"00000000000126", 12345678}});
  EXPECT_EQ(ReadFile("OUT.DAT"), Lines({"00000000000123;+0000045", "00000000000124;-0000005",
                                        "00000000000125;+0000000", "00000000000126;+12345678"}));
}

}  // namespace
}  // namespace tarvik::convert
