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

}  // namespace
}  // namespace tarvik::frame
