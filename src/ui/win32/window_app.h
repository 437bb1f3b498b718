// How the program opens its main window on Windows.
#pragma once

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "screen/front_end.h"
#include "ui/switchable_front_end.h"

namespace tarvik::ui::win32 {

// Creates the main window, switches `frontEnd` to it, runs the rest of the
// start-up (search, job) and the message loop, and ends the process with the
// loop's exit code when the window closes. `system` beeps and shows the
// activity icon. Returns only when the window could not be created.
void RunMainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                   SwitchableFrontEnd& frontEnd, screen::FrontEnd& system);

}  // namespace tarvik::ui::win32
