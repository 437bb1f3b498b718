#include "register/transport.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "link/wire.h"

namespace tarvik::reg {

namespace {

constexpr auto kStopGrace = std::chrono::milliseconds(20);
constexpr auto kPollSlice = std::chrono::milliseconds(100);

// The nearer of the deadline and the next look at the stop request.
int SliceMs(std::optional<Clock::time_point> deadline) {
  auto until = Clock::now() + kPollSlice;
  if (deadline && *deadline < until) until = *deadline;
  auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

struct SpeedName {
  speed_t code;
  unsigned baud;
};
constexpr SpeedName kSpeeds[] = {
    {B300, 300},   {B600, 600},     {B1200, 1200},   {B2400, 2400},   {B4800, 4800},
    {B9600, 9600}, {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

}  // namespace

void Transport::SetEmulatedBaud(unsigned baud) {
  characterTime_ =
      baud == 0 ? std::chrono::nanoseconds(0) : std::chrono::nanoseconds(11'000'000'000LL / baud);
}

bool Transport::ReadByte(std::uint8_t* byte, std::optional<Clock::time_point> deadline) {
  for (;;) {
    std::size_t take = 0;
    if (!raw_.empty()) {
      bool doubled = Network() && static_cast<std::uint8_t>(raw_[0]) == link::wire::kEndByte;
      if (!doubled) {
        take = 1;
      } else if (raw_.size() >= 2) {
        take = 2;
      }
    }
    if (take > 0) {
      *byte = static_cast<std::uint8_t>(raw_[0]);
      consumedWire_.append(raw_, 0, take);
      raw_.erase(0, take);
      if (characterTime_.count() > 0) {
        // The byte is there only once the line has carried it.
        receiveLineFree_ = std::max(receiveLineFree_, Clock::now()) +
                           characterTime_ * static_cast<long long>(take);
        std::this_thread::sleep_until(receiveLineFree_);
      }
      return true;
    }
    std::optional<Clock::time_point> until = deadline;
    if (stop_) until = Clock::now() + kStopGrace;
    if (!ReadRaw(&raw_, until)) {
      if (stop_ || Closed()) return false;
      if (until && Clock::now() >= *until) return false;
    }
  }
}

void Transport::Send(std::string_view bytes) {
  std::string wire = Network() ? link::wire::Stuff(bytes) : std::string(bytes);
  if (characterTime_.count() == 0) {
    WriteRaw(wire);
    return;
  }
  auto at = Clock::now();
  if (Network()) {
    // One segment, sent once the line would have carried it.
    std::this_thread::sleep_until(at + characterTime_ * static_cast<long long>(wire.size()));
    WriteRaw(wire);
    return;
  }
  // Each byte is handed over when its stop bit would have ended; the times
  // are absolute, so the small lateness of each wake-up does not add up.
  for (char c : wire) {
    at += characterTime_;
    std::this_thread::sleep_until(at);
    WriteRaw(std::string_view(&c, 1));
  }
}

std::string Transport::TakeReceivedWire() {
  std::string out;
  out.swap(consumedWire_);
  return out;
}

PtyTransport::PtyTransport(const std::atomic<bool>& stop) : Transport(stop) {}

PtyTransport::~PtyTransport() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

bool PtyTransport::Open(std::string* error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    *error = "posix_openpt";
    return false;
  }
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    *error = "ptsname";
    return false;
  }
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    *error = "open " + slavePath_;
    return false;
  }
  // Raw from the start: a line discipline that echoes would send the
  // register's own bytes back to it before the utility opens the port.
  termios t;
  ::tcgetattr(slave_, &t);
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  ::cfsetispeed(&t, B38400);
  ::cfsetospeed(&t, B38400);
  ::tcsetattr(slave_, TCSANOW, &t);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  return true;
}

unsigned PtyTransport::LineSpeed() const {
  // The master sees the line settings the slave's user made.
  termios t;
  if (::tcgetattr(master_, &t) != 0) return 0;
  speed_t code = ::cfgetospeed(&t);
  for (const SpeedName& s : kSpeeds) {
    if (s.code == code) return s.baud;
  }
  return 0;
}

bool PtyTransport::ReadRaw(std::string* into, std::optional<Clock::time_point> deadline) {
  for (;;) {
    // Asked to stop: what is already on the way is still taken in.
    if (stop_ && !deadline) deadline = Clock::now() + kStopGrace;
    char buffer[4096];
    ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      into->append(buffer, static_cast<std::size_t>(n));
      return true;
    }
    if (deadline && Clock::now() >= *deadline) return false;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, SliceMs(deadline)) < 0 && errno != EINTR) return false;
  }
}

void PtyTransport::WriteRaw(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    pollfd p{master_, POLLOUT, 0};
    ::poll(&p, 1, 100);
  }
}

TcpTransport::TcpTransport(const std::atomic<bool>& stop,
                           std::unique_ptr<platform::TcpSocket> socket)
    : Transport(stop), socket_(std::move(socket)) {}

void TcpTransport::Close() {
  if (closed_) return;
  socket_->Shutdown();
  closed_ = true;
}

bool TcpTransport::ReadRaw(std::string* into, std::optional<Clock::time_point> deadline) {
  if (closed_) return false;
  for (;;) {
    if (stop_ && !deadline) deadline = Clock::now() + kStopGrace;
    char buffer[4096];
    std::size_t got = 0;
    platform::OsError error = 0;
    platform::IoStatus status = socket_->Receive(buffer, sizeof buffer, &got, &error);
    if (status == platform::IoStatus::kHangUp || status == platform::IoStatus::kError) {
      closed_ = true;
      return false;
    }
    if (got > 0) {
      into->append(buffer, got);
      return true;
    }
    if (deadline && Clock::now() >= *deadline) return false;
    auto slice = Clock::now() + std::chrono::milliseconds(SliceMs(deadline));
    socket_->WaitReadable(slice, &error);
  }
}

void TcpTransport::WriteRaw(std::string_view bytes) {
  if (closed_) return;
  std::size_t sent = 0;
  platform::OsError error = 0;
  if (socket_->Send(bytes.data(), bytes.size(), &sent, Clock::now() + std::chrono::seconds(5),
                    &error) != platform::IoStatus::kOk) {
    closed_ = true;
  }
}

}  // namespace tarvik::reg
