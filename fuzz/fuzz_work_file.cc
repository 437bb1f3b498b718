// Received register records to a text data file (the read direction). The
// first byte picks the format-table entry, the second the settings (bit 0
// cislovani, bit 1 konverze, bits 2-3 the separator); the rest is work01.tmp.
#include "convert/received.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::InputReader in(data, size);
  const auto& entries = fuzz::FormatEntries();
  const fuzz::FormatEntry entry = entries[in.Byte() % entries.size()];
  const std::uint8_t flags = in.Byte();

  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  program.variantTables = entry.variant;
  program.command.fileNumber = entry.fileNumber;
  program.command.DataFileName = "DATA.dat";
  program.settings.cislovani = flags & 1;
  program.settings.konverze = (flags >> 1) & 1;
  program.settings.oddelovac = fuzz::SeparatorOf(static_cast<std::uint8_t>(flags >> 2));
  f.WriteFile("work01.tmp", in.Rest());
  fuzz::RunExpected([&] {
    frame::ProgramFile work = frame::ProgramFile::Open(program, "work01.tmp", 'r');
    frame::ProgramFile out = frame::ProgramFile::Open(program, "DATA.dat", 'w');
    convert::ConvertReceivedFile(program, work, out);
    out.Close();
  });
  return 0;
}
