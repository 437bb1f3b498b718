#include "frame/interrupt.h"

#include "frame/errors.h"
#include "frame/failure.h"

namespace tarvik::frame {
namespace {

const char* SignalName(int subcode) {
  switch (subcode) {
    case 1:
      return "SIGINT / Ctrl+C";
    case 2:
      return "SIGTERM / Ctrl+Break";
    default:
      return "SIGHUP / zavření konzole";
  }
}

ErrorPair Interruption(int subcode) {
  switch (subcode) {
    case 1:
      return error::kInterruptedBySigint;
    case 2:
      return error::kInterruptedBySigterm;
    default:
      return error::kInterruptedByHangUp;
  }
}

}  // namespace

void StopRequested(Program& program, int subcode) {
  if (!program.directoryLock.RequestStop(subcode)) {
    program.console.WriteStderr(std::string("Komunikace Tarvik: přerušeno (") +
                                SignalName(subcode) +
                                "); žádná úloha neběžela, v adresáři programu se nic nezměnilo.\n");
    program.process.Exit(1);
  }
  // A job that does not reach a wait in time (a message box waiting for an
  // answer) is ended from here; the once-gate of the failure exit keeps the
  // two threads from running it twice.
  program.clock.Sleep(kStopGrace);
  FatalError(program, Interruption(subcode));
}

void ThrowIfStopRequested(const Program& program) {
  if (int subcode = program.directoryLock.StopRequested()) Fail(Interruption(subcode));
}

void PauseUnlessStopped(Program& program, std::chrono::milliseconds duration) {
  ThrowIfStopRequested(program);
  program.clock.Sleep(duration);
  ThrowIfStopRequested(program);
}

}  // namespace tarvik::frame
