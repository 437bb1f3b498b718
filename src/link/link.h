// The conversation with the register that moves one register file per
// command, over the serial line or TCP/IP. One RegisterLink lives for the
// whole process: the serial port opened by the first command of a job stays
// open for the next one and is closed by the job runner (or the failure exit).
#pragma once

#include <memory>

#include "frame/program.h"
#include "frame/program_file.h"

namespace tarvik::link {

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
  // S59: the register's text stream into the command's data file (serial).
  void DownloadRawText();

  // The network job: prepares the transport and starts the receiving thread.
  void StartNetwork();
  void CloseNetwork();
  void CloseSerialPort();
  // Closes whatever is open (the failure exit's step).
  void Close();

  // With rawdebug the job hands over the open capture file "rsdata" (nullptr
  // at the end of the job); every byte sent and received is copied into it.
  void SetRawCapture(frame::ProgramFile* capture);

  // Refreshed by the job runner before every command of a serial job.
  void SetRegisterIsFiscal(bool fiscal);
  bool RegisterIsFiscal() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarvik::link
