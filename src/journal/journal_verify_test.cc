#include "journal/journal_verify.h"

#include <gtest/gtest.h>

#include "convert/work_file.h"
#include "frame/codepage.h"
#include "journal/journal_digest.h"
#include "journal/journal_render.h"
#include "support/test_support.h"

namespace tarvik::journal {
namespace {

using frame::W;

// A section as RenderJournal writes it, built here from its parts.
std::string Section(const std::string& lines, const std::string& date = "05.12.2026") {
  return W("\r\n*Přidáno " + date + ", 14:05\r\n\r\n") + lines + "*Signature:\r\n" +
         JournalDigestOf(lines) + "\r\n";
}

const std::string kHeader = W("\r\n*Přidáno 05.12.2026, 14:05\r\n\r\n");
const std::string kLineA = std::string(50, 'a') + "\r\n";
const std::string kLineB = "CELKEM" + std::string(44, ' ') + "\r\n";

class JournalVerifyTest : public testing::ProgramFixture {
 protected:
  JournalVerifyTest() { program_->command.dataFileName = "ZURNAL.DAT"; }

  int Verify(const std::string& content) {
    WriteFile("ZURNAL.txt", content);
    int counted = VerifyJournal(*program_, "ZURNAL.txt", false);
    // Reading in small blocks must give the same answer as in large ones.
    for (std::size_t block : {1, 2, 3, 7, 64}) {
      frame::ProgramFile file =
          frame::ProgramFile::Open(*program_, "ZURNAL.txt", frame::OpenMode::kRead);
      EXPECT_EQ(VerifyJournalFile(file, block), counted) << "block size " << block;
    }
    return counted;
  }

  // Three sections rendered by RenderJournal itself.
  std::string RenderThreeSections() {
    for (int section = 0; section < 3; ++section) {
      std::string work;
      for (int i = 0; i < 20 * (section + 1); ++i) {
        std::string record(24, '\0');
        record[2] = static_cast<char>(i % 3 == 0 ? 0x20 : 0x05);
        record[9] = static_cast<char>(i);
        convert::AppendWorkRecord(&work, record);
      }
      WriteFile("work01.tmp", work);
      frame::ProgramFile file =
          frame::ProgramFile::Open(*program_, "work01.tmp", frame::OpenMode::kRead);
      RenderJournal(*program_, file);
    }
    return ReadFile("ZURNAL.txt");
  }
};

TEST_F(JournalVerifyTest, ChangedCharacterInsideARenderedSectionDamagesThatSectionOnly) {
  std::string journal = RenderThreeSections();
  EXPECT_EQ(Verify(journal), 0);
  std::size_t second = journal.find("*Signature:");
  std::size_t inside = journal.find("CELKEM", second);  // a line of the second section
  ASSERT_NE(inside, std::string::npos);
  journal[inside] = 'X';
  EXPECT_EQ(Verify(journal), 1);
}

TEST_F(JournalVerifyTest, DamagedSectionsAreCountedUntilTheStructureBreaks) {
  std::string twoDamaged = Section(kLineA) + Section(kLineB) + Section(kLineA);
  twoDamaged[twoDamaged.find(kLineA) + 10] = 'b';
  twoDamaged[twoDamaged.rfind(kLineA) + 5] = 'c';
  std::string badSignature = Section(kLineA);
  badSignature[badSignature.size() - 3] = badSignature[badSignature.size() - 3] == '0' ? '1' : '0';
  const std::string last = Section(kLineB);
  std::string noSignatureLine = Section(kLineA) + last;
  noSignatureLine.erase(noSignatureLine.rfind("*Signature:\r\n"), 13);
  const struct {
    std::string journal;
    int damaged;
  } cases[] = {
      {"", 0},
      {Section("") + Section(kLineA) + Section(kLineA + kLineB), 0},
      {twoDamaged, 2},
      {badSignature, 1},
      // The date of the header is not signed.
      {Section(kLineA) + Section(kLineB, "25.11.2031") + Section(kLineA), 0},
      // Without "*Signature:" the signed part runs to the end of the file.
      {noSignatureLine, 1},
      // Without the digest line the section cannot be checked.
      {Section(kLineA) + last.substr(0, last.size() - 42), 1},
      // A digest without its line end is still read.
      {Section(kLineA) + last.substr(0, last.size() - 2), 0},
      // Stray bytes: the "*" may be the third byte after a section or at the
      // start of the file, and trailing bytes without a "*" end the file.
      {Section(kLineA) + "x" + Section(kLineB), 0},
      {Section(kLineA) + "xy" + Section(kLineB), 1},
      {"x" + Section(kLineA), 0},
      {"xy" + Section(kLineA), 1},
      {Section(kLineA) + "\r\n", 0},
      // A "*" that starts neither a header nor a signature.
      {Section(kLineA) + "\r\n*X", 1},
      // A "*" inside the signed lines ends them early: the next byte is no "S".
      {Section("ab*cd\r\n") + Section(kLineA), 1},
      // The end of the file inside the header line, the signed part, or right
      // after "*Signature".
      {W("\r\n*Přidáno 05.12.2026"), 0},
      {kHeader + kLineA, 1},
      {kHeader + kLineA + "*Signature:", 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Verify(cases[i].journal), cases[i].damaged) << "case " << i;
  }
}

TEST_F(JournalVerifyTest, SignatureLineOfMoreThanSixtyFourCharacters) {
  std::string journal = kHeader + kLineA + "*Signature:\r\n";
  EXPECT_EQ(Verify(journal + std::string(64, '0') + "\r\n"), 1);
  WriteFile("ZURNAL.txt", journal + std::string(65, '0') + "\r\n");
  EXPECT_JOB_FAILURE(VerifyJournal(*program_, "ZURNAL.txt", false),
                     frame::error::kJournalSignatureLineTooLong);
}

TEST_F(JournalVerifyTest, MissingFilesFailAndFullPathsAreTakenAsTheyAre) {
  EXPECT_JOB_FAILURE(VerifyJournal(*program_, "NIC.txt", false), frame::error::kFileNotOpened);
  EXPECT_JOB_FAILURE(VerifyJournal(*program_, "", false), frame::error::kJournalNameEmpty);
  // A full path is taken as it is, a bare name in the program directory.
  auto other = testing::MakeTempDirectory("journal");
  testing::WriteBinary(other / "jinde.txt", Section(kLineA) + "xyz" + Section(kLineB));
  EXPECT_EQ(VerifyJournal(*program_, (other / "jinde.txt").string(), true), 1);
  EXPECT_JOB_FAILURE(VerifyJournal(*program_, "jinde.txt", false), frame::error::kFileNotOpened);
  std::filesystem::remove_all(other);
}

TEST_F(JournalVerifyTest, CommandShowsTheVerdict) {
  WriteFile("ZURNAL.txt", Section(kLineA));
  EXPECT_EQ(VerifyJournal(*program_), 0);
  WriteFile("ZURNAL.txt", Section(kLineA) + Section(kLineB).replace(40, 1, "!"));
  EXPECT_EQ(VerifyJournal(*program_), 1);
  auto messages = frontEnd_.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, "Soubor žurnálu je v pořádku.");
  EXPECT_EQ(messages[0].style, screen::kStyleExclamation);
  EXPECT_EQ(messages[1].text, "Soubor žurnálu je porušen.");
  EXPECT_EQ(messages[1].style, screen::kStyleExclamation);
  // The command names the data file; its journal is the ".txt" beside it.
  program_->command.dataFileName = "JINY.DAT";
  EXPECT_JOB_FAILURE(VerifyJournal(*program_), frame::error::kFileNotOpened);
}

}  // namespace
}  // namespace tarvik::journal
