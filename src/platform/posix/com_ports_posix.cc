#include "platform/com_ports.h"

namespace tarvik::platform {

// The kernel counts its on-board UARTs from 0.
std::string DefaultComDevice(int comNumber) {
  return "/dev/ttyS" + std::to_string(comNumber - 1);
}

}  // namespace tarvik::platform
