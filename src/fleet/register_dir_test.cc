#include "fleet/register_dir.h"

#include <gtest/gtest.h>

#include <thread>

#include "fleet/attempt.h"
#include "support/test_support.h"

namespace tarvik::fleet {
namespace {

TEST(RegisterDirectory, TheConnectionLineIsReplacedAndTheRestKept) {
  EXPECT_EQ(ReplaceConnectionLine("01,1,7,8,O,650,OLD\r\nR03;P_PLU\r\n", "127.0.0.1,01,650,NEW"),
            "127.0.0.1,01,650,NEW\r\nR03;P_PLU\r\n");
  EXPECT_EQ(ReplaceConnectionLine("old\nR03;A\nR10;B", "new"), "new\nR03;A\nR10;B");
  EXPECT_EQ(ReplaceConnectionLine("old\rR03;A\r", "new"), "new\rR03;A\r");
  EXPECT_EQ(ReplaceConnectionLine("only a line", "new"), "new\r\n");
}

TEST(RegisterDirectory, TheLogLineGivesThePair) {
  using Pair = std::optional<std::pair<int, int>>;
  EXPECT_EQ(LogLinePair("05-12-2026,14:05,00,01,R03;1,0000"), Pair({0, 0}));
  EXPECT_EQ(LogLinePair("05-12-2026,14:05,38,01,R03;1,0001"), Pair({38, 1}));
  EXPECT_EQ(LogLinePair("05-12-2026,14:05,110,127.0.0.1,R03;0001"), Pair({110, 1}));
  EXPECT_EQ(LogLinePair("05-12-2026,14:05,51,,;0031"), Pair({51, 31}));
  EXPECT_EQ(LogLinePair("05-12-2026,14:05,20,01,R03;1,10035"), Pair({20, 10035}));
  EXPECT_EQ(LogLinePair("garbage"), std::nullopt);
  EXPECT_EQ(LogLinePair("05-12-2026,14:05,xx,01,R03;1,0000"), std::nullopt);
  EXPECT_EQ(LastLine("a\r\nb\r\nc\r\n"), "c");
  EXPECT_EQ(LastLine("c"), "c");
  EXPECT_EQ(LastLine(""), "");
}

TEST(RegisterDirectory, ChangedDataFilesAreCountedAndNamesMatchWithoutCase) {
  auto dir = testing::MakeTempDirectory("fleetdir");
  testing::WriteBinary(dir / "KEPT.DAT", "1\r\n2\r\n");
  testing::WriteBinary(dir / "Old.dat", "1\r\n");
  testing::WriteBinary(dir / "err", "0");
  DirectorySnapshot before = TakeSnapshot(dir);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a new modification time
  testing::WriteBinary(dir / "Old.dat", "1\r\n2\r\n3");
  testing::WriteBinary(dir / "P_PLU.dat", "a\r\nb\r\nc\r\n");
  testing::WriteBinary(dir / "ZURNAL.txt", "x\r\n");
  testing::WriteBinary(dir / "error.txt", "151\r\n");
  testing::WriteBinary(dir / "ERA.log", "line\r\n");
  DirectorySnapshot after = TakeSnapshot(dir);
  std::vector<DataFileCount> expected = {{"Old.dat", 3}, {"P_PLU.dat", 3}, {"ZURNAL.txt", 1}};
  EXPECT_EQ(ChangedDataFiles(dir, before, after), expected);
  EXPECT_TRUE(Changed(before, after, "era.LOG"));
  EXPECT_FALSE(Changed(before, after, "ERR"));
  EXPECT_FALSE(Changed(before, after, "missing.log"));
  EXPECT_TRUE(std::filesystem::equivalent(FileNoCase(dir, "kept.dat"), dir / "KEPT.DAT"));
  EXPECT_EQ(FileNoCase(dir, "new.cmd"), dir / "new.cmd");
  EXPECT_EQ(CountLines(dir / "missing"), 0u);
  std::filesystem::remove_all(dir);
}

TEST(RegisterDirectory, TheIniIsTheSharedOneFollowedByTheLocalLines) {
  EXPECT_EQ(MergedIni(std::nullopt, std::nullopt), std::nullopt);
  EXPECT_EQ(MergedIni("zpozdeni=0\r\n", std::nullopt), "zpozdeni=0\r\n");
  EXPECT_EQ(MergedIni("zpozdeni=0", "com1=/dev/ttyUSB0\r\n"),
            "zpozdeni=0\r\ncom1=/dev/ttyUSB0\r\n");
  EXPECT_EQ(MergedIni(std::nullopt, "com1=/dev/ttyUSB0\r\n"), "com1=/dev/ttyUSB0\r\n");
}

}  // namespace
}  // namespace tarvik::fleet
