// The modeless find and replace dialogs of the editor. The search is always
// forward and case-sensitive, so they offer neither direction nor options.
#pragma once

#include <QDialog>

#include "ui/window/editor_rules.h"

class QLineEdit;
class QPushButton;

namespace tarvik::ui::qt {

class FindDialog final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxText = static_cast<int>(window::kMaxSearchText);

  // `replace` adds the replacement text and the replace buttons.
  FindDialog(bool replace, const QString& findText, const QString& replacement, QWidget* parent);
  bool IsReplace() const { return replace_; }
  QString FindText() const;
  QString Replacement() const;
  QLineEdit* FindEdit() const { return findEdit_; }
  QLineEdit* ReplaceEdit() const { return replaceEdit_; }
  QPushButton* FindNextButton() const { return findNext_; }
  QPushButton* ReplaceButton() const { return replaceOne_; }
  QPushButton* ReplaceAllButton() const { return replaceAll_; }

 signals:
  void findNextRequested();
  void replaceRequested();
  void replaceAllRequested();

 private:
  bool replace_;
  QLineEdit* findEdit_ = nullptr;
  QLineEdit* replaceEdit_ = nullptr;
  QPushButton* findNext_ = nullptr;
  QPushButton* replaceOne_ = nullptr;
  QPushButton* replaceAll_ = nullptr;
};

}  // namespace tarvik::ui::qt
