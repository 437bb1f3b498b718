#include "platform/win32/windows_api.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/process.h"

namespace tarvik::platform {
namespace {

class Win32Process final : public Process {
 public:
  [[noreturn]] void Exit(int code) override {
    std::fflush(stdout);
    std::fflush(stderr);
    // Other threads are stopped before anything is torn down, so job threads
    // cannot race static destructors.
    ::ExitProcess(static_cast<UINT>(code));
  }

  // There is no exec: the fresh process is started beside this one, which
  // then ends as a replaced process does.
  void Restart(const std::string& argv0) override {
    std::fflush(stdout);
    std::fflush(stderr);
    std::string module(MAX_PATH, '\0');
    for (;;) {
      DWORD n = ::GetModuleFileNameA(nullptr, module.data(), static_cast<DWORD>(module.size()));
      if (n == 0) return;
      if (n < module.size()) {
        module.resize(n);
        break;
      }
      if (module.size() >= 32768) return;
      module.resize(module.size() * 2);
    }
    // The command line holds the program name only; a name that cannot be
    // quoted as it is falls back to the file's own.
    const std::string& name =
        argv0.empty() || argv0.find('"') != std::string::npos ? module : argv0;
    std::string commandLine = "\"" + name + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // No handle is inherited: the port and the files of the failed job stay
    // with this process, which ends right away.
    if (!::CreateProcessA(module.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started)) {
      return;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    ::ExitProcess(0);
  }

  [[noreturn]] void Park() override {
    for (;;) ::Sleep(INFINITE);
  }
};

class Win32Console final : public Console {
 public:
  bool StdoutIsTerminal() override { return IsConsole(STD_OUTPUT_HANDLE); }
  void WriteStdout(const std::string& utf8) override { Write(STD_OUTPUT_HANDLE, stdout, utf8); }
  void WriteStderr(const std::string& utf8) override { Write(STD_ERROR_HANDLE, stderr, utf8); }
  void Bell() override {
    if (StdoutIsTerminal()) WriteStdout("\a");
  }

 private:
  static bool IsConsole(DWORD which) {
    DWORD mode = 0;
    HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
  }

  // A console shows UTF-16 whatever its code page; files and pipes get the
  // UTF-8 bytes unchanged.
  void Write(DWORD which, std::FILE* stream, const std::string& utf8) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!utf8.empty() && utf8.size() < 0x7fffffff && IsConsole(which)) {
      int size = static_cast<int>(utf8.size());
      int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
      if (wide > 0) {
        std::wstring text(static_cast<std::size_t>(wide), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), wide);
        std::fflush(stream);
        DWORD written = 0;
        if (::WriteConsoleW(::GetStdHandle(which), text.data(), static_cast<DWORD>(wide), &written,
                            nullptr)) {
          return;
        }
      }
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
  }

  std::mutex mutex_;
};

}  // namespace

Process& RealProcess() {
  static Win32Process process;
  return process;
}

Console& RealConsole() {
  static Win32Console console;
  return console;
}

}  // namespace tarvik::platform
