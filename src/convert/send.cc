#include "convert/send.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "convert/data_line.h"
#include "convert/format_table.h"
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/status.h"

namespace tarvik::convert {
namespace {

using frame::Fail;

constexpr std::uint8_t kNoFieldsFile = 0x56;
constexpr std::size_t kBlockTextLine = 18;
// Block text records are built only while more than 12 characters remain to
// be placed, so the blanks that fill the last line of a received text mostly
// do not come back as a record of their own.
constexpr std::size_t kBlockTextUnsentTail = 12;

// What a number field may hold: digits, blanks (read as 0) and ":" to "?",
// which received files write for the nibbles A to F. Any other character
// would reach the register as a different number.
bool IsNibbleCharacter(char c) {
  return c == ' ' || (c >= '0' && c <= '?');
}

// A character for a failure message: itself when printable, else its code.
std::string Shown(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F) return frame::Format("0x%02X", byte);
  return "\"" + std::string(1, c) + "\"";
}

[[noreturn]] void FailNotDigit(char c, frame::ErrorPair notDigit) {
  Fail(notDigit, 0, Shown(c) + frame::W(" není číslice, mezera ani znak : ; < = > ?"));
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The decimal number a text starts with, after blanks and an optional sign;
// no digits give 0. Saturates far above any field's range.
std::int64_t LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < (std::int64_t{1} << 40)) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

// n bytes, least significant first; a number that does not fit is refused
// rather than cut to a different one.
void PutUnsigned(std::string* out, std::int64_t value, int width) {
  if (value < 0 || value >= (std::int64_t{1} << (8 * width))) Fail(frame::error::kNumberDoesNotFit);
  for (int k = 0; k < width; ++k) out->push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
}

// Right-aligned digit characters, zero-filled on the left to `places`, packed
// two to a byte.
void PutPacked(std::string* out, std::string_view digits, std::size_t places) {
  std::string all(places - digits.size(), '0');
  all.append(digits);
  for (std::size_t k = 0; k + 1 < all.size(); k += 2) {
    out->push_back(static_cast<char>(PackNibbles(all[k], all[k + 1])));
  }
}

void PutText(std::string* out, std::string_view text, std::size_t width, bool konverze) {
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    out->push_back(static_cast<char>(konverze ? frame::FileToRegister(byte) : byte));
  }
  out->append(width - text.size(), ' ');
}

// One data line being parsed: the line with a separator put behind its last
// field, so that every field ends at a separator.
class LineParser {
 public:
  LineParser(std::string_view line, char separator, bool cislovani, bool konverze,
             std::int64_t lineSequence)
      : separator_(separator),
        cislovani_(cislovani),
        konverze_(konverze),
        lineSequence_(lineSequence) {
    line_.reserve(line.size() + 1);
    line_.append(line);
    line_.push_back(separator);
  }

  void Parse(const std::vector<ListedField>& fields, std::string* out) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const int fieldNumber = fieldNumber_;
      try {
        ParseField(fields, f, out);
      } catch (frame::JobFailure& failure) {
        failure.AddOuterContext(frame::Format("pole %d", fieldNumber));
        throw;
      }
    }
  }

 private:
  void ParseField(const std::vector<ListedField>& fields, std::size_t f, std::string* out) {
    const ListedField& field = fields[f];
    const FieldSpec& spec = field.spec;
    if (!spec.valid) Fail(frame::error::kSendFieldUnknown);
    const auto width = static_cast<std::size_t>(spec.width);
    switch (spec.kind) {
      case 'H': {
        if (spec.width > 4) Fail(frame::error::kHFieldTooWide);
        std::int64_t value = LeadingNumber(TakeField(frame::error::kLineWithoutHNumber));
        // Only the record number keeps the lines in order; a second H
        // field is data.
        if (f == 0 && value < lineSequence_) Fail(frame::error::kRecordNumberBackwards);
        PutUnsigned(out, value, spec.width);
        break;
      }
      case 'L':
        if (spec.width > 4) Fail(frame::error::kLFieldTooWide);
        PutUnsigned(out,
                    cislovani_ ? LeadingNumber(TakeField(frame::error::kLineWithoutLNumber))
                               : lineSequence_,
                    spec.width);
        break;
      case 'N':
        PutPacked(out,
                  TakeDigits(2 * width, frame::error::kNFieldBad, frame::error::kNFieldNotDigit),
                  2 * width);
        break;
      case 'S': {
        bool negative = TakeSign(frame::error::kSFieldBad);
        out->push_back(negative ? '\x01' : '\x00');
        PutPacked(
            out, TakeDigits(2 * width - 4, frame::error::kSFieldBad, frame::error::kSFieldNotDigit),
            2 * width - 4);
        out->push_back('\x00');
        break;
      }
      case 'Z': {
        bool negative = TakeSign(frame::error::kZFieldBad);
        char digit = '0';
        if (pos_ < line_.size() && line_[pos_] != separator_) digit = line_[pos_++];
        if (!IsNibbleCharacter(digit)) FailNotDigit(digit, frame::error::kZFieldNotDigit);
        out->push_back(static_cast<char>((negative ? 0x80 : 0x00) |
                                         (static_cast<unsigned char>(digit) & 0x0F)));
        PutPacked(
            out, TakeDigits(2 * width - 2, frame::error::kZFieldBad, frame::error::kZFieldNotDigit),
            2 * width - 2);
        break;
      }
      case 'T':
        PutText(out, TakeText(width), width, konverze_);
        break;
      case 'B':
        out->push_back(static_cast<char>(TakeBitGroups(field)));
        break;
      case 'P':
        out->append(2 * width, '0');
        break;
      default:
        Fail(frame::error::kSendFieldUnknown);
    }
  }

  // The text up to the next separator, which is consumed. A field that starts
  // behind the line's last separator is missing: the given error.
  std::string_view TakeField(frame::ErrorPair missing) {
    if (pos_ >= line_.size()) Fail(missing);
    std::size_t end = line_.find(separator_, pos_);
    std::string_view field(line_.data() + pos_, end - pos_);
    pos_ = end + 1;
    ++fieldNumber_;
    return field;
  }

  std::string_view TakeDigits(std::size_t places, frame::ErrorPair bad, frame::ErrorPair notDigit) {
    std::string_view digits = TakeField(bad);
    if (digits.size() > places) {
      Fail(bad, 0,
           frame::W(frame::Format("%u znaků místo nejvýše %u", static_cast<unsigned>(digits.size()),
                                  static_cast<unsigned>(places))));
    }
    for (char c : digits) {
      if (!IsNibbleCharacter(c)) FailNotDigit(c, notDigit);
    }
    return digits;
  }

  // The sign character of S and Z. A separator in its place is an empty
  // field (+0): taking it as the sign would pull the next field in.
  bool TakeSign(frame::ErrorPair missing) {
    if (pos_ >= line_.size()) Fail(missing);
    char sign = line_[pos_];
    if (sign == separator_) return false;
    ++pos_;
    return sign == '-';
  }

  std::string_view TakeText(std::size_t width) {
    if (pos_ >= line_.size()) Fail(frame::error::kTextFieldBad);
    // The separator put behind the line is no character of the line.
    const std::size_t lineEnd = line_.size() - 1;
    if (pos_ < lineEnd && line_[pos_] == '"') {
      std::size_t start = pos_ + 1;
      std::size_t close = line_.find('"', start);
      if (close == std::string::npos || close >= lineEnd) {
        // No closing quote: the text runs into the end of the line.
        Fail(frame::error::kQuotedTextBad);
      }
      if (close - start > width) Fail(frame::error::kQuotedTextBad);
      if (line_[close + 1] != separator_) Fail(frame::error::kQuotedTextNotFollowed);
      pos_ = close + 2;
      ++fieldNumber_;
      return std::string_view(line_.data() + start, close - start);
    }
    std::size_t end = line_.find(separator_, pos_);
    if (end - pos_ > width) Fail(frame::error::kTextFieldBad);
    std::string_view text(line_.data() + pos_, end - pos_);
    pos_ = end + 1;
    ++fieldNumber_;
    return text;
  }

  std::uint8_t TakeBitGroups(const ListedField& field) {
    switch (field.groupError) {
      case BitGroupError::kNoParenthesis:
        Fail(frame::error::kSendBitGroupsWithoutParenthesis);
      case BitGroupError::kBadFirst:
        Fail(frame::error::kSendBitGroupsBadFirst);
      case BitGroupError::kBitZeroNotLast:
        Fail(frame::error::kSendBitGroupsBitZeroNotLast);
      case BitGroupError::kBadCharacter:
        Fail(frame::error::kSendBitGroupsBadCharacter);
      case BitGroupError::kNone:
        break;
    }
    std::uint8_t flags = 0;
    for (const BitGroup& group : field.groups) {
      // The separator behind the digits stays for whatever may follow.
      char digit = '0';
      if (pos_ < line_.size() && line_[pos_] != separator_) digit = line_[pos_++];
      auto value =
          static_cast<unsigned>(static_cast<unsigned char>(digit)) & ((1u << group.bitCount) - 1);
      flags = static_cast<std::uint8_t>(flags | (value << group.shift));
    }
    return flags;
  }

  std::string line_;
  std::size_t pos_ = 0;
  int fieldNumber_ = 1;  // of the line's field that starts at pos_
  char separator_;
  bool cislovani_;
  bool konverze_;
  std::int64_t lineSequence_;
};

// Where a fault of a data file is: "datový soubor PATH, řádek N".
std::string DataLineContext(const frame::ProgramFile& data, int lineNumber) {
  return frame::W(frame::Format("datový soubor %s, řádek %d", data.path().c_str(), lineNumber));
}

void WriteRecord(frame::ProgramFile& work, std::string_view record, std::string* pairs) {
  pairs->clear();
  AppendWorkRecord(pairs, record);
  work.Write(*pairs);
}

void BuildBlockText(frame::Program& program, frame::ProgramFile& data, frame::ProgramFile& work,
                    std::size_t recordLength) {
  if (recordLength <= 2) Fail(frame::error::kRecordForBlocklessFile);
  const bool konverze = program.settings.konverze != 0;
  std::string text;
  std::string line;
  int lineNumber = 0;
  try {
    text.reserve(2 * static_cast<std::size_t>(data.Size()));
    while (data.ReadLine(&line, kDataLineMaxChars)) {
      ++lineNumber;
      if (line.empty()) continue;
      std::size_t open = line.find('"');
      if (open == std::string::npos)
        Fail(frame::error::kBlockTextWithoutQuote, 0, DataLineContext(data, lineNumber));
      std::size_t close = line.find('"', open + 1);
      // A missing closing quote is a text that never ends.
      if (close == std::string::npos || close - open - 1 > kBlockTextLine) {
        Fail(frame::error::kBlockTextTooLong, 0, DataLineContext(data, lineNumber));
      }
      PutText(&text, std::string_view(line).substr(open + 1, close - open - 1), kBlockTextLine,
              konverze);
    }
  } catch (const std::bad_alloc&) {
    Fail(frame::error::kSendOutOfMemory);
  }
  std::string record;
  std::string pairs;
  const std::size_t perRecord = recordLength - 2;
  std::int64_t number = 1;
  for (std::size_t placed = 0; placed + kBlockTextUnsentTail < text.size(); placed += perRecord) {
    record.clear();
    PutUnsigned(&record, number++, 2);
    record.append(text, placed, perRecord);
    record.resize(recordLength, '\0');
    WriteRecord(work, record, &pairs);
  }
}

}  // namespace

void BuildSendFile(frame::Program& program) {
  const std::uint8_t fileNumber = program.command.fileNumber;
  const std::string fieldList = SelectRecordFormat(program, fileNumber);
  if (fileNumber == kNoFieldsFile) {
    frame::ProgramFile::Open(program, kSendWorkFile, frame::OpenMode::kCreate).Close();
    return;
  }
  BuildSendRecords(program, fieldList, BlockLength(program, fileNumber));
}

void BuildSendRecords(frame::Program& program, std::string_view fieldList,
                      std::uint32_t blockLength) {
  const std::size_t recordLength = blockLength;
  frame::ProgramFile work =
      frame::ProgramFile::Open(program, kSendWorkFile, frame::OpenMode::kCreate);
  frame::ProgramFile data =
      frame::ProgramFile::Open(program, program.command.dataFileName, frame::OpenMode::kRead);
  if (!fieldList.empty() && fieldList[0] == 'E') {
    BuildBlockText(program, data, work, recordLength);
  } else {
    const std::vector<ListedField> fields = ListFields(fieldList, /*sending=*/true);
    const char separator = program.settings.oddelovac;
    const bool cislovani = program.settings.cislovani != 0;
    const bool konverze = program.settings.konverze != 0;
    std::int64_t lineSequence = 0;
    int lineNumber = 0;
    std::string line;
    std::string record;
    std::string pairs;
    while (data.ReadLine(&line, kDataLineMaxChars)) {
      ++lineNumber;
      if (line.empty() || line.starts_with("//")) continue;
      // Without a block length the link would refuse the records only after
      // connecting, or send nothing and report success.
      if (recordLength == 0) Fail(frame::error::kRecordForBlocklessFile);
      ++lineSequence;
      record.clear();
      try {
        LineParser(line, separator, cislovani, konverze, lineSequence).Parse(fields, &record);
      } catch (frame::JobFailure& failure) {
        failure.AddOuterContext(DataLineContext(data, lineNumber));
        throw;
      }
      record.resize(recordLength, '\0');
      WriteRecord(work, record, &pairs);
    }
  }
  data.Close();
  work.Close();
}

}  // namespace tarvik::convert
