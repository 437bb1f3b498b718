#include "ui/window/window_work.h"

#include "frame/failure.h"
#include "frame/program_file.h"
#include "frame/status.h"
#include "job/special_jobs.h"
#include "journal/journal_verify.h"
#include "link/discovery.h"
#include "link/logo.h"
#include "link/network_link.h"
#include "screen/front_end.h"

namespace tarvik::ui::window {

WindowWork::WindowWork(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                       UiHandOff& handOff, std::function<void()> operationEnded)
    : program_(program),
      runner_(runner),
      link_(link),
      handOff_(handOff),
      operationEnded_(std::move(operationEnded)) {}

WindowWork::~WindowWork() {
  WaitForOperation();
}

bool WindowWork::Busy() const {
  return runner_.JobRunning() || operationRunning_.load();
}

void WindowWork::WaitForOperation() {
  if (operation_.joinable()) operation_.join();
}

void WindowWork::JoinEndedOperation() {
  if (!operationRunning_ && operation_.joinable()) operation_.join();
}

std::optional<platform::ProcessEnding> WindowWork::ProcessEnd() const {
  std::lock_guard<std::mutex> lock(endMutex_);
  return processEnd_;
}

void WindowWork::Guarded(const std::function<void()>& body) {
  try {
    frame::RunGuarded(program_, body);
  } catch (const platform::ProcessEnding& end) {
    std::lock_guard<std::mutex> lock(endMutex_);
    processEnd_ = end;
  }
}

void WindowWork::StartJob() {
  if (Busy()) return;
  Guarded([this] {
    {
      // The previous job thread is past its last status line; joining it
      // must not make it wait for a repaint.
      UiHandOff::UiWait wait(handOff_);
      runner_.WaitForJobThread();
    }
    runner_.StartJob();
  });
}

void WindowWork::StartOperation(std::function<void()> body) {
  if (Busy()) return;
  {
    UiHandOff::UiWait wait(handOff_);
    runner_.WaitForJobThread();
    if (operation_.joinable()) operation_.join();
  }
  operationRunning_ = true;
  operation_ = std::thread([this, body = std::move(body)] {
    Guarded(body);
    operationRunning_ = false;
    if (operationEnded_) operationEnded_();
  });
}

void WindowWork::StartRequestedWork() {
  const frame::JobSettings& s = program_.settings;
  if (!s.searchWithWindow) {
    if (s.jobRequested) StartJob();
    return;
  }
  // The job named as well runs after the search.
  const bool job = s.jobRequested != 0;
  StartOperation([this, job] {
    if (!link::FindRegister(program_, link_)) {
      frame::ShowMessage(program_, "Nenalezl jsem zadnou pokladnu.", screen::kStyleExclamation);
    }
    if (job) runner_.StartJob();
  });
}

void WindowWork::SetClockOrLoadVat(bool vat) {
  StartOperation([this, vat] {
    if (vat) {
      job::LoadVatRates(program_, runner_, 14, 15, 20, 21);
    } else {
      job::SetRegisterClock(program_, runner_);
    }
  });
}

void WindowWork::VerifyJournal(const std::string& file) {
  StartOperation([this, file] {
    journal::ShowJournalVerdict(program_, journal::VerifyJournal(program_, file, true));
  });
}

void WindowWork::FindRegister() {
  StartOperation([this] {
    if (!link::FindRegister(program_, link_)) {
      frame::ShowMessage(program_, "Nenalezl jsem zadnou pokladnu.", screen::kStyleExclamation);
    }
  });
}

void WindowWork::UploadLogo(std::function<std::optional<std::string>()> chooseFile) {
  link::LogoUploadHooks hooks;
  hooks.chooseFile = std::move(chooseFile);
  hooks.runBuiltInJob = [this](const std::string& name, std::chrono::milliseconds limit) {
    return runner_.RunBuiltInJob(name, limit);
  };
  StartOperation([this, hooks] { link::UploadLogo(program_, 1, hooks); });
}

void WindowWork::CloseIdleNetwork() {
  if (!Busy() && link_.Network().Connected()) Guarded([this] { link_.CloseNetwork(); });
}

void WindowWork::CloseIdleSerialPort() {
  if (!Busy()) Guarded([this] { link_.CloseSerialPort(); });
}

}  // namespace tarvik::ui::window
