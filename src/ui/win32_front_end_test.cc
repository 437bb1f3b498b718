#include "ui/win32_front_end.h"

#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "frame/codepage.h"
#include "support/test_support.h"

namespace tarvik::ui {
namespace {

struct Box {
  std::string text;
  std::string title;
  unsigned flags = 0;
};

struct Notification {
  unsigned message = 0;
  void* window = nullptr;
  unsigned id = 0;
  void* icon = nullptr;
  bool operator==(const Notification&) const = default;
};

class Win32FrontEndTest : public ::testing::Test {
 protected:
  Win32Calls Recording() {
    Win32Calls calls;
    calls.messageBox = [this](const char* text, const char* title, unsigned flags) {
      boxes_.push_back({text, title, flags});
      return boxResult_;
    };
    calls.notifyIcon = [this](unsigned message, void* window, unsigned id, void* icon) {
      notes_.push_back({message, window, id, icon});
      return trayPresent_;
    };
    calls.beep = [this](unsigned type) { beeps_.push_back(type); };
    return calls;
  }

  testing::RecordingConsole console_;
  std::vector<Box> boxes_;
  std::vector<Notification> notes_;
  std::vector<unsigned> beeps_;
  int boxResult_ = IDOK;
  bool trayPresent_ = true;
};

TEST_F(Win32FrontEndTest, MessageBoxTakesTitleFlagsAndAnswerOrFallsBackToStderr) {
  Win32FrontEnd frontEnd(console_, Recording());
  boxResult_ = IDYES;
  const std::string text = frame::W("Nalezena pokladna č. 3\rPokračovat?");
  EXPECT_EQ(frontEnd.ShowMessage(text, screen::kStyleYesNo | screen::kStyleExclamation |
                                           screen::kDefaultSecondButton),
            screen::kAnswerYes);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, text);
  EXPECT_EQ(boxes_[0].title, "Komunikace Tarvik");
  EXPECT_EQ(boxes_[0].flags, unsigned{MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 |
                                      MB_SETFOREGROUND | MB_TOPMOST});
  EXPECT_EQ(console_.Stderr(), "");
  EXPECT_FALSE(frontEnd.HasWindow());

  // A box that cannot be shown goes to stderr with the safe answer.
  boxResult_ = -1;  // wine without a display
  EXPECT_EQ(frontEnd.ShowMessage(frame::W("Pokladna neodpovídá."), screen::kStyleExclamation),
            screen::kAnswerOk);
  boxResult_ = 0;  // no desktop
  EXPECT_EQ(frontEnd.ShowMessage(frame::W("Uložit?"), screen::kStyleYesNo | screen::kStyleQuestion),
            screen::kAnswerNo);
  EXPECT_EQ(frontEnd.ShowMessage(frame::W("Uložit změny?"), 3 | screen::kStyleQuestion),
            screen::kAnswerCancel);
  EXPECT_EQ(console_.Stderr(),
            "Komunikace Tarvik: Pokladna neodpovídá.\n"
            "Komunikace Tarvik: Uložit?\n"
            "Komunikace Tarvik: bez okna odpovídám Ne.\n"
            "Komunikace Tarvik: Uložit změny?\n");
  EXPECT_EQ(boxes_.size(), 4u);
}

// The failure exit has written its line to stderr already: a failure's box
// that cannot be shown leaves no second copy there.
TEST_F(Win32FrontEndTest, AFailureBoxIsShownOrLeftToTheFailureLine) {
  Win32FrontEnd frontEnd(console_, Recording());
  const std::string text = "Chyba 30, 1, LastError 2. \nChyba otevreni souboru";
  frontEnd.ShowFailureMessage(text, screen::kStyleExclamation);
  boxResult_ = 0;
  frontEnd.ShowFailureMessage(text, screen::kStyleExclamation);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0].text, text);
  EXPECT_EQ(boxes_[0].flags, unsigned{MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST});
  EXPECT_EQ(console_.Stderr(), "");
}

TEST_F(Win32FrontEndTest, ActivityIconIsAddedToggledAndRemovedOnce) {
  Win32FrontEnd frontEnd(console_, Recording());
  ASSERT_NE(frontEnd.IconWindow(), nullptr);
  ASSERT_NE(frontEnd.Icon(true), nullptr);
  ASSERT_NE(frontEnd.Icon(false), nullptr);
  ASSERT_NE(frontEnd.Icon(true), frontEnd.Icon(false));
  EXPECT_TRUE(IsWindow(static_cast<HWND>(frontEnd.IconWindow())));

  frontEnd.SetActivityIcon(true);  // not shown yet: nothing
  frontEnd.HideActivity();
  EXPECT_TRUE(notes_.empty());

  frontEnd.ShowActivity();
  frontEnd.ShowActivity();  // already there
  frontEnd.SetActivityIcon(true);
  frontEnd.SetActivityIcon(false);
  frontEnd.HideActivity();
  frontEnd.HideActivity();
  void* const window = frontEnd.IconWindow();
  EXPECT_EQ(notes_, (std::vector<Notification>{{NIM_ADD, window, 773, frontEnd.Icon(true)},
                                               {NIM_MODIFY, window, 773, frontEnd.Icon(true)},
                                               {NIM_MODIFY, window, 773, frontEnd.Icon(false)},
                                               {NIM_DELETE, window, 773, nullptr}}));
}

TEST_F(Win32FrontEndTest, WithoutANotificationAreaTheIconStaysAway) {
  trayPresent_ = false;
  {
    Win32FrontEnd frontEnd(console_, Recording());
    frontEnd.ShowActivity();
    frontEnd.SetActivityIcon(false);
    frontEnd.HideActivity();
    ASSERT_EQ(notes_.size(), 1u);
    EXPECT_EQ(notes_[0].message, unsigned{NIM_ADD});
    trayPresent_ = true;
    frontEnd.ShowActivity();  // a later transfer tries again
  }
  // Ending the front end takes its icon along.
  ASSERT_EQ(notes_.size(), 3u);
  EXPECT_EQ(notes_[1].message, unsigned{NIM_ADD});
  EXPECT_EQ(notes_[2].message, unsigned{NIM_DELETE});
}

TEST_F(Win32FrontEndTest, BeepsPassTheTypeAndStatusLinesEchoToTheConsole) {
  Win32FrontEnd frontEnd(console_, Recording());
  frontEnd.Beep(screen::kBeepSimple);
  frontEnd.Beep(screen::kBeepError);
  frontEnd.Beep(64);  // a zvuk value from the INI file
  EXPECT_EQ(beeps_, (std::vector<unsigned>{0xFFFFFFFFu, MB_ICONHAND, MB_ICONASTERISK}));

  frontEnd.TerminalWritten("nic\r");  // stdout is not a terminal: nothing
  console_.terminal = true;
  frontEnd.TerminalWritten(frame::W("Prijem č\r\n\aOK\r"));
  EXPECT_EQ(console_.Stdout(), "Prijem č\nOK\n");
}

bool UnderWineWithoutDisplay() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  const char* display = std::getenv("DISPLAY");
  return wine && (display == nullptr || *display == '\0');
}

TEST(Win32FrontEndReal, WithoutADisplayTheRealBoxFailsAtOnceToStderr) {
  // Elsewhere a real box would wait for a click.
  if (!UnderWineWithoutDisplay()) GTEST_SKIP() << "needs wine without a display";
  testing::RecordingConsole console;
  Win32FrontEnd frontEnd(console);
  EXPECT_EQ(frontEnd.ShowMessage(frame::W("Zkouška"), screen::kStyleYesNo | screen::kStyleQuestion),
            screen::kAnswerNo);
  EXPECT_EQ(console.Stderr(),
            "Komunikace Tarvik: Zkouška\n"
            "Komunikace Tarvik: bez okna odpovídám Ne.\n");
  // No notification area either: the icon calls come back quietly.
  frontEnd.ShowActivity();
  frontEnd.SetActivityIcon(false);
  frontEnd.HideActivity();
}

}  // namespace
}  // namespace tarvik::ui
