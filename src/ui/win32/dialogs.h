// The dialogs of the main window on Windows: "Nastav port a rychlost", the
// IP-address dialog, About and help. Templates are in dialogs.rc (linked
// into the executable that shows them); what the dialogs offer, check and
// write is the window model's (ui/window/line_settings.h, help_text.h).
#pragma once

#include "frame/program.h"
#include "platform/win32/windows_api.h"

namespace tarvik::ui::win32 {

// Starts from glog1.cmx (the parser's failures end as a job's would, before
// the dialog opens); when accepted, the choice is in the connection record
// and the line settings. True when accepted.
bool RunPortDialog(HWND owner, frame::Program& program);
// Starts from iglog1.cmx (51/1 or 51/2 for a bad line, before the dialog
// opens); when accepted, the choice is in the connection record.
bool RunIpDialog(HWND owner, frame::Program& program);
void ShowAbout(HWND owner, frame::Program& program);
void ShowHelp(HWND owner);
// A dialog that cannot be created ends as error 114: subcode 1 the port
// dialog, 2 the IP dialog, 3 About, 4 help.

}  // namespace tarvik::ui::win32
