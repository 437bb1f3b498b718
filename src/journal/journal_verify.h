// Verification of journal files: every section's stored signature is checked
// against the digest of its rendered lines.
#pragma once

#include <cstddef>
#include <string>

#include "frame/program.h"
#include "frame/program_file.h"
#include "journal/journal_digest.h"

namespace tarvik::journal {

// Small enough that a block read is still in the cache when it is hashed.
inline constexpr std::size_t kVerifyBlockSize = 64 << 10;
inline constexpr std::size_t kSignatureLineLimit = 64;

// The number of damaged sections of the file (0: intact). With
// `nameIsFullPath` off the name is taken in the program directory. A missing
// file is 30/1, a signature line of more than 64 characters 23/1.
int VerifyJournal(frame::Program& program, const std::string& fileName, bool nameIsFullPath);

// The same over a file already open for reading, read `blockSize` bytes at a
// time, with the digest's portable path when `engine` asks for it.
int VerifyJournalFile(frame::ProgramFile& file, std::size_t blockSize = kVerifyBlockSize,
                      DigestEngine engine = DigestEngine::kFastest);

// Command S87: verifies the journal of the current command's data file (named
// as RenderJournal names it) and shows the verdict. Returns the count.
int VerifyJournal(frame::Program& program);

// "Soubor žurnálu je porušen." or "Soubor žurnálu je v pořádku.", exclamation style.
void ShowJournalVerdict(frame::Program& program, int damagedSections);

}  // namespace tarvik::journal
