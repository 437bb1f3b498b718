#include "frame/directory_lock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "frame/failure.h"
#include "frame/interrupt.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

using Outcome = DirectoryLock::Outcome;
using std::chrono::seconds;
using testing::ProcessEnded;

// Two program instances over one program directory, as two processes are.
class DirectoryLockTest : public testing::ProgramFixture {
 protected:
  DirectoryLockTest() {
    frame::Services services{platform::RealFileSystem(), otherClock_, otherProcess_, otherConsole_,
                             frontEnd_};
    other_ = std::make_unique<Program>(services);
    other_->paths = program_->paths;
  }

  ProcessEnded Ended(const std::function<void()>& body) {
    try {
      body();
    } catch (const ProcessEnded& end) {
      return end;
    }
    ADD_FAILURE() << "the process did not end";
    return {};
  }

  testing::FakeClock otherClock_;
  testing::TestProcess otherProcess_;
  testing::RecordingConsole otherConsole_;
  std::unique_ptr<Program> other_;
};

TEST_F(DirectoryLockTest, OneHolderAtATimeAndHoldsAreCounted) {
  ASSERT_EQ(program_->directoryLock.Take(*program_, seconds(0)), Outcome::kTaken);
  // The holder says who it is: the pid and the local time it took the lock.
  EXPECT_EQ(ReadFile("tarvik.lck"),
            std::to_string(platform::CurrentProcessId()) + " 2026-12-05 14:05:30\r\n");
  ASSERT_EQ(program_->directoryLock.Take(*program_, seconds(0)), Outcome::kTaken);

  EXPECT_EQ(other_->directoryLock.Take(*other_, seconds(0)), Outcome::kBusy);
  EXPECT_EQ(other_->directoryLock.Holder(),
            "pid " + std::to_string(platform::CurrentProcessId()) + ", od 2026-12-05 14:05:30");
  EXPECT_EQ(otherConsole_.Stderr(),
            "Komunikace Tarvik: Adresář programu " + program_->paths.programDirectory +
                " používá jiný proces tarvik (" + other_->directoryLock.Holder() +
                "); čekání je vypnuto (cekani_zamku=0); úloha neproběhla a v adresáři se nic "
                "nezměnilo.\n");

  program_->directoryLock.Release();  // one hold is left
  EXPECT_TRUE(program_->directoryLock.Held());
  EXPECT_EQ(other_->directoryLock.Take(*other_, seconds(0), true), Outcome::kBusy);
  program_->directoryLock.Release();
  EXPECT_FALSE(program_->directoryLock.Held());
  EXPECT_EQ(other_->directoryLock.Take(*other_, seconds(0)), Outcome::kTaken);
  EXPECT_EQ(program_->directoryLock.Take(*program_, seconds(0), true), Outcome::kBusy);
}

TEST_F(DirectoryLockTest, AWaitThatRunsOutSaysSoOnceAndThenGivesUp) {
  ASSERT_EQ(program_->directoryLock.Take(*program_, seconds(0)), Outcome::kTaken);
  EXPECT_EQ(other_->directoryLock.Take(*other_, seconds(3)), Outcome::kBusy);
  const std::string holder = other_->directoryLock.Holder();
  const std::string directory = program_->paths.programDirectory;
  EXPECT_EQ(otherConsole_.Stderr(),
            "Komunikace Tarvik: Adresář programu " + directory + " používá jiný proces tarvik (" +
                holder + "); čekám nejvýše 3 s.\n" + "Komunikace Tarvik: Adresář programu " +
                directory + " používá jiný proces tarvik (" + holder +
                ") ani po 3 s čekání (cekani_zamku); úloha neproběhla a v adresáři se nic "
                "nezměnilo.\n");
  // It waited the whole time, in short steps.
  std::chrono::milliseconds waited{0};
  for (auto sleep : otherClock_.Sleeps()) waited += sleep;
  EXPECT_EQ(waited, std::chrono::milliseconds(3000));
}

TEST_F(DirectoryLockTest, ALockFileThatCannotBeMadeIsSaid) {
  std::filesystem::create_directory(dir_ / "tarvik.lck");  // no file can be opened there
  EXPECT_EQ(program_->directoryLock.Take(*program_, seconds(600)), Outcome::kFailed);
  EXPECT_NE(console_.Stderr().find("nelze vytvořit soubor zámku tarvik.lck"), std::string::npos)
      << console_.Stderr();
  EXPECT_NE(console_.Stderr().find("Adresář musí být zapisovatelný"), std::string::npos);
}

TEST_F(DirectoryLockTest, AStopRequestGoesThroughAJobOnlyWhileTheLockIsHeld) {
  EXPECT_FALSE(other_->directoryLock.RequestStop(2));
  // Requested while waiting (or before taking): the lock is not kept.
  EXPECT_EQ(other_->directoryLock.Take(*other_, seconds(600)), Outcome::kInterrupted);
  EXPECT_FALSE(other_->directoryLock.Held());
  EXPECT_EQ(program_->directoryLock.Take(*program_, seconds(0)), Outcome::kTaken);
  EXPECT_TRUE(program_->directoryLock.RequestStop(1));
  EXPECT_EQ(program_->directoryLock.StopRequested(), 1);
  EXPECT_JOB_FAILURE(ThrowIfStopRequested(*program_), error::kInterruptedBySigint);
  EXPECT_JOB_FAILURE(PauseUnlessStopped(*program_, std::chrono::milliseconds(50)),
                     error::kInterruptedBySigint);
}

TEST_F(DirectoryLockTest, AStopWithoutAJobEndsAtOnceAndTouchesNothing) {
  ProcessEnded end = Ended([&] { StopRequested(*program_, 3); });
  EXPECT_EQ(end.code, 1);
  EXPECT_EQ(console_.Stderr(),
            "Komunikace Tarvik: přerušeno (SIGHUP / zavření konzole); žádná úloha neběžela, v "
            "adresáři programu se nic nezměnilo.\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(DirectoryLockTest, AJobThatNeverReachesAWaitIsEndedFromTheStopThread) {
  program_->settings.okno = 1;  // a window's job: stopped, it is not started afresh
  program_->connection.terminalText = "01";
  program_->command.commandText = "R03";
  WriteFile("work01.tmp", "partial");
  ASSERT_EQ(program_->directoryLock.Take(*program_, seconds(0)), Outcome::kTaken);
  ProcessEnded end = Ended([&] { StopRequested(*program_, 2); });
  EXPECT_EQ(end.code, 1);
  EXPECT_FALSE(end.restarted);
  EXPECT_EQ(clock_.Sleeps(), std::vector<std::chrono::milliseconds>{kStopGrace});
  EXPECT_EQ(ReadFile("err"), "1");
  EXPECT_EQ(ReadFile("error.txt"), "9\r\n");
  EXPECT_EQ(ReadFile("error.log"), "05-12-2026,14:05,116,01,R03;1,0002\r\n");
  EXPECT_EQ(ReadFile("wlasterr.tmp"), "partial");
}

TEST_F(DirectoryLockTest, AFailureOutsideAJobLeavesABusyDirectoryAlone) {
  ASSERT_EQ(other_->directoryLock.Take(*other_, seconds(0)), Outcome::kTaken);
  WriteFile("err", "0");
  program_->settings.cekaniZamku = 0;
  ProcessEnded end = Ended([&] { FatalError(*program_, error::kIniNumberKeyWithoutEquals); });
  EXPECT_EQ(end.code, 1);
  EXPECT_EQ(ReadFile("err"), "0");
  EXPECT_FALSE(FileExists("error.txt"));
  EXPECT_FALSE(FileExists("error.log"));
  // Once the directory is free, the same failure writes its files.
  other_->directoryLock.Release();
  program_->failureTaken.clear();
  Ended([&] { FatalError(*program_, error::kIniNumberKeyWithoutEquals); });
  EXPECT_EQ(ReadFile("err"), "1");
  EXPECT_TRUE(FileExists("error.log"));
}

}  // namespace
}  // namespace tarvik::frame
