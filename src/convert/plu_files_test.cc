#include "convert/plu_files.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "frame/codepage.h"
#include "support/test_support.h"
#include "ui/frontend.h"

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
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : frontEnd_.Messages()) texts.push_back(message.text);
    return texts;
  }
};

// --- S74 ----------------------------------------------------------------------

TEST_F(PluFilesTest, NamesMergedIntoSalesByFourteenDigitPlu) {
  WriteFile("P_PLU.DAT", Lines({
                             R"(00000000000123;"Rohlik            ";00001000;00000500)",
                             R"(456;"Chleba            ";00002000;00000500)",
                             R"(00000000000123;"Second of 123     ";00001000;00000500)",
                         }));
  WriteFile("S_PLU.DAT", Lines({
                             "+00000000000001;00000000000123;+00000000000005;000000000000000000",
                             // 18 digits: the last 14 count.
                             "+00000000000002;000000000000000456;+00000000000007;0",
                             // Absent from P_PLU.DAT.
                             "+00000000000003;00000000000789;+00000000000001;0",
                             // Not written with 14 digits: no match although P_PLU has 456.
                             "+00000000000004;456;+00000000000001;0",
                         }));
  program_->command.DataFileName = "S_PLUX.DAT";
  AddNamesToSales(*program_);
  EXPECT_EQ(
      ReadFile("S_PLUX.DAT"),
      Lines({
          "+00000000000001;00000000000123;Rohlik            ;+00000000000005;000000000000000000",
          "+00000000000002;000000000000000456;Chleba            ;+00000000000007;0",
          "+00000000000003;00000000000789;                  ;+00000000000001;0",
          "+00000000000004;456;                  ;+00000000000001;0",
      }));
  EXPECT_TRUE(frontEnd_.Messages().empty());
}

TEST_F(PluFilesTest, NamesAreCutToEighteenWithoutQuotesAndEndAtTheSeparator) {
  program_->settings.oddelovac = ',';
  WriteFile("P_PLU.DAT", Lines({
                             R"(1,"ABCDEFGHIJKLMNOPQRSTUVWXYZ",1)",
                             R"(2,"AB"CD",1)",
                             R"(3,"Part,rest",1)",
                             R"(4)",
                         }));
  WriteFile("S_PLU.DAT", Lines({
                             "+1,00000000000001,x",
                             "+2,00000000000002,x",
                             "+3,00000000000003,x",
                             "+4,00000000000004,x",
                         }));
  program_->command.DataFileName = "OUT.DAT";
  AddNamesToSales(*program_);
  EXPECT_EQ(ReadFile("OUT.DAT"), Lines({
                                     "+1,00000000000001,ABCDEFGHIJKLMNOPQR,x",
                                     "+2,00000000000002,ABCD              ,x",
                                     "+3,00000000000003,Part              ,x",
                                     "+4,00000000000004,                  ,x",
                                 }));
}

TEST_F(PluFilesTest, NamesMissingPluFileWritesNothing) {
  WriteFile("S_PLU.DAT", Lines({"+1;00000000000001;x"}));
  program_->command.DataFileName = "OUT.DAT";
  AddNamesToSales(*program_);
  EXPECT_FALSE(FileExists("OUT.DAT"));
}

TEST_F(PluFilesTest, NamesErrors) {
  WriteFile("P_PLU.DAT", Lines({R"(1;"A")"}));
  program_->command.DataFileName = "OUT.DAT";
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 30, 8);  // no S_PLU.DAT

  // First separator after position 16.
  WriteFile("S_PLU.DAT", Lines({"+000000000000001;00000000000001;x"}));
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 30, 28);
  // Second separator after position 35 (the first one at 16 is still fine).
  WriteFile("S_PLU.DAT", Lines({"+00000000000001;0000000000000000001;x"}));
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 30, 29);
  WriteFile("S_PLU.DAT", Lines({"+00000000000001;000000000000000001;x"}));
  AddNamesToSales(*program_);
  EXPECT_EQ(ReadFile("OUT.DAT"),
            Lines({"+00000000000001;000000000000000001;A                 ;x"}));

  // 35 + 19 + 203 = 257 characters of output.
  WriteFile("S_PLU.DAT", Lines({"+00000000000001;000000000000000001;" + std::string(203, 'x')}));
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 100, 102);
  WriteFile("S_PLU.DAT", Lines({"+00000000000001;000000000000000001;" + std::string(202, 'x')}));
  AddNamesToSales(*program_);
  EXPECT_EQ(ReadFile("OUT.DAT").size(), 256u + 2);

  // The output cannot be created.
  program_->command.DataFileName = "missing_dir/OUT.DAT";
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 30, 18);
}

// --- S03 ----------------------------------------------------------------------

TEST_F(PluFilesTest, SalesMergedIntoPluFile) {
  WriteFile("S_PLU.DAT", Lines({
                             "+00000000000010;00000000000123;+00000000000005;0;+0",
                             "+00000000000011;000000000000000456;+00000000000007;0;+0",
                             "+12;00000000000777;-3;0;+0",
                             "+00000000000099;00000000000123;+00000000000099;0;+0",
                         }));
  WriteFile("P_PLU.DAT", Lines({
                             R"(00000000000123;"Rohlik            ";00001000;00000500;1;0;0)",
                             R"(00000000000456;"Chleba            ";00002000;00000600;1;0;0)",
                             R"(00000000000789;"Never sold        ";00003000;00000700;1;0;0)",
                             R"(00000000000777;"Short fields      ";00003000;00000700;1)",
                         }));
  program_->command.DataFileName = "S_PLUB.DAT";
  AddSalesToPlu(*program_);
  EXPECT_EQ(
      ReadFile("S_PLUB.DAT"),
      Lines({
          R"(00000000000123;"Rohlik            ";00001000;00000500;+00000000000005;+00000000000010)",
          R"(00000000000456;"Chleba            ";00002000;00000600;+00000000000007;+00000000000011)",
          R"(00000000000789;"Never sold        ";00003000;00000700;+00000000000000;+00000000000000)",
          R"(00000000000777;"Short fields      ";00003000;00000700;)" + std::string(13, ' ') +
              "-3;" + std::string(12, ' ') + "+12",
      }));
}

TEST_F(PluFilesTest, SalesKeysCompareWholeTexts) {
  // "123" is not "00000000000123": the PLU texts must be identical.
  WriteFile("S_PLU.DAT", Lines({"+1;123;+5;0"}));
  WriteFile("P_PLU.DAT", Lines({
                             R"(00000000000123;"A";1;2;x)",
                             R"(123;"B";1;2;x)",
                         }));
  program_->command.DataFileName = "OUT.DAT";
  AddSalesToPlu(*program_);
  EXPECT_EQ(ReadFile("OUT.DAT"),
            Lines({
                R"(00000000000123;"A";1;2;+00000000000000;+00000000000000)",
                R"(123;"B";1;2;)" + std::string(13, ' ') + "+5;" + std::string(13, ' ') + "+1",
            }));
}

TEST_F(PluFilesTest, SalesErrors) {
  program_->command.DataFileName = "OUT.DAT";
  WriteFile("P_PLU.DAT", Lines({R"(1;"A";1;2)"}));
  WriteFile("S_PLU.DAT", Lines({"+1"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 59, 100);
  WriteFile("S_PLU.DAT", Lines({"+1;1"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 59, 101);
  WriteFile("S_PLU.DAT", Lines({"+1;1;+5"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 59, 102);
  WriteFile("S_PLU.DAT", Lines({"+1;1;+0000000000000005;0"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 59, 25);
  WriteFile("S_PLU.DAT", Lines({"+0000000000000001;1;+5;0"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 59, 25);

  WriteFile("S_PLU.DAT", Lines({"+1;1;+5;0"}));
  const std::string name = "\"" + std::string(18, 'n') + "\"";
  const std::string plu = "00000000000001";
  // Separators by positions 17, 38, 47 and 56 at the latest.
  WriteFile("P_PLU.DAT", Lines({plu + "000;" + name + ";1;2"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 30, 28);
  WriteFile("P_PLU.DAT", Lines({plu + "0;" + name + "00;1;2"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 30, 29);
  WriteFile("P_PLU.DAT", Lines({plu + "0;" + name + "0;" + std::string(9, '1') + ";2"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 30, 30);
  WriteFile("P_PLU.DAT", Lines({plu + "0;" + name + "0;" + std::string(8, '1') + ";" +
                                std::string(9, '2') + ";"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 30, 31);
  WriteFile("P_PLU.DAT", Lines({plu + "0;" + name + "0;" + std::string(8, '1') + ";" +
                                std::string(8, '2') + ";rest"}));
  AddSalesToPlu(*program_);
  EXPECT_EQ(ReadFile("OUT.DAT"), Lines({plu + "0;" + name + "0;" + std::string(8, '1') + ";" +
                                        std::string(8, '2') + ";+00000000000000;+00000000000000"}));

  std::filesystem::remove(PathOf("P_PLU.DAT"));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 30, 1);
}

TEST_F(PluFilesTest, FaultyLineLeavesAnEarlierOutputWhole) {
  // The good lines in front of the faulty one used to reach the output file,
  // which had been emptied first.
  const std::string earlier = Lines({"the output of an earlier run"});
  program_->command.DataFileName = "OUT.DAT";
  WriteFile("OUT.DAT", earlier);
  WriteFile("P_PLU.DAT", Lines({R"(00000000000001;"A";1;2;x)"}));
  WriteFile("S_PLU.DAT", Lines({"+1;00000000000001;x", "+2;" + std::string(40, '0') + ";x"}));
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 30, 29);
  EXPECT_EQ(ReadFile("OUT.DAT"), earlier);

  WriteFile("S_PLU.DAT", Lines({"+1;00000000000001;+5;0"}));
  WriteFile("P_PLU.DAT", Lines({R"(00000000000001;"A";1;2;x)", "no separators"}));
  EXPECT_JOB_FAILURE(AddSalesToPlu(*program_), 30, 28);
  EXPECT_EQ(ReadFile("OUT.DAT"), earlier);
}

// --- SE3 ----------------------------------------------------------------------

TEST_F(PluFilesTest, SortDropsRepeatsAndKeepsBackup) {
  const std::string input = Lines({"5;first five", "3;three", "5;second five"});
  WriteFile("PLU.DAT", input);
  program_->command.DataFileName = "PLU.DAT";
  SortPluFile(*program_);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"00000000000003;three", "00000000000005;first five"}));
  EXPECT_EQ(ReadFile("P_PLU.BAK"), input);
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "V souboru jsou stejná PLU:\r\n00000000000005 ");
  EXPECT_EQ(frontEnd_.Messages()[0].style, ui::kStyleExclamation);
}

TEST_F(PluFilesTest, SortEmptyFileWritesEmptyFile) {
  WriteFile("PLU.DAT", "");
  program_->command.DataFileName = "PLU.DAT";
  SortPluFile(*program_);
  EXPECT_TRUE(FileExists("PLU.DAT"));
  EXPECT_EQ(ReadFile("PLU.DAT"), "");
  EXPECT_EQ(ReadFile("P_PLU.BAK"), "");
  EXPECT_TRUE(frontEnd_.Messages().empty());
}

TEST_F(PluFilesTest, SortPadsKeysAndDropsTheFourteenNines) {
  WriteFile("PLU.DAT", Lines({"99999999999999;all nines", "123;a", "0123;same key",
                              "12345678901234;b", "99999999999999;nines again", ";empty key"}));
  program_->command.DataFileName = "PLU.DAT";
  SortPluFile(*program_);
  EXPECT_EQ(ReadFile("PLU.DAT"),
            Lines({"00000000000000;empty key", "00000000000123;a", "12345678901234;b"}));
  std::vector<std::string> texts = MessageTexts();
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "V souboru jsou stejná PLU:\r\n00000000000123 ",
                       "V souboru jsou stejná PLU:\r\n99999999999999 ",
                       "V souboru jsou stejná PLU:\r\n99999999999999 ",
                   }));
}

TEST_F(PluFilesTest, SortKeepsAnOlderBackup) {
  WriteFile("P_PLU.BAK", "old backup\r\n");
  WriteFile("PLU.DAT", Lines({"2;b", "1;a"}));
  program_->command.DataFileName = "PLU.DAT";
  SortPluFile(*program_);
  EXPECT_EQ(ReadFile("P_PLU.BAK"), "old backup\r\n");
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"00000000000001;a", "00000000000002;b"}));
}

TEST_F(PluFilesTest, SortMissingFileDoesNothing) {
  program_->command.DataFileName = "PLU.DAT";
  SortPluFile(*program_);
  EXPECT_FALSE(FileExists("PLU.DAT"));
  EXPECT_FALSE(FileExists("P_PLU.BAK"));
}

TEST_F(PluFilesTest, InputThatExistsButCannotBeOpenedIs30And1NotNothingToDo) {
  // Only a missing input is passed over; any other reason used to end the
  // command as done, with the output of an earlier run left in place.
  testing::UnopenableFile unopenable(dir_ / "P_PLU.DAT");
  WriteFile("S_PLU.DAT", Lines({"+1;00000000000001;x"}));
  WriteFile("OUT.DAT", "earlier\r\n");
  program_->command.DataFileName = "OUT.DAT";
  EXPECT_JOB_FAILURE(AddNamesToSales(*program_), 30, 1);
  EXPECT_EQ(ReadFile("OUT.DAT"), "earlier\r\n");

  program_->command.DataFileName = "P_PLU.DAT";
  EXPECT_JOB_FAILURE(SortPluFile(*program_), 30, 1);
  EXPECT_FALSE(FileExists("P_PLU.BAK"));
}

TEST_F(PluFilesTest, SortThatCannotWriteKeepsTheUnsortedFileAndMakesNoBackup) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // The sorted lines go to work04.tmp first; here every write to it fails.
  std::filesystem::create_symlink("/dev/full", dir_ / "work04.tmp");
  WriteFile("PLU.DAT", Lines({"2;b", "1;a"}));
  program_->command.DataFileName = "PLU.DAT";
  EXPECT_JOB_FAILURE(SortPluFile(*program_), 30, 4);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"2;b", "1;a"}));
  EXPECT_FALSE(FileExists("P_PLU.BAK"));
}

TEST_F(PluFilesTest, SortKeysAboveTheNinesAreWrittenLast) {
  // A key that compares above 99999999999999 is sorted to the end instead of
  // being searched for forever.
  WriteFile("PLU.DAT", Lines({"A0000000000000;letter", "7;seven", "A0000000000000;again"}));
  program_->command.DataFileName = "PLU.DAT";
  SortPluFile(*program_);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"00000000000007;seven", "A0000000000000;letter"}));
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"V souboru jsou stejná PLU:\r\nA0000000000000 "}));
}

TEST_F(PluFilesTest, SortErrors) {
  program_->command.DataFileName = "PLU.DAT";
  WriteFile("PLU.DAT", Lines({"1;a", "2"}));
  EXPECT_JOB_FAILURE(SortPluFile(*program_), 59, 105);
  EXPECT_FALSE(FileExists("P_PLU.BAK"));  // nothing renamed before the table is loaded
  WriteFile("PLU.DAT", Lines({"1;" + std::string(81, 'r')}));
  EXPECT_JOB_FAILURE(SortPluFile(*program_), 59, 115);
  WriteFile("PLU.DAT", Lines({"123456789012345;a"}));
  EXPECT_JOB_FAILURE(SortPluFile(*program_), 59, 26);
  WriteFile("PLU.DAT", Lines({"1;" + std::string(254, 'r')}));
  EXPECT_JOB_FAILURE(SortPluFile(*program_), 23, 1);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"1;" + std::string(254, 'r')}));

  WriteFile("PLU.DAT", Lines({"12345678901234;" + std::string(80, 'r')}));
  SortPluFile(*program_);
  EXPECT_EQ(ReadFile("PLU.DAT"), Lines({"12345678901234;" + std::string(80, 'r')}));
}

// Reference: the selection sort, the slow way. Passes from the key
// 99999999999999, each writing the smallest unwritten record and dropping
// every record equal to the search key.
struct ReferenceResult {
  std::string file;
  std::vector<std::string> droppedKeys;
};

ReferenceResult ReferenceSelectionSort(const std::vector<std::string>& lines, char separator) {
  struct Record {
    std::string key;
    std::string rest;
    bool written = false;
  };
  std::vector<Record> records;
  for (const auto& line : lines) {
    std::size_t sep = line.find(separator);
    std::string key = line.substr(0, sep);
    records.push_back({std::string(14 - key.size(), '0') + key, line.substr(sep + 1)});
  }
  ReferenceResult result;
  for (;;) {
    std::string search = "99999999999999";
    Record* candidate = nullptr;
    bool unwritten = false;
    for (Record& record : records) {
      if (record.written) continue;
      unwritten = true;
      if (record.key == search) {
        result.droppedKeys.push_back(record.key);
        record.written = true;
      } else if (record.key < search) {
        search = record.key;
        candidate = &record;
      }
    }
    if (!unwritten) break;
    if (candidate != nullptr) {
      result.file += candidate->key + separator + candidate->rest + "\r\n";
      candidate->written = true;
    }
  }
  return result;
}

TEST_F(PluFilesTest, SortMatchesTheSelectionSortOnRandomFiles) {
  program_->command.DataFileName = "PLU.DAT";
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    const int lineCount = static_cast<int>(random() % 600);
    const int keyRange = 1 + static_cast<int>(random() % 200);  // many repeats
    std::vector<std::string> lines;
    for (int i = 0; i < lineCount; ++i) {
      std::string key;
      switch (random() % 10) {
        case 0:
          key = "99999999999999";
          break;
        case 1:
          key = std::string(random() % 3, '0') + std::to_string(random() % keyRange);
          break;
        case 2:
          key = std::to_string(10000000000000ULL + random() % keyRange);
          break;
        default:
          key = std::to_string(random() % keyRange);
      }
      std::string rest = "\"line " + std::to_string(i) + "\";" + std::to_string(random() % 1000);
      lines.push_back(key + ";" + rest);
    }
    std::filesystem::remove(PathOf("P_PLU.BAK"));
    WriteFile("PLU.DAT", Lines(lines));
    const std::size_t before = frontEnd_.Messages().size();
    SortPluFile(*program_);

    ReferenceResult expected = ReferenceSelectionSort(lines, ';');
    ASSERT_EQ(ReadFile("PLU.DAT"), expected.file) << "seed " << seed;
    ASSERT_EQ(ReadFile("P_PLU.BAK"), Lines(lines)) << "seed " << seed;
    std::vector<std::string> shown;
    auto messages = frontEnd_.Messages();
    for (std::size_t i = before; i < messages.size(); ++i) shown.push_back(messages[i].text);
    std::vector<std::string> wanted;
    for (const auto& key : expected.droppedKeys) {
      wanted.push_back(frame::Cp1250ToUtf8(DuplicatePluMessage(key)));
    }
    std::sort(shown.begin(), shown.end());
    std::sort(wanted.begin(), wanted.end());
    ASSERT_EQ(shown, wanted) << "seed " << seed;
  }
}

// --- Stock writer -----------------------------------------------------------------

TEST_F(PluFilesTest, StockFileLinesCarryTheSignedQuantity) {
  program_->command.DataFileName = "SKL.DAT";
  WriteStockFile(*program_, {{"00000000000123", 45},
                             {"00000000000124", -5},
                             {"00000000000125", 0},
                             {"00000000000126", 12345678}});
  EXPECT_EQ(ReadFile("SKL.DAT"), Lines({"00000000000123;+0000045", "00000000000124;-0000005",
                                        "00000000000125;+0000000", "00000000000126;+12345678"}));
}

}  // namespace
}  // namespace tarvik::convert
