// tarvik-fleet running the built tarvik for several emulated registers, over
// TCP/IP on 127.0.9.x addresses (ports the system picks) and over ptys: retries, time-outs, the
// selection of registers, an interrupt, and one COM port shared by two.
#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "e2e/process_runner.h"
#include "e2e/register_job_fixture.h"
#include "fleet/summary.h"
#include "platform/lock_file.h"
#include "support/test_support.h"

namespace tarvik::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FleetTest : public ::testing::Test {
 protected:
  FleetTest() : dir_(MakeTempDirectory("fleet")) {
    // Pauses between tries of a few milliseconds instead of seconds.
    ::setenv("TARVIK_FLEET_RETRY_MS", "50", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    fs::create_directories(dir_ / "fleet");
    Write("nightly.cmd", "01,1,7,8,O,650,OLD\r\nR03;P_PLU\r\n");
    // No pauses, a one-second time-out, and every COM port on a path that
    // does not exist, so that no real serial port is touched.
    std::string ini = "zpozdeni=0\r\ntimeout=1\r\n";
    for (int n = 1; n <= 9; ++n)
      ini += "com" + std::to_string(n) + "=" + (dir_ / ("no-port-" + std::to_string(n))).string() +
             "\r\n";
    Write("tarvik.ini", ini);
  }
  ~FleetTest() override {
    registers_.clear();
    fs::remove_all(dir_);
  }

  EmulatedRegister& NewRegister(const std::string& plu) {
    fs::path where = dir_ / ("emulator" + std::to_string(registers_.size()));
    fs::create_directories(where);
    registers_.push_back(std::make_unique<EmulatedRegister>(where));
    registers_.back()->SetFile("03.dat", plu);
    return *registers_.back();
  }
  // A register on 127.0.9.host; returns its address and port.
  std::string Tcp(int host, const std::string& plu, const std::vector<std::string>& options = {}) {
    return NewRegister(plu).StartTcp("127.0.9." + std::to_string(host), options);
  }
  // A line of the fleet file for a register on `address`.
  static std::string Entry(const std::string& name, const std::string& address,
                           const std::string& log, const std::string& commands = "nightly.cmd") {
    return name + ";" + address + ",01,650," + log + ";" + commands + "\n";
  }
  // A register on a pty; returns the device.
  std::string Pty(const std::string& plu, const std::vector<std::string>& options = {}) {
    return NewRegister(plu).StartPty(options);
  }

  void Write(const std::string& name, const std::string& bytes) {
    WriteBinary(dir_ / "fleet" / name, bytes);
  }
  std::string Read(const std::string& path) { return ReadBinary(dir_ / "fleet" / path); }
  bool Exists(const std::string& path) { return fs::exists(dir_ / "fleet" / path); }

  RunResult Fleet(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tarvik", BuiltProgram("TARVIK_BIN")});
    args.push_back("fleet.txt");
    std::string fleet = BuiltProgram("TARVIK_FLEET_BIN");
    return RunProcess(fleet, fleet, args, dir_ / "fleet", 120s);
  }
  std::map<std::string, fleet::SummaryRow> Summary() {
    std::map<std::string, fleet::SummaryRow> rows;
    for (fleet::SummaryRow& row : fleet::ParseSummaryCsv(Read("summary.csv"))) rows[row.name] = row;
    return rows;
  }
  // A job the fleet stopped (as by SIGTERM) in its first attempt: the job's
  // interrupt result, the fleet's reason first in the message, no data file.
  void ExpectStopped(const std::string& name, const std::string& result,
                     const std::string& reason) {
    fleet::SummaryRow row = Summary()[name];
    EXPECT_EQ(row.result, result) << name;
    EXPECT_EQ(row.attempts, 1) << name;
    EXPECT_EQ(row.exitCode, "1") << name;
    EXPECT_EQ(row.err, "1") << name;
    EXPECT_EQ(row.errorCode, 116) << name;
    EXPECT_EQ(row.errorSubcode, 2) << name;
    EXPECT_EQ(row.message.rfind(reason, 0), 0u) << row.message;
    EXPECT_FALSE(Exists(name + "/P_PLU.dat")) << name;
  }
  // Lines of a register's transfer log.
  std::size_t LogLines(const std::string& path) {
    if (!Exists(path)) return 0;
    std::string log = Read(path);
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
  }

  fs::path dir_;
  std::vector<std::unique_ptr<EmulatedRegister>> registers_;
};

TEST_F(FleetTest, EveryRegisterOverTcpAndSerialSucceeds) {
  std::string a = Tcp(1, PluLines(3));
  std::string b = Tcp(2, PluLines(5));
  std::string c = Tcp(3, PluLines(1));
  std::string pty = Pty(PluLines(2));
  // The serial register's own directory maps COM4 to its pty.
  fs::create_directories(dir_ / "fleet" / "pos-serial");
  Write("pos-serial/tarvik.ini.local", "com4=" + pty + "\r\n");
  Write("fleet.txt", "# name;connection line;command file\n" + Entry("shop1", a, "S1") +
                         Entry("shop2", b, "S2") + "\n" + Entry("shop3", c, "S3") +
                         "pos-serial;01,4,7,8,O,650,SER;nightly.cmd\n");
  RunResult r = Fleet({"--jobs", "4"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  // Without a terminal: one line per register.
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
  EXPECT_NE(r.out.find("shop2: ok (1 attempt"), std::string::npos) << r.out;

  EXPECT_EQ(Read("shop1/P_PLU.dat"), PluLines(3));
  EXPECT_EQ(Read("shop2/P_PLU.dat"), PluLines(5));
  EXPECT_EQ(Read("pos-serial/P_PLU.dat"), PluLines(2));
  EXPECT_EQ(Read("shop1/nightly.cmd"), a + ",01,650,S1\r\nR03;P_PLU\r\n");
  EXPECT_EQ(Read("pos-serial/tarvik.ini"), Read("tarvik.ini") + "com4=" + pty + "\r\n");
  EXPECT_EQ(Read("shop3/err"), "0");

  auto rows = fleet::ParseSummaryCsv(Read("summary.csv"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "shop1");  // the fleet file's order
  EXPECT_EQ(rows[3].name, "pos-serial");
  for (const fleet::SummaryRow& row : rows) {
    EXPECT_EQ(row.result, "ok") << row.name << ": " << row.message;
    EXPECT_EQ(row.attempts, 1);
    EXPECT_EQ(row.exitCode, "0");
    EXPECT_EQ(row.err, "0");
    EXPECT_EQ(row.errorTxt, "151");
    EXPECT_FALSE(row.errorCode.has_value());
  }
  EXPECT_EQ(rows[1].connection, b + ",01,650,S2");
  EXPECT_EQ(rows[1].dataFiles, (std::vector<fleet::DataFileCount>{{"P_PLU.dat", 5}}));
  EXPECT_NE(Read("summary.json").find("\"name\": \"pos-serial\""), std::string::npos);

  // The directories are kept: a second run adds to the same logs.
  r = Fleet({});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(LogLines("shop1/S1.log"), 2u);
}

TEST_F(FleetTest, OnlyCurableFailuresAreRetriedAndFailedOnesRunAgain) {
  std::string ok = Tcp(11, PluLines(2));
  std::string silent = Tcp(12, PluLines(2), {"--silent"});
  const std::string refusing = "127.0.9.13";  // nobody listens on port 14000
  std::string badData = Tcp(14, PluLines(2));
  Write("write.cmd", "x,01,650,X\r\nV10;D10\r\n");
  fs::create_directories(dir_ / "fleet" / "bad-data");
  Write("bad-data/D10.dat", "0005;123456789\r\n");  // a field too long
  auto writeFleet = [&](const std::string& refusingAddress) {
    Write("fleet.txt", Entry("good", ok, "G") + Entry("silent", silent, "S") +
                           Entry("refusing", refusingAddress, "R") +
                           Entry("bad-data", badData, "B", "write.cmd"));
  };
  writeFleet(refusing);
  RunResult r = Fleet({"--retries", "2"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  auto rows = Summary();
  EXPECT_EQ(rows["good"].result, "ok");
  EXPECT_EQ(rows["silent"].result, "failed");
  EXPECT_EQ(rows["silent"].attempts, 3);
  EXPECT_EQ(rows["silent"].errorCode, 110);
  EXPECT_EQ(rows["silent"].errorSubcode, 1);
  EXPECT_EQ(rows["silent"].errorText, "Sit - timeout socketu ");
  EXPECT_EQ(LogLines("silent/S.log"), 3u);
  EXPECT_EQ(rows["refusing"].result, "failed");
  EXPECT_EQ(rows["refusing"].attempts, 3);
  EXPECT_EQ(rows["refusing"].errorCode, 103);
  EXPECT_EQ(rows["refusing"].errorSubcode, 7);
  EXPECT_EQ(rows["refusing"].err, "1");
  EXPECT_EQ(rows["refusing"].errorTxt, "9");
  EXPECT_EQ(rows["bad-data"].result, "failed");
  EXPECT_EQ(rows["bad-data"].attempts, 1);  // final at once
  EXPECT_EQ(rows["bad-data"].errorCode, 59);
  EXPECT_EQ(rows["bad-data"].exitCode, "1");
  EXPECT_EQ(LogLines("bad-data/B.log"), 1u);
  EXPECT_NE(r.out.find("refusing: failed (3 attempts"), std::string::npos) << r.out;

  // --only runs the named register and keeps the other rows.
  r = Fleet({"--only", "GOOD"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(LogLines("good/G.log"), 2u);
  EXPECT_EQ(LogLines("silent/S.log"), 3u);
  EXPECT_EQ(Summary()["refusing"].attempts, 3);

  // The register that refused now answers, the data file is mended: --failed
  // runs the three that did not succeed, and not the good one.
  registers_[1]->Stop();
  writeFleet(Tcp(13, PluLines(4)));
  Write("bad-data/D10.dat", "0005;1234\r\n");
  r = Fleet({"--failed", "--retries", "0"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;  // the silent one is gone now
  rows = Summary();
  EXPECT_EQ(LogLines("good/G.log"), 2u);
  EXPECT_EQ(rows["good"].result, "ok");
  EXPECT_EQ(rows["refusing"].result, "ok");
  EXPECT_EQ(Read("refusing/P_PLU.dat"), PluLines(4));
  EXPECT_EQ(rows["bad-data"].result, "ok");
  EXPECT_EQ(rows["silent"].result, "failed");
  EXPECT_EQ(rows["silent"].attempts, 1);
  EXPECT_EQ(rows["silent"].errorCode, 103);  // nothing listens there any more

  // Only the silent one is left to run; with nothing failed, nothing runs.
  r = Fleet({"--failed", "--quiet", "--retries", "0"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.find("refusing"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("silent: failed"), std::string::npos) << r.out;
}

TEST_F(FleetTest, AnAttemptThatRunsTooLongIsStoppedAndNotRetried) {
  // About ten seconds of transfer at 9600 Bd.
  std::string slow = Tcp(21, PluLines(200), {"--baud", "9600"});
  std::string quick = Tcp(22, PluLines(1));
  Write("fleet.txt", Entry("slow", slow, "SL") + Entry("quick", quick, "Q"));
  RunResult r = Fleet({"--timeout", "1"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  ExpectStopped("slow", "timed out", "stopped after the time limit of 1 s (--timeout)");
  EXPECT_EQ(Summary()["quick"].result, "ok");
}

TEST_F(FleetTest, AnInterruptStopsTheRunningJobAndWritesTheSummary) {
  std::string fleet;
  for (int i = 1; i <= 4; ++i) {
    fleet += Entry("r" + std::to_string(i), Tcp(30 + i, PluLines(200), {"--baud", "9600"}), "R");
  }
  Write("fleet.txt", fleet);
  std::string program = BuiltProgram("TARVIK_FLEET_BIN");
  Background run(program, {"--tarvik", BuiltProgram("TARVIK_BIN"), "--jobs", "1", "fleet.txt"},
                 dir_ / "fleet");
  // The first job is under way once its command file is in place.
  for (int i = 0; i < 500 && !Exists("r1/nightly.cmd"); ++i) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(500ms);
  ::kill(run.pid(), SIGINT);
  EXPECT_EQ(run.Wait(30s), 130);
  ExpectStopped("r1", "failed", "stopped by an interrupt of the fleet");
  auto rows = Summary();
  for (const char* name : {"r2", "r3", "r4"}) {
    EXPECT_EQ(rows[name].result, "not run");
    EXPECT_FALSE(Exists(std::string(name) + "/nightly.cmd"));
  }
}

TEST_F(FleetTest, ALockedDirectoryIsTriedAgain) {
  std::string address = Tcp(50, PluLines(2));
  Write("tarvik.ini", Read("tarvik.ini") + "cekani_zamku=0\r\n");
  Write("fleet.txt", Entry("locked", address, "L"));
  // Another job holds the register's directory.
  fs::create_directories(dir_ / "fleet" / "locked");
  platform::OsError error = 0;
  auto lock = platform::LockFile::Open((dir_ / "fleet" / "locked" / "tarvik.lck").string(), &error);
  ASSERT_TRUE(lock && lock->TryLock(&error));
  RunResult r = Fleet({"--retries", "2"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  auto rows = Summary();
  EXPECT_EQ(rows["locked"].result, "failed");
  EXPECT_EQ(rows["locked"].attempts, 3);
  EXPECT_EQ(rows["locked"].exitCode, "1");
  EXPECT_EQ(rows["locked"].err, "");
  EXPECT_FALSE(rows["locked"].message.empty());
  EXPECT_FALSE(Exists("locked/err"));

  // Freed while the fleet waits to try again: the second try succeeds.
  ::setenv("TARVIK_FLEET_RETRY_MS", "1500", 1);
  std::thread release([&] {
    std::this_thread::sleep_for(500ms);
    lock->Unlock();
  });
  r = Fleet({"--retries", "2"});
  release.join();
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  rows = Summary();
  EXPECT_EQ(rows["locked"].result, "ok");
  EXPECT_EQ(rows["locked"].attempts, 2);
  EXPECT_EQ(Read("locked/P_PLU.dat"), PluLines(2));
}

TEST_F(FleetTest, TwoRegistersOnOneComPortNeverRunAtOnce) {
  // One line, one register on it. A second job opening the port while the
  // first holds it would find it busy, and again on its own second try 1.5 s
  // later, as a transfer here takes some three seconds (no retries here).
  std::string pty = Pty(PluLines(120), {"--baud", "38400"});
  Write("tarvik.ini", Read("tarvik.ini") + "com2=" + pty + "\r\n");
  Write("fleet.txt",
        "first;01,2,7,8,O,650,A;nightly.cmd\n"
        "second;01,2,7,8,O,650,B;nightly.cmd\n");
  RunResult r = Fleet({"--jobs", "2", "--retries", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  auto rows = Summary();
  EXPECT_EQ(rows["first"].result, "ok") << rows["first"].message;
  EXPECT_EQ(rows["second"].result, "ok") << rows["second"].message;
  EXPECT_EQ(Read("second/P_PLU.dat"), PluLines(120));
}

TEST_F(FleetTest, ABadFleetFileOrOptionEndsWithCodeTwoAndTheReason) {
  Write("fleet.txt", "a;127.0.9.40,01,650,A;nightly.cmd\nb;01,0,7,8,O,650,B;nightly.cmd\n");
  RunResult r = Fleet({});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err,
            "tarvik-fleet: fleet.txt:2: connection line \"01,0,7,8,O,650,B\": the COM number is "
            "not 1 to 9 (error 51/31)\n");
  EXPECT_FALSE(Exists("a"));  // nothing ran
  Write("fleet.txt", "a;127.0.9.40,01,650,A;missing.cmd\n");
  r = Fleet({});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("fleet.txt:1: cannot read the command file"), std::string::npos) << r.err;
  Write("fleet.txt", "a;127.0.9.40,01,650,A;nightly.cmd\n");
  r = Fleet({"--jobs", "0"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err,
            "tarvik-fleet: --jobs takes a whole number from 1 to 1024, not \"0\"\n"
            "Try \"tarvik-fleet --help\".\n");
  r = Fleet({"--only", "nobody"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "tarvik-fleet: --only: no register named \"nobody\" in fleet.txt\n");
  r = Fleet({"--failed"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--failed: there is no summary at"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tarvik::testing
