#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "frame/setting_tables.h"
#include "frame/settings.h"
#include "frame/status.h"

namespace tarvik::frame {
namespace {

constexpr std::string_view kBaseName = "tarvik";

void RefuseLongLine(Program& program, std::size_t length) {
  if (length <= kMaxCommandLine) return;
  ShowMessage(program, "Prilis dlouhy prikazovy radek.", screen::kStyleExclamation);
  program.process.Exit(2);
}

template <int JobSettings::*field>
void Set(Program& program, int value) {
  program.settings.*field = value;
}
using M = CommandLineMarks;
using S = JobSettings;

constexpr CommandLineSwitch kSwitches[] = {
    {"/dd", "", "rawdebug", Set<&S::rawdebug>, &M::rawdebug, false},
    {"/d", "/d-", "debug", Set<&S::debug>, &M::debug, false},
    {"/fi", "/fi-", "fiskal", Set<&S::fiskal>, &M::fiskal, false},
    {"/w", "/w-", "okno", Set<&S::okno>, &M::okno, false},
    {"/q", "/q-", "ticho", Set<&S::ticho>, &M::ticho, false},
    {"/k", "/k-", "noLink", Set<&S::noLink>, nullptr, false},
    {"/n", "/n-", "leaveDtr", Set<&S::leaveDtr>, nullptr, false},
    {"/h", "/h-", "hlaseni", Set<&S::hlaseni>, &M::hlaseni, false},
    {"/nooff", "/nooff-", "stahujvzdy", Set<&S::stahujvzdy>, &M::stahujvzdy, false},
    {"/p", "/p-", "konverze", Set<&S::konverze>, &M::konverze, false},
    {"/t", "", "setClockOnly", Set<&S::setClockOnly>, nullptr, true},
    {"/find", "", "searchOnly", Set<&S::searchOnly>, nullptr, false},
    {"/najdi", "", "searchWithWindow", Set<&S::searchWithWindow>, nullptr, false},
    {"/progress", "", "progress", Set<&S::progress>, nullptr, false},
    {"/extendjournal", "", "extend_journal", Set<&S::extendJournal>, nullptr, false},
    {"/z", "", "hangUpAfterJob", [](Program& p, int value) { p.hangUpAfterJob = value; }, nullptr, true},
};

// Resets every switch, mark and counter, then applies the switches that
// `found` reports. The tests run in the table's order and each one is a plain
// substring test, so a plain switch stores 1 and its "-" form, tested later,
// stores 0 and wins when both match ("/h-" also contains "/h").
template <typename Found>
void ApplySwitches(Program& program, Found found) {
  JobSettings& s = program.settings;
  CommandLineMarks& m = program.marks;
  for (const CommandLineSwitch& sw : kSwitches) sw.set(program, 0);
  s.jobRequested = 0;
  m = CommandLineMarks{};
  s.timeout = 10;
  s.zpozdeni = 1600;

  for (const CommandLineSwitch& sw : kSwitches) {
    if (found(sw.on)) {
      sw.set(program, 1);
      if (sw.mark) m.*sw.mark = true;
      if (sw.requestsJob) s.jobRequested = 1;
    }
    if (!sw.off.empty() && found(sw.off)) {
      sw.set(program, 0);
      if (sw.mark) m.*sw.mark = true;
    }
  }
}

// A named command file asks for a job; without one the window opens, unless
// the process only sets the clock or searches the ports.
void TakeCommandFileName(Program& program, std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  JobSettings& s = program.settings;
  program.paths.commandFileName = name;
  if (!name.empty()) {
    s.jobRequested = 1;
    return;
  }
  if (!s.setClockOnly && !s.searchOnly) s.okno = 1;
}

void TakeProgramDirectory(Program& program, std::string directory) {
  program.paths.programDirectory = std::move(directory);
  program.paths.hasProgramDirectory = !program.paths.programDirectory.empty();
}

bool IsSwitchToken(const std::string& arg) {
  return arg.size() >= 2 && arg[0] == '/' && arg.find('/', 1) == std::string::npos;
}

std::string LastComponent(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first token of a Windows command line, the program as it was started:
// up to the closing quote when it starts with one, else up to the first blank.
// Returns the index behind it and stores its text without quotes.
std::size_t ProgramToken(const std::string& line, std::string* text) {
  std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos) {
    text->clear();
    return line.size();
  }
  if (line[start] == '"') {
    std::size_t close = line.find('"', start + 1);
    std::size_t end = close == std::string::npos ? line.size() : close;
    *text = line.substr(start + 1, end - start - 1);
    return close == std::string::npos ? end : close + 1;
  }
  std::size_t end = line.find_first_of(" \t", start);
  if (end == std::string::npos) end = line.size();
  *text = line.substr(start, end - start);
  return end;
}

// The text after the last backslash of `tail`, or failing one after its last
// space; without either, `whole` decides whether all of it is the name.
std::string NameIn(std::string_view tail, bool whole) {
  std::size_t cut = tail.rfind('\\');
  if (cut == std::string_view::npos) cut = tail.rfind(' ');
  if (cut == std::string_view::npos) return whole ? std::string(tail) : std::string();
  return std::string(tail.substr(cut + 1));
}

// Only the last component of a command file's path counts; a caller who
// named a file in another directory is told which one is used.
void SayWhichCommandFile(Program& program, const std::string& given) {
  const std::size_t slash = given.rfind('/');
  if (slash == std::string::npos) return;
  const std::string givenDirectory = given.substr(0, slash + 1);
  const std::string& programDirectory = program.paths.programDirectory;
  std::error_code error;
  if (std::filesystem::equivalent(givenDirectory, programDirectory.empty() ? "." : programDirectory,
                                  error)) {
    return;
  }
  program.console.WriteStderr(
      "Komunikace Tarvik: příkazové soubory se hledají v adresáři programu; použije se " +
      program.MakeProgramPath(program.paths.commandFileName) + ", ne " + given + ".\n");
}

// The same for the rest of a Windows command line behind the program token
// (lower case, switches blanked): a directory in front of the command file's
// name that is not the program directory is named on stderr.
void SayWhichWindowsCommandFile(Program& program, std::string rest) {
  rest.erase(0, std::min(rest.size(), rest.find_first_not_of(' ')));
  rest.erase(rest.find_last_not_of(' ') + 1);
  const std::size_t cut = rest.rfind('\\');
  if (program.paths.commandFileName.empty() || cut == std::string::npos) return;
  if (rest.substr(0, cut + 1) == program.paths.programDirectory) return;
  program.console.WriteStderr(
      "Komunikace Tarvik: příkazové soubory se hledají v adresáři programu; použije se " +
      program.MakeProgramPath(program.paths.commandFileName) + ", ne " + rest + ".\n");
}

}  // namespace

std::span<const CommandLineSwitch> CommandLineSwitches() {
  return kSwitches;
}

void ParseCommandLine(Program& program, const std::vector<std::string>& argv) {
  std::string joined;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (i) joined += ' ';
    joined += argv[i];
  }
  RefuseLongLine(program, joined.size());

  std::vector<std::string> switches;
  std::string commandFile;
  bool haveCommandFile = false;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    if (IsSwitchToken(argv[i])) {
      switches.push_back(argv[i]);
    } else if (!argv[i].empty()) {
      commandFile = argv[i];
      haveCommandFile = true;
    }
  }
  ApplySwitches(program, [&](std::string_view sw) {
    for (const auto& token : switches) {
      if (token.find(sw) != std::string::npos) return true;
    }
    return false;
  });

  if (argv.empty() || (argv[0].empty() && !haveCommandFile)) program.process.Exit(8);

  const std::string& argv0 = argv[0];
  program.paths.argv0 = argv0;
  std::size_t slash = argv0.rfind('/');
  TakeProgramDirectory(program, slash == std::string::npos ? "" : argv0.substr(0, slash + 1));
  TakeCommandFileName(program, haveCommandFile ? LastComponent(commandFile) : std::string());
  if (haveCommandFile) SayWhichCommandFile(program, commandFile);
}

void ParseWindowsCommandLine(Program& program, const std::string& commandLine) {
  RefuseLongLine(program, commandLine.size());
  ApplySwitches(program,
                [&](std::string_view sw) { return commandLine.find(sw) != std::string::npos; });

  std::string started;
  const std::size_t rawTokenEnd = ProgramToken(commandLine, &started);
  program.paths.argv0 = started;

  // The copy: lower case, quotes deleted, switches blanked, no trailing
  // blanks. The character that moves into a deleted quote's place is kept
  // unexamined, so of two adjacent quotes the second stays.
  std::string copy;
  std::size_t tokenEnd = 0;  // the program token's end within the copy
  for (std::size_t r = 0; r < commandLine.size(); ++r) {
    if (r == rawTokenEnd) tokenEnd = copy.size();
    if (commandLine[r] == '"') {
      if (++r == commandLine.size()) break;
      if (r == rawTokenEnd) tokenEnd = copy.size();
    }
    copy += static_cast<char>(std::tolower(static_cast<unsigned char>(commandLine[r])));
  }
  if (rawTokenEnd >= commandLine.size()) tokenEnd = copy.size();
  for (std::size_t i = 0; i < copy.size(); ++i) {
    if (copy[i] != '/') continue;
    while (i < copy.size() && copy[i] != ' ') copy[i++] = ' ';
  }
  copy.erase(copy.find_last_not_of(' ') + 1);
  if (copy.empty()) program.process.Exit(8);
  tokenEnd = std::min(tokenEnd, copy.size());

  // The program's own name is looked for in the program token, so a command
  // file in a directory called "tarvik", or named so itself, does not move the
  // program directory. A program path with blanks that was not quoted leaves
  // the token without the name; then the line is searched for it as a file
  // name behind a backslash.
  const std::string_view token = std::string_view(copy).substr(0, tokenEnd);
  std::size_t at = token.rfind(kBaseName);
  if (at != std::string_view::npos) {
    // Only in a directory of the token: a program of another name.
    if (token.find('\\', at) != std::string_view::npos) at = std::string::npos;
  } else {
    for (std::size_t from = copy.size(); from > 0;) {
      at = copy.rfind(kBaseName, from - 1);
      if (at == std::string::npos) break;
      const std::size_t wordEnd = std::min(copy.find(' ', at), copy.size());
      if (at > 0 && copy[at - 1] == '\\' && copy.find('\\', at) >= wordEnd) {
        break;
      }
      from = at;
      at = std::string::npos;
    }
  }
  if (at != std::string::npos) {
    TakeProgramDirectory(program, copy.substr(0, at));
    TakeCommandFileName(program, NameIn(std::string_view(copy).substr(at), false));
    if (at < tokenEnd) SayWhichWindowsCommandFile(program, copy.substr(tokenEnd));
    return;
  }

  // Started under another name: the program directory is the token's
  // directory and the command file comes from the rest of the line.
  const std::size_t slash = token.rfind('\\');
  TakeProgramDirectory(program, slash == std::string_view::npos ? "" : copy.substr(0, slash + 1));
  std::string_view rest = std::string_view(copy).substr(tokenEnd);
  rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(' ')));
  TakeCommandFileName(program, NameIn(rest, true));
  SayWhichWindowsCommandFile(program, std::string(rest));
}

}  // namespace tarvik::frame
