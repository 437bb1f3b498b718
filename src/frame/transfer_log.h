// The transfer log: one line per command of every job, in the file named by
// the connection line ("error.log" until one is parsed). The log trims itself
// before every command once it reaches 40,000 bytes.
#pragma once

#include "frame/program.h"

namespace tarvik::frame {

// Name of the log file of the current job.
std::string LogFileName(const Program& program);
void AppendLogLine(Program& program);
void TrimLogIfLarge(Program& program);

}  // namespace tarvik::frame
