// The window over a fresh program directory, with a scripted stand-in for
// every modal dialog, for the tests of the window (offscreen platform).
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTest>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "support/test_support.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_front_end.h"

namespace tarvik::ui::qt::testing {

// Answers every modal dialog from queues and records what was asked.
class ScriptedDialogs final : public Dialogs {
 public:
  struct Box {
    QString text;
    int style = 0;
  };
  int Message(QWidget* owner, const QString& text, int style) override;
  QString ChooseFile(QWidget* owner, const FileChoice& choice) override;
  bool ChooseFont(QWidget* owner, QFont* font) override;
  bool SetUpPrinter(QWidget* owner, QPrinter* printer) override;
  bool Run(QDialog* dialog) override;

  // Answers of the next boxes; without one a box gets its first button.
  std::deque<int> answers;
  // Paths of the next file dialogs; without one a dialog is cancelled.
  std::deque<QString> files;
  // Handlers of the next program dialogs; without one a dialog is cancelled.
  std::deque<std::function<bool(QDialog*)>> runs;
  std::optional<QFont> font;
  // Configures the printer; without it the print dialog is cancelled.
  std::function<bool(QPrinter*)> printer;

  std::vector<Box> boxes;
  std::vector<FileChoice> fileChoices;
  std::vector<QString> dialogsRun;  // object names
  int printDialogs = 0;

  // The texts of the boxes shown, each cut to `length` characters if given.
  std::vector<QString> BoxTexts(qsizetype length = -1) const;
  // The print dialog prints into the PDF file `pdf`, set up further by `setUp`.
  void PrintToPdf(const QString& pdf, std::function<void(QPrinter*)> setUp = nullptr);
};

// Waits, processing events, until `condition` holds (at most `ms`).
inline bool WaitUntil(const std::function<bool()>& condition, int ms = 10000) {
  return QTest::qWaitFor(condition, ms);
}

// A program over a fresh program directory, with its window; the base's
// recording front end is not used.
class WindowFixture : public tarvik::testing::ProgramFixture {
 protected:
  WindowFixture();
  ~WindowFixture() override;

  void ShowWindow();
  QString QPath(const std::string& name) const { return QString::fromStdString(PathOf(name)); }
  // The next file dialog chooses `name` in the program directory.
  void ChooseNext(const std::string& name) { dialogs_.files.push_back(QPath(name)); }
  // The screen row as it was last painted (trailing blanks removed).
  QString PaintedRow(int row) const;
  // Every painted row joined by line breaks (trailing blanks removed).
  QString PaintedScreen() const;

  QtFrontEnd qtFrontEnd_;
  std::unique_ptr<link::RegisterLink> link_;
  std::unique_ptr<job::JobRunner> runner_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

// The text lines of a PDF written by Qt, in page order.
std::vector<QString> PdfTextLines(const QString& path);

}  // namespace tarvik::ui::qt::testing

// gtest shows QStrings as text.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
