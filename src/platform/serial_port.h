// A serial device opened by path: a COM port, a USB adapter or a
// pseudo-terminal. Reads and writes run against absolute steady_clock
// deadlines; nothing waits "forever". Modem-line requests that the device
// does not support (a pseudo-terminal) report "unavailable" instead of
// failing.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tarvik::platform {

using Deadline = std::chrono::steady_clock::time_point;

// Milliseconds left until `deadline`, rounded up so that a wait never ends
// before it; 0 once it has passed, and never more than 2^30.
inline int MillisecondsUntil(Deadline deadline) {
  auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(ms < (1 << 30) ? ms : (1 << 30));
}

// In the order the port dialog lists them.
enum class Parity { kNone, kOdd, kEven, kMark, kSpace };
// One and a half stop bits are sent as two where the system has no such
// setting.
enum class StopBits { kOne, kOneAndHalf, kTwo };

struct SerialSettings {
  unsigned baudRate = 38400;
  int dataBits = 8;  // 5..8
  Parity parity = Parity::kOdd;
  StopBits stopBits = StopBits::kOne;
  bool rtsCts = true;  // hardware handshake
  bool xonXoff = false;
  // Drop DTR when the device is closed (the termios HUPCL bit).
  bool dropDtrOnClose = true;
};

// Modem status bits, with the values the status lines are reported with.
inline constexpr unsigned kModemCts = 16;
inline constexpr unsigned kModemDsr = 32;
inline constexpr unsigned kModemRing = 64;
inline constexpr unsigned kModemCarrier = 128;

// Line-error bits since the last query, with the values the error mask is
// reported with: receive overflow, overrun, parity, framing, break.
inline constexpr unsigned kLineRxOverflow = 1;
inline constexpr unsigned kLineOverrun = 2;
inline constexpr unsigned kLineParity = 4;
inline constexpr unsigned kLineFraming = 8;
inline constexpr unsigned kLineBreak = 16;

enum class IoStatus {
  kOk,
  kTimeout,  // the deadline passed first
  kHangUp,   // the other end went away (0-byte read or EIO after readiness)
  kError,    // a system error, see the OsError
};

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  const std::string& path() const { return path_; }

  // Applies the settings in raw mode and reads them back; a setting the
  // device did not take fails with EINVAL and *what naming it.
  virtual bool Configure(const SerialSettings& settings, OsError* error, std::string* what) = 0;
  // Reads what is there, at most `size` bytes, waiting until at least one
  // byte arrived or the deadline passed. *got is the count read.
  virtual IoStatus Read(void* buffer, std::size_t size, std::size_t* got, Deadline deadline,
                        OsError* error) = 0;
  // Writes all bytes and returns when they have left the device. When the
  // deadline passes first (a stalled handshake), what is still queued is
  // discarded and the result is kTimeout.
  virtual IoStatus Write(const void* buffer, std::size_t size, Deadline deadline,
                         OsError* error) = 0;
  // Discards only what was received and not read. (On a pseudo-terminal,
  // discarding output would also drop what the other end has not read yet,
  // although the write has returned.)
  virtual void DiscardInput() = 0;
  // False when the line cannot be switched (unavailable: *error is 0).
  virtual bool SetDtr(bool on, OsError* error) = 0;
  // False with *error 0 when the device has no modem lines (a pty).
  virtual bool ModemStatus(unsigned* bits, OsError* error) = 0;
  // Line errors since the previous call; 0 where the device keeps no counts.
  virtual unsigned TakeLineErrors() = 0;

 protected:
  std::string path_;
};

// Opens `path` exclusively (no other program may hold it while it is open)
// and without becoming its controlling terminal; the line settings in force
// are restored when the device is closed (what was written stays sent). On failure returns null
// with *error set.
std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& path, OsError* error);

// The system's words for an error number, and a hint for the common cases of
// opening a serial device on this system (empty when there is none).
std::string SystemErrorText(OsError error);
std::string SerialOpenHint(OsError error);

}  // namespace tarvik::platform
