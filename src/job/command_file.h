// Command files: the job description a calling program hands over.
//
//   01,1,7,8,O,650,ERA        connection line, serial: terminal, COM, speed
//   R03;P_PLU                 code (300 x 2^code Bd), data bits, parity, model, log
//
//   192.168.0.160,01,650 , ERA   connection line, TCP/IP: address, terminal,
//                                model, log name
// Every further line is one command: an optional "$" (hang up the modem after
// the job), a letter (R read, V write, W write after clearing, N register
// operation, U accounts, S special), the file number in hexadecimal (the
// account number in decimal for U), and optionally ";" and a data-file name
// whose extension is replaced by ".dat". The file holds 22 to 2048 bytes;
// lines end with CR LF, CR or LF, and empty lines are skipped.
#pragma once

#include <string>
#include <vector>

#include "frame/program.h"

namespace tarvik::job {

// The parsing state of one job: the loaded file and the position in it.
struct CommandFileState {
  std::string buffer;
  std::string path;               // as opened, for failure messages
  std::vector<int> lineNumbers;   // the file's line number of each line of `buffer`
  bool loaded = false;            // the command-file buffer is allocated
  bool connectionParsed = false;  // cleared at every job start
  std::size_t position = 0;
  void Release() {
    buffer.clear();
    lineNumbers.clear();
    loaded = false;
  }
};

// Fills program.command with the next command and returns true; false when
// the file has no further command. The first call of a job loads the file and
// parses the connection line.
bool NextCommand(frame::Program& program, CommandFileState& state);

// The one command of a built-in file (the line after its connection line);
// the running job's connection stays in force.
void ReadEmbeddedCommand(frame::Program& program);

// Replaces "xxxx" in program.command.dataFileName's stem by the next free
// four-digit number.
std::string NumberDataFileName(frame::Program& program, const std::string& stem);

// Hexadecimal digits to a value; any other character is error 25/1.
unsigned HexValue(const std::string& text);

}  // namespace tarvik::job
