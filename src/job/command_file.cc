#include "job/command_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "convert/format_table.h"
#include "frame/codepage.h"
#include "frame/connection_line.h"
#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/status.h"

namespace tarvik::job {
namespace {

using frame::Fail;

constexpr std::size_t kMinFileSize = 22;
constexpr std::size_t kMaxFileSize = 2048;
constexpr std::size_t kMaxEmbeddedSize = 512;
constexpr std::size_t kMaxCommandText = 199;
constexpr std::size_t kMaxNumber = 15;
constexpr std::size_t kMaxName = 260;

// The failures of one parser: the job's own, or the built-in single command's.
struct ParserPairs {
  frame::ErrorPair nameEmpty, nameTooLong, wrongExtension, tooSmall, tooLarge;
  frame::ErrorPair textTooLong, badLetter, numberTooLong, dataNameTooLong;
  std::size_t maxSize;
};
namespace error = frame::error;
constexpr ParserPairs kJob{error::kCommandFileNameEmpty,      error::kCommandFileNameTooLong,
                           error::kCommandFileWrongExtension, error::kCommandFileTooSmall,
                           error::kCommandFileTooLarge,       error::kCommandTextTooLong,
                           error::kCommandLetterUnknown,      error::kCommandNumberTooLong,
                           error::kDataFileNameTooLong,       kMaxFileSize};
constexpr ParserPairs kEmbedded{error::kBuiltInNameEmpty,       error::kBuiltInNameTooLong,
                                error::kBuiltInWrongExtension,  error::kBuiltInTooSmall,
                                error::kBuiltInTooLarge,        error::kBuiltInTextTooLong,
                                error::kBuiltInLetterUnknown,   error::kBuiltInNumberTooLong,
                                error::kBuiltInDataNameTooLong, kMaxEmbeddedSize};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A command file as the parser walks it: every run of line ends turned into
// one CR, and for each of its lines the line number in the file, so that a
// failure names the line the user sees in an editor.
struct LoadedCommandFile {
  std::string text;
  std::string path;
  std::vector<int> lineNumbers;
};

// "příkazový soubor PATH, řádek N: "TEXT"" for the line of `text` that
// starts at `pos` (the text from `pos` to the line's end).
std::string LineContext(const std::string& text, const std::string& path,
                        const std::vector<int>& lineNumbers, std::size_t pos) {
  pos = std::min(pos, text.size());
  const auto index = static_cast<std::size_t>(
      std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(pos), '\r'));
  std::size_t end = text.find('\r', pos);
  std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  int number = index < lineNumbers.size() ? lineNumbers[index] : static_cast<int>(index) + 1;
  return frame::W(frame::Format("příkazový soubor %s, řádek %d: ", path.c_str(), number)) + "\"" +
         line + "\"";
}

// Loads the file named by CommandFileName, checked and with every line end
// turned into one CR.
LoadedCommandFile LoadCommandFile(frame::Program& program, const ParserPairs& sub) {
  std::string name = program.paths.commandFileName;
  if (name.empty()) Fail(sub.nameEmpty);
  if (name.size() > kMaxName) Fail(sub.nameTooLong);
  name = Lower(name);
  std::size_t dot = name.find('.');
  if (dot != std::string::npos) {
    if (name.substr(dot + 1) != program.settings.priponaCmd) Fail(sub.wrongExtension);
  } else {
    name += "." + program.settings.priponaCmd;
  }
  frame::ProgramFile file = frame::ProgramFile::Open(program, name, frame::OpenMode::kRead);
  std::int64_t size = file.Size();
  const std::string context = frame::W(frame::Format(
      "příkazový soubor %s má %lld bajtů, ", file.path().c_str(), static_cast<long long>(size)));
  if (size < static_cast<std::int64_t>(kMinFileSize)) {
    Fail(sub.tooSmall, 0, context + frame::W("nejméně " + std::to_string(kMinFileSize)));
  }
  if (size > static_cast<std::int64_t>(sub.maxSize)) {
    Fail(sub.tooLarge, 0, context + frame::W("nejvíce " + std::to_string(sub.maxSize)));
  }
  std::string raw;
  std::uint8_t b = 0;
  while (file.ReadByte(&b)) raw += static_cast<char>(b);
  file.Close();

  // A run of line-end characters (CR, LF, CR LF, empty lines) becomes one CR.
  LoadedCommandFile loaded;
  loaded.path = file.path();
  std::string& text = loaded.text;
  text.reserve(raw.size() + 1);
  int line = 1;
  char previous = 0;
  for (char c : raw) {
    if (c == '\r' || c == '\n') {
      if (text.empty()) loaded.lineNumbers.push_back(line);
      if (text.empty() || text.back() != '\r') text += '\r';
      if (c == '\r' || previous != '\r') ++line;
    } else {
      if (text.empty() || text.back() == '\r') loaded.lineNumbers.push_back(line);
      text += c;
    }
    previous = c;
  }
  if (text.empty() || text.back() != '\r') text += '\r';
  return loaded;
}

// Reads a decimal number the way atoi does (leading blanks and a sign).
long AtoL(const std::string& text) {
  return std::strtol(text.c_str(), nullptr, 10);
}

void ParseConnectionLine(frame::Program& program, const std::string& text, std::size_t& pos) {
  frame::ConnectionLine& c = program.connection;
  frame::ParseLinkFields(text, pos, c);
  if (c.linkType == frame::LinkType::kSerial) {
    frame::LineSettings line = program.serialLine.Get();
    line.port = c.comNumber;
    line.baudRate = c.baudRate;
    line.parity = c.parity;
    program.serialLine.Set(line);
  }
  frame::ParseModelField(text, pos, c);
  convert::SelectModelFormatTables(program, c.modelText);
  frame::ParseLogField(text, pos, c);
}

// Reads the command at `pos`; returns the position after its line.
std::size_t ParseCommand(frame::Program& program, const std::string& text, std::size_t pos,
                         const ParserPairs& sub) {
  frame::JobCommand& cmd = program.command;
  if (text[pos] == '$') {
    program.hangUpAfterJob = 1;
    ++pos;
  } else {
    program.hangUpAfterJob = 0;
  }
  std::string commandText;
  while (pos < text.size() && text[pos] != ';' && text[pos] != '\r') {
    if (commandText.size() >= kMaxCommandText) Fail(sub.textTooLong);
    commandText += text[pos++];
  }
  cmd.commandText = commandText;
  cmd.isRead = cmd.isWrite = cmd.isWriteAfterClear = false;
  cmd.isRegisterOp = cmd.isAccounts = cmd.isSpecial = false;
  cmd.commandLetter = commandText.empty() ? '\0' : commandText[0];
  switch (std::toupper(static_cast<unsigned char>(cmd.commandLetter))) {
    case 'R':
      cmd.isRead = true;
      break;
    case 'V':
      cmd.isWrite = true;
      break;
    case 'W':
      cmd.isWrite = true;
      cmd.isWriteAfterClear = true;
      break;
    case 'N':
      cmd.isRegisterOp = true;
      break;
    case 'U':
      cmd.isAccounts = true;
      break;
    case 'S':
      cmd.isSpecial = true;
      break;
    default:
      Fail(sub.badLetter);
  }
  std::string number = commandText.substr(1);
  if (number.size() > kMaxNumber) Fail(sub.numberTooLong);
  if (cmd.isAccounts) {
    cmd.accountNumber = static_cast<int>(AtoL(number));
  } else {
    cmd.fileNumber = static_cast<std::uint8_t>(HexValue(number) & 0xFF);
  }
  cmd.isJournal = cmd.fileNumber == 0x87 ? 1 : 0;
  if (cmd.isWriteAfterClear && cmd.fileNumber == 0x03) cmd.fileNumber = 0x61;

  if (pos < text.size() && text[pos] == ';') {
    ++pos;
    std::string name;
    while (pos < text.size() && text[pos] != '.' && text[pos] != '\r') {
      if (name.size() >= kMaxName) Fail(sub.dataNameTooLong);
      name += text[pos++];
    }
    if (name.find("xxxx") != std::string::npos) {
      cmd.dataFileName = NumberDataFileName(program, name);
    } else {
      cmd.dataFileName = name + ".dat";
    }
  }
  frame::TerminalWrite(program, frame::Format("Pracuji se souborem %s.", cmd.dataFileName.c_str()));
  while (pos < text.size() && text[pos] != '\r') ++pos;
  if (pos >= text.size()) Fail(error::kCommandLineUnended);
  return pos + 1;
}

}  // namespace

unsigned HexValue(const std::string& text) {
  unsigned value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      Fail(error::kFileNumberNotHexadecimal);
    value = value * 16 + digit;
  }
  return value;
}

bool NextCommand(frame::Program& program, CommandFileState& state) {
  if (!state.connectionParsed) {
    if (state.loaded) Fail(error::kCommandFileStillLoaded);
    LoadedCommandFile loaded = LoadCommandFile(program, kJob);
    state.buffer = std::move(loaded.text);
    state.path = std::move(loaded.path);
    state.lineNumbers = std::move(loaded.lineNumbers);
    state.loaded = true;
    std::size_t pos = 0;
    frame::WithContext(LineContext(state.buffer, state.path, state.lineNumbers, 0),
                       [&] { ParseConnectionLine(program, state.buffer, pos); });
    state.connectionParsed = true;
    program.connectionParsed = true;
    state.position = pos;
  }
  if (state.position >= state.buffer.size()) return false;
  state.position =
      frame::WithContext(LineContext(state.buffer, state.path, state.lineNumbers, state.position),
                         [&] { return ParseCommand(program, state.buffer, state.position, kJob); });
  return true;
}

void ReadEmbeddedCommand(frame::Program& program) {
  LoadedCommandFile loaded = LoadCommandFile(program, kEmbedded);
  const std::string& text = loaded.text;
  std::size_t cr = text.find('\r');
  if (cr + 1 >= text.size()) {
    Fail(error::kBuiltInCommandMissing, 0,
         frame::W(frame::Format("příkazový soubor %s nemá řádek s příkazem", loaded.path.c_str())));
  }
  frame::WithContext(LineContext(text, loaded.path, loaded.lineNumbers, cr + 1),
                     [&] { ParseCommand(program, text, cr + 1, kEmbedded); });
}

std::string NumberDataFileName(frame::Program& program, const std::string& stem) {
  std::size_t at = stem.find("xxxx");
  std::string prefix = stem.substr(0, at);
  std::vector<platform::DirectoryEntry> entries;
  platform::ListFailure failure;
  const std::string& dir = program.paths.programDirectory;
  // The prefix may name a folder below the program directory, written with
  // either separator (command files come from Windows).
  std::string folder = dir;
  std::string namePrefix = prefix;
  std::size_t slash = prefix.find_last_of("/\\");
  if (slash != std::string::npos) {
    folder = dir + prefix.substr(0, slash + 1);
    namePrefix = prefix.substr(slash + 1);
  }
  if (!program.fs.List(folder, namePrefix, ".dat", &entries, &failure)) {
    if (failure.whileReading) Fail(error::kNumberingListing, failure.error);
    if (!platform::IsMissingFileError(failure.error)) Fail(error::kNumberingSearch, failure.error);
  }
  if (entries.empty()) return prefix + "0000.dat";
  int n = 0;
  {
    const platform::DirectoryEntry* newest = &entries.front();
    for (const auto& e : entries) {
      frame::TerminalWrite(program, frame::Format("Nasel jsem soubor %s.\r", e.name.c_str()));
      // Time stamps are coarse: of files made in the same tick the larger name is newer.
      if (e.creationTime > newest->creationTime ||
          (e.creationTime == newest->creationTime && e.name > newest->name)) {
        newest = &e;
      }
    }
    std::string digits = newest->name.substr(namePrefix.size(), 4);
    n = std::atoi(digits.c_str());
    if (n >= 9999) n = 0;
  }
  for (int attempt = 0; attempt < 10001; ++attempt) {
    ++n;
    std::string candidate = prefix + frame::Format("%04d", n) + ".dat";
    if (!program.fs.Exists(program.MakeProgramPath(candidate))) return candidate;
  }
  Fail(error::kNumberingExhausted);
}

}  // namespace tarvik::job
