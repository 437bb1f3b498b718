#include "ui/qt/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "frame/codepage.h"
#include "frame/setting_tables.h"
#include "frame/status.h"
#include "screen/front_end.h"
#include "support/link_test_support.h"
#include "support/qt_test_support.h"
#include "ui/qt/command_editor.h"
#include "ui/qt/find_dialog.h"
#include "ui/qt/help_text.h"
#include "ui/qt/line_dialogs.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt {
namespace {

using namespace command;
using testing::WaitUntil;

class MainWindowTest : public testing::WindowFixture {
 protected:
  // One line per item: its text, "-" for a separator, "(off)" when disabled.
  static QStringList Items(const QList<QAction*>& actions) {
    QStringList items;
    for (QAction* a : actions) {
      if (a->isSeparator()) {
        items << "-";
      } else {
        items << a->text() + (a->isEnabled() ? "" : " (off)");
      }
    }
    return items;
  }
  QMenu* TopMenu(const QString& title) const {
    for (QAction* a : window_->menuBar()->actions()) {
      if (a->text() == title) return a->menu();
    }
    return nullptr;
  }
  void OpenEditorWith(const std::string& name, const std::string& bytes) {
    WriteFile(name, bytes);
    ChooseNext(name);
    window_->RunCommand(kOpen);
  }
  // Whether each of the commands that start a job is enabled, as 0s and 1s.
  QString JobCommandsOn() const {
    QString on;
    for (int c : {kRun, kChooseAndRun, kSetCmd, kSetIp, kDateTime, kVerifyJournal, kFindRegister}) {
      on += window_->Action(c)->isEnabled() ? '1' : '0';
    }
    return on;
  }
};

TEST_F(MainWindowTest, MenuTreeHasTheProgramsItemsInOrder) {
  QStringList bar;
  for (QAction* a : window_->menuBar()->actions()) {
    bar << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->menu() ? "/" : ""));
  }
  EXPECT_EQ(bar, (QStringList{"&Soubor/", "Editace/", "-", "&Proveď", "&Akce/", "&Nápověda/"}));
  EXPECT_EQ(Items(TopMenu("&Soubor")->actions()),
            (QStringList{"Nový \tCtrl+N", "Otevři\tCtrl+O", "Ulož\tCtrl+S",
                         "Ulož jako...\tCtrl+Alt+S", "-", "Tiskni\tCtrl+P", "-", "&Konec"}));
  EXPECT_EQ(Items(TopMenu("Editace")->actions()),
            (QStringList{"Zpět\tCtrl+Z", "Vyjmi\tCtrl+X", "Kopíruj\tCtrl+C", "Vlož\tCtrl+V",
                         "Smaž\tDel", "Vyber vše", "-", "Najdi\tCtrl+F", "Najdi další\tF3",
                         "Nahraď\tCtrl+R", "-", "Písmo"}));
  EXPECT_EQ(Items(TopMenu("&Akce")->actions()),
            (QStringList{"&Komunikuj!", "&Otevři a komunikuj", "&Nastav CMD", "Nastav &IP adresy",
                         "&Datum a čas", "&Verifikuj žurnál", "Grafické logo (off)",
                         "Najdi kasu     Alt/&F", "-"}));
  EXPECT_EQ(Items(TopMenu("&Nápověda")->actions()), (QStringList{"&Nápověda", "&O programu"}));
  // The menu only shows the keys: no item carries a shortcut of its own.
  for (QAction* a : window_->findChildren<QAction*>()) EXPECT_TRUE(a->shortcut().isEmpty());
}

TEST_F(MainWindowTest, EveryAcceleratorReachesItsCommand) {
  ShowWindow();
  QSignalSpy spy(window_.get(), &MainWindow::commandRun);
  const QStringList keys = {"Ctrl+F", "Ctrl+K", "Ctrl+N",     "Ctrl+O",
                            "Ctrl+R", "Ctrl+S", "Ctrl+Alt+S", "F3"};
  const int commands[] = {kFind, kRun, kNew, kChooseAndRun, kReplace, kSave, kSaveAs, kFindNext};
  // Ctrl+N first so the editor is shown and has the focus for the rest.
  QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(spy.count(), 1);
  ASSERT_TRUE(window_->EditorVisible());
  window_->Editor()->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return window_->Editor()->hasFocus(); }));
  for (qsizetype i = 0; i < keys.size(); ++i) {
    const QKeyCombination key = QKeySequence(keys[i])[0];
    spy.clear();
    if (window_->OpenFindDialog() != nullptr) {
      window_->OpenFindDialog()->close();
      window_->activateWindow();
      window_->Editor()->setFocus();
    }
    QTest::keyClick(window_->Editor(), key.key(), key.keyboardModifiers());
    ASSERT_EQ(spy.count(), 1) << keys[i].toStdString();
    EXPECT_EQ(spy.at(0).at(0).toInt(), commands[i]);
  }
  // Ctrl+O is "Otevři a komunikuj": it asks for a command file, not a text.
  EXPECT_TRUE(std::ranges::any_of(
      dialogs_.fileChoices, [](const FileChoice& c) { return c.title == "Otevři a komunikuj"; }));
  // Ctrl+P has none; the editor's own keys stay the editor's.
  spy.clear();
  QTest::keyClick(window_->Editor(), Qt::Key_P, Qt::ControlModifier);
  QTest::keyClicks(window_->Editor(), "abc");
  QTest::keyClick(window_->Editor(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(window_->Editor()->toPlainText(), "");
}

TEST_F(MainWindowTest, NewOpenSaveAndSaveAsWorkOnFilesNamedInTheTitle) {
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - (bez názvu)");
  OpenEditorWith("prodej.cmd", "01,1,7,8,O,650,ERA\r\nR03;P_PLU\r\n");
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - prodej.cmd");
  window_->RunCommand(kNew);
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - (bez názvu)");
  ASSERT_TRUE(window_->EditorVisible());
  window_->Editor()->insertPlainText(QString::fromUtf8("01,1,7,8,O,650,ERA\nR14;Čas"));
  EXPECT_TRUE(window_->EditorModified());
  // Cancel, or Yes with a save dialog that is cancelled, keeps the text.
  for (int answer : {screen::kAnswerCancel, screen::kAnswerYes}) {
    dialogs_.answers.push_back(answer);
    window_->RunCommand(kNew);
    EXPECT_EQ(window_->Editor()->toPlainText(), "01,1,7,8,O,650,ERA\nR14;Čas");
    EXPECT_TRUE(window_->EditorModified());
  }

  // Save without a name is Save as.
  ChooseNext("novy.cmd");
  window_->RunCommand(kSave);
  EXPECT_EQ(ReadFile("novy.cmd"), frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas"));
  EXPECT_FALSE(window_->EditorModified());
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - novy.cmd");
  EXPECT_EQ(dialogs_.fileChoices.back().kind, FileChoice::Kind::kSave);
  EXPECT_EQ(dialogs_.fileChoices.back().filters,
            (QStringList{"Cmdéčka (*.cmd *.CMD)", "Všechny soubory (*)"}));
  EXPECT_EQ(QDir(dialogs_.fileChoices.back().directory).canonicalPath(),
            QDir(QPath("")).canonicalPath());

  // Save with a name writes without asking.
  window_->Editor()->appendPlainText("V10;D10");
  window_->RunCommand(kSave);
  EXPECT_EQ(ReadFile("novy.cmd"), frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas\r\nV10;D10"));
  EXPECT_EQ(dialogs_.fileChoices.size(), 3u);  // the open, the cancelled save, the first save

  // Open asks about the unsaved change first; No drops it.
  window_->Editor()->appendPlainText("zmena");
  dialogs_.answers.push_back(screen::kAnswerNo);
  OpenEditorWith("jiny.cmd", "R03;P_PLU\r\n");
  EXPECT_EQ(dialogs_.BoxTexts().back(), "Mám uložit změny provedené v souboru novy.cmd?");
  EXPECT_EQ(dialogs_.boxes.back().style, 3 | screen::kStyleQuestion);
  EXPECT_EQ(window_->Editor()->toPlainText(), "R03;P_PLU\n");
  EXPECT_EQ(window_->EditorFileName(), QPath("jiny.cmd"));

  // Save as under another name.
  ChooseNext("kopie.cmd");
  window_->RunCommand(kSaveAs);
  EXPECT_EQ(ReadFile("kopie.cmd"), "R03;P_PLU\r\n");
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - kopie.cmd");

  // A file that cannot be written, or opened.
  ChooseNext("chybi/x.cmd");
  window_->RunCommand(kSaveAs);
  EXPECT_EQ(dialogs_.BoxTexts().back(), "Nelze zapsat soubor x.cmd");
  ChooseNext("neni.cmd");
  dialogs_.answers.push_back(screen::kAnswerNo);
  window_->RunCommand(kOpen);
  EXPECT_EQ(dialogs_.BoxTexts().back(), "Nemohu otevřít soubor neni.cmd!");
  EXPECT_EQ(window_->EditorFileName(), "");
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - (bez názvu)");
}

TEST_F(MainWindowTest, SaveAndPrintNeedTheEditorAndAFailedPrintIsReported) {
  for (int command : {kSave, kSaveAs, kPrint}) window_->RunCommand(command);
  EXPECT_TRUE(dialogs_.fileChoices.empty());
  window_->RunCommand(kNew);
  window_->Editor()->setPlainText("R03;P_PLU");
  dialogs_.PrintToPdf(QPath("no-such-dir/out.pdf"));
  window_->RunCommand(kPrint);
  EXPECT_EQ(dialogs_.printDialogs, 1);
  EXPECT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Could not print file (bez názvu)"});
}

TEST_F(MainWindowTest, EditMenuItemsAreEnabledWhenItOpensAndWorkOnTheEditor) {
  ShowWindow();
  window_->RunCommand(kNew);
  QGuiApplication::clipboard()->clear();
  auto state = [&] {
    window_->EditMenu()->popup(window_->mapToGlobal(QPoint(0, 0)));
    QStringList on;
    for (int command : {kUndo, kCut, kCopy, kPaste, kClear, kSelectAll, kFind}) {
      if (window_->Action(command)->isEnabled()) on << QString::number(command);
    }
    window_->EditMenu()->hide();
    return on.join(",");
  };
  EXPECT_EQ(state(), "40062,40063");
  window_->Editor()->insertPlainText("R03");
  EXPECT_EQ(state(), "40057,40062,40063");
  window_->RunCommand(kSelectAll);
  EXPECT_EQ(state(), "40057,40058,40059,40061,40062,40063");
  window_->RunCommand(kCopy);
  EXPECT_EQ(state(), "40057,40058,40059,40060,40061,40062,40063");
  window_->RunCommand(kClear);
  EXPECT_EQ(window_->Editor()->toPlainText(), "");
  window_->RunCommand(kPaste);
  EXPECT_EQ(window_->Editor()->toPlainText(), "R03");
  window_->RunCommand(kUndo);
  EXPECT_EQ(window_->Editor()->toPlainText(), "");
  dialogs_.font = QFont(QStringLiteral("DejaVu Sans"), 17);
  window_->RunCommand(kFont);
  EXPECT_EQ(window_->Editor()->font().pointSize(), 17);
}

TEST_F(MainWindowTest, FindFindNextReplaceAllAndNotFound) {
  ShowWindow();
  OpenEditorWith("f.cmd", "01,1,7,8,O,650,ERA\r\nR03;A\r\nr03;B\r\nR03;C\r\n");
  // F3 before any search text opens the find dialog.
  window_->RunCommand(kFindNext);
  FindDialog* find = window_->OpenFindDialog();
  ASSERT_NE(find, nullptr);
  EXPECT_FALSE(find->IsReplace());
  find->FindEdit()->setText("R03");
  QTest::mouseClick(find->FindNextButton(), Qt::LeftButton);
  EXPECT_EQ(window_->Editor()->textCursor().selectionStart(), 19);
  window_->RunCommand(kFindNext);
  EXPECT_EQ(window_->Editor()->textCursor().selectionStart(), 31);
  EXPECT_TRUE(dialogs_.boxes.empty());
  window_->RunCommand(kFindNext);
  EXPECT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Text nenalezen!"});
  EXPECT_EQ(dialogs_.boxes[0].style, screen::kStyleExclamation);
  // The dialog closes; the find text stays for F3.
  find->close();
  ASSERT_TRUE(WaitUntil([&] { return window_->OpenFindDialog() == nullptr; }));
  window_->Editor()->moveCursor(QTextCursor::Start);
  window_->RunCommand(kFindNext);
  EXPECT_EQ(window_->Editor()->textCursor().selectionStart(), 19);

  // Replace all goes on behind each replacement, so each match is doubled once.
  window_->Editor()->moveCursor(QTextCursor::Start);
  window_->RunCommand(kReplace);
  FindDialog* replace = window_->OpenFindDialog();
  ASSERT_NE(replace, nullptr);
  ASSERT_TRUE(replace->IsReplace());
  replace->FindEdit()->setText("R03");
  replace->ReplaceEdit()->setText("R03R03");
  QTest::mouseClick(replace->ReplaceAllButton(), Qt::LeftButton);
  const QString replaced = "01,1,7,8,O,650,ERA\nR03R03;A\nr03;B\nR03R03;C\n";
  EXPECT_EQ(window_->Editor()->toPlainText(), replaced);
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
  // Nothing left behind the search position.
  QTest::mouseClick(replace->ReplaceButton(), Qt::LeftButton);
  EXPECT_EQ(dialogs_.BoxTexts(), (std::vector<QString>{"Text nenalezen!", "Text nenalezen!"}));
  EXPECT_EQ(window_->Editor()->toPlainText(), replaced);
}

TEST_F(MainWindowTest, EditorStartsAtHalfTheClientHeight) {
  ShowWindow();
  window_->RunCommand(kNew);
  for (QSize size : {QSize(700, 500), QSize(640, 377), QSize(900, 801)}) {
    window_->resize(size);
    ASSERT_TRUE(WaitUntil([&] { return window_->size() == size; }));
    const QWidget* client = window_->Client();
    EXPECT_EQ(window_->Editor()->geometry(), QRect(0, client->height() / 2, client->width(),
                                                   client->height() - client->height() / 2));
    EXPECT_EQ(window_->Terminal()->geometry().topLeft(), QPoint(0, 0));
  }
}

TEST_F(MainWindowTest, CloseBoxQuitsWithoutAskingButKonecAsks) {
  ShowWindow();
  window_->RunCommand(kNew);
  window_->Editor()->insertPlainText("neulozeno");
  dialogs_.answers.push_back(screen::kAnswerCancel);
  window_->RunCommand(kExit);
  EXPECT_EQ(dialogs_.BoxTexts(),
            std::vector<QString>{"Mám uložit změny provedené v souboru (bez názvu)?"});
  EXPECT_TRUE(window_->isVisible());

  window_->close();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_FALSE(qtFrontEnd_.HasWindow());
}

TEST_F(MainWindowTest, KonecWithNoChangesQuits) {
  ShowWindow();
  window_->RunCommand(kExit);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, CommandsThatStartAJobAreOffWhileOneRuns) {
  ShowWindow();
  program_->settings.noLink = 1;
  WriteFile("job.cmd", "01,1,7,8,O,650,ERA\r\nR03;A\r\n");
  program_->paths.commandFileName = "job.cmd";
  // No events are handled until the end of the test: the job waits for
  // its final box, so it runs until then.
  QSignalSpy busy(window_.get(), &MainWindow::busyChanged);
  window_->RunCommand(kRun);
  ASSERT_TRUE(window_->Busy());
  ASSERT_EQ(busy.count(), 1);
  EXPECT_EQ(JobCommandsOn(), "0000000");
  EXPECT_TRUE(window_->Action(kNew)->isEnabled());
  // A second start is refused while the first runs.
  window_->RunCommand(kChooseAndRun);
  EXPECT_TRUE(dialogs_.fileChoices.empty());
  ASSERT_TRUE(WaitUntil([&] { return busy.count() == 2; }));
  EXPECT_EQ(JobCommandsOn(), "1111111");
}

TEST_F(MainWindowTest, NastavCmdAndNastavIpRewriteTheCommandFilesOfTheirLink) {
  ShowWindow();
  const std::string serial = "01,1,7,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D10\r\n";
  const std::string network = "192.168.0.160,01,650 , ERA\r\nR03;P_PLU\r\n";
  WriteFile("prodej.cmd", serial);
  WriteFile("sit.cmd", network);
  // Cancelled, Nastav CMD changes no file but marks the serial link; Nastav IP
  // does nothing at all.
  WriteFile("tk", "1");
  window_->RunCommand(kSetCmd);
  EXPECT_EQ(ReadFile("tk"), "0");
  window_->RunCommand(kSetIp);
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_EQ(ReadFile("prodej.cmd"), serial);
  EXPECT_EQ(ReadFile("sit.cmd"), network);
  EXPECT_EQ(ReadFile("glog1.cmx"), "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");

  WriteFile("tk", "1");
  dialogs_.runs.push_back([](QDialog* dialog) {
    auto* port = static_cast<PortSpeedDialog*>(dialog);
    port->Port()->setCurrentIndex(1);
    port->Speed()->setCurrentText("9600");
    port->Terminal()->setText("3");
    return true;
  });
  dialogs_.runs.push_back([](QDialog* dialog) {
    auto* ip = static_cast<IpAddressDialog*>(dialog);
    ip->Octet(2)->setText("1");
    ip->Octet(3)->setText("20");
    ip->Terminal()->setText("12");
    return true;
  });
  window_->RunCommand(kSetCmd);
  const std::string rewritten = "03,2,5,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D10\r\n";
  EXPECT_EQ(ReadFile("prodej.cmd"), rewritten);
  EXPECT_EQ(ReadFile("sit.cmd"), network);
  EXPECT_EQ(ReadFile("glog1.cmx"), "03,2,5,8,O,650 ,ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_TRUE(PaintedScreen().contains("V prikazovych souborech byly prepsany parametry."));
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
  EXPECT_FALSE(window_->ProcessEnd().has_value());

  window_->RunCommand(kSetIp);
  EXPECT_EQ(dialogs_.dialogsRun, (std::vector<QString>{"portSpeedDialog", "ipAddressDialog",
                                                       "portSpeedDialog", "ipAddressDialog"}));
  EXPECT_EQ(ReadFile("sit.cmd"), "192.168.1.20,12,650 , ERA\r\nR03;P_PLU\r\n");
  EXPECT_EQ(ReadFile("iglog1.cmx"), "192.168.1.20,12,650 , ERA\r\nW44;GLOGO1\r\n");
  // The clock and VAT files of the network go with it.
  EXPECT_EQ(ReadFile("isregu.cmx"), "192.168.1.20,12,650 , ERA\r\nR14;X_REG\r\n");
  EXPECT_EQ(ReadFile("taxdi.cmx"), "192.168.1.20,12,650 , ERA\r\nV30;P_TAX\r\n");
  EXPECT_EQ(ReadFile("prodej.cmd"), rewritten);
  EXPECT_EQ(ReadFile("tk"), "1");
}

TEST_F(MainWindowTest, FailureWhileTheWindowIsShownRestartsTheProgram) {
  ShowWindow();
  EXPECT_EQ(program_->settings.okno, 1);
  program_->paths.commandFileName = "chybi.cmd";
  window_->RunCommand(kRun);
  ASSERT_TRUE(window_->ProcessEnd().has_value());
  EXPECT_TRUE(window_->ProcessEnd()->restarted);
  EXPECT_EQ(process_.restartedWith, "tarvik");
  EXPECT_EQ(dialogs_.BoxTexts(22), std::vector<QString>{"Chyba 30, 1, LastError"});
  EXPECT_EQ(ReadFile("err"), "1");
}

TEST_F(MainWindowTest, FailureOfABuiltInJobStillRestartsTheShownWindow) {
  ShowWindow();
  std::filesystem::remove(PathOf("sregu.cmx"));
  window_->SetShiftQuery([] { return false; });
  window_->RunCommand(kDateTime);
  ASSERT_TRUE(WaitUntil([&] { return window_->ProcessEnd().has_value(); }));
  // The clock setting had cleared okno for its built-in jobs.
  EXPECT_EQ(program_->settings.okno, 0);
  EXPECT_TRUE(window_->ProcessEnd()->restarted);
  EXPECT_EQ(dialogs_.BoxTexts(22), std::vector<QString>{"Chyba 30, 1, LastError"});
}

TEST_F(MainWindowTest, FailureOnTheJobThreadRestartsTheProgram) {
  ShowWindow();
  program_->settings.noLink = 1;
  WriteFile("spatny.cmd", "01,1,7,8,O,650,ERA\r\nR03;A\r\nX03;B\r\n");
  program_->paths.commandFileName = "spatny.cmd";
  window_->RunCommand(kRun);
  ASSERT_TRUE(WaitUntil([&] { return runner_->ProcessEnd().has_value(); }));
  EXPECT_TRUE(runner_->ProcessEnd()->restarted);
  EXPECT_EQ(dialogs_.BoxTexts(23), std::vector<QString>{"Chyba 51, 47, LastError"});
}

TEST_F(MainWindowTest, OperationsRunFromTheMenuShowTheirVerdict) {
  WriteFile("zurnal.txt", "");
  WriteFile("zurnal2.txt", "\r\nxx*Q");
  WriteFile("obrazek.bmp", "GIF89a, not a bitmap, but long enough to have sixty-two bytes in it");
  for (int n = 1; n <= 9; ++n) program_->comDevice[static_cast<std::size_t>(n)] = PathOf("ttyNONE");
  // The logo upload stays reachable though its item is off.
  EXPECT_FALSE(window_->Action(kLogo)->isEnabled());
  const struct {
    int command;
    const char* file;
    const char* verdict;
  } operations[] = {{kVerifyJournal, "zurnal.txt", "Soubor žurnálu je v pořádku."},
                    {kVerifyJournal, "zurnal2.txt", "Soubor žurnálu je porušen."},
                    {kLogo, "obrazek.bmp", "Format souboru neni BMP."},
                    {kFindRegister, nullptr, "Nenalezl jsem zadnou pokladnu."}};
  for (const auto& operation : operations) {
    SCOPED_TRACE(operation.verdict);
    dialogs_.boxes.clear();
    if (operation.file != nullptr) ChooseNext(operation.file);
    window_->RunCommand(operation.command);
    ASSERT_TRUE(WaitUntil([&] { return !dialogs_.boxes.empty() && !window_->Busy(); }, 30000));
    EXPECT_EQ(dialogs_.BoxTexts(), std::vector<QString>{QString::fromUtf8(operation.verdict)});
  }
  ASSERT_EQ(dialogs_.fileChoices.size(), 3u);
  EXPECT_EQ(dialogs_.fileChoices[1].filters,
            (QStringList{"Soubory žurnálu (*.txt *.TXT)", "Všechny soubory (*)"}));
  EXPECT_EQ(dialogs_.fileChoices[2].defaultSuffix, "bmp");
}

TEST_F(MainWindowTest, HelpAndAboutDialogs) {
  QString helpText;
  dialogs_.runs.push_back([&](QDialog* dialog) {
    helpText = dialog->findChild<QPlainTextEdit*>()->toPlainText();
    EXPECT_TRUE(dialog->findChild<QPlainTextEdit*>()->isReadOnly());
    return true;
  });
  QStringList about;
  dialogs_.runs.push_back([&](QDialog* dialog) {
    about = static_cast<AboutDialog*>(dialog)->Texts();
    return true;
  });
  window_->RunCommand(kHelp);
  window_->RunCommand(kAbout);
  EXPECT_EQ(dialogs_.dialogsRun, (std::vector<QString>{"106", "100"}));
  EXPECT_EQ(about, (QStringList{"Komunikace s pokladnou TARVIK", "pro Microsoft Windows.",
                                "Verze 1.86  "}));
  for (const char* topic :
       {"/progress", "tarvik.ini", "S87", "Najdi kasu", "Datum a čas", "S03", "modem", "error.txt",
        "01,1,7,8,O,650,ERA", "Pokladna se nehlasi", "Stejná PLU v souboru"}) {
    EXPECT_TRUE(helpText.contains(QString::fromUtf8(topic))) << topic;
  }
}

// The help's switch and key lists come from the program's tables; each entry
// needs its Czech words.
TEST(HelpText, EverySwitchAndUsedKeyHasItsLineWithWords) {
  const QStringList lines = HelpText().split(QLatin1Char('\n'));
  auto wordsAfter = [&](std::string_view name) {
    const QString start = QStringLiteral("  ") +
                          QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                          QLatin1Char(' ');
    for (const QString& line : lines) {
      if (line.startsWith(start)) return line.mid(start.size()).trimmed();
    }
    return QString();
  };
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    EXPECT_FALSE(wordsAfter(sw.on).isEmpty()) << sw.on;
  }
  for (const frame::IniKey& key : frame::IniKeys()) {
    const QString words = wordsAfter(key.name);
    if (!key.used) {
      EXPECT_TRUE(words.isEmpty()) << key.name;  // keys without effect are not offered
      continue;
    }
    EXPECT_FALSE(words.startsWith('(')) << key.name;  // words before the default
    const QString byDefault =
        key.defaultValue.empty()
            ? QStringLiteral("prázdné")
            : QString::fromUtf8(key.defaultValue.data(),
                                static_cast<qsizetype>(key.defaultValue.size()));
    EXPECT_TRUE(words.endsWith(QStringLiteral("výchozí %1)").arg(byDefault))) << key.name;
  }
  EXPECT_TRUE(lines.contains(
      QStringLiteral("  timeout          čekání na pokladnu v sekundách (1 až 100, výchozí 10)")));
}

// The window against the register emulator on a pseudo-terminal as COM1.
class WindowWithRegisterTest : public MainWindowTest {
 protected:
  WindowWithRegisterTest() : register_(dir_) { program_->settings.timeout = 1; }
  ~WindowWithRegisterTest() override {
    window_.reset();
    runner_.reset();
    link_.reset();
    register_.Stop();
  }
  void StartRegister() {
    // Discovery (before the VAT loading) finds nothing on the other ports.
    for (std::size_t n = 2; n <= 9; ++n) program_->comDevice[n] = PathOf("ttyNONE");
    program_->comDevice[1] = register_.StartPty();
  }
  tarvik::testing::EmulatedRegister register_;
};

TEST_F(WindowWithRegisterTest, JobFromTheMenuRunsOnItsThreadAndFillsTheScreenAndDataFiles) {
  register_.SetFile("10.dat", "0005;1234\r\n0006;5678\r\n");
  StartRegister();
  ShowWindow();
  WriteFile("oddeleni.cmd", "01,1,7,8,O,650,ERA\r\nR10;PRVNI\r\nR10;DRUHY\r\n");
  QSignalSpy busy(window_.get(), &MainWindow::busyChanged);
  ChooseNext("oddeleni.cmd");
  window_->Action(kChooseAndRun)->trigger();
  // The command returned at once, the chosen file in the title.
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - oddeleni.cmd");
  EXPECT_EQ(dialogs_.fileChoices.back().filters,
            (QStringList{"Cmdéčka (*.cmd *.CMD)", "Všechny soubory (*)"}));
  ASSERT_TRUE(WaitUntil([&] { return !dialogs_.boxes.empty(); }, 30000));
  EXPECT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Komunikace uspesne ukoncena."});
  EXPECT_EQ(PaintedRow(0), "Pracuji se souborem PRVNI.dat.Pracuji se souborem DRUHY.dat.");
  EXPECT_EQ(ReadFile("PRVNI.dat"), "0005;1234\r\n0006;5678\r\n");
  EXPECT_EQ(ReadFile("DRUHY.dat"), "0005;1234\r\n0006;5678\r\n");
  EXPECT_EQ(ReadFile("err"), "0");
  EXPECT_EQ(ReadFile("tk"), "0");
  ASSERT_TRUE(WaitUntil([&] { return busy.count() == 2; }));
  EXPECT_TRUE(busy.at(0).at(0).toBool());
  EXPECT_FALSE(busy.at(1).at(0).toBool());
  EXPECT_FALSE(runner_->ProcessEnd().has_value());
  // The port was closed at the end of the job, and the caret went with it.
  ASSERT_TRUE(WaitUntil([&] { return !window_->Terminal()->CaretOn(); }));
  EXPECT_FALSE(program_->terminal.Connected());
  // Cancelling the next choice refreshes the title.
  window_->RunCommand(kChooseAndRun);
  EXPECT_EQ(window_->windowTitle(), "Komunikace Tarvik - (bez názvu)");
}

TEST_F(WindowWithRegisterTest, DateAndTimeSetsTheClockAndWithShiftLoadsVat) {
  register_.SetFile("14.dat", "0001;200101\r\n0002;000000\r\n0003;000001\r\n");
  register_.SetFile("30.dat", "0001;1400;00\r\n0002;1500;00\r\n0003;0500;00\r\n");
  StartRegister();
  ShowWindow();
  window_->SetShiftQuery([] { return false; });
  window_->RunCommand(kDateTime);
  ASSERT_TRUE(WaitUntil([&] { return !dialogs_.boxes.empty(); }, 30000));
  EXPECT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Čas je v pokladně."});
  ASSERT_TRUE(WaitUntil([&] { return !window_->Busy(); }));

  window_->SetShiftQuery([] { return true; });
  window_->RunCommand(kDateTime);
  ASSERT_TRUE(WaitUntil([&] { return dialogs_.boxes.size() == 2; }, 30000));
  EXPECT_EQ(dialogs_.BoxTexts().back(), "V pokladně je nastaveno DPH 15% a 21%.");
  ASSERT_TRUE(WaitUntil([&] { return !window_->Busy(); }));
  EXPECT_FALSE(window_->ProcessEnd().has_value());
  EXPECT_EQ(program_->settings.okno, 1);
  register_.Stop();
  // The PC's date and time (of the test clock) went into file 14, the
  // rates 14 and 15 became 20 and 21 in file 30.
  EXPECT_EQ(register_.File("14.dat"), "0001;261205\r\n0002;140500\r\n0003;000001\r\n");
  EXPECT_EQ(register_.File("30.dat"), "0001;2000;00\r\n0002;2100;00\r\n0003;0500;00\r\n");
}

}  // namespace
}  // namespace tarvik::ui::qt
