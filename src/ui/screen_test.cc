#include "ui/screen.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/codepage.h"
#include "frame/status.h"
#include "support/test_support.h"

namespace tarvik::ui {
namespace {

std::string Row(const ScreenSnapshot& s, int row) {
  std::string text(s.cells[static_cast<std::size_t>(row)].begin(),
                   s.cells[static_cast<std::size_t>(row)].end());
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

TEST(ScreenTest, EightyFirstCharacterWrapsTwoRowsDownWithNewLineOn) {
  TerminalState t;
  t.Write(std::string(80, 'a') + "b");
  ScreenSnapshot s = t.Snapshot();
  EXPECT_EQ(Row(s, 0), std::string(80, 'a'));
  EXPECT_EQ(Row(s, 1), "");
  EXPECT_EQ(Row(s, 2), "b");
  EXPECT_EQ(s.row, 2);
  EXPECT_EQ(s.column, 1);

  t.Reset();
  t.SetNewLine(false);
  t.Write(std::string(80, 'a') + "b");
  s = t.Snapshot();
  EXPECT_EQ(Row(s, 1), "b");

  // Without autowrap the last column is written over.
  t.Reset();
  t.SetAutowrap(false);
  t.Write(std::string(79, 'a') + "xyz");
  s = t.Snapshot();
  EXPECT_EQ(Row(s, 0), std::string(79, 'a') + "z");
  EXPECT_EQ(s.row, 0);
  EXPECT_EQ(s.column, 79);
}

TEST(ScreenTest, TwentySixthLineScrollsAndTheTopRowIsLost) {
  TerminalState t;
  for (int i = 1; i <= 26; ++i) t.Write("line " + std::to_string(i) + (i < 26 ? "\r" : ""));
  ScreenSnapshot s = t.Snapshot();
  EXPECT_EQ(Row(s, 0), "line 2");
  EXPECT_EQ(Row(s, 24), "line 26");
  EXPECT_EQ(s.row, 24);
}

TEST(ScreenTest, BellBackspaceAndCarriageReturn) {
  TerminalState t;
  EXPECT_EQ(t.Write("ab\a\a"), 2);
  ScreenSnapshot s = t.Snapshot();
  EXPECT_EQ(Row(s, 0), "ab");
  EXPECT_EQ(s.column, 2);
  t.Write("\b\b\bX");
  s = t.Snapshot();
  EXPECT_EQ(Row(s, 0), "Xb");
  EXPECT_EQ(s.column, 1);
  t.Write("\n");
  s = t.Snapshot();
  EXPECT_EQ(s.row, 1);
  EXPECT_EQ(s.column, 1);  // a line feed keeps the column
}

TEST(ScreenTest, ProgressLineOverwritesItselfWithNewLineOff) {
  TerminalState t;
  t.SetNewLine(false);
  for (int baud : {38400, 19200, 9600, 4800}) {
    t.Write(frame::W("Zkouším: ") + std::to_string(baud) + " baud \r");
  }
  ScreenSnapshot s = t.Snapshot();
  EXPECT_EQ(Row(s, 0), frame::W("Zkouším: 4800 baud"));
  EXPECT_EQ(Row(s, 1), "");
  EXPECT_EQ(s.row, 0);
  EXPECT_EQ(s.column, 0);
}

class ScreenOutputTest : public testing::ProgramFixture {};

TEST_F(ScreenOutputTest, DebugAndRawWritesNeedTheirSettings) {
  frame::TerminalWriteDebug(*program_, "ladeni", true);
  frame::TerminalWriteRaw(*program_, "bajty", true);
  EXPECT_EQ(frontEnd_.TerminalText(), "");
  program_->settings.debug = 1;
  frame::TerminalWriteDebug(*program_, "ladeni", true);
  frame::TerminalWriteRaw(*program_, "bajty", true);
  program_->settings.rawdebug = 1;
  frame::TerminalWriteRaw(*program_, "bajty", false);
  ScreenSnapshot s = program_->terminal.Snapshot();
  EXPECT_EQ(Row(s, 0), "ladeni");
  EXPECT_EQ(Row(s, 1), "bajty");
  EXPECT_EQ(frontEnd_.TerminalText(), "ladeni\rbajty");
}

}  // namespace
}  // namespace tarvik::ui
