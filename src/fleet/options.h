// tarvik-fleet's command line.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvik::fleet {

struct Options {
  std::string fleetFile;
  std::optional<std::string> root;
  int jobs = 8;
  int retries = 2;
  int timeoutSeconds = 900;
  std::vector<std::string> only;
  bool failed = false;
  std::optional<std::string> tarvik;
  std::optional<std::string> summary;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// args without the program name; "--opt VALUE" and "--opt=VALUE" both work.
Options ParseOptions(const std::vector<std::string>& args);

extern const char kUsage[];

}  // namespace tarvik::fleet
