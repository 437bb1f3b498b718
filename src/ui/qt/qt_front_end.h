// The window's side of the front end with Qt: the hand-off of
// ui/window/ui_hand_off.h, with the Qt event queue carrying its wake-ups, the
// terminal view repainted, boxes through Dialogs, QApplication's beep and the
// system tray's icon.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "screen/front_end.h"
#include "ui/window/ui_hand_off.h"

class QSystemTrayIcon;
class QWidget;

namespace tarvik::ui::qt {

class Dialogs;
class TerminalView;

class QtFrontEnd final : public QObject, public screen::FrontEnd {
  Q_OBJECT

 public:
  // Created on the UI thread.
  QtFrontEnd();
  ~QtFrontEnd() override;

  // The window that owns the boxes, the view that shows the screen and the
  // dialogs that ask. Until then, and after Detach, writes do not wait and
  // questions get their default answer.
  void Attach(QWidget* owner, TerminalView* view, Dialogs* dialogs);
  void Detach();

  int ShowMessage(const std::string& text, int style) override;
  void TerminalWritten(std::string_view bytes) override;
  void Beep(int type) override;
  void ShowActivity() override;
  void SetActivityIcon(bool first) override;
  void HideActivity() override;
  void SetCaret(bool on) override;
  bool HasWindow() const override;

  // Runs `task` on the UI thread and returns after it ran (at once when
  // called there). False, without running it, when the window is gone.
  bool RunOnUiThread(const std::function<void()>& task);

  // Marks the UI thread as waiting for a worker while it lives.
  class UiWait {
   public:
    explicit UiWait(QtFrontEnd& frontEnd) : wait_(frontEnd.handOff_) {}

   private:
    window::UiHandOff::UiWait wait_;
  };

  // What the activity icon shows now (also without a system tray).
  struct ActivityState {
    bool shown = false;
    bool firstImage = true;
    bool trayAvailable = false;
  };
  ActivityState Activity() const;
  // What the window's work marks its waits with.
  window::UiHandOff& HandOff() { return handOff_; }
  int Beeps() const { return handOff_.Beeps(); }
  // Repaints asked for by workers, and how many of them are done.
  window::UiHandOff::Paints PaintCounts() const { return handOff_.PaintCounts(); }

 private slots:
  void Drain();

 private:
  void ApplyActivity(bool shown, bool firstImage);
  // The box itself; UI thread only.
  int Box(const std::string& text, int style);

  QPointer<QWidget> owner_;
  QPointer<TerminalView> view_;
  Dialogs* dialogs_ = nullptr;
  window::UiHandOff handOff_;

  QSystemTrayIcon* tray_ = nullptr;
  QIcon firstIcon_;
  QIcon secondIcon_;
};

}  // namespace tarvik::ui::qt
