// Windows: the system's boxes, beeps and activity icon for windowless runs,
// and the main window made with the Windows API.
#include "app/front_ends.h"

#include "frame/failure.h"
#include "frame/settings.h"
#include "platform/win32/windows_api.h"
#include "ui/switchable_front_end.h"
#include "ui/win32/window_app.h"
#include "ui/win32_front_end.h"

namespace tarvik::app {

frame::BuildInfo Build(bool /*forVersion*/) {
  frame::BuildInfo build;
  build.system = "Windows";
#if defined(__x86_64__) || defined(_M_X64)
  build.system += " x86_64";
#elif defined(__aarch64__)
  build.system += " aarch64";
#endif
  return build;
}

// The command line as the system keeps it, not as the C runtime split it.
frame::LongOptionFound FindLongOption(const std::vector<std::string>& /*args*/) {
  return frame::FindLongOptionInLine(GetCommandLineA());
}

void ParseCommandLine(frame::Program& program, const std::vector<std::string>& /*args*/) {
  frame::ParseWindowsCommandLine(program, GetCommandLineA());
}

struct FrontEnds::Parts {
  explicit Parts(platform::Console& out) : console(out), windowless(out) {}
  platform::Console& console;
  // Boxes, beeps and the activity icon of the system, also without a window.
  ui::Win32FrontEnd windowless;
  ui::SwitchableFrontEnd current{windowless};
};

FrontEnds::FrontEnds(platform::Console& console) : parts_(std::make_unique<Parts>(console)) {}
FrontEnds::~FrontEnds() = default;

screen::FrontEnd& FrontEnds::Program() {
  return parts_->current;
}

bool FrontEnds::ChooseWindow(frame::Program& program, bool /*czech*/) {
  const frame::JobSettings& s = program.settings;
  // Setting the clock and searching the ports stay windowless; a Windows
  // session always has a desktop for the window.
  return s.okno && !s.setClockOnly && !s.searchOnly;
}

int FrontEnds::RunWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                         int& /*argc*/, char** /*argv*/) {
  ui::win32::RunMainWindow(program, runner, link, parts_->current, parts_->windowless);
  parts_->console.WriteStderr(
      "Komunikace Tarvik: hlavní okno nelze otevřít: " + std::to_string(GetLastError()) + "\n");
  return 1;
}

void FrontEnds::RunWindowless(frame::Program& program, int& /*argc*/, char** /*argv*/,
                              const std::function<void()>& work) {
  frame::RunGuarded(program, work);
}

}  // namespace tarvik::app
