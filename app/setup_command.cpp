// The setup dialogue: questions on standard input, one reading of the line, the settings stored.
#include "app/setup_command.h"

#include <cstdio>
#include <optional>

#include "app/monitor_service.h"
#include "app/settings.h"
#include "app/settings_folder.h"
#include "app/ssh_host_keys.h"
#include "base/ini_store.h"
#include "base/scramble.h"
#include "base/text_ops.h"
#include "monitor/line_sources.h"

namespace verdalin {

namespace {

// What the user answered.
struct SetupAnswers {
  int32_t preset = -1;  // the preset list's position
  std::string url;
  std::string login;
  std::string password;
};

class SetupDialogue {
 public:
  SetupDialogue(ProgramHost& host, LineInput& input, std::string folder)
      : host_(host),
        input_(input),
        folder_(std::move(folder)),
        settings_path_(folder_ + std::string(kSettingsFileName)) {}
  int Run();

 private:
  std::optional<std::string> Ask(const std::string& question, bool hidden = false);
  std::optional<std::string> AskWithDefault(const std::string& question, const std::string& value);
  std::optional<std::string> AskAddress(const std::string& value);
  std::optional<int32_t> AskPreset();
  bool TryReading(const SetupAnswers& answers);
  bool Store(const SetupAnswers& answers);
  void Say(const std::string& text) { host_.WriteOutput(text + "\n"); }
  int InputEnded() {
    host_.WriteError("verdalin: input ended before the answers: nothing stored");
    return 2;
  }

  ProgramHost& host_;
  LineInput& input_;
  std::string folder_;
  std::string settings_path_;
  std::string presets_path_;
  PresetTable presets_;
};

std::optional<std::string> SetupDialogue::Ask(const std::string& question, bool hidden) {
  host_.WriteOutput(question);
  std::optional<std::string> line = input_.ReadLine(hidden);
  if (line && !line->empty() && line->back() == '\r') line->pop_back();
  return line;
}

// The answer, or `value` when the answer is blank.
std::optional<std::string> SetupDialogue::AskWithDefault(const std::string& question,
                                                         const std::string& value) {
  const std::optional<std::string> line =
      Ask(question + (value.empty() ? "" : " [" + value + "]") + ": ");
  if (!line) return std::nullopt;
  const std::string answer = TrimBlanks(*line);
  return answer.empty() ? value : answer;
}

// The address, asked again while blank with no default.
std::optional<std::string> SetupDialogue::AskAddress(const std::string& value) {
  for (;;) {
    std::optional<std::string> url = AskWithDefault("Gateway address", value);
    if (!url || !url->empty()) return url;
    host_.WriteError("verdalin: the gateway's address is needed");
  }
}

// The presets numbered from 1; a number out of range or no number is asked again.
std::optional<int32_t> SetupDialogue::AskPreset() {
  Say("The gateway's kind, from the presets of " + presets_path_ + ":");
  const int32_t count = static_cast<int32_t>(presets_.size()) - 1;
  for (int32_t i = 1; i <= count; ++i)
    Say("  " + IntegerToText(i) + "  " + presets_[i].label + " (" + presets_[i].type + ")");
  const std::string range = "1 to " + IntegerToText(count);
  for (;;) {
    const std::optional<std::string> line = Ask("Preset number (" + range + "): ");
    if (!line) return std::nullopt;
    const std::string answer = TrimBlanks(*line);
    const int32_t number = ParseInteger(answer);
    if (number >= 1 && number <= count && IntegerToText(number) == answer) return number - 1;
    host_.WriteError("verdalin: no preset '" + answer + "': type a number from " + range);
  }
}

std::string Decimal(float value) {
  return FloatToText(value, 1);
}

// The reading's values in one line each.
std::vector<std::string> SampleLines(const LineSample& s) {
  return {
      "  connected:   " + std::string(s.Connected ? "yes" : "no"),
      "  rate:        " + Decimal(s.Downstream_kbps) + " kbit/s down, " + Decimal(s.Upstream_kbps) +
          " kbit/s up",
      "  SNR margin:  " + Decimal(s.SNR_local) + " dB down, " + Decimal(s.SNR_distant) + " dB up",
      "  attenuation: " + Decimal(s.Attenuation_local) + " dB down, " +
          Decimal(s.Attenuation_distant) + " dB up",
      "  device:      " + s.Device + " " + s.Firmware};
}

// One reading through the source of the preset's kind, as a poll makes it; true when it gave the
// line's values.
bool SetupDialogue::TryReading(const SetupAnswers& answers) {
  MonitorConfig config;
  config.address = answers.url;
  config.login = answers.login;
  config.password = answers.password;
  const Preset& preset = PresetAtPosition(presets_, answers.preset);
  config.model = preset.type;
  config.command = preset.command;
  SettingsHostKeys host_keys(host_.Files(), settings_path_);
  LineSources sources(host_.Fetcher());
  AddHostSources(sources, host_, host_keys);
  Say("Reading the line at " + answers.url + "...");
  CancelToken never;
  const LineReading reading = sources.For(config).Read(config, never);
  if (reading.outcome == PollOutcome::kSample) {
    for (const std::string& line : SampleLines(reading.sample)) Say(line);
    return true;
  }
  const std::string failure =
      reading.outcome == PollOutcome::kUnreachable
          ? "no answer from the gateway"
          : "the gateway answered without the line's values (a wrong login or password, or "
            "another kind of gateway?)";
  host_.WriteError("verdalin: " + (reading.problem.empty() ? failure : reading.problem));
  return false;
}

// The four keys written into the file as it is now (a host key learnt by the reading included).
bool SetupDialogue::Store(const SetupAnswers& answers) {
  PrepareSettingsFolder(host_.Shell(), folder_);
  IniFile file(host_.Files(), settings_path_);
  file.Write(kSettingsGroup, "url", answers.url);
  file.Write(kSettingsGroup, "login", answers.login);
  file.Write(kSettingsGroup, "crypted_password", StorePassword(answers.password));
  file.Write(kSettingsGroup, "preset", IntegerToText(answers.preset));
  if (file.Save()) return true;
  host_.WriteError("verdalin: " + settings_path_ + " cannot be written: nothing was stored");
  return false;
}

int SetupDialogue::Run() {
  presets_path_ = PresetsFile(host_.Files(), host_.Shell(), folder_);
  presets_ = ReadPresets(IniFile(host_.Files(), presets_path_));
  if (presets_.size() == 1) {
    host_.WriteError("verdalin: no presets in " + presets_path_ + ": no gateway kind to choose");
    return 2;
  }
  SetupAnswers answers;
  const std::optional<int32_t> preset = AskPreset();
  if (!preset) return InputEnded();
  answers.preset = *preset;
  const Preset& chosen = PresetAtPosition(presets_, answers.preset);
  const std::optional<std::string> url = AskAddress(chosen.URL);
  const std::optional<std::string> login = url ? AskWithDefault("Login", chosen.login) : url;
  const std::optional<std::string> password = login ? Ask("Password: ", true) : login;
  if (!password) return InputEnded();
  answers.url = *url;
  answers.login = *login;
  answers.password = *password;
  const bool read = TryReading(answers);
  if (!Store(answers)) return 1;
  Say("Settings stored in " + settings_path_ +
      (read ? "" : " (the gateway gave no values: check them and run --setup again)"));
  return read ? 0 : 1;
}

}  // namespace

int RunSetup(ProgramHost& host, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1 && !IsConfigOption(arguments)) {
    host.WriteError("verdalin: usage: --setup [--config DIR]");
    return 2;
  }
  LineInput* input = host.Input();
  if (input == nullptr) {
    host.WriteError("verdalin: --setup runs on Linux only");
    return 2;
  }
  std::string folder;
  if (const auto problem = CommandFolder(host.Files(), host.Shell(), arguments, folder)) {
    host.WriteError("verdalin: " + *problem);
    return 2;
  }
  if (!host.Process().StartNetwork()) {
    host.WriteError("verdalin: the network cannot be used");
    return 1;
  }
  SetupDialogue dialogue(host, *input, folder);
  return dialogue.Run();
}

}  // namespace verdalin
