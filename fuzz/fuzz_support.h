// The common frame of the fuzz targets: a program instance over a program
// directory that every input starts afresh, with the test doubles standing in
// for the process, the clock, the console and the front end.
//
// A JobFailure whose code is in the error table is an expected end of an
// input, and so is the end of the process; anything else (another exception,
// a crash, a sanitizer report, a leak, a time-out) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/program.h"
#include "support/test_support.h"

namespace tarvik::fuzz {

class FuzzProgram {
 public:
  // Empties the program directory and makes a fresh program instance.
  FuzzProgram();
  ~FuzzProgram();
  FuzzProgram(const FuzzProgram&) = delete;
  FuzzProgram& operator=(const FuzzProgram&) = delete;

  frame::Program& program() { return *program_; }
  void WriteFile(const std::string& name, std::string_view bytes) const;
  // The bytes of a file of the program directory ("" when it is missing).
  std::string ReadFile(const std::string& name) const;
  bool FileExists(const std::string& name) const;

 private:
  testing::FakeClock clock_;
  testing::TestProcess process_;
  testing::RecordingConsole console_;
  testing::RecordingFrontEnd frontEnd_;
  std::unique_ptr<frame::Program> program_;
};

// Runs `body`; returns true when it ended normally and false on an expected
// failure. Anything unexpected aborts with a description on stderr.
bool RunExpected(const std::function<void()>& body);

// Stops the run as a finding: prints `what` and aborts.
[[noreturn]] void Finding(const std::string& what);

// Reads the input front to back: single bytes, then pieces.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size)
      : data_(reinterpret_cast<const char*>(data), size) {}
  // The next byte, or 0 when none is left.
  std::uint8_t Byte();
  // A piece whose length comes from the next two bytes (little-endian),
  // cut to what is left.
  std::string_view Piece();
  std::string_view Rest();

 private:
  std::string_view data_;
  std::size_t at_ = 0;
};

// The entries of both record format tables: (variant table, file number).
struct FormatEntry {
  bool variant = false;
  std::uint8_t fileNumber = 0;
};
const std::vector<FormatEntry>& FormatEntries();

// The field separator the low two bits of a flag byte select: ";" (two of
// the four values), "," or TAB.
char SeparatorOf(std::uint8_t flags);

// The set-up of a converter run from the input's first two bytes: the
// format-table entry, then the settings (bit 0 cislovani, bit 1 konverze,
// bits 2-3 the separator). The data file is DATA.dat.
void SetUpConversion(InputReader& in, frame::Program& program);

}  // namespace tarvik::fuzz
