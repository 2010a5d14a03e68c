// Message boxes and the file-open dialog of the browse button.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/dialogs.h"
#include "win32/main_window.h"

namespace verdalin {

// "description|patterns|..." as the dialog's filter: parts ended by 0, the list by a second 0.
std::string DialogFilter(const std::string& filter);

class Win32Dialogs : public Dialogs {
 public:
  // The dialogs belong to `window` once it exists, to no window before.
  explicit Win32Dialogs(const MainWindow& window) : window_(window) {}
  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  bool EditSettings(SettingsForm& form) override;

 private:
  const MainWindow& window_;
};

}  // namespace verdalin
