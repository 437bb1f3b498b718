// The conversation with the register that moves one register file per
// command, over the serial line or TCP/IP. One RegisterLink lives for the
// whole process: the serial port opened by the first command of a job stays
// open for the next one and is closed by the job runner (or the failure exit).
//
// Frames: a body and two check bytes (wire.h). A request is the command
// byte, the terminal number and the file number; the register replies with
// the command byte and a status, or with the end marker FF FF 00 02. Data
// frames carry the file's block length L of body bytes; each is acknowledged
// (command byte, 0x06) or rejected (command byte, 0x15), and the end marker
// closes the file. Every wait is bounded:
//   request reply      1 s (read) or 2 s (write) per byte, 3 requests
//   data frame         `timeout` seconds for the first byte, 1 s for the others
//   frame reply        kFrameReplyFirstByteMs for the first byte, then
//                      kMinByteWaitMs (serial_line.h) per byte
//   clear-file reply   (3 x `timeout`) / 2 seconds per byte, 3 requests
//   raw text           4 s per byte; the stream ends at the first silence
//   network chunk      `timeout` seconds (110/1)
// Over TCP/IP a frame that arrives in more than one chunk is joined before
// it is checked.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "frame/error_pairs.h"
#include "frame/program.h"
#include "frame/program_file.h"

namespace tarvik::link {

// Long enough for a register to store a frame and answer through a USB
// adapter (latency timer 16 ms); a lost reply costs this much once.
inline constexpr unsigned kFrameReplyFirstByteMs = 500;

class SerialLine;
class NetworkLink;
class Activity;

class RegisterLink {
 public:
  explicit RegisterLink(frame::Program& program);
  ~RegisterLink();
  RegisterLink(const RegisterLink&) = delete;
  RegisterLink& operator=(const RegisterLink&) = delete;

  // R and U commands: the register file `fileNumber` into work01.tmp.
  void ReceiveRegisterFile();
  // V and W commands: the data file into work02.tmp, then to the register.
  void SendRegisterFile();
  // N command.
  void ClearRegisterFile();
  // S59: the register's text stream into the command's data file.
  void DownloadRawText();

  // The network job: prepares the transport and starts the receiving thread.
  void StartNetwork();
  void CloseNetwork();
  void CloseSerialPort();
  // Closes whatever is open (the failure exit's step).
  void Close();

  // Refreshed by the job runner before every command of a serial job.
  void SetRegisterIsFiscal(bool fiscal);
  bool RegisterIsFiscal() const;

  // rsdata of a rawdebug serial job, opened and closed by the job runner;
  // null stops the copy.
  void SetRawCapture(frame::ProgramFile* capture);

  // The pieces discovery builds on.
  SerialLine& Serial();
  NetworkLink& Network();
  Activity& ActivityIndicator();
  // While set, a refused request status is "no valid reply" instead of 20.
  void SetDiscoveryRunning(bool running);
  // Sends the request frame (serial: after draining stale input); a failed
  // send fails with `notSent`.
  void SendRequest(std::uint8_t command, std::uint8_t fileNumber, frame::ErrorPair notSent);
  // Waits for the 4-byte reply to the request; false when none valid came.
  // Accepted(), Rejected(), EndSeen(), KeyInReg() and LastStatus() tell the rest.
  bool WaitRequestReply(unsigned seconds);
  // One frame with check bytes over the job's transport.
  bool SendFrame(std::string_view body);
  void SendAcknowledge();
  void SendReject();
  std::uint8_t ReadCommandByte() const;
  std::uint8_t WriteCommandByte() const;
  std::uint8_t CurrentCommand() const;
  bool Accepted() const;
  bool Rejected() const;
  bool EndSeen() const;
  bool KeyInReg() const;
  std::uint8_t LastStatus() const;

 private:
  void ReceiveRegisterFileBody();
  void SendRegisterFileBody();
  void ClearRegisterFileBody();
  void DownloadRawTextBody();

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarvik::link
