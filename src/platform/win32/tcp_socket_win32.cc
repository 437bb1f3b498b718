#include "platform/win32/windows_api.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "platform/ipv4_address.h"
#include "platform/tcp_socket.h"

namespace tarvik::platform {
namespace {

using std::chrono::steady_clock;

// Winsock is started once for the process and stopped at its end.
class Winsock {
 public:
  Winsock() {
    WSADATA data;
    result_ = ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() {
    if (result_ == 0) ::WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  int result() const { return result_; }

 private:
  int result_;
};

// 0 when Winsock is ready, else the reason it is not.
int StartWinsock() {
  static Winsock winsock;
  return winsock.result();
}

OsError LastSocketError() {
  return static_cast<OsError>(::WSAGetLastError());
}

DWORD WaitMs(std::optional<Deadline> deadline) {
  return deadline ? static_cast<DWORD>(MillisecondsUntil(*deadline)) : WSA_INFINITE;
}

// One select() on `s` for reading or writing, also watching for failure,
// for up to `ms`: 1 ready (with *broken telling a failure), 0 not, -1 error.
int SelectOne(SOCKET s, bool write, DWORD ms, bool* broken) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(s, &ready);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(s, &failed);
  timeval wait;
  wait.tv_sec = static_cast<long>(ms / 1000);
  wait.tv_usec = static_cast<long>((ms % 1000) * 1000);
  int r = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait);
  if (r == SOCKET_ERROR) return -1;
  if (broken) *broken = FD_ISSET(s, &failed) != 0;
  return r > 0 ? 1 : 0;
}

// Whether `s` can be read now without blocking (data, a pending connection
// on a listener, or the peer's close): 1 yes, 0 no, -1 error.
int ReadableNow(SOCKET s) {
  return SelectOne(s, false, 0, nullptr);
}

// Frames are a few bytes each way and every one waits for an answer:
// coalescing them would only add delay.
void NoDelay(SOCKET s) {
  BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

// A restarted program must not keep the register's connection open.
void NotInherited(SOCKET s) {
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

// The socket's network events together with an event another thread sets to
// cut a wait short. Binding the events also makes the socket non-blocking.
class Events {
 public:
  Events()
      : network_(::WSACreateEvent()), interrupt_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Events() {
    if (network_ != WSA_INVALID_EVENT) ::WSACloseEvent(network_);
    if (interrupt_ != nullptr) ::CloseHandle(interrupt_);
  }
  Events(const Events&) = delete;
  Events& operator=(const Events&) = delete;

  // False with *error set when the events could not be made or bound.
  bool Bind(SOCKET s, long events, OsError* error) {
    if (network_ == WSA_INVALID_EVENT || interrupt_ == nullptr) {
      *error = static_cast<OsError>(::GetLastError());
      return false;
    }
    if (::WSAEventSelect(s, network_, events) == SOCKET_ERROR) {
      *error = LastSocketError();
      return false;
    }
    return true;
  }

  void Interrupt() { ::SetEvent(interrupt_); }

  // Waits until `s` is readable (see ReadableNow) or Interrupt. The network
  // events only wake the wait; the readiness itself is asked of the socket
  // each time, since a recorded read event is not repeated until the data
  // is received.
  WaitResult WaitReadable(SOCKET s, std::optional<Deadline> deadline, OsError* error) {
    for (;;) {
      if (::WaitForSingleObject(interrupt_, 0) == WAIT_OBJECT_0) {
        ::ResetEvent(interrupt_);
        return WaitResult::kInterrupted;
      }
      int now = ReadableNow(s);
      if (now < 0) {
        *error = LastSocketError();
        return WaitResult::kError;
      }
      if (now > 0) return WaitResult::kReady;
      WSAEVENT both[2] = {network_, interrupt_};
      DWORD r = ::WSAWaitForMultipleEvents(2, both, FALSE, WaitMs(deadline), FALSE);
      if (r == WSA_WAIT_FAILED) {
        *error = LastSocketError();
        return WaitResult::kError;
      }
      if (r == WSA_WAIT_EVENT_0) {
        WSANETWORKEVENTS happened;
        ::WSAEnumNetworkEvents(s, network_, &happened);  // also resets the event
        continue;
      }
      if (r == WSA_WAIT_TIMEOUT && deadline && steady_clock::now() >= *deadline) {
        return ReadableNow(s) > 0 ? WaitResult::kReady : WaitResult::kTimeout;
      }
    }
  }

 private:
  WSAEVENT network_;
  HANDLE interrupt_;
};

// Waits until `s` can be written (or, connecting, has failed) or the
// deadline passes: 1 ready, 0 deadline, -1 error.
int WaitWritable(SOCKET s, Deadline deadline, bool* failed) {
  for (;;) {
    int r = SelectOne(s, true, WaitMs(deadline), failed);
    if (r != 0) return r;
    if (steady_clock::now() >= deadline) return 0;
  }
}

class Win32TcpSocket final : public TcpSocket {
 public:
  explicit Win32TcpSocket(SOCKET s) : socket_(s) {}
  ~Win32TcpSocket() override { ::closesocket(socket_); }

  bool Bind(OsError* error) { return events_.Bind(socket_, FD_READ | FD_CLOSE, error); }

  WaitResult WaitReadable(std::optional<Deadline> deadline, OsError* error) override {
    return events_.WaitReadable(socket_, deadline, error);
  }

  IoStatus Receive(void* buffer, std::size_t size, std::size_t* got, OsError* error) override {
    *got = 0;
    int ask = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
    for (;;) {
      int n = ::recv(socket_, static_cast<char*>(buffer), ask, 0);
      if (n > 0) {
        *got = static_cast<std::size_t>(n);
        return IoStatus::kOk;
      }
      if (n == 0) return IoStatus::kHangUp;
      int e = ::WSAGetLastError();
      if (e == WSAEINTR) continue;
      if (e == WSAEWOULDBLOCK) return IoStatus::kOk;
      // Receiving after our own Shutdown: the connection is over.
      if (e == WSAESHUTDOWN) return IoStatus::kHangUp;
      *error = static_cast<OsError>(e);
      return IoStatus::kError;
    }
  }

  IoStatus Send(const void* buffer, std::size_t size, std::size_t* sent, Deadline deadline,
                OsError* error) override {
    auto* bytes = static_cast<const char*>(buffer);
    *sent = 0;
    while (*sent < size) {
      int chunk = static_cast<int>(std::min<std::size_t>(size - *sent, 1 << 20));
      int n = ::send(socket_, bytes + *sent, chunk, 0);
      if (n > 0) {
        *sent += static_cast<std::size_t>(n);
        continue;
      }
      int e = n == SOCKET_ERROR ? ::WSAGetLastError() : WSAEWOULDBLOCK;
      if (e == WSAEINTR) continue;
      if (e != WSAEWOULDBLOCK) {
        *error = static_cast<OsError>(e);
        return e == WSAESHUTDOWN || e == WSAECONNABORTED ? IoStatus::kHangUp : IoStatus::kError;
      }
      if (steady_clock::now() >= deadline) return IoStatus::kTimeout;
      bool failed = false;
      if (WaitWritable(socket_, deadline, &failed) < 0) {
        *error = LastSocketError();
        return IoStatus::kError;
      }
    }
    return IoStatus::kOk;
  }

  void Interrupt() override { events_.Interrupt(); }

  void Shutdown() override {
    ::shutdown(socket_, SD_BOTH);
    events_.Interrupt();
  }

 private:
  SOCKET socket_;
  Events events_;
};

class Win32TcpListener final : public TcpListener {
 public:
  Win32TcpListener(SOCKET s, std::uint16_t port) : socket_(s), port_(port) {}
  ~Win32TcpListener() override { ::closesocket(socket_); }

  bool Bind(OsError* error) { return events_.Bind(socket_, FD_ACCEPT, error); }

  std::unique_ptr<TcpSocket> Accept(std::optional<Deadline> deadline, OsError* error) override {
    for (;;) {
      WaitResult w = events_.WaitReadable(socket_, deadline, error);
      if (w == WaitResult::kTimeout) {
        *error = WSAETIMEDOUT;
        return nullptr;
      }
      if (w == WaitResult::kInterrupted) {
        *error = WSAEINTR;
        return nullptr;
      }
      if (w == WaitResult::kError) return nullptr;
      SOCKET s = ::accept(socket_, nullptr, nullptr);
      if (s != INVALID_SOCKET) {
        NotInherited(s);
        NoDelay(s);
        // The accepted socket shares the listener's event binding until it
        // gets its own.
        auto accepted = std::make_unique<Win32TcpSocket>(s);
        if (!accepted->Bind(error)) return nullptr;
        return accepted;
      }
      int e = ::WSAGetLastError();
      if (e != WSAEWOULDBLOCK && e != WSAEINTR && e != WSAECONNRESET) {
        *error = static_cast<OsError>(e);
        return nullptr;
      }
    }
  }

  std::uint16_t port() const override { return port_; }
  void Interrupt() override { events_.Interrupt(); }

 private:
  SOCKET socket_;
  std::uint16_t port_;
  Events events_;
};

// A new TCP socket, not inherited by child processes; INVALID_SOCKET with
// *error set when Winsock or the socket is not there.
SOCKET NewSocket(OsError* error) {
  if (int started = StartWinsock()) {
    *error = static_cast<OsError>(started);
    return INVALID_SOCKET;
  }
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    *error = LastSocketError();
    return INVALID_SOCKET;
  }
  NotInherited(s);
  return s;
}

}  // namespace

std::unique_ptr<TcpSocket> ConnectTcp(const std::string& address, std::uint16_t port,
                                      Deadline deadline, OsError* error, std::string* what) {
  sockaddr_in to;
  if (!ParseAddress(address, &to, port)) {
    *error = WSAEINVAL;
    *what = "address";
    return nullptr;
  }
  *what = "socket";
  SOCKET s = NewSocket(error);
  if (s == INVALID_SOCKET) return nullptr;
  auto socket = std::make_unique<Win32TcpSocket>(s);
  if (!socket->Bind(error)) return nullptr;
  *what = "connect";
  if (::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
    int e = ::WSAGetLastError();
    if (e != WSAEWOULDBLOCK) {
      *error = static_cast<OsError>(e);
      return nullptr;
    }
    bool failed = false;
    int r = WaitWritable(s, deadline, &failed);
    if (r < 0) {
      *error = LastSocketError();
      return nullptr;
    }
    if (r == 0) {
      *error = WSAETIMEDOUT;
      return nullptr;
    }
    int result = 0;
    int length = sizeof result;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length) != 0) {
      result = ::WSAGetLastError();
    }
    if (result == 0 && failed) result = WSAECONNREFUSED;
    if (result != 0) {
      *error = static_cast<OsError>(result);
      return nullptr;
    }
  }
  NoDelay(s);
  return socket;
}

std::unique_ptr<TcpListener> ListenTcp(const std::string& address, std::uint16_t port,
                                       OsError* error) {
  sockaddr_in at;
  if (!ParseAddress(address, &at, port)) {
    *error = WSAEINVAL;
    return nullptr;
  }
  SOCKET s = NewSocket(error);
  if (s == INVALID_SOCKET) return nullptr;
  // No SO_REUSEADDR: here it would let a second socket take over a port in
  // use, and a port with connections in TIME_WAIT can be bound without it.
  if (::bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) == SOCKET_ERROR ||
      ::listen(s, 4) == SOCKET_ERROR) {
    *error = LastSocketError();
    ::closesocket(s);
    return nullptr;
  }
  sockaddr_in bound{};
  int length = sizeof bound;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length);
  auto listener = std::make_unique<Win32TcpListener>(s, ::ntohs(bound.sin_port));
  if (!listener->Bind(error)) return nullptr;
  return listener;
}

}  // namespace tarvik::platform
