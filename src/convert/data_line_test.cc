#include "convert/data_line.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvik::convert {
namespace {

// Each field as [text], with "|raw" where the raw field differs, "|Q" for a
// closed quoted field and "|q" for one without its closing quote.
std::string Fields(std::string_view line, char separator) {
  std::string out;
  for (const DataField& field : SplitDataLine(line, separator)) {
    out += "[" + std::string(field.text);
    if (field.raw != field.text) out += "|" + std::string(field.raw);
    if (field.quoted) out += field.closed ? "|Q" : "|q";
    out += "]";
  }
  return out;
}

TEST(DataLine, SplitsAtSeparatorsOutsideQuotes) {
  EXPECT_EQ(Fields("0005;1234", ';'), "[0005][1234]");
  EXPECT_EQ(Fields("a;;b;", ';'), "[a][][b][]");
  EXPECT_EQ(Fields("", ';'), "[]");
  EXPECT_EQ(Fields("a,b;c", ','), "[a][b;c]");
  // Quoted text keeps separators and loses its quotes.
  EXPECT_EQ(Fields("000123;\"A;B \";+0001", ';'), "[000123][A;B |\"A;B \"|Q][+0001]");
  // Characters after the closing quote stay in the raw field.
  EXPECT_EQ(Fields("\"AB\"x;y", ';'), "[AB|\"AB\"x|Q][y]");
  // A missing closing quote takes the rest of the line.
  EXPECT_EQ(Fields("1;\"AB;C", ';'), "[1][AB;C|\"AB;C|q]");
}

}  // namespace
}  // namespace tarvik::convert
