#include "ui/qt/qt_front_end.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

#include "ui/qt/dialogs.h"
#include "ui/qt/icons.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt {

QtFrontEnd::QtFrontEnd()
    : uiThread_(std::this_thread::get_id()),
      firstIcon_(ActivityIcon(true)),
      secondIcon_(ActivityIcon(false)) {}

QtFrontEnd::~QtFrontEnd() {
  Detach();
}

void QtFrontEnd::Attach(QWidget* owner, TerminalView* view, Dialogs* dialogs) {
  owner_ = owner;
  view_ = view;
  dialogs_ = dialogs;
  std::lock_guard<std::mutex> lock(mutex_);
  detached_ = false;
  attached_ = true;
}

void QtFrontEnd::Detach() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    detached_ = true;
    attached_ = false;
    changed_.notify_all();
  }
  if (tray_ != nullptr) tray_->hide();
}

bool QtFrontEnd::HasWindow() const {
  return attached_.load();
}

bool QtFrontEnd::OnUiThread() const {
  return std::this_thread::get_id() == uiThread_;
}

void QtFrontEnd::WakeLocked() {
  if (wakePosted_) return;
  wakePosted_ = true;
  // Only a wake-up crosses the Qt queue; the work itself is found under the lock.
  QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

QtFrontEnd::UiWait::UiWait(QtFrontEnd& frontEnd) : frontEnd_(frontEnd) {
  std::lock_guard<std::mutex> lock(frontEnd_.mutex_);
  ++frontEnd_.uiWaits_;
  frontEnd_.changed_.notify_all();
}

QtFrontEnd::UiWait::~UiWait() {
  std::lock_guard<std::mutex> lock(frontEnd_.mutex_);
  --frontEnd_.uiWaits_;
  // Writes made meanwhile are painted now.
  if (frontEnd_.paintsDone_ < frontEnd_.paintsAsked_) frontEnd_.WakeLocked();
}

void QtFrontEnd::TerminalWritten(std::string_view /*bytes*/) {
  if (OnUiThread()) {
    if (view_ != nullptr) view_->repaint();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (detached_) return;
  const std::uint64_t ticket = ++paintsAsked_;
  WakeLocked();
  changed_.wait(lock, [&] { return paintsDone_ >= ticket || detached_ || uiWaits_ > 0; });
}

bool QtFrontEnd::RunOnUiThread(const std::function<void()>& task) {
  if (OnUiThread()) {
    if (!HasWindow()) return false;
    task();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->task = task;
  std::unique_lock<std::mutex> lock(mutex_);
  if (detached_) return false;
  calls_.push_back(call);
  WakeLocked();
  // A call already running refers to this thread's `task`, so it is waited
  // for even when the window goes meanwhile.
  changed_.wait(lock, [&] { return call->done || (detached_ && !call->started); });
  if (call->done) return true;
  std::erase(calls_, call);
  return false;
}

int QtFrontEnd::Box(const std::string& text, int style) {
  if (dialogs_ == nullptr)
    return (style & 0x0F) == screen::kStyleYesNo ? screen::kAnswerNo : screen::kAnswerOk;
  return dialogs_->Message(owner_, BoxText(text), style);
}

int QtFrontEnd::ShowMessage(const std::string& text, int style) {
  // Without anybody to ask, a question takes the safe answer.
  int answer = (style & 0x0F) == screen::kStyleYesNo ? screen::kAnswerNo : screen::kAnswerOk;
  if (OnUiThread()) return Box(text, style);
  RunOnUiThread([&] { answer = Box(text, style); });
  return answer;
}

void QtFrontEnd::Beep(int /*type*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++beepsAsked_;
  WakeLocked();
}

void QtFrontEnd::ShowActivity() {
  std::lock_guard<std::mutex> lock(mutex_);
  activityShown_ = true;
  activityChanged_ = true;
  WakeLocked();
}

void QtFrontEnd::SetActivityIcon(bool first) {
  std::lock_guard<std::mutex> lock(mutex_);
  activityFirst_ = first;
  activityChanged_ = true;
  WakeLocked();
}

void QtFrontEnd::HideActivity() {
  std::lock_guard<std::mutex> lock(mutex_);
  activityShown_ = false;
  activityChanged_ = true;
  WakeLocked();
}

void QtFrontEnd::SetCaret(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  caretAsked_ = on;
  caretChanged_ = true;
  WakeLocked();
}

QtFrontEnd::ActivityState QtFrontEnd::Activity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {activityShown_, activityFirst_, QSystemTrayIcon::isSystemTrayAvailable()};
}

QtFrontEnd::Paints QtFrontEnd::PaintCounts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {paintsAsked_, paintsDone_};
}

int QtFrontEnd::Beeps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return beepsDone_;
}

void QtFrontEnd::ApplyActivity(bool shown, bool firstImage) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  if (tray_ == nullptr) {
    if (!shown) return;
    tray_ = new QSystemTrayIcon(this);
  }
  tray_->setIcon(firstImage ? firstIcon_ : secondIcon_);
  tray_->setVisible(shown);
}

void QtFrontEnd::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  wakePosted_ = false;

  if (paintsDone_ < paintsAsked_) {
    const std::uint64_t asked = paintsAsked_;
    lock.unlock();
    if (view_ != nullptr) view_->repaint();
    lock.lock();
    paintsDone_ = std::max(paintsDone_, asked);
    changed_.notify_all();
  }

  const int beeps = beepsAsked_ - beepsDone_;
  beepsDone_ = beepsAsked_;
  const bool caretChanged = std::exchange(caretChanged_, false);
  const bool caret = caretAsked_;
  const bool activityChanged = std::exchange(activityChanged_, false);
  const bool shown = activityShown_;
  const bool firstImage = activityFirst_;
  lock.unlock();
  for (int i = 0; i < beeps; ++i) QApplication::beep();
  if (caretChanged && view_ != nullptr) view_->SetCaretOn(caret);
  if (activityChanged) ApplyActivity(shown, firstImage);
  lock.lock();

  // One call at a time: a box opened by a call runs its own event loop,
  // which comes back here; the next call waits until the box is answered.
  if (runningCall_) return;
  while (!calls_.empty()) {
    std::shared_ptr<Call> call = calls_.front();
    calls_.pop_front();
    call->started = true;
    runningCall_ = true;
    lock.unlock();
    call->task();
    lock.lock();
    runningCall_ = false;
    call->done = true;
    changed_.notify_all();
  }
}

}  // namespace tarvik::ui::qt
