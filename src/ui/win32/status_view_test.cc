#include "ui/win32/status_view.h"

#include <gtest/gtest.h>

#include <thread>

#include "frame/codepage.h"
#include "frame/status.h"
#include "support/win32_window_test_support.h"

namespace tarvik::ui::win32 {
namespace {

class StatusViewTest : public testing::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    ShowWindow();
  }
};

TEST_F(StatusViewTest, CodePageBytesAreShownAsLettersInFixedCellsFromTheTop) {
  frame::TerminalWrite(*program_, frame::W("Příliš žluťoučký kůň úpěl ďábelské ódy"), true);
  frame::TerminalWrite(*program_, std::string("\x8A\x9A\x8E\x9E\xA7\x01", 6), false);
  EXPECT_EQ(PaintedRow(0), L"Příliš žluťoučký kůň úpěl ďábelské ódy");
  // A control byte takes a blank cell.
  EXPECT_EQ(PaintedRow(1), L"ŠšŽž§");
  StatusView& view = window_->Status();
  ASSERT_FALSE(view.LastPaint().empty());
  EXPECT_EQ(view.LastPaint()[0].text.size(), static_cast<std::size_t>(screen::kScreenColumns));
  // The screen sits at the top left of the client area.
  RECT status{};
  GetWindowRect(view.Handle(), &status);
  MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&status), 2);
  EXPECT_EQ(status.left, 0);
  EXPECT_EQ(status.top, 0);
  EXPECT_EQ(view.ScreenSize().cx, screen::kScreenColumns * view.CellSize().cx);
}

TEST_F(StatusViewTest, AWorkerWriteReturnsOnceTheWindowHasPaintedIt) {
  const int before = window_->Status().PaintCount();
  std::atomic<bool> written{false};
  std::thread worker([&] {
    frame::TerminalWrite(*program_, "z vlakna", true);
    written = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return written.load(); }));
  worker.join();
  EXPECT_GT(window_->Status().PaintCount(), before);
  EXPECT_EQ(PaintedRow(0), L"z vlakna");
  const window::UiHandOff::Paints paints = windowFrontEnd_->PaintCounts();
  EXPECT_EQ(paints.asked, paints.done);
}

TEST_F(StatusViewTest, CaretIsDrawnOnTheCursorCellWhileConnectedOnAndActive) {
  frame::TerminalWrite(*program_, "abc", false);
  StatusView& view = window_->Status();
  EXPECT_FALSE(view.CaretDrawn());
  windowFrontEnd_->SetCaret(true);
  Pump();
  EXPECT_TRUE(view.CaretOn());
  // Not while the port is closed.
  EXPECT_FALSE(view.CaretDrawn());
  program_->terminal.SetConnected(true);
  SetActiveWindow(window_->Handle());
  view.Repaint();
  ASSERT_EQ(GetActiveWindow(), window_->Handle());
  EXPECT_TRUE(view.CaretDrawn());
  EXPECT_EQ(view.CaretCell().x, 3);
  EXPECT_EQ(view.CaretCell().y, 0);
  windowFrontEnd_->SetCaret(false);
  Pump();
  EXPECT_FALSE(view.CaretDrawn());
}

}  // namespace
}  // namespace tarvik::ui::win32
