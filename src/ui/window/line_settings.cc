#include "ui/window/line_settings.h"

#include <algorithm>
#include <cstdlib>

#include "frame/codepage.h"
#include "frame/error_pairs.h"
#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/scoped_values.h"
#include "frame/serial_line_settings.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "job/command_file.h"
#include "link/rewrite.h"
#include "platform/com_ports.h"
#include "platform/file_names.h"

namespace tarvik::ui::window {
namespace {

// A decimal number read as atoi does, from at most `limit` characters.
int Number(std::string_view text, std::size_t limit) {
  return static_cast<int>(std::strtol(std::string(text.substr(0, limit)).c_str(), nullptr, 10));
}

std::string Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

IpChoices FromAddress(const std::string& address) {
  IpChoices choices;
  std::size_t start = 0;
  for (std::size_t i = 0; i < 4 && start <= address.size(); ++i) {
    std::size_t end = address.find('.', start);
    if (end == std::string::npos) end = address.size();
    choices.octets[i] =
        std::to_string(Number(std::string_view(address).substr(start, end - start), 4));
    start = end + 1;
  }
  for (std::string& octet : choices.octets) {
    if (octet.empty()) octet = "0";
  }
  return choices;
}

int ModelIndex(const std::string& model) {
  const std::vector<std::string> names = IpModelNames();
  const auto found = std::find(names.begin(), names.end(), model);
  return found == names.end() ? 0 : static_cast<int>(found - names.begin());
}

// The values the command files are rewritten with, from the connection record.
link::RewriteValues ValuesOf(const frame::ConnectionLine& c) {
  link::RewriteValues values;
  values.terminalNumber = c.terminalNumber;
  values.port = c.comNumber;
  values.baudRate = c.baudRate;
  values.dataBits = c.dataBits;
  values.parity = c.parity;
  if (!c.modelText.empty()) values.modelText = c.modelText;
  values.logName = c.logFileName;
  std::array<int, 4> octets{};
  std::size_t start = 0;
  std::size_t count = 0;
  for (; count < 4 && start <= c.ipAddress.size(); ++count) {
    std::size_t end = c.ipAddress.find('.', start);
    if (end == std::string::npos) end = c.ipAddress.size();
    octets[count] = Number(std::string_view(c.ipAddress).substr(start, end - start), 4);
    start = end + 1;
  }
  if (count == 4 && start > c.ipAddress.size()) values.address = octets;
  return values;
}

// The marker file tk: "0" after serial lines were set, "1" after addresses.
void WriteLinkMarker(frame::Program& program, char digit) {
  frame::ProgramFile file = frame::ProgramFile::Open(program, "tk", frame::OpenMode::kCreate);
  file.WriteByte(static_cast<std::uint8_t>(digit));
  file.Close();
}

// The program's own command files (".cmx") for as long as it lives.
class OwnCommandFiles {
 public:
  explicit OwnCommandFiles(frame::Program& program)
      : keep_(frame::Restore::kAlways, program.settings.priponaCmd) {
    program.settings.priponaCmd = "cmx";
  }

 private:
  frame::ScopedValues<std::string> keep_;
};

// The dialog as the rewriting asks it: the values follow the record.
std::function<bool(link::RewriteValues&)> Asking(frame::Program& program,
                                                 const std::function<bool()>& dialog) {
  return [&program, &dialog](link::RewriteValues& chosen) {
    if (!dialog()) return false;
    chosen = ValuesOf(program.connection);
    return true;
  };
}

}  // namespace

std::string_view ModelCode(std::size_t index) {
  std::string_view model = kRegisterModels.at(index);
  return model.substr(0, model.find(' '));
}

void LoadLogoConnection(frame::Program& program) {
  frame::ScopedValues keep(frame::Restore::kAlways, program.settings.priponaCmd,
                           program.paths.commandFileName, program.command);
  program.settings.priponaCmd = "cmx";
  program.paths.commandFileName = "glog1.cmx";
  job::CommandFileState state;
  job::NextCommand(program, state);
}

std::vector<std::string> PortNames(const frame::Program& program) {
  std::vector<std::string> names;
  for (int n = 1; n <= kPortCount; ++n) {
    const std::string name = "COM" + std::to_string(n);
    const std::string device = frame::ComDevice(program, n);
    // The system's own name of the port ("\\.\COM3" on Windows) says nothing more.
    const bool ownName = device == platform::DefaultComDevice(n) && device.ends_with(name);
    names.push_back(ownName ? name : name + "  (" + frame::Cp1250ToUtf8(device) + ")");
  }
  return names;
}

PortChoices StartingPortChoices(const frame::Program& program) {
  const frame::ConnectionLine& c = program.connection;
  PortChoices choices;
  choices.port = c.comNumber >= 1 && c.comNumber <= kPortCount ? c.comNumber - 1 : -1;
  for (std::size_t i = 0; i < kSpeeds.size(); ++i) {
    if (c.baudRate == kLowestSpeed << i) choices.speed = static_cast<int>(i);
  }
  choices.terminal = std::to_string(c.terminalNumber);
  choices.dataBits = c.dataBits >= kLowestDataBits && c.dataBits <= 8 ? c.dataBits - 5 : -1;
  const auto parity = static_cast<std::size_t>(c.parity);
  choices.parity = parity < kParities.size() ? static_cast<int>(parity) : -1;
  choices.model = c.modelNumber >= 1 && c.modelNumber <= static_cast<int>(kRegisterModels.size())
                      ? c.modelNumber - 1
                      : -1;
  // The parser appended ".log" to a bare name; the line holds the bare name.
  std::string log = c.logFileName;
  if (log.size() >= 4 && platform::EqualNoCase(log.substr(log.size() - 4), ".log")) {
    log.resize(log.size() - 4);
  }
  choices.logName = frame::Cp1250ToUtf8(log);
  return choices;
}

std::optional<std::string> CheckPortChoices(const PortChoices& choices) {
  const std::string log = frame::Utf8ToCp1250(choices.logName);
  if (log.empty()) return "Zadejte jméno souboru log.";
  if (log.size() > kMaxLogName) {
    return frame::Format("Jméno souboru log smí mít nejvýše %d znaků.", kMaxLogName);
  }
  if (log.find_first_of(",\r\n") != std::string::npos) {
    return "Jméno souboru log nesmí obsahovat čárku.";
  }
  return std::nullopt;
}

void ApplyPortChoices(frame::Program& program, const PortChoices& choices) {
  frame::ConnectionLine& c = program.connection;
  // A list left without a choice keeps its value.
  if (choices.port >= 0 && choices.port < kPortCount) {
    c.comNumber = choices.port + 1;
    c.comDigit = static_cast<char>('0' + c.comNumber);
  }
  if (choices.speed >= 0 && choices.speed < static_cast<int>(kSpeeds.size())) {
    c.baudRate = kLowestSpeed << choices.speed;
  }
  if (choices.dataBits >= 0 && choices.dataBits <= 8 - kLowestDataBits) {
    c.dataBits = choices.dataBits + kLowestDataBits;
  }
  if (choices.parity >= 0 && choices.parity < static_cast<int>(kParities.size())) {
    c.parity = static_cast<platform::Parity>(choices.parity);
  }
  if (choices.model >= 0 && choices.model < static_cast<int>(kRegisterModels.size())) {
    c.modelNumber = choices.model + 1;
    c.modelText = kRegisterModels[static_cast<std::size_t>(choices.model)];
  }
  const int terminal = Number(choices.terminal, 6);
  c.terminalNumber = terminal >= 0 && terminal < 257 ? terminal : 0;
  c.terminalText = frame::Format("%02d", c.terminalNumber);
  std::string log = frame::Utf8ToCp1250(choices.logName);
  if (log.size() > kMaxLogNameInput) log.resize(kMaxLogNameInput);
  c.logFileName = log;

  frame::LineSettings line = program.serialLine.Get();
  line.port = c.comNumber;
  line.baudRate = c.baudRate;
  line.parity = c.parity;
  program.serialLine.Set(line);
}

std::vector<std::string> IpModelNames() {
  std::vector<std::string> names{""};
  for (std::size_t i = 0; i < kRegisterModels.size(); ++i) names.emplace_back(ModelCode(i));
  return names;
}

IpChoices StartingIpChoices(frame::Program& program) {
  frame::ProgramFile file =
      frame::ProgramFile::Open(program, "iglog1.cmx", frame::OpenMode::kReadIfPresent);
  std::string text;
  if (!file.IsOpen() || !file.ReadLine(&text, 256)) {
    const frame::ConnectionLine& c = program.connection;
    IpChoices current = FromAddress(c.ipAddress);
    current.terminal = std::to_string(c.terminalNumber);
    current.model = ModelIndex(Trimmed(c.modelText));
    return current;
  }
  file.Close();
  const std::size_t comma = text.find(',');
  IpChoices choices = FromAddress(text.substr(0, comma));
  const std::string rest = comma == std::string::npos ? std::string() : text.substr(comma + 1);
  const std::size_t end = rest.find(',');
  const std::string terminal = rest.substr(0, end);
  if (terminal.size() > 7) frame::Fail(frame::error::kDialogTerminalTooLong);
  std::string model = end == std::string::npos ? std::string() : rest.substr(end + 1);
  model = model.substr(0, model.find(','));
  if (model.size() > 5) frame::Fail(frame::error::kDialogModelTooLong);
  choices.terminal = frame::Cp1250ToUtf8(Trimmed(terminal));
  choices.model = ModelIndex(Trimmed(model));
  if (choices.octets[0] == "0") choices.octets = {"192", "168", "0", "0"};
  return choices;
}

std::optional<std::string> CheckIpChoices(const IpChoices& choices) {
  for (const std::string& octet : choices.octets) {
    const int value = Number(octet, 3);
    if (value < 0 || value > 255) {
      return frame::Format("Číslo IP adresy musí být od 0 do 255, ne %d.", value);
    }
  }
  return std::nullopt;
}

void ApplyIpChoices(frame::Program& program, const IpChoices& choices) {
  frame::ConnectionLine& c = program.connection;
  std::array<int, 4> octets{};
  for (std::size_t i = 0; i < 4; ++i) octets[i] = Number(choices.octets[i], 3);
  c.ipAddress = frame::Format("%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
  const std::vector<std::string> names = IpModelNames();
  const bool listed = choices.model > 0 && choices.model < static_cast<int>(names.size());
  std::string model = listed ? names[static_cast<std::size_t>(choices.model)] : std::string();
  model.resize(std::max<std::size_t>(model.size(), 4), ' ');
  c.modelText = model;
  c.modelNumber = listed ? choices.model : 0;
  c.terminalNumber = Number(choices.terminal, 3);
  c.terminalText = frame::Format("%02d", c.terminalNumber);
}

void SetSerialLines(frame::Program& program, const std::function<bool()>& dialog) {
  link::RewriteValues values = ValuesOf(program.connection);
  const auto ask = Asking(program, dialog);
  if (link::RewriteSerialParams(program, values, ask, false, link::RewriteMode::kFull)) {
    OwnCommandFiles own(program);
    link::RewriteSerialParams(program, values, nullptr, true, link::RewriteMode::kFull);
  }
  WriteLinkMarker(program, '0');
}

void SetIpAddresses(frame::Program& program, const std::function<bool()>& dialog) {
  link::RewriteValues values = ValuesOf(program.connection);
  const auto ask = Asking(program, dialog);
  if (!link::RewriteIpParams(program, values, ask, false)) return;
  {
    OwnCommandFiles own(program);
    link::RewriteIpParams(program, values, nullptr, true);
  }
  WriteLinkMarker(program, '1');
}

}  // namespace tarvik::ui::window
