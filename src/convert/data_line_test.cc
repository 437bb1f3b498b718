#include "convert/data_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvik::convert {
namespace {

std::vector<std::string> Texts(std::string_view line, char separator) {
  std::vector<std::string> texts;
  for (const DataField& field : SplitDataLine(line, separator)) texts.emplace_back(field.text);
  return texts;
}

TEST(DataLine, SplitsAtTheSeparatorAndKeepsEmptyFields) {
  EXPECT_EQ(Texts("0005;1234", ';'), (std::vector<std::string>{"0005", "1234"}));
  EXPECT_EQ(Texts("a;;b;", ';'), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(Texts("", ';'), (std::vector<std::string>{""}));
  EXPECT_EQ(Texts("a,b;c", ','), (std::vector<std::string>{"a", "b;c"}));
}

TEST(DataLine, QuotedTextKeepsSeparatorsAndLosesItsQuotes) {
  auto fields = SplitDataLine("000123;\"A;B \";+0001", ';');
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].text, "000123");
  EXPECT_FALSE(fields[0].quoted);
  EXPECT_EQ(fields[1].text, "A;B ");
  EXPECT_EQ(fields[1].raw, "\"A;B \"");
  EXPECT_TRUE(fields[1].quoted);
  EXPECT_TRUE(fields[1].closed);
  EXPECT_EQ(fields[2].text, "+0001");
}

TEST(DataLine, CharactersAfterTheClosingQuoteStayInTheRawField) {
  auto fields = SplitDataLine("\"AB\"x;y", ';');
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].text, "AB");
  EXPECT_EQ(fields[0].raw, "\"AB\"x");
  EXPECT_EQ(fields[1].text, "y");
}

TEST(DataLine, MissingClosingQuoteTakesTheRestOfTheLine) {
  auto fields = SplitDataLine("1;\"AB;C", ';');
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[1].text, "AB;C");
  EXPECT_TRUE(fields[1].quoted);
  EXPECT_FALSE(fields[1].closed);
}

}  // namespace
}  // namespace tarvik::convert
