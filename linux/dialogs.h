// Message boxes and the file dialog over Qt.
#pragma once

#include <QString>
#include <string_view>

#include "app/dialogs.h"

class QWidget;

namespace verdalin {

// "Description|*.a;*.b" as Qt writes a name filter: "Description (*.a *.b)".
QString QtNameFilter(std::string_view filter);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}
  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  bool EditSettings(SettingsForm& form) override;

 private:
  QWidget* owner_;
};

}  // namespace verdalin
