#include "link/rewrite.h"

#include <algorithm>

#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/status.h"

namespace tarvik::link {
namespace {

using frame::Fail;
using frame::ProgramFile;

constexpr std::size_t kMaxFirstLine = 256;
constexpr const char kBackup[] = "cmd.bak";
constexpr const char kTemporary[] = "cmd.tmp";

std::string ReadAll(ProgramFile& file) {
  std::string out;
  char buffer[4096];
  while (std::size_t n = file.Read(buffer, sizeof buffer)) out.append(buffer, n);
  return out;
}

// The file names of one extension in the program directory, sorted. A
// failing listing ends the job with error 89: `searchFailed` when the folder
// cannot be searched, `readFailed` when reading its entries breaks off.
std::vector<std::string> ListCommandFiles(frame::Program& program, frame::ErrorPair searchFailed,
                                          frame::ErrorPair readFailed) {
  std::vector<platform::DirectoryEntry> entries;
  platform::ListFailure failure;
  if (!program.fs.List(program.paths.programDirectory, "", "." + program.settings.priponaCmd,
                       &entries, &failure)) {
    Fail(failure.whileReading ? readFailed : searchFailed, failure.error);
  }
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

// The parts of an old serial line kept by modes 1 and 2.
struct OldSerialLine {
  char dataBits = '8';
  char parity = 'O';
  std::string logName;
};

OldSerialLine ParseOldSerialLine(const std::string& line, const RewriteValues& values) {
  OldSerialLine old;
  std::size_t pos = line.find(',');
  std::size_t terminalLength = pos == std::string::npos ? line.size() : pos;
  if (terminalLength > 5) Fail(frame::error::kRewriteSerialTerminalTooLong);
  if (terminalLength == 0) Fail(frame::error::kRewriteSerialTerminalEmpty);
  pos = terminalLength + 1;
  if (pos + 1 >= line.size() || line[pos + 1] != ',')
    Fail(frame::error::kRewriteSerialPortNotFollowed);
  if (values.port < 1 || values.port > 9) Fail(frame::error::kRewritePortOutOfRange);
  pos += 2;
  if (pos + 1 >= line.size() || line[pos + 1] != ',')
    Fail(frame::error::kRewriteSerialSpeedNotFollowed);
  pos += 2;
  if (pos + 1 >= line.size() || line[pos + 1] != ',')
    Fail(frame::error::kRewriteSerialDataBitsNotFollowed);
  old.dataBits = line[pos];
  pos += 2;
  if (pos + 1 >= line.size() || line[pos + 1] != ',')
    Fail(frame::error::kRewriteSerialParityNotFollowed);
  old.parity = line[pos];
  pos += 2;
  std::size_t modelEnd = line.find(',', pos);
  std::size_t modelLength = (modelEnd == std::string::npos ? line.size() : modelEnd) - pos;
  if (modelLength > 5) Fail(frame::error::kRewriteSerialModelTooLong);
  if (modelEnd == std::string::npos) Fail(frame::error::kRewriteSerialModelUnended);
  pos = modelEnd + 1;
  std::size_t logEnd = line.find(',', pos);
  old.logName = line.substr(pos, logEnd == std::string::npos ? std::string::npos : logEnd - pos);
  if (old.logName.empty() || old.logName.size() > 120) Fail(frame::error::kRewriteSerialLogNameBad);
  return old;
}

std::string NewSerialLine(const RewriteValues& v, RewriteMode mode, const OldSerialLine& old) {
  ConnectionFields f = RefreshConnectionFields(v);
  switch (mode) {
    case RewriteMode::kKeepLineSettings:
      return frame::Format("%02d,%c,%c,%c,%c,%s,%s", v.terminalNumber, f.port, f.speed,
                           old.dataBits, old.parity, v.modelText.c_str(), old.logName.c_str());
    case RewriteMode::kKeepLogName:
      return frame::Format("%02d,%c,%c,%01d,%c,%s,%s", v.terminalNumber, f.port, f.speed,
                           v.dataBits, f.parity, v.modelText.c_str(), old.logName.c_str());
    case RewriteMode::kFull:
    default:
      return frame::Format("%02d,%c,%c,%01d,%c,%s,%s", v.terminalNumber, f.port, f.speed,
                           v.dataBits, f.parity, v.modelText.c_str(), v.logName.c_str());
  }
}

bool Rename(frame::Program& program, const std::string& from, const std::string& to) {
  platform::OsError error = 0;
  return program.fs.Rename(program.MakeProgramPath(from), program.MakeProgramPath(to), &error);
}

void Remove(frame::Program& program, const std::string& name) {
  bool missing = false;
  platform::OsError error = 0;
  program.fs.Remove(program.MakeProgramPath(name), &missing, &error);
}

}  // namespace

ConnectionFields RefreshConnectionFields(const RewriteValues& values, char previousSpeed) {
  static const char kParity[] = {'N', 'O', 'E', 'M', 'S'};
  ConnectionFields f;
  f.port = static_cast<char>('0' + values.port);
  f.speed = previousSpeed;
  for (unsigned code = 1, baud = 600; code <= 7; ++code, baud *= 2) {
    if (values.baudRate == baud) f.speed = static_cast<char>('0' + code);
  }
  f.dataBits = static_cast<char>('0' + values.dataBits % 10);
  const auto parity = static_cast<unsigned>(values.parity);
  f.parity = parity <= 4 ? kParity[parity] : 'O';
  return f;
}

void RewriteSerialLine(frame::Program& program, const std::string& fileName,
                       const RewriteValues& values, RewriteMode mode) {
  Remove(program, kBackup);
  platform::OsError error = 0;
  if (!program.fs.Rename(program.MakeProgramPath(fileName), program.MakeProgramPath(kBackup),
                         &error)) {
    Fail(frame::error::kCommandFileNotMovedAside, error,
         frame::FileContext(program.MakeProgramPath(fileName),
                            frame::Format("nelze přejmenovat na %s", kBackup), error));
  }
  std::string content;
  {
    ProgramFile backup = ProgramFile::Open(program, kBackup, frame::OpenMode::kRead);
    content = ReadAll(backup);
  }
  std::size_t lineEnd = content.find_first_of("\r\n");
  std::string line = content.substr(0, std::min(lineEnd, kMaxFirstLine));
  std::size_t restStart = lineEnd == std::string::npos ? content.size() : lineEnd + 1;
  if (lineEnd != std::string::npos && content[lineEnd] == '\r' && restStart < content.size() &&
      content[restStart] == '\n') {
    ++restStart;
  }
  if (std::count(line.begin(), line.end(), ',') != 6) {
    Rename(program, kBackup, fileName);
    return;
  }
  OldSerialLine old;
  if (mode != RewriteMode::kFull) {
    try {
      old = ParseOldSerialLine(line, values);
    } catch (const frame::JobFailure&) {
      // Never lose the command file: it goes back under its own name first.
      Rename(program, kBackup, fileName);
      throw;
    }
  }
  ProgramFile out = ProgramFile::Open(program, fileName, frame::OpenMode::kCreate);
  out.Write(NewSerialLine(values, mode, old) + "\r\n");
  out.Write(std::string_view(content).substr(restStart));
  out.Close();
}

void RewriteIpLine(frame::Program& program, const std::string& fileName,
                   const RewriteValues& values) {
  std::string content;
  {
    ProgramFile in = ProgramFile::Open(program, fileName, frame::OpenMode::kRead);
    content = ReadAll(in);
  }
  std::size_t pos = 0;
  for (;; ++pos) {
    if (pos >= content.size()) Fail(frame::error::kRewriteIpAddressStartUnended);
    if (content[pos] == ',') return;  // a serial file
    if (content[pos] == '.') break;
    if (pos >= 8) Fail(frame::error::kRewriteIpAddressStartTooLong);
  }
  auto skipField = [&](std::size_t limit, frame::ErrorPair tooLong, frame::ErrorPair atEnd) {
    for (std::size_t n = 0;; ++n, ++pos) {
      if (pos >= content.size()) Fail(atEnd);
      if (content[pos] == ',') break;
      if (n >= limit) Fail(tooLong);
    }
    ++pos;
  };
  skipField(17, frame::error::kRewriteIpAddressTooLong, frame::error::kRewriteIpAddressUnended);
  skipField(4, frame::error::kRewriteIpTerminalTooLong, frame::error::kRewriteIpTerminalUnended);
  skipField(5, frame::error::kRewriteIpModelTooLong, frame::error::kRewriteIpModelUnended);
  std::string head;
  for (int octet : values.address) head += std::to_string(octet) + ".";
  head.back() = ',';
  head += frame::Format("%02d,", values.terminalNumber) + values.modelText + ",";
  {
    ProgramFile tmp = ProgramFile::Open(program, kTemporary, frame::OpenMode::kCreate);
    tmp.Write(head);
    tmp.Write(std::string_view(content).substr(pos));
    tmp.Close();
  }
  std::string copy;
  {
    ProgramFile tmp = ProgramFile::Open(program, kTemporary, frame::OpenMode::kRead);
    copy = ReadAll(tmp);
  }
  try {
    ProgramFile out = ProgramFile::Open(program, fileName, frame::OpenMode::kCreate);
    out.Write(copy);
    out.Close();
  } catch (const frame::JobFailure& failure) {
    frame::Refail(failure, frame::error::kIpRewriteNotCopiedBack);
  }
}

int RewriteSerialParams(frame::Program& program, RewriteValues& values,
                        const std::function<bool(RewriteValues&)>& dialog, bool showMessage,
                        RewriteMode mode) {
  if (dialog && !dialog(values)) return 0;
  const std::vector<std::string> names = ListCommandFiles(
      program, frame::error::kSerialRewriteSearch, frame::error::kSerialRewriteListing);
  if (names.empty()) {
    if (!program.settings.searchOnly) {
      frame::ShowMessage(program, "Prikazovy soubor nenalezen.", screen::kStyleExclamation);
    }
    return 1;
  }
  for (const std::string& name : names) {
    frame::TerminalWriteDebug(program, frame::Format("Upravuji soubor %s.\r", name.c_str()));
    RewriteSerialLine(program, name, values, mode);
  }
  if (showMessage && !program.settings.searchOnly) {
    frame::TerminalWrite(program, "\rV prikazovych souborech byly prepsany parametry.\r");
  }
  return 1;
}

int RewriteIpParams(frame::Program& program, RewriteValues& values,
                    const std::function<bool(RewriteValues&)>& dialog, bool showMessage) {
  if (dialog && !dialog(values)) return 0;
  const std::vector<std::string> names =
      ListCommandFiles(program, frame::error::kIpRewriteSearch, frame::error::kIpRewriteListing);
  if (names.empty()) {
    frame::ShowMessage(program, "Prikazovy soubor nenalezen.", screen::kStyleExclamation);
    return 1;
  }
  for (const std::string& name : names) {
    frame::TerminalWriteDebug(program, frame::Format("Upravuji soubor %s.\r", name.c_str()));
    RewriteIpLine(program, name, values);
  }
  if (showMessage) {
    frame::TerminalWrite(program, "\rV prikazovych souborech byly prepsany IP adresy.\r");
  }
  return 1;
}

}  // namespace tarvik::link
