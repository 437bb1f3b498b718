#include "convert/data_line.h"

namespace tarvik::convert {

std::vector<DataField> SplitDataLine(std::string_view line, char separator) {
  std::vector<DataField> fields;
  std::size_t start = 0;
  for (;;) {
    DataField field;
    std::size_t searchFrom = start;
    if (start < line.size() && line[start] == '"') {
      field.quoted = true;
      std::size_t close = line.find('"', start + 1);
      if (close == std::string_view::npos) {
        field.closed = false;
        field.text = line.substr(start + 1);
        field.raw = line.substr(start);
        fields.push_back(field);
        return fields;
      }
      field.text = line.substr(start + 1, close - start - 1);
      searchFrom = close + 1;
    }
    std::size_t end = line.find(separator, searchFrom);
    if (end == std::string_view::npos) end = line.size();
    field.raw = line.substr(start, end - start);
    if (!field.quoted) field.text = field.raw;
    fields.push_back(field);
    if (end == line.size()) return fields;
    start = end + 1;
  }
}

}  // namespace tarvik::convert
