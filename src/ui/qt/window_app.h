// How the program opens its main window. The front end the program context
// was made with switches to the window's once the window exists. The window
// is built as a shared module (kWindowModuleFile) that the program loads only
// when it shows a window or a box; this header is all the program sees of it.
#pragma once

#include <functional>
#include <string>

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "screen/front_end.h"
#include "ui/switchable_front_end.h"

namespace tarvik::ui::qt {

// The front end of a windowless run on a desktop: message boxes, beeps and
// the activity icon through the toolkit, the status lines and a copy of
// every plain message on the console as without a display. It has no window, so
// a failure still ends the process instead of restarting it.
class DesktopFrontEnd final : public screen::FrontEnd {
 public:
  DesktopFrontEnd(screen::FrontEnd& console, screen::FrontEnd& toolkit)
      : console_(console), toolkit_(toolkit) {}

  int ShowMessage(const std::string& text, int style) override {
    // Calling programs that capture the output keep the text too; a question
    // is answered in its box only.
    if ((style & 0x0F) == screen::kStyleOk) console_.ShowMessage(text, style);
    return toolkit_.ShowMessage(text, style);
  }
  void ShowFailureMessage(const std::string& text, int style) override {
    toolkit_.ShowMessage(text, style);
  }
  void TerminalWritten(std::string_view bytes) override { console_.TerminalWritten(bytes); }
  void Beep(int type) override { toolkit_.Beep(type); }
  void ShowActivity() override { toolkit_.ShowActivity(); }
  void SetActivityIcon(bool first) override { toolkit_.SetActivityIcon(first); }
  void HideActivity() override { toolkit_.HideActivity(); }
  void SetCaret(bool) override {}
  bool HasWindow() const override { return false; }

 private:
  screen::FrontEnd& console_;
  screen::FrontEnd& toolkit_;
};

// The version of the Qt library the program runs with.
std::string QtVersion();

// Creates the application and the main window, runs the rest of the
// start-up (search, job) and the message loop, and ends the process with the
// loop's exit code when the window closes.
[[noreturn]] void RunMainWindow(frame::Program& program, job::JobRunner& runner,
                                link::RegisterLink& link, SwitchableFrontEnd& frontEnd, int& argc,
                                char** argv);

// A windowless run on a desktop: `work` (the rest of start-up, which ends
// the process itself) runs on a thread of its own while this thread shows
// its boxes and the activity icon. Ends the process with exit code 0 should
// `work` return.
[[noreturn]] void RunWindowless(frame::Program& program, SwitchableFrontEnd& frontEnd,
                                screen::FrontEnd& console, int& argc, char** argv,
                                const std::function<void()>& work);

// What the window module hands the program, found under kWindowEntrySymbol.
// kVersion changes whenever these functions or the classes they are passed
// change, so that a module left from another build is refused, not called.
struct WindowEntry {
  static constexpr int kVersion = 1;
  int version;
  decltype(&RunMainWindow) runMainWindow;
  decltype(&RunWindowless) runWindowless;
  decltype(&QtVersion) qtVersion;
};

inline constexpr char kWindowModuleFile[] = "tarvik-window.so";
inline constexpr char kWindowEntrySymbol[] = "tarvik_window_entry";

}  // namespace tarvik::ui::qt
