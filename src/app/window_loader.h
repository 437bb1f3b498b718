// The window module beside the executable, loaded when a window or a box is
// to be shown.
#pragma once

#include <string>

#include "ui/qt/window_app.h"

namespace tarvik::app {

// Null with the reason in *error when the module is missing, cannot be
// loaded or belongs to another build.
const ui::qt::WindowEntry* LoadWindowModule(std::string* error);

}  // namespace tarvik::app
