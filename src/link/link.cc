#include "link/link.h"
#include "frame/interrupt.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "convert/format_table.h"
#include "convert/send.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/replacing_file.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "link/activity.h"
#include "link/network_link.h"
#include "link/serial_line.h"
#include "link/wire.h"

namespace tarvik::link {

using std::chrono::milliseconds;

namespace {

constexpr unsigned kRawTextWaitMs = 4000;
constexpr int kAttempts = 3;

bool IsReportFile(std::uint8_t file) {
  return (file >= 0x70 && file <= 0x85) || file == 0x65 || file == 0x66;
}

std::string Body(std::uint8_t a, std::uint8_t b) {
  std::string body;
  body += static_cast<char>(a);
  body += static_cast<char>(b);
  return body;
}

std::uint8_t Byte(const std::string& bytes, std::size_t i) {
  return static_cast<std::uint8_t>(bytes[i]);
}

}  // namespace

struct RegisterLink::State {
  explicit State(frame::Program& p) : program(p), activity(p), serial(p), network(p, activity) {}

  frame::Program& program;
  Activity activity;
  SerialLine serial;
  NetworkLink network;

  bool registerIsFiscal = false;
  bool discovery = false;
  std::uint8_t currentCommand = 0;
  bool accepted = false;
  bool rejected = false;
  bool end = false;
  bool keyInReg = false;
  std::uint8_t lastStatus = 0;
  // Network: what came behind the request reply in its chunk.
  bool pendingFrame = false;
  std::string pending;
  std::uint32_t blockLength = 0;

  bool Network() const { return program.connection.linkType == frame::LinkType::kTcpIp; }
  const frame::JobSettings& Settings() const { return program.settings; }

  // Runs a transfer; a failure that does not say where it happened (a
  // register that does not answer, a broken frame) gets the port or address.
  // A stopped job was stopped from outside, wherever the register is.
  template <typename Body>
  void Transfer(Body body) {
    try {
      body();
    } catch (frame::JobFailure& failure) {
      if (failure.context().empty() && failure.code() != frame::kInterruptedCode) {
        const frame::ConnectionLine& c = program.connection;
        failure.AddOuterContext(
            Network() ? frame::W("pokladna na adrese ") + c.ipAddress
                      : frame::Format("COM%d %s", c.comNumber,
                                      frame::ComDevice(program, c.comNumber).c_str()));
      }
      throw;
    }
  }
  void Sleep(unsigned ms) { frame::PauseUnlessStopped(program, milliseconds(ms)); }
  std::uint8_t FileNumber() const { return program.command.fileNumber; }
  std::uint8_t ReadCommandByte() const {
    return registerIsFiscal ? wire::kReadCommandFiscal : wire::kReadCommand;
  }
  std::uint8_t WriteCommandByte() const {
    return registerIsFiscal ? wire::kWriteCommandFiscal : wire::kWriteCommand;
  }

  void OpenConnection(frame::ErrorPair notOpened) {
    if (Network()) {
      network.ConnectRegister();
      return;
    }
    if (serial.OpenSerialPort()) return;
    frame::Fail(
        notOpened, serial.OpenError(),
        frame::Format("COM%d ", program.connection.comNumber) + frame::W(serial.OpenFailure()));
  }

  bool SendFrame(std::string_view body) {
    if (Network()) {
      network.SendNetworkFrame(body);
      return true;
    }
    return serial.WriteLinkBytes(body, true);
  }

  // A failed acknowledge or reject is not reported: the register repeats,
  // or a later wait runs out.
  void SendAcknowledge() { SendFrame(Body(currentCommand, wire::kAcknowledge)); }
  void SendReject() { SendFrame(Body(currentCommand, wire::kReject)); }
  void SendEndMarker() {
    if (!SendFrame(Body(wire::kEndByte, wire::kEndByte)))
      frame::Fail(frame::error::kEndMarkerNotSent);
  }

  void SendRequest(std::uint8_t command, std::uint8_t fileNumber, frame::ErrorPair notSent) {
    if (!Network()) serial.DrainInput();
    currentCommand = command;
    std::string body;
    body += static_cast<char>(command);
    body += static_cast<char>(static_cast<std::uint8_t>(program.connection.terminalNumber));
    body += static_cast<char>(fileNumber);
    if (!SendFrame(body)) frame::Fail(notSent);
  }

  // Serial: `count` bytes, each read under the current time-out.
  bool ReadSerial(std::string* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (!serial.ReadLinkByte()) return false;
      *out += static_cast<char>(serial.LastByte());
    }
    return true;
  }

  // Network: chunks joined until `count` bytes are there (an end marker
  // needs only its 4).
  std::string TakeAtLeast(std::string bytes, std::size_t count) {
    while (bytes.size() < count && !(bytes.size() >= 4 && wire::StartsEndMarker(bytes))) {
      bytes += network.TakeChunk();
    }
    return bytes;
  }

  // Four reply bytes; false when they did not all come.
  bool ReadReply(std::string* reply, unsigned firstByteMs, unsigned otherBytesMs) {
    reply->clear();
    if (Network()) {
      std::string bytes = TakeAtLeast(network.TakeChunk(), wire::kReplyLength);
      *reply = bytes.substr(0, wire::kReplyLength);
      pending = bytes.substr(wire::kReplyLength);
      return true;
    }
    serial.SetReadTimeout(firstByteMs);
    if (!ReadSerial(reply, 1)) return false;
    serial.SetReadTimeout(otherBytesMs);
    return ReadSerial(reply, wire::kReplyLength - 1);
  }

  bool WaitRequestReply(unsigned seconds) {
    accepted = false;
    rejected = false;
    std::string reply;
    bool complete = ReadReply(&reply, seconds * 1000, seconds * 1000);
    if (Network()) pendingFrame = true;
    if (!complete || !wire::CheckFrame(reply)) return false;
    if (wire::StartsEndMarker(reply)) {
      accepted = true;
      end = true;
      return true;
    }
    end = false;
    if (Byte(reply, 0) != currentCommand) return false;
    lastStatus = Byte(reply, 1);
    std::uint8_t reg = program.connection.modelNumber == 1 ? 0x08 : 0x10;
    keyInReg = (lastStatus & 0xFE) == reg;
    if ((lastStatus & 1) == 0) {
      accepted = true;
    } else if (lastStatus == wire::kReject) {
      rejected = true;
    } else if (discovery) {
      return false;
    } else {
      // The reply itself was wrong; no system call failed.
      frame::Fail(frame::error::kUnexpectedReply);
    }
    return true;
  }

  frame::ProgramFile OpenTransfer(bool read) {
    pending.clear();
    pendingFrame = false;
    frame::ProgramFile work =
        read ? frame::ProgramFile::Open(program, "work01.tmp", frame::OpenMode::kCreate)
             : frame::ProgramFile::Open(program, "work02.tmp", frame::OpenMode::kRead);
    std::uint8_t command = read ? ReadCommandByte() : WriteCommandByte();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      SendRequest(command, FileNumber(),
                  read ? frame::error::kReadRequestNotSent : frame::error::kWriteRequestNotSent);
      WaitRequestReply(read ? 1 : 2);
      if (accepted) return work;
    }
    frame::Fail(read ? frame::error::kNoAnswerToReadRequest
                     : frame::error::kNoAnswerToWriteRequest);
  }

  // One data frame into the work file; false when it was bad.
  bool ReceiveDataFrame(frame::ProgramFile& work) {
    end = false;
    const std::size_t length = blockLength + 2;
    std::string frame;
    if (Network()) {
      if (pendingFrame) {
        pendingFrame = false;
        frame = std::move(pending);
        pending.clear();
        // The reply came alone: nothing to store, and the caller's
        // acknowledge asks for the first frame.
        if (frame.empty()) return true;
        frame = TakeAtLeast(std::move(frame), length);
      } else {
        frame = TakeAtLeast(network.TakeChunk(), length);
      }
      frame.resize(wire::StartsEndMarker(frame) ? 4 : length);
    } else {
      serial.SetReadTimeout(static_cast<unsigned>(std::max(Settings().timeout, 1)) * 1000);
      if (!ReadSerial(&frame, 1)) return false;
      serial.SetReadTimeout(1000);
      if (!ReadSerial(&frame, std::min<std::size_t>(length, 2) - 1)) return false;
      std::size_t total = wire::StartsEndMarker(frame) ? 4 : length;
      if (frame.size() < total && !ReadSerial(&frame, total - frame.size())) return false;
    }
    if (wire::StartsEndMarker(frame)) end = true;
    if (!wire::CheckFrame(frame)) return false;

    if (FileNumber() == 0x91 && !end) {
      bool allZero = std::all_of(frame.begin() + std::min<std::size_t>(2, blockLength),
                                 frame.begin() + blockLength, [](char c) { return c == 0; });
      if (blockLength <= 2 || allZero) {
        SendEndMarker();
        end = true;
        return true;
      }
    }
    if (end) return true;

    std::string pairs;
    pairs.reserve(2 * blockLength);
    for (std::uint32_t i = 0; i < blockLength; ++i) {
      pairs += frame[i];
      pairs += static_cast<char>(i + 1 == blockLength ? 0xFF : 0x00);
    }
    work.Write(pairs);
    return true;
  }

  enum class FrameReply { kAcknowledged, kRejected, kNone };

  FrameReply WaitFrameReply() {
    accepted = false;
    rejected = false;
    std::string reply;
    if (!ReadReply(&reply, kFrameReplyFirstByteMs, 0)) return FrameReply::kNone;
    if (!wire::CheckFrame(reply) || Byte(reply, 0) != currentCommand) return FrameReply::kNone;
    if (Byte(reply, 1) == wire::kAcknowledge) {
      accepted = true;
      return FrameReply::kAcknowledged;
    }
    if (Byte(reply, 1) == wire::kReject) {
      rejected = true;
      return FrameReply::kRejected;
    }
    frame::Fail(frame::error::kUnexpectedReply);
  }

  bool WaitEndMarker(unsigned seconds) {
    std::string reply;
    if (!ReadReply(&reply, seconds * 1000, seconds * 1000)) return false;
    return wire::CheckFrame(reply) && wire::StartsEndMarker(reply);
  }

  void ReceiveFrames(frame::ProgramFile& work) {
    const frame::JobSettings& s = Settings();
    for (;;) {
      std::uint64_t position = work.Position();
      if (ReceiveDataFrame(work)) {
        if (end) return;
        if (!s.stahujvzdy && keyInReg && IsReportFile(FileNumber())) {
          SendEndMarker();
          frame::Fail(frame::error::kKeyInRegAtReport);
        }
      } else {
        bool good = false;
        for (int repeat = 0; repeat < kAttempts && !good; ++repeat) {
          SendReject();
          activity.ErrorBeep();
          work.Seek(position);
          good = ReceiveDataFrame(work);
        }
        if (!good) frame::Fail(frame::error::kFrameCheckFailed);
        if (end) return;
      }
      SendAcknowledge();
      activity.CountFrame(8);
    }
  }

  // Reads the next frame's pairs; false at the end of the work file.
  bool NextFrameBody(frame::ProgramFile& work, std::string* body) {
    body->clear();
    std::uint8_t data = 0;
    std::uint8_t marker = 0;
    bool any = false;
    while (work.ReadByte(&data)) {
      any = true;
      if (body->size() == blockLength) frame::Fail(frame::error::kWorkRecordTooLong);
      *body += static_cast<char>(data);
      if (!work.ReadByte(&marker) || marker != 0) break;
    }
    // A record that ends early goes out filled with zero bytes.
    body->resize(blockLength, '\0');
    return any;
  }

  void SendFrames(frame::ProgramFile& work) {
    int failures = 0;  // for the whole file: acknowledged frames do not reset it
    std::string body;
    for (;;) {
      std::uint64_t position = work.Position();
      if (!NextFrameBody(work, &body)) {
        SendEndMarker();
        return;
      }
      if (!SendFrame(body)) frame::Fail(frame::error::kFrameNotSent);
      activity.CountFrame(10);
      if (failures > 2) frame::Fail(frame::error::kFrameRejectedTooOften);
      if (WaitFrameReply() == FrameReply::kAcknowledged) continue;
      ++failures;
      activity.ErrorBeep();
      work.Seek(position);
    }
  }

  void RemoveWorkFile(const char* name) {
    bool missing = false;
    platform::OsError error = 0;
    program.fs.Remove(program.MakeProgramPath(name), &missing, &error);
  }
};

RegisterLink::RegisterLink(frame::Program& program) : state_(std::make_unique<State>(program)) {
  program.closeLink = [this] { Close(); };
}

RegisterLink::~RegisterLink() {
  state_->program.closeLink = nullptr;
  try {
    Close();
  } catch (const frame::JobFailure&) {
    // A modem that does not hang up at the very end changes nothing now.
  }
}

void RegisterLink::ReceiveRegisterFile() {
  state_->Transfer([this] { ReceiveRegisterFileBody(); });
}

void RegisterLink::ReceiveRegisterFileBody() {
  State& st = *state_;
  const frame::JobSettings& s = st.Settings();
  if (s.noLink) {
    // No traffic at all: the read gives an empty file.
    frame::ProgramFile::Open(st.program, "work01.tmp", frame::OpenMode::kCreate).Close();
    return;
  }
  st.OpenConnection(frame::error::kPortNotOpenedForRead);
  st.Sleep(150);
  st.activity.ResetCounter();
  st.activity.Show();
  frame::ProgramFile work = st.OpenTransfer(true);
  if (!st.end) {
    st.blockLength = convert::BlockLength(st.program, st.FileNumber());
    st.ReceiveFrames(work);
  }
  st.activity.Hide();
  work.Close();
}

void RegisterLink::SendRegisterFile() {
  state_->Transfer([this] { SendRegisterFileBody(); });
}

void RegisterLink::SendRegisterFileBody() {
  State& st = *state_;
  const frame::JobSettings& s = st.Settings();
  convert::BuildSendFile(st.program);
  if (s.noLink) return;  // work02.tmp stays
  st.OpenConnection(frame::error::kPortNotOpenedForWrite);
  if (!st.Network() && !s.leaveDtr) {
    st.serial.SetDtr(true);
    st.Sleep(150);
  }
  st.activity.ResetCounter();
  st.activity.Show();
  frame::ProgramFile work;
  if (s.simulace) {
    st.Sleep(2000);
    st.program.lastError.lastErrorCode = 0;
    st.program.lastError.lastErrorSubcode = 0;
  } else {
    work = st.OpenTransfer(false);
    if (!st.end) {
      st.blockLength = convert::BlockLength(st.program, st.FileNumber());
      st.SendFrames(work);
    }
  }
  st.activity.Hide();
  if (work.IsOpen()) work.Close();
  if (!s.debug) st.RemoveWorkFile("work02.tmp");
}

void RegisterLink::ClearRegisterFile() {
  state_->Transfer([this] { ClearRegisterFileBody(); });
}

void RegisterLink::ClearRegisterFileBody() {
  State& st = *state_;
  const frame::JobSettings& s = st.Settings();
  if (s.simulace) {
    st.Sleep(2000);
    st.program.lastError.lastErrorCode = 0;
    st.program.lastError.lastErrorSubcode = 0;
    return;
  }
  if (s.noLink) return;
  st.OpenConnection(frame::error::kPortNotOpenedForClear);
  if (!st.Network() && !s.leaveDtr) {
    st.serial.SetDtr(true);
    st.Sleep(100);
  }
  st.pending.clear();
  st.pendingFrame = false;
  unsigned seconds = static_cast<unsigned>(3 * std::max(s.timeout, 1) / 2);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    st.SendRequest(st.WriteCommandByte(), st.FileNumber(), frame::error::kWriteRequestNotSent);
    if (st.WaitEndMarker(seconds)) return;
  }
  frame::Fail(frame::error::kNoAnswerToClear);
}

void RegisterLink::DownloadRawText() {
  state_->Transfer([this] { DownloadRawTextBody(); });
}

void RegisterLink::DownloadRawTextBody() {
  State& st = *state_;
  const frame::JobSettings& s = st.Settings();
  if (!s.noLink) {
    st.OpenConnection(frame::error::kPortNotOpenedForRawText);
    st.Sleep(150);
    st.activity.ResetCounter();
    st.end = false;
  }
  // A text cut short by a failure never replaces the text of an earlier job.
  frame::ReplacingFile replacing(st.program, st.program.command.dataFileName);
  frame::ProgramFile& data = replacing.file();
  if (s.noLink) {
    replacing.Commit();
    return;
  }
  st.SendRequest(st.ReadCommandByte(), st.FileNumber(), frame::error::kReadRequestNotSent);
  std::uint64_t count = 0;
  auto store = [&](char c) {
    data.WriteByte(static_cast<std::uint8_t>(c));
    if (count++ % 64 == 0) st.activity.Tick(true);
  };
  if (st.Network()) {
    std::string stream;
    while (stream.size() < 4) {
      std::optional<std::string> chunk = st.network.TakeChunkWithin(milliseconds(kRawTextWaitMs));
      if (!chunk) frame::Fail(frame::error::kRawTextNotReceived);
      stream += *chunk;
    }
    if (stream.compare(0, 4, "YYYY") != 0) frame::Fail(frame::error::kRawTextNotReceived);
    for (std::size_t i = 4; i < stream.size(); ++i) store(stream[i]);
    while (std::optional<std::string> chunk =
               st.network.TakeChunkWithin(milliseconds(kRawTextWaitMs))) {
      for (char c : *chunk) store(c);
    }
    replacing.Commit();
    return;
  }
  st.serial.SetReadTimeout(kRawTextWaitMs);
  for (int i = 0; i < 4; ++i) {
    if (!st.serial.ReadLinkByte() || st.serial.LastByte() != 'Y')
      frame::Fail(frame::error::kRawTextNotReceived);
  }
  while (st.serial.ReadLinkByte()) store(static_cast<char>(st.serial.LastByte()));
  replacing.Commit();
  st.serial.CloseSerialPort();
}

void RegisterLink::StartNetwork() {
  state_->network.StartNetwork();
}
void RegisterLink::CloseNetwork() {
  state_->network.CloseNetwork();
}
void RegisterLink::CloseSerialPort() {
  state_->serial.CloseSerialPort();
}

void RegisterLink::Close() {
  state_->network.CloseNetwork();
  state_->serial.CloseSerialPort();
}

void RegisterLink::SetRegisterIsFiscal(bool fiscal) {
  state_->registerIsFiscal = fiscal;
}
bool RegisterLink::RegisterIsFiscal() const {
  return state_->registerIsFiscal;
}
void RegisterLink::SetRawCapture(frame::ProgramFile* capture) {
  state_->serial.SetRawCapture(capture);
}

SerialLine& RegisterLink::Serial() {
  return state_->serial;
}
NetworkLink& RegisterLink::Network() {
  return state_->network;
}
Activity& RegisterLink::ActivityIndicator() {
  return state_->activity;
}
void RegisterLink::SetDiscoveryRunning(bool running) {
  state_->discovery = running;
}
void RegisterLink::SendRequest(std::uint8_t command, std::uint8_t fileNumber,
                               frame::ErrorPair notSent) {
  state_->SendRequest(command, fileNumber, notSent);
}
bool RegisterLink::WaitRequestReply(unsigned seconds) {
  return state_->WaitRequestReply(seconds);
}
bool RegisterLink::SendFrame(std::string_view body) {
  return state_->SendFrame(body);
}
void RegisterLink::SendAcknowledge() {
  state_->SendAcknowledge();
}
void RegisterLink::SendReject() {
  state_->SendReject();
}
std::uint8_t RegisterLink::ReadCommandByte() const {
  return state_->ReadCommandByte();
}
std::uint8_t RegisterLink::WriteCommandByte() const {
  return state_->WriteCommandByte();
}
std::uint8_t RegisterLink::CurrentCommand() const {
  return state_->currentCommand;
}
bool RegisterLink::Accepted() const {
  return state_->accepted;
}
bool RegisterLink::Rejected() const {
  return state_->rejected;
}
bool RegisterLink::EndSeen() const {
  return state_->end;
}
bool RegisterLink::KeyInReg() const {
  return state_->keyInReg;
}
std::uint8_t RegisterLink::LastStatus() const {
  return state_->lastStatus;
}

}  // namespace tarvik::link
