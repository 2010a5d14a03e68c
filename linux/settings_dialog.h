// The settings window over Qt: the form's fields in their sections, each message beside its field.
#pragma once

#include <QDialog>
#include <QTimer>
#include <vector>

#include "app/settings_form.h"

class QLabel;
class QPushButton;

namespace verdalin {

// Widgets are named for the tests: "field_<key>", "message_<key>", "send_test", "test_result".
class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(SettingsForm& form, QWidget* owner);
  // OK: the fields into the form, closed only when its check finds nothing.
  void accept() override;

 private:
  QWidget* MakeInput(const FieldSpec& field, const std::string& value);
  std::string InputText(std::size_t field) const;
  void TakeInputs();
  void SendTest();
  void ShowTestResult();

  SettingsForm& form_;
  std::vector<QWidget*> inputs_;
  std::vector<QLabel*> messages_;
  QPushButton* test_button_ = nullptr;
  QLabel* test_result_ = nullptr;
  QTimer test_watch_;
};

}  // namespace verdalin
