#include "ui/qt/command_editor.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "ui/frontend.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt {
namespace {

constexpr int kDocumentNameLimit = 324;

bool IsLineBreak(QChar c) {
  return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The UTF-16 text after a byte-order mark, up to its first zero unit.
QString Utf16Text(const QByteArray& data, bool reversed) {
  QString text;
  const qsizetype units = (data.size() - 2) / 2;
  text.reserve(units);
  for (qsizetype i = 0; i < units; ++i) {
    auto a = static_cast<unsigned char>(data[2 + 2 * i]);
    auto b = static_cast<unsigned char>(data[3 + 2 * i]);
    char16_t unit =
        reversed ? static_cast<char16_t>(a << 8 | b) : static_cast<char16_t>(b << 8 | a);
    if (unit == 0) break;
    text += QChar(unit);
  }
  return text;
}

QString DetectLineEnd(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\n')) return QStringLiteral("\n");
    if (text[i] == QLatin1Char('\r')) {
      return i + 1 < text.size() && text[i + 1] == QLatin1Char('\n') ? QStringLiteral("\r\n")
                                                                     : QStringLiteral("\r");
    }
  }
  return QStringLiteral("\r\n");
}

QString NormaliseLineEnds(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// The small box shown while printing runs; any button cancels.
class PrintCancelBox final : public QDialog {
 public:
  PrintCancelBox(QWidget* owner, const QString& documentName, bool* cancelled)
      : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("PrintDlgBox"));
    setWindowTitle(QString::fromUtf8(kTitle));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(documentName, this);
    name->setObjectName(QStringLiteral("40052"));
    layout->addWidget(name);
    auto* cancel = new QPushButton(QStringLiteral("Zrušit"), this);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this, owner, cancelled] {
      *cancelled = true;
      if (owner != nullptr) owner->setEnabled(true);
      close();
    });
  }
};

}  // namespace

CommandEditor::CommandEditor(Dialogs& dialogs, QWidget* parent)
    : QPlainTextEdit(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("editor"));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setFont(DefaultTerminalFont());
}

void CommandEditor::SetText(const QString& text, const QString& lineEnd) {
  lineEnd_ = lineEnd;
  setPlainText(text);
  searchPosition_ = 0;
  document()->setModified(false);
}

void CommandEditor::NewText() {
  SetText(QString(), QStringLiteral("\r\n"));
}

bool CommandEditor::LoadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  if (file.size() > kMaxFileBytes) {
    dialogs_.Message(window(), QStringLiteral("Soubor je prilis velky."), kStyleExclamation);
    return false;
  }
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;

  QString text;
  const bool mark = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                    static_cast<unsigned char>(bytes[1]) == 0xFE;
  const bool reversedMark = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
                            static_cast<unsigned char>(bytes[1]) == 0xFF;
  if (mark || reversedMark) {
    // Through the code page, so what Windows-1250 lacks becomes "?" as on saving.
    text = FromCp1250(ToCp1250(Utf16Text(bytes, reversedMark)));
  } else {
    qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    text = FromCp1250(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  SetText(NormaliseLineEnds(text), DetectLineEnd(text));
  return true;
}

std::string CommandEditor::SavedBytes() const {
  QString text;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin()) text += lineEnd_;
    text += block.text();
  }
  return ToCp1250(text);
}

bool CommandEditor::SaveFile(const QString& path) const {
  const std::string bytes = SavedBytes();
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const qint64 written = file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  const bool flushed = file.flush();
  file.close();
  return written == static_cast<qint64>(bytes.size()) && flushed &&
         file.error() == QFileDevice::NoError;
}

int CommandEditor::Length() const {
  const QTextDocument* doc = document();
  return doc->characterCount() - 1 + (doc->blockCount() - 1) * (lineEnd_.size() - 1);
}

int CommandEditor::CostOf(const QString& text) const {
  int cost = 0;
  for (QChar c : text) cost += IsLineBreak(c) ? static_cast<int>(lineEnd_.size()) : 1;
  return cost;
}

int CommandEditor::Fitting(const QString& text) const {
  int room = kMaxCharacters - (Length() - CostOf(textCursor().selectedText()));
  int n = 0;
  for (QChar c : text) {
    room -= IsLineBreak(c) ? static_cast<int>(lineEnd_.size()) : 1;
    if (room < 0) break;
    ++n;
  }
  return n;
}

void CommandEditor::keyPressEvent(QKeyEvent* event) {
  QString typed;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    typed = QStringLiteral("\n");
  } else if (!event->text().isEmpty() &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) &&
             (event->text().at(0).isPrint() || event->text().at(0) == QLatin1Char('\t'))) {
    typed = event->text();
  }
  if (!typed.isEmpty() && Fitting(typed) < typed.size()) {
    QApplication::beep();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CommandEditor::insertFromMimeData(const QMimeData* source) {
  if (source == nullptr || !source->hasText()) return;
  QString text = NormaliseLineEnds(source->text());
  const int fit = Fitting(text);
  if (fit < text.size()) QApplication::beep();
  textCursor().insertText(text.left(fit));
  ensureCursorVisible();
}

void CommandEditor::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  const int fit = Fitting(commit);
  if (fit < commit.size()) {
    QInputMethodEvent shortened(event->preeditString(), event->attributes());
    shortened.setCommitString(commit.left(fit), event->replacementStart(),
                              event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&shortened);
    return;
  }
  QPlainTextEdit::inputMethodEvent(event);
}

void CommandEditor::StoreSearchPosition() {
  searchPosition_ = textCursor().selectionEnd();
}

bool CommandEditor::FindNext(const QString& text) {
  if (text.isEmpty()) return false;
  QString all;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin()) all += QLatin1Char('\n');
    all += block.text();
  }
  const qsizetype at = all.indexOf(text, searchPosition_, Qt::CaseSensitive);
  if (at < 0) return false;
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(at));
  cursor.setPosition(static_cast<int>(at + text.size()), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
  searchPosition_ = static_cast<int>(at + text.size());
  return true;
}

bool CommandEditor::ReplaceNext(const QString& text, const QString& replacement) {
  if (!FindNext(text)) return false;
  QTextCursor cursor = textCursor();
  cursor.insertText(replacement.left(Fitting(replacement)));
  setTextCursor(cursor);
  searchPosition_ = cursor.position();
  return true;
}

int CommandEditor::Print(QWidget* owner, const QString& documentName) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setCollateCopies(true);
  printer.setCopyCount(1);
  if (!dialogs_.SetUpPrinter(owner, &printer)) return 1;
  if (document()->isEmpty()) return 1;

  QStringList lines;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    lines << block.text();
  }
  const int copies = std::max(1, printer.copyCount());
  const bool collate = printer.collateCopies();
  // The copies are made here, page by page, so the printer makes one.
  printer.setCopyCount(1);
  printer.setDocName(documentName.left(kDocumentNameLimit));

  bool cancelled = false;
  if (owner != nullptr) owner->setEnabled(false);
  auto* box = new PrintCancelBox(owner, documentName, &cancelled);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();

  bool ok = false;
  QPainter painter;
  if (painter.begin(&printer)) {
    painter.setFont(font());
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int charactersPerLine = printer.width() / std::max(1, metrics.averageCharWidth());
    const int linesPerPage = std::max(1, printer.height() / lineHeight);
    const int pages = (static_cast<int>(lines.size()) + linesPerPage - 1) / linesPerPage;
    lastCharactersPerLine_ = charactersPerLine;
    lastLinesPerPage_ = linesPerPage;

    bool firstPage = true;
    auto printPage = [&](int page) {
      if (!firstPage && !printer.newPage()) return false;
      firstPage = false;
      for (int i = 0; i < linesPerPage; ++i) {
        const int line = page * linesPerPage + i;
        if (line >= lines.size()) break;
        painter.drawText(0, i * lineHeight + metrics.ascent(), lines[line].left(charactersPerLine));
      }
      // The cancel box stays usable while pages are made.
      QCoreApplication::processEvents();
      return !cancelled;
    };
    ok = true;
    if (collate) {
      for (int copy = 0; ok && copy < copies; ++copy) {
        for (int page = 0; ok && page < pages; ++page) ok = printPage(page);
      }
    } else {
      for (int page = 0; ok && page < pages; ++page) {
        for (int copy = 0; ok && copy < copies; ++copy) ok = printPage(page);
      }
    }
    if (ok) {
      ok = painter.end();
    } else {
      printer.abort();
      if (painter.isActive()) painter.end();
    }
  }
  if (!cancelled) {
    if (owner != nullptr) owner->setEnabled(true);
    box->close();
  }
  return ok ? 1 : 0;
}

}  // namespace tarvik::ui::qt
