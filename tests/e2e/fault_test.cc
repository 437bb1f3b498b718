// The built `tarvik` against a register emulator that makes the faults a
// real line makes, over the serial link (a pty) and over TCP/IP. Each job
// either completes with exactly the register's data or ends with its error
// pair, and a data file that was complete before the job is never cut short
// or lost.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "e2e/process_runner.h"
#include "link/link_test_support.h"
#include "support/test_support.h"

namespace tarvik::testing {
namespace {

enum class Link { kSerial, kTcp };

// A data file as a read writes it: `count` PLU lines of the register's own
// layout (the name filled to its 18 characters).
std::string PluLines(int count) {
  std::string lines;
  for (int i = 1; i <= count; ++i) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "%014d;\"PLU %06d        \";%08d;00000000;01;00;00;00;00;00;00;00;00;00\r\n",
                  100 + i, i, i * 10);
    lines += line;
  }
  return lines;
}

const std::string kOldFile = "an earlier, complete data file\r\nwith a second line\r\n";

struct Outcome {
  int exitCode = -1;
  int code = 0;
  int subcode = 0;
};

void PrintTo(Link link, std::ostream* out) {
  *out << (link == Link::kSerial ? "serial" : "TCP/IP");
}

class FaultTest : public ::testing::Test {
 protected:
  explicit FaultTest(Link link)
      : link_(link), dir_(MakeTempDirectory("fault-e2e")), register_(dir_ / "emulator") {
    std::filesystem::create_symlink(BuiltProgram("TARVIK_BIN"), dir_ / "tarvik");
  }
  ~FaultTest() override {
    register_.Stop();
    std::filesystem::remove_all(dir_);
  }

  Link link() const { return link_; }

  // Starts the emulator with the fault options; over TCP/IP on 127.0.8.host,
  // an address of the test's own, as the tests may run side by side.
  void Start(int host, const std::vector<std::string>& options) {
    std::string ini = "zpozdeni=0\r\ntimeout=1\r\n";
    if (link() == Link::kSerial) {
      ini += "com1=" + register_.StartPty(options) + "\r\n";
    } else {
      address_ = "127.0.8." + std::to_string(host);
      register_.StartTcp(address_, options);
    }
    Write("tarvik.ini", ini);
  }

  // Runs the commands as a windowless job; returns the exit code and the
  // pair of the job's last log line.
  Outcome Job(const std::string& commands, const std::vector<std::string>& switches = {}) {
    std::string connection =
        link() == Link::kSerial ? "01,1,7,8,O,650,ERA\r\n" : address_ + ",01,650,ERA\r\n";
    Write("job.cmd", connection + commands);
    std::vector<std::string> args = switches;
    args.push_back("job.cmd");
    RunResult run = RunProcess((dir_ / "tarvik").string(), (dir_ / "tarvik").string(), args, dir_,
                               std::chrono::seconds(60));
    return OutcomeOf(run);
  }

  Outcome OutcomeOf(const RunResult& run) {
    Outcome outcome;
    outcome.exitCode = run.exitCode;
    // "dd-mm-yyyy,hh:mm,CC,terminal,command;...,SSSS" CR LF: the code is the
    // third field, the subcode the line's last four digits.
    std::string log = Read("ERA.log");
    std::size_t start = log.rfind("\r\n", log.size() >= 2 ? log.size() - 3 : 0);
    std::string line = log.substr(start == std::string::npos ? 0 : start + 2);
    if (line.size() >= 6) {
      std::size_t comma = line.find(',', line.find(',') + 1);
      outcome.code = std::atoi(line.c_str() + comma + 1);
      outcome.subcode = std::atoi(line.substr(line.size() - 6, 4).c_str());
    }
    return outcome;
  }

  void ExpectCompleted(const Outcome& outcome) {
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(Read("err"), "0");
  }
  void ExpectFailed(const Outcome& outcome, int code, int subcode) {
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.code, code);
    EXPECT_EQ(outcome.subcode, subcode);
    EXPECT_NE(Read("err"), "0");
  }

  void Write(const std::string& name, const std::string& bytes) { WriteBinary(dir_ / name, bytes); }
  std::string Read(const std::string& name) { return ReadBinary(dir_ / name); }
  bool Exists(const std::string& name) { return std::filesystem::exists(dir_ / name); }

  const Link link_;
  std::string address_;
  std::filesystem::path dir_;
  EmulatedRegister register_;
};

// The faults both links meet.
class BothLinks : public FaultTest, public ::testing::WithParamInterface<Link> {
 protected:
  BothLinks() : FaultTest(GetParam()) {}
};
class SerialLink : public FaultTest {
 protected:
  SerialLink() : FaultTest(Link::kSerial) {}
};
class TcpLink : public FaultTest {
 protected:
  TcpLink() : FaultTest(Link::kTcp) {}
};

// --- A corrupted frame ------------------------------------------------------

TEST_P(BothLinks, CorruptedFrameIsAskedForAgainAndTheDataArriveWhole) {
  register_.SetFile("03.dat", PluLines(12));
  Start(1, {"--corrupt-frame", "3"});
  Write("P_PLU.dat", kOldFile);
  ExpectCompleted(Job("R03;P_PLU\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(12));
}

TEST_P(BothLinks, FrameCorruptedFourTimesEndsWith40And1AndKeepsTheOldFile) {
  register_.SetFile("03.dat", PluLines(12));
  Start(2, {"--corrupt-frame", "3:4"});
  Write("P_PLU.dat", kOldFile);
  ExpectFailed(Job("R03;P_PLU\r\n"), 40, 1);
  EXPECT_EQ(Read("P_PLU.dat"), kOldFile);
  EXPECT_FALSE(Exists("work04.tmp"));
}

TEST_P(BothLinks, JournalReadThatFailsAddsNoPartOfASection) {
  // Two journal records, the second one corrupted on every sending.
  register_.SetFile("87.txt",
                    "00 01 40 01 26 12 05 00 14 30 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
                    "00 02 20 00 00 00 00 00 12 50 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n");
  Start(3, {"--corrupt-frame", "2:4"});
  const std::string journal = "\r\n*P earlier section\r\n\r\n*Signature:\r\nabc\r\n";
  Write("ZURNAL.txt", journal);
  Write("CS_PLU.DAT", "sales of the last download\r\n");
  ExpectFailed(Job("R87;ZURNAL\r\n"), 40, 1);
  EXPECT_EQ(Read("ZURNAL.txt"), journal);
  EXPECT_EQ(Read("CS_PLU.DAT"), "sales of the last download\r\n");
}

// --- A lost reply, a silent register -------------------------------------------

TEST_P(BothLinks, WriteWhoseFrameRepliesAreLostFails) {
  Start(4, {"--no-frame-replies"});
  Write("D10.dat", "0005;1234\r\n0006;5678\r\n");
  // Serial: three frames without an answer (42/2); TCP/IP: the data of the
  // connection stop within the time-out (110/1).
  if (link() == Link::kSerial) {
    ExpectFailed(Job("V10;D10\r\n"), 42, 2);
  } else {
    ExpectFailed(Job("V10;D10\r\n"), 110, 1);
  }
  EXPECT_EQ(Read("D10.dat"), "0005;1234\r\n0006;5678\r\n");
}

TEST_P(BothLinks, SilentRegisterFailsTheReadAndKeepsTheOldFile) {
  Start(5, {"--silent"});
  Write("P_PLU.dat", kOldFile);
  if (link() == Link::kSerial) {
    ExpectFailed(Job("R03;P_PLU\r\n"), 38, 1);
    EXPECT_EQ(Read("err"), "2");
  } else {
    ExpectFailed(Job("R03;P_PLU\r\n"), 110, 1);
  }
  EXPECT_EQ(Read("P_PLU.dat"), kOldFile);
}

TEST_P(BothLinks, SilentRegisterFailsTheWrite) {
  Start(6, {"--silent"});
  Write("D10.dat", "0005;1234\r\n");
  if (link() == Link::kSerial) {
    ExpectFailed(Job("V10;D10\r\n"), 38, 2);
  } else {
    ExpectFailed(Job("V10;D10\r\n"), 110, 1);
  }
}

TEST_F(SerialLink, RawTextFromASilentRegisterKeepsTheOldText) {
  Start(7, {"--silent"});
  Write("TEXT.dat", kOldFile);
  ExpectFailed(Job("S59;TEXT\r\n"), 8, 1);
  EXPECT_EQ(Read("TEXT.dat"), kOldFile);
}

// --- A wrong echo -----------------------------------------------------------

TEST_F(TcpLink, WrongEchoIsAskedAgainUntilTheThirdRequest) {
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  Start(8, {"--wrong-echo", "2"});
  ExpectCompleted(Job("R10;A\r\n"));
  EXPECT_EQ(Read("A.dat"), "0005;1234\r\n0006;5678\r\n");
  register_.Stop();
  Start(9, {"--wrong-echo", "3"});
  Write("A.dat", kOldFile);
  ExpectFailed(Job("R10;A\r\n"), 38, 1);
  EXPECT_EQ(Read("A.dat"), kOldFile);
}

TEST_F(SerialLink, WrongEchoBeforeAShortFrameIsAskedAgain) {
  // The register sends its first frame right behind the reply; before
  // asking again the link drops at most 9 stale bytes, so a short frame
  // is gone and the second request succeeds.
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  Start(10, {"--wrong-echo", "1"});
  ExpectCompleted(Job("R10;A\r\n"));
  EXPECT_EQ(Read("A.dat"), "0005;1234\r\n0006;5678\r\n");
}

TEST_F(SerialLink, WrongEchoBeforeALongFrameEndsWith38) {
  // The rest of the 47-byte frame stays in the way of every later reply.
  register_.SetFile("03.dat", PluLines(3));
  Start(11, {"--wrong-echo", "1"});
  Write("P_PLU.dat", kOldFile);
  ExpectFailed(Job("R03;P_PLU\r\n"), 38, 1);
  EXPECT_EQ(Read("P_PLU.dat"), kOldFile);
}

// --- The key in REG -----------------------------------------------------------

TEST_P(BothLinks, KeyInRegRefusesReportsOnlyAndNooffReadsThem) {
  const std::string report =
      "0001;+00000000000000;000000000000000000;+00000000000000;"
      "000000000000000000;+00000000000000\r\n";
  register_.SetFile("72.dat", report);
  register_.SetFile("03.dat", PluLines(2));
  Start(12, {"--key-reg"});
  Write("X.dat", kOldFile);
  ExpectFailed(Job("R72;X\r\n"), 4, 1);
  EXPECT_EQ(Read("err"), "3");
  EXPECT_EQ(Read("X.dat"), kOldFile);
  ExpectCompleted(Job("R03;P_PLU\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(2));
  ExpectCompleted(Job("R72;X\r\n", {"/nooff"}));
  EXPECT_EQ(Read("X.dat"), report);
}

// --- The connection closed in the middle of a transfer --------------------------

TEST_P(BothLinks, ConnectionClosedDuringAReadKeepsTheOldFile) {
  register_.SetFile("03.dat", PluLines(200));
  Write("P_PLU.dat", kOldFile);
  if (link() == Link::kTcp) {
    Start(13, {"--close-after", "5"});
    ExpectFailed(Job("R03;P_PLU\r\n"), 106, 1);
  } else {
    // The register goes away a second into a transfer of some ten seconds:
    // the next frame never comes.
    Start(14, {"--baud", "9600"});
    auto job = std::async(std::launch::async, [this] { return Job("R03;P_PLU\r\n"); });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    register_.Stop();
    ExpectFailed(job.get(), 40, 1);
  }
  EXPECT_EQ(Read("P_PLU.dat"), kOldFile);
  EXPECT_FALSE(Exists("work04.tmp"));
}

TEST_F(TcpLink, ConnectionClosedDuringAWrite) {
  Start(15, {"--close-after", "1"});
  Write("D10.dat", "0005;1234\r\n0006;5678\r\n0007;0001\r\n");
  ExpectFailed(Job("V10;D10\r\n"), 106, 1);
}

// --- A frame split over two TCP segments, a slow line ---------------------------

TEST_F(TcpLink, FrameInTwoSegmentsIsJoined) {
  register_.SetFile("03.dat", PluLines(5));
  Start(16, {"--split-frame", "1"});
  ExpectCompleted(Job("R03;P_PLU\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(5));
  register_.Stop();
  Start(17, {"--split-frame", "4"});
  ExpectCompleted(Job("R03;P_PLU\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(5));
}

TEST_P(BothLinks, SlowLineCarriesEveryByte) {
  register_.SetFile("03.dat", PluLines(10));
  register_.SetFile("10.dat", "0001;0001\r\n");
  Start(18, {"--baud", "4800"});
  Write("D10.dat", "0005;1234\r\n0006;5678\r\n");
  ExpectCompleted(Job("R03;P_PLU\r\nV10;D10\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(10));
  register_.Stop();  // writes what it received back into its data directory
  EXPECT_EQ(register_.File("10.dat"), "0001;0001\r\n0005;1234\r\n0006;5678\r\n");
}

INSTANTIATE_TEST_SUITE_P(Links, BothLinks, ::testing::Values(Link::kSerial, Link::kTcp),
                         [](const ::testing::TestParamInfo<Link>& param) {
                           return param.param == Link::kSerial ? "Serial" : "Tcp";
                         });

}  // namespace
}  // namespace tarvik::testing
