// The status screen in the upper part of the main window: the 25 x 80 cells
// of the screen model drawn in a fixed-pitch font, row 0 always at the top,
// Windows-1250 bytes shown as their letters, and a caret on the cursor cell
// while the serial port is open and the window has the focus.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <vector>

#include "screen/screen.h"

namespace tarvik::ui::qt {

class TerminalView final : public QWidget {
  Q_OBJECT

 public:
  explicit TerminalView(const screen::TerminalState& state, QWidget* parent = nullptr);

  // Makes the font the view's font and measures its character cell.
  void SetTerminalFont(const QFont& font);
  const QFont& TerminalFont() const { return font_; }
  QSize CellSize() const { return {charWidth_, charHeight_}; }
  QSize sizeHint() const override;

  // The caret follows the cursor while on (the serial link turns it on and
  // off with the port); it is drawn only while the window is active.
  void SetCaretOn(bool on);
  bool CaretOn() const { return caretOn_; }
  // Whether the last paint drew the caret, and where (row, column).
  bool CaretDrawn() const { return caretDrawn_; }
  QPoint CaretCell() const { return caretCell_; }

  // What the last paint drew: one run of characters per row it touched.
  struct Run {
    int row = 0;
    int firstColumn = 0;
    QString text;
  };
  const std::vector<Run>& LastPaint() const { return lastPaint_; }
  int PaintCount() const { return paintCount_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  const screen::TerminalState& state_;
  QFont font_;
  int charWidth_ = 8;
  int charHeight_ = 16;
  int ascent_ = 12;
  bool caretOn_ = false;
  bool caretDrawn_ = false;
  QPoint caretCell_;
  std::vector<Run> lastPaint_;
  int paintCount_ = 0;
};

// Whether every character of the code page that the view draws has the
// advance width of the font's cell ('M').
bool DrawsCodePageInCells(const QFont& font);

// The view's font: one that draws the code page in fixed cells (see the
// definition for the order of choice).
QFont DefaultTerminalFont();

}  // namespace tarvik::ui::qt
