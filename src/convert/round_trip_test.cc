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
#include "frame/status.h"
#include "support/test_support.h"

namespace tarvik::convert {
namespace {

struct Entry {
  std::uint8_t file;
  bool variant;
};

std::string EntryName(const ::testing::TestParamInfo<Entry>& info) {
  return frame::Format("F%02X%s", info.param.file, info.param.variant ? "v" : "");
}

// Entries whose records the link moves, i.e. with a block length, and the
// variant table's where it differs; 24 is block text, tested on its own below.
std::vector<Entry> Entries() {
  std::vector<Entry> entries;
  for (bool variant : {false, true}) {
    std::string_view table = RecordFormatTable(variant);
    for (std::size_t at = table.find("F:"); at != std::string_view::npos;
         at = table.find("F:", at + 1)) {
      auto file =
          static_cast<std::uint8_t>(std::stoi(std::string(table.substr(at + 2, 2)), nullptr, 16));
      if (file == 0x24 || BlockLengthTable(variant)[file] == 0) continue;
      if (!variant || BlockLengthTable(true)[file] != BlockLengthTable(false)[file] ||
          FindFieldList(table, file) != FindFieldList(RecordFormatTable(false), file)) {
        entries.push_back({file, variant});
      }
    }
  }
  return entries;
}

// A text byte the data file can hold: no zero byte, quote or line end, and
// with konverze on one the translation gives back.
char TextByte(std::mt19937& rng, bool konverze) {
  for (;;) {
    auto c = static_cast<unsigned char>(1 + rng() % 255);
    if (c != '"' && c != '\r' && c != '\n' &&
        (!konverze || frame::FileToRegister(frame::RegisterToFile(c)) == c)) {
      return static_cast<char>(c);
    }
  }
}

class RoundTripFixture : public testing::ProgramFixture {
 protected:
  // `work` received into the data file of `file` and sent back: work02.tmp.
  std::string Through(std::uint8_t file, const std::string& work) {
    program_->command.fileNumber = file;
    program_->command.dataFileName = "DATA.DAT";
    WriteFile("work01.tmp", work);
    {
      frame::ProgramFile in =
          frame::ProgramFile::Open(*program_, "work01.tmp", frame::OpenMode::kRead);
      frame::ProgramFile out =
          frame::ProgramFile::Open(*program_, "DATA.DAT", frame::OpenMode::kCreate);
      ConvertReceivedFile(*program_, in, out);
    }
    BuildSendFile(*program_);
    return ReadFile("work02.tmp");
  }
};

class RoundTrip : public RoundTripFixture, public ::testing::WithParamInterface<Entry> {
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
          for (int k = 0; k < n; ++k) record.push_back(TextByte(rng, program_->settings.konverze));
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
    ASSERT_EQ(testing::ToHex(Through(entry.file, work)), testing::ToHex(work));
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, RoundTrip, ::testing::ValuesIn(Entries()), EntryName);

using BlockTextRoundTrip = RoundTripFixture;

// n records = 40n characters = lines of 18, the last one filled with blanks.
// Where those blanks are more than the 12 characters left unsent, a record
// of them follows.
TEST_F(BlockTextRoundTrip, RecordsComeBackWithOneOfBlanksWhereTheLastLineHasNoRoomForTheTail) {
  for (int count = 1; count <= 20; ++count) {
    SCOPED_TRACE(count);
    std::mt19937 rng(static_cast<unsigned>(count));
    std::string work;
    for (int r = 1; r <= count; ++r) {
      std::string record{static_cast<char>(r), '\0'};
      for (int k = 0; k < 40; ++k) record.push_back(TextByte(rng, false));
      AppendWorkRecord(&work, record);
    }
    std::string expected = work;
    if (count % 9 == 1 || count % 9 == 5) {
      const int blanks = 18 * ((40 * count + 17) / 18) - 40 * count;
      ASSERT_GT(blanks, 12);
      std::string tail{static_cast<char>(count + 1), '\0'};
      tail += std::string(static_cast<std::size_t>(blanks), ' ');
      tail.resize(42, '\0');
      AppendWorkRecord(&expected, tail);
    }
    EXPECT_EQ(Through(0x24, work), expected);
  }
}

}  // namespace
}  // namespace tarvik::convert
