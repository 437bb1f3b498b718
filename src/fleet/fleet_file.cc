#include "fleet/fleet_file.h"

#include "fleet/fields.h"

#include <map>

#include "frame/codepage.h"
#include "frame/connection_line.h"
#include "frame/errors.h"

namespace tarvik::fleet {
namespace {

constexpr std::size_t kMaxName = 64;

std::string Trim(std::string_view s) {
  std::size_t a = 0;
  std::size_t b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return std::string(s.substr(a, b - a));
}

void CheckName(const std::string& name, int number) {
  if (name.empty()) throw FleetFileError(number, "the register's name is empty");
  if (name.size() > kMaxName)
    throw FleetFileError(number,
                         "the register's name \"" + name + "\" is longer than 64 characters");
  if (!IsValidRegisterName(name))
    throw FleetFileError(number, "the register's name \"" + name +
                                     "\" may hold only A-Z a-z 0-9 . _ - and is not . or ..");
}

frame::ConnectionLine CheckConnection(const std::string& text, int number) {
  if (text.empty()) throw FleetFileError(number, "the connection line is empty");
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20)
      throw FleetFileError(number, "the connection line holds a control character");
  }
  frame::ConnectionLine connection;
  std::string buffer = text + "\r";
  std::size_t pos = 0;
  try {
    frame::ParseConnectionLine(buffer, pos, connection);
  } catch (const frame::JobFailure& failure) {
    throw FleetFileError(number, "connection line \"" + frame::Cp1250ToUtf8(text) +
                                     "\": " + DescribeConnectionFault(failure.pair()) + " (error " +
                                     std::to_string(failure.code()) + "/" +
                                     std::to_string(failure.subcode()) + ")");
  }
  // The job ignores whatever follows the log name; here it can only be a
  // mistake, such as a fifth field.
  if (pos < text.size())
    throw FleetFileError(number, "connection line \"" + frame::Cp1250ToUtf8(text) +
                                     "\": text after the log name: \"" +
                                     frame::Cp1250ToUtf8(text.substr(pos)) + "\"");
  return connection;
}

}  // namespace

bool IsValidRegisterName(std::string_view name) {
  if (name.empty() || name.size() > kMaxName || name == "." || name == "..") return false;
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::string DescribeConnectionFault(frame::ErrorPair pair) {
  namespace error = frame::error;
  struct Fault {
    frame::ErrorPair pair;
    const char* text;
  };
  static constexpr Fault kFaults[] = {
      {error::kUnknownModel,
       "the register model is none of 39T 359 360 362 549 579 396 649 650 652 1.86"},
      {error::kConnectionLineUnseparated,
       "neither \",\" (serial) nor \".\" (TCP/IP) within its first ten characters"},
      {error::kSerialTerminalTooLong, "the terminal number is longer than 6 characters"},
      {error::kSerialTerminalEmpty, "the terminal number is empty"},
      {error::kSerialTerminalTooLarge, "the terminal number is above 255"},
      {error::kPortNotFollowed, "the COM number is not one character followed by \",\""},
      {error::kPortNotDigit, "the COM number is not 1 to 9"},
      {error::kSpeedNotFollowed, "the speed code is not one character followed by \",\""},
      {error::kSpeedNotDigit, "the speed code is not a digit"},
      {error::kDataBitsNotFollowed, "the data bits are not one character followed by \",\""},
      {error::kParityNotFollowed, "the parity is not one letter followed by \",\""},
      {error::kParityUnknown, "the parity is none of N O E M S"},
      {error::kAddressTooLong, "the IP address is longer than 21 characters"},
      {error::kNetworkTerminalTooLong, "the terminal number is longer than 6 characters"},
      {error::kNetworkTerminalEmpty, "the terminal number is empty"},
      {error::kNetworkTerminalTooLarge, "the terminal number is above 255"},
      {error::kModelTooLong, "the register model is longer than 4 characters"},
      {error::kModelNotFollowed, "a field is missing before the register model or after it"},
      {error::kLogNameBad, "the log file name is empty or longer than 120 characters"},
  };
  for (const Fault& fault : kFaults) {
    if (fault.pair == pair) return fault.text;
  }
  return "not a valid connection line";
}

std::string DecodeFleetText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (frame::IsValidUtf8(bytes)) return std::string(bytes);
  return frame::Cp1250ToUtf8(bytes);
}

std::vector<FleetRegister> ParseFleetFile(std::string_view bytes) {
  std::string text = DecodeFleetText(bytes);
  std::vector<FleetRegister> registers;
  std::map<std::string, int> seen;  // lower-case name -> line
  int number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end;
    if (at < text.size() && text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    if (at < text.size()) ++at;
    ++number;
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;

    std::vector<std::string> fields;
    try {
      fields = SplitFields(line);
    } catch (const std::invalid_argument& e) {
      throw FleetFileError(number, e.what());
    }
    while (fields.size() > 3 && Trim(fields.back()).empty()) fields.pop_back();
    if (fields.size() != 3)
      throw FleetFileError(number, "expected 3 fields (name;connection line;command file), found " +
                                       std::to_string(fields.size()));
    FleetRegister r;
    r.line = number;
    r.name = Trim(fields[0]);
    CheckName(r.name, number);
    auto [it, fresh] = seen.emplace(LowerAscii(r.name), number);
    if (!fresh)
      throw FleetFileError(number, "the name \"" + r.name + "\" is already used on line " +
                                       std::to_string(it->second) +
                                       " (names are compared without regard to letter case)");
    std::string connection = frame::Utf8ToCp1250(fields[1]);
    if (frame::Cp1250ToUtf8(connection) != fields[1])
      throw FleetFileError(number, "the connection line holds characters that Windows-1250 lacks");
    r.connection = CheckConnection(connection, number);
    r.connectionText = connection;
    r.commandFile = Trim(fields[2]);
    if (r.commandFile.empty()) throw FleetFileError(number, "the command file is empty");
    registers.push_back(std::move(r));
  }
  if (registers.empty()) throw FleetFileError(0, "the fleet file lists no register");
  return registers;
}

}  // namespace tarvik::fleet
