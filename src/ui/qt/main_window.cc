#include "ui/qt/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>

#include "frame/codepage.h"
#include "frame/failure.h"
#include "frame/status.h"
#include "job/sample_files.h"
#include "ui/qt/command_editor.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/find_dialog.h"
#include "ui/qt/help_text.h"
#include "ui/qt/icons.h"
#include "ui/qt/line_dialogs.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt {
namespace {

using namespace command;

constexpr int kBusyPollMs = 100;

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The Qt key of a toolkit-neutral accelerator.
int KeyOf(const window::Accelerator& accelerator) {
  const int key = accelerator.key >= window::kKeyF1
                      ? Qt::Key_F1 + (accelerator.key - window::kKeyF1)
                      : accelerator.key;  // Qt's letter keys are their ASCII codes
  Qt::KeyboardModifiers mods;
  if (accelerator.ctrl) mods |= Qt::ControlModifier;
  if (accelerator.alt) mods |= Qt::AltModifier;
  return QKeyCombination(mods, static_cast<Qt::Key>(key)).toCombined();
}

int KeyOf(const QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                           Qt::AltModifier | Qt::MetaModifier);
  return QKeyCombination(mods, static_cast<Qt::Key>(event->key())).toCombined();
}

}  // namespace

MainWindow::MainWindow(frame::Program& program, job::JobRunner& runner, link::RegisterLink& link,
                       QtFrontEnd& frontEnd, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      program_(program),
      runner_(runner),
      link_(link),
      frontEnd_(frontEnd),
      dialogs_(dialogs),
      shiftHeld_([] { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }),
      work_(program, runner, link, frontEnd.HandOff(),
            [this] { QMetaObject::invokeMethod(this, "RefreshBusy", Qt::QueuedConnection); }) {
  // The window is shown: failures restart the program, results are reported.
  program_.settings.okno = 1;
  editorExtension_ = QString::fromStdString(program_.settings.priponaCmd);
  setWindowIcon(ProgramIcon());

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  setCentralWidget(client_);
  terminal_ = new TerminalView(program_.terminal, client_);
  editor_ = new CommandEditor(dialogs_, client_);
  editor_->setObjectName(QStringLiteral("1"));
  editor_->hide();
  client_->installEventFilter(this);

  BuildMenu();
  RegisterHandlers();
  for (const auto& [accelerator, command] : window::Accelerators()) {
    accelerators_.emplace(KeyOf(accelerator), command);
  }
  qApp->installEventFilter(this);

  busyTimer_.setInterval(kBusyPollMs);
  connect(&busyTimer_, &QTimer::timeout, this, &MainWindow::RefreshBusy);

  frontEnd_.Attach(this, terminal_, &dialogs_);
  SetTitle(QString());

  // Room for the whole screen in the upper half.
  const QSize screen = terminal_->sizeHint();
  QSize size(screen.width() + 4, 2 * screen.height() + menuBar()->sizeHint().height());
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(s->availableGeometry().size() * 9 / 10);
  }
  resize(size);

  work_.Guarded([this] { job::WriteSampleCommandFiles(program_); });
  RefreshBusy();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  frontEnd_.Detach();
  work_.WaitForOperation();
}

QAction* MainWindow::AddItem(QMenu* menu, const window::MenuItem& item) {
  QAction* action =
      menu != nullptr ? menu->addAction(Utf8(item.text)) : menuBar()->addAction(Utf8(item.text));
  const int command = item.command;
  action->setData(command);
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  items_.emplace_back(action, &item);
  return action;
}

void MainWindow::AddItems(QMenu* menu, std::span<const window::MenuItem> items) {
  for (const window::MenuItem& item : items) {
    if (item.text.empty()) {
      menu->addSeparator();
      continue;
    }
    QAction* action = AddItem(menu, item);
    // The menu shows the item of the Akce menu for a command shown twice.
    actions_[item.command] = action;
  }
}

void MainWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  for (const window::MenuItem& entry : window::MenuBar()) {
    if (entry.text.empty()) {
      bar->addSeparator();
    } else if (entry.submenu.empty()) {
      AddItem(nullptr, entry);
    } else {
      QMenu* menu = bar->addMenu(Utf8(entry.text));
      AddItems(menu, entry.submenu);
      if (entry.submenu.front().command == kUndo) {
        editMenu_ = menu;
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateEditMenu);
      }
    }
  }
}

QAction* MainWindow::Action(int command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

bool MainWindow::EditorModified() const {
  return editor_->document()->isModified();
}

void MainWindow::RefreshBusy() {
  const bool busy = Busy();
  work_.JoinEndedOperation();
  window::MenuState state;
  state.busy = busy;
  for (const auto& [action, item] : items_) {
    if (!window::FollowsEditor(item->enabling)) action->setEnabled(window::Enabled(*item, state));
  }
  if (busy) {
    if (!busyTimer_.isActive()) busyTimer_.start();
  } else {
    busyTimer_.stop();
  }
  if (busy != lastBusy_) {
    lastBusy_ = busy;
    emit busyChanged(busy);
  }
}

void MainWindow::LayoutClient() {
  const int width = client_->width();
  const int height = client_->height();
  terminal_->setGeometry(0, 0, width, height);
  editor_->setGeometry(0, height / 2, width, height - height / 2);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) LayoutClient();
  if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && widget->window() == this && isEnabled()) {
      auto it = accelerators_.find(KeyOf(static_cast<QKeyEvent*>(event)));
      if (it != accelerators_.end()) {
        // Taken before the focused control: an accepted override brings the
        // key press here, where it becomes the command.
        event->accept();
        if (event->type() == QEvent::KeyPress) RunCommand(it->second);
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::UpdateEditMenu() {
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  window::MenuState state;
  state.hasSelection = editor_->textCursor().hasSelection();
  state.clipboardHasText = clip != nullptr && clip->hasText();
  state.canUndo = editor_->document()->isUndoAvailable();
  for (const auto& [action, item] : items_) {
    if (window::FollowsEditor(item->enabling)) action->setEnabled(window::Enabled(*item, state));
  }
}

void MainWindow::SetTitle(const QString& name) {
  setWindowTitle(QString::fromStdString(window::WindowTitle(name.toStdString())));
}

QString MainWindow::ProgramDirectory() const {
  const frame::Paths& paths = program_.paths;
  return paths.hasProgramDirectory ? QString::fromStdString(paths.programDirectory)
                                   : QDir::currentPath();
}

void MainWindow::StartJobNow() {
  work_.StartJob();
  RefreshBusy();
}

bool MainWindow::ChooseCommandFile() {
  const QString extension = QString::fromStdString(program_.settings.priponaCmd);
  FileChoice choice;
  choice.kind = FileChoice::Kind::kOpenExisting;
  choice.title = QStringLiteral("Otevři a komunikuj");
  choice.directory = ProgramDirectory();
  choice.filters = {QStringLiteral("Cmdéčka (*.%1 *.%2)").arg(extension, extension.toUpper()),
                    QStringLiteral("Všechny soubory (*)")};
  const QString path = dialogs_.ChooseFile(this, choice);
  if (path.isEmpty()) {
    SetTitle(QFileInfo(editorFileName_).fileName());
    return false;
  }
  const QString name = QFileInfo(path).fileName();
  program_.paths.commandFileName = QFile::encodeName(name).toStdString();
  SetTitle(name);
  return true;
}

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
         work_.SetClockOrLoadVat(shiftHeld_());
         RefreshBusy();
       }},
      {kVerifyJournal, [this] { VerifyJournal(); }},
      {kLogo, [this] { UploadLogo(); }},
      {kHelp,
       [this] {
         HelpDialog dialog(this);
         dialogs_.Run(&dialog);
       }},
      {kAbout,
       [this] {
         AboutDialog dialog(this);
         dialogs_.Run(&dialog);
       }},
  };
  for (int request : {kUndo, kCut, kCopy, kPaste, kClear, kSelectAll}) {
    handlers_.emplace(request, [this, request] { RunEditorRequest(request); });
  }
}

void MainWindow::RunCommand(int command) {
  emit commandRun(command);
  if (!window::MayRun(command, Busy())) return;
  auto handler = handlers_.find(command);
  if (handler != handlers_.end()) handler->second();
}

void MainWindow::RunEditorRequest(int command) {
  switch (command) {
    case kUndo:
      editor_->undo();
      break;
    case kCut:
      editor_->cut();
      break;
    case kCopy:
      editor_->copy();
      break;
    case kPaste:
      editor_->paste();
      break;
    case kClear: {
      QTextCursor cursor = editor_->textCursor();
      cursor.removeSelectedText();
      editor_->setTextCursor(cursor);
      break;
    }
    case kSelectAll:
      editor_->selectAll();
      break;
    default:
      break;
  }
}

void MainWindow::ChooseFont() {
  QFont font = editor_->font();
  if (dialogs_.ChooseFont(this, &font)) editor_->setFont(font);
}

void MainWindow::StartRequestedWork() {
  work_.StartRequestedWork();
  RefreshBusy();
}

// ---- editor commands

void MainWindow::ShowEditor() {
  editor_->show();
  editorVisible_ = true;
  LayoutClient();
}

int MainWindow::AskSaveChanges() {
  const std::string name = QFileInfo(editorFileName_).fileName().toStdString();
  int answer = dialogs_.Message(
      this, QString::fromStdString(window::FileMessage(window::kAskSaveChanges, name)),
      3 | screen::kStyleQuestion);
  if (answer == screen::kAnswerYes && !Save()) answer = screen::kAnswerCancel;
  return answer;
}

void MainWindow::FileMessage(std::string_view format, const QString& path) {
  const std::string name = QFileInfo(path).fileName().toStdString();
  dialogs_.Message(this, QString::fromStdString(window::FileMessage(format, name)),
                   screen::kStyleExclamation);
}

void MainWindow::NewText() {
  if (EditorModified() && AskSaveChanges() == screen::kAnswerCancel) return;
  ShowEditor();
  editor_->NewText();
  editorFileName_.clear();
  SetTitle(QString());
}

void MainWindow::OpenText() {
  if (EditorModified() && AskSaveChanges() == screen::kAnswerCancel) return;
  ShowEditor();
  const QString path = dialogs_.ChooseFile(
      this, CommandFileChoice(FileChoice::Kind::kOpenAny, QStringLiteral("Otevři")));
  if (!path.isEmpty()) {
    editorFileName_ = path;
    if (!editor_->LoadFile(path)) {
      FileMessage(window::kCannotOpen, path);
      editorFileName_.clear();
    }
  }
  SetTitle(QFileInfo(editorFileName_).fileName());
  editor_->document()->setModified(false);
}

FileChoice MainWindow::CommandFileChoice(FileChoice::Kind kind, const QString& title) const {
  FileChoice choice;
  choice.kind = kind;
  choice.title = title;
  choice.directory = ProgramDirectory();
  choice.filters = {
      QStringLiteral("Cmdéčka (*.%1 *.%2)").arg(editorExtension_, editorExtension_.toUpper()),
      QStringLiteral("Všechny soubory (*)")};
  choice.defaultSuffix = QStringLiteral("cmd");
  return choice;
}

bool MainWindow::Save() {
  if (!editorVisible_) return false;
  if (editorFileName_.isEmpty()) return SaveAs();
  return WriteEditor();
}

bool MainWindow::SaveAs() {
  if (!editorVisible_) return false;
  const QString path = dialogs_.ChooseFile(
      this, CommandFileChoice(FileChoice::Kind::kSave, QStringLiteral("Ulož jako")));
  if (path.isEmpty()) return false;
  editorFileName_ = path;
  SetTitle(QFileInfo(path).fileName());
  return WriteEditor();
}

bool MainWindow::WriteEditor() {
  if (editor_->SaveFile(editorFileName_)) {
    editor_->document()->setModified(false);
    return true;
  }
  FileMessage(window::kCannotWrite, editorFileName_);
  return false;
}

void MainWindow::Print() {
  if (!editorVisible_) return;
  if (editor_->Print(this, windowTitle()) == 0) FileMessage(window::kCannotPrint, editorFileName_);
}

void MainWindow::Exit() {
  work_.CloseIdleNetwork();
  if (EditorModified() && AskSaveChanges() == screen::kAnswerCancel) return;
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // No question about the editor here: only "Konec" asks. A running job
  // keeps its port; the end of the process closes it.
  work_.CloseIdleSerialPort();
  if (findDialog_ != nullptr) findDialog_->close();
  frontEnd_.Detach();
  event->accept();
  QCoreApplication::quit();
}

// ---- find and replace

void MainWindow::OpenFind(bool replace) {
  editor_->StoreSearchPosition();
  if (findDialog_ != nullptr) {
    if (findDialog_->IsReplace() == replace) {
      findDialog_->raise();
      findDialog_->activateWindow();
      return;
    }
    findDialog_->close();
  }
  findDialog_ = new FindDialog(replace, findText_, replaceText_, this);
  connect(findDialog_, &FindDialog::findNextRequested, this, &MainWindow::FindFromDialog);
  connect(findDialog_, &FindDialog::replaceRequested, this, [this] { Replace(false); });
  connect(findDialog_, &FindDialog::replaceAllRequested, this, [this] { Replace(true); });
  findDialog_->show();
}

void MainWindow::FindNext() {
  editor_->StoreSearchPosition();
  if (findText_.isEmpty()) {
    OpenFind(false);
  } else if (!editor_->FindNext(findText_)) {
    dialogs_.Message(this, Utf8(window::kNotFound), screen::kStyleExclamation);
  }
}

void MainWindow::FindFromDialog() {
  findText_ = findDialog_->FindText();
  if (!editor_->FindNext(findText_)) {
    dialogs_.Message(this, Utf8(window::kNotFound), screen::kStyleExclamation);
  }
}

void MainWindow::Replace(bool all) {
  findText_ = findDialog_->FindText();
  replaceText_ = findDialog_->Replacement();
  const bool found = all ? editor_->ReplaceAll(findText_, replaceText_)
                         : editor_->ReplaceNext(findText_, replaceText_);
  if (!found) dialogs_.Message(this, Utf8(window::kNotFound), screen::kStyleExclamation);
}

// ---- operations

void MainWindow::VerifyJournal() {
  FileChoice choice;
  choice.kind = FileChoice::Kind::kOpenExisting;
  choice.title = QStringLiteral("Verifikuj žurnál");
  choice.directory = ProgramDirectory();
  choice.filters = {QStringLiteral("Soubory žurnálu (*.%1 *.%2)").arg("txt", "TXT"),
                    QStringLiteral("Všechny soubory (*)")};
  const QString path = dialogs_.ChooseFile(this, choice);
  if (path.isEmpty()) return;
  work_.VerifyJournal(QFile::encodeName(path).toStdString());
  RefreshBusy();
}

void MainWindow::SetSerialLines() {
  work_.Guarded([this] {
    window::SetSerialLines(program_, [this] {
      LoadLogoConnection(program_);
      PortSpeedDialog dialog(program_, this);
      if (!dialogs_.Run(&dialog)) return false;
      dialog.Apply();
      return true;
    });
  });
}

void MainWindow::SetIpAddresses() {
  work_.Guarded([this] {
    window::SetIpAddresses(program_, [this] {
      IpAddressDialog dialog(program_, this);
      if (!dialogs_.Run(&dialog)) return false;
      dialog.Apply();
      return true;
    });
  });
}

void MainWindow::UploadLogo() {
  work_.UploadLogo([this]() -> std::optional<std::string> {
    QString path;
    frontEnd_.RunOnUiThread([&] {
      FileChoice choice;
      choice.kind = FileChoice::Kind::kOpenExisting;
      choice.title = QStringLiteral("Grafické logo");
      choice.directory = ProgramDirectory();
      choice.filters = {QStringLiteral("*.BMP (*.bmp *.BMP)"),
                        QStringLiteral("Všechny soubory (*)")};
      choice.defaultSuffix = QStringLiteral("bmp");
      path = dialogs_.ChooseFile(this, choice);
    });
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
  });
  RefreshBusy();
}

}  // namespace tarvik::ui::qt
