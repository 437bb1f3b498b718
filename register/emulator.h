// The emulated register: its files (records per file number), its answers to
// the utility's requests, and the faults it can be told to make. The wire
// exchange is the utility's own link protocol, seen from the other end.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "frame/program.h"
#include "register/transport.h"

namespace tarvik::reg {

struct Options {
  // Transport.
  bool tcp = false;
  std::string address = "127.0.0.1";
  std::uint16_t port = 14000;
  std::string ptyLink;  // symlink to the pty slave
  // Content.
  std::string dataDirectory;  // NN.dat files; empty: everything empty
  bool save = true;
  char separator = ';';
  bool numbered = false;  // cislovani
  // Behaviour.
  int terminal = 1;
  std::string model = "650";
  bool fiscal = false;
  bool keyInReg = false;
  std::set<std::uint8_t> operationFiles;  // write requests answered with the end marker
  std::string rawText;
  bool rawTextSet = false;
  std::uint8_t identCode = 9;
  std::uint8_t identVersion = 0x32;
  unsigned answerSpeed = 0;  // 0: any
  // Faults.
  int corruptFrame = 0;  // k-th frame sent, its first corruptCount transmissions
  int corruptCount = 1;
  bool silent = false;
  int rejectFrame = 0;  // k-th frame received, its first rejectCount arrivals
  int rejectCount = 1;
  bool noFrameReplies = false;  // data frames of a write get no answer
  int wrongEcho = 0;            // this many replies carry a wrong command byte
  int closeAfter = 0;           // TCP: close after this many data frames
  bool replyApart = false;
  int splitFrame = 0;   // TCP: the k-th frame sent goes in two segments
  std::string chatter;  // sent unasked after every transfer
  unsigned emulatedBaud = 0;
  // Output.
  std::string transcript;
  int idleMs = 3000;  // silence that ends a transfer in progress
};

bool IsVariantModel(const std::string& model);

// The register's files. With a data directory, file NN is loaded from NN.dat
// (the utility's data-file line format, through its converters) and saved
// there after every change. Besides: the items of account N from 91-N.dat
// and the journal (file 87) from 87.txt, one record per line in hex. A
// register always has its tax table: without 30.dat file 30 holds eight
// taxes, 21.00, 15.00, 10.00 and five of 0 (lines 0001;2100;00 ...).
class Memory {
 public:
  Memory(frame::Program& program, const Options& options);
  // Loads the data directory; false with a message when a file does not
  // convert.
  bool Load(std::string* error);
  std::vector<std::string>& File(std::uint8_t number) { return files_[number]; }
  std::uint32_t BlockLength(std::uint8_t number) const;
  void Save(std::uint8_t number);
  // What a read of file 91 returns: the items of the account the first record
  // of file 67 selects (none when 91-N.dat was not given), or file 91 itself
  // while file 67 is empty.
  const std::vector<std::string>& AccountItems();

 private:
  // One data file of register file `number` into its records.
  bool LoadRecords(const std::string& path, std::uint8_t number, std::vector<std::string>* records,
                   std::string* error);
  bool LoadJournal(const std::string& path, std::string* error);
  // The account number of the selection record (18 BCD digits behind its
  // number); none when it holds other nibbles.
  std::optional<std::uint64_t> SelectedAccount();

  frame::Program& program_;
  const Options& options_;
  std::map<std::uint8_t, std::vector<std::string>> files_;
  std::map<std::uint64_t, std::vector<std::string>> accountItems_;
  const std::vector<std::string> noItems_;
};

// Hex text of every exchange: "> " what the utility sent, "< " what the
// register sent, one line per frame (or piece sent as one).
class Transcript {
 public:
  explicit Transcript(const std::string& path);
  ~Transcript();
  void Line(char direction, const std::string& wireBytes);
  void Note(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

// Serves one connection (TCP) or the pty until it closes or stop is asked.
class Session {
 public:
  Session(const Options& options, Memory& memory, Transport& transport, Transcript& transcript);
  void Run();

 private:
  bool Read(std::string* out, std::size_t count, bool idle);
  void LogReceived();
  void Send(const std::string& bytes);
  std::string Reply(std::uint8_t command, std::uint8_t status);
  std::uint8_t StatusByte() const;
  void HandleRequest(const std::string& request);
  // Reads on after the first bytes of `unit` when they start a new request;
  // true when they did (it is then pending).
  bool NewRequest(std::string* unit);
  void ServeRead(std::uint8_t command, std::uint8_t file);
  void ServeWrite(std::uint8_t command, std::uint8_t file);
  void ServeRawText();
  std::string DataFrame(const std::string& record, std::uint32_t length);
  void Statistics(std::uint8_t file, int frames);
  void Commit(std::uint8_t file, const std::vector<std::string>& records);

  const Options& options_;
  Memory& memory_;
  Transport& transport_;
  Transcript& transcript_;
  int framesSent_ = 0;  // this connection, for closeAfter and the faults
  int framesReceived_ = 0;
  int wrongEchoLeft_ = 0;
  std::map<int, int> corruptions_;
  std::map<int, int> rejections_;
  bool splitDone_ = false;
  // A request that arrived while a transfer waited for something else: the
  // utility gave the transfer up.
  std::string pendingRequest_;
  Clock::time_point start_{};
  std::uint64_t bytesIn_ = 0;
  std::uint64_t bytesOut_ = 0;
};

}  // namespace tarvik::reg
