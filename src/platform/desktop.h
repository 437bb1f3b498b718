// Whether message boxes and a window can be shown: a desktop session the
// program can reach.
#pragma once

namespace tarvik::platform {

// True when a display is there to show a window on. On Linux a DISPLAY or
// WAYLAND_DISPLAY that names a server which accepts connections, or a Qt
// platform chosen in QT_QPA_PLATFORM (other than the two display-bound
// ones); a stale DISPLAY left in the environment of a scheduled job counts as
// none, so the job does not end in the toolkit's abort.
bool DisplayAvailable();

// Whether the user reads Czech: LC_ALL, LC_MESSAGES or LANG (the first that is
// set and not empty) starts with "cs"; on Windows, when none is set, the
// language of the user's interface.
bool UserLanguageIsCzech();

}  // namespace tarvik::platform
