// The front end of the windowless program on Windows: message boxes of the
// system, its beeps, and the activity icon in the notification area, owned by
// a hidden message-only window. Status lines go to the console as in a run
// without a window elsewhere.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "platform/process.h"
#include "screen/front_end.h"
#include "ui/console_front_end.h"

namespace tarvik::ui {

inline constexpr unsigned kActivityIconId = 773;

// The system calls the front end makes, replaceable so tests need no clicks
// and no notification area.
struct Win32Calls {
  // MessageBoxA without an owner window; returns what it returned.
  std::function<int(const char* text, const char* title, unsigned flags)> messageBox;
  // Shell_NotifyIconA for icon `id` of `window`: `message` is NIM_ADD,
  // NIM_MODIFY or NIM_DELETE, `icon` an HICON (ignored for NIM_DELETE).
  std::function<bool(unsigned message, void* window, unsigned id, void* icon)> notifyIcon;
  // MessageBeep.
  std::function<void(unsigned type)> beep;
};
Win32Calls RealWin32Calls();

class Win32FrontEnd final : public screen::FrontEnd {
 public:
  // Creates the hidden window and the two icons; call on the thread that
  // lives longest (the main thread), since the window belongs to it.
  explicit Win32FrontEnd(platform::Console& console, Win32Calls calls = RealWin32Calls());
  ~Win32FrontEnd() override;
  Win32FrontEnd(const Win32FrontEnd&) = delete;
  Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;

  // A box of the system; when none can be shown (no desktop) the text goes to
  // stderr and the answer is the one that changes nothing.
  int ShowMessage(const std::string& text, int style) override;
  // Without a desktop the failure's stderr line stands for the box.
  void ShowFailureMessage(const std::string& text, int style) override;
  void TerminalWritten(std::string_view bytes) override;
  void Beep(int type) override;
  void ShowActivity() override;
  void SetActivityIcon(bool first) override;
  void HideActivity() override;
  void SetCaret(bool) override {}
  bool HasWindow() const override { return false; }

  // The hidden window owning the icon (an HWND; null when it could not be
  // created, and then the icon is never shown).
  void* IconWindow() const { return window_; }
  // The icon handles (HICON) of the two pictures.
  void* Icon(bool first) const { return first ? iconFirst_ : iconSecond_; }

 private:
  ConsoleFrontEnd console_;
  Win32Calls calls_;
  void* window_ = nullptr;
  void* iconFirst_ = nullptr;
  void* iconSecond_ = nullptr;
  std::mutex iconMutex_;
  bool iconShown_ = false;
};

}  // namespace tarvik::ui
