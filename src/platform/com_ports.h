// Where the serial ports COM1..COM9 live on this system when tarvik.ini maps
// none of them elsewhere.
#pragma once

#include <string>

namespace tarvik::platform {

// The device that opens COMn (1..9) by default: the first serial port of the
// machine is COM1.
std::string DefaultComDevice(int comNumber);

}  // namespace tarvik::platform
