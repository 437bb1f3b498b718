#include <pthread.h>
#include <signal.h>

#include <thread>

#include "platform/stop_requests.h"

namespace tarvik::platform {
namespace {

int KindOf(int signal) {
  switch (signal) {
    case SIGINT:
      return kStopInterrupt;
    case SIGTERM:
      return kStopTerminate;
    default:
      return kStopHangUp;
  }
}

}  // namespace

void WatchStopRequests(std::function<void(int kind)> first) {
  // Blocked here, and so in every thread started later: only sigwait below
  // takes them, and no code runs in a signal handler.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set, first = std::move(first)] {
    bool taken = false;
    for (;;) {
      int signal = 0;
      if (sigwait(&set, &signal) != 0) continue;
      if (!taken) {
        taken = true;
        std::thread(first, KindOf(signal)).detach();
        continue;
      }
      // The second one ends the process at once, as if nothing had caught it.
      struct sigaction plain {};
      plain.sa_handler = SIG_DFL;
      sigaction(signal, &plain, nullptr);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signal);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      raise(signal);
    }
  }).detach();
}

}  // namespace tarvik::platform
