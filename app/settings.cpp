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
  preset.command = read("command");
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
  const int position = window.GetControlState(kPresetList);
  if (position < 0 || static_cast<std::size_t>(position) + 1 >= presets.size()) return;
  const Preset& preset = PresetAtPosition(presets, position);
  window.SetControlText(kAddressField, preset.URL);
  window.SetControlText(kLoginField, preset.login);
  window.SetControlText(kPasswordField, preset.password);
  window.SetControlText(kDownstreamMaxField, preset.downmax);
}

bool UpdateRunStatistics(FileSystem& fs, const Clock& clock, std::string_view settings_file) {
  IniFile file(fs, settings_file);
  file.Write(kStatisticsGroup, "LastRun", FormatDate(kLastRunMask, CurrentDate(clock)));
  const int32_t runs = ParseInteger(file.Read(kStatisticsGroup, "Runs", "0"));
  // Wraps like the 32-bit counter it is, without overflowing in C++.
  const auto next = static_cast<int32_t>(static_cast<uint32_t>(runs) + 1u);
  file.Write(kStatisticsGroup, "Runs", IntegerToText(next));
  return file.Save();
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

LineSettings ReadLineSettings(const IniFile& file, std::string_view output_file_default) {
  auto read = [&](std::string_view key, std::string_view default_value) {
    return file.Read(kSettingsGroup, key, default_value);
  };
  LineSettings settings;
  settings.downstream = read("downstream", kDefaultDownstream);
  settings.login = read("login", kDefaultLogin);
  settings.delay = read("delay", kDefaultDelay);
  settings.url = read("url", kDefaultUrl);
  settings.output_file = read("output_file", output_file_default);
  settings.preset = ParseInteger(read("preset", kDefaultPreset));
  settings.password = LoadPassword(read("crypted_password", kDefaultCryptedPassword));
  return settings;
}

void StoreLineSettings(IniFile& file, const LineSettings& settings) {
  auto write = [&](std::string_view key, const std::string& value) {
    file.Write(kSettingsGroup, key, value);
  };
  write("downstream", settings.downstream);
  write("login", settings.login);
  write("delay", settings.delay);
  write("url", settings.url);
  write("output_file", settings.output_file);
  write("preset", IntegerToText(settings.preset));
  write("crypted_password", StorePassword(settings.password));
}

void ShowLineSettings(WindowControls& window, const LineSettings& settings) {
  window.SetControlText(kDownstreamMaxField, settings.downstream);
  window.SetControlText(kLoginField, settings.login);
  window.SetControlText(kDelayField, settings.delay);
  window.SetControlText(kAddressField, settings.url);
  window.SetControlText(kOutputFileField, settings.output_file);
  window.SetControlState(kPresetList, settings.preset);
  window.SetControlText(kPasswordField, settings.password);
}

LineSettings LineSettingsOf(WindowControls& window) {
  LineSettings settings;
  settings.downstream = window.GetControlText(kDownstreamMaxField);
  settings.login = window.GetControlText(kLoginField);
  settings.delay = window.GetControlText(kDelayField);
  settings.url = window.GetControlText(kAddressField);
  settings.output_file = window.GetControlText(kOutputFileField);
  settings.preset = window.GetControlState(kPresetList);
  settings.password = window.GetControlText(kPasswordField);
  return settings;
}

ProgramSettings ReadProgramSettings(const IniFile& file, std::string_view output_file_default,
                                    std::string_view host_name) {
  ProgramSettings settings;
  settings.outcome = file.outcome();
  settings.line = ReadLineSettings(file, output_file_default);
  settings.alerts = ReadAlerts(file);
  settings.exports = ReadExport(file);
  settings.mqtt = ReadMqtt(file, host_name);
  return settings;
}

bool SaveProgramSettings(FileSystem& fs, std::string_view settings_file, const LineSettings& line,
                         const ProgramSettings& stored) {
  IniFile file(fs, settings_file);
  StoreLineSettings(file, line);
  StoreAlerts(file, stored.alerts);
  StoreExport(file, stored.exports);
  StoreMqtt(file, stored.mqtt);
  return file.Save();
}

std::vector<std::string> MissingGatewaySettings(const IniFile& file, const PresetTable& presets) {
  if (file.outcome() == IniLoad::kMissing) return {"no settings file"};
  if (file.outcome() == IniLoad::kRefused) return {"a settings file that cannot be read"};
  std::vector<std::string> missing;
  if (TrimBlanks(file.Read(kSettingsGroup, "url", "")).empty())
    missing.emplace_back("no gateway address (url=)");
  const std::string position = TrimBlanks(file.Read(kSettingsGroup, "preset", ""));
  if (position.empty() || PresetAtPosition(presets, ParseInteger(position)).type.empty())
    missing.emplace_back("no preset chosen (preset=)");
  return missing;
}

MonitorConfig ConfigOf(const LineSettings& settings, const PresetTable& presets) {
  MonitorConfig config;
  config.address = settings.url;
  config.login = settings.login;
  config.password = settings.password;
  config.period_ms = PollPeriod(settings.delay);
  config.output_file = settings.output_file;
  const Preset& preset = PresetAtPosition(presets, settings.preset);
  config.model = preset.type;
  config.command = preset.command;
  config.subscribed_kbps = SubscribedRate(settings.downstream);
  return config;
}

}  // namespace verdalin
