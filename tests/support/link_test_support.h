// The register emulator as the other end of the link in tests: started as a
// child process on its own pty or its own 127.0.0.x address and port, with a data
// directory and a wire transcript that the tests compare with known bytes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "e2e/process_runner.h"

namespace tarvik::testing {

class EmulatedRegister {
 public:
  // `directory` gets the data directory "register" and the transcript.
  explicit EmulatedRegister(const std::filesystem::path& directory);
  ~EmulatedRegister();

  // Data file NN.dat of the register, before it starts.
  void SetFile(const std::string& name, const std::string& bytes);
  std::string File(const std::string& name) const;

  // Returns the pty slave path.
  std::string StartPty(const std::vector<std::string>& options = {});
  // Serves `address` on a free port the system picks (or as the options
  // say), so that test runs side by side never collide; returns
  // "address:port", which a connection line takes as it is.
  std::string StartTcp(const std::string& address, const std::vector<std::string>& options = {});
  // Stops the emulator (after it answered what had arrived) and returns the
  // transcript lines.
  std::vector<std::string> Transcript();
  void Stop();

  const std::filesystem::path& dataDirectory() const { return data_; }

 private:
  std::string Start(const std::vector<std::string>& options, const std::string& readyPrefix);

  std::filesystem::path data_;
  std::filesystem::path transcript_;
  std::unique_ptr<Background> process_;
};

// The emulator: TARVIK_REGISTER_BIN, else the one of this build.
std::string RegisterProgram();

// "D9 06" -> "D9 06 DF 42": a frame with its check bytes, as hex text.
std::string FrameHex(const std::string& bodyHex);

}  // namespace tarvik::testing
