// tarvik: carries out a command file against one cash register, or, started
// without one, opens the main window.
#include <string>
#include <vector>

#include "frame/directory_lock.h"
#include "frame/failure.h"
#include "frame/interrupt.h"
#include "frame/program.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "frame/usage.h"
#include "job/job_runner.h"
#include "job/sample_files.h"
#include "job/special_jobs.h"
#include "link/discovery.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/stop_requests.h"
#include "ui/console_front_end.h"
#if TARVIK_WITH_QT
#include "app/window_loader.h"
#endif
#ifdef _WIN32
#include "platform/win32/windows_api.h"

#include "ui/win32_front_end.h"
#endif

using namespace tarvik;

namespace {

// What --version says of the build; the Qt version is asked of the window
// module, loaded for that only when `forVersion`.
frame::BuildInfo Build(bool forVersion) {
  frame::BuildInfo build;
#ifdef _WIN32
  build.system = "Windows";
#else
  build.system = "Linux";
#endif
#if defined(__x86_64__) || defined(_M_X64)
  build.system += " x86_64";
#elif defined(__aarch64__)
  build.system += " aarch64";
#endif
#if TARVIK_WITH_QT
  if (forVersion) {
    std::string error;
    const ui::qt::WindowEntry* window = app::LoadWindowModule(&error);
    build.qtVersion = window ? window->qtVersion() : "? (" + error + ")";
  }
#else
  (void)forVersion;
#endif
  return build;
}

}  // namespace

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
  screen::FrontEnd& frontEnd = windowlessFrontEnd;
#endif
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         platform::RealProcess(), console, frontEnd});
  link::RegisterLink link(program);
  job::JobRunner runner(program, link);

  // Before any other thread starts, so that every thread leaves the signals
  // to the one place that takes them.
  platform::WatchStopRequests([&program](int kind) { frame::StopRequested(program, kind); });

  // --help, --version and unknown --options end here, before anything is read
  // or written.
  const bool czech = platform::UserLanguageIsCzech();
#ifdef _WIN32
  const frame::LongOptionFound longOption = frame::FindLongOptionInLine(GetCommandLineA());
#else
  const frame::LongOptionFound longOption = frame::FindLongOption(args);
#endif
  frame::AnswerLongOption(program, longOption, czech,
                          Build(longOption.option == frame::LongOption::kVersion));

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
              "spusťte program s příkazovým souborem.\n\n" +
              frame::UsageText(czech));
          program.process.Exit(frame::kUsageExitCode);
        }
      }
#else
      // This build has no window: a job asked to run with one runs without it.
      if (!s.jobRequested && !s.setClockOnly && !s.searchOnly && !s.searchWithWindow) {
        console.WriteStderr(
            "Komunikace Tarvik: hlavní okno není v tomto sestavení k dispozici; spusťte program "
            "s příkazovým souborem.\n\n" +
            frame::UsageText(czech));
        program.process.Exit(frame::kUsageExitCode);
      }
#endif
      s.okno = 0;
    }
  });

  // The windowless modes; each ends the process.
  auto windowless = [&] {
    frame::JobSettings& s = program.settings;
    // One job per program directory, from before its first file is touched;
    // a process that does not get it leaves the directory as it is.
    if (frame::TakeDirectoryLock(program) != frame::DirectoryLock::Outcome::kTaken) {
      program.process.Exit(1);
    }
    job::WriteSampleCommandFiles(program);
    if (s.setClockOnly) {
      job::SetRegisterClock(program, runner);
      program.process.Exit(0);
    } else if (s.searchOnly) {
      link::FindRegister(program, link);
      program.process.Exit(0);
    }
    if (s.searchWithWindow && !link::FindRegister(program, link)) {
      frame::ShowMessage(program, "Nenalezl jsem zadnou pokladnu.", screen::kStyleExclamation);
    }
    if (s.jobRequested) {
      runner.StartJob();
      runner.WaitForJobThread();
    }
    program.process.Exit(0);
  };
#if TARVIK_WITH_QT
  // The toolkit is loaded only here: a run without a display never maps it.
  if (openWindow || desktop) {
    std::string error;
    const ui::qt::WindowEntry* window = app::LoadWindowModule(&error);
    if (window) {
      if (openWindow) window->runMainWindow(program, runner, link, frontEnd, argc, argv);
      // On a Linux desktop the boxes of a windowless run appear as boxes.
      window->runWindowless(program, frontEnd, windowlessFrontEnd, argc, argv, windowless);
    }
    if (openWindow) {
      console.WriteStderr("Komunikace Tarvik: hlavní okno nelze otevřít: " + error + "\n");
      return 1;
    }
    console.WriteStderr("Komunikace Tarvik: okna hlášení nelze ukázat (" + error +
                        "); hlášení jdou jen na standardní chybový výstup.\n");
  }
#endif
  frame::RunGuarded(program, windowless);
  return 0;
}
