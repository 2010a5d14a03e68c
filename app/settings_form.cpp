// The settings window's fields, their checks, their storage and the webhook's test send.
#include "app/settings_form.h"

#include <array>

#include "app/settings.h"
#include "base/date_format.h"
#include "base/scramble.h"
#include "base/text_ops.h"
#include "export/export_server.h"
#include "export/mqtt_messages.h"
#include "monitor/alerts.h"

namespace verdalin {

namespace {

constexpr std::array<FieldChoice, 2> kLanguages = {{{"fr", "Français"}, {"en", "English"}}};
constexpr std::array<FieldChoice, 2> kOnOff = {{{"1", "on"}, {"0", "off"}}};

std::string AlertCheck(std::string_view key, const std::string& text) {
  return AlertValueProblem(key, TrimBlanks(text));
}

std::string SnrLowCheck(const SettingsForm&, const std::string& text) {
  return AlertCheck("snr_low_db", text);
}

std::string SnrRearmCheck(const SettingsForm& form, const std::string& text) {
  const std::string problem = AlertCheck("snr_rearm_db", text);
  if (!problem.empty()) return problem;
  const std::string low = TrimBlanks(form.ValueOf(kAlertsGroup, "snr_low_db"));
  return AlertMarginsAgree(low, TrimBlanks(text)) ? "" : "not below the low threshold";
}

std::string CrcCheck(const SettingsForm&, const std::string& text) {
  return AlertCheck("crc_per_minute", text);
}

std::string CooldownCheck(const SettingsForm&, const std::string& text) {
  return AlertCheck("cooldown_minutes", text);
}

bool IsWebAddress(std::string_view text) {
  for (std::string_view scheme : {"http://", "https://"})
    if (LowerCase(text.substr(0, scheme.size())) == scheme && text.size() > scheme.size())
      return text.find_first_of(" \t\r\n") == std::string_view::npos;
  return false;
}

std::string WebhookCheck(const SettingsForm&, const std::string& text) {
  const std::string address = TrimBlanks(text);
  return address.empty() || IsWebAddress(address)
             ? ""
             : "an address that starts with http:// or https://, or nothing (off)";
}

std::string ListenCheck(const SettingsForm&, const std::string& text) {
  const std::string listen = TrimBlanks(text);
  return listen.empty() || ParseListenAddress(listen)
             ? ""
             : "host:port, such as 127.0.0.1:9469, or nothing (off)";
}

// The login and the password go together: both or neither.
std::string LoginCheck(const SettingsForm& form, const std::string& text) {
  const bool password = !form.ValueOf(kExportGroup, "crypted_password").empty();
  return TrimBlanks(text).empty() && password ? "needed with a password" : "";
}

std::string PasswordCheck(const SettingsForm& form, const std::string& text) {
  const bool login = !TrimBlanks(form.ValueOf(kExportGroup, "user")).empty();
  return text.empty() && login ? "needed with a login" : "";
}

// The broker and the topics: the rules the [MQTT] reader applies, an empty text allowed.
std::string BrokerCheck(const SettingsForm&, const std::string& text) {
  const std::string broker = TrimBlanks(text);
  return broker.empty() || ParseBroker(broker)
             ? ""
             : "mqtt://HOST[:PORT] or mqtts://HOST[:PORT], or nothing (off)";
}

std::string TopicCheck(const SettingsForm&, const std::string& text) {
  const std::string topic = TrimBlanks(text);
  return topic.empty() || UsableTopic(topic) ? "" : "no + or #, no / at either end";
}

// The texts of a field that a settings file line can hold.
std::string LineCheck(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos ? "" : "one line";
}

constexpr std::string_view kInterface = "Interface";
constexpr std::string_view kAlerts = "Alerts";
constexpr std::string_view kWebhook = "Webhook";
constexpr std::string_view kEndpoint = "Metrics endpoint";
constexpr std::string_view kMqtt = "MQTT";

const std::array<FieldSpec, 16> kFields = {{
    {kInterface, kSettingsGroup, kLanguageKey, "Language (at the next start)", FieldKind::kChoice,
     "fr", nullptr, kLanguages},
    {kAlerts, kAlertsGroup, "snr_low_db", "Low SNR margin below (dB)", FieldKind::kText, "6.0",
     SnrLowCheck},
    {kAlerts, kAlertsGroup, "snr_rearm_db", "Fine again above (dB)", FieldKind::kText, "7.0",
     SnrRearmCheck},
    {kAlerts, kAlertsGroup, "crc_per_minute", "CRC burst from (errors/min)", FieldKind::kText, "10",
     CrcCheck},
    {kAlerts, kAlertsGroup, "notify", "Notices", FieldKind::kOnOff, "1", nullptr, kOnOff},
    {kAlerts, kAlertsGroup, "cooldown_minutes", "Same notice at most every (min)", FieldKind::kText,
     "15", CooldownCheck},
    {kWebhook,
     kAlertsGroup,
     "webhook",
     "Address (POST of each event)",
     FieldKind::kText,
     "",
     WebhookCheck,
     {},
     true},
    {kEndpoint, kExportGroup, "listen", "Listen on (host:port)", FieldKind::kText, "", ListenCheck},
    {kEndpoint, kExportGroup, "user", "Login", FieldKind::kText, "", LoginCheck},
    {kEndpoint, kExportGroup, "crypted_password", "Password", FieldKind::kSecret, "",
     PasswordCheck},
    {kMqtt, kMqttGroup, "broker", "Broker (mqtt:// or mqtts://)", FieldKind::kText, "",
     BrokerCheck},
    {kMqtt, kMqttGroup, "user", "Login", FieldKind::kText, ""},
    {kMqtt, kMqttGroup, "crypted_password", "Password", FieldKind::kSecret, ""},
    {kMqtt, kMqttGroup, "ca_file", "CA certificates file (mqtts)", FieldKind::kText, ""},
    {kMqtt, kMqttGroup, "topic", "Topic (empty: verdalin/PC name)", FieldKind::kText, "",
     TopicCheck},
    {kMqtt, kMqttGroup, "discovery_prefix", "Discovery prefix (empty: off)", FieldKind::kText,
     kDefaultDiscoveryPrefix, TopicCheck},
}};

bool IsChoice(const FieldSpec& field, const std::string& text) {
  for (const FieldChoice& choice : field.choices)
    if (choice.value == text) return true;
  return false;
}

std::string TestOutcome(const PostResult& result) {
  const std::string reason = FailureReason(result);
  if (result.error == PostError::kCancelled) return "Test cancelled";
  if (!reason.empty()) return "Test failed: " + reason;
  return "Test sent: answered " + IntegerToText(result.status);
}

}  // namespace

Language LanguageOf(const IniFile& settings_file) {
  return TrimBlanks(settings_file.Read(kSettingsGroup, kLanguageKey, "fr")) == "en"
             ? Language::kEnglish
             : Language::kFrench;
}

SettingsForm::SettingsForm(std::shared_ptr<HttpPoster> poster, const Clock& clock)
    : values_(kFields.size()), poster_(std::move(poster)), clock_(clock) {
  for (std::size_t i = 0; i < kFields.size(); ++i) values_[i] = kFields[i].default_value;
}

SettingsForm::~SettingsForm() {
  cancel_.Cancel();
  if (test_.joinable()) test_.join();
}

std::span<const FieldSpec> SettingsForm::Fields() {
  return kFields;
}

std::size_t SettingsForm::Find(std::string_view group, std::string_view key) {
  std::size_t i = 0;
  while (i < kFields.size() && (kFields[i].group != group || kFields[i].key != key)) ++i;
  return i;
}

std::string SettingsForm::ValueOf(std::string_view group, std::string_view key) const {
  const std::size_t field = Find(group, key);
  return field < values_.size() ? values_[field] : std::string();
}

void SettingsForm::Load(const IniFile& settings_file) {
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const FieldSpec& field = kFields[i];
    std::string text = settings_file.Read(field.group, field.key, field.default_value);
    if (field.kind == FieldKind::kSecret) text = IsStoredPassword(text) ? LoadPassword(text) : "";
    if (!field.choices.empty() && !IsChoice(field, text)) text = field.default_value;
    values_[i] = std::move(text);
  }
}

std::vector<std::string> SettingsForm::Check() const {
  std::vector<std::string> messages(kFields.size());
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const FieldSpec& field = kFields[i];
    messages[i] = LineCheck(values_[i]);
    if (messages[i].empty() && field.check) messages[i] = field.check(*this, values_[i]);
    if (!field.choices.empty() && !IsChoice(field, values_[i])) messages[i] = "not a choice";
  }
  return messages;
}

bool SettingsForm::Store(IniFile& settings_file) const {
  for (const std::string& message : Check())
    if (!message.empty()) return false;
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const FieldSpec& field = kFields[i];
    const std::string text = field.kind == FieldKind::kSecret
                                 ? (values_[i].empty() ? "" : StorePassword(values_[i]))
                                 : TrimBlanks(values_[i]);
    settings_file.Write(field.group, field.key, text);
  }
  return true;
}

void SettingsForm::StartWebhookTest() {
  std::lock_guard lock(test_mutex_);
  if (test_running_) return;
  if (test_.joinable()) test_.join();  // it has ended
  test_result_.reset();
  const std::string address = TrimBlanks(ValueOf(kAlertsGroup, "webhook"));
  if (!poster_ || address.empty()) {
    test_result_ = address.empty() ? "Test not sent: no address" : "Test not sent: no HTTP client";
    return;
  }
  test_running_ = true;
  const WebhookMessage message{TimestampText(CurrentDate(clock_)), "TEST", "", "",
                               "Verdalin test message"};
  test_ = std::thread([this, address, body = WebhookBody(message)] {
    const std::string outcome = TestOutcome(poster_->Post(address, body, cancel_));
    std::lock_guard done(test_mutex_);
    test_result_ = outcome;
    test_running_ = false;
  });
}

std::optional<std::string> SettingsForm::WebhookTestResult() {
  std::lock_guard lock(test_mutex_);
  return test_result_;
}

bool SettingsForm::WebhookTestRunning() {
  std::lock_guard lock(test_mutex_);
  return test_running_;
}

}  // namespace verdalin
