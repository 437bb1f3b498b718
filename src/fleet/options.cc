#include "fleet/options.h"

#include <charconv>

namespace tarvik::fleet {

const char kUsage[] = R"(Usage: tarvik-fleet [options] FLEETFILE

Runs tarvik once for every register of FLEETFILE, each in its own program
directory ROOT/NAME, several at once, retrying what a second try can cure,
and writes summary.csv and summary.json.

FLEETFILE: one register per line, "name;connection line;command file"
(UTF-8 or Windows-1250, "#" starts a comment line). tarvik.ini beside it is
copied into every register's directory before each run, followed by the
lines of that directory's tarvik.ini.local.

Options:
  --root DIR           the registers' directories are DIR/NAME
                       (default: the fleet file's directory)
  --jobs N             registers at once (default 8); never two on one COM
                       port or one network address
  --retries K          further tries after a curable failure (default 2),
                       after 5 s, 15 s, 45 s, ...
  --timeout SECONDS    limit of one try (default 900); the job is then
                       stopped as by SIGTERM and the register "timed out"
  --only NAME[,NAME..] only these registers
  --failed             only the registers that did not succeed in the
                       last summary
  --tarvik PATH        the tarvik to run (default: the one beside tarvik-fleet)
  --summary FILE       the summary (default ROOT/summary.csv; the JSON file
                       takes its name with ".json")
  --quiet              print only failures
  --help, --version

Exit code: 0 every register succeeded, 1 any failed or timed out, 2 a bad
fleet file or bad options, 130 interrupted (the summary is written).
)";

namespace {

int Number(const std::string& option, const std::string& value, int low, int high) {
  int n = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (value.empty() || ec != std::errc() || end != value.data() + value.size() || n < low ||
      n > high)
    throw OptionError(option + " takes a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + value + "\"");
  return n;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  bool fleetSeen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::optional<std::string> inlineValue;
    if (a.rfind("--", 0) == 0) {
      if (std::size_t eq = a.find('='); eq != std::string::npos) {
        inlineValue = a.substr(eq + 1);
        a = a.substr(0, eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw OptionError(a + " needs a value");
      return args[++i];
    };
    auto flag = [&] {
      if (inlineValue) throw OptionError(a + " takes no value");
    };
    if (a == "--help" || a == "-h") {
      flag();
      o.help = true;
    } else if (a == "--version") {
      flag();
      o.version = true;
    } else if (a == "--root") {
      o.root = value();
      if (o.root->empty()) throw OptionError("--root needs a directory");
    } else if (a == "--jobs") {
      o.jobs = Number(a, value(), 1, 1024);
    } else if (a == "--retries") {
      o.retries = Number(a, value(), 0, 100);
    } else if (a == "--timeout") {
      o.timeoutSeconds = Number(a, value(), 1, 7 * 24 * 3600);
    } else if (a == "--only") {
      std::string list = value();
      for (std::size_t p = 0; p <= list.size();) {
        std::size_t comma = list.find(',', p);
        if (comma == std::string::npos) comma = list.size();
        std::string name = list.substr(p, comma - p);
        if (name.empty()) throw OptionError("--only: an empty name in \"" + list + "\"");
        o.only.push_back(name);
        p = comma + 1;
      }
    } else if (a == "--failed") {
      flag();
      o.failed = true;
    } else if (a == "--tarvik") {
      o.tarvik = value();
      if (o.tarvik->empty()) throw OptionError("--tarvik needs a path");
    } else if (a == "--summary") {
      o.summary = value();
      if (o.summary->empty()) throw OptionError("--summary needs a file");
    } else if (a == "--quiet" || a == "-q") {
      flag();
      o.quiet = true;
    } else if (a.size() > 1 && a[0] == '-') {
      throw OptionError("unknown option " + a);
    } else if (fleetSeen) {
      throw OptionError("one fleet file only (\"" + o.fleetFile + "\" and \"" + a + "\")");
    } else {
      o.fleetFile = a;
      fleetSeen = true;
    }
  }
  if (!o.help && !o.version && !fleetSeen) throw OptionError("no fleet file named");
  return o;
}

}  // namespace tarvik::fleet
