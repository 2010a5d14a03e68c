// The poll from the tick to the status line: the session over a window, a gateway and a clock in
// memory, the data log on disk.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "app/settings.h"
#include "base/timer.h"
#include "monitor/html_source.h"
#include "monitor/monitor_session.h"
#include "ui/status_line.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_page_fetcher.h"
#include "fakes/fake_window.h"
#include "fakes/gateway_pages.h"
#include "fakes/temp_folder.h"
#include "monitor/csv_log.h"

namespace verdalin {

namespace {

const char kConnectedLine[] =
    "Time: 21:05:09 | Down: 8192 Kbps | Up: 1024 Kbps | SNR Margin: 12 dB";
const char kWarning[] = "Time: 21:05:09 | Warning : Bad/Empty values ! Please check password.";
const char kNoModel[] = "Time: 21:05:09 | No gateway model: choose one in the list of presets.";

class NoTimer : public Timer {
 public:
  bool Start(int64_t) override { return true; }
  void Stop() override {}
};

// The session over the window's fields: each poll takes their snapshot, as the desktop does, and
// ends in the window.
class PollTest : public ::testing::Test {
 protected:
  PollTest() {
    presets_ = {{}, {"INVENTEL", "Inventel"}, {"SAGEM", "Sagem"}, {"AH4222", "Tecom"}};
    window_.texts[kAddressField] = "http://127.0.0.1:8080/status.html";
    window_.texts[kLoginField] = "admin";
    window_.texts[kPasswordField] = "secret";
    window_.texts[kDownstreamMaxField] = "8192";
    window_.texts[kOutputFileField] = log_path_;
    for (const Preset& preset : presets_) window_.AddListItem(kPresetList, -1, preset.label);
    Select(0);  // INVENTEL
    fetcher_.page = InventelPage({});
  }

  void Select(int position) { window_.SetControlState(kPresetList, position); }
  MonitorConfig Config() { return ConfigOf(LineSettingsOf(window_), presets_); }
  // Waits for the reading to end, then finishes the poll in the window.
  void FinishPoll() {
    std::unique_lock lock(mutex_);
    fetched_signal_.wait(lock, [this] { return fetched_; });
    fetched_ = false;
    lock.unlock();
    if (const std::optional<PollResult> result = session_.Finish())
      ShowPollResult(window_, *result, "");
  }
  void Poll() {
    session_.Tick(Config());
    FinishPoll();
  }
  std::string Log() {
    std::string contents;
    PlatformFileSystem().ReadAll(log_path_, contents);
    return contents;
  }
  std::string Row(const LineSample& sample, const std::string& stamp = "2006/12/30 21:05:09") {
    return FormatLogRow(sample, stamp, numbers_);
  }

  TempFolder folder_;
  std::string log_path_ = folder_.Path("Verdalin_Data.CsV");
  FakeWindow window_;
  FakePageFetcher fetcher_;
  FakeClock clock_;
  FakeMonotonicClock steady_;
  NoTimer timer_;
  PortableNumberFormat number_format_;
  LocaleSnapshot locale_{".", ","};
  LocaleNumbers numbers_{number_format_, locale_};
  PresetTable presets_;
  LineSources sources_{fetcher_};
  std::mutex mutex_;
  std::condition_variable fetched_signal_;
  bool fetched_ = false;
  MonitorSession session_{SessionServices{clock_, steady_, PlatformFileSystem(), number_format_,
                                          locale_, timer_, sources_,
                                          [this] {
                                            std::lock_guard lock(mutex_);
                                            fetched_ = true;
                                            fetched_signal_.notify_all();
                                          }},
                          AlertSettings{}};
};

LineSample InventelSample() {
  return DefaultPageSample("LiveBox Inventel");
}

}  // namespace

// The login and password travel beside the address, byte for byte, and only for an address
// that starts with "http://" in any letter case (the scheme then in lower case).
TEST_F(PollTest, CredentialsGoBesideAnHttpAddressOnly) {
  struct Case {
    const char* address;
    const char* url;
    bool credentials;
  };
  const Case cases[] = {
      {"http://127.0.0.1/x", "http://127.0.0.1/x", true},
      {"HtTp://127.0.0.1/x", "http://127.0.0.1/x", true},
      {"http://127.0.0.1:1/ok?mail=a@127.0.0.1:2/x", "http://127.0.0.1:1/ok?mail=a@127.0.0.1:2/x",
       true},
      {"127.0.0.1/status", "127.0.0.1/status", false},
      {"https://127.0.0.1", "https://127.0.0.1", false},
      {"", "", false},
  };
  window_.texts[kLoginField] = "a:b@c";
  window_.texts[kPasswordField] = "p/ #%q";
  for (const Case& c : cases) {
    window_.texts[kAddressField] = c.address;
    const FetchRequest request = StatusPageRequest(Config());
    EXPECT_EQ(request.url, c.url);
    EXPECT_EQ(request.send_credentials, c.credentials) << c.address;
    EXPECT_EQ(request.login, c.credentials ? "a:b@c" : "") << c.address;
    EXPECT_EQ(request.password, c.credentials ? "p/ #%q" : "") << c.address;
  }
}

TEST_F(PollTest, ConnectedLineWritesTheRowAndTheStatus) {
  Poll();
  ASSERT_EQ(fetcher_.Addresses(), std::vector<std::string>{"http://127.0.0.1:8080/status.html"});
  EXPECT_EQ(fetcher_.Requests()[0].login, "admin");
  EXPECT_EQ(fetcher_.Requests()[0].password, "secret");
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row(InventelSample()));
  EXPECT_EQ(window_.StatusHistory(kStatusLineField), std::vector<std::string>{kConnectedLine});
  EXPECT_EQ(window_.status[kQualityField].text, "Quality Index: 62.5%");
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 62);
  EXPECT_FALSE(session_.Busy());
}

TEST_F(PollTest, AddressWithoutSchemeIsRequestedUnchanged) {
  window_.texts[kAddressField] = "127.0.0.1:8080/status.html";
  window_.texts[kLoginField] = "a@b";
  Poll();
  window_.texts[kAddressField] = "hTTP://127.0.0.1/";
  window_.texts[kLoginField] = "";
  window_.texts[kPasswordField] = "";
  Poll();
  EXPECT_EQ(fetcher_.Addresses(),
            (std::vector<std::string>{"127.0.0.1:8080/status.html", "http://127.0.0.1/"}));
  EXPECT_FALSE(fetcher_.Requests()[0].send_credentials);
  EXPECT_TRUE(fetcher_.Requests()[1].send_credentials);
}

TEST_F(PollTest, EmptyPageIsAConnectionErrorWithoutRow) {
  Poll();
  fetcher_.page = "";
  Poll();
  EXPECT_EQ(window_.status[kStatusLineField].text, "CONNECTION ERROR: check URL.");
  EXPECT_EQ(window_.status[kStatusLineField].appearance, kRaised | kCentred);
  EXPECT_EQ(window_.status[kQualityField].text, "Quality Index: 62.5%");
  EXPECT_EQ(window_.state_calls.back(), std::make_pair(int{kQualityGauge}, 62));
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row(InventelSample()));
  EXPECT_FALSE(session_.Busy());
}

TEST_F(PollTest, FirstPollThatFailsCreatesNoFile) {
  fetcher_.page = "";
  Poll();
  EXPECT_FALSE(std::filesystem::exists(log_path_));
  EXPECT_EQ(window_.status.count(kQualityField), 0u);
}

TEST_F(PollTest, PageWithoutValuesWritesARowOfZeros) {
  fetcher_.page = "<html><body>401 Unauthorized</body></html>";
  Poll();
  LineSample empty;
  empty.Device = "LiveBox Inventel";
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row(empty));
  EXPECT_EQ(window_.status[kStatusLineField].text, kWarning);
  EXPECT_EQ(window_.status.count(kQualityField), 0u);
}

TEST_F(PollTest, NoPresetSelectedRunsNoParser) {
  for (int position : {-1, 3, 99}) {  // none, and past the presets: no model
    window_.states[kPresetList] = position;
    Poll();
    EXPECT_EQ(window_.status[kStatusLineField].text, kNoModel) << position;
  }
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row({}) + Row({}) + Row({}));
}

TEST_F(PollTest, SelectedPresetChoosesTheParser) {
  Select(1);
  fetcher_.page = SagemPage({});
  Poll();
  Select(2);
  fetcher_.page = TecomPage({});
  Poll();
  EXPECT_EQ(window_.StatusHistory(kStatusLineField),
            (std::vector<std::string>{kConnectedLine, kConnectedLine}));
  EXPECT_NE(Log().find("\"LiveBox Sagem\""), std::string::npos);
  EXPECT_NE(Log().find("\"Tecom AH4222\""), std::string::npos);
}

TEST_F(PollTest, DisconnectedLine) {
  PageValues values;
  values.down = "0";
  fetcher_.page = InventelPage(values);
  Poll();
  EXPECT_EQ(window_.status[kStatusLineField].text, "Time: 21:05:09 | ADSL Disconnected !");
  EXPECT_EQ(window_.status[kQualityField].text, "Quality Index: 0.0%");
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 0);
  EXPECT_NE(Log().find(";0;\"G.992.1 Annex A:INTERLEAVED\";1024;0;"), std::string::npos);
}

TEST_F(PollTest, OutputFileThatCannotBeOpenedIsReportedThenReplaced) {
  window_.texts[kOutputFileField] = folder_.Path("missing") + "/Verdalin_Data.CsV";
  Poll();
  EXPECT_EQ(window_.StatusHistory(kStatusLineField),
            (std::vector<std::string>{"ERROR WRITING OUTPUT FILE !", kConnectedLine}));
  EXPECT_EQ(window_.status_log[0].appearance, 5);
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 62);
  window_.texts[kOutputFileField] = log_path_;  // the next poll tries again
  Poll();
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row(InventelSample()));
}

TEST_F(PollTest, TickDuringAPollStartsNoSecondPoll) {
  std::mutex gate;
  gate.lock();
  fetcher_.during_fetch = [&gate](CancelToken&) { std::lock_guard hold(gate); };
  session_.Tick(Config());
  EXPECT_TRUE(session_.Busy());
  session_.Tick(Config());
  session_.Tick(Config());
  gate.unlock();
  FinishPoll();
  EXPECT_EQ(fetcher_.Requests().size(), 1u);
  EXPECT_FALSE(session_.Busy());
  EXPECT_FALSE(session_.Finish().has_value());  // no poll: nothing to finish
}

TEST_F(PollTest, EachPollStartsFromAFreshSample) {
  Poll();
  fetcher_.page = "ADSL_DOWNSTREAM=4096<br>\nADSL_NOISE_MARGIN=10<br>\n";
  Poll();
  LineSample second;
  second.Connected = 1;
  second.Downstream_kbps = 4096;
  second.SNR_local = 10;
  second.Device = "LiveBox Inventel";
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row(InventelSample()) + Row(second));
}

TEST_F(PollTest, CsvTimeIsTakenBeforeTheFetchAndStatusTimeAfter) {
  fetcher_.during_fetch = [&](CancelToken&) { clock_.now = {2006, 12, 30, 21, 6, 0}; };
  Poll();
  EXPECT_EQ(Log(), std::string(kLogHeader) + Row(InventelSample(), "2006/12/30 21:05:09"));
  EXPECT_EQ(window_.status[kStatusLineField].text.substr(0, 15), "Time: 21:06:00 ");
}

}  // namespace verdalin
