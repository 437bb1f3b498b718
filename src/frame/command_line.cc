#include <cctype>

#include "frame/settings.h"
#include "frame/status.h"

namespace tarvik::frame {
namespace {

bool IsSwitchToken(const std::string& arg) {
  return arg.size() >= 2 && arg[0] == '/' && arg.find('/', 1) == std::string::npos;
}

std::string LastComponent(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void ParseCommandLine(Program& program, const std::vector<std::string>& argv) {
  JobSettings& s = program.settings;
  CommandLineMarks& m = program.marks;

  std::string joined;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (i) joined += ' ';
    joined += argv[i];
  }
  if (joined.size() > kMaxCommandLine) {
    ShowMessage(program, "Prilis dlouhy prikazovy radek.", ui::kStyleExclamation);
    program.process.Exit(2);
  }

  s.rawdebug = s.debug = s.fiskal = s.okno = s.ticho = s.noLink = s.leaveDtr = 0;
  s.hlaseni = s.stahujvzdy = s.konverze = s.setClockOnly = s.searchOnly = 0;
  s.searchWithWindow = s.progress = s.extend_journal = s.jobRequested = 0;
  s.hangUpAfterJob = 0;
  m = CommandLineMarks{};
  s.timeout = 10;
  s.zpozdeni = 1600;

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
  auto found = [&](const char* sw) {
    for (const auto& token : switches) {
      if (token.find(sw) != std::string::npos) return true;
    }
    return false;
  };
  // A plain switch stores 1 and its "-" form 0; the "-" form is tested later
  // and so wins when both match.
  auto pair = [&](const char* plain, const char* minus, int& setting, bool* mark) {
    if (found(plain)) {
      setting = 1;
      if (mark) *mark = true;
    }
    if (found(minus)) {
      setting = 0;
      if (mark) *mark = true;
    }
  };
  if (found("/dd")) {
    s.rawdebug = 1;
    m.rawdebug = true;
  }
  pair("/d", "/d-", s.debug, &m.debug);
  pair("/fi", "/fi-", s.fiskal, &m.fiskal);
  pair("/w", "/w-", s.okno, &m.okno);
  pair("/q", "/q-", s.ticho, &m.ticho);
  pair("/k", "/k-", s.noLink, nullptr);
  pair("/n", "/n-", s.leaveDtr, nullptr);
  pair("/h", "/h-", s.hlaseni, &m.hlaseni);
  pair("/nooff", "/nooff-", s.stahujvzdy, &m.stahujvzdy);
  pair("/p", "/p-", s.konverze, &m.konverze);
  if (found("/t")) {
    s.setClockOnly = 1;
    s.jobRequested = 1;
  }
  if (found("/find")) s.searchOnly = 1;
  if (found("/najdi")) s.searchWithWindow = 1;
  if (found("/progress")) s.progress = 1;
  if (found("/extendjournal")) s.extend_journal = 1;
  if (found("/z")) {
    s.hangUpAfterJob = 1;
    s.jobRequested = 1;
  }

  if (argv.empty() || (argv[0].empty() && !haveCommandFile)) program.process.Exit(8);

  const std::string& argv0 = argv[0];
  program.paths.argv0 = argv0;
  std::size_t slash = argv0.rfind('/');
  program.paths.programDirectory = slash == std::string::npos ? "" : argv0.substr(0, slash + 1);
  program.paths.hasProgramDirectory = !program.paths.programDirectory.empty();

  std::string name = haveCommandFile ? LastComponent(commandFile) : std::string();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  program.paths.commandFileName = name;
  if (!name.empty()) {
    s.jobRequested = 1;
    return;
  }
  if (!s.setClockOnly && !s.searchOnly) s.okno = 1;
}

}  // namespace tarvik::frame
