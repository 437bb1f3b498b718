#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "frame/codepage.h"
#include "frame/failure.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

using testing::ProcessEnded;

class FailureExit : public testing::ProgramFixture {
 protected:
  ProcessEnded Fatal(ErrorPair pair, std::uint32_t osError = 0, const std::string& context = {}) {
    try {
      FatalError(*program_, pair, osError, context);
    } catch (const ProcessEnded& end) {
      return end;
    }
    ADD_FAILURE() << "FatalError returned";
    return {};
  }
};

TEST_F(FailureExit, ResultFilesForEachOutcome) {
  struct Case {
    int code;
    const char* err;
    const char* text;
  };
  for (const Case& c : {Case{38, "2", "9\r\n"}, Case{4, "3", "8\r\n"}, Case{30, "1", "9\r\n"},
                        Case{500, "1", "9\r\n"}, Case{0, "0", "151\r\n"}}) {
    program_->lastError.lastErrorCode = c.code;
    WriteResultFiles(*program_);
    EXPECT_EQ(ReadFile("err"), c.err) << c.code;
    EXPECT_EQ(ReadFile("error.txt"), c.text) << c.code;
  }
}

// A calling program that polls for err finds both files complete or neither
// file of this job; a fault anywhere on the way leaves no err at all (an
// earlier job's would read as this one's) and a line on stderr.
TEST_F(FailureExit, ResultFilesAppearWholeOrNotAtAll) {
  for (int failAt = 1;; ++failAt) {
    WriteFile("err", "0");
    WriteFile("error.txt", "151\r\n");
    testing::FailingFileSystem fs(failAt);
    testing::RecordingConsole console;
    Program program(Services{fs, clock_, process_, console, frontEnd_});
    program.paths = program_->paths;
    program.lastError = {30, 1, 0};
    const bool written = WriteResultFiles(program);
    for (const char* left : {"err.tmp", "error.tmp"}) EXPECT_FALSE(FileExists(left)) << failAt;
    if (!fs.Injected()) {
      EXPECT_TRUE(written);
      EXPECT_EQ(ReadFile("err"), "1");
      EXPECT_EQ(ReadFile("error.txt"), "9\r\n");
      EXPECT_EQ(console.Stderr(), "");
      EXPECT_GT(failAt, 4);
      break;
    }
    EXPECT_FALSE(written) << fs.InjectedAt();
    EXPECT_FALSE(FileExists("err")) << fs.InjectedAt();
    EXPECT_EQ(console.Stderr().rfind("Komunikace Tarvik: Výsledkové soubory err a error.txt nelze "
                                     "zapsat do adresáře " +
                                         program.paths.programDirectory,
                                     0),
              0u)
        << console.Stderr();
    EXPECT_NE(console.Stderr().find("úloha skončila s chybou 30, 1."), std::string::npos);
  }
}

TEST_F(FailureExit, AStaleErrThatCannotBeRemovedIsSaid) {
  std::filesystem::create_directories(dir_ / "err" / "held");
  program_->lastError.lastErrorCode = 0;
  EXPECT_FALSE(WriteResultFiles(*program_));
  EXPECT_EQ(ReadFile("error.txt"), "151\r\n");
  EXPECT_NE(console_.Stderr().find("Starý soubor err z dřívější úlohy nelze smazat"),
            std::string::npos)
      << console_.Stderr();
}

TEST_F(FailureExit, SilentWindowlessFailure) {
  program_->connection.terminalText = "01";
  program_->command.commandText = "R03";
  WriteFile("work01.tmp", "partial");
  WriteFile("wlasterr.tmp", "older");
  ProcessEnded end = Fatal(error::kNoAnswerToReadRequest);
  EXPECT_EQ(end.code, 1);
  EXPECT_FALSE(end.restarted);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_EQ(ReadFile("err"), "2");
  EXPECT_EQ(ReadFile("error.txt"), "9\r\n");
  EXPECT_EQ(ReadFile("error.log"), "05-12-2026,14:05,38,01,R03;1,0001\r\n");
  EXPECT_EQ(ReadFile("wlasterr.tmp"), "partial");
  EXPECT_FALSE(FileExists("work01.tmp"));
}

TEST_F(FailureExit, MessageWithHlaseniAndTheLinkIsClosed) {
  program_->settings.hlaseni = 1;
  int closed = 0;
  program_->closeLink = [&] { ++closed; };
  Fatal(error::kPortNotOpenedForRead);
  EXPECT_EQ(closed, 1);
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Chyba 92, 1, LastError 0. \nChyba otevreni COMu");
}

TEST_F(FailureExit, CodeWithoutTextShowsOnlyTheNumbers) {
  program_->settings.debug = 1;
  Fatal(ErrorPair{75, 2});  // no place fails with it: the code has no text
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Chyba 75, 2, LastError 0. \n");
}

TEST_F(FailureExit, EveryFailureLeavesOneStderrLineWithItsContext) {
  struct Case {
    ErrorPair pair;
    std::uint32_t osError;
    std::string context;  // Windows-1250
    const char* line;     // UTF-8
  };
  const Case cases[] = {
      {error::kFileNotOpened, 2, W("soubor /srv/a.cmd nelze otevřít (No such file or directory)"),
       "Komunikace Tarvik: Chyba 30, 1, LastError 2. Chyba otevreni souboru - soubor /srv/a.cmd "
       "nelze otevřít (No such file or directory)\n"},
      // Trailing blanks of the table text go; a code without text keeps the numbers.
      {{6, 3}, 0, "", "Komunikace Tarvik: Chyba 6, 3, LastError 0. Send packet error\n"},
      {{75, 2}, 0, "pole 2", "Komunikace Tarvik: Chyba 75, 2, LastError 0. - pole 2\n"},
  };
  std::string expected;
  for (const Case& c : cases) {
    program_->failureTaken.clear();
    Fatal(c.pair, c.osError, c.context);
    expected += c.line;
    EXPECT_EQ(console_.Stderr(), expected);
  }
  EXPECT_TRUE(frontEnd_.Messages().empty());  // no /h, no window: no box
}

TEST_F(FailureExit, TheBoxKeepsItsTextAndTheContextGoesToTheDebugOutput) {
  program_->settings.debug = 1;
  Fatal(error::kNFieldNotDigit, 0, W("datový soubor /srv/P_PLU.dat, řádek 3, pole 4"));
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text,
            "Chyba 59, 40, LastError 0. \nChyba obsahu datoveho souboru");
  EXPECT_EQ(frontEnd_.TerminalText(), "datový soubor /srv/P_PLU.dat, řádek 3, pole 4\r");
  EXPECT_EQ(console_.Stderr(),
            "Komunikace Tarvik: Chyba 59, 40, LastError 0. Chyba obsahu datoveho souboru - datový "
            "soubor /srv/P_PLU.dat, řádek 3, pole 4\n");
}

TEST_F(FailureExit, InteractiveModeRestartsUnlessAModemIsUsed) {
  program_->paths.argv0 = "/opt/tarvik/tarvik";
  program_->settings.okno = 1;
  ProcessEnded end = Fatal(error::kFileNotOpened);
  EXPECT_TRUE(end.restarted);
  EXPECT_EQ(process_.restartedWith, "/opt/tarvik/tarvik");
}

TEST_F(FailureExit, NoRestartWithAModem) {
  program_->settings.okno = 1;
  program_->settings.komunikaceModem = 1;
  ProcessEnded end = Fatal(error::kModemNoCarrier);
  EXPECT_EQ(end.code, 1);
  EXPECT_FALSE(end.restarted);
}

TEST_F(FailureExit, OnlyTheFirstOfTwoFailingThreadsRunsTheExit) {
  std::atomic<int> parked{0};
  std::atomic<int> exited{0};
  auto fail = [&](ErrorPair pair) {
    try {
      FatalError(*program_, pair);
    } catch (const ProcessEnded& end) {
      (end.parked ? parked : exited)++;
    }
  };
  std::thread a(fail, error::kFrameCheckFailed);
  std::thread b(fail, error::kFrameRejectedTooOften);
  a.join();
  b.join();
  EXPECT_EQ(exited.load(), 1);
  EXPECT_EQ(parked.load(), 1);
  std::string log = ReadFile("error.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST_F(FailureExit, RunGuardedTurnsAThrownFailureIntoTheExit) {
  try {
    RunGuarded(*program_, [] { Fail(error::kNFieldBad); });
    FAIL();
  } catch (const ProcessEnded& end) {
    EXPECT_EQ(end.code, 1);
  }
  EXPECT_EQ(program_->lastError.lastErrorCode, error::kNFieldBad.code);
  EXPECT_EQ(program_->lastError.lastErrorSubcode, error::kNFieldBad.subcode);
}

}  // namespace
}  // namespace tarvik::frame
