// The dialogs driven through their messages, as a user would drive them: a
// timer of the test's thread finds the open dialog inside the system's
// dialog loop, reads and fills its controls and presses its buttons.
#include "ui/win32/dialogs.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "frame/codepage.h"
#include "frame/serial_line_settings.h"
#include "job/sample_files.h"
#include "support/test_support.h"
#include "ui/win32/resource_ids.h"
#include "ui/window/help_text.h"
#include "ui/window/line_settings.h"

namespace tarvik::ui::win32 {
namespace {

std::string Text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return frame::Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

std::string ItemText(HWND dialog, int id) {
  return Text(GetDlgItem(dialog, id));
}

void SetItemText(HWND dialog, int id, std::string_view utf8) {
  const std::u16string text = frame::Utf8ToUtf16(utf8);
  SetDlgItemTextW(dialog, id, std::wstring(text.begin(), text.end()).c_str());
}

// The items of a list and the selected one ("" when none is).
std::vector<std::string> Items(HWND dialog, int id) {
  std::vector<std::string> items;
  const auto count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN,
                                                                   static_cast<WPARAM>(i), 0)) +
                          1,
                      L'\0');
    item.resize(static_cast<std::size_t>(SendDlgItemMessageW(
        dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()))));
    items.push_back(frame::Utf16ToUtf8(std::u16string(item.begin(), item.end())));
  }
  return items;
}

std::string Selected(HWND dialog, int id) {
  const auto index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? std::string() : Items(dialog, id)[static_cast<std::size_t>(index)];
}

void Select(HWND dialog, int id, int index) {
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Press(HWND dialog, int button) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Steps run one per timer tick against the dialog that is open; each must
// leave the dialog open for the next or close it with the last. A dialog
// that is still open when the steps run out is cancelled, so a test that
// goes wrong fails instead of waiting.
class DialogScript {
 public:
  explicit DialogScript(std::vector<std::function<void(HWND)>> steps)
      : steps_(steps.begin(), steps.end()) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &DialogScript::Tick);
  }
  ~DialogScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  bool Finished() const { return steps_.empty(); }
  int Dialogs() const { return dialogsSeen_; }

 private:
  static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* self = current_;
    if (self == nullptr) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    if (dialog != self->lastDialog_) ++self->dialogsSeen_;
    self->lastDialog_ = dialog;
    if (self->steps_.empty()) {
      ADD_FAILURE() << "a dialog is still open after the script: " << Text(dialog);
      Press(dialog, IDCANCEL);
      return;
    }
    std::function<void(HWND)> step = std::move(self->steps_.front());
    self->steps_.pop_front();
    step(dialog);
  }

  static inline DialogScript* current_ = nullptr;
  std::deque<std::function<void(HWND)>> steps_;
  UINT_PTR timer_ = 0;
  HWND lastDialog_ = nullptr;
  int dialogsSeen_ = 0;
};

class Win32DialogsTest : public testing::ProgramFixture {
 protected:
  Win32DialogsTest() { job::WriteSampleCommandFiles(*program_); }
};

TEST_F(Win32DialogsTest, PortDialogShowsTheLogoLineAndWritesTheExample) {
  const std::string serial = "01,1,7,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D10\r\n";
  const std::string network = "192.168.0.160,01,650 , ERA\r\nR03;P_PLU\r\n";
  WriteFile("prodej.cmd", serial);
  WriteFile("sit.cmd", network);
  program_->comDevice[3] = "\\\\.\\COM13";
  std::vector<std::string> labels;
  DialogScript script({[&](HWND d) {
    EXPECT_EQ(Text(d), "Nastav port a rychlost");
    for (int i = 0; i < 7; ++i) labels.push_back(ItemText(d, TARVIK_IDC_PORT_LABEL + i));
    EXPECT_EQ(Items(d, TARVIK_IDC_PORT),
              (std::vector<std::string>{"COM1", "COM2", "COM3  (\\\\.\\COM13)", "COM4", "COM5",
                                        "COM6", "COM7", "COM8", "COM9"}));
    EXPECT_EQ(Items(d, TARVIK_IDC_SPEED),
              (std::vector<std::string>{"4800", "9600", "19.2k", "38.4k"}));
    EXPECT_EQ(Items(d, TARVIK_IDC_PARITY),
              (std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(Items(d, TARVIK_IDC_MODEL).size(), 10u);
    // The values of glog1.cmx.
    EXPECT_EQ(Selected(d, TARVIK_IDC_PORT), "COM1");
    EXPECT_EQ(Selected(d, TARVIK_IDC_SPEED), "38.4k");
    EXPECT_EQ(ItemText(d, TARVIK_IDC_TERMINAL), "1");
    EXPECT_EQ(Selected(d, TARVIK_IDC_DATA_BITS), "8");
    EXPECT_EQ(Selected(d, TARVIK_IDC_PARITY), "Odd");
    EXPECT_EQ(Selected(d, TARVIK_IDC_MODEL), "650");
    EXPECT_EQ(ItemText(d, TARVIK_IDC_LOG_NAME), "ERA");
    EXPECT_EQ(ItemText(d, IDCANCEL), "Zrušit");

    Select(d, TARVIK_IDC_PORT, 1);
    Select(d, TARVIK_IDC_SPEED, 1);
    SetItemText(d, TARVIK_IDC_TERMINAL, "3");
    Press(d, IDOK);
  }});
  WriteFile("tk", "1");
  window::SetSerialLines(*program_, [&] { return RunPortDialog(nullptr, *program_); });
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(labels, (std::vector<std::string>{"&Port", "&Rychlost", "&Terminál", "Počet &bitů",
                                              "P&arita", "&Model", "Soubor &log"}));
  EXPECT_EQ(ReadFile("prodej.cmd"), "03,2,5,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D10\r\n");
  EXPECT_EQ(ReadFile("glog1.cmx"), "03,2,5,8,O,650 ,ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(ReadFile("sit.cmd"), network);
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_EQ(program_->serialLine.Get().baudRate, 9600u);
}

TEST_F(Win32DialogsTest, CancelledPortDialogChangesNoFile) {
  const std::string serial = "01,1,7,8,O,650 ,ERA\r\nR03;P_PLU\r\n";
  WriteFile("prodej.cmd", serial);
  WriteFile("tk", "1");
  DialogScript script({[](HWND d) {
    Select(d, TARVIK_IDC_PORT, 4);
    Press(d, IDCANCEL);
  }});
  window::SetSerialLines(*program_, [&] { return RunPortDialog(nullptr, *program_); });
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(ReadFile("prodej.cmd"), serial);
  EXPECT_EQ(program_->connection.comNumber, 1);
  EXPECT_EQ(ReadFile("tk"), "0");
}

TEST_F(Win32DialogsTest, PortDialogRefusesALogNameNoJobCouldRead) {
  DialogScript script({[](HWND d) {
                         SetItemText(d, TARVIK_IDC_LOG_NAME, "ERA,2");
                         Press(d, IDOK);
                       },
                       [](HWND d) {
                         // Still open, and it says why.
                         EXPECT_EQ(ItemText(d, TARVIK_IDC_PROBLEM),
                                   "Jméno souboru log nesmí obsahovat čárku.");
                         EXPECT_EQ(GetFocus(), GetDlgItem(d, TARVIK_IDC_LOG_NAME));
                         SetItemText(d, TARVIK_IDC_LOG_NAME, "Žurnál");
                         Press(d, IDOK);
                       }});
  EXPECT_TRUE(RunPortDialog(nullptr, *program_));
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(script.Dialogs(), 1);
  EXPECT_EQ(program_->connection.logFileName, frame::W("Žurnál"));
}

TEST_F(Win32DialogsTest, BrokenLogoFileFailsBeforeTheDialogOpens) {
  WriteFile("glog1.cmx", "01,0,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  DialogScript script({});
  EXPECT_JOB_FAILURE(RunPortDialog(nullptr, *program_), frame::error::kPortNotDigit);
  EXPECT_EQ(script.Dialogs(), 0);
}

TEST_F(Win32DialogsTest, IpDialogRefusesAnOctetAbove255AndRewritesTheAddresses) {
  WriteFile("sit.cmd", "192.168.0.160,01,650 , ERA\r\nR03;P_PLU\r\n");
  DialogScript script({[](HWND d) {
                         EXPECT_EQ(Text(d), "Nastav IP adresy");
                         EXPECT_EQ(ItemText(d, TARVIK_IDC_IP_LABEL), "IP adresa pokladny:");
                         EXPECT_EQ(ItemText(d, TARVIK_IDC_IP_LABEL + 2), "Terminál:");
                         std::string address;
                         for (int i = 0; i < 4; ++i) {
                           address += (i ? "." : "") + ItemText(d, TARVIK_IDC_OCTET + i);
                         }
                         EXPECT_EQ(address, "192.168.0.160");
                         EXPECT_EQ(Items(d, TARVIK_IDC_IP_MODEL).size(), 11u);
                         EXPECT_EQ(Selected(d, TARVIK_IDC_IP_MODEL), "650");
                         EXPECT_EQ(ItemText(d, TARVIK_IDC_IP_TERMINAL), "01");
                         SetItemText(d, TARVIK_IDC_OCTET + 2, "300");
                         Press(d, IDOK);
                       },
                       [](HWND d) {
                         EXPECT_EQ(ItemText(d, TARVIK_IDC_PROBLEM),
                                   "Číslo IP adresy musí být od 0 do 255, ne 300.");
                         SetItemText(d, TARVIK_IDC_OCTET + 2, "1");
                         SetItemText(d, TARVIK_IDC_OCTET + 3, "20");
                         Select(d, TARVIK_IDC_IP_MODEL, 10);
                         SetItemText(d, TARVIK_IDC_IP_TERMINAL, "12");
                         Press(d, IDOK);
                       }});
  WriteFile("tk", "0");
  window::SetIpAddresses(*program_, [&] { return RunIpDialog(nullptr, *program_); });
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(ReadFile("sit.cmd"), "192.168.1.20,12,652 , ERA\r\nR03;P_PLU\r\n");
  EXPECT_EQ(ReadFile("iglog1.cmx"), "192.168.1.20,12,652 , ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(ReadFile("tk"), "1");
}

TEST_F(Win32DialogsTest, AboutAndHelpShowTheModelsTexts) {
  std::vector<std::string> about;
  std::string help;
  LONG helpStyle = 0;
  DialogScript script({[&](HWND d) {
                         EXPECT_EQ(Text(d), "O programu");
                         for (int i = 0; i < 3; ++i) {
                           about.push_back(ItemText(d, TARVIK_IDC_ABOUT_TEXT + i));
                         }
                         EXPECT_NE(SendDlgItemMessageW(d, TARVIK_IDC_ABOUT_ICON, STM_GETICON, 0, 0),
                                   0);
                         Press(d, IDOK);
                       },
                       [&](HWND d) {
                         EXPECT_EQ(Text(d), "Stručný popis programu");
                         help = ItemText(d, TARVIK_IDC_HELP_TEXT);
                         helpStyle = GetWindowLongW(GetDlgItem(d, TARVIK_IDC_HELP_TEXT), GWL_STYLE);
                         Press(d, IDOK);
                       }});
  ShowAbout(nullptr, *program_);
  ShowHelp(nullptr);
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(about, (std::vector<std::string>{"Komunikace s pokladnou TARVIK",
                                             "pro Microsoft Windows.", "Verze 1.86  "}));
  std::string expected;
  for (char c : window::HelpText()) {
    if (c == '\n') expected += '\r';
    expected += c;
  }
  EXPECT_EQ(help, expected);
  EXPECT_TRUE(helpStyle & ES_READONLY);
  EXPECT_TRUE(helpStyle & ES_MULTILINE);
  EXPECT_TRUE(helpStyle & WS_VSCROLL);
}

TEST_F(Win32DialogsTest, ADialogThatCannotBeCreatedIsError114) {
  // An owner that is no longer a window.
  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  program_->connection.ipAddress = "10.9.8.7";
  DialogScript script({});
  EXPECT_JOB_FAILURE(RunPortDialog(gone, *program_), frame::error::kPortDialogNotCreated);
  EXPECT_JOB_FAILURE(RunIpDialog(gone, *program_), frame::error::kIpDialogNotCreated);
  EXPECT_JOB_FAILURE(ShowAbout(gone, *program_), frame::error::kAboutDialogNotCreated);
  EXPECT_JOB_FAILURE(ShowHelp(gone), frame::error::kHelpDialogNotCreated);
  EXPECT_EQ(script.Dialogs(), 0);
  EXPECT_EQ(program_->connection.ipAddress, "10.9.8.7");
}

}  // namespace
}  // namespace tarvik::ui::win32
