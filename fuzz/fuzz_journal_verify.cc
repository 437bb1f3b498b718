// A journal file for the verifier. The first byte picks the size of the
// blocks it is read in (1 to 63 bytes; 0: only the whole file in one block);
// the count of damaged sections must not depend on it.
#include "fuzz_support.h"
#include "journal/journal_verify.h"

namespace {

// Inputs are small: one block of this size holds the whole file, and it keeps
// the runs faster than the normal megabyte would.
constexpr std::size_t kWholeFile = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvik;
  fuzz::InputReader in(data, size);
  const std::uint8_t block = in.Byte() & 0x3F;
  fuzz::FuzzProgram f;
  frame::Program& program = f.program();
  f.WriteFile("ZURNAL.txt", in.Rest());
  auto verify = [&](std::size_t blockSize, int* damaged) {
    return fuzz::RunExpected([&] {
      frame::ProgramFile file =
          frame::ProgramFile::Open(program, "ZURNAL.txt", frame::OpenMode::kRead);
      *damaged = journal::VerifyJournalFile(file, blockSize);
    });
  };
  int whole = -1;
  const bool endedWhole = verify(kWholeFile, &whole);
  if (block == 0) return 0;
  int pieces = -1;
  const bool endedPieces = verify(block, &pieces);
  if (endedWhole != endedPieces || whole != pieces) {
    fuzz::Finding("the verdict depends on the block size: " + std::to_string(whole) + " against " +
                  std::to_string(pieces) + " in blocks of " + std::to_string(block));
  }
  return 0;
}
