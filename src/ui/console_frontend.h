// The front end of a run without a window. Message boxes go to stderr, one
// per line, prefixed "Komunikace Tarvik: "; status lines are echoed to stdout
// only when stdout is a terminal. Questions are answered with their default.
#pragma once

#include "platform/process.h"
#include "ui/frontend.h"

namespace tarvik::ui {

class ConsoleFrontEnd final : public FrontEnd {
 public:
  explicit ConsoleFrontEnd(platform::Console& console) : console_(console) {}
  int ShowMessage(const std::string& text, int style) override;
  void TerminalWritten(std::string_view bytes) override;
  void Beep(int type) override;
  void ShowActivity() override {}
  void SetActivityIcon(bool) override {}
  void HideActivity() override {}
  void SetCaret(bool) override {}

 private:
  platform::Console& console_;
  bool lastWasCr_ = false;
};

}  // namespace tarvik::ui
