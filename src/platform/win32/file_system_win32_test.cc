// The Windows file system and clock: sharing, letter case, replacing and
// listing as the program's files need them.
#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/file_system.h"

namespace tarvik::platform {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  Win32FileSystemTest() {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("tarvik-win32fs-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(counter++));
    std::filesystem::create_directories(dir_);
  }
  ~Win32FileSystemTest() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string PathOf(const std::string& name) const { return dir_.string() + "\\" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> StoredNames() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::unique_ptr<FileHandle> Open(const std::string& name, Access access, Creation creation,
                                   bool shareRead, OsError* error) {
    return fs_.Open(PathOf(name), access, creation, shareRead, error);
  }

  FileSystem& fs_ = RealFileSystem();
  std::filesystem::path dir_;
};

TEST_F(Win32FileSystemTest, AFileHeldWithoutSharingKeepsEveryOtherOpenOut) {
  Write("error.log", "line\r\n");
  OsError error = 0;
  auto writer = Open("error.log", Access::kWrite, Creation::kOpenAlways, false, &error);
  ASSERT_NE(writer, nullptr) << error;

  error = 0;
  EXPECT_EQ(Open("ERROR.LOG", Access::kRead, Creation::kOpenExisting, true, &error), nullptr);
  EXPECT_EQ(error, static_cast<OsError>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(IsMissingFileError(error));
  // Nor can it be removed or replaced while held.
  bool missing = true;
  EXPECT_FALSE(fs_.Remove(PathOf("error.log"), &missing, &error));
  EXPECT_FALSE(missing);
  writer.reset();

  // Shared for reading: other readers get in, a writer does not.
  auto reader = Open("error.log", Access::kRead, Creation::kOpenExisting, true, &error);
  ASSERT_NE(reader, nullptr) << error;
  auto second = Open("error.log", Access::kRead, Creation::kOpenExisting, true, &error);
  EXPECT_NE(second, nullptr) << error;
  error = 0;
  EXPECT_EQ(Open("error.log", Access::kReadWrite, Creation::kOpenExisting, false, &error), nullptr);
  EXPECT_EQ(error, static_cast<OsError>(ERROR_SHARING_VIOLATION));
}

TEST_F(Win32FileSystemTest, CreationModesAndByteOperations) {
  OsError error = 0;
  EXPECT_EQ(Open("none.dat", Access::kRead, Creation::kOpenExisting, false, &error), nullptr);
  EXPECT_TRUE(IsMissingFileError(error));
  error = 0;
  EXPECT_EQ(
      fs_.Open(PathOf("nodir\\a.dat"), Access::kWrite, Creation::kCreateAlways, false, &error),
      nullptr);
  EXPECT_TRUE(IsMissingFileError(error));

  {
    auto f = Open("b.dat", Access::kReadWrite, Creation::kOpenAlways, false, &error);
    ASSERT_NE(f, nullptr) << error;
    EXPECT_EQ(f->Write("abcdef", 6, &error), 6);
    EXPECT_EQ(f->Size(&error), 6);
    ASSERT_TRUE(f->Seek(2, &error));
    char got[8] = {};
    EXPECT_EQ(f->Read(got, sizeof got, &error), 4);
    EXPECT_EQ(std::string(got, 4), "cdef");
    EXPECT_EQ(f->Read(got, sizeof got, &error), 0);  // the end
    ASSERT_TRUE(f->SeekToEnd(&error));
    EXPECT_EQ(f->Write("g", 1, &error), 1);
  }
  EXPECT_EQ(Read("b.dat"), "abcdefg");
  {
    // Opening always keeps what is there; creating always empties it.
    auto f = Open("B.DAT", Access::kWrite, Creation::kOpenAlways, false, &error);
    ASSERT_NE(f, nullptr) << error;
    EXPECT_EQ(f->Size(&error), 7);
  }
  {
    auto f = Open("B.dat", Access::kWrite, Creation::kCreateAlways, false, &error);
    ASSERT_NE(f, nullptr) << error;
    EXPECT_EQ(f->Write("xy", 2, &error), 2);
    EXPECT_TRUE(f->Truncate(&error));
    EXPECT_EQ(f->Size(&error), 0);
  }
  EXPECT_EQ(Read("b.dat"), "");
  // The name keeps the spelling it was first created with.
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"b.dat"});

  // A directory is no file to read.
  std::filesystem::create_directory(dir_ / "sub");
  EXPECT_EQ(Open("sub", Access::kRead, Creation::kOpenExisting, false, &error), nullptr);
}

TEST_F(Win32FileSystemTest, NamesMeetWithoutRegardToCase) {
  Write("X_REG.DAT", "0001\r\n");
  EXPECT_EQ(fs_.Resolve(PathOf("x_reg.dat")), PathOf("x_reg.dat"));
  EXPECT_TRUE(fs_.Exists(PathOf("x_Reg.Dat")));
  EXPECT_FALSE(fs_.Exists(PathOf("x_reg.da")));
  OsError error = 0;
  auto f = Open("x_reg.dat", Access::kRead, Creation::kOpenExisting, false, &error);
  ASSERT_NE(f, nullptr) << error;
  char got[8] = {};
  EXPECT_EQ(f->Read(got, sizeof got, &error), 6);
  EXPECT_EQ(std::string(got, 6), "0001\r\n");
}

TEST_F(Win32FileSystemTest, RemoveReportsAMissingFile) {
  bool missing = false;
  OsError error = 0;
  EXPECT_TRUE(fs_.Remove(PathOf("gone.tmp"), &missing, &error));
  EXPECT_TRUE(missing);
  EXPECT_EQ(error, static_cast<OsError>(ERROR_FILE_NOT_FOUND));

  Write("WORK01.TMP", "x");
  missing = true;
  EXPECT_TRUE(fs_.Remove(PathOf("work01.tmp"), &missing, &error));
  EXPECT_FALSE(missing);
  EXPECT_TRUE(StoredNames().empty());
}

TEST_F(Win32FileSystemTest, RenameNeverOverwritesAndReplaceDoes) {
  Write("work03.tmp", "new");
  Write("Error.log", "old");
  OsError error = 0;
  EXPECT_FALSE(fs_.Rename(PathOf("work03.tmp"), PathOf("ERROR.LOG"), &error));
  EXPECT_EQ(error, static_cast<OsError>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(Read("Error.log"), "old");
  EXPECT_EQ(Read("work03.tmp"), "new");

  ASSERT_TRUE(fs_.Replace(PathOf("work03.tmp"), PathOf("ERROR.LOG"), &error)) << error;
  EXPECT_EQ(Read("error.log"), "new");
  EXPECT_EQ(StoredNames().size(), 1u);
  EXPECT_FALSE(fs_.Exists(PathOf("work03.tmp")));

  EXPECT_TRUE(fs_.Rename(PathOf("error.log"), PathOf("log.bak"), &error)) << error;
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"log.bak"});
  error = 0;
  EXPECT_FALSE(fs_.Replace(PathOf("missing.tmp"), PathOf("log.bak"), &error));
  EXPECT_TRUE(IsMissingFileError(error));
  EXPECT_EQ(Read("log.bak"), "new");
}

TEST_F(Win32FileSystemTest, ListMatchesPrefixAndSuffixWithoutCaseAndSkipsDirectories) {
  Write("ZURNAL01.TXT", "a");
  Write("zurnal02.txt", "b");
  Write("Zurnal03.dat", "c");
  Write("other.txt", "d");
  std::filesystem::create_directory(dir_ / "zurnal04.txt");

  std::vector<DirectoryEntry> entries;
  ListFailure failure;
  ASSERT_TRUE(fs_.List(dir_.string(), "zurnal", ".TXT", &entries, &failure)) << failure.error;
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ZURNAL01.TXT", "zurnal02.txt"}));

  // The key is the system's creation time of the file.
  for (const auto& e : entries) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExA(PathOf(e.name).c_str(), GetFileExInfoStandard, &data));
    std::int64_t expected = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) |
        data.ftCreationTime.dwLowDateTime);
    EXPECT_EQ(e.creationTime, expected) << e.name;
    EXPECT_GT(e.creationTime, 0) << e.name;
  }

  // A name shorter than prefix and suffix together does not match even where
  // they overlap; a missing directory is an error.
  entries.clear();
  ASSERT_TRUE(fs_.List(dir_.string() + "/", "other.t", "t.txt", &entries, &failure));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(fs_.List(PathOf("nodir"), "", "", &entries, &failure));
  EXPECT_TRUE(IsMissingFileError(failure.error));
  EXPECT_FALSE(failure.whileReading);
}

TEST(Win32Clock, LocalTimeIsACalendarDateWithItsWeekday) {
  LocalTime t = SystemClock().LocalNow();
  using namespace std::chrono;
  year_month_day date{year{t.year}, month{static_cast<unsigned>(t.month)},
                      day{static_cast<unsigned>(t.day)}};
  ASSERT_TRUE(date.ok()) << t.year << "-" << t.month << "-" << t.day;
  EXPECT_GE(t.year, 2024);
  EXPECT_EQ(weekday{sys_days{date}}.c_encoding(), static_cast<unsigned>(t.dayOfWeek));
  EXPECT_TRUE(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
              t.second <= 59);
}

TEST(Win32Desktop, AWindowsSessionAlwaysHasADesktop) {
  EXPECT_TRUE(DisplayAvailable());
}

}  // namespace
}  // namespace tarvik::platform
