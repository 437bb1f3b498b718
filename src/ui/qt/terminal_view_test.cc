#include "ui/qt/terminal_view.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include "frame/codepage.h"
#include "frame/status.h"
#include "ui/qt/qt_test_support.h"

namespace tarvik::ui::qt {
namespace {

class TerminalViewTest : public testing::WindowFixture {
 protected:
  void SetUp() override { ShowWindow(); }
};

TEST_F(TerminalViewTest, WindowsCodePageBytesAreShownAsTheirLetters) {
  frame::TerminalWrite(*program_, frame::W("Příliš žluťoučký kůň úpěl ďábelské ódy"), true);
  frame::TerminalWrite(*program_, std::string("\x8A\x9A\x8E\x9E\xA7", 5), false);
  EXPECT_EQ(PaintedRow(0), "Příliš žluťoučký kůň úpěl ďábelské ódy");
  EXPECT_EQ(PaintedRow(1), "ŠšŽž§");
  // Every row is the whole width, one character per cell.
  EXPECT_EQ(window_->Terminal()->LastPaint()[0].text.size(), kScreenColumns);
}

TEST_F(TerminalViewTest, FontIsFixedPitchAndRowsStartAtTheTop) {
  EXPECT_TRUE(QFontInfo(DefaultTerminalFont()).fixedPitch());
  TerminalView* view = window_->Terminal();
  EXPECT_EQ(view->sizeHint(), QSize(kScreenColumns * view->CellSize().width(),
                                    kScreenRows * view->CellSize().height()));
  EXPECT_EQ(view->pos(), QPoint(0, 0));
}

TEST_F(TerminalViewTest, TwentySixthLineScrollsTheTopRowAway) {
  for (int line = 1; line <= 26; ++line) {
    frame::TerminalWrite(*program_, frame::W(frame::Format("Řádek %d", line)), false);
    frame::TerminalWrite(*program_, "\r", false);
  }
  // The CR after line 26 moved the cursor down once more: lines 1 and 2 are gone.
  EXPECT_EQ(PaintedRow(0), "Řádek 3");
  EXPECT_EQ(PaintedRow(23), "Řádek 26");
  EXPECT_EQ(PaintedRow(24), "");
  EXPECT_EQ(program_->terminal.Snapshot().row, 24);
}

TEST_F(TerminalViewTest, PaintOutsideTheScreenDrawsOnlyItsCells) {
  TerminalView* view = window_->Terminal();
  const QSize cell = view->CellSize();
  window_->resize(kScreenColumns * cell.width() + 200, window_->height() + 200);
  view->setGeometry(0, 0, kScreenColumns * cell.width() + 200, kScreenRows * cell.height() + 200);
  frame::TerminalWrite(*program_, std::string(kScreenColumns, 'x'), false);
  view->repaint(
      QRect(70 * cell.width(), 20 * cell.height(), 40 * cell.width(), 30 * cell.height()));
  const auto& runs = view->LastPaint();
  ASSERT_EQ(runs.size(), 5u);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].row, 20 + static_cast<int>(i));
    EXPECT_EQ(runs[i].firstColumn, 70);
    EXPECT_EQ(runs[i].text.size(), 10);
  }
  // A rectangle wholly below the screen draws nothing.
  view->repaint(QRect(0, kScreenRows * cell.height() + 10, 50, 50));
  EXPECT_TRUE(view->LastPaint().empty());
}

}  // namespace
}  // namespace tarvik::ui::qt
