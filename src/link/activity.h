// The activity indicator both transports share: the frame counter of the
// running transfer, the blinking icon (with `progress`) and the tick sound
// (unless `ticho`). Counted from the job thread and the network receiver, so
// the counter and the toggle bit are atomic.
#pragma once

#include <atomic>

#include "frame/program.h"

namespace tarvik::link {

class Activity {
 public:
  explicit Activity(frame::Program& program) : program_(program) {}

  void ResetCounter() { counter_ = 0; }
  unsigned Counter() const { return counter_; }
  // Counts one frame; on every `period`-th (the first included) beeps and
  // toggles the icon.
  void CountFrame(unsigned period);
  // The beep (unless ticho), then the toggle (with progress).
  void Tick(bool beep);
  // Before a transfer, with progress: the icon appears (without a beep).
  void Show();
  // After a transfer, with progress.
  void Hide();
  // A rejected or missing frame, with debug and without ticho.
  void ErrorBeep();

 private:
  frame::Program& program_;
  std::atomic<unsigned> counter_{0};
  std::atomic<unsigned> toggle_{0};
};

}  // namespace tarvik::link
