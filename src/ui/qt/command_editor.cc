#include "ui/qt/command_editor.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

#include "screen/front_end.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt {
namespace {

std::u16string U16(const QString& text) {
  return text.toStdU16String();
}

// The small box shown while printing runs. However it is dismissed (its
// button, Escape, or the frame's close), printing is cancelled.
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
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, [owner = QPointer<QWidget>(owner), cancelled] {
      *cancelled = true;
      if (owner != nullptr) owner->setEnabled(true);
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

void CommandEditor::SetText(const window::EditorText& text) {
  lineEnd_ = text.lineEnd;
  setPlainText(QString::fromStdU16String(text.text));
  search_.StartAt(0);
  document()->setModified(false);
}

void CommandEditor::NewText() {
  SetText(window::EditorText{});
}

bool CommandEditor::LoadFile(const QString& path) {
  window::EditorText text;
  switch (window::LoadEditorFile(QFileInfo(path).filesystemFilePath(), &text)) {
    case window::LoadResult::kTooLarge:
      dialogs_.Message(window(), QString::fromUtf8(window::kTooLarge), screen::kStyleExclamation);
      return false;
    case window::LoadResult::kUnreadable:
      return false;
    case window::LoadResult::kLoaded:
      break;
  }
  SetText(text);
  return true;
}

std::string CommandEditor::SavedBytes() const {
  return window::EncodeEditorFile({Text(), lineEnd_});
}

bool CommandEditor::SaveFile(const QString& path) const {
  return window::SaveEditorFile(QFileInfo(path).filesystemFilePath(), {Text(), lineEnd_});
}

int CommandEditor::Length() const {
  const QTextDocument* doc = document();
  return doc->characterCount() - 1 +
         (doc->blockCount() - 1) * (static_cast<int>(lineEnd_.size()) - 1);
}

int CommandEditor::Fitting(const QString& text) const {
  const int selection = window::CostOf(U16(textCursor().selectedText()), lineEnd_.size());
  return static_cast<int>(window::Fitting(U16(text), Length(), selection, lineEnd_.size()));
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
  const QString text = QString::fromStdU16String(window::NormaliseLineBreaks(U16(source->text())));
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

std::u16string CommandEditor::Text() const {
  std::u16string all;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin()) all += u'\n';
    all += U16(block.text());
  }
  return all;
}

void CommandEditor::Select(std::size_t start, std::size_t end) {
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(start));
  cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
}

std::size_t CommandEditor::ReplaceSelection(std::u16string_view text) {
  const QString replacement = QString::fromStdU16String(std::u16string(text));
  const int fit = Fitting(replacement);
  QTextCursor cursor = textCursor();
  cursor.insertText(replacement.left(fit));
  setTextCursor(cursor);
  return static_cast<std::size_t>(fit);
}

void CommandEditor::StoreSearchPosition() {
  search_.StartAt(static_cast<std::size_t>(textCursor().selectionEnd()));
}

bool CommandEditor::FindNext(const QString& text) {
  return search_.FindNext(*this, U16(text));
}

bool CommandEditor::ReplaceNext(const QString& text, const QString& replacement) {
  return search_.ReplaceNext(*this, U16(text), U16(replacement));
}

bool CommandEditor::ReplaceAll(const QString& text, const QString& replacement) {
  return search_.ReplaceAll(*this, U16(text), U16(replacement));
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
  printer.setDocName(documentName.left(static_cast<qsizetype>(window::kMaxDocumentName)));

  bool cancelled = false;
  if (owner != nullptr) owner->setEnabled(false);
  // The box may be gone before printing ends: dismissing it deletes it.
  QPointer<PrintCancelBox> box = new PrintCancelBox(owner, documentName, &cancelled);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();

  const bool ok = PrintPages(printer, lines, cancelled);
  if (box != nullptr) {
    // Closing it now is no cancellation.
    box->disconnect(box, &QDialog::rejected, nullptr, nullptr);
    box->close();
  }
  if (!cancelled && owner != nullptr) owner->setEnabled(true);
  return ok ? 1 : 0;
}

bool CommandEditor::PrintPages(QPrinter& printer, const QStringList& lines, const bool& cancelled) {
  const int copies = printer.copyCount();
  const bool collate = printer.collateCopies();
  // The copies are made here, page by page, so the printer makes one.
  printer.setCopyCount(1);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.setFont(font());
  const QFontMetrics metrics = painter.fontMetrics();
  const int lineHeight = std::max(1, metrics.lineSpacing());
  const window::PageLayout layout = window::MeasurePage(printer.width(), printer.height(),
                                                        metrics.averageCharWidth(), lineHeight);
  lastCharactersPerLine_ = layout.charactersPerLine;
  lastLinesPerPage_ = layout.linesPerPage;

  const int pages = window::PageCount(static_cast<int>(lines.size()), layout.linesPerPage);
  bool ok = true;
  bool firstPage = true;
  for (int page : window::PrintOrder(pages, copies, collate)) {
    if (!firstPage && !printer.newPage()) {
      ok = false;
      break;
    }
    firstPage = false;
    for (int i = 0; i < layout.linesPerPage; ++i) {
      const qsizetype line = static_cast<qsizetype>(page) * layout.linesPerPage + i;
      if (line >= lines.size()) break;
      painter.drawText(0, i * lineHeight + metrics.ascent(),
                       lines[line].left(layout.charactersPerLine));
    }
    // The cancel box stays usable while pages are made.
    QCoreApplication::processEvents();
    if (cancelled) {
      ok = false;
      break;
    }
  }
  if (ok) return painter.end();
  printer.abort();
  if (painter.isActive()) painter.end();
  return false;
}

}  // namespace tarvik::ui::qt
