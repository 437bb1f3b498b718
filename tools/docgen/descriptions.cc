#include "tools/docgen/descriptions.h"

namespace tarvik::docgen {
namespace {

constexpr Described kIniKeyTexts[] = {
    {"pripona_cmd",
     "Extension that command files must have. A command file named without an "
     "extension gets this one."},
    {"pripona_davky", "Read for compatibility with older INI files; it has no effect."},
    {"oddelovac", "Field separator of the data files: the first character of the value."},
    {"cislo_modem", "Telephone number the modem dials when `komunikace_modem` is 1."},
    {"timeout",
     "Seconds to wait for data from the register. A value above the range is set to "
     "its top, one below to its bottom, and a message says so."},
    {"ticho", "1: no tick sound during transfers."},
    {"zvuk",
     "Sound of the transfer tick (a `MessageBeep` type on Windows; -1 is the simple "
     "beep)."},
    {"komunikace_modem",
     "1: the serial line goes through a modem, which is dialled before and "
     "hung up after a job."},
    {"zurnal_radky", "Line option of the journal rendering."},
    {"extend_journal",
     "1: extended journal rendering. Also set by `/extendjournal`; the key "
     "wins when both are given."},
    {"wait_modem", "Seconds to wait for the modem connection."},
    {"zpozdeni", "Milliseconds of pause between two commands of a command file."},
    {"localpath", "Read for compatibility with older INI files; it has no effect."},
    {"cislovani",
     "1: data files carry the record's sequence number (`L` fields) as their first "
     "field; 0: the line count is the sequence number. The value is kept in one "
     "byte."},
    {"cisniciplu",
     "1: a journal download also writes the file of PLUs sold by clerk "
     "(`CS_PLU.DAT`)."},
    {"extraucty", "1: a journal download also writes the extra accounts file (`UCTY_E.DAT`)."},
    {"simulace", "1: simulation: reads are served from local files instead of the register."},
    {"cekani_zamku",
     "Seconds a job waits for another job that holds the program directory "
     "(its lock `tarvik.lck`); when the wait runs out the job ends with exit "
     "code 1 and touches nothing. 0: do not wait; a negative value counts as 0."},
    {"fiskal", "1: the register is a fiscal model (other read and write command bytes)."},
    {"progress",
     "1: an icon in the notification area shows the transfer. Also set by "
     "`/progress`; the key wins when both are given."},
    {"okno", "1: the main window is shown, also during a job named on the command line."},
    {"debug",
     "1: diagnostic output on the status screen and in message boxes; work files are "
     "kept."},
    {"stahujvzdy",
     "1: closing reports are read even with the register key in the REG "
     "position."},
    {"rawdebug",
     "1: the serial byte stream is copied into the file `rsdata`; a non-zero value "
     "also sets `debug`."},
    {"hlaseni", "1: the result of a job is reported in a message box even without the window."},
    {"konverze",
     "1: texts are translated between the register's code page 852 and the data "
     "files' Windows-1250 (the 30 Czech accented letters)."},
};

constexpr Described kSwitchTexts[] = {
    {"/dd", "Raw debug: the serial byte stream goes into `rsdata`. Also counts as `/d`."},
    {"/d", "Debug output on the status screen and in message boxes; work files are kept."},
    {"/fi", "The register is a fiscal model."},
    {"/w", "Show the main window, also while a job named on the command line runs."},
    {"/q", "Quiet: no transfer ticks."},
    {"/k",
     "No link traffic: neither the port nor the socket is opened (for trying command "
     "files)."},
    {"/n", "Leave the serial DTR line alone on open and close."},
    {"/h", "Report the job's result in a message box."},
    {"/nooff", "Read closing reports even with the register key in the REG position."},
    {"/p", "Translate texts between code page 852 (register) and Windows-1250 (files)."},
    {"/t", "Only set the register's clock to the PC's date and time, then end."},
    {"/find",
     "Only search the serial ports for a register, write the result into the file "
     "`find`, then end."},
    {"/najdi", "Search the serial ports for a register with the main window shown."},
    {"/progress", "Show the transfer in the notification area."},
    {"/extendjournal", "Extended journal rendering."},
    {"/z", "Hang up the modem after the job."},
};

constexpr ErrorAdvice kErrorAdvices[] = {
    {4,
     "The register key was in the REG position at a closing report. Turn the key, or run "
     "with `/nooff` (`stahujvzdy=1`) where reading in REG is wanted. `err` is 3."},
    {5,
     "The request frame could not be sent. Check the cable, the port's device and that no "
     "other program uses it."},
    {6, "A data frame could not be sent. Check the cable and the line settings."},
    {7, "The end of a transfer could not be sent. Check the cable."},
    {8,
     "A text download (`S59`) did not arrive, or did not start with its mark (subcode 1). "
     "Check that the register is ready to send its text."},
    {9, "A byte or the end mark could not be sent. Check the cable."},
    {10, "A character did not arrive in time. Check the cable and raise `timeout`."},
    {11, "The register did not answer in time. Raise `timeout`; check the cable."},
    {12,
     "Data arrived that nothing asked for. Another program or a second register may be on "
     "the line."},
    {20,
     "The register did not acknowledge a frame. Check speed, parity and the terminal "
     "number."},
    {21,
     "The data file's record numbers go backwards (subcode 1). Sort the file by its first "
     "field."},
    {23,
     "A line is longer than the reader takes (subcode 1): an INI, log or data file line of "
     "255 characters or more, or a journal signature line."},
    {25,
     "A file number in the command file is not hexadecimal (subcode 1). File numbers are "
     "two hexadecimal digits: `R03`, `R1A`."},
    {26,
     "A data file or a journal could not be written (subcode 1: the write failed, 2: "
     "nothing was written). Check free disk space and permissions of the program "
     "directory."},
    {29,
     "`tarvik.ini`: a line names a key but has no `=` (subcode 3 text key, 5 number key), "
     "or a text value is too long (subcode 4). Look for a key name inside a comment "
     "without `//` at the start of the line."},
    {30,
     "A file of the program directory could not be opened (subcode 1), read (3) or written "
     "(4, 5; 2: positioning at the end). Check the name in the command file, that the file "
     "exists, and the permissions; with `/d` the message names the file and the system's "
     "reason."},
    {31,
     "The transfer log could not be trimmed: more than 2,000 lines after its first 500 "
     "(subcode 3). Move the log away; `log.bak` keeps the previous version."},
    {32, "A file that must hold data is empty. Check that the previous read command wrote it."},
    {33,
     "A received frame has a form the program does not know. Check the register model in "
     "the connection line."},
    {34,
     "The data file's content does not fit the register file. Check the command's file "
     "number against the data file."},
    {35,
     "The data file's content does not fit the register file. Check the command's file "
     "number against the data file."},
    {38,
     "The register does not answer (subcode 1 on reading, 2 on writing, 3 on the link "
     "test). Check that the register is on, the cable or network, the COM port (`comN=` "
     "line), speed and parity, and the terminal number. `err` is 2."},
    {40,
     "A frame arrived with wrong check bytes (subcode 1). Check the cable and its length, "
     "and lower the speed."},
    {41, "Frames arrived out of order. Check the cable; run again."},
    {42,
     "A data frame was refused three times (subcode 2) or could not be sent (4). Check the "
     "data file's values against what the register accepts."},
    {43, "The work file to send is empty: the data file has no records."},
    {44,
     "A received record is longer than the file's block length (subcode 1). Check the "
     "register model in the connection line."},
    {45, "The register's status data have an unknown form. Check the register model."},
    {46, "The work file for the accounts has an unknown form."},
    {47, "Another error while receiving a character. Check the cable and the port."},
    {48, "The system reported a pending input or output. Run again."},
    {49,
     "The register model in the connection line is not one the program knows (subcode 1). "
     "See the list of models in tarvik-commands(5)."},
    {50,
     "The command file itself: no name (subcode 2), name too long (3), wrong extension (4: "
     "it must be `pripona_cmd`), smaller than 22 bytes (5) or larger than 2,048 bytes (6); "
     "7 to 11 are the same for the built-in `.cmx` files."},
    {51,
     "The content of the command file. Subcodes 27 to 45 name the field of the connection "
     "line, 46 to 54 the command line (see the command-file page); 25 an `S` command with "
     "an unknown number; 26 neither `,` nor `.` in the first ten characters; 55 to 57 a "
     "command letter the job cannot carry out. 1 to 16 come from rewriting the connection "
     "lines of all command files (window menu), where a file's own line is malformed."},
    {52,
     "The journal data received do not fit the journal's form (subcode 1: a PLU number "
     "out of range). Check the register model."},
    {53, "A command packet of the command file is wrong."},
    {54,
     "A record format table entry has a field kind the converter does not know, or a bad "
     "bit-group list (subcodes 1 to 9)."},
    {55, "The record format table is malformed (subcodes 3 to 10)."},
    {56,
     "There is no record format for the file number (subcode 1): the register file cannot "
     "be converted."},
    {57,
     "A line is too long: a data file line (subcode 1 and others) or more than 16,000 bytes "
     "in one write (33)."},
    {58,
     "The data file ends inside a line (for example inside a quoted text). Check its last "
     "line."},
    {59,
     "A value in a data file is wrong: the subcode names the field and the kind of fault "
     "(digits where digits belong, lengths, signs)."},
    {60,
     "A file could not be copied (subcode 1: the backup of a command file). Check disk "
     "space and permissions."},
    {61,
     "A file could not be renamed (subcode 1: a rewritten command file, 2 and 3: the log "
     "and its `log.bak`). Check that no other program holds the files open."},
    {62, "Received data hold a character that is not ASCII where text is expected."},
    {63, "Received data lack the header they should start with."},
    {64, "A value is out of the range a calculation can take."},
    {65,
     "A file could not be deleted (result files, work files). Check permissions and that "
     "no other program holds it open."},
    {66, "A file or a value is larger than the program handles."},
    {67,
     "An item was not found (subcode 1: a stock item of the data file that the register "
     "does not have)."},
    {70,
     "The command is not one the program carries out. Check the letter and number of the "
     "command line."},
    {71, "An internal function was called with a wrong parameter."},
    {72, "A thread's event could not be created: the system is short of resources."},
    {73, "Memory could not be allocated."},
    {74, "The journal file is not a valid journal."},
    {76, "A character has no entry in the code-page conversion table."},
    {77, "The transactions file is wrong."},
    {78, "Memory could not be allocated (the subcode names the table)."},
    {80, "Simulation (`simulace=1`) failed: a local file to serve is missing or wrong."},
    {89,
     "Rewriting command files, or numbering a data file name with `xxxx`, failed: the "
     "folder could not be listed (9 to 15) or all 10,001 numbers are taken (16)."},
    {90, "The terminal number is wrong. It is the register's number on the line, 0 to 255."},
    {91, "The connection could not be set up. Check cable, modem or network."},
    {92,
     "The serial port could not be opened for a read (subcode 1), a write (2), a register "
     "operation (3) or a text download (11). The message names the device and the system's "
     "reason; on Linux a hint follows (see the serial-port page: `dialout`, `comN=`, a busy "
     "port)."},
    {93,
     "The modem did not connect (subcode 1) or did not hang up (2, 3). Check `cislo_modem`, "
     "`wait_modem` and the modem."},
    {99, "An error without a description."},
    {100,
     "An internal function was misused (also a command-file buffer still in use, subcode "
     "6). Report it with the command file and the data files."},
    {102, "The network library could not be started (Windows)."},
    {103,
     "The register's TCP port could not be reached: subcode 6 no socket, 7 the connection "
     "was refused or timed out. Check the IP address in the connection line, that the "
     "register is on the network, and that port 14000 is not blocked."},
    {104, "The network library could not be activated."},
    {105, "Data could not be sent to the register over the network (subcode 1)."},
    {106,
     "Data could not be received over the network; subcode 1: the register closed the "
     "connection, other subcodes are the system's error number."},
    {107, "A thread could not be created: the system is short of resources."},
    {108, "A network frame arrived with wrong check bytes. Check the network path."},
    {109,
     "The network part of the program failed (subcode 1), or a built-in job did not end "
     "in time (30)."},
    {110,
     "The register did not answer over the network in time (subcode 1). Raise `timeout`; "
     "check the network."},
    {111, "Network frames arrived out of order."},
    {112, "A network frame had an unexpected content."},
    {113, "The end of sending all register memory failed."},
    {114, "A dialog could not be created."},
    {115,
     "The same PLU number stands twice in the file. Remove the duplicate (`SE3` sorts the "
     "file and drops duplicates)."},
    {116,
     "The job was interrupted by a signal or by closing its console; the subcode says "
     "which. `tarvik-fleet`'s time-out sends SIGTERM. Run the job again."},
    {500, "Internal: a file was opened in an unknown mode (subcode 1). Report it."},
};

constexpr RegisterFile kRegisterFiles[] = {
    {1, "departments"},
    {3, "PLU items (read; `V03` writes them, `W03` writes after clearing as file 61)"},
    {14,
     "system registers, date and time (the clock setting `/t` reads and writes it as "
     "`x_reg.dat`)"},
    {24, "block texts"},
    {30, "taxes (VAT rates; `P_TAX.DAT`)"},
    {61, "PLU items written after clearing (`W03`)"},
    {65, "stock (`S65` adds a data file to it)"},
    {67, "account selection (`ucet.dat`, written by `U`)"},
    {87, "electronic journal (`R87` renders it as signed text, not as a data file)"},
    {89, "list of open accounts (`ucty.dat`, read by `U`)"},
    {91, "items of an account (read by `U`)"},
};

}  // namespace

std::span<const Described> IniKeyTexts() {
  return kIniKeyTexts;
}
std::span<const Described> SwitchTexts() {
  return kSwitchTexts;
}
std::span<const ErrorAdvice> ErrorAdvices() {
  return kErrorAdvices;
}
std::span<const RegisterFile> RegisterFiles() {
  return kRegisterFiles;
}

}  // namespace tarvik::docgen
