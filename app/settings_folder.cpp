// Where the INI files live: the program's folder when it keeps them, else the user's own.
#include "app/settings_folder.h"

#include "app/settings.h"

namespace verdalin {

namespace {

bool IsFile(FileSystem& fs, const std::string& path) {
  return fs.Stat(path).kind == PathKind::kFile;
}

bool Holds(FileSystem& fs, const std::string& folder, std::string_view name) {
  return IsFile(fs, folder + std::string(name));
}

// Without its trailing separator, as the platform takes folders.
std::string Unterminated(const std::string& folder, char separator) {
  return !folder.empty() && folder.back() == separator ? folder.substr(0, folder.size() - 1)
                                                       : folder;
}

bool KeepsFilesBesideTheProgram(FileSystem& fs, ShellServices& shell, const std::string& folder) {
  if (Holds(fs, folder, kSettingsFileName)) return true;
  return !Holds(fs, folder, kInstalledMarkerName) &&
         shell.CanCreateFilesIn(Unterminated(folder, shell.PathSeparator()));
}

}  // namespace

std::string SettingsFolder(FileSystem& fs, ShellServices& shell) {
  const std::string program_folder = ProgramFolder(shell);
  if (KeepsFilesBesideTheProgram(fs, shell, program_folder)) return program_folder;
  const std::string user_folder = shell.SpecialFolderPath(SpecialFolder::kSettings);
  if (user_folder.empty()) return program_folder;
  return user_folder + shell.PathSeparator();
}

std::string PresetsFile(FileSystem& fs, ShellServices& shell, const std::string& settings_folder) {
  const std::string own = settings_folder + std::string(kPresetsFileName);
  const std::string shipped_folder = shell.SpecialFolderPath(SpecialFolder::kShippedData);
  if (IsFile(fs, own) || shipped_folder.empty()) return own;
  const std::string shipped =
      shipped_folder + shell.PathSeparator() + std::string(kPresetsFileName);
  return IsFile(fs, shipped) ? shipped : own;
}

void PrepareSettingsFolder(ShellServices& shell, const std::string& folder) {
  shell.CreateFolder(Unterminated(folder, shell.PathSeparator()));
}

}  // namespace verdalin
