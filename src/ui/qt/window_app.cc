#include "ui/qt/window_app.h"

#include <QApplication>
#include <cstdlib>
#include <thread>

#include "frame/failure.h"

#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_front_end.h"

namespace tarvik::ui::qt {

std::string QtVersion() {
  return qVersion();
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

void RunWindowless(frame::Program& program, SwitchableFrontEnd& frontEnd, screen::FrontEnd& console,
                   int& argc, char** argv, const std::function<void()>& work) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarvik"));
  // The boxes are the only windows; closing one must not end the loop.
  QApplication::setQuitOnLastWindowClosed(false);
  QtFrontEnd toolkit;
  QtDialogs dialogs;
  toolkit.Attach(nullptr, nullptr, &dialogs);
  DesktopFrontEnd desktop(console, toolkit);
  frontEnd.SwitchTo(desktop);
  std::thread worker([&] {
    frame::RunGuarded(program, work);
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  QApplication::exec();
  // Only reached when `work` returned instead of ending the process.
  worker.join();
  program.process.Exit(0);
  std::abort();  // Exit does not return
}

}  // namespace tarvik::ui::qt
