// The front end the program context is made with: it passes every call to
// the front end of the moment, which becomes the window's once the window
// exists.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "screen/front_end.h"

namespace tarvik::ui {

class SwitchableFrontEnd final : public screen::FrontEnd {
 public:
  explicit SwitchableFrontEnd(screen::FrontEnd& initial) : target_(&initial) {}
  void SwitchTo(screen::FrontEnd& target) { target_ = &target; }

  int ShowMessage(const std::string& text, int style) override {
    return target_.load()->ShowMessage(text, style);
  }
  void ShowFailureMessage(const std::string& text, int style) override {
    target_.load()->ShowFailureMessage(text, style);
  }
  void TerminalWritten(std::string_view bytes) override { target_.load()->TerminalWritten(bytes); }
  void Beep(int type) override { target_.load()->Beep(type); }
  void ShowActivity() override { target_.load()->ShowActivity(); }
  void SetActivityIcon(bool first) override { target_.load()->SetActivityIcon(first); }
  void HideActivity() override { target_.load()->HideActivity(); }
  void SetCaret(bool on) override { target_.load()->SetCaret(on); }
  bool HasWindow() const override { return target_.load()->HasWindow(); }

 private:
  std::atomic<screen::FrontEnd*> target_;
};

}  // namespace tarvik::ui
