// Every modal question the window asks goes through Dialogs, so the window
// can be driven without anybody clicking: the program uses QtDialogs, the
// tests a scripted stand-in.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

class QDialog;
class QPrinter;
class QWidget;

namespace tarvik::ui::qt {

inline constexpr char kTitle[] = "Komunikace Tarvik";

// An open or save dialog. Filters are in Qt's form: "Cmdéčka (*.cmd)".
struct FileChoice {
  enum class Kind { kOpenExisting, kOpenAny, kSave };
  Kind kind = Kind::kOpenExisting;
  QString title;
  QString directory;
  QStringList filters;
  QString defaultSuffix;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A box titled "Komunikace Tarvik" with the icon and buttons of `style`
  // (the message-box style values of ui/frontend.h); returns the answer.
  virtual int Message(QWidget* owner, const QString& text, int style) = 0;
  // The full path chosen, or empty when the dialog was cancelled.
  virtual QString ChooseFile(QWidget* owner, const FileChoice& choice) = 0;
  // True when a font was chosen into *font.
  virtual bool ChooseFont(QWidget* owner, QFont* font) = 0;
  // The platform's print dialog over *printer; false when cancelled.
  virtual bool SetUpPrinter(QWidget* owner, QPrinter* printer) = 0;
  // Runs a modal dialog of the program; true when it was accepted.
  virtual bool Run(QDialog* dialog) = 0;
};

class QtDialogs final : public Dialogs {
 public:
  int Message(QWidget* owner, const QString& text, int style) override;
  QString ChooseFile(QWidget* owner, const FileChoice& choice) override;
  bool ChooseFont(QWidget* owner, QFont* font) override;
  bool SetUpPrinter(QWidget* owner, QPrinter* printer) override;
  bool Run(QDialog* dialog) override;
};

// A message text of the program (Windows-1250, CR or CR LF between lines) as
// shown in a box.
QString BoxText(const std::string& cp1250);

// Windows-1250 bytes and Unicode text, both ways ("?" for what 1250 lacks).
QString FromCp1250(std::string_view bytes);
std::string ToCp1250(const QString& text);

}  // namespace tarvik::ui::qt
