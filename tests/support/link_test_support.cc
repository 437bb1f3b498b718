#include "support/link_test_support.h"

#include <algorithm>
#include <fstream>

#include "e2e/process_runner.h"
#include "link/wire.h"
#include "support/test_support.h"

namespace tarvik::testing {

std::string RegisterProgram() {
  return BuiltProgram("TARVIK_REGISTER_BIN");
}

EmulatedRegister::EmulatedRegister(const std::filesystem::path& directory)
    : data_(directory / "register"), transcript_(directory / "transcript.txt") {
  std::filesystem::create_directories(data_);
}

EmulatedRegister::~EmulatedRegister() {
  Stop();
}

void EmulatedRegister::SetFile(const std::string& name, const std::string& bytes) {
  WriteBinary(data_ / name, bytes);
}

std::string EmulatedRegister::File(const std::string& name) const {
  return ReadBinary(data_ / name);
}

std::string EmulatedRegister::Start(const std::vector<std::string>& options,
                                    const std::string& readyPrefix) {
  std::vector<std::string> args = {"--data", data_.string(), "--transcript", transcript_.string()};
  args.insert(args.end(), options.begin(), options.end());
  process_ = std::make_unique<Background>(RegisterProgram(), args, data_.parent_path());
  std::string line = process_->WaitForLine(readyPrefix);
  return line.substr(line.find(readyPrefix) + readyPrefix.size());
}

std::string EmulatedRegister::StartPty(const std::vector<std::string>& options) {
  std::vector<std::string> args = {"--pty"};
  args.insert(args.end(), options.begin(), options.end());
  return Start(args, "pty: ");
}

std::string EmulatedRegister::StartTcp(const std::string& address,
                                       const std::vector<std::string>& options) {
  std::vector<std::string> args = {"--tcp", address};
  if (std::find(options.begin(), options.end(), "--port") == options.end())
    args.insert(args.end(), {"--port", "0"});
  args.insert(args.end(), options.begin(), options.end());
  return Start(args, "tcp: ");
}

void EmulatedRegister::Stop() {
  if (process_) process_->Stop();
  process_.reset();
}

std::vector<std::string> EmulatedRegister::Transcript() {
  Stop();
  std::vector<std::string> lines;
  std::ifstream in(transcript_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string FrameHex(const std::string& bodyHex) {
  return link::wire::Hex(link::wire::Frame(FromHex(bodyHex)));
}

}  // namespace tarvik::testing
