// tarvik: carries out a command file against one cash register, or, started
// without one, opens the main window.
#include <string>
#include <vector>

#include "frame/failure.h"
#include "frame/program.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "job/job_runner.h"
#include "job/sample_files.h"
#include "job/special_jobs.h"
#include "link/discovery.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "ui/console_frontend.h"
#if TARVIK_WITH_QT
#include "ui/qt/window_app.h"
#endif
#ifdef _WIN32
#include "platform/win32/windows_api.h"

#include "ui/win32_front_end.h"
#endif

using namespace tarvik;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  platform::Console& console = platform::RealConsole();
#ifdef _WIN32
  // Boxes, beeps and the activity icon of the system, also without a window.
  ui::Win32FrontEnd windowlessFrontEnd(console);
#else
  ui::ConsoleFrontEnd windowlessFrontEnd(console);
#endif
#if TARVIK_WITH_QT
  // The console answers until the window exists.
  ui::qt::SwitchableFrontEnd frontEnd(windowlessFrontEnd);
#else
  ui::FrontEnd& frontEnd = windowlessFrontEnd;
#endif
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         platform::RealProcess(), console, frontEnd});
  link::RegisterLink link(program);
  job::JobRunner runner(program, link);

#if TARVIK_WITH_QT
  bool openWindow = false;
  bool desktop = false;
#endif
  frame::RunGuarded(program, [&] {
    frame::JobSettings& s = program.settings;
#ifdef _WIN32
    frame::ParseWindowsCommandLine(program, GetCommandLineA());
#else
    frame::ParseCommandLine(program, args);
#endif
    if (s.searchWithWindow) s.okno = 1;
    frame::InitSettings(program);
    job::WriteSampleCommandFiles(program);
#if TARVIK_WITH_QT
    desktop = platform::DisplayAvailable();
#endif

    if (s.okno) {
#if TARVIK_WITH_QT
      // Setting the clock and searching the ports stay windowless.
      if (!s.setClockOnly && !s.searchOnly) {
        if (desktop) {
          openWindow = true;
          return;
        }
        if (!s.jobRequested && !s.searchWithWindow) {
          console.WriteStderr(
              "Komunikace Tarvik: hlavní okno nelze otevřít, není k dispozici žádný displej; "
              "spusťte program s příkazovým souborem.\n");
          program.process.Exit(0);
        }
      }
#else
      // This build has no window: a job asked to run with one runs without it.
      if (!s.jobRequested && !s.setClockOnly && !s.searchOnly && !s.searchWithWindow) {
        console.WriteStderr(
            "Komunikace Tarvik: hlavní okno není v tomto sestavení k dispozici; spusťte program "
            "s příkazovým souborem.\n");
        program.process.Exit(0);
      }
#endif
      s.okno = 0;
    }
  });

  // The windowless modes; each ends the process.
  auto windowless = [&] {
    frame::JobSettings& s = program.settings;
    if (s.setClockOnly) {
      job::SetRegisterClock(program, runner);
      program.process.Exit(0);
    } else if (s.searchOnly) {
      link::FindRegister(program, link);
      program.process.Exit(0);
    }
    if (s.searchWithWindow && !link::FindRegister(program, link)) {
      frame::ShowMessage(program, "Nenalezl jsem zadnou pokladnu.", ui::kStyleExclamation);
    }
    if (s.jobRequested) {
      runner.StartJob();
      runner.WaitForJobThread();
    }
    program.process.Exit(0);
  };
#if TARVIK_WITH_QT
  if (openWindow) ui::qt::RunMainWindow(program, runner, link, frontEnd, argc, argv);
#ifndef _WIN32
  // On a Linux desktop the boxes of a windowless run appear as boxes.
  if (desktop) ui::qt::RunWindowless(program, frontEnd, windowlessFrontEnd, argc, argv, windowless);
#endif
#endif
  frame::RunGuarded(program, windowless);
  return 0;
}
