// The two dialogs that set the connection written into all command files:
// "Nastav port a rychlost" for serial lines and the IP-address dialog for
// TCP/IP lines. What they offer, check and write is the window model's
// (ui/window/line_settings.h); these are its Qt views.
#pragma once

#include <QDialog>
#include <array>

#include "frame/program.h"
#include "ui/window/line_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tarvik::ui::qt {

using window::LoadLogoConnection;

class PortSpeedDialog final : public QDialog {
  Q_OBJECT

 public:
  // Filled from the connection record.
  PortSpeedDialog(frame::Program& program, QWidget* parent = nullptr);
  // Writes the chosen values into the connection record and the line settings.
  void Apply();
  // Closes the dialog only when the choices can be written; else says why.
  void accept() override;

  window::PortChoices Choices() const;
  QComboBox* Port() const { return port_; }
  QComboBox* Speed() const { return speed_; }
  QLineEdit* Terminal() const { return terminal_; }
  QComboBox* DataBits() const { return dataBits_; }
  QComboBox* Parity() const { return parity_; }
  QComboBox* Model() const { return model_; }
  QLineEdit* LogName() const { return logName_; }
  // The line that says why OK was refused (empty otherwise).
  QLabel* Problem() const { return problem_; }

 private:
  frame::Program& program_;
  QComboBox* port_;
  QComboBox* speed_;
  QLineEdit* terminal_;
  QComboBox* dataBits_;
  QComboBox* parity_;
  QComboBox* model_;
  QLineEdit* logName_;
  QLabel* problem_;
};

class IpAddressDialog final : public QDialog {
  Q_OBJECT

 public:
  // Filled from the first line of iglog1.cmx, or from the connection record
  // when that file is missing. A terminal field of more than 7 characters
  // is 51/1, a model field of more than 5 is 51/2.
  IpAddressDialog(frame::Program& program, QWidget* parent = nullptr);
  void Apply();
  void accept() override;

  window::IpChoices Choices() const;
  QLineEdit* Octet(int i) const { return octets_[static_cast<std::size_t>(i)]; }
  QComboBox* Model() const { return model_; }
  QLineEdit* Terminal() const { return terminal_; }
  QLabel* Problem() const { return problem_; }

 private:
  frame::Program& program_;
  std::array<QLineEdit*, 4> octets_{};
  QComboBox* model_;
  QLineEdit* terminal_;
  QLabel* problem_;
};

}  // namespace tarvik::ui::qt
