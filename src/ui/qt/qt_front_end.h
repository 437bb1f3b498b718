// The window's side of the front end. Job, link and discovery threads write
// status lines and ask questions from their own threads; only the UI thread
// may touch widgets, so everything is handed over to it:
//
//  - a status write from a worker returns once the window has repainted the
//    screen; a write on the UI thread repaints at once;
//  - message boxes and other calls run on the UI thread while the worker
//    waits for the answer;
//  - beeps, the caret and the activity icon are passed on without waiting.
//
// The UI thread itself sometimes waits for a worker (starting a job joins
// the previous job thread; a built-in job is waited for). It says so with a
// UiWait; meanwhile workers do not wait for repaints, which follow when the
// wait is over, so neither side can hang on the other. Once the window is
// gone (Detach) nobody waits for it at all.
//
// All state shared with workers sits under one std::mutex; the Qt event
// queue only carries a wake-up without data.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "screen/front_end.h"

class QSystemTrayIcon;
class QWidget;

namespace tarvik::ui::qt {

class Dialogs;
class TerminalView;

class QtFrontEnd final : public QObject, public screen::FrontEnd {
  Q_OBJECT

 public:
  // Created on the UI thread.
  QtFrontEnd();
  ~QtFrontEnd() override;

  // The window that owns the boxes, the view that shows the screen and the
  // dialogs that ask. Until then, and after Detach, writes do not wait and
  // questions get their default answer.
  void Attach(QWidget* owner, TerminalView* view, Dialogs* dialogs);
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

  // Marks the UI thread as waiting for a worker while it lives.
  class UiWait {
   public:
    explicit UiWait(QtFrontEnd& frontEnd);
    ~UiWait();
    UiWait(const UiWait&) = delete;
    UiWait& operator=(const UiWait&) = delete;

   private:
    QtFrontEnd& frontEnd_;
  };

  // What the activity icon shows now (also without a system tray).
  struct ActivityState {
    bool shown = false;
    bool firstImage = true;
    bool trayAvailable = false;
  };
  ActivityState Activity() const;
  int Beeps() const;
  // Repaints asked for by workers, and how many of them are done.
  struct Paints {
    std::uint64_t asked = 0;
    std::uint64_t done = 0;
  };
  Paints PaintCounts() const;

 private slots:
  void Drain();

 private:
  struct Call {
    std::function<void()> task;
    bool started = false;
    bool done = false;
  };
  enum class ActivityChange { kNone, kShow, kHide };

  bool OnUiThread() const;
  void WakeLocked();
  void ApplyActivity(bool shown, bool firstImage);
  // The box itself; UI thread only.
  int Box(const std::string& text, int style);

  const std::thread::id uiThread_;
  QPointer<QWidget> owner_;
  QPointer<TerminalView> view_;
  Dialogs* dialogs_ = nullptr;
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

  QSystemTrayIcon* tray_ = nullptr;
  QIcon firstIcon_;
  QIcon secondIcon_;
};

}  // namespace tarvik::ui::qt
