// The fleet file: one register per line, three fields separated by ";":
//
//   # name;connection line;command file
//   shop01-pos1;192.168.1.10,01,650,SHOP01;nightly.cmd
//   shop02-pos1;01,3,7,8,O,650,SHOP02;nightly.cmd
//
// UTF-8 (with or without a byte-order mark) or, when the bytes are not valid
// UTF-8, Windows-1250. Lines end with LF, CR LF or CR; blank lines and lines
// starting with "#" are skipped. A field may be quoted as a spreadsheet
// quotes it ("..." with "" for a quote), and empty fields after the third are
// ignored, since a spreadsheet fills short rows with them.
//
// name: 1 to 64 of A-Z a-z 0-9 . _ -, not "." or "..", unique without regard
// to letter case; spaces around it are dropped. It names the register's
// program directory.
// connection line: checked as a job checks it, so a fault is found before any
// register runs.
// command file: a path, relative to the fleet file's directory; spaces around
// it are dropped.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "frame/error_pairs.h"
#include "frame/program.h"

namespace tarvik::fleet {

struct FleetRegister {
  int line = 0;  // in the fleet file, from 1
  std::string name;
  std::string connectionText;  // as written, Windows-1250
  frame::ConnectionLine connection;
  std::string commandFile;  // as written, UTF-8
};

class FleetFileError : public std::runtime_error {
 public:
  FleetFileError(int line, const std::string& reason) : std::runtime_error(reason), line_(line) {}
  int line() const { return line_; }  // 0: the file as a whole

 private:
  int line_;
};

// The file's bytes as UTF-8: kept when they are UTF-8 (a byte-order mark
// dropped), read as Windows-1250 otherwise.
std::string DecodeFleetText(std::string_view bytes);

// Parses the whole file; the first fault throws FleetFileError.
std::vector<FleetRegister> ParseFleetFile(std::string_view bytes);

// What is wrong with a connection line, from its error pair, for a person
// who has to mend it.
std::string DescribeConnectionFault(frame::ErrorPair pair);

// Whether `name` is a valid register name.
bool IsValidRegisterName(std::string_view name);

}  // namespace tarvik::fleet
