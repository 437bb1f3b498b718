// The built `tarvik` run as calling programs run it, in a fresh program
// directory, with the link replaced by its simulation and no-link paths.
#include <gtest/gtest.h>

#include <regex>

#include "e2e/process_runner.h"
#include "support/test_support.h"

namespace tarvik::testing {
namespace {

class Windowless : public ::testing::Test {
 protected:
  Windowless() : dir_(MakeTempDirectory("e2e")) {
    std::filesystem::create_symlink(BuiltProgram("TARVIK_BIN"), dir_ / "tarvik");
  }
  ~Windowless() override { std::filesystem::remove_all(dir_); }

  RunResult Run(const std::vector<std::string>& args, const Environment& environment = {}) {
    return RunProcess((dir_ / "tarvik").string(), (dir_ / "tarvik").string(), args, dir_,
                      std::chrono::seconds(60), environment);
  }
  void Write(const std::string& name, const std::string& bytes) { WriteBinary(dir_ / name, bytes); }
  std::string Read(const std::string& name) { return ReadBinary(dir_ / name); }
  bool Exists(const std::string& name) { return std::filesystem::exists(dir_ / name); }

  std::filesystem::path dir_;
};

const std::regex kLogLine(R"(\d\d-\d\d-\d{4},\d\d:\d\d,)");

TEST_F(Windowless, SimulatedReadCopiesTheSimulationFile) {
  Write("tarvik.ini", "simulace=1\r\nzpozdeni=0\r\n");
  Write("P_PLU.DAS", "00000000000001;\"ROHLIK\"\r\n");
  Write("read.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  RunResult r = Run({"read.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");  // stdout is no terminal: nothing printed
  EXPECT_EQ(Read("P_PLU.dat"), "00000000000001;\"ROHLIK\"\r\n");
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(Read("error.txt"), "151\r\n");
  std::string log = Read("ERA.log");
  EXPECT_TRUE(std::regex_search(log, kLogLine)) << log;
  EXPECT_EQ(log.substr(17), "00,01,R03;1,0000\r\n");
  EXPECT_EQ(Read("sregu.cmx"), "01,1,7,8,O,650,ERA\r\nR14;X_REG\r\n");
  EXPECT_EQ(Read("iglog1.cmx"), "192.168.0.160,01,650 , ERA\r\nW44;GLOGO1\r\n");
}

TEST_F(Windowless, NoLinkWriteBuildsTheWorkFile) {
  Write("D10.dat", "0005;1234\r\n");
  Write("w.cmd", "01,1,7,8,O,650,ERA\r\nV10;D10\r\n");
  RunResult r = Run({"/k", "w.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ToHex(Read("work02.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_EQ(Read("err"), "0");
}

TEST_F(Windowless, ShortCommandFileFailsWith50_5InErrorLog) {
  Write("tiny.cmd", "01,1,7,8,O,650,E\r\nR03");
  ASSERT_EQ(Read("tiny.cmd").size(), 21u);
  RunResult r = Run({"tiny.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "");  // silent without hlaseni or debug
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(Read("error.txt"), "9\r\n");
  std::string log = Read("error.log");
  EXPECT_EQ(log.substr(17), "50,,;1,0005\r\n");
}

TEST_F(Windowless, MessagesGoToStderrWithHlaseni) {
  Write("D10.dat", "0005;1234\r\n");
  Write("w.cmd", "01,1,7,8,O,650,ERA\r\nV10;D10\r\n");
  RunResult ok = Run({"/k", "/h", "w.cmd"});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.err, "Komunikace Tarvik: Komunikace uspesne ukoncena.\n");
  RunResult bad = Run({"/h", "missing.cmd"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "Komunikace Tarvik: Chyba 30, 1, LastError 2. Chyba otevreni souboru\n");
}

// With a display the boxes would appear as boxes; a silent job and a silent
// failure still end on their own, with the same results as without one.
TEST_F(Windowless, OnADesktopASilentJobRunsAndEndsTheProcess) {
  const Environment desktop{{"QT_QPA_PLATFORM", "offscreen"}};
  Write("D10.dat", "0005;1234\r\n");
  Write("w.cmd", "01,1,7,8,O,650,ERA\r\nV10;D10\r\n");
  RunResult ok = Run({"/k", "/progress", "w.cmd"}, desktop);
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_FALSE(ok.timedOut);
  EXPECT_EQ(ToHex(Read("work02.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_EQ(Read("err"), "0");

  RunResult bad = Run({"missing.cmd"}, desktop);
  EXPECT_EQ(bad.exitCode, 1) << bad.err;
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(Read("error.log").substr(17), "30,,;1,0001\r\n");
}

TEST_F(Windowless, CommandFileIsTakenByItsBareNameFromTheProgramDirectory) {
  Write("tarvik.ini", "simulace=1\r\n");
  Write("P.DAS", "x\r\n");
  Write("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
  RunResult r = Run({"/elsewhere/In/JOB.CMD"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("P.dat"), "x\r\n");
}

TEST_F(Windowless, CommandLineLimits) {
  std::string argv0 = (dir_ / "tarvik").string();
  std::string name(1023 - argv0.size() - 1, 'a');
  RunResult fits = Run({name});
  EXPECT_EQ(fits.exitCode, 1);  // accepted, then no such command file
  RunResult tooLong = Run({name + "a"});
  EXPECT_EQ(tooLong.exitCode, 2);
  EXPECT_EQ(tooLong.err, "Komunikace Tarvik: Prilis dlouhy prikazovy radek.\n");
}

TEST_F(Windowless, IniFaultsEndInTheirErrors) {
  Write("tarvik.ini", "timeout 20\r\n");
  Write("w.cmd", "01,1,7,8,O,650,ERA\r\nV10;D10\r\n");
  RunResult r = Run({"w.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Read("error.log").substr(17), "29,,;1,0005\r\n");
  Write("tarvik.ini", "timeout=500\r\nsimulace=1\r\n");
  Write("P.DAS", "x\r\n");
  Write("r.cmd", "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
  RunResult clamped = Run({"r.cmd"});
  EXPECT_EQ(clamped.exitCode, 0);
  EXPECT_EQ(
      clamped.err,
      "Komunikace Tarvik: V souboru .ini je prilis velka hodnota timeoutu. Nastavuji 100 sec.\n");
}

TEST_F(Windowless, WithoutACommandFileTheWindowIsNotAvailable) {
  RunResult r = Run({});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("Komunikace Tarvik: "), std::string::npos);
  EXPECT_TRUE(Exists("glog1.cmx"));
}

TEST_F(Windowless, ExistingSampleFilesAreNotTouched) {
  Write("taxu.cmx", "mine");
  Run({});
  EXPECT_EQ(Read("taxu.cmx"), "mine");
  EXPECT_TRUE(Exists("taxd.cmx"));
}

}  // namespace
}  // namespace tarvik::testing
