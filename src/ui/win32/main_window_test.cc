#include "ui/win32/main_window.h"

#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"
// After windows.h, which it needs: the controls of the common dialogs.
#include <dlgs.h>

#include <algorithm>
#include <filesystem>

#include "frame/codepage.h"
#include "frame/status.h"
#include "screen/front_end.h"
#include "support/win32_window_test_support.h"
#include "ui/win32/text.h"

namespace tarvik::ui::win32 {
namespace {

using namespace window::command;
using testing::PressKey;

class MainWindowTest : public testing::WindowFixture {
 protected:
  // One line per item of `menu`: its text ("/" after a submenu), "-" for a
  // separator, " (off)" when grayed.
  static std::vector<std::wstring> Items(HMENU menu) {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      // A submenu's state holds its item count in the high byte.
      const bool popup = GetSubMenu(menu, i) != nullptr;
      const UINT state =
          GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (popup ? 0xFF : ~0u);
      if ((state & MF_SEPARATOR) != 0) {
        items.push_back(L"-");
        continue;
      }
      wchar_t text[128] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
      std::wstring item = text;
      if (popup) item += L"/";
      if ((state & MF_GRAYED) != 0) item += L" (off)";
      items.push_back(item);
    }
    return items;
  }
  HMENU TopMenu(int position) const { return GetSubMenu(window_->MenuBar(), position); }
  // The Editace menu as it is about to open.
  std::wstring EditState() {
    SendMessageW(window_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window_->EditMenu()),
                 1);
    std::wstring on;
    for (int command : {kUndo, kCut, kCopy, kPaste, kClear, kSelectAll, kFind}) {
      if (ItemEnabled(command)) on += (on.empty() ? L"" : L",") + std::to_wstring(command);
    }
    return on;
  }
  void OpenEditorWith(const std::string& name, const std::string& bytes) {
    WriteFile(name, bytes);
    ChooseNext(name);
    window_->RunCommand(kOpen);
  }
  // Whether each of the commands that start work is enabled, as 0s and 1s.
  std::string JobCommandsOn() const {
    std::string on;
    for (int c : {kRun, kChooseAndRun, kSetCmd, kSetIp, kDateTime, kVerifyJournal, kFindRegister}) {
      on += ItemEnabled(c) ? '1' : '0';
    }
    return on;
  }
  void Type(const std::wstring& text) {
    for (wchar_t c : text) {
      SendMessageW(window_->Editor().Handle(), WM_CHAR, c == L'\n' ? L'\r' : c, 1);
    }
  }
};

TEST_F(MainWindowTest, MenuBarHasTheProgramsItemsInOrderWithTheirStates) {
  EXPECT_EQ(Items(window_->MenuBar()),
            (std::vector<std::wstring>{L"&Soubor/", L"Editace/", L"-", L"&Proveď", L"&Akce/",
                                       L"&Nápověda/"}));
  EXPECT_EQ(Items(TopMenu(0)),
            (std::vector<std::wstring>{L"Nový \tCtrl+N", L"Otevři\tCtrl+O", L"Ulož\tCtrl+S",
                                       L"Ulož jako...\tCtrl+Alt+S", L"-", L"Tiskni\tCtrl+P", L"-",
                                       L"&Konec"}));
  EXPECT_EQ(Items(TopMenu(1)),
            (std::vector<std::wstring>{L"Zpět\tCtrl+Z", L"Vyjmi\tCtrl+X", L"Kopíruj\tCtrl+C",
                                       L"Vlož\tCtrl+V", L"Smaž\tDel", L"Vyber vše", L"-",
                                       L"Najdi\tCtrl+F", L"Najdi další\tF3", L"Nahraď\tCtrl+R",
                                       L"-", L"Písmo"}));
  EXPECT_EQ(Items(TopMenu(4)),
            (std::vector<std::wstring>{L"&Komunikuj!", L"&Otevři a komunikuj", L"&Nastav CMD",
                                       L"Nastav &IP adresy", L"&Datum a čas", L"&Verifikuj žurnál",
                                       L"Grafické logo (off)", L"Najdi kasu     Alt/&F", L"-"}));
  EXPECT_EQ(Items(TopMenu(5)), (std::vector<std::wstring>{L"&Nápověda", L"&O programu"}));
  // The menu ids are the command numbers.
  EXPECT_EQ(GetMenuItemID(TopMenu(4), 0), static_cast<UINT>(kRun));
  EXPECT_EQ(GetMenuItemID(window_->MenuBar(), 3), static_cast<UINT>(kChooseAndRun));
  EXPECT_EQ(GetMenuItemID(TopMenu(0), 7), static_cast<UINT>(kExit));
}

TEST_F(MainWindowTest, AcceleratorTableIsTheModelsAndEachKeyReachesItsCommand) {
  const int count = CopyAcceleratorTableW(window_->AcceleratorTable(), nullptr, 0);
  std::vector<ACCEL> table(static_cast<std::size_t>(count));
  CopyAcceleratorTableW(window_->AcceleratorTable(), table.data(), count);
  ASSERT_EQ(table.size(), window::Accelerators().size());

  ShowWindow();
  std::vector<int> run;
  window_->SetCommandObserver([&](int command) { run.push_back(command); });
  // Ctrl+N first so the editor is shown and has the focus for the rest.
  PressKey(window_.get(), window_->Handle(), 'N', true);
  ASSERT_EQ(run, std::vector<int>{kNew});
  ASSERT_TRUE(window_->EditorVisible());
  const HWND editor = window_->Editor().Handle();
  const struct {
    UINT key;
    bool ctrl;
    bool alt;
    int command;
  } keys[] = {{'F', true, false, kFind},         {'K', true, false, kRun},
              {'O', true, false, kChooseAndRun}, {'R', true, false, kReplace},
              {'S', true, false, kSave},         {'S', true, true, kSaveAs},
              {VK_F3, false, false, kFindNext}};
  for (const auto& key : keys) {
    run.clear();
    if (window_->FindDialog() != nullptr) DestroyWindow(window_->FindDialog());
    Pump();
    PressKey(window_.get(), editor, key.key, key.ctrl, key.alt);
    EXPECT_EQ(run, std::vector<int>{key.command}) << key.command;
  }
  // Ctrl+O is "Otevři a komunikuj": it asks for a command file, not a text.
  EXPECT_TRUE(std::ranges::any_of(
      calls_.fileChoices, [](const FileChoice& c) { return c.title == L"Otevři a komunikuj"; }));
  // Ctrl+P has none; the editor's own keys stay the editor's.
  run.clear();
  PressKey(window_.get(), editor, 'P', true);
  PressKey(window_.get(), editor, 'Z', true);
  EXPECT_TRUE(run.empty());
}

TEST_F(MainWindowTest, NewOpenSaveAndSaveAsWorkOnFilesNamedInTheTitle) {
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - (bez názvu)");
  OpenEditorWith("prodej.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - prodej.cmd");
  EXPECT_EQ(EditorText(), L"01,1,7,8,O,650,ERA\nR03;P_PLU\n");
  window_->RunCommand(kNew);
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - (bez názvu)");
  Type(L"01,1,7,8,O,650,ERA\nR14;Čas");
  EXPECT_TRUE(window_->EditorModified());
  // Cancel, or Yes with a save dialog that is cancelled, keeps the text.
  for (int answer : {IDCANCEL, IDYES}) {
    calls_.answers.push_back(answer);
    window_->RunCommand(kNew);
    EXPECT_EQ(EditorText(), L"01,1,7,8,O,650,ERA\nR14;Čas");
    EXPECT_TRUE(window_->EditorModified());
  }
  EXPECT_EQ(calls_.boxes.back().flags, static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION));

  // Save without a name is Save as; the file is Windows-1250.
  ChooseNext("novy.cmd");
  window_->RunCommand(kSave);
  EXPECT_EQ(ReadFile("novy.cmd"), frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas"));
  EXPECT_FALSE(window_->EditorModified());
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - novy.cmd");
  const FileChoice& save = calls_.fileChoices.back();
  EXPECT_EQ(save.kind, FileChoice::Kind::kSave);
  EXPECT_EQ(save.defaultExtension, L"cmd");
  ASSERT_EQ(save.filters.size(), 2u);
  EXPECT_EQ(save.filters[0].first, L"Cmdéčka (*.cmd *.CMD)");
  EXPECT_EQ(save.filters[0].second, L"*.cmd;*.CMD");
  EXPECT_EQ(save.directory, dir_.wstring() + L"\\");

  // Open asks about the unsaved change first; No drops it.
  Type(L"\nzmena");
  calls_.answers.push_back(IDNO);
  OpenEditorWith("jiny.cmd", "R03;P_PLU\r\n");
  EXPECT_EQ(calls_.BoxTexts().back(), L"Mám uložit změny provedené v souboru novy.cmd?");
  EXPECT_EQ(EditorText(), L"R03;P_PLU\n");
  EXPECT_EQ(window_->EditorFileName(), WPath("jiny.cmd"));
  EXPECT_FALSE(window_->EditorModified());

  // Save as under another name.
  ChooseNext("kopie.cmd");
  window_->RunCommand(kSaveAs);
  EXPECT_EQ(ReadFile("kopie.cmd"), "R03;P_PLU\r\n");
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - kopie.cmd");

  // A file that cannot be written, or opened.
  ChooseNext("chybi/x.cmd");
  window_->RunCommand(kSaveAs);
  EXPECT_EQ(calls_.BoxTexts().back(), L"Nelze zapsat soubor x.cmd");
  ChooseNext("neni.cmd");
  calls_.answers.push_back(IDNO);
  window_->RunCommand(kOpen);
  EXPECT_EQ(calls_.BoxTexts().back(), L"Nemohu otevřít soubor neni.cmd!");
  EXPECT_EQ(window_->EditorFileName(), L"");
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - (bez názvu)");
}

TEST_F(MainWindowTest, FilesUpToTheLimitLoadAndBothByteOrderMarksAreRead) {
  // 32,000 bytes with CR LF line ends: loaded, and saved back unchanged.
  std::string full;
  while (full.size() < 32000) full += std::string(78, 'x') + "\r\n";
  full.resize(32000);
  full[31998] = '\r';
  full[31999] = '\n';
  OpenEditorWith("plny.cmd", full);
  EXPECT_TRUE(calls_.boxes.empty());
  EXPECT_EQ(window_->Editor().Length(), 32000);
  EXPECT_EQ(window_->Editor().SavedBytes(), full);
  // Nothing more can be typed; the limit beeps.
  int beeps = 0;
  window_->Editor().SetBeep([&] { ++beeps; });
  SendMessageW(window_->Editor().Handle(), WM_CHAR, L'y', 1);
  SendMessageW(window_->Editor().Handle(), WM_CHAR, L'\r', 1);
  EXPECT_EQ(beeps, 2);
  EXPECT_EQ(window_->Editor().SavedBytes(), full);

  // One byte more is refused.
  OpenEditorWith("velky.cmd", full + "y");
  EXPECT_EQ(calls_.BoxTexts(), (std::vector<std::wstring>{L"Soubor je prilis velky.",
                                                          L"Nemohu otevřít soubor velky.cmd!"}));
  EXPECT_EQ(window_->EditorFileName(), L"");

  // UTF-16 in either byte order: read through the code page, LF kept.
  OpenEditorWith("le.cmd", std::string("\xFF\xFE"
                                       "R\0"
                                       "\x0D\x01"
                                       "\n\0"
                                       "x\0",
                                       10));
  EXPECT_EQ(EditorText(), L"Rč\nx");
  EXPECT_EQ(window_->Editor().LineEnd(), u"\n");
  OpenEditorWith("be.cmd", std::string("\xFE\xFF"
                                       "\0R"
                                       "\x01\x0D"
                                       "\0\r\0\n"
                                       "\0x",
                                       12));
  EXPECT_EQ(EditorText(), L"Rč\nx");
  ChooseNext("be-ulozeny.cmd");
  window_->RunCommand(kSaveAs);
  EXPECT_EQ(ReadFile("be-ulozeny.cmd"), "R\xE8\r\nx");
}

TEST_F(MainWindowTest, EditMenuFollowsTheEditorWhenItOpens) {
  ShowWindow();
  window_->RunCommand(kNew);
  if (OpenClipboard(window_->Handle())) {
    EmptyClipboard();
    CloseClipboard();
  }
  EXPECT_EQ(EditState(), L"40062,40063");
  Type(L"R03");
  EXPECT_EQ(EditState(), L"40057,40062,40063");
  window_->RunCommand(kUndo);
  EXPECT_EQ(EditorText(), L"");
  Type(L"R03");
  window_->RunCommand(kSelectAll);
  EXPECT_EQ(EditState(), L"40057,40058,40059,40061,40062,40063");
  window_->RunCommand(kCopy);
  EXPECT_EQ(EditState(), L"40057,40058,40059,40060,40061,40062,40063");
  window_->RunCommand(kClear);
  EXPECT_EQ(EditorText(), L"");
  window_->RunCommand(kPaste);
  EXPECT_EQ(EditorText(), L"R03");

  LOGFONTW font{};
  font.lfHeight = -23;
  wcscpy_s(font.lfFaceName, L"Tahoma");
  calls_.font = font;
  window_->RunCommand(kFont);
  LOGFONTW used{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(window_->Editor().Handle(), WM_GETFONT, 0, 0));
  ASSERT_NE(handle, nullptr);
  GetObjectW(handle, sizeof used, &used);
  EXPECT_EQ(used.lfHeight, -23);
}

TEST_F(MainWindowTest, FindFindNextReplaceAllAndNotFoundThroughTheCommonDialogs) {
  ShowWindow();
  OpenEditorWith("f.cmd", "01,1,7,8,O,650,ERA\r\nR03;A\r\nr03;B\r\nR03;C\r\n");
  // F3 before any search text opens the find dialog.
  window_->RunCommand(kFindNext);
  HWND find = window_->FindDialog();
  ASSERT_NE(find, nullptr);
  SetDlgItemTextW(find, edt1, L"R03");
  SendMessageW(find, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(window_->Editor().Selection(), (std::pair<std::size_t, std::size_t>{19, 22}));
  window_->RunCommand(kFindNext);
  EXPECT_EQ(window_->Editor().Selection().first, 31u);
  EXPECT_TRUE(calls_.boxes.empty());
  window_->RunCommand(kFindNext);
  EXPECT_EQ(calls_.BoxTexts(), std::vector<std::wstring>{L"Text nenalezen!"});
  EXPECT_EQ(calls_.boxes[0].flags, static_cast<unsigned>(MB_ICONEXCLAMATION));
  // The dialog closes; the find text stays for F3.
  SendMessageW(find, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return window_->FindDialog() == nullptr; }));
  window_->Editor().Select(0, 0);
  window_->RunCommand(kFindNext);
  EXPECT_EQ(window_->Editor().Selection().first, 19u);

  // Replace all goes on behind each replacement, so each match is doubled once.
  window_->Editor().Select(0, 0);
  window_->RunCommand(kReplace);
  HWND replace = window_->FindDialog();
  ASSERT_NE(replace, nullptr);
  SetDlgItemTextW(replace, edt1, L"R03");
  SetDlgItemTextW(replace, edt2, L"R03R03");
  SendMessageW(replace, WM_COMMAND, psh2, 0);  // Replace All
  const std::wstring replaced = L"01,1,7,8,O,650,ERA\nR03R03;A\nr03;B\nR03R03;C\n";
  EXPECT_EQ(EditorText(), replaced);
  EXPECT_EQ(calls_.boxes.size(), 1u);
  // Nothing left behind the search position.
  SendMessageW(replace, WM_COMMAND, psh1, 0);  // Replace
  EXPECT_EQ(calls_.BoxTexts(), (std::vector<std::wstring>{L"Text nenalezen!", L"Text nenalezen!"}));
  EXPECT_EQ(EditorText(), replaced);
  // The modeless dialog takes its own keys through the window's loop.
  MSG escape{replace, WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(&escape));
}

TEST_F(MainWindowTest, EditorStartsAtHalfTheClientHeight) {
  ShowWindow();
  window_->RunCommand(kNew);
  for (SIZE size : {SIZE{700, 500}, SIZE{640, 377}}) {
    SetWindowPos(window_->Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    RECT client{};
    GetClientRect(window_->Handle(), &client);
    RECT editor{};
    GetWindowRect(window_->Editor().Handle(), &editor);
    MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&editor), 2);
    EXPECT_EQ(editor.top, client.bottom / 2);
    EXPECT_EQ(editor.bottom, client.bottom);
    EXPECT_EQ(editor.right - editor.left, client.right);
  }
}

TEST_F(MainWindowTest, CloseBoxQuitsWithoutAskingButKonecAsks) {
  ShowWindow();
  window_->RunCommand(kNew);
  Type(L"neulozeno");
  calls_.answers.push_back(IDCANCEL);
  window_->RunCommand(kExit);
  EXPECT_EQ(calls_.BoxTexts(),
            std::vector<std::wstring>{L"Mám uložit změny provedené v souboru (bez názvu)?"});
  EXPECT_TRUE(IsWindowVisible(window_->Handle()));

  SendMessageW(window_->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window_->Handle()));
  EXPECT_EQ(calls_.boxes.size(), 1u);
  EXPECT_FALSE(windowFrontEnd_->HasWindow());
}

TEST_F(MainWindowTest, SaveAndPrintNeedTheEditorAndHelpAndAboutAreShown) {
  for (int command : {kSave, kSaveAs, kPrint}) window_->RunCommand(command);
  EXPECT_TRUE(calls_.fileChoices.empty());
  EXPECT_EQ(calls_.printDialogs, 0);
  window_->RunCommand(kNew);
  window_->RunCommand(kPrint);
  // A cancelled printer dialog is no failure.
  EXPECT_EQ(calls_.printDialogs, 1);
  EXPECT_TRUE(calls_.boxes.empty());
  window_->RunCommand(kHelp);
  window_->RunCommand(kAbout);
  EXPECT_EQ(calls_.dialogsRun, (std::vector<std::string>{"help", "about"}));
}

TEST_F(MainWindowTest, CommandsThatStartWorkAreOffWhileAJobRuns) {
  ShowWindow();
  program_->settings.noLink = 1;
  WriteFile("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;A\r\n");
  program_->paths.commandFileName = "job.cmd";
  EXPECT_EQ(JobCommandsOn(), "1111111");
  // No message is handled until the job waits for its final box, so it runs
  // until then.
  std::vector<bool> busy;
  window_->SetBusyObserver([&](bool b) { busy.push_back(b); });
  window_->RunCommand(kRun);
  ASSERT_TRUE(window_->Busy());
  ASSERT_EQ(busy, std::vector<bool>{true});
  EXPECT_EQ(JobCommandsOn(), "0000000");
  EXPECT_TRUE(ItemEnabled(kNew));
  // The bar's own "Proveď" follows too.
  EXPECT_NE(GetMenuState(window_->MenuBar(), 3, MF_BYPOSITION) & MF_GRAYED, 0u);
  // A second start is refused while the first runs.
  window_->RunCommand(kChooseAndRun);
  EXPECT_TRUE(calls_.fileChoices.empty());
  ASSERT_TRUE(WaitUntil([&] { return busy.size() == 2; }));
  EXPECT_EQ(calls_.BoxTexts(), std::vector<std::wstring>{L"Komunikace uspesne ukoncena."});
  EXPECT_EQ(JobCommandsOn(), "1111111");
  EXPECT_EQ(GetMenuState(window_->MenuBar(), 3, MF_BYPOSITION) & MF_GRAYED, 0u);
}

TEST_F(MainWindowTest, NastavCmdMarksTheSerialLinkAndNastavIpTheNetworkWhenAccepted) {
  WriteFile("tk", "1");
  window_->RunCommand(kSetCmd);
  EXPECT_EQ(ReadFile("tk"), "0");
  window_->RunCommand(kSetIp);
  EXPECT_EQ(ReadFile("tk"), "0");
  calls_.ipDialogs.push_back([](frame::Program&) { return true; });
  window_->RunCommand(kSetIp);
  EXPECT_EQ(ReadFile("tk"), "1");
  EXPECT_EQ(calls_.dialogsRun, (std::vector<std::string>{"port", "ip", "ip"}));
  EXPECT_FALSE(window_->ProcessEnd().has_value());
}

TEST_F(MainWindowTest, FailureWhileTheWindowIsShownRestartsTheProgram) {
  ShowWindow();
  EXPECT_EQ(program_->settings.okno, 1);
  program_->paths.commandFileName = "chybi.cmd";
  window_->RunCommand(kRun);
  ASSERT_TRUE(window_->ProcessEnd().has_value());
  EXPECT_TRUE(window_->ProcessEnd()->restarted);
  EXPECT_EQ(process_.restartedWith, "tarvik");
  EXPECT_EQ(calls_.BoxTexts(22), std::vector<std::wstring>{L"Chyba 30, 1, LastError"});
  EXPECT_EQ(ReadFile("err"), "1");
}

TEST_F(MainWindowTest, FailureOnTheJobThreadRestartsTheProgram) {
  ShowWindow();
  program_->settings.noLink = 1;
  WriteFile("spatny.cmd", "01,1,7,8,O,650,ERA\r\nR03;A\r\nX03;B\r\n");
  program_->paths.commandFileName = "spatny.cmd";
  window_->RunCommand(kRun);
  ASSERT_TRUE(WaitUntil([&] { return runner_->ProcessEnd().has_value(); }));
  EXPECT_TRUE(runner_->ProcessEnd()->restarted);
  EXPECT_EQ(calls_.BoxTexts(23), std::vector<std::wstring>{L"Chyba 51, 47, LastError"});
}

TEST_F(MainWindowTest, OperationsRunFromTheMenuShowTheirVerdict) {
  WriteFile("zurnal.txt", "");
  WriteFile("zurnal2.txt", "\r\nxx*Q");
  EXPECT_FALSE(ItemEnabled(kLogo));
  const struct {
    int command;
    const char* file;
    const wchar_t* verdict;
  } operations[] = {{kVerifyJournal, "zurnal.txt", L"Soubor žurnálu je v pořádku."},
                    {kVerifyJournal, "zurnal2.txt", L"Soubor žurnálu je porušen."}};
  for (const auto& operation : operations) {
    calls_.boxes.clear();
    ChooseNext(operation.file);
    window_->RunCommand(operation.command);
    ASSERT_TRUE(WaitUntil([&] { return !calls_.boxes.empty() && !window_->Busy(); }, 30000));
    EXPECT_EQ(calls_.BoxTexts(), std::vector<std::wstring>{operation.verdict});
  }
  ASSERT_EQ(calls_.fileChoices.size(), 2u);
  EXPECT_EQ(calls_.fileChoices[1].filters[0].first, L"Soubory žurnálu (*.txt *.TXT)");
}

// The window against the native register emulator over TCP on a loopback
// address, which the test's runner starts and names in TARVIK_TEST_REGISTER
// ("127.0.0.1:port"), with PLU file 10 holding two lines.
TEST_F(MainWindowTest, JobFromTheMenuAgainstTheRegisterFillsTheScreenAndDataFiles) {
  const char* where = std::getenv("TARVIK_TEST_REGISTER");
  if (where == nullptr || *where == '\0') {
    GTEST_SKIP() << "TARVIK_TEST_REGISTER names no emulator (tests/wine/run-with-register.py)";
  }
  ASSERT_TRUE(std::string(where).starts_with("127."));
  ShowWindow();
  WriteFile("oddeleni.cmd", std::string(where) + ",01,650,ERA\r\nR10;PRVNI\r\nR10;DRUHY\r\n");
  std::vector<bool> busy;
  window_->SetBusyObserver([&](bool b) { busy.push_back(b); });
  ChooseNext("oddeleni.cmd");
  window_->RunCommand(kChooseAndRun);
  // The command returned at once, the chosen file in the title.
  EXPECT_TRUE(calls_.boxes.empty());
  EXPECT_EQ(window_->Title(), L"Komunikace Tarvik - oddeleni.cmd");
  EXPECT_EQ(JobCommandsOn(), "0000000");
  ASSERT_TRUE(WaitUntil([&] { return !calls_.boxes.empty(); }, 60000));
  EXPECT_EQ(calls_.BoxTexts(), std::vector<std::wstring>{L"Komunikace uspesne ukoncena."});
  EXPECT_EQ(PaintedRow(0), L"Pracuji se souborem PRVNI.dat.Pracuji se souborem DRUHY.dat.");
  EXPECT_EQ(ReadFile("PRVNI.dat"), "0005;1234\r\n0006;5678\r\n");
  EXPECT_EQ(ReadFile("DRUHY.dat"), "0005;1234\r\n0006;5678\r\n");
  EXPECT_EQ(ReadFile("err"), "0");
  ASSERT_TRUE(WaitUntil([&] { return busy.size() == 2; }));
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
  EXPECT_EQ(JobCommandsOn(), "1111111");
  EXPECT_FALSE(runner_->ProcessEnd().has_value());
}

}  // namespace
}  // namespace tarvik::ui::win32
