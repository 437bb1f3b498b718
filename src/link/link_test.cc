// The link against the register emulator, on a pty and over TCP, with the
// exact bytes the emulator saw on the wire.
#include "link/link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "frame/codepage.h"
#include "frame/program_file.h"
#include "frame/status.h"

#include "frame/errors.h"
#include "link/link_test_support.h"
#include "link/network_link.h"
#include "link/serial_line.h"
#include "platform/serial_port.h"
#include "support/test_support.h"

namespace tarvik::link {
namespace {

using testing::EmulatedRegister;
using testing::FrameHex;
using testing::ToHex;
using Lines = std::vector<std::string>;

// Runs the statement and fails the test with the pair of a failure.
#define ASSERT_NO_JOB_FAILURE(statement)                                          \
  do {                                                                            \
    try {                                                                         \
      statement;                                                                  \
    } catch (const ::tarvik::frame::JobFailure& failure_) {                       \
      FAIL() << "failure " << failure_.code() << "/" << failure_.subcode() << " " \
             << failure_.detail();                                                \
    }                                                                             \
  } while (0)

// File 10 (H2+N2): two records and their frames.
const char kFile10[] = "0005;1234\r\n0006;5678\r\n";
const char kRecord1Pairs[] = "05 00 00 00 12 00 34 FF";
const char kRecord2Pairs[] = "06 00 00 00 56 00 78 FF";
const char kFrame1[] = "05 00 12 34 23 92";
const char kFrame2[] = "06 00 56 78 28 04";

class LinkTest : public testing::ProgramFixture {
 protected:
  LinkTest() : register_(dir_) {
    frame::Program& p = *program_;
    p.settings.timeout = 1;
    p.settings.zpozdeni = 0;
    p.connection.terminalNumber = 1;
    p.connection.modelText = "650 ";
    p.connection.modelNumber = 9;
    p.connection.comNumber = 1;
    p.connection.baudRate = 38400;
    p.connection.parity = 1;
  }
  ~LinkTest() override {
    link_.reset();
    register_.Stop();
  }

  RegisterLink& Link() {
    if (!link_) link_ = std::make_unique<RegisterLink>(*program_);
    return *link_;
  }
  void StartSerial(const std::vector<std::string>& options = {}) {
    program_->connection.linkType = frame::LinkType::kSerial;
    program_->comDevice[1] = register_.StartPty(options);
  }
  // The connection line names the address alone (port 14000), or with
  // `withPort` the address and the port the emulator serves.
  void StartTcp(const std::string& address, const std::vector<std::string>& options = {},
                bool withPort = false) {
    program_->connection.linkType = frame::LinkType::kTcpIp;
    std::string served = register_.StartTcp(address, options);
    program_->connection.ipAddress = withPort ? served : served.substr(0, served.find(':'));
  }
  void Command(char letter, std::uint8_t file, const std::string& dataFile = {}) {
    program_->command.commandLetter = letter;
    program_->command.fileNumber = file;
    program_->command.DataFileName = dataFile;
  }
  std::string Work01() { return ToHex(ReadFile("work01.tmp")); }

  EmulatedRegister register_;
  std::unique_ptr<RegisterLink> link_;
};

// ---------------------------------------------------------------- serial

TEST_F(LinkTest, SerialReadStoresEveryFrameAsRecordPairs) {
  register_.SetFile("10.dat", kFile10);
  StartSerial();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(Work01(), std::string(kRecord1Pairs) + " " + kRecord2Pairs);
  Link().CloseSerialPort();
  EXPECT_EQ(
      register_.Transcript(),
      (Lines{"> D9 01 10 C8 4E", "< D9 00 D9 4E", std::string("< ") + kFrame1, "> D9 06 DF 42",
             std::string("< ") + kFrame2, "> D9 06 DF 42", "< FF FF 00 02"}));
  // The port was raised and dropped with the caret.
  EXPECT_EQ(frontEnd_.ActivityEvents(), (Lines{"caret-on", "caret-off"}));
}

TEST_F(LinkTest, SerialReadOfPluFileUsesTheKnownRequestBytes) {
  register_.SetFile("03.dat",
                    "00000000000012;\"ROHLIK\";00000250;00000000;00;00;00;00;00;00;"
                    "00;00;00;00\r\n");
  StartSerial();
  Command('R', 0x03);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "> D9 01 03 DB 48");
  EXPECT_EQ(lines[1], "< D9 00 D9 4E");
  EXPECT_EQ(lines[3], "> D9 06 DF 42");
  EXPECT_EQ(lines[4], "< FF FF 00 02");
  // The 45 body bytes of the frame, each followed by its marker.
  std::string frame = testing::FromHex(lines[2].substr(2));
  ASSERT_EQ(frame.size(), 47u);
  std::string pairs;
  for (std::size_t i = 0; i < 45; ++i) {
    pairs += frame[i];
    pairs += static_cast<char>(i == 44 ? 0xFF : 0x00);
  }
  EXPECT_EQ(ReadFile("work01.tmp"), pairs);
  EXPECT_EQ(frame.substr(0, 2), std::string("\x01\x00", 2));  // record number 1
}

TEST_F(LinkTest, EmptyRegisterFileGivesAnEmptyWorkFileAndNoAcknowledge) {
  StartSerial();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_TRUE(FileExists("work01.tmp"));
  EXPECT_EQ(ReadFile("work01.tmp"), "");
  EXPECT_EQ(register_.Transcript(), (Lines{"> D9 01 10 C8 4E", "< FF FF 00 02"}));
}

TEST_F(LinkTest, RejectedFrameIsStoredOnceAfterItsRepetition) {
  register_.SetFile("10.dat", kFile10);
  StartSerial({"--corrupt-frame", "2"});
  program_->settings.debug = 1;  // the error beep sounds with debug
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(Work01(), std::string(kRecord1Pairs) + " " + kRecord2Pairs);
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[4], "< 06 00 56 78 28 5E");  // the sum byte spoiled
  EXPECT_EQ(lines[5], "> D9 15 CC 46");
  EXPECT_EQ(lines[6], std::string("< ") + kFrame2);
  EXPECT_EQ(lines[7], "> D9 06 DF 42");
  EXPECT_EQ(lines[8], "< FF FF 00 02");
  EXPECT_EQ(frontEnd_.Beeps(), (std::vector<int>{-1, ui::kBeepError}));
}

TEST_F(LinkTest, ThreeBadRepetitionsEndWith40_1) {
  register_.SetFile("10.dat", kFile10);
  StartSerial({"--corrupt-frame", "1:4"});
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 40, 1);
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 9u);
  for (std::size_t i : {3u, 5u, 7u}) EXPECT_EQ(lines[i], "> D9 15 CC 46") << i;
  for (std::size_t i : {2u, 4u, 6u, 8u}) EXPECT_EQ(lines[i], "< 05 00 12 34 23 C8") << i;
  EXPECT_EQ(ReadFile("work01.tmp"), "");  // a bad frame never reaches the work file
}

TEST_F(LinkTest, SilentRegisterEndsWith38_1AfterThreeRequests) {
  StartSerial({"--silent"});
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 38, 1);
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", "> D9 01 10 C8 4E", "> D9 01 10 C8 4E"}));
}

TEST_F(LinkTest, WrongEchoIsNoReplyAndTheRequestIsRepeated) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartSerial({"--wrong-echo", "1"});
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(Work01(), kRecord1Pairs);
  Lines lines = register_.Transcript();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "> D9 01 10 C8 4E");
  EXPECT_EQ(lines[1], "< D8 00 D8 50");
  // The frame that followed the refused reply is drained before the next request.
  EXPECT_EQ(lines[2], std::string("< ") + kFrame1);
  EXPECT_EQ(lines[3], "> D9 01 10 C8 4E");
  EXPECT_EQ(lines[4], "< D9 00 D9 4E");
}

TEST_F(LinkTest, ReportWithKeyInRegIsRefusedWith4_1AfterTheEndMarker) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  StartSerial({"--key-reg"});
  Command('R', 0x72);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 4, 1);
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "> D9 01 72 AA 0A");
  EXPECT_EQ(lines[1], "< D9 10 C9 4E");
  EXPECT_EQ(lines[3], "> FF FF 00 02");
}

TEST_F(LinkTest, ReportWithKeyInRegIsReadWithStahujvzdy) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  StartSerial({"--key-reg"});
  program_->settings.stahujvzdy = 1;
  Command('R', 0x72);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_TRUE(Link().KeyInReg());
  EXPECT_EQ(ReadFile("work01.tmp").size(), 2u * 47u);
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3], "> D9 06 DF 42");
  EXPECT_EQ(lines[4], "< FF FF 00 02");
}

TEST_F(LinkTest, Model39TReportsRegWithStatus08) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  StartSerial({"--key-reg", "--model", "39T"});
  program_->connection.modelText = "39T ";
  program_->connection.modelNumber = 1;
  Command('R', 0x72);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 4, 1);
  Lines lines = register_.Transcript();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "< D9 08 D1 4E");
}

TEST_F(LinkTest, StatusOfAnotherModelIsNoRegKey) {
  // A 650 register answering 08 (what a 39T means by REG) is not in REG.
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  StartSerial({"--key-reg", "--model", "39T"});
  Command('R', 0x72);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_FALSE(Link().KeyInReg());
  EXPECT_EQ(Link().LastStatus(), 0x08);
}

TEST_F(LinkTest, FiscalRegisterGetsD7AndD3) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  WriteFile("D10.dat", "0007;0001\r\n");
  StartSerial({"--fiscal"});
  Link().SetRegisterIsFiscal(true);
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Command('V', 0x10, "D10.dat");
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D7 01 10 C6 52", "< D7 00 D7 52", std::string("< ") + kFrame1,
                   "> D7 06 D1 52", "< FF FF 00 02", "> D3 01 10 C2 5A", "< D3 00 D3 5A",
                   "> " + FrameHex("07 00 00 01"), "< D3 06 D5 52", "> FF FF 00 02"}));
}

TEST_F(LinkTest, OrdinaryRequestsGetNoAnswerFromAFiscalRegister) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartSerial({"--fiscal"});
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 38, 1);
}

TEST_F(LinkTest, WriteSendsEveryRecordThenTheEndMarker) {
  WriteFile("D10.dat", kFile10);
  StartSerial();
  Command('V', 0x10, "D10.dat");
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  EXPECT_FALSE(FileExists("work02.tmp"));  // removed without debug
  EXPECT_EQ(
      register_.Transcript(),
      (Lines{"> D0 01 10 C1 5E", "< D0 00 D0 60", std::string("> ") + kFrame1, "< D0 06 D6 54",
             std::string("> ") + kFrame2, "< D0 06 D6 54", "> FF FF 00 02"}));
  EXPECT_EQ(register_.File("10.dat"), kFile10);
}

TEST_F(LinkTest, WriteAfterClearReplacesTheWholeFile) {
  register_.SetFile("03.dat",
                    "00000000000001;\"A\";00000001;00000000;00;00;00;00;00;00;00;00;00;00\r\n"
                    "00000000000002;\"B\";00000002;00000000;00;00;00;00;00;00;00;00;00;00\r\n");
  const std::string line =
      "00000000000009;\"NOVY\";00000009;00000000;00;00;00;00;00;00;00;00;00;00";
  WriteFile("P_PLU.dat", line + "\r\n");
  StartSerial();
  Command('W', 0x61, "P_PLU.dat");  // W03 goes out as file 61
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "> D0 01 61 B0 1E");
  EXPECT_EQ(lines[4], "> FF FF 00 02");
  std::string stored = register_.File("03.dat");
  EXPECT_EQ(stored.find("\"A"), std::string::npos);
  EXPECT_NE(stored.find("00000000000009;\"NOVY"), std::string::npos);
  EXPECT_EQ(std::count(stored.begin(), stored.end(), '\n'), 1);
}

TEST_F(LinkTest, RejectedFrameIsSentAgainAndStoredOnce) {
  WriteFile("D10.dat", kFile10);
  StartSerial({"--reject-frame", "1"});
  Command('V', 0x10, "D10.dat");
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D0 01 10 C1 5E", "< D0 00 D0 60", std::string("> ") + kFrame1,
                   "< D0 15 C5 56", std::string("> ") + kFrame1, "< D0 06 D6 54",
                   std::string("> ") + kFrame2, "< D0 06 D6 54", "> FF FF 00 02"}));
  EXPECT_EQ(register_.File("10.dat"), kFile10);
}

TEST_F(LinkTest, ThreeFailedRepliesInOneFileEndWith42_2AfterTheNextResend) {
  WriteFile("D10.dat", kFile10);
  StartSerial({"--reject-frame", "1:3"});
  Command('V', 0x10, "D10.dat");
  EXPECT_JOB_FAILURE(Link().SendRegisterFile(), 42, 2);
  Lines sent;
  for (const std::string& l : register_.Transcript()) {
    if (l[0] == '>') sent.push_back(l);
  }
  // The request, the first send and three resends; no end marker.
  const std::string frame = std::string("> ") + kFrame1;
  EXPECT_EQ(sent, (Lines{"> D0 01 10 C1 5E", frame, frame, frame, frame}));
  EXPECT_TRUE(FileExists("work02.tmp"));
}

TEST_F(LinkTest, FrameRepliesThatNeverComeEndWith42_2EvenAt38400Bd) {
  // The frame-reply wait has a bound at every speed (19200 / 38400 gives none).
  WriteFile("D10.dat", kFile10);
  StartSerial({"--no-frame-replies"});
  Command('V', 0x10, "D10.dat");
  EXPECT_JOB_FAILURE(Link().SendRegisterFile(), 42, 2);
  const std::string frame = std::string("> ") + kFrame1;
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D0 01 10 C1 5E", "< D0 00 D0 60", frame, frame, frame, frame}));
}

TEST_F(LinkTest, ClearSendsAWriteRequestAndTakesTheEndMarker) {
  register_.SetFile("10.dat", kFile10);
  StartSerial({"--operations", "10"});
  Command('N', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ClearRegisterFile());
  EXPECT_EQ(register_.Transcript(), (Lines{"> D0 01 10 C1 5E", "< FF FF 00 02"}));
  EXPECT_EQ(register_.File("10.dat"), "");
}

TEST_F(LinkTest, ClearWithoutEndMarkerEndsWith38_3) {
  StartSerial();  // file 10 is no operation: the register accepts the write instead
  Command('N', 0x10);
  EXPECT_JOB_FAILURE(Link().ClearRegisterFile(), 38, 3);
  Lines lines = register_.Transcript();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "> D0 01 10 C1 5E");
  EXPECT_EQ(lines[1], "< D0 00 D0 60");
}

TEST_F(LinkTest, RawTextGoesUnchangedIntoTheDataFile) {
  StartSerial({"--raw-text", "RADEK 1\r\nRADEK \xFF\r\n"});
  Command('S', 0x59, "TEXT.dat");
  ASSERT_NO_JOB_FAILURE(Link().DownloadRawText());
  EXPECT_EQ(ReadFile("TEXT.dat"), "RADEK 1\r\nRADEK \xFF\r\n");
  EXPECT_FALSE(program_->terminal.Connected());  // the download closes the port
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "> D9 01 59 81 4C");
  EXPECT_EQ(lines[1].substr(0, 13), "< 59 59 59 59");
}

TEST_F(LinkTest, RawTextWithoutItsFourYEndsWith8_1) {
  StartSerial();  // no raw text: the register answers file 59 with the end marker
  Command('S', 0x59, "TEXT.dat");
  EXPECT_JOB_FAILURE(Link().DownloadRawText(), 8, 1);
}

TEST_F(LinkTest, RawCaptureHoldsEveryByteInLineOrder) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartSerial();
  frame::ProgramFile capture = frame::ProgramFile::Open(*program_, "rsdata", 'w');
  Link().SetRawCapture(&capture);
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().SetRawCapture(nullptr);
  capture.Close();
  EXPECT_EQ(ToHex(ReadFile("rsdata")),
            std::string("D9 01 10 C8 4E D9 00 D9 4E ") + kFrame1 + " D9 06 DF 42 FF FF 00 02");
}

TEST_F(LinkTest, ActivityBeepsAndBlinksOnEveryEighthFrame) {
  std::string lines;
  for (int i = 1; i <= 9; ++i) lines += frame::Format("%04d;0000\r\n", i);
  register_.SetFile("10.dat", lines);
  StartSerial();
  program_->settings.progress = 1;
  program_->settings.zvuk = 48;
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(frontEnd_.Beeps(), (std::vector<int>{48, 48}));  // frames 1 and 9
  EXPECT_EQ(frontEnd_.ActivityEvents(),
            (Lines{"caret-on", "show", "icon1", "icon2", "icon1", "hide"}));
}

TEST_F(LinkTest, TichoSilencesTheTicksButTheIconStillBlinks) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartSerial();
  program_->settings.progress = 1;
  program_->settings.ticho = 1;
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_TRUE(frontEnd_.Beeps().empty());
  EXPECT_EQ(frontEnd_.ActivityEvents(), (Lines{"caret-on", "show", "icon1", "icon2", "hide"}));
}

TEST_F(LinkTest, RegisterAnswersAtTheSpeedTheLineWasSetTo) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartSerial({"--speed", "9600"});
  program_->connection.baudRate = 9600;
  program_->connection.parity = 2;
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(Work01(), kRecord1Pairs);
}

TEST_F(LinkTest, PortThatDoesNotExistIs92WithDeviceReasonAndHint) {
  program_->connection.linkType = frame::LinkType::kSerial;
  program_->comDevice[3] = dir_.string() + "/ttyNONE";
  program_->connection.comNumber = 3;
  Command('R', 0x10);
  try {
    Link().ReceiveRegisterFile();
    ADD_FAILURE() << "no failure";
  } catch (const frame::JobFailure& failure) {
    EXPECT_EQ(failure.code(), 92);
    EXPECT_EQ(failure.subcode(), 1);
    EXPECT_EQ(failure.osError(), 2u);
    EXPECT_EQ(frame::Cp1250ToUtf8(failure.detail()),
              dir_.string() +
                  "/ttyNONE: No such file or directory (zařízení neexistuje: "
                  "zkontrolujte řádek comN= v tarvik.ini a připojení portu nebo USB "
                  "adaptéru)");
  }
  // One more attempt after a pause.
  EXPECT_EQ(clock_.Sleeps(),
            (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(kOpenRetryMs)}));
}

TEST_F(LinkTest, PortHeldByAnotherProgramIs92WithTheBusyHint) {
  StartSerial();
  platform::OsError error = 0;
  auto holder = platform::OpenSerialDevice(program_->comDevice[1], &error);
  ASSERT_TRUE(holder) << error;
  WriteFile("D10.dat", kFile10);
  Command('V', 0x10, "D10.dat");
  try {
    Link().SendRegisterFile();
    ADD_FAILURE() << "no failure";
  } catch (const frame::JobFailure& failure) {
    EXPECT_EQ(failure.code(), 92);
    EXPECT_EQ(failure.subcode(), 2);
    EXPECT_NE(frame::Cp1250ToUtf8(failure.detail())
                  .find(": Device or resource busy (port drží jiný program"),
              std::string::npos)
        << failure.detail();
  }
}

TEST_F(LinkTest, PortSettingsTheDeviceRefusesAre92) {
  StartSerial();
  program_->connection.baudRate = 76800;  // speed code 8: no such line speed
  Command('N', 0x10);
  EXPECT_JOB_FAILURE(Link().ClearRegisterFile(), 92, 3);
}

TEST_F(LinkTest, ModemDialSendsTheBareCommandAndFindsNoCarrierOnAPty) {
  StartSerial();
  program_->settings.komunikace_modem = 1;
  program_->settings.cislo_modem = "123";
  program_->settings.wait_modem = 2;
  program_->settings.okno = 1;
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 93, 1);
  EXPECT_EQ(register_.Transcript(), (Lines{"> 61 74 64 31 32 33 0D 0A"}));
  EXPECT_NE(frontEnd_.TerminalText().find("Spojení se nepodařilo navázat."), std::string::npos);
  using std::chrono::milliseconds;
  EXPECT_EQ(clock_.Sleeps(),
            (std::vector<milliseconds>{milliseconds(10), milliseconds(1000), milliseconds(1000)}));
}

TEST_F(LinkTest, CloseWithHangUpSendsTheEscapeBetweenGuardTimes) {
  StartSerial();
  SerialLine& serial = Link().Serial();
  ASSERT_TRUE(serial.OpenSerialPort());
  program_->settings.komunikace_modem = 1;
  program_->settings.hangUpAfterJob = 1;
  Link().CloseSerialPort();
  EXPECT_FALSE(serial.IsOpen());
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 1u);  // "+++" and "ath\r" without check bytes
  EXPECT_EQ(lines[0], "> 2B 2B 2B 61 74 68 0D");
}

TEST_F(LinkTest, NoLinkMovesNoBytes) {
  program_->settings.noLink = 1;
  program_->connection.comNumber = 9;
  program_->comDevice[9] = dir_.string() + "/ttyNONE";
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(ReadFile("work01.tmp"), "");
  WriteFile("D10.dat", kFile10);
  Command('V', 0x10, "D10.dat");
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  EXPECT_EQ(ToHex(ReadFile("work02.tmp")), std::string(kRecord1Pairs) + " " + kRecord2Pairs);
  Command('N', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ClearRegisterFile());
  Command('S', 0x59, "TEXT.dat");
  ASSERT_NO_JOB_FAILURE(Link().DownloadRawText());
  EXPECT_EQ(ReadFile("TEXT.dat"), "");
  EXPECT_FALSE(program_->terminal.Connected());
}

TEST_F(LinkTest, IdentificationRequestThroughThePrimitivesDiscoveryUses) {
  StartSerial({"--identify", "13,0x35"});
  program_->connection.terminalNumber = 0;
  SerialLine& serial = Link().Serial();
  ASSERT_TRUE(serial.OpenSerialPort());
  ASSERT_TRUE(serial.SetBaudRate(19200));
  Link().SendRequest(0xE9, 0x01, 1);
  serial.SetReadTimeout(250);
  std::string reply;
  while (reply.size() < 4 && serial.ReadLinkByte()) reply += static_cast<char>(serial.LastByte());
  EXPECT_EQ(ToHex(reply), "0D 35 38 86");
  EXPECT_EQ(Link().CurrentCommand(), 0xE9);
  EXPECT_EQ(register_.Transcript(), (Lines{"> E9 00 01 E8 2E", "< 0D 35 38 86"}));
}

TEST_F(LinkTest, RequestThatCannotBeWrittenIs5_1) {
  StartSerial();
  ASSERT_TRUE(Link().Serial().OpenSerialPort());
  register_.Stop();  // the other end of the line is gone: writes fail
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 5, 1);
  WriteFile("D10.dat", kFile10);
  Command('V', 0x10, "D10.dat");
  EXPECT_JOB_FAILURE(Link().SendRegisterFile(), 5, 2);
}

TEST_F(LinkTest, FailureExitClosesThePortThroughCloseLink) {
  StartSerial();
  ASSERT_TRUE(Link().Serial().OpenSerialPort());
  ASSERT_TRUE(program_->closeLink);
  program_->closeLink();
  EXPECT_FALSE(Link().Serial().IsOpen());
  // The port is free again.
  platform::OsError error = 0;
  EXPECT_TRUE(platform::OpenSerialDevice(program_->comDevice[1], &error));
}

// ---------------------------------------------------------------- TCP/IP

TEST_F(LinkTest, TcpReadTakesTheReplyAndTheFirstFrameInOneChunk) {
  register_.SetFile("10.dat", kFile10);
  StartTcp("127.0.3.1");
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(Work01(), std::string(kRecord1Pairs) + " " + kRecord2Pairs);
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", std::string("< D9 00 D9 4E ") + kFrame1, "> D9 06 DF 42",
                   std::string("< ") + kFrame2, "> D9 06 DF 42", "< FF FF FF FF 00 02"}));
}

TEST_F(LinkTest, TcpReplyAloneGetsTheExtraAcknowledge) {
  register_.SetFile("10.dat", kFile10);
  StartTcp("127.0.3.2", {"--reply-apart"});
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(Work01(), std::string(kRecord1Pairs) + " " + kRecord2Pairs);
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", "< D9 00 D9 4E", "> D9 06 DF 42",
                   std::string("< ") + kFrame1, "> D9 06 DF 42", std::string("< ") + kFrame2,
                   "> D9 06 DF 42", "< FF FF FF FF 00 02"}));
}

TEST_F(LinkTest, TcpFirstFrameStartingWithZeroIsNotTakenForAnEmptyRest) {
  // Record number 256: the frame behind the reply starts with a zero byte.
  register_.SetFile("10.dat", "0256;1234\r\n");
  StartTcp("127.0.3.3");
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(Work01(), "00 00 01 00 12 00 34 FF");
}

TEST_F(LinkTest, TcpDoublesEveryFFOnTheWireBothWays) {
  register_.SetFile("10.dat", "0255;1234\r\n");
  WriteFile("D10.dat", "0255;1234\r\n");
  StartTcp("127.0.3.4");
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(Work01(), "FF 00 00 00 12 00 34 FF");
  Command('V', 0x10, "D10.dat");
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", "< D9 00 D9 4E FF FF 00 12 34 D9 E2", "> D9 06 DF 42",
                   "< FF FF FF FF 00 02", "> D0 01 10 C1 5E", "< D0 00 D0 60",
                   "> FF FF 00 12 34 D9 E2", "< D0 06 D6 54", "> FF FF FF FF 00 02"}));
}

TEST_F(LinkTest, TcpFrameSplitOverTwoSegmentsIsJoinedNotRejected) {
  register_.SetFile("10.dat", kFile10);
  StartTcp("127.0.3.5", {"--split-frame", "2"});
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(Work01(), std::string(kRecord1Pairs) + " " + kRecord2Pairs);
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D9 01 10 C8 4E", std::string("< D9 00 D9 4E ") + kFrame1, "> D9 06 DF 42",
                   "< 06 00 56", "< 78 28 04", "> D9 06 DF 42", "< FF FF FF FF 00 02"}));
}

TEST_F(LinkTest, TcpConnectionClosedByTheRegisterEndsWith106_1) {
  register_.SetFile("10.dat", kFile10);
  StartTcp("127.0.3.6", {"--close-after", "1"});
  Link().StartNetwork();
  Command('R', 0x10);
  // The protocol was waiting for the chunk: its thread gets the failure
  // (and would take the failure exit); the receiving thread just ends.
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 106, 1);
  Link().CloseNetwork();
  EXPECT_EQ(program_->lastError.LastErrorCode, 0);
  EXPECT_EQ(Work01(), kRecord1Pairs);
  EXPECT_EQ(
      register_.Transcript(),
      (Lines{"> D9 01 10 C8 4E", std::string("< D9 00 D9 4E ") + kFrame1, "# connection closed"}));
}

TEST_F(LinkTest, TcpDataNobodyAsksForEndsWith109_1OnTheReceivingThread) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartTcp("127.0.3.14", {"--chatter", "06"});
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  // The byte after the transfer waits `timeout` seconds for a request, then
  // the receiving thread takes the failure exit itself.
  for (int i = 0; i < 500 && !FileExists("err"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Link().CloseNetwork();
  EXPECT_EQ(program_->lastError.LastErrorCode, 109);
  EXPECT_EQ(program_->lastError.LastErrorSubcode, 1);
  EXPECT_EQ(ReadFile("err"), "1");
  EXPECT_EQ(ReadFile("error.txt"), "9\r\n");
  EXPECT_FALSE(Link().Network().Connected());
}

TEST_F(LinkTest, TcpSilentRegisterEndsWith110_1) {
  StartTcp("127.0.3.7", {"--silent"});
  Link().StartNetwork();
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), 110, 1);
  Link().CloseNetwork();
}

TEST_F(LinkTest, TcpRegisterThatIsNotThereIs103_7) {
  program_->connection.linkType = frame::LinkType::kTcpIp;
  program_->connection.ipAddress = "127.0.3.8";  // nobody listens
  Link().StartNetwork();
  Command('R', 0x10);
  try {
    Link().ReceiveRegisterFile();
    ADD_FAILURE() << "no failure";
  } catch (const frame::JobFailure& failure) {
    EXPECT_EQ(failure.code(), 103);
    EXPECT_EQ(failure.subcode(), 7);
    EXPECT_EQ(failure.detail(), "127.0.3.8:14000: connect: Connection refused");
  }
  Link().CloseNetwork();
}

TEST_F(LinkTest, TcpWriteRejectAndClear) {
  WriteFile("D10.dat", kFile10);
  StartTcp("127.0.3.9", {"--reject-frame", "2", "--operations", "4C"});
  Link().StartNetwork();
  Command('V', 0x10, "D10.dat");
  ASSERT_NO_JOB_FAILURE(Link().SendRegisterFile());
  Command('N', 0x4C);
  ASSERT_NO_JOB_FAILURE(Link().ClearRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(
      register_.Transcript(),
      (Lines{"> D0 01 10 C1 5E", "< D0 00 D0 60", std::string("> ") + kFrame1, "< D0 06 D6 54",
             std::string("> ") + kFrame2, "< D0 15 C5 56", std::string("> ") + kFrame2,
             "< D0 06 D6 54", "> FF FF FF FF 00 02", "> D0 01 4C 9D 46", "< FF FF FF FF 00 02"}));
  EXPECT_EQ(register_.File("10.dat"), kFile10);
}

TEST_F(LinkTest, TcpSecondCommandUsesTheSameConnection) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartTcp("127.0.3.10");
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  ASSERT_TRUE(Link().Network().Connected());
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  EXPECT_EQ(Work01(), kRecord1Pairs);
  Link().CloseNetwork();
  EXPECT_FALSE(Link().Network().Connected());
}

TEST_F(LinkTest, TcpAddressMayNameThePort) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartTcp("127.0.3.13", {"--port", "0"}, true);
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(Work01(), kRecord1Pairs);
}

TEST_F(LinkTest, TcpRawText) {
  StartTcp("127.0.3.11", {"--raw-text", "ZURNAL\r\n"});
  Link().StartNetwork();
  Command('S', 0x59, "TEXT.dat");
  ASSERT_NO_JOB_FAILURE(Link().DownloadRawText());
  Link().CloseNetwork();
  EXPECT_EQ(ReadFile("TEXT.dat"), "ZURNAL\r\n");
}

TEST_F(LinkTest, TcpRawDebugShowsEverySentFrame) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartTcp("127.0.3.12");
  program_->settings.rawdebug = 1;
  Link().StartNetwork();
  Command('R', 0x10);
  ASSERT_NO_JOB_FAILURE(Link().ReceiveRegisterFile());
  Link().CloseNetwork();
  EXPECT_EQ(frontEnd_.TerminalText(),
            "Odeslana data: D9 01 10 C8 4E\rOdeslana data: D9 06 DF 42\r");
}

}  // namespace
}  // namespace tarvik::link
