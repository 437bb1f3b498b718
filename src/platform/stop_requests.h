// Requests from outside to stop the program: SIGINT, SIGTERM and SIGHUP on
// Linux; Ctrl+C, Ctrl+Break and the console's close (or log-off, shutdown) on
// Windows. They are taken in one place instead of in a signal handler, so the
// program answers them with ordinary code.
#pragma once

#include <functional>

namespace tarvik::platform {

enum StopKind {
  kStopInterrupt = 1,  // SIGINT, Ctrl+C
  kStopTerminate = 2,  // SIGTERM, Ctrl+Break
  kStopHangUp = 3,     // SIGHUP, the console closed
};

// Call once, before the program starts any other thread (they inherit the
// blocked signals on Linux). The first request runs `first` with its kind on
// a thread of its own (it may block and need not return); a second request
// ends the process at once (on Linux by the signal's default action).
void WatchStopRequests(std::function<void(int kind)> first);

}  // namespace tarvik::platform
