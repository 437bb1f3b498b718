#include "job/special_jobs.h"

#include "convert/received.h"
#include "convert/special_files.h"
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/replacing_file.h"
#include "frame/status.h"
#include "link/discovery.h"

namespace tarvik::job {
namespace {

using frame::Fail;
using std::chrono::milliseconds;

constexpr milliseconds kBuiltInLimit{10000};

void RemoveWorkFile(frame::Program& program) {
  if (program.settings.debug) return;
  bool missing = false;
  platform::OsError error = 0;
  program.fs.Remove(program.MakeProgramPath(convert::kReceiveWorkFile), &missing, &error);
}

// Runs one built-in job of the pair; a time-out shows the text and fails.
void RunStep(frame::Program& program, JobRunner& runner, const char* serialName,
             const char* networkName, const std::string& timeoutText, frame::ErrorPair failed) {
  const char* name = LastJobUsedNetwork(program) ? networkName : serialName;
  if (runner.RunBuiltInJob(name, kBuiltInLimit) != 0) {
    frame::ShowMessage(program, timeoutText, screen::kStyleExclamation);
    Fail(failed);
  }
}

}  // namespace

bool LastJobUsedNetwork(frame::Program& program) {
  frame::ProgramFile tk = frame::ProgramFile::Open(program, "tk", frame::OpenMode::kReadIfPresent);
  std::uint8_t digit = 0;
  return tk.IsOpen() && tk.ReadByte(&digit) && digit == '1';
}

void DownloadAccount(frame::Program& program, link::RegisterLink& link, frame::ProgramFile& data,
                     std::int64_t account, std::int64_t second, std::int64_t third) {
  frame::JobCommand& cmd = program.command;
  cmd.dataFileName = convert::kAccountSelectionFileName;
  cmd.fileNumber = 0x67;
  convert::WriteAccountSelectionFile(program, account);
  link.SendRegisterFile();

  cmd.fileNumber = 0x91;
  convert::WriteTextLine(
      data, convert::AccountHeaderLine(program.settings.oddelovac, {account, second, third}));
  link.ReceiveRegisterFile();
  frame::ProgramFile work =
      frame::ProgramFile::Open(program, convert::kReceiveWorkFile, frame::OpenMode::kRead);
  convert::ConvertAccountItems(program, work, data);
  work.Close();
  RemoveWorkFile(program);
}

void DownloadAccounts(frame::Program& program, link::RegisterLink& link) {
  frame::JobCommand& cmd = program.command;
  const std::string dataFileName = cmd.dataFileName;
  cmd.fileNumber = 0x89;
  cmd.dataFileName = convert::kAccountListFileName;
  link.ReceiveRegisterFile();
  {
    frame::ProgramFile work =
        frame::ProgramFile::Open(program, convert::kReceiveWorkFile, frame::OpenMode::kRead);
    frame::ReplacingFile list(program, convert::kAccountListFileName);
    convert::ConvertReceivedFile(program, work, list.file());
    work.Close();
    list.Commit();
  }
  RemoveWorkFile(program);
  convert::AccountTable table = convert::LoadAccountTable(program);

  // The items of all accounts reach the data file together or not at all.
  if (cmd.accountNumber == 0) {
    frame::ReplacingFile data(program, dataFileName);
    for (const convert::AccountRecord& r : table) {
      DownloadAccount(program, link, data.file(), r.account, r.second, r.third);
    }
    data.Commit();
  } else if (const convert::AccountRecord* r = convert::FindAccount(table, cmd.accountNumber)) {
    convert::AccountRecord record = *r;
    frame::ReplacingFile data(program, dataFileName);
    DownloadAccount(program, link, data.file(), record.account, record.second, record.third);
    data.Commit();
  }
  cmd.dataFileName = dataFileName;
}

void SetRegisterClock(frame::Program& program, JobRunner& runner) {
  frame::JobSettings& s = program.settings;
  int debug = s.debug, okno = s.okno, hlaseni = s.hlaseni;
  std::string extension = s.priponaCmd;
  s.debug = s.okno = s.hlaseni = 0;
  s.priponaCmd = "cmx";
  const std::string failed = frame::W("Nahrání času se nedaří.");
  RunStep(program, runner, "sregu.cmx", "isregu.cmx", failed, frame::error::kBuiltInReadStepFailed);
  convert::WriteClockFile(program, convert::kClockFileName);
  RunStep(program, runner, "sregd.cmx", "isregd.cmx", failed,
          frame::error::kBuiltInWriteStepFailed);
  s.debug = debug;
  s.okno = okno;
  s.hlaseni = hlaseni;
  s.priponaCmd = extension;
  frame::ShowMessage(program, frame::W("Čas je v pokladně."), screen::kStyleExclamation);
}

void LoadVatRates(frame::Program& program, JobRunner& runner, int vat1, int vat2, int vat3,
                  int vat4) {
  frame::JobSettings& s = program.settings;
  // Find the register first, without questions, and point the files at it.
  int searchOnly = s.searchOnly;
  s.searchOnly = 1;
  link::FindRegister(program, runner.Link());
  s.searchOnly = searchOnly;
  int debug = s.debug, okno = s.okno, hlaseni = s.hlaseni;
  std::string extension = s.priponaCmd;
  s.debug = s.okno = s.hlaseni = 0;
  s.priponaCmd = "cmx";
  RunStep(program, runner, "taxu.cmx", "taxui.cmx", frame::W("Nahrání DPH se nedaří."),
          frame::error::kBuiltInReadStepFailed);
  convert::RewriteVatFile(program, vat1, vat2, vat3, vat4);
  RunStep(program, runner, "taxd.cmx", "taxdi.cmx",
          frame::W("Nahrání DPH se nedaří, soubor DPH je ale připraven k nahrání :-)"),
          frame::error::kBuiltInWriteStepFailed);
  s.debug = debug;
  s.okno = okno;
  s.hlaseni = hlaseni;
  s.priponaCmd = extension;
  frame::ShowMessage(program, convert::VatLoadedMessage(vat2, vat4), screen::kStyleExclamation);
}

}  // namespace tarvik::job
