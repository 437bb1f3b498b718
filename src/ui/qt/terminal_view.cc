#include "ui/qt/terminal_view.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <string>

#include "ui/qt/dialogs.h"

namespace tarvik::ui::qt {
namespace {

// Control bytes have no glyph of their own; they take one blank cell so the
// columns stay in line.
QString CellText(const std::array<char, screen::kScreenColumns>& row, int first, int last) {
  std::string bytes(row.begin() + first, row.begin() + last + 1);
  for (char& c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) c = ' ';
  }
  return FromCp1250(bytes);
}

}  // namespace

bool DrawsCodePageInCells(const QFont& font) {
  const QFontMetrics metrics(font);
  const int cell = metrics.horizontalAdvance(QLatin1Char('M'));
  for (int byte = 0x20; byte <= 0xFF; ++byte) {
    if (byte == 0x7F) continue;
    const QString letter = FromCp1250(std::string(1, static_cast<char>(byte)));
    // Unassigned bytes, and the soft hyphen, which no font gives a width.
    if (letter == QChar(QChar::ReplacementCharacter) ||
        letter[0].category() == QChar::Other_Format) {
      continue;
    }
    if (metrics.horizontalAdvance(letter) != cell) return false;
  }
  return true;
}

QFont DefaultTerminalFont() {
  // The system's fixed font need not be one the font database calls
  // fixed-pitch (Noto Sans Mono is not, for a few wide symbols it holds), and
  // a fixed-pitch family may lack letters of the code page, which then come
  // from a fallback font of another width. So: a fixed-pitch family that
  // draws every letter of the code page in one cell, the system's first; else
  // the system's fixed font as it is (painting cell by cell still keeps the
  // columns in line).
  QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  system.setFixedPitch(true);
  system.setStyleHint(QFont::TypeWriter);
  auto suits = [](const QFont& font) {
    return QFontDatabase::isFixedPitch(QFontInfo(font).family()) && DrawsCodePageInCells(font);
  };
  if (suits(system)) return system;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
    if (QFontDatabase::isPrivateFamily(family) || !QFontDatabase::isFixedPitch(family)) continue;
    QFont candidate = system;
    candidate.setFamilies({family});
    if (suits(candidate)) return candidate;
  }
  return system;
}

TerminalView::TerminalView(const screen::TerminalState& state, QWidget* parent)
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
  return {screen::kScreenColumns * charWidth_, screen::kScreenRows * charHeight_};
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
  const screen::ScreenSnapshot screen = state_.Snapshot();
  const QRect area = event->rect();
  QPainter painter(this);
  painter.fillRect(area, palette().color(QPalette::Base));
  painter.setFont(font_);
  painter.setPen(Qt::black);

  lastPaint_.clear();
  ++paintCount_;
  const int firstRow = std::clamp(area.top() / charHeight_, 0, screen::kScreenRows - 1);
  const int lastRow = std::clamp(area.bottom() / charHeight_, 0, screen::kScreenRows - 1);
  const int firstColumn = std::clamp(area.left() / charWidth_, 0, screen::kScreenColumns - 1);
  const int lastColumn = std::clamp(area.right() / charWidth_, 0, screen::kScreenColumns - 1);
  if (area.top() < screen::kScreenRows * charHeight_ &&
      area.left() < screen::kScreenColumns * charWidth_) {
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
