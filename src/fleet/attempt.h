// One run of `tarvik` for one register: its directory prepared, the job
// started there under the name "tarvik" (so that directory is its program
// directory), waited for with the per-attempt time-out, stopped as by SIGTERM
// when the time is up or the whole run is interrupted, and what it left read
// back.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "fleet/fleet_file.h"
#include "fleet/scheduler.h"

namespace tarvik::fleet {

struct AttemptSetup {
  std::filesystem::path root;            // register directories are root / name
  std::string tarvik;                    // the program to run
  std::optional<std::string> sharedIni;  // tarvik.ini beside the fleet file
  std::chrono::milliseconds timeout{std::chrono::seconds(900)};
  // How long a job may take to leave its interrupt result after the request.
  std::chrono::milliseconds grace{std::chrono::seconds(10)};
};

// What the register's directory gets as tarvik.ini: the shared file with the
// directory's tarvik.ini.local appended; nullopt when there is neither (the
// directory's own tarvik.ini stays).
std::optional<std::string> MergedIni(const std::optional<std::string>& shared,
                                     const std::optional<std::string>& local);

// The tarvik.ini text register `r` will run with.
std::string EffectiveIni(const AttemptSetup& setup, const FleetRegister& r);

AttemptReport RunAttempt(const AttemptSetup& setup, const FleetRegister& r,
                         const std::string& commandBytes, const std::atomic<bool>& stop);

}  // namespace tarvik::fleet
