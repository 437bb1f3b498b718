#include "ui/window/help_text.h"

#include <climits>
#include <span>

#include "frame/errors.h"
#include "frame/setting_tables.h"
#include "frame/status.h"
#include "frame/version.h"

namespace tarvik::ui::window {
namespace {

constexpr char kHelpBody[] = R"(KOMUNIKACE S POKLADNOU TARVIK

Program propojuje počítač s jednou elektronickou pokladnou po sériové lince
(COM1 až COM9, případně přes modem) nebo po síti TCP/IP a provádí příkazy
malého textového příkazového souboru: čte soubory pokladny (PLU, oddělení,
pokladní, daně, platby, měny, systémové registry, sklad, prodeje PLU) do
textových datových souborů, zapisuje je zpět, stahuje elektronický žurnál,
nastavuje hodiny pokladny, mění sazby DPH, slučuje a třídí soubory PLU a
ověřuje žurnál. Všechny soubory programu leží v adresáři programu a jsou
v kódování Windows-1250.

SPUŠTĚNÍ

  tarvik [přepínače] PRIKAZOVY_SOUBOR

S příkazovým souborem program provede přenos bez okna a skončí (kód 0 při
úspěchu, 1 při chybě). Bez příkazového souboru otevře toto okno.

Přepínače (znaménko "-" za přepínačem ho vypíná):
)";

// The switch and key lists are the program's own tables; these are their
// Czech words.
struct Words {
  std::string_view name;
  const char* text;
};

constexpr Words kSwitchWords[] = {
    {"/dd", "navíc záznam bajtů sériové linky do souboru rsdata"},
    {"/d", "ladicí výpisy na obrazovku, pracovní soubory se nemažou"},
    {"/fi", "fiskální pokladna"},
    {"/w", "zobrazit okno i při přenosu"},
    {"/q", "tichý režim (bez pípání)"},
    {"/k", "bez komunikace (port ani síť se neotevírají)"},
    {"/n", "ponechat signál DTR sériové linky"},
    {"/h", "výsledek přenosu oznámit hlášením"},
    {"/nooff", "číst uzávěrky i s klíčem v poloze REG"},
    {"/p", "převádět češtinu mezi pokladnou (852) a soubory (1250)"},
    {"/t", "jen nastavit datum a čas v pokladně a skončit"},
    {"/find", "jen najít pokladnu na sériových portech (výsledek v souboru find)"},
    {"/najdi", "najít pokladnu a ponechat okno otevřené"},
    {"/progress", "ukazovat průběh přenosu ikonou v oznamovací oblasti"},
    {"/extendjournal", "rozšířený výpis žurnálu"},
    {"/z", "po přenosu zavěsit modem"},
};

constexpr char kIniHead[] = R"(
NASTAVENÍ (soubor tarvik.ini v adresáři programu)

Řádek "klíč = hodnota", řádek začínající "//" je poznámka, řádek se slovem
"konec" čtení ukončí. Přepínač z příkazové řádky má přednost před klíčem.
)";

constexpr Words kIniWords[] = {
    {"pripona_cmd", "přípona příkazových souborů"},
    {"oddelovac", "oddělovač polí v datových souborech"},
    {"cislo_modem", "volané číslo modemu"},
    {"timeout", "čekání na pokladnu v sekundách"},
    {"ticho", "bez pípání (jako /q)"},
    {"zvuk", "druh zvuku při přenosu"},
    {"komunikace_modem", "spojení přes modem"},
    {"zurnal_radky", "volba řádků výpisu žurnálu"},
    {"extend_journal", "rozšířený výpis žurnálu"},
    {"wait_modem", "čekání na spojení modemu v sekundách"},
    {"zpozdeni", "prodleva mezi příkazy v milisekundách"},
    {"cislovani", "číslování záznamů v datových souborech"},
    {"cisniciplu", "žurnál zapíše i prodeje PLU podle pokladních"},
    {"extraucty", "žurnál zapíše i zvláštní účty"},
    {"simulace", "čtení z místních souborů místo z pokladny"},
    {"cekani_zamku", "čekání na zámek adresáře programu v sekundách (0 = nečekat)"},
    {"fiskal", "fiskální pokladna (jako /fi)"},
    {"progress", "průběh ikonou v oznamovací oblasti"},
    {"okno", "zobrazit okno (jako /w)"},
    {"debug", "ladicí výpisy (jako /d)"},
    {"stahujvzdy", "uzávěrky i v poloze REG (jako /nooff)"},
    {"rawdebug", "záznam bajtů linky (jako /dd)"},
    {"hlaseni", "výsledek hlášením (jako /h)"},
    {"konverze", "převod češtiny (jako /p)"},
};

constexpr char kIniComLine[] = "  comN=/dev/...   zařízení sériového portu COMN (Linux)\n";

constexpr char kHelpTail[] = R"(
PŘÍKAZOVÝ SOUBOR

První řádek je spojovací řádek, každý další řádek jeden příkaz:

  01,1,7,8,O,650,ERA
  R03;P_PLU
  V10;D10

Sériový spojovací řádek: číslo terminálu, číslo portu COM, kód rychlosti
(300 x 2^kód Bd: 4 = 4800, 5 = 9600, 6 = 19200, 7 = 38400), datové bity,
parita (N, O, E, M, S), model pokladny a jméno souboru protokolu.
Síťový spojovací řádek: IP adresa, terminál, model, protokol, například
"192.168.0.160,01,650 , ERA" (port 14000 pokladny).

Příkazy: R čtení souboru pokladny, V zápis, W zápis po vymazání, N operace
pokladny bez datového souboru (N4C vymaže prodeje PLU), U stažení účtů
(U00 všechny), S zvláštní operace. Číslo souboru je šestnáctkové, za
středníkem následuje jméno datového souboru (přípona .dat se doplní).
"xxxx" ve jménu se nahradí dalším volným číslem. Znak "$" na začátku
řádku zavěsí modem po přenosu.

Zvláštní operace:
  S03   sloučení prodejů do souboru PLU
  S74   doplnění jmen PLU do souboru prodejů
  SE3   setřídění souboru PLU bez duplicitních čísel
  S65   přičtení skladu k zásobám v pokladně
  S59   stažení textu z pokladny
  S87   ověření žurnálu (viz níže)

ŽURNÁL

Příkaz R87;ZURNAL stáhne elektronický žurnál a připojí ho jako podepsaný
oddíl k textovému souboru ZURNAL.txt. Každý oddíl končí řádkem *Signature:
a kontrolním součtem. Příkaz S87;ZURNAL nebo položka menu "Verifikuj
žurnál" ověří, že se žádný oddíl souboru od stažení nezměnil.

OKNO PROGRAMU

Horní polovina okna ukazuje stavové výpisy, dolní polovina je editor
příkazových souborů (Soubor - Nový, Otevři, Ulož, Ulož jako, Tiskni;
Editace - Najdi, Najdi další F3, Nahraď, Písmo).
  Proveď, Otevři a komunikuj (Ctrl+O)  vybrat příkazový soubor a provést ho
  Komunikuj! (Ctrl+K)   provést naposledy vybraný příkazový soubor
  Nastav CMD            přepsat spojovací řádek všech příkazových souborů
  Nastav IP adresy      přepsat IP adresu ve všech příkazových souborech
  Datum a čas           nastavit v pokladně datum a čas počítače;
                        se stisknutou klávesou Shift nahrát sazby DPH
  Verifikuj žurnál      ověřit vybraný soubor žurnálu
  Najdi kasu            najít pokladnu na portech COM1 až COM9 a rychlostech
                        38400 až 4800 Bd; nalezené hodnoty lze zapsat do
                        všech příkazových souborů
Během přenosu jsou příkazy, které by spustily další přenos, nedostupné.

MODEM

S klíčem komunikace_modem = 1 program před přenosem vytočí číslo
cislo_modem a čeká na spojení nejvýše wait_modem sekund. Přepínač /z nebo
znak "$" před posledním příkazem modem po přenosu zavěsí.

VÝSLEDEK PŘENOSU

Každý příkaz zapíše řádek do souboru protokolu. Na konci přenosu vzniknou
soubory err a error.txt:
  err = 0, error.txt = 151   přenos proběhl v pořádku
  err = 2, error.txt = 9     pokladna se nehlásí (chyba 38)
  err = 3, error.txt = 8     klíč v poloze REG při uzávěrce (chyba 4)
  err = 1, error.txt = 9     jiná chyba
Při chybě se data nepovedeného přenosu uchovají v souboru wlasterr.tmp.

CHYBOVÉ KÓDY

Chyba se hlásí dvojicí čísel: kód chyby a podkód, který určuje místo
v programu.
)";

std::string_view WordsOf(std::span<const Words> words, std::string_view name) {
  for (const Words& w : words) {
    if (w.name == name) return w.text;
  }
  return {};
}

std::string Text(std::string_view text) {
  return std::string(text);
}

// "výchozí 10", with the range where the program keeps the value in one.
std::string IniNote(const frame::IniKey& key) {
  const std::string value = key.defaultValue.empty() ? "prázdné" : Text(key.defaultValue);
  if (key.kind == frame::IniValueKind::kInteger && key.minimum != INT_MIN) {
    return frame::Format("%d až %d, výchozí %s", key.minimum, key.maximum, value.c_str());
  }
  return "výchozí " + value;
}

}  // namespace

std::string HelpText() {
  std::string text = kHelpBody;
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    text += frame::Format("  %-15s %s\n", Text(sw.on).c_str(),
                          Text(WordsOf(kSwitchWords, sw.on)).c_str());
  }
  text += kIniHead;
  for (const frame::IniKey& key : frame::IniKeys()) {
    if (!key.used) continue;
    text += frame::Format("  %-16s %s (%s)\n", Text(key.name).c_str(),
                          Text(WordsOf(kIniWords, key.name)).c_str(), IniNote(key).c_str());
  }
  text += kIniComLine;
  text += kHelpTail;
  for (int code = 0; code < frame::kErrorTableSize; ++code) {
    const std::string_view message = frame::ErrorText(code);
    if (message.empty()) continue;
    text += frame::Format("  %3d  %s\n", code, Text(message).c_str());
  }
  return text;
}

std::array<std::string, 3> AboutTexts() {
  return {frame::Format("Komunikace s pokladnou %s", "TARVIK"),
          frame::Format("pro Microsoft Windows%s", "."),
          frame::Format("Verze %s %s", frame::kProgramVersion, " ")};
}

}  // namespace tarvik::ui::window
