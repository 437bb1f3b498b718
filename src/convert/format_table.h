// The record format table: for every register file number, the fields of one
// record in order, their kind and their width in bytes. Both converters are
// driven by it. Beside it, the block-length table: the data-frame body length
// per file number, i.e. the size of one record on the link.
//
// Table text: entries, then the end mark "X". An entry is "F:", two decimal
// digits read as a hexadecimal file number ("10" is file 0x10), blanks, a
// field list and the "." that closes it. A field list is a sequence of field
// specifications, each followed by "+":
//   <kind><width>   kind H L N S Z T P, width one or two decimal digits
//   B(<groups>)     a bit-flag byte, groups of bit numbers separated by ","
//   <count><spec>   a decimal repeat count: "45H1+" is 45 fields "H1"
// The list "E" alone (file 24) is block text; the empty list (file 56) means
// records without fields.
//
// Field kinds, register record (n bytes) <-> data-file text:
//   Hn  unsigned, least significant byte first <-> at least four digits
//   Ln  unsigned sequence number, as H <-> six digits, only with cislovani on
//   Nn  packed BCD, high nibble first <-> 2n digits
//   Sn  sign byte (0x01 negative), BCD in bytes 2..n-1, a zero byte
//       <-> "+" or "-" and 2n-4 digits
//   Zn  BCD whose first nibble is the sign (8 when written negative)
//       <-> "+" or "-" and 2n-1 digits
//   Tn  n characters, a zero byte is a blank <-> the n characters in quotes
//   Pn  2n filler bytes <-> an empty field
//   B(...) one byte <-> one digit per group, no separators between them
// Digits are nibbles added to "0", so the nibbles 10 to 15 read ":" to "?".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frame/program.h"

namespace tarvik::convert {

// The built-in table texts, "F:01 ..." through "F:92 ..." then " X ".
std::string_view RecordFormatTable(bool variant);
// Body lengths indexed by file number; 0 where the link moves no records.
const std::array<std::uint32_t, 256>& BlockLengthTable(bool variant);

// Models "39T", "362" and "396" use the variant tables, every other model the
// default ones. Called for every job once its connection line is known.
void SelectModelFormatTables(frame::Program& program, const std::string& modelText);
std::uint32_t BlockLength(const frame::Program& program, std::uint8_t fileNumber);

// The field list of `fileNumber` in the job's table, up to and including its
// closing ".". Failures: 55/3..10 for a malformed table, 56/1 when the table
// has no entry for the number.
std::string SelectRecordFormat(const frame::Program& program, std::uint8_t fileNumber);
// The same search over any table text (a built-in one or, in tests, another).
std::string FindFieldList(std::string_view tableText, std::uint8_t fileNumber);
// The characters a table may hold besides "F:" and "X".
bool IsFormatTableChar(char c);

// One field specification of a field list.
struct FieldSpec {
  char kind = '.';           // H L N S Z T P B; '.' ends the list
  bool valid = true;         // false: the text at this place is no field specification
  int width = 0;             // bytes of the field (B: 1; P covers 2 * width bytes)
  std::size_t groupsAt = 0;  // B: where its "(" should stand in the list
};

// Walks a field list one field spec at a time (NextFieldSpec), expanding
// repeat counts. Never reads outside the list; the end of the text ends the
// list like a ".".
class FieldSpecReader {
 public:
  explicit FieldSpecReader(std::string_view fieldList) : list_(fieldList) {}
  FieldSpec NextFieldSpec();

 private:
  std::string_view list_;
  std::size_t pos_ = 0;
  int pendingRepeats_ = 0;
  FieldSpec repeated_;
};

// A bit group: its bits in the byte and the shift of its lowest bit.
struct BitGroup {
  std::uint8_t mask = 0;
  int shift = 0;
  int bitCount = 0;
};

enum class BitGroupError {
  kNone,
  kNoParenthesis,  // no "(" where the list should start
  kBadFirst,       // the first list character is not a bit number 0 to 7
  kBadCharacter,   // anything else out of place, also an empty group or a missing ")"
  kBitZeroNotLast  // a group holding bit 0 followed by "," (an error only when sending)
};

// Reads the bit-group list whose "(" should stand at `at`. The error is the
// first fault met in reading order for the given direction.
BitGroupError ReadBitGroups(std::string_view fieldList, std::size_t at, bool sending,
                            std::vector<BitGroup>* groups);

// A field list walked to its end (or to its first field spec that is
// none, which is kept as the last entry), with the bit groups of B fields
// read for the given direction. Faults stay with their field, so a converter
// reports them only when it reaches that field.
struct ListedField {
  FieldSpec spec;
  std::vector<BitGroup> groups;
  BitGroupError groupError = BitGroupError::kNone;
};
std::vector<ListedField> ListFields(std::string_view fieldList, bool sending);

// A byte as two characters, each nibble added to "0", high nibble first.
inline void AppendNibbleText(std::string* out, std::uint8_t byte) {
  out->push_back(static_cast<char>('0' + (byte >> 4)));
  out->push_back(static_cast<char>('0' + (byte & 0x0F)));
}
// Two characters as one byte from their low nibbles, the first one high.
inline std::uint8_t PackNibbles(char high, char low) {
  return static_cast<std::uint8_t>(((static_cast<unsigned char>(high) & 0x0F) << 4) |
                                   (static_cast<unsigned char>(low) & 0x0F));
}

}  // namespace tarvik::convert
