#include <gtest/gtest.h>

#include "frame/settings.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

using testing::ProcessEnded;

class CommandLine : public testing::ProgramFixture {
 protected:
  void Parse(std::vector<std::string> argv) { ParseCommandLine(*program_, argv); }
  JobSettings& s() { return program_->settings; }
};

TEST_F(CommandLine, PlainAndMinusFormsWithSubstringLayering) {
  Parse({"/opt/x/tarvik", "/h", "/h-", "job.cmd"});
  EXPECT_EQ(s().hlaseni, 0);
  EXPECT_TRUE(program_->marks.hlaseni);

  Parse({"tarvik", "/dd", "job"});
  EXPECT_EQ(s().rawdebug, 1);
  EXPECT_EQ(s().debug, 1);  // "/dd" contains "/d"
  EXPECT_TRUE(program_->marks.debug);

  Parse({"tarvik", "/find"});
  EXPECT_EQ(s().searchOnly, 1);
  EXPECT_EQ(s().fiskal, 1);  // "/find" contains "/fi"
  EXPECT_EQ(s().okno, 0);

  Parse({"tarvik", "/progress", "/nooff", "x"});
  EXPECT_EQ(s().progress, 1);
  EXPECT_EQ(s().konverze, 1);  // "/progress" contains "/p"
  EXPECT_EQ(s().stahujvzdy, 1);
  EXPECT_EQ(s().leaveDtr, 1);  // "/nooff" contains "/n"

  Parse({"tarvik", "/najdi"});
  EXPECT_EQ(s().searchWithWindow, 1);
  EXPECT_EQ(s().leaveDtr, 1);
  EXPECT_EQ(s().okno, 1);  // no command file
}

TEST_F(CommandLine, EverySwitchIsResetAndDefaultsRestored) {
  s().debug = 1;
  s().timeout = 55;
  s().zpozdeni = 0;
  Parse({"tarvik", "job"});
  EXPECT_EQ(s().debug, 0);
  EXPECT_EQ(s().timeout, 10);
  EXPECT_EQ(s().zpozdeni, 1600);
  EXPECT_FALSE(program_->marks.debug);
}

TEST_F(CommandLine, CommandFileIsTheLastComponentLowerCased) {
  Parse({"/srv/pos/tarvik", "/q", "/data/In/JOB.CMD"});
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->paths.programDirectory, "/srv/pos/");
  EXPECT_TRUE(program_->paths.hasProgramDirectory);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(s().okno, 0);
  EXPECT_EQ(s().ticho, 1);
}

TEST_F(CommandLine, AbsolutePathsAreNeverSwitches) {
  // "/d/k" holds a second "/": a path, not the switches /d and /k.
  Parse({"./tarvik", "/d/k"});
  EXPECT_EQ(s().debug, 0);
  EXPECT_EQ(s().noLink, 0);
  EXPECT_EQ(program_->paths.commandFileName, "k");
  EXPECT_EQ(program_->paths.programDirectory, "./");
}

TEST_F(CommandLine, BareNameMeansNoProgramDirectory) {
  Parse({"tarvik", "a.cmd"});
  EXPECT_EQ(program_->paths.programDirectory, "");
  EXPECT_FALSE(program_->paths.hasProgramDirectory);
  EXPECT_EQ(program_->MakeProgramPath("err"), "err");
}

TEST_F(CommandLine, NoCommandFileOpensTheWindowUnlessClockOrSearch) {
  Parse({"tarvik"});
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().jobRequested, 0);
  Parse({"tarvik", "/t"});
  EXPECT_EQ(s().okno, 0);
  EXPECT_EQ(s().setClockOnly, 1);
  EXPECT_EQ(s().jobRequested, 1);
  Parse({"tarvik", "/z"});
  EXPECT_EQ(s().hangUpAfterJob.load(), 1);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(s().okno, 1);
}

TEST_F(CommandLine, LengthLimitIs1023Characters) {
  std::string argv0 = "tarvik";
  std::string name(1023 - argv0.size() - 1, 'a');
  Parse({argv0, name});  // exactly 1023: accepted
  EXPECT_EQ(program_->paths.commandFileName.size(), name.size());
  try {
    Parse({argv0, name + "b"});
    FAIL() << "a 1024-character line was accepted";
  } catch (const ProcessEnded& end) {
    EXPECT_EQ(end.code, 2);
  }
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Prilis dlouhy prikazovy radek.");
}

TEST_F(CommandLine, EmptyCommandLineEndsWithCode8) {
  try {
    Parse({});
    FAIL();
  } catch (const ProcessEnded& end) {
    EXPECT_EQ(end.code, 8);
  }
}

class WindowsCommandLine : public testing::ProgramFixture {
 protected:
  void Parse(const std::string& line) { ParseWindowsCommandLine(*program_, line); }
  int ExitCodeOf(const std::string& line) {
    try {
      Parse(line);
    } catch (const ProcessEnded& end) {
      return end.code;
    }
    return -1;
  }
  JobSettings& s() { return program_->settings; }
  const Paths& paths() { return program_->paths; }
};

TEST_F(WindowsCommandLine, CommandFileWithDriveAndDirectoryIsTakenByItsBareName) {
  Parse(R"(C:\Pokladna\tarvik.exe D:\data\Prikaz.CMD)");
  EXPECT_EQ(paths().commandFileName, "prikaz.cmd");
  EXPECT_EQ(paths().programDirectory, R"(c:\pokladna\)");
  EXPECT_TRUE(paths().hasProgramDirectory);
  EXPECT_EQ(paths().argv0, R"(C:\Pokladna\tarvik.exe)");
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(s().okno, 0);
  EXPECT_EQ(program_->MakeProgramPath("err"), R"(c:\pokladna\err)");
}

TEST_F(WindowsCommandLine, QuotedPathsWithBlanks) {
  Parse(R"("C:\Program Files\Tarvik\TARVIK.EXE" "D:\Moje data\job.cmd")");
  EXPECT_EQ(paths().programDirectory, R"(c:\program files\tarvik\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  EXPECT_EQ(paths().argv0, R"(C:\Program Files\Tarvik\TARVIK.EXE)");

  // Without a command file the last space lies in front of the name: none.
  Parse(R"("C:\Program Files\Tarvik\tarvik.exe" )");
  EXPECT_EQ(paths().programDirectory, R"(c:\program files\tarvik\)");
  EXPECT_EQ(paths().commandFileName, "");
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().jobRequested, 0);

  // A command file in the current directory: the text after the last space.
  Parse(R"("C:\Program Files\Tarvik\tarvik.exe" Job.Cmd)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");

  // Not quoted at all, as CreateProcess also accepts it.
  Parse(R"(C:\Program Files\Tarvik\tarvik.exe x.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\program files\tarvik\)");
  EXPECT_EQ(paths().commandFileName, "x.cmd");
}

TEST_F(WindowsCommandLine, SwitchesAreSubstringsAnywhereEvenGlued) {
  Parse(R"(c:\p\tarvik.exe /w/d prikaz.cmd/h)");
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
  Parse(R"(c:\p\tarvik.exe job.cmd /H /Q)");
  EXPECT_EQ(s().hlaseni, 0);
  EXPECT_EQ(s().ticho, 0);
  EXPECT_FALSE(program_->marks.hlaseni);
  EXPECT_EQ(paths().commandFileName, "job.cmd");

  // Substrings overlap exactly as on the other systems.
  Parse(R"(tarvik /find /progress /nooff /extendjournal)");
  EXPECT_EQ(s().searchOnly, 1);
  EXPECT_EQ(s().fiskal, 1);
  EXPECT_EQ(s().progress, 1);
  EXPECT_EQ(s().konverze, 1);
  EXPECT_EQ(s().stahujvzdy, 1);
  EXPECT_EQ(s().leaveDtr, 1);
  EXPECT_EQ(s().extend_journal, 1);
  EXPECT_EQ(s().okno, 0);  // no command file, but /find stays windowless

  // A switch inside a quoted argument counts too; the quote does not stop
  // the blanking, which runs to the next space.
  Parse(R"(tarvik "/t" a.cmd)");
  EXPECT_EQ(s().setClockOnly, 1);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(paths().commandFileName, "a.cmd");
}

TEST_F(WindowsCommandLine, MinusFormWinsAndEverythingIsResetFirst) {
  s().debug = 1;
  s().timeout = 3;
  s().zpozdeni = 0;
  program_->marks.ticho = true;
  Parse(R"(c:\p\tarvik.exe /h- /h job.cmd /k /k- /dd)");
  EXPECT_EQ(s().hlaseni, 0);
  EXPECT_TRUE(program_->marks.hlaseni);
  EXPECT_EQ(s().noLink, 0);
  EXPECT_EQ(s().rawdebug, 1);
  EXPECT_EQ(s().debug, 1);  // "/dd" holds "/d"
  EXPECT_TRUE(program_->marks.rawdebug);
  EXPECT_FALSE(program_->marks.ticho);
  EXPECT_EQ(s().timeout, 10);
  EXPECT_EQ(s().zpozdeni, 1600);

  Parse(R"(c:\p\tarvik.exe /z)");
  EXPECT_EQ(s().hangUpAfterJob.load(), 1);
  EXPECT_EQ(s().jobRequested, 1);
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().rawdebug, 0);
  EXPECT_EQ(s().debug, 0);
}

TEST_F(WindowsCommandLine, LengthLimitIs1023Characters) {
  const std::string head = R"(c:\p\tarvik.exe )";
  std::string line = head + std::string(1023 - head.size() - 4, 'a') + ".cmd";
  ASSERT_EQ(line.size(), 1023u);
  Parse(line);
  EXPECT_EQ(paths().commandFileName, line.substr(head.size()));
  EXPECT_TRUE(frontEnd_.Messages().empty());

  EXPECT_EQ(ExitCodeOf(line + "d"), 2);
  ASSERT_EQ(frontEnd_.Messages().size(), 1u);
  EXPECT_EQ(frontEnd_.Messages()[0].text, "Prilis dlouhy prikazovy radek.");
  EXPECT_EQ(frontEnd_.Messages()[0].style, ui::kStyleExclamation);
}

TEST_F(WindowsCommandLine, NothingLeftAfterSwitchRemovalEndsWithCode8) {
  EXPECT_EQ(ExitCodeOf(""), 8);
  EXPECT_EQ(ExitCodeOf("   "), 8);
  EXPECT_EQ(ExitCodeOf(R"(/w /c:\x\tarvik.exe)"), 8);
  EXPECT_EQ(ExitCodeOf(R"("" )"), -1);  // of two adjacent quotes one stays
  EXPECT_TRUE(frontEnd_.Messages().empty());
}

TEST_F(WindowsCommandLine, BareNameMeansNoProgramDirectoryAndTheWindow) {
  Parse("tarvik");
  EXPECT_EQ(paths().programDirectory, "");
  EXPECT_FALSE(paths().hasProgramDirectory);
  EXPECT_EQ(paths().commandFileName, "");
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().jobRequested, 0);
  EXPECT_EQ(paths().argv0, "tarvik");

  Parse("TARVIK /t");
  EXPECT_EQ(s().okno, 0);
  EXPECT_EQ(s().setClockOnly, 1);

  Parse("Tarvik.exe A.CMD");
  EXPECT_EQ(paths().programDirectory, "");
  EXPECT_EQ(paths().commandFileName, "a.cmd");
  EXPECT_EQ(program_->MakeProgramPath("a.cmd"), "a.cmd");
}

TEST_F(WindowsCommandLine, QuoteDeletionSkipsTheCharacterMovingIn) {
  // The second of two adjacent quotes stays in the name.
  Parse(R"(c:\p\tarvik.exe ""job.cmd)");
  EXPECT_EQ(paths().commandFileName, R"("job.cmd)");
  // Of three, the first and the third go.
  Parse(R"(c:\p\tarvik.exe """job.cmd)");
  EXPECT_EQ(paths().commandFileName, R"("job.cmd)");
  // Quotes anywhere else simply vanish.
  Parse(R"("c:\p"\"tarvik.exe" "d:\x\"j"ob.cmd")");
  EXPECT_EQ(paths().programDirectory, R"(c:\p\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
}

TEST_F(WindowsCommandLine, TheNameCountsInTheProgramTokenOnly) {
  // A command file below a directory called "tarvik" keeps the program's own
  // directory, and so does one named "tarvik.cmd".
  Parse(R"(c:\tarvik\tarvik.exe c:\tarvik\data\job.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\tarvik\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  Parse(R"("c:\x\tarvik.exe" tarvik.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\x\)");
  EXPECT_EQ(paths().commandFileName, "tarvik.cmd");
  EXPECT_EQ(s().jobRequested, 1);
  // Unquoted with blanks, and a command file in a "tarvik" directory.
  Parse(R"(C:\Program Files\Tarvik\tarvik.exe d:\tarvik\job.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\program files\tarvik\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
}

TEST_F(WindowsCommandLine, ProgramOfAnotherNameUsesItsOwnDirectory) {
  Parse(R"("C:\Pokladna\Komunikace.exe" D:\Data\Job.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\pokladna\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  EXPECT_EQ(s().jobRequested, 1);

  Parse(R"(c:\pokladna\komunikace.exe  job.cmd /q)");
  EXPECT_EQ(paths().programDirectory, R"(c:\pokladna\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  EXPECT_EQ(s().ticho, 1);

  // "tarvik" only as a directory of the program, or in the command file.
  Parse(R"(c:\tarvik\pokl.exe d:\tarvik\job.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\tarvik\)");
  EXPECT_EQ(paths().commandFileName, "job.cmd");
  Parse(R"(c:\x\pokl.exe tarvik.cmd)");
  EXPECT_EQ(paths().programDirectory, R"(c:\x\)");
  EXPECT_EQ(paths().commandFileName, "tarvik.cmd");

  Parse("pokl");
  EXPECT_EQ(paths().programDirectory, "");
  EXPECT_FALSE(paths().hasProgramDirectory);
  EXPECT_EQ(paths().commandFileName, "");
  EXPECT_EQ(s().okno, 1);
  EXPECT_EQ(s().jobRequested, 0);
}

}  // namespace
}  // namespace tarvik::frame
