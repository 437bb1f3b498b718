// What the main window starts, whatever the toolkit: a job on the job
// runner's thread, the longer operations (date and time, VAT, journal
// verification, logo, register search) on an operation thread of the
// window, and the failure exit of either. The view only asks its questions
// on the UI thread and refreshes its menu when work starts or ends.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "platform/process.h"
#include "ui/window/ui_hand_off.h"

namespace tarvik::ui::window {

class WindowWork {
 public:
  // `operationEnded` runs on the operation thread as it ends; the view
  // refreshes its busy state on its UI thread.
  WindowWork(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
             UiHandOff& handOff, std::function<void()> operationEnded);
  ~WindowWork();
  WindowWork(const WindowWork&) = delete;
  WindowWork& operator=(const WindowWork&) = delete;

  // A job or an operation runs.
  bool Busy() const;
  // Joins an operation thread that has ended (the UI thread, when refreshing).
  void JoinEndedOperation();
  // Waits for the operation thread (the window goes).
  void WaitForOperation();
  // How the process would have ended on the UI or operation thread, when a
  // test double stood in for the process.
  std::optional<platform::ProcessEnding> ProcessEnd() const;

  // A body run to its thread boundary: a failure ends in the failure exit.
  void Guarded(const std::function<void()>& body);
  // Start the job of the command file named in the program, or an
  // operation; refused while work runs.
  void StartJob();
  void StartOperation(std::function<void()> body);
  // The rest of the start-up: the search asked for with /najdi, then the
  // job named on the command line.
  void StartRequestedWork();

  // The operations of the Akce menu.
  void SetClockOrLoadVat(bool vat);
  void VerifyJournal(const std::string& file);
  void FindRegister();
  // `chooseFile` runs on the operation thread (it asks on the UI thread).
  void UploadLogo(std::function<std::optional<std::string>()> chooseFile);

  // Konec: the network connection is closed when nothing uses it.
  void CloseIdleNetwork();
  // The window closes: the serial port is closed unless a job keeps it.
  void CloseIdleSerialPort();

 private:
  frame::Program& program_;
  job::JobRunner& runner_;
  link::RegisterLink& link_;
  UiHandOff& handOff_;
  std::function<void()> operationEnded_;
  std::thread operation_;
  std::atomic<bool> operationRunning_{false};
  mutable std::mutex endMutex_;
  std::optional<platform::ProcessEnding> processEnd_;
};

}  // namespace tarvik::ui::window
