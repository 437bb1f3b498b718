// tarvik-screenshot: opens the main window over a program directory, opens
// the command file prodej.cmd in the editor, runs it, and saves a picture of
// the window. Used by scripts/screenshot.sh (under Xvfb, against the
// register emulator); not installed.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/failure.h"
#include "frame/program.h"
#include "frame/settings.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "screen/front_end.h"
#include "ui/qt/command_editor.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_front_end.h"

namespace {

using namespace tarvik;

// Boxes take their first button; the file dialogs name the demo file.
class DemoDialogs final : public ui::qt::Dialogs {
 public:
  explicit DemoDialogs(QString file) : file_(std::move(file)) {}
  int Message(QWidget*, const QString& text, int) override {
    std::fprintf(stderr, "box: %s\n", text.toLocal8Bit().constData());
    return screen::kAnswerOk;
  }
  QString ChooseFile(QWidget*, const ui::qt::FileChoice&) override { return file_; }
  bool ChooseFont(QWidget*, QFont*) override { return false; }
  bool SetUpPrinter(QWidget*, QPrinter*) override { return false; }
  bool Run(QDialog*) override { return false; }

 private:
  QString file_;
};

// A failure ends the tool instead of starting the program afresh.
class ToolProcess final : public platform::Process {
 public:
  [[noreturn]] void Exit(int code) override { std::_Exit(code); }
  void Restart(const std::string&) override {}
  [[noreturn]] void Park() override { std::_Exit(1); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarvik-screenshot PROGRAM_DIRECTORY OUTPUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  const std::string directory = std::string(argv[1]) + "/";
  const QString output = QString::fromLocal8Bit(argv[2]);

  ToolProcess process;
  ui::qt::QtFrontEnd frontEnd;
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         process, platform::RealConsole(), frontEnd});
  program.paths.programDirectory = directory;
  program.paths.hasProgramDirectory = true;
  program.paths.argv0 = "tarvik";
  program.settings.okno = 1;  // started without a command file
  frame::RunGuarded(program, [&] { frame::InitSettings(program); });
  link::RegisterLink link(program);
  job::JobRunner runner(program, link);
  DemoDialogs dialogs(QString::fromStdString(directory + "prodej.cmd"));
  ui::qt::MainWindow window(program, runner, link, frontEnd, dialogs);
  window.resize(780, 640);
  window.show();

  window.RunCommand(ui::qt::command::kOpen);
  program.paths.commandFileName = "prodej.cmd";
  window.RunCommand(ui::qt::command::kRun);
  QElapsedTimer timer;
  timer.start();
  while ((window.Busy() || timer.elapsed() < 1500) && timer.elapsed() < 60000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  window.Editor()->moveCursor(QTextCursor::Start);
  QApplication::processEvents();
  if (!window.grab().save(output)) {
    std::fprintf(stderr, "tarvik-screenshot: cannot write %s\n", argv[2]);
    return 1;
  }
  std::fprintf(stderr, "tarvik-screenshot: %s\n", argv[2]);
  process.Exit(0);
}
