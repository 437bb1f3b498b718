#include "link/network_link.h"

#include <algorithm>
#include <cstdlib>

#include "frame/codepage.h"
#include "frame/failure.h"
#include "frame/interrupt.h"
#include "frame/status.h"
#include "platform/process.h"

namespace tarvik::link {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

// The connection line's address, blanks around it dropped. "a.b.c.d:port"
// reaches a register (or an emulator) on another port than 14000.
void SplitAddress(const std::string& text, std::string* address, std::uint16_t* port) {
  std::size_t begin = text.find_first_not_of(' ');
  std::size_t end = text.find_last_not_of(' ');
  *address = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
  *port = kRegisterPort;
  std::size_t colon = address->find(':');
  if (colon == std::string::npos) return;
  long value = std::strtol(address->c_str() + colon + 1, nullptr, 10);
  if (value > 0 && value < 65536) *port = static_cast<std::uint16_t>(value);
  address->resize(colon);
}

}  // namespace

NetworkLink::NetworkLink(frame::Program& program, Activity& activity)
    : program_(program), activity_(activity) {}

NetworkLink::~NetworkLink() {
  CloseNetwork();
}

milliseconds NetworkLink::Timeout() const {
  int seconds = program_.settings.timeout < 1 ? 1 : program_.settings.timeout;
  return milliseconds(seconds * 1000);
}

bool NetworkLink::QuitRequested() const {
  return quitEvent_.IsSet();
}

bool NetworkLink::Connected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connected_;
}

void NetworkLink::StartNetwork() {
  if (receiver_.joinable()) return;
  quitEvent_.Reset();
  socketEvent_.Reset();
  chunkRequestEvent_.Reset();
  chunkReadyEvent_.Reset();
  unstuffer_.Reset();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    socket_.reset();
    connected_ = false;
    chunks_.clear();
    receiverFailure_.reset();
    receiverEnded_.Reset();
    receiver_ = std::thread([this] { ReceiverMain(); });
    receiverId_ = receiver_.get_id();
  }
}

void NetworkLink::ConnectRegister() {
  if (Connected()) return;
  if (!receiver_.joinable()) StartNetwork();
  std::string address;
  std::uint16_t port = kRegisterPort;
  SplitAddress(program_.connection.ipAddress, &address, &port);
  frame::TerminalWriteDebug(program_, frame::Format("Adresa pokladny = %s \r", address.c_str()));
  platform::OsError error = 0;
  std::string what;
  auto socket = platform::ConnectTcp(address, port, steady_clock::now() + Timeout(), &error, &what);
  if (!socket) {
    frame::Fail(what == "socket" ? frame::error::kSocketNotMade : frame::error::kNotConnected,
                error,
                frame::Format("%s:%u: %s: %s", address.c_str(), port, what.c_str(),
                              frame::W(platform::SystemErrorText(error)).c_str()));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    socket_ = std::move(socket);
    connected_ = true;
  }
  socketEvent_.Set();
}

void NetworkLink::SendNetworkFrame(std::string_view body) {
  std::string stuffed = wire::Stuff(wire::Frame(body));
  if (program_.settings.noLink) return;
  platform::TcpSocket* socket = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    socket = socket_.get();
  }
  std::size_t sent = 0;
  platform::OsError error = 0;
  platform::IoStatus status = platform::IoStatus::kError;
  if (socket) {
    status = socket->Send(stuffed.data(), stuffed.size(), &sent, steady_clock::now() + Timeout(),
                          &error);
  }
  activity_.CountFrame(8);
  frame::TerminalWriteRaw(program_, "Odeslana data: " + wire::Hex(stuffed) + "\r");
  if (sent != stuffed.size()) {
    frame::TerminalWriteRaw(program_, "Byl prenesen jiny pocet bajtu nez je pozadovano.\r");
  }
  if (status != platform::IoStatus::kOk) frame::Fail(frame::error::kNetworkSendFailed, error);
}

std::string NetworkLink::TakeChunk() {
  std::optional<std::string> chunk = TakeChunkWithin(Timeout());
  if (!chunk) frame::Fail(frame::error::kNetworkTimeout);
  return std::move(*chunk);
}

std::optional<std::string> NetworkLink::TakeChunkWithin(milliseconds limit) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    protocolWaiting_ = true;
  }
  chunkRequestEvent_.Set();
  // In slices, so that a stop request ends the job within one.
  const auto deadline = steady_clock::now() + limit;
  bool ready = false;
  bool stopped = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    ready = chunkReadyEvent_.WaitFor(std::clamp(left, milliseconds(0), frame::kStopCheckInterval));
    stopped = program_.directoryLock.StopRequested() != 0;
    if (ready || stopped || left <= frame::kStopCheckInterval) break;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  protocolWaiting_ = false;
  if (stopped) frame::ThrowIfStopRequested(program_);
  if (receiverFailure_) throw *receiverFailure_;
  if (!ready) return std::nullopt;
  if (chunks_.empty()) {  // woken by a close
    chunkReadyEvent_.Reset();
    return std::nullopt;
  }
  std::string chunk = std::move(chunks_.front());
  chunks_.pop_front();
  if (chunks_.empty()) chunkReadyEvent_.Reset();
  return chunk;
}

void NetworkLink::ReceiverMain() {
  try {
    frame::RunGuarded(program_, [this] {
      try {
        ReceiveLoop();
      } catch (const frame::JobFailure& failure) {
        std::lock_guard<std::mutex> lock(mutex_);
        receiverFailure_ = failure;
        chunkReadyEvent_.Set();
        // The waiting protocol takes the exit; a close under way is not
        // failed again.
        if (!protocolWaiting_ && !quitEvent_.IsSet()) throw;
      }
    });
  } catch (const platform::ProcessEnding&) {
    // Only a test's stand-in for the process ends a thread this way.
  }
  receiverEnded_.Set();
}

void NetworkLink::ReceiveLoop() {
  socketEvent_.Wait();
  if (QuitRequested()) return;
  platform::TcpSocket* socket = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    socket = socket_.get();
  }
  if (!socket) return;
  std::string buffer(kChunkLimit, '\0');
  for (;;) {
    platform::OsError error = 0;
    platform::WaitResult waited = socket->WaitReadable(std::nullopt, &error);
    if (QuitRequested()) return;
    if (waited == platform::WaitResult::kInterrupted) continue;
    if (waited == platform::WaitResult::kError)
      frame::Fail(frame::error::NetworkReceiveFailed(error), error);
    if (!chunkRequestEvent_.WaitFor(Timeout())) {
      if (QuitRequested()) return;
      frame::Fail(frame::error::kNetworkReceiverFailed);
    }
    if (QuitRequested()) return;
    chunkRequestEvent_.Reset();
    std::size_t got = 0;
    platform::IoStatus status = socket->Receive(buffer.data(), buffer.size(), &got, &error);
    activity_.CountFrame(8);
    // The register closing the connection would otherwise read as endless
    // empty chunks.
    if (status == platform::IoStatus::kHangUp) frame::Fail(frame::error::kClosedByRegister);
    if (status != platform::IoStatus::kOk)
      frame::Fail(frame::error::NetworkReceiveFailed(error), error);
    std::string chunk = unstuffer_.Feed(std::string_view(buffer.data(), got));
    std::lock_guard<std::mutex> lock(mutex_);
    chunks_.push_back(std::move(chunk));
    chunkReadyEvent_.Set();
  }
}

void NetworkLink::CloseNetwork() {
  bool onReceiver = false;
  quitEvent_.Set();
  socketEvent_.Set();
  chunkRequestEvent_.Set();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    onReceiver = receiverId_ == std::this_thread::get_id();
    if (socket_) {
      socket_->Interrupt();
      // The failure exit on the receiving thread: the job thread may still
      // use the descriptor, so it is shut down, not closed.
      if (onReceiver) socket_->Shutdown();
    }
  }
  if (onReceiver) return;
  if (receiver_.joinable()) {
    // A receiver that does not end is parked in the failure exit of its own,
    // which ends the process; waiting for it would only block that exit.
    if (receiverEnded_.WaitFor(kReceiverEndLimit)) {
      receiver_.join();
    } else {
      receiver_.detach();
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  receiverId_ = std::thread::id();
  socket_.reset();
  connected_ = false;
  chunks_.clear();
  receiverFailure_.reset();
  socketEvent_.Reset();
  chunkRequestEvent_.Reset();
  chunkReadyEvent_.Reset();
  quitEvent_.Reset();
}

}  // namespace tarvik::link
