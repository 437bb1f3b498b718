#include "support/win32_window_test_support.h"

#include <chrono>

#include "platform/file_system.h"
#include "ui/win32/text.h"

namespace tarvik::ui::win32::testing {
namespace {

template <typename T>
T Next(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T item = std::move(queue.front());
  queue.pop_front();
  return item;
}

}  // namespace

WindowCalls ScriptedCalls::Calls() {
  WindowCalls calls;
  calls.messageBox = [this](HWND, const std::wstring& text, unsigned flags) {
    boxes.push_back({text, flags});
    const unsigned buttons = flags & 0x0F;
    return Next(answers, buttons == MB_YESNOCANCEL || buttons == MB_YESNO ? IDYES : IDOK);
  };
  calls.chooseFile = [this](HWND, const FileChoice& choice) {
    fileChoices.push_back(choice);
    return Next(files, std::wstring());
  };
  calls.chooseFont = [this](HWND, LOGFONTW* chosen) {
    if (font) *chosen = *font;
    return font.has_value();
  };
  // No printer to choose under test: the dialog is cancelled.
  calls.printDialog = [this](PRINTDLGW*) {
    ++printDialogs;
    return false;
  };
  calls.portDialog = [this](HWND, frame::Program& program) {
    dialogsRun.push_back("port");
    auto dialog = Next(portDialogs, std::function<bool(frame::Program&)>());
    return dialog && dialog(program);
  };
  calls.ipDialog = [this](HWND, frame::Program& program) {
    dialogsRun.push_back("ip");
    auto dialog = Next(ipDialogs, std::function<bool(frame::Program&)>());
    return dialog && dialog(program);
  };
  calls.about = [this](HWND, frame::Program&) { dialogsRun.push_back("about"); };
  calls.help = [this](HWND) { dialogsRun.push_back("help"); };
  calls.shiftHeld = [this] { return shift; };
  return calls;
}

std::vector<std::wstring> ScriptedCalls::BoxTexts(std::size_t length) const {
  std::vector<std::wstring> texts;
  for (const Box& b : boxes) texts.push_back(b.text.substr(0, length));
  return texts;
}

void Pump(MainWindow* window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;  // a closed window's; the test goes on
    if (window != nullptr && window->PreTranslate(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool WaitUntil(MainWindow* window, const std::function<bool()>& condition, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    Pump(window);
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PressKey(MainWindow* window, HWND target, UINT key, bool ctrl, bool alt) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = ctrl ? 0x80 : 0;
  keys[VK_MENU] = alt ? 0x80 : 0;
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  MSG message{};
  message.hwnd = target;
  message.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  message.wParam = key;
  message.lParam = 1 | (alt ? (1 << 29) : 0);
  if (!window->PreTranslate(&message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  keys[VK_CONTROL] = 0;
  keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  Pump(window);
}

WindowFixture::WindowFixture() {
  windowFrontEnd_ = std::make_unique<WindowFrontEnd>(
      system_, [this](HWND owner, const std::wstring& text, unsigned flags) {
        return calls_.Calls().messageBox(owner, text, flags);
      });
  frame::Services services{platform::RealFileSystem(), clock_, process_, console_,
                           *windowFrontEnd_};
  program_ = std::make_unique<frame::Program>(services);
  program_->paths.programDirectory = dir_.string() + "\\";
  program_->paths.hasProgramDirectory = true;
  program_->paths.argv0 = "tarvik";
  program_->settings.zpozdeni = 0;
  link_ = std::make_unique<link::RegisterLink>(*program_);
  runner_ = std::make_unique<job::JobRunner>(*program_, *link_);
  window_ =
      std::make_unique<MainWindow>(*program_, *runner_, *link_, *windowFrontEnd_, calls_.Calls());
}

void WindowFixture::SetUp() {
  ASSERT_TRUE(window_->Created())
      << "the window could not be created (error " << GetLastError()
      << "): run the test on a display, e.g. xvfb-run -a wine ui_win32_window_test.exe";
}

WindowFixture::~WindowFixture() {
  // The program goes before the front end it uses, the base's directory last.
  window_.reset();
  runner_.reset();
  link_.reset();
  program_.reset();
  windowFrontEnd_.reset();
  testing::Pump(nullptr);
}

void WindowFixture::ShowWindow() {
  window_->Show(SW_SHOW);
  Pump();
}

std::wstring WindowFixture::WPath(const std::string& name) const {
  return (dir_ / name).wstring();
}

std::wstring WindowFixture::PaintedRow(int row) const {
  for (const StatusView::Run& run : window_->Status().LastPaint()) {
    if (run.row == row) {
      std::wstring text = std::wstring(static_cast<std::size_t>(run.firstColumn), L' ') + run.text;
      while (!text.empty() && text.back() == L' ') text.pop_back();
      return text;
    }
  }
  return L"<not painted>";
}

bool WindowFixture::ItemEnabled(int command) const {
  // Searched in the submenus first, so a command shown twice answers for
  // its Akce item, as the bar's item follows the same rule.
  const UINT state = GetMenuState(window_->MenuBar(), static_cast<UINT>(command), MF_BYCOMMAND);
  EXPECT_NE(state, static_cast<UINT>(-1)) << command;
  return (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

std::wstring WindowFixture::EditorText() const {
  return Wide(window_->Editor().Text());
}

}  // namespace tarvik::ui::win32::testing
