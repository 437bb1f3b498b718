// Rewriting the connection line of every command file at once, when the
// register moved to another port, speed or address. The rest of each file is
// copied unchanged. Serial lines (exactly six commas) are written
//   mode 0: "%02d,%c,%c,%01d,%c,%s,%s"  terminal, port digit, speed-code
//           digit, data bits, parity letter, model (4 characters), log name
//   mode 1: the data-bits and parity characters and the log name of the file
//           are kept (discovery)
//   mode 2: like mode 0, but the log name of the file is kept
// TCP/IP lines (a "." before the first ",") get the address, the terminal
// number ("%02d") and the model, and keep the rest of the line.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "frame/program.h"
#include "platform/serial_port.h"

namespace tarvik::link {

enum class RewriteMode { kFull = 0, kKeepLineSettings = 1, kKeepLogName = 2 };

// The values written into the connection lines.
struct RewriteValues {
  int terminalNumber = 1;
  int port = 1;
  unsigned baudRate = 38400;
  int dataBits = 8;
  platform::Parity parity = platform::Parity::kOdd;
  std::string modelText = "650 ";
  std::string logName = "ERA";
  std::array<int, 4> address = {192, 168, 0, 160};
};

// The characters of the serial line derived from the values: port digit,
// speed-code digit (600 "1" ... 38400 "7"; other rates keep `previousSpeed`),
// data-bits digit and parity letter.
struct ConnectionFields {
  char port = '1';
  char speed = '7';
  char dataBits = '8';
  char parity = 'O';
};
ConnectionFields RefreshConnectionFields(const RewriteValues& values, char previousSpeed = '7');

// Rewrites every file of the current extension (pripona_cmd) in the program
// directory, in name order. `dialog` (may be empty) is asked first and may
// change the values; false from it cancels and the function returns 0.
// Returns 1 otherwise. With `showMessage` the closing status line is written.
int RewriteSerialParams(frame::Program& program, RewriteValues& values,
                        const std::function<bool(RewriteValues&)>& dialog, bool showMessage,
                        RewriteMode mode);
int RewriteIpParams(frame::Program& program, RewriteValues& values,
                    const std::function<bool(RewriteValues&)>& dialog, bool showMessage);

// One file each; files of the other kind are left untouched.
void RewriteSerialLine(frame::Program& program, const std::string& fileName,
                       const RewriteValues& values, RewriteMode mode);
void RewriteIpLine(frame::Program& program, const std::string& fileName,
                   const RewriteValues& values);

}  // namespace tarvik::link
