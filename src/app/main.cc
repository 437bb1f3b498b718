// tarvik: carries out a command file against one cash register, or, started
// without one, opens the main window.
#include <string>
#include <vector>

#include "frame/failure.h"
#include "frame/program.h"
#include "frame/settings.h"
#include "job/job_runner.h"
#include "job/sample_files.h"
#include "link/link.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "ui/console_frontend.h"

using namespace tarvik;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  platform::Console& console = platform::RealConsole();
  ui::ConsoleFrontEnd frontEnd(console);
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         platform::RealProcess(), console, frontEnd});
  link::RegisterLink link(program);
  job::JobRunner runner(program, link);

  frame::RunGuarded(program, [&] {
    frame::JobSettings& s = program.settings;
    frame::ParseCommandLine(program, args);
    if (s.searchWithWindow) s.okno = 1;
    frame::InitSettings(program);
    job::WriteSampleCommandFiles(program);

    if (s.okno) {
      // This build has no window: a job asked to run with one runs without it.
      if (!s.jobRequested && !s.setClockOnly && !s.searchOnly && !s.searchWithWindow) {
        console.WriteStderr(
            "Komunikace Tarvik: hlavní okno není v tomto sestavení k dispozici; spusťte program "
            "s příkazovým souborem.\n");
        program.process.Exit(0);
      }
      s.okno = 0;
    }

    if (s.setClockOnly) {
      frame::Fail(70, 10);
    } else if (s.searchOnly) {
      frame::Fail(70, 11);
    }
    if (s.jobRequested) {
      runner.StartJob();
      runner.WaitForJobThread();
    }
  });
  return 0;
}
