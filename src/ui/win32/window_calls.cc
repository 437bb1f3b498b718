#include "ui/win32/window_calls.h"

#include "ui/win32/dialogs.h"

namespace tarvik::ui::win32 {
namespace {

constexpr wchar_t kTitle[] = L"Komunikace Tarvik";

// "name\0pattern\0...\0\0" as the file dialogs take their filters.
std::wstring FilterList(const FileChoice& choice) {
  std::wstring list;
  for (const auto& [name, pattern] : choice.filters) {
    list += name;
    list += L'\0';
    list += pattern;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

std::wstring ChooseFile(HWND owner, const FileChoice& choice) {
  std::wstring file(MAX_PATH * 4, L'\0');
  const std::wstring filters = FilterList(choice);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = choice.directory.empty() ? nullptr : choice.directory.c_str();
  dialog.lpstrTitle = choice.title.c_str();
  dialog.lpstrDefExt = choice.defaultExtension.empty() ? nullptr : choice.defaultExtension.c_str();
  dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  BOOL chosen = FALSE;
  switch (choice.kind) {
    case FileChoice::Kind::kOpenExisting:
      dialog.Flags |= OFN_FILEMUSTEXIST;
      chosen = GetOpenFileNameW(&dialog);
      break;
    case FileChoice::Kind::kOpenAny:
      chosen = GetOpenFileNameW(&dialog);
      break;
    case FileChoice::Kind::kSave:
      dialog.Flags |= OFN_OVERWRITEPROMPT;
      chosen = GetSaveFileNameW(&dialog);
      break;
  }
  if (!chosen) return {};
  file.resize(file.find(L'\0'));
  return file;
}

}  // namespace

WindowCalls RealWindowCalls() {
  WindowCalls calls;
  calls.messageBox = [](HWND owner, const std::wstring& text, unsigned flags) {
    return MessageBoxW(owner, text.c_str(), kTitle, flags);
  };
  calls.chooseFile = ChooseFile;
  calls.chooseFont = [](HWND owner, LOGFONTW* font) {
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    return ChooseFontW(&dialog) != FALSE;
  };
  calls.printDialog = [](PRINTDLGW* dialog) { return PrintDlgW(dialog) != FALSE; };
  calls.portDialog = RunPortDialog;
  calls.ipDialog = RunIpDialog;
  calls.about = ShowAbout;
  calls.help = ShowHelp;
  calls.shiftHeld = [] { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; };
  return calls;
}

}  // namespace tarvik::ui::win32
