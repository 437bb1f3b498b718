// Work files hold register records: every data byte is followed by a marker
// byte, 0x00 while more bytes of the record follow and 0xFF after its last.
#pragma once

#include <cstdint>
#include <string>

#include "frame/program_file.h"

namespace tarvik::convert {

class WorkFileReader {
 public:
  explicit WorkFileReader(frame::ProgramFile& file) : file_(file) {}
  // Reads the next record into *record. A file that ends inside a record ends
  // that record. Returns false when no byte was left.
  bool ReadWorkRecord(std::string* record);
  // Bytes read so far, data and markers alike.
  std::uint64_t WorkFilePosition() const { return position_; }

 private:
  frame::ProgramFile& file_;
  std::uint64_t position_ = 0;
};

// Appends one record as byte pairs, the last marker 0xFF.
void AppendWorkRecord(std::string* out, std::string_view record);

}  // namespace tarvik::convert
