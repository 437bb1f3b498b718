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

#include "e2e/register_job_fixture.h"

namespace tarvik::testing {
namespace {

enum class Link { kSerial, kTcp };

const std::string kOldFile = "an earlier, complete data file\r\nwith a second line\r\n";
const std::string kD10 = "0005;1234\r\n0006;5678\r\n";

struct Outcome {
  int exitCode = -1;
  frame::ErrorPair pair{};
};

namespace error = frame::error;

class FaultTest : public RegisterJobTest, public ::testing::WithParamInterface<Link> {
 protected:
  bool serial() const { return GetParam() == Link::kSerial; }

  // Starts the emulator with the fault options; over TCP/IP on 127.0.8.host
  // and a port the system picks.
  void Start(int host, const std::vector<std::string>& options) {
    register_.Stop();
    if (serial()) return WriteIni({{1, register_.StartPty(options)}});
    address_ = register_.StartTcp("127.0.8." + std::to_string(host), options);
    WriteIni({});
  }

  // Runs the commands as a windowless job; returns the exit code and the
  // pair of the job's last log line ("CC,terminal,command;...,SSSS" CR LF).
  Outcome Job(const std::string& commands, const std::vector<std::string>& switches = {}) {
    std::string connection = serial() ? "01,1,7,8,O,650,ERA\r\n" : address_ + ",01,650,ERA\r\n";
    Write("job.cmd", connection + commands);
    std::vector<std::string> args = switches;
    args.push_back("job.cmd");
    Outcome outcome{Run(args).exitCode};
    std::vector<std::string> log = LogTails("ERA.log");
    if (!log.empty() && log.back().size() >= 6) {
      outcome.pair.code = std::atoi(log.back().c_str());
      outcome.pair.subcode = std::atoi(log.back().substr(log.back().size() - 6, 4).c_str());
    }
    return outcome;
  }

  void ExpectCompleted(const Outcome& outcome) {
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.pair.code, 0);
    EXPECT_EQ(Read("err"), "0");
  }
  void ExpectFailed(const Outcome& outcome, frame::ErrorPair pair) {
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.pair, pair);
    EXPECT_NE(Read("err"), "0");
  }
  // Reads into `name`.dat over an earlier, complete file: the job fails
  // with the pair and the old file stays whole, with no work file left.
  void ExpectReadFails(const std::string& command, const std::string& name, frame::ErrorPair pair) {
    Write(name + ".dat", kOldFile);
    ExpectFailed(Job(command + ";" + name + "\r\n"), pair);
    EXPECT_EQ(Read(name + ".dat"), kOldFile);
    EXPECT_FALSE(Exists("work04.tmp"));  // the file that would have replaced it
  }

  std::string address_;
};

// The faults both links meet.
using BothLinks = FaultTest;
using TcpLink = FaultTest;

// --- A corrupted frame ------------------------------------------------------

TEST_P(BothLinks, CorruptedFrameIsAskedForAgainUpToThreeTimes) {
  register_.SetFile("03.dat", PluLines(12));
  Start(1, {"--corrupt-frame", "3"});
  Write("P_PLU.dat", kOldFile);
  ExpectCompleted(Job("R03;P_PLU\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(12));
  // Corrupted four times: 40/1, and the file of the last job stays.
  Start(2, {"--corrupt-frame", "3:4"});
  ExpectFailed(Job("R03;P_PLU\r\n"), error::kFrameCheckFailed);
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(12));
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
  ExpectFailed(Job("R87;ZURNAL\r\n"), error::kFrameCheckFailed);
  EXPECT_EQ(Read("ZURNAL.txt"), journal);
  EXPECT_EQ(Read("CS_PLU.DAT"), "sales of the last download\r\n");
}

// --- A lost reply, a silent register -------------------------------------------

TEST_P(BothLinks, WriteWhoseFrameRepliesAreLostFails) {
  Start(4, {"--no-frame-replies"});
  Write("D10.dat", kD10);
  // Serial: three frames without an answer (42/2); TCP/IP: the data of the
  // connection stop within the time-out (110/1).
  ExpectFailed(Job("V10;D10\r\n"),
               serial() ? error::kFrameRejectedTooOften : error::kNetworkTimeout);
  EXPECT_EQ(Read("D10.dat"), kD10);
}

TEST_P(BothLinks, SilentRegisterFailsEveryJobAndKeepsTheOldFiles) {
  Start(5, {"--silent"});
  ExpectReadFails("R03", "P_PLU",
                  serial() ? error::kNoAnswerToReadRequest : error::kNetworkTimeout);
  if (serial()) {
    EXPECT_EQ(Read("err"), "2");
  }
  Write("D10.dat", kD10);
  ExpectFailed(Job("V10;D10\r\n"),
               serial() ? error::kNoAnswerToWriteRequest : error::kNetworkTimeout);
  if (serial()) ExpectReadFails("S59", "TEXT", error::kRawTextNotReceived);  // the raw text
}

// --- A wrong echo -----------------------------------------------------------

// TCP/IP asks up to three times. The serial link drops at most 9 stale bytes
// before asking again: a short frame the register sent right behind the
// reply is gone, the rest of a 47-byte one stays in the way of every later
// reply.
TEST_P(BothLinks, WrongEchoIsAskedAgain) {
  register_.SetFile("10.dat", kD10);
  register_.SetFile("03.dat", PluLines(3));
  Start(8, {"--wrong-echo", serial() ? "1" : "2"});
  ExpectCompleted(Job("R10;A\r\n"));
  EXPECT_EQ(Read("A.dat"), kD10);
  Start(9, {"--wrong-echo", serial() ? "1" : "3"});
  ExpectReadFails(serial() ? "R03" : "R10", serial() ? "P_PLU" : "A",
                  error::kNoAnswerToReadRequest);
}

// --- The key in REG -----------------------------------------------------------

TEST_P(BothLinks, KeyInRegRefusesReportsOnlyAndNooffReadsThem) {
  const std::string report =
      "0001;+00000000000000;000000000000000000;+00000000000000;"
      "000000000000000000;+00000000000000\r\n";
  register_.SetFile("72.dat", report);
  register_.SetFile("03.dat", PluLines(2));
  Start(12, {"--key-reg"});
  ExpectReadFails("R72", "X", error::kKeyInRegAtReport);
  EXPECT_EQ(Read("err"), "3");
  ExpectCompleted(Job("R03;P_PLU\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(2));
  ExpectCompleted(Job("R72;X\r\n", {"/nooff"}));
  EXPECT_EQ(Read("X.dat"), report);
}

// --- The connection closed in the middle of a transfer --------------------------

TEST_P(BothLinks, ConnectionClosedDuringATransferKeepsTheOldFile) {
  register_.SetFile("03.dat", PluLines(200));
  if (!serial()) {
    Start(13, {"--close-after", "5"});
    ExpectReadFails("R03", "P_PLU", error::kClosedByRegister);
    Start(15, {"--close-after", "1"});
    Write("D10.dat", kD10 + "0007;0001\r\n");
    ExpectFailed(Job("V10;D10\r\n"), error::kClosedByRegister);  // and during a write
  } else {
    // The register goes away a second into a transfer of some ten seconds:
    // the next frame never comes.
    Start(14, {"--baud", "9600"});
    Write("P_PLU.dat", kOldFile);
    auto job = std::async(std::launch::async, [this] { return Job("R03;P_PLU\r\n"); });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    register_.Stop();
    ExpectFailed(job.get(), error::kFrameCheckFailed);
    EXPECT_EQ(Read("P_PLU.dat"), kOldFile);
    EXPECT_FALSE(Exists("work04.tmp"));
  }
}

// --- A frame split over two TCP segments, a slow line ---------------------------

TEST_P(TcpLink, FrameInTwoSegmentsIsJoined) {
  register_.SetFile("03.dat", PluLines(5));
  for (int at : {1, 4}) {
    SCOPED_TRACE(at);
    Start(15 + at, {"--split-frame", std::to_string(at)});
    ExpectCompleted(Job("R03;P_PLU\r\n"));
    EXPECT_EQ(Read("P_PLU.dat"), PluLines(5));
    Write("P_PLU.dat", kOldFile);
  }
}

TEST_P(BothLinks, SlowLineCarriesEveryByte) {
  register_.SetFile("03.dat", PluLines(10));
  register_.SetFile("10.dat", "0001;0001\r\n");
  Start(18, {"--baud", "4800"});
  Write("D10.dat", kD10);
  ExpectCompleted(Job("R03;P_PLU\r\nV10;D10\r\n"));
  EXPECT_EQ(Read("P_PLU.dat"), PluLines(10));
  register_.Stop();  // writes what it received back into its data directory
  EXPECT_EQ(register_.File("10.dat"), "0001;0001\r\n" + kD10);
}

std::string LinkName(const ::testing::TestParamInfo<Link>& param) {
  return param.param == Link::kSerial ? "Serial" : "Tcp";
}
INSTANTIATE_TEST_SUITE_P(Links, BothLinks, ::testing::Values(Link::kSerial, Link::kTcp), LinkName);
INSTANTIATE_TEST_SUITE_P(Links, TcpLink, ::testing::Values(Link::kTcp), LinkName);

}  // namespace
}  // namespace tarvik::testing
