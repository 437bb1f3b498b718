#include <algorithm>
#include <cstdlib>

#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "platform/com_ports.h"

namespace tarvik::frame {
namespace {

constexpr std::size_t kMaxIniLine = 255;
constexpr int kMaxIniLines = 1002;

bool Has(const std::string& line, const char* key) {
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

}  // namespace

int IniIntegerValue(const std::string& line) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) Fail(29, 5);
  return std::atoi(line.c_str() + eq + 1);
}

std::string IniTextValue(const std::string& line, std::size_t maximum) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) Fail(29, 3);
  std::size_t b = line.find_first_not_of(' ', eq + 1);
  std::string value = b == std::string::npos ? std::string() : line.substr(b);
  if (value.size() > maximum + 1) Fail(29, 4);
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

void ReadIniFile(Program& program) {
  JobSettings& s = program.settings;
  const CommandLineMarks& m = program.marks;
  s.IniFileFound = 0;
  ProgramFile file = ProgramFile::Open(program, "tarvik.ini", 'R');
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
    if (Has(line, "pripona_cmd")) s.pripona_cmd = IniTextValue(line, 6);
    if (Has(line, "pripona_davky")) IniTextValue(line, 6);
    if (Has(line, "oddelovac")) {
      std::string v = IniTextValue(line, 1);
      s.oddelovac = v.empty() ? '\0' : v[0];
    }
    if (Has(line, "cislo_modem")) s.cislo_modem = IniTextValue(line, 20);
    if (Has(line, "timeout")) {
      int t = IniIntegerValue(line);
      if (t > 100) {
        t = 100;
        ShowMessage(program, "V souboru .ini je prilis velka hodnota timeoutu.\rNastavuji 100 sec.",
                    ui::kStyleExclamation);
      } else if (t < 1) {
        t = 1;
        ShowMessage(program, "V souboru .ini je prilis mala hodnota timeoutu.\rNastavuji 1 sec.",
                    ui::kStyleExclamation);
      }
      s.timeout = t;
    }
    if (Has(line, "ticho") && !m.ticho) s.ticho = IniIntegerValue(line);
    if (Has(line, "zvuk")) s.zvuk = IniIntegerValue(line);
    if (Has(line, "komunikace_modem")) s.komunikace_modem = IniIntegerValue(line);
    if (Has(line, "zurnal_radky")) s.zurnal_radky = IniIntegerValue(line);
    if (Has(line, "extend_journal")) s.extend_journal = IniIntegerValue(line);
    if (Has(line, "wait_modem")) s.wait_modem = IniIntegerValue(line);
    if (Has(line, "zpozdeni")) s.zpozdeni = IniIntegerValue(line);
    if (Has(line, "localpath")) IniIntegerValue(line);
    if (Has(line, "cislovani")) s.cislovani = static_cast<std::uint8_t>(IniIntegerValue(line));
    if (Has(line, "cisniciplu")) s.cisniciplu = IniIntegerValue(line);
    if (Has(line, "extraucty")) s.extraucty = IniIntegerValue(line);
    if (Has(line, "simulace")) s.simulace = IniIntegerValue(line);
    if (Has(line, "cekani_zamku")) s.cekani_zamku = std::max(IniIntegerValue(line), 0);
    if (Has(line, "fiskal") && !m.fiskal) s.fiskal = IniIntegerValue(line);
    if (Has(line, "progress")) s.progress = IniIntegerValue(line);
    if (Has(line, "okno") && !m.okno) s.okno = IniIntegerValue(line);
    if (Has(line, "debug") && !m.debug) s.debug = IniIntegerValue(line);
    if (Has(line, "stahujvzdy") && !m.stahujvzdy) s.stahujvzdy = IniIntegerValue(line);
    if (Has(line, "rawdebug") && !m.rawdebug) {
      s.rawdebug = IniIntegerValue(line);
      if (s.rawdebug) s.debug = 1;
    }
    if (Has(line, "hlaseni") && !m.hlaseni) s.hlaseni = IniIntegerValue(line);
    if (Has(line, "konverze") && !m.konverze) s.konverze = IniIntegerValue(line);
    if (Has(line, "konec")) break;
  }
  s.IniFileFound = 1;
}

void InitSettings(Program& program) {
  JobSettings& s = program.settings;
  s.pripona_cmd = "cmd";
  s.oddelovac = ';';
  s.wait_modem = 30;
  s.komunikace_modem = 0;
  s.cislovani = 0;
  s.cisniciplu = 1;
  s.extraucty = 0;
  s.simulace = 0;
  s.cekani_zamku = kDefaultLockWaitSeconds;
  program.terminal.Reset();
  ReadIniFile(program);
  if (s.debug) {
    if (!s.IniFileFound) TerminalWrite(program, "\rSoubor .ini neexistuje.");
    TerminalWrite(program, Format("\rNastavene hodnoty: \r\npripona_cmd = %s \rticho = %d \rzvuk = "
                                  "%d\rdebug = %d \rokno  = %d \rhlaseni = %d\rtimeout = %d "
                                  "sec.\rstahujvzdy = %d\r",
                                  s.pripona_cmd.c_str(), s.ticho, s.zvuk, s.debug, s.okno,
                                  s.hlaseni, s.timeout, s.stahujvzdy));
  }
}

}  // namespace tarvik::frame
