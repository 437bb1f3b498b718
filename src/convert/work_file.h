// Work files hold register records: every data byte is followed by a marker
// byte, 0x00 while more bytes of the record follow and 0xFF after its last.
// There is no header; a file without records is empty. The link writes one
// record per data frame into work01.tmp and sends the records of work02.tmp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/program_file.h"

namespace tarvik::convert {

inline constexpr char kReceiveWorkFile[] = "work01.tmp";
inline constexpr char kSendWorkFile[] = "work02.tmp";

class WorkFileReader {
 public:
  explicit WorkFileReader(frame::ProgramFile& file) : file_(file) {}
  // Reads the next record into *record. A file that ends inside a record ends
  // that record; LastRecordComplete() then tells it apart. Returns false when
  // no byte was left.
  bool ReadWorkRecord(std::string* record);
  // Whether the record last read ended with its 0xFF marker.
  bool LastRecordComplete() const { return complete_; }
  // Bytes read so far, data and markers alike.
  std::uint64_t WorkFilePosition() const { return position_; }

 private:
  frame::ProgramFile& file_;
  std::uint64_t position_ = 0;
  bool complete_ = true;
};

// Appends one record as byte pairs, the last marker 0xFF.
void AppendWorkRecord(std::string* out, std::string_view record);

}  // namespace tarvik::convert
