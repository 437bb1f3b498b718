// Every entry of the format table, both ways: canonical register records ->
// data file -> records must give the same bytes back.
//
// Canonical means what the data-file text can express: BCD nibbles 0 to 9
// (nibble 11 would write the separator), sign bytes 0x00/0x01 and a zero last
// byte for S, sign nibble 0 or 8 for Z, texts without zero bytes, quotes or
// line ends (and with konverze on only bytes the translation gives back),
// bit fields using only their groups' bits, the record number at least the
// line's count and, with cislovani off, equal to it; the record filled with
// zeros to its block length.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/format_table.h"
#include "convert/received.h"
#include "convert/send.h"
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/program_file.h"
#include "support/test_support.h"

namespace tarvik::convert {
namespace {

struct Entry {
  std::uint8_t file;
  bool variant;
};

std::string EntryName(const ::testing::TestParamInfo<Entry>& info) {
  char name[16];
  std::snprintf(name, sizeof name, "F%02X%s", info.param.file, info.param.variant ? "v" : "");
  return name;
}

// Entries whose records the link moves, i.e. with a block length.
const Entry kEntries[] = {
    {0x01, false}, {0x02, false}, {0x03, false}, {0x04, false}, {0x05, false}, {0x06, false},
    {0x06, true},  {0x07, false}, {0x08, false}, {0x09, false}, {0x10, false}, {0x11, false},
    {0x12, false}, {0x13, false}, {0x14, false}, {0x16, false}, {0x30, false}, {0x31, false},
    {0x32, false}, {0x61, false}, {0x65, false}, {0x67, false}, {0x68, false}, {0x69, false},
    {0x72, false}, {0x73, false}, {0x74, false}, {0x75, false}, {0x76, false}, {0x77, false},
    {0x78, false}, {0x79, false}, {0x81, false}, {0x82, false}, {0x83, false}, {0x84, false},
    {0x87, false}, {0x88, false}, {0x89, false}, {0x90, false}, {0x91, false}, {0x92, false}};

TEST(RoundTripEntries, CoverEveryEntryWithABlockLength) {
  std::vector<int> expected;
  std::string_view table = RecordFormatTable(false);
  for (std::size_t at = table.find("F:"); at != std::string_view::npos;
       at = table.find("F:", at + 1)) {
    int file = std::stoi(std::string(table.substr(at + 2, 2)), nullptr, 16);
    // 24 is block text, tested on its own below.
    if (file != 0x24 && BlockLengthTable(false)[static_cast<std::size_t>(file)] != 0) {
      expected.push_back(file);
    }
  }
  std::vector<int> listed;
  for (const Entry& entry : kEntries) {
    if (!entry.variant) listed.push_back(entry.file);
  }
  EXPECT_EQ(listed, expected);
}

class RoundTrip : public testing::ProgramFixture, public ::testing::WithParamInterface<Entry> {
 protected:
  std::string Bcd(std::mt19937& rng, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) {
      out.push_back(static_cast<char>((rng() % 10) << 4 | rng() % 10));
    }
    return out;
  }

  std::string Record(const std::vector<ListedField>& fields, std::size_t length, int sequence,
                     std::mt19937& rng) {
    const bool cislovani = program_->settings.cislovani != 0;
    const bool konverze = program_->settings.konverze != 0;
    std::string record;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const FieldSpec& spec = fields[f].spec;
      const int n = spec.width;
      switch (spec.kind) {
        case 'H':
        case 'L': {
          std::uint64_t max = (std::uint64_t{1} << (8 * n)) - 1;
          std::uint64_t value;
          if (spec.kind == 'L' && !cislovani) {
            value = static_cast<std::uint64_t>(sequence);
          } else {
            std::uint64_t low =
                (spec.kind == 'H' && f == 0) ? static_cast<std::uint64_t>(sequence) : 0;
            value = low + rng() % (max - low + 1);
          }
          for (int k = 0; k < n; ++k) record.push_back(static_cast<char>(value >> (8 * k)));
          break;
        }
        case 'N':
          record += Bcd(rng, n);
          break;
        case 'S':
          record.push_back(static_cast<char>(rng() % 2));
          record += Bcd(rng, n - 2);
          record.push_back('\0');
          break;
        case 'Z':
          record.push_back(static_cast<char>((rng() % 2 ? 0x80 : 0x00) | rng() % 10));
          record += Bcd(rng, n - 1);
          break;
        case 'T':
          for (int k = 0; k < n; ++k) {
            unsigned char c;
            do {
              c = static_cast<unsigned char>(1 + rng() % 255);
            } while (c == '"' || c == '\r' || c == '\n' ||
                     (konverze && frame::FileToRegister(frame::RegisterToFile(c)) != c));
            record.push_back(static_cast<char>(c));
          }
          break;
        case 'B': {
          unsigned mask = 0;
          for (const BitGroup& group : fields[f].groups) mask |= group.mask;
          record.push_back(static_cast<char>(rng() & mask));
          break;
        }
        default:
          ADD_FAILURE() << "kind " << spec.kind;
      }
    }
    record.resize(length, '\0');
    return record;
  }
};

TEST_P(RoundTrip, RecordsComeBackByteForByte) {
  const Entry entry = GetParam();
  program_->variantTables = entry.variant;
  program_->command.fileNumber = entry.file;
  program_->command.DataFileName = "DATA.DAT";
  const std::string list = SelectRecordFormat(*program_, entry.file);
  const std::size_t length = BlockLength(*program_, entry.file);
  const std::vector<ListedField> fields = ListFields(list, true);
  for (int flags = 0; flags < 4; ++flags) {
    program_->settings.cislovani = flags & 1;
    program_->settings.konverze = flags >> 1;
    SCOPED_TRACE(::testing::Message()
                 << "cislovani " << (flags & 1) << " konverze " << (flags >> 1));
    std::mt19937 rng(static_cast<unsigned>(entry.file * 8 + flags));
    std::string work;
    for (int i = 1; i <= 40; ++i) AppendWorkRecord(&work, Record(fields, length, i, rng));
    WriteFile("work01.tmp", work);
    {
      frame::ProgramFile in = frame::ProgramFile::Open(*program_, "work01.tmp", 'r');
      frame::ProgramFile out = frame::ProgramFile::Open(*program_, "DATA.DAT", 'w');
      ConvertReceivedFile(*program_, in, out);
    }
    BuildSendFile(*program_);
    ASSERT_EQ(testing::ToHex(ReadFile("work02.tmp")), testing::ToHex(work));
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, RoundTrip, ::testing::ValuesIn(kEntries), EntryName);

class BlockTextRoundTrip : public testing::ProgramFixture {
 protected:
  std::string Records(int count) {
    std::mt19937 rng(static_cast<unsigned>(count));
    std::string work;
    for (int r = 1; r <= count; ++r) {
      std::string record{static_cast<char>(r), '\0'};
      for (int k = 0; k < 40; ++k) {
        char c;
        do {
          c = static_cast<char>(1 + rng() % 255);
        } while (c == '"' || c == '\r' || c == '\n');
        record.push_back(c);
      }
      AppendWorkRecord(&work, record);
    }
    return work;
  }
  std::string Through(const std::string& work) {
    program_->command.fileNumber = 0x24;
    program_->command.DataFileName = "TEXT.DAT";
    WriteFile("work01.tmp", work);
    {
      frame::ProgramFile in = frame::ProgramFile::Open(*program_, "work01.tmp", 'r');
      frame::ProgramFile out = frame::ProgramFile::Open(*program_, "TEXT.DAT", 'w');
      ConvertReceivedFile(*program_, in, out);
    }
    BuildSendFile(*program_);
    return ReadFile("work02.tmp");
  }
};

TEST_F(BlockTextRoundTrip, RecordsComeBackWhenTheLastLineHasRoomForTheTail) {
  for (int count = 2; count <= 20; ++count) {
    if (count % 9 == 1 || count % 9 == 5) continue;
    SCOPED_TRACE(count);
    const std::string work = Records(count);
    EXPECT_EQ(Through(work), work);
  }
}

TEST_F(BlockTextRoundTrip, OtherCountsGainOneRecordOfBlanks) {
  // 1 record = 40 characters = 3 lines of 18 = 54 characters; 54 - 12 is
  // more than one record holds, so a record of the last line's blanks follows.
  for (int count : {1, 5, 10, 14}) {
    SCOPED_TRACE(count);
    const std::string work = Records(count);
    const int text = 40 * count;
    const int blanks = 18 * ((text + 17) / 18) - text;
    ASSERT_GT(blanks, 12);
    std::string tail{static_cast<char>(count + 1), '\0'};
    tail += std::string(static_cast<std::size_t>(blanks), ' ');
    tail.resize(42, '\0');
    std::string expected = work;
    AppendWorkRecord(&expected, tail);
    EXPECT_EQ(Through(work), expected);
  }
}

}  // namespace
}  // namespace tarvik::convert
