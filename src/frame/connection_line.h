// The connection line, the first line of a command file:
//
//   01,1,7,8,O,650,ERA        serial: terminal, COM number, speed code
//                             (300 x 2^code Bd), data bits, parity, model, log
//   192.168.0.160,01,650,ERA  TCP/IP: address, terminal, model, log name
//
// The link type is TCP/IP when a "." comes before any "," within the first ten
// characters, serial when a "," does. The text is a command-file buffer whose
// lines end with one CR; `pos` is left after the character that ended the log
// name, where the first command starts. Faults throw JobFailure (51 with the
// field's subcode, 49/1 for a model not in the table), and the fields parsed
// up to the fault stay filled in, as the failure's log line shows them.
#pragma once

#include <cstddef>
#include <string>

#include "frame/program.h"

namespace tarvik::frame {

// The whole line. The three steps below are the same parse taken apart, for a
// job that applies the port settings and the model's tables between them.
void ParseConnectionLine(const std::string& text, std::size_t& pos, ConnectionLine& connection);

// Link type and the fields up to the model: address and terminal, or
// terminal, COM number, speed, data bits and parity.
void ParseLinkFields(const std::string& text, std::size_t& pos, ConnectionLine& connection);
void ParseModelField(const std::string& text, std::size_t& pos, ConnectionLine& connection);
void ParseLogField(const std::string& text, std::size_t& pos, ConnectionLine& connection);

}  // namespace tarvik::frame
