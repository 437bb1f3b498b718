#include "fleet/summary.h"

#include "fleet/fields.h"

#include <charconv>
#include <cstdio>
#include <fstream>

namespace tarvik::fleet {
namespace {

const char* const kColumns[] = {"name",  "connection", "result",     "attempts",      "exit_code",
                                "err",   "error_txt",  "error_code", "error_subcode", "error_text",
                                "start", "duration_s", "data_files", "message"};
constexpr std::size_t kColumnCount = std::size(kColumns);

std::string CsvField(const std::string& text) {
  if (text.find_first_of(";\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Duration(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

std::string DataFilesField(const std::vector<DataFileCount>& files) {
  std::string text;
  for (const DataFileCount& f : files) {
    if (!text.empty()) text += '|';
    text += f.name + ":" + std::to_string(f.lines);
  }
  return text;
}

std::vector<std::string> Fields(const SummaryRow& r) {
  return {r.name,
          r.connection,
          r.result,
          std::to_string(r.attempts),
          r.exitCode,
          r.err,
          r.errorTxt,
          r.errorCode ? std::to_string(*r.errorCode) : "",
          r.errorSubcode ? std::to_string(*r.errorSubcode) : "",
          r.errorText,
          r.start,
          r.durationSeconds ? Duration(*r.durationSeconds) : "",
          DataFilesField(r.dataFiles),
          r.message};
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

template <typename T>
std::string JsonOptional(const std::optional<T>& value) {
  if (!value) return "null";
  if constexpr (std::is_same_v<T, double>) return Duration(*value);
  return std::to_string(*value);
}

std::optional<int> ParseInt(const std::string& text, int number, const char* column) {
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size())
    throw SummaryError("line " + std::to_string(number) + ": " + column + " \"" + text +
                       "\" is not a number");
  return value;
}

}  // namespace

std::string SummaryCsv(const std::vector<SummaryRow>& rows) {
  std::string text;
  for (std::size_t i = 0; i < kColumnCount; ++i) {
    if (i) text += ';';
    text += kColumns[i];
  }
  text += "\r\n";
  for (const SummaryRow& row : rows) {
    std::vector<std::string> fields = Fields(row);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) text += ';';
      text += CsvField(fields[i]);
    }
    text += "\r\n";
  }
  return text;
}

std::string SummaryJson(const std::vector<SummaryRow>& rows) {
  std::string text = "[";
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const SummaryRow& r = rows[n];
    text += n ? ",\n  {" : "\n  {";
    std::optional<int> exitNumber;
    try {
      exitNumber = ParseInt(r.exitCode, 0, "");
    } catch (const SummaryError&) {
    }
    text += "\"name\": " + JsonString(r.name);
    text += ", \"connection\": " + JsonString(r.connection);
    text += ", \"result\": " + JsonString(r.result);
    text += ", \"attempts\": " + std::to_string(r.attempts);
    text += ", \"exit_code\": " + (exitNumber           ? std::to_string(*exitNumber)
                                   : r.exitCode.empty() ? std::string("null")
                                                        : JsonString(r.exitCode));
    text += ", \"err\": " + JsonString(r.err);
    text += ", \"error_txt\": " + JsonString(r.errorTxt);
    text += ", \"error_code\": " + JsonOptional(r.errorCode);
    text += ", \"error_subcode\": " + JsonOptional(r.errorSubcode);
    text += ", \"error_text\": " + JsonString(r.errorText);
    text += ", \"start\": " + (r.start.empty() ? std::string("null") : JsonString(r.start));
    text += ", \"duration_s\": " + JsonOptional(r.durationSeconds);
    text += ", \"data_files\": [";
    for (std::size_t k = 0; k < r.dataFiles.size(); ++k) {
      if (k) text += ", ";
      text += "{\"name\": " + JsonString(r.dataFiles[k].name) +
              ", \"lines\": " + std::to_string(r.dataFiles[k].lines) + "}";
    }
    text += "], \"message\": " + JsonString(r.message) + "}";
  }
  return text + (rows.empty() ? "]\n" : "\n]\n");
}

std::vector<SummaryRow> ParseSummaryCsv(std::string_view text) {
  std::vector<SummaryRow> rows;
  int number = 0;
  bool header = true;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(at, end - at));
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::vector<std::string> f;
    try {
      f = SplitFields(line);
    } catch (const std::invalid_argument& e) {
      throw SummaryError("line " + std::to_string(number) + ": " + e.what());
    }
    if (f.size() != kColumnCount)
      throw SummaryError("line " + std::to_string(number) + ": " + std::to_string(f.size()) +
                         " fields instead of " + std::to_string(kColumnCount));
    if (header) {
      for (std::size_t i = 0; i < kColumnCount; ++i) {
        if (f[i] != kColumns[i])
          throw SummaryError("line 1: column " + std::to_string(i + 1) + " is \"" + f[i] +
                             "\", not \"" + kColumns[i] + "\"");
      }
      header = false;
      continue;
    }
    SummaryRow r;
    r.name = f[0];
    r.connection = f[1];
    r.result = f[2];
    if (r.result != "ok" && r.result != "failed" && r.result != "timed out" &&
        r.result != "not run")
      throw SummaryError("line " + std::to_string(number) + ": unknown result \"" + r.result +
                         "\"");
    r.attempts = ParseInt(f[3], number, "attempts").value_or(0);
    r.exitCode = f[4];
    r.err = f[5];
    r.errorTxt = f[6];
    r.errorCode = ParseInt(f[7], number, "error_code");
    r.errorSubcode = ParseInt(f[8], number, "error_subcode");
    r.errorText = f[9];
    r.start = f[10];
    if (!f[11].empty()) {
      try {
        r.durationSeconds = std::stod(f[11]);
      } catch (const std::exception&) {
        throw SummaryError("line " + std::to_string(number) + ": duration_s \"" + f[11] +
                           "\" is not a number");
      }
    }
    for (std::size_t p = 0; p < f[12].size();) {
      std::size_t bar = f[12].find('|', p);
      if (bar == std::string::npos) bar = f[12].size();
      std::string item = f[12].substr(p, bar - p);
      p = bar + 1;
      std::size_t colon = item.rfind(':');
      if (colon == std::string::npos)
        throw SummaryError("line " + std::to_string(number) + ": data file \"" + item +
                           "\" without its line count");
      std::optional<int> lines = ParseInt(item.substr(colon + 1), number, "data file line count");
      r.dataFiles.push_back({item.substr(0, colon), static_cast<std::uint64_t>(lines.value_or(0))});
    }
    r.message = f[13];
    rows.push_back(std::move(r));
  }
  if (header) throw SummaryError("the file has no header line");
  return rows;
}

std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text) line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) throw SummaryError("cannot write " + temporary.string());
  }
  std::filesystem::rename(temporary, path);
}

}  // namespace tarvik::fleet
