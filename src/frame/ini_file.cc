#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/setting_tables.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "platform/com_ports.h"

namespace tarvik::frame {
namespace {

constexpr std::size_t kMaxIniLine = 255;
constexpr int kMaxIniLines = 1002;

bool Has(const std::string& line, std::string_view key) {
  return line.find(key) != std::string::npos;
}

// "comN=" at the start of the line (either case of "com"), N = 1..9.
int ComLine(const std::string& line) {
  if (line.size() < 5) return 0;
  auto lower = [](char c) { return static_cast<char>(c | 0x20); };
  if (lower(line[0]) != 'c' || lower(line[1]) != 'o' || lower(line[2]) != 'm') return 0;
  if (line[3] < '1' || line[3] > '9' || line[4] != '=') return 0;
  return line[3] - '0';
}

std::string Trim(const std::string& text) {
  std::size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  std::size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

template <int JobSettings::*field>
void TakeInteger(Program& program, const IniKey&, const std::string& line) {
  program.settings.*field = IniIntegerValue(line);
}
template <std::string JobSettings::*field>
void TakeText(Program& program, const IniKey& key, const std::string& line) {
  program.settings.*field = IniTextValue(line, key.maxLength);
}
void TakeUnusedText(Program&, const IniKey& key, const std::string& line) {
  IniTextValue(line, key.maxLength);
}
void TakeUnusedInteger(Program&, const IniKey&, const std::string& line) {
  IniIntegerValue(line);
}

// Out of range, the nearest limit is taken and the user is told.
void TakeTimeout(Program& program, const IniKey& key, const std::string& line) {
  int t = IniIntegerValue(line);
  if (t > key.maximum) {
    t = key.maximum;
    ShowMessage(program, "V souboru .ini je prilis velka hodnota timeoutu.\rNastavuji 100 sec.",
                screen::kStyleExclamation);
  } else if (t < key.minimum) {
    t = key.minimum;
    ShowMessage(program, "V souboru .ini je prilis mala hodnota timeoutu.\rNastavuji 1 sec.",
                screen::kStyleExclamation);
  }
  program.settings.timeout = t;
}

// A non-zero rawdebug also turns debug on.
void TakeRawdebug(Program& program, const IniKey&, const std::string& line) {
  program.settings.rawdebug = IniIntegerValue(line);
  if (program.settings.rawdebug) program.settings.debug = 1;
}

void TakeSeparator(Program& program, const IniKey& key, const std::string& line) {
  std::string v = IniTextValue(line, key.maxLength);
  program.settings.oddelovac = v.empty() ? '\0' : v[0];
}

// A negative wait is no wait.
void TakeLockWait(Program& program, const IniKey& key, const std::string& line) {
  program.settings.cekaniZamku = std::max(IniIntegerValue(line), key.minimum);
}

void TakeNumbering(Program& program, const IniKey&, const std::string& line) {
  program.settings.cislovani = static_cast<std::uint8_t>(IniIntegerValue(line));
}

template <int JobSettings::*field>
std::string IntegerText(const JobSettings& s) {
  return std::to_string(s.*field);
}
template <std::string JobSettings::*field>
std::string Text(const JobSettings& s) {
  return s.*field;
}
std::string Nothing(const JobSettings&) {
  return {};
}

constexpr int kAny = INT_MIN;
constexpr int kAll = INT_MAX;
using K = IniValueKind;
using M = CommandLineMarks;
using S = JobSettings;

// Every line is tested against each key in this order.
constexpr IniKey kIniKeys[] = {
    {"pripona_cmd", K::kText, 6, 0, 0, true, nullptr, "cmd", TakeText<&S::priponaCmd>,
     Text<&S::priponaCmd>},
    {"pripona_davky", K::kText, 6, 0, 0, false, nullptr, "", TakeUnusedText, Nothing},
    {"oddelovac", K::kCharacter, 1, 0, 0, true, nullptr, ";", TakeSeparator,
     [](const S& s) { return std::string(1, s.oddelovac); }},
    {"cislo_modem", K::kText, 20, 0, 0, true, nullptr, "", TakeText<&S::cisloModem>,
     Text<&S::cisloModem>},
    {"timeout", K::kInteger, 0, kMinIniTimeout, kMaxIniTimeout, true, nullptr, "10", TakeTimeout,
     IntegerText<&S::timeout>},
    {"ticho", K::kSwitch, 0, 0, 1, true, &M::ticho, "0", TakeInteger<&S::ticho>,
     IntegerText<&S::ticho>},
    {"zvuk", K::kInteger, 0, kAny, kAll, true, nullptr, "-1", TakeInteger<&S::zvuk>,
     IntegerText<&S::zvuk>},
    {"komunikace_modem", K::kSwitch, 0, 0, 1, true, nullptr, "0", TakeInteger<&S::komunikaceModem>,
     IntegerText<&S::komunikaceModem>},
    {"zurnal_radky", K::kInteger, 0, kAny, kAll, true, nullptr, "1", TakeInteger<&S::zurnalRadky>,
     IntegerText<&S::zurnalRadky>},
    {"extend_journal", K::kSwitch, 0, 0, 1, true, nullptr, "0", TakeInteger<&S::extendJournal>,
     IntegerText<&S::extendJournal>},
    {"wait_modem", K::kInteger, 0, kAny, kAll, true, nullptr, "30", TakeInteger<&S::waitModem>,
     IntegerText<&S::waitModem>},
    {"zpozdeni", K::kInteger, 0, kAny, kAll, true, nullptr, "1600", TakeInteger<&S::zpozdeni>,
     IntegerText<&S::zpozdeni>},
    {"localpath", K::kInteger, 0, kAny, kAll, false, nullptr, "", TakeUnusedInteger, Nothing},
    {"cislovani", K::kInteger, 0, 0, 255, true, nullptr, "0", TakeNumbering,
     [](const S& s) { return std::to_string(s.cislovani); }},
    {"cisniciplu", K::kSwitch, 0, 0, 1, true, nullptr, "1", TakeInteger<&S::cisniciplu>,
     IntegerText<&S::cisniciplu>},
    {"extraucty", K::kSwitch, 0, 0, 1, true, nullptr, "0", TakeInteger<&S::extraucty>,
     IntegerText<&S::extraucty>},
    {"simulace", K::kSwitch, 0, 0, 1, true, nullptr, "0", TakeInteger<&S::simulace>,
     IntegerText<&S::simulace>},
    {"cekani_zamku", K::kInteger, 0, 0, kAll, true, nullptr, "600", TakeLockWait,
     IntegerText<&S::cekaniZamku>},
    {"fiskal", K::kSwitch, 0, 0, 1, true, &M::fiskal, "0", TakeInteger<&S::fiskal>,
     IntegerText<&S::fiskal>},
    {"progress", K::kSwitch, 0, 0, 1, true, nullptr, "0", TakeInteger<&S::progress>,
     IntegerText<&S::progress>},
    {"okno", K::kSwitch, 0, 0, 1, true, &M::okno, "0", TakeInteger<&S::okno>,
     IntegerText<&S::okno>},
    {"debug", K::kSwitch, 0, 0, 1, true, &M::debug, "0", TakeInteger<&S::debug>,
     IntegerText<&S::debug>},
    {"stahujvzdy", K::kSwitch, 0, 0, 1, true, &M::stahujvzdy, "0", TakeInteger<&S::stahujvzdy>,
     IntegerText<&S::stahujvzdy>},
    {"rawdebug", K::kSwitch, 0, 0, 1, true, &M::rawdebug, "0", TakeRawdebug,
     IntegerText<&S::rawdebug>},
    {"hlaseni", K::kSwitch, 0, 0, 1, true, &M::hlaseni, "0", TakeInteger<&S::hlaseni>,
     IntegerText<&S::hlaseni>},
    {"konverze", K::kSwitch, 0, 0, 1, true, &M::konverze, "0", TakeInteger<&S::konverze>,
     IntegerText<&S::konverze>},
};

}  // namespace

std::span<const IniKey> IniKeys() {
  return kIniKeys;
}

int IniIntegerValue(const std::string& line) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) Fail(error::kIniNumberKeyWithoutEquals);
  return std::atoi(line.c_str() + eq + 1);
}

std::string IniTextValue(const std::string& line, std::size_t maximum) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) Fail(error::kIniTextKeyWithoutEquals);
  std::size_t b = line.find_first_not_of(' ', eq + 1);
  std::string value = b == std::string::npos ? std::string() : line.substr(b);
  if (value.size() > maximum + 1) Fail(error::kIniTextTooLong);
  std::size_t e = value.find_last_not_of(' ');
  value.resize(e == std::string::npos ? 0 : e + 1);
  return value;
}

std::string ComDevice(const Program& program, int comNumber) {
  if (comNumber >= 1 && comNumber <= 9 &&
      !program.comDevice[static_cast<std::size_t>(comNumber)].empty()) {
    return program.comDevice[static_cast<std::size_t>(comNumber)];
  }
  return platform::DefaultComDevice(comNumber);
}

std::array<std::string, 10> IniComDevices(const std::string& iniText) {
  std::array<std::string, 10> devices;
  int counted = 0;
  for (std::size_t at = 0; at < iniText.size() && counted < kMaxIniLines;) {
    std::size_t end = iniText.find('\n', at);
    if (end == std::string::npos) end = iniText.size();
    std::string line = iniText.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 2, "//") == 0) continue;
    ++counted;
    if (int com = ComLine(line)) {
      devices[static_cast<std::size_t>(com)] = Trim(line.substr(5));
      continue;
    }
    if (Has(line, "konec")) break;
  }
  return devices;
}

void ReadIniFile(Program& program) {
  JobSettings& s = program.settings;
  const CommandLineMarks& m = program.marks;
  s.iniFileFound = 0;
  ProgramFile file = ProgramFile::Open(program, "tarvik.ini", OpenMode::kReadIfPresent);
  if (!file.IsOpen()) return;

  std::string line;
  int counted = 0;
  while (counted < kMaxIniLines && file.ReadLine(&line, kMaxIniLine)) {
    if (line.compare(0, 2, "//") == 0) continue;
    ++counted;
    if (int com = ComLine(line)) {
      program.comDevice[static_cast<std::size_t>(com)] = Trim(line.substr(5));
      continue;
    }
    for (const IniKey& key : IniKeys()) {
      if (!Has(line, key.name) || (key.mark && m.*key.mark)) continue;
      key.apply(program, key, line);
    }
    if (Has(line, "konec")) break;
  }
  s.iniFileFound = 1;
}

void InitSettings(Program& program) {
  JobSettings& s = program.settings;
  s.priponaCmd = "cmd";
  s.oddelovac = ';';
  s.waitModem = 30;
  s.komunikaceModem = 0;
  s.cislovani = 0;
  s.cisniciplu = 1;
  s.extraucty = 0;
  s.simulace = 0;
  s.cekaniZamku = kDefaultLockWaitSeconds;
  program.terminal.Reset();
  program.serialLine.Reset();
  ReadIniFile(program);
  if (s.debug) {
    if (!s.iniFileFound) TerminalWrite(program, "\rSoubor .ini neexistuje.");
    TerminalWrite(program, Format("\rNastavene hodnoty: \r\npripona_cmd = %s \rticho = %d \rzvuk = "
                                  "%d\rdebug = %d \rokno  = %d \rhlaseni = %d\rtimeout = %d "
                                  "sec.\rstahujvzdy = %d\r",
                                  s.priponaCmd.c_str(), s.ticho, s.zvuk, s.debug, s.okno, s.hlaseni,
                                  s.timeout, s.stahujvzdy));
  }
}

}  // namespace tarvik::frame
