// What a windowless program on Windows makes of the front end's message-box
// styles and of a box that could not be shown. Portable, so the rules are
// checked everywhere.
#pragma once

namespace tarvik::ui {

// The buttons, icon and default button of `style` (its values are the system's
// own), plus foreground and topmost: nothing owns the box, and the program that
// started us may cover the screen. Other bits are dropped.
unsigned MessageBoxFlags(int style);

// Whether a message-box result is one of the system's answers (1..11); a
// failed box returns 0, and some systems without a display -1.
bool IsMessageBoxAnswer(int result);

// The answer taken when no box could be shown: the one that changes nothing
// (No for yes/no, Cancel where there is one, else OK).
int UnshownAnswer(int style);

}  // namespace tarvik::ui
