#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/serial_port.h"

namespace tarvik::platform {
namespace {

using std::chrono::steady_clock;

struct SpeedCode {
  unsigned baud;
  speed_t code;
};
constexpr SpeedCode kSpeeds[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedOf(unsigned baud, speed_t* code) {
  for (const SpeedCode& s : kSpeeds) {
    if (s.baud == baud) {
      *code = s.code;
      return true;
    }
  }
  return false;
}

// Unix98 pseudo-terminal slaves (/dev/pts/N).
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

bool Unsupported(int e) {
  return e == ENOTTY || e == EINVAL;
}

class PosixSerialDevice final : public SerialDevice {
 public:
  PosixSerialDevice(int fd, std::string path, const termios& saved, bool isPty)
      : fd_(fd), saved_(saved), isPty_(isPty) {
    path_ = std::move(path);
    TakeLineErrors();  // the baseline for the first query
  }

  ~PosixSerialDevice() override {
    // Leave the line as it was found; only the hang-up bit follows this
    // session's choice, so that a "leave DTR alone" close does not drop it.
    termios restore = saved_;
    if (dropDtrOnClose_) {
      restore.c_cflag |= HUPCL;
    } else {
      restore.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    }
    ::tcflush(fd_, TCIFLUSH);
    ::tcsetattr(fd_, TCSANOW, &restore);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the flock
  }

  bool Configure(const SerialSettings& s, OsError* error, std::string* what) override {
    speed_t speed;
    if (!SpeedOf(s.baudRate, &speed)) {
      *error = EINVAL;
      *what = "speed " + std::to_string(s.baudRate) + " Bd";
      return false;
    }
    if (s.dataBits < 5 || s.dataBits > 8 || static_cast<unsigned>(s.parity) > 4) {
      *error = EINVAL;
      *what = "byte size or parity";
      return false;
    }
    termios t;
    if (::tcgetattr(fd_, &t) != 0) {
      *error = static_cast<OsError>(errno);
      *what = "tcgetattr";
      return false;
    }
    ::cfmakeraw(&t);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | PARMRK | IGNPAR);
    t.c_cflag &=
        ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    // The modem lines are watched explicitly (carrier for the dial), never by
    // the driver: a carrier drop must not turn reads into end-of-file.
    t.c_cflag |= CLOCAL | CREAD;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[s.dataBits - 5];
    switch (s.parity) {
      case Parity::kOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
      case Parity::kEven:
        t.c_cflag |= PARENB;
        break;
      case Parity::kMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
      case Parity::kSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
      case Parity::kNone:
        break;
    }
    // There is no one-and-a-half stop bit here; two is the nearest the
    // receiver accepts.
    if (s.stopBits != StopBits::kOne) t.c_cflag |= CSTOPB;
    if (s.rtsCts) t.c_cflag |= CRTSCTS;
    if (s.xonXoff) {
      t.c_iflag |= IXON | IXOFF;
      t.c_cc[VSTART] = 0x11;
      t.c_cc[VSTOP] = 0x13;
    }
    if (s.dropDtrOnClose) t.c_cflag |= HUPCL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) {
      // The C library reports EINVAL when none of the asked changes took. On a
      // pseudo-terminal that happens whenever only the parity it drops differs
      // from what it has (the same speed set again): the read-back decides.
      if (!isPty_ || errno != EINVAL) {
        *error = static_cast<OsError>(errno);
        *what = "tcsetattr";
        return false;
      }
    }
    // tcsetattr succeeds when any one of the changes took; read them back.
    termios back;
    if (::tcgetattr(fd_, &back) != 0) {
      *error = static_cast<OsError>(errno);
      *what = "tcgetattr";
      return false;
    }
    constexpr tcflag_t kCflagMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    constexpr tcflag_t kIflagMask = IXON | IXOFF;
    if (::cfgetospeed(&back) != speed || ::cfgetispeed(&back) != speed) {
      *error = EINVAL;
      *what = "speed " + std::to_string(s.baudRate) + " Bd";
      return false;
    }
    // A pseudo-terminal has no line: it keeps 8 bits without parity whatever
    // is asked, so only the speed is read back there.
    if (!isPty_ && ((back.c_cflag & kCflagMask) != (t.c_cflag & kCflagMask) ||
                    (back.c_iflag & kIflagMask) != (t.c_iflag & kIflagMask))) {
      *error = EINVAL;
      *what = "byte size, parity, stop bits or handshake";
      return false;
    }
    dropDtrOnClose_ = s.dropDtrOnClose;
    flowControl_ = s.rtsCts || s.xonXoff;
    characterTime_ = std::chrono::microseconds((11 * 1000000 + s.baudRate - 1) / s.baudRate);
    return true;
  }

  IoStatus Read(void* buffer, std::size_t size, std::size_t* got, Deadline deadline,
                OsError* error) override {
    *got = 0;
    for (;;) {
      ssize_t n = ::read(fd_, buffer, size);
      if (n > 0) {
        readable_ = false;
        *got = static_cast<std::size_t>(n);
        return IoStatus::kOk;
      }
      if (n == 0) {
        if (readable_) return IoStatus::kHangUp;
      } else if (errno == EIO) {
        return IoStatus::kHangUp;
      } else if (errno != EAGAIN && errno != EINTR) {
        *error = static_cast<OsError>(errno);
        return IoStatus::kError;
      }
      readable_ = false;
      if (steady_clock::now() >= deadline) return IoStatus::kTimeout;
      pollfd p{fd_, POLLIN, 0};
      int r = ::poll(&p, 1, MillisecondsUntil(deadline));
      if (r < 0) {
        if (errno == EINTR) continue;
        *error = static_cast<OsError>(errno);
        return IoStatus::kError;
      }
      if (r == 0) {
        if (steady_clock::now() >= deadline) return IoStatus::kTimeout;
        continue;
      }
      if (p.revents & POLLNVAL) {
        *error = EBADF;
        return IoStatus::kError;
      }
      if ((p.revents & POLLIN) == 0 && (p.revents & (POLLHUP | POLLERR)) != 0) {
        return IoStatus::kHangUp;
      }
      // Readable, or hung up: the next read tells which (a read of 0 bytes
      // after readiness is the other end going away, not "try again").
      readable_ = true;
    }
  }

  IoStatus Write(const void* buffer, std::size_t size, Deadline deadline, OsError* error) override {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = ::write(fd_, bytes + done, size - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EIO) return IoStatus::kHangUp;
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        *error = static_cast<OsError>(errno);
        return IoStatus::kError;
      }
      if (steady_clock::now() >= deadline) {
        ::tcflush(fd_, TCOFLUSH);
        return IoStatus::kTimeout;
      }
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, MillisecondsUntil(deadline)) < 0 && errno != EINTR) {
        *error = static_cast<OsError>(errno);
        return IoStatus::kError;
      }
    }
    return Drain(deadline, error);
  }

  void DiscardInput() override {
    ::tcflush(fd_, TCIFLUSH);
    readable_ = false;
  }

  bool SetDtr(bool on, OsError* error) override {
    int bits = TIOCM_DTR;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
    *error = Unsupported(errno) ? 0 : static_cast<OsError>(errno);
    return false;
  }

  bool ModemStatus(unsigned* bits, OsError* error) override {
    int lines = 0;
    *bits = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
      *error = Unsupported(errno) ? 0 : static_cast<OsError>(errno);
      return false;
    }
    if (lines & TIOCM_CTS) *bits |= kModemCts;
    if (lines & TIOCM_DSR) *bits |= kModemDsr;
    if (lines & TIOCM_RNG) *bits |= kModemRing;
    if (lines & TIOCM_CAR) *bits |= kModemCarrier;
    return true;
  }

  unsigned TakeLineErrors() override {
    serial_icounter_struct now;
    std::memset(&now, 0, sizeof now);
    if (::ioctl(fd_, TIOCGICOUNT, &now) != 0) return 0;
    unsigned mask = 0;
    if (haveCounts_) {
      if (now.buf_overrun != counts_.buf_overrun) mask |= kLineRxOverflow;
      if (now.overrun != counts_.overrun) mask |= kLineOverrun;
      if (now.parity != counts_.parity) mask |= kLineParity;
      if (now.frame != counts_.frame) mask |= kLineFraming;
      if (now.brk != counts_.brk) mask |= kLineBreak;
    }
    counts_ = now;
    haveCounts_ = true;
    return mask;
  }

 private:
  // Waits until the bytes have left. With a handshake the peer may hold the
  // line forever, and tcdrain has no time limit: watch the queue instead and
  // give up at the deadline.
  IoStatus Drain(Deadline deadline, OsError* error) {
    if (flowControl_) {
      for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        if (steady_clock::now() >= deadline) {
          ::tcflush(fd_, TCOFLUSH);
          return IoStatus::kTimeout;
        }
        auto pause = std::clamp<std::chrono::microseconds>(characterTime_ * queued,
                                                           std::chrono::microseconds(100),
                                                           std::chrono::microseconds(2000));
        std::this_thread::sleep_for(pause);
      }
    }
    while (::tcdrain(fd_) != 0) {
      if (errno == EINTR) continue;
      if (errno == EIO) return IoStatus::kHangUp;
      *error = static_cast<OsError>(errno);
      return IoStatus::kError;
    }
    return IoStatus::kOk;
  }

  int fd_;
  termios saved_;
  bool isPty_;
  bool dropDtrOnClose_ = true;
  bool flowControl_ = false;
  bool readable_ = false;
  std::chrono::microseconds characterTime_{287};
  serial_icounter_struct counts_{};
  bool haveCounts_ = false;
};

}  // namespace

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& path, OsError* error) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = static_cast<OsError>(errno);
    return nullptr;
  }
  auto fail = [&](int e) -> std::unique_ptr<SerialDevice> {
    ::close(fd);
    *error = static_cast<OsError>(e);
    return nullptr;
  };
  if (!::isatty(fd)) return fail(ENOTTY);
  // Another program holding the port: flock is honoured by every serial
  // program that cares; TIOCEXCL keeps later opens out (except root's).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  if (::ioctl(fd, TIOCEXCL) != 0 && !Unsupported(errno)) return fail(errno);
  termios saved;
  if (::tcgetattr(fd, &saved) != 0) return fail(errno);
  ::tcflush(fd, TCIOFLUSH);
  struct stat info;
  bool isPty = ::fstat(fd, &info) == 0 && major(info.st_rdev) >= kPtySlaveMajorFirst &&
               major(info.st_rdev) <= kPtySlaveMajorLast;
  return std::make_unique<PosixSerialDevice>(fd, path, saved, isPty);
}

std::string SystemErrorText(OsError error) {
  char buffer[256];
  // The GNU strerror_r returns its text, which need not be in the buffer.
  const char* text = ::strerror_r(static_cast<int>(error), buffer, sizeof buffer);
  return text;
}

std::string SerialOpenHint(OsError error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "zařízení neexistuje: zkontrolujte řádek comN= v tarvik.ini a připojení "
             "portu nebo USB adaptéru";
    case EACCES:
    case EPERM:
      return "chybí oprávnění k zařízení: přidejte uživatele do skupiny dialout "
             "(sudo usermod -aG dialout $USER) a přihlaste se znovu";
    case EBUSY:
      return "port drží jiný program (terminál, ModemManager, jiná kopie programu)";
    case ENOTTY:
      return "zadaná cesta není sériové zařízení";
    default:
      return {};
  }
}

}  // namespace tarvik::platform
