// The entry of the window module: the one symbol the program looks up.
#include "ui/qt/window_app.h"

extern "C" __attribute__((visibility("default")))
const tarvik::ui::qt::WindowEntry tarvik_window_entry = {
    tarvik::ui::qt::WindowEntry::kVersion, &tarvik::ui::qt::RunMainWindow,
    &tarvik::ui::qt::RunWindowless, &tarvik::ui::qt::QtVersion};
