// The built `tarvik` as a calling program or cron sees it fail: one line on
// stderr that says what to mend, with or without /h, while err, error.txt and
// the log keep their bytes. Number fields of data files take digits only (and
// the nibble characters a register's own files bring).
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/register_job_fixture.h"

namespace tarvik::testing {
namespace {

using Lines = std::vector<std::string>;

class FailureMessages : public RegisterJobTest {
 protected:
  // The program directory as the program names its files.
  std::string In(const std::string& name) const { return dir_.string() + "/" + name; }
  // Expects the failure's result files and its one stderr line.
  void ExpectFailure(const RunResult& r, const std::string& line) {
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Komunikace Tarvik: " + line + "\n");
    EXPECT_EQ(Read("err"), "1");
    EXPECT_EQ(Read("error.txt"), "9\r\n");
  }
};

TEST_F(FailureMessages, FileAndCommandFileFaultsNameTheFileAndTheLine) {
  WriteIni({});
  ExpectFailure(Run({"missing.cmd"}), "Chyba 30, 1, LastError 2. Chyba otevreni souboru - soubor " +
                                          In("missing.cmd") +
                                          " nelze otevřít (No such file or directory)");
  // The same single line with /h: the box's text is in it, once.
  ExpectFailure(Run({"/h", "missing.cmd"}),
                "Chyba 30, 1, LastError 2. Chyba otevreni souboru - soubor " + In("missing.cmd") +
                    " nelze otevřít (No such file or directory)");

  Write("job.cmd", "01,1,7,8,O,650,ERA\r\n\r\nX99;P\r\n");
  ExpectFailure(Run({"job.cmd"}),
                "Chyba 51, 47, LastError 0. Chyba obsahu prikazoveho souborku - "
                "příkazový soubor " +
                    In("job.cmd") + ", řádek 3: \"X99;P\"");
  Write("job.cmd", "01,1,7,8,O,650,E\r\nR03");
  ExpectFailure(Run({"job.cmd"}),
                "Chyba 50, 5, LastError 0. Chyba prikazoveho souborku - "
                "příkazový soubor " +
                    In("job.cmd") + " má 21 bajtů, nejméně 22");
  // The logs keep their specified lines.
  EXPECT_EQ(LogTails("error.log"),
            (Lines{"30,,;1,0001\r\n", "30,,;1,0001\r\n", "50,,;1,0005\r\n"}));
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"51,01,X99;1,0047\r\n"}));
}

TEST_F(FailureMessages, PortAndNetworkFaultsNameTheDeviceAndTheSystemsReason) {
  WriteIni({});
  ExpectFailure(Job("R10;A\r\n"), "Chyba 92, 1, LastError 2. Chyba otevreni COMu - COM1 " +
                                      In("no-port-1") +
                                      ": No such file or directory (zařízení neexistuje: "
                                      "zkontrolujte řádek comN= v tarvik.ini a připojení portu "
                                      "nebo USB adaptéru)");
  // Nobody listens on this loopback address.
  Write("net.cmd", "127.0.12.9,01,650,ERA\r\nR10;A\r\n");
  RunResult r = Run({"net.cmd"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(
      r.err.starts_with("Komunikace Tarvik: Chyba 103, 7, LastError 111. Sit - chyba "
                        "socketu - 127.0.12.9:14000: connect: Connection refused"))
      << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  // A register that does not answer: where it was sought.
  const std::string pty = register_.StartPty({"--silent"});
  WriteIni({{1, pty}});
  r = Job("R10;A\r\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Komunikace Tarvik: Chyba 38, 1, LastError 0. Pokladna se nehlasi - COM1 " +
                       pty + "\n");
  EXPECT_EQ(Read("err"), "2");
}

// Each kind of number field, built without a link (/k): the fault names the
// data file, its line and the field, and nothing of the line reaches work02.tmp.
TEST_F(FailureMessages, ANumberFieldWithALetterIsRefusedForEachFieldKind) {
  struct Case {
    const char* command;
    const char* file;
    std::string data;
    const char* line;  // the stderr line after the data file's path
  };
  const Case cases[] = {
      {"V10;D10", "D10.dat", "0005;1234\r\n0006;12A4\r\n",
       "Chyba 59, 40, LastError 0. Chyba obsahu datoveho souboru - datový soubor %s, řádek 2, "
       "pole 2, \"A\" není číslice, mezera ani znak : ; < = > ?"},
      {"V76;D76", "D76.dat", "1;2;000001;00000000000001;+12x4\r\n",
       "Chyba 59, 41, LastError 0. Chyba obsahu datoveho souboru - datový soubor %s, řádek 1, "
       "pole 5, \"x\" není číslice, mezera ani znak : ; < = > ?"},
      {"V65;D65", "D65.dat", "// sklad\r\n00000000000123;+00000A5\r\n",
       "Chyba 59, 42, LastError 0. Chyba obsahu datoveho souboru - datový soubor %s, řádek 2, "
       "pole 2, \"A\" není číslice, mezera ani znak : ; < = > ?"},
  };
  WriteIni({});
  for (const Case& c : cases) {
    Write(c.file, c.data);
    RunResult r = Job(std::string(c.command) + "\r\n", {"/k"});
    std::string line = c.line;
    line.replace(line.find("%s"), 2, In(c.file));
    ExpectFailure(r, line);
    EXPECT_EQ(Read("work02.tmp").size(), c.data.starts_with("0005") ? 8u : 0u) << c.command;
  }
  EXPECT_EQ(LogTails("ERA.log"),
            (Lines{"59,01,V10;1,0040\r\n", "59,01,V76;1,0041\r\n", "59,01,V65;1,0042\r\n"}));
}

// The register's own nibbles A to F come back as ":" to "?" and go back to it
// unchanged; a letter in their place never reaches the register.
TEST_F(FailureMessages, NibbleCharactersOfAReceivedFileGoBackUnchangedLettersNever) {
  const std::string plu =
      "00000000000001;\"ROHLIK            \";0000:<=>;00000000;01;00;00;00;00;00;00;00;00;00\r\n"
      "00000000000002;\"CHLEBA            \";00003490;>?000000;01;00;00;00;00;00;00;00;00;00\r\n";
  register_.SetFile("03.dat", plu);
  WriteIni({{1, register_.StartPty()}});
  RunResult r = Job("R03;P_PLU\r\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("P_PLU.dat"), plu);
  r = Job("W03;P_PLU\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(register_.File("03.dat"), plu);

  std::string edited = plu;
  edited.replace(edited.find("0000:<=>"), 8, "0000ABCD");
  Write("P_PLU.dat", edited);
  r = Job("W03;P_PLU\r\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err,
            "Komunikace Tarvik: Chyba 59, 40, LastError 0. Chyba obsahu datoveho souboru "
            "- datový soubor " +
                In("P_PLU.dat") +
                ", řádek 1, pole 3, \"A\" není číslice, mezera ani znak : ; < = > ?\n");
  EXPECT_EQ(register_.File("03.dat"), plu);
}

}  // namespace
}  // namespace tarvik::testing
