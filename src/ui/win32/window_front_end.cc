#include "ui/win32/window_front_end.h"

#include <algorithm>
#include <utility>

#include "ui/message_box_flags.h"
#include "ui/win32/status_view.h"
#include "ui/win32/text.h"

namespace tarvik::ui::win32 {
namespace {

// Without anybody to ask, a question takes the safe answer.
int DefaultAnswer(int style) {
  return (style & 0x0F) == kStyleYesNo ? kAnswerNo : kAnswerOk;
}

}  // namespace

WindowFrontEnd::WindowFrontEnd(FrontEnd& system, BoxCall box)
    : system_(system), box_(std::move(box)), uiThread_(std::this_thread::get_id()) {}

WindowFrontEnd::~WindowFrontEnd() {
  Detach();
}

void WindowFrontEnd::Attach(HWND owner, StatusView* view) {
  std::lock_guard<std::mutex> lock(mutex_);
  owner_ = owner;
  view_ = view;
  detached_ = false;
  attached_ = true;
}

void WindowFrontEnd::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  detached_ = true;
  attached_ = false;
  changed_.notify_all();
}

bool WindowFrontEnd::HasWindow() const {
  return attached_.load();
}

bool WindowFrontEnd::OnUiThread() const {
  return std::this_thread::get_id() == uiThread_;
}

void WindowFrontEnd::WakeLocked() {
  if (wakePosted_ || detached_ || owner_ == nullptr) return;
  wakePosted_ = PostMessageW(owner_, kWakeMessage, 0, 0) != FALSE;
}

WindowFrontEnd::UiWait::UiWait(WindowFrontEnd& frontEnd) : frontEnd_(frontEnd) {
  std::lock_guard<std::mutex> lock(frontEnd_.mutex_);
  ++frontEnd_.uiWaits_;
  frontEnd_.changed_.notify_all();
}

WindowFrontEnd::UiWait::~UiWait() {
  std::lock_guard<std::mutex> lock(frontEnd_.mutex_);
  --frontEnd_.uiWaits_;
  // Writes made meanwhile are painted now.
  if (frontEnd_.paintsDone_ < frontEnd_.paintsAsked_) frontEnd_.WakeLocked();
}

void WindowFrontEnd::TerminalWritten(std::string_view /*bytes*/) {
  if (OnUiThread()) {
    if (view_ != nullptr && HasWindow()) view_->Repaint();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (detached_) return;
  const std::uint64_t ticket = ++paintsAsked_;
  WakeLocked();
  changed_.wait(lock, [&] { return paintsDone_ >= ticket || detached_ || uiWaits_ > 0; });
}

bool WindowFrontEnd::RunOnUiThread(const std::function<void()>& task) {
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

int WindowFrontEnd::Box(const std::string& text, int style) {
  const int answer =
      box_(HasWindow() ? owner_ : nullptr, BoxText(text), static_cast<unsigned>(style));
  return IsMessageBoxAnswer(answer) ? answer : UnshownAnswer(style);
}

int WindowFrontEnd::ShowMessage(const std::string& text, int style) {
  if (OnUiThread()) return Box(text, style);
  int answer = DefaultAnswer(style);
  RunOnUiThread([&] { answer = Box(text, style); });
  return answer;
}

void WindowFrontEnd::Beep(int type) {
  system_.Beep(type);
}

void WindowFrontEnd::ShowActivity() {
  system_.ShowActivity();
}

void WindowFrontEnd::SetActivityIcon(bool first) {
  system_.SetActivityIcon(first);
}

void WindowFrontEnd::HideActivity() {
  system_.HideActivity();
}

void WindowFrontEnd::SetCaret(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  caretAsked_ = on;
  caretChanged_ = true;
  WakeLocked();
}

WindowFrontEnd::Paints WindowFrontEnd::PaintCounts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {paintsAsked_, paintsDone_};
}

void WindowFrontEnd::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  wakePosted_ = false;
  StatusView* view = view_;

  if (paintsDone_ < paintsAsked_) {
    const std::uint64_t asked = paintsAsked_;
    lock.unlock();
    if (view != nullptr) view->Repaint();
    lock.lock();
    paintsDone_ = std::max(paintsDone_, asked);
    changed_.notify_all();
  }

  const bool caretChanged = std::exchange(caretChanged_, false);
  const bool caret = caretAsked_;
  lock.unlock();
  if (caretChanged && view != nullptr) view->SetCaretOn(caret);
  lock.lock();

  // One call at a time: a box opened by a call runs its own message loop,
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

}  // namespace tarvik::ui::win32
