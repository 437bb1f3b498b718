#include "ui/qt/terminal_view.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "ui/qt/dialogs.h"

namespace tarvik::ui::qt {
namespace {

// Control bytes have no glyph of their own; they take one blank cell so the
// columns stay in line.
QString CellText(const std::array<char, kScreenColumns>& row, int first, int last) {
  std::string bytes(row.begin() + first, row.begin() + last + 1);
  for (char& c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) c = ' ';
  }
  return FromCp1250(bytes);
}

}  // namespace

QFont DefaultTerminalFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setFixedPitch(true);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

TerminalView::TerminalView(const TerminalState& state, QWidget* parent)
    : QWidget(parent), state_(state) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  SetTerminalFont(DefaultTerminalFont());
}

void TerminalView::SetTerminalFont(const QFont& font) {
  font_ = font;
  QFontMetrics metrics(font_);
  charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
  charHeight_ = std::max(1, metrics.lineSpacing());
  ascent_ = metrics.ascent();
  updateGeometry();
  update();
}

QSize TerminalView::sizeHint() const {
  return {kScreenColumns * charWidth_, kScreenRows * charHeight_};
}

void TerminalView::SetCaretOn(bool on) {
  if (caretOn_ == on) return;
  caretOn_ = on;
  update();
}

void TerminalView::changeEvent(QEvent* event) {
  // Losing the focus hides the caret; getting it back shows it again.
  if (event->type() == QEvent::ActivationChange) update();
  QWidget::changeEvent(event);
}

void TerminalView::paintEvent(QPaintEvent* event) {
  const ScreenSnapshot screen = state_.Snapshot();
  const QRect area = event->rect();
  QPainter painter(this);
  painter.fillRect(area, palette().color(QPalette::Base));
  painter.setFont(font_);
  painter.setPen(Qt::black);

  lastPaint_.clear();
  ++paintCount_;
  const int firstRow = std::clamp(area.top() / charHeight_, 0, kScreenRows - 1);
  const int lastRow = std::clamp(area.bottom() / charHeight_, 0, kScreenRows - 1);
  const int firstColumn = std::clamp(area.left() / charWidth_, 0, kScreenColumns - 1);
  const int lastColumn = std::clamp(area.right() / charWidth_, 0, kScreenColumns - 1);
  if (area.top() < kScreenRows * charHeight_ && area.left() < kScreenColumns * charWidth_) {
    for (int row = firstRow; row <= lastRow; ++row) {
      QString text = CellText(screen.cells[static_cast<std::size_t>(row)], firstColumn, lastColumn);
      // Cell by cell, so a letter taken from a fallback font cannot move
      // the columns after it.
      for (int i = 0; i < text.size(); ++i) {
        painter.drawText((firstColumn + i) * charWidth_, row * charHeight_ + ascent_,
                         QString(text.at(i)));
      }
      lastPaint_.push_back({row, firstColumn, text});
    }
  }

  caretDrawn_ = caretOn_ && screen.connected && isActiveWindow();
  if (caretDrawn_) {
    caretCell_ = QPoint(screen.row, screen.column);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(screen.column * charWidth_, screen.row * charHeight_, charWidth_, charHeight_,
                     Qt::white);
  }
}

}  // namespace tarvik::ui::qt
