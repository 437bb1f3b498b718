// The command-file editor in the lower half of the main window: a plain
// multi-line text control for small files, holding at most 32,000
// characters as they would be saved (a line end counts with its bytes).
//
// Files are Windows-1250 text. Loading takes at most 32,000 bytes, turns a
// UTF-16 file (recognised by its byte-order mark only) into Windows-1250 and
// reads any other file up to its first zero byte. The editor shows lines;
// the line end the file used (the first CR LF, LF or CR met; CR LF for a new
// text) is written back after every line on saving, so a file keeps its line
// ends. Saving writes Windows-1250 without a byte-order mark.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <string>

class QMimeData;
class QInputMethodEvent;

namespace tarvik::ui::qt {

class Dialogs;

class CommandEditor final : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxCharacters = 32000;
  static constexpr qint64 kMaxFileBytes = 32000;

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
  QString LineEnd() const { return lineEnd_; }
  // The characters the text counts against the limit.
  int Length() const;

  // The search starts at the search position: the menu commands set it to
  // the end of the selection; every match moves it behind the match.
  void StoreSearchPosition();
  int SearchPosition() const { return searchPosition_; }
  // Selects the next match (case-sensitive); false when there is none.
  bool FindNext(const QString& text);
  // Finds the next match and replaces it; false when there is none.
  bool ReplaceNext(const QString& text, const QString& replacement);

  // Prints the text after the printer dialog, each line cut at the page's
  // characters per line; `owner` is disabled while a cancel box is shown.
  // Returns 0 on failure or cancellation, else 1 (also when the printer
  // dialog was cancelled or the text is empty).
  int Print(QWidget* owner, const QString& documentName);
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
  int CostOf(const QString& text) const;
  void SetText(const QString& text, const QString& lineEnd);

  Dialogs& dialogs_;
  QString lineEnd_ = QStringLiteral("\r\n");
  int searchPosition_ = 0;
  int lastCharactersPerLine_ = 0;
  int lastLinesPerPage_ = 0;
};

}  // namespace tarvik::ui::qt
