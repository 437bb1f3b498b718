#include "ui/qt/help_text.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "frame/errors.h"
#include "frame/version.h"
#include "ui/qt/icons.h"

namespace tarvik::ui::qt {
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
  /d      ladicí výpisy na obrazovku, pracovní soubory se nemažou
  /dd     navíc záznam bajtů sériové linky do souboru rsdata
  /w      zobrazit okno i při přenosu
  /h      výsledek přenosu oznámit hlášením
  /q      tichý režim (bez pípání)
  /k      bez komunikace (port ani síť se neotevírají)
  /n      ponechat signál DTR sériové linky
  /nooff  číst uzávěrky i s klíčem v poloze REG
  /p      převádět češtinu mezi pokladnou (852) a soubory (1250)
  /fi     fiskální pokladna
  /t      jen nastavit datum a čas v pokladně a skončit
  /find   jen najít pokladnu na sériových portech (výsledek v souboru find)
  /najdi  najít pokladnu a ponechat okno otevřené
  /progress       ukazovat průběh přenosu ikonou v oznamovací oblasti
  /extendjournal  rozšířený výpis žurnálu
  /z      po přenosu zavěsit modem

NASTAVENÍ (soubor tarvik.ini v adresáři programu)

Řádek "klíč = hodnota", řádek začínající "//" je poznámka, řádek se slovem
"konec" čtení ukončí. Přepínač z příkazové řádky má přednost před klíčem.
  pripona_cmd     přípona příkazových souborů (cmd)
  oddelovac       oddělovač polí v datových souborech (;)
  timeout         čekání na pokladnu v sekundách (1 až 100, výchozí 10)
  zpozdeni        prodleva mezi příkazy v milisekundách (1600)
  ticho, zvuk     vypnutí pípání a druh zvuku
  okno, debug, rawdebug, hlaseni, stahujvzdy, konverze, fiskal, progress
                  jako odpovídající přepínače
  komunikace_modem, cislo_modem, wait_modem
                  spojení přes modem, volané číslo a čekání na spojení
  zurnal_radky, extend_journal, cisniciplu, extraucty
                  volby výpisu žurnálu
  cislovani       číslování záznamů v datových souborech
  simulace        čtení z místních souborů místo z pokladny
  comN=/dev/...   zařízení sériového portu COMN (Linux)

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

}  // namespace

QString HelpText() {
  QString text = QString::fromUtf8(kHelpBody);
  for (int code = 0; code < frame::kErrorTableSize; ++code) {
    std::string_view message = frame::ErrorText(code);
    if (message.empty()) continue;
    text += QStringLiteral("  %1  %2\n")
                .arg(code, 3)
                .arg(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
  }
  return text;
}

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("106"));
  setWindowTitle(QStringLiteral("Stručný popis programu"));
  auto* text = new QPlainTextEdit(HelpText(), this);
  text->setObjectName(QStringLiteral("helpText"));
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font = text->font();
  font.setStyleHint(QFont::TypeWriter);
  font.setFamily(QStringLiteral("Monospace"));
  text->setFont(font);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  resize(720, 520);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("100"));
  setWindowTitle(QStringLiteral("O programu"));
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  layout->addWidget(icon, 0, Qt::AlignHCenter);
  const QStringList texts = {
      QStringLiteral("Komunikace s pokladnou %1").arg(QStringLiteral("TARVIK")),
      QStringLiteral("pro Microsoft Windows%1").arg(QStringLiteral(".")),
      QStringLiteral("Verze %1 %2")
          .arg(QString::fromLatin1(frame::kProgramVersion), QStringLiteral(" "))};
  for (const QString& t : texts) {
    auto* label = new QLabel(t, this);
    label->setObjectName(QStringLiteral("aboutText"));
    layout->addWidget(label, 0, Qt::AlignHCenter);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Zrušit"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QStringList AboutDialog::Texts() const {
  QStringList texts;
  for (const QLabel* label : findChildren<QLabel*>(QStringLiteral("aboutText"))) {
    texts << label->text();
  }
  return texts;
}

}  // namespace tarvik::ui::qt
