// Message boxes (MessageBoxA) and the file-open dialog (GetOpenFileNameA).
#include "win32/dialogs.h"

#include <commdlg.h>

#include <cstring>

#include "base/file_system.h"
#include "win32/settings_dialog.h"

namespace verdalin {

std::string DialogFilter(const std::string& filter) {
  std::string result = filter;
  for (char& ch : result)
    if (ch == '|') ch = '\0';
  result.push_back('\0');
  result.push_back('\0');
  return result;
}

void Win32Dialogs::ShowMessage(const std::string& title, const std::string& text,
                               MessageIcon icon) {
  UINT style = MB_OK | MB_ICONINFORMATION;
  if (icon == MessageIcon::kError) style = MB_OK | MB_ICONERROR;
  if (icon == MessageIcon::kWarning) style = MB_OK | MB_ICONWARNING;
  MessageBoxA(window_.Handle(), text.c_str(), title.c_str(), style);
}

std::optional<std::string> Win32Dialogs::ChooseFile(const FileDialogRequest& request) {
  char path[kMaxPathLength + 1] = {};
  std::strncpy(path, request.initial_name.c_str(), kMaxPathLength);
  const std::string filter = DialogFilter(request.filter);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = window_.Handle();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof(path);
  dialog.lpstrInitialDir =
      request.initial_folder.empty() ? nullptr : request.initial_folder.c_str();
  dialog.lpstrTitle = request.title.c_str();
  dialog.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(path);
}

bool Win32Dialogs::EditSettings(SettingsForm& form) {
  return RunSettingsDialog(window_.Handle(), form);
}

}  // namespace verdalin
