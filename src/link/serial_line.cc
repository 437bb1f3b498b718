#include "link/serial_line.h"

#include <algorithm>
#include <optional>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/interrupt.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "link/wire.h"

namespace tarvik::link {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

// Milliseconds the bytes take on the line: start bit, 8 data bits, parity
// and a stop bit.
unsigned WireMs(std::size_t bytes, unsigned baud) {
  return static_cast<unsigned>((bytes * 11 * 1000 + baud - 1) / std::max(baud, 1u));
}

}  // namespace

SerialLine::SerialLine(frame::Program& program) : program_(program) {}

SerialLine::~SerialLine() = default;

std::string SerialLine::DevicePath() const {
  return frame::ComDevice(program_, program_.connection.comNumber);
}

bool SerialLine::Configure(platform::OsError* error, std::string* what) {
  const frame::LineSettings line = program_.serialLine.Get();
  platform::SerialSettings s;
  s.baudRate = baud_;
  s.dataBits = line.dataBits;
  s.parity = program_.connection.parity;
  s.stopBits = line.stopBits;
  // Bit 0 (DTR/DSR handshake) has no counterpart in termios: DTR is simply
  // raised, and DSR is not watched.
  s.rtsCts = (line.flowControl & 2) != 0;
  s.xonXoff = (line.flowControl & 4) != 0;
  s.dropDtrOnClose = !program_.settings.leaveDtr;
  return device_->Configure(s, error, what);
}

bool SerialLine::OpenSerialPort() {
  if (device_) return true;
  const std::string path = DevicePath();
  platform::OsError error = 0;
  auto device = platform::OpenSerialDevice(path, &error);
  if (!device) {
    // A port just released by another program is often free a moment later.
    program_.clock.Sleep(milliseconds(kOpenRetryMs));
    device = platform::OpenSerialDevice(path, &error);
  }
  if (!device) {
    openError_ = error;
    openFailure_ = path + ": " + platform::SystemErrorText(error);
    std::string hint = platform::SerialOpenHint(error);
    if (!hint.empty()) openFailure_ += " (" + hint + ")";
    return false;
  }
  device_ = std::move(device);
  baud_ = program_.connection.baudRate;
  std::string what;
  if (!Configure(&error, &what)) {
    device_.reset();
    openError_ = error;
    openFailure_ =
        path + ": nastavení linky odmítnuto (" + what + "): " + platform::SystemErrorText(error);
    return false;
  }
  received_.clear();
  receivedAt_ = 0;
  readTimeout_ = milliseconds(1000);
  program_.terminal.SetConnected(true);
  platform::OsError ignored = 0;
  if (!program_.settings.leaveDtr) device_->SetDtr(true, &ignored);
  program_.frontEnd.SetCaret(true);
  program_.clock.Sleep(milliseconds(10));

  if (program_.settings.komunikaceModem) {
    bool connected = DialModem();
    if (program_.settings.okno) {
      frame::TerminalWrite(program_, connected ? frame::W("Spojení je navázáno.\r")
                                               : frame::W("Spojení se nepodařilo navázat.\r"));
    }
    if (!connected) frame::Fail(frame::error::kModemNoCarrier);
  }
  return true;
}

bool SerialLine::CloseSerialPort() {
  if (!device_) return true;
  // The port is closed even when the modem does not hang up; the failure
  // is reported afterwards.
  std::optional<frame::JobFailure> failure;
  if (program_.settings.komunikaceModem && program_.hangUpAfterJob.load()) {
    try {
      HangUpModem();
    } catch (const frame::JobFailure& f) {
      failure = f;
    }
  }
  program_.terminal.SetConnected(false);
  program_.frontEnd.SetCaret(false);
  platform::OsError ignored = 0;
  if (!program_.settings.leaveDtr) device_->SetDtr(false, &ignored);
  // Every write has waited until its bytes left, so only input is left to
  // discard.
  device_->DiscardInput();
  device_.reset();
  received_.clear();
  receivedAt_ = 0;
  if (failure) throw *failure;
  return true;
}

void SerialLine::SetReadTimeout(unsigned constantMs) {
  unsigned ms = constantMs + 19200 / std::max(baud_, 1u);
  readTimeout_ = milliseconds(std::max(ms, kMinByteWaitMs));
}

platform::IoStatus SerialLine::Fill(steady_clock::time_point deadline) {
  frame::ThrowIfStopRequested(program_);
  received_.resize(512);
  std::size_t got = 0;
  platform::OsError error = 0;
  platform::IoStatus status = platform::IoStatus::kOk;
  // In slices, so that a stop request ends a job that waits for a silent
  // register within one slice instead of after the whole time-out.
  for (;;) {
    const auto slice = std::min(deadline, steady_clock::now() + frame::kStopCheckInterval);
    status = device_->Read(received_.data(), received_.size(), &got, slice, &error);
    if (status != platform::IoStatus::kOk || got > 0 || slice >= deadline) break;
    if (program_.directoryLock.StopRequested()) {
      received_.clear();
      receivedAt_ = 0;
      frame::ThrowIfStopRequested(program_);
    }
  }
  received_.resize(got);
  receivedAt_ = 0;
  return status;
}

bool SerialLine::ReadLinkByte() {
  if (!device_) return false;
  if (receivedAt_ >= received_.size()) {
    if (Fill(steady_clock::now() + readTimeout_) != platform::IoStatus::kOk) return false;
    if (received_.empty()) return false;
  }
  lastByte_ = static_cast<std::uint8_t>(received_[receivedAt_++]);
  Capture(std::string_view(reinterpret_cast<const char*>(&lastByte_), 1));
  return true;
}

bool SerialLine::WriteLinkBytes(std::string_view bytes, bool withCheck) {
  if (!device_) return false;
  std::string out(bytes);
  if (withCheck) out += wire::CheckBytes(bytes);
  auto deadline = steady_clock::now() + milliseconds(2 * WireMs(out.size(), baud_) + kWriteSlackMs);
  platform::OsError error = 0;
  if (device_->Write(out.data(), out.size(), deadline, &error) == platform::IoStatus::kOk) {
    Capture(out);
    return true;
  }
  ShowLineErrors();
  return false;
}

void SerialLine::ShowLineErrors() {
  unsigned mask = device_->TakeLineErrors();
  if (mask != 0 && program_.terminal.DisplayErrors()) {
    frame::TerminalWrite(program_, frame::Format("<CE-%u>", mask));
  }
}

void SerialLine::DrainInput() {
  if (!device_) return;
  std::size_t left = program_.settings.komunikaceModem ? 512 : 9;
  std::size_t buffered = std::min(left, received_.size() - receivedAt_);
  receivedAt_ += buffered;
  left -= buffered;
  auto deadline = steady_clock::now() + milliseconds(1 + left * (19200 / std::max(baud_, 1u)));
  char scratch[512];
  while (left > 0) {
    std::size_t got = 0;
    platform::OsError error = 0;
    if (device_->Read(scratch, left, &got, deadline, &error) != platform::IoStatus::kOk) break;
    left -= std::min(left, got);
  }
  SetReadTimeout(1000);
}

bool SerialLine::DialModem() {
  const frame::JobSettings& s = program_.settings;
  unsigned bits = 0;
  platform::OsError error = 0;
  if (device_->ModemStatus(&bits, &error) && (bits & platform::kModemCarrier)) return true;
  std::string command = "atd" + s.cisloModem + "\r\n";
  frame::TerminalWriteDebug(program_, frame::W("Do modemu posílám: ") + command);
  // An AT command goes out bare: bytes behind it would abort the dial on a
  // Hayes modem.
  if (!WriteLinkBytes(command, false)) return false;
  if (s.waitModem < 1) return false;
  for (int i = 0; i < s.waitModem; ++i) {
    program_.clock.Sleep(milliseconds(1000));
    bits = 0;
    error = 0;
    // A device without modem lines (a pseudo-terminal) never shows carrier.
    if (!device_->ModemStatus(&bits, &error) && error != 0) return false;
    frame::TerminalWriteDebug(program_, "*");
    if (s.debug || s.rawdebug) {
      frame::TerminalWrite(
          program_, frame::Format("CTS: %u   DSR: %u  RI: %u   RLSD: %u \r",
                                  bits & platform::kModemCts, bits & platform::kModemDsr,
                                  bits & platform::kModemRing, bits & platform::kModemCarrier));
    }
    if (bits & platform::kModemCarrier) return true;
  }
  return false;
}

void SerialLine::HangUpModem() {
  // The escape is recognised only between two quiet guard times.
  program_.clock.Sleep(milliseconds(1000));
  if (!WriteLinkBytes("+++", false)) frame::Fail(frame::error::kModemEscapeNotSent);
  program_.clock.Sleep(milliseconds(1000));
  if (!WriteLinkBytes("ath\r", false)) frame::Fail(frame::error::kModemHangUpNotSent);
  program_.clock.Sleep(milliseconds(100));
}

bool SerialLine::SetBaudRate(unsigned baud) {
  if (!device_) return false;
  unsigned previous = baud_;
  baud_ = baud;
  platform::OsError error = 0;
  std::string what;
  if (Configure(&error, &what)) return true;
  baud_ = previous;
  return false;
}

bool SerialLine::SetDtr(bool on) {
  if (!device_) return false;
  platform::OsError error = 0;
  return device_->SetDtr(on, &error) || error == 0;
}

void SerialLine::Capture(std::string_view bytes) {
  if (capture_ && capture_->IsOpen()) capture_->Write(bytes);
}

}  // namespace tarvik::link
