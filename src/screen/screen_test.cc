#include "screen/screen.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/codepage.h"
#include "frame/status.h"
#include "support/test_support.h"

namespace tarvik::screen {
namespace {

// The rows up to the last one written, each without its trailing blanks,
// joined by '|', then the cursor.
std::string Shown(const ScreenSnapshot& s) {
  std::string rows;
  for (const auto& cells : s.cells) {
    const std::string row(cells.begin(), cells.end());
    rows += row.substr(0, row.find_last_not_of(' ') + 1) + "|";
  }
  rows.erase(rows.find_last_not_of('|') + 1);
  return rows + " @" + std::to_string(s.row) + "," + std::to_string(s.column);
}

TEST(ScreenTest, WrapScrollControlBytesAndNewLineMode) {
  const std::string a80(80, 'a');
  const std::string a79(79, 'a');
  std::string lines;
  std::string scrolled;
  for (int i = 1; i <= 26; ++i) lines += "line " + std::to_string(i) + (i < 26 ? "\r" : "");
  for (int i = 2; i <= 26; ++i) scrolled += "line " + std::to_string(i) + "|";
  const std::string progress = frame::W(
      "Zkouším: 38400 baud \rZkouším: 19200 baud \rZkouším: 9600 baud \rZkouším: 4800 baud \r");
  const struct {
    bool newLine;
    bool autowrap;
    std::string input;
    std::string shown;
    int bells;
  } cases[] = {
      // Without autowrap the last column is written over.
      {true, false, a79 + "xyz", a79 + "z @0,79", 0},
      // The 81st character wraps, and the wrap's new line also moves down.
      {true, true, a80 + "b", a80 + "||b @2,1", 0},
      {false, true, a80 + "b", a80 + "|b @1,1", 0},
      // The 26th line scrolls the top row away.
      {true, true, lines, scrolled.substr(0, scrolled.size() - 1) + " @24,7", 0},
      // Bells are counted, not shown; backspace stops at the left edge; a
      // line feed keeps the column.
      {true, true, "ab\a\a\b\b\bX\n", "Xb @1,1", 2},
      // A progress line overwrites itself with new line off.
      {false, true, progress, frame::W("Zkouším: 4800 baud @0,0"), 0},
  };
  // One state for all: Reset must clear the cells, the cursor and the modes.
  TerminalState t;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    t.Reset();
    if (!c.newLine) t.SetNewLine(false);
    if (!c.autowrap) t.SetAutowrap(false);
    EXPECT_EQ(t.Write(c.input), c.bells);
    EXPECT_EQ(Shown(t.Snapshot()), c.shown);
  }
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
  EXPECT_EQ(Shown(program_->terminal.Snapshot()), "ladeni|bajty @1,5");
  EXPECT_EQ(frontEnd_.TerminalText(), "ladeni\rbajty");
}

}  // namespace
}  // namespace tarvik::screen
