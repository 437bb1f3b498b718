#include "tools/docgen/render.h"

#include <cerrno>
#include <climits>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "convert/format_table.h"
#include "frame/errors.h"
#include "frame/setting_tables.h"
#include "platform/serial_port.h"
#include "tools/docgen/descriptions.h"

namespace tarvik::docgen {
namespace {

using frame::IniKey;
using frame::IniValueKind;

template <typename Entry, typename Key>
const Entry* Find(std::span<const Entry> entries, Key key) {
  for (const Entry& e : entries) {
    if constexpr (std::is_same_v<Entry, Described>) {
      if (e.key == key) return &e;
    } else if constexpr (std::is_same_v<Entry, ErrorAdvice>) {
      if (e.code == key) return &e;
    } else {
      if (e.number == key) return &e;
    }
  }
  return nullptr;
}

std::string_view Words(std::span<const Described> texts, std::string_view key) {
  const Described* d = Find(texts, key);
  if (!d)
    throw DocError("no description of \"" + std::string(key) +
                   "\" in tools/docgen/descriptions.cc");
  return d->text;
}

// scdoc takes "*" and "_" as emphasis and "\" as escape; the descriptions'
// `code` spans become bold.
std::string Scd(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '*' || c == '_') out += '\\';
    out += c == '`' ? '*' : c;
  }
  return out;
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// The default as a reader sees it.
std::string DefaultText(const IniKey& key) {
  if (!key.used) return "–";
  if (key.defaultValue.empty()) return "(empty)";
  return std::string(key.defaultValue);
}

std::string RangeText(const IniKey& key) {
  switch (key.kind) {
    case IniValueKind::kText:
      return "text, up to " + std::to_string(key.maxLength) + " characters";
    case IniValueKind::kCharacter:
      return "one character";
    case IniValueKind::kSwitch:
      return "0 or 1 (any other number counts as 1)";
    case IniValueKind::kInteger:
      if (key.minimum == INT_MIN && key.maximum == INT_MAX) return "integer";
      if (key.maximum == INT_MAX) return "integer, " + std::to_string(key.minimum) + " or more";
      return "integer, " + std::to_string(key.minimum) + " to " + std::to_string(key.maximum);
  }
  return {};
}

const frame::CommandLineSwitch* SwitchOfMark(bool frame::CommandLineMarks::*mark) {
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    if (mark && sw.mark == mark) return &sw;
  }
  return nullptr;
}

std::string SwitchNote(const IniKey& key) {
  if (const frame::CommandLineSwitch* sw = SwitchOfMark(key.mark)) {
    std::string note = "`" + std::string(sw->on) + "`";
    if (!sw->off.empty()) note += ", `" + std::string(sw->off) + "`";
    return note + " (wins)";
  }
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    if (sw.setting == key.name) return "`" + std::string(sw.on) + "` (the key wins)";
  }
  return "–";
}

std::string IniKeysBlock(Format format) {
  std::ostringstream out;
  if (format == Format::kMarkdown) {
    out << "| Key | Value | Default | Switch | What it does |\n|---|---|---|---|---|\n";
    for (const IniKey& key : frame::IniKeys()) {
      out << "| `" << key.name << "` | " << RangeText(key) << " | " << DefaultText(key) << " | "
          << SwitchNote(key) << " | " << Words(IniKeyTexts(), key.name) << " |\n";
    }
  } else {
    for (const IniKey& key : frame::IniKeys()) {
      out << "*" << Scd(key.name) << "*=_value_\n\t" << Scd(RangeText(key))
          << "; default: " << Scd(DefaultText(key));
      const std::string note = SwitchNote(key);
      if (note != "–") out << "; switch: " << Scd(note);
      out << ".\n\t" << Scd(Words(IniKeyTexts(), key.name)) << "\n\n";
    }
  }
  return out.str();
}

std::string SwitchesBlock(Format format) {
  std::ostringstream out;
  if (format == Format::kMarkdown) {
    out << "| Switch | Off | INI key | What it does |\n|---|---|---|---|\n";
  }
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    std::string iniKey;
    for (const IniKey& key : frame::IniKeys()) {
      if (key.name == sw.setting) iniKey = std::string(key.name);
    }
    std::string words(Words(SwitchTexts(), sw.on));
    if (sw.requestsJob) words += " Starts a job even without a command file.";
    if (format == Format::kMarkdown) {
      out << "| `" << sw.on << "` | " << (sw.off.empty() ? "–" : "`" + std::string(sw.off) + "`")
          << " | " << (iniKey.empty() ? "–" : "`" + iniKey + "`") << " | " << words << " |\n";
    } else {
      out << "*" << Scd(sw.on) << "*";
      if (!sw.off.empty()) out << ", *" << Scd(sw.off) << "*";
      out << "\n\t" << Scd(words);
      if (!iniKey.empty()) out << " INI key: *" << Scd(iniKey) << "*.";
      out << "\n\n";
    }
  }
  return out.str();
}

// Codes with a text, and the codes the words know (500 and codes on their way
// into the table).
std::vector<int> DocumentedCodes() {
  std::set<int> codes;
  for (int code = 0; code < frame::kErrorTableSize; ++code) {
    if (!frame::ErrorText(code).empty()) codes.insert(code);
  }
  codes.insert(frame::kInternalModeError);
  return {codes.begin(), codes.end()};
}

std::string AddedSubcodes(int code) {
  std::string text;
  for (const frame::AddedSubcode& added : frame::kAddedSubcodes) {
    if (added.pair.code != code) continue;
    text += text.empty() ? " Further subcodes: " : "; ";
    text += std::to_string(added.pair.subcode) + " " + added.meaning;
  }
  return text.empty() ? text : text + ".";
}

std::string ErrorsBlock(Format format) {
  std::ostringstream out;
  if (format == Format::kMarkdown) {
    out << "| Code | Text | What to check |\n|---|---|---|\n";
  }
  for (int code : DocumentedCodes()) {
    const ErrorAdvice* advice = Find(ErrorAdvices(), code);
    if (!advice) {
      throw DocError("error " + std::to_string(code) +
                     " has no advice in tools/docgen/descriptions.cc");
    }
    const std::string_view text = frame::ErrorText(code);
    const std::string check = std::string(advice->check) + AddedSubcodes(code);
    if (format == Format::kMarkdown) {
      out << "| " << code << " | " << (text.empty() ? "–" : "`" + Quoted(text) + "`") << " | "
          << check << " |\n";
    } else {
      out << "*" << code << "*";
      if (!text.empty()) out << " " << Scd(Quoted(text));
      out << "\n\t" << Scd(check) << "\n\n";
    }
  }
  return out.str();
}

// One field of a data-file line: digits as "#", a text as its width in
// quotes; long digit runs as "#{n}".
std::string FieldShape(const convert::ListedField& field) {
  auto digits = [](int n) {
    return n <= 8 ? std::string(static_cast<std::size_t>(n), '#') : "#{" + std::to_string(n) + "}";
  };
  const int w = field.spec.width;
  switch (field.spec.kind) {
    case 'H':
      return "####";
    case 'L':
      return "";
    case 'N':
      return digits(2 * w);
    case 'S':
      return "±" + digits(2 * w - 4);
    case 'Z':
      return "±" + digits(2 * w - 1);
    case 'T':
      return "\"" + std::to_string(w) + " characters\"";
    case 'B':
      return digits(static_cast<int>(field.groups.size()));
    case 'P':
      return "";
    default:
      return "?";
  }
}

struct Entry {
  int number;  // as written, "10" is 10 (file number 0x10)
  std::string fieldList;
};

std::vector<Entry> Entries(std::string_view table) {
  std::vector<Entry> entries;
  for (std::size_t at = table.find("F:"); at != std::string_view::npos;
       at = table.find("F:", at + 2)) {
    const int number = (table[at + 2] - '0') * 10 + (table[at + 3] - '0');
    const auto fileNumber = static_cast<std::uint8_t>((number / 10) * 16 + number % 10);
    entries.push_back({number, convert::FindFieldList(table, fileNumber)});
  }
  return entries;
}

std::string Trimmed(std::string list) {
  if (!list.empty() && list.back() == '.') list.pop_back();
  return list;
}

struct Layout {
  int bytes = 0;
  std::string line;
  bool numbered = false;  // has an L field
};

Layout LayoutOf(const std::string& fieldList) {
  Layout layout;
  if (fieldList.starts_with("E")) {
    layout.line = "block text: lines of \"18 characters\"";
    return layout;
  }
  std::vector<std::string> shapes;
  for (const convert::ListedField& field : convert::ListFields(fieldList, false)) {
    if (field.spec.kind == '.' || !field.spec.valid) break;
    layout.bytes += field.spec.kind == 'P' ? 2 * field.spec.width : field.spec.width;
    if (field.spec.kind == 'L') layout.numbered = true;
    std::string shape = FieldShape(field);
    if (!shape.empty()) shapes.push_back(std::move(shape));
  }
  // A run of equal fields (a repeat count in the table) is written once, counted.
  for (std::size_t i = 0; i < shapes.size();) {
    std::size_t j = i;
    while (j < shapes.size() && shapes[j] == shapes[i]) ++j;
    if (!layout.line.empty()) layout.line += ";";
    layout.line += j - i >= 5 ? std::to_string(j - i) + "×" + shapes[i] : shapes[i];
    for (std::size_t k = i + 1; k < j && j - i < 5; ++k) layout.line += ";" + shapes[k];
    i = j;
  }
  if (layout.line.empty()) layout.line = "(no fields)";
  return layout;
}

std::string RecordFormatsBlock(Format format) {
  const std::vector<Entry> entries = Entries(convert::RecordFormatTable(false));
  const std::vector<Entry> variant = Entries(convert::RecordFormatTable(true));
  std::ostringstream out;
  if (format == Format::kMarkdown) {
    out << "| File | Holds | Field list | Record bytes | Bytes on the link | Data-file line |\n"
           "|---|---|---|---|---|---|\n";
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    const auto fileNumber = static_cast<std::uint8_t>((e.number / 10) * 16 + e.number % 10);
    const RegisterFile* known = Find(RegisterFiles(), e.number);
    std::string holds = known ? std::string(known->holds) : "–";
    std::string list = Trimmed(e.fieldList);
    Layout layout = LayoutOf(e.fieldList);
    std::string bytes = e.fieldList.starts_with("E") ? "–" : std::to_string(layout.bytes);
    const std::uint32_t blockLength = convert::BlockLengthTable(false)[fileNumber];
    std::string link = blockLength ? std::to_string(blockLength) : "0 (not transferred)";
    std::string line = layout.line;
    if (layout.numbered) line = "[######;]" + line;
    if (i < variant.size() && variant[i].fieldList != e.fieldList) {
      Layout v = LayoutOf(variant[i].fieldList);
      list += " (models 39T, 362, 396: " + Trimmed(variant[i].fieldList) + ")";
      bytes += " (" + std::to_string(v.bytes) + ")";
      link += " (" + std::to_string(convert::BlockLengthTable(true)[fileNumber]) + ")";
      line += " (" + v.line + ")";
    }
    char name[3] = {static_cast<char>('0' + e.number / 10), static_cast<char>('0' + e.number % 10),
                    0};
    if (format == Format::kMarkdown) {
      out << "| " << name << " | " << holds << " | `" << (list.empty() ? "(empty)" : list) << "` | "
          << bytes << " | " << link << " | `" << line << "` |\n";
    } else {
      out << "*" << name << "* " << Scd(list.empty() ? "(empty list)" : list) << "\n\t"
          << Scd(holds == "–" ? "" : holds + ". ") << "Record " << bytes << " bytes, " << link
          << " on the link. Line: " << Scd(line) << "\n\n";
    }
  }
  return out.str();
}

std::string SerialHintsBlock(Format format) {
  struct Case {
    int error;
    const char* name;
    const char* meaning;
  };
  const Case cases[] = {
      {ENOENT, "ENOENT",
       "The device does not exist: a wrong `comN=` line, or the USB adapter is "
       "not plugged in (its `/dev/ttyUSBn` number may also have changed; use a "
       "`/dev/serial/by-id/` name)."},
      {EACCES, "EACCES", "No permission: the user is not in the `dialout` group."},
      {EBUSY, "EBUSY",
       "Another program holds the port: a terminal program, ModemManager, or a "
       "second copy of tarvik."},
      {ENOTTY, "ENOTTY", "The path is not a serial device."},
  };
  std::ostringstream out;
  if (format == Format::kMarkdown)
    out << "| System error | Hint shown | Meaning |\n|---|---|---|\n";
  for (const Case& c : cases) {
    const std::string hint = platform::SerialOpenHint(static_cast<platform::OsError>(c.error));
    if (hint.empty()) throw DocError(std::string("no serial hint for ") + c.name);
    if (format == Format::kMarkdown) {
      out << "| " << c.name << " | " << hint << " | " << c.meaning << " |\n";
    } else {
      out << "*" << c.name << "*: " << Scd(hint) << "\n\t" << Scd(c.meaning) << "\n\n";
    }
  }
  return out.str();
}

using Renderer = std::string (*)(Format);
const std::map<std::string_view, Renderer>& Blocks() {
  static const std::map<std::string_view, Renderer> blocks = {
      {"errors", ErrorsBlock},
      {"ini-keys", IniKeysBlock},
      {"record-formats", RecordFormatsBlock},
      {"serial-hints", SerialHintsBlock},
      {"switches", SwitchesBlock},
  };
  return blocks;
}

}  // namespace

std::vector<std::string> BlockNames() {
  std::vector<std::string> names;
  for (const auto& [name, renderer] : Blocks()) names.emplace_back(name);
  return names;
}

std::string RenderBlock(std::string_view name, Format format) {
  auto it = Blocks().find(name);
  if (it == Blocks().end()) throw DocError("unknown block @@" + std::string(name) + "@@");
  return it->second(format);
}

std::string FillPage(std::string_view page, std::string_view sourceName, Format format) {
  std::string out;
  std::size_t at = 0;
  bool noteWritten = false;
  auto note = [&] {
    const std::string words = "Generated by tarvik-docgen from " + std::string(sourceName) +
                              "; edit that file and run scripts/check-docs.sh --update.";
    return format == Format::kMarkdown ? "<!-- " + words + " -->\n" : "; " + words + "\n";
  };
  if (format == Format::kMarkdown) {
    out += note();
    noteWritten = true;
  }
  while (at < page.size()) {
    std::size_t end = page.find('\n', at);
    std::string_view line =
        page.substr(at, end == std::string_view::npos ? page.size() - at : end - at);
    at = end == std::string_view::npos ? page.size() : end + 1;
    if (line.size() > 4 && line.starts_with("@@") && line.ends_with("@@")) {
      std::string block = RenderBlock(line.substr(2, line.size() - 4), format);
      // scdoc ends a paragraph at a blank line; the block's last one is the page's.
      while (block.size() >= 2 && block.ends_with("\n\n")) block.pop_back();
      out += block;
      continue;
    }
    out += line;
    out += '\n';
    // A manual page must start with its title line; the note follows it.
    if (!noteWritten) {
      out += note();
      noteWritten = true;
    }
  }
  return out;
}

std::vector<std::string> MissingWords() {
  std::vector<std::string> missing;
  for (const IniKey& key : frame::IniKeys()) {
    if (!Find(IniKeyTexts(), key.name)) missing.push_back("INI key " + std::string(key.name));
  }
  for (const Described& d : IniKeyTexts()) {
    bool known = false;
    for (const IniKey& key : frame::IniKeys()) known = known || key.name == d.key;
    if (!known)
      missing.push_back("words for an INI key the program does not read: " + std::string(d.key));
  }
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    if (!Find(SwitchTexts(), sw.on)) missing.push_back("switch " + std::string(sw.on));
  }
  for (const Described& d : SwitchTexts()) {
    bool known = false;
    for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches())
      known = known || sw.on == d.key;
    if (!known)
      missing.push_back("words for a switch the program does not take: " + std::string(d.key));
  }
  for (int code : DocumentedCodes()) {
    if (!Find(ErrorAdvices(), code)) missing.push_back("error " + std::to_string(code));
  }
  for (const ErrorAdvice& advice : ErrorAdvices()) {
    // Advice may wait for a code that is being added to the end of the table.
    const bool known = advice.code == frame::kInternalModeError ||
                       advice.code == frame::kErrorTableSize ||
                       !frame::ErrorText(advice.code).empty();
    if (!known)
      missing.push_back("advice for error " + std::to_string(advice.code) + ", which has no text");
  }
  return missing;
}

}  // namespace tarvik::docgen
