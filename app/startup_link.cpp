// The run-at-startup box: the start-at-logon entry made or removed; the home page link.
#include "app/startup_link.h"

#include "base/file_layer.h"
#include "ui/control_ids.h"
#include "ui/control_table.h"

namespace verdalin {

std::string StartupEntryPath(ShellServices& shell) {
  std::string path = shell.SpecialFolderPath(SpecialFolder::kStartup);
  path += shell.PathSeparator();
  path += shell.StartupEntryName();
  return path;
}

bool StartupEntryPresent(FileSystem& fs, std::string_view path) {
  return QueryFileSize(fs, path) > 0;
}

namespace {

StartupEntrySpec EntryFor(const std::string& executable) {
  StartupEntrySpec entry;
  entry.target = executable;
  entry.arguments = kStartupArgument;
  entry.description = kShortcutDescription;
  return entry;
}

}  // namespace

void OnRunAtStartupBox(WindowControls& window, ShellServices& shell, Dialogs& dialogs,
                       FileSystem& fs) {
  const std::string path = StartupEntryPath(shell);
  if (window.GetControlState(kRunAtStartupBox) == 0) {
    RemoveFile(fs, path);  // a failed or needless deletion is silent
    return;
  }
  const std::string executable = shell.ExecutablePath();
  if (StartupEntryPresent(fs, path)) return;
  if (!shell.CreateStartupEntry(path, EntryFor(executable))) {
    dialogs.ShowMessage(std::string(kStartupErrorTitle), std::string(kStartupErrorText),
                        MessageIcon::kWarning);
  }
}

void OpenProgramHomePage(ShellServices& shell) {
  shell.OpenAddress(std::string(kHomePageAddress));  // a browser that cannot start is silent
}

}  // namespace verdalin
