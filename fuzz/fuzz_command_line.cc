// The command line as the input: argv elements separated by line feeds, the
// first one being the program's own path.
#include <vector>

#include "frame/settings.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> argv;
  for (;;) {
    std::size_t end = text.find('\n');
    argv.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  if (fuzz::RunExpected([&] { frame::ParseCommandLine(program, argv); })) {
    const frame::Paths& paths = program.paths;
    if (paths.commandFileName.find('/') != std::string::npos) {
      fuzz::Finding("the command-file name keeps a directory: " + paths.commandFileName);
    }
    if (!paths.commandFileName.empty() && !program.settings.jobRequested) {
      fuzz::Finding("a command file without a job");
    }
    (void)program.MakeProgramPath("tarvik.ini");
  }
  return 0;
}
