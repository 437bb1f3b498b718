#include "frame/usage.h"

#include <gtest/gtest.h>

#include "frame/version.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

using testing::ProcessEnded;

TEST(LongOptions, TheFirstDoubleDashArgumentDecides) {
  struct Case {
    std::vector<std::string> argv;
    LongOption option;
    std::string text;
  };
  for (const Case& c : {
           Case{{"tarvik", "job.cmd", "/h"}, LongOption::kNone, ""},
           Case{{"tarvik", "--help"}, LongOption::kHelp, "--help"},
           Case{{"tarvik", "/h", "--version", "job.cmd"}, LongOption::kVersion, "--version"},
           Case{{"tarvik", "--verbose", "--help"}, LongOption::kUnknown, "--verbose"},
           Case{{"tarvik", "-h"}, LongOption::kNone, ""},  // a command file named "-h"
           Case{{"--help"}, LongOption::kNone, ""},        // argv[0] is the program
       }) {
    LongOptionFound found = FindLongOption(c.argv);
    EXPECT_EQ(found.option, c.option) << c.argv.back();
    EXPECT_EQ(found.text, c.text) << c.argv.back();
  }
}

TEST(LongOptions, TheRawWindowsLineIsSplitAtBlanksOutsideQuotes) {
  EXPECT_EQ(FindLongOptionInLine("\"C:\\Program Files\\--x\\tarvik.exe\" job.cmd").option,
            LongOption::kNone);
  EXPECT_EQ(FindLongOptionInLine("c:\\t\\tarvik.exe  \"--help\"").option, LongOption::kHelp);
  LongOptionFound found = FindLongOptionInLine("tarvik.exe /h\t--nonsense job.cmd");
  EXPECT_EQ(found.option, LongOption::kUnknown);
  EXPECT_EQ(found.text, "--nonsense");
}

TEST(UsageTexts, BothLanguagesNameEverySwitchAndExitCode) {
  for (bool czech : {true, false}) {
    const std::string text = UsageText(czech);
    for (const char* item : {"/d ",        "/dd ",         "/h ",
                             "/q ",        "/w ",          "/k ",
                             "/n ",        "/p ",          "/fi ",
                             "/nooff ",    "/t ",          "/find ",
                             "/najdi ",    "/progress ",   "/extendjournal ",
                             "/z ",        "--help",       "--version",
                             "tarvik.ini", "err",          "error.txt",
                             "tarvik.lck", "cekani_zamku", "README",
                             " 0 ",        " 1 ",          " 2 ",
                             "8 "}) {
      EXPECT_NE(text.find(item), std::string::npos) << czech << " " << item;
    }
  }
  EXPECT_EQ(UsageText(true).rfind("Použití: tarvik", 0), 0u);
  EXPECT_EQ(UsageText(false).rfind("Usage: tarvik", 0), 0u);
  EXPECT_EQ(
      VersionText(false, {"Linux x86_64", ""}),
      std::string("tarvik ") + kProgramVersion + " (Linux x86_64, without Qt, no main window)\n");
  EXPECT_EQ(VersionText(true, {"Linux x86_64", "6.4.2"}),
            std::string("tarvik ") + kProgramVersion + " (Linux x86_64, Qt 6.4.2)\n");
}

class AnswerLongOptionTest : public testing::ProgramFixture {
 protected:
  ProcessEnded Answer(LongOption option, const std::string& text, bool czech) {
    try {
      AnswerLongOption(*program_, {option, text}, czech, {"Linux x86_64", ""});
    } catch (const ProcessEnded& end) {
      return end;
    }
    return {-1, false, false};
  }
};

TEST_F(AnswerLongOptionTest, HelpAndVersionOnStdoutAnUnknownOptionOnStderr) {
  EXPECT_EQ(Answer(LongOption::kNone, "", false).code, -1);
  EXPECT_EQ(Answer(LongOption::kHelp, "--help", true).code, 0);
  EXPECT_EQ(console_.Stdout(), UsageText(true));
  EXPECT_EQ(Answer(LongOption::kUnknown, "--x", false).code, kUsageExitCode);
  EXPECT_EQ(console_.Stderr(), "tarvik: unknown option --x\nTry: tarvik --help\n");
  EXPECT_EQ(Answer(LongOption::kUnknown, "--x", true).code, kUsageExitCode);
  EXPECT_EQ(console_.Stderr(),
            "tarvik: unknown option --x\nTry: tarvik --help\n"
            "tarvik: neznámá volba --x\nNápověda: tarvik --help\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

}  // namespace
}  // namespace tarvik::frame
