// The help dialog "Stručný popis programu" and the About dialog.
#pragma once

#include <QDialog>
#include <QString>

namespace tarvik::ui::qt {

// The built-in help text (with the error table of the program).
QString HelpText();

class HelpDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit HelpDialog(QWidget* parent = nullptr);
};

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  // The three texts filled in on opening.
  QStringList Texts() const;
};

}  // namespace tarvik::ui::qt
