// How a window's front end hands work from job, link and discovery threads
// to its UI thread, whatever the toolkit. Only the UI thread may touch the
// window, so:
//
//  - a status write from a worker returns once the window has repainted the
//    screen; a write on the UI thread repaints at once;
//  - message boxes and other calls run on the UI thread while the worker
//    waits for them;
//  - beeps, the caret and the activity icon are passed on without waiting.
//
// The UI thread itself sometimes waits for a worker (starting a job joins
// the previous job thread). It says so with a UiWait; meanwhile workers do
// not wait for repaints, which follow when the wait is over, so neither side
// can hang on the other. Once the window is gone (Detach) nobody waits.
//
// All shared state sits under one mutex; the toolkit's queue only carries a
// wake-up without data, after which the UI thread calls Drain.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tarvik::ui::window {

class UiHandOff {
 public:
  // What the toolkit does on the UI thread (Drain calls them), and the
  // wake-up it posts from any thread (false when it could not be posted).
  struct Toolkit {
    std::function<bool()> wake;
    std::function<void()> repaint;
    std::function<void(bool on)> setCaret;
    std::function<void()> beep;
    std::function<void(bool shown, bool firstImage)> showActivity;
  };

  // Created on the UI thread.
  explicit UiHandOff(Toolkit toolkit);
  ~UiHandOff();
  UiHandOff(const UiHandOff&) = delete;
  UiHandOff& operator=(const UiHandOff&) = delete;

  // Until Attach, and after Detach, writes do not wait and calls do not run.
  void Attach();
  void Detach();
  bool Attached() const { return attached_.load(); }
  bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

  void TerminalWritten();
  // Runs `task` on the UI thread and returns after it ran (at once when
  // called there). False, without running it, when the window is gone.
  bool RunOnUiThread(const std::function<void()>& task);
  void Beep();
  void SetActivity(bool shown);
  void SetActivityImage(bool first);
  void SetCaret(bool on);

  // The UI thread's answer to a wake-up.
  void Drain();

  // Marks the UI thread as waiting for a worker while it lives.
  class UiWait {
   public:
    explicit UiWait(UiHandOff& handOff);
    ~UiWait();
    UiWait(const UiWait&) = delete;
    UiWait& operator=(const UiWait&) = delete;

   private:
    UiHandOff& handOff_;
  };

  struct Paints {
    std::uint64_t asked = 0;
    std::uint64_t done = 0;
  };
  Paints PaintCounts() const;
  int Beeps() const;
  struct Activity {
    bool shown = false;
    bool firstImage = true;
  };
  Activity ActivityState() const;

 private:
  struct Call {
    std::function<void()> task;
    bool started = false;
    bool done = false;
  };
  void WakeLocked();

  const Toolkit toolkit_;
  const std::thread::id uiThread_;
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
  int beepsAsked_ = 0;
  int beepsDone_ = 0;
  bool caretAsked_ = false;
  bool caretChanged_ = false;
  bool activityShown_ = false;
  bool activityFirst_ = true;
  bool activityChanged_ = false;
};

}  // namespace tarvik::ui::window
