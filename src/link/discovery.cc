#include "link/discovery.h"

#include <chrono>

#include "frame/codepage.h"
#include "frame/program_file.h"
#include "frame/status.h"
#include "link/rewrite.h"
#include "link/serial_line.h"
#include "link/wire.h"

namespace tarvik::link {
namespace {

using std::chrono::milliseconds;

constexpr unsigned kProbeSpeeds[] = {38400, 19200, 9600, 4800};
constexpr std::uint8_t kIdentify = 0xE9;

struct Found {
  int port = 0;
  unsigned baud = 0;
  int code = 0;
  std::uint8_t version = 0;
};

void WriteSmallFile(frame::Program& program, const char* name, const std::string& text) {
  frame::ProgramFile file = frame::ProgramFile::Open(program, name, frame::OpenMode::kCreate);
  file.Write(text);
  file.Close();
}

// Reads up to `count` bytes, stopping at the first time-out.
std::string ReadBytes(SerialLine& serial, std::size_t count) {
  std::string bytes;
  while (bytes.size() < count && serial.ReadLinkByte()) {
    bytes += static_cast<char>(serial.LastByte());
  }
  return bytes;
}

bool Identify(frame::Program& program, SerialLine& serial, Found* found) {
  std::string request{static_cast<char>(kIdentify), '\0', '\x01'};
  if (!serial.WriteLinkBytes(request, true)) return false;
  serial.SetReadTimeout(250);
  std::string reply = ReadBytes(serial, 4);
  if (reply.size() < 4 || !wire::CheckFrame(reply) || reply[0] == 0) return false;
  found->code = static_cast<std::uint8_t>(reply[0]);
  found->version = static_cast<std::uint8_t>(reply[1]);
  (void)program;
  return true;
}

void Apply(frame::Program& program, const Found& found, int terminal) {
  frame::JobSettings& s = program.settings;
  RewriteValues values;
  values.terminalNumber = terminal;
  values.port = found.port;
  values.baudRate = found.baud;
  values.dataBits = 8;
  values.parity = platform::Parity::kOdd;
  values.modelText = RegisterModelByCode(found.code);
  values.logName = program.connection.logFileName;
  std::string extension = s.priponaCmd;
  RewriteSerialParams(program, values, nullptr, false, RewriteMode::kKeepLineSettings);
  s.priponaCmd = "cmx";
  RewriteSerialParams(program, values, nullptr, true, RewriteMode::kKeepLineSettings);
  s.priponaCmd = extension;
  WriteSmallFile(program, "tf", s.fiskal ? "1" : "0");
}

void ReportFoundRegister(frame::Program& program, RegisterLink& link, const Found& found) {
  frame::JobSettings& s = program.settings;
  SerialLine& serial = link.Serial();
  const std::uint8_t read = link.RegisterIsFiscal() ? 0xD7 : 0xD9;
  const std::uint8_t ack = s.fiskal ? 0xD7 : 0xD9;
  int terminal = -1;
  std::string last;
  for (int t = 0; t <= 15 && terminal < 0; ++t) {
    std::string probe{static_cast<char>(read), static_cast<char>(t), '\x30'};
    if (!serial.WriteLinkBytes(probe, true)) continue;
    serial.SetReadTimeout(1200);
    last = ReadBytes(serial, 11);
    if (last.size() == 11 && wire::CheckFrame(last.substr(0, 4)) && last[0] != 0) terminal = t;
  }
  std::string ackFrame{static_cast<char>(ack), '\x06'};
  if (terminal >= 0) {
    // The rest of the tax file is drained; its content is not used.
    serial.WriteLinkBytes(ackFrame, true);
    for (int i = 0; i < 7; ++i) {
      ReadBytes(serial, 7);
      serial.WriteLinkBytes(ackFrame, true);
    }
    ReadBytes(serial, 4);
  }
  program.connection.comNumber = found.port;
  program.connection.comDigit = static_cast<char>('0' + found.port);
  program.connection.baudRate = found.baud;

  if (s.searchOnly) {
    if (terminal < 0) {
      WriteSmallFile(program, "tk", "0");
      link.CloseSerialPort();
      return;
    }
    std::string line = frame::Format("ANO %d,%u,%06u", found.port, found.baud, unsigned(terminal));
    WriteSmallFile(program, "find", line + "\r\n");
    frame::ShowDebugMessage(program, line);
    program.connection.terminalNumber = terminal;
    Apply(program, found, terminal);
    WriteSmallFile(program, "tk", "0");
    link.CloseSerialPort();
    return;
  }
  std::string name = RegisterModelName(found.code);
  if (terminal >= 0) {
    frame::TerminalWrite(program,
                         frame::Format("\rNalezl jsem pokladnu %s na portu %d, \rkomunikuje "
                                       "rychlosti %u, \ra ma cislo terminalu %02u. \r\a",
                                       name.c_str(), found.port, found.baud, unsigned(terminal)));
  } else {
    terminal = 0;
    std::string what = RegisterModelName(last.empty() ? 0 : static_cast<std::uint8_t>(last[0]));
    frame::TerminalWrite(
        program, frame::W(frame::Format("\rNalezl jsem něco na portu %d. \rZdá se, že je to "
                                        "pokladna %s, \rkomunikuje to rychlostí %u, \r\a",
                                        found.port, what.c_str(), found.baud)));
  }
  program.connection.terminalNumber = terminal;
  frame::TerminalWriteDebug(
      program, frame::W(frame::Format("Verze firmware je 2.0%d%s, bity %d, parita %c. \r\a",
                                      found.version, s.fiskal ? " fiskální" : " ", 8, 'O')));
  int answer = frame::ShowMessage(
      program, frame::W("\rMám nalezené hodnoty zapsat do prikazovych souborů?"),
      screen::kStyleYesNo | screen::kStyleExclamation | screen::kDefaultSecondButton);
  if (answer != screen::kAnswerYes) {
    WriteSmallFile(program, "tk", "0");
    link.CloseSerialPort();
    return;
  }
  Apply(program, found, terminal);
  WriteSmallFile(program, "tk", "0");
  link.CloseSerialPort();
}

}  // namespace

std::string RegisterModelName(int code) {
  switch (code) {
    case 0:
      return " ";
    case 7:
      return "ECR396F";
    case 9:
      return "ECR650F";
    case 12:
      return "ECR360T";
    case 13:
      return "ECR39T ";
    case 14:
      return "ECR579";
    case 17:
      return "ECR362T";
    default:
      return "Tarvik";
  }
}

std::string RegisterModelByCode(int code) {
  switch (code) {
    case 12:
      return "360 ";
    case 13:
      return "39T ";
    default:
      return "650 ";
  }
}

int FindRegister(frame::Program& program, RegisterLink& link) {
  frame::JobSettings& s = program.settings;
  frame::ConnectionLine& c = program.connection;
  bool missing = false;
  platform::OsError error = 0;
  program.fs.Remove(program.MakeProgramPath("find"), &missing, &error);
  link.SetDiscoveryRunning(true);
  c.linkType = frame::LinkType::kSerial;
  c.baudRate = 38400;
  c.dataBits = 8;
  c.parity = platform::Parity::kOdd;
  SerialLine& serial = link.Serial();
  Found found;
  bool identified = false;
  for (int port = 1; port <= 9 && !identified; ++port) {
    c.comNumber = port;
    c.comDigit = static_cast<char>('0' + port);
    c.baudRate = 38400;
    bool opened = serial.OpenSerialPort();
    frame::TerminalWriteDebug(program, frame::Format("Otviram port COM%d - %s\r", port,
                                                     opened ? "O.K." : "nepovedlo se."));
    if (!opened) continue;
    for (unsigned baud : kProbeSpeeds) {
      if (!serial.SetBaudRate(baud)) break;
      c.baudRate = baud;
      c.terminalNumber = 0;
      frame::TerminalWrite(program, "*");
      frame::TerminalWriteDebug(program, frame::W(frame::Format("Zkouším: %u baud \r", baud)));
      serial.SetDtr(true);
      program.clock.Sleep(milliseconds(150));
      if (Identify(program, serial, &found)) {
        found.port = port;
        found.baud = baud;
        s.fiskal = found.version >= 0x33 && found.version <= 0x59 ? 1 : 0;
        link.SetRegisterIsFiscal(s.fiskal != 0);
        identified = true;
        break;
      }
      serial.SetDtr(false);
    }
    if (!identified) serial.CloseSerialPort();
  }
  link.SetDiscoveryRunning(false);
  if (identified) {
    ReportFoundRegister(program, link, found);
    return 1;
  }
  if (s.searchOnly) {
    WriteSmallFile(program, "find", "NE\r\n");
    frame::ShowDebugMessage(program, "NE");
  }
  return 0;
}

}  // namespace tarvik::link
