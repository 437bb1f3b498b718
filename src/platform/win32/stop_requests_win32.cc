#include "platform/win32/windows_api.h"

#include <atomic>

#include "platform/stop_requests.h"

namespace tarvik::platform {
namespace {

std::function<void(int)>& FirstRequest() {
  static std::function<void(int)> first;
  return first;
}
std::atomic<int> requests{0};

// The system runs this on a thread of its own for every event. For the
// close, log-off and shutdown events it ends the process once the handler
// returns (or after a few seconds), so the first request is answered here,
// not handed on.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int kind = kStopHangUp;
  if (event == CTRL_C_EVENT) kind = kStopInterrupt;
  if (event == CTRL_BREAK_EVENT) kind = kStopTerminate;
  if (requests.fetch_add(1) > 0) ::ExitProcess(1);
  FirstRequest()(kind);
  return TRUE;
}

}  // namespace

void WatchStopRequests(std::function<void(int kind)> first) {
  FirstRequest() = std::move(first);
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace tarvik::platform
