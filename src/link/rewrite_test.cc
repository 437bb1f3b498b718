#include <gtest/gtest.h>

#include "link/rewrite.h"
#include "support/test_support.h"

namespace tarvik::link {
namespace {

class Rewriting : public testing::ProgramFixture {
 protected:
  Rewriting() {
    values_.terminalNumber = 3;
    values_.port = 2;
    values_.baudRate = 9600;
    values_.dataBits = 8;
    values_.parity = platform::Parity::kOdd;
    values_.modelText = "650 ";
    values_.logName = "ERA";
  }
  RewriteValues values_;
};

// A cancelled dialog changes nothing; a confirmed one may change the values.
TEST_F(Rewriting, FullModeWritesEveryFieldAndKeepsTheCommands) {
  const std::string old = "01,1,7,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D\r\n";
  WriteFile("a.cmd", old);
  auto cancel = [](RewriteValues&) { return false; };
  EXPECT_EQ(RewriteSerialParams(*program_, values_, cancel, true, RewriteMode::kFull), 0);
  EXPECT_EQ(ReadFile("a.cmd"), old);
  EXPECT_EQ(RewriteSerialParams(*program_, values_, nullptr, true, RewriteMode::kFull), 1);
  EXPECT_EQ(ReadFile("a.cmd"), "03,2,5,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D\r\n");
  EXPECT_EQ(ReadFile("cmd.bak"), old);
  EXPECT_NE(frontEnd_.TerminalText().find("V prikazovych souborech byly prepsany parametry."),
            std::string::npos);
  auto confirm = [](RewriteValues& v) {
    v.port = 4;
    return true;
  };
  EXPECT_EQ(RewriteSerialParams(*program_, values_, confirm, false, RewriteMode::kFull), 1);
  EXPECT_EQ(ReadFile("a.cmd"), "03,4,5,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D\r\n");
}

TEST_F(Rewriting, KeepModesTakeTheFilesOwnFields) {
  WriteFile("a.cmd", "1,1,7,7,E,650,SHOP1\nR03;P\n");
  values_.terminalNumber = 12;
  RewriteSerialParams(*program_, values_, nullptr, false, RewriteMode::kKeepLineSettings);
  EXPECT_EQ(ReadFile("a.cmd"), "12,2,5,7,E,650 ,SHOP1\r\nR03;P\n");
  RewriteSerialParams(*program_, values_, nullptr, false, RewriteMode::kKeepLogName);
  EXPECT_EQ(ReadFile("a.cmd"), "12,2,5,8,O,650 ,SHOP1\r\nR03;P\n");
}

TEST_F(Rewriting, FilesOfTheOtherKindAreSkipped) {
  const std::string net = "192.168.0.160,01,650 , ERA\r\nR03;P\r\n";
  const std::string serial = "01,1,7,8,O,650,ERA\r\nR03;P\r\n";
  WriteFile("net.cmd", net);
  WriteFile("ser.cmd", serial);
  WriteFile("other.txt", serial);
  RewriteSerialParams(*program_, values_, nullptr, false, RewriteMode::kFull);
  EXPECT_EQ(ReadFile("net.cmd"), net);
  EXPECT_EQ(ReadFile("other.txt"), serial);
  values_.address = {10, 0, 0, 7};
  values_.terminalNumber = 12;
  WriteFile("ser.cmd", serial);
  RewriteIpParams(*program_, values_, nullptr, true);
  EXPECT_EQ(ReadFile("ser.cmd"), serial);
  EXPECT_EQ(ReadFile("net.cmd"), "10.0.0.7,12,650 , ERA\r\nR03;P\r\n");
  EXPECT_NE(frontEnd_.TerminalText().find("V prikazovych souborech byly prepsany IP adresy."),
            std::string::npos);
}

TEST_F(Rewriting, TheSecondPassTakesTheBuiltInFiles) {
  WriteFile("glog1.cmx", "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  WriteFile("a.cmd", "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
  program_->settings.priponaCmd = "cmx";
  RewriteSerialParams(*program_, values_, nullptr, true, RewriteMode::kFull);
  EXPECT_EQ(ReadFile("glog1.cmx"), "03,2,5,8,O,650 ,ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(ReadFile("a.cmd"), "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
}

TEST_F(Rewriting, NoCommandFile) {
  EXPECT_EQ(RewriteSerialParams(*program_, values_, nullptr, true, RewriteMode::kFull), 1);
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Prikazovy soubor nenalezen.");
  program_->settings.searchOnly = 1;
  RewriteSerialParams(*program_, values_, nullptr, true, RewriteMode::kFull);
  EXPECT_EQ(frontEnd_.Messages().size(), 1u);  // silent for /find
}

TEST_F(Rewriting, AMalformedOldLineIsRestoredBeforeTheFailure) {
  const std::string bad = "0123456,1,7,8,O,650,ERA\r\nR03;P\r\n";
  WriteFile("a.cmd", bad);
  EXPECT_JOB_FAILURE(
      RewriteSerialParams(*program_, values_, nullptr, false, RewriteMode::kKeepLineSettings),
      frame::error::kRewriteSerialTerminalTooLong);
  EXPECT_EQ(ReadFile("a.cmd"), bad);
  WriteFile("a.cmd", "01,1,7,8,O,650123,ERA\r\n");
  EXPECT_JOB_FAILURE(
      RewriteSerialParams(*program_, values_, nullptr, false, RewriteMode::kKeepLogName),
      frame::error::kRewriteSerialModelTooLong);
  EXPECT_TRUE(FileExists("a.cmd"));
}

TEST_F(Rewriting, MalformedIpLines) {
  WriteFile("a.cmd", "123456789.1.1.1,01,650,ERA\r\n");
  EXPECT_JOB_FAILURE(RewriteIpParams(*program_, values_, nullptr, false),
                     frame::error::kRewriteIpAddressStartTooLong);
  WriteFile("a.cmd", "1.2.3.4,01234,650,ERA\r\n");
  EXPECT_JOB_FAILURE(RewriteIpParams(*program_, values_, nullptr, false),
                     frame::error::kRewriteIpTerminalTooLong);
  WriteFile("a.cmd", "1.2.3.4,01,650");
  EXPECT_JOB_FAILURE(RewriteIpParams(*program_, values_, nullptr, false),
                     frame::error::kRewriteIpModelUnended);
}

TEST(ConnectionFieldsTest, SpeedCodesAndParityLetters) {
  RewriteValues v;
  v.baudRate = 600;
  v.parity = platform::Parity::kSpace;
  v.port = 9;
  ConnectionFields f = RefreshConnectionFields(v);
  EXPECT_EQ(std::string({f.port, f.speed, f.dataBits, f.parity}), "918S");
  v.baudRate = 14400;  // no code: the previous one stays
  EXPECT_EQ(RefreshConnectionFields(v, '5').speed, '5');
}

// The folder listing fails: before the first file, or while the files are
// read; either way no command file is touched.
TEST_F(Rewriting, AFailingFolderListingEndsInError89) {
  const std::string serial = "01,1,7,8,O,650,ERA\r\nR03;P\r\n";
  const std::string net = "192.168.0.160,01,650 , ERA\r\nR03;P\r\n";
  WriteFile("a.cmd", serial);
  WriteFile("b.cmd", net);
  struct Case {
    bool whileReading;
    bool ip;
    frame::ErrorPair pair;
  };
  for (const Case& c : {Case{false, false, frame::error::kSerialRewriteSearch},
                        Case{true, false, frame::error::kSerialRewriteListing},
                        Case{false, true, frame::error::kIpRewriteSearch},
                        Case{true, true, frame::error::kIpRewriteListing}}) {
    SCOPED_TRACE(c.pair.subcode);
    testing::UnlistableFileSystem fs(c.whileReading);
    frame::Program program(frame::Services{fs, clock_, process_, console_, frontEnd_});
    program.paths = program_->paths;
    if (c.ip) {
      EXPECT_JOB_FAILURE(RewriteIpParams(program, values_, nullptr, false), c.pair);
    } else {
      EXPECT_JOB_FAILURE(RewriteSerialParams(program, values_, nullptr, false, RewriteMode::kFull),
                         c.pair);
    }
    EXPECT_EQ(ReadFile("a.cmd"), serial);
    EXPECT_EQ(ReadFile("b.cmd"), net);
  }
}

}  // namespace
}  // namespace tarvik::link
