#include "ui/qt/help_text.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string_view>

#include "ui/qt/icons.h"
#include "ui/window/help_text.h"
#include "ui/window/line_settings.h"

namespace tarvik::ui::qt {
namespace {

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString HelpText() {
  return Utf8(window::HelpText());
}

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(window::kHelpDialogId));
  setWindowTitle(Utf8(window::kHelpTitle));
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
  setObjectName(QString::number(window::kAboutDialogId));
  setWindowTitle(Utf8(window::kAboutTitle));
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  layout->addWidget(icon, 0, Qt::AlignHCenter);
  for (const std::string& t : window::AboutTexts()) {
    auto* label = new QLabel(Utf8(t), this);
    label->setObjectName(QStringLiteral("aboutText"));
    layout->addWidget(label, 0, Qt::AlignHCenter);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(Utf8(window::kCancelText));
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
