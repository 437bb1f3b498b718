// How the program opens its main window. The front end the program context
// was made with switches to the window's once the window exists.
#pragma once

#include <atomic>

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "ui/frontend.h"

namespace tarvik::ui::qt {

// Passes every call to the front end of the moment.
class SwitchableFrontEnd final : public FrontEnd {
 public:
  explicit SwitchableFrontEnd(FrontEnd& initial) : target_(&initial) {}
  void SwitchTo(FrontEnd& target) { target_ = &target; }

  int ShowMessage(const std::string& text, int style) override {
    return target_.load()->ShowMessage(text, style);
  }
  void TerminalWritten(std::string_view bytes) override { target_.load()->TerminalWritten(bytes); }
  void Beep(int type) override { target_.load()->Beep(type); }
  void ShowActivity() override { target_.load()->ShowActivity(); }
  void SetActivityIcon(bool first) override { target_.load()->SetActivityIcon(first); }
  void HideActivity() override { target_.load()->HideActivity(); }
  void SetCaret(bool on) override { target_.load()->SetCaret(on); }
  bool HasWindow() const override { return target_.load()->HasWindow(); }

 private:
  std::atomic<FrontEnd*> target_;
};

// Whether a window can be shown here: a display, or a Qt platform named in
// the environment.
bool DisplayAvailable();

// Creates the application and the main window, runs the rest of the
// start-up (search, job) and the message loop, and ends the process with the
// loop's exit code when the window closes.
[[noreturn]] void RunMainWindow(frame::Program& program, job::JobRunner& runner,
                                link::RegisterLink& link, SwitchableFrontEnd& frontEnd, int& argc,
                                char** argv);

}  // namespace tarvik::ui::qt
