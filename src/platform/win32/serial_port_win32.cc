#include "platform/win32/windows_api.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/serial_port.h"

namespace tarvik::platform {
namespace {

using std::chrono::steady_clock;

// What a driver answers for a request the device has no use for (a modem
// line on a port without one); an emulated port may fail such a request
// without giving any reason.
bool Unsupported(DWORD e) {
  return e == 0 || e == ERROR_INVALID_FUNCTION || e == ERROR_NOT_SUPPORTED ||
         e == ERROR_INVALID_PARAMETER || e == ERROR_CALL_NOT_IMPLEMENTED;
}

// The device went away under an open handle: a USB adapter pulled out, or
// the other end of an emulated port closed.
bool Gone(DWORD e) {
  return e == ERROR_ACCESS_DENIED || e == ERROR_BAD_COMMAND || e == ERROR_GEN_FAILURE ||
         e == ERROR_DEVICE_NOT_CONNECTED || e == ERROR_DEVICE_REMOVED || e == ERROR_BROKEN_PIPE;
}

unsigned LineErrorMask(DWORD errors) {
  unsigned mask = 0;
  if (errors & CE_RXOVER) mask |= kLineRxOverflow;
  if (errors & CE_OVERRUN) mask |= kLineOverrun;
  if (errors & CE_RXPARITY) mask |= kLineParity;
  if (errors & CE_FRAME) mask |= kLineFraming;
  if (errors & CE_BREAK) mask |= kLineBreak;
  return mask;
}

class Win32SerialDevice final : public SerialDevice {
 public:
  Win32SerialDevice(HANDLE handle, std::string path, const DCB& saved,
                    const COMMTIMEOUTS& savedTimeouts)
      : handle_(handle), saved_(saved), savedTimeouts_(savedTimeouts) {
    path_ = std::move(path);
    dtrOn_ = saved.fDtrControl != DTR_CONTROL_DISABLE;
    TakeLineErrors();  // the baseline for the first query
  }

  ~Win32SerialDevice() override {
    // Leave the line as it was found, except DTR, which follows this
    // session's choice: restoring a DCB that enables DTR would raise it again
    // right after the close dropped it.
    DCB restore = saved_;
    bool foundOn = saved_.fDtrControl != DTR_CONTROL_DISABLE;
    if (dropDtrOnClose_ || dtrOn_ != foundOn) {
      restore.fDtrControl = dropDtrOnClose_ || !dtrOn_ ? DTR_CONTROL_DISABLE : DTR_CONTROL_ENABLE;
    }
    if (dropDtrOnClose_) ::EscapeCommFunction(handle_, CLRDTR);
    ::SetCommMask(handle_, 0);
    // What was written has left already; only unread input is dropped.
    ::PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
    ::SetCommState(handle_, &restore);
    ::SetCommTimeouts(handle_, &savedTimeouts_);
    ::CloseHandle(handle_);
  }

  bool Configure(const SerialSettings& s, OsError* error, std::string* what) override {
    if (s.baudRate == 0) {
      *error = ERROR_INVALID_PARAMETER;
      *what = "speed 0 Bd";
      return false;
    }
    if (s.dataBits < 5 || s.dataBits > 8 || static_cast<unsigned>(s.parity) > 4 ||
        static_cast<unsigned>(s.stopBits) > 2) {
      *error = ERROR_INVALID_PARAMETER;
      *what = "byte size, parity or stop bits";
      return false;
    }
    DCB dcb;
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle_, &dcb)) {
      *error = ::GetLastError();
      *what = "GetCommState";
      return false;
    }
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = s.baudRate;
    dcb.ByteSize = static_cast<BYTE>(s.dataBits);
    static constexpr BYTE kParities[] = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
    dcb.Parity = kParities[static_cast<unsigned>(s.parity)];
    // A UART sends one and a half stop bits only behind 5-bit characters
    // (and the driver refuses the setting otherwise); longer ones get two.
    if (s.stopBits == StopBits::kOne) {
      dcb.StopBits = ONESTOPBIT;
    } else if (s.stopBits == StopBits::kOneAndHalf && s.dataBits == 5) {
      dcb.StopBits = ONE5STOPBITS;
    } else {
      dcb.StopBits = TWOSTOPBITS;
    }
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    // DSR is not watched and DTR stays where the program put it (it is
    // switched explicitly, and a new speed must not raise it again).
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = dtrOn_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = s.rtsCts ? TRUE : FALSE;
    dcb.fRtsControl = s.rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = s.xonXoff ? TRUE : FALSE;
    dcb.fInX = s.xonXoff ? TRUE : FALSE;
    dcb.XonLim = 100;
    dcb.XoffLim = 100;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    // Left as another program set them, these would drop zero bytes, replace
    // bytes with parity errors, or stop all I/O after a line error until the
    // error is cleared: the frames are binary and every byte counts.
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    // The driver refuses what the port cannot do, so there is nothing to read
    // back.
    if (!::SetCommState(handle_, &dcb)) {
      *error = ::GetLastError();
      *what = "SetCommState";
      return false;
    }
    dropDtrOnClose_ = s.dropDtrOnClose;
    return true;
  }

  IoStatus Read(void* buffer, std::size_t size, std::size_t* got, Deadline deadline,
                OsError* error) override {
    *got = 0;
    if (size == 0) return IoStatus::kOk;
    auto* bytes = static_cast<unsigned char*>(buffer);
    DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
    for (;;) {
      // What is there already, without waiting.
      DWORD n = 0;
      IoStatus status = ReadWithin(kNoWait, bytes, ask, &n, error);
      if (status != IoStatus::kOk || n > 0) {
        *got = n;
        return status;
      }
      DWORD left = static_cast<DWORD>(MillisecondsUntil(deadline));
      if (left == 0) return IoStatus::kTimeout;
      // Else the first byte that comes: a read of one byte ends as soon as it
      // is there. (The documented "return at the first byte" setting of the
      // interval and multiplier is not honoured by every driver: some wait
      // out the whole constant.)
      status = ReadWithin(left, bytes, 1, &n, error);
      if (status != IoStatus::kOk) return status;
      if (n == 1) {
        // And whatever came with it.
        DWORD more = 0;
        if (ask > 1) ReadWithin(kNoWait, bytes + 1, ask - 1, &more, error);
        *got = 1 + more;
        return IoStatus::kOk;
      }
    }
  }

  IoStatus Write(const void* buffer, std::size_t size, Deadline deadline, OsError* error) override {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      // A held-off handshake stalls the write: the total time-out ends it at
      // the deadline with what went so far.
      COMMTIMEOUTS t = timeouts_;
      t.WriteTotalTimeoutMultiplier = 0;
      t.WriteTotalTimeoutConstant =
          std::max<DWORD>(static_cast<DWORD>(MillisecondsUntil(deadline)), 1);
      if (!SetTimeouts(t, error)) return IoStatus::kError;
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1 << 20));
      DWORD n = 0;
      if (!::WriteFile(handle_, bytes + done, chunk, &n, nullptr)) {
        DWORD e = ::GetLastError();
        *error = e;
        return Gone(e) ? IoStatus::kHangUp : IoStatus::kError;
      }
      done += n;
      if (done < size && (n == 0 || steady_clock::now() >= deadline)) {
        ::PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
        return IoStatus::kTimeout;
      }
    }
    return Drain(deadline, error);
  }

  void DiscardInput() override { ::PurgeComm(handle_, PURGE_RXCLEAR); }

  bool SetDtr(bool on, OsError* error) override {
    if (::EscapeCommFunction(handle_, on ? SETDTR : CLRDTR)) {
      dtrOn_ = on;
      return true;
    }
    DWORD e = ::GetLastError();
    *error = Unsupported(e) ? 0 : e;
    return false;
  }

  bool ModemStatus(unsigned* bits, OsError* error) override {
    DWORD lines = 0;
    *bits = 0;
    if (!::GetCommModemStatus(handle_, &lines)) {
      DWORD e = ::GetLastError();
      *error = Unsupported(e) ? 0 : e;
      return false;
    }
    if (lines & MS_CTS_ON) *bits |= kModemCts;
    if (lines & MS_DSR_ON) *bits |= kModemDsr;
    if (lines & MS_RING_ON) *bits |= kModemRing;
    if (lines & MS_RLSD_ON) *bits |= kModemCarrier;
    return true;
  }

  unsigned TakeLineErrors() override {
    unsigned mask = pendingErrors_;
    pendingErrors_ = 0;
    DWORD errors = 0;
    if (::ClearCommError(handle_, &errors, nullptr)) mask |= LineErrorMask(errors);
    return mask;
  }

 private:
  static constexpr DWORD kNoWait = 0;

  // One ReadFile that waits at most `ms` for `count` bytes (kNoWait: takes
  // what is there and returns at once).
  IoStatus ReadWithin(DWORD ms, unsigned char* into, DWORD count, DWORD* got, OsError* error) {
    COMMTIMEOUTS t = timeouts_;
    t.ReadIntervalTimeout = ms == kNoWait ? MAXDWORD : 0;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = ms;
    if (!SetTimeouts(t, error)) return IoStatus::kError;
    *got = 0;
    if (::ReadFile(handle_, into, count, got, nullptr)) return IoStatus::kOk;
    DWORD e = ::GetLastError();
    *error = e;
    return Gone(e) ? IoStatus::kHangUp : IoStatus::kError;
  }

  bool SetTimeouts(const COMMTIMEOUTS& t, OsError* error) {
    if (haveTimeouts_ && t.ReadIntervalTimeout == timeouts_.ReadIntervalTimeout &&
        t.ReadTotalTimeoutMultiplier == timeouts_.ReadTotalTimeoutMultiplier &&
        t.ReadTotalTimeoutConstant == timeouts_.ReadTotalTimeoutConstant &&
        t.WriteTotalTimeoutMultiplier == timeouts_.WriteTotalTimeoutMultiplier &&
        t.WriteTotalTimeoutConstant == timeouts_.WriteTotalTimeoutConstant) {
      return true;
    }
    COMMTIMEOUTS copy = t;
    if (!::SetCommTimeouts(handle_, &copy)) {
      *error = ::GetLastError();
      haveTimeouts_ = false;
      return false;
    }
    timeouts_ = t;
    haveTimeouts_ = true;
    return true;
  }

  // A synchronous write returns once the driver has taken the bytes; wait
  // until its transmit queue is empty too. FlushFileBuffers would do that
  // without any time limit, so the queue is watched up to the deadline.
  IoStatus Drain(Deadline deadline, OsError* error) {
    for (;;) {
      DWORD errors = 0;
      COMSTAT status;
      ZeroMemory(&status, sizeof status);
      if (!::ClearCommError(handle_, &errors, &status)) {
        DWORD e = ::GetLastError();
        if (Unsupported(e)) return IoStatus::kOk;
        *error = e;
        return Gone(e) ? IoStatus::kHangUp : IoStatus::kError;
      }
      // Reading the queue also clears the error state: keep what it held for
      // the next TakeLineErrors.
      pendingErrors_ |= LineErrorMask(errors);
      if (status.cbOutQue == 0) return IoStatus::kOk;
      if (steady_clock::now() >= deadline) {
        ::PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
        return IoStatus::kTimeout;
      }
      ::Sleep(1);
    }
  }

  HANDLE handle_;
  DCB saved_;
  COMMTIMEOUTS savedTimeouts_;
  COMMTIMEOUTS timeouts_{};
  bool haveTimeouts_ = false;
  bool dtrOn_ = true;
  bool dropDtrOnClose_ = true;
  unsigned pendingErrors_ = 0;
};

}  // namespace

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& path, OsError* error) {
  // No sharing: the port is this program's until it is closed. Synchronous
  // I/O; the time-outs bound every read and write.
  HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = ::GetLastError();
    return nullptr;
  }
  auto fail = [&](DWORD e) -> std::unique_ptr<SerialDevice> {
    ::CloseHandle(handle);
    *error = e;
    return nullptr;
  };
  // A file or a pipe opens as well; only a device that keeps a line state is
  // a serial port.
  if (::GetFileType(handle) != FILE_TYPE_CHAR) return fail(ERROR_INVALID_FUNCTION);
  DCB saved;
  ZeroMemory(&saved, sizeof saved);
  saved.DCBlength = sizeof saved;
  if (!::GetCommState(handle, &saved)) return fail(::GetLastError());
  COMMTIMEOUTS savedTimeouts{};
  if (!::GetCommTimeouts(handle, &savedTimeouts)) return fail(::GetLastError());
  // Queue sizes are only a recommendation to the driver, and the event mask
  // only matters to WaitCommEvent: neither failing stops the port working.
  ::SetCommMask(handle, EV_RXCHAR);
  ::SetupComm(handle, 4096, 4096);
  ::PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  return std::make_unique<Win32SerialDevice>(handle, path, saved, savedTimeouts);
}

std::string SystemErrorText(OsError error) {
  // The system's words in the user's language, as UTF-8 like every other
  // text before it is written out.
  wchar_t* text = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out;
  if (length > 0 && text != nullptr) {
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
    if (bytes > 0) {
      out.resize(static_cast<std::size_t>(bytes));
      ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), bytes, nullptr,
                            nullptr);
    }
  }
  if (text != nullptr) ::LocalFree(text);
  // The message ends in a full stop and a line end; it is quoted inside a
  // longer line.
  while (!out.empty() &&
         (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) {
    out.pop_back();
  }
  if (out.empty()) out = "error " + std::to_string(error);
  return out;
}

std::string SerialOpenHint(OsError error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
    case ERROR_DEVICE_NOT_CONNECTED:
      return "zařízení neexistuje: zkontrolujte řádek comN= v tarvik.ini, připojení portu nebo "
             "USB adaptéru a číslo portu ve Správci zařízení";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return "port drží jiný program (terminál, jiná kopie programu)";
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return "zadaná cesta není sériové zařízení";
    default:
      return {};
  }
}

}  // namespace tarvik::platform
