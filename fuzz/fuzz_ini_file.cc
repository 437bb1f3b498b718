// tarvik.ini as the input: the INI reader and the settings report.
#include "frame/settings.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::FuzzProgram f;
  f.WriteFile("tarvik.ini", {reinterpret_cast<const char*>(data), size});
  frame::Program& program = f.program();
  program.settings.debug = 1;  // the settings report too
  if (fuzz::RunExpected([&] { frame::InitSettings(program); })) {
    if (program.settings.timeout < 1 || program.settings.timeout > 100) {
      fuzz::Finding("timeout outside 1..100: " + std::to_string(program.settings.timeout));
    }
    if (program.settings.priponaCmd.size() > 7 || program.settings.cisloModem.size() > 21) {
      fuzz::Finding("a text setting longer than its buffer");
    }
  }
  return 0;
}
