// A TCP connection with the same deadline-based surface as the serial
// device. The socket stays non-blocking; every wait is a poll with an
// absolute deadline, and a wait for data can be cut short from another
// thread with Interrupt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/serial_port.h"

namespace tarvik::platform {

enum class WaitResult { kReady, kTimeout, kInterrupted, kError };

class TcpSocket {
 public:
  virtual ~TcpSocket() = default;
  // Waits until data (or the peer's close) can be read; no deadline waits
  // until then or until Interrupt.
  virtual WaitResult WaitReadable(std::optional<Deadline> deadline, OsError* error) = 0;
  // Reads what is there, at most `size` bytes, without waiting. kOk with
  // *got 0 means nothing was there; kHangUp that the peer closed.
  virtual IoStatus Receive(void* buffer, std::size_t size, std::size_t* got, OsError* error) = 0;
  // Sends all bytes (kTimeout when the deadline passes first; *sent tells
  // how many went).
  virtual IoStatus Send(const void* buffer, std::size_t size, std::size_t* sent, Deadline deadline,
                        OsError* error) = 0;
  // Wakes a WaitReadable on another thread, now or when it next starts.
  // Safe from any thread.
  virtual void Interrupt() = 0;
  // Ends both directions; the peer sees the close, local waits wake up. Safe
  // from any thread; the descriptor stays valid until destruction.
  virtual void Shutdown() = 0;
};

// Connects to an IPv4 address ("192.168.0.160") and port, giving up at the
// deadline (*error ETIMEDOUT). On failure returns null with *error set and
// *what naming the step that failed ("socket", "address", "connect").
std::unique_ptr<TcpSocket> ConnectTcp(const std::string& address, std::uint16_t port,
                                      Deadline deadline, OsError* error, std::string* what);

// A listening socket for the register emulator: binds address:port (with
// address reuse) and accepts one connection at a time.
class TcpListener {
 public:
  virtual ~TcpListener() = default;
  // Waits for the next connection until the deadline (or without one).
  virtual std::unique_ptr<TcpSocket> Accept(std::optional<Deadline> deadline, OsError* error) = 0;
  virtual std::uint16_t port() const = 0;
  virtual void Interrupt() = 0;
};

std::unique_ptr<TcpListener> ListenTcp(const std::string& address, std::uint16_t port,
                                       OsError* error);

}  // namespace tarvik::platform
