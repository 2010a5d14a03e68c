// The settings window's form: its sections and fields as table data, each field's check and the
// message shown beside it, the INI keys they are stored in, and the webhook's test send.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/ini_store.h"
#include "export/webhook.h"
#include "ui/interface_texts.h"

namespace verdalin {

enum class FieldKind {
  kText,
  kSecret,  // typed masked, stored scrambled
  kOnOff,   // "1" or "0"
  kChoice,  // one of the field's choices
};

// One entry of a choice field: the stored value and what the list shows (UTF-8).
struct FieldChoice {
  std::string_view value;
  std::string_view label;
};

class SettingsForm;
// Why the field's text cannot be stored, in a few words; empty when it can. The form gives the
// other fields' texts for checks that involve two.
using FieldCheck = std::string (*)(const SettingsForm& form, const std::string& text);

// One field: the section it belongs to (a new title starts a section), where it is stored, its
// label (UTF-8) and how it is typed and checked.
struct FieldSpec {
  std::string_view section;
  std::string_view group;
  std::string_view key;
  std::string_view label;
  FieldKind kind = FieldKind::kText;
  std::string_view default_value;
  FieldCheck check = nullptr;
  std::span<const FieldChoice> choices = {};
  bool test_button = false;  // a "Send test" button beside it posts a test event to its address
};

// The stored interface language: [Settings] language=, "fr" (the default) or "en".
inline constexpr std::string_view kLanguageKey = "language";
Language LanguageOf(const IniFile& settings_file);

inline constexpr std::string_view kSendTestLabel = "Send test";
inline constexpr std::string_view kSettingsTitle = "Verdalin settings";

class SettingsForm {
 public:
  // `poster` sends the webhook's test event (none: the test says it cannot send).
  SettingsForm(std::shared_ptr<HttpPoster> poster, const Clock& clock);
  ~SettingsForm();
  SettingsForm(const SettingsForm&) = delete;
  SettingsForm& operator=(const SettingsForm&) = delete;

  // Every field, in order (the order of the window and of its tab stops).
  static std::span<const FieldSpec> Fields();
  // The position of a field by its group and key; Fields().size() when there is none.
  static std::size_t Find(std::string_view group, std::string_view key);

  // The texts the file holds, the defaults for what it lacks; a secret in clear.
  void Load(const IniFile& settings_file);
  const std::string& Value(std::size_t field) const { return values_.at(field); }
  void SetValue(std::size_t field, std::string text) { values_.at(field) = std::move(text); }
  // The text of a field by its group and key ("" for none).
  std::string ValueOf(std::string_view group, std::string_view key) const;

  // The message beside each field, in field order; all empty when the form can be stored.
  std::vector<std::string> Check() const;
  // Writes every field into the save (a secret scrambled); false when a field is refused.
  bool Store(IniFile& settings_file) const;

  // Posts a test event to the webhook field's address on a thread of its own and returns at
  // once; a test under way is not started twice.
  void StartWebhookTest();
  // The test's outcome for a person once it has ended; nothing while it runs or before one.
  std::optional<std::string> WebhookTestResult();
  bool WebhookTestRunning();

 private:
  std::vector<std::string> values_;
  std::shared_ptr<HttpPoster> poster_;
  const Clock& clock_;
  std::thread test_;
  std::mutex test_mutex_;
  bool test_running_ = false;
  std::optional<std::string> test_result_;
  CancelToken cancel_;
};

}  // namespace verdalin
