#include "fleet/fields.h"

namespace tarvik::fleet {
namespace {

bool Blank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  for (;;) {
    std::string field;
    std::size_t start = i;
    while (i < line.size() && Blank(line[i])) ++i;
    auto fault = [&](const char* what) {
      return std::invalid_argument("field " + std::to_string(fields.size() + 1) + ": " + what);
    };
    if (i < line.size() && line[i] == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) throw fault("a quote that is never closed");
        if (line[i] != '"') {
          field += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
          field += line[++i];
        } else {
          break;
        }
      }
      ++i;
      while (i < line.size() && Blank(line[i])) ++i;
      if (i < line.size() && line[i] != ';') throw fault("text after its closing quote");
    } else {
      std::size_t end = line.find(';', start);
      if (end == std::string_view::npos) end = line.size();
      field = line.substr(start, end - start);
      i = end;
    }
    fields.push_back(std::move(field));
    if (i >= line.size()) return fields;
    ++i;  // the ";"
  }
}

}  // namespace tarvik::fleet
