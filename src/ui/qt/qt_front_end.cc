#include "ui/qt/qt_front_end.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

#include "ui/qt/dialogs.h"
#include "ui/qt/icons.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt {

QtFrontEnd::QtFrontEnd()
    : handOff_({
          // Only a wake-up crosses the Qt queue; the work itself waits in the hand-off.
          .wake = [this] { return QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection); },
          .repaint =
              [this] {
                if (view_ != nullptr) view_->repaint();
              },
          .setCaret =
              [this](bool on) {
                if (view_ != nullptr) view_->SetCaretOn(on);
              },
          .beep = [] { QApplication::beep(); },
          .showActivity = [this](bool shown, bool firstImage) { ApplyActivity(shown, firstImage); },
      }),
      firstIcon_(ActivityIcon(true)),
      secondIcon_(ActivityIcon(false)) {}

QtFrontEnd::~QtFrontEnd() {
  Detach();
}

void QtFrontEnd::Attach(QWidget* owner, TerminalView* view, Dialogs* dialogs) {
  owner_ = owner;
  view_ = view;
  dialogs_ = dialogs;
  handOff_.Attach();
}

void QtFrontEnd::Detach() {
  handOff_.Detach();
  if (tray_ != nullptr) tray_->hide();
}

bool QtFrontEnd::HasWindow() const {
  return handOff_.Attached();
}

void QtFrontEnd::TerminalWritten(std::string_view /*bytes*/) {
  handOff_.TerminalWritten();
}

bool QtFrontEnd::RunOnUiThread(const std::function<void()>& task) {
  return handOff_.RunOnUiThread(task);
}

int QtFrontEnd::Box(const std::string& text, int style) {
  if (dialogs_ == nullptr)
    return (style & 0x0F) == screen::kStyleYesNo ? screen::kAnswerNo : screen::kAnswerOk;
  return dialogs_->Message(owner_, BoxText(text), style);
}

int QtFrontEnd::ShowMessage(const std::string& text, int style) {
  // Without anybody to ask, a question takes the safe answer.
  int answer = (style & 0x0F) == screen::kStyleYesNo ? screen::kAnswerNo : screen::kAnswerOk;
  if (handOff_.OnUiThread()) return Box(text, style);
  RunOnUiThread([&] { answer = Box(text, style); });
  return answer;
}

void QtFrontEnd::Beep(int /*type*/) {
  handOff_.Beep();
}

void QtFrontEnd::ShowActivity() {
  handOff_.SetActivity(true);
}

void QtFrontEnd::SetActivityIcon(bool first) {
  handOff_.SetActivityImage(first);
}

void QtFrontEnd::HideActivity() {
  handOff_.SetActivity(false);
}

void QtFrontEnd::SetCaret(bool on) {
  handOff_.SetCaret(on);
}

QtFrontEnd::ActivityState QtFrontEnd::Activity() const {
  const window::UiHandOff::Activity activity = handOff_.ActivityState();
  return {activity.shown, activity.firstImage, QSystemTrayIcon::isSystemTrayAvailable()};
}

void QtFrontEnd::ApplyActivity(bool shown, bool firstImage) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  if (tray_ == nullptr) {
    if (!shown) return;
    tray_ = new QSystemTrayIcon(this);
  }
  tray_->setIcon(firstImage ? firstIcon_ : secondIcon_);
  tray_->setVisible(shown);
}

void QtFrontEnd::Drain() {
  handOff_.Drain();
}

}  // namespace tarvik::ui::qt
