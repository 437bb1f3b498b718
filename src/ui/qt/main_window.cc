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
#include "frame/program_file.h"
#include "frame/status.h"
#include "job/sample_files.h"
#include "job/special_jobs.h"
#include "journal/journal_verify.h"
#include "link/discovery.h"
#include "link/logo.h"
#include "link/network_link.h"
#include "link/rewrite.h"
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
const QString kUntitled = QStringLiteral("(bez názvu)");

// The commands that start a job or use what a running job uses.
constexpr int kJobCommands[] = {kRun,   kChooseAndRun, kFindRegister,  kSetCmd,
                                kSetIp, kDateTime,     kVerifyJournal, kLogo};

bool Available(int command) {
  return command != kLogo;  // the item is present but grayed
}

// The values the command files are rewritten with, from the connection record.
link::RewriteValues ValuesOf(const frame::ConnectionLine& c) {
  link::RewriteValues values;
  values.terminalNumber = c.terminalNumber;
  values.port = c.comNumber;
  values.baudRate = c.baudRate;
  values.dataBits = c.dataBits;
  values.parity = c.parity;
  if (!c.modelText.empty()) values.modelText = c.modelText;
  values.logName = c.logFileName;
  const QStringList octets = QString::fromStdString(c.ipAddress).split(QLatin1Char('.'));
  if (octets.size() == 4) {
    for (std::size_t i = 0; i < 4; ++i) {
      values.address[i] = octets[static_cast<qsizetype>(i)].toInt();
    }
  }
  return values;
}

// The marker file tk: "0" after serial lines were set, "1" after addresses.
void WriteLinkMarker(frame::Program& program, char digit) {
  frame::ProgramFile file = frame::ProgramFile::Open(program, "tk", 'w');
  file.WriteByte(static_cast<std::uint8_t>(digit));
  file.Close();
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
      shiftHeld_([] { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }) {
  // The window is shown: failures restart the program, results are reported.
  program_.settings.okno = 1;
  editorExtension_ = QString::fromStdString(program_.settings.pripona_cmd);
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
  accelerators_ = {
      {(Qt::CTRL | Qt::Key_F).toCombined(), kFind},
      {(Qt::CTRL | Qt::Key_K).toCombined(), kRun},
      {(Qt::CTRL | Qt::Key_N).toCombined(), kNew},
      {(Qt::CTRL | Qt::Key_O).toCombined(), kChooseAndRun},
      {(Qt::CTRL | Qt::Key_R).toCombined(), kReplace},
      {(Qt::CTRL | Qt::Key_S).toCombined(), kSave},
      {(Qt::CTRL | Qt::ALT | Qt::Key_S).toCombined(), kSaveAs},
      {static_cast<int>(Qt::Key_F3), kFindNext},
  };
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

  Guarded([this] { job::WriteSampleCommandFiles(program_); });
  RefreshBusy();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  frontEnd_.Detach();
  if (operation_.joinable()) operation_.join();
}

QAction* MainWindow::AddItem(QMenu* menu, const QString& text, int command) {
  QAction* action = menu->addAction(text);
  action->setData(command);
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  actions_.emplace(command, action);
  return action;
}

void MainWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);

  QMenu* file = bar->addMenu(QStringLiteral("&Soubor"));
  AddItem(file, QStringLiteral("Nový \tCtrl+N"), kNew);
  AddItem(file, QStringLiteral("Otevři\tCtrl+O"), kOpen);
  AddItem(file, QStringLiteral("Ulož\tCtrl+S"), kSave);
  AddItem(file, QStringLiteral("Ulož jako...\tCtrl+Alt+S"), kSaveAs);
  file->addSeparator();
  AddItem(file, QStringLiteral("Tiskni\tCtrl+P"), kPrint);
  file->addSeparator();
  AddItem(file, QStringLiteral("&Konec"), kExit);

  editMenu_ = bar->addMenu(QStringLiteral("Editace"));
  AddItem(editMenu_, QStringLiteral("Zpět\tCtrl+Z"), kUndo);
  AddItem(editMenu_, QStringLiteral("Vyjmi\tCtrl+X"), kCut);
  AddItem(editMenu_, QStringLiteral("Kopíruj\tCtrl+C"), kCopy);
  AddItem(editMenu_, QStringLiteral("Vlož\tCtrl+V"), kPaste);
  AddItem(editMenu_, QStringLiteral("Smaž\tDel"), kClear);
  AddItem(editMenu_, QStringLiteral("Vyber vše"), kSelectAll);
  editMenu_->addSeparator();
  AddItem(editMenu_, QStringLiteral("Najdi\tCtrl+F"), kFind);
  AddItem(editMenu_, QStringLiteral("Najdi další\tF3"), kFindNext);
  AddItem(editMenu_, QStringLiteral("Nahraď\tCtrl+R"), kReplace);
  editMenu_->addSeparator();
  AddItem(editMenu_, QStringLiteral("Písmo"), kFont);
  connect(editMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateEditMenu);

  bar->addSeparator();
  barRun_ = bar->addAction(QStringLiteral("&Proveď"));
  barRun_->setData(kChooseAndRun);
  connect(barRun_, &QAction::triggered, this, [this] { RunCommand(kChooseAndRun); });

  QMenu* actions = bar->addMenu(QStringLiteral("&Akce"));
  AddItem(actions, QStringLiteral("&Komunikuj!"), kRun);
  AddItem(actions, QStringLiteral("&Otevři a komunikuj"), kChooseAndRun);
  AddItem(actions, QStringLiteral("&Nastav CMD"), kSetCmd);
  AddItem(actions, QStringLiteral("Nastav &IP adresy"), kSetIp);
  AddItem(actions, QStringLiteral("&Datum a čas"), kDateTime);
  AddItem(actions, QStringLiteral("&Verifikuj žurnál"), kVerifyJournal);
  AddItem(actions, QStringLiteral("Grafické logo"), kLogo);
  AddItem(actions, QStringLiteral("Najdi kasu     Alt/&F"), kFindRegister);
  actions->addSeparator();

  QMenu* help = bar->addMenu(QStringLiteral("&Nápověda"));
  AddItem(help, QStringLiteral("&Nápověda"), kHelp);
  AddItem(help, QStringLiteral("&O programu"), kAbout);
}

QAction* MainWindow::Action(int command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

bool MainWindow::EditorModified() const {
  return editor_->document()->isModified();
}

bool MainWindow::Busy() const {
  return runner_.JobRunning() || operationRunning_.load();
}

std::optional<platform::ProcessEnding> MainWindow::ProcessEnd() const {
  std::lock_guard<std::mutex> lock(endMutex_);
  return processEnd_;
}

void MainWindow::RefreshBusy() {
  const bool busy = Busy();
  if (!operationRunning_ && operation_.joinable()) operation_.join();
  for (int command : kJobCommands) {
    if (QAction* action = Action(command)) action->setEnabled(!busy && Available(command));
  }
  barRun_->setEnabled(!busy);
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
  const bool selection = editor_->textCursor().hasSelection();
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  Action(kUndo)->setEnabled(editor_->document()->isUndoAvailable());
  Action(kPaste)->setEnabled(clip != nullptr && clip->hasText());
  Action(kCut)->setEnabled(selection);
  Action(kCopy)->setEnabled(selection);
  Action(kClear)->setEnabled(selection);
}

void MainWindow::SetTitle(const QString& name) {
  setWindowTitle(
      QStringLiteral("%1 - %2").arg(QString::fromUtf8(kTitle), name.isEmpty() ? kUntitled : name));
}

QString MainWindow::ProgramDirectory() const {
  const frame::Paths& paths = program_.paths;
  return paths.hasProgramDirectory ? QString::fromStdString(paths.programDirectory)
                                   : QDir::currentPath();
}

void MainWindow::Guarded(const std::function<void()>& body) {
  try {
    frame::RunGuarded(program_, body);
  } catch (const platform::ProcessEnding& end) {
    std::lock_guard<std::mutex> lock(endMutex_);
    processEnd_ = end;
  }
}

void MainWindow::StartJobNow() {
  if (Busy()) return;
  Guarded([this] {
    {
      // The previous job thread is past its last status line; joining it
      // must not make it wait for a repaint.
      QtFrontEnd::UiWait wait(frontEnd_);
      runner_.WaitForJobThread();
    }
    runner_.StartJob();
  });
  RefreshBusy();
}

void MainWindow::StartOperation(std::function<void()> body) {
  if (Busy()) return;
  {
    QtFrontEnd::UiWait wait(frontEnd_);
    runner_.WaitForJobThread();
    if (operation_.joinable()) operation_.join();
  }
  operationRunning_ = true;
  operation_ = std::thread([this, body = std::move(body)] {
    Guarded(body);
    operationRunning_ = false;
    QMetaObject::invokeMethod(this, "RefreshBusy", Qt::QueuedConnection);
  });
  RefreshBusy();
}

bool MainWindow::ChooseCommandFile() {
  const QString extension = QString::fromStdString(program_.settings.pripona_cmd);
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

void MainWindow::RunCommand(int command) {
  emit commandRun(command);
  switch (command) {
    case kNew:
      NewText();
      break;
    case kOpen:
      OpenText();
      break;
    case kSave:
      Save();
      break;
    case kSaveAs:
      SaveAs();
      break;
    case kPrint:
      Print();
      break;
    case kExit:
      Exit();
      break;
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
    case kFind:
      editor_->StoreSearchPosition();
      OpenFind(false);
      break;
    case kFindNext:
      editor_->StoreSearchPosition();
      if (findText_.isEmpty()) {
        OpenFind(false);
      } else if (!editor_->FindNext(findText_)) {
        dialogs_.Message(this, QStringLiteral("Text nenalezen!"), kStyleExclamation);
      }
      break;
    case kReplace:
      editor_->StoreSearchPosition();
      OpenFind(true);
      break;
    case kFont: {
      QFont font = editor_->font();
      if (dialogs_.ChooseFont(this, &font)) editor_->setFont(font);
      break;
    }
    case kRun:
      StartJobNow();
      break;
    case kChooseAndRun:
      if (!Busy() && ChooseCommandFile()) StartJobNow();
      break;
    case kSetCmd:
      SetSerialLines();
      break;
    case kSetIp:
      SetIpAddresses();
      break;
    case kFindRegister:
      FindRegister();
      break;
    case kDateTime:
      DateAndTime();
      break;
    case kVerifyJournal:
      VerifyJournal();
      break;
    case kLogo:
      UploadLogo();
      break;
    case kHelp: {
      HelpDialog dialog(this);
      dialogs_.Run(&dialog);
      break;
    }
    case kAbout: {
      AboutDialog dialog(this);
      dialogs_.Run(&dialog);
      break;
    }
    default:
      break;
  }
}

void MainWindow::StartRequestedWork() {
  const frame::JobSettings& s = program_.settings;
  if (!s.searchWithWindow) {
    if (s.jobRequested) StartJobNow();
    return;
  }
  // The job named as well runs after the search.
  const bool job = s.jobRequested != 0;
  StartOperation([this, job] {
    if (!link::FindRegister(program_, link_)) {
      frame::ShowMessage(program_, "Nenalezl jsem zadnou pokladnu.", kStyleExclamation);
    }
    if (job) runner_.StartJob();
  });
}

// ---- editor commands

void MainWindow::ShowEditor() {
  editor_->show();
  editorVisible_ = true;
  LayoutClient();
}

int MainWindow::AskSaveChanges() {
  const QString name = QFileInfo(editorFileName_).fileName();
  int answer = dialogs_.Message(this,
                                QStringLiteral("Mám uložit změny provedené v souboru %1?")
                                    .arg(name.isEmpty() ? kUntitled : name),
                                3 | kStyleQuestion);
  if (answer == kAnswerYes && !Save()) answer = kAnswerCancel;
  return answer;
}

void MainWindow::FileMessage(const char* format, const QString& path) {
  const QString name = QFileInfo(path).fileName();
  dialogs_.Message(this, QString::fromUtf8(format).arg(name.isEmpty() ? kUntitled : name),
                   kStyleExclamation);
}

void MainWindow::NewText() {
  if (EditorModified() && AskSaveChanges() == kAnswerCancel) return;
  ShowEditor();
  editor_->NewText();
  editorFileName_.clear();
  SetTitle(QString());
}

void MainWindow::OpenText() {
  if (EditorModified() && AskSaveChanges() == kAnswerCancel) return;
  ShowEditor();
  const QString path = dialogs_.ChooseFile(
      this, CommandFileChoice(FileChoice::Kind::kOpenAny, QStringLiteral("Otevři")));
  if (!path.isEmpty()) {
    editorFileName_ = path;
    if (!editor_->LoadFile(path)) {
      FileMessage("Nemohu otevřít soubor %1!", path);
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
  FileMessage("Nelze zapsat soubor %1", editorFileName_);
  return false;
}

void MainWindow::Print() {
  if (!editorVisible_) return;
  if (editor_->Print(this, windowTitle()) == 0)
    FileMessage("Could not print file %1", editorFileName_);
}

void MainWindow::Exit() {
  if (!Busy() && link_.Network().Connected()) Guarded([this] { link_.CloseNetwork(); });
  if (EditorModified() && AskSaveChanges() == kAnswerCancel) return;
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // No question about the editor here: only "Konec" asks. A running job
  // keeps its port; the end of the process closes it.
  if (!Busy()) Guarded([this] { link_.CloseSerialPort(); });
  if (findDialog_ != nullptr) findDialog_->close();
  frontEnd_.Detach();
  event->accept();
  QCoreApplication::quit();
}

// ---- find and replace

void MainWindow::OpenFind(bool replace) {
  if (findDialog_ != nullptr) {
    if (findDialog_->IsReplace() == replace) {
      findDialog_->raise();
      findDialog_->activateWindow();
      return;
    }
    findDialog_->close();
  }
  findDialog_ = new FindDialog(replace, findText_, replaceText_, this);
  connect(findDialog_, &FindDialog::findNextRequested, this, &MainWindow::FindNext);
  connect(findDialog_, &FindDialog::replaceRequested, this, [this] { Replace(false); });
  connect(findDialog_, &FindDialog::replaceAllRequested, this, [this] { Replace(true); });
  findDialog_->show();
}

void MainWindow::FindNext() {
  findText_ = findDialog_->FindText();
  if (!editor_->FindNext(findText_)) {
    dialogs_.Message(this, QStringLiteral("Text nenalezen!"), kStyleExclamation);
  }
}

void MainWindow::Replace(bool all) {
  findText_ = findDialog_->FindText();
  replaceText_ = findDialog_->Replacement();
  if (!editor_->ReplaceNext(findText_, replaceText_)) {
    dialogs_.Message(this, QStringLiteral("Text nenalezen!"), kStyleExclamation);
    return;
  }
  if (all) {
    while (editor_->ReplaceNext(findText_, replaceText_)) {
    }
  }
}

// ---- operations

void MainWindow::DateAndTime() {
  const bool vat = shiftHeld_();
  StartOperation([this, vat] {
    if (vat) {
      job::LoadVatRates(program_, runner_, 14, 15, 20, 21);
    } else {
      job::SetRegisterClock(program_, runner_);
    }
  });
}

void MainWindow::VerifyJournal() {
  if (Busy()) return;
  FileChoice choice;
  choice.kind = FileChoice::Kind::kOpenExisting;
  choice.title = QStringLiteral("Verifikuj žurnál");
  choice.directory = ProgramDirectory();
  choice.filters = {QStringLiteral("Soubory žurnálu (*.%1 *.%2)").arg("txt", "TXT"),
                    QStringLiteral("Všechny soubory (*)")};
  const QString path = dialogs_.ChooseFile(this, choice);
  if (path.isEmpty()) return;
  const std::string file = QFile::encodeName(path).toStdString();
  StartOperation([this, file] {
    journal::ShowJournalVerdict(program_, journal::VerifyJournal(program_, file, true));
  });
}

void MainWindow::SetSerialLines() {
  if (Busy()) return;
  Guarded([this] {
    frame::JobSettings& s = program_.settings;
    link::RewriteValues values = ValuesOf(program_.connection);
    auto dialog = [this](link::RewriteValues& chosen) {
      LoadLogoConnection(program_);
      PortSpeedDialog portDialog(program_, this);
      if (!dialogs_.Run(&portDialog)) return false;
      portDialog.Apply();
      chosen = ValuesOf(program_.connection);
      return true;
    };
    if (link::RewriteSerialParams(program_, values, dialog, false, link::RewriteMode::kFull)) {
      // The program's own command files follow.
      const std::string extension = s.pripona_cmd;
      s.pripona_cmd = "cmx";
      link::RewriteSerialParams(program_, values, nullptr, true, link::RewriteMode::kFull);
      s.pripona_cmd = extension;
    }
    WriteLinkMarker(program_, '0');
  });
}

void MainWindow::SetIpAddresses() {
  if (Busy()) return;
  Guarded([this] {
    frame::JobSettings& s = program_.settings;
    link::RewriteValues values = ValuesOf(program_.connection);
    auto dialog = [this](link::RewriteValues& chosen) {
      IpAddressDialog ipDialog(program_, this);
      if (!dialogs_.Run(&ipDialog)) return false;
      ipDialog.Apply();
      chosen = ValuesOf(program_.connection);
      return true;
    };
    if (!link::RewriteIpParams(program_, values, dialog, false)) return;
    const std::string extension = s.pripona_cmd;
    s.pripona_cmd = "cmx";
    link::RewriteIpParams(program_, values, nullptr, true);
    s.pripona_cmd = extension;
    WriteLinkMarker(program_, '1');
  });
}

void MainWindow::FindRegister() {
  StartOperation([this] {
    if (!link::FindRegister(program_, link_)) {
      frame::ShowMessage(program_, "Nenalezl jsem zadnou pokladnu.", kStyleExclamation);
    }
  });
}

void MainWindow::UploadLogo() {
  link::LogoUploadHooks hooks;
  hooks.chooseFile = [this]() -> std::optional<std::string> {
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
  };
  hooks.runBuiltInJob = [this](const std::string& name, std::chrono::milliseconds limit) {
    return runner_.RunBuiltInJob(name, limit);
  };
  StartOperation([this, hooks] { link::UploadLogo(program_, 1, hooks); });
}

}  // namespace tarvik::ui::qt
