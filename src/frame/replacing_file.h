// A data file written in the program directory's temporary file work04.tmp,
// which takes the data file's place only once everything is written: a job
// that fails on the way (a register that stops answering, a conversion
// fault, a full disk) leaves the data file of an earlier job as it was.
#pragma once

#include <string>

#include "frame/program.h"
#include "frame/program_file.h"

namespace tarvik::frame {

inline constexpr char kReplacingWorkFile[] = "work04.tmp";

class ReplacingFile {
 public:
  // Creates the temporary file (30/1 when it cannot be created).
  ReplacingFile(Program& program, std::string dataFileName);
  // Without Commit the temporary file is removed and the data file stays.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  ProgramFile& file() { return file_; }
  // Closes the temporary file (30/4 on a failed write) and moves it over the
  // data file; when that fails the data file could not be made: 30/1.
  void Commit();

 private:
  Program& program_;
  std::string dataFileName_;
  ProgramFile file_;
  bool committed_ = false;
};

}  // namespace tarvik::frame
