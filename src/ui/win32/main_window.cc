#include "ui/win32/main_window.h"

#include <algorithm>
#include <utility>

#include "frame/codepage.h"
#include "job/sample_files.h"
#include "ui/win32/print_job.h"
#include "ui/win32/text.h"
#include "ui/window/editor_rules.h"
#include "ui/window/line_settings.h"

namespace tarvik::ui::win32 {
namespace {

using namespace window::command;

// The class name tools that find the program's window look for.
constexpr wchar_t kClassName[] = L"TTYWndClass";
constexpr int kProgramIconId = 400;
constexpr UINT kRefreshMessage = WM_APP + 2;
constexpr UINT_PTR kBusyTimer = 1;
constexpr UINT kBusyPollMs = 100;
// Room for the longest search text whichever unit the dialog counts in.
constexpr std::size_t kSearchBuffer = 2 * (window::kMaxSearchText + 1);

ACCEL AccelOf(const window::Accelerator& accelerator, int command) {
  ACCEL accel{};
  accel.fVirt = FVIRTKEY;
  if (accelerator.ctrl) accel.fVirt |= FCONTROL;
  if (accelerator.alt) accel.fVirt |= FALT;
  // Letters are their own virtual-key codes.
  accel.key = static_cast<WORD>(accelerator.key >= window::kKeyF1
                                    ? VK_F1 + (accelerator.key - window::kKeyF1)
                                    : accelerator.key);
  accel.cmd = static_cast<WORD>(command);
  return accel;
}

// "Cmdéčka (*.cmd *.CMD)" with the pattern of an extension in both cases.
std::pair<std::wstring, std::wstring> Filter(const std::wstring& label, const std::wstring& ext) {
  std::wstring upper = ext;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  return {label + L" (*." + ext + L" *." + upper + L")", L"*." + ext + L";*." + upper};
}

}  // namespace

MainWindow::MainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                       WindowFrontEnd& frontEnd, WindowCalls calls)
    : program_(program),
      runner_(runner),
      link_(link),
      frontEnd_(frontEnd),
      calls_(std::move(calls)),
      status_(program.terminal),
      findBuffer_(kSearchBuffer, L'\0'),
      replaceBuffer_(kSearchBuffer, L'\0'),
      work_(program, runner, link, frontEnd.HandOff(),
            [this] { PostMessageW(refreshTarget_.load(), kRefreshMessage, 0, 0); }) {
  // The window is shown: failures restart the program, results are reported.
  program_.settings.okno = 1;
  editorExtension_ = FromCp1250(program_.settings.priponaCmd);
  findMessage_ = RegisterWindowMessageW(FINDMSGSTRINGW);

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  // The program's icon from the resources, when the executable has one.
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kProgramIconId));
  windowClass.hIconSm = windowClass.hIcon;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;

  BuildMenu();
  BuildAccelerators();
  RegisterHandlers();
  window_ =
      CreateWindowExW(0, kClassName, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu_, instance, this);
  if (window_ == nullptr) return;
  refreshTarget_ = window_;
  if (!status_.Create(window_, kStatusId) || !editor_.Create(window_, kEditorId)) {
    DestroyWindow(std::exchange(window_, nullptr));
    return;
  }
  editor_.SetBeep([] { MessageBeep(static_cast<UINT>(-1)); });
  // The editor starts in the status screen's font.
  editorFont_.lfHeight = -16;
  editorFont_.lfCharSet = EASTEUROPE_CHARSET;
  editorFont_.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcscpy_s(editorFont_.lfFaceName, L"Courier New");
  editorFontHandle_ = CreateFontIndirectW(&editorFont_);
  editor_.SetFont(editorFontHandle_);

  frontEnd_.Attach(window_, &status_);
  SetTitle(L"");

  // Room for the whole screen in the upper half.
  const SIZE screen = status_.ScreenSize();
  RECT frame{0, 0, screen.cx + 4, 2 * screen.cy};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = std::min<int>(frame.right - frame.left, (work.right - work.left) * 9 / 10);
  const int height = std::min<int>(frame.bottom - frame.top, (work.bottom - work.top) * 9 / 10);
  SetWindowPos(window_, nullptr, 0, 0, std::max(width, 200), std::max(height, 150),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  work_.Guarded([this] { job::WriteSampleCommandFiles(program_); });
  RefreshBusy();
}

MainWindow::~MainWindow() {
  frontEnd_.Detach();
  work_.WaitForOperation();
  if (findDialog_ != nullptr) DestroyWindow(std::exchange(findDialog_, nullptr));
  if (window_ != nullptr) {
    KillTimer(window_, kBusyTimer);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    // The child controls go with it; their objects are destroyed after.
    DestroyWindow(std::exchange(window_, nullptr));
  } else if (menu_ != nullptr) {
    DestroyMenu(menu_);
  }
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
  if (editorFontHandle_ != nullptr) DeleteObject(editorFontHandle_);
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetForegroundWindow(window_);
}

// ---- menu and accelerators

void MainWindow::AddItems(HMENU menu, std::span<const window::MenuItem> items) {
  for (const window::MenuItem& item : items) {
    const UINT position = static_cast<UINT>(GetMenuItemCount(menu));
    if (item.text.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (!item.submenu.empty()) {
      HMENU popup = CreatePopupMenu();
      AddItems(popup, item.submenu);
      AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                  FromUtf8(item.text).c_str());
      if (item.submenu.front().command == kUndo) editMenu_ = popup;
    } else {
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command),
                  FromUtf8(item.text).c_str());
      items_.push_back({menu, position, &item});
    }
  }
}

void MainWindow::BuildMenu() {
  menu_ = CreateMenu();
  AddItems(menu_, window::MenuBar());
}

void MainWindow::BuildAccelerators() {
  std::vector<ACCEL> table;
  for (const auto& [accelerator, command] : window::Accelerators()) {
    table.push_back(AccelOf(accelerator, command));
  }
  accelerators_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

void MainWindow::RefreshBusy() {
  const bool busy = Busy();
  work_.JoinEndedOperation();
  window::MenuState state;
  state.busy = busy;
  for (const PlacedItem& placed : items_) {
    if (window::FollowsEditor(placed.item->enabling)) continue;
    EnableMenuItem(placed.menu, placed.position,
                   MF_BYPOSITION | (window::Enabled(*placed.item, state) ? MF_ENABLED : MF_GRAYED));
  }
  if (window_ != nullptr) {
    DrawMenuBar(window_);
    if (busy) {
      SetTimer(window_, kBusyTimer, kBusyPollMs, nullptr);
    } else {
      KillTimer(window_, kBusyTimer);
    }
  }
  if (busy != lastBusy_) {
    lastBusy_ = busy;
    if (busyChanged_) busyChanged_(busy);
  }
}

void MainWindow::UpdateEditMenu() {
  window::MenuState state;
  state.hasSelection = editorVisible_ && editor_.HasSelection();
  state.clipboardHasText = IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
  state.canUndo = editorVisible_ && editor_.CanUndo();
  for (const PlacedItem& placed : items_) {
    if (!window::FollowsEditor(placed.item->enabling)) continue;
    EnableMenuItem(placed.menu, placed.position,
                   MF_BYPOSITION | (window::Enabled(*placed.item, state) ? MF_ENABLED : MF_GRAYED));
  }
}

bool MainWindow::PreTranslate(MSG* message) {
  if (findDialog_ != nullptr && IsDialogMessageW(findDialog_, message)) return true;
  // The print box and other windows of the thread keep their keys.
  if (window_ == nullptr || (message->hwnd != window_ && !IsChild(window_, message->hwnd))) {
    return false;
  }
  return TranslateAcceleratorW(window_, accelerators_, message) != 0;
}

int MainWindow::RunMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return 1;
    if (got == 0) return static_cast<int>(message.wParam);
    if (PreTranslate(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// ---- the window procedure

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == findMessage_ && findMessage_ != 0) {
    OnFindMessage(*reinterpret_cast<const FINDREPLACEW*>(lParam));
    return 0;
  }
  switch (message) {
    case kWakeMessage:
      frontEnd_.Drain();
      return 0;
    case kRefreshMessage:
    case WM_TIMER:
      RefreshBusy();
      return 0;
    case WM_COMMAND:
      // Menus and accelerators; the controls' notifications carry their window.
      if (lParam == 0) RunCommand(LOWORD(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wParam) == editMenu_) UpdateEditMenu();
      return 0;
    case WM_SIZE:
      LayoutClient();
      return 0;
    case WM_ACTIVATE:
      // The caret is drawn only while the window is active.
      status_.Repaint();
      if (LOWORD(wParam) != WA_INACTIVE && editorVisible_) SetFocus(editor_.Handle());
      break;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::LayoutClient() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right;
  const int height = client.bottom;
  MoveWindow(status_.Handle(), 0, 0, width, height, TRUE);
  MoveWindow(editor_.Handle(), 0, height / 2, width, height - height / 2, TRUE);
}

void MainWindow::SetTitle(const std::wstring& name) {
  SetWindowTextW(window_, FromUtf8(window::WindowTitle(Utf8(name))).c_str());
}

std::wstring MainWindow::Title() const {
  const int length = GetWindowTextLengthW(window_);
  std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
  title.resize(static_cast<std::size_t>(GetWindowTextW(window_, title.data(), length + 1)));
  return title;
}

std::wstring MainWindow::ProgramDirectory() const {
  const frame::Paths& paths = program_.paths;
  if (paths.hasProgramDirectory) return FromCp1250(paths.programDirectory);
  std::wstring current(MAX_PATH, L'\0');
  current.resize(GetCurrentDirectoryW(MAX_PATH, current.data()));
  return current;
}

void MainWindow::Close() {
  // No question about the editor here: only "Konec" asks. A running job
  // keeps its port; the end of the process closes it.
  work_.CloseIdleSerialPort();
  if (findDialog_ != nullptr) DestroyWindow(std::exchange(findDialog_, nullptr));
  frontEnd_.Detach();
  KillTimer(window_, kBusyTimer);
  ShowWindow(window_, SW_HIDE);
  PostQuitMessage(0);
}

// ---- commands

void MainWindow::RegisterHandlers() {
  handlers_ = {
      {kNew, [this] { NewText(); }},
      {kOpen, [this] { OpenText(); }},
      {kSave, [this] { Save(); }},
      {kSaveAs, [this] { SaveAs(); }},
      {kPrint, [this] { Print(); }},
      {kExit, [this] { Exit(); }},
      {kFind, [this] { OpenFind(false); }},
      {kFindNext, [this] { FindNext(); }},
      {kReplace, [this] { OpenFind(true); }},
      {kFont, [this] { ChooseFont(); }},
      {kRun, [this] { StartJobNow(); }},
      {kChooseAndRun,
       [this] {
         if (ChooseCommandFile()) StartJobNow();
       }},
      {kSetCmd, [this] { SetSerialLines(); }},
      {kSetIp, [this] { SetIpAddresses(); }},
      {kFindRegister,
       [this] {
         work_.FindRegister();
         RefreshBusy();
       }},
      {kDateTime,
       [this] {
         work_.SetClockOrLoadVat(calls_.shiftHeld());
         RefreshBusy();
       }},
      {kVerifyJournal, [this] { VerifyJournal(); }},
      {kLogo, [this] { UploadLogo(); }},
      {kHelp, [this] { calls_.help(window_); }},
      {kAbout, [this] { calls_.about(window_, program_); }},
  };
  for (int request : {kUndo, kCut, kCopy, kPaste, kClear, kSelectAll}) {
    handlers_.emplace(request, [this, request] { RunEditorRequest(request); });
  }
}

void MainWindow::RunCommand(int command) {
  if (commandRun_) commandRun_(command);
  if (!window::MayRun(command, Busy())) return;
  auto handler = handlers_.find(command);
  if (handler != handlers_.end()) handler->second();
}

void MainWindow::RunEditorRequest(int command) {
  if (!editorVisible_) return;
  HWND edit = editor_.Handle();
  switch (command) {
    case kUndo:
      SendMessageW(edit, EM_UNDO, 0, 0);
      break;
    case kCut:
      SendMessageW(edit, WM_CUT, 0, 0);
      break;
    case kCopy:
      SendMessageW(edit, WM_COPY, 0, 0);
      break;
    case kPaste:
      SendMessageW(edit, WM_PASTE, 0, 0);
      break;
    case kClear:
      SendMessageW(edit, WM_CLEAR, 0, 0);
      break;
    case kSelectAll:
      SendMessageW(edit, EM_SETSEL, 0, -1);
      break;
    default:
      break;
  }
}

void MainWindow::StartJobNow() {
  work_.StartJob();
  RefreshBusy();
}

bool MainWindow::ChooseCommandFile() {
  FileChoice choice;
  choice.kind = FileChoice::Kind::kOpenExisting;
  choice.title = L"Otevři a komunikuj";
  choice.directory = ProgramDirectory();
  choice.filters = {Filter(L"Cmdéčka", FromCp1250(program_.settings.priponaCmd)),
                    {L"Všechny soubory (*.*)", L"*.*"}};
  const std::wstring path = calls_.chooseFile(window_, choice);
  if (path.empty()) {
    SetTitle(LastComponent(editorFileName_));
    return false;
  }
  const std::wstring name = LastComponent(path);
  program_.paths.commandFileName = AnsiPath(name);
  SetTitle(name);
  return true;
}

void MainWindow::StartRequestedWork() {
  work_.StartRequestedWork();
  RefreshBusy();
}

// ---- editor commands

int MainWindow::Message(const std::wstring& text, int style) {
  return calls_.messageBox(window_, text, static_cast<unsigned>(style));
}

void MainWindow::ShowEditor() {
  if (!editorVisible_) {
    editorVisible_ = true;
    LayoutClient();
    SetWindowPos(editor_.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  }
  SetFocus(editor_.Handle());
}

int MainWindow::AskSaveChanges() {
  int answer =
      Message(FromUtf8(window::FileMessage(window::kAskSaveChanges, Utf8(editorFileName_))),
              3 | screen::kStyleQuestion);
  if (answer == screen::kAnswerYes && !Save()) answer = screen::kAnswerCancel;
  return answer;
}

void MainWindow::FileMessage(std::string_view format, const std::wstring& path) {
  Message(FromUtf8(window::FileMessage(format, Utf8(path))), screen::kStyleExclamation);
}

void MainWindow::NewText() {
  if (EditorModified() && AskSaveChanges() == screen::kAnswerCancel) return;
  ShowEditor();
  editor_.NewText();
  editorFileName_.clear();
  SetTitle(L"");
}

void MainWindow::OpenText() {
  if (EditorModified() && AskSaveChanges() == screen::kAnswerCancel) return;
  ShowEditor();
  const std::wstring path =
      calls_.chooseFile(window_, CommandFileChoice(FileChoice::Kind::kOpenAny, L"Otevři"));
  if (!path.empty()) {
    editorFileName_ = path;
    switch (editor_.LoadFile(std::filesystem::path(path))) {
      case window::LoadResult::kLoaded:
        break;
      case window::LoadResult::kTooLarge:
        Message(FromUtf8(window::kTooLarge), screen::kStyleExclamation);
        [[fallthrough]];
      case window::LoadResult::kUnreadable:
        FileMessage(window::kCannotOpen, path);
        editorFileName_.clear();
        break;
    }
  }
  SetTitle(LastComponent(editorFileName_));
  editor_.SetModified(false);
}

FileChoice MainWindow::CommandFileChoice(FileChoice::Kind kind, const std::wstring& title) const {
  FileChoice choice;
  choice.kind = kind;
  choice.title = title;
  choice.directory = ProgramDirectory();
  choice.filters = {Filter(L"Cmdéčka", editorExtension_), {L"Všechny soubory (*.*)", L"*.*"}};
  choice.defaultExtension = L"cmd";
  return choice;
}

bool MainWindow::Save() {
  if (!editorVisible_) return false;
  if (editorFileName_.empty()) return SaveAs();
  return WriteEditor();
}

bool MainWindow::SaveAs() {
  if (!editorVisible_) return false;
  const std::wstring path =
      calls_.chooseFile(window_, CommandFileChoice(FileChoice::Kind::kSave, L"Ulož jako"));
  if (path.empty()) return false;
  editorFileName_ = path;
  SetTitle(LastComponent(path));
  return WriteEditor();
}

bool MainWindow::WriteEditor() {
  if (editor_.SaveFile(std::filesystem::path(editorFileName_))) {
    editor_.SetModified(false);
    return true;
  }
  FileMessage(window::kCannotWrite, editorFileName_);
  return false;
}

void MainWindow::Print() {
  if (!editorVisible_) return;
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_COLLATE;
  dialog.nCopies = 1;
  if (!calls_.printDialog(&dialog)) return;
  bool ok = true;
  if (dialog.hDC != nullptr) {
    // The copies are made here, page by page.
    const int copies = std::max<int>(1, dialog.nCopies);
    if (editor_.Length() > 0)
      ok = PrintDocument(dialog.hDC, copies, (dialog.Flags & PD_COLLATE) != 0);
    DeleteDC(dialog.hDC);
  }
  if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
  if (!ok) FileMessage(window::kCannotPrint, editorFileName_);
}

bool MainWindow::PrintDocument(HDC printer, int copies, bool collate) {
  std::wstring name = Title();
  if (name.size() > window::kMaxDocumentName) name.resize(window::kMaxDocumentName);
  DOCINFOW document{};
  document.cbSize = sizeof document;
  document.lpszDocName = name.c_str();
  if (StartDocW(printer, &document) <= 0) return false;
  PrintCancelBox box;
  box.Show(window_, Title());
  bool ok = false;
  {
    PrinterSink sink(printer, editorFont_);
    ok = PrintPages(sink, editor_.Text(), copies, collate, &box);
  }
  if (ok) {
    ok = EndDoc(printer) > 0;
  } else {
    AbortDoc(printer);
  }
  box.Finish();
  return ok;
}

void MainWindow::Exit() {
  work_.CloseIdleNetwork();
  if (EditorModified() && AskSaveChanges() == screen::kAnswerCancel) return;
  Close();
}

// ---- find and replace

void MainWindow::OpenFind(bool replace) {
  editor_.StoreSearchPosition();
  if (findDialog_ != nullptr) {
    if (findIsReplace_ == replace) {
      SetActiveWindow(findDialog_);
      return;
    }
    DestroyWindow(std::exchange(findDialog_, nullptr));
  }
  std::fill(findBuffer_.begin(), findBuffer_.end(), L'\0');
  std::fill(replaceBuffer_.begin(), replaceBuffer_.end(), L'\0');
  std::copy(findText_.begin(), findText_.end(), findBuffer_.begin());
  std::copy(replaceText_.begin(), replaceText_.end(), replaceBuffer_.begin());
  find_ = FINDREPLACEW{};
  find_.lStructSize = sizeof find_;
  find_.hwndOwner = window_;
  // Forward and case-sensitive only: the choices are not offered.
  find_.Flags = FR_DOWN | FR_MATCHCASE | FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
  find_.lpstrFindWhat = findBuffer_.data();
  find_.wFindWhatLen = static_cast<WORD>(window::kMaxSearchText + 1);
  find_.lpstrReplaceWith = replaceBuffer_.data();
  find_.wReplaceWithLen = static_cast<WORD>(window::kMaxSearchText + 1);
  findIsReplace_ = replace;
  findDialog_ = replace ? ReplaceTextW(&find_) : FindTextW(&find_);
}

void MainWindow::FoundOrSay(bool found) {
  if (!found) Message(FromUtf8(window::kNotFound), screen::kStyleExclamation);
}

void MainWindow::FindNext() {
  editor_.StoreSearchPosition();
  if (findText_.empty()) {
    OpenFind(false);
  } else {
    FoundOrSay(editor_.FindNext(findText_));
  }
}

void MainWindow::OnFindMessage(const FINDREPLACEW& request) {
  if ((request.Flags & FR_DIALOGTERM) != 0) {
    findDialog_ = nullptr;
    return;
  }
  auto text = [](const wchar_t* buffer) {
    std::u16string t = Utf16(buffer);
    if (t.size() > window::kMaxSearchText) t.resize(window::kMaxSearchText);
    return t;
  };
  findText_ = text(request.lpstrFindWhat);
  if ((request.Flags & FR_FINDNEXT) != 0) {
    FoundOrSay(editor_.FindNext(findText_));
  } else if ((request.Flags & (FR_REPLACE | FR_REPLACEALL)) != 0) {
    replaceText_ = text(request.lpstrReplaceWith);
    const bool all = (request.Flags & FR_REPLACEALL) != 0;
    FoundOrSay(all ? editor_.ReplaceAll(findText_, replaceText_)
                   : editor_.ReplaceNext(findText_, replaceText_));
  }
}

void MainWindow::ChooseFont() {
  LOGFONTW font = editorFont_;
  if (!calls_.chooseFont(window_, &font)) return;
  HFONT handle = CreateFontIndirectW(&font);
  if (handle == nullptr) return;
  editorFont_ = font;
  editor_.SetFont(handle);
  if (editorFontHandle_ != nullptr) DeleteObject(editorFontHandle_);
  editorFontHandle_ = handle;
}

// ---- operations

void MainWindow::VerifyJournal() {
  FileChoice choice;
  choice.kind = FileChoice::Kind::kOpenExisting;
  choice.title = L"Verifikuj žurnál";
  choice.directory = ProgramDirectory();
  choice.filters = {Filter(L"Soubory žurnálu", L"txt"), {L"Všechny soubory (*.*)", L"*.*"}};
  const std::wstring path = calls_.chooseFile(window_, choice);
  if (path.empty()) return;
  work_.VerifyJournal(AnsiPath(path));
  RefreshBusy();
}

void MainWindow::SetSerialLines() {
  work_.Guarded([this] {
    window::SetSerialLines(program_, [this] { return calls_.portDialog(window_, program_); });
  });
}

void MainWindow::SetIpAddresses() {
  work_.Guarded([this] {
    window::SetIpAddresses(program_, [this] { return calls_.ipDialog(window_, program_); });
  });
}

void MainWindow::UploadLogo() {
  work_.UploadLogo([this]() -> std::optional<std::string> {
    std::wstring path;
    frontEnd_.RunOnUiThread([&] {
      FileChoice choice;
      choice.kind = FileChoice::Kind::kOpenExisting;
      choice.title = L"Grafické logo";
      choice.directory = ProgramDirectory();
      choice.filters = {{L"*.BMP", L"*.bmp;*.BMP"}, {L"Všechny soubory (*.*)", L"*.*"}};
      choice.defaultExtension = L"bmp";
      path = calls_.chooseFile(window_, choice);
    });
    if (path.empty()) return std::nullopt;
    return AnsiPath(path);
  });
  RefreshBusy();
}

}  // namespace tarvik::ui::win32
