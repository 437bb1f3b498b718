// Finding a register on the serial ports: COM1 to COM9 (through the comN=
// mapping), each at 38400, 19200, 9600 and 4800 Bd, with the identification
// request; then the terminal number (0 to 15) through a read request of the
// tax file; then the report, and on request the found values written into
// every command file. With searchOnly (/find) the result goes into the file
// `find` ("ANO port,baud,terminal" or "NE") and is applied without asking.
#pragma once

#include <cstdint>
#include <string>

#include "frame/program.h"
#include "link/link.h"

namespace tarvik::link {

// Name of an identification code as shown to the user; codes 20 and above
// get the generic name.
std::string RegisterModelName(int code);
// The model code ("650 ", "39T ", "360 ") stored for an identification code.
std::string RegisterModelByCode(int code);

// 1 when a register answered the identification request, 0 otherwise.
int FindRegister(frame::Program& program, RegisterLink& link);

}  // namespace tarvik::link
