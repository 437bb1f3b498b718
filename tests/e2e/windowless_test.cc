// The built `tarvik` run as calling programs run it, in a fresh program
// directory, with the link replaced by its simulation and no-link paths.
#include <gtest/gtest.h>

#include <regex>

#include "e2e/register_job_fixture.h"

namespace tarvik::testing {
namespace {

using Windowless = ProgramDirectoryTest;
using Lines = std::vector<std::string>;

TEST_F(Windowless, SimulatedReadCopiesTheSimulationFile) {
  Write("tarvik.ini", "simulace=1\r\nzpozdeni=0\r\n");
  Write("P_PLU.DAS", "00000000000001;\"ROHLIK\"\r\n");
  RunResult r = Job("R03;P_PLU\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");  // stdout is no terminal: nothing printed
  EXPECT_EQ(Read("P_PLU.dat"), "00000000000001;\"ROHLIK\"\r\n");
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(Read("error.txt"), "151\r\n");
  std::string log = Read("ERA.log");
  EXPECT_TRUE(
      std::regex_match(log, std::regex(R"(\d\d-\d\d-\d{4},\d\d:\d\d,00,01,R03;1,0000\r\n)")))
      << log;
  EXPECT_EQ(Read("sregu.cmx"), "01,1,7,8,O,650,ERA\r\nR14;X_REG\r\n");
}

// With a display the boxes would appear as boxes; a silent job and a silent
// failure still end on their own, with the same results as without one
// (whose failure line the failure messages' tests check).
TEST_F(Windowless, NoLinkWriteBuildsTheWorkFileWithAndWithoutADesktop) {
  Write("D10.dat", "0005;1234\r\n");
  RunResult ok = Job("V10;D10\r\n", {"/k", "/h"});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.err, "Komunikace Tarvik: Komunikace uspesne ukoncena.\n");
  EXPECT_EQ(ToHex(Read("work02.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_EQ(Read("err"), "0");

  const Environment desktop{{"QT_QPA_PLATFORM", "offscreen"}};
  std::filesystem::remove(dir_ / "work02.tmp");
  ok = Run({"/k", "/progress", "job.cmd"}, desktop);
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_FALSE(ok.timedOut);
  EXPECT_EQ(ToHex(Read("work02.tmp")), "05 00 00 00 12 00 34 FF");
  EXPECT_EQ(Read("err"), "0");
  RunResult bad = Run({"missing.cmd"}, desktop);
  EXPECT_EQ(bad.exitCode, 1) << bad.err;
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(LogTails("error.log"), Lines{"30,,;1,0001\r\n"});
}

#if TARVIK_WINDOW_MODULE
// The window lives in a module beside the program file, loaded only to show
// something: a job that shows nothing runs without it, and a run that would
// show a box or the window says which file is missing.
TEST_F(Windowless, WithoutTheWindowModuleJobsStillRunAndTheWindowNamesTheMissingFile) {
  std::filesystem::remove(dir_ / "tarvik");
  std::filesystem::copy_file(BuiltProgram("TARVIK_BIN"), dir_ / "tarvik");
  const std::string module = (dir_ / "tarvik-window.so").string();
  Write("D10.dat", "0005;1234\r\n");
  RunResult quiet = Job("V10;D10\r\n", {"/k"});
  EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(Read("err"), "0");

  const Environment desktop{{"QT_QPA_PLATFORM", "offscreen"}};
  RunResult boxes = Run({"/k", "/h", "job.cmd"}, desktop);
  EXPECT_EQ(boxes.exitCode, 0);
  EXPECT_EQ(boxes.err.rfind("Komunikace Tarvik: okna hlášení nelze ukázat (" + module, 0), 0u)
      << boxes.err;
  EXPECT_NE(boxes.err.find("\nKomunikace Tarvik: Komunikace uspesne ukoncena.\n"),
            std::string::npos)
      << boxes.err;
  EXPECT_EQ(Read("err"), "0");

  RunResult window = Run({}, desktop);
  EXPECT_EQ(window.exitCode, 1);
  EXPECT_EQ(window.err.rfind("Komunikace Tarvik: hlavní okno nelze otevřít: " + module, 0), 0u)
      << window.err;
}
#endif

TEST_F(Windowless, CommandLineLimits) {
  std::string name(1023 - (dir_ / "tarvik").string().size() - 1, 'a');
  EXPECT_EQ(Run({name}).exitCode, 1);  // accepted, then no such command file
  RunResult tooLong = Run({name + "a"});
  EXPECT_EQ(tooLong.exitCode, 2);
  EXPECT_EQ(tooLong.err, "Komunikace Tarvik: Prilis dlouhy prikazovy radek.\n");
}

// A time-out beyond its range is clamped; the command file is taken by its
// bare name from the program directory, wherever the path points.
TEST_F(Windowless, IniFaultsAndACommandFileTakenByItsBareName) {
  Write("tarvik.ini", "timeout 20\r\n");
  EXPECT_EQ(Job("V10;D10\r\n").exitCode, 1);
  EXPECT_EQ(LogTails("error.log"), Lines{"29,,;1,0005\r\n"});
  Write("tarvik.ini", "timeout=500\r\nsimulace=1\r\n");
  Write("P.DAS", "x\r\n");
  Write("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;P\r\n");
  RunResult clamped = Run({"/elsewhere/In/JOB.CMD"});
  EXPECT_EQ(clamped.exitCode, 0);
  EXPECT_EQ(clamped.err,
            "Komunikace Tarvik: příkazové soubory se hledají v adresáři programu; použije se " +
                (dir_ / "job.cmd").string() +
                ", ne /elsewhere/In/JOB.CMD.\n"
                "Komunikace Tarvik: V souboru .ini je prilis velka hodnota timeoutu. Nastavuji "
                "100 sec.\n");
  EXPECT_EQ(Read("P.dat"), "x\r\n");
}

TEST_F(Windowless, AJobWritesTheMissingSampleFilesAndLeavesExistingOnes) {
  Write("taxu.cmx", "mine");
  RunResult r = Job("V10;D10\r\n", {"/k"});
  EXPECT_EQ(r.exitCode, 1);  // no D10.dat
  EXPECT_EQ(Read("glog1.cmx"), "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  EXPECT_TRUE(Exists("taxd.cmx"));
  EXPECT_EQ(Read("taxu.cmx"), "mine");  // an existing one is not touched
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp") &&
                 entry.path().filename().string().starts_with("cmx"))
        << entry.path();
  }
}

}  // namespace
}  // namespace tarvik::testing
