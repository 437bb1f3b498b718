// The command-file editor in the lower half of the main window: a plain
// multi-line text control over the editor rules of ui/window/editor_rules.h
// (size limit, loading and saving, find and replace, print layout).
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <string>

#include "ui/window/editor_rules.h"

class QMimeData;
class QInputMethodEvent;
class QPrinter;

namespace tarvik::ui::qt {

class Dialogs;

class CommandEditor final : public QPlainTextEdit, public window::EditableText {
  Q_OBJECT

 public:
  CommandEditor(Dialogs& dialogs, QWidget* parent = nullptr);

  // An empty text with CR LF line ends.
  void NewText();
  // False when the file cannot be read or is too large ("Soubor je prilis
  // velky." is shown first for the size).
  bool LoadFile(const QString& path);
  // True when every byte was written.
  bool SaveFile(const QString& path) const;
  // The text as it is saved: Windows-1250 bytes with the line ends.
  std::string SavedBytes() const;
  QString LineEnd() const { return QString::fromStdU16String(lineEnd_); }
  // The characters the text counts against the limit.
  int Length() const;

  // The search starts at the search position: the menu commands set it to
  // the end of the selection; every match moves it behind the match.
  void StoreSearchPosition();
  int SearchPosition() const { return static_cast<int>(search_.Position()); }
  // Selects the next match (case-sensitive); false when there is none.
  bool FindNext(const QString& text);
  // Finds the next match and replaces it; false when there is none.
  bool ReplaceNext(const QString& text, const QString& replacement);
  // Replaces until no match is left; false when there was none.
  bool ReplaceAll(const QString& text, const QString& replacement);

  // Prints the text after the printer dialog, each line cut at the page's
  // characters per line; `owner` is disabled while a cancel box is shown.
  // Returns 0 on failure or cancellation, else 1 (also when the printer
  // dialog was cancelled or the text is empty).
  int Print(QWidget* owner, const QString& documentName);
  // What the search works on.
  std::u16string Text() const override;
  void Select(std::size_t start, std::size_t end) override;
  std::size_t ReplaceSelection(std::u16string_view text) override;

  // The page measures of the last print.
  int LastCharactersPerLine() const { return lastCharactersPerLine_; }
  int LastLinesPerPage() const { return lastLinesPerPage_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  // How many characters of `text` fit in place of the current selection.
  int Fitting(const QString& text) const;
  void SetText(const window::EditorText& text);
  bool PrintPages(QPrinter& printer, const QStringList& lines, const bool& cancelled);

  Dialogs& dialogs_;
  std::u16string lineEnd_ = u"\r\n";
  window::TextSearch search_;
  int lastCharactersPerLine_ = 0;
  int lastLinesPerPage_ = 0;
};

}  // namespace tarvik::ui::qt
