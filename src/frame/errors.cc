#include "frame/errors.h"

#include <array>

namespace tarvik::frame {
namespace {

// Some texts end in blanks; they are part of the text and of what the user sees.
constexpr std::array<std::string_view, kErrorTableSize> kTexts = {
    "",
    "",
    "",
    "",                                   // 0-3
    "Poloha klicku pri uzaverce je REG",  // 4
    "Enquiry send error",                 // 5
    "Send packet error ",                 // 6
    "Send EOT error    ",                 // 7
    "Receive text error",                 // 8
    "Send byte error   ",                 // 9
    "Timeout pri prijmu znaku",           // 10
    "Timeout           ",                 // 11
    "Neocekavana data na COMu",           // 12
    "",
    "",
    "",
    "",
    "",
    "",
    "",                               // 13-19
    "Received character is not ACK",  // 20
    "Chyba poradi dat v souboru",     // 21
    "",                               // 22
    "Interni chyba programu",         // 23
    "",                               // 24
    "Pozadovany znak neni HEXA",      // 25
    "Chyba pri zapisu do souboru",    // 26
    "",
    "",                                   // 27-28
    "Chyba souboru ini",                  // 29
    "Chyba otevreni souboru",             // 30
    "Obecna chyba cteni dat ze souboru",  // 31
    "Velikost souboru je nulova",         // 32
    "Chyba formatu prijimanych dat ",     // 33
    "Chyba dat v souboru",                // 34
    "Chyba dat v souboru",                // 35
    "",
    "",                                               // 36-37
    "Pokladna se nehlasi",                            // 38
    "",                                               // 39
    "Check sum error",                                // 40
    "Chyba posloupnosti prijimanych dat",             // 41
    "Chyba pri odesilani bloku dat",                  // 42
    "Neni co odeslat z pracovniho souboru",           // 43
    "Chyba formatu pracovniho souboru",               // 44
    "Chyba formatu souboru STATUS ",                  // 45
    "Chyba formatu dat v prac. souboru pro fds.dat",  // 46
    "Jina chyba pri prijmu znaku ",                   // 47
    "Error I/O pending",                              // 48
    "Chybný model pokladny v příkazovém souboru",     // 49
    "Chyba prikazoveho souborku",                     // 50
    "Chyba obsahu prikazoveho souborku",              // 51
    "Chyba obsahu souboru el. zurnalu",               // 52
    "Chyba prikazoveho paketu CMD souboru",           // 53
    "Neocekavany znak v datech",                      // 54
    "Chyba obsahu formatoveho souboru",               // 55
    "Nenalezen vhodny format",                        // 56
    "Prilis dlouhy radek v datovem souboru",          // 57
    "Datovy soubor konci uvnitr radku",               // 58
    "Chyba obsahu datoveho souboru",                  // 59
    "Chyba pri kopirovani souboru",                   // 60
    "Chyba pri prejmenovani souboru",                 // 61
    "Chyba formatu dat, znak neni ASCII",             // 62
    "Chyba formatu dat, neni HDR",                    // 63
    "Jina chyba, treba meze poli pri vypoctu",        // 64
    "Chyba pri ruseni souboru",                       // 65
    "Preteceni velikosti souboru nebo dat",           // 66
    "Nenalezena pozadovana polozka",                  // 67
    "",
    "",                                    // 68-69
    "Tohle cmd neumim zatim zpracovat",    // 70
    "Chyba parametru funkce",              // 71
    "Failed to create event for thread!",  // 72
    "Chyba pri alokaci pameti.",           // 73
    "Chyba v souboru el. zurnalu",         // 74
    "",                                    // 75
    "Nenalezen znak v konverzni tabulce",  // 76
    "Chyba v souboru transakci",           // 77
    "Chyba alokace pameti",                // 78
    "",                                    // 79
    "Chyba při simulaci",                  // 80
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",                                  // 81-88
    "Chyba pri prepisu cmd souboru",     // 89
    "Chybne cislo terminalu",            // 90
    "Nepodarilo se navazat komunikaci",  // 91
    "Chyba otevreni COMu",               // 92
    "Chyba komunikace s modemem",        // 93
    "",
    "",
    "",
    "",
    "",                                         // 94-98
    "Dosud nezpracovany popis chyby",           // 99
    "Interni chyba - chyba interni funkce",     // 100
    "",                                         // 101
    "Sit - chyba otevreni WSAStartup",          // 102
    "Sit - chyba socketu ",                     // 103
    "Sit - nelze aktivovat knihovnu ",          // 104
    "Sit - chyba odeslani dat",                 // 105
    "Sit - chyba prijmu dat ",                  // 106
    "Chyba vytvoreni threadu ",                 // 107
    "Sit - chyba kontrolniho souctu  ",         // 108
    "Sit - chyba programu ",                    // 109
    "Sit - timeout socketu ",                   // 110
    "Sit - chyba sekvence dat ",                // 111
    "Sit - chyba obsahu prijateho bloku dat ",  // 112
    "Sit - chyba na konci odesilani ALLRAM ",   // 113
    "Chyba vytvoreni dialogu ",                 // 114
    "Stejná PLU v souboru ",                    // 115
    "Uloha byla prerusena ",                    // 116
};

}  // namespace

void JobFailure::AddOuterContext(std::string_view where) {
  if (where.empty()) return;
  context_ = context_.empty() ? std::string(where) : std::string(where) + ", " + context_;
}

std::string_view ErrorText(int code) {
  if (code < 0 || code >= kErrorTableSize) return {};
  return kTexts[static_cast<std::size_t>(code)];
}

}  // namespace tarvik::frame
