// Where the INI files live: beside the program, or in the user's own settings folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/host.h"
#include "base/file_system.h"

namespace verdalin {

// The file the setup program leaves beside the copy it installs. Such a copy keeps its settings
// in the user's settings folder even where the user could write beside it (a per-user install),
// so that an update or an uninstall never touches them.
inline constexpr std::string_view kInstalledMarkerName = "Verdalin_Installed.txt";

// The folder of the INI files, with its trailing separator:
// - the program's folder when it already holds the settings file (a presets file there may be
//   the one shipped with the program, which says nothing of where the user keeps files);
// - the program's folder when it is not an installed copy and the user may create files there
//   (a portable copy);
// - otherwise the user's settings folder (SpecialFolder::kSettings), which may not exist yet,
//   or the program's folder when the platform knows no such folder.
std::string SettingsFolder(FileSystem& fs, ShellServices& shell);

// The presets file to read: the user's own in the settings folder (with its trailing separator)
// when there is one, else the one shipped with the program (SpecialFolder::kShippedData), else
// the user's path, which then gives no presets.
std::string PresetsFile(FileSystem& fs, ShellServices& shell, const std::string& settings_folder);

// Creates the settings folder when it is missing, before the first file is written in it.
void PrepareSettingsFolder(ShellServices& shell, const std::string& folder);

// Whether a command's arguments (its own option first) are that option and "--config DIR".
bool IsConfigOption(const std::vector<std::string>& arguments);

// The settings folder of a command that takes "--config DIR" (checked by IsConfigOption): DIR
// with its trailing separator, else SettingsFolder. DIR must exist and take a new file, so that a
// mistyped folder is never run on the default settings; what is wrong with it otherwise.
std::optional<std::string> CommandFolder(FileSystem& fs, ShellServices& shell,
                                         const std::vector<std::string>& arguments,
                                         std::string& folder);

}  // namespace verdalin
