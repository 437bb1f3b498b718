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

TEST_F(TransferLog, SerialNetworkAndUnconnectedLines) {
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
  // Before a connection line the log is error.log.
  program_->connection = ConnectionLine{};
  program_->connection.terminalText.clear();
  program_->command.commandText.clear();
  program_->lastError = {50, 5, 0};
  AppendLogLine(*program_);
  EXPECT_EQ(ReadFile("error.log"), "05-12-2026,14:05,50,,;1,0005\r\n");
}

TEST_F(TransferLog, LargeLogsLoseTheirOldest500LinesIntoTheBackup) {
  const std::string small = Lines(399, 100) + std::string(99, 'x');
  const std::string longest = std::string(198, 'y') + "\n";
  const struct {
    std::string log;
    std::string kept;
  } cases[] = {
      {small, small},                                       // 39,999 bytes: left alone
      {Lines(800, 50), Lines(800, 50).substr(500 * 50)},    // 40,000 bytes
      {Lines(2499, 20), Lines(2499, 20).substr(500 * 20)},  // at most 1999 lines kept
      {Lines(400, 101), ""},                                // every line dropped
      {Lines(500, 80) + longest, longest},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log.size());
    std::filesystem::remove(dir_ / "log.bak");
    WriteFile("ERA.log", c.log);
    TrimLogIfLarge(*program_);
    EXPECT_EQ(ReadFile("ERA.log"), c.kept);
    if (c.log.size() < 40000) {
      EXPECT_FALSE(FileExists("log.bak"));
    } else {
      EXPECT_EQ(ReadFile("log.bak"), c.log);
    }
    EXPECT_FALSE(FileExists("work03.tmp"));
  }
}

TEST_F(TransferLog, TooManyOrTooLongLinesFail) {
  WriteFile("ERA.log", Lines(2500, 20));
  EXPECT_JOB_FAILURE(TrimLogIfLarge(*program_), error::kLogTooManyLines);
  WriteFile("ERA.log", Lines(500, 80) + std::string(199, 'y') + "\n");
  EXPECT_JOB_FAILURE(TrimLogIfLarge(*program_), error::kLogLineTooLong);
}

}  // namespace
}  // namespace tarvik::frame
