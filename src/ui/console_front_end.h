// The front end of a run without a window. Message boxes go to stderr, one
// per line, prefixed "Komunikace Tarvik: "; status lines are echoed to stdout
// only when stdout is a terminal, each on a line of its own. Questions are
// answered with their default.
#pragma once

#include <mutex>

#include "platform/process.h"
#include "screen/front_end.h"

namespace tarvik::ui {

class ConsoleFrontEnd final : public screen::FrontEnd {
 public:
  explicit ConsoleFrontEnd(platform::Console& console) : console_(console) {}
  int ShowMessage(const std::string& text, int style) override;
  // Nothing: the failure's own stderr line says it all.
  void ShowFailureMessage(const std::string&, int) override {}
  void TerminalWritten(std::string_view bytes) override;
  void Beep(int type) override;
  void ShowActivity() override {}
  void SetActivityIcon(bool) override {}
  void HideActivity() override {}
  void SetCaret(bool) override {}

 private:
  platform::Console& console_;
  std::mutex echoMutex_;
  bool lastWasCr_ = false;
  bool openMarks_ = false;     // the line of "*" marks is still open
  bool lineEndAdded_ = false;  // the last line end was added, not written
};

}  // namespace tarvik::ui
