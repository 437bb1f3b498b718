// Lines of text data files: one record per line, fields separated by the
// separator character (settings.oddelovac), texts between double quotes with
// no escape, so a separator inside quotes belongs to the text. Lines end with
// CR LF when written; a reader takes CR, LF or CR LF.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarvik::convert {

// The longest data line a reader takes (ProgramFile::ReadLine's limit; one
// more character is error 23/1).
inline constexpr std::size_t kDataLineMaxChars = 255;

struct DataField {
  // The field as it stands in the line, quotes included, without the
  // separator that ends it.
  std::string_view raw;
  // For a field that starts with a double quote: the characters between the
  // quotes (up to the line's end when the closing quote is missing);
  // otherwise the same as raw.
  std::string_view text;
  bool quoted = false;
  bool closed = true;  // false: a quoted field without its closing quote
};

// Splits a line (without its line end) into its fields. A field starting with
// a double quote runs to the closing quote and on to the next separator. A
// line of n separators outside quotes has n + 1 fields; an empty line has
// one empty field.
std::vector<DataField> SplitDataLine(std::string_view line, char separator);

}  // namespace tarvik::convert
