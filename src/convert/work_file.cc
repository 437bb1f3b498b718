#include "convert/work_file.h"

namespace tarvik::convert {

bool WorkFileReader::ReadWorkRecord(std::string* record) {
  record->clear();
  complete_ = false;
  std::uint8_t data = 0;
  std::uint8_t marker = 0;
  while (file_.ReadByte(&data)) {
    ++position_;
    record->push_back(static_cast<char>(data));
    if (!file_.ReadByte(&marker)) return true;
    ++position_;
    if (marker == 0xFF) {
      complete_ = true;
      return true;
    }
  }
  return !record->empty();
}

void AppendWorkRecord(std::string* out, std::string_view record) {
  for (std::size_t i = 0; i < record.size(); ++i) {
    out->push_back(record[i]);
    out->push_back(i + 1 == record.size() ? '\xFF' : '\0');
  }
}

}  // namespace tarvik::convert
