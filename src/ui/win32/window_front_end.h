// The main window's side of the front end on Windows: the hand-off of
// ui/window/ui_hand_off.h with the window's message queue carrying its
// wake-ups (kWakeMessage, posted with PostMessage), the status view repainted
// and boxes owned by the window. Beeps and the activity icon go straight to
// the system's front end, which any thread may call.
#pragma once

#include "platform/win32/windows_api.h"

#include <atomic>
#include <functional>
#include <string>

#include "screen/front_end.h"
#include "ui/window/ui_hand_off.h"

namespace tarvik::ui::win32 {

class StatusView;

// Posted to the owner window; its procedure calls Drain.
inline constexpr UINT kWakeMessage = WM_APP + 1;

class WindowFrontEnd final : public screen::FrontEnd {
 public:
  using BoxCall = std::function<int(HWND owner, const std::wstring& text, unsigned flags)>;

  // Created on the UI thread. `system` beeps and shows the activity icon;
  // `box` shows a message box.
  WindowFrontEnd(screen::FrontEnd& system, BoxCall box);
  ~WindowFrontEnd() override;
  WindowFrontEnd(const WindowFrontEnd&) = delete;
  WindowFrontEnd& operator=(const WindowFrontEnd&) = delete;

  // The window that owns the boxes and gets the wake-ups, and the view of
  // the screen. Until then, and after Detach, writes do not wait and
  // questions get their default answer.
  void Attach(HWND owner, StatusView* view);
  void Detach();

  int ShowMessage(const std::string& text, int style) override;
  void TerminalWritten(std::string_view bytes) override;
  void Beep(int type) override;
  void ShowActivity() override;
  void SetActivityIcon(bool first) override;
  void HideActivity() override;
  void SetCaret(bool on) override;
  bool HasWindow() const override;

  // Runs `task` on the UI thread and returns after it ran (at once when
  // called there). False, without running it, when the window is gone.
  bool RunOnUiThread(const std::function<void()>& task);

  // The owner's answer to kWakeMessage: repaints, the caret, waiting calls.
  void Drain() { handOff_.Drain(); }

  // Marks the UI thread as waiting for a worker while it lives.
  class UiWait {
   public:
    explicit UiWait(WindowFrontEnd& frontEnd) : wait_(frontEnd.handOff_) {}

   private:
    window::UiHandOff::UiWait wait_;
  };

  // What the window's work marks its waits with.
  window::UiHandOff& HandOff() { return handOff_; }
  // Repaints asked for by workers, and how many of them are done.
  window::UiHandOff::Paints PaintCounts() const { return handOff_.PaintCounts(); }

 private:
  // The box itself; UI thread only.
  int Box(const std::string& text, int style);

  screen::FrontEnd& system_;
  BoxCall box_;
  std::atomic<HWND> owner_{nullptr};
  StatusView* view_ = nullptr;
  window::UiHandOff handOff_;
};

}  // namespace tarvik::ui::win32
