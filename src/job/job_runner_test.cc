#include <gtest/gtest.h>

#include "frame/failure.h"
#include "job/job_runner.h"
#include "platform/lock_file.h"
#include "support/test_support.h"

namespace tarvik::job {
namespace {

using std::chrono::milliseconds;

const char kWrite[] = "01,1,7,8,O,650,ERA\r\nV10;D10\r\n";

class Jobs : public testing::ProgramFixture {
 protected:
  Jobs() : link_(*program_), runner_(*program_, link_) {
    program_->settings.jobRequested = 1;
    program_->settings.zpozdeni = 0;
    WriteFile("D10.dat", "0005;1234\r\n");
  }
  // Runs the command file as a windowless job and returns how the process ended.
  platform::ProcessEnding Run(const std::string& name, const std::string& content) {
    WriteFile(name, content);
    program_->paths.commandFileName = name;
    try {
      runner_.StartJob();
    } catch (const frame::JobFailure& failure) {
      try {
        frame::FatalError(*program_, failure);
      } catch (const platform::ProcessEnding& end) {
        return end;
      }
    }
    runner_.WaitForJobThread();
    auto end = runner_.ProcessEnd();
    EXPECT_TRUE(end.has_value());
    return end.value_or(platform::ProcessEnding{-1});
  }
  // Expects the job to have failed with this pair.
  void ExpectFailed(const platform::ProcessEnding& end, frame::ErrorPair pair) {
    EXPECT_EQ(end.code, 1);
    EXPECT_EQ(program_->lastError.lastErrorCode, pair.code);
    EXPECT_EQ(program_->lastError.lastErrorSubcode, pair.subcode);
  }
  link::RegisterLink link_;
  JobRunner runner_;
};

// A job started while another process holds the program directory (the
// window's case: it does not wait) touches nothing and says so; once free,
// the job takes the directory and gives it back at its end.
TEST_F(Jobs, AJobInABusyDirectoryIsNotStartedAndTheLockIsGivenBackAfterAJob) {
  program_->settings.noLink = 1;
  program_->settings.jobRequested = 0;  // as from the window: the process goes on
  WriteFile("w.cmd", kWrite);
  WriteFile("err", "0");
  program_->paths.commandFileName = "w.cmd";
  platform::OsError error = 0;
  auto other = platform::LockFile::Open(PathOf("tarvik.lck"), &error);
  ASSERT_TRUE(other && other->TryLock(&error));
  other->WriteText("4242 2026-12-05 14:00:00\r\n", &error);

  EXPECT_FALSE(runner_.StartJob());
  EXPECT_FALSE(runner_.JobRunning());
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text,
            "Adresář programu právě používá jiný proces tarvik (pid 4242, od 2026-12-05 "
            "14:00:00). Úloha neproběhla, zkuste ji spustit později.");
  EXPECT_EQ(ReadFile("err"), "0");
  EXPECT_FALSE(FileExists("work02.tmp"));

  other.reset();
  ASSERT_TRUE(runner_.StartJob());
  runner_.WaitForJobThread();
  EXPECT_EQ(ReadFile("err"), "0");
  EXPECT_TRUE(FileExists("work02.tmp"));
  EXPECT_FALSE(program_->directoryLock.Held());
}

// The fiscal marker is read at every start; hlaseni reports the success.
TEST_F(Jobs, NoLinkWriteLeavesTheWorkFileAndSucceeds) {
  program_->settings.noLink = 1;
  WriteFile("tf", "1");
  EXPECT_EQ(Run("w.cmd", kWrite).code, 0);
  EXPECT_EQ(testing::ToHex(ReadFile("work02.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_EQ(ReadFile("err"), "0");
  EXPECT_EQ(ReadFile("error.txt"), "151\r\n");
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_EQ(ReadFile("ERA.log"), "05-12-2026,14:05,00,01,V10;1,0000\r\n");
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_TRUE(link_.RegisterIsFiscal());

  program_->settings.hlaseni = 1;
  WriteFile("tf", "0");
  EXPECT_EQ(Run("w.cmd", kWrite).code, 0);
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Komunikace uspesne ukoncena.");
  EXPECT_FALSE(link_.RegisterIsFiscal());
}

TEST_F(Jobs, SimulatedReadCopiesTheSFileAndPausesPerLine) {
  program_->settings.simulace = 1;
  WriteFile("P_PLU.DAS", "line1\r\nline2\r\n");
  EXPECT_EQ(Run("s.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n").code, 0);
  EXPECT_EQ(ReadFile("P_PLU.DAS"), "line1\r\nline2\r\n");
  EXPECT_EQ(ReadFile("P_PLU.dat"), "line1\r\nline2\r\n");
  auto sleeps = clock_.Sleeps();
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), milliseconds(5)), 2);
  // No port was used: the finished event stays clear.
  EXPECT_FALSE(runner_.serialJobFinished.IsSet());
}

TEST_F(Jobs, PauseBetweenCommandsAndOneLogLineEach) {
  program_->settings.noLink = 1;
  program_->settings.zpozdeni = 1600;
  EXPECT_EQ(Run("two.cmd", "01,1,7,8,O,650,LOG\r\nV10;D10\r\nV10;D10\r\n").code, 0);
  auto sleeps = clock_.Sleeps();
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), milliseconds(1600)), 1);
  EXPECT_EQ(ReadFile("LOG.log"),
            "05-12-2026,14:05,00,01,V10;1,0000\r\n05-12-2026,14:05,00,01,V10;1,0000\r\n");
  EXPECT_TRUE(runner_.serialJobFinished.IsSet());
}

// The result files of an earlier job are replaced.
TEST_F(Jobs, FailuresEndWithTheirPairAndTheResultFiles) {
  program_->settings.noLink = 1;
  WriteFile("err", "0");
  WriteFile("error.txt", "151\r\n");
  ExpectFailed(Run("bad.cmd", "01,1,7,8,O,650,ERA\r\nS42;X\r\n"),
               frame::error::kSpecialCommandUnknown);
  EXPECT_EQ(ReadFile("err"), "1");
  EXPECT_EQ(ReadFile("ERA.log"), "05-12-2026,14:05,51,01,S42;1,0025\r\n");
}

// One failure per test: the failure exit is taken once in a process.
TEST_F(Jobs, MissingDataFileOfAWrite) {
  program_->settings.noLink = 1;
  ExpectFailed(Run("w.cmd", "01,1,7,8,O,650,ERA\r\nV10;NONE\r\n"), frame::error::kFileNotOpened);
}

TEST_F(Jobs, ConnectionLineWithoutCommands) {
  ExpectFailed(Run("empty.cmd", "01,1,7,8,O,650,ERA_LOGS\r\n"),
               frame::error::kSerialJobLetterUnknown);
}

TEST_F(Jobs, MarkerThatCannotBeWrittenEndsTheJobBeforeItsThreadRuns) {
  // The failure exit must not run beside a job thread that already works.
  program_->settings.noLink = 1;
  std::filesystem::create_directory(dir_ / "tk");
  ExpectFailed(Run("w.cmd", kWrite), frame::error::kFileNotOpened);
  EXPECT_FALSE(FileExists("work02.tmp"));
  EXPECT_FALSE(runner_.JobRunning());
}

TEST_F(Jobs, ShortCommandFileIsLoggedInErrorLog) {
  EXPECT_EQ(Run("tiny.cmd", std::string(21, 'x')).code, 1);
  EXPECT_EQ(ReadFile("error.log"), "05-12-2026,14:05,50,,;1,0005\r\n");
  EXPECT_EQ(ReadFile("error.txt"), "9\r\n");
}

TEST_F(Jobs, BuiltInJobRunsSilentlyAndRestoresSettings) {
  program_->settings.noLink = 1;
  program_->settings.hlaseni = 1;
  WriteFile("b.cmx", kWrite);
  EXPECT_EQ(runner_.RunBuiltInJob("b.cmx", milliseconds(5000)), 0);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_EQ(program_->settings.hlaseni, 1);
  EXPECT_EQ(program_->settings.jobRequested, 1);
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
  EXPECT_FALSE(runner_.ProcessEnd().has_value());  // a built-in job never ends the process
}

// The caller's settings still hold, so /h shows the box, and the file is named.
TEST_F(Jobs, AMissingBuiltInFileFailsBeforeItsJobNamingIt) {
  program_->settings.hlaseni = 1;
  testing::CaughtFailure f =
      testing::FailureOf([&] { runner_.RunBuiltInJob("isregu.cmx", milliseconds(5000)); });
  EXPECT_EQ(f.pair, frame::error::kBuiltInCommandFileNotOpened);
  EXPECT_TRUE(f.context.starts_with("vestavěný příkazový soubor " +
                                    program_->MakeProgramPath("isregu.cmx") + " nelze otevřít ("))
      << f.context;
  EXPECT_EQ(program_->settings.hlaseni, 1);
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
  EXPECT_FALSE(runner_.ProcessEnd().has_value());  // no job thread was started
}

TEST_F(Jobs, BuiltInJobThatNeverSignalsTimesOut) {
  // A simulated job sets no finished event, so the wait runs out.
  program_->settings.simulace = 1;
  WriteFile("P.DAS", "x\r\n");
  WriteFile("s.cmx", "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
  EXPECT_EQ(runner_.RunBuiltInJob("s.cmx", milliseconds(200)), 1);
  runner_.WaitForJobThread();
}

}  // namespace
}  // namespace tarvik::job
