// What differs between the systems in how the program starts: the front ends
// it shows its boxes and status lines through, how the command line is read,
// what --version says of the build, and whether and how the main window
// opens. CMake picks the file of the system (front_ends_posix.cc or
// front_ends_win32.cc).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/program.h"
#include "frame/usage.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "platform/process.h"
#include "screen/front_end.h"

namespace tarvik::app {

// What --version says of the build; `forVersion` when it is asked for.
frame::BuildInfo Build(bool forVersion);

// The first --option of the command line as this system gives it.
frame::LongOptionFound FindLongOption(const std::vector<std::string>& args);
// The switches and the command file, as this system gives the command line.
void ParseCommandLine(frame::Program& program, const std::vector<std::string>& args);

class FrontEnds {
 public:
  explicit FrontEnds(platform::Console& console);
  ~FrontEnds();
  FrontEnds(const FrontEnds&) = delete;
  FrontEnds& operator=(const FrontEnds&) = delete;

  // The front end the program context is made with.
  screen::FrontEnd& Program();

  // Once the settings are read: whether the window opens for okno. Where it
  // cannot open and nothing else was asked for, says so and ends the process
  // with the usage exit code.
  bool ChooseWindow(frame::Program& program, bool czech);

  // Shows the main window until it closes, which ends the process; returns
  // the exit code when it could not be opened (the reason on stderr).
  int RunWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                int& argc, char** argv);

  // Runs `work`, which ends the process, with the boxes this system shows
  // for a windowless run.
  void RunWindowless(frame::Program& program, int& argc, char** argv,
                     const std::function<void()>& work);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace tarvik::app
