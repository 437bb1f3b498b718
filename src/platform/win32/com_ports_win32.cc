#include "platform/com_ports.h"

namespace tarvik::platform {

// The device-namespace form names the port itself; the bare "COMn" is an old
// DOS device name that only COM1..COM9 have.
std::string DefaultComDevice(int comNumber) {
  return "\\\\.\\COM" + std::to_string(comNumber);
}

}  // namespace tarvik::platform
