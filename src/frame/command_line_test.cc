#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "frame/settings.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

using testing::ProcessEnded;

struct PathCase {
  const char* line;
  const char* directory;
  const char* commandFile;
};

class CommandLine : public testing::ProgramFixture {
 protected:
  void Parse(std::vector<std::string> argv) { ParseCommandLine(*program_, argv); }
  void ParseLine(const std::string& line) { ParseWindowsCommandLine(*program_, line); }
  int ExitCodeOf(const std::function<void()>& parse) {
    try {
      parse();
    } catch (const ProcessEnded& end) {
      return end.code;
    }
    return -1;
  }
  void ExpectTooLongRefused() {
    ASSERT_EQ(frontEnd_.Messages().size(), 1u);
    EXPECT_EQ(frontEnd_.Messages()[0].text, "Prilis dlouhy prikazovy radek.");
    EXPECT_EQ(frontEnd_.Messages()[0].style, screen::kStyleExclamation);
  }
  // Lines without switches: the window opens exactly when no command file is named.
  void ExpectPaths(std::initializer_list<PathCase> cases) {
    for (const PathCase& c : cases) {
      SCOPED_TRACE(c.line);
      ParseLine(c.line);
      EXPECT_EQ(paths().programDirectory, c.directory);
      EXPECT_EQ(paths().hasProgramDirectory, *c.directory != '\0');
      EXPECT_EQ(paths().commandFileName, c.commandFile);
      EXPECT_EQ(s().jobRequested, *c.commandFile != '\0');
      EXPECT_EQ(s().okno, *c.commandFile == '\0');
    }
  }
  JobSettings& s() { return program_->settings; }
  const Paths& paths() { return program_->paths; }
};
using WindowsCommandLine = CommandLine;

TEST_F(CommandLine, SwitchesLayerAsSubstringsOfTheirTokens) {
  Parse({"tarvik", "/find"});
  EXPECT_EQ(s().searchOnly, 1);
  EXPECT_EQ(s().fiskal, 1);  // "/find" contains "/fi"
  EXPECT_EQ(s().okno, 0);

  Parse({"tarvik", "/progress", "/nooff", "/extendjournal", "x"});
  EXPECT_EQ(s().progress, 1);
  EXPECT_EQ(s().konverze, 1);  // "/progress" contains "/p"
  EXPECT_EQ(s().stahujvzdy, 1);
  EXPECT_EQ(s().leaveDtr, 1);  // "/nooff" contains "/n"
  EXPECT_EQ(s().extendJournal, 1);

  Parse({"tarvik", "/najdi"});
  EXPECT_EQ(s().searchWithWindow, 1);
  EXPECT_EQ(s().leaveDtr, 1);
  EXPECT_EQ(s().okno, 1);  // no command file
}

TEST_F(CommandLine, CommandFileIsTheLastComponentLowerCasedAndNeverASwitch) {
  Parse({"/srv/pos/tarvik", "/q", "/data/In/JOB.CMD"});
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  EXPECT_EQ(paths().programDirectory, "/srv/pos/");
  EXPECT_TRUE(paths().hasProgramDirectory);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(s().okno, 0);
  EXPECT_EQ(s().ticho, 1);
  // "/d/k" holds a second "/": a path, not the switches /d and /k.
  Parse({"./tarvik", "/d/k"});
  EXPECT_EQ(s().debug, 0);
  EXPECT_EQ(s().noLink, 0);
  EXPECT_EQ(paths().commandFileName, "k");
  EXPECT_EQ(paths().programDirectory, "./");
  // A bare program name means no program directory.
  Parse({"tarvik", "a.cmd"});
  EXPECT_EQ(paths().programDirectory, "");
  EXPECT_FALSE(paths().hasProgramDirectory);
  EXPECT_EQ(program_->MakeProgramPath("err"), "err");
}

// The argv form is Linux's; the Windows build reads its raw command line.
#ifndef _WIN32
TEST_F(CommandLine, ACommandFileFromAnotherDirectoryIsNamedOnStderr) {
  const std::string program = dir_.string() + "/tarvik";
  std::filesystem::create_directory(dir_ / "sub");
  Parse({program, dir_.string() + "/job.cmd"});
  Parse({program, dir_.string() + "/sub/../JOB.cmd"});
  EXPECT_EQ(console_.Stderr(), "");
  Parse({program, "/elsewhere/In/JOB.CMD"});
  EXPECT_EQ(console_.Stderr(),
            "Komunikace Tarvik: příkazové soubory se hledají v adresáři programu; použije se " +
                dir_.string() + "/job.cmd, ne /elsewhere/In/JOB.CMD.\n");
}
#endif

TEST_F(CommandLine, LengthLimitIs1023CharactersAndAnEmptyLineEndsWithCode8) {
  std::string argv0 = "tarvik";
  std::string name(1023 - argv0.size() - 1, 'a');
  Parse({argv0, name});  // exactly 1023: accepted
  EXPECT_EQ(paths().commandFileName.size(), name.size());
  EXPECT_EQ(ExitCodeOf([&] { Parse({}); }), 8);
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_EQ(ExitCodeOf([&] { Parse({argv0, name + "b"}); }), 2);
  ExpectTooLongRefused();
}

TEST_F(WindowsCommandLine, ProgramDirectoryAndCommandFileOfEveryForm) {
  ExpectPaths({
      {R"(C:\Pokladna\tarvik.exe D:\data\Prikaz.CMD)", R"(c:\pokladna\)", "prikaz.cmd"},
      // Quoted paths with blanks; without a command file the last space lies in
      // front of the name: none; else the name is the text after the last space.
      {R"("C:\Program Files\Tarvik\TARVIK.EXE" "D:\Moje data\job.cmd")",
       R"(c:\program files\tarvik\)", "job.cmd"},
      {R"("C:\Program Files\Tarvik\tarvik.exe" )", R"(c:\program files\tarvik\)", ""},
      {R"("C:\Program Files\Tarvik\tarvik.exe" Job.Cmd)", R"(c:\program files\tarvik\)", "job.cmd"},
      // Not quoted at all, as CreateProcess also accepts it.
      {R"(C:\Program Files\Tarvik\tarvik.exe x.cmd)", R"(c:\program files\tarvik\)", "x.cmd"},
      {"tarvik", "", ""},
      {"Tarvik.exe A.CMD", "", "a.cmd"},
      // The second of two adjacent quotes stays in the name; of three, the first
      // and the third go; quotes anywhere else simply vanish.
      {R"(c:\p\tarvik.exe ""job.cmd)", R"(c:\p\)", R"("job.cmd)"},
      {R"(c:\p\tarvik.exe """job.cmd)", R"(c:\p\)", R"("job.cmd)"},
      {R"("c:\p"\"tarvik.exe" "d:\x\"j"ob.cmd")", R"(c:\p\)", "job.cmd"},
      // The program's name counts in the program token only: "tarvik" as a
      // directory or a command file changes nothing.
      {R"(c:\tarvik\tarvik.exe c:\tarvik\data\job.cmd)", R"(c:\tarvik\)", "job.cmd"},
      {R"("c:\x\tarvik.exe" tarvik.cmd)", R"(c:\x\)", "tarvik.cmd"},
      {R"(C:\Program Files\Tarvik\tarvik.exe d:\tarvik\job.cmd)", R"(c:\program files\tarvik\)",
       "job.cmd"},
      // A program of another name uses its own directory.
      {R"("C:\Pokladna\Komunikace.exe" D:\Data\Job.cmd)", R"(c:\pokladna\)", "job.cmd"},
      {R"(c:\pokladna\komunikace.exe  job.cmd)", R"(c:\pokladna\)", "job.cmd"},
      {R"(c:\tarvik\pokl.exe d:\tarvik\job.cmd)", R"(c:\tarvik\)", "job.cmd"},
      {R"(c:\x\pokl.exe tarvik.cmd)", R"(c:\x\)", "tarvik.cmd"},
      {"pokl", "", ""},
  });
  EXPECT_EQ(program_->MakeProgramPath("a.cmd"), "a.cmd");
  ParseLine(R"(C:\Pokladna\tarvik.exe D:\data\Prikaz.CMD)");
  EXPECT_EQ(paths().argv0, R"(C:\Pokladna\tarvik.exe)");
  EXPECT_EQ(program_->MakeProgramPath("err"), R"(c:\pokladna\err)");
  ParseLine(R"("C:\Program Files\Tarvik\TARVIK.EXE" "D:\Moje data\job.cmd")");
  EXPECT_EQ(paths().argv0, R"(C:\Program Files\Tarvik\TARVIK.EXE)");
  ParseLine("tarvik");
  EXPECT_EQ(paths().argv0, "tarvik");
}

TEST_F(WindowsCommandLine, ACommandFileFromAnotherDirectoryIsNamedOnStderr) {
  for (const char* line :
       {R"("C:\Program Files\Tarvik\tarvik.exe" "C:\Program Files\Tarvik\J.cmd")",
        R"(c:\p\tarvik.exe /h job.cmd /q)", R"(c:\p\tarvik.exe)"}) {
    ParseLine(line);
  }
  EXPECT_EQ(console_.Stderr(), "");
  ParseLine(R"(C:\Pokladna\tarvik.exe /k D:\Data\Prikaz.CMD /q)");
  EXPECT_EQ(console_.Stderr(),
            "Komunikace Tarvik: příkazové soubory se hledají v adresáři programu; použije se "
            "c:\\pokladna\\prikaz.cmd, ne d:\\data\\prikaz.cmd.\n");
}

TEST_F(WindowsCommandLine, SwitchesAreSubstringsAnywhereEvenGlued) {
  ParseLine(R"(c:\p\tarvik.exe /w/d prikaz.cmd/h)");
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().debug, 1);
  EXPECT_EQ(s().hlaseni, 1);
  EXPECT_TRUE(program_->marks.okno);
  EXPECT_TRUE(program_->marks.debug);
  EXPECT_TRUE(program_->marks.hlaseni);
  EXPECT_EQ(paths().commandFileName, "prikaz.cmd");  // "/h" blanked, blanks trimmed
  EXPECT_EQ(s().jobRequested, 1);

  // Case-sensitive in the unchanged line: "/H" is not "/h", yet it is
  // still blanked in the copy.
  ParseLine(R"(c:\p\tarvik.exe job.cmd /H /Q)");
  EXPECT_EQ(s().hlaseni, 0);
  EXPECT_EQ(s().ticho, 0);
  EXPECT_FALSE(program_->marks.hlaseni);
  EXPECT_EQ(paths().commandFileName, "job.cmd");

  // A switch inside a quoted argument counts too; the quote does not stop
  // the blanking, which runs to the next space.
  ParseLine(R"(tarvik "/t" a.cmd)");
  EXPECT_EQ(s().setClockOnly, 1);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(paths().commandFileName, "a.cmd");

  ParseLine(R"(c:\pokladna\komunikace.exe  job.cmd /q)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  EXPECT_EQ(s().ticho, 1);
  ParseLine("TARVIK /t");  // setting the clock is a job without a command file
  EXPECT_EQ(s().okno, 0);
  EXPECT_EQ(s().setClockOnly, 1);
  EXPECT_EQ(s().jobRequested, 1);
}

TEST_F(WindowsCommandLine, MinusFormWinsAndEverythingIsResetFirst) {
  s().debug = 1;
  s().timeout = 3;
  s().zpozdeni = 0;
  program_->marks.ticho = true;
  ParseLine(R"(c:\p\tarvik.exe /h- /h job.cmd /k /k- /dd)");
  EXPECT_EQ(s().hlaseni, 0);
  EXPECT_TRUE(program_->marks.hlaseni);
  EXPECT_EQ(s().noLink, 0);
  EXPECT_EQ(s().rawdebug, 1);
  EXPECT_EQ(s().debug, 1);  // "/dd" holds "/d"
  EXPECT_TRUE(program_->marks.rawdebug);
  EXPECT_TRUE(program_->marks.debug);
  EXPECT_FALSE(program_->marks.ticho);
  EXPECT_EQ(s().timeout, 10);
  EXPECT_EQ(s().zpozdeni, 1600);

  ParseLine(R"(c:\p\tarvik.exe /z)");
  EXPECT_EQ(program_->hangUpAfterJob.load(), 1);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().rawdebug, 0);
  EXPECT_EQ(s().debug, 0);
}

TEST_F(WindowsCommandLine, LengthLimitIs1023CharactersAndNothingLeftEndsWithCode8) {
  const std::string head = R"(c:\p\tarvik.exe )";
  std::string line = head + std::string(1023 - head.size() - 4, 'a') + ".cmd";
  ASSERT_EQ(line.size(), 1023u);
  ParseLine(line);
  EXPECT_EQ(paths().commandFileName, line.substr(head.size()));
  // Nothing left after the switches are removed.
  for (const char* empty : {"", "   ", R"(/w /c:\x\tarvik.exe)"}) {
    EXPECT_EQ(ExitCodeOf([&] { ParseLine(empty); }), 8) << empty;
  }
  EXPECT_EQ(ExitCodeOf([&] { ParseLine(R"("" )"); }), -1);  // of two adjacent quotes one stays
  EXPECT_TRUE(frontEnd_.Messages().empty());
  EXPECT_EQ(ExitCodeOf([&] { ParseLine(line + "d"); }), 2);
  ExpectTooLongRefused();
}

}  // namespace
}  // namespace tarvik::frame
