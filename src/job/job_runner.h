// Runs command files: a job is carried out on a thread of its own (one kind
// for the serial link, one for TCP/IP), command by command, with a log line
// after each and the pause `zpozdeni` between them, and ends with the result
// files, the link closed, an optional success message and, without a window,
// the end of the process. Other operations run small built-in jobs through
// RunBuiltInJob (a whole .cmx file) or RunEmbeddedCommand (one command inside
// the running job).
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "frame/error_pairs.h"
#include "frame/event.h"
#include "frame/program.h"
#include "frame/program_file.h"
#include "job/command_file.h"
#include "link/link.h"
#include "platform/process.h"

namespace tarvik::job {

class JobRunner {
 public:
  JobRunner(frame::Program& program, link::RegisterLink& link);
  ~JobRunner();
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  // Takes the program directory (held already by a windowless run), loads
  // the command file and starts the job thread; failures before the thread
  // runs are thrown to the caller's thread boundary. false, with a message,
  // when another process holds the directory: nothing was touched.
  bool StartJob();
  // 0 when the built-in job ended within the limit, 1 on time-out.
  int RunBuiltInJob(const std::string& commandFileName, std::chrono::milliseconds limit);
  // Runs the one command of `baseName`.cmx on the running job's link and waits.
  int RunEmbeddedCommand(const std::string& baseName);
  // Waits until the current job thread has ended.
  void WaitForJobThread();
  bool JobRunning() const;
  link::RegisterLink& Link() { return link_; }

  frame::ManualResetEvent serialJobFinished;
  frame::ManualResetEvent networkJobFinished;
  frame::ManualResetEvent singleCommandFinished;

  // How the last job thread ended the process, when a test double stood in
  // for the process.
  std::optional<platform::ProcessEnding> ProcessEnd() const;

 private:
  void RunThreadBody(void (JobRunner::*body)());
  void SerialJobThread();
  void NetworkJobThread();
  void SingleCommandThread();
  void Dispatch(frame::ErrorPair unknownLetter);
  void ReadCommand();
  void SimulatedRead();
  void SpecialCommand();
  void AddStockToRegister();
  void RefreshRegisterIsFiscal();
  void JoinJobThread();

  frame::Program& program_;
  link::RegisterLink& link_;
  CommandFileState commandFile_;
  int noLinkCommand_ = 0;
  frame::ProgramFile rawCapture_;
  std::thread jobThread_;
  std::thread singleThread_;
  mutable std::mutex endMutex_;
  std::optional<platform::ProcessEnding> processEnd_;
  std::atomic<bool> running_{false};
};

}  // namespace tarvik::job
