// The two dialogs that set the connection written into all command files:
// "Nastav port a rychlost" for serial lines and the IP-address dialog for
// TCP/IP lines. Each starts from the program's own logo command file
// (glog1.cmx, iglog1.cmx) and, when accepted, leaves the chosen values in
// the connection record, from which the command files are rewritten.
#pragma once

#include <QDialog>
#include <array>

#include "frame/program.h"

class QComboBox;
class QLineEdit;

namespace tarvik::ui::qt {

// The register models a connection line may name, in the order of the
// command-file parser's table (its model numbers 1 to 10).
inline constexpr std::array<const char*, 10> kRegisterModels = {
    "39T ", "359 ", "360 ", "362 ", "549 ", "579 ", "396 ", "649 ", "650 ", "652 "};

// Parses glog1.cmx as a job would, so the connection record holds its line.
// The command file of the next transfer and the current command stay as
// they were. Failures are those of the command-file parser.
void LoadLogoConnection(frame::Program& program);

class PortSpeedDialog final : public QDialog {
  Q_OBJECT

 public:
  // Filled from the connection record.
  PortSpeedDialog(frame::Program& program, QWidget* parent = nullptr);
  // Writes the chosen values into the connection record and the line settings.
  void Apply();

  QComboBox* Port() const { return port_; }
  QComboBox* Speed() const { return speed_; }
  QLineEdit* Terminal() const { return terminal_; }
  QComboBox* DataBits() const { return dataBits_; }
  QComboBox* Parity() const { return parity_; }
  QComboBox* Model() const { return model_; }
  QLineEdit* LogName() const { return logName_; }

 private:
  frame::Program& program_;
  QComboBox* port_;
  QComboBox* speed_;
  QLineEdit* terminal_;
  QComboBox* dataBits_;
  QComboBox* parity_;
  QComboBox* model_;
  QLineEdit* logName_;
};

class IpAddressDialog final : public QDialog {
  Q_OBJECT

 public:
  // Filled from the first line of iglog1.cmx, or from the connection record
  // when that file is missing. A terminal field of more than 7 characters
  // is 51/1, a model field of more than 5 is 51/2.
  IpAddressDialog(frame::Program& program, QWidget* parent = nullptr);
  void Apply();

  QLineEdit* Octet(int i) const { return octets_[static_cast<std::size_t>(i)]; }
  QComboBox* Model() const { return model_; }
  QLineEdit* Terminal() const { return terminal_; }

 private:
  frame::Program& program_;
  std::array<QLineEdit*, 4> octets_{};
  QComboBox* model_;
  QLineEdit* terminal_;
};

}  // namespace tarvik::ui::qt
