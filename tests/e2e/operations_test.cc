// The operations beyond plain transfers, run whole against the register
// emulator: the clock (/t), the VAT reload, the account download (U), the
// stock sum (S65), discovery (/find, /najdi) with the rewriting of the
// command files, and the PLU file operations (SE3, S74, S03).
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/register_job_fixture.h"
#include "frame/program.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "job/job_runner.h"
#include "job/sample_files.h"
#include "job/special_jobs.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace tarvik::testing {
namespace {

using Lines = std::vector<std::string>;

// The lines the clock setting writes for this local time.
std::string ClockLines(const platform::LocalTime& t) {
  return frame::Format("0001;%02d%02d%02d\r\n0002;%02d%02d00\r\n", t.year % 100, t.month, t.day,
                       t.hour, t.minute);
}

// How often the utility sent the frame with this body ("D0 01 67").
std::size_t Sent(const Lines& transcript, const std::string& bodyHex) {
  return static_cast<std::size_t>(
      std::count(transcript.begin(), transcript.end(), "> " + FrameHex(bodyHex)));
}

// --- Clock --------------------------------------------------------------------

class Operations : public RegisterJobTest {
 protected:
  // Runs /t and expects file 14 to hold the local date and time of the run
  // (seconds always 00) before the third record, as the register gave it.
  void ExpectClockSet(const std::string& thirdRecord) {
    platform::LocalTime before = platform::SystemClock().LocalNow();
    RunResult r = Run({"/t"});
    platform::LocalTime after = platform::SystemClock().LocalNow();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Komunikace Tarvik: Čas je v pokladně.\n");
    register_.Stop();
    std::string file14 = register_.File("14.dat");
    EXPECT_TRUE(file14 == ClockLines(before) + thirdRecord ||
                file14 == ClockLines(after) + thirdRecord)
        << file14 << " expected " << ClockLines(before);
    EXPECT_EQ(Read("X_REG.dat"), file14);
  }
};

TEST_F(Operations, SetClockSwitchPutsTheLocalDateAndTimeIntoFile14) {
  register_.SetFile("14.dat", "0001;090305\r\n0002;140700\r\n0003;123456\r\n");
  WriteIni({{1, register_.StartPty()}});
  ExpectClockSet("0003;123456\r\n");
  Lines transcript = register_.Transcript();
  EXPECT_EQ(Sent(transcript, "D9 01 14"), 1u);
  EXPECT_EQ(Sent(transcript, "D0 01 14"), 1u);
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,R14;1,0000\r\n", "00,01,V14;1,0000\r\n"}));
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(Read("error.txt"), "151\r\n");
}

// --- VAT ------------------------------------------------------------------------

// Taxes with the rates 14 and 15 where the rewrite finds them (characters 6
// and 7), and a 15 elsewhere in a line that must stay.
const char kTaxesBefore[] =
    "0001;2100;00\r\n0002;1500;00\r\n0003;1400;00\r\n0004;1000;00\r\n"
    "0005;0015;00\r\n0006;0000;00\r\n0007;0000;00\r\n0008;1400;01\r\n";
const char kTaxesAfter[] =
    "0001;2100;00\r\n0002;2100;00\r\n0003;2000;00\r\n0004;1000;00\r\n"
    "0005;0015;00\r\n0006;0000;00\r\n0007;0000;00\r\n0008;2000;01\r\n";

// The VAT reload has no switch: it runs in this process, as the window runs
// it, over a real program directory and the real platform.
TEST_F(Operations, VatReloadFindsTheRegisterRewritesTheRatesAndSendsThemBack) {
  register_.SetFile("30.dat", kTaxesBefore);
  // Terminal 0: only command files rewritten by the discovery reach it.
  WriteIni({{1, register_.StartPty({"--terminal", "0"})}});
  TestProcess process;
  RecordingConsole console;
  RecordingFrontEnd frontEnd;
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         process, console, frontEnd});
  program.paths.programDirectory = dir_.string() + "/";
  program.paths.hasProgramDirectory = true;
  frame::InitSettings(program);
  job::WriteSampleCommandFiles(program);
  {
    link::RegisterLink link(program);
    job::JobRunner runner(program, link);
    job::LoadVatRates(program, runner, 14, 15, 20, 21);
  }
  Lines transcript = register_.Transcript();

  EXPECT_EQ(register_.File("30.dat"), kTaxesAfter);
  EXPECT_EQ(Read("P_TAX.dat"), kTaxesAfter);
  EXPECT_EQ(Read("P_TAX2.DAT"), kTaxesAfter);
  EXPECT_EQ(Sent(transcript, "D9 00 30"), 2u);  // the terminal probe and the read
  EXPECT_EQ(Sent(transcript, "D0 00 30"), 1u);
  // Discovery pointed the built-in command files at the register first.
  EXPECT_EQ(Read("find"), "ANO 1,38400,000000\r\n");
  EXPECT_EQ(Read("taxu.cmx"), "00,1,7,8,O,650 ,ERA\r\nR30;P_TAX\r\n");
  EXPECT_EQ(Read("taxd.cmx"), "00,1,7,8,O,650 ,ERA\r\nV30;P_TAX\r\n");
  EXPECT_EQ(Read("tf"), "0");
  EXPECT_EQ(Read("tk"), "0");
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,00,R30;1,0000\r\n", "00,00,V30;1,0000\r\n"}));
  std::vector<RecordedMessage> messages = frontEnd.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "V pokladně je nastaveno DPH 15% a 21%.");
  EXPECT_EQ(messages[0].style, screen::kStyleExclamation);
  EXPECT_EQ(program.settings.priponaCmd, "cmd");
  EXPECT_EQ(program.settings.searchOnly, 0);
}

// --- Accounts ----------------------------------------------------------------------

class Accounts : public Operations {
 protected:
  Accounts() {
    register_.SetFile("89.dat", "0003;0002;000000004500\r\n0007;0001;000000001000\r\n");
    // Account 3: a department item (type D0) and a PLU item; account 7: one PLU item.
    register_.SetFile("91-3.dat",
                      "00000123;07;=0;00000000000000000000004500\r\n"
                      "00000002;00;01;00000000001234000000000250\r\n");
    register_.SetFile("91-7.dat", "00000009;00;01;00000000000005000000000100\r\n");
    WriteIni({{1, register_.StartPty()}});
  }
};

TEST_F(Accounts, AllAccountsGetTheirHeaderAndItemLines) {
  RunResult r = Job("U00;ACC\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("ACC.dat"),
            "T;0003;0002;0000004500\r\n"
            "D;00000123;D;07;00004500\r\n"
            "D;00000002;P;00000000001234;00000250\r\n"
            "T;0007;0001;0000001000\r\n"
            "D;00000009;P;00000000000005;00000100\r\n");
  EXPECT_EQ(Read("ucty.dat"), "0003;0002;000000004500\r\n0007;0001;000000001000\r\n");
  EXPECT_EQ(Read("ucet.dat"), "0001;000000007\r\n");
  EXPECT_FALSE(Exists("work01.tmp"));
  Lines transcript = register_.Transcript();
  EXPECT_EQ(Sent(transcript, "D9 01 89"), 1u);
  EXPECT_EQ(Sent(transcript, "D0 01 67"), 2u);
  EXPECT_EQ(Sent(transcript, "D9 01 91"), 2u);
  // The selections the register received, account 3 and then 7.
  EXPECT_EQ(Sent(transcript, "01 00 00 00 00 00 00 00 00 00 03"), 1u);
  EXPECT_EQ(register_.File("67.dat"), "0001;000000000000000007\r\n");
  EXPECT_EQ(LogTails("ERA.log"), Lines{"00,01,U00;1,0000\r\n"});
  EXPECT_EQ(Read("err"), "0");
}

TEST_F(Accounts, OneAccountAndAnAccountNotInTheList) {
  RunResult r = Job("U07;ACC\r\nU09;NONE\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("ACC.dat"), "T;0007;0001;0000001000\r\nD;00000009;P;00000000000005;00000100\r\n");
  EXPECT_FALSE(Exists("NONE.dat"));
  Lines transcript = register_.Transcript();
  EXPECT_EQ(Sent(transcript, "D9 01 89"), 2u);
  // Only account 7 was selected and read.
  EXPECT_EQ(Sent(transcript, "D0 01 67"), 1u);
  EXPECT_EQ(Sent(transcript, "D9 01 91"), 1u);
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,U07;1,0000\r\n", "00,01,U09;1,0000\r\n"}));
  EXPECT_EQ(Read("err"), "0");
}

// --- Stock ----------------------------------------------------------------------

const char kRegisterStock[] =
    "00000000000123;+0000045\r\n00000000000456;-0000005\r\n00000000000789;+0000007\r\n";

class Stock : public Operations {
 protected:
  Stock() {
    register_.SetFile("65.dat", kRegisterStock);
    WriteIni({{1, register_.StartPty()}});
  }
};

TEST_F(Stock, SumAddsTheRegistersQuantitiesAndSendsTheSum) {
  Write("STOCK.dat", "456;+0000010\r\n123;+0000001\r\n");
  RunResult r = Job("S65;STOCK\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("X_SKL.dat"), kRegisterStock);
  EXPECT_EQ(Read("STOCK.dat"), "00000000000456;+0000005\r\n00000000000123;+0000046\r\n");
  Lines transcript = register_.Transcript();
  EXPECT_EQ(Sent(transcript, "D9 01 65"), 1u);
  EXPECT_EQ(Sent(transcript, "D0 01 65"), 1u);
  // The register holds the sums; the item not in the data file is unchanged.
  EXPECT_EQ(register_.File("65.dat"),
            "00000000000123;+0000046\r\n00000000000456;+0000005\r\n00000000000789;+0000007\r\n");
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,R65;1,0000\r\n", "00,01,S65;1,0000\r\n"}));
  EXPECT_EQ(Read("err"), "0");
}

TEST_F(Stock, KeyTheRegisterDoesNotHoldEndsWith67_1) {
  Write("STOCK.dat", "123;+0000001\r\n999;+0000002\r\n");
  RunResult r = Job("S65;STOCK\r\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(Read("error.txt"), "9\r\n");
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,R65;1,0000\r\n", "67,01,S65;1,0001\r\n"}));
  // Nothing was summed or sent.
  EXPECT_EQ(Read("STOCK.dat"), "123;+0000001\r\n999;+0000002\r\n");
  EXPECT_EQ(Sent(register_.Transcript(), "D0 01 65"), 0u);
  EXPECT_EQ(register_.File("65.dat"), kRegisterStock);
}

// The account download and the stock sum over TCP/IP (the register's stock
// is read there as well, never skipped), then the clock set with the
// built-in network command files that start-up wrote, as the marker of that
// last job says, once their address points at the register (as the IP
// dialog leaves it).
TEST_F(Operations, AccountStockAndClockOverTcp) {
  register_.SetFile("89.dat", "0003;0002;000000004500\r\n");
  register_.SetFile("91-3.dat", "00000123;07;=0;00000000000000000000004500\r\n");
  register_.SetFile("65.dat", kRegisterStock);
  register_.SetFile("14.dat", "0001;090305\r\n0002;140700\r\n0003;000001\r\n");
  const std::string address = register_.StartTcp("127.0.6.1");
  WriteIni({});
  Write("STOCK.dat", "789;-0000010\r\n");
  Write("u.cmd", address + ",01,650 ,ERA\r\nU03;ACC\r\nS65;STOCK\r\n");
  RunResult r = Run({"u.cmd"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("ACC.dat"), "T;0003;0002;0000004500\r\nD;00000123;D;07;00004500\r\n");
  EXPECT_EQ(Read("STOCK.dat"), "00000000000789;-0000003\r\n");
  EXPECT_EQ(Read("tk"), "1");
  for (const auto& [name, command] : {std::pair{"isregu.cmx", "R14;X_REG"},
                                      {"isregd.cmx", "V14;X_REG"},
                                      {"taxui.cmx", "R30;P_TAX"},
                                      {"taxdi.cmx", "V30;P_TAX"}}) {
    std::string content = Read(name);
    EXPECT_EQ(content, std::string("192.168.0.160,01,650 , ERA\r\n") + command + "\r\n");
    content.replace(0, 13, address);
    Write(name, content);
  }
  ExpectClockSet("0003;000001\r\n");
  EXPECT_EQ(register_.File("65.dat"),
            "00000000000123;+0000045\r\n00000000000456;-0000005\r\n00000000000789;-0000003\r\n");
  auto log = [&](std::vector<const char*> commands) {
    Lines lines;
    for (const char* command : commands)
      lines.push_back("00," + address + "," + command + ";0000\r\n");
    return lines;
  };
  EXPECT_EQ(LogTails("ERA.log"), log({"U03", "R65", "S65"}));
  // The built-in files name their log " ERA", as iglog1.cmx does.
  EXPECT_EQ(LogTails(" ERA.log"), log({"R14", "V14"}));
}

// --- Discovery --------------------------------------------------------------------

const char kSerialCmd[] = "05,1,7,7,E,359 ,MYLOG\r\nR03;P_PLU\r\n";
const char kIpCmd[] = "192.168.1.20,02,650 ,NETLOG\r\nR03;P_PLU\r\n";

TEST_F(Operations, FindOnCom3At9600WritesTheFindFileAndRewritesTheCommandFiles) {
  // COM1 opens but nothing answers there; COM3 answers at 9600 Bd only.
  EmulatedRegister silent(dir_ / "silent");
  WriteIni({{1, silent.StartPty({"--silent"})}, {3, register_.StartPty({"--speed", "9600"})}});
  Write("a.cmd", kSerialCmd);
  Write("b.cmd", kIpCmd);
  RunResult r = Run({"/find"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Read("find"), "ANO 3,9600,000001\r\n");
  // Mode 1: port, speed code, terminal and model are the found ones; the
  // data bits, parity and log name of each file stay. TCP/IP files are skipped.
  EXPECT_EQ(Read("a.cmd"), "01,3,5,7,E,650 ,MYLOG\r\nR03;P_PLU\r\n");
  EXPECT_EQ(Read("b.cmd"), kIpCmd);
  EXPECT_EQ(Read("sregu.cmx"), "01,3,5,8,O,650 ,ERA\r\nR14;X_REG\r\n");
  EXPECT_EQ(Read("iglog1.cmx"), "192.168.0.160,01,650 , ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(Read("tf"), "0");
  EXPECT_EQ(Read("tk"), "0");
  // COM1 was tried at all four speeds before COM3.
  EXPECT_EQ(silent.Transcript(), Lines(4, "> " + FrameHex("E9 00 01")));
  Lines transcript = register_.Transcript();
  EXPECT_EQ(Sent(transcript, "E9 00 01"), 1u);  // heard at 9600 only
  // Terminal 0 got no answer, terminal 1 did; the tax file was drained.
  EXPECT_EQ(Sent(transcript, "D9 00 30"), 1u);
  EXPECT_EQ(Sent(transcript, "D9 01 30"), 1u);
  ASSERT_FALSE(transcript.empty());
  EXPECT_EQ(transcript.back(), "< FF FF 00 02");
}

TEST_F(Operations, FindWithAFiscalRegisterStoresItsModelAndTheFiscalFlag) {
  WriteIni({{1, register_.StartPty({"--identify", "12,0x35", "--fiscal", "--terminal", "0"})}});
  RunResult r = Run({"/find"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // No command file: the rewrite of the *.cmd files ends silently.
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Read("find"), "ANO 1,38400,000000\r\n");
  EXPECT_EQ(Read("tf"), "1");
  EXPECT_EQ(Read("sregu.cmx"), "00,1,7,8,O,360 ,ERA\r\nR14;X_REG\r\n");
  EXPECT_EQ(Sent(register_.Transcript(), "D7 00 30"), 1u);
}

// A connection line that the rewrite cannot keep the settings of ends the
// search with its error, and the command file stays under its own name.
TEST_F(Operations, FindKeepsACommandFileWhoseLineCannotBeRewritten) {
  WriteIni({{1, register_.StartPty({"--terminal", "0"})}});
  Write("a.cmd", "01,12,7,8,O,650,ERA\r\nR03;P\r\n");
  Write("b.cmd", kSerialCmd);
  RunResult r = Run({"/h", "/find"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err,
            "Komunikace Tarvik: Chyba 51, 6, LastError 0. Chyba obsahu prikazoveho souborku\n");
  EXPECT_EQ(Read("a.cmd"), "01,12,7,8,O,650,ERA\r\nR03;P\r\n");
  EXPECT_EQ(Read("b.cmd"), kSerialCmd);  // after the failing file: untouched
  EXPECT_FALSE(Exists("cmd.bak"));
  EXPECT_EQ(Read("find"), "ANO 1,38400,000000\r\n");
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(LogTails("error.log"), Lines{"51,,;1,0006\r\n"});
}

// Without a register /find writes NE; /najdi asks before the rewrite, and
// the children run without a display, so the window cannot open and the
// answer is No.
TEST_F(Operations, FindWithoutARegisterWritesNeAndNajdiWithoutADisplayRewritesNothing) {
  WriteIni({});
  Write("a.cmd", kSerialCmd);
  Write("find", "ANO 1,38400,000001\r\n");  // from an earlier search
  RunResult r = Run({"/find"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Read("find"), "NE\r\n");
  EXPECT_EQ(Read("a.cmd"), kSerialCmd);
  EXPECT_EQ(Read("sregu.cmx"), "01,1,7,8,O,650,ERA\r\nR14;X_REG\r\n");
  EXPECT_FALSE(Exists("tf"));

  WriteIni({{1, register_.StartPty({"--terminal", "0"})}});
  r = Run({"/najdi"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err,
            "Komunikace Tarvik: Mám nalezené hodnoty zapsat do prikazovych souborů?\n"
            "Komunikace Tarvik: bez okna odpovídám Ne.\n");
  EXPECT_EQ(Read("a.cmd"), kSerialCmd);
  EXPECT_EQ(Read("sregu.cmx"), "01,1,7,8,O,650,ERA\r\nR14;X_REG\r\n");
  EXPECT_EQ(Read("tk"), "0");
  EXPECT_FALSE(Exists("find"));
}

// --- PLU file operations ------------------------------------------------------------

class PluFiles : public Operations {
 protected:
  PluFiles() { WriteIni({}); }
};

TEST_F(PluFiles, SortKeepsTheFirstOfEachPluAndDropsFourteenNines) {
  const std::string plu =
      "00000000000005;\"A\"\r\n3;\"B\"\r\n00000000000005;\"C\"\r\n99999999999999;\"D\"\r\n";
  Write("PLU.dat", plu);
  RunResult r = Job("SE3;PLU\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("PLU.dat"), "00000000000003;\"B\"\r\n00000000000005;\"A\"\r\n");
  EXPECT_EQ(Read("P_PLU.BAK"), plu);
  // One message per dropped record, in any order.
  const std::string five = "Komunikace Tarvik: V souboru jsou stejná PLU: 00000000000005 \n";
  const std::string nines = "Komunikace Tarvik: V souboru jsou stejná PLU: 99999999999999 \n";
  EXPECT_TRUE(r.err == five + nines || r.err == nines + five) << r.err;
  EXPECT_EQ(LogTails("ERA.log"), Lines{"00,01,SE3;1,0000\r\n"});
  EXPECT_EQ(Read("err"), "0");
}

const char kPluFile[] =
    "00000000001234;\"ROHLIK            \";00000250;00000000;00;00;00;00;00;00;00;00;00;00\r\n"
    "00000000000013;\"CHLEBA            \";00003900;00000000;00;00;00;00;00;00;00;00;00;00\r\n";
const char kSalesFile[] =
    "+00000000000005;000000000000001234;+00000000001250;000000000000000000;+00000000000000\r\n"
    "+00000000000002;000000000000009999;+00000000000300;000000000000000000;+00000000000000\r\n";

TEST_F(PluFiles, NamesGoIntoTheSalesFileAndSalesIntoThePluFile) {
  Write("P_PLU.DAT", kPluFile);
  Write("S_PLU.DAT", kSalesFile);
  RunResult r = Job("S74;S_PLUX\r\nS03;S_PLUB\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Read("S_PLUX.dat"),
            "+00000000000005;000000000000001234;ROHLIK            ;+00000000001250;"
            "000000000000000000;+00000000000000\r\n"
            "+00000000000002;000000000000009999;" +
                std::string(18, ' ') + ";+00000000000300;000000000000000000;+00000000000000\r\n");
  EXPECT_EQ(Read("S_PLUB.dat"),
            "00000000001234;\"ROHLIK            \";00000250;00000000;+00000000001250;"
            "+00000000000005\r\n"
            "00000000000013;\"CHLEBA            \";00003900;00000000;+00000000000000;"
            "+00000000000000\r\n");
  EXPECT_EQ(Read("P_PLU.DAT"), kPluFile);
  EXPECT_EQ(Read("S_PLU.DAT"), kSalesFile);
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,S74;1,0000\r\n", "00,01,S03;1,0000\r\n"}));
  EXPECT_EQ(Read("err"), "0");
}

}  // namespace
}  // namespace tarvik::testing
