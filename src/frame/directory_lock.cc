#include "frame/directory_lock.h"

#include "frame/program.h"
#include "frame/status.h"
#include "platform/serial_port.h"

namespace tarvik::frame {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRetryInterval{100};

std::string DirectoryShown(const Program& program) {
  return program.paths.hasProgramDirectory ? program.paths.programDirectory : std::string("./");
}

std::string HolderText(const std::string& lockText) {
  // "1234 2026-12-07 00:51:02": the pid, then the local time the lock was taken.
  std::size_t blank = lockText.find(' ');
  std::string pid = lockText.substr(0, blank);
  std::string since = blank == std::string::npos ? std::string() : lockText.substr(blank + 1);
  while (!since.empty() && (since.back() == '\r' || since.back() == '\n')) since.pop_back();
  if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) {
    return "neznámý proces";
  }
  return since.empty() ? "pid " + pid : "pid " + pid + ", od " + since;
}

}  // namespace

DirectoryLock::Outcome DirectoryLock::Take(Program& program, std::chrono::seconds wait,
                                           bool quietWhenBusy) {
  const std::string prefix = "Komunikace Tarvik: ";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (holds_ > 0) {
      ++holds_;
      return Outcome::kTaken;
    }
  }
  platform::OsError error = 0;
  const std::string path = program.MakeProgramPath(kLockFileName);
  std::unique_ptr<platform::LockFile> file = platform::LockFile::Open(path, &error);
  auto failed = [&](const char* what) {
    program.console.WriteStderr(prefix + "V adresáři programu " + DirectoryShown(program) +
                                " nelze " + what + " " + kLockFileName + " (" +
                                platform::SystemErrorText(error) +
                                "); úloha neproběhla. Adresář musí být zapisovatelný.\n");
    return Outcome::kFailed;
  };
  if (!file) return failed("vytvořit soubor zámku");

  const auto deadline = program.clock.SteadyNow() + wait;
  bool told = false;
  for (;;) {
    if (stopSubcode_.load() != 0) return Outcome::kInterrupted;
    if (file->TryLock(&error)) break;
    if (error != 0) return failed("zamknout soubor");
    const std::string holder = HolderText(file->ReadText());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      holder_ = holder;
    }
    const bool over = program.clock.SteadyNow() >= deadline;
    if (over) {
      if (quietWhenBusy) return Outcome::kBusy;
      std::string why = wait.count() == 0 ? std::string("; čekání je vypnuto (cekani_zamku=0)")
                                          : " ani po " + std::to_string(wait.count()) +
                                                " s čekání (cekani_zamku)";
      program.console.WriteStderr(prefix + "Adresář programu " + DirectoryShown(program) +
                                  " používá jiný proces tarvik (" + holder + ")" + why +
                                  "; úloha neproběhla a v adresáři se nic nezměnilo.\n");
      return Outcome::kBusy;
    }
    if (!told && !quietWhenBusy) {
      told = true;
      program.console.WriteStderr(prefix + "Adresář programu " + DirectoryShown(program) +
                                  " používá jiný proces tarvik (" + holder + "); čekám nejvýše " +
                                  std::to_string(wait.count()) + " s.\n");
    }
    program.clock.Sleep(kRetryInterval);
  }

  const platform::LocalTime t = program.clock.LocalNow();
  file->WriteText(std::to_string(platform::CurrentProcessId()) +
                      Format(" %04d-%02d-%02d %02d:%02d:%02d\r\n", t.year, t.month, t.day, t.hour,
                             t.minute, t.second),
                  &error);
  std::lock_guard<std::mutex> lock(mutex_);
  // A stop request that came while the lock was taken finds it held only
  // from here on; one that came before is seen here.
  if (stopSubcode_.load() != 0) return Outcome::kInterrupted;
  file_ = std::move(file);
  holds_ = 1;
  if (told) program.console.WriteStderr(prefix + "Adresář programu je volný, úloha pokračuje.\n");
  return Outcome::kTaken;
}

void DirectoryLock::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (holds_ == 0 || --holds_ > 0) return;
  file_->Unlock();
  file_.reset();
}

bool DirectoryLock::Held() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return holds_ > 0;
}

std::string DirectoryLock::Holder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return holder_;
}

bool DirectoryLock::RequestStop(int subcode) {
  std::lock_guard<std::mutex> lock(mutex_);
  stopSubcode_.store(subcode);
  return holds_ > 0;
}

DirectoryLock::Outcome TakeDirectoryLock(Program& program) {
  return program.directoryLock.Take(program, std::chrono::seconds(program.settings.cekaniZamku));
}

}  // namespace tarvik::frame
