#include "fleet/summary.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tarvik::fleet {
namespace {

const std::string kHeader =
    "name;connection;result;attempts;exit_code;err;error_txt;error_code;error_subcode;"
    "error_text;start;duration_s;data_files;message";

std::vector<SummaryRow> SampleRows() {
  SummaryRow ok;
  ok.name = "shop01";
  ok.connection = "127.0.0.1,01,650,S1";
  ok.result = "ok";
  ok.attempts = 1;
  ok.exitCode = "0";
  ok.err = "0";
  ok.errorTxt = "151";
  ok.start = "2026-12-07T01:02:03Z";
  ok.durationSeconds = 2.24;
  ok.dataFiles = {{"P_PLU.dat", 1000}, {"D10.dat", 2}};
  SummaryRow failed;
  failed.name = "shop02";
  failed.connection = "01,3,7,8,O,650,Žďár";
  failed.result = "failed";
  failed.attempts = 3;
  failed.exitCode = "1";
  failed.err = "2";
  failed.errorTxt = "9";
  failed.errorCode = 38;
  failed.errorSubcode = 1;
  failed.errorText = "Pokladna se nehlasi";
  failed.start = "2026-12-07T01:02:04Z";
  failed.durationSeconds = 31.0;
  failed.message = "Komunikace Tarvik: \"quoted\"; with a separator \\ and a tab\t";
  SummaryRow notRun;
  notRun.name = "shop03";
  notRun.connection = "127.0.0.3,01,650,S3";
  SummaryRow killed = failed;
  killed.name = "shop04";
  killed.result = "timed out";
  killed.exitCode = "signal 9";
  killed.errorCode.reset();
  killed.errorSubcode.reset();
  return {ok, failed, notRun, killed};
}

TEST(Summary, CsvHasAHeaderAndQuotesOnlyWhatNeedsIt) {
  std::string csv = SummaryCsv(SampleRows());
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")), kHeader);
  EXPECT_NE(csv.find("\r\nshop01;127.0.0.1,01,650,S1;ok;1;0;0;151;;;;2026-12-07T01:02:03Z;2.2;"
                     "P_PLU.dat:1000|D10.dat:2;\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("shop02;01,3,7,8,O,650,Žďár;failed;3;1;2;9;38;1;Pokladna se nehlasi;"
                     "2026-12-07T01:02:04Z;31.0;;\"Komunikace Tarvik: \"\"quoted\"\"; with a "
                     "separator \\ and a tab\t\"\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\nshop03;127.0.0.3,01,650,S3;not run;0;;;;;;;;;;\r\n"), std::string::npos);
}

TEST(Summary, CsvReadsBackToTheSameRows) {
  std::vector<SummaryRow> rows = SampleRows();
  rows[0].durationSeconds = 2.5;  // one decimal survives the trip
  EXPECT_EQ(ParseSummaryCsv(SummaryCsv(rows)), rows);
  EXPECT_TRUE(ParseSummaryCsv(SummaryCsv({})).empty());
}

TEST(Summary, JsonIsOneArrayWithTypedValues) {
  std::string json = SummaryJson(SampleRows());
  EXPECT_EQ(json.front(), '[');
  EXPECT_EQ(json.substr(json.size() - 2), "]\n");
  EXPECT_NE(
      json.find("{\"name\": \"shop01\", \"connection\": \"127.0.0.1,01,650,S1\", "
                "\"result\": \"ok\", \"attempts\": 1, \"exit_code\": 0, \"err\": \"0\", "
                "\"error_txt\": \"151\", \"error_code\": null, \"error_subcode\": null, "
                "\"error_text\": \"\", \"start\": \"2026-12-07T01:02:03Z\", "
                "\"duration_s\": 2.2, \"data_files\": [{\"name\": \"P_PLU.dat\", "
                "\"lines\": 1000}, {\"name\": \"D10.dat\", \"lines\": 2}], \"message\": \"\"}"),
      std::string::npos)
      << json;
  EXPECT_NE(json.find("\"message\": \"Komunikace Tarvik: \\\"quoted\\\"; with a separator \\\\ "
                      "and a tab\\u0009\"}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"result\": \"not run\", \"attempts\": 0, \"exit_code\": null"),
            std::string::npos);
  EXPECT_NE(json.find("\"exit_code\": \"signal 9\""), std::string::npos);
  EXPECT_EQ(SummaryJson({}), "[]\n");
}

TEST(Summary, ABrokenCsvNamesItsLine) {
  const std::string header = kHeader + "\r\n";
  struct Case {
    std::string text;
    std::string reason;
  };
  const Case cases[] = {
      {"", "the file has no header line"},
      {"name;result\r\n", "line 1: 2 fields instead of 14"},
      {"Name;connection;result;attempts;exit_code;err;error_txt;error_code;error_subcode;"
       "error_text;start;duration_s;data_files;message\r\n",
       "line 1: column 1 is \"Name\", not \"name\""},
      {header + "a;c;maybe;1;;;;;;;;;;\r\n", "line 2: unknown result \"maybe\""},
      {header + "a;c;ok;one;;;;;;;;;;\r\n", "line 2: attempts \"one\" is not a number"},
      {header + "a;c;ok;1;;;;;;;;;P.dat;\r\n",
       "line 2: data file \"P.dat\" without its line count"},
      {header + "a;\"c;ok;1;;;;;;;;;;\r\n", "line 2: field 2: a quote that is never closed"},
  };
  for (const Case& c : cases) {
    try {
      ParseSummaryCsv(c.text);
      ADD_FAILURE() << c.text;
    } catch (const SummaryError& e) {
      EXPECT_EQ(std::string(e.what()), c.reason);
    }
  }
}

TEST(Summary, ReplaceFileLeavesNoTemporaryBehind) {
  auto dir = testing::MakeTempDirectory("summary");
  ReplaceFile(dir / "summary.csv", "first");
  ReplaceFile(dir / "summary.csv", "second");
  EXPECT_EQ(testing::ReadBinary(dir / "summary.csv"), "second");
  EXPECT_FALSE(std::filesystem::exists(dir / "summary.csv.tmp"));
  EXPECT_ANY_THROW(ReplaceFile(dir / "missing" / "summary.csv", "x"));
  std::filesystem::remove_all(dir);
}

TEST(Summary, OneLineTurnsControlCharactersIntoBlanks) {
  EXPECT_EQ(OneLine("151\r\n"), "151");
  EXPECT_EQ(OneLine("a\r\nb\tc\x01"), "a  b c");
}

}  // namespace
}  // namespace tarvik::fleet
