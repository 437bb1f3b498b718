#include "platform/lock_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace tarvik::platform {
namespace {

TEST(LockFileTest, TwoOpensExcludeEachOtherAndTheTextStaysReadable) {
  const std::filesystem::path dir = testing::MakeTempDirectory("lock");
  const std::string path = (dir / "tarvik.lck").string();
  OsError error = 0;
  std::unique_ptr<LockFile> first = LockFile::Open(path, &error);
  std::unique_ptr<LockFile> second = LockFile::Open(path, &error);
  ASSERT_TRUE(first && second) << error;

  ASSERT_TRUE(first->TryLock(&error));
  ASSERT_TRUE(first->WriteText("4242 2026-12-07 01:02:03\r\n", &error)) << error;
  EXPECT_FALSE(second->TryLock(&error));
  EXPECT_EQ(error, 0u);  // held by another, not a failure
  EXPECT_EQ(second->ReadText(), "4242 2026-12-07 01:02:03\r\n");
  // A shorter text replaces the longer one entirely.
  ASSERT_TRUE(first->WriteText("7 x\r\n", &error));
  EXPECT_EQ(second->ReadText(), "7 x\r\n");

  first->Unlock();
  EXPECT_TRUE(second->TryLock(&error));
  EXPECT_FALSE(first->TryLock(&error));
  // Closing the holder drops its lock, as the end of its process does.
  second.reset();
  EXPECT_TRUE(first->TryLock(&error));
  first.reset();
  std::filesystem::remove_all(dir);
}

TEST(LockFileTest, AFileThatCannotBeCreatedIsAnError) {
  const std::filesystem::path dir = testing::MakeTempDirectory("lock");
  OsError error = 0;
  EXPECT_EQ(LockFile::Open((dir / "missing" / "tarvik.lck").string(), &error), nullptr);
  EXPECT_NE(error, 0u);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarvik::platform
