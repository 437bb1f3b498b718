#include "frame/replacing_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tarvik::frame {
namespace {

class ReplacingFileTest : public testing::ProgramFixture {};

TEST_F(ReplacingFileTest, CommitPutsTheWholeFileInPlaceUnderItsExistingSpelling) {
  WriteFile("P_PLU.DAT", "old\r\n");
  {
    ReplacingFile data(*program_, "p_plu.dat");
    data.file().Write("new line 1\r\n");
    // Nothing reaches the data file before the commit.
    data.file().Flush();
    EXPECT_EQ(ReadFile("P_PLU.DAT"), "old\r\n");
    data.file().Write("new line 2\r\n");
    data.Commit();
  }
  EXPECT_EQ(ReadFile("P_PLU.DAT"), "new line 1\r\nnew line 2\r\n");
  EXPECT_TRUE(StoredNameExists("P_PLU.DAT"));
  EXPECT_FALSE(StoredNameExists("p_plu.dat"));
  EXPECT_FALSE(FileExists(kReplacingWorkFile));
}

TEST_F(ReplacingFileTest, WithoutCommitTheOldFileStaysAndTheTemporaryGoes) {
  WriteFile("A.dat", "complete\r\n");
  try {
    ReplacingFile data(*program_, "A.dat");
    data.file().Write("half");
    Fail(error::kFrameCheckFailed);
  } catch (const JobFailure&) {
  }
  EXPECT_EQ(ReadFile("A.dat"), "complete\r\n");
  EXPECT_FALSE(FileExists(kReplacingWorkFile));

  // A data file that did not exist is not made either.
  { ReplacingFile data(*program_, "B.dat"); }
  EXPECT_FALSE(FileExists("B.dat"));
}

TEST_F(ReplacingFileTest, DataFileThatCannotBeMadeIs30And1) {
  ReplacingFile data(*program_, "missing_dir/A.dat");
  data.file().Write("x");
  EXPECT_JOB_FAILURE(data.Commit(), error::kFileNotOpened);
}

}  // namespace
}  // namespace tarvik::frame
