// A command file as the input: NextCommand over the whole job file, then the
// same bytes as a built-in single-command file.
#include "fuzz_support.h"
#include "job/command_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  {
    fuzz::FuzzProgram f;
    f.WriteFile("job.cmd", bytes);
    // A few data files for the "xxxx" numbering to find.
    f.WriteFile("D0007.dat", "");
    f.WriteFile("d9999.DAT", "");
    frame::Program& program = f.program();
    program.paths.commandFileName = "job.cmd";
    job::CommandFileState state;
    fuzz::RunExpected([&] {
      // Every command takes at least two bytes of the file.
      for (std::size_t commands = 0; NextCommand(program, state); ++commands) {
        if (commands > size) fuzz::Finding("more commands than the file can hold");
      }
    });
  }
  {
    fuzz::FuzzProgram f;
    f.WriteFile("one.cmx", bytes);
    frame::Program& program = f.program();
    program.paths.commandFileName = "one.cmx";
    program.settings.priponaCmd = "cmx";
    fuzz::RunExpected([&] { job::ReadEmbeddedCommand(program); });
  }
  return 0;
}
