#include "convert/received.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "convert/work_file.h"
#include "frame/program_file.h"
#include "frame/status.h"
#include "platform/file_system.h"
#include "support/test_support.h"

namespace tarvik::convert {
namespace {

using frame::Format;
using frame::ProgramFile;
using testing::FromHex;

std::string WorkBytes(const std::vector<std::string>& records) {
  std::string work;
  for (const std::string& record : records) AppendWorkRecord(&work, record);
  return work;
}

using Records = std::vector<std::string>;

class ReceivedTest : public testing::ProgramFixture {
 protected:
  // Converts `work` as work01.tmp into OUT.DAT, by the entry of `file` or by
  // a field list of the test's own; returns OUT.DAT.
  std::string ReceiveWork(std::uint8_t file, const std::string& work, const char* list = nullptr) {
    WriteFile("work01.tmp", work);
    program_->command.fileNumber = file;
    ProgramFile in = ProgramFile::Open(*program_, "work01.tmp", frame::OpenMode::kRead);
    ProgramFile data = ProgramFile::Open(*program_, "OUT.DAT", frame::OpenMode::kCreate);
    if (list != nullptr) {
      ConvertReceivedRecords(*program_, list, in, data);
    } else {
      ConvertReceivedFile(*program_, in, data);
    }
    data.Close();
    return ReadFile("OUT.DAT");
  }
  std::string Receive(std::uint8_t file, const Records& records) {
    return ReceiveWork(file, WorkBytes(records));
  }
  std::string ReceiveWithList(const char* list, const Records& records) {
    return ReceiveWork(0, WorkBytes(records), list);
  }
};

TEST_F(ReceivedTest, OneLinePerRecordWithTheSettingsSeparator) {
  EXPECT_EQ(Receive(0x10, {}), "");
  // Nothing is walked, so not even a broken list is noticed.
  EXPECT_EQ(ReceiveWithList("X2+.", {}), "");
  EXPECT_EQ(Receive(0x10, {FromHex("05 00 12 34")}), "0005;1234\r\n");
  // Records without fields give empty lines.
  EXPECT_EQ(Receive(0x56, {FromHex("01 02"), FromHex("03")}), "\r\n\r\n");
  EXPECT_JOB_FAILURE(Receive(0x0A, {FromHex("01 00 00 00")}),
                     frame::error::kNoFormatForFile);  // no entry
  EXPECT_JOB_FAILURE(Receive(0x15, {FromHex("01 00 00 00")}), frame::error::kNoFormatForFile);
  program_->settings.oddelovac = '|';
  EXPECT_EQ(Receive(0x11, {FromHex("05 00 12 34"), FromHex("06 00 99 00")}),
            "0005|1234\r\n0006|9900\r\n");
}

TEST_F(ReceivedTest, RecordNumberFieldFollowsCislovani) {
  std::string record = FromHex("2A 00  00 00 01 23 45 67 89") + "ABC" + std::string(15, '\0') +
                       FromHex("00 00 12 50  00 00 00 01  01 02 03 04 05 06 07 08 09 10");
  ASSERT_EQ(record.size(), 45u);
  const std::string rest =
      "00000123456789;\"ABC               \";00001250;00000001;01;02;03;04;05;06;07;08;09;10\r\n";
  program_->settings.cislovani = 0;
  EXPECT_EQ(Receive(0x03, {record}), rest);
  program_->settings.cislovani = 1;
  EXPECT_EQ(Receive(0x03, {record}), "000042;" + rest);
}

TEST_F(ReceivedTest, NumberFields) {
  // H2, S9 negative, N9, S9 with any other sign byte and a stray last byte,
  // N9, S9 positive.
  std::string record = FromHex(
      "07 00"
      " 01 00 00 00 00 12 34 56 00"
      " 00 00 00 00 00 00 00 00 01"
      " 07 98 76 54 32 10 00 00 EE"
      " 11 22 33 44 55 66 77 88 99"
      " 00 00 00 00 00 00 00 09 00");
  EXPECT_EQ(Receive(0x72, {record}),
            "0007;-00000000123456;000000000000000001;+98765432100000;112233445566778899;"
            "+00000000000009\r\n");
  // BCD nibbles above nine; bits 6, 5, 4, 2, 1, 0 one digit each, bits 7
  // and 3 not shown.
  EXPECT_EQ(Receive(0x10, {FromHex("01 00 AF 09")}), "0001;:?09\r\n");
  EXPECT_EQ(Receive(0x13, {FromHex("01 00 75"), FromHex("02 00 8A")}),
            "0001;111101\r\n0002;000010\r\n");
  // Numbers keep all their digits: cutting 12345 to four characters would
  // send record 1234 back.
  EXPECT_EQ(Receive(0x10, {FromHex("39 30 00 00")}), "12345;0000\r\n");
  EXPECT_EQ(Receive(0x69, {FromHex("01 00 FF")}), "0001;0255\r\n");
  program_->settings.cislovani = 1;
  EXPECT_EQ(Receive(0x84, {FromHex("FF FF 01 02 00 00 00 00 00 01") + std::string(37, '\0')}),
            "065535;01;02;000000000001\r\n");
  // Sign nibble fields.
  EXPECT_EQ(Receive(0x65, {FromHex("01 00 00 00 00 00 00 00 01 81 23 45 67"),
                           FromHex("02 00 00 00 00 00 00 00 02 01 00 00 00"),
                           FromHex("03 00 00 00 00 00 00 00 03 39 00 00 01")}),
            "000001;00000000000001;-1234567\r\n"
            "000002;00000000000002;+1000000\r\n"
            "000003;00000000000003;-9000001\r\n");
  // The repeated fields of file 90.
  record = FromHex("03 00");
  std::string expected = "0003";
  for (int i = 0; i < 45; ++i) {
    record.push_back(static_cast<char>(i * 5));
    expected += Format(";%04d", i * 5);
  }
  EXPECT_EQ(Receive(0x90, {record}), expected + "\r\n");
}

TEST_F(ReceivedTest, TextFieldsQuoteBlankZeroBytesAndTranslateWithKonverze) {
  std::string record = FromHex("01 00") + "ABC" + std::string(15, '\0');
  EXPECT_EQ(Receive(0x02, {record}), "0001;\"ABC               \"\r\n");
  // A separator inside the text stays: the quotes hold it.
  EXPECT_EQ(Receive(0x02, {FromHex("02 00") + "A;B" + std::string(15, ' ')}),
            "0002;\"A;B               \"\r\n");
  // Only register letters are translated.
  record = FromHex("01 00 A0 80 E7 82 A6 00") + std::string(12, 'x');
  EXPECT_EQ(Receive(0x02, {record}),
            "0001;\"" + FromHex("A0 80 E7 82 A6 20") + std::string(12, 'x') + "\"\r\n");
  program_->settings.konverze = 1;
  EXPECT_EQ(Receive(0x02, {record}),
            "0001;\"" + FromHex("E1 80 9A E9 8E 20") + std::string(12, 'x') + "\"\r\n");
}

TEST_F(ReceivedTest, FieldsBeyondTheRecordReadAsZeroBytes) {
  // File 79's list covers 63 bytes of a 47-byte record.
  std::string record = FromHex("05 00") + std::string(45, '\x12');
  EXPECT_EQ(Receive(0x79, {record}),
            "12;12;121212121212;+;121212121212;121212121212;+;121212121212;+;121212121212;+;"
            "121212121200;+;00;+;000000000000;+;+\r\n");
  // File 76 covers 21 of 47 bytes: the rest is not shown.
  std::string longer = FromHex("05 00 01 02 00 00 00 00 00 03 00 00 00 00 00 00 04 01 12 34 00") +
                       std::string(26, '\x77');
  EXPECT_EQ(Receive(0x76, {longer}), "01;02;000000000003;00000000000004;-1234\r\n");
}

TEST_F(ReceivedTest, FillerFieldsAreEmptyAndMalformedFieldListsFailWhenReached) {
  EXPECT_EQ(ReceiveWithList("P1+H2+.", {"xx" + FromHex("01 00")}), ";0001\r\n");
  EXPECT_EQ(ReceiveWithList("H2+P1+N1+.", {FromHex("01 00") + "xx" + FromHex("42")}),
            "0001;;42\r\n");
  const std::vector<std::string> one = {FromHex("01 00 75 00 00 00")};
  EXPECT_JOB_FAILURE(ReceiveWithList("H2+X2+.", one), frame::error::kReceiveFieldUnknown);
  EXPECT_JOB_FAILURE(ReceiveWithList("H2+E.", one), frame::error::kReceiveFieldUnknown);
  EXPECT_JOB_FAILURE(ReceiveWithList("H2+4.", one), frame::error::kReceiveFieldUnknown);
  EXPECT_JOB_FAILURE(ReceiveWithList("H2+B6,5)+.", one),
                     frame::error::kReceiveBitGroupsWithoutParenthesis);
  EXPECT_JOB_FAILURE(ReceiveWithList("H2+B(9)+.", one), frame::error::kReceiveBitGroupsBadFirst);
  EXPECT_JOB_FAILURE(ReceiveWithList("H2+B(6;5)+.", one),
                     frame::error::kReceiveBitGroupsBadCharacter);
  EXPECT_JOB_FAILURE(ReceiveWithList("H5+.", one), frame::error::kHFieldTooWide);
  EXPECT_JOB_FAILURE(ReceiveWithList("L5+.", one), frame::error::kLFieldTooWide);
  // Bit 0 in front of another group is only refused when sending.
  EXPECT_EQ(ReceiveWithList("H2+B(10,2)+.", one), "0001;11\r\n");
}

// Quoted lines of 18 characters; the last line filled with blanks.
std::string BlockLines(std::string text) {
  text.resize((text.size() + 17) / 18 * 18, ' ');
  std::string lines;
  for (std::size_t i = 0; i < text.size(); i += 18) lines += '"' + text.substr(i, 18) + "\"\r\n";
  return lines;
}

TEST_F(ReceivedTest, BlockTextBecomesLinesOfEighteen) {
  std::vector<std::string> records;
  std::string text;
  for (int r = 1; r <= 3; ++r) {
    std::string chunk;
    for (int i = 0; i < 40; ++i) chunk.push_back(static_cast<char>('A' + (r * 7 + i) % 26));
    text += chunk;
    records.push_back(std::string{static_cast<char>(r), '\0'} + chunk);
  }
  EXPECT_EQ(Receive(0x24, records), BlockLines(text));
  EXPECT_EQ(Receive(0x24, {}), "");
  // Zero bytes are blanks and a record shorter than the block length has
  // blanks for its missing text.
  EXPECT_EQ(Receive(0x24, {FromHex("01 00 41 00 42")}), BlockLines("A B" + std::string(51, ' ')));
  program_->settings.konverze = 1;
  EXPECT_EQ(Receive(0x24, {FromHex("01 00 A0 00 41") + std::string(37, 'z')}),
            BlockLines(FromHex("E1 20 41") + std::string(37, 'z')));
}

TEST_F(ReceivedTest, TruncatedWorkFileAtEveryLength) {
  // A record cut by the end of the file ends there: its data bytes so far,
  // zeros for the rest.
  const std::string first = FromHex("05 00 12 34");
  const std::string second = FromHex("06 00 56 78");
  const std::string whole = WorkBytes({first, second});
  auto line = [](const std::string& record, std::size_t dataBytes) {
    std::string r = record.substr(0, dataBytes);
    r.resize(4, '\0');
    return Format("%04u;%02X%02X\r\n", unsigned(static_cast<std::uint8_t>(r[0])),
                  unsigned(static_cast<std::uint8_t>(r[2])),
                  unsigned(static_cast<std::uint8_t>(r[3])));
  };
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    std::string expected;
    if (cut > 0) expected += line(first, std::min<std::size_t>((cut + 1) / 2, 4));
    if (cut > 8) expected += line(second, (cut - 8 + 1) / 2);
    EXPECT_EQ(ReceiveWork(0x10, whole.substr(0, cut)), expected);
  }
  const std::string block = WorkBytes({std::string{'\1', '\0'} + std::string(40, 'q')});
  for (std::size_t cut = 1; cut < block.size(); ++cut) {
    SCOPED_TRACE(cut);
    std::size_t dataBytes = (cut + 1) / 2;
    std::string text(dataBytes > 2 ? dataBytes - 2 : 0, 'q');
    EXPECT_EQ(ReceiveWork(0x24, block.substr(0, cut)),
              BlockLines(text + std::string(54 - text.size(), ' ')));
  }
}

// A file system whose handles fail or fall short on writing.
class FaultyHandle final : public platform::FileHandle {
 public:
  FaultyHandle(std::unique_ptr<platform::FileHandle> inner, int mode)
      : inner_(std::move(inner)), mode_(mode) {}
  std::ptrdiff_t Read(void* buffer, std::size_t size, platform::OsError* error) override {
    return inner_->Read(buffer, size, error);
  }
  std::ptrdiff_t Write(const void* buffer, std::size_t size, platform::OsError* error) override {
    if (mode_ == 1) {
      *error = 28;  // no space left
      return -1;
    }
    if (mode_ == 2 && size > 0) return inner_->Write(buffer, size - 1, error);
    return inner_->Write(buffer, size, error);
  }
  bool Seek(std::uint64_t offset, platform::OsError* error) override {
    return inner_->Seek(offset, error);
  }
  bool SeekToEnd(platform::OsError* error) override { return inner_->SeekToEnd(error); }
  std::int64_t Size(platform::OsError* error) override { return inner_->Size(error); }
  bool Truncate(platform::OsError* error) override { return inner_->Truncate(error); }

 private:
  std::unique_ptr<platform::FileHandle> inner_;
  int mode_;
};

class FaultyFileSystem final : public testing::RealFileSystemProxy {
 public:
  int mode = 0;  // 0 writes, 1 fails, 2 writes one byte short
  std::unique_ptr<platform::FileHandle> Open(const std::string& path, platform::Access access,
                                             platform::Creation creation, bool shareRead,
                                             platform::OsError* error) override {
    auto inner = real_.Open(path, access, creation, shareRead, error);
    if (!inner) return nullptr;
    return std::make_unique<FaultyHandle>(std::move(inner), mode);
  }
};

TEST_F(ReceivedTest, WriteTextLineWritesTheTextAndLineEndOrNamesTheFault) {
  FaultyFileSystem fs;
  frame::Program program(frame::Services{fs, clock_, process_, console_, frontEnd_});
  program.paths.programDirectory = dir_.string() + "/";
  program.paths.hasProgramDirectory = true;

  ProgramFile good = ProgramFile::Open(program, "LINES.DAT", frame::OpenMode::kCreate);
  WriteTextLine(good, "0001;\"ABC\"");
  WriteTextLine(good, "");
  // Each line is on disk once written, before the file is closed, unless
  // nobody else may read the file while it is being written.
  EXPECT_EQ(ReadFile("LINES.DAT"), testing::kUnsharedFilesAreLocked ? "" : "0001;\"ABC\"\r\n\r\n");
  good.Close();
  EXPECT_EQ(ReadFile("LINES.DAT"), "0001;\"ABC\"\r\n\r\n");

  fs.mode = 1;
  ProgramFile failing = ProgramFile::Open(program, "FAIL.DAT", frame::OpenMode::kCreate);
  EXPECT_JOB_FAILURE(WriteTextLine(failing, "abc"), frame::error::kDataNotWritten);
  fs.mode = 2;
  ProgramFile shortened = ProgramFile::Open(program, "SHORT.DAT", frame::OpenMode::kCreate);
  EXPECT_JOB_FAILURE(WriteTextLine(shortened, "abc"), frame::error::kDataWrittenShort);
}

}  // namespace
}  // namespace tarvik::convert
