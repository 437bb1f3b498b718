#include <gtest/gtest.h>

#include "job/command_file.h"
#include "support/test_support.h"

namespace tarvik::job {
namespace {

class CommandFiles : public testing::ProgramFixture {
 protected:
  // Writes the file and loads it with its first command.
  bool Load(const std::string& name, const std::string& content) {
    WriteFile(name, content);
    return Open(name);
  }
  // Loads the file named so, as the command line gives it.
  bool Open(const std::string& name) {
    program_->paths.commandFileName = name;
    state_ = CommandFileState{};
    return NextCommand(*program_, state_);
  }
  bool Next() { return NextCommand(*program_, state_); }
  frame::JobCommand& cmd() { return program_->command; }
  frame::ConnectionLine& conn() { return program_->connection; }
  CommandFileState state_;
};

TEST_F(CommandFiles, SerialConnectionLineAndFirstCommand) {
  ASSERT_TRUE(Load("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n"));
  EXPECT_EQ(conn().linkType, frame::LinkType::kSerial);
  EXPECT_EQ(conn().terminalText, "01");
  EXPECT_EQ(conn().terminalNumber, 1);
  EXPECT_EQ(conn().comNumber, 1);
  EXPECT_EQ(conn().baudRate, 38400u);
  EXPECT_EQ(conn().dataBits, 8);
  EXPECT_EQ(conn().parity, platform::Parity::kOdd);
  EXPECT_EQ(conn().modelText, "650 ");
  EXPECT_EQ(conn().modelNumber, 9);
  EXPECT_FALSE(program_->variantTables);
  EXPECT_EQ(conn().logFileName, "ERA.log");
  EXPECT_EQ(cmd().commandText, "R03");
  EXPECT_TRUE(cmd().isRead);
  EXPECT_EQ(cmd().fileNumber, 0x03);
  EXPECT_EQ(cmd().dataFileName, "P_PLU.dat");
  EXPECT_EQ(frontEnd_.TerminalText(), "Pracuji se souborem P_PLU.dat.");
  EXPECT_FALSE(Next());
}

TEST_F(CommandFiles, NetworkConnectionLine) {
  ASSERT_TRUE(Load("net.cmd", "192.168.0.160,01,650 , ERA\r\nN4C\r\n"));
  EXPECT_EQ(conn().linkType, frame::LinkType::kTcpIp);
  EXPECT_EQ(conn().ipAddress, "192.168.0.160");
  EXPECT_EQ(conn().modelText, "650 ");
  EXPECT_EQ(conn().logFileName, " ERA.log");
  EXPECT_TRUE(cmd().isRegisterOp);
  EXPECT_EQ(cmd().fileNumber, 0x4C);
}

TEST_F(CommandFiles, FileSizeLimits) {
  EXPECT_JOB_FAILURE(Load("a.cmd", "01,1,7,8,O,650,E\r\nR03"),
                     frame::error::kCommandFileTooSmall);  // 21 bytes
  std::string big = "01,1,7,8,O,650,ERA\r\nR03;P\r\n";
  big += std::string(2048 - big.size() - 2, 'x') + "\r\n";
  ASSERT_EQ(big.size(), 2048u);
  EXPECT_TRUE(Load("b.cmd", big));
  EXPECT_JOB_FAILURE(Load("c.cmd", big + "x"), frame::error::kCommandFileTooLarge);
}

TEST_F(CommandFiles, ExtensionRules) {
  program_->settings.priponaCmd = "cm9";
  EXPECT_TRUE(Load("Job.CM9", "01,1,7,8,O,650,ERA\r\nR03;P\r\n"));
  EXPECT_JOB_FAILURE(Load("job.b.cm9", "01,1,7,8,O,650,ERA\r\nR03;P\r\n"),
                     frame::error::kCommandFileWrongExtension);
  WriteFile("plain.cm9", "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
  EXPECT_TRUE(Open("plain"));
  EXPECT_JOB_FAILURE(Open(""), frame::error::kCommandFileNameEmpty);
}

TEST_F(CommandFiles, CommandLetterNumbersAndNames) {
  ASSERT_TRUE(Load("j.cmd",
                   "01,1,7,8,O,650,ERA\r\nR03;P_PLU.TXT\r\nW03;P_PLU\r\nV03;P_PLU\r\nR87;ZURNAL\r\n"
                   "U10;X\r\n"
                   "r10;X\r\nSE3\r\n"));
  EXPECT_EQ(cmd().dataFileName, "P_PLU.dat");
  ASSERT_TRUE(Next());
  EXPECT_TRUE(cmd().isWrite && cmd().isWriteAfterClear);
  EXPECT_EQ(cmd().fileNumber, 0x61);
  ASSERT_TRUE(Next());
  EXPECT_EQ(cmd().fileNumber, 0x03);
  EXPECT_FALSE(cmd().isWriteAfterClear);
  EXPECT_EQ(cmd().isJournal, 0);
  ASSERT_TRUE(Next());
  EXPECT_EQ(cmd().isJournal, 1);
  ASSERT_TRUE(Next());
  EXPECT_TRUE(cmd().isAccounts);
  EXPECT_EQ(cmd().accountNumber, 10);
  ASSERT_TRUE(Next());
  EXPECT_EQ(cmd().commandLetter, 'r');
  EXPECT_EQ(cmd().fileNumber, 0x10);
  ASSERT_TRUE(Next());
  EXPECT_TRUE(cmd().isSpecial);
  EXPECT_EQ(cmd().fileNumber, 0xE3);
  EXPECT_EQ(cmd().dataFileName, "X.dat");  // no ";": the previous name stays
  EXPECT_FALSE(Next());
}

TEST_F(CommandFiles, DollarMarksTheHangUpAndTheLastLineDecides) {
  ASSERT_TRUE(Load("j.cmd", "01,1,7,8,O,650,ERA\r\n$R03;P\r\nR04;Q\r\n"));
  EXPECT_EQ(program_->hangUpAfterJob.load(), 1);
  EXPECT_EQ(cmd().commandText, "R03");
  ASSERT_TRUE(Next());
  EXPECT_EQ(program_->hangUpAfterJob.load(), 0);
}

TEST_F(CommandFiles, LineEndsOfAnyKindAndEmptyLines) {
  ASSERT_TRUE(Load("j.cmd", "01,1,7,8,O,650,ERA\nR03;P\n\n\r\nR04;Q"));
  ASSERT_TRUE(Next());
  EXPECT_EQ(cmd().commandText, "R04");
  EXPECT_EQ(cmd().dataFileName, "Q.dat");
  EXPECT_FALSE(Next());
}

TEST_F(CommandFiles, ConnectionLineChecks) {
  const std::string tail = "\r\nR03;PLU_DATA\r\n";
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,0,7,8,O,650,ERA" + tail), frame::error::kPortNotDigit);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,12,7,8,O,650,ERA" + tail), frame::error::kPortNotFollowed);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,77,8,O,650,ERA" + tail), frame::error::kSpeedNotFollowed);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,7,88,O,650,ERA" + tail),
                     frame::error::kDataBitsNotFollowed);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,7,8,OO,650,ERA" + tail), frame::error::kParityNotFollowed);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,7,8,X,650,ERA" + tail), frame::error::kParityUnknown);
  EXPECT_JOB_FAILURE(Load("j.cmd", ",1,7,8,O,650,ERA" + tail), frame::error::kSerialTerminalEmpty);
  EXPECT_JOB_FAILURE(Load("j.cmd", "1234567,1,7,8,O,650,ERA" + tail),
                     frame::error::kSerialTerminalTooLong);
  EXPECT_JOB_FAILURE(Load("j.cmd", "256,1,7,8,O,650,ERA" + tail),
                     frame::error::kSerialTerminalTooLarge);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,7,8,O,65000,ERA" + tail), frame::error::kModelTooLong);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,7,8,O,65O,ERA" + tail), frame::error::kUnknownModel);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,7,8,O,650," + tail), frame::error::kLogNameBad);
  EXPECT_JOB_FAILURE(Load("j.cmd", "0123456789ABCDEFGHIJ" + tail),
                     frame::error::kConnectionLineUnseparated);
  EXPECT_JOB_FAILURE(Load("j.cmd", "01,1,X,8,O,650,ERA" + tail), frame::error::kSpeedNotDigit);
  EXPECT_JOB_FAILURE(Load("j.cmd", "1234567890123456789012.1,01,650,ERA" + tail),
                     frame::error::kConnectionLineUnseparated);
  EXPECT_JOB_FAILURE(Load("j.cmd", "1.2.3.4,1234567,650,ERA" + tail),
                     frame::error::kNetworkTerminalTooLong);
  EXPECT_JOB_FAILURE(Load("j.cmd", "1.2.3.4,,650,ERA" + tail), frame::error::kNetworkTerminalEmpty);
  EXPECT_JOB_FAILURE(Load("j.cmd", "1.2.3.4,300,650,ERA" + tail),
                     frame::error::kNetworkTerminalTooLarge);
  ASSERT_TRUE(Load("j.cmd", "01,1,9,8,e,396,ERA" + tail));
  EXPECT_EQ(conn().baudRate, 300u * 512);
  EXPECT_EQ(conn().parity, platform::Parity::kEven);
  EXPECT_TRUE(program_->variantTables);
}

TEST_F(CommandFiles, CommandLineChecks) {
  const std::string head = "01,1,7,8,O,650,ERA\r\n";
  EXPECT_JOB_FAILURE(Load("j.cmd", head + "X03;P\r\n"), frame::error::kCommandLetterUnknown);
  EXPECT_JOB_FAILURE(Load("j.cmd", head + ";P\r\nR03\r\n"), frame::error::kCommandLetterUnknown);
  EXPECT_JOB_FAILURE(Load("j.cmd", head + "R0G;P\r\n"), frame::error::kFileNumberNotHexadecimal);
  EXPECT_JOB_FAILURE(Load("j.cmd", head + "R" + std::string(16, '0') + ";P\r\n"),
                     frame::error::kCommandNumberTooLong);
  EXPECT_JOB_FAILURE(Load("j.cmd", head + "R" + std::string(199, '0') + "\r\n"),
                     frame::error::kCommandTextTooLong);
  EXPECT_JOB_FAILURE(Load("j.cmd", head + "R03;" + std::string(261, 'n') + "\r\n"),
                     frame::error::kDataFileNameTooLong);
  EXPECT_TRUE(Load("j.cmd", head + "R03;" + std::string(260, 'n') + "\r\n"));
}

TEST_F(CommandFiles, AFaultyLineIsNamedByItsNumberInTheFileAndItsText) {
  using testing::FailureOf;
  const std::string path = program_->MakeProgramPath("j.cmd");
  // Empty lines and either kind of line end count as the editor counts them.
  ASSERT_TRUE(Load("j.cmd", "01,1,7,8,O,650,ERA\r\n\r\nR03;P\n\rX03;Q\r\n"));
  testing::CaughtFailure f = FailureOf([&] { Next(); });
  EXPECT_EQ(f.pair, frame::error::kCommandLetterUnknown);
  EXPECT_EQ(f.context, "příkazový soubor " + path + ", řádek 5: \"X03;Q\"");
  f = FailureOf([&] { Load("j.cmd", "01,1,7,8,O,650,ERA\r\nR0G;P\r\n"); });
  EXPECT_EQ(f.pair, frame::error::kFileNumberNotHexadecimal);
  EXPECT_EQ(f.context, "příkazový soubor " + path + ", řádek 2: \"R0G;P\"");
  f = FailureOf([&] { Load("j.cmd", "\r\n01,1,9,8,O,650,ERA\r\nR03;P\r\n"); });
  EXPECT_EQ(f.context, "příkazový soubor " + path + ", řádek 1: \"\"");
  f = FailureOf([&] { Load("j.cmd", "01,1,7,8,O,651,ERA\r\nR03;P\r\n"); });
  EXPECT_EQ(f.pair, frame::error::kUnknownModel);
  EXPECT_EQ(f.context, "příkazový soubor " + path + ", řádek 1: \"01,1,7,8,O,651,ERA\"");
  // Whole-file faults name the file and what is wrong with it.
  f = FailureOf([&] { Load("j.cmd", "01,1,7,8,O,650,E\r\nR03"); });
  EXPECT_EQ(f.context, "příkazový soubor " + path + " má 21 bajtů, nejméně 22");
  f = FailureOf([&] { Open("none.cmd"); });
  EXPECT_EQ(f.pair, frame::error::kFileNotOpened);
  EXPECT_TRUE(
      f.context.starts_with("soubor " + program_->MakeProgramPath("none.cmd") + " nelze otevřít ("))
      << f.context;
}

TEST_F(CommandFiles, NumberedDataFiles) {
  const std::string job = "01,1,7,8,O,650,ERA\r\nR03;Sxxxx\r\n";
  ASSERT_TRUE(Load("j.cmd", job));
  EXPECT_EQ(cmd().dataFileName, "S0000.dat");
  WriteFile("S0001.dat", "a");
  WriteFile("S0002.dat", "b");
  ASSERT_TRUE(Load("j.cmd", job));
  EXPECT_EQ(cmd().dataFileName, "S0003.dat");
  EXPECT_NE(frontEnd_.TerminalText().find("Nasel jsem soubor S0002.dat.\r"), std::string::npos);
  WriteFile("S9999.dat", "c");  // the newest
  ASSERT_TRUE(Load("j.cmd", job));
  EXPECT_EQ(cmd().dataFileName, "S0003.dat");  // wraps to 0, then the next free number
  // In a folder, only its own files count.
  std::filesystem::create_directory(dir_ / "sub");
  WriteFile("sub/S0001.dat", "a");
  ASSERT_TRUE(Load("j.cmd", "01,1,7,8,O,650,ERA\r\nR03;sub/Sxxxx\r\n"));
  EXPECT_EQ(cmd().dataFileName, "sub/S0002.dat");
#ifdef _WIN32
  ASSERT_TRUE(Load("j.cmd", "01,1,7,8,O,650,ERA\r\nR03;sub\\Sxxxx\r\n"));
  EXPECT_EQ(cmd().dataFileName, "sub\\S0002.dat");
#endif
}

// A folder that cannot be searched, or whose listing breaks off, cannot
// give the next number.
TEST_F(CommandFiles, NumberedDataFilesNeedTheFolderListing) {
  WriteFile("j.cmd", "01,1,7,8,O,650,ERA\r\nR03;Sxxxx\r\n");
  for (const auto& [whileReading, pair] : {std::pair{false, frame::error::kNumberingSearch},
                                           std::pair{true, frame::error::kNumberingListing}}) {
    testing::UnlistableFileSystem fs(whileReading);
    frame::Program program(frame::Services{fs, clock_, process_, console_, frontEnd_});
    program.paths = program_->paths;
    program.paths.commandFileName = "j.cmd";
    CommandFileState state;
    EXPECT_JOB_FAILURE(NextCommand(program, state), pair);
  }
}

TEST_F(CommandFiles, EmbeddedCommandReadsOnlyItsCommandLine) {
  WriteFile("sklp.cmx", "01,1,7,8,O,650,ERA\r\nR65;X_SKL\r\n");
  program_->connection.logFileName = "MY.log";
  program_->paths.commandFileName = "sklp.cmx";
  program_->settings.priponaCmd = "cmx";
  ReadEmbeddedCommand(*program_);
  EXPECT_EQ(cmd().fileNumber, 0x65);
  EXPECT_EQ(cmd().dataFileName, "X_SKL.dat");
  EXPECT_EQ(program_->connection.logFileName, "MY.log");
  WriteFile("sklp.cmx", "01,1,7,8,O,650,ERA\r\nR65;X\r\n" + std::string(500, 'x'));
  EXPECT_JOB_FAILURE(ReadEmbeddedCommand(*program_), frame::error::kBuiltInTooLarge);
  WriteFile("sklp.cmx", "01,1,7,8,O,650,ERA\r\nQ65;X_SKL\r\n");
  EXPECT_JOB_FAILURE(ReadEmbeddedCommand(*program_), frame::error::kBuiltInLetterUnknown);
}

}  // namespace
}  // namespace tarvik::job
