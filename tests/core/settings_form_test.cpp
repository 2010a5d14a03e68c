// The settings window's form: each field's check, what OK writes and applies, Cancel, the
// language at the next start and the webhook's test send.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/settings_form.h"
#include "base/scramble.h"
#include "base/text_ops.h"
#include "fakes/app_harness.h"
#include "fakes/fake_poster.h"
#include "ui/control_table.h"

namespace verdalin {

namespace {

struct Edit {
  std::string_view group, key, text;
  std::string_view message;  // a part of the message beside the field; "" when it holds
};

// Bad texts with the message shown beside them, and good ones that are stored.
const Edit kEdits[] = {
    {"Alerts", "snr_low_db", "4,5", ""},
    {"Alerts", "snr_low_db", "-1", "from 0 to 100"},
    {"Alerts", "snr_low_db", "101", "from 0 to 100"},
    {"Alerts", "snr_rearm_db", "5", "not below the low threshold"},
    {"Alerts", "snr_rearm_db", "x", "a number of dB"},
    {"Alerts", "crc_per_minute", "0", ""},
    {"Alerts", "crc_per_minute", "ten", "not below 0"},
    {"Alerts", "cooldown_minutes", "1.5", "whole number"},
    {"Alerts", "cooldown_minutes", "525601", "whole number"},
    {"Alerts", "notify", "2", "not a choice"},
    {"Alerts", "webhook", " https://hooks.example/x ", ""},
    {"Alerts", "webhook", "ftp://hooks.example/x", "http:// or https://"},
    {"Alerts", "webhook", "http://a b", "http:// or https://"},
    {"Export", "listen", "[::1]:9469", ""},
    {"Export", "listen", "127.0.0.1:99999", "host:port"},
    {"Export", "listen", "example.org:80", "host:port"},
    {"MQTT", "broker", " mqtts://broker.lan:8884 ", ""},
    {"MQTT", "broker", "mqtt://[::1]", ""},
    {"MQTT", "broker", "http://broker.lan", "mqtts://HOST"},
    {"MQTT", "broker", "mqtt://broker.lan:0", "mqtts://HOST"},
    {"MQTT", "topic", "home/dsl", ""},
    {"MQTT", "topic", "home/#", "no + or #"},
    {"MQTT", "discovery_prefix", "", ""},
    {"MQTT", "discovery_prefix", "ha/", "no + or #"},
    {"Settings", "language", "de", "not a choice"},
    {"Settings", "language", "en", ""},
};

std::size_t FieldOf(std::string_view group, std::string_view key) {
  const std::size_t field = SettingsForm::Find(group, key);
  EXPECT_LT(field, SettingsForm::Fields().size()) << group << "/" << key;
  return field;
}

std::string WaitForTest(SettingsForm& form) {
  for (int i = 0; i < 500 && form.WebhookTestRunning(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return form.WebhookTestResult().value_or("<running>");
}

}  // namespace

TEST(SettingsForm, EachFieldRefusesBadTextsBesideItAndStoresGoodOnes) {
  FakeClock clock;
  for (const Edit& edit : kEdits) {
    SettingsForm form(nullptr, clock);
    const std::size_t field = FieldOf(edit.group, edit.key);
    form.SetValue(field, std::string(edit.text));
    const std::vector<std::string> messages = form.Check();
    for (std::size_t i = 0; i < messages.size(); ++i) {
      const std::string_view expected = i == field ? edit.message : "";
      if (expected.empty())
        EXPECT_EQ(messages[i], "") << edit.key << "=" << edit.text << " field " << i;
      else
        EXPECT_NE(messages[i].find(expected), std::string::npos) << edit.key << "=" << edit.text;
    }
    FakeFileSystem disk;
    IniFile file(disk, "s.ini");
    EXPECT_EQ(form.Store(file), edit.message.empty()) << edit.key << "=" << edit.text;
    if (edit.message.empty() && edit.key != "crypted_password")
      EXPECT_EQ(file.Read(edit.group, edit.key, "<none>"), TrimBlanks(edit.text));
  }
}

TEST(SettingsForm, LoadsWhatTheFileHoldsAndStoresThePasswordScrambled) {
  FakeClock clock;
  FakeFileSystem disk;
  disk.files["s.ini"] = "[Export]\r\nuser=me\r\ncrypted_password=" + StorePassword("old") +
                        "\r\n[Settings]\r\nlanguage=xx\r\n";
  IniFile file(disk, "s.ini");
  SettingsForm form(nullptr, clock);
  form.Load(file);
  EXPECT_EQ(form.ValueOf("Export", "crypted_password"), "old");
  EXPECT_EQ(form.ValueOf("Settings", "language"), "fr");  // an unknown language: the default
  EXPECT_EQ(form.ValueOf("Alerts", "snr_low_db"), "6.0");
  form.SetValue(FieldOf("Export", "crypted_password"), "");
  EXPECT_EQ(form.Check()[FieldOf("Export", "crypted_password")], "needed with a login");
  EXPECT_FALSE(form.Store(file));
  form.SetValue(FieldOf("Export", "crypted_password"), "s3cret");
  form.SetValue(FieldOf("MQTT", "crypted_password"), "s3cret too");
  ASSERT_TRUE(form.Store(file));
  ASSERT_TRUE(file.Save());
  const std::string text = disk.files["s.ini"];
  EXPECT_NE(text.find("crypted_password=" + StorePassword("s3cret")), std::string::npos) << text;
  EXPECT_NE(text.find("crypted_password=" + StorePassword("s3cret too")), std::string::npos);
  EXPECT_EQ(text.find("s3cret"), std::string::npos);
}

// OK writes the file and applies the alerts at once; Cancel writes nothing, and a second request
// while the window shows opens none; the language takes effect at the next start.
TEST(SettingsForm, TheTrayItemEditsTheFileAndCancelLeavesItBe) {
  AppHarness h;
  h.disk.files[AppHarness::kSettings] = "[Other]\r\nk=v\r\n";
  ASSERT_TRUE(h.Start());
  const std::string before = h.disk.files[AppHarness::kSettings];
  h.front.settings_edit = [&h](SettingsForm& form) {
    form.SetValue(FieldOf("Alerts", "snr_low_db"), "3");
    h.app.Dispatch({EventKind::kTrayMenuItem, kSettingsItem});  // from the tray, while it shows
    return false;
  };
  h.Send(EventKind::kTrayMenuItem, kSettingsItem);
  EXPECT_EQ(LogCount(h.log, "settings dialog"), 1);
  EXPECT_EQ(h.disk.files[AppHarness::kSettings], before);
  h.front.settings_edit = [](SettingsForm& form) {
    form.SetValue(FieldOf("Alerts", "snr_low_db"), "3");
    form.SetValue(FieldOf("Settings", "language"), "en");
    return form.Check() == std::vector<std::string>(SettingsForm::Fields().size());
  };
  h.Send(EventKind::kTrayMenuItem, kSettingsItem);
  const std::string after = h.disk.files[AppHarness::kSettings];
  EXPECT_NE(after.find("snr_low_db=3\r\n"), std::string::npos) << after;
  EXPECT_NE(after.find("[Other]\r\nk=v"), std::string::npos) << after;
  EXPECT_EQ(h.front.texts[kStartButton], FrenchTexts()[2]);
  h.app.Shutdown();
  EXPECT_NE(h.disk.files[AppHarness::kSettings].find("snr_low_db=3\r\n"), std::string::npos);
  AppHarness next;
  next.disk.files = h.disk.files;
  ASSERT_TRUE(next.Start());
  EXPECT_EQ(next.front.texts[kStartButton], EnglishTexts()[2]);
}

// Notices turned off in the window hold back the next one, without a restart.
TEST(SettingsForm, OkAppliesTheAlertsAtOnce) {
  AppHarness h;
  ASSERT_TRUE(h.Start());
  h.front.settings_edit = [](SettingsForm& form) {
    form.SetValue(FieldOf("Alerts", "notify"), "0");
    return true;
  };
  h.Send(EventKind::kTrayMenuItem, kSettingsItem);
  h.Send(EventKind::kTimerTick);  // no gateway here: unreachable twice
  h.Send(EventKind::kTimerTick);
  EXPECT_EQ(LogCount(h.log, "notice Verdalin: Gateway unreachable"), 0);
}

TEST(SettingsForm, SendTestPostsOffTheCallersThreadAndSaysHowItEnded) {
  FakeClock clock;
  const auto poster = std::make_shared<AnsweringPoster>();
  SettingsForm form(poster, clock);
  form.StartWebhookTest();
  EXPECT_EQ(WaitForTest(form), "Test not sent: no address");
  form.SetValue(FieldOf("Alerts", "webhook"), "http://127.0.0.1:1/hook");
  form.StartWebhookTest();
  EXPECT_EQ(WaitForTest(form), "Test sent: answered 204");
  poster->answer = {PostError::kUnreachable, 0};
  form.StartWebhookTest();
  EXPECT_EQ(WaitForTest(form), "Test failed: unreachable");
  EXPECT_EQ(poster->posted.size(), 2u);
}

}  // namespace verdalin
