#include "register/emulator.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "convert/format_table.h"
#include "convert/received.h"
#include "convert/send.h"
#include "convert/work_file.h"
#include "frame/errors.h"
#include "frame/program_file.h"
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

bool Memory::Load(std::string* error) {
  if (options_.dataDirectory.empty()) return true;
  std::error_code ec;
  fs::directory_iterator it(options_.dataDirectory, ec);
  if (ec) {
    *error = options_.dataDirectory + ": " + ec.message();
    return false;
  }
  for (const fs::directory_entry& entry : it) {
    std::string name = entry.path().filename().string();
    if (name.size() != 6) continue;
    std::string extension = name.substr(2);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    int high = HexDigit(name[0]);
    int low = HexDigit(name[1]);
    if (extension != ".dat" || high < 0 || low < 0) continue;
    auto number = static_cast<std::uint8_t>(high * 16 + low);
    fs::copy_file(entry.path(), program_.MakeProgramPath(FileName(number)),
                  fs::copy_options::overwrite_existing, ec);
    program_.command.fileNumber = number;
    program_.command.DataFileName = FileName(number);
    try {
      convert::BuildSendFile(program_);
      frame::ProgramFile work = frame::ProgramFile::Open(program_, "work02.tmp", 'r');
      convert::WorkFileReader reader(work);
      std::vector<std::string>& records = files_[number];
      records.clear();
      std::string record;
      while (reader.ReadWorkRecord(&record)) records.push_back(record);
      work.Close();
    } catch (const frame::JobFailure& failure) {
      *error = entry.path().string() + ": error " + std::to_string(failure.code()) + "/" +
               std::to_string(failure.subcode());
      return false;
    }
  }
  return true;
}

void Memory::Save(std::uint8_t number) {
  if (!options_.save || options_.dataDirectory.empty()) return;
  std::string work;
  for (const std::string& record : files_[number]) convert::AppendWorkRecord(&work, record);
  program_.command.fileNumber = number;
  program_.command.DataFileName = FileName(number);
  try {
    frame::ProgramFile out = frame::ProgramFile::Open(program_, "work01.tmp", 'w');
    out.Write(work);
    out.Close();
    frame::ProgramFile in = frame::ProgramFile::Open(program_, "work01.tmp", 'r');
    frame::ProgramFile data = frame::ProgramFile::Open(program_, FileName(number), 'w');
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
  std::error_code ec;
  fs::copy_file(program_.MakeProgramPath(FileName(number)), target,
                fs::copy_options::overwrite_existing, ec);
  if (ec) std::fprintf(stderr, "tarvik-register: %s: %s\n", target.c_str(), ec.message().c_str());
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
    for (const std::string& record : memory_.File(file))
      frames.push_back(DataFrame(record, length));
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
  // first two bytes); others are added at the end.
  for (const std::string& record : records) {
    auto same = std::find_if(stored.begin(), stored.end(), [&](const std::string& s) {
      return s.size() >= 2 && record.size() >= 2 && s.compare(0, 2, record, 0, 2) == 0;
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
