// What two jobs of a fleet must never use at the same time: a serial device
// (a COM number, or two COM numbers that tarvik.ini maps to one device), and
// a register's network address, since a register serves one connection.
#pragma once

#include <set>
#include <string>

#include "frame/program.h"

namespace tarvik::fleet {

// The key of the resource a register's job holds for its whole run, given the
// tarvik.ini text its directory will get (its comN= lines map the ports).
std::string ExclusiveResource(const frame::ConnectionLine& connection, const std::string& iniText);

// The resources held by running jobs. Not thread-safe: its owner locks.
class ResourceSet {
 public:
  bool TryTake(const std::string& key) { return held_.insert(key).second; }
  void Release(const std::string& key) { held_.erase(key); }
  bool Held(const std::string& key) const { return held_.count(key) != 0; }

 private:
  std::set<std::string> held_;
};

}  // namespace tarvik::fleet
