#include "ui/qt/line_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik::ui::qt {
namespace {

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Texts>
QComboBox* List(QWidget* parent, const Texts& texts, int current) {
  auto* box = new QComboBox(parent);
  for (const auto& text : texts) box->addItem(Utf8(text));
  box->setCurrentIndex(current);
  return box;
}

// The buttons and, above them, the line that says why OK was refused.
QLabel* AddButtons(QDialog* dialog, QVBoxLayout* layout) {
  auto* problem = new QLabel(dialog);
  problem->setObjectName(QStringLiteral("problem"));
  problem->setStyleSheet(QStringLiteral("color: #b00000"));
  problem->setWordWrap(true);
  layout->addWidget(problem);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(Utf8(window::kCancelText));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  return problem;
}

// Shows `problem` and tells whether the dialog may close.
bool MayClose(QLabel* label, const std::optional<std::string>& problem) {
  label->setText(problem ? Utf8(*problem) : QString());
  return !problem.has_value();
}

}  // namespace

PortSpeedDialog::PortSpeedDialog(frame::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  setObjectName(QStringLiteral("portSpeedDialog"));
  setWindowTitle(Utf8(window::kPortDialogTitle));
  const window::PortChoices start = window::StartingPortChoices(program);

  port_ = List(this, window::PortNames(program), start.port);
  speed_ = List(this, window::kSpeeds, start.speed);
  terminal_ = new QLineEdit(QString::fromStdString(start.terminal), this);
  terminal_->setMaxLength(6);
  dataBits_ = List(this, std::array{"5", "6", "7", "8"}, start.dataBits);
  parity_ = List(this, window::kParities, start.parity);
  std::vector<std::string_view> models;
  for (std::size_t i = 0; i < window::kRegisterModels.size(); ++i) {
    models.push_back(window::ModelCode(i));
  }
  model_ = List(this, models, start.model);
  logName_ = new QLineEdit(Utf8(start.logName), this);
  logName_->setMaxLength(window::kMaxLogNameInput);

  auto* form = new QFormLayout;
  const std::array<QWidget*, 7> fields = {port_,   speed_, terminal_, dataBits_,
                                          parity_, model_, logName_};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    form->addRow(Utf8(window::kPortLabels[i]), fields[i]);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  problem_ = AddButtons(this, layout);
}

window::PortChoices PortSpeedDialog::Choices() const {
  window::PortChoices choices;
  choices.port = port_->currentIndex();
  choices.speed = speed_->currentIndex();
  choices.terminal = terminal_->text().toStdString();
  choices.dataBits = dataBits_->currentIndex();
  choices.parity = parity_->currentIndex();
  choices.model = model_->currentIndex();
  choices.logName = logName_->text().toStdString();
  return choices;
}

void PortSpeedDialog::Apply() {
  window::ApplyPortChoices(program_, Choices());
}

void PortSpeedDialog::accept() {
  if (MayClose(problem_, window::CheckPortChoices(Choices()))) QDialog::accept();
}

IpAddressDialog::IpAddressDialog(frame::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  const window::IpChoices start = window::StartingIpChoices(program);
  setObjectName(QStringLiteral("ipAddressDialog"));
  setWindowTitle(Utf8(window::kIpDialogTitle));

  auto* address = new QHBoxLayout;
  for (std::size_t i = 0; i < 4; ++i) {
    octets_[i] = new QLineEdit(QString::fromStdString(start.octets[i]), this);
    octets_[i]->setMaxLength(3);
    octets_[i]->setValidator(new QIntValidator(0, 255, octets_[i]));
    address->addWidget(octets_[i]);
    if (i < 3) address->addWidget(new QLabel(QStringLiteral("."), this));
  }
  model_ = List(this, window::IpModelNames(), start.model);
  terminal_ = new QLineEdit(Utf8(start.terminal), this);
  terminal_->setMaxLength(3);

  auto* form = new QFormLayout;
  form->addRow(Utf8(window::kIpLabels[0]), address);
  form->addRow(Utf8(window::kIpLabels[1]), model_);
  form->addRow(Utf8(window::kIpLabels[2]), terminal_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  problem_ = AddButtons(this, layout);
}

window::IpChoices IpAddressDialog::Choices() const {
  window::IpChoices choices;
  for (std::size_t i = 0; i < 4; ++i) choices.octets[i] = octets_[i]->text().toStdString();
  choices.model = model_->currentIndex();
  choices.terminal = terminal_->text().toStdString();
  return choices;
}

void IpAddressDialog::Apply() {
  window::ApplyIpChoices(program_, Choices());
}

void IpAddressDialog::accept() {
  if (MayClose(problem_, window::CheckIpChoices(Choices()))) QDialog::accept();
}

}  // namespace tarvik::ui::qt
