#include "platform/desktop.h"

namespace tarvik::platform {

// A Windows session always has a desktop to show message boxes and the
// window on.
bool DisplayAvailable() {
  return true;
}

}  // namespace tarvik::platform
