#include "ui/window/ui_hand_off.h"

#include <algorithm>
#include <utility>

namespace tarvik::ui::window {

UiHandOff::UiHandOff(Toolkit toolkit)
    : toolkit_(std::move(toolkit)), uiThread_(std::this_thread::get_id()) {}

UiHandOff::~UiHandOff() {
  Detach();
}

void UiHandOff::Attach() {
  std::lock_guard<std::mutex> lock(mutex_);
  detached_ = false;
  attached_ = true;
}

void UiHandOff::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  detached_ = true;
  attached_ = false;
  changed_.notify_all();
}

void UiHandOff::WakeLocked() {
  if (!wakePosted_) wakePosted_ = toolkit_.wake();
}

UiHandOff::UiWait::UiWait(UiHandOff& handOff) : handOff_(handOff) {
  std::lock_guard<std::mutex> lock(handOff_.mutex_);
  ++handOff_.uiWaits_;
  handOff_.changed_.notify_all();
}

UiHandOff::UiWait::~UiWait() {
  std::lock_guard<std::mutex> lock(handOff_.mutex_);
  --handOff_.uiWaits_;
  // Writes made meanwhile are painted now.
  if (handOff_.paintsDone_ < handOff_.paintsAsked_) handOff_.WakeLocked();
}

void UiHandOff::TerminalWritten() {
  if (OnUiThread()) {
    toolkit_.repaint();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (detached_) return;
  const std::uint64_t ticket = ++paintsAsked_;
  WakeLocked();
  changed_.wait(lock, [&] { return paintsDone_ >= ticket || detached_ || uiWaits_ > 0; });
}

bool UiHandOff::RunOnUiThread(const std::function<void()>& task) {
  if (OnUiThread()) {
    if (!Attached()) return false;
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

void UiHandOff::Beep() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++beepsAsked_;
  WakeLocked();
}

void UiHandOff::SetActivity(bool shown) {
  std::lock_guard<std::mutex> lock(mutex_);
  activityShown_ = shown;
  activityChanged_ = true;
  WakeLocked();
}

void UiHandOff::SetActivityImage(bool first) {
  std::lock_guard<std::mutex> lock(mutex_);
  activityFirst_ = first;
  activityChanged_ = true;
  WakeLocked();
}

void UiHandOff::SetCaret(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  caretAsked_ = on;
  caretChanged_ = true;
  WakeLocked();
}

UiHandOff::Paints UiHandOff::PaintCounts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {paintsAsked_, paintsDone_};
}

int UiHandOff::Beeps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return beepsDone_;
}

UiHandOff::Activity UiHandOff::ActivityState() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {activityShown_, activityFirst_};
}

void UiHandOff::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  wakePosted_ = false;

  if (paintsDone_ < paintsAsked_) {
    const std::uint64_t asked = paintsAsked_;
    lock.unlock();
    toolkit_.repaint();
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
  for (int i = 0; i < beeps; ++i) toolkit_.beep();
  if (caretChanged) toolkit_.setCaret(caret);
  if (activityChanged) toolkit_.showActivity(shown, firstImage);
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

}  // namespace tarvik::ui::window
