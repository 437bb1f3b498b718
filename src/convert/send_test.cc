#include "convert/send.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/received.h"
#include "convert/work_file.h"
#include "frame/program_file.h"
#include "support/test_support.h"

namespace tarvik::convert {
namespace {

using testing::FromHex;
using testing::ReadBinary;
using testing::ToHex;

std::string WorkBytes(const std::vector<std::string>& records) {
  std::string work;
  for (const std::string& record : records) AppendWorkRecord(&work, record);
  return work;
}

class SendTest : public testing::ProgramFixture {
 protected:
  // Builds work02.tmp for `file` from `data` as IN.DAT; returns work02.tmp.
  std::string Send(std::uint8_t file, const std::string& data) {
    WriteFile("IN.DAT", data);
    program_->command.fileNumber = file;
    program_->command.dataFileName = "IN.DAT";
    BuildSendFile(*program_);
    return ReadFile("work02.tmp");
  }
  // The same with a field list and block length of the test's own.
  std::string SendWithList(std::string_view list, std::uint32_t blockLength,
                           const std::string& data) {
    WriteFile("IN.DAT", data);
    program_->command.dataFileName = "IN.DAT";
    BuildSendRecords(*program_, list, blockLength);
    return ReadFile("work02.tmp");
  }
  // One line through a list whose fields cover `blockLength` bytes: the
  // record's bytes in hex.
  std::string Field(std::string_view list, std::uint32_t blockLength, const std::string& line) {
    std::string work = SendWithList(list, blockLength, line + "\r\n");
    std::string record;
    for (std::size_t i = 0; i < work.size(); i += 2) record.push_back(work[i]);
    return ToHex(record);
  }
  std::string Fixture(const std::string& name) {
    return ReadBinary(std::string(TARVIK_TEST_DATA_DIR) + "/convert/" + name);
  }
};

TEST_F(SendTest, OneRecordPerLineWithMarkersNoneForEmptyAndCommentLines) {
  EXPECT_EQ(ToHex(Send(0x10, "0005;1234\r\n")), "05 00 00 00 12 00 34 FF");
  EXPECT_EQ(Send(0x10, "0005;1234\r\n0007;0001\r\n"),
            WorkBytes({FromHex("05 00 12 34"), FromHex("07 00 00 01")}));
  program_->settings.oddelovac = ',';
  EXPECT_EQ(Send(0x10, "0005,1234\r\n"), WorkBytes({FromHex("05 00 12 34")}));
  EXPECT_EQ(Send(0x10, ""), "");
  EXPECT_EQ(Send(0x10, "\r\n// 0001;1234\r\n\r\n//\r\n"), "");
}

TEST_F(SendTest, DigitFieldsRightAlignedAndZeroFilledFillersZeroCharacters) {
  EXPECT_EQ(Field("N2+.", 2, "7"), "00 07");
  EXPECT_EQ(Field("H2+N2+.", 4, "0001;"), "01 00 00 00");
  EXPECT_EQ(Field("N2+.", 2, "1234"), "12 34");
  EXPECT_EQ(Field("N2+.", 2, ":?"), "00 AF");  // nibbles A to F as received files write them
  EXPECT_JOB_FAILURE(Field("N2+.", 2, "12345"), frame::error::kNFieldBad);
  EXPECT_JOB_FAILURE(Field("H2+N2+.", 4, "0001"), frame::error::kNFieldBad);  // missing field
  // Filler fields put zero characters.
  EXPECT_EQ(Field("P1+H2+.", 4, "0001"), "30 30 01 00");
}

TEST_F(SendTest, SignedAndSignNibbleFields) {
  EXPECT_EQ(Field("S9+.", 9, "-123"), "01 00 00 00 00 00 01 23 00");
  EXPECT_EQ(Field("S9+.", 9, "+00000000123456"), "00 00 00 00 00 12 34 56 00");
  EXPECT_EQ(Field("S9+.", 9, "x5"), "00 00 00 00 00 00 00 05 00");
  EXPECT_EQ(Field("S2+.", 2, "-"), "01 00");
  // An empty field is +0; its separator is not taken for the sign.
  EXPECT_EQ(Field("S4+N1+.", 5, ";42"), "00 00 00 00 42");
  EXPECT_JOB_FAILURE(Field("S9+.", 9, "-000000001234567"), frame::error::kSFieldBad);
  EXPECT_JOB_FAILURE(Field("S2+.", 2, "-1"), frame::error::kSFieldBad);
  EXPECT_JOB_FAILURE(Field("N1+S4+.", 5, "12"), frame::error::kSFieldBad);
  EXPECT_EQ(Field("Z4+.", 4, "+1"), "01 00 00 00");
  EXPECT_EQ(Field("Z4+.", 4, "-1234567"), "81 23 45 67");
  EXPECT_EQ(Field("Z4+.", 4, "-"), "80 00 00 00");
  EXPECT_EQ(Field("Z4+N1+.", 5, ";42"), "00 00 00 00 42");
  EXPECT_EQ(Field("Z4+N1+.", 5, "-;42"), "80 00 00 00 42");
  EXPECT_JOB_FAILURE(Field("Z4+.", 4, "-12345678"), frame::error::kZFieldBad);
  EXPECT_JOB_FAILURE(Field("N1+Z4+.", 5, "12"), frame::error::kZFieldBad);
}

TEST_F(SendTest, NumberFieldsTakeDigitsBlanksAndTheSixNibbleCharactersOnly) {
  EXPECT_EQ(Field("N3+.", 3, "?>=<::"), "FE DC AA");
  EXPECT_EQ(Field("N2+.", 2, " 1 2"), "01 02");  // blanks are 0
  program_->settings.oddelovac = ',';
  EXPECT_EQ(Field("N1+.", 1, ";"), "0B");  // the default separator is nibble B too
  program_->settings.oddelovac = ';';
  EXPECT_EQ(Field("S4+.", 4, "-:?"), "01 00 AF 00");
  EXPECT_EQ(Field("Z3+.", 3, "-?=>"), "8F 00 DE");
  // The price a register would take as 00001234.
  EXPECT_JOB_FAILURE(Field("N4+.", 4, "0000ABCD"), frame::error::kNFieldNotDigit);
  EXPECT_JOB_FAILURE(Field("N2+.", 2, "1.5"), frame::error::kNFieldNotDigit);
  EXPECT_JOB_FAILURE(Field("S4+.", 4, "+12x"), frame::error::kSFieldNotDigit);
  EXPECT_JOB_FAILURE(Field("Z4+.", 4, "+1@"), frame::error::kZFieldNotDigit);
  EXPECT_JOB_FAILURE(Field("Z4+.", 4, "-A12"),
                     frame::error::kZFieldNotDigit);  // the digit beside the sign
  // The sign characters stay as they were: anything but "-" is positive.
  EXPECT_EQ(Field("S2+.", 2, "x"), "00 00");
}

TEST_F(SendTest, AFaultyFieldIsNamedByFileLineAndFieldNumber) {
  // Line numbers count every line of the file, comments and empty ones too.
  testing::CaughtFailure f = testing::FailureOf(
      [&] { SendWithList("H2+T4+N4+.", 8, "// ceny\r\n\r\n0001;\"AB;C\";0000ABCD\r\n"); });
  EXPECT_EQ(f.pair, frame::error::kNFieldNotDigit);
  EXPECT_EQ(f.context, "datový soubor " + program_->MakeProgramPath("IN.DAT") +
                           ", řádek 3, pole 3, \"A\" není číslice, mezera ani znak : ; < = > ?");
  f = testing::FailureOf([&] { SendWithList("H2+N2+.", 4, "0001;12\t4\r\n"); });
  EXPECT_EQ(f.context, "datový soubor " + program_->MakeProgramPath("IN.DAT") +
                           ", řádek 1, pole 2, 0x09 není číslice, mezera ani znak : ; < = > ?");
  // Faults of the specified kinds get the same place.
  f = testing::FailureOf([&] { SendWithList("H2+N2+.", 4, "0001;12\r\n0002;12345\r\n"); });
  EXPECT_EQ(f.pair, frame::error::kNFieldBad);
  EXPECT_EQ(f.context, "datový soubor " + program_->MakeProgramPath("IN.DAT") +
                           ", řádek 2, pole 2, 5 znaků místo nejvýše 4");
  f = testing::FailureOf([&] { SendWithList("H2+N2+.", 4, "0001;12\r\n0002\r\n"); });
  EXPECT_EQ(f.pair, frame::error::kNFieldBad);
  EXPECT_EQ(f.context,
            "datový soubor " + program_->MakeProgramPath("IN.DAT") + ", řádek 2, pole 2");
}

TEST_F(SendTest, TextFieldsQuotedOrNot) {
  const std::string abc = ToHex("ABC" + std::string(15, ' '));
  EXPECT_EQ(Field("T18+.", 18, "ABC"), abc);
  EXPECT_EQ(Field("T18+.", 18, "\"ABC\""), abc);
  EXPECT_EQ(Field("T5+N1+.", 6, "\"A;B\";42"), ToHex("A;B  \x42"));
  EXPECT_EQ(Field("H2+T5+.", 7, "0001;"), "01 00 20 20 20 20 20");
  EXPECT_EQ(Field("T3+.", 3, "XYZ"), ToHex("XYZ"));
  EXPECT_EQ(Field("T3+.", 3, "\"XYZ\""), ToHex("XYZ"));
  EXPECT_JOB_FAILURE(Field("T3+.", 3, "\"WXYZ\""), frame::error::kQuotedTextBad);
  EXPECT_JOB_FAILURE(Field("T3+.", 3, "\"AB"), frame::error::kQuotedTextBad);  // no closing quote
  EXPECT_JOB_FAILURE(Field("T3+N1+.", 4, "\"AB;1"), frame::error::kQuotedTextBad);
  EXPECT_JOB_FAILURE(Field("T3+.", 3, "\"AB\"x"), frame::error::kQuotedTextNotFollowed);
  EXPECT_JOB_FAILURE(Field("T3+.", 3, "WXYZ"), frame::error::kTextFieldBad);
  EXPECT_JOB_FAILURE(Field("H2+T3+.", 5, "0001"), frame::error::kTextFieldBad);  // missing field
}

TEST_F(SendTest, KonverzeTranslatesDataFileLettersOnly) {
  EXPECT_EQ(Field("T5+.", 5, "\"" + FromHex("9A 80 82 E9 E1") + "\""), "9A 80 82 E9 E1");
  program_->settings.konverze = 1;
  EXPECT_EQ(Field("T5+.", 5, "\"" + FromHex("9A 80 82 E9 E1") + "\""), "E7 80 82 82 A0");
  EXPECT_EQ(Send(0x24, "\"" + FromHex("9A E1") + "\"\r\n"),
            WorkBytes({FromHex("01 00 E7 A0") + std::string(16, ' ') + std::string(22, '\0')}));
  // Accented letters from a Windows-1250 file.
  const std::string data = Fixture("cp1250_accented_letters.dat");
  const std::string blanks(3, ' ');
  EXPECT_EQ(Send(0x02, data),
            WorkBytes({FromHex("01 00 B5 AC D2 90 B7 D6 D5 E0 FC E6 9B E9 DE ED A6") + blanks,
                       FromHex("02 00 A0 9F D4 82 D8 A1 E5 A2 FD E7 9C A3 85 EC A7") + blanks,
                       FromHex("03 00 A6 6C 75 9C 6F 75 9F 6B EC 20 6B 85 E5") + "     "}));
  // And back: the same letters, each text filled to its width.
  WriteFile("work01.tmp", ReadFile("work02.tmp"));
  frame::ProgramFile work =
      frame::ProgramFile::Open(*program_, "work01.tmp", frame::OpenMode::kRead);
  frame::ProgramFile out =
      frame::ProgramFile::Open(*program_, "BACK.DAT", frame::OpenMode::kCreate);
  ConvertReceivedFile(*program_, work, out);
  out.Close();
  std::string expected = data;
  expected.replace(expected.find("\"\r\n0002"), 1, blanks + "\"");
  expected.replace(expected.find("\"\r\n0003"), 1, blanks + "\"");
  expected.replace(expected.find(';', expected.find("0003")) + 1, 0, "\"");
  expected.replace(expected.size() - 2, 0, "     \"");
  EXPECT_EQ(ReadFile("BACK.DAT"), expected);
}

TEST_F(SendTest, LinesUpTo255CharactersEndAtCrLfOrEitherAloneAndTheLastNeedsNone) {
  const std::string three =
      WorkBytes({FromHex("01 00 12 34"), FromHex("02 00 56 78"), FromHex("03 00 90 12")});
  EXPECT_EQ(Send(0x10, Fixture("lf_only_lines.dat")), three);
  EXPECT_EQ(Send(0x10, Fixture("no_final_newline.dat")), three);
  EXPECT_EQ(Send(0x10, "0001;1234\r0002;5678\r\r0003;9012\r"), three);
  std::string line = "0005;1234;" + std::string(245, 'x');
  ASSERT_EQ(line.size(), 255u);
  EXPECT_EQ(Send(0x10, line + "\r\n"), WorkBytes({FromHex("05 00 12 34")}));
  EXPECT_JOB_FAILURE(Send(0x10, line + "x\r\n"), frame::error::kLineTooLong);
}

TEST_F(SendTest, RecordNumbersFollowCislovaniAndMayNotFallBehindTheLineCount) {
  const std::string rest = "1;\"A\";1;1;1;1;1;1;1;1;1;1;1;1\r\n";
  program_->settings.cislovani = 0;
  std::string work = Send(0x03, rest + "// between\r\n\r\n" + rest + "//\r\n" + rest);
  ASSERT_EQ(work.size(), 3u * 2 * 45);
  // The third record carries number 3: the comments are not counted.
  EXPECT_EQ(ToHex(work.substr(2 * 2 * 45, 4)), "03 00 00 00");
  program_->settings.cislovani = 1;
  work = Send(0x03, "000042;" + rest);
  EXPECT_EQ(ToHex(work.substr(0, 4)), "2A 00 00 00");
  const std::string tail = ";\"A\";0;0;0;0;0;0;0;0\r\n";
  WriteFile("work02.tmp", "stale");
  EXPECT_JOB_FAILURE(Send(0x01, "0001" + tail + "0001" + tail),
                     frame::error::kRecordNumberBackwards);
  // The lines before the faulty one stay in the work file.
  EXPECT_EQ(ReadFile("work02.tmp").size(), 2u * 35);
  EXPECT_EQ(Send(0x01, "0001" + tail + "0005" + tail + "0005" + tail).size(), 3u * 2 * 35);
  EXPECT_JOB_FAILURE(Send(0x01, "-1" + tail), frame::error::kRecordNumberBackwards);
}

TEST_F(SendTest, NumbersFillTheirBytesAndOnlyTheFirstIsTheRecordNumber) {
  EXPECT_EQ(Send(0x69, "0001;0000\r\n0002;0001\r\n0003;0255\r\n"),
            WorkBytes({FromHex("01 00 00"), FromHex("02 00 01"), FromHex("03 00 FF")}));
  EXPECT_EQ(Send(0x89, "0001;0000;000000\r\n0002;0000;123456\r\n"),
            WorkBytes({FromHex("01 00 00 00 00 00 00 00 00 00"),
                       FromHex("02 00 00 00 00 00 00 12 34 56")}));
  EXPECT_JOB_FAILURE(Send(0x10, "70000;0000\r\n"), frame::error::kNumberDoesNotFit);
  EXPECT_JOB_FAILURE(Send(0x69, "0001;256\r\n"), frame::error::kNumberDoesNotFit);
  EXPECT_JOB_FAILURE(Send(0x69, "0001;-1\r\n"), frame::error::kNumberDoesNotFit);
  EXPECT_EQ(Send(0x10, "65535;0000\r\n"), WorkBytes({FromHex("FF FF 00 00")}));
  EXPECT_EQ(Send(0x10, " +12abc;0000\r\n"), WorkBytes({FromHex("0C 00 00 00")}));
  std::string lines;
  for (int i = 0; i < 256; ++i) lines += "1\r\n";
  EXPECT_JOB_FAILURE(SendWithList("L1+N1+.", 2, lines), frame::error::kNumberDoesNotFit);
  EXPECT_EQ(ReadFile("work02.tmp").size(), 255u * 4);
}

TEST_F(SendTest, BitGroupsOneDigitEach) {
  EXPECT_EQ(Send(0x13, "0001;111101\r\n"), WorkBytes({FromHex("01 00 75")}));
  // Missing digits are 0, also where the separator ends the field early.
  EXPECT_EQ(Send(0x13, "0001\r\n"), WorkBytes({FromHex("01 00 00")}));
  EXPECT_EQ(Send(0x13, "0001;11\r\n"), WorkBytes({FromHex("01 00 60")}));
  EXPECT_EQ(Send(0x13, "0001;11;1\r\n"), WorkBytes({FromHex("01 00 60")}));
  EXPECT_EQ(Send(0x13, "0001;1111019\r\n"), WorkBytes({FromHex("01 00 75")}));
  EXPECT_EQ(Field("B(76,5)+.", 1, "31"), "E0");
  EXPECT_EQ(Field("B(76,5)+.", 1, "21"), "A0");
}

TEST_F(SendTest, RecordsAreFilledOrCutToTheBlockLengthAndRefusedWithoutOne) {
  std::string work = Send(0x76, "1;2;123456789012;12345678901234;-1234\r\n");
  EXPECT_EQ(work,
            WorkBytes({FromHex("01 00 01 02 12 34 56 78 90 12 12 34 56 78 90 12 34 01 12 34 00") +
                       std::string(26, '\0')}));
  program_->settings.cislovani = 1;
  std::string line = "000001;1;2;3;+;4;5;+;6;+;7;+;888888888888;+;9;+;10;+;-;-";
  work = Send(0x79, line + "\r\n");
  ASSERT_EQ(work.size(), 2u * 47);
  // Byte 47 on are cut: the record ends inside the N6 field at byte 42.
  EXPECT_EQ(ToHex(work.substr(2 * 42, 10)), "88 00 88 00 88 00 88 00 88 FF");
  EXPECT_EQ(Send(0x40, ""), "");
  EXPECT_EQ(Send(0x44, "// nothing\r\n"), "");
  for (std::uint8_t file : {0x40, 0x44, 0x64, 0x66}) {
    EXPECT_JOB_FAILURE(Send(file, "000001;1;\"A\";1\r\n"), frame::error::kRecordForBlocklessFile);
  }
  EXPECT_JOB_FAILURE(Send(0x0A, "0001;0001\r\n"), frame::error::kNoFormatForFile);
}

TEST_F(SendTest, MissingDataFileFailsUnlessTheFileHasNoFields) {
  WriteFile("work02.tmp", "stale");
  program_->command.fileNumber = 0x56;
  program_->command.dataFileName = "MISSING.DAT";
  BuildSendFile(*program_);
  EXPECT_TRUE(FileExists("work02.tmp"));
  EXPECT_EQ(ReadFile("work02.tmp"), "");
  program_->command.fileNumber = 0x10;
  EXPECT_JOB_FAILURE(BuildSendFile(*program_), frame::error::kFileNotOpened);
}

TEST_F(SendTest, MalformedFieldListsAndMissingNumberFields) {
  EXPECT_JOB_FAILURE(Field("H2+X2+.", 4, "0001;0001"), frame::error::kSendFieldUnknown);
  EXPECT_JOB_FAILURE(Field("H2+B6,5)+.", 3, "0001;11"),
                     frame::error::kSendBitGroupsWithoutParenthesis);
  EXPECT_JOB_FAILURE(Field("H2+B(9)+.", 3, "0001;11"), frame::error::kSendBitGroupsBadFirst);
  EXPECT_JOB_FAILURE(Field("H2+B(10,2)+.", 3, "0001;11"),
                     frame::error::kSendBitGroupsBitZeroNotLast);
  EXPECT_JOB_FAILURE(Field("H2+B(6;5)+.", 3, "0001;11"), frame::error::kSendBitGroupsBadCharacter);
  EXPECT_JOB_FAILURE(Field("H5+.", 5, "1"), frame::error::kHFieldTooWide);
  EXPECT_JOB_FAILURE(Field("L5+.", 5, "1"), frame::error::kLFieldTooWide);
  program_->settings.cislovani = 1;
  EXPECT_JOB_FAILURE(Field("H2+L2+.", 4, "0001"), frame::error::kLineWithoutLNumber);
  EXPECT_JOB_FAILURE(Field("N1+H2+.", 3, "12"), frame::error::kLineWithoutHNumber);
}

// `lines` quoted lines of 18 letters; their text is added to *text.
std::string BlockLines(int lines, std::string* text) {
  std::string data;
  for (int i = 0; i < lines; ++i) {
    std::string line;
    for (int k = 0; k < 18; ++k) line.push_back(static_cast<char>('a' + (i + k) % 26));
    *text += line;
    data += "\"" + line + "\"\r\n";
  }
  return data;
}

TEST_F(SendTest, BlockTextRecordsOfFortyCharactersFromQuotedLines) {
  EXPECT_EQ(Send(0x24, "\"ABC\"\r\n"),
            WorkBytes({FromHex("01 00") + "ABC" + std::string(15, ' ') + std::string(22, '\0')}));
  EXPECT_EQ(Send(0x24, ""), "");
  EXPECT_EQ(Send(0x24, "\r\n\r\n"), "");
  // Text after the closing quote is ignored; a "//" line is text, too.
  EXPECT_EQ(Send(0x24, "x\"ABC\"tail\r\n\"//\"\r\n"),
            WorkBytes({FromHex("01 00") + "ABC" + std::string(15, ' ') + "//" +
                       std::string(16, ' ') + std::string(4, '\0')}));
  EXPECT_JOB_FAILURE(Send(0x24, "ABC\r\n"), frame::error::kBlockTextWithoutQuote);
  EXPECT_JOB_FAILURE(Send(0x24, "// comment\r\n"), frame::error::kBlockTextWithoutQuote);
  EXPECT_JOB_FAILURE(Send(0x24, "\"" + std::string(19, 'x') + "\"\r\n"),
                     frame::error::kBlockTextTooLong);
  EXPECT_JOB_FAILURE(Send(0x24, "\"ABC\r\n"), frame::error::kBlockTextTooLong);
  EXPECT_EQ(Send(0x24, "\"" + std::string(18, 'x') + "\"\r\n").size(), 2u * 42);
  // The last twelve characters are not sent.
  std::string text;
  EXPECT_EQ(Send(0x24, BlockLines(4, &text)).size(), 2u * 2 * 42);
  EXPECT_EQ(Send(0x24, BlockLines(6, &text)).size(), 3u * 2 * 42);
  text.clear();
  const std::string seven = BlockLines(7, &text);
  EXPECT_EQ(Send(0x24, seven), WorkBytes({FromHex("01 00") + text.substr(0, 40),
                                          FromHex("02 00") + text.substr(40, 40),
                                          FromHex("03 00") + text.substr(80, 40)}));
}

}  // namespace
}  // namespace tarvik::convert
