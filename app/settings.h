// Settings, presets and run statistics: the two INI files, the line's settings as they are stored,
// and the window's fields they fill.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/host.h"
#include "base/clock.h"
#include "base/file_system.h"
#include "base/ini_store.h"
#include "export/export_server.h"
#include "export/mqtt_messages.h"
#include "monitor/alerts.h"
#include "monitor/monitor_config.h"
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
// And for one that cannot be written: said once.
inline constexpr std::string_view kSettingsFileUnwritable =
    "SETTINGS FILE CANNOT BE WRITTEN: changes will not be kept.";

// The group [Settings]: the line's settings as texts, as the window's fields hold them, the
// password in clear.
struct LineSettings {
  std::string downstream;
  std::string login;
  std::string delay;
  std::string url;
  std::string output_file;
  int32_t preset = 0;  // the preset list's position; -1: none
  std::string password;
};

// The stored settings, the defaults for what is missing; the password unscrambled.
LineSettings ReadLineSettings(const IniFile& settings_file, std::string_view output_file_default);
// Writes the group's keys into the save, the password scrambled last.
void StoreLineSettings(IniFile& settings_file, const LineSettings& settings);

// The window's fields: filled from the settings (the list's selection without copying the
// preset), and read back.
void ShowLineSettings(WindowControls& window, const LineSettings& settings);
LineSettings LineSettingsOf(WindowControls& window);

// What the settings file holds for a running program: the line's settings and the groups
// [Alerts], [Export] and [MQTT] as read (their bad values fallen back, to be stored back so).
struct ProgramSettings {
  IniLoad outcome = IniLoad::kMissing;
  LineSettings line;
  AlertsLoaded alerts;
  ExportLoaded exports;
  MqttLoaded mqtt;
};
// `host_name` makes the MQTT base topic when the file has none.
ProgramSettings ReadProgramSettings(const IniFile& settings_file,
                                    std::string_view output_file_default,
                                    std::string_view host_name);
// Every group in one replacement of the file; false when it was refused or failed.
bool SaveProgramSettings(FileSystem& fs, std::string_view settings_file, const LineSettings& line,
                         const ProgramSettings& stored);

// Preset 0 (empty) followed by the presets of the file in the order of its "Index" keys.
PresetTable ReadPresets(const IniFile& presets_file);
// The preset that list position `position` designates: p + 1, or preset 0 when out of range.
const Preset& PresetAtPosition(const PresetTable& presets, int position);
// Adds the labels of presets 1 to n to the preset list.
void FillPresetList(WindowControls& window, const PresetTable& presets);
// Copies the selected preset's URL, login, password and downmax into fields 1, 2, 3 and 13;
// with no preset selected the fields keep what they hold.
void ApplyPreset(WindowControls& window, const PresetTable& presets);

// What the settings file lacks for a program that must not guess which gateway to poll: the file
// itself, the gateway's address (url=), a chosen preset that names a gateway kind (preset=).
// Empty when the gateway is configured.
std::vector<std::string> MissingGatewaySettings(const IniFile& settings_file,
                                                const PresetTable& presets);

// The poll's snapshot of the settings, the model from the preset at the settings' position.
MonitorConfig ConfigOf(const LineSettings& settings, const PresetTable& presets);

// Stores LastRun and increases Runs; whether the file holds them now (a refused file is left as it
// is, and one that cannot be replaced stays as it was).
bool UpdateRunStatistics(FileSystem& fs, const Clock& clock, std::string_view settings_file);

// The folder of the running executable with its trailing separator (where the INI files live
// unless SettingsFolder chooses the user's own folder).
std::string ProgramFolder(ShellServices& shell);

// The output file default: the documents folder, the separator and "Verdalin_Data.CsV".
std::string DefaultOutputFile(std::string_view documents_folder, char separator);

}  // namespace verdalin
