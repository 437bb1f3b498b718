#include "ui/qt/find_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik::ui::qt {

FindDialog::FindDialog(bool replace, const QString& findText, const QString& replacement,
                       QWidget* parent)
    : QDialog(parent), replace_(replace) {
  setObjectName(replace ? QStringLiteral("replaceDialog") : QStringLiteral("findDialog"));
  setWindowTitle(replace ? QStringLiteral("Nahradit") : QStringLiteral("Najít"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  auto* fields = new QFormLayout;
  findEdit_ = new QLineEdit(findText, this);
  findEdit_->setMaxLength(kMaxText);
  fields->addRow(QStringLiteral("&Najít:"), findEdit_);
  if (replace) {
    replaceEdit_ = new QLineEdit(replacement, this);
    replaceEdit_->setMaxLength(kMaxText);
    fields->addRow(QStringLiteral("Nahradit &čím:"), replaceEdit_);
  }

  auto* buttons = new QVBoxLayout;
  findNext_ = new QPushButton(QStringLiteral("Najít &další"), this);
  findNext_->setDefault(true);
  buttons->addWidget(findNext_);
  connect(findNext_, &QPushButton::clicked, this, &FindDialog::findNextRequested);
  if (replace) {
    replaceOne_ = new QPushButton(QStringLiteral("Nah&radit"), this);
    replaceAll_ = new QPushButton(QStringLiteral("Nahradit &vše"), this);
    buttons->addWidget(replaceOne_);
    buttons->addWidget(replaceAll_);
    connect(replaceOne_, &QPushButton::clicked, this, &FindDialog::replaceRequested);
    connect(replaceAll_, &QPushButton::clicked, this, &FindDialog::replaceAllRequested);
  }
  auto* cancel = new QPushButton(QStringLiteral("Zrušit"), this);
  buttons->addWidget(cancel);
  buttons->addStretch();
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addLayout(buttons);
  // Nothing to look for, nothing to press.
  auto enable = [this] {
    findNext_->setEnabled(!findEdit_->text().isEmpty());
    if (replaceOne_ != nullptr) replaceOne_->setEnabled(!findEdit_->text().isEmpty());
    if (replaceAll_ != nullptr) replaceAll_->setEnabled(!findEdit_->text().isEmpty());
  };
  connect(findEdit_, &QLineEdit::textChanged, this, enable);
  enable();
}

QString FindDialog::FindText() const {
  return findEdit_->text();
}

QString FindDialog::Replacement() const {
  return replaceEdit_ != nullptr ? replaceEdit_->text() : QString();
}

}  // namespace tarvik::ui::qt
