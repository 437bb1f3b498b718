#include "journal/journal_record_text.h"

namespace tarvik::journal {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseJournalRecordText(std::string_view text, std::vector<std::string>* records,
                            std::string* error) {
  records->clear();
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    if (std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    std::string record;
    int pending = -1;
    for (char c : line) {
      if (c == ' ' || c == '\t' || c == '\r') continue;
      int value = HexValue(c);
      if (value < 0) {
        *error = "line " + std::to_string(lineNumber) + ": '" + std::string(1, c) +
                 "' is not a hexadecimal digit";
        records->clear();
        return false;
      }
      if (pending < 0) {
        pending = value;
      } else {
        record += static_cast<char>(pending * 16 + value);
        pending = -1;
      }
    }
    if (pending >= 0) {
      *error = "line " + std::to_string(lineNumber) + ": odd number of hexadecimal digits";
      records->clear();
      return false;
    }
    if (!record.empty()) records->push_back(std::move(record));
  }
  return true;
}

std::string FormatJournalRecordText(const std::vector<std::string>& records) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const std::string& record : records) {
    for (std::size_t i = 0; i < record.size(); ++i) {
      auto b = static_cast<unsigned char>(record[i]);
      if (i) out += ' ';
      out += kDigits[b >> 4];
      out += kDigits[b & 15];
    }
    out += '\n';
  }
  return out;
}

}  // namespace tarvik::journal
