// The built `tarvik` as calling programs meet it when more than one thing
// happens at once: two jobs started in one program directory, a job stopped
// by a signal, a program polling for the result files, and the usage asked
// for on a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>

#include "e2e/register_job_fixture.h"
#include "platform/lock_file.h"

namespace tarvik::testing {
namespace {

using std::chrono::milliseconds;
using Files = std::map<std::string, std::string>;

class SafeJobsTest : public RegisterJobTest {
 protected:
  Files Snapshot() {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      if (entry.is_regular_file())
        files[entry.path().filename().string()] = Read(entry.path().filename().string());
    }
    return files;
  }
  // Waits until a job holds the directory; returns the lock file's text.
  std::string WaitForHolder() {
    for (int i = 0; i < 1000; ++i) {
      if (Exists("tarvik.lck") && !Read("tarvik.lck").empty()) return Read("tarvik.lck");
      std::this_thread::sleep_for(milliseconds(10));
    }
    ADD_FAILURE() << "no job took the program directory";
    return {};
  }
};

// The scheduled poll that overlaps a manual one: the second job waits, then
// runs; every data file holds exactly one register's records.
TEST_F(SafeJobsTest, TwoJobsInOneDirectoryRunOneAfterTheOther) {
  EmulatedRegister second(dir_ / "emulator2");
  register_.SetFile("03.dat", PluLines(2000));
  second.SetFile("03.dat", PluLines(2000, 5001));
  const std::string first = register_.StartPty();
  WriteIni({{1, first}, {2, second.StartPty()}}, "zpozdeni=1000\r\n");
  Write("a.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\nR03;A_PLU\r\n");
  Write("b.cmd", "01,2,7,8,O,650,ERA\r\nR03;P_PLU\r\nR03;B_PLU\r\n");

  std::future<RunResult> a = std::async(std::launch::async, [&] { return Run({"a.cmd"}); });
  const std::string holder = WaitForHolder();
  RunResult b = Run({"b.cmd"});
  RunResult aDone = a.get();

  EXPECT_EQ(aDone.exitCode, 0) << aDone.err;
  EXPECT_EQ(aDone.err, "");
  EXPECT_EQ(b.exitCode, 0) << b.err;
  const std::string pid = holder.substr(0, holder.find(' '));
  EXPECT_NE(b.err.find("používá jiný proces tarvik (pid " + pid + ", od "), std::string::npos)
      << b.err;
  EXPECT_NE(b.err.find("; čekám nejvýše 600 s.\n"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("Adresář programu je volný, úloha pokračuje.\n"), std::string::npos);
  EXPECT_EQ(Read("A_PLU.dat"), PluLines(2000));
  EXPECT_EQ(Read("B_PLU.dat"), PluLines(2000, 5001));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(2000, 5001));  // the second job's, whole
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(LogTails("ERA.log"),
            (std::vector<std::string>{"00,01,R03;1,0000\r\n", "00,01,R03;1,0000\r\n",
                                      "00,01,R03;2,0000\r\n", "00,01,R03;2,0000\r\n"}));
}

// A job that does not get the directory in time leaves everything of the
// running job as it is: result files, log, data files.
TEST_F(SafeJobsTest, AJobWhoseWaitRunsOutTouchesNothing) {
  WriteIni({}, "cekani_zamku=1\r\n");
  Write("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  Write("err", "0");
  Write("error.txt", "151\r\n");
  Write("ERA.log", "an earlier line\r\n");
  Write("P_PLU.dat", "the running job's data\r\n");
  Write("work01.tmp", "the running job's transfer");
  platform::OsError error = 0;
  auto held = platform::LockFile::Open((dir_ / "tarvik.lck").string(), &error);
  ASSERT_TRUE(held && held->TryLock(&error));
  held->WriteText("4242 2026-12-07 01:02:03\r\n", &error);
  const Files before = Snapshot();

  RunResult r = Run({"job.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  const std::string prefix = "Komunikace Tarvik: Adresář programu " + dir_.string() +
                             "/ používá jiný proces tarvik (pid 4242, od 2026-12-07 01:02:03)";
  EXPECT_EQ(r.err, prefix + "; čekám nejvýše 1 s.\n" + prefix +
                       " ani po 1 s čekání (cekani_zamku); úloha neproběhla a v adresáři se nic "
                       "nezměnilo.\n");
  EXPECT_EQ(Snapshot(), before);

  // Without waiting at all, and for the other modes alike.
  WriteIni({}, "cekani_zamku=0\r\n");
  const Files zero = Snapshot();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"/h", "job.cmd"}, {"/t"}, {"/find"}}) {
    r = Run(args);
    EXPECT_EQ(r.exitCode, 1) << args[0];
    EXPECT_NE(r.err.find("čekání je vypnuto (cekani_zamku=0)"), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(), zero) << args[0];
  }

  held.reset();  // the holder ends: the next job runs at once
  register_.SetFile("03.dat", PluLines(3));
  WriteIni({{1, register_.StartPty()}}, "cekani_zamku=0\r\n");
  r = Run({"job.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(3));
}

// The hang-up bit follows the job's choice of dropping DTR; the rest is as found.
std::string LineSettings(const termios& t) {
  char text[96];
  std::snprintf(text, sizeof text, "i%x o%x c%x l%x speed %u", unsigned(t.c_iflag),
                unsigned(t.c_oflag), unsigned(t.c_cflag & ~tcflag_t(HUPCL)), unsigned(t.c_lflag),
                unsigned(cfgetospeed(&t)));
  return text;
}

// SIGTERM in the middle of a long read: the ordinary failure exit with error
// 116/2, the line's settings as they were found, the lock released.
TEST_F(SafeJobsTest, SigtermInTheMiddleOfALongReadLeavesTheFailureResult) {
  register_.SetFile("03.dat", PluLines(600));
  const std::string pty = register_.StartPty({"--baud", "9600"});
  WriteIni({{1, pty}});
  Write("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  const int line = ::open(pty.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(line, 0);
  termios found{};
  ASSERT_EQ(::tcgetattr(line, &found), 0);

  Background job((dir_ / "tarvik").string(), {"job.cmd"}, dir_);
  WaitForHolder();
  // Well into the transfer (600 frames take half a minute at 9600 Bd).
  std::this_thread::sleep_for(milliseconds(1500));
  const auto stopped = std::chrono::steady_clock::now();
  EXPECT_EQ(job.Stop(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(3));

  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(Read("error.txt"), "9\r\n");
  EXPECT_EQ(LogTails("ERA.log"), std::vector<std::string>{"116,01,R03;1,0002\r\n"});
  EXPECT_FALSE(Exists("work01.tmp"));
  EXPECT_GT(Read("wlasterr.tmp").size(), 100u);  // what had arrived
  EXPECT_FALSE(Exists("P_PLU.dat"));
  EXPECT_FALSE(Exists("work04.tmp"));
  termios after{};
  ASSERT_EQ(::tcgetattr(line, &after), 0);
  EXPECT_EQ(LineSettings(after), LineSettings(found));
  ::close(line);

  platform::OsError error = 0;
  auto lock = platform::LockFile::Open((dir_ / "tarvik.lck").string(), &error);
  ASSERT_TRUE(lock);
  EXPECT_TRUE(lock->TryLock(&error));
}

// A program that polls for err finds it only complete, and error.txt complete
// beside it.
TEST_F(SafeJobsTest, ResultFilesAppearComplete) {
  Write("tarvik.ini", "simulace=1\r\nzpozdeni=0\r\n");
  Write("P_PLU.DAS", "00000000000001;\"ROHLIK\"\r\n");
  Write("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  Write("bad.cmd", "01,1,7,8,O,650,ERA\r\nR03;MISSING\r\n");
  const std::map<std::string, std::string> textOf = {{"0", "151\r\n"}, {"1", "9\r\n"}};
  for (int run = 0; run < 20; ++run) {
    std::filesystem::remove(dir_ / "err");
    std::filesystem::remove(dir_ / "error.txt");
    std::atomic<bool> done{false};
    std::vector<std::string> wrong;
    std::thread poller([&] {
      while (!done) {
        if (!Exists("err")) continue;
        const std::string err = Read("err");
        const std::string text = Read("error.txt");
        if (!textOf.count(err) || textOf.at(err) != text) wrong.push_back(err + "|" + text);
      }
    });
    const bool fails = run % 2 == 1;
    RunResult r = Run({fails ? "bad.cmd" : "job.cmd"});
    done = true;
    poller.join();
    EXPECT_EQ(r.exitCode, fails ? 1 : 0);
    EXPECT_EQ(wrong, std::vector<std::string>{}) << "run " << run;
    EXPECT_EQ(Read("err"), fails ? "1" : "0");
  }
  EXPECT_FALSE(Exists("err.tmp"));
  EXPECT_FALSE(Exists("error.tmp"));
}

class UsageTest : public ProgramDirectoryTest {
 protected:
  RunResult RunIn(const char* lang, const std::vector<std::string>& args) {
    return Run(args, {{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", lang}});
  }
  void ExpectNothingWritten() {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                            std::filesystem::directory_iterator()),
              1);  // the program alone
  }
};

// Without a display (and a command file) there is nothing to do: the usage
// goes to stderr with exit code 2.
TEST_F(UsageTest, HelpVersionUnknownOptionsAndNoCommandFileTouchNothing) {
  RunResult help = RunIn("C", {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: tarvik [switches] COMMANDFILE\n", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("Exit codes: 0 success"), std::string::npos);
  EXPECT_EQ(help.err, "");
  RunResult czech = RunIn("cs_CZ.UTF-8", {"/h", "--help", "job.cmd"});
  EXPECT_EQ(czech.exitCode, 0);
  EXPECT_EQ(czech.out.rfind("Použití: tarvik [přepínače] PŘÍKAZOVÝ_SOUBOR\n", 0), 0u);

  RunResult version = RunIn("C", {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("tarvik 1.86 (Linux", 0), 0u) << version.out;
  EXPECT_EQ(version.err, "");

  RunResult unknown = RunIn("C", {"--verbose", "job.cmd"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "tarvik: unknown option --verbose\nTry: tarvik --help\n");
  unknown = RunIn("cs_CZ.UTF-8", {"--x"});
  EXPECT_EQ(unknown.err, "tarvik: neznámá volba --x\nNápověda: tarvik --help\n");

  RunResult bare = RunIn("C", {});
  EXPECT_EQ(bare.exitCode, 2);
  EXPECT_EQ(bare.out, "");
  EXPECT_EQ(bare.err.rfind("Komunikace Tarvik: ", 0), 0u) << bare.err;
  EXPECT_NE(bare.err.find("\nUsage: tarvik [switches] COMMANDFILE\n"), std::string::npos)
      << bare.err;
  ExpectNothingWritten();
}

}  // namespace
}  // namespace tarvik::testing
