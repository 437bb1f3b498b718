// The program's icons, drawn rather than loaded so the program needs no
// resource files: the window icon and the two images of the activity icon.
#pragma once

#include <QIcon>

namespace tarvik::ui::qt {

QIcon ProgramIcon();
// The window icon drawn at any size, for the desktop's icon theme.
QPixmap ProgramIconPixmap(int size);
// The two images that alternate while frames move.
QIcon ActivityIcon(bool first);

}  // namespace tarvik::ui::qt
