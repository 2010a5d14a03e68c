// Settings, presets and run statistics: loading, saving and applying them, one file read each.
#include "app/settings.h"

#include "base/date_format.h"
#include "base/ini_store.h"
#include "base/scramble.h"
#include "base/text_ops.h"
#include "ui/control_ids.h"

namespace verdalin {

namespace {

constexpr std::string_view kIndexGroup = "Index";
constexpr std::string_view kIndexKeysGroup = "index";  // the same group: names ignore case
constexpr std::string_view kMissingGroup = "...";

Preset ReadPreset(const IniFile& file, std::string_view group) {
  auto read = [&](std::string_view key) { return file.Read(group, key, ""); };
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

PresetTable ReadPresets(const IniFile& presets_file) {
  PresetTable presets(1);
  const int32_t total = ParseInteger(presets_file.Read(kIndexGroup, "total", "0"));
  const int32_t count = total < kMaxPresets ? total : kMaxPresets;
  for (int32_t i = 1; i <= count; ++i) {
    const std::string group = presets_file.Read(kIndexKeysGroup, IntegerToText(i), kMissingGroup);
    presets.push_back(ReadPreset(presets_file, group));
  }
  return presets;
}

PresetTable LoadPresets(FileSystem& fs, std::string_view presets_file) {
  return ReadPresets(IniFile(fs, presets_file));
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

IniLoad UpdateRunStatistics(FileSystem& fs, const Clock& clock, std::string_view settings_file) {
  IniFile file(fs, settings_file);
  file.Write(kStatisticsGroup, "LastRun", FormatDate(kLastRunMask, CurrentDate(clock)));
  const int32_t runs = ParseInteger(file.Read(kStatisticsGroup, "Runs", "0"));
  // Wraps like the 32-bit counter it is, without overflowing in C++.
  const auto next = static_cast<int32_t>(static_cast<uint32_t>(runs) + 1u);
  file.Write(kStatisticsGroup, "Runs", IntegerToText(next));
  file.Save();
  return file.outcome();
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

IniLoad LoadSettings(FileSystem& fs, WindowControls& window, std::string_view settings_file,
                     std::string_view output_file_default) {
  return ReadSettings(IniFile(fs, settings_file), window, output_file_default);
}

IniLoad ReadSettings(const IniFile& file, WindowControls& window,
                     std::string_view output_file_default) {
  auto read = [&](std::string_view key, std::string_view default_value) {
    return file.Read(kSettingsGroup, key, default_value);
  };
  window.SetControlText(kDownstreamMaxField, read("downstream", kDefaultDownstream));
  window.SetControlText(kLoginField, read("login", kDefaultLogin));
  window.SetControlText(kDelayField, read("delay", kDefaultDelay));
  window.SetControlText(kAddressField, read("url", kDefaultUrl));
  window.SetControlText(kOutputFileField, read("output_file", output_file_default));
  window.SetControlState(kPresetList, ParseInteger(read("preset", kDefaultPreset)));
  window.SetControlText(kPasswordField,
                        LoadPassword(read("crypted_password", kDefaultCryptedPassword)));
  return file.outcome();
}

void StoreSettings(IniFile& settings_file, WindowControls& window) {
  auto write = [&](std::string_view key, const std::string& value) {
    settings_file.Write(kSettingsGroup, key, value);
  };
  write("downstream", window.GetControlText(kDownstreamMaxField));
  write("login", window.GetControlText(kLoginField));
  write("delay", window.GetControlText(kDelayField));
  write("url", window.GetControlText(kAddressField));
  write("output_file", window.GetControlText(kOutputFileField));
  write("preset", IntegerToText(window.GetControlState(kPresetList)));
  write("crypted_password", StorePassword(window.GetControlText(kPasswordField)));
}

bool SaveSettings(FileSystem& fs, WindowControls& window, std::string_view settings_file) {
  IniFile file(fs, settings_file);
  StoreSettings(file, window);
  return file.Save();
}

}  // namespace verdalin
