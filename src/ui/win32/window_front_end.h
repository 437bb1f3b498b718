// The main window's side of the front end. Job, link and discovery threads
// write status lines and ask questions from their own threads; only the UI
// thread may touch the window, so everything is handed over to it:
//
//  - a status write from a worker returns once the window has repainted the
//    screen; a write on the UI thread repaints at once;
//  - message boxes and other calls run on the UI thread while the worker
//    waits for the answer;
//  - the caret is passed on without waiting; beeps and the activity icon go
//    straight to the system's front end, which any thread may call.
//
// The UI thread itself sometimes waits for a worker (starting a job joins the
// previous job thread). It says so with a UiWait; meanwhile workers do not
// wait for repaints, which follow when the wait is over, so neither side can
// hang on the other. Once the window is gone (Detach) nobody waits for it.
//
// All state shared with workers sits under one mutex; the window's message
// queue only carries a wake-up (kWakeMessage) without data.
#pragma once

#include "platform/win32/windows_api.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ui/frontend.h"

namespace tarvik::ui::win32 {

class StatusView;

// Posted to the owner window; its procedure calls Drain.
inline constexpr UINT kWakeMessage = WM_APP + 1;

class WindowFrontEnd final : public FrontEnd {
 public:
  using BoxCall = std::function<int(HWND owner, const std::wstring& text, unsigned flags)>;

  // Created on the UI thread. `system` beeps and shows the activity icon;
  // `box` shows a message box.
  WindowFrontEnd(FrontEnd& system, BoxCall box);
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
  void Drain();

  // Marks the UI thread as waiting for a worker while it lives.
  class UiWait {
   public:
    explicit UiWait(WindowFrontEnd& frontEnd);
    ~UiWait();
    UiWait(const UiWait&) = delete;
    UiWait& operator=(const UiWait&) = delete;

   private:
    WindowFrontEnd& frontEnd_;
  };

  // Repaints asked for by workers, and how many of them are done.
  struct Paints {
    std::uint64_t asked = 0;
    std::uint64_t done = 0;
  };
  Paints PaintCounts() const;

 private:
  struct Call {
    std::function<void()> task;
    bool started = false;
    bool done = false;
  };

  bool OnUiThread() const;
  void WakeLocked();
  // The box itself; UI thread only.
  int Box(const std::string& text, int style);

  FrontEnd& system_;
  BoxCall box_;
  const std::thread::id uiThread_;
  HWND owner_ = nullptr;
  StatusView* view_ = nullptr;
  std::atomic<bool> attached_{false};

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool detached_ = true;
  bool wakePosted_ = false;
  int uiWaits_ = 0;
  std::uint64_t paintsAsked_ = 0;
  std::uint64_t paintsDone_ = 0;
  std::deque<std::shared_ptr<Call>> calls_;
  bool runningCall_ = false;
  bool caretAsked_ = false;
  bool caretChanged_ = false;
};

}  // namespace tarvik::ui::win32
