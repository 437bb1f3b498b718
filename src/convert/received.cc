#include "convert/received.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "convert/format_table.h"
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/errors.h"

namespace tarvik::convert {
namespace {

using frame::Fail;

constexpr std::uint8_t kBlockTextFile = 0x24;
constexpr std::size_t kBlockTextLine = 18;

// Some field lists cover more bytes than the register sends for the file;
// what lies beyond the record reads as zero bytes.
std::uint8_t ByteAt(std::string_view record, std::size_t at) {
  return at < record.size() ? static_cast<std::uint8_t>(record[at]) : 0;
}

std::uint32_t UnsignedAt(std::string_view record, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int k = width - 1; k >= 0; --k) {
    value = (value << 8) | ByteAt(record, at + static_cast<std::size_t>(k));
  }
  return value;
}

// Numbers keep every digit: cutting them to the field width would hand a
// different number to the next send.
void AppendNumber(std::string* out, std::uint32_t value, int minDigits) {
  char text[16];
  int n = std::snprintf(text, sizeof text, "%0*u", minDigits, value);
  out->append(text, static_cast<std::size_t>(n));
}

void AppendTextChars(std::string* out, std::string_view record, std::size_t at, std::size_t count,
                     bool konverze) {
  for (std::size_t k = 0; k < count; ++k) {
    std::uint8_t c = ByteAt(record, at + k);
    if (c == 0) {
      c = ' ';
    } else if (konverze) {
      c = frame::RegisterToFile(c);
    }
    out->push_back(static_cast<char>(c));
  }
}

struct LineSettings {
  char separator;
  bool cislovani;
  bool konverze;
};

void AppendRecordLine(std::string* line, const std::vector<ListedField>& fields,
                      std::string_view record, const LineSettings& settings) {
  std::size_t at = 0;
  int fieldCounter = 1;
  int lFields = 0;
  bool endsWithSeparator = false;
  for (const ListedField& field : fields) {
    const FieldSpec& spec = field.spec;
    if (!spec.valid) Fail(frame::error::kReceiveFieldUnknown);
    const auto width = static_cast<std::size_t>(spec.width);
    endsWithSeparator = false;
    switch (spec.kind) {
      case 'H':
        if (spec.width > 4) Fail(frame::error::kHFieldTooWide);
        AppendNumber(line, UnsignedAt(record, at, spec.width), 4);
        at += width;
        break;
      case 'L':
        if (spec.width > 4) Fail(frame::error::kLFieldTooWide);
        if (!settings.cislovani && lFields == 0) {
          // The line's count stands for the number: no field, no separator.
          fieldCounter = 0;
        } else {
          AppendNumber(line, UnsignedAt(record, at, spec.width), 6);
        }
        ++lFields;
        at += width;
        break;
      case 'N':
        for (std::size_t k = 0; k < width; ++k) AppendNibbleText(line, ByteAt(record, at + k));
        at += width;
        break;
      case 'S':
        line->push_back(ByteAt(record, at) == 0x01 ? '-' : '+');
        for (std::size_t k = 1; k + 1 < width; ++k) AppendNibbleText(line, ByteAt(record, at + k));
        at += width;
        break;
      case 'Z': {
        std::uint8_t first = ByteAt(record, at);
        line->push_back((first >> 4) == 0 ? '+' : '-');
        line->push_back(static_cast<char>('0' + (first & 0x0F)));
        for (std::size_t k = 1; k < width; ++k) AppendNibbleText(line, ByteAt(record, at + k));
        at += width;
        break;
      }
      case 'T':
        line->push_back('"');
        AppendTextChars(line, record, at, width, settings.konverze);
        line->push_back('"');
        at += width;
        break;
      case 'B': {
        switch (field.groupError) {
          case BitGroupError::kNoParenthesis:
            Fail(frame::error::kReceiveBitGroupsWithoutParenthesis);
          case BitGroupError::kBadFirst:
            Fail(frame::error::kReceiveBitGroupsBadFirst);
          case BitGroupError::kBadCharacter:
            Fail(frame::error::kReceiveBitGroupsBadCharacter);
          case BitGroupError::kBitZeroNotLast:
          case BitGroupError::kNone:
            break;
        }
        std::uint8_t flags = ByteAt(record, at);
        for (const BitGroup& group : field.groups) {
          line->push_back(static_cast<char>('0' + ((flags & group.mask) >> group.shift)));
        }
        at += 1;
        break;
      }
      case 'P':
        at += 2 * width;
        break;
      default:
        Fail(frame::error::kReceiveFieldUnknown);
    }
    ++fieldCounter;
    if (fieldCounter != 1) {
      line->push_back(settings.separator);
      endsWithSeparator = true;
    }
  }
  // Only a separator is taken back: a record without fields (file 56) gives an
  // empty line, where stepping back in the file would eat the line end before.
  if (endsWithSeparator) line->pop_back();
  line->append("\r\n");
}

void ConvertBlockText(frame::Program& program, frame::ProgramFile& work, frame::ProgramFile& data) {
  const std::size_t recordLength = BlockLength(program, kBlockTextFile);
  const bool konverze = program.settings.konverze != 0;
  std::string text;
  WorkFileReader reader(work);
  std::string record;
  try {
    text.reserve(static_cast<std::size_t>(work.Size()));
    while (reader.ReadWorkRecord(&record)) {
      // The first two bytes are the record's number.
      for (std::size_t i = 2; i < recordLength; ++i) {
        text.push_back(static_cast<char>(ByteAt(record, i)));
      }
    }
  } catch (const std::bad_alloc&) {
    Fail(frame::error::kReceiveOutOfMemory);
  }
  std::string line;
  for (std::size_t at = 0; at < text.size(); at += kBlockTextLine) {
    line.clear();
    line.push_back('"');
    // The last line runs past the text: ByteAt gives zeros there, i.e. blanks.
    AppendTextChars(&line, text, at, kBlockTextLine, konverze);
    line.append("\"\r\n");
    data.Write(line);
  }
}

}  // namespace

void ConvertReceivedFile(frame::Program& program, frame::ProgramFile& work,
                         frame::ProgramFile& data) {
  ConvertReceivedRecords(program, SelectRecordFormat(program, program.command.fileNumber), work,
                         data);
}

void ConvertReceivedRecords(frame::Program& program, std::string_view fieldList,
                            frame::ProgramFile& work, frame::ProgramFile& data) {
  if (!fieldList.empty() && fieldList[0] == 'E') {
    ConvertBlockText(program, work, data);
    return;
  }
  const std::vector<ListedField> fields = ListFields(fieldList, /*sending=*/false);
  const LineSettings settings{program.settings.oddelovac, program.settings.cislovani != 0,
                              program.settings.konverze != 0};
  WorkFileReader reader(work);
  std::string record;
  std::string line;
  while (reader.ReadWorkRecord(&record)) {
    // A record cut by the end of the file ends there; its missing positions
    // read as zeros like those past any short record.
    line.clear();
    AppendRecordLine(&line, fields, record, settings);
    data.Write(line);
  }
}

void WriteTextLine(frame::ProgramFile& file, std::string_view text) {
  try {
    file.Write(text);
    file.Write("\r\n");
    file.Flush();
  } catch (const frame::JobFailure& failure) {
    if (failure.pair() == frame::error::kFileNotWritten)
      Refail(failure, frame::error::kDataNotWritten);
    if (failure.pair() == frame::error::kFileWrittenShort)
      Refail(failure, frame::error::kDataWrittenShort);
    throw;
  }
}

}  // namespace tarvik::convert
