#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "platform/ipv4_address.h"
#include "platform/tcp_socket.h"

namespace tarvik::platform {
namespace {

using std::chrono::steady_clock;

// poll's time-out: -1 waits without a deadline.
int PollTimeout(std::optional<Deadline> deadline) {
  return deadline ? MillisecondsUntil(*deadline) : -1;
}

// Frames are a few bytes each way and every one waits for an answer:
// coalescing them would only add delay.
void NoDelay(int fd) {
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// An eventfd that another thread writes to wake a poll.
class Waker {
 public:
  Waker() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Waker() {
    if (fd_ >= 0) ::close(fd_);
  }
  Waker(const Waker&) = delete;
  Waker& operator=(const Waker&) = delete;
  int fd() const { return fd_; }
  void Wake() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
  }
  void Consume() {
    std::uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(fd_, &value, sizeof value);
  }

 private:
  int fd_;
};

// Polls `fd` for `events` together with the waker.
WaitResult WaitFor(int fd, short events, Waker& waker, std::optional<Deadline> deadline,
                   OsError* error) {
  for (;;) {
    pollfd p[2] = {{fd, events, 0}, {waker.fd(), POLLIN, 0}};
    int r = ::poll(p, 2, PollTimeout(deadline));
    if (r < 0) {
      if (errno == EINTR) continue;
      *error = static_cast<OsError>(errno);
      return WaitResult::kError;
    }
    if (p[1].revents & POLLIN) {
      waker.Consume();
      return WaitResult::kInterrupted;
    }
    if (r > 0 && p[0].revents != 0) {
      if (p[0].revents & POLLNVAL) {
        *error = EBADF;
        return WaitResult::kError;
      }
      return WaitResult::kReady;
    }
    if (deadline && steady_clock::now() >= *deadline) return WaitResult::kTimeout;
  }
}

class PosixTcpSocket final : public TcpSocket {
 public:
  explicit PosixTcpSocket(int fd) : fd_(fd) {}
  ~PosixTcpSocket() override { ::close(fd_); }

  WaitResult WaitReadable(std::optional<Deadline> deadline, OsError* error) override {
    return WaitFor(fd_, POLLIN, waker_, deadline, error);
  }

  IoStatus Receive(void* buffer, std::size_t size, std::size_t* got, OsError* error) override {
    *got = 0;
    for (;;) {
      ssize_t n = ::recv(fd_, buffer, size, MSG_DONTWAIT);
      if (n > 0) {
        *got = static_cast<std::size_t>(n);
        return IoStatus::kOk;
      }
      if (n == 0) return IoStatus::kHangUp;
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return IoStatus::kOk;
      *error = static_cast<OsError>(errno);
      return IoStatus::kError;
    }
  }

  IoStatus Send(const void* buffer, std::size_t size, std::size_t* sent, Deadline deadline,
                OsError* error) override {
    auto* bytes = static_cast<const char*>(buffer);
    *sent = 0;
    while (*sent < size) {
      ssize_t n = ::send(fd_, bytes + *sent, size - *sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        *sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        *error = static_cast<OsError>(errno);
        return errno == EPIPE ? IoStatus::kHangUp : IoStatus::kError;
      }
      if (steady_clock::now() >= deadline) return IoStatus::kTimeout;
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, PollTimeout(deadline)) < 0 && errno != EINTR) {
        *error = static_cast<OsError>(errno);
        return IoStatus::kError;
      }
    }
    return IoStatus::kOk;
  }

  void Interrupt() override { waker_.Wake(); }

  void Shutdown() override {
    ::shutdown(fd_, SHUT_RDWR);
    waker_.Wake();
  }

 private:
  int fd_;
  Waker waker_;
};

class PosixTcpListener final : public TcpListener {
 public:
  PosixTcpListener(int fd, std::uint16_t port) : fd_(fd), port_(port) {}
  ~PosixTcpListener() override { ::close(fd_); }

  std::unique_ptr<TcpSocket> Accept(std::optional<Deadline> deadline, OsError* error) override {
    for (;;) {
      WaitResult w = WaitFor(fd_, POLLIN, waker_, deadline, error);
      if (w == WaitResult::kTimeout) {
        *error = ETIMEDOUT;
        return nullptr;
      }
      if (w == WaitResult::kInterrupted) {
        *error = EINTR;
        return nullptr;
      }
      if (w == WaitResult::kError) return nullptr;
      int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd >= 0) {
        NoDelay(fd);
        return std::make_unique<PosixTcpSocket>(fd);
      }
      if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
        *error = static_cast<OsError>(errno);
        return nullptr;
      }
    }
  }

  std::uint16_t port() const override { return port_; }
  void Interrupt() override { waker_.Wake(); }

 private:
  int fd_;
  std::uint16_t port_;
  Waker waker_;
};

}  // namespace

std::unique_ptr<TcpSocket> ConnectTcp(const std::string& address, std::uint16_t port,
                                      Deadline deadline, OsError* error, std::string* what) {
  sockaddr_in to;
  if (!ParseAddress(address, &to, port)) {
    *error = EINVAL;
    *what = "address";
    return nullptr;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = static_cast<OsError>(errno);
    *what = "socket";
    return nullptr;
  }
  auto socket = std::make_unique<PosixTcpSocket>(fd);
  *what = "connect";
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    if (errno != EINPROGRESS) {
      *error = static_cast<OsError>(errno);
      return nullptr;
    }
    for (;;) {
      pollfd p{fd, POLLOUT, 0};
      int r = ::poll(&p, 1, PollTimeout(deadline));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) {
        *error = static_cast<OsError>(errno);
        return nullptr;
      }
      if (r == 0) {
        if (steady_clock::now() < deadline) continue;
        *error = ETIMEDOUT;
        return nullptr;
      }
      break;
    }
    int result = 0;
    socklen_t length = sizeof result;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length) != 0) result = errno;
    if (result != 0) {
      *error = static_cast<OsError>(result);
      return nullptr;
    }
  }
  NoDelay(fd);
  return socket;
}

std::unique_ptr<TcpListener> ListenTcp(const std::string& address, std::uint16_t port,
                                       OsError* error) {
  sockaddr_in at;
  if (!ParseAddress(address, &at, port)) {
    *error = EINVAL;
    return nullptr;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = static_cast<OsError>(errno);
    return nullptr;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, 4) != 0) {
    *error = static_cast<OsError>(errno);
    ::close(fd);
    return nullptr;
  }
  sockaddr_in bound;
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  return std::make_unique<PosixTcpListener>(fd, ntohs(bound.sin_port));
}

}  // namespace tarvik::platform
