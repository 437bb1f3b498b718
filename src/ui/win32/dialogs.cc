#include "ui/win32/dialogs.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/codepage.h"
#include "frame/error_pairs.h"
#include "frame/errors.h"
#include "frame/status.h"
#include "ui/win32/resource_ids.h"
#include "ui/window/help_text.h"
#include "ui/window/line_settings.h"

namespace tarvik::ui::win32 {
namespace {

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

std::wstring Wide(std::string_view utf8) {
  const std::u16string text = frame::Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

void SetText(HWND window, std::string_view utf8) {
  SetWindowTextW(window, Wide(utf8).c_str());
}

void SetItemText(HWND dialog, int id, std::string_view utf8) {
  SetDlgItemTextW(dialog, id, Wide(utf8).c_str());
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return frame::Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

void LimitText(HWND dialog, int id, int characters) {
  SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

template <typename Texts>
void FillList(HWND dialog, int id, const Texts& texts, int current) {
  for (const auto& text : texts) {
    const std::wstring item = Wide(text);
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
}

int Selection(HWND dialog, int id) {
  const LRESULT index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

// What a line dialog keeps between opening and closing.
template <typename Choices>
struct LineDialog {
  frame::Program& program;
  Choices choices;
  // Reads the controls; and what is wrong with their values, if anything.
  Choices (*read)(HWND dialog);
  std::optional<std::string> (*check)(const Choices& choices);
  int focusOnProblem;
};

void FillPortDialog(HWND dialog, const frame::Program& program, const window::PortChoices& c) {
  SetText(dialog, window::kPortDialogTitle);
  for (std::size_t i = 0; i < window::kPortLabels.size(); ++i) {
    SetItemText(dialog, TARVIK_IDC_PORT_LABEL + static_cast<int>(i), window::kPortLabels[i]);
  }
  FillList(dialog, TARVIK_IDC_PORT, window::PortNames(program), c.port);
  FillList(dialog, TARVIK_IDC_SPEED, window::kSpeeds, c.speed);
  SetItemText(dialog, TARVIK_IDC_TERMINAL, c.terminal);
  LimitText(dialog, TARVIK_IDC_TERMINAL, 6);
  FillList(dialog, TARVIK_IDC_DATA_BITS, std::vector<std::string>{"5", "6", "7", "8"}, c.dataBits);
  FillList(dialog, TARVIK_IDC_PARITY, window::kParities, c.parity);
  std::vector<std::string_view> models;
  for (std::size_t i = 0; i < window::kRegisterModels.size(); ++i) {
    models.push_back(window::ModelCode(i));
  }
  FillList(dialog, TARVIK_IDC_MODEL, models, c.model);
  SetItemText(dialog, TARVIK_IDC_LOG_NAME, c.logName);
  LimitText(dialog, TARVIK_IDC_LOG_NAME, window::kMaxLogNameInput);
}

window::PortChoices ReadPortDialog(HWND dialog) {
  window::PortChoices c;
  c.port = Selection(dialog, TARVIK_IDC_PORT);
  c.speed = Selection(dialog, TARVIK_IDC_SPEED);
  c.terminal = ItemText(dialog, TARVIK_IDC_TERMINAL);
  c.dataBits = Selection(dialog, TARVIK_IDC_DATA_BITS);
  c.parity = Selection(dialog, TARVIK_IDC_PARITY);
  c.model = Selection(dialog, TARVIK_IDC_MODEL);
  c.logName = ItemText(dialog, TARVIK_IDC_LOG_NAME);
  return c;
}

void FillIpDialog(HWND dialog, const frame::Program&, const window::IpChoices& c) {
  SetText(dialog, window::kIpDialogTitle);
  for (std::size_t i = 0; i < window::kIpLabels.size(); ++i) {
    SetItemText(dialog, TARVIK_IDC_IP_LABEL + static_cast<int>(i), window::kIpLabels[i]);
  }
  for (std::size_t i = 0; i < c.octets.size(); ++i) {
    SetItemText(dialog, TARVIK_IDC_OCTET + static_cast<int>(i), c.octets[i]);
    LimitText(dialog, TARVIK_IDC_OCTET + static_cast<int>(i), 3);
  }
  FillList(dialog, TARVIK_IDC_IP_MODEL, window::IpModelNames(), c.model);
  SetItemText(dialog, TARVIK_IDC_IP_TERMINAL, c.terminal);
  LimitText(dialog, TARVIK_IDC_IP_TERMINAL, 3);
}

window::IpChoices ReadIpDialog(HWND dialog) {
  window::IpChoices c;
  for (std::size_t i = 0; i < c.octets.size(); ++i) {
    c.octets[i] = ItemText(dialog, TARVIK_IDC_OCTET + static_cast<int>(i));
  }
  c.model = Selection(dialog, TARVIK_IDC_IP_MODEL);
  c.terminal = ItemText(dialog, TARVIK_IDC_IP_TERMINAL);
  return c;
}

template <typename Choices>
LineDialog<Choices>* StateOf(HWND dialog) {
  return reinterpret_cast<LineDialog<Choices>*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Runs on the window thread inside the system's dialog loop: nothing here
// may throw, so the model's code that can fail runs before and after.
template <typename Choices, void (*Fill)(HWND, const frame::Program&, const Choices&)>
INT_PTR CALLBACK LineDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const auto* state = reinterpret_cast<LineDialog<Choices>*>(lParam);
      Fill(dialog, state->program, state->choices);
      SetItemText(dialog, IDCANCEL, window::kCancelText);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        LineDialog<Choices>* state = StateOf<Choices>(dialog);
        Choices chosen = state->read(dialog);
        if (std::optional<std::string> problem = state->check(chosen)) {
          SetItemText(dialog, TARVIK_IDC_PROBLEM, *problem);
          MessageBeep(MB_ICONEXCLAMATION);
          SetFocus(GetDlgItem(dialog, state->focusOnProblem));
          return TRUE;
        }
        state->choices = std::move(chosen);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// Runs a modal dialog and returns the button that closed it. A dialog that
// cannot be created (a template missing from the executable, an owner that
// is gone) fails with the dialog's own pair.
INT_PTR RunModal(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter,
                 frame::ErrorPair failure) {
  const INT_PTR result =
      DialogBoxParamW(Instance(), MAKEINTRESOURCEW(templateId), owner, procedure, parameter);
  // 0 is an owner that is no window, -1 any other failure; the dialogs
  // themselves end only with IDOK or IDCANCEL.
  if (result == 0 || result == -1) {
    frame::Fail(failure, GetLastError(),
                frame::W(frame::Format("dialog %d nelze vytvořit", templateId)));
  }
  return result;
}

template <typename Choices, void (*Fill)(HWND, const frame::Program&, const Choices&)>
bool RunLineDialog(HWND owner, int templateId, frame::ErrorPair failure,
                   LineDialog<Choices>& state) {
  return RunModal(owner, templateId, LineDialogProc<Choices, Fill>,
                  reinterpret_cast<LPARAM>(&state), failure) == IDOK;
}

// Every button of About and help closes it.
bool Closes(HWND dialog, WPARAM wParam) {
  if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return false;
  EndDialog(dialog, LOWORD(wParam));
  return true;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetText(dialog, window::kAboutTitle);
      HICON icon = LoadIconW(Instance(), MAKEINTRESOURCEW(TARVIK_IDI_PROGRAM));
      if (icon == nullptr) icon = LoadIconA(nullptr, IDI_APPLICATION);
      SendDlgItemMessageW(dialog, TARVIK_IDC_ABOUT_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(icon), 0);
      const std::array<std::string, 3> texts = window::AboutTexts();
      for (std::size_t i = 0; i < texts.size(); ++i) {
        SetItemText(dialog, TARVIK_IDC_ABOUT_TEXT + static_cast<int>(i), texts[i]);
      }
      SetItemText(dialog, IDCANCEL, window::kCancelText);
      return TRUE;
    }
    case WM_COMMAND:
      return Closes(dialog, wParam) ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

// The help text in a fixed-pitch font, its lines as the edit control wants
// them (CR LF).
INT_PTR CALLBACK HelpProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetText(dialog, window::kHelpTitle);
      HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               FIXED_PITCH | FF_MODERN, L"Courier New");
      SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(font));
      if (font != nullptr) {
        SendDlgItemMessageW(dialog, TARVIK_IDC_HELP_TEXT, WM_SETFONT,
                            reinterpret_cast<WPARAM>(font), FALSE);
      }
      std::string text;
      for (char c : window::HelpText()) {
        if (c == '\n') text += '\r';
        text += c;
      }
      SetItemText(dialog, TARVIK_IDC_HELP_TEXT, text);
      // The caret would otherwise select the whole text.
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    case WM_COMMAND:
      return Closes(dialog, wParam) ? TRUE : FALSE;
    case WM_DESTROY:
      if (auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(dialog, DWLP_USER))) {
        DeleteObject(font);
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool RunPortDialog(HWND owner, frame::Program& program) {
  window::LoadLogoConnection(program);
  LineDialog<window::PortChoices> state{program, window::StartingPortChoices(program),
                                        ReadPortDialog, window::CheckPortChoices,
                                        TARVIK_IDC_LOG_NAME};
  if (!RunLineDialog<window::PortChoices, FillPortDialog>(
          owner, TARVIK_IDD_PORT, frame::error::kPortDialogNotCreated, state)) {
    return false;
  }
  window::ApplyPortChoices(program, state.choices);
  return true;
}

bool RunIpDialog(HWND owner, frame::Program& program) {
  LineDialog<window::IpChoices> state{program, window::StartingIpChoices(program), ReadIpDialog,
                                      window::CheckIpChoices, TARVIK_IDC_OCTET};
  if (!RunLineDialog<window::IpChoices, FillIpDialog>(owner, TARVIK_IDD_IP,
                                                      frame::error::kIpDialogNotCreated, state)) {
    return false;
  }
  window::ApplyIpChoices(program, state.choices);
  return true;
}

void ShowAbout(HWND owner, frame::Program&) {
  RunModal(owner, TARVIK_IDD_ABOUT, AboutProc, 0, frame::error::kAboutDialogNotCreated);
}

void ShowHelp(HWND owner) {
  RunModal(owner, TARVIK_IDD_HELP, HelpProc, 0, frame::error::kHelpDialogNotCreated);
}

}  // namespace tarvik::ui::win32
