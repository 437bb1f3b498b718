// The one failure exit. FatalError runs, in this order: the line on stderr
// and the context in the debug output, the message (when a window is shown,
// or with debug or hlaseni), closing the link, hiding the
// activity icon, the log line, the result files, keeping work01.tmp as
// wlasterr.tmp, releasing the command file, and the end of the process (exit
// code 1, or a fresh interactive start when the window was shown and no
// modem is used). Only the first failing thread runs it; any other parks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "frame/errors.h"
#include "frame/program.h"

namespace tarvik::frame {

// `context` (Windows-1250, see JobFailure) goes to stderr and the debug
// output; the message box keeps the table's text alone.
[[noreturn]] void FatalError(Program& program, ErrorPair pair, std::uint32_t osError = 0,
                             const std::string& context = {});
[[noreturn]] inline void FatalError(Program& program, const JobFailure& failure) {
  FatalError(program, failure.pair(), failure.osError(), failure.context());
}

// The one line every failure leaves on stderr, without its prefix and line
// end: the pair, the system error and the table text as the message box has
// them, then the context. Windows-1250.
std::string FailureLine(ErrorPair pair, std::uint32_t osError, const std::string& context);

// The job boundary of a thread: runs `body`, and a JobFailure thrown from it
// ends in FatalError.
void RunGuarded(Program& program, const std::function<void()>& body);

// Writes err and error.txt from the last error record, each under a
// temporary name first (error.tmp, err.tmp) and renamed into place, error.txt
// before err. When that fails, an err of an earlier job is removed and a line
// on stderr says so; the process is then to end with exit code 1: false.
bool WriteResultFiles(Program& program);

}  // namespace tarvik::frame
