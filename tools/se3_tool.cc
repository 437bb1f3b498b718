// Runs the PLU sort of SE3 on one data file, outside a job, for measuring it:
//   se3_tool <directory> <data file>
// The duplicate messages are counted instead of shown; the count goes to
// stderr. Exit code 1 with the error pair on stderr when the sort fails.
#include <cstdio>
#include <string>

#include "convert/plu_files.h"
#include "frame/errors.h"
#include "frame/program.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "screen/front_end.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: se3_tool <directory> <data file>\n");
    return 2;
  }
  tarvik::screen::SilentFrontEnd frontEnd;
  tarvik::frame::Program program({tarvik::platform::RealFileSystem(),
                                  tarvik::platform::SystemClock(), tarvik::platform::RealProcess(),
                                  tarvik::platform::RealConsole(), frontEnd});
  std::string directory = argv[1];
  if (!directory.empty() && directory.back() != '/') directory += '/';
  program.paths.programDirectory = directory;
  program.paths.hasProgramDirectory = true;
  program.command.dataFileName = argv[2];
  try {
    tarvik::convert::SortPluFile(program);
  } catch (const tarvik::frame::JobFailure& failure) {
    std::fprintf(stderr, "se3_tool: error %d/%d\n", failure.code(), failure.subcode());
    return 1;
  }
  std::fprintf(stderr, "se3_tool: %ld duplicate messages\n", frontEnd.Messages());
  return 0;
}
