// The electronic journal end to end: R87 reads file 87 from the register
// emulator and appends a signed section to the journal; S87 verifies it.
#include <gtest/gtest.h>

#include <regex>

#include "e2e/register_job_fixture.h"
#include "frame/codepage.h"
#include "frame/program.h"
#include "journal/journal_verify.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace tarvik::testing {
namespace {

using Lines = std::vector<std::string>;

// What the register holds: a department sale of 12.50 with tax A, the
// total, and a warm reset on 05.12.26 at 14:30 (shorter records go out
// filled with zero bytes).
const char kJournalRecords[] =
    "# department sale: amount at 3, department 01 at 10, tax 1 at 11\n"
    "00 01 01 00 00 00 00 00 12 50 01 01 00 00 00 00 00 00 00 00 00 00 00 00\n"
    "00022000000000001250   # total\n"
    "00 03 4B 00 00 00 00 00 00 00 00 00 00 26 12 05 00 14 30\n";

std::string Line50(const std::string& utf8) {
  std::string line = frame::W(utf8);
  line.resize(50, ' ');
  return line + "\r\n";
}

// The rendered lines of one section of kJournalRecords (with P_DPT.DAT).
const std::string kSectionLines =
    Line50("   Potraviny         " + std::string(11, ' ') + "           12.50 A") +
    Line50("CELKEM" + std::string(26, ' ') + "           12.50") +
    Line50("WARM RESET" + std::string(24, ' ') + "05.12.26 14:30");

const char kVerdictIntact[] = "Komunikace Tarvik: Soubor žurnálu je v pořádku.\n";
const char kVerdictDamaged[] = "Komunikace Tarvik: Soubor žurnálu je porušen.\n";

class JournalEndToEnd : public RegisterJobTest {
 protected:
  JournalEndToEnd() {
    register_.SetFile("87.txt", kJournalRecords);
    Write("P_DPT.DAT", frame::W("0001;\"Potraviny         \";0000;0000;1;0;0;0\r\n"));
  }

  // The number of damaged sections, counted by the verifier itself.
  int DamagedSections(const std::string& name) {
    TestProcess process;
    RecordingConsole console;
    RecordingFrontEnd frontEnd;
    frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                           process, console, frontEnd});
    return journal::VerifyJournal(program, (dir_ / name).string(), true);
  }
};

// A section as appended: an empty line, the header with the local date and
// time, an empty line, the lines, and the signature of the lines.
const std::regex kSection(
    "\r\n\\*P\xF8id\xE1no \\d\\d\\.\\d\\d\\.\\d{4}, \\d\\d:\\d\\d\r\n\r\n"
    "([^*]*)\\*Signature:\r\n[0-9a-f]{40}\r\n");

// Read and verify in one command file: the last command used no link, so no
// success message follows the verdict.
TEST_F(JournalEndToEnd, ReadAppendsASignedSectionThatVerifies) {
  WriteIni({{1, register_.StartPty()}});
  Write("ZURNAL.txt", "");
  RunResult r = Job("R87;ZURNAL\r\nS87;ZURNAL\r\n", {"/h"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, kVerdictIntact);
  std::string journal = Read("ZURNAL.txt");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(journal, match, kSection)) << frame::Cp1250ToUtf8(journal);
  EXPECT_EQ(match[1].str(), kSectionLines);
  EXPECT_FALSE(Exists("work01.tmp"));
  EXPECT_EQ(Read("CS_PLU.DAT"), "");  // no PLU sales
  Lines transcript = register_.Transcript();
  ASSERT_GE(transcript.size(), 3u);
  EXPECT_EQ(transcript[0], "> " + FrameHex("D9 01 87"));
  EXPECT_EQ(transcript[2], "< " + FrameHex("00 01 01 00 00 00 00 00 12 50 01 01 "
                                           "00 00 00 00 00 00 00 00 00 00 00 00"));
  EXPECT_EQ(DamagedSections("ZURNAL.txt"), 0);
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,R87;1,0000\r\n", "00,01,S87;1,0000\r\n"}));
  EXPECT_EQ(Read("err"), "0");
  EXPECT_EQ(Read("error.txt"), "151\r\n");

  // The verification needs no register: the port is never opened.
  WriteIni({});
  RunResult verify = Job("S87;ZURNAL\r\n", {"/h"});
  EXPECT_EQ(verify.exitCode, 0) << verify.err;
  EXPECT_EQ(verify.err, kVerdictIntact);
}

TEST_F(JournalEndToEnd, OneChangedCharacterDamagesItsSectionOnly) {
  WriteIni({{1, register_.StartPty()}});
  ASSERT_EQ(Job("R87;ZURNAL\r\n").exitCode, 0);
  std::string first = Read("ZURNAL.txt");
  ASSERT_EQ(Job("R87;ZURNAL\r\n").exitCode, 0);
  std::string journal = Read("ZURNAL.txt");
  ASSERT_EQ(journal.size(), 2 * first.size());
  EXPECT_EQ(DamagedSections("ZURNAL.txt"), 0);

  // 12.50 becomes 13.50 in the total of the second section.
  std::size_t total = journal.find("12.50", journal.find("CELKEM", first.size()));
  ASSERT_NE(total, std::string::npos);
  journal[total + 1] = '3';
  Write("ZURNAL.txt", journal);
  EXPECT_EQ(DamagedSections("ZURNAL.txt"), 1);
  RunResult verify = Job("S87;ZURNAL\r\n", {"/h"});
  EXPECT_EQ(verify.exitCode, 0) << verify.err;
  EXPECT_EQ(verify.err, kVerdictDamaged);

  // A journal that does not exist cannot be verified: 30/1.
  EXPECT_EQ(Job("S87;MISSING\r\n").exitCode, 1);
  EXPECT_EQ(Read("err"), "1");
  EXPECT_EQ(LogTails("ERA.log"), (Lines{"00,01,R87;1,0000\r\n", "00,01,R87;1,0000\r\n",
                                        "00,01,S87;1,0000\r\n", "30,01,S87;1,0001\r\n"}));
}

// A journal the emulator cannot serve as given stops it before it serves
// anything, naming the file and the fault.
TEST_F(JournalEndToEnd, EmulatorRefusesAJournalItCannotServeAsGiven) {
  const std::string journal = (register_.dataDirectory() / "87.txt").string();
  for (const auto& [records, fault] :
       {std::pair<std::string, std::string>{"00 01 01\n00 01 0G\n",
                                            "line 2: 'G' is not a hexadecimal digit"},
        {"00 01 01\n" + std::string(50, '0') + "\n", "record 2 is longer than 24 bytes"}}) {
    register_.SetFile("87.txt", records);
    RunResult r = RunProcess(RegisterProgram(), RegisterProgram(),
                             {"--data", register_.dataDirectory().string()}, dir_);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tarvik-register: " + journal + ": " + fault + "\n");
  }
}

}  // namespace
}  // namespace tarvik::testing
