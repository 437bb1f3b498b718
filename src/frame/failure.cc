#include "frame/failure.h"

#include <cstdlib>

#include "frame/codepage.h"
#include "frame/status.h"
#include "frame/transfer_log.h"
#include "screen/front_end.h"

namespace tarvik::frame {

std::string FailureLine(ErrorPair pair, std::uint32_t osError, const std::string& context) {
  std::string line = Format("Chyba %d, %d, LastError %u.", pair.code, pair.subcode, osError);
  std::string_view text = ErrorText(pair.code);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty()) line += " " + W(text);
  if (!context.empty()) line += " - " + context;
  return line;
}

void FatalError(Program& program, ErrorPair pair, std::uint32_t osError,
                const std::string& context) {
  if (program.failureTaken.test_and_set()) {
    program.process.Park();
    std::abort();  // Park does not return
  }

  program.lastError.lastErrorCode = pair.code;
  program.lastError.lastErrorSubcode = pair.subcode;
  program.lastError.lastOsError = osError;

  // A calling program or cron sees this line even when no box is shown.
  program.console.WriteStderr(
      "Komunikace Tarvik: " + Cp1250ToUtf8(FailureLine(pair, osError, context)) + "\n");
  if (!context.empty()) TerminalWriteDebug(program, context + "\r");

  const JobSettings& s = program.settings;
  // Built-in jobs clear okno while they run; a window on the screen still
  // gets its message and its fresh start.
  const bool windowShown = s.okno || program.frontEnd.HasWindow();
  if (windowShown || s.debug || s.hlaseni) {
    std::string text = Format("Chyba %d, %d, LastError %u. \n", pair.code, pair.subcode, osError) +
                       W(ErrorText(pair.code));
    ShowFailureMessage(program, text, screen::kStyleExclamation);
  }

  // The steps below must all run: a failure inside one of them (a modem that
  // does not hang up) is not allowed to stop the exit.
  if (program.closeLink) {
    try {
      program.closeLink();
    } catch (const JobFailure&) {
    }
  }
  if (s.progress) program.frontEnd.HideActivity();
  // A failure outside a job (tarvik.ini at start-up, a menu command) takes
  // the directory as a job would; when another process keeps it, its files
  // are left alone.
  if (!program.directoryLock.Held() &&
      TakeDirectoryLock(program) != DirectoryLock::Outcome::kTaken) {
    program.process.Exit(1);
  }
  AppendLogLine(program);
  WriteResultFiles(program);

  bool missing = false;
  platform::OsError error = 0;
  program.fs.Remove(program.MakeProgramPath("wlasterr.tmp"), &missing, &error);
  program.fs.Rename(program.MakeProgramPath("work01.tmp"), program.MakeProgramPath("wlasterr.tmp"),
                    &error);

  // The command-file buffer goes with the process, which ends or is replaced below.

  // A job stopped from outside was meant to end, not to start afresh.
  if (windowShown && !s.komunikaceModem && pair.code != kInterruptedCode) {
    program.process.Restart(program.paths.argv0);
  }
  program.process.Exit(1);
  std::abort();  // Exit does not return
}

void RunGuarded(Program& program, const std::function<void()>& body) {
  try {
    body();
  } catch (const JobFailure& failure) {
    FatalError(program, failure);
  }
}

}  // namespace tarvik::frame
