#include "ui/win32_front_end.h"

#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <shellapi.h>

#include "ui/activity_icons.h"
#include "ui/message_box_flags.h"

namespace tarvik::ui {

// The front end's styles are handed on as they are.
static_assert(screen::kStyleOk == MB_OK && screen::kStyleYesNo == MB_YESNO);
static_assert(screen::kStyleStop == MB_ICONHAND && screen::kStyleQuestion == MB_ICONQUESTION);
static_assert(screen::kStyleExclamation == MB_ICONEXCLAMATION &&
              screen::kStyleInformation == MB_ICONASTERISK);
static_assert(screen::kDefaultSecondButton == MB_DEFBUTTON2);
static_assert(screen::kAnswerOk == IDOK && screen::kAnswerCancel == IDCANCEL &&
              screen::kAnswerYes == IDYES && screen::kAnswerNo == IDNO);
static_assert(screen::kBeepError == MB_ICONHAND &&
              static_cast<UINT>(screen::kBeepSimple) == 0xFFFFFFFFu);

namespace {

constexpr char kTitle[] = "Komunikace Tarvik";
constexpr char kWindowClass[] = "TarvikActivityOwner";

HWND CreateIconWindow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  // A second front end in one process finds the class registered.
  if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return nullptr;
  }
  return CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                         nullptr);
}

HICON CreateActivityIcon(bool first) {
  const IconMasks masks = MakeIconMasks(ActivityIconPicture(first));
  return CreateIcon(GetModuleHandleA(nullptr), kActivityIconSize, kActivityIconSize, 1, 1,
                    masks.andMask.data(), masks.xorMask.data());
}

}  // namespace

Win32Calls RealWin32Calls() {
  Win32Calls calls;
  calls.messageBox = [](const char* text, const char* title, unsigned flags) {
    return MessageBoxA(nullptr, text, title, flags);
  };
  calls.notifyIcon = [](unsigned message, void* window, unsigned id, void* icon) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = static_cast<HWND>(window);
    data.uID = id;
    if (message != NIM_DELETE) {
      data.uFlags = NIF_ICON;
      data.hIcon = static_cast<HICON>(icon);
    }
    return Shell_NotifyIconA(message, &data) != FALSE;
  };
  calls.beep = [](unsigned type) { MessageBeep(type); };
  return calls;
}

Win32FrontEnd::Win32FrontEnd(platform::Console& console, Win32Calls calls)
    : console_(console), calls_(std::move(calls)) {
  window_ = CreateIconWindow();
  iconFirst_ = CreateActivityIcon(true);
  iconSecond_ = CreateActivityIcon(false);
}

Win32FrontEnd::~Win32FrontEnd() {
  HideActivity();
  if (window_ != nullptr) DestroyWindow(static_cast<HWND>(window_));
  if (iconFirst_ != nullptr) DestroyIcon(static_cast<HICON>(iconFirst_));
  if (iconSecond_ != nullptr) DestroyIcon(static_cast<HICON>(iconSecond_));
}

int Win32FrontEnd::ShowMessage(const std::string& text, int style) {
  const int answer = calls_.messageBox(text.c_str(), kTitle, MessageBoxFlags(style));
  if (IsMessageBoxAnswer(answer)) return answer;
  // No desktop to show it on (a service, or wine without a display): the
  // text must not be lost, and nobody may be waited for.
  console_.ShowMessage(text, style);
  return UnshownAnswer(style);
}

void Win32FrontEnd::ShowFailureMessage(const std::string& text, int style) {
  calls_.messageBox(text.c_str(), kTitle, MessageBoxFlags(style));
}

void Win32FrontEnd::TerminalWritten(std::string_view bytes) {
  console_.TerminalWritten(bytes);
}

void Win32FrontEnd::Beep(int type) {
  calls_.beep(static_cast<unsigned>(type));
}

void Win32FrontEnd::ShowActivity() {
  std::lock_guard lock(iconMutex_);
  if (window_ == nullptr || iconShown_) return;
  iconShown_ = calls_.notifyIcon(NIM_ADD, window_, kActivityIconId, iconFirst_);
}

void Win32FrontEnd::SetActivityIcon(bool first) {
  std::lock_guard lock(iconMutex_);
  if (!iconShown_) return;
  calls_.notifyIcon(NIM_MODIFY, window_, kActivityIconId, first ? iconFirst_ : iconSecond_);
}

void Win32FrontEnd::HideActivity() {
  std::lock_guard lock(iconMutex_);
  if (!iconShown_) return;
  calls_.notifyIcon(NIM_DELETE, window_, kActivityIconId, nullptr);
  iconShown_ = false;
}

}  // namespace tarvik::ui
