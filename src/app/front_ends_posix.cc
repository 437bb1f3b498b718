// Linux: the console front end, and the Qt window (a module loaded only when
// a display is there) where the build has it.
#include "app/front_ends.h"

#include "frame/failure.h"
#include "frame/settings.h"
#include "platform/desktop.h"
#include "ui/console_front_end.h"
#include "ui/switchable_front_end.h"
#if TARVIK_WITH_QT
#include "app/window_loader.h"
#endif

namespace tarvik::app {

frame::BuildInfo Build(bool forVersion) {
  frame::BuildInfo build;
  build.system = "Linux";
#if defined(__x86_64__)
  build.system += " x86_64";
#elif defined(__aarch64__)
  build.system += " aarch64";
#endif
#if TARVIK_WITH_QT
  // The Qt version is asked of the window module, loaded for that only.
  if (forVersion) {
    std::string error;
    const ui::qt::WindowEntry* window = LoadWindowModule(&error);
    build.qtVersion = window ? window->qtVersion() : "? (" + error + ")";
  }
#else
  (void)forVersion;
#endif
  return build;
}

frame::LongOptionFound FindLongOption(const std::vector<std::string>& args) {
  return frame::FindLongOption(args);
}

void ParseCommandLine(frame::Program& program, const std::vector<std::string>& args) {
  frame::ParseCommandLine(program, args);
}

struct FrontEnds::Parts {
  explicit Parts(platform::Console& out) : console(out), windowless(out) {}
  platform::Console& console;
  ui::ConsoleFrontEnd windowless;
  // The console answers until the window exists.
  ui::SwitchableFrontEnd current{windowless};
  bool desktop = false;
};

FrontEnds::FrontEnds(platform::Console& console) : parts_(std::make_unique<Parts>(console)) {}
FrontEnds::~FrontEnds() = default;

screen::FrontEnd& FrontEnds::Program() {
  return parts_->current;
}

bool FrontEnds::ChooseWindow(frame::Program& program, bool czech) {
  const frame::JobSettings& s = program.settings;
#if TARVIK_WITH_QT
  parts_->desktop = platform::DisplayAvailable();
  const char* why = "hlavní okno nelze otevřít, není k dispozici žádný displej";
#else
  const char* why = "hlavní okno není v tomto sestavení k dispozici";
#endif
  // Setting the clock and searching the ports stay windowless.
  if (!s.okno || s.setClockOnly || s.searchOnly) return false;
  if (TARVIK_WITH_QT && parts_->desktop) return true;
  // A job asked to run with a window runs without one.
  if (!s.jobRequested && !s.searchWithWindow) {
    parts_->console.WriteStderr(std::string("Komunikace Tarvik: ") + why +
                                "; spusťte program s příkazovým souborem.\n\n" +
                                frame::UsageText(czech));
    program.process.Exit(frame::kUsageExitCode);
  }
  return false;
}

int FrontEnds::RunWindow([[maybe_unused]] frame::Program& program,
                         [[maybe_unused]] job::JobRunner& runner,
                         [[maybe_unused]] link::RegisterLink& link, [[maybe_unused]] int& argc,
                         [[maybe_unused]] char** argv) {
  std::string error = "this build has no window";
#if TARVIK_WITH_QT
  // The toolkit is loaded only here: a run without a display never maps it.
  if (const ui::qt::WindowEntry* window = LoadWindowModule(&error)) {
    window->runMainWindow(program, runner, link, parts_->current, argc, argv);
  }
#endif
  parts_->console.WriteStderr("Komunikace Tarvik: hlavní okno nelze otevřít: " + error + "\n");
  return 1;
}

void FrontEnds::RunWindowless(frame::Program& program, [[maybe_unused]] int& argc,
                              [[maybe_unused]] char** argv, const std::function<void()>& work) {
#if TARVIK_WITH_QT
  if (parts_->desktop) {
    std::string error;
    // On a Linux desktop the boxes of a windowless run appear as boxes.
    if (const ui::qt::WindowEntry* window = LoadWindowModule(&error)) {
      window->runWindowless(program, parts_->current, parts_->windowless, argc, argv, work);
    }
    parts_->console.WriteStderr("Komunikace Tarvik: okna hlášení nelze ukázat (" + error +
                                "); hlášení jdou jen na standardní chybový výstup.\n");
  }
#endif
  frame::RunGuarded(program, work);
}

}  // namespace tarvik::app
