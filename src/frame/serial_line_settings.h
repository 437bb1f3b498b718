// The serial line's settings beyond the connection line: the port opens with
// them. The connection line and the port dialog set the port, speed and
// parity; the byte size, stop bits and handshake keep their defaults.
// Locked, since the dialog's thread and a job thread may both use them.
#pragma once

#include <mutex>

#include "platform/serial_port.h"

namespace tarvik::frame {

struct LineSettings {
  int port = 1;
  unsigned baudRate = 38400;
  int dataBits = 8;
  platform::Parity parity = platform::Parity::kOdd;
  platform::StopBits stopBits = platform::StopBits::kOne;
  int flowControl = 2;  // 1 DTR/DSR, 2 RTS/CTS, 4 XON/XOFF
};

class SerialLineSettings {
 public:
  LineSettings Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return line_;
  }
  void Set(const LineSettings& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    line_ = line;
  }
  void Reset() { Set(LineSettings{}); }

 private:
  mutable std::mutex mutex_;
  LineSettings line_;
};

}  // namespace tarvik::frame
