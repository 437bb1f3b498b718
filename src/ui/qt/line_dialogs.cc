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
#include <cstdlib>

#include "frame/errors.h"
#include "frame/program_file.h"
#include "frame/scoped_values.h"
#include "frame/settings.h"
#include "frame/status.h"
#include "job/command_file.h"
#include "ui/qt/dialogs.h"

namespace tarvik::ui::qt {
namespace {

constexpr int kMaxLogName = 128;
constexpr unsigned kLowestSpeed = 4800;
constexpr const char* kSpeeds[] = {"4800", "9600", "19.2k", "38.4k"};
constexpr const char* kParities[] = {"None", "Odd", "Even", "Mark", "Space"};

QString Trimmed(const char* model) {
  return QString::fromLatin1(model).trimmed();
}

void AddButtons(QDialog* dialog, QLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Zrušit"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

// Reads a decimal number as atoi does, from at most `limit` characters.
int Number(const QString& text, int limit) {
  return static_cast<int>(std::strtol(text.left(limit).toLatin1().constData(), nullptr, 10));
}

// The fields of an IP connection line: four octets, terminal and model.
struct IpLine {
  std::array<int, 4> octets{};
  QString terminal;
  QString model;
};

IpLine ParseAddress(const std::string& address) {
  IpLine line;
  std::size_t start = 0;
  for (std::size_t i = 0; i < 4 && start <= address.size(); ++i) {
    std::size_t end = address.find('.', start);
    if (end == std::string::npos) end = address.size();
    line.octets[i] = Number(QString::fromStdString(address.substr(start, end - start)), 4);
    start = end + 1;
  }
  return line;
}

IpLine ReadIpLine(frame::Program& program) {
  frame::ProgramFile file =
      frame::ProgramFile::Open(program, "iglog1.cmx", frame::OpenMode::kReadIfPresent);
  std::string text;
  if (!file.IsOpen() || !file.ReadLine(&text, 256)) {
    IpLine current = ParseAddress(program.connection.ipAddress);
    current.terminal = QString::number(program.connection.terminalNumber);
    current.model = QString::fromStdString(program.connection.modelText).trimmed();
    return current;
  }
  file.Close();
  std::size_t comma = text.find(',');
  IpLine line = ParseAddress(text.substr(0, comma));
  std::string rest = comma == std::string::npos ? std::string() : text.substr(comma + 1);
  std::size_t end = rest.find(',');
  std::string terminal = rest.substr(0, end);
  if (terminal.size() > 7) frame::Fail(frame::error::kDialogTerminalTooLong);
  std::string model = end == std::string::npos ? std::string() : rest.substr(end + 1);
  model = model.substr(0, model.find(','));
  if (model.size() > 5) frame::Fail(frame::error::kDialogModelTooLong);
  line.terminal = QString::fromStdString(terminal).trimmed();
  line.model = QString::fromStdString(model).trimmed();
  if (line.octets[0] == 0) line.octets = {192, 168, 0, 0};
  return line;
}

}  // namespace

void LoadLogoConnection(frame::Program& program) {
  frame::JobSettings& s = program.settings;
  frame::ScopedValues keep(frame::Restore::kAlways, s.priponaCmd, program.paths.commandFileName,
                           program.command);
  s.priponaCmd = "cmx";
  program.paths.commandFileName = "glog1.cmx";
  job::CommandFileState state;
  job::NextCommand(program, state);
}

PortSpeedDialog::PortSpeedDialog(frame::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  setObjectName(QStringLiteral("portSpeedDialog"));
  setWindowTitle(QStringLiteral("Nastav port a rychlost"));
  const frame::ConnectionLine& c = program.connection;

  port_ = new QComboBox(this);
  for (int n = 1; n <= 9; ++n) {
    port_->addItem(QStringLiteral("COM%1  (%2)")
                       .arg(n)
                       .arg(QString::fromStdString(frame::ComDevice(program, n))));
  }
  port_->setCurrentIndex(c.comNumber >= 1 && c.comNumber <= 9 ? c.comNumber - 1 : -1);

  speed_ = new QComboBox(this);
  int speedIndex = -1;
  for (int i = 0; i < 4; ++i) {
    speed_->addItem(QString::fromLatin1(kSpeeds[i]));
    if (c.baudRate == kLowestSpeed << i) speedIndex = i;
  }
  speed_->setCurrentIndex(speedIndex);

  terminal_ = new QLineEdit(QString::number(c.terminalNumber), this);
  terminal_->setMaxLength(6);

  dataBits_ = new QComboBox(this);
  for (int bits = 5; bits <= 8; ++bits) dataBits_->addItem(QString::number(bits));
  dataBits_->setCurrentIndex(c.dataBits >= 5 && c.dataBits <= 8 ? c.dataBits - 5 : -1);

  parity_ = new QComboBox(this);
  for (const char* p : kParities) parity_->addItem(QString::fromLatin1(p));
  const auto parity = static_cast<unsigned>(c.parity);
  parity_->setCurrentIndex(parity <= 4 ? static_cast<int>(parity) : -1);

  model_ = new QComboBox(this);
  for (const char* m : kRegisterModels) model_->addItem(Trimmed(m));
  model_->setCurrentIndex(c.modelNumber >= 1 && c.modelNumber <= 10 ? c.modelNumber - 1 : -1);

  // The parser appended ".log" to a bare name; the line holds the bare name.
  QString log = FromCp1250(c.logFileName);
  if (log.endsWith(QStringLiteral(".log"), Qt::CaseInsensitive)) log.chop(4);
  logName_ = new QLineEdit(log, this);
  logName_->setMaxLength(kMaxLogName);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Port"), port_);
  form->addRow(QStringLiteral("&Rychlost"), speed_);
  form->addRow(QStringLiteral("&Terminál"), terminal_);
  form->addRow(QStringLiteral("Počet &bitů"), dataBits_);
  form->addRow(QStringLiteral("P&arita"), parity_);
  form->addRow(QStringLiteral("&Model"), model_);
  form->addRow(QStringLiteral("Soubor &log"), logName_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  AddButtons(this, layout);
}

void PortSpeedDialog::Apply() {
  frame::ConnectionLine& c = program_.connection;
  // A list left without a choice keeps its value.
  if (port_->currentIndex() >= 0) {
    c.comNumber = port_->currentIndex() + 1;
    c.comDigit = static_cast<char>('0' + c.comNumber);
  }
  if (speed_->currentIndex() >= 0) c.baudRate = kLowestSpeed << speed_->currentIndex();
  if (dataBits_->currentIndex() >= 0) c.dataBits = dataBits_->currentIndex() + 5;
  if (parity_->currentIndex() >= 0)
    c.parity = static_cast<platform::Parity>(parity_->currentIndex());
  if (model_->currentIndex() >= 0) {
    c.modelNumber = model_->currentIndex() + 1;
    c.modelText = kRegisterModels[static_cast<std::size_t>(model_->currentIndex())];
  }
  const int terminal = Number(terminal_->text(), 6);
  c.terminalNumber = terminal >= 0 && terminal < 257 ? terminal : 0;
  c.terminalText = frame::Format("%02d", c.terminalNumber);
  c.logFileName = ToCp1250(logName_->text().left(kMaxLogName));

  frame::LineSettings line = program_.serialLine.Get();
  line.port = c.comNumber;
  line.baudRate = c.baudRate;
  line.parity = c.parity;
  program_.serialLine.Set(line);
}

IpAddressDialog::IpAddressDialog(frame::Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  const IpLine line = ReadIpLine(program);
  setObjectName(QStringLiteral("ipAddressDialog"));
  setWindowTitle(QStringLiteral("Nastav IP adresy"));

  auto* address = new QHBoxLayout;
  for (std::size_t i = 0; i < 4; ++i) {
    octets_[i] = new QLineEdit(QString::number(line.octets[i]), this);
    octets_[i]->setMaxLength(3);
    octets_[i]->setValidator(new QIntValidator(0, 255, octets_[i]));
    address->addWidget(octets_[i]);
    if (i < 3) address->addWidget(new QLabel(QStringLiteral("."), this));
  }

  model_ = new QComboBox(this);
  model_->addItem(QString());
  for (const char* m : kRegisterModels) model_->addItem(Trimmed(m));
  int modelIndex = model_->findText(line.model);
  model_->setCurrentIndex(modelIndex >= 0 ? modelIndex : 0);

  terminal_ = new QLineEdit(line.terminal, this);
  terminal_->setMaxLength(3);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("IP adresa pokladny:"), address);
  form->addRow(QStringLiteral("Model pokladny:"), model_);
  form->addRow(QStringLiteral("Terminál:"), terminal_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  AddButtons(this, layout);
}

void IpAddressDialog::Apply() {
  frame::ConnectionLine& c = program_.connection;
  std::array<int, 4> octets{};
  for (std::size_t i = 0; i < 4; ++i) octets[i] = Number(octets_[i]->text(), 3);
  c.ipAddress = frame::Format("%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
  std::string model = model_->currentText().toStdString();
  model.resize(std::max<std::size_t>(model.size(), 4), ' ');
  c.modelText = model;
  c.modelNumber = model_->currentIndex() > 0 ? model_->currentIndex() : 0;
  c.terminalNumber = Number(terminal_->text(), 3);
  c.terminalText = frame::Format("%02d", c.terminalNumber);
}

}  // namespace tarvik::ui::qt
