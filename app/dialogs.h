// The desktop's dialogs: message boxes and the file chooser.
#pragma once

#include <optional>
#include <string>

namespace verdalin {

class SettingsForm;

enum class MessageIcon { kError, kWarning, kInformation };

struct FileDialogRequest {
  std::string title;
  std::string filter;  // "description|pattern;pattern"
  std::string initial_folder;
  std::string initial_name;  // empty: none
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box with an OK button.
  virtual void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
  // The file-open dialog: the chosen path (its folder must exist, the file need not), or nothing
  // when cancelled or failed. Does not change the current directory; no read-only option.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
  // The modal settings window over the form: its fields as the form holds them; OK puts the
  // fields' texts into the form and closes only when its Check finds nothing, showing each
  // message beside its field otherwise. True for OK, false for Cancel (the form's texts are then
  // of no use).
  virtual bool EditSettings(SettingsForm& form) = 0;
};

}  // namespace verdalin
