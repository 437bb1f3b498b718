// The TCP/IP transport: the connection to the register (port 14000 of the
// connection line's address), frames sent with every 0xFF doubled, and a
// receiving thread that hands what the register sends to the protocol one
// chunk per request.
//
// Hand-over, with manual-reset events: the receiver waits until the socket
// is bound (or quit); then, each time data is waiting, for the protocol's
// ChunkRequest (at most `timeout` seconds, else 109/1), reads it, removes
// the doubling and sets ChunkReady; the protocol waits for ChunkReady at
// most `timeout` seconds (else 110/1). A connection the register closes is
// 106/1; a receive error is 106 with the system's error number.
//
// A failure on the receiving thread while the protocol waits for a chunk is
// handed to the protocol, whose thread takes the failure exit; otherwise
// (109/1: nobody asks) the receiving thread takes it at its own boundary.
// Either way one thread runs the exit, and the exit's closing of the link
// never waits for a thread parked in it: the receiver is joined only once it
// has ended, within kReceiverEndLimit.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "frame/errors.h"
#include "frame/event.h"
#include "frame/program.h"
#include "link/activity.h"
#include "link/wire.h"
#include "platform/tcp_socket.h"

namespace tarvik::link {

inline constexpr std::uint16_t kRegisterPort = 14000;
inline constexpr std::size_t kChunkLimit = 4096;
inline constexpr std::chrono::milliseconds kReceiverEndLimit{2000};

class NetworkLink {
 public:
  NetworkLink(frame::Program& program, Activity& activity);
  ~NetworkLink();
  NetworkLink(const NetworkLink&) = delete;
  NetworkLink& operator=(const NetworkLink&) = delete;

  // Starts the receiving thread (once per job; a running one stays).
  void StartNetwork();
  // Connects unless connected; the attempt gives up after `timeout` seconds.
  // 103/6: no socket; 103/7: no connection (also a malformed address).
  void ConnectRegister();
  bool Connected() const;
  // Appends the check bytes, doubles 0xFF and sends (unless noLink). A send
  // that fails or does not finish within `timeout` seconds is 105/1.
  void SendNetworkFrame(std::string_view body);
  // The next chunk, waiting at most `timeout` seconds (110/1). An empty
  // chunk stands for a receive that found nothing.
  std::string TakeChunk();
  // The same with a limit of the caller's; nothing when it passes.
  std::optional<std::string> TakeChunkWithin(std::chrono::milliseconds limit);
  // Ends the receiving thread and closes the socket. From the receiving
  // thread itself (its failure exit) the socket is only shut down.
  void CloseNetwork();

 private:
  void ReceiverMain();
  void ReceiveLoop();
  bool QuitRequested() const;
  std::chrono::milliseconds Timeout() const;

  frame::Program& program_;
  Activity& activity_;

  frame::ManualResetEvent socketEvent_;
  frame::ManualResetEvent quitEvent_;
  frame::ManualResetEvent chunkRequestEvent_;
  frame::ManualResetEvent chunkReadyEvent_;
  frame::ManualResetEvent receiverEnded_;

  // Guards the socket's lifetime, the chunk and a failure of the receiver.
  mutable std::mutex mutex_;
  std::unique_ptr<platform::TcpSocket> socket_;
  bool connected_ = false;
  std::deque<std::string> chunks_;  // ChunkReady is set exactly while it is not empty
  std::optional<frame::JobFailure> receiverFailure_;
  bool protocolWaiting_ = false;  // in TakeChunkWithin
  std::thread::id receiverId_;
  wire::Unstuffer unstuffer_;  // the receiving thread's only
  std::thread receiver_;
};

}  // namespace tarvik::link
