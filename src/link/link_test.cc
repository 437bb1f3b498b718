// The link against the register emulator, on a pty and over TCP, with the
// exact bytes the emulator saw on the wire.
#include "link/link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/status.h"
#include "link/network_link.h"
#include "link/serial_line.h"
#include "platform/serial_port.h"
#include "support/link_test_support.h"
#include "support/test_support.h"

namespace tarvik::link {
namespace {

using testing::EmulatedRegister;
using testing::FrameHex;
using testing::ToHex;
using Lines = std::vector<std::string>;
using std::chrono::milliseconds;

// "code/subcode"
std::string PairText(frame::ErrorPair pair) {
  return frame::Format("%d/%d", pair.code, pair.subcode);
}

// "" when `action` completes, else its failure: "code/subcode", the system's
// error number when there is one, and the context (as UTF-8).
std::string Outcome(const std::function<void()>& action) {
  try {
    action();
  } catch (const frame::JobFailure& f) {
    std::string text = PairText(f.pair());
    if (f.osError() != 0) text += frame::Format(" os %u", static_cast<unsigned>(f.osError()));
    return f.context().empty() ? text : text + " " + frame::Cp1250ToUtf8(f.context());
  }
  return "";
}

// File 10 (H2+N2): two records, their frames and their work-file pairs.
const char kFile10[] = "0005;1234\r\n0006;5678\r\n";
const char kRecord1Pairs[] = "05 00 00 00 12 00 34 FF";
const std::string kPairs = std::string(kRecord1Pairs) + " 06 00 00 00 56 00 78 FF";
const std::string kFrame1 = "05 00 12 34 23 92";
const std::string kFrame2 = "06 00 56 78 28 04";
// Read request and acknowledge, write request and acknowledge, the end marker.
const char kRead10[] = "> D9 01 10 C8 4E";
const char kReadAck[] = "> D9 06 DF 42";
const char kWrite10[] = "> D0 01 10 C1 5E";
const char kWriteAck[] = "< D0 06 D6 54";
const char kGotEnd[] = "< FF FF 00 02";
const char kSentEnd[] = "> FF FF 00 02";
const char kGotTcpEnd[] = "< FF FF FF FF 00 02";

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
    p.connection.parity = platform::Parity::kOdd;
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
  // Starts the network job; the connection line names the address and the
  // port served.
  void StartTcp(const std::string& address, const std::vector<std::string>& options = {}) {
    program_->connection.linkType = frame::LinkType::kTcpIp;
    program_->connection.ipAddress = register_.StartTcp(address, options);
    Link().StartNetwork();
  }
  void Command(char letter, std::uint8_t file, const std::string& dataFile = {}) {
    program_->command.commandLetter = letter;
    program_->command.fileNumber = file;
    program_->command.dataFileName = dataFile;
  }
  void Read(std::uint8_t file) {
    Command('R', file);
    EXPECT_EQ(Outcome([&] { Link().ReceiveRegisterFile(); }), "");
  }
  std::string Work01() { return ToHex(ReadFile("work01.tmp")); }

  EmulatedRegister register_;
  std::unique_ptr<RegisterLink> link_;
};

// ------------------------------------------------- transfers of file 10

// One command on file 10 over either line, and all it leaves behind.
struct Transfer {
  const char* name;
  char command;                      // R, V (sends kFile10) or N
  const char* tcpAddress;            // null: the serial line
  std::vector<std::string> options;  // the emulator's
  const char* registerFile;          // 10.dat before; null: none
  std::string failure;               // PairText; "": the command completes
  std::string result;                // work01.tmp (hex) after a read, else the register's 10.dat
  Lines transcript;
};

void PrintTo(const Transfer& t, std::ostream* out) {
  *out << t.name;
}

// clang-format off
const Transfer kTransfers[] = {
    {"SerialReadStoresEveryFrameAsRecordPairs", 'R', nullptr, {}, kFile10, "", kPairs,
     {kRead10, "< D9 00 D9 4E", "< " + kFrame1, kReadAck, "< " + kFrame2, kReadAck, kGotEnd}},
    {"EmptyRegisterFileGivesAnEmptyWorkFileAndNoAcknowledge", 'R', nullptr, {}, nullptr, "", "",
     {kRead10, kGotEnd}},
    {"ThreeBadRepetitionsEndWith40_1AndNoBadFrameIsStored", 'R', nullptr,
     {"--corrupt-frame", "1:4"}, kFile10, PairText(frame::error::kFrameCheckFailed), "",
     {kRead10, "< D9 00 D9 4E", "< 05 00 12 34 23 C8", "> D9 15 CC 46", "< 05 00 12 34 23 C8",
      "> D9 15 CC 46", "< 05 00 12 34 23 C8", "> D9 15 CC 46", "< 05 00 12 34 23 C8"}},
    {"SilentRegisterEndsWith38_1AfterThreeRequests", 'R', nullptr, {"--silent"}, nullptr,
     PairText(frame::error::kNoAnswerToReadRequest), "", {kRead10, kRead10, kRead10}},
    // The frame that followed the refused reply is drained before the next request.
    {"WrongEchoIsNoReplyAndTheRequestIsRepeated", 'R', nullptr, {"--wrong-echo", "1"},
     "0005;1234\r\n", "", kRecord1Pairs,
     {kRead10, "< D8 00 D8 50", "< " + kFrame1, kRead10, "< D9 00 D9 4E", "< " + kFrame1,
      kReadAck, kGotEnd}},
    {"OrdinaryRequestsGetNoAnswerFromAFiscalRegister", 'R', nullptr, {"--fiscal"},
     "0005;1234\r\n", PairText(frame::error::kNoAnswerToReadRequest), "",
     {kRead10, kRead10, kRead10}},
    {"WriteSendsEveryRecordThenTheEndMarker", 'V', nullptr, {}, nullptr, "", kFile10,
     {kWrite10, "< D0 00 D0 60", "> " + kFrame1, kWriteAck, "> " + kFrame2, kWriteAck, kSentEnd}},
    {"RejectedFrameIsSentAgainAndStoredOnce", 'V', nullptr, {"--reject-frame", "1"}, nullptr, "",
     kFile10,
     {kWrite10, "< D0 00 D0 60", "> " + kFrame1, "< D0 15 C5 56", "> " + kFrame1, kWriteAck,
      "> " + kFrame2, kWriteAck, kSentEnd}},
    // The request, the first send and three resends; no end marker.
    {"ThreeFailedRepliesInOneFileEndWith42_2AfterTheNextResend", 'V', nullptr,
     {"--reject-frame", "1:3"}, nullptr, PairText(frame::error::kFrameRejectedTooOften), "",
     {kWrite10, "< D0 00 D0 60", "> " + kFrame1, "< D0 15 C5 56", "> " + kFrame1,
      "< D0 15 C5 56", "> " + kFrame1, "< D0 15 C5 56", "> " + kFrame1, kWriteAck}},
    // The frame-reply wait has a bound at every speed (19200 / 38400 gives none).
    {"FrameRepliesThatNeverComeEndWith42_2EvenAt38400Bd", 'V', nullptr, {"--no-frame-replies"},
     nullptr, PairText(frame::error::kFrameRejectedTooOften), "",
     {kWrite10, "< D0 00 D0 60", "> " + kFrame1, "> " + kFrame1, "> " + kFrame1, "> " + kFrame1}},
    {"ClearSendsAWriteRequestAndTakesTheEndMarker", 'N', nullptr, {"--operations", "10"},
     kFile10, "", "", {kWrite10, kGotEnd}},
    // File 10 is no operation here: the register accepts a write, three times.
    {"ClearWithoutEndMarkerEndsWith38_3", 'N', nullptr, {}, nullptr,
     PairText(frame::error::kNoAnswerToClear), "",
     {kWrite10, "< D0 00 D0 60", kWrite10, "< D0 00 D0 60", kWrite10, "< D0 00 D0 60"}},
    {"TcpReadTakesTheReplyAndTheFirstFrameInOneChunk", 'R', "127.0.3.1", {}, kFile10, "", kPairs,
     {kRead10, "< D9 00 D9 4E " + kFrame1, kReadAck, "< " + kFrame2, kReadAck, kGotTcpEnd}},
    {"TcpReplyAloneGetsTheExtraAcknowledge", 'R', "127.0.3.2", {"--reply-apart"}, kFile10, "",
     kPairs,
     {kRead10, "< D9 00 D9 4E", kReadAck, "< " + kFrame1, kReadAck, "< " + kFrame2, kReadAck,
      kGotTcpEnd}},
    // Record number 256: the frame behind the reply starts with a zero byte.
    {"TcpFirstFrameStartingWithZeroIsNotTakenForAnEmptyRest", 'R', "127.0.3.3", {},
     "0256;1234\r\n", "", "00 00 01 00 12 00 34 FF",
     {kRead10, "< D9 00 D9 4E " + FrameHex("00 01 12 34"), kReadAck, kGotTcpEnd}},
    {"TcpFrameSplitOverTwoSegmentsIsJoinedNotRejected", 'R', "127.0.3.5", {"--split-frame", "2"},
     kFile10, "", kPairs,
     {kRead10, "< D9 00 D9 4E " + kFrame1, kReadAck, "< 06 00 56", "< 78 28 04", kReadAck,
      kGotTcpEnd}},
    // The protocol was waiting for the chunk: its thread gets the failure
    // (and would take the failure exit); the receiving thread just ends.
    {"TcpConnectionClosedByTheRegisterEndsWith106_1", 'R', "127.0.3.6", {"--close-after", "1"},
     kFile10, PairText(frame::error::kClosedByRegister), kRecord1Pairs, {kRead10, "< D9 00 D9 4E " + kFrame1, "# connection closed"}},
    {"TcpRejectedFrameIsSentAgainAndStoredOnce", 'V', "127.0.3.9", {"--reject-frame", "2"},
     nullptr, "", kFile10,
     {kWrite10, "< D0 00 D0 60", "> " + kFrame1, kWriteAck, "> " + kFrame2, "< D0 15 C5 56",
      "> " + kFrame2, kWriteAck, "> FF FF FF FF 00 02"}},
    {"TcpClearTakesTheEndMarker", 'N', "127.0.3.10", {"--operations", "10"}, kFile10, "", "",
     {kWrite10, kGotTcpEnd}},
    {"TcpSilentRegisterEndsWith110_1", 'R', "127.0.3.7", {"--silent"}, nullptr,
     PairText(frame::error::kNetworkTimeout), "",
     {kRead10}},
};
// clang-format on

class LinkTransfer : public LinkTest, public ::testing::WithParamInterface<Transfer> {};

TEST_P(LinkTransfer, OfFile10) {
  const Transfer& t = GetParam();
  if (t.registerFile) register_.SetFile("10.dat", t.registerFile);
  WriteFile("D10.dat", kFile10);
  if (t.tcpAddress) {
    StartTcp(t.tcpAddress, t.options);
  } else {
    StartSerial(t.options);
  }
  Command(t.command, 0x10, "D10.dat");
  const std::string outcome = Outcome([&] {
    if (t.command == 'R') Link().ReceiveRegisterFile();
    if (t.command == 'V') Link().SendRegisterFile();
    if (t.command == 'N') Link().ClearRegisterFile();
  });
  EXPECT_EQ(outcome.substr(0, outcome.find(' ')), t.failure);
  if (!outcome.empty()) {
    // A failure of the line names where the register was sought.
    const std::string where = t.tcpAddress ? "pokladna na adrese " + program_->connection.ipAddress
                                           : "COM1 " + program_->comDevice[1];
    EXPECT_TRUE(outcome.ends_with(" " + where)) << outcome;
  }
  link_.reset();                                    // closes the port or the connection
  EXPECT_EQ(program_->lastError.lastErrorCode, 0);  // no failure exit on any thread
  // Without debug a sent work file stays only after a failure.
  if (t.command == 'V') {
    EXPECT_EQ(FileExists("work02.tmp"), !t.failure.empty());
  }
  EXPECT_EQ(register_.Transcript(), t.transcript);
  if (t.command == 'R') {
    EXPECT_TRUE(FileExists("work01.tmp"));
    EXPECT_EQ(Work01(), t.result);
  } else {
    EXPECT_EQ(register_.File("10.dat"), t.result);
  }
}

INSTANTIATE_TEST_SUITE_P(Transfers, LinkTransfer, ::testing::ValuesIn(kTransfers),
                         [](const ::testing::TestParamInfo<Transfer>& row) {
                           return std::string(row.param.name);
                         });

// ---------------------------------------------------------------- serial

TEST_F(LinkTest, RejectedFrameIsStoredOnceAfterItsRepetitionAndBeepsWithDebug) {
  register_.SetFile("10.dat", kFile10);
  StartSerial({"--corrupt-frame", "2"});
  program_->settings.debug = 1;
  Read(0x10);
  EXPECT_EQ(Work01(), kPairs);
  EXPECT_EQ(register_.Transcript(),
            (Lines{kRead10, "< D9 00 D9 4E", "< " + kFrame1, kReadAck, "< 06 00 56 78 28 5E",
                   "> D9 15 CC 46", "< " + kFrame2, kReadAck, kGotEnd}));
  EXPECT_EQ(frontEnd_.Beeps(), (std::vector<int>{-1, screen::kBeepError}));
}

// The report is refused with 4/1 after the end marker, unless stahujvzdy.
TEST_F(LinkTest, ReportWithKeyInRegIsRefusedWith4_1OrReadWithStahujvzdy) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  StartSerial({"--key-reg"});
  Command('R', 0x72);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), frame::error::kKeyInRegAtReport);
  program_->settings.stahujvzdy = 1;
  Read(0x72);
  EXPECT_TRUE(Link().KeyInReg());
  EXPECT_EQ(ReadFile("work01.tmp").size(), 2u * 47u);
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 9u);  // the frames are 47 bytes long
  EXPECT_EQ(lines, (Lines{"> D9 01 72 AA 0A", "< D9 10 C9 4E", lines[2], kSentEnd,
                          "> D9 01 72 AA 0A", "< D9 10 C9 4E", lines[6], kReadAck, kGotEnd}));
}

// A 650 register answering 08 (what a 39T means by REG) is not in REG.
TEST_F(LinkTest, StatusForRegDependsOnTheModel) {
  register_.SetFile("72.dat", "0001;+0;0;+0;0;+0\r\n");
  StartSerial({"--key-reg", "--model", "39T"});
  Read(0x72);
  EXPECT_FALSE(Link().KeyInReg());
  EXPECT_EQ(Link().LastStatus(), 0x08);
  program_->connection.modelText = "39T ";
  program_->connection.modelNumber = 1;
  Command('R', 0x72);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), frame::error::kKeyInRegAtReport);
  EXPECT_TRUE(Link().KeyInReg());
}

TEST_F(LinkTest, FiscalRegisterGetsD7AndD3) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  WriteFile("D10.dat", "0007;0001\r\n");
  StartSerial({"--fiscal"});
  Link().SetRegisterIsFiscal(true);
  Read(0x10);
  Command('V', 0x10, "D10.dat");
  EXPECT_EQ(Outcome([&] { Link().SendRegisterFile(); }), "");
  EXPECT_EQ(register_.Transcript(),
            (Lines{"> D7 01 10 C6 52", "< D7 00 D7 52", "< " + kFrame1, "> D7 06 D1 52", kGotEnd,
                   "> D3 01 10 C2 5A", "< D3 00 D3 5A", "> " + FrameHex("07 00 00 01"),
                   "< D3 06 D5 52", kSentEnd}));
}

TEST_F(LinkTest, RawTextGoesUnchangedIntoTheDataFileAndNeedsItsFourY) {
  StartSerial({"--raw-text", "RADEK 1\r\nRADEK \xFF\r\n"});
  Command('S', 0x59, "TEXT.dat");
  EXPECT_EQ(Outcome([&] { Link().DownloadRawText(); }), "");
  EXPECT_EQ(ReadFile("TEXT.dat"), "RADEK 1\r\nRADEK \xFF\r\n");
  EXPECT_FALSE(program_->terminal.Connected());  // the download closes the port
  Lines lines = register_.Transcript();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "> D9 01 59 81 4C");
  EXPECT_EQ(lines[1].substr(0, 13), "< 59 59 59 59");
  StartSerial();  // no raw text: the register answers file 59 with the end marker
  EXPECT_JOB_FAILURE(Link().DownloadRawText(), frame::error::kRawTextNotReceived);
}

// The caret rises and falls with the port; ticho silences the ticks only.
TEST_F(LinkTest, ActivityBeepsAndBlinksOnEveryEighthFrame) {
  std::string lines;
  for (int i = 1; i <= 9; ++i) lines += frame::Format("%04d;0000\r\n", i);
  register_.SetFile("10.dat", lines);
  StartSerial();
  program_->settings.progress = 1;
  program_->settings.zvuk = 48;
  Read(0x10);
  EXPECT_EQ(frontEnd_.Beeps(), (std::vector<int>{48, 48}));  // frames 1 and 9
  program_->settings.ticho = 1;
  Read(0x10);
  Link().CloseSerialPort();
  EXPECT_EQ(frontEnd_.Beeps(), (std::vector<int>{48, 48}));
  EXPECT_EQ(frontEnd_.ActivityEvents(),
            (Lines{"caret-on", "show", "icon1", "icon2", "icon1", "hide", "show", "icon2", "icon1",
                   "icon2", "hide", "caret-off"}));
}

TEST_F(LinkTest, RegisterAnswersAtTheSpeedTheLineWasSetTo) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartSerial({"--speed", "9600"});
  program_->connection.baudRate = 9600;
  program_->connection.parity = platform::Parity::kEven;
  Read(0x10);
  EXPECT_EQ(Work01(), kRecord1Pairs);
}

TEST_F(LinkTest, PortThatDoesNotExistIs92WithDeviceReasonAndHint) {
  program_->connection.linkType = frame::LinkType::kSerial;
  program_->comDevice[3] = dir_.string() + "/ttyNONE";
  program_->connection.comNumber = 3;
  Command('R', 0x10);
  EXPECT_EQ(Outcome([&] { Link().ReceiveRegisterFile(); }),
            PairText(frame::error::kPortNotOpenedForRead) + " os 2 COM3 " + dir_.string() +
                "/ttyNONE: No such file or directory (zařízení neexistuje: "
                "zkontrolujte řádek comN= v tarvik.ini a připojení portu nebo USB adaptéru)");
  // One more attempt after a pause.
  EXPECT_EQ(clock_.Sleeps(), (std::vector<milliseconds>{milliseconds(kOpenRetryMs)}));
}

TEST_F(LinkTest, PortHeldByAnotherProgramOrRefusingItsSettingsIs92) {
  StartSerial();
  platform::OsError error = 0;
  auto holder = platform::OpenSerialDevice(program_->comDevice[1], &error);
  ASSERT_TRUE(holder) << error;
  WriteFile("D10.dat", kFile10);
  Command('V', 0x10, "D10.dat");
  const std::string busy = Outcome([&] { Link().SendRegisterFile(); });
  EXPECT_EQ(busy.rfind(PairText(frame::error::kPortNotOpenedForWrite), 0), 0u) << busy;
  EXPECT_NE(busy.find(": Device or resource busy (port drží jiný program"), std::string::npos)
      << busy;
  holder.reset();
  program_->connection.baudRate = 76800;  // speed code 8: no such line speed
  Command('N', 0x10);
  EXPECT_JOB_FAILURE(Link().ClearRegisterFile(), frame::error::kPortNotOpenedForClear);
}

TEST_F(LinkTest, ModemDialSendsTheBareCommandAndFindsNoCarrierOnAPty) {
  StartSerial();
  program_->settings.komunikaceModem = 1;
  program_->settings.cisloModem = "123";
  program_->settings.waitModem = 2;
  program_->settings.okno = 1;
  Command('R', 0x10);
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), frame::error::kModemNoCarrier);
  EXPECT_EQ(register_.Transcript(), (Lines{"> 61 74 64 31 32 33 0D 0A"}));
  EXPECT_NE(frontEnd_.TerminalText().find("Spojení se nepodařilo navázat."), std::string::npos);
  EXPECT_EQ(clock_.Sleeps(),
            (std::vector<milliseconds>{milliseconds(10), milliseconds(1000), milliseconds(1000)}));
}

TEST_F(LinkTest, CloseWithHangUpSendsTheEscapeBetweenGuardTimes) {
  StartSerial();
  SerialLine& serial = Link().Serial();
  ASSERT_TRUE(serial.OpenSerialPort());
  program_->settings.komunikaceModem = 1;
  program_->hangUpAfterJob = 1;
  Link().CloseSerialPort();
  EXPECT_FALSE(serial.IsOpen());
  // "+++" and "ath\r" without check bytes.
  EXPECT_EQ(register_.Transcript(), (Lines{"> 2B 2B 2B 61 74 68 0D"}));
}

TEST_F(LinkTest, NoLinkMovesNoBytes) {
  program_->settings.noLink = 1;
  program_->connection.comNumber = 9;
  program_->comDevice[9] = dir_.string() + "/ttyNONE";
  Read(0x10);
  EXPECT_EQ(ReadFile("work01.tmp"), "");
  WriteFile("D10.dat", kFile10);
  Command('V', 0x10, "D10.dat");
  EXPECT_EQ(Outcome([&] { Link().SendRegisterFile(); }), "");
  EXPECT_EQ(ToHex(ReadFile("work02.tmp")), kPairs);
  Command('N', 0x10);
  EXPECT_EQ(Outcome([&] { Link().ClearRegisterFile(); }), "");
  Command('S', 0x59, "TEXT.dat");
  EXPECT_EQ(Outcome([&] { Link().DownloadRawText(); }), "");
  EXPECT_EQ(ReadFile("TEXT.dat"), "");
  EXPECT_FALSE(program_->terminal.Connected());
}

TEST_F(LinkTest, IdentificationRequestThroughThePrimitivesDiscoveryUses) {
  StartSerial({"--identify", "13,0x35"});
  program_->connection.terminalNumber = 0;
  SerialLine& serial = Link().Serial();
  ASSERT_TRUE(serial.OpenSerialPort());
  ASSERT_TRUE(serial.SetBaudRate(19200));
  Link().SendRequest(0xE9, 0x01, frame::error::kReadRequestNotSent);
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
  EXPECT_JOB_FAILURE(Link().ReceiveRegisterFile(), frame::error::kReadRequestNotSent);
  WriteFile("D10.dat", kFile10);
  Command('V', 0x10, "D10.dat");
  EXPECT_JOB_FAILURE(Link().SendRegisterFile(), frame::error::kWriteRequestNotSent);
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

TEST_F(LinkTest, TcpDataNobodyAsksForEndsWith109_1OnTheReceivingThread) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  StartTcp("127.0.3.14", {"--chatter", "06"});
  Read(0x10);
  // The byte after the transfer waits `timeout` seconds for a request, then
  // the receiving thread takes the failure exit itself.
  for (int i = 0; i < 500 && !FileExists("err"); ++i) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  Link().CloseNetwork();
  EXPECT_EQ(program_->lastError.lastErrorCode, frame::error::kNetworkReceiverFailed.code);
  EXPECT_EQ(program_->lastError.lastErrorSubcode, frame::error::kNetworkReceiverFailed.subcode);
  EXPECT_EQ(ReadFile("err"), "1");
  EXPECT_EQ(ReadFile("error.txt"), "9\r\n");
  EXPECT_FALSE(Link().Network().Connected());
}

TEST_F(LinkTest, TcpRegisterThatIsNotThereIs103_7) {
  program_->connection.linkType = frame::LinkType::kTcpIp;
  program_->connection.ipAddress = "127.0.3.8";  // nobody listens
  Link().StartNetwork();
  Command('R', 0x10);
  EXPECT_EQ(Outcome([&] { Link().ReceiveRegisterFile(); }),
            PairText(frame::error::kNotConnected) +
                " os 111 127.0.3.8:14000: connect: Connection refused");
}

// Every sent frame shows with rawdebug; the raw text arrives unchanged over
// the same connection, to an address that names the port.
TEST_F(LinkTest, TcpRawDebugAndRawText) {
  register_.SetFile("10.dat", "0005;1234\r\n");
  program_->settings.rawdebug = 1;
  StartTcp("127.0.3.11", {"--raw-text", "ZURNAL\r\n"});
  Read(0x10);
  EXPECT_EQ(frontEnd_.TerminalText(),
            "Odeslana data: D9 01 10 C8 4E\rOdeslana data: D9 06 DF 42\r");
  ASSERT_TRUE(Link().Network().Connected());
  Command('S', 0x59, "TEXT.dat");
  EXPECT_EQ(Outcome([&] { Link().DownloadRawText(); }), "");
  Link().CloseNetwork();
  EXPECT_FALSE(Link().Network().Connected());
  EXPECT_EQ(ReadFile("TEXT.dat"), "ZURNAL\r\n");
}

}  // namespace
}  // namespace tarvik::link
