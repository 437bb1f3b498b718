// Start-up: the command line, tarvik.ini and the settings report. Settings
// come in three layers: built-in defaults, the INI file, and the switches of
// the command line, which win for every setting that carries a mark.
//
// On Linux the command line is argv joined by single spaces (at most 1023
// characters). Elements of argv[1..] that start with "/" and hold no other
// "/" are switch tokens, searched by substring in a fixed order ("/h-" wins
// over "/h", "/dd" also counts as "/d", "/find" as "/fi", "/progress" as
// "/p", "/nooff" and "/najdi" as "/n"). The last other argument names the
// command file: its last path component, lower-cased, in the program
// directory, which is the directory part of argv[0].
//
// On Windows the raw command line is read as one text (at most 1023
// characters): each switch is a case-sensitive substring anywhere in it, in
// the same order. A copy, lower-cased, without double quotes and with every
// run from "/" to the next space blanked, gives the program directory (all in
// front of the program's name "tarvik") and the command file (the text after
// the last backslash behind that name, or failing one after the last space).
// The name counts only in the last path component of the program token (the
// first token, quoted or up to a blank); a token without it at all (a path
// with blanks left unquoted) has the line searched for "\tarvik" as a file
// name. A program started under another name takes the directory of its token
// and the command file from the rest of the line.
//
// tarvik.ini: lines of at most 255 characters ("//" starts a comment line);
// every key is found by substring anywhere in a line and takes the text after
// the first "="; a line starting with comN= (N = 1..9) names the device of
// COMN and is not examined further; a line containing "konec" ends the file.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "frame/program.h"

namespace tarvik::frame {

inline constexpr std::size_t kMaxCommandLine = 1023;

// Fills switches, marks, paths, jobRequested and the default of okno. Ends the
// process with exit code 2 (line too long) or 8 (nothing left).
void ParseCommandLine(Program& program, const std::vector<std::string>& argv);
// The same from the raw Windows command line; argv0 becomes its first token.
void ParseWindowsCommandLine(Program& program, const std::string& commandLine);

// Window-creation defaults, the serial-line defaults, tarvik.ini, the report.
void InitSettings(Program& program);
void ReadIniFile(Program& program);

// The value readers of the INI file (failures 29/3, 29/4, 29/5).
int IniIntegerValue(const std::string& line);
// The devices that the comN= lines of a tarvik.ini's text name, read as
// ReadIniFile reads them; index 1..9, empty where none is named.
std::array<std::string, 10> IniComDevices(const std::string& iniText);
std::string IniTextValue(const std::string& line, std::size_t maximum);

// Device of COMn (1..9): the comN= line of tarvik.ini, else the system's
// default device of COMn (/dev/ttyS(n-1) on Linux, \\.\COMn on Windows).
std::string ComDevice(const Program& program, int comNumber);

}  // namespace tarvik::frame
