#include "ui/win32/window_front_end.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "frame/codepage.h"
#include "support/win32_window_test_support.h"

namespace tarvik::ui::win32 {
namespace {

class WindowFrontEndTest : public testing::WindowFixture {};

TEST_F(WindowFrontEndTest, BoxesOfWorkersAreAskedOnTheWindowsThreadWithTheirAnswer) {
  calls_.answers.push_back(IDNO);
  auto answer = std::async(std::launch::async, [&] {
    return windowFrontEnd_->ShowMessage(frame::W("Pokračovat?\rAno či ne"),
                                        screen::kStyleYesNo | screen::kStyleQuestion);
  });
  ASSERT_TRUE(WaitUntil(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(answer.get(), screen::kAnswerNo);
  ASSERT_EQ(calls_.boxes.size(), 1u);
  // Lines end CR LF in the box; the style reaches the system unchanged.
  EXPECT_EQ(calls_.boxes[0].text, L"Pokračovat?\r\nAno či ne");
  EXPECT_EQ(calls_.boxes[0].flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
}

TEST_F(WindowFrontEndTest, ABoxThatCannotBeShownTakesTheAnswerThatChangesNothing) {
  WindowFrontEnd frontEnd(system_, [](HWND, const std::wstring&, unsigned) { return 0; });
  EXPECT_EQ(frontEnd.ShowMessage("?", screen::kStyleYesNo), screen::kAnswerNo);
  EXPECT_EQ(frontEnd.ShowMessage("!", screen::kStyleOk), screen::kAnswerOk);
}

TEST_F(WindowFrontEndTest, OnceDetachedWorkersNeitherWaitNorAsk) {
  windowFrontEnd_->Detach();
  std::thread worker([&] {
    windowFrontEnd_->TerminalWritten("x");
    EXPECT_EQ(windowFrontEnd_->ShowMessage("?", screen::kStyleYesNo), screen::kAnswerNo);
    EXPECT_FALSE(windowFrontEnd_->RunOnUiThread([] {}));
  });
  worker.join();
  EXPECT_TRUE(calls_.boxes.empty());
  EXPECT_FALSE(windowFrontEnd_->HasWindow());
}

TEST_F(WindowFrontEndTest, UiWaitLetsWorkersWriteWithoutAPaint) {
  {
    WindowFrontEnd::UiWait wait(*windowFrontEnd_);
    // The UI thread waits for this worker, which must not wait for a paint.
    std::thread worker([&] { windowFrontEnd_->TerminalWritten("x"); });
    worker.join();
  }
  // The paint follows when the wait is over.
  ASSERT_TRUE(WaitUntil([&] {
    const window::UiHandOff::Paints p = windowFrontEnd_->PaintCounts();
    return p.done == p.asked;
  }));
  EXPECT_EQ(windowFrontEnd_->PaintCounts().asked, 1u);
}

TEST_F(WindowFrontEndTest, BeepsAndTheActivityIconGoToTheSystemsFrontEnd) {
  std::thread worker([&] {
    windowFrontEnd_->Beep(screen::kBeepError);
    windowFrontEnd_->ShowActivity();
    windowFrontEnd_->SetActivityIcon(false);
    windowFrontEnd_->HideActivity();
  });
  worker.join();
  EXPECT_EQ(system_.Beeps(), std::vector<int>{screen::kBeepError});
  EXPECT_EQ(system_.ActivityEvents(), (std::vector<std::string>{"show", "icon2", "hide"}));
}

}  // namespace
}  // namespace tarvik::ui::win32
