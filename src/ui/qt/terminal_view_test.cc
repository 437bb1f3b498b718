#include "ui/qt/terminal_view.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <string>

#include "frame/codepage.h"
#include "frame/status.h"
#include "support/qt_test_support.h"
#include "ui/qt/dialogs.h"

namespace tarvik::ui::qt {
namespace {

class TerminalViewTest : public testing::WindowFixture {
 protected:
  void SetUp() override { ShowWindow(); }
};

TEST_F(TerminalViewTest, CodePageBytesAreShownAsLettersInFixedCellsFromTheTop) {
  frame::TerminalWrite(*program_, frame::W("Příliš žluťoučký kůň úpěl ďábelské ódy"), true);
  frame::TerminalWrite(*program_, std::string("\x8A\x9A\x8E\x9E\xA7", 5), false);
  EXPECT_EQ(PaintedRow(0), "Příliš žluťoučký kůň úpěl ďábelské ódy");
  EXPECT_EQ(PaintedRow(1), "ŠšŽž§");
  // Every row is the whole width, one character per cell.
  TerminalView* view = window_->Terminal();
  EXPECT_EQ(view->LastPaint()[0].text.size(), screen::kScreenColumns);
  // From the top left of the window.
  EXPECT_EQ(view->sizeHint(), QSize(screen::kScreenColumns * view->CellSize().width(),
                                    screen::kScreenRows * view->CellSize().height()));
  EXPECT_EQ(view->pos(), QPoint(0, 0));
}

// Whatever fonts the machine has: every letter of the code page is as wide as
// the cell, and a painted row puts its ink only into the cells of its letters.
TEST_F(TerminalViewTest, EveryLetterOfTheCodePageIsDrawnInsideItsOwnCell) {
  TerminalView* view = window_->Terminal();
  const QSize cell = view->CellSize();
  const QFontMetrics metrics(view->TerminalFont());
  QString wrongWidths;
  for (int byte = 0x20; byte <= 0xFF; ++byte) {
    const QString letter = FromCp1250(std::string(1, static_cast<char>(byte)));
    if (byte == 0x7F || letter == QChar(QChar::ReplacementCharacter)) continue;
    if (letter[0].category() == QChar::Other_Format) continue;  // the soft hyphen has no width
    if (metrics.horizontalAdvance(letter) != cell.width()) wrongWidths += letter;
  }
  EXPECT_EQ(wrongWidths, "") << QFontInfo(view->TerminalFont()).family().toStdString();

  // The widest letters in every other cell, blanks between them.
  const std::string wide = frame::W("WMŠŽŘĎ@—™…‰Ő");
  std::string row;
  for (int column = 0; column < screen::kScreenColumns; ++column) {
    row += column % 2 ? ' ' : wide[static_cast<std::size_t>(column / 2) % wide.size()];
  }
  frame::TerminalWrite(*program_, row, false);
  view->resize(view->sizeHint());  // every cell, whatever room the window gives
  const QImage image = view->grab().toImage();
  const QRgb background = view->palette().color(QPalette::Base).rgb();
  auto inked = [&](int column, int margin) {
    int inkedPixels = 0;
    for (int y = 0; y < cell.height(); ++y) {
      for (int x = column * cell.width() + margin; x < (column + 1) * cell.width() - margin; ++x) {
        if (image.pixel(x, y) != background) ++inkedPixels;
      }
    }
    return inkedPixels;
  };
  QStringList misplaced;
  for (int column = 0; column < screen::kScreenColumns; ++column) {
    // Antialiasing may touch a neighbour's outermost pixel, nothing more.
    const bool letter = column % 2 == 0;
    if (letter ? inked(column, 0) == 0 : inked(column, 1) != 0)
      misplaced << QString::number(column);
  }
  EXPECT_EQ(misplaced.join(' '), "");
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
  window_->resize(screen::kScreenColumns * cell.width() + 200, window_->height() + 200);
  view->setGeometry(0, 0, screen::kScreenColumns * cell.width() + 200,
                    screen::kScreenRows * cell.height() + 200);
  frame::TerminalWrite(*program_, std::string(screen::kScreenColumns, 'x'), false);
  view->repaint(
      QRect(70 * cell.width(), 20 * cell.height(), 40 * cell.width(), 30 * cell.height()));
  QStringList runs;  // row:first column+length
  for (const auto& run : view->LastPaint()) {
    runs << QStringLiteral("%1:%2+%3").arg(run.row).arg(run.firstColumn).arg(run.text.size());
  }
  EXPECT_EQ(runs.join(' '), "20:70+10 21:70+10 22:70+10 23:70+10 24:70+10");
  // A rectangle wholly below the screen draws nothing.
  view->repaint(QRect(0, screen::kScreenRows * cell.height() + 10, 50, 50));
  EXPECT_TRUE(view->LastPaint().empty());
}

}  // namespace
}  // namespace tarvik::ui::qt
