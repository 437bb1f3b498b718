#include "frame/transfer_log.h"

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/status.h"
#include "screen/front_end.h"

namespace tarvik::frame {
namespace {

constexpr std::int64_t kTrimSize = 40000;
constexpr int kDroppedLines = 500;
constexpr int kMaxKeptLines = 1999;
constexpr std::size_t kMaxLogLine = 199;  // the LF included

}  // namespace

std::string LogFileName(const Program& program) {
  const std::string& name = program.connection.logFileName;
  return name.empty() ? std::string("error.log") : name;
}

void AppendLogLine(Program& program) {
  platform::LocalTime now = program.clock.LocalNow();
  const JobSettings& s = program.settings;
  platform::OsError error = 0;
  auto file =
      program.fs.Open(program.MakeProgramPath(LogFileName(program)), platform::Access::kWrite,
                      platform::Creation::kOpenAlways, false, &error);
  if (!file && s.debug && !platform::IsMissingFileError(error)) {
    ShowMessage(program, "Nepodarilo se otevrit logovy soubor.", screen::kStyleExclamation);
    return;
  }
  const ConnectionLine& c = program.connection;
  const LastError& e = program.lastError;
  std::string line;
  if (c.linkType == LinkType::kTcpIp) {
    line = Format("%02u-%02u-%04u,%02u:%02u,%02u,%s,%s;%04u\r\n", unsigned(now.day),
                  unsigned(now.month), unsigned(now.year), unsigned(now.hour), unsigned(now.minute),
                  unsigned(e.lastErrorCode), c.ipAddress.c_str(),
                  program.command.commandText.c_str(), unsigned(e.lastErrorSubcode));
  } else {
    line = Format("%02u-%02u-%04u,%02u:%02u,%02u,%s,%s;%c,%04u\r\n", unsigned(now.day),
                  unsigned(now.month), unsigned(now.year), unsigned(now.hour), unsigned(now.minute),
                  unsigned(e.lastErrorCode), c.terminalText.c_str(),
                  program.command.commandText.c_str(), c.comDigit, unsigned(e.lastErrorSubcode));
  }
  bool written =
      file && file->SeekToEnd(&error) &&
      file->Write(line.data(), line.size(), &error) == static_cast<std::ptrdiff_t>(line.size());
  if (!written && (s.debug || s.okno)) {
    ShowMessage(program, "\nNepodarilo se zapsat do logoveho souboru.", screen::kStyleExclamation);
  }
}

void TrimLogIfLarge(Program& program) {
  const JobSettings& s = program.settings;
  std::string logPath = program.MakeProgramPath(LogFileName(program));
  platform::OsError error = 0;
  auto probe = program.fs.Open(logPath, platform::Access::kRead, platform::Creation::kOpenAlways,
                               false, &error);
  if (!probe) {
    if ((s.debug || s.okno) && !platform::IsMissingFileError(error)) {
      ShowMessage(program, "Nepodarilo se otevrit logovy soubor", screen::kStyleExclamation);
    }
    return;
  }
  std::int64_t size = probe->Size(&error);
  probe.reset();
  if (size < kTrimSize) return;

  {
    ProgramFile log = ProgramFile::Open(program, logPath, OpenMode::kRead, true);
    ProgramFile work = ProgramFile::Open(program, "work03.tmp", OpenMode::kCreate);
    std::uint8_t b = 0;
    for (int dropped = 0; dropped < kDroppedLines;) {
      if (!log.ReadByte(&b)) break;
      if (b == '\n') ++dropped;
    }
    int kept = 0;
    std::string line;
    bool atEnd = false;
    while (!atEnd) {
      line.clear();
      bool gotLf = false;
      while (log.ReadByte(&b)) {
        line += static_cast<char>(b);
        if (line.size() > kMaxLogLine) Fail(error::kLogLineTooLong);
        if (b == '\n') {
          gotLf = true;
          break;
        }
      }
      if (!gotLf) atEnd = true;
      if (line.empty()) break;
      if (kept == kMaxKeptLines) Fail(error::kLogTooManyLines);
      work.Write(line);
      ++kept;
    }
    work.Close();
    log.Close();
  }
  bool missing = false;
  std::string bak = program.MakeProgramPath("log.bak");
  program.fs.Remove(bak, &missing, &error);
  if (!program.fs.Rename(logPath, bak, &error)) {
    Fail(error::kLogNotMovedAside, error,
         FileContext(logPath, "nelze přejmenovat na log.bak", error));
  }
  const std::string work = program.MakeProgramPath("work03.tmp");
  if (!program.fs.Rename(work, logPath, &error)) {
    Fail(error::kTrimmedLogNotInPlace, error,
         FileContext(work, Format("nelze přejmenovat na %s", logPath.c_str()), error));
  }
}

}  // namespace tarvik::frame
