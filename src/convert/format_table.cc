#include "convert/format_table.h"

#include "frame/errors.h"

namespace tarvik::convert {
namespace {

using frame::Fail;

#define TARVIK_TABLE_HEAD                                 \
  "F:01 H2+T18+N4+N4+N1+N1+N1+N1+N2+N1+. "                \
  "F:02 H2+T18+. "                                        \
  "F:03 L2+N7+T18+N4+N4+N1+N1+N1+N1+N1+N1+N1+N1+N1+N1+. " \
  "F:04 H2+T18+N4+N4+N1+N1+N1+N1+. "                      \
  "F:05 H2+T18+. "

#define TARVIK_TABLE_TAIL                                            \
  "F:07 H2+T18+N1+N2+N1+. "                                          \
  "F:08 H2+T18+N1+N1+N1+. "                                          \
  "F:09 H2+N4+N1+. "                                                 \
  "F:10 H2+N2+. "                                                    \
  "F:11 H2+N2+. "                                                    \
  "F:12 H2+N2+. "                                                    \
  "F:13 H2+B(6,5,4,2,1,0)+. "                                        \
  "F:14 H2+N3+. "                                                    \
  "F:16 H2+T18+N1+N3+. "                                             \
  "F:24 E. "                                                         \
  "F:30 H2+N2+N1+. "                                                 \
  "F:31 H2+T48+. "                                                   \
  "F:32 H2+T48+. "                                                   \
  "F:40 L2+N1+T18+N1+. "                                             \
  "F:44 L2+N45+. "                                                   \
  "F:56  .. "                                                        \
  "F:61 L2+N7+T18+N4+N4+N1+N1+N1+N1+N1+N1+N1+N1+N1+N1+. "            \
  "F:64 L2+N1+N4+."                                                  \
  "F:65 L2+N7+Z4+. "                                                 \
  "F:66 L2+N3+Z4+. "                                                 \
  "F:67 H2+N9+. "                                                    \
  "F:68 H2+N1+N7+. "                                                 \
  "F:69 H2+H1+. "                                                    \
  "F:72 H2+S9+N9+S9+N9+S9+. "                                        \
  "F:73 H2+S9+N9+S9+N9+S9+. "                                        \
  "F:74 L2+S9+N9+S9+N9+S9+. "                                        \
  "F:75 L2+S9+N9+S9+N9+S9+. "                                        \
  "F:76 L2+N1+N1+N6+N7+S4+. "                                        \
  "F:77 H2+S9+N9+S9+N9+S9+. "                                        \
  "F:78 H2+S9+N9+S9+N9+S9+. "                                        \
  "F:79 L2+N1+N1+N6+S2+N6+N6+S2+N6+S2+N6+S2+N6+S2+N1+S2+N6+S2+S2+. " \
  "F:81 L2+N1+N1+N6+S2+N6+N6+S2+N6+S2+N6+S2+N6+S2+N1+S2+N6+S2+S2+. " \
  "F:82 L2+N1+N1+N6+S2+N6+N6+S2+N6+S2+N6+S2+N6+S2+N1+S2+N6+S2+S2+. " \
  "F:83 L2+N1+N1+N6+N2+. "                                           \
  "F:84 L2+N1+N1+N6+. "                                              \
  "F:87 L2+N1+N19+N2+. "                                             \
  "F:88 L2+N1+N19+N2+. "                                             \
  "F:89 H2+H2+N6+. "                                                 \
  "F:90 H2+45H1+. "                                                  \
  "F:91 L2+N4+N1+N1+N13+. "                                          \
  "F:92 L2+N4+N1+N1+N13+. "                                          \
  "X "

constexpr std::string_view kDefaultTable =
    TARVIK_TABLE_HEAD "F:06 H2+T18+N2+N1+N2+N1+N1+N1+N1+. " TARVIK_TABLE_TAIL;
constexpr std::string_view kVariantTable =
    TARVIK_TABLE_HEAD "F:06 H2+T18+N2+N1+N2+N1+N1+N1+. " TARVIK_TABLE_TAIL;

#undef TARVIK_TABLE_HEAD
#undef TARVIK_TABLE_TAIL

// A selected list is kept to this size; an entry that does not fit is a
// broken table, not a list to walk.
constexpr std::size_t kFieldListBuffer = 1024;

constexpr std::array<std::uint32_t, 256> MakeBlockLengths(bool variant) {
  std::array<std::uint32_t, 256> t{};
  auto set = [&t](int first, int last, std::uint32_t length) {
    for (int f = first; f <= last; ++f) t[static_cast<std::size_t>(f)] = length;
  };
  set(0x01, 0x01, 35);
  set(0x02, 0x02, 20);
  set(0x03, 0x03, 45);
  set(0x04, 0x04, 32);
  set(0x05, 0x05, 20);
  set(0x06, 0x06, variant ? 28 : 29);
  set(0x07, 0x07, 24);
  set(0x08, 0x08, 23);
  set(0x09, 0x09, 7);
  set(0x0A, 0x0A, 4);
  set(0x10, 0x12, 4);
  set(0x13, 0x13, 3);
  set(0x14, 0x14, 5);
  set(0x16, 0x16, 24);
  set(0x20, 0x20, 50);
  set(0x21, 0x21, 20);
  set(0x24, 0x24, 42);
  set(0x28, 0x28, 21);
  set(0x29, 0x2A, 50);
  set(0x2B, 0x2B, 22);
  set(0x2C, 0x2C, 1);
  set(0x2D, 0x2D, 10);
  set(0x2E, 0x2F, 1);
  set(0x30, 0x30, 5);
  set(0x31, 0x32, 50);
  set(0x41, 0x41, 45);
  set(0x42, 0x42, 6);
  set(0x61, 0x61, 45);
  set(0x65, 0x65, 13);
  set(0x67, 0x67, 11);
  set(0x68, 0x68, 10);
  set(0x69, 0x69, 3);
  set(0x70, 0x79, 47);
  set(0x80, 0x84, 47);
  set(0x85, 0x85, 51);
  set(0x87, 0x88, 24);
  set(0x89, 0x89, 10);
  set(0x90, 0x90, 47);
  set(0x91, 0x92, 21);
  return t;
}

constexpr std::array<std::uint32_t, 256> kDefaultBlockLengths = MakeBlockLengths(false);
constexpr std::array<std::uint32_t, 256> kVariantBlockLengths = MakeBlockLengths(true);

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsWalkedKind(char c) {
  switch (c) {
    case 'H':
    case 'L':
    case 'N':
    case 'S':
    case 'Z':
    case 'T':
    case 'P':
    case 'B':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string_view RecordFormatTable(bool variant) {
  return variant ? kVariantTable : kDefaultTable;
}

const std::array<std::uint32_t, 256>& BlockLengthTable(bool variant) {
  return variant ? kVariantBlockLengths : kDefaultBlockLengths;
}

void SelectModelFormatTables(frame::Program& program, const std::string& modelText) {
  // The model may come padded with blanks to four characters.
  std::string model = modelText.substr(0, modelText.find_last_not_of(' ') + 1);
  program.variantTables = model == "39T" || model == "362" || model == "396";
}

std::uint32_t BlockLength(const frame::Program& program, std::uint8_t fileNumber) {
  return BlockLengthTable(program.variantTables)[fileNumber];
}

bool IsFormatTableChar(char c) {
  switch (c) {
    case ' ':
    case '(':
    case ')':
    case '+':
    case ',':
    case '.':
    case ';':
    case 'B':
    case 'E':
    case 'F':
    case 'H':
    case 'L':
    case 'N':
    case 'P':
    case 'S':
    case 'T':
    case 'Z':
      return true;
    default:
      return IsDigit(c);
  }
}

std::string SelectRecordFormat(const frame::Program& program, std::uint8_t fileNumber) {
  return FindFieldList(RecordFormatTable(program.variantTables), fileNumber);
}

std::string FindFieldList(std::string_view table, std::uint8_t fileNumber) {
  std::size_t i = 0;
  // Every read checks the position; the pair names the place of the read.
  auto read = [&table](std::size_t at, frame::ErrorPair endsHere) {
    if (at >= table.size()) Fail(endsHere);
    return table[at];
  };
  char c = read(i, frame::error::kFormatTableEmpty);
  for (;;) {
    if (c == 'F') {
      if (read(++i, frame::error::kFormatTableEndsAfterF) != ':')
        Fail(frame::error::kFormatEntryWithoutColon);
      char high = read(++i, frame::error::kFormatEntryHighDigit);
      if (!IsDigit(high)) Fail(frame::error::kFormatEntryHighDigit);
      char low = read(++i, frame::error::kFormatEntryLowDigit);
      if (!IsDigit(low)) Fail(frame::error::kFormatEntryLowDigit);
      if ((high - '0') * 16 + (low - '0') == fileNumber) {
        do {
          c = read(++i, frame::error::kFormatEntryWithoutFields);
        } while (c == ' ');
        std::string list;
        for (;;) {
          list.push_back(c);
          if (c == '.') return list;
          if (list.size() >= kFieldListBuffer) Fail(frame::error::kFormatFieldListBad);
          c = read(++i, frame::error::kFormatFieldListBad);
          if (!IsFormatTableChar(c)) Fail(frame::error::kFormatFieldListBad);
        }
      }
    } else if (c == 'X') {
      Fail(frame::error::kNoFormatForFile);
    }
    c = read(++i, frame::error::kFormatTableBadBetweenEntries);
    // The end mark is the one letter outside the character set.
    if (c != 'X' && !IsFormatTableChar(c)) Fail(frame::error::kFormatTableBadBetweenEntries);
  }
}

FieldSpec FieldSpecReader::NextFieldSpec() {
  if (pendingRepeats_ > 0) {
    --pendingRepeats_;
    return repeated_;
  }
  FieldSpec spec;
  if (pos_ >= list_.size() || list_[pos_] == '.') return spec;  // the end
  auto invalid = [&spec](char kind) {
    spec.kind = kind;
    spec.valid = false;
    return spec;
  };
  char first = list_[pos_];
  int repeat = 1;
  if (IsDigit(first)) {
    repeat = 0;
    int digits = 0;
    while (pos_ < list_.size() && IsDigit(list_[pos_]) && digits < 3) {
      repeat = repeat * 10 + (list_[pos_++] - '0');
      ++digits;
    }
    if (repeat == 0) return invalid(first);
  }
  if (pos_ >= list_.size()) return invalid(first);
  char kind = list_[pos_++];
  if (!IsWalkedKind(kind)) {
    // A repeat count in front of no kind is reported at its first digit.
    return invalid(repeat == 1 && !IsDigit(first) ? kind : first);
  }
  spec.kind = kind;
  if (kind == 'B') {
    spec.width = 1;
    spec.groupsAt = pos_;
    std::size_t plus = list_.find('+', pos_);
    pos_ = plus == std::string_view::npos ? list_.size() : plus + 1;
  } else {
    int width = 0;
    int digits = 0;
    while (pos_ < list_.size() && IsDigit(list_[pos_]) && digits < 2) {
      width = width * 10 + (list_[pos_++] - '0');
      ++digits;
    }
    if (digits == 0 || pos_ >= list_.size() || list_[pos_] != '+') return invalid(kind);
    ++pos_;
    // S keeps a sign byte and a closing byte; every kind needs a byte.
    if (width < (kind == 'S' ? 2 : 1)) return invalid(kind);
    spec.width = width;
  }
  if (repeat > 1) {
    repeated_ = spec;
    pendingRepeats_ = repeat - 1;
  }
  return spec;
}

BitGroupError ReadBitGroups(std::string_view list, std::size_t at, bool sending,
                            std::vector<BitGroup>* groups) {
  groups->clear();
  if (at >= list.size() || list[at] != '(') return BitGroupError::kNoParenthesis;
  std::size_t i = at + 1;
  if (i >= list.size() || list[i] < '0' || list[i] > '7') return BitGroupError::kBadFirst;
  BitGroup group;
  int lowest = 8;
  for (; i < list.size(); ++i) {
    char c = list[i];
    if (c >= '0' && c <= '7') {
      int bit = c - '0';
      group.mask = static_cast<std::uint8_t>(group.mask | (1u << bit));
      ++group.bitCount;
      if (bit < lowest) lowest = bit;
      continue;
    }
    if (c != ',' && c != ')') return BitGroupError::kBadCharacter;
    if (group.bitCount == 0) return BitGroupError::kBadCharacter;
    if (c == ',' && sending && (group.mask & 1u)) return BitGroupError::kBitZeroNotLast;
    group.shift = lowest;
    groups->push_back(group);
    if (c == ')') return BitGroupError::kNone;
    group = BitGroup();
    lowest = 8;
  }
  return BitGroupError::kBadCharacter;  // the list ran out before its ")"
}

std::vector<ListedField> ListFields(std::string_view fieldList, bool sending) {
  std::vector<ListedField> fields;
  FieldSpecReader reader(fieldList);
  for (;;) {
    FieldSpec spec = reader.NextFieldSpec();
    if (spec.valid && spec.kind == '.') return fields;
    ListedField field;
    field.spec = spec;
    if (spec.valid && spec.kind == 'B') {
      field.groupError = ReadBitGroups(fieldList, spec.groupsAt, sending, &field.groups);
    }
    fields.push_back(std::move(field));
    if (!spec.valid) return fields;
  }
}

}  // namespace tarvik::convert
