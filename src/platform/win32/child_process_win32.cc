#include <algorithm>
#include <mutex>

#include "platform/child_process.h"
#include "platform/win32/windows_api.h"

namespace tarvik::platform {
namespace {

// One argument as the runtime's command-line parser reads it back.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

std::string SystemText(DWORD error) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = n ? std::string(text, n) : "error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

class Win32Child final : public Child {
 public:
  Win32Child(HANDLE process, DWORD id, HANDLE errPipe, std::size_t tailSize)
      : process_(process), id_(id), errPipe_(errPipe), tailSize_(tailSize) {}
  ~Win32Child() override {
    if (!ended_) {
      Kill();
      WaitForSingleObject(process_, INFINITE);
    }
    if (errPipe_) CloseHandle(errPipe_);
    CloseHandle(process_);
  }

  bool WaitUntil(std::chrono::steady_clock::time_point deadline) override {
    for (;;) {
      Drain();
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      DWORD wait =
          left.count() <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left.count(), 50));
      if (WaitForSingleObject(process_, wait) == WAIT_OBJECT_0) {
        Drain();
        DWORD code = 1;
        GetExitCodeProcess(process_, &code);
        std::lock_guard<std::mutex> lock(mutex_);
        end_ = {true, static_cast<int>(code)};
        ended_ = true;
        return true;
      }
      if (left.count() <= 0) return false;
    }
  }

  void Terminate() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_) return;
    // The child shares the runner's console in a group of its own. Without a
    // console (a service, a scheduled task) no break can reach it, and
    // waiting for it to end by itself would only delay the end.
    if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id_)) TerminateProcess(process_, 1);
  }
  void Kill() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ended_) TerminateProcess(process_, 1);
  }
  ChildEnd End() const override { return end_; }
  std::string StderrTail() const override { return tail_; }

 private:
  void Drain() {
    while (errPipe_) {
      DWORD available = 0;
      if (!PeekNamedPipe(errPipe_, nullptr, 0, nullptr, &available, nullptr)) {
        CloseHandle(errPipe_);
        errPipe_ = nullptr;
        return;
      }
      if (available == 0) return;
      char buffer[4096];
      DWORD n = 0;
      if (!ReadFile(errPipe_, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr) ||
          n == 0)
        return;
      tail_.append(buffer, n);
      if (tail_.size() > tailSize_) tail_.erase(0, tail_.size() - tailSize_);
    }
  }

  HANDLE process_;
  DWORD id_;
  HANDLE errPipe_;
  std::size_t tailSize_;
  std::string tail_;
  ChildEnd end_;
  bool ended_ = false;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<Child> StartChild(const ChildSpec& spec, std::string* error) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    *error = "CreatePipe: " + SystemText(GetLastError());
    return nullptr;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = nul;
  startup.hStdError = writeEnd;
  std::string commandLine = Quote(spec.argv0);
  for (const std::string& a : spec.args) commandLine += " " + Quote(a);
  PROCESS_INFORMATION info{};
  BOOL started = CreateProcessA(spec.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                CREATE_NEW_PROCESS_GROUP, nullptr, spec.workingDirectory.c_str(),
                                &startup, &info);
  DWORD startError = GetLastError();
  CloseHandle(writeEnd);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    CloseHandle(readEnd);
    *error = spec.program + ": " + SystemText(startError);
    return nullptr;
  }
  CloseHandle(info.hThread);
  return std::make_unique<Win32Child>(info.hProcess, info.dwProcessId, readEnd, spec.stderrTail);
}

std::string OwnProgramDirectory() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".\\";
  std::string self(path, n);
  return self.substr(0, self.find_last_of("\\/") + 1);
}

}  // namespace tarvik::platform
