#include <gtest/gtest.h>

#include "frame/program_file.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

class ProgramFiles : public testing::ProgramFixture {};

TEST_F(ProgramFiles, ModesOpenAsDocumented) {
  EXPECT_JOB_FAILURE(ProgramFile::Open(*program_, "none.dat", OpenMode::kRead),
                     error::kFileNotOpened);
  EXPECT_FALSE(ProgramFile::Open(*program_, "none.dat", OpenMode::kReadIfPresent).IsOpen());
  // Only a value made outside the enum can be no mode at all.
  EXPECT_JOB_FAILURE(ProgramFile::Open(*program_, "x", static_cast<OpenMode>('q')),
                     error::kUnknownOpenMode);
  ProgramFile w = ProgramFile::Open(*program_, "a.dat", OpenMode::kCreate);
  w.Write("abc");
  w.Close();
  ProgramFile a = ProgramFile::Open(*program_, "a.dat", OpenMode::kAppend);
  EXPECT_EQ(a.Position(), 3u);
  a.Write("de");
  a.Close();
  EXPECT_EQ(ReadFile("a.dat"), "abcde");
  ProgramFile::Open(*program_, "a.dat", OpenMode::kCreate).Close();
  EXPECT_EQ(ReadFile("a.dat"), "");
}

TEST_F(ProgramFiles, NamesMeetWithoutRegardToCase) {
  WriteFile("X_REG.dat", "0001;261205\r\n");
  ProgramFile f = ProgramFile::Open(*program_, "x_reg.dat", OpenMode::kRead);
  std::string line;
  ASSERT_TRUE(f.ReadLine(&line, 255));
  EXPECT_EQ(line, "0001;261205");
  f.Close();
  ProgramFile w = ProgramFile::Open(*program_, "X_Reg.DAT", OpenMode::kCreate);
  w.Write("new");
  w.Close();
  EXPECT_EQ(ReadFile("X_REG.dat"), "new");
  EXPECT_TRUE(StoredNameExists("X_REG.dat"));
  EXPECT_FALSE(StoredNameExists("X_Reg.DAT"));
}

TEST_F(ProgramFiles, LineEndsOfEveryKindAMissingLastOneAndTheLineLimit) {
  WriteFile("l.dat", "a\r\nb\nc\rd\r\n\r\ne");
  ProgramFile f = ProgramFile::Open(*program_, "l.dat", OpenMode::kRead);
  std::vector<std::string> lines;
  std::string line;
  while (f.ReadLine(&line, 255)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));

  WriteFile("m.dat", std::string(255, 'x') + "\r\n" + std::string(256, 'y'));
  ProgramFile m = ProgramFile::Open(*program_, "m.dat", OpenMode::kRead);
  ASSERT_TRUE(m.ReadLine(&line, 255));
  EXPECT_EQ(line, std::string(255, 'x'));
  EXPECT_JOB_FAILURE(m.ReadLine(&line, 255), error::kLineTooLong);
}

// Lines read in runs must come out the same wherever the read buffer (64 KB)
// cuts them: inside a line, between CR and LF, after a lone CR.
TEST_F(ProgramFiles, LinesAcrossReadBufferBoundaries) {
  const std::size_t cuts[] = {65536, 131072, 196608};
  const char* ends[] = {"\r\n", "\n", "\r"};
  std::string content;
  std::vector<std::string> expected;
  std::vector<std::size_t> positions;
  for (int i = 0; content.size() < 250000; ++i) {
    std::size_t length = static_cast<std::size_t>(i * 37 % 200);
    std::string end = ends[i % 3];
    for (std::size_t k = 0; k < std::size(cuts); ++k) {
      // A line end on each cut: CR LF split by it, a lone CR before it, an LF on it.
      std::size_t cut = cuts[k];
      if (content.size() < cut && content.size() + length + end.size() >= cut) {
        length = cut - content.size() - (k == 2 ? 0 : 1);
        end = k == 0 ? "\r\n" : k == 1 ? "\r" : "\n";
      }
    }
    std::string text;
    for (std::size_t k = 0; k < length; ++k) text += static_cast<char>('A' + (i + k) % 26);
    content += text + end;
    expected.push_back(text);
    positions.push_back(content.size());
  }
  WriteFile("cut.dat", content);
  ProgramFile f = ProgramFile::Open(*program_, "cut.dat", OpenMode::kRead);
  std::string line;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(f.ReadLine(&line, 255)) << "line " << i;
    ASSERT_EQ(line, expected[i]) << "line " << i;
    ASSERT_EQ(f.Position(), positions[i]) << "line " << i;
  }
  EXPECT_FALSE(f.ReadLine(&line, 255));
}

TEST_F(ProgramFiles, RunOfBytesLimit) {
  ProgramFile f = ProgramFile::Open(*program_, "b.dat", OpenMode::kCreate);
  f.WriteBytes(std::string(16000, 'a'));
  EXPECT_JOB_FAILURE(f.WriteBytes(std::string(16001, 'a')), error::kWriteTooLarge);
}

TEST_F(ProgramFiles, SeekBackRewritesAByte) {
  ProgramFile f = ProgramFile::Open(*program_, "s.dat", OpenMode::kCreate);
  f.Write("12;");
  f.Seek(f.Position() - 1);
  f.Write("\r\n");
  f.Close();
  EXPECT_EQ(ReadFile("s.dat"), "12\r\n");
}

TEST_F(ProgramFiles, BlockReadsContinueWhereByteReadsStopped) {
  std::string content;
  for (int i = 0; i < 200000; ++i) content += static_cast<char>('a' + i % 26);
  content.replace(3, 2, "\r\n");
  WriteFile("big.dat", content);
  ProgramFile f = ProgramFile::Open(*program_, "big.dat", OpenMode::kRead);
  std::string line;
  ASSERT_TRUE(f.ReadLine(&line, 255));
  EXPECT_EQ(line, "abc");
  // The rest of the buffer filled by the line read comes first, then the file.
  std::string rest;
  char block[70000];
  std::size_t n = 0;
  while ((n = f.Read(block, sizeof block)) > 0) {
    rest.append(block, n);
    EXPECT_EQ(f.Position(), 5 + rest.size());
  }
  EXPECT_EQ(rest, content.substr(5));
  EXPECT_EQ(f.Read(block, sizeof block), 0u);
  std::uint8_t byte = 0;
  EXPECT_FALSE(f.ReadByte(&byte));
}

}  // namespace
}  // namespace tarvik::frame
