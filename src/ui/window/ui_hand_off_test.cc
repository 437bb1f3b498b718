#include "ui/window/ui_hand_off.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace tarvik::ui::window {
namespace {

// The test's thread is the UI thread; it drains whenever a wake-up came.
class UiHandOffTest : public ::testing::Test {
 protected:
  UiHandOffTest()
      : handOff_({
            .wake =
                [this] {
                  woken_ = true;
                  return true;
                },
            .repaint = [this] { ++repaints_; },
            .setCaret = [this](bool on) { carets_.push_back(on); },
            .beep = [this] { ++beeps_; },
            .showActivity = [this](bool shown, bool) { activity_.push_back(shown); },
        }) {}

  // Drains on wake-ups until `done` holds (at most ten seconds).
  bool DrainUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      if (woken_.exchange(false)) handOff_.Drain();
      std::this_thread::yield();
    }
    return true;
  }

  std::atomic<bool> woken_{false};
  int repaints_ = 0;
  int beeps_ = 0;
  std::vector<bool> carets_;
  std::vector<bool> activity_;
  UiHandOff handOff_;
};

TEST_F(UiHandOffTest, WorkersCallsRunOnTheUiThreadAndWritesWaitForTheirPaint) {
  handOff_.Attach();
  const std::thread::id ui = std::this_thread::get_id();
  std::atomic<bool> done{false};
  std::thread::id ranOn;
  bool ran = false;
  std::uint64_t paintedAtReturn = 0;
  std::thread worker([&] {
    ran = handOff_.RunOnUiThread([&] { ranOn = std::this_thread::get_id(); });
    handOff_.TerminalWritten();
    paintedAtReturn = handOff_.PaintCounts().done;
    handOff_.Beep();
    handOff_.SetCaret(true);
    handOff_.SetActivity(true);
    done = true;
  });
  ASSERT_TRUE(DrainUntil([&] { return done.load(); }));
  worker.join();
  ASSERT_TRUE(DrainUntil([&] { return !activity_.empty(); }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, ui);
  EXPECT_EQ(paintedAtReturn, 1u);
  EXPECT_EQ(repaints_, 1);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(carets_, std::vector<bool>{true});
  EXPECT_EQ(activity_, std::vector<bool>{true});
}

TEST_F(UiHandOffTest, AWaitingUiThreadAndADetachedWindowHoldNobodyUp) {
  handOff_.Attach();
  {
    UiHandOff::UiWait wait(handOff_);
    // Joined without draining: the write must not wait for its paint.
    std::thread worker([&] { handOff_.TerminalWritten(); });
    worker.join();
  }
  // Painted once the wait is over.
  ASSERT_TRUE(DrainUntil([&] { return repaints_ == 1; }));
  handOff_.Detach();
  bool ran = true;
  std::thread late([&] {
    handOff_.TerminalWritten();
    ran = handOff_.RunOnUiThread([] {});
  });
  late.join();
  EXPECT_FALSE(ran);
  EXPECT_EQ(handOff_.PaintCounts().asked, 1u);
}

}  // namespace
}  // namespace tarvik::ui::window
