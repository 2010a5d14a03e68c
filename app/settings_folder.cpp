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

// A folder given on the command line, with its trailing separator.
std::string WithSeparator(const std::string& folder, char separator) {
  return folder.empty() || folder.back() == separator ? folder : folder + separator;
}

// What is wrong with a --config folder: it must exist and take a new file (a probe written and
// removed at once).
std::optional<std::string> ConfigFolderProblem(FileSystem& files, const std::string& folder,
                                               char separator) {
  if (folder.empty()) return std::string("--config needs a folder");
  const std::string named = "--config " + folder + ": ";
  const PathInfo info = files.Stat(folder);
  if (info.kind == PathKind::kMissing) return named + "no such folder";
  if (info.kind != PathKind::kDirectory) return named + "not a folder";
  const std::string probe = WithSeparator(folder, separator) + ".verdalin-probe";
  if (!files.ReplaceAll(probe, "")) return named + "cannot write there";
  files.Remove(probe);
  return std::nullopt;
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

bool IsConfigOption(const std::vector<std::string>& arguments) {
  return arguments.size() == 3 && arguments[1] == "--config";
}

std::optional<std::string> CommandFolder(FileSystem& fs, ShellServices& shell,
                                         const std::vector<std::string>& arguments,
                                         std::string& folder) {
  const char separator = shell.PathSeparator();
  if (!IsConfigOption(arguments)) {
    folder = SettingsFolder(fs, shell);
    return std::nullopt;
  }
  if (auto problem = ConfigFolderProblem(fs, arguments[2], separator)) return problem;
  folder = WithSeparator(arguments[2], separator);
  return std::nullopt;
}

}  // namespace verdalin
