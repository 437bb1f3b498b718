// Journal records as the renderer gets them. The first byte picks the
// options (bit 0 separator lines, 1 extended lines, 2 the PLU sales file, 3
// the accounts file, 4 the name tables present, 5 three decimals); the rest
// is records, each a length byte and that many bytes. A journal rendered
// without a failure must verify as intact.
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "fuzz_support.h"
#include "journal/journal_render.h"
#include "journal/journal_verify.h"

namespace {

using namespace tarvik;

void WriteNameTables(const fuzz::FuzzProgram& f, bool threeDecimals) {
  f.WriteFile("P_DPT.DAT", frame::W("0001;\"Potraviny         \";0000;0000;1;0;0;0\r\n"
                                    "0002;\"Nápoje*           \";0000;0000;2;0;0;0\r\n"));
  f.WriteFile("P_PLU.DAT", frame::W("00000000001234;\"Rohlík            \";0001;0000;1;0;0;0\r\n"
                                    "00000000000001;\"Chléb\";0001;0000;1;0;0;0\r\n"));
  f.WriteFile("P_LPLU.DAT", frame::W("0001;\"Záloha lahev      \"\r\n0002;\"\"\r\n"));
  f.WriteFile("P_OBSL.DAT", frame::W("0001;\"Novák             \";1;0002\r\n"
                                     "0002;\"Svoboda           \";1;0003\r\n"));
  f.WriteFile("P_TAX.DAT", "0001;2100;01\r\n0002;1500;01\r\n0003;1000;01\r\n");
  f.WriteFile("P_PLAT.DAT", "0001;\"Hotovost          \";1;0;0\r\n0002;\"Karta\";1;0;0\r\n");
  f.WriteFile("P_MENA.DAT", "0001;\"EUR         \";3;0;0\r\n0002;\"USD\";2;0;0\r\n");
  f.WriteFile("S_REG.DAT", std::string("0001;000000\r\n0002;000000\r\n0003;") +
                               (threeDecimals ? '3' : '2') + "00000\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  std::string_view rest = in.Rest();
  std::string work;
  while (!rest.empty()) {
    std::size_t length = static_cast<std::uint8_t>(rest[0]);
    rest.remove_prefix(1);
    if (length > rest.size()) length = rest.size();
    convert::AppendWorkRecord(&work, rest.substr(0, length));
    rest.remove_prefix(length);
  }

  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  frame::JobSettings& s = program.settings;
  s.zurnalRadky = flags & 1;
  s.extendJournal = (flags >> 1) & 1;
  s.cisniciplu = (flags >> 2) & 1;
  s.extraucty = (flags >> 3) & 1;
  if (flags & 0x10) WriteNameTables(f, (flags & 0x20) != 0);
  program.command.dataFileName = "ZURNAL.DAT";
  f.WriteFile("work01.tmp", work);
  bool rendered = fuzz::RunExpected([&] {
    frame::ProgramFile file =
        frame::ProgramFile::Open(program, "work01.tmp", frame::OpenMode::kRead);
    journal::RenderJournal(program, file);
  });
  if (rendered) {
    int damaged = -1;
    // Read in blocks of 64 KiB rather than the normal megabyte, for speed.
    if (!fuzz::RunExpected([&] {
          frame::ProgramFile file =
              frame::ProgramFile::Open(program, "ZURNAL.txt", frame::OpenMode::kRead);
          damaged = journal::VerifyJournalFile(file, 1 << 16);
        })) {
      fuzz::Finding("a rendered journal cannot be verified");
    }
    if (damaged != 0) fuzz::Finding("a rendered journal verifies as damaged");
  }
  return 0;
}
