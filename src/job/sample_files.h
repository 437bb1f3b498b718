// The program's own built-in command files (*.cmx), written at start-up into
// the program directory when missing; an existing file is never touched.
#pragma once

#include "frame/program.h"

namespace tarvik::job {

void WriteSampleCommandFiles(frame::Program& program);

}  // namespace tarvik::job
