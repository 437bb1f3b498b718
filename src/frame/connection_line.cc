#include "frame/connection_line.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "frame/errors.h"

namespace tarvik::frame {
namespace {

constexpr const char* kModels[] = {"39T ", "359 ", "360 ", "362 ", "549 ", "579 ",
                                   "396 ", "649 ", "650 ", "652 ", "1.86"};

// Reads a decimal number the way atoi does (leading blanks and a sign).
long AtoL(const std::string& text) {
  return std::strtol(text.c_str(), nullptr, 10);
}

// Takes the characters from `pos` up to `stop` (or CR); returns them.
std::string Field(const std::string& text, std::size_t& pos, char stop) {
  std::size_t start = pos;
  while (pos < text.size() && text[pos] != stop && text[pos] != '\r') ++pos;
  return text.substr(start, pos - start);
}

// One character followed by ",".
char Single(const std::string& text, std::size_t& pos, ErrorPair notFollowed) {
  if (pos + 1 >= text.size() || text[pos + 1] != ',') Fail(notFollowed);
  char c = text[pos];
  pos += 2;
  return c;
}

// The terminal field's failures: a serial line's, a network line's.
struct TerminalPairs {
  ErrorPair tooLong, empty, tooLarge;
};
constexpr TerminalPairs kSerialTerminal{error::kSerialTerminalTooLong, error::kSerialTerminalEmpty,
                                        error::kSerialTerminalTooLarge};
constexpr TerminalPairs kNetworkTerminal{
    error::kNetworkTerminalTooLong, error::kNetworkTerminalEmpty, error::kNetworkTerminalTooLarge};

void ParseTerminal(ConnectionLine& c, const std::string& field, const TerminalPairs& pairs) {
  if (field.size() > 6) Fail(pairs.tooLong);
  if (field.empty()) Fail(pairs.empty);
  long value = AtoL(field);
  if (value > 255) Fail(pairs.tooLarge);
  c.terminalText = field;
  c.terminalNumber = static_cast<int>(value);
}

}  // namespace

void ParseLinkFields(const std::string& text, std::size_t& pos, ConnectionLine& c) {
  std::size_t limit = std::min<std::size_t>(10, text.size());
  std::size_t dot = text.find('.');
  std::size_t comma = text.find(',');
  std::size_t first = std::min(dot, comma);
  if (first == std::string::npos || first >= limit) Fail(error::kConnectionLineUnseparated);
  pos = 0;
  if (first == dot) {
    c.linkType = LinkType::kTcpIp;
    std::string address = Field(text, pos, ',');
    if (address.size() > 21) Fail(error::kAddressTooLong);
    c.ipAddress = address;
    if (pos >= text.size() || text[pos] != ',') Fail(error::kAddressNotFollowed);
    ++pos;
    std::string terminal = Field(text, pos, ',');
    ParseTerminal(c, terminal, kNetworkTerminal);
    if (pos >= text.size() || text[pos] != ',') Fail(error::kNetworkTerminalNotFollowed);
    ++pos;
    return;
  }
  c.linkType = LinkType::kSerial;
  std::string terminal = Field(text, pos, ',');
  ParseTerminal(c, terminal, kSerialTerminal);
  if (pos >= text.size() || text[pos] != ',') Fail(error::kSerialTerminalNotFollowed);
  ++pos;
  char com = Single(text, pos, error::kPortNotFollowed);
  if (com < '1' || com > '9') Fail(error::kPortNotDigit);
  c.comDigit = com;
  c.comNumber = com - '0';
  char speed = Single(text, pos, error::kSpeedNotFollowed);
  // Any digit is taken by the formula; a character that is no digit would
  // shift by a meaningless amount.
  if (speed < '0' || speed > '9') Fail(error::kSpeedNotDigit);
  c.baudRate = 300u << (speed - '0');
  char bits = Single(text, pos, error::kDataBitsNotFollowed);
  c.dataBits = bits - '0';
  char parity = Single(text, pos, error::kParityNotFollowed);
  switch (parity) {
    case 'N':
    case 'n':
      c.parity = platform::Parity::kNone;
      break;
    case 'O':
    case 'o':
      c.parity = platform::Parity::kOdd;
      break;
    case 'E':
    case 'e':
      c.parity = platform::Parity::kEven;
      break;
    case 'M':
    case 'm':
      c.parity = platform::Parity::kMark;
      break;
    case 'S':
    case 's':
      c.parity = platform::Parity::kSpace;
      break;
    default:
      Fail(error::kParityUnknown);
  }
}

void ParseModelField(const std::string& text, std::size_t& pos, ConnectionLine& c) {
  std::string model = Field(text, pos, ',');
  if (model.size() > 4) Fail(error::kModelTooLong);
  if (pos >= text.size() || text[pos] != ',') Fail(error::kModelNotFollowed);
  ++pos;
  model.resize(4, ' ');
  auto it = std::find(std::begin(kModels), std::end(kModels), model);
  if (it == std::end(kModels)) Fail(error::kUnknownModel);
  c.modelText = model;
  c.modelNumber = static_cast<int>(it - std::begin(kModels)) + 1;
}

void ParseLogField(const std::string& text, std::size_t& pos, ConnectionLine& c) {
  std::string log = Field(text, pos, ',');
  if (log.empty() || log.size() > 120) Fail(error::kLogNameBad);
  if (log.find('.') == std::string::npos) log += ".log";
  c.logFileName = log;
  // Nothing behind the log name is examined: the first command starts right
  // after the character that ended it.
  if (pos < text.size()) ++pos;
}

void ParseConnectionLine(const std::string& text, std::size_t& pos, ConnectionLine& c) {
  ParseLinkFields(text, pos, c);
  ParseModelField(text, pos, c);
  ParseLogField(text, pos, c);
}

}  // namespace tarvik::frame
