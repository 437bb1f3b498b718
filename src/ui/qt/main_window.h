// The main window: the status screen on top, the command-file editor below
// (hidden until a text is created or opened), and the menu that starts
// transfers and the other operations.
//
// Menu commands run on the UI thread and return at once: the work they start
// (ui/window/window_work.h) runs on its own threads, so the window keeps
// painting their status lines. While either
// runs, the commands that would start another one are disabled (nothing in
// the job runner refuses a second job).
//
// The accelerator table is applied before the focused control sees a key,
// so Ctrl+O runs "Otevři a komunikuj" even inside the editor, while the
// editor keeps its own Ctrl+Z, Ctrl+X, Ctrl+C, Ctrl+V and Del.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "platform/process.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/find_dialog.h"
#include "ui/window/menu.h"
#include "ui/window/window_work.h"

class QMenu;

namespace tarvik::ui::qt {

class CommandEditor;
class Dialogs;
class QtFrontEnd;
class TerminalView;

// The menu's command numbers (the menu itself is ui/window/menu.h).
namespace command = window::command;

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  // Writes the missing built-in command files and sets okno: the window is
  // shown. `frontEnd` is attached to this window.
  MainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
             QtFrontEnd& frontEnd, Dialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The rest of the start-up once the window is shown: the search asked for
  // with /najdi, then the job named on the command line.
  void StartRequestedWork();

  // Carries out a menu or accelerator command. The enabled state of its
  // menu item is not consulted (the grayed logo upload stays reachable),
  // but work is refused while work runs.
  void RunCommand(int command);

  // The menu item of a command (for 40006 the one in the Akce menu).
  QAction* Action(int command) const;
  QMenu* EditMenu() const { return editMenu_; }
  CommandEditor* Editor() const { return editor_; }
  TerminalView* Terminal() const { return terminal_; }
  FindDialog* OpenFindDialog() const { return findDialog_; }
  QWidget* Client() const { return client_; }
  bool EditorVisible() const { return editorVisible_; }
  bool EditorModified() const;
  QString EditorFileName() const { return editorFileName_; }
  // A job or an operation runs.
  bool Busy() const { return work_.Busy(); }
  // How the process would have ended on the UI or operation thread, when a
  // test double stood in for the process.
  std::optional<platform::ProcessEnding> ProcessEnd() const { return work_.ProcessEnd(); }
  // Whether Shift is held at the moment of a command (tests replace it).
  void SetShiftQuery(std::function<bool()> query) { shiftHeld_ = std::move(query); }

 signals:
  void commandRun(int command);
  void busyChanged(bool busy);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void RefreshBusy();

 private:
  void BuildMenu();
  void AddItems(QMenu* menu, std::span<const window::MenuItem> items);
  QAction* AddItem(QMenu* menu, const window::MenuItem& item);
  // The handler of every command, by its number.
  void RegisterHandlers();
  void RunEditorRequest(int command);
  void LayoutClient();
  void UpdateEditMenu();
  void SetTitle(const QString& name);
  QString ProgramDirectory() const;

  void StartJobNow();
  bool ChooseCommandFile();

  void NewText();
  void OpenText();
  bool Save();
  bool SaveAs();
  // The file dialog for command files of the editor (open or save).
  FileChoice CommandFileChoice(FileChoice::Kind kind, const QString& title) const;
  bool WriteEditor();
  void Print();
  void Exit();
  int AskSaveChanges();
  void FileMessage(std::string_view format, const QString& path);
  void ShowEditor();

  void OpenFind(bool replace);
  // F3: on with the text last searched for, or the find dialog.
  void FindNext();
  void FindFromDialog();
  void ChooseFont();
  void Replace(bool all);

  void VerifyJournal();
  void UploadLogo();
  void SetSerialLines();
  void SetIpAddresses();

  frame::Program& program_;
  job::JobRunner& runner_;
  link::RegisterLink& link_;
  QtFrontEnd& frontEnd_;
  Dialogs& dialogs_;

  QWidget* client_ = nullptr;
  TerminalView* terminal_ = nullptr;
  CommandEditor* editor_ = nullptr;
  QMenu* editMenu_ = nullptr;
  std::map<int, QAction*> actions_;
  // Every action with its item, the bar's "Proveď" among them.
  std::vector<std::pair<QAction*, const window::MenuItem*>> items_;
  std::map<int, int> accelerators_;
  std::map<int, std::function<void()>> handlers_;

  bool editorVisible_ = false;
  QString editorFileName_;
  QString editorExtension_;
  QPointer<FindDialog> findDialog_;
  QString findText_;
  QString replaceText_;

  std::function<bool()> shiftHeld_;
  QTimer busyTimer_;
  bool lastBusy_ = false;
  window::WindowWork work_;
};

}  // namespace tarvik::ui::qt
