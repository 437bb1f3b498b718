// The serial port layer: one port at a time, opened with the connection
// parameters of the running job, single-byte reads under a per-read
// time-out, writes that return once the bytes have left, the stale-input
// drain before a request, and the modem dial and hang-up. Discovery uses it
// as well (SetBaudRate, SetDtr, the open failure text).
//
// Time-outs. SetReadTimeout(c) gives each single-byte read c + 19200 / baud
// milliseconds, as the register expects, but never less than
// kMinByteWaitMs: with c = 0 (the wait for a frame's reply) the formula
// gives 2 ms at 9600 Bd and nothing at all at 38400 Bd, while a USB adapter
// holds received bytes for its latency timer (16 ms by default) before the
// PC sees them. A write may take twice its wire time plus kWriteSlackMs;
// a write that cannot finish by then (a handshake line held off) is
// discarded and fails instead of counting as sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "frame/program.h"
#include "frame/program_file.h"
#include "link/activity.h"
#include "platform/serial_port.h"

namespace tarvik::link {

inline constexpr unsigned kMinByteWaitMs = 50;
inline constexpr unsigned kWriteSlackMs = 1000;
inline constexpr unsigned kOpenRetryMs = 1500;

class SerialLine {
 public:
  explicit SerialLine(frame::Program& program);
  ~SerialLine();
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // The device of COMn: the comN= line of tarvik.ini, else the system's
  // default device of COMn (platform::DefaultComDevice).
  std::string DevicePath() const;

  // 1 open (also when it already was), 0 failed (see OpenFailure). With
  // komunikace_modem a failed dial is error 93/1.
  bool OpenSerialPort();
  // Hangs the modem up first with komunikace_modem and hangUpAfterJob (93/2,
  // 93/3, after the port is closed anyway); drops DTR unless leaveDtr and
  // restores the line settings found at the open.
  bool CloseSerialPort();
  bool IsOpen() const { return device_ != nullptr; }

  // Why the last open failed: the device, the system's words and a hint, as
  // UTF-8, and the system's error number.
  const std::string& OpenFailure() const { return openFailure_; }
  platform::OsError OpenError() const { return openError_; }

  void SetReadTimeout(unsigned constantMs);
  // 1 when one byte arrived (LastByte), 0 on time-out, hang-up or error.
  bool ReadLinkByte();
  std::uint8_t LastByte() const { return lastByte_; }
  // With `withCheck` the two check bytes follow the bytes.
  bool WriteLinkBytes(std::string_view bytes, bool withCheck);
  // Discards stale input: what arrives within 1 ms, at most 9 bytes (512
  // with a modem); then the read time-out is 1000 ms.
  void DrainInput();

  bool DialModem();
  void HangUpModem();

  // Discovery: another speed on the open port; DTR on or off.
  bool SetBaudRate(unsigned baud);
  bool SetDtr(bool on);

  // rsdata of a rawdebug job: every byte read and written is appended.
  void SetRawCapture(frame::ProgramFile* capture) { capture_ = capture; }

 private:
  bool Configure(platform::OsError* error, std::string* what);
  platform::IoStatus Fill(std::chrono::steady_clock::time_point deadline);
  void Capture(std::string_view bytes);
  void ShowLineErrors();

  frame::Program& program_;
  std::unique_ptr<platform::SerialDevice> device_;
  unsigned baud_ = 38400;
  std::chrono::milliseconds readTimeout_{1000};
  std::uint8_t lastByte_ = 0;
  // Bytes read from the device and not yet handed out one by one.
  std::string received_;
  std::size_t receivedAt_ = 0;
  frame::ProgramFile* capture_ = nullptr;
  std::string openFailure_;
  platform::OsError openError_ = 0;
};

}  // namespace tarvik::link
