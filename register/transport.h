// The emulator's side of the wire: a pseudo-terminal (the utility opens its
// slave like a COM port) or one accepted TCP connection. Both read and send
// the register's logical bytes; the TCP one doubles and undoubles 0xFF. A
// transport can stretch time to a given line speed (11-bit characters), and
// keeps the wire bytes of what was read so that they can be logged exactly.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/tcp_socket.h"

namespace tarvik::reg {

using Clock = std::chrono::steady_clock;

class Transport {
 public:
  explicit Transport(const std::atomic<bool>& stop) : stop_(stop) {}
  virtual ~Transport() = default;

  // One logical byte, waiting until the deadline (none: until data, a close
  // or the stop request). After the stop request only what is already there
  // is read.
  bool ReadByte(std::uint8_t* byte, std::optional<Clock::time_point> deadline);
  // Sends the bytes as one piece (one TCP segment); with an emulated speed
  // they take their line time.
  void Send(std::string_view bytes);
  // The wire bytes read since the last call.
  std::string TakeReceivedWire();

  virtual bool Closed() const = 0;
  virtual void Close() = 0;
  virtual bool Network() const = 0;
  // The line speed the other end set, 0 when there is none (TCP).
  virtual unsigned LineSpeed() const = 0;

  // 0: no emulated speed.
  void SetEmulatedBaud(unsigned baud);

 protected:
  // Raw bytes into `into` (appended); false on time-out, close or stop.
  virtual bool ReadRaw(std::string* into, std::optional<Clock::time_point> deadline) = 0;
  virtual void WriteRaw(std::string_view bytes) = 0;
  const std::atomic<bool>& stop_;

 private:
  std::string raw_;           // read from the wire and not yet consumed
  std::string consumedWire_;  // consumed since TakeReceivedWire
  std::chrono::nanoseconds characterTime_{0};
  Clock::time_point receiveLineFree_{};
};

// A new pseudo-terminal; the slave's path is what the utility opens.
class PtyTransport final : public Transport {
 public:
  explicit PtyTransport(const std::atomic<bool>& stop);
  ~PtyTransport() override;
  bool Open(std::string* error);
  const std::string& SlavePath() const { return slavePath_; }
  bool Closed() const override { return false; }
  void Close() override {}
  bool Network() const override { return false; }
  unsigned LineSpeed() const override;

 protected:
  bool ReadRaw(std::string* into, std::optional<Clock::time_point> deadline) override;
  void WriteRaw(std::string_view bytes) override;

 private:
  int master_ = -1;
  int slave_ = -1;  // held open so that the master never sees a hang-up
  std::string slavePath_;
};

class TcpTransport final : public Transport {
 public:
  TcpTransport(const std::atomic<bool>& stop, std::unique_ptr<platform::TcpSocket> socket);
  bool Closed() const override { return closed_; }
  void Close() override;
  bool Network() const override { return true; }
  unsigned LineSpeed() const override { return 0; }

 protected:
  bool ReadRaw(std::string* into, std::optional<Clock::time_point> deadline) override;
  void WriteRaw(std::string_view bytes) override;

 private:
  std::unique_ptr<platform::TcpSocket> socket_;
  bool closed_ = false;
};

}  // namespace tarvik::reg
