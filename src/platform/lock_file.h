// An advisory lock on one file, the way programs sharing a directory agree
// who works in it. The system drops the lock when its holder ends in any way
// (a crash or a kill included), so no stale lock is ever left behind.
// Within one process two LockFile objects on the same file exclude each
// other as two processes do.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tarvik::platform {

class LockFile {
 public:
  // Opens `path`, creating it when missing; the lock is not taken yet.
  // nullptr with *error set when the file cannot be opened or created.
  static std::unique_ptr<LockFile> Open(const std::string& path, OsError* error);

  virtual ~LockFile() = default;
  // true when the lock is now held; false with *error = 0 while another
  // holder has it, false with *error set when the system refuses.
  virtual bool TryLock(OsError* error) = 0;
  // Releases a held lock.
  virtual void Unlock() = 0;
  // Replaces the file's text (the holder says who it is); only while held.
  virtual bool WriteText(const std::string& text, OsError* error) = 0;
  // The file's text as its holder wrote it (readable without the lock).
  virtual std::string ReadText() = 0;
};

// The current process's id.
unsigned long CurrentProcessId();

}  // namespace tarvik::platform
