// tarvik-register: a cash register on a pseudo-terminal or a TCP port, for
// the tests, the demo and for trying command files without a register.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "frame/program.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/tcp_socket.h"
#include "register/emulator.h"
#include "register/transport.h"
#include "screen/front_end.h"

namespace {

using namespace tarvik;

std::atomic<bool> gStop{false};

extern "C" void OnSignal(int) {
  gStop = true;
}

constexpr char kHelp[] = R"(Usage: tarvik-register [options]

An emulated cash register for tarvik: it answers the link protocol on a
pseudo-terminal (the default) or on a TCP port, keeps its register files in
memory, loaded from and saved to a directory of data files, and can be told
to make the faults a real line makes.

Transport:
  --pty                 serve on a new pseudo-terminal (the default); prints
                        "pty: /dev/pts/N" when ready. Point tarvik at it with
                        a line "comN=/dev/pts/N" in tarvik.ini.
  --link PATH           also make PATH a symbolic link to the pty
  --tcp [ADDR[:PORT]]   serve TCP instead, default 127.0.0.1:14000; prints
                        "tcp: ADDR:PORT" when ready. One connection at a time.
  --port N              the TCP port (0: any free one, printed)

Register content:
  --data DIR            register file NN is DIR/NN.dat (two hexadecimal
                        digits, e.g. 03.dat for the PLU items), in tarvik's
                        own data-file line format, read and written through
                        its converters. Files not given are empty, except
                        the tax table (file 30), which without 30.dat holds
                        eight taxes: 0001;2100;00, 0002;1500;00,
                        0003;1000;00 and 0004..0008 with rate 0000. Every
                        file the register receives or clears is written
                        back. Besides the NN.dat files:
                          DIR/91-N.dat  the items of account N (decimal,
                                        e.g. 91-7.dat), in the line format
                                        of file 91: 8 digits; 2 digits of
                                        the department; 2 of the type; 26
                                        digits (14 of the PLU, 4 unused, 8
                                        more). The type of a department
                                        item is D0, written "=0" (digits
                                        are nibbles added to "0"), e.g.
                                        00000123;07;=0;
                                        00000000000000000000004500
                          DIR/87.txt    the electronic journal (file 87):
                                        one record per line in hexadecimal,
                                        blanks between the bytes allowed,
                                        "#" starts a comment; records of
                                        up to 24 bytes, shorter ones go out
                                        filled with zero bytes. Every read
                                        returns the whole journal. (87.dat
                                        in the line format works too; not
                                        both.)
  --no-save             keep received files in memory only
  --separator C         field separator of the data files (default ";")
  --numbered            data files carry record numbers (tarvik's cislovani=1)

Behaviour:
  --terminal N          terminal number answered (default 1); requests for
                        another terminal get no answer
  --model M             register model (default 650); 39T, 362 and 396 use
                        the variant block lengths, 39T reports the REG key
                        position with status 08 instead of 10
  --fiscal              a fiscal register: answers the command bytes D7/D3
                        only (an ordinary one answers D9/D0 only)
  --key-reg             the key is in the REG position (status 10, 39T: 08)
  --operations LIST     file numbers (hex, comma separated, e.g. 4C,03) that
                        are operations: a write request for one of them
                        clears that file and is answered with the end marker
                        (tarvik's N commands)
  --raw-text TEXT       answer a read of file 59 with "YYYY" and TEXT
  --raw-text-file FILE  the same with the bytes of FILE
  --identify CODE,VER   reply to the identification request E9 with these two
                        bytes (default 9,0x32)
  --speed BAUD          answer only when the line runs at BAUD (pty: the
                        speed tarvik set on the port)
  --baud BAUD           take the time a line at BAUD with 11-bit characters
                        takes, for every byte in both directions

Writes: a write to file NN puts each record in place of the stored record
with the same number (its first two bytes) and adds the others; a write to
file 65 (stock) puts each record in place of the one with the same PLU
(its 14 digits) and adds the others; a write to file 61 (tarvik's W03)
replaces file 03 as a whole. A write request for a file that has no
records on the link (block length 0, such as 4C) is answered with the end
marker, as an operation is.

Accounts: file 89 (89.dat) is the list of open accounts, one line each,
account number first (0003;0002;000000004500). Writing file 67 (tarvik's
selection line 0001;<account as 9 digits>) selects an account: while file
67 holds a record, a read of file 91 returns the items of the account its
first record names (DIR/91-N.dat; none when that file was not given);
while file 67 is empty, file 91 itself (91.dat). A read of file 91 ends
with an empty item instead of the end marker.

Identification: the request E9 is answered with --identify's two bytes on
any terminal. Discovery then probes the terminal numbers with a read of
file 30 and drains eight of its records. To be found on one port among
several, give each COMn of tarvik.ini a device (comN=PATH) and point the
ports without a register at paths that do not exist; --speed makes the
register answer at one speed only.

Faults:
  --corrupt-frame K[:N] the K-th data frame sent goes out with bad check
                        bytes in its first N transmissions (default 1)
  --silent              never answer
  --reject-frame K[:N]  reject the K-th data frame received N times (default 1)
  --no-frame-replies    the data frames of a write get no answer
  --wrong-echo N        the first N replies carry a wrong command byte
  --close-after K       TCP: close the connection after K data frames
  --reply-apart         TCP: send the reply to a read request alone and wait
                        for tarvik's extra acknowledge before the first frame
                        (by default they travel in one segment)
  --split-frame K       TCP: send the K-th data frame in two segments
  --chatter HEX         100 ms after every transfer send these bytes unasked
                        (e.g. "06"), as a register with a noisy line does

Output:
  --transcript FILE     hex text of every exchange, one line per frame or
                        piece: "> " what tarvik sent, "< " what the register
                        sent (TCP: the bytes on the wire, 0xFF doubled)
  --idle-ms N           silence that ends a transfer in progress (default 3000)
  --help                this text

After every transfer a line "tarvik-register: transfer file=NN frames=..
in=.. out=.. elapsed_ms=.." goes to stderr. SIGTERM or SIGINT ends it after
what has arrived has been answered.
)";

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "tarvik-register: %s (see --help)\n", problem.c_str());
  std::exit(2);
}

long Number(const std::string& text, const std::string& option) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') Usage(option + ": not a number: " + text);
  return value;
}

// "K" or "K:N".
void CountPair(const std::string& text, const std::string& option, int* k, int* n) {
  std::size_t colon = text.find(':');
  *k = static_cast<int>(Number(text.substr(0, colon), option));
  if (colon != std::string::npos) *n = static_cast<int>(Number(text.substr(colon + 1), option));
}

// How an option takes its value: none, the next argument (or "=VALUE"), or
// the next argument only when it is not an option itself.
enum class Takes { kNothing, kValue, kOptionalValue };

struct OptionRule {
  std::string_view name;
  Takes takes;
  void (*apply)(reg::Options& o, const std::string& value, const std::string& option);
};

using O = reg::Options;
using S = const std::string&;

constexpr OptionRule kOptionRules[] = {
    // Transport
    {"--pty", Takes::kNothing, [](O& o, S, S) { o.tcp = false; }},
    {"--link", Takes::kValue, [](O& o, S v, S) { o.ptyLink = v; }},
    {"--tcp", Takes::kOptionalValue,
     [](O& o, S v, S option) {
       o.tcp = true;
       if (v.empty()) return;
       const std::size_t colon = v.find(':');
       o.address = v.substr(0, colon);
       if (colon != std::string::npos) {
         o.port = static_cast<std::uint16_t>(Number(v.substr(colon + 1), option));
       }
     }},
    {"--port", Takes::kValue,
     [](O& o, S v, S option) { o.port = static_cast<std::uint16_t>(Number(v, option)); }},
    // Register content
    {"--data", Takes::kValue, [](O& o, S v, S) { o.dataDirectory = v; }},
    {"--no-save", Takes::kNothing, [](O& o, S, S) { o.save = false; }},
    {"--separator", Takes::kValue,
     [](O& o, S v, S) {
       if (v.size() != 1) Usage("--separator takes one character");
       o.separator = v[0];
     }},
    {"--numbered", Takes::kNothing, [](O& o, S, S) { o.numbered = true; }},
    // Behaviour
    {"--terminal", Takes::kValue,
     [](O& o, S v, S option) { o.terminal = static_cast<int>(Number(v, option)); }},
    {"--model", Takes::kValue, [](O& o, S v, S) { o.model = v; }},
    {"--fiscal", Takes::kNothing, [](O& o, S, S) { o.fiscal = true; }},
    {"--key-reg", Takes::kNothing, [](O& o, S, S) { o.keyInReg = true; }},
    {"--operations", Takes::kValue,
     [](O& o, S v, S option) {
       std::stringstream list(v);
       std::string item;
       while (std::getline(list, item, ',')) {
         o.operationFiles.insert(static_cast<std::uint8_t>(Number("0x" + item, option)));
       }
     }},
    {"--raw-text", Takes::kValue,
     [](O& o, S v, S) {
       o.rawText = v;
       o.rawTextSet = true;
     }},
    {"--raw-text-file", Takes::kValue,
     [](O& o, S v, S) {
       std::ifstream in(v, std::ios::binary);
       if (!in) Usage("--raw-text-file: cannot read the file");
       std::ostringstream bytes;
       bytes << in.rdbuf();
       o.rawText = bytes.str();
       o.rawTextSet = true;
     }},
    {"--identify", Takes::kValue,
     [](O& o, S v, S option) {
       const std::size_t comma = v.find(',');
       if (comma == std::string::npos) Usage("--identify takes CODE,VERSION");
       o.identCode = static_cast<std::uint8_t>(Number(v.substr(0, comma), option));
       o.identVersion = static_cast<std::uint8_t>(Number(v.substr(comma + 1), option));
     }},
    {"--speed", Takes::kValue,
     [](O& o, S v, S option) { o.answerSpeed = static_cast<unsigned>(Number(v, option)); }},
    {"--baud", Takes::kValue,
     [](O& o, S v, S option) { o.emulatedBaud = static_cast<unsigned>(Number(v, option)); }},
    // Faults
    {"--corrupt-frame", Takes::kValue,
     [](O& o, S v, S option) { CountPair(v, option, &o.corruptFrame, &o.corruptCount); }},
    {"--silent", Takes::kNothing, [](O& o, S, S) { o.silent = true; }},
    {"--reject-frame", Takes::kValue,
     [](O& o, S v, S option) { CountPair(v, option, &o.rejectFrame, &o.rejectCount); }},
    {"--no-frame-replies", Takes::kNothing, [](O& o, S, S) { o.noFrameReplies = true; }},
    {"--wrong-echo", Takes::kValue,
     [](O& o, S v, S option) { o.wrongEcho = static_cast<int>(Number(v, option)); }},
    {"--close-after", Takes::kValue,
     [](O& o, S v, S option) { o.closeAfter = static_cast<int>(Number(v, option)); }},
    {"--reply-apart", Takes::kNothing, [](O& o, S, S) { o.replyApart = true; }},
    {"--split-frame", Takes::kValue,
     [](O& o, S v, S option) { o.splitFrame = static_cast<int>(Number(v, option)); }},
    {"--chatter", Takes::kValue,
     [](O& o, S v, S option) {
       o.chatter.clear();
       for (std::size_t k = 0; k + 1 < v.size(); k += 2) {
         o.chatter += static_cast<char>(Number("0x" + v.substr(k, 2), option));
       }
     }},
    // Output
    {"--transcript", Takes::kValue, [](O& o, S v, S) { o.transcript = v; }},
    {"--idle-ms", Takes::kValue,
     [](O& o, S v, S option) { o.idleMs = static_cast<int>(Number(v, option)); }},
};

reg::Options Parse(int argc, char** argv) {
  reg::Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    bool hasInline = false;
    if (std::size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
      hasInline = true;
    }
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      std::exit(0);
    }
    const auto rule = std::ranges::find(kOptionRules, a, &OptionRule::name);
    if (rule == std::end(kOptionRules)) Usage("unknown option " + a);
    if (!hasInline && rule->takes == Takes::kValue) {
      if (i + 1 >= args.size()) Usage(a + " needs a value");
      value = args[++i];
    } else if (!hasInline && rule->takes == Takes::kOptionalValue && i + 1 < args.size() &&
               args[i + 1].rfind("--", 0) != 0) {
      value = args[++i];
    }
    rule->apply(o, rule->takes == Takes::kNothing ? std::string() : value, a);
  }
  return o;
}

// Serves on a new pseudo-terminal until a signal; the exit status.
int ServePty(const reg::Options& options, reg::Memory& memory, reg::Transcript& transcript) {
  reg::PtyTransport pty(gStop);
  std::string error;
  if (!pty.Open(&error)) {
    std::fprintf(stderr, "tarvik-register: %s: %s\n", error.c_str(), std::strerror(errno));
    return 1;
  }
  if (!options.ptyLink.empty()) {
    std::error_code ec;
    std::filesystem::remove(options.ptyLink, ec);
    std::filesystem::create_symlink(pty.SlavePath(), options.ptyLink, ec);
    if (ec) {
      std::fprintf(stderr, "tarvik-register: %s: %s\n", options.ptyLink.c_str(),
                   ec.message().c_str());
    }
  }
  pty.SetEmulatedBaud(options.emulatedBaud);
  std::printf("pty: %s\n", pty.SlavePath().c_str());
  std::fflush(stdout);
  reg::Session session(options, memory, pty, transcript);
  session.Run();
  if (!options.ptyLink.empty()) {
    std::error_code ec;
    std::filesystem::remove(options.ptyLink, ec);
  }
  return 0;
}

// Serves one TCP connection after the other until a signal; the exit status.
int ServeTcp(const reg::Options& options, reg::Memory& memory, reg::Transcript& transcript) {
  platform::OsError osError = 0;
  auto listener = platform::ListenTcp(options.address, options.port, &osError);
  if (!listener) {
    std::fprintf(stderr, "tarvik-register: %s:%u: %s\n", options.address.c_str(), options.port,
                 std::strerror(static_cast<int>(osError)));
    return 1;
  }
  std::printf("tcp: %s:%u\n", options.address.c_str(), listener->port());
  std::fflush(stdout);
  while (!gStop) {
    auto socket = listener->Accept(
        std::chrono::steady_clock::now() + std::chrono::milliseconds(100), &osError);
    if (!socket) continue;
    reg::TcpTransport connection(gStop, std::move(socket));
    connection.SetEmulatedBaud(options.emulatedBaud);
    reg::Session session(options, memory, connection, transcript);
    session.Run();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  reg::Options options = Parse(argc, argv);

  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnSignal;
  // Every wait is a bounded poll that looks at the flag; the interrupted file
  // and copy calls must go on, or a stop in the middle of saving a register
  // file would leave it cut short.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  // The converters work in a program directory of their own, so that their
  // work files never land beside the data files.
  char work[] = "/tmp/tarvik-register-XXXXXX";
  if (::mkdtemp(work) == nullptr) {
    std::perror("tarvik-register: mkdtemp");
    return 1;
  }
  screen::SilentFrontEnd frontEnd;
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         platform::RealProcess(), platform::RealConsole(),
                                         frontEnd});
  program.paths.programDirectory = std::string(work) + "/";
  program.paths.hasProgramDirectory = true;
  int status = 0;
  {
    reg::Memory memory(program, options);
    std::string error;
    if (!memory.Load(&error)) {
      std::fprintf(stderr, "tarvik-register: %s\n", error.c_str());
      status = 1;
    } else {
      reg::Transcript transcript(options.transcript);
      status = options.tcp ? ServeTcp(options, memory, transcript)
                           : ServePty(options, memory, transcript);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(work, ec);
  return status;
}
