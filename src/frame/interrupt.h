// A job stopped from outside: SIGINT, SIGTERM and SIGHUP on Linux, Ctrl+C,
// Ctrl+Break and the console's close on Windows, become error 116 with
// subcode 1, 2 or 3. The request is taken by the job's own thread at its next
// wait (a read from the register, a pause), which runs the ordinary failure
// exit there: the link is closed on the thread that uses it, the line's
// settings restored, the log line and the result files written.
#pragma once

#include <chrono>

#include "frame/program.h"

namespace tarvik::frame {

// How long a job may take to reach its next wait before the failure exit is
// run for it from the thread that took the request.
inline constexpr std::chrono::seconds kStopGrace{10};
// How often a wait for the register looks for a stop request.
inline constexpr std::chrono::milliseconds kStopCheckInterval{200};

// The first stop request; runs on a thread of its own and does not return.
// Without a job holding the program directory the process ends at once with
// exit code 1 and a line on stderr: nothing there is in progress.
[[noreturn]] void StopRequested(Program& program, int subcode);

// At the waits of a job: ends it with error 116 when a stop was requested.
void ThrowIfStopRequested(const Program& program);

// A pause of the job (at most a few seconds): ends it with 116 when a stop
// was requested before or during it.
void PauseUnlessStopped(Program& program, std::chrono::milliseconds duration);

}  // namespace tarvik::frame
