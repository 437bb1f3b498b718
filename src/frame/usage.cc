#include "frame/usage.h"

#include "frame/version.h"

namespace tarvik::frame {
namespace {

LongOptionFound Classify(const std::string& word) {
  if (word == "--help") return {LongOption::kHelp, word};
  if (word == "--version") return {LongOption::kVersion, word};
  return {LongOption::kUnknown, word};
}

// Lines of the two languages side by side, so that neither text can miss a switch.
struct Line {
  const char* czech;
  const char* english;
};

constexpr Line kUsage[] = {
    {"Použití: tarvik [přepínače] PŘÍKAZOVÝ_SOUBOR\n", "Usage: tarvik [switches] COMMANDFILE\n"},
    {"       tarvik [přepínače] /t | /find | /najdi\n",
     "       tarvik [switches] /t | /find | /najdi\n"},
    {"       tarvik --help | --version\n\n", "       tarvik --help | --version\n\n"},
    {"Spojí počítač s jednou pokladnou (sériová linka COM1..COM9, modem nebo TCP/IP)\n"
     "a provede příkazový soubor: čte a zapisuje soubory pokladny jako textové\n"
     "datové soubory, stahuje elektronický žurnál, nastavuje hodiny a DPH.\n"
     "Bez příkazového souboru otevře hlavní okno.\n\n",
     "Connects the PC to one cash register (serial line COM1..COM9, modem or TCP/IP)\n"
     "and carries out a command file: reads and writes register files as text data\n"
     "files, downloads the electronic journal, sets the clock and the VAT rates.\n"
     "Without a command file it opens the main window.\n\n"},
    {"Přepínače (\"-\" za přepínačem ho vypne, např. /h-):\n",
     "Switches (a \"-\" after a switch turns it off, e.g. /h-):\n"},
    {"  /d              ladicí výpisy, pracovní soubory zůstanou\n",
     "  /d              debug output; work files are kept\n"},
    {"  /dd             navíc zápis bajtů linky do souboru rsdata\n",
     "  /dd             also the bytes of the line into the file rsdata\n"},
    {"  /h              výsledek ohlásit i bez okna\n",
     "  /h              report the result even without a window\n"},
    {"  /q              bez zvuku při přenosu\n", "  /q              no ticks during transfers\n"},
    {"  /w              úloha s hlavním oknem\n",
     "  /w              run the job with the main window\n"},
    {"  /k              žádný provoz na lince\n", "  /k              no link traffic at all\n"},
    {"  /n              nechat linku DTR, jak je\n",
     "  /n              leave the DTR line alone\n"},
    {"  /p              převod znaků tabulkou pokladny\n",
     "  /p              translate characters through the register's table\n"},
    {"  /fi             fiskální pokladna\n", "  /fi             fiscal register\n"},
    {"  /nooff          číst uzávěrky i s klíčkem v poloze REG\n",
     "  /nooff          read closing reports with the key in REG\n"},
    {"  /t              jen nastavit hodiny pokladny\n",
     "  /t              only set the register's clock\n"},
    {"  /find           jen hledat pokladnu na sériových portech\n",
     "  /find           only search the serial ports for the register\n"},
    {"  /najdi          hledat pokladnu s hlavním oknem\n",
     "  /najdi          search for the register with the main window\n"},
    {"  /progress       ukazatel průběhu v oznamovací oblasti\n",
     "  /progress       progress icon in the notification area\n"},
    {"  /extendjournal  rozšířený výpis žurnálu\n",
     "  /extendjournal  extended journal rendering\n"},
    {"  /z              po úloze zavěsit modem\n",
     "  /z              hang the modem up after the job\n"},
    {"  --help          tento text;  --version  verze programu\n\n",
     "  --help          this text;  --version  the program's version\n\n"},
    {"Soubory: všechny v adresáři programu (adresář, odkud byl tarvik spuštěn):\n"
     "tarvik.ini (nastavení), příkazové soubory *.cmd (z cesty příkazového souboru\n"
     "se bere jen jméno), datové soubory, protokol (error.log), výsledek err a\n"
     "error.txt, zámek tarvik.lck (jedna úloha na adresář; cekani_zamku= v\n"
     "tarvik.ini je nejdelší čekání v sekundách, 0 = nečekat).\n\n",
     "Files: all in the program directory (the directory tarvik was started from):\n"
     "tarvik.ini (settings), command files *.cmd (of a command file's path only the\n"
     "name counts), data files, the log (error.log), the result files err and\n"
     "error.txt, the lock tarvik.lck (one job per directory; cekani_zamku= in\n"
     "tarvik.ini is the longest wait in seconds, 0 = do not wait).\n\n"},
    {"Návratové kódy: 0 úspěch, 1 chyba (podrobnosti v err, error.txt a protokolu;\n"
     "adresář obsazený jinou úlohou), 2 chybné použití nebo příliš dlouhý příkazový\n"
     "řádek, 8 prázdný příkazový řádek.\n\n",
     "Exit codes: 0 success, 1 failure (details in err, error.txt and the log; the\n"
     "directory busy with another job), 2 usage error or command line too long,\n"
     "8 empty command line.\n\n"},
    {"Podrobně: README.md programu (oddíl pro volající programy).\n",
     "More: the program's README.md (section for calling programs).\n"},
};

}  // namespace

LongOptionFound FindLongOption(const std::vector<std::string>& argv) {
  for (std::size_t i = 1; i < argv.size(); ++i) {
    if (argv[i].starts_with("--")) return Classify(argv[i]);
  }
  return {};
}

LongOptionFound FindLongOptionInLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return FindLongOption(words);  // the first word is the program
}

std::string UsageText(bool czech) {
  std::string text;
  for (const Line& line : kUsage) text += czech ? line.czech : line.english;
  return text;
}

std::string VersionText(bool czech, const BuildInfo& build) {
  const std::string qt = !build.qtVersion.empty() ? "Qt " + build.qtVersion
                         : czech                  ? "bez Qt, bez hlavního okna"
                                                  : "without Qt, no main window";
  return std::string("tarvik ") + kProgramVersion + " (" + build.system + ", " + qt + ")\n";
}

std::string UnknownOptionText(bool czech, const std::string& option) {
  return czech ? "tarvik: neznámá volba " + option + "\nNápověda: tarvik --help\n"
               : "tarvik: unknown option " + option + "\nTry: tarvik --help\n";
}

void AnswerLongOption(Program& program, const LongOptionFound& found, bool czech,
                      const BuildInfo& build) {
  switch (found.option) {
    case LongOption::kNone:
      return;
    case LongOption::kHelp:
      program.console.WriteStdout(UsageText(czech));
      program.process.Exit(0);
      return;
    case LongOption::kVersion:
      program.console.WriteStdout(VersionText(czech, build));
      program.process.Exit(0);
      return;
    case LongOption::kUnknown:
      program.console.WriteStderr(UnknownOptionText(czech, found.text));
      program.process.Exit(kUsageExitCode);
  }
}

}  // namespace tarvik::frame
