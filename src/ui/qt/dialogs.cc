#include "ui/qt/dialogs.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include "frame/codepage.h"
#include "screen/front_end.h"

namespace tarvik::ui::qt {
namespace {

struct ButtonAnswer {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonAnswer> ButtonsOf(int style) {
  using B = QMessageBox;
  switch (style & 0x0F) {
    case 1:
      return {{B::Ok, screen::kAnswerOk}, {B::Cancel, screen::kAnswerCancel}};
    case 2:
      return {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}};
    case 3:
      return {{B::Yes, screen::kAnswerYes},
              {B::No, screen::kAnswerNo},
              {B::Cancel, screen::kAnswerCancel}};
    case screen::kStyleYesNo:
      return {{B::Yes, screen::kAnswerYes}, {B::No, screen::kAnswerNo}};
    case 5:
      return {{B::Retry, 4}, {B::Cancel, screen::kAnswerCancel}};
    default:
      return {{B::Ok, screen::kAnswerOk}};
  }
}

QMessageBox::Icon IconOf(int style) {
  switch (style & 0xF0) {
    case screen::kStyleStop:
      return QMessageBox::Critical;
    case screen::kStyleQuestion:
      return QMessageBox::Question;
    case screen::kStyleExclamation:
      return QMessageBox::Warning;
    case screen::kStyleInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

QString FromCp1250(std::string_view bytes) {
  return QString::fromStdString(frame::Cp1250ToUtf8(bytes));
}

std::string ToCp1250(const QString& text) {
  return frame::Utf8ToCp1250(text.toStdString());
}

QString BoxText(const std::string& cp1250) {
  QString text = FromCp1250(cp1250);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

int QtDialogs::Message(QWidget* owner, const QString& text, int style) {
  QMessageBox box(IconOf(style), QString::fromUtf8(kTitle), text, QMessageBox::NoButton, owner);
  std::vector<ButtonAnswer> buttons = ButtonsOf(style);
  for (const ButtonAnswer& b : buttons) box.addButton(b.button);
  std::size_t defaultIndex = static_cast<std::size_t>((style >> 8) & 0x0F);
  if (defaultIndex < buttons.size()) box.setDefaultButton(buttons[defaultIndex].button);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const ButtonAnswer& b : buttons) {
    if (clicked == box.button(b.button)) return b.answer;
  }
  // Closed without a button: the answer of the escape button, as the system does.
  return buttons.size() == 1 ? buttons[0].answer : screen::kAnswerCancel;
}

QString QtDialogs::ChooseFile(QWidget* owner, const FileChoice& choice) {
  QFileDialog dialog(owner, choice.title, choice.directory);
  dialog.setNameFilters(choice.filters);
  dialog.setDefaultSuffix(choice.defaultSuffix);
  switch (choice.kind) {
    case FileChoice::Kind::kOpenExisting:
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
    case FileChoice::Kind::kOpenAny:
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::AnyFile);
      break;
    case FileChoice::Kind::kSave:
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      break;
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

bool QtDialogs::ChooseFont(QWidget* owner, QFont* font) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, *font, owner);
  if (ok) *font = chosen;
  return ok;
}

bool QtDialogs::SetUpPrinter(QWidget* owner, QPrinter* printer) {
  QPrintDialog dialog(printer, owner);
  dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::Run(QDialog* dialog) {
  return dialog->exec() == QDialog::Accepted;
}

}  // namespace tarvik::ui::qt
