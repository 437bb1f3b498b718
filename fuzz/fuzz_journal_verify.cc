// A journal file for the verifier. The first byte picks the size of the
// blocks it is read in (1 to 64 bytes, or the normal size for 0); the count
// of damaged sections must not depend on it.
#include "fuzz_support.h"
#include "journal/journal_verify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::InputReader in(data, size);
  const std::uint8_t block = in.Byte() & 0x3F;
  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  f.WriteFile("ZURNAL.txt", in.Rest());
  int whole = -1;
  bool endedWhole =
      fuzz::RunExpected([&] { whole = journal::VerifyJournal(program, "ZURNAL.txt", false); });
  if (block == 0) return 0;
  int pieces = -1;
  bool endedPieces = fuzz::RunExpected([&] {
    frame::ProgramFile file = frame::ProgramFile::Open(program, "ZURNAL.txt", 'r');
    pieces = journal::VerifyJournalFile(file, block);
  });
  if (endedWhole != endedPieces || whole != pieces) {
    fuzz::Finding("the verdict depends on the block size: " + std::to_string(whole) + " against " +
                  std::to_string(pieces) + " in blocks of " + std::to_string(block));
  }
  return 0;
}
