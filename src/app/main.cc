// tarvik: carries out a command file against one cash register, or, started
// without one, opens the main window.
#include <string>
#include <vector>

#include "app/front_ends.h"
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

using namespace tarvik;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  platform::Console& console = platform::RealConsole();
  app::FrontEnds frontEnds(console);
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         platform::RealProcess(), console, frontEnds.Program()});
  link::RegisterLink link(program);
  job::JobRunner runner(program, link);

  // Before any other thread starts, so that every thread leaves the signals
  // to the one place that takes them.
  platform::WatchStopRequests([&program](int kind) { frame::StopRequested(program, kind); });

  // --help, --version and unknown --options end here, before anything is read
  // or written.
  const bool czech = platform::UserLanguageIsCzech();
  const frame::LongOptionFound longOption = app::FindLongOption(args);
  frame::AnswerLongOption(program, longOption, czech,
                          app::Build(longOption.option == frame::LongOption::kVersion));

  bool openWindow = false;
  frame::RunGuarded(program, [&] {
    frame::JobSettings& s = program.settings;
    app::ParseCommandLine(program, args);
    if (s.searchWithWindow) s.okno = 1;
    frame::InitSettings(program);
    openWindow = frontEnds.ChooseWindow(program, czech);
    if (!openWindow) s.okno = 0;
  });

  if (openWindow) return frontEnds.RunWindow(program, runner, link, argc, argv);

  // The windowless modes; each ends the process.
  frontEnds.RunWindowless(program, argc, argv, [&] {
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
  });
  return 0;
}
