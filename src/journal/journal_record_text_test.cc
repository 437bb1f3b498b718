#include "journal/journal_record_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tarvik::journal {
namespace {

using testing::FromHex;

TEST(JournalRecordText, ParsesRecordsCommentsAndBlankLines) {
  std::vector<std::string> records;
  std::string error;
  ASSERT_TRUE(
      ParseJournalRecordText("# a sale and a total\r\n"
                             "00 01 05 0a FF\r\n"
                             "\n"
                             "   \t\n"
                             "000220  00 # the total\n"
                             "00 03 4b",
                             &records, &error))
      << error;
  EXPECT_EQ(records, (std::vector<std::string>{FromHex("00 01 05 0A FF"), FromHex("00 02 20 00"),
                                               FromHex("00 03 4B")}));
}

TEST(JournalRecordText, RejectsBadDigitsWithTheLineNumber) {
  std::vector<std::string> records;
  std::string error;
  EXPECT_FALSE(ParseJournalRecordText("00 01\n00 0g\n", &records, &error));
  EXPECT_EQ(error, "line 2: 'g' is not a hexadecimal digit");
  EXPECT_TRUE(records.empty());
  EXPECT_FALSE(ParseJournalRecordText("00 01\n\n00 0\n", &records, &error));
  EXPECT_EQ(error, "line 3: odd number of hexadecimal digits");
  EXPECT_TRUE(records.empty());
}

TEST(JournalRecordText, FormattedTextParsesBackToTheSameRecords) {
  std::vector<std::string> records = {FromHex("00 01 05 00 7F 80 FF"), FromHex("0A"),
                                      std::string("\0\0\x23", 3)};
  std::string text = FormatJournalRecordText(records);
  EXPECT_EQ(text, "00 01 05 00 7F 80 FF\n0A\n00 00 23\n");
  std::vector<std::string> parsed;
  std::string error;
  ASSERT_TRUE(ParseJournalRecordText(text, &parsed, &error)) << error;
  EXPECT_EQ(parsed, records);
}

}  // namespace
}  // namespace tarvik::journal
