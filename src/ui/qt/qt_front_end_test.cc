#include "ui/qt/qt_front_end.h"

#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/failure.h"
#include "frame/status.h"
#include "link/activity.h"
#include "support/qt_test_support.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/terminal_view.h"
#include "ui/qt/window_app.h"

namespace tarvik::ui::qt {
namespace {

using testing::WaitUntil;

// Runs `work` on a worker while this thread handles the boxes.
void OnWorker(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  const bool finished = WaitUntil([&] { return done.load(); });
  worker.join();
  ASSERT_TRUE(finished);
}

class FrontEndTest : public testing::WindowFixture {
 protected:
  void WaitForWorkerRequest() {
    while (qtFrontEnd_.PaintCounts().asked == 0) std::this_thread::yield();
  }
};

TEST_F(FrontEndTest, WorkerWriteReturnsOnlyAfterTheWindowPaintedIt) {
  ShowWindow();
  std::atomic<bool> returned{false};
  std::atomic<std::uint64_t> paintedAtReturn{0};
  std::thread worker([&] {
    frame::TerminalWrite(*program_, frame::W("Zpráva z vlákna"), true);
    paintedAtReturn = qtFrontEnd_.PaintCounts().done;
    returned = true;
  });
  // The UI thread has not handled events yet, so the worker still waits...
  WaitForWorkerRequest();
  EXPECT_FALSE(returned.load());
  // ...also while the UI thread writes a line of its own, which is painted at once.
  const int paints = window_->Terminal()->PaintCount();
  frame::TerminalWrite(*program_, "Okno pise samo.", true);
  EXPECT_EQ(window_->Terminal()->PaintCount(), paints + 1);
  EXPECT_FALSE(returned.load());

  ASSERT_TRUE(WaitUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(paintedAtReturn.load(), 1u);
  EXPECT_EQ(window_->Terminal()->LastPaint().size(), static_cast<std::size_t>(screen::kScreenRows));
  const QString both = PaintedRow(0) + "|" + PaintedRow(1);
  EXPECT_TRUE(both == "Zpráva z vlákna|Okno pise samo." ||
              both == "Okno pise samo.|Zpráva z vlákna")
      << both.toStdString();
}

TEST_F(FrontEndTest, BuiltInJobWaitedForOnTheUiThreadDoesNotHangItsWriter) {
  ShowWindow();
  program_->settings.noLink = 1;
  // The second command's status line is written by the job thread.
  WriteFile("two.cmx", "01,1,7,8,O,650,ERA\r\nR03;PRVNI\r\nR03;DRUHY\r\n");
  int result = -1;
  {
    QtFrontEnd::UiWait wait(qtFrontEnd_);
    result = runner_->RunBuiltInJob("two.cmx", std::chrono::seconds(30));
  }
  EXPECT_EQ(result, 0);
  // What the job wrote while the UI thread waited is painted after the wait.
  ASSERT_TRUE(WaitUntil([&] { return PaintedScreen().contains("DRUHY"); }))
      << PaintedScreen().toStdString();
  EXPECT_EQ(PaintedRow(0), "Pracuji se souborem PRVNI.dat.Pracuji se souborem DRUHY.dat.");
  EXPECT_EQ(ReadFile("err"), "0");
}

TEST_F(FrontEndTest, QuestionsFromWorkersAreAskedOnTheUiThread) {
  ShowWindow();
  dialogs_.answers = {screen::kAnswerNo};
  int answer = 0;
  OnWorker([&] {
    answer = frame::ShowMessage(*program_, frame::W("Mám pokračovat?\rDruhý řádek"),
                                screen::kStyleYesNo | screen::kStyleQuestion);
  });
  EXPECT_EQ(answer, screen::kAnswerNo);
  ASSERT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Mám pokračovat?\nDruhý řádek"});
  EXPECT_EQ(dialogs_.boxes[0].style, screen::kStyleYesNo | screen::kStyleQuestion);
}

TEST_F(FrontEndTest, ClosedWindowReleasesWaitingWorkers) {
  ShowWindow();
  std::atomic<bool> returned{false};
  std::atomic<int> answer{0};
  std::thread worker([&] {
    frame::TerminalWrite(*program_, "x");
    answer = frame::ShowMessage(*program_, "Konec?", screen::kStyleYesNo);
    returned = true;
  });
  WaitForWorkerRequest();
  EXPECT_TRUE(qtFrontEnd_.HasWindow());
  window_->close();
  // No events are handled here: the worker gets on without the window.
  worker.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(answer.load(), screen::kAnswerNo);
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_FALSE(qtFrontEnd_.HasWindow());
}

TEST_F(FrontEndTest, ActivityIconAndBeepsArePassedOnWithoutWaiting) {
  program_->settings.progress = 1;
  link::Activity activity(*program_);
  std::thread worker([&] {
    activity.Show();         // the icon appears with its first toggle
    activity.CountFrame(8);  // the first frame beeps and toggles
    activity.CountFrame(8);
  });
  worker.join();
  // Shown with the first image, toggled to the second by the first frame.
  EXPECT_TRUE(qtFrontEnd_.Activity().shown);
  EXPECT_FALSE(qtFrontEnd_.Activity().firstImage);
  for (int frame = 3; frame <= 9; ++frame) {
    activity.CountFrame(8);
    EXPECT_EQ(qtFrontEnd_.Activity().firstImage, frame == 9) << frame;
  }
  ASSERT_TRUE(WaitUntil([&] { return qtFrontEnd_.Beeps() == 2; }));
  activity.Hide();
  EXPECT_FALSE(qtFrontEnd_.Activity().shown);

  program_->settings.ticho = 1;
  activity.ResetCounter();
  activity.CountFrame(8);
  QCoreApplication::processEvents();  // the hand-over is done by now
  EXPECT_EQ(qtFrontEnd_.Beeps(), 2);
}

TEST_F(FrontEndTest, CaretOnTheCursorCellWhilePortOpenAndWindowActive) {
  ShowWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  frame::TerminalWrite(*program_, "abc\rde");
  TerminalView* view = window_->Terminal();

  auto drawn = [view] {
    view->repaint();
    return view->CaretDrawn();
  };
  // With the port closed the caret stays away.
  std::thread([&] { qtFrontEnd_.SetCaret(true); }).join();
  ASSERT_TRUE(WaitUntil([&] { return view->CaretOn(); }));
  EXPECT_FALSE(drawn());
  program_->terminal.SetConnected(true);
  EXPECT_TRUE(drawn());
  EXPECT_EQ(view->CaretCell(), QPoint(1, 2));

  // Another window has the focus: no caret until the window is back.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_FALSE(drawn());
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  EXPECT_TRUE(drawn());

  std::thread([&] { qtFrontEnd_.SetCaret(false); }).join();
  ASSERT_TRUE(WaitUntil([&] { return !view->CaretOn(); }));
  EXPECT_FALSE(drawn());
}

TEST(BoxTextTest, LineBreaksOfTheProgramsTextsBecomeBoxLines) {
  EXPECT_EQ(BoxText(frame::W("Chyba 30, 1, LastError 2. \nChyba otevření\rdruhý\r\ntřetí")),
            "Chyba 30, 1, LastError 2. \nChyba otevření\ndruhý\ntřetí");
}

// A windowless run on a desktop: the job's thread asks, the UI thread shows.
// The fixture's recording front end is the console's.
class DesktopTest : public tarvik::testing::ProgramFixture {
 protected:
  DesktopTest() {
    toolkit_.Attach(nullptr, nullptr, &dialogs_);
    frame::Services services{platform::RealFileSystem(), clock_, process_, console_, desktop_};
    program_ = std::make_unique<frame::Program>(services);
    program_->paths.programDirectory = dir_.string() + "/";
    program_->paths.hasProgramDirectory = true;
  }
  ~DesktopTest() override {
    program_.reset();  // before the front ends it uses
    toolkit_.Detach();
  }

  testing::ScriptedDialogs dialogs_;
  QtFrontEnd toolkit_;
  DesktopFrontEnd desktop_{frontEnd_, toolkit_};
};

TEST_F(DesktopTest, BoxesOfTheJobThreadAppearAndTheirAnswersComeBack) {
  dialogs_.answers = {screen::kAnswerOk, screen::kAnswerYes};
  int answer = 0;
  OnWorker([&] {
    frame::ShowMessage(*program_, "Komunikace uspesne ukoncena.", screen::kStyleExclamation);
    answer = frame::ShowMessage(*program_, frame::W("Mám nahrát logo do pokladny?"),
                                screen::kStyleYesNo | screen::kStyleQuestion);
    frame::TerminalWrite(*program_, "Ctu soubor 01", true);
  });
  EXPECT_EQ(answer, screen::kAnswerYes);
  ASSERT_EQ(dialogs_.BoxTexts(),
            (std::vector<QString>{"Komunikace uspesne ukoncena.", "Mám nahrát logo do pokladny?"}));
  EXPECT_EQ(dialogs_.boxes[0].style, screen::kStyleExclamation);
  // The console keeps the plain message; the question is asked in its box only.
  const auto copied = frontEnd_.Messages();
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_EQ(copied[0].text, "Komunikace uspesne ukoncena.");
  EXPECT_NE(frontEnd_.TerminalText().find("Ctu soubor 01"), std::string::npos);
}

TEST_F(DesktopTest, FailureShowsItsBoxAndEndsTheProcessWithoutRestart) {
  program_->settings.hlaseni = 1;
  std::optional<platform::ProcessEnding> ending;
  OnWorker([&] {
    try {
      frame::RunGuarded(*program_, [] { frame::Fail(frame::error::kFrameCheckFailed); });
    } catch (const platform::ProcessEnding& e) {
      ending = e;
    }
  });
  ASSERT_TRUE(ending.has_value());
  EXPECT_EQ(ending->code, 1);
  EXPECT_FALSE(ending->restarted);
  EXPECT_EQ(dialogs_.BoxTexts(22), std::vector<QString>{"Chyba 40, 1, LastError"});
  EXPECT_EQ(ReadFile("err"), "1");
}

TEST_F(DesktopTest, ActivityIconFollowsTheTransfer) {
  OnWorker([&] {
    desktop_.ShowActivity();
    desktop_.SetActivityIcon(false);
  });
  ASSERT_TRUE(WaitUntil([&] { return toolkit_.Activity().shown; }));
  EXPECT_FALSE(toolkit_.Activity().firstImage);
  OnWorker([&] { desktop_.HideActivity(); });
  ASSERT_TRUE(WaitUntil([&] { return !toolkit_.Activity().shown; }));
  EXPECT_FALSE(desktop_.HasWindow());
}

}  // namespace
}  // namespace tarvik::ui::qt
