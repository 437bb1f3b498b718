#include "support/test_support.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "frame/codepage.h"

namespace tarvik::testing {

std::chrono::steady_clock::time_point FakeClock::SteadyNow() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

platform::LocalTime FakeClock::LocalNow() {
  std::lock_guard<std::mutex> lock(mutex_);
  return local_;
}

void FakeClock::Sleep(std::chrono::milliseconds duration) {
  std::lock_guard<std::mutex> lock(mutex_);
  sleeps_.push_back(duration);
  now_ += duration;
}

void FakeClock::SetLocal(const platform::LocalTime& time) {
  std::lock_guard<std::mutex> lock(mutex_);
  local_ = time;
}

std::vector<std::chrono::milliseconds> FakeClock::Sleeps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sleeps_;
}

void RecordingConsole::WriteStdout(const std::string& utf8) {
  std::lock_guard<std::mutex> lock(mutex_);
  out_ += utf8;
}

void RecordingConsole::WriteStderr(const std::string& utf8) {
  std::lock_guard<std::mutex> lock(mutex_);
  err_ += utf8;
}

std::string RecordingConsole::Stdout() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return out_;
}

std::string RecordingConsole::Stderr() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return err_;
}

int RecordingFrontEnd::ShowMessage(const std::string& text, int style) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back({frame::Cp1250ToUtf8(text), style});
  if (answers_.empty()) return screen::kAnswerOk;
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingFrontEnd::TerminalWritten(std::string_view bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  terminal_ += frame::Cp1250ToUtf8(bytes);
}

void RecordingFrontEnd::Beep(int type) {
  std::lock_guard<std::mutex> lock(mutex_);
  beeps_.push_back(type);
}

void RecordingFrontEnd::ShowActivity() {
  std::lock_guard<std::mutex> lock(mutex_);
  activity_.push_back("show");
}

void RecordingFrontEnd::SetActivityIcon(bool first) {
  std::lock_guard<std::mutex> lock(mutex_);
  activity_.push_back(first ? "icon1" : "icon2");
}

void RecordingFrontEnd::HideActivity() {
  std::lock_guard<std::mutex> lock(mutex_);
  activity_.push_back("hide");
}

void RecordingFrontEnd::SetCaret(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  activity_.push_back(on ? "caret-on" : "caret-off");
}

void RecordingFrontEnd::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

std::vector<RecordedMessage> RecordingFrontEnd::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::string RecordingFrontEnd::TerminalText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return terminal_;
}

std::vector<int> RecordingFrontEnd::Beeps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return beeps_;
}

std::vector<std::string> RecordingFrontEnd::ActivityEvents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activity_;
}

namespace {

class FailingHandle final : public platform::FileHandle {
 public:
  FailingHandle(std::unique_ptr<platform::FileHandle> inner, FailingFileSystem& fs,
                std::string path)
      : inner_(std::move(inner)), fs_(fs), path_(std::move(path)) {}
  std::ptrdiff_t Read(void* buffer, std::size_t size, platform::OsError* error) override {
    if (fs_.Fails("read " + path_, error)) return -1;
    return inner_->Read(buffer, size, error);
  }
  std::ptrdiff_t Write(const void* buffer, std::size_t size, platform::OsError* error) override {
    if (fs_.Fails("write " + path_, error)) return -1;
    return inner_->Write(buffer, size, error);
  }
  bool Seek(std::uint64_t offset, platform::OsError* error) override {
    return !fs_.Fails("seek " + path_, error) && inner_->Seek(offset, error);
  }
  bool SeekToEnd(platform::OsError* error) override {
    return !fs_.Fails("seek to end " + path_, error) && inner_->SeekToEnd(error);
  }
  std::int64_t Size(platform::OsError* error) override {
    if (fs_.Fails("size " + path_, error)) return -1;
    return inner_->Size(error);
  }
  bool Truncate(platform::OsError* error) override {
    return !fs_.Fails("truncate " + path_, error) && inner_->Truncate(error);
  }

 private:
  std::unique_ptr<platform::FileHandle> inner_;
  FailingFileSystem& fs_;
  std::string path_;
};

}  // namespace

bool FailingFileSystem::Fails(const std::string& what, platform::OsError* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (++count_ != failAt_) return false;
  injectedAt_ = what;
  *error = EIO;
  return true;
}

bool FailingFileSystem::Injected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !injectedAt_.empty();
}

std::string FailingFileSystem::InjectedAt() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return injectedAt_;
}

std::unique_ptr<platform::FileHandle> FailingFileSystem::Open(const std::string& path,
                                                              platform::Access access,
                                                              platform::Creation creation,
                                                              bool shareRead,
                                                              platform::OsError* error) {
  if (Fails("open " + path, error)) return nullptr;
  auto inner = real_.Open(path, access, creation, shareRead, error);
  if (!inner) return nullptr;
  return std::make_unique<FailingHandle>(std::move(inner), *this, path);
}

bool FailingFileSystem::Remove(const std::string& path, bool* missing, platform::OsError* error) {
  return !Fails("remove " + path, error) && real_.Remove(path, missing, error);
}

bool FailingFileSystem::Rename(const std::string& from, const std::string& to,
                               platform::OsError* error) {
  return !Fails("rename " + from, error) && real_.Rename(from, to, error);
}

bool FailingFileSystem::Replace(const std::string& from, const std::string& to,
                                platform::OsError* error) {
  return !Fails("replace " + to, error) && real_.Replace(from, to, error);
}

bool FailingFileSystem::Exists(const std::string& path) {
  return real_.Exists(path);
}

bool FailingFileSystem::List(const std::string& directory, const std::string& prefix,
                             const std::string& suffix,
                             std::vector<platform::DirectoryEntry>* entries,
                             platform::ListFailure* failure) {
  failure->whileReading = false;
  return !Fails("list " + directory, &failure->error) &&
         real_.List(directory, prefix, suffix, entries, failure);
}

std::string FailingFileSystem::Resolve(const std::string& path) {
  return real_.Resolve(path);
}

bool UnlistableFileSystem::List(const std::string& directory, const std::string& prefix,
                                const std::string& suffix,
                                std::vector<platform::DirectoryEntry>* entries,
                                platform::ListFailure* failure) {
  if (whileReading_ && !real_.List(directory, prefix, suffix, entries, failure)) return false;
  failure->error = EIO;
  failure->whileReading = whileReading_;
  return false;
}

std::filesystem::path MakeTempDirectory(const std::string& tag) {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto dir = base / ("tarvik-" + tag + "-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++));
    if (std::filesystem::create_directory(dir)) return dir;
  }
}

std::string ReadBinary(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBinary(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string FromHex(const std::string& hex) {
  std::string out;
  int nibbles = 0;
  int value = 0;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      continue;
    value = value * 16 + v;
    if (++nibbles == 2) {
      out += static_cast<char>(value);
      nibbles = 0;
      value = 0;
    }
  }
  return out;
}

std::string ToHex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (i) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

CaughtFailure FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const frame::JobFailure& failure) {
    return {failure.pair(), frame::Cp1250ToUtf8(failure.context())};
  }
  ADD_FAILURE() << "expected a failure";
  return {};
}

ProgramFixture::ProgramFixture() : dir_(MakeTempDirectory("unit")) {
  frame::Services services{platform::RealFileSystem(), clock_, process_, console_, frontEnd_};
  program_ = std::make_unique<frame::Program>(services);
  program_->paths.programDirectory = dir_.string() + "/";
  program_->paths.hasProgramDirectory = true;
}

ProgramFixture::~ProgramFixture() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string ProgramFixture::PathOf(const std::string& name) const {
  return (dir_ / name).string();
}

void ProgramFixture::WriteFile(const std::string& name, const std::string& bytes) const {
  WriteBinary(dir_ / name, bytes);
}

std::string ProgramFixture::ReadFile(const std::string& name) const {
  return ReadBinary(dir_ / name);
}

bool ProgramFixture::FileExists(const std::string& name) const {
  return std::filesystem::exists(dir_ / name);
}

bool ProgramFixture::StoredNameExists(const std::string& name) const {
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    if (entry.path().filename().string() == name) return true;
  }
  return false;
}

UnopenableFile::UnopenableFile(const std::filesystem::path& path) {
  if (kUnsharedFilesAreLocked) {
    platform::OsError error = 0;
    held_ = platform::RealFileSystem().Open(path.string(), platform::Access::kReadWrite,
                                            platform::Creation::kCreateAlways, false, &error);
    EXPECT_NE(held_, nullptr) << "error " << error;
  } else {
    std::filesystem::create_symlink(path.filename(), path);  // ELOOP
  }
}

UnopenableFile::~UnopenableFile() = default;

}  // namespace tarvik::testing
