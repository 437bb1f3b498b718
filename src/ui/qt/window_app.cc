#include "ui/qt/window_app.h"

#include <QApplication>
#include <cstdlib>

#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_front_end.h"

namespace tarvik::ui::qt {
namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool DisplayAvailable() {
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

void RunMainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                   SwitchableFrontEnd& frontEnd, int& argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarvik"));
  QtFrontEnd windowFrontEnd;
  QtDialogs dialogs;
  MainWindow window(program, runner, link, windowFrontEnd, dialogs);
  frontEnd.SwitchTo(windowFrontEnd);
  window.show();
  window.StartRequestedWork();
  const int code = QApplication::exec();
  // Job threads may still run and use the window's objects: the process
  // ends here, as it did when its message loop ended.
  program.process.Exit(code);
  std::abort();  // Exit does not return
}

}  // namespace tarvik::ui::qt
