// A text data file to register records (the write direction). The first byte
// picks the format-table entry, the second the settings (bit 0 cislovani, bit
// 1 konverze, bits 2-3 the separator); the rest is the data file.
#include "convert/send.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::InputReader in(data, size);
  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  fuzz::SetUpConversion(in, program);
  f.WriteFile("DATA.dat", in.Rest());
  fuzz::RunExpected([&] { convert::BuildSendFile(program); });
  return 0;
}
