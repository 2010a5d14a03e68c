// The alert settings and the notifications of line events: fallbacks, texts, the cooldown, the
// event log's rows, and the whole road from a poll to the log, the tray and the status line.
#include "monitor/alerts.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

#include "base/ini_store.h"
#include "fakes/app_harness.h"
#include "fakes/gateway_pages.h"
#include "monitor/event_log.h"

namespace verdalin {
namespace {

constexpr const char* kIni = "C:\\Verdalin\\Verdalin_Settings.ini";

TEST(AlertSettings, BadValuesFallBackToTheDefaultsAndTheRestIsKeptAsWritten) {
  FakeFileSystem disk;
  disk.folders.insert("C:\\Verdalin");
  disk.files[kIni] =
      "[Settings]\r\nurl=x\r\n\r\n[Alerts]\r\nsnr_low_db=4,5\r\nsnr_rearm_db=lots\r\n"
      "crc_per_minute=-3\r\nnotify=0\r\ncooldown_minutes=2.5\r\nwebhook=http://127.0.0.1:9/h\r\n";
  AlertsLoaded alerts = LoadAlerts(disk, kIni);
  EXPECT_DOUBLE_EQ(alerts.settings.thresholds.snr_low_db, 4.5);
  EXPECT_DOUBLE_EQ(alerts.settings.thresholds.snr_rearm_db, 7.0);
  EXPECT_DOUBLE_EQ(alerts.settings.thresholds.crc_per_minute, 10);
  EXPECT_FALSE(alerts.settings.notify);
  EXPECT_EQ(alerts.settings.cooldown_minutes, 15);
  EXPECT_EQ(alerts.settings.webhook, "http://127.0.0.1:9/h");
  IniFile file(disk, kIni);
  StoreAlerts(file, alerts);
  ASSERT_TRUE(file.Save());
  EXPECT_EQ(
      disk.files[kIni],
      "[Settings]\r\nurl=x\r\n\r\n[Alerts]\r\nsnr_low_db=4,5\r\nsnr_rearm_db=7.0\r\n"
      "crc_per_minute=10\r\nnotify=0\r\ncooldown_minutes=15\r\nwebhook=http://127.0.0.1:9/h\r\n");
  EXPECT_EQ(alerts.problem, "");
  // A re-arm threshold below the low one, as written or once one of them has fallen back: both
  // go back to their defaults, said once, and are stored back so.
  for (const char* pair : {"snr_low_db=9\r\nsnr_rearm_db=8", "snr_low_db=6.5dB\r\nsnr_rearm_db=3",
                           "snr_low_db=9\r\nsnr_rearm_db=x"}) {
    disk.files[kIni] = std::string("[Alerts]\r\n") + pair + "\r\n";
    alerts = LoadAlerts(disk, kIni);
    EXPECT_DOUBLE_EQ(alerts.settings.thresholds.snr_low_db, 6.0) << pair;
    EXPECT_DOUBLE_EQ(alerts.settings.thresholds.snr_rearm_db, 7.0) << pair;
    EXPECT_NE(alerts.problem, "") << pair;
    EXPECT_EQ(alerts.stored[0].second, "6.0");
    EXPECT_EQ(alerts.stored[1].second, "7.0");
  }
}

LineEvent Event(LineEventKind kind, std::string detail = "") {
  return {kind, 0, std::move(detail)};
}

TEST(Notifier, EachKindTellsOncePerCooldownAndAnOutageAtItsSecondFailure) {
  AlertSettings settings;
  settings.cooldown_minutes = 10;
  Notifier notifier(settings);
  const LineEvent lost = Event(LineEventKind::kSyncLost);
  EXPECT_EQ(notifier.Poll(0, PollOutcome::kSample, {lost}).size(), 1u);
  EXPECT_TRUE(notifier.Poll(60, PollOutcome::kSample, {lost}).empty());  // logged, not shown
  EXPECT_EQ(notifier.Poll(601, PollOutcome::kSample, {lost}).size(), 1u);
  EXPECT_EQ(notifier.Poll(30, PollOutcome::kSample, {lost}).size(), 1u);  // the clock went back
  // One failed poll is noise; the second in a row tells; the recovery follows what was told.
  const LineEvent gone = Event(LineEventKind::kGatewayUnreachable);
  const LineEvent back = Event(LineEventKind::kGatewayBack, "outage_s=252");
  EXPECT_TRUE(notifier.Poll(700, PollOutcome::kUnreachable, {gone}).empty());
  EXPECT_TRUE(notifier.Poll(710, PollOutcome::kSample, {back}).empty());
  EXPECT_TRUE(notifier.Poll(720, PollOutcome::kUnreachable, {gone}).empty());
  const std::vector<Notice> told = notifier.Poll(730, PollOutcome::kUnreachable, {});
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].text, "Gateway unreachable");
  const std::vector<Notice> recovered = notifier.Poll(740, PollOutcome::kSample, {back});
  ASSERT_EQ(recovered.size(), 1u);
  EXPECT_EQ(recovered[0].text, "Gateway reachable again after 4 min 12 s");
  settings.notify = false;
  EXPECT_TRUE(Notifier(settings).Poll(0, PollOutcome::kSample, {lost}).empty());
}

TEST(Notifier, MessagesReadTheDetail) {
  EXPECT_EQ(Notifier::Message(
                Event(LineEventKind::kSyncBack, "down_kbps=8128 up_kbps=1024 outage_s=3720")),
            "ADSL line back in sync at 8128/1024 kbps after 1 h 2 min");
  EXPECT_EQ(Notifier::Message(
                Event(LineEventKind::kSnrLow, "direction=up snr_db=5.20 threshold_db=6.00")),
            "Low upstream SNR margin 5.20 dB (below 6.00 dB)");
  EXPECT_EQ(Notifier::Message(Event(LineEventKind::kRetrain,
                                    "down_kbps=6000 up_kbps=1024 old_down_kbps=8128 "
                                    "old_up_kbps=1024")),
            "ADSL line retrained at 6000/1024 kbps (was 8128/1024 kbps)");
}

TEST(EventLog, RowsAfterAHeaderBesideTheDataLog) {
  EXPECT_EQ(EventLogPath("C:\\logs\\data.csv"), "C:\\logs\\Verdalin_Events.csv");
  EXPECT_EQ(EventLogPath("/home/me/data.csv"), "/home/me/Verdalin_Events.csv");
  EXPECT_EQ(EventLogPath("data.csv"), "Verdalin_Events.csv");
  FakeFileSystem disk;
  disk.folders.insert("C:\\logs");
  DataFiles files(disk);
  LineEvent event{LineEventKind::kSyncBack, 1'165'525'509, "down_kbps=8128 note=\"x\""};
  ASSERT_TRUE(AppendEventRow(files, disk, "C:\\logs\\Verdalin_Events.csv", event));
  event.kind = LineEventKind::kGatewayUnreachable;
  event.detail = "";
  ASSERT_TRUE(AppendEventRow(files, disk, "C:\\logs\\Verdalin_Events.csv", event));
  EXPECT_EQ(
      disk.files["C:\\logs\\Verdalin_Events.csv"],
      "Date;Event;Detail\r\n2006/12/07 21:05:09;SYNC_BACK;\"down_kbps=8128 note=\"\"x\"\"\"\r\n"
      "2006/12/07 21:05:09;GATEWAY_UNREACHABLE;\"\"\r\n");
  EXPECT_FALSE(AppendEventRow(files, disk, "C:\\missing\\Verdalin_Events.csv", event));
}

// A line that drops and comes back: the event log, the notices, the resync count in the status
// line where it fits, and nothing of it where it does not.
TEST(LineFollowing, APollsEventsReachTheLogTheTrayAndTheStatusLine) {
  AppHarness h;
  h.disk.files[AppHarness::kPresets] = "[Index]\r\ntotal=1\r\n1=A\r\n[A]\r\ntype=INVENTEL\r\n";
  h.disk.files[AppHarness::kSettings] = "[Settings]\r\npreset=0\r\n";
  ASSERT_TRUE(h.Start());
  PageValues values;
  for (const char* down : {"8192", "0", "8192", "0", "8192"}) {
    values.down = down;
    h.fetcher.page = InventelPage(values);
    h.front.status_field_room = 100;
    h.Send(EventKind::kTimerTick);
  }
  const std::string log = h.disk.files["C:\\Users\\me\\Documents\\Verdalin_Events.csv"];
  EXPECT_NE(log.find(";SYNC_LOST;\"last_down_kbps=8192 last_up_kbps=1024\"\r\n"),
            std::string::npos);
  EXPECT_EQ(LogCount(h.log, "notice Verdalin: ADSL line lost sync"), 1);  // the cooldown holds
  EXPECT_EQ(h.front.status[kStatusLineField].text.find("Resyncs today: 2"),
            h.front.status[kStatusLineField].text.size() - 16);
  h.front.status_field_room = 60;
  h.Send(EventKind::kTimerTick);
  EXPECT_EQ(h.front.status[kStatusLineField].text.find("Resyncs"), std::string::npos);
  h.app.Shutdown();
  EXPECT_EQ(ReadPreference(h.disk, "Alerts", "cooldown_minutes", "", AppHarness::kSettings), "15");
}

// A receiver that answers every POST with 500 and keeps the bodies.
struct FailingPoster : HttpPoster {
  PostResult Post(const std::string& url, const std::string& body, CancelToken&) override {
    std::lock_guard lock(mutex);
    bodies.push_back(url + " " + body);
    return {PostError::kNone, 500};
  }
  std::mutex mutex;
  std::vector<std::string> bodies;
};

// Each event goes to the webhook with the device it happened on; failed sends become one
// WEBHOOK_FAILED row, then nothing more until the cooldown has passed.
TEST(LineFollowing, EventsGoToTheWebhookAndItsFailuresAreLoggedOncePerCooldown) {
  AppHarness h;
  const auto poster = std::make_shared<FailingPoster>();
  h.host.poster = poster;
  h.disk.files[AppHarness::kPresets] = "[Index]\r\ntotal=1\r\n1=A\r\n[A]\r\ntype=INVENTEL\r\n";
  h.disk.files[AppHarness::kSettings] =
      "[Settings]\r\npreset=0\r\n[Alerts]\r\nwebhook=http://127.0.0.1:9/hook\r\n";
  ASSERT_TRUE(h.Start());
  PageValues values;
  const auto poll_and_take_wakes = [&](const char* down) {
    values.down = down;
    h.fetcher.page = InventelPage(values);
    h.Send(EventKind::kTimerTick);
    while (const auto event = h.front.TakePosted(std::chrono::milliseconds(300)))
      h.app.Dispatch(*event);
  };
  for (const char* down : {"8192", "0", "8192", "0"}) poll_and_take_wakes(down);
  {
    std::lock_guard lock(poster->mutex);
    ASSERT_EQ(poster->bodies.size(), 3u);
    EXPECT_EQ(poster->bodies[0],
              "http://127.0.0.1:9/hook {\"time\":\"2006/12/30 21:05:09\",\"event\":\"SYNC_LOST\","
              "\"detail\":\"last_down_kbps=8192 last_up_kbps=1024\",\"device\":\"LiveBox "
              "Inventel\",\"message\":\"ADSL line lost sync\"}");
  }
  const std::string log = h.disk.files["C:\\Users\\me\\Documents\\Verdalin_Events.csv"];
  const std::size_t first = log.find(";WEBHOOK_FAILED;\"reason=status_500 count=");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(";WEBHOOK_FAILED;", first + 1), std::string::npos) << log;
  h.app.Shutdown();
}

}  // namespace
}  // namespace verdalin
