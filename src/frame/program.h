// The program context: every record that the whole program shares (settings,
// paths, the connection line, the current command, the last error, the status
// screen) lives here, created once by main and afresh by each test. The
// services of the operating system come in through the platform seam.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "frame/directory_lock.h"
#include "frame/serial_line_settings.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/serial_port.h"
#include "screen/front_end.h"
#include "screen/screen.h"

namespace tarvik::frame {

inline constexpr std::size_t kPathBuffer = 260;

struct Paths {
  std::string argv0;             // as the program was started, for the restart
  std::string programDirectory;  // ends with the path separator when not empty
  bool hasProgramDirectory = false;
  std::string commandFileName;  // last path component of the command file
};

struct JobSettings {
  std::string priponaCmd = "cmd";
  char oddelovac = ';';
  std::string cisloModem;
  int timeout = 10;
  int zpozdeni = 1600;
  int waitModem = 30;
  int komunikaceModem = 0;
  int zvuk = -1;
  int ticho = 0;
  int debug = 0;
  int rawdebug = 0;
  int okno = 0;
  int hlaseni = 0;
  int stahujvzdy = 0;
  int konverze = 0;
  int fiskal = 0;
  int progress = 0;
  int extendJournal = 0;
  int zurnalRadky = 1;
  std::uint8_t cislovani = 0;
  int cisniciplu = 1;
  int extraucty = 0;
  int simulace = 0;
  // Seconds to wait for the program directory held by another process (0: no wait).
  int cekaniZamku = kDefaultLockWaitSeconds;
  int noLink = 0;
  int leaveDtr = 0;
  int setClockOnly = 0;
  int searchOnly = 0;
  int searchWithWindow = 0;
  int jobRequested = 0;
  int iniFileFound = 0;
};

// A switch found on the command line makes the INI key of its setting ignored.
struct CommandLineMarks {
  bool debug = false;
  bool okno = false;
  bool ticho = false;
  bool hlaseni = false;
  bool stahujvzdy = false;
  bool konverze = false;
  bool fiskal = false;
  bool rawdebug = false;
};

enum class LinkType { kSerial, kTcpIp };

struct ConnectionLine {
  LinkType linkType = LinkType::kSerial;
  std::string terminalText;
  int terminalNumber = 0;
  char comDigit = '1';
  int comNumber = 1;
  unsigned baudRate = 38400;
  int dataBits = 8;
  platform::Parity parity = platform::Parity::kOdd;
  std::string ipAddress;
  std::string modelText;
  int modelNumber = 0;
  std::string logFileName = "error.log";
};

struct JobCommand {
  std::string commandText;
  char commandLetter = 0;
  bool isRead = false;
  bool isWrite = false;
  bool isWriteAfterClear = false;
  bool isRegisterOp = false;
  bool isAccounts = false;
  bool isSpecial = false;
  std::uint8_t fileNumber = 0;
  int accountNumber = 0;
  int isJournal = 0;
  std::string dataFileName;
};

struct LastError {
  int lastErrorCode = 0;
  int lastErrorSubcode = 0;
  std::uint32_t lastOsError = 0;
};

// The operating-system services a program instance uses.
struct Services {
  platform::FileSystem& fs;
  platform::Clock& clock;
  platform::Process& process;
  platform::Console& console;
  screen::FrontEnd& frontEnd;
};

class Program {
 public:
  explicit Program(const Services& services);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  platform::FileSystem& fs;
  platform::Clock& clock;
  platform::Process& process;
  platform::Console& console;
  screen::FrontEnd& frontEnd;

  Paths paths;
  JobSettings settings;
  // Devices of COM1..COM9 named by comN= lines of tarvik.ini (index 1..9;
  // empty: the system's default device of COMN, platform::DefaultComDevice).
  std::array<std::string, 10> comDevice;
  CommandLineMarks marks;
  ConnectionLine connection;
  JobCommand command;
  LastError lastError;
  screen::TerminalState terminal;
  SerialLineSettings serialLine;

  // Format-table variant of the current job (models 39T, 362, 396).
  bool variantTables = false;
  // Whether the failed job used the network, for the log line and closing.
  bool connectionParsed = false;

  // One job per program directory; also what a stop request (signal) ends.
  DirectoryLock directoryLock;

  // Hang the modem up when the job ends (/z, or "$" of a command line):
  // written by the job thread, read by the failure exit.
  std::atomic<int> hangUpAfterJob{0};

  // The failure exit runs once per process: the first thread to fail takes it.
  std::atomic_flag failureTaken = ATOMIC_FLAG_INIT;

  // Set by the link while a port or socket may be open, so the failure exit
  // can close it (restoring the line) without the frame knowing the link.
  std::function<void()> closeLink;

  // The program directory followed by the name (or the name alone).
  std::string MakeProgramPath(const std::string& name) const;
};

}  // namespace tarvik::frame
