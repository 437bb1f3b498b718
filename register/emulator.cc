#include "register/emulator.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "convert/format_table.h"
#include "convert/received.h"
#include "convert/send.h"
#include "convert/work_file.h"
#include "frame/errors.h"
#include "frame/program_file.h"
#include "journal/journal_record_text.h"
#include "link/wire.h"

namespace tarvik::reg {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
namespace wire = link::wire;

namespace {

constexpr auto kInterByte = milliseconds(1000);
// The pause between the two pieces of a split frame, so that they travel as
// two segments.
constexpr auto kSplitPause = milliseconds(30);
constexpr auto kChatterPause = milliseconds(100);

std::string Body(std::uint8_t a, std::uint8_t b) {
  std::string body;
  body += static_cast<char>(a);
  body += static_cast<char>(b);
  return body;
}

std::uint8_t At(const std::string& s, std::size_t i) {
  return static_cast<std::uint8_t>(s[i]);
}

bool IsRequestByte(std::uint8_t b) {
  return b == wire::kReadCommand || b == wire::kReadCommandFiscal || b == wire::kWriteCommand ||
         b == wire::kWriteCommandFiscal || b == wire::kIdentifyCommand;
}

std::string FileName(std::uint8_t number) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string name;
  name += kDigits[number >> 4];
  name += kDigits[number & 15];
  return name + ".dat";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsVariantModel(const std::string& model) {
  return model == "39T" || model == "362" || model == "396";
}

Memory::Memory(frame::Program& program, const Options& options)
    : program_(program), options_(options) {
  program_.variantTables = IsVariantModel(options.model);
  program_.settings.oddelovac = options.separator;
  program_.settings.cislovani = options.numbered ? 1 : 0;
}

std::uint32_t Memory::BlockLength(std::uint8_t number) const {
  return convert::BlockLength(program_, number);
}

bool Memory::LoadRecords(const std::string& path, std::uint8_t number,
                         std::vector<std::string>* records, std::string* error) {
  std::error_code ec;
  fs::copy_file(path, program_.MakeProgramPath(FileName(number)),
                fs::copy_options::overwrite_existing, ec);
  if (ec) {
    *error = path + ": " + ec.message();
    return false;
  }
  program_.command.fileNumber = number;
  program_.command.dataFileName = FileName(number);
  try {
    convert::BuildSendFile(program_);
    frame::ProgramFile work =
        frame::ProgramFile::Open(program_, "work02.tmp", frame::OpenMode::kRead);
    convert::WorkFileReader reader(work);
    records->clear();
    std::string record;
    while (reader.ReadWorkRecord(&record)) records->push_back(record);
    work.Close();
  } catch (const frame::JobFailure& failure) {
    *error = path + ": error " + std::to_string(failure.code()) + "/" +
             std::to_string(failure.subcode());
    return false;
  }
  return true;
}

bool Memory::LoadJournal(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  std::vector<std::string> records;
  std::string problem;
  if (!journal::ParseJournalRecordText(text.str(), &records, &problem)) {
    *error = path + ": " + problem;
    return false;
  }
  const std::uint32_t length = BlockLength(0x87);
  for (std::size_t i = 0; i < records.size(); ++i) {
    // A longer record would go out cut, a different record than was given.
    if (records[i].size() > length) {
      *error = path + ": record " + std::to_string(i + 1) + " is longer than " +
               std::to_string(length) + " bytes";
      return false;
    }
  }
  files_[0x87] = std::move(records);
  return true;
}

bool Memory::Load(std::string* error) {
  bool taxesGiven = false;
  if (!options_.dataDirectory.empty()) {
    std::error_code ec;
    fs::directory_iterator it(options_.dataDirectory, ec);
    if (ec) {
      *error = options_.dataDirectory + ": " + ec.message();
      return false;
    }
    bool journalGiven = false;
    std::string journalPath;
    for (const fs::directory_entry& entry : it) {
      std::string name = entry.path().filename().string();
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (lower == "87.txt") {
        journalPath = entry.path().string();
        continue;
      }
      if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".dat") != 0) continue;
      std::string stem = lower.substr(0, lower.size() - 4);
      if (stem.size() > 3 && stem.compare(0, 3, "91-") == 0) {
        std::string digits = stem.substr(3);
        if (digits.size() > 18 || !std::all_of(digits.begin(), digits.end(),
                                               [](char c) { return c >= '0' && c <= '9'; })) {
          *error = entry.path().string() + ": the account number must be decimal";
          return false;
        }
        std::uint64_t account = std::stoull(digits);
        if (!LoadRecords(entry.path().string(), 0x91, &accountItems_[account], error)) {
          return false;
        }
        continue;
      }
      int high = stem.size() == 2 ? HexDigit(stem[0]) : -1;
      int low = stem.size() == 2 ? HexDigit(stem[1]) : -1;
      if (high < 0 || low < 0) continue;
      auto number = static_cast<std::uint8_t>(high * 16 + low);
      if (!LoadRecords(entry.path().string(), number, &files_[number], error)) return false;
      if (number == 0x30) taxesGiven = true;
      if (number == 0x87) journalGiven = true;
    }
    if (!journalPath.empty()) {
      if (journalGiven) {
        *error = "give the journal as 87.dat or as 87.txt, not both";
        return false;
      }
      if (!LoadJournal(journalPath, error)) return false;
    }
  }
  if (!taxesGiven) {
    std::vector<std::string>& taxes = files_[0x30];
    taxes.clear();
    static constexpr std::uint8_t kRates[] = {0x21, 0x15, 0x10, 0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < std::size(kRates); ++i) {
      taxes.push_back(
          std::string{static_cast<char>(i + 1), '\0', static_cast<char>(kRates[i]), '\0', '\0'});
    }
  }
  return true;
}

const std::vector<std::string>& Memory::AccountItems() {
  if (files_[0x67].empty()) return files_[0x91];
  std::optional<std::uint64_t> account = SelectedAccount();
  if (!account) return noItems_;
  auto it = accountItems_.find(*account);
  return it == accountItems_.end() ? noItems_ : it->second;
}

std::optional<std::uint64_t> Memory::SelectedAccount() {
  const std::string& record = files_[0x67].front();
  std::uint64_t account = 0;
  for (std::size_t i = 2; i < record.size(); ++i) {
    auto byte = static_cast<std::uint8_t>(record[i]);
    if ((byte >> 4) > 9 || (byte & 15) > 9) return std::nullopt;
    account = account * 100 + (byte >> 4) * 10 + (byte & 15);
  }
  return account;
}

void Memory::Save(std::uint8_t number) {
  if (!options_.save || options_.dataDirectory.empty()) return;
  std::string work;
  for (const std::string& record : files_[number]) convert::AppendWorkRecord(&work, record);
  program_.command.fileNumber = number;
  program_.command.dataFileName = FileName(number);
  try {
    frame::ProgramFile out =
        frame::ProgramFile::Open(program_, "work01.tmp", frame::OpenMode::kCreate);
    out.Write(work);
    out.Close();
    frame::ProgramFile in =
        frame::ProgramFile::Open(program_, "work01.tmp", frame::OpenMode::kRead);
    frame::ProgramFile data =
        frame::ProgramFile::Open(program_, FileName(number), frame::OpenMode::kCreate);
    convert::ConvertReceivedFile(program_, in, data);
    data.Close();
    in.Close();
  } catch (const frame::JobFailure& failure) {
    std::fprintf(stderr, "tarvik-register: file %02X not saved: error %d/%d\n", number,
                 failure.code(), failure.subcode());
    return;
  }
  // An existing file keeps its spelling.
  std::string target = program_.fs.Resolve(options_.dataDirectory + "/" + FileName(number));
  // Copied beside the target and renamed over it: a stop or a full disk never
  // leaves the register's file half written.
  std::string partial = target + ".part";
  std::error_code ec;
  fs::copy_file(program_.MakeProgramPath(FileName(number)), partial,
                fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(partial, target, ec);
  if (ec) {
    std::fprintf(stderr, "tarvik-register: %s: %s\n", target.c_str(), ec.message().c_str());
    std::error_code ignored;
    fs::remove(partial, ignored);
  }
}

Transcript::Transcript(const std::string& path) {
  if (path.empty()) return;
  file_ = std::fopen(path.c_str(), "w");
  if (file_) std::setvbuf(file_, nullptr, _IOLBF, 0);
}

Transcript::~Transcript() {
  if (file_) std::fclose(file_);
}

void Transcript::Line(char direction, const std::string& wireBytes) {
  if (!file_ || wireBytes.empty()) return;
  std::fprintf(file_, "%c %s\n", direction, wire::Hex(wireBytes).c_str());
}

void Transcript::Note(const std::string& text) {
  if (file_) std::fprintf(file_, "# %s\n", text.c_str());
}

Session::Session(const Options& options, Memory& memory, Transport& transport,
                 Transcript& transcript)
    : options_(options), memory_(memory), transport_(transport), transcript_(transcript) {}

bool Session::Read(std::string* out, std::size_t count, bool idle) {
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<Clock::time_point> deadline;
    if (!idle || i > 0) {
      deadline = Clock::now() + (i == 0 ? milliseconds(options_.idleMs) : kInterByte);
    }
    std::uint8_t byte = 0;
    if (!transport_.ReadByte(&byte, deadline)) return false;
    *out += static_cast<char>(byte);
    ++bytesIn_;
  }
  return true;
}

void Session::LogReceived() {
  transcript_.Line('>', transport_.TakeReceivedWire());
}

void Session::Send(const std::string& bytes) {
  transport_.Send(bytes);
  bytesOut_ += bytes.size();
  transcript_.Line('<', transport_.Network() ? wire::Stuff(bytes) : bytes);
}

std::uint8_t Session::StatusByte() const {
  if (!options_.keyInReg) return 0x00;
  return options_.model == "39T" ? 0x08 : 0x10;
}

std::string Session::Reply(std::uint8_t command, std::uint8_t status) {
  if (wrongEchoLeft_ > 0) {
    --wrongEchoLeft_;
    command ^= 0x01;
  }
  return wire::Frame(Body(command, status));
}

std::string Session::DataFrame(const std::string& record, std::uint32_t length) {
  std::string body = record;
  body.resize(length, '\0');
  return wire::Frame(body);
}

void Session::Statistics(std::uint8_t file, int frames) {
  if (!options_.chatter.empty()) {
    // Apart from the transfer, so that it travels on its own.
    std::this_thread::sleep_for(kChatterPause);
    Send(options_.chatter);
  }
  auto elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
  std::fprintf(stderr,
               "tarvik-register: transfer file=%02X frames=%d in=%llu out=%llu elapsed_ms=%.3f\n",
               file, frames, static_cast<unsigned long long>(bytesIn_),
               static_cast<unsigned long long>(bytesOut_), elapsed);
}

void Session::Run() {
  wrongEchoLeft_ = options_.wrongEcho;
  while (!transport_.Closed()) {
    std::string unit;
    if (!Read(&unit, 1, true)) {
      LogReceived();
      return;
    }
    start_ = Clock::now();
    bytesIn_ = 1;
    bytesOut_ = 0;
    std::uint8_t first = At(unit, 0);
    if (options_.answerSpeed != 0 && transport_.LineSpeed() != options_.answerSpeed) {
      // At another speed the register sees only noise.
      LogReceived();
      continue;
    }
    if (IsRequestByte(first)) {
      if (!Read(&unit, 3, false)) {
        LogReceived();
        continue;
      }
      // An acknowledge or reject nobody waits for (after a transfer ended).
      if (wire::CheckFrame(unit) &&
          (At(unit, 1) == wire::kAcknowledge || At(unit, 1) == wire::kReject)) {
        LogReceived();
        continue;
      }
      bool complete = Read(&unit, 1, false);
      LogReceived();
      if (complete) HandleRequest(unit);
      while (!pendingRequest_.empty()) {
        std::string request;
        request.swap(pendingRequest_);
        HandleRequest(request);
      }
      continue;
    }
    if (first == 'a' || first == 'A' || first == '+') {
      // Modem commands: taken in and logged, nothing more.
      std::uint8_t byte = 0;
      while (transport_.ReadByte(&byte, Clock::now() + milliseconds(50))) {
      }
    }
    LogReceived();
  }
}

bool Session::NewRequest(std::string* unit) {
  if (unit->size() != 4 || !IsRequestByte(At(*unit, 0))) return false;
  if (wire::CheckFrame(*unit) &&
      (At(*unit, 1) == wire::kAcknowledge || At(*unit, 1) == wire::kReject)) {
    return false;
  }
  if (!Read(unit, 1, false) || !wire::CheckFrame(*unit)) return false;
  LogReceived();
  pendingRequest_ = *unit;
  return true;
}

void Session::HandleRequest(const std::string& request) {
  if (!wire::CheckFrame(request) || options_.silent) return;
  std::uint8_t command = At(request, 0);
  std::uint8_t terminal = At(request, 1);
  std::uint8_t file = At(request, 2);
  if (command == wire::kIdentifyCommand) {
    Send(wire::Frame(Body(options_.identCode, options_.identVersion)));
    return;
  }
  bool fiscalCommand = command == wire::kReadCommandFiscal || command == wire::kWriteCommandFiscal;
  if (fiscalCommand != options_.fiscal || terminal != options_.terminal) return;
  if (command == wire::kReadCommand || command == wire::kReadCommandFiscal) {
    ServeRead(command, file);
  } else {
    ServeWrite(command, file);
  }
}

void Session::ServeRawText() {
  Send("YYYY" + options_.rawText);
  Statistics(0x59, 0);
}

void Session::ServeRead(std::uint8_t command, std::uint8_t file) {
  if (file == 0x59 && options_.rawTextSet) {
    ServeRawText();
    return;
  }
  std::uint32_t length = memory_.BlockLength(file);
  std::vector<std::string> frames;
  if (length > 0) {
    const std::vector<std::string>& records =
        file == 0x91 ? memory_.AccountItems() : memory_.File(file);
    for (const std::string& record : records) frames.push_back(DataFrame(record, length));
    // The item list ends with an empty item instead of the end marker.
    if (file == 0x91) frames.push_back(DataFrame(std::string(), length));
  }
  if (frames.empty()) {
    Send(wire::EndMarker());
    Statistics(file, 0);
    return;
  }
  std::string reply = Reply(command, StatusByte());

  // Sends frame `index` (behind `prefix`); false when the connection was closed.
  auto sendFrame = [&](std::size_t index, const std::string& prefix) {
    int number = static_cast<int>(index) + 1;
    std::string frame = frames[index];
    if (number == options_.corruptFrame && corruptions_[number] < options_.corruptCount) {
      ++corruptions_[number];
      frame.back() = static_cast<char>(frame.back() ^ 0x5A);
    }
    if (transport_.Network() && number == options_.splitFrame && !splitDone_) {
      splitDone_ = true;
      std::size_t half = (prefix.size() + frame.size()) / 2;
      std::string whole = prefix + frame;
      Send(whole.substr(0, half));
      std::this_thread::sleep_for(kSplitPause);
      Send(whole.substr(half));
    } else {
      Send(prefix + frame);
    }
    ++framesSent_;
    if (transport_.Network() && options_.closeAfter > 0 && framesSent_ >= options_.closeAfter) {
      transcript_.Note("connection closed");
      transport_.Close();
      return false;
    }
    return true;
  };

  if (!transport_.Network()) {
    Send(reply);
    if (!sendFrame(0, std::string())) return;
  } else if (options_.replyApart) {
    Send(reply);
    // The reply came alone, so the utility acknowledges it before the first
    // frame is sent.
    std::string acknowledge;
    bool got = Read(&acknowledge, 4, false);
    LogReceived();
    if (!got || !sendFrame(0, std::string())) return;
  } else {
    if (!sendFrame(0, reply)) return;
  }

  std::size_t index = 0;
  for (;;) {
    std::string answer;
    if (!Read(&answer, 2, false)) {
      LogReceived();
      return;
    }
    if (wire::StartsEndMarker(answer)) {
      Read(&answer, 2, false);
      LogReceived();
      Statistics(file, static_cast<int>(index));
      return;
    }
    bool complete = Read(&answer, 2, false);
    if (complete && NewRequest(&answer)) return;
    LogReceived();
    if (!complete) return;
    bool acknowledged =
        wire::CheckFrame(answer) && At(answer, 0) == command && At(answer, 1) == wire::kAcknowledge;
    if (acknowledged && ++index == frames.size()) {
      Send(wire::EndMarker());
      Statistics(file, static_cast<int>(index));
      return;
    }
    if (!sendFrame(index, std::string())) return;
  }
}

void Session::ServeWrite(std::uint8_t command, std::uint8_t file) {
  if (options_.operationFiles.count(file)) {
    memory_.File(file).clear();
    memory_.Save(file);
    Send(wire::EndMarker());
    Statistics(file, 0);
    return;
  }
  std::uint32_t length = memory_.BlockLength(file);
  if (length == 0) {
    Send(wire::EndMarker());
    return;
  }
  Send(Reply(command, StatusByte()));
  std::vector<std::string> received;
  for (;;) {
    std::string frame;
    if (!Read(&frame, 2, false)) {
      LogReceived();
      return;
    }
    if (wire::StartsEndMarker(frame)) {
      Read(&frame, 2, false);
      LogReceived();
      Commit(file, received);
      Statistics(file, static_cast<int>(received.size()));
      return;
    }
    bool complete = true;
    if (length + 2 >= 5) {
      complete = Read(&frame, 2, false);
      if (complete && NewRequest(&frame)) return;
    }
    complete = complete && Read(&frame, length + 2 - frame.size(), false);
    LogReceived();
    if (!complete) return;
    ++framesReceived_;
    int number = static_cast<int>(received.size()) + 1;
    if (options_.noFrameReplies) {
      continue;
    } else if (!wire::CheckFrame(frame)) {
      Send(Reply(command, wire::kReject));
    } else if (number == options_.rejectFrame && rejections_[number] < options_.rejectCount) {
      ++rejections_[number];
      Send(Reply(command, wire::kReject));
    } else {
      received.push_back(frame.substr(0, length));
      Send(Reply(command, wire::kAcknowledge));
    }
    if (transport_.Network() && options_.closeAfter > 0 && framesReceived_ >= options_.closeAfter) {
      transcript_.Note("connection closed");
      transport_.Close();
      return;
    }
  }
}

void Session::Commit(std::uint8_t file, const std::vector<std::string>& records) {
  // File 61 is file 03 written after clearing it.
  std::uint8_t target = file == 0x61 ? 0x03 : file;
  std::vector<std::string>& stored = memory_.File(target);
  if (file == 0x61) stored.clear();
  // A record takes the place of the stored one with the same number (its
  // first two bytes), a stock record that of the same PLU (bytes 2 to 8);
  // others are added at the end.
  const std::size_t keyAt = target == 0x65 ? 2 : 0;
  const std::size_t keyLength = target == 0x65 ? 7 : 2;
  for (const std::string& record : records) {
    auto same = std::find_if(stored.begin(), stored.end(), [&](const std::string& s) {
      return s.size() >= keyAt + keyLength && record.size() >= keyAt + keyLength &&
             s.compare(keyAt, keyLength, record, keyAt, keyLength) == 0;
    });
    if (same != stored.end()) {
      *same = record;
    } else {
      stored.push_back(record);
    }
  }
  memory_.Save(target);
}

}  // namespace tarvik::reg
