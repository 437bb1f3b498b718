// Received register records to a text data file (the read direction). The
// first byte picks the format-table entry, the second the settings (bit 0
// cislovani, bit 1 konverze, bits 2-3 the separator); the rest is work01.tmp.
#include "convert/received.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::InputReader in(data, size);
  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  fuzz::SetUpConversion(in, program);
  f.WriteFile("work01.tmp", in.Rest());
  fuzz::RunExpected([&] {
    frame::ProgramFile work =
        frame::ProgramFile::Open(program, "work01.tmp", frame::OpenMode::kRead);
    frame::ProgramFile out =
        frame::ProgramFile::Open(program, "DATA.dat", frame::OpenMode::kCreate);
    convert::ConvertReceivedFile(program, work, out);
    out.Close();
  });
  return 0;
}
