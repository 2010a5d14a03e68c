// Settings, presets and run statistics: loading, saving and applying them, key by key.
#include "app/settings.h"

#include "app/scramble.h"
#include "text/date_format.h"
#include "text/ini_store.h"
#include "text/text_ops.h"
#include "ui/control_ids.h"

namespace verdalin {

namespace {

constexpr std::string_view kIndexGroup = "Index";
constexpr std::string_view kIndexKeysGroup = "index";  // the same group: names ignore case
constexpr std::string_view kMissingGroup = "...";

std::string ReadSetting(FileSystem& fs, std::string_view file, std::string_view key,
                        std::string_view default_value) {
  return ReadPreference(fs, kSettingsGroup, key, default_value, file);
}

void WriteSetting(FileSystem& fs, std::string_view file, std::string_view key,
                  std::string_view value) {
  WritePreference(fs, kSettingsGroup, key, value, file);
}

Preset ReadPreset(FileSystem& fs, std::string_view file, std::string_view group) {
  auto read = [&](std::string_view key) { return ReadPreference(fs, group, key, "", file); };
  Preset preset;
  preset.type = read("type");
  preset.label = read("label");
  preset.URL = read("URL");
  preset.login = read("login");
  preset.password = read("password");
  preset.downmax = read("downmax");
  return preset;
}

}  // namespace

PresetTable LoadPresets(FileSystem& fs, std::string_view presets_file) {
  PresetTable presets(1);
  const int32_t total = ParseInteger(ReadPreference(fs, kIndexGroup, "total", "0", presets_file));
  const int32_t count = total < kMaxPresets ? total : kMaxPresets;
  for (int32_t i = 1; i <= count; ++i) {
    const std::string group =
        ReadPreference(fs, kIndexKeysGroup, IntegerToText(i), kMissingGroup, presets_file);
    presets.push_back(ReadPreset(fs, presets_file, group));
  }
  return presets;
}

const Preset& PresetAtPosition(const PresetTable& presets, int position) {
  const int64_t number = static_cast<int64_t>(position) + 1;
  if (number < 0 || number >= static_cast<int64_t>(presets.size())) return presets.front();
  return presets[static_cast<std::size_t>(number)];
}

void FillPresetList(WindowControls& window, const PresetTable& presets) {
  for (std::size_t i = 1; i < presets.size(); ++i)
    window.AddListItem(kPresetList, static_cast<int>(i - 1), presets[i].label);
}

void ApplyPreset(WindowControls& window, const PresetTable& presets) {
  const Preset& preset = PresetAtPosition(presets, window.GetControlState(kPresetList));
  window.SetControlText(kAddressField, preset.URL);
  window.SetControlText(kLoginField, preset.login);
  window.SetControlText(kPasswordField, preset.password);
  window.SetControlText(kDownstreamMaxField, preset.downmax);
}

void UpdateRunStatistics(FileSystem& fs, const Clock& clock, std::string_view settings_file) {
  WritePreference(fs, kStatisticsGroup, "LastRun", FormatDate(kLastRunMask, CurrentDate(clock)),
                  settings_file);
  const int32_t runs =
      ParseInteger(ReadPreference(fs, kStatisticsGroup, "Runs", "0", settings_file));
  // Wraps like the 32-bit counter it is, without overflowing in C++.
  const auto next = static_cast<int32_t>(static_cast<uint32_t>(runs) + 1u);
  WritePreference(fs, kStatisticsGroup, "Runs", IntegerToText(next), settings_file);
}

std::string ProgramFolder(ShellServices& shell) {
  const std::string path = shell.ExecutablePath();
  const std::size_t last = path.rfind(shell.PathSeparator());
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string DefaultOutputFile(std::string_view documents_folder, char separator) {
  std::string path(documents_folder);
  path += separator;
  path += kDataFileName;
  return path;
}

void LoadSettings(FileSystem& fs, WindowControls& window, std::string_view settings_file,
                  std::string_view output_file_default) {
  auto load = [&](int id, std::string_view key, std::string_view default_value) {
    window.SetControlText(id, ReadSetting(fs, settings_file, key, default_value));
  };
  load(kDownstreamMaxField, "downstream", kDefaultDownstream);
  load(kLoginField, "login", kDefaultLogin);
  load(kDelayField, "delay", kDefaultDelay);
  load(kAddressField, "url", kDefaultUrl);
  load(kOutputFileField, "output_file", output_file_default);
  window.SetControlState(kPresetList,
                         ParseInteger(ReadSetting(fs, settings_file, "preset", kDefaultPreset)));
  const std::string stored =
      ReadSetting(fs, settings_file, "crypted_password", kDefaultCryptedPassword);
  window.SetControlText(kPasswordField, LoadPassword(stored));
}

void SaveSettings(FileSystem& fs, WindowControls& window, std::string_view settings_file) {
  auto save = [&](std::string_view key, int id) {
    WriteSetting(fs, settings_file, key, window.GetControlText(id));
  };
  save("downstream", kDownstreamMaxField);
  save("login", kLoginField);
  save("delay", kDelayField);
  save("url", kAddressField);
  save("output_file", kOutputFileField);
  WriteSetting(fs, settings_file, "preset", IntegerToText(window.GetControlState(kPresetList)));
  WriteSetting(fs, settings_file, "crypted_password",
               StorePassword(window.GetControlText(kPasswordField)));
}

}  // namespace verdalin
