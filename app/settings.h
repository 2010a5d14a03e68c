// Settings, presets and run statistics: the two INI files and the controls they fill.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/front_end.h"
#include "base/clock.h"
#include "base/file_system.h"
#include "base/ini_store.h"
#include "monitor/preset.h"
#include "ui/window_controls.h"

namespace verdalin {

inline constexpr std::string_view kSettingsFileName = "Verdalin_Settings.ini";
inline constexpr std::string_view kPresetsFileName = "Verdalin_Presets.ini";
inline constexpr std::string_view kDataFileName = "Verdalin_Data.CsV";

inline constexpr std::string_view kSettingsGroup = "Settings";
inline constexpr std::string_view kStatisticsGroup = "Statistics";

inline constexpr std::string_view kDefaultDownstream = "8192";
inline constexpr std::string_view kDefaultLogin = "admin";  // the gateways' factory login
inline constexpr std::string_view kDefaultDelay = "300";
// The status page at the gateways' usual LAN address.
inline constexpr std::string_view kDefaultUrl = "http://192.168.1.1/adslstats.html";
inline constexpr std::string_view kDefaultPreset = "0";
inline constexpr std::string_view kDefaultCryptedPassword = "Zk3+Tw8=";
inline constexpr std::string_view kLastRunMask = "%yyyy/%mm/%dd-%hh:%ii";

// Presets beyond this count are not read: a corrupt "total" must not stall the start-up.
inline constexpr int32_t kMaxPresets = 1000;

// Status texts for an INI file that was there but not read (IniLoad::kRefused).
inline constexpr std::string_view kSettingsFileRefused = "SETTINGS FILE IGNORED: using defaults.";
inline constexpr std::string_view kPresetsFileRefused = "PRESETS FILE IGNORED: no presets.";

// Each operation below reads its file once and, when it writes, replaces it once.

// Preset 0 (empty) followed by the presets of the file in the order of its "Index" keys.
PresetTable ReadPresets(const IniFile& presets_file);
PresetTable LoadPresets(FileSystem& fs, std::string_view presets_file);
// The preset that list position `position` designates: p + 1, or preset 0 when out of range.
const Preset& PresetAtPosition(const PresetTable& presets, int position);
// Adds the labels of presets 1 to n to the preset list.
void FillPresetList(WindowControls& window, const PresetTable& presets);
// Copies the selected preset's URL, login, password and downmax into fields 1, 2, 3 and 13.
void ApplyPreset(WindowControls& window, const PresetTable& presets);

// Stores LastRun and increases Runs. Gives what loading the file found (a refused file is left
// as it is).
IniLoad UpdateRunStatistics(FileSystem& fs, const Clock& clock, std::string_view settings_file);

// The folder of the running executable with its trailing separator (where the INI files live
// unless SettingsFolder chooses the user's own folder).
std::string ProgramFolder(ShellServices& shell);

// The output file default: the documents folder, the separator and "Verdalin_Data.CsV".
std::string DefaultOutputFile(std::string_view documents_folder, char separator);
// Loads the stored settings into the controls (the list's selection without copying a preset);
// the defaults when the file is missing or refused. Gives what loading the file found.
IniLoad LoadSettings(FileSystem& fs, WindowControls& window, std::string_view settings_file,
                     std::string_view output_file_default);
IniLoad ReadSettings(const IniFile& settings_file, WindowControls& window,
                     std::string_view output_file_default);
// Saves the controls into the settings group, the password scrambled last, in one replacement
// of the file; false when it was refused or failed. Further groups join the same save by
// writing their keys into the IniFile between StoreSettings and IniFile::Save.
bool SaveSettings(FileSystem& fs, WindowControls& window, std::string_view settings_file);
void StoreSettings(IniFile& settings_file, WindowControls& window);

}  // namespace verdalin
