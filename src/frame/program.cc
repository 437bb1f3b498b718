#include "frame/program.h"

namespace tarvik::frame {

Program::Program(const Services& services)
    : fs(services.fs),
      clock(services.clock),
      process(services.process),
      console(services.console),
      frontEnd(services.frontEnd) {}

std::string Program::MakeProgramPath(const std::string& name) const {
  if (paths.hasProgramDirectory) return paths.programDirectory + name;
  return name;
}

}  // namespace tarvik::frame
