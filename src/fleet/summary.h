// The fleet's result files: summary.csv (";"-separated, UTF-8, a header
// line) and summary.json (one array of objects with the same keys), one row
// per register in the fleet file's order. Both are replaced atomically.
//
// Columns: name; connection; result (ok, failed, timed out, not run);
// attempts; exit_code (a number, "signal N" when a signal ended the job, empty
// when it never ended); err and error_txt (the result files' contents, the
// line end dropped); error_code, error_subcode and error_text (from the log
// line of the failure); start (UTC, ISO 8601); duration_s; data_files (the
// data files the job wrote or changed, "NAME:LINES" joined by "|"); message
// (the job's last line on stderr).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::fleet {

struct DataFileCount {
  std::string name;
  std::uint64_t lines = 0;
  bool operator==(const DataFileCount&) const = default;
};

struct SummaryRow {
  std::string name;
  std::string connection;
  std::string result = "not run";
  int attempts = 0;
  std::string exitCode;
  std::string err;
  std::string errorTxt;
  std::optional<int> errorCode;
  std::optional<int> errorSubcode;
  std::string errorText;
  std::string start;
  std::optional<double> durationSeconds;
  std::vector<DataFileCount> dataFiles;
  std::string message;
  bool operator==(const SummaryRow&) const = default;
};

std::string SummaryCsv(const std::vector<SummaryRow>& rows);
std::string SummaryJson(const std::vector<SummaryRow>& rows);

class SummaryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a summary.csv back (for the registers that did not succeed, and for
// the rows of registers a run leaves out); SummaryError names the line at fault.
std::vector<SummaryRow> ParseSummaryCsv(std::string_view text);

// A file's text as one field: control characters (line ends included) become
// blanks, trailing ones are dropped.
std::string OneLine(std::string_view text);

// Writes `bytes` beside `path` and moves them over it; throws
// std::filesystem::filesystem_error or SummaryError on failure.
void ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tarvik::fleet
