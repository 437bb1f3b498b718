#include "ui/win32/window_app.h"

#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdlib>

#include "ui/win32/main_window.h"
#include "ui/win32/window_calls.h"
#include "ui/win32/window_front_end.h"

namespace tarvik::ui::win32 {

void RunMainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                   SwitchableFrontEnd& frontEnd, screen::FrontEnd& system) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WindowCalls calls = RealWindowCalls();
  WindowFrontEnd windowFrontEnd(system, calls.messageBox);
  MainWindow window(program, runner, link, windowFrontEnd, std::move(calls));
  if (!window.Created()) return;
  frontEnd.SwitchTo(windowFrontEnd);
  window.Show(SW_SHOWDEFAULT);
  window.StartRequestedWork();
  const int code = window.RunMessageLoop();
  // Job threads may still run and use the window's objects: the process
  // ends here, as it did when its message loop ended.
  program.process.Exit(code);
}

}  // namespace tarvik::ui::win32
