// The built `tarvik` running command files against the register emulator,
// over a pty and over TCP on an address of each test's own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/process_runner.h"
#include "link/link_test_support.h"
#include "support/test_support.h"

namespace tarvik::testing {
namespace {

using Lines = std::vector<std::string>;

std::string TarvikProgram() {
  if (const char* path = std::getenv("TARVIK_BIN")) return path;
  return TARVIK_BIN_DEFAULT;
}

const char kPluLine1[] =
    "00000000000012;\"ROHLIK            \";00000250;00000000;00;00;00;00;00;00;00;00;00;00";
const char kPluLine2[] =
    "00000000000013;\"CHLEBA            \";00003900;00000000;00;00;00;00;00;00;00;00;00;00";

class LinkEndToEnd : public ::testing::Test {
 protected:
  LinkEndToEnd() : dir_(MakeTempDirectory("link-e2e")), register_(dir_ / "emulator") {
    std::filesystem::create_symlink(TarvikProgram(), dir_ / "tarvik");
  }
  ~LinkEndToEnd() override {
    register_.Stop();
    std::filesystem::remove_all(dir_);
  }

  void Serial(const std::vector<std::string>& options = {}, const std::string& ini = {}) {
    std::string device = register_.StartPty(options);
    Write("tarvik.ini", "zpozdeni=0\r\ntimeout=1\r\ncom1=" + device + "\r\n" + ini);
  }
  void Tcp(const std::string& address, const std::vector<std::string>& options = {}) {
    register_.StartTcp(address, options);
    Write("tarvik.ini", "zpozdeni=0\r\ntimeout=1\r\n");
  }
  RunResult Run(const std::vector<std::string>& args) {
    return RunProcess((dir_ / "tarvik").string(), (dir_ / "tarvik").string(), args, dir_,
                      std::chrono::seconds(30));
  }
  void Write(const std::string& name, const std::string& bytes) { WriteBinary(dir_ / name, bytes); }
  std::string Read(const std::string& name) { return ReadBinary(dir_ / name); }

  std::filesystem::path dir_;
  EmulatedRegister register_;
};

TEST_F(LinkEndToEnd, SerialReadMakesTheDataFileTheRegisterHolds) {
  std::string plu = std::string(kPluLine1) + "\r\n" + kPluLine2 + "\r\n";
  register_.SetFile("03.dat", plu);
  Serial();
  Write("read.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  RunResult r = Run({"read.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("P_PLU.dat"), plu);
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(Read("error.txt"), "151\r\n");
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "> D9 01 03 DB 48");
  EXPECT_EQ(lines[3], "> D9 06 DF 42");
  EXPECT_EQ(lines[5], "> D9 06 DF 42");
  EXPECT_EQ(lines[6], "< FF FF 00 02");
}

TEST_F(LinkEndToEnd, SerialWritesThenWritesAfterClearingAndClears) {
  register_.SetFile("03.dat", std::string(kPluLine1) + "\r\n");
  register_.SetFile("10.dat", "0001;0001\r\n");
  Serial({"--operations", "4C"});
  Write("D10.dat", "0005;1234\r\n");
  Write("P_PLU.dat", std::string(kPluLine2) + "\r\n");
  Write("w.cmd", "01,1,7,8,O,650,ERA\r\nV10;D10\r\nW03;P_PLU\r\nN4C\r\n");
  RunResult r = Run({"w.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("err"), "0");
  Lines requests;
  for (const std::string& line : register_.Transcript()) {
    if (line.size() == 16 && line[0] == '>' && line.compare(2, 2, "D0") == 0) {
      requests.push_back(line);
    }
  }
  EXPECT_EQ(requests, (Lines{"> D0 01 10 C1 5E", "> D0 01 61 B0 1E", "> D0 01 4C 9D 46"}));
  EXPECT_EQ(register_.File("10.dat"), "0001;0001\r\n0005;1234\r\n");
  // The write after clearing replaced the PLU file as a whole.
  std::string plu = register_.File("03.dat");
  EXPECT_EQ(plu, std::string(kPluLine2) + "\r\n");
}

TEST_F(LinkEndToEnd, RawTextOverSerial) {
  Serial({"--raw-text", "Z-UZAVERKA\r\n"});
  Write("s.cmd", "01,1,7,8,O,650,ERA\r\nS59;TEXT\r\n");
  RunResult r = Run({"s.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("TEXT.dat"), "Z-UZAVERKA\r\n");
}

TEST_F(LinkEndToEnd, RejectedFrameIsStoredOnceAndThreeBadOnesFailWith40) {
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  Serial({"--corrupt-frame", "2:4"});
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR10;A\r\nR10;B\r\n");
  RunResult r = Run({"r.cmd"});
  // The first read meets frame 2 bad four times: 40/1; its records up to
  // then stay in wlasterr.tmp.
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(Read("error.txt"), "9\r\n");
  EXPECT_EQ(ToHex(Read("wlasterr.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_NE(Read("ERA.log").find("40,01,R10;1,0001"), std::string::npos) << Read("ERA.log");
}

TEST_F(LinkEndToEnd, OneRejectedFrameIsStoredOnce) {
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  Serial({"--corrupt-frame", "2"});
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"/dd", "r.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("A.dat"), "0005;1234\r\n0006;5678\r\n");
  // rsdata: the whole line, the spoiled frame and its reject included.
  EXPECT_EQ(ToHex(Read("rsdata")),
            "D9 01 10 C8 4E D9 00 D9 4E 05 00 12 34 23 92 D9 06 DF 42 06 00 56 78 28 5E "
            "D9 15 CC 46 06 00 56 78 28 04 D9 06 DF 42 FF FF 00 02");
}

TEST_F(LinkEndToEnd, SilentRegisterEndsWith38AndTheResultFilesSay2And9) {
  Serial({"--silent"});
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  RunResult r = Run({"r.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Read("err"), "2");
  EXPECT_EQ(Read("error.txt"), "9\r\n");
}

TEST_F(LinkEndToEnd, ReportWithTheKeyInRegEndsWith4UnlessNooff) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  Serial({"--key-reg"});
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR72;X\r\n");
  RunResult refused = Run({"r.cmd"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(Read("err"), "3");
  EXPECT_EQ(Read("error.txt"), "8\r\n");
  RunResult read = Run({"/nooff", "r.cmd"});
  EXPECT_EQ(read.exitCode, 0) << read.err;
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(Read("X.dat").substr(0, 5), "0001;");
}

TEST_F(LinkEndToEnd, Model39TSignalsRegWithStatus08) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  Serial({"--key-reg", "--model", "39T"});
  Write("r.cmd", "01,1,7,8,O,39T,ERA\r\nR72;X\r\n");
  RunResult r = Run({"r.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Read("err"), "3");
  Lines lines = register_.Transcript();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "< D9 08 D1 4E");
}

TEST_F(LinkEndToEnd, FiscalSwitchUsesTheFiscalCommandBytes) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  Serial({"--fiscal"});
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"/fi", "r.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("A.dat"), "0005;1234\r\n");
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "> D7 01 10 C6 52");
  EXPECT_EQ(lines[3], "> D7 06 D1 52");
}

TEST_F(LinkEndToEnd, NoLinkTouchesNoPort) {
  Write("tarvik.ini", "zpozdeni=0\r\ncom1=/nonexistent/tty\r\n");
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"/k", "r.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("A.dat"), "");
  EXPECT_EQ(Read("err"), "0");
}

TEST_F(LinkEndToEnd, MissingPortIs92AndTheMessageNamesTheDeviceAndTheReason) {
  Write("tarvik.ini", "zpozdeni=0\r\ncom1=/nonexistent/tty\r\n");
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"/d", "r.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Read("err"), "1");
  EXPECT_NE(r.err.find("Chyba 92, 1"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("/nonexistent/tty: No such file or directory"), std::string::npos) << r.err;
}

TEST_F(LinkEndToEnd, TcpReadWithFFDoublingAndTheExtraAcknowledge) {
  register_.SetFile("10.dat", "0255;1234\r\n");
  Tcp("127.0.4.1", {"--reply-apart"});
  Write("r.cmd", "127.0.4.1,01,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"r.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("A.dat"), "0255;1234\r\n");
  EXPECT_EQ(Read("tk"), "1");
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", "< D9 00 D9 4E", "> D9 06 DF 42", "< FF FF 00 12 34 D9 E2",
                   "> D9 06 DF 42", "< FF FF FF FF 00 02"}));
}

TEST_F(LinkEndToEnd, TcpWriteSendsTheEndMarkerDoubled) {
  Tcp("127.0.4.2");
  Write("D10.dat", "0255;1234\r\n");
  Write("w.cmd", "127.0.4.2,01,650,ERA\r\nV10;D10\r\n");
  RunResult r = Run({"w.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D0 01 10 C1 5E", "< D0 00 D0 60", "> FF FF 00 12 34 D9 E2", "< D0 06 D6 54",
                   "> FF FF FF FF 00 02"}));
  EXPECT_EQ(register_.File("10.dat"), "0255;1234\r\n");
}

TEST_F(LinkEndToEnd, TcpConnectionClosedByTheRegisterEndsWith106) {
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  Tcp("127.0.4.3", {"--close-after", "1"});
  Write("r.cmd", "127.0.4.3,01,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"/h", "r.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Chyba 106, 1"), std::string::npos) << r.err;
  EXPECT_EQ(Read("err"), "1");
}

}  // namespace
}  // namespace tarvik::testing
