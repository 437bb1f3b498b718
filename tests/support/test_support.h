// Doubles for the platform seam and small helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/program.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "screen/front_end.h"

namespace tarvik::testing {

using ProcessEnded = platform::ProcessEnding;

class TestProcess final : public platform::Process {
 public:
  [[noreturn]] void Exit(int code) override { throw ProcessEnded{code, false, false}; }
  void Restart(const std::string& argv0) override {
    restartedWith = argv0;
    throw ProcessEnded{0, true, false};
  }
  [[noreturn]] void Park() override { throw ProcessEnded{0, false, true}; }
  std::string restartedWith;
};

// Steady time moves only when something sleeps on the clock.
class FakeClock final : public platform::Clock {
 public:
  std::chrono::steady_clock::time_point SteadyNow() override;
  platform::LocalTime LocalNow() override;
  void Sleep(std::chrono::milliseconds duration) override;
  void SetLocal(const platform::LocalTime& time);
  std::vector<std::chrono::milliseconds> Sleeps() const;

 private:
  mutable std::mutex mutex_;
  std::chrono::steady_clock::time_point now_{};
  platform::LocalTime local_{2026, 12, 5, 14, 5, 30, 6};
  std::vector<std::chrono::milliseconds> sleeps_;
};

class RecordingConsole final : public platform::Console {
 public:
  bool StdoutIsTerminal() override { return terminal; }
  void WriteStdout(const std::string& utf8) override;
  void WriteStderr(const std::string& utf8) override;
  void Bell() override { ++bells; }
  std::string Stdout() const;
  std::string Stderr() const;
  bool terminal = false;
  int bells = 0;

 private:
  mutable std::mutex mutex_;
  std::string out_;
  std::string err_;
};

struct RecordedMessage {
  std::string text;  // UTF-8
  int style = 0;
};

class RecordingFrontEnd final : public screen::FrontEnd {
 public:
  int ShowMessage(const std::string& text, int style) override;
  void TerminalWritten(std::string_view bytes) override;
  void Beep(int type) override;
  void ShowActivity() override;
  void SetActivityIcon(bool first) override;
  void HideActivity() override;
  void SetCaret(bool on) override;

  // Answers given to the next message boxes, in order; screen::kAnswerOk when empty.
  void QueueAnswer(int answer);
  std::vector<RecordedMessage> Messages() const;
  std::string TerminalText() const;  // UTF-8 of everything written
  std::vector<int> Beeps() const;
  std::vector<std::string> ActivityEvents() const;

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<RecordedMessage> messages_;
  std::string terminal_;
  std::vector<int> beeps_;
  std::vector<std::string> activity_;
};

// The real file system with one injected fault: the `failAt`-th operation
// (counted from 1 over opening, removing, renaming, replacing and listing,
// and every read, write, seek, size and truncation through a handle it
// opened) fails with EIO; 0 injects nothing. Looking names up (Exists,
// Resolve) is not counted. A test raises `failAt` until a run injects nothing.
class FailingFileSystem final : public platform::FileSystem {
 public:
  explicit FailingFileSystem(int failAt) : failAt_(failAt) {}
  std::unique_ptr<platform::FileHandle> Open(const std::string& path, platform::Access access,
                                             platform::Creation creation, bool shareRead,
                                             platform::OsError* error) override;
  bool Remove(const std::string& path, bool* missing, platform::OsError* error) override;
  bool Rename(const std::string& from, const std::string& to, platform::OsError* error) override;
  bool Replace(const std::string& from, const std::string& to, platform::OsError* error) override;
  bool Exists(const std::string& path) override;
  bool List(const std::string& directory, const std::string& prefix, const std::string& suffix,
            std::vector<platform::DirectoryEntry>* entries,
            platform::ListFailure* failure) override;
  std::string Resolve(const std::string& path) override;

  // Whether the fault was injected, and where ("write /dir/P_PLU.dat").
  bool Injected() const;
  std::string InjectedAt() const;
  // Counts an operation; true when it is the one to fail (then *error = EIO).
  bool Fails(const std::string& what, platform::OsError* error);

 private:
  platform::FileSystem& real_ = platform::RealFileSystem();
  const int failAt_;
  mutable std::mutex mutex_;
  int count_ = 0;
  std::string injectedAt_;
};

// The real file system, for doubles that change one of its operations.
class RealFileSystemProxy : public platform::FileSystem {
 public:
  std::unique_ptr<platform::FileHandle> Open(const std::string& path, platform::Access access,
                                             platform::Creation creation, bool shareRead,
                                             platform::OsError* error) override {
    return real_.Open(path, access, creation, shareRead, error);
  }
  bool Remove(const std::string& path, bool* missing, platform::OsError* error) override {
    return real_.Remove(path, missing, error);
  }
  bool Rename(const std::string& from, const std::string& to, platform::OsError* error) override {
    return real_.Rename(from, to, error);
  }
  bool Replace(const std::string& from, const std::string& to, platform::OsError* error) override {
    return real_.Replace(from, to, error);
  }
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  bool List(const std::string& directory, const std::string& prefix, const std::string& suffix,
            std::vector<platform::DirectoryEntry>* entries,
            platform::ListFailure* failure) override {
    return real_.List(directory, prefix, suffix, entries, failure);
  }
  std::string Resolve(const std::string& path) override { return real_.Resolve(path); }

 protected:
  platform::FileSystem& real_ = platform::RealFileSystem();
};

// The real file system whose every listing fails with EIO: before the first
// entry, or (`whileReading`) after the entries were read.
class UnlistableFileSystem final : public RealFileSystemProxy {
 public:
  explicit UnlistableFileSystem(bool whileReading) : whileReading_(whileReading) {}
  bool List(const std::string& directory, const std::string& prefix, const std::string& suffix,
            std::vector<platform::DirectoryEntry>* entries,
            platform::ListFailure* failure) override;

 private:
  const bool whileReading_;
};

// A program instance over a fresh temporary program directory.
class ProgramFixture : public ::testing::Test {
 protected:
  ProgramFixture();
  ~ProgramFixture() override;

  // Path of a file in the program directory.
  std::string PathOf(const std::string& name) const;
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  bool FileExists(const std::string& name) const;
  // True only for a file stored under exactly this spelling (FileExists
  // also finds other spellings where the system ignores letter case).
  bool StoredNameExists(const std::string& name) const;

  std::filesystem::path dir_;
  FakeClock clock_;
  TestProcess process_;
  RecordingConsole console_;
  RecordingFrontEnd frontEnd_;
  std::unique_ptr<frame::Program> program_;
};

// Whether a file that the program holds open without sharing stays closed
// to every other open (Windows) or not (POSIX, which has no such locks).
#ifdef _WIN32
inline constexpr bool kUnsharedFilesAreLocked = true;
#else
inline constexpr bool kUnsharedFilesAreLocked = false;
#endif

// A file that exists but that no open succeeds on, for as long as the object
// lives: a symbolic link to itself on POSIX, a file held open without
// sharing on Windows.
class UnopenableFile {
 public:
  explicit UnopenableFile(const std::filesystem::path& path);
  ~UnopenableFile();
  UnopenableFile(const UnopenableFile&) = delete;
  UnopenableFile& operator=(const UnopenableFile&) = delete;

 private:
  std::unique_ptr<platform::FileHandle> held_;
};

// The failure `action` ends in, with its context as UTF-8; a test failure
// (and code 0) when it completes.
struct CaughtFailure {
  frame::ErrorPair pair{};
  std::string context;
};
CaughtFailure FailureOf(const std::function<void()>& action);

std::filesystem::path MakeTempDirectory(const std::string& tag);
std::string ReadBinary(const std::filesystem::path& path);
void WriteBinary(const std::filesystem::path& path, const std::string& bytes);
// "05 00 12" -> bytes; and back, upper-case, space-separated.
std::string FromHex(const std::string& hex);
std::string ToHex(const std::string& bytes);

}  // namespace tarvik::testing

namespace tarvik::frame::error {
// Failed expectations show a pair as "code/subcode".
inline void PrintTo(const ErrorPair& pair, std::ostream* out) {
  *out << pair.code << "/" << pair.subcode;
}
}  // namespace tarvik::frame::error

// Runs the statement and expects it to fail with the given pair.
#define EXPECT_JOB_FAILURE(statement, expectedPair)                                   \
  do {                                                                                \
    try {                                                                             \
      statement;                                                                      \
      ADD_FAILURE() << "expected failure " << ::testing::PrintToString(expectedPair); \
    } catch (const ::tarvik::frame::JobFailure& failure_) {                           \
      EXPECT_EQ(failure_.pair(), (expectedPair));                                     \
    }                                                                                 \
  } while (0)
