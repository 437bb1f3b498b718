// The built `tarvik` running command files against the register emulator,
// over a pty and over TCP on a port the system picks.
#include <gtest/gtest.h>

#include "e2e/register_job_fixture.h"

namespace tarvik::testing {
namespace {

using Lines = std::vector<std::string>;

const char kPluLine1[] =
    "00000000000012;\"ROHLIK            \";00000250;00000000;00;00;00;00;00;00;00;00;00;00";
const char kPluLine2[] =
    "00000000000013;\"CHLEBA            \";00003900;00000000;00;00;00;00;00;00;00;00;00;00";

// Job() runs its commands under the serial connection line of COM1.
class LinkEndToEnd : public RegisterJobTest {
 protected:
  void Serial(const std::vector<std::string>& options = {}) {
    WriteIni({{1, register_.StartPty(options)}});
  }
  // Returns the address and port served.
  std::string Tcp(const std::string& address, const std::vector<std::string>& options = {}) {
    WriteIni({});
    return register_.StartTcp(address, options);
  }
  // Runs a whole command file, its own connection line first.
  RunResult JobFile(const std::string& commands) {
    Write("job.cmd", commands);
    return Run({"job.cmd"});
  }
  void ExpectResult(const RunResult& r, int exitCode, const std::string& err) {
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_EQ(Read("err"), err);
  }
};

TEST_F(LinkEndToEnd, SerialReadMakesTheDataFileTheRegisterHolds) {
  std::string plu = std::string(kPluLine1) + "\r\n" + kPluLine2 + "\r\n";
  register_.SetFile("03.dat", plu);
  Serial();
  ExpectResult(Job("R03;P_PLU\r\n"), 0, "0");
  EXPECT_EQ(Read("P_PLU.dat"), plu);
  EXPECT_EQ(Read("error.txt"), "151\r\n");
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "> D9 01 03 DB 48");
  EXPECT_EQ(lines[6], "< FF FF 00 02");
}

TEST_F(LinkEndToEnd, SerialWritesThenWritesAfterClearingClearsAndReadsRawText) {
  register_.SetFile("03.dat", std::string(kPluLine1) + "\r\n");
  register_.SetFile("10.dat", "0001;0001\r\n");
  Serial({"--operations", "4C", "--raw-text", "Z-UZAVERKA\r\n"});
  Write("D10.dat", "0005;1234\r\n");
  Write("P_PLU.dat", std::string(kPluLine2) + "\r\n");
  ExpectResult(Job("V10;D10\r\nW03;P_PLU\r\nN4C\r\nS59;TEXT\r\n"), 0, "0");
  EXPECT_EQ(Read("TEXT.dat"), "Z-UZAVERKA\r\n");
  Lines requests;
  for (const std::string& line : register_.Transcript()) {
    if (line.size() == 16 && line[0] == '>' && line.compare(2, 2, "D0") == 0) {
      requests.push_back(line);
    }
  }
  EXPECT_EQ(requests, (Lines{"> D0 01 10 C1 5E", "> D0 01 61 B0 1E", "> D0 01 4C 9D 46"}));
  EXPECT_EQ(register_.File("10.dat"), "0001;0001\r\n0005;1234\r\n");
  // The write after clearing replaced the PLU file as a whole.
  EXPECT_EQ(register_.File("03.dat"), std::string(kPluLine2) + "\r\n");
}

// rsdata holds the whole line, the spoiled frame and its reject included. Four
// bad repetitions end the job with 40/1 and the records read until then stay in
// wlasterr.tmp.
TEST_F(LinkEndToEnd, RejectedFrameIsStoredOnceAndFourBadOnesFailWith40) {
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  Serial({"--corrupt-frame", "2"});
  ExpectResult(Job("R10;A\r\n", {"/dd"}), 0, "0");
  EXPECT_EQ(Read("A.dat"), "0005;1234\r\n0006;5678\r\n");
  EXPECT_EQ(ToHex(Read("rsdata")),
            "D9 01 10 C8 4E D9 00 D9 4E 05 00 12 34 23 92 D9 06 DF 42 06 00 56 78 28 5E "
            "D9 15 CC 46 06 00 56 78 28 04 D9 06 DF 42 FF FF 00 02");
  register_.Stop();
  Serial({"--corrupt-frame", "2:4"});
  ExpectResult(Job("R10;A\r\nR10;B\r\n"), 1, "1");
  EXPECT_EQ(Read("error.txt"), "9\r\n");
  EXPECT_EQ(ToHex(Read("wlasterr.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_NE(Read("ERA.log").find("40,01,R10;1,0001"), std::string::npos) << Read("ERA.log");
}

TEST_F(LinkEndToEnd, Model39TSignalsRegWithStatus08) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  Serial({"--key-reg", "--model", "39T"});
  ExpectResult(JobFile("01,1,7,8,O,39T,ERA\r\nR72;X\r\n"), 1, "3");
  Lines lines = register_.Transcript();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "< D9 08 D1 4E");
}

TEST_F(LinkEndToEnd, FiscalSwitchUsesTheFiscalCommandBytes) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  Serial({"--fiscal"});
  ExpectResult(Job("R10;A\r\n", {"/fi"}), 0, "0");
  EXPECT_EQ(Read("A.dat"), "0005;1234\r\n");
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D7 01 10 C6 52", "< D7 00 D7 52", "< 05 00 12 34 23 92", "> D7 06 D1 52",
                   "< FF FF 00 02"}));
}

// Without /k the missing port is 92 and the message names the device and the reason.
TEST_F(LinkEndToEnd, NoLinkTouchesNoPortWhichIsOtherwiseMissingWith92) {
  Write("tarvik.ini", "zpozdeni=0\r\ncom1=/nonexistent/tty\r\n");
  ExpectResult(Job("R10;A\r\n", {"/k"}), 0, "0");
  EXPECT_EQ(Read("A.dat"), "");
  RunResult r = Job("R10;A\r\n", {"/d"});
  ExpectResult(r, 1, "1");
  EXPECT_NE(r.err.find("Chyba 92, 1"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("/nonexistent/tty: No such file or directory"), std::string::npos) << r.err;
}

TEST_F(LinkEndToEnd, TcpReadAndWriteWithFFDoublingAndTheExtraAcknowledge) {
  register_.SetFile("10.dat", "0255;1234\r\n");
  const std::string address = Tcp("127.0.4.1", {"--reply-apart"});
  Write("D10.dat", "0255;1234\r\n");
  ExpectResult(JobFile(address + ",01,650,ERA\r\nR10;A\r\nV10;D10\r\n"), 0, "0");
  EXPECT_EQ(Read("A.dat"), "0255;1234\r\n");
  EXPECT_EQ(Read("tk"), "1");
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", "< D9 00 D9 4E", "> D9 06 DF 42", "< FF FF 00 12 34 D9 E2",
                   "> D9 06 DF 42", "< FF FF FF FF 00 02", "> D0 01 10 C1 5E", "< D0 00 D0 60",
                   "> FF FF 00 12 34 D9 E2", "< D0 06 D6 54", "> FF FF FF FF 00 02"}));
  EXPECT_EQ(register_.File("10.dat"), "0255;1234\r\n");
}

}  // namespace
}  // namespace tarvik::testing
