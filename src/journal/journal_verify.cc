#include "journal/journal_verify.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/status.h"
#include "journal/journal_digest.h"
#include "journal/journal_render.h"
#include "screen/front_end.h"

namespace tarvik::journal {
namespace {

// The journal read block by block, with the most recently read byte kept as
// the section search needs it.
class JournalReader {
 public:
  JournalReader(frame::ProgramFile& file, std::size_t blockSize)
      : file_(file), block_(std::max<std::size_t>(blockSize, 1)) {}

  bool Next() {
    if (at_ == end_ && !Refill()) return false;
    last_ = block_[at_++];
    return true;
  }
  char last() const { return last_; }

  // Reads up to and including `stop`; false at the end of the file.
  bool SkipPast(char stop) {
    for (;;) {
      if (at_ == end_ && !Refill()) return false;
      const char* found = static_cast<const char*>(std::memchr(&block_[at_], stop, end_ - at_));
      if (found) {
        at_ = static_cast<std::size_t>(found - block_.data()) + 1;
        last_ = stop;
        return true;
      }
      last_ = block_[end_ - 1];
      at_ = end_;
    }
  }

  // Feeds the bytes before the next `stop` to the digest and reads the stop
  // byte too; false at the end of the file before it.
  bool DigestUntil(char stop, JournalDigest* digest) {
    for (;;) {
      if (at_ == end_ && !Refill()) return false;
      const char* from = &block_[at_];
      const char* found = static_cast<const char*>(std::memchr(from, stop, end_ - at_));
      if (found) {
        digest->Update(from, static_cast<std::size_t>(found - from));
        at_ = static_cast<std::size_t>(found - block_.data()) + 1;
        last_ = stop;
        return true;
      }
      digest->Update(from, end_ - at_);
      last_ = block_[end_ - 1];
      at_ = end_;
    }
  }

 private:
  bool Refill() {
    at_ = 0;
    end_ = file_.Read(block_.data(), block_.size());
    return end_ > 0;
  }

  frame::ProgramFile& file_;
  std::vector<char> block_;
  std::size_t at_ = 0;
  std::size_t end_ = 0;
  char last_ = 0;  // nothing read yet: not a "*"
};

}  // namespace

int VerifyJournalFile(frame::ProgramFile& file, std::size_t blockSize, DigestEngine engine) {
  JournalReader in(file, blockSize);
  JournalDigest digest(engine);
  int damaged = 0;
  for (;;) {
    // The section's "*" must come within four bytes.
    int searched = 0;
    while (in.last() != '*') {
      if (searched == 4) return damaged + 1;
      if (!in.Next()) return damaged;
      ++searched;
    }
    if (!in.Next() || in.last() != 'P') return damaged + 1;
    // The header line and the empty line after it are not signed.
    if (!in.SkipPast('\n') || !in.Next() || !in.Next()) return damaged;
    if (!in.DigestUntil('*', &digest)) return damaged + 1;
    std::string computed = digest.Finish();
    if (!in.Next() || in.last() != 'S') return damaged + 1;
    if (!in.SkipPast('\n')) return damaged;

    std::string stored;
    bool ended = false;
    bool any = false;
    for (;;) {
      if (!in.Next()) {
        ended = true;
        break;
      }
      any = true;
      if (in.last() == '\r' || in.last() == '\n') break;
      if (stored.size() == kSignatureLineLimit)
        frame::Fail(frame::error::kJournalSignatureLineTooLong);
      stored += in.last();
    }
    if (!any) return damaged + 1;  // no signature line at all
    if (!ended) in.Next();         // the second half of CR LF
    if (stored != computed) ++damaged;
  }
}

int VerifyJournal(frame::Program& program, const std::string& fileName, bool nameIsFullPath) {
  // An empty name would open the program directory itself.
  if (fileName.empty()) frame::Fail(frame::error::kJournalNameEmpty);
  frame::ProgramFile file =
      frame::ProgramFile::Open(program, fileName, frame::OpenMode::kRead, nameIsFullPath);
  return VerifyJournalFile(file);
}

int VerifyJournal(frame::Program& program) {
  int damaged = VerifyJournal(program, JournalFileName(program.command.dataFileName), false);
  ShowJournalVerdict(program, damaged);
  return damaged;
}

void ShowJournalVerdict(frame::Program& program, int damagedSections) {
  frame::ShowMessage(
      program,
      frame::W(damagedSections ? "Soubor žurnálu je porušen." : "Soubor žurnálu je v pořádku."),
      screen::kStyleExclamation);
}

}  // namespace tarvik::journal
