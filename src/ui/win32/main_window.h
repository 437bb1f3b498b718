// The main window on Windows: the status screen on top, the command-file
// editor below (hidden until a text is created or opened), and the menu bar
// and accelerators built from the window model's table.
//
// Menu commands run on the UI thread and return at once: a job runs on its
// job thread, and the longer operations (date and time, VAT, journal
// verification, logo, register search) on an operation thread of the
// window, so the window keeps painting their status lines. While either
// runs, the commands that would start another one are disabled (nothing in
// the job runner refuses a second job).
//
// The message loop gives the modeless Find/Replace dialog its keys first,
// then the accelerator table, so Ctrl+O runs "Otevři a komunikuj" even inside
// the editor, while the editor keeps its own Ctrl+Z, Ctrl+X, Ctrl+C, Ctrl+V
// and Del.
#pragma once

#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <commdlg.h>

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"
#include "platform/process.h"
#include "ui/win32/command_editor.h"
#include "ui/win32/status_view.h"
#include "ui/win32/window_calls.h"
#include "ui/win32/window_front_end.h"
#include "ui/window/menu.h"
#include "ui/window/window_work.h"

namespace tarvik::ui::win32 {

inline constexpr int kEditorId = 1;
inline constexpr int kStatusId = 2;

class MainWindow {
 public:
  // Creates the window (not yet shown), writes the missing built-in command
  // files and sets okno: the window is shown. `frontEnd` is attached to it.
  MainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
             WindowFrontEnd& frontEnd, WindowCalls calls);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // False when the system refused to create the window.
  bool Created() const { return window_ != nullptr; }
  HWND Handle() const { return window_; }
  void Show(int showCommand);

  // The rest of the start-up once the window is shown: the search asked for
  // with /najdi, then the job named on the command line.
  void StartRequestedWork();

  // Carries out a menu or accelerator command. The enabled state of its menu
  // item is not consulted (the grayed logo upload stays reachable), but work
  // is refused while work runs.
  void RunCommand(int command);

  // What the loop does with a message before dispatching it: the find
  // dialog's keys, then the accelerators. True when it was taken.
  bool PreTranslate(MSG* message);
  // Runs the thread's message loop until the window closes; its exit code.
  int RunMessageLoop();

  HMENU MenuBar() const { return menu_; }
  HMENU EditMenu() const { return editMenu_; }
  HACCEL AcceleratorTable() const { return accelerators_; }
  CommandEditor& Editor() { return editor_; }
  StatusView& Status() { return status_; }
  HWND FindDialog() const { return findDialog_; }
  bool EditorVisible() const { return editorVisible_; }
  bool EditorModified() const { return editorVisible_ && editor_.Modified(); }
  const std::wstring& EditorFileName() const { return editorFileName_; }
  std::wstring Title() const;
  // A job or an operation runs.
  bool Busy() const { return work_.Busy(); }
  // How the process would have ended on the UI or operation thread, when a
  // test double stood in for the process.
  std::optional<platform::ProcessEnding> ProcessEnd() const { return work_.ProcessEnd(); }
  // Told of every command run and of every change of the busy state.
  void SetCommandObserver(std::function<void(int)> observer) { commandRun_ = std::move(observer); }
  void SetBusyObserver(std::function<void(bool)> observer) { busyChanged_ = std::move(observer); }

 private:
  struct PlacedItem {
    HMENU menu;
    UINT position;
    const window::MenuItem* item;
  };

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildMenu();
  void AddItems(HMENU menu, std::span<const window::MenuItem> items);
  void BuildAccelerators();
  void RegisterHandlers();
  void RunEditorRequest(int command);
  void LayoutClient();
  void RefreshBusy();
  void UpdateEditMenu();
  void SetTitle(const std::wstring& name);
  std::wstring ProgramDirectory() const;
  void Close();

  void StartJobNow();
  bool ChooseCommandFile();

  void NewText();
  void OpenText();
  bool Save();
  bool SaveAs();
  FileChoice CommandFileChoice(FileChoice::Kind kind, const std::wstring& title) const;
  bool WriteEditor();
  void Print();
  bool PrintDocument(HDC printer, int copies, bool collate);
  void Exit();
  int AskSaveChanges();
  int Message(const std::wstring& text, int style);
  void FileMessage(std::string_view format, const std::wstring& path);
  void ShowEditor();

  void OpenFind(bool replace);
  void FindNext();
  void FoundOrSay(bool found);
  void OnFindMessage(const FINDREPLACEW& request);
  void ChooseFont();

  void VerifyJournal();
  void UploadLogo();
  void SetSerialLines();
  void SetIpAddresses();

  frame::Program& program_;
  job::JobRunner& runner_;
  link::RegisterLink& link_;
  WindowFrontEnd& frontEnd_;
  WindowCalls calls_;

  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  HMENU editMenu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  StatusView status_;
  CommandEditor editor_;
  std::vector<PlacedItem> items_;
  std::map<int, std::function<void()>> handlers_;
  std::function<void(int)> commandRun_;
  std::function<void(bool)> busyChanged_;

  bool editorVisible_ = false;
  std::wstring editorFileName_;
  std::wstring editorExtension_;
  LOGFONTW editorFont_{};
  HFONT editorFontHandle_ = nullptr;

  // The modeless Find/Replace dialog reads and writes these while it lives.
  UINT findMessage_ = 0;
  HWND findDialog_ = nullptr;
  bool findIsReplace_ = false;
  FINDREPLACEW find_{};
  std::wstring findBuffer_;
  std::wstring replaceBuffer_;
  std::u16string findText_;
  std::u16string replaceText_;

  bool lastBusy_ = false;
  // Where an ended operation asks for the busy state to be refreshed.
  std::atomic<HWND> refreshTarget_{nullptr};
  window::WindowWork work_;
};

}  // namespace tarvik::ui::win32
