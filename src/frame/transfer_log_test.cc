#include <gtest/gtest.h>

#include "frame/transfer_log.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

class TransferLog : public testing::ProgramFixture {
 protected:
  TransferLog() {
    program_->connection.terminalText = "01";
    program_->connection.comDigit = '1';
    program_->connection.logFileName = "ERA.log";
    program_->command.commandText = "R03";
  }
  std::string Lines(int count, std::size_t width) {
    std::string out;
    for (int i = 0; i < count; ++i) {
      std::string line = std::to_string(i);
      line.resize(width - 2, '.');
      out += line + "\r\n";
    }
    return out;
  }
};

TEST_F(TransferLog, SerialAndNetworkLines) {
  AppendLogLine(*program_);
  program_->lastError = {38, 1, 0};
  AppendLogLine(*program_);
  program_->connection.linkType = LinkType::kTcpIp;
  program_->connection.ipAddress = "192.168.0.160";
  program_->lastError = {110, 1, 0};
  AppendLogLine(*program_);
  EXPECT_EQ(ReadFile("ERA.log"),
            "05-12-2026,14:05,00,01,R03;1,0000\r\n"
            "05-12-2026,14:05,38,01,R03;1,0001\r\n"
            "05-12-2026,14:05,110,192.168.0.160,R03;0001\r\n");
}

TEST_F(TransferLog, BeforeAConnectionLineTheLogIsErrorLog) {
  program_->connection = ConnectionLine{};
  program_->connection.terminalText.clear();
  program_->command.commandText.clear();
  program_->lastError = {50, 5, 0};
  AppendLogLine(*program_);
  EXPECT_EQ(ReadFile("error.log"), "05-12-2026,14:05,50,,;1,0005\r\n");
}

TEST_F(TransferLog, SmallLogsAreLeftAlone) {
  std::string log = Lines(399, 100) + std::string(99, 'x');  // 39,999 bytes
  ASSERT_EQ(log.size(), 39999u);
  WriteFile("ERA.log", log);
  TrimLogIfLarge(*program_);
  EXPECT_EQ(ReadFile("ERA.log"), log);
  EXPECT_FALSE(FileExists("log.bak"));
}

TEST_F(TransferLog, LargeLogsLoseTheirOldest500Lines) {
  std::string log = Lines(800, 50);  // 40,000 bytes
  WriteFile("ERA.log", log);
  TrimLogIfLarge(*program_);
  EXPECT_EQ(ReadFile("log.bak"), log);
  EXPECT_EQ(ReadFile("ERA.log"), log.substr(500 * 50));
  EXPECT_FALSE(FileExists("work03.tmp"));
}

TEST_F(TransferLog, AtMost1999LinesAreKept) {
  WriteFile("ERA.log", Lines(2499, 20));
  TrimLogIfLarge(*program_);
  EXPECT_EQ(ReadFile("ERA.log").size(), 1999u * 20);
  WriteFile("ERA.log", Lines(2500, 20));
  EXPECT_JOB_FAILURE(TrimLogIfLarge(*program_), 31, 3);
}

TEST_F(TransferLog, OverlongLineIsError57) {
  WriteFile("ERA.log", Lines(500, 80) + std::string(199, 'y') + "\n");
  EXPECT_JOB_FAILURE(TrimLogIfLarge(*program_), 57, 1);
  WriteFile("ERA.log", Lines(500, 80) + std::string(198, 'y') + "\n");
  TrimLogIfLarge(*program_);
  EXPECT_EQ(ReadFile("ERA.log"), std::string(198, 'y') + "\n");
}

TEST_F(TransferLog, AllLinesDroppedGivesAnEmptyLog) {
  WriteFile("ERA.log", Lines(400, 101));
  TrimLogIfLarge(*program_);
  EXPECT_EQ(ReadFile("ERA.log"), "");
  EXPECT_EQ(ReadFile("log.bak").size(), 40400u);
}

}  // namespace
}  // namespace tarvik::frame
