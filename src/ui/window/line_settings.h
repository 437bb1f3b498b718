// The two dialogs that set the connection written into all command files,
// without a toolkit: "Nastav port a rychlost" for serial lines and the
// IP-address dialog for TCP/IP lines. A view shows the choices a dialog
// starts with, lets the user change them, refuses OK while CheckPortChoices
// or CheckIpChoices names a problem, and hands the choices to Apply; the menu
// commands "Nastav CMD" and "Nastav IP adresy" then rewrite the command files
// from the connection record (SetSerialLines, SetIpAddresses).
//
// Texts are UTF-8; the connection record holds Windows-1250 bytes.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/program.h"

namespace tarvik::ui::window {

// The register models a connection line may name, in the order of the
// command-file parser's table (its model numbers 1 to 10), each padded with
// blanks to the 4 characters a line holds.
inline constexpr std::array<std::string_view, 10> kRegisterModels = {
    "39T ", "359 ", "360 ", "362 ", "549 ", "579 ", "396 ", "649 ", "650 ", "652 "};
// The model as a list shows it ("650").
std::string_view ModelCode(std::size_t index);

inline constexpr int kPortCount = 9;  // COM1..COM9
inline constexpr std::array<std::string_view, 4> kSpeeds = {"4800", "9600", "19.2k", "38.4k"};
inline constexpr unsigned kLowestSpeed = 4800;  // doubled once per entry of kSpeeds
inline constexpr std::array<std::string_view, 5> kParities = {"None", "Odd", "Even", "Mark",
                                                              "Space"};
inline constexpr int kLowestDataBits = 5;     // the list offers 5 to 8
inline constexpr int kMaxLogNameInput = 128;  // what the log field takes
inline constexpr int kMaxLogName = 120;       // what the connection-line parser accepts

// The texts of the two dialogs; each label carries its mnemonic.
inline constexpr std::string_view kPortDialogTitle = "Nastav port a rychlost";
inline constexpr std::array<std::string_view, 7> kPortLabels = {
    "&Port", "&Rychlost", "&Terminál", "Počet &bitů", "P&arita", "&Model", "Soubor &log"};
inline constexpr std::string_view kIpDialogTitle = "Nastav IP adresy";
inline constexpr std::array<std::string_view, 3> kIpLabels = {
    "IP adresa pokladny:", "Model pokladny:", "Terminál:"};
inline constexpr std::string_view kCancelText = "Zrušit";

// Parses glog1.cmx as a job would, so the connection record holds its line.
// The command file of the next transfer and the current command stay as
// they were. Failures are those of the command-file parser.
void LoadLogoConnection(frame::Program& program);

// ---- "Nastav port a rychlost"

// The port list: "COM1".."COM9", each followed by its device in brackets
// where the device is not the port's own name ("COM3  (/dev/ttyUSB0)").
std::vector<std::string> PortNames(const frame::Program& program);

// What the port dialog shows; a list index of -1 is a list without a choice
// (a value the list does not offer), which Apply leaves as it was.
struct PortChoices {
  int port = -1;   // 0 = COM1
  int speed = -1;  // index into kSpeeds
  std::string terminal;
  int dataBits = -1;    // 0 = 5 bits
  int parity = -1;      // index into kParities
  int model = -1;       // index into kRegisterModels
  std::string logName;  // without the ".log" the parser adds to a bare name
  friend bool operator==(const PortChoices&, const PortChoices&) = default;
};
// From the connection record.
PortChoices StartingPortChoices(const frame::Program& program);
// Why OK cannot be taken (a log name the command files could not be read
// with), or nothing.
std::optional<std::string> CheckPortChoices(const PortChoices& choices);
// Writes the choices into the connection record and the line settings. A
// terminal number above 256 (or no number) becomes 0.
void ApplyPortChoices(frame::Program& program, const PortChoices& choices);

// ---- "Nastav IP adresy"

// The model list of the IP dialog: a blank entry, then the ten models.
std::vector<std::string> IpModelNames();

struct IpChoices {
  std::array<std::string, 4> octets;
  int model = 0;  // index into IpModelNames()
  std::string terminal;
  friend bool operator==(const IpChoices&, const IpChoices&) = default;
};
// From the first line of iglog1.cmx, or from the connection record when that
// file is missing. A terminal field of more than 7 characters is 51/1, a
// model field of more than 5 is 51/2. A first octet of 0 proposes
// 192.168.0.0.
IpChoices StartingIpChoices(frame::Program& program);
// Why OK cannot be taken (an octet above 255), or nothing.
std::optional<std::string> CheckIpChoices(const IpChoices& choices);
void ApplyIpChoices(frame::Program& program, const IpChoices& choices);

// ---- the menu commands

// "Nastav CMD": `dialog` shows the port dialog and, when it is accepted,
// leaves the choice in the connection record and returns true. Then the
// command files and the program's own ones (".cmx") are rewritten; the
// marker file tk holds "0" afterwards in every case.
void SetSerialLines(frame::Program& program, const std::function<bool()>& dialog);
// "Nastav IP adresy": the same for addresses; tk holds "1" after a rewrite,
// and a cancelled dialog changes nothing.
void SetIpAddresses(frame::Program& program, const std::function<bool()>& dialog);

}  // namespace tarvik::ui::window
