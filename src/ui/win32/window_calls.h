// Every modal question the main window asks goes through WindowCalls, so the
// window can be driven without anybody clicking: the program uses the
// system's common dialogs and message boxes, the tests recording stand-ins.
#pragma once

#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <commdlg.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "frame/program.h"

namespace tarvik::ui::win32 {

// An open or save dialog.
struct FileChoice {
  enum class Kind { kOpenExisting, kOpenAny, kSave };
  Kind kind = Kind::kOpenExisting;
  std::wstring title;
  std::wstring directory;
  // Name and pattern ("Cmdéčka", "*.cmd;*.CMD").
  std::vector<std::pair<std::wstring, std::wstring>> filters;
  std::wstring defaultExtension;
};

struct WindowCalls {
  // MessageBoxW owned by `owner`, titled "Komunikace Tarvik"; returns the answer
  // (0 when no box could be shown).
  std::function<int(HWND owner, const std::wstring& text, unsigned flags)> messageBox;
  // The full path chosen, or empty when the dialog was cancelled.
  std::function<std::wstring(HWND owner, const FileChoice& choice)> chooseFile;
  // ChooseFontW over *font; false when cancelled.
  std::function<bool(HWND owner, LOGFONTW* font)> chooseFont;
  // PrintDlgW with PD_RETURNDC; false when cancelled (no device context).
  std::function<bool(PRINTDLGW* dialog)> printDialog;
  // The dialogs of the serial line and the network addresses (true when
  // accepted), About and the help.
  std::function<bool(HWND owner, frame::Program& program)> portDialog;
  std::function<bool(HWND owner, frame::Program& program)> ipDialog;
  std::function<void(HWND owner, frame::Program& program)> about;
  std::function<void(HWND owner)> help;
  // Whether Shift is held at the moment of a command.
  std::function<bool()> shiftHeld;
};

// The system's dialogs and boxes.
WindowCalls RealWindowCalls();

}  // namespace tarvik::ui::win32
