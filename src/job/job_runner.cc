#include "job/job_runner.h"

#include "convert/plu_files.h"
#include "convert/received.h"
#include "convert/special_files.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/failure.h"
#include "frame/interrupt.h"
#include "frame/replacing_file.h"
#include "frame/scoped_values.h"
#include "frame/status.h"
#include "frame/transfer_log.h"
#include "job/special_jobs.h"
#include "journal/journal_render.h"
#include "journal/journal_verify.h"

namespace tarvik::job {
namespace {

using frame::Fail;
using std::chrono::milliseconds;

constexpr milliseconds kEmbeddedLimit{10000};

void WriteMarkerFile(frame::Program& program, const char* name, char digit) {
  frame::ProgramFile file = frame::ProgramFile::Open(program, name, frame::OpenMode::kCreate);
  file.WriteByte(static_cast<std::uint8_t>(digit));
  file.Close();
}

void DeleteResultFile(frame::Program& program, const char* name, frame::ErrorPair notDeleted) {
  bool missing = false;
  platform::OsError error = 0;
  const std::string path = program.MakeProgramPath(name);
  if (!program.fs.Remove(path, &missing, &error)) {
    Fail(notDeleted, error, frame::FileContext(path, "nelze smazat", error));
  }
}

// The switches a built-in job or an embedded command runs with, put back
// when it ends; a failure leaves them to the failure exit, whose messages and
// log line follow the nested run's switches.
auto SwitchesOfNestedRun(frame::Program& program) {
  frame::JobSettings& s = program.settings;
  return frame::ScopedValues(frame::Restore::kUnlessFailing, s.debug, s.ticho, s.noLink, s.leaveDtr,
                             s.hlaseni, s.okno, s.jobRequested, s.priponaCmd);
}

}  // namespace

JobRunner::JobRunner(frame::Program& program, link::RegisterLink& link)
    : program_(program), link_(link) {}

JobRunner::~JobRunner() {
  JoinJobThread();
  if (singleThread_.joinable()) singleThread_.join();
}

void JobRunner::JoinJobThread() {
  if (jobThread_.joinable()) jobThread_.join();
}

void JobRunner::WaitForJobThread() {
  JoinJobThread();
}

bool JobRunner::JobRunning() const {
  return running_.load();
}

std::optional<platform::ProcessEnding> JobRunner::ProcessEnd() const {
  std::lock_guard<std::mutex> lock(endMutex_);
  return processEnd_;
}

void JobRunner::RunThreadBody(void (JobRunner::*body)()) {
  try {
    frame::RunGuarded(program_, [this, body] { (this->*body)(); });
  } catch (const platform::ProcessEnding& end) {
    std::lock_guard<std::mutex> lock(endMutex_);
    processEnd_ = end;
  }
}

bool JobRunner::StartJob() {
  JoinJobThread();
  // From before the first file of the directory is touched until the result
  // files are written. A windowless run holds it already (and waited for it);
  // the window does not wait, it says so.
  if (program_.directoryLock.Take(program_, std::chrono::seconds(0), true) !=
      frame::DirectoryLock::Outcome::kTaken) {
    std::string holder = program_.directoryLock.Holder();
    frame::ShowMessage(program_,
                       holder.empty()
                           ? frame::W("Do adresáře programu nelze zapisovat; úloha neproběhla.")
                           : frame::W("Adresář programu právě používá jiný proces tarvik (" +
                                      holder + "). Úloha neproběhla, zkuste ji spustit později."),
                       screen::kStyleExclamation);
    return false;
  }
  commandFile_.connectionParsed = false;
  commandFile_.Release();
  program_.connectionParsed = false;
  program_.lastError.lastErrorCode = 0;
  program_.lastError.lastErrorSubcode = 0;
  {
    std::lock_guard<std::mutex> lock(endMutex_);
    processEnd_.reset();
  }
  // A job whose file holds no command must not repeat an earlier job's command.
  program_.command.commandText.clear();
  program_.command.commandLetter = 0;

  DeleteResultFile(program_, "err", frame::error::kOldErrNotDeleted);
  DeleteResultFile(program_, "error.txt", frame::error::kOldErrorTxtNotDeleted);
  NextCommand(program_, commandFile_);

  // The marker is written before the thread starts: a failure to write it
  // must not run the failure exit beside a job thread that already works.
  const bool serial = program_.connection.linkType == frame::LinkType::kSerial;
  WriteMarkerFile(program_, "tk", serial ? '0' : '1');
  running_ = true;
  if (serial) {
    jobThread_ = std::thread([this] { RunThreadBody(&JobRunner::SerialJobThread); });
  } else {
    jobThread_ = std::thread([this] { RunThreadBody(&JobRunner::NetworkJobThread); });
  }
  return true;
}

void JobRunner::RefreshRegisterIsFiscal() {
  int fiscal = program_.settings.fiskal;
  if (!fiscal) {
    frame::ProgramFile tf =
        frame::ProgramFile::Open(program_, "tf", frame::OpenMode::kReadIfPresent);
    std::uint8_t digit = 0;
    if (tf.IsOpen() && tf.ReadByte(&digit)) fiscal = (digit != '0');
  }
  link_.SetRegisterIsFiscal(fiscal != 0);
}

void JobRunner::SerialJobThread() {
  frame::JobSettings& s = program_.settings;
  if (s.rawdebug) {
    rawCapture_ = frame::ProgramFile::Open(program_, "rsdata", frame::OpenMode::kCreate);
    link_.SetRawCapture(&rawCapture_);
  }
  for (int count = 1;; ++count) {
    frame::TrimLogIfLarge(program_);
    RefreshRegisterIsFiscal();
    if (count > 1) frame::PauseUnlessStopped(program_, milliseconds(s.zpozdeni));
    frame::ThrowIfStopRequested(program_);
    noLinkCommand_ = 0;
    Dispatch(frame::error::kSerialJobLetterUnknown);
    frame::AppendLogLine(program_);
    if (!NextCommand(program_, commandFile_)) break;
  }
  const bool resultFilesWritten = frame::WriteResultFiles(program_);
  if (noLinkCommand_ == 0 && s.simulace == 0) link_.CloseSerialPort();
  if (s.rawdebug) {
    link_.SetRawCapture(nullptr);
    rawCapture_.Close();
  }
  if (noLinkCommand_ == 0 && (s.okno || s.debug || s.hlaseni)) {
    frame::ShowMessage(program_, "Komunikace uspesne ukoncena.", screen::kStyleExclamation);
  }
  if (noLinkCommand_ == 0 && s.simulace == 0) serialJobFinished.Set();
  commandFile_.Release();
  program_.directoryLock.Release();
  running_ = false;
  if (s.jobRequested && !s.okno) program_.process.Exit(resultFilesWritten ? 0 : 1);
}

void JobRunner::NetworkJobThread() {
  frame::JobSettings& s = program_.settings;
  link_.StartNetwork();
  for (;;) {
    frame::TrimLogIfLarge(program_);
    frame::ThrowIfStopRequested(program_);
    Dispatch(frame::error::kNetworkJobLetterUnknown);
    frame::AppendLogLine(program_);
    frame::PauseUnlessStopped(program_, milliseconds(s.zpozdeni));
    if (!NextCommand(program_, commandFile_)) break;
  }
  const bool resultFilesWritten = frame::WriteResultFiles(program_);
  networkJobFinished.Set();
  link_.CloseNetwork();
  if (s.okno || s.debug || s.hlaseni) {
    frame::ShowMessage(program_, "Komunikace uspesne ukoncena.", screen::kStyleExclamation);
  }
  commandFile_.Release();
  program_.directoryLock.Release();
  running_ = false;
  if (s.jobRequested && !s.okno) program_.process.Exit(resultFilesWritten ? 0 : 1);
}

void JobRunner::Dispatch(frame::ErrorPair unknownLetter) {
  switch (std::toupper(static_cast<unsigned char>(program_.command.commandLetter))) {
    case 'R':
      ReadCommand();
      break;
    case 'V':
    case 'W':
      link_.SendRegisterFile();
      break;
    case 'N':
      link_.ClearRegisterFile();
      break;
    case 'U':
      DownloadAccounts(program_, link_);
      break;
    case 'S':
      SpecialCommand();
      break;
    default:
      Fail(unknownLetter);
  }
}

void JobRunner::SimulatedRead() {
  std::string source = program_.command.dataFileName;
  if (!source.empty()) source.back() = 's';
  frame::ProgramFile in = frame::ProgramFile::Open(program_, source, frame::OpenMode::kRead);
  frame::ReplacingFile data(program_, program_.command.dataFileName);
  frame::ProgramFile& out = data.file();
  std::uint8_t b = 0;
  while (in.ReadByte(&b)) {
    out.WriteByte(b);
    if (b == '\n') {
      out.Flush();
      program_.clock.Sleep(milliseconds(5));
    }
  }
  data.Commit();
}

void JobRunner::ReadCommand() {
  if (program_.settings.simulace) {
    SimulatedRead();
    return;
  }
  link_.ReceiveRegisterFile();
  frame::ProgramFile work =
      frame::ProgramFile::Open(program_, "work01.tmp", frame::OpenMode::kRead);
  if (program_.command.isJournal) {
    journal::RenderJournal(program_, work);
    return;
  }
  // The data file of an earlier read stays whole until this one is complete.
  frame::ReplacingFile data(program_, program_.command.dataFileName);
  convert::ConvertReceivedFile(program_, work, data.file());
  work.Close();
  data.Commit();
  if (!program_.settings.debug) {
    bool missing = false;
    platform::OsError error = 0;
    program_.fs.Remove(program_.MakeProgramPath("work01.tmp"), &missing, &error);
  }
}

void JobRunner::SpecialCommand() {
  switch (program_.command.fileNumber) {
    case 0x03:
      convert::AddSalesToPlu(program_);
      break;
    case 0x59:
      link_.DownloadRawText();
      break;
    case 0x65:
      AddStockToRegister();
      break;
    case 0x74:
      convert::AddNamesToSales(program_);
      break;
    case 0x87:
      noLinkCommand_ = 1;
      journal::VerifyJournal(program_);
      break;
    case 0xE3:
      convert::SortPluFile(program_);
      break;
    default:
      Fail(frame::error::kSpecialCommandUnknown);
  }
}

void JobRunner::AddStockToRegister() {
  // The register's stock first (file 65 into X_SKL.DAT), then the sum into
  // the command's data file, which is sent back.
  RunEmbeddedCommand("sklp");
  convert::SumStockIntoDataFile(program_);
  link_.SendRegisterFile();
}

int JobRunner::RunBuiltInJob(const std::string& commandFileName, milliseconds limit) {
  // A built-in file that is missing fails here, named, while the caller's
  // settings still show the box it asked for; inside the job it would fail
  // with every message switched off.
  try {
    frame::ProgramFile::Open(program_, commandFileName, frame::OpenMode::kRead).Close();
  } catch (const frame::JobFailure& failure) {
    if (failure.code() != frame::error::kFileErrorCode) throw;
    Fail(frame::error::kBuiltInCommandFileNotOpened, failure.osError(),
         frame::W("vestavěný příkazový ") + failure.context());
  }
  auto switches = SwitchesOfNestedRun(program_);
  frame::JobSettings& s = program_.settings;
  s.okno = s.debug = s.hlaseni = 0;
  s.jobRequested = 0;
  s.priponaCmd = "cmx";
  program_.paths.commandFileName = commandFileName;
  if (!StartJob()) return 1;
  frame::ManualResetEvent& finished = program_.connection.linkType == frame::LinkType::kTcpIp
                                          ? networkJobFinished
                                          : serialJobFinished;
  bool ended = finished.WaitFor(limit);
  finished.Reset();
  if (!ended) {
    // The job thread still runs with the built-in job's switches.
    switches.Keep();
    return 1;
  }
  JoinJobThread();
  return 0;
}

void JobRunner::SingleCommandThread() {
  Dispatch(frame::error::kSingleCommandLetterUnknown);
  frame::AppendLogLine(program_);
  frame::WriteResultFiles(program_);
  singleCommandFinished.Set();
}

int JobRunner::RunEmbeddedCommand(const std::string& baseName) {
  auto switches = SwitchesOfNestedRun(program_);
  // The whole command is kept, not only its data-file name, so the running
  // command's own log line still names it.
  frame::ScopedValues command(frame::Restore::kUnlessFailing, program_.paths.commandFileName,
                              program_.connection.logFileName, program_.command);
  frame::JobSettings& s = program_.settings;
  s.debug = s.okno = s.hlaseni = 0;
  program_.paths.commandFileName = baseName + ".cmx";
  s.priponaCmd = "cmx";
  ReadEmbeddedCommand(program_);
  if (singleThread_.joinable()) singleThread_.join();
  // Also on a TCP/IP link: the stock addition must read the register's stock
  // over either link.
  singleThread_ = std::thread([this] { RunThreadBody(&JobRunner::SingleCommandThread); });
  bool finished = singleCommandFinished.WaitFor(kEmbeddedLimit);
  singleCommandFinished.Reset();
  if (!finished) Fail(frame::error::kEmbeddedCommandTimedOut);
  singleThread_.join();
  return 0;
}

}  // namespace tarvik::job
