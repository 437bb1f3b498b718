// The PLU table loaders of S74, S03, SE3 and S65. The first byte picks the
// operation (its low two bits) and the separator (bits 2-3); then come two
// files, each a two-byte little-endian length and its bytes:
//   S74  S_PLU.DAT, P_PLU.DAT          S03  P_PLU.DAT, S_PLU.DAT
//   SE3  the file to sort              S65  X_SKL.DAT, the data file
// An operation that fails leaves its output file as it was.
#include "convert/plu_files.h"
#include "convert/special_files.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::string_view first = in.Piece();
  const std::string_view second = in.Piece();

  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  program.settings.oddelovac = fuzz::SeparatorOf(static_cast<std::uint8_t>(flags >> 2));
  program.command.dataFileName = "OUT.DAT";
  f.WriteFile("OUT.DAT", "the output of an earlier run\r\n");
  bool done = false;
  switch (flags & 3) {
    case 0:
      f.WriteFile(convert::kPluSalesFileName, first);
      f.WriteFile(convert::kPluFileName, second);
      done = fuzz::RunExpected([&] { convert::AddNamesToSales(program); });
      break;
    case 1:
      f.WriteFile(convert::kPluFileName, first);
      f.WriteFile(convert::kPluSalesFileName, second);
      done = fuzz::RunExpected([&] { convert::AddSalesToPlu(program); });
      break;
    case 2:
      program.command.dataFileName = convert::kPluFileName;
      f.WriteFile(convert::kPluFileName, first);
      done = fuzz::RunExpected([&] { convert::SortPluFile(program); });
      if (!done && f.ReadFile(convert::kPluFileName) != first) {
        fuzz::Finding("a failed SE3 changed the file to sort");
      }
      break;
    default:
      f.WriteFile(convert::kRegisterStockFileName, first);
      f.WriteFile("OUT.DAT", second);
      done = fuzz::RunExpected([&] { convert::SumStockIntoDataFile(program); });
      if (!done && f.ReadFile("OUT.DAT") != second) {
        fuzz::Finding("a failed S65 changed the data file");
      }
      break;
  }
  if (!done && (flags & 3) < 2 && f.ReadFile("OUT.DAT") != "the output of an earlier run\r\n") {
    fuzz::Finding("a failed S74 or S03 changed the output of an earlier run");
  }
  if (f.FileExists("work04.tmp")) fuzz::Finding("the temporary output file was left behind");
  return 0;
}
