// Start-up of the application core: step order, first start, stored state, "-startup", fatal path.
#include <gtest/gtest.h>

#include <sstream>

#include "app/program.h"
#include "base/scramble.h"
#include "fakes/app_harness.h"
#include "ui/control_table.h"
#include "verdalin_version.h"

namespace verdalin {

namespace {

const char* kTwoPresets =
    "[Index]\r\ntotal=2\r\n1=A\r\n2=B\r\n"
    "[A]\r\ntype=SAGEM\r\nlabel=Sagem 8M\r\nURL=http://127.0.0.1:1/a\r\nlogin=la\r\n"
    "password=pa\r\ndownmax=8000\r\n"
    "[B]\r\ntype=AH4222\r\nlabel=Tecom 20M\r\nURL=http://127.0.0.1:1/b\r\nlogin=lb\r\n"
    "password=pb\r\ndownmax=20000\r\n";

// The first parameter of a raw command line, or "".
std::string FirstParameter(std::string_view command_line) {
  const std::vector<std::string> arguments = CommandLineArguments(command_line);
  return arguments.empty() ? std::string() : arguments.front();
}

}  // namespace

TEST(AppStartup, FirstStartWithNoFilesShowsDefaultsAndCountsTheRun) {
  AppHarness h;
  ASSERT_TRUE(h.Start(""));
  EXPECT_EQ(h.front.title, "Verdalin " VERDALIN_VERSION);
  EXPECT_TRUE(h.front.list_items[kPresetList].empty());
  EXPECT_EQ(h.front.GetControlState(kPresetList), -1);
  EXPECT_EQ(h.Text(kDownstreamMaxField), "8192");
  EXPECT_EQ(h.Text(kLoginField), "admin");
  EXPECT_EQ(h.Text(kDelayField), "300");
  EXPECT_EQ(h.Text(kAddressField), "http://192.168.1.1/adslstats.html");
  EXPECT_EQ(h.Text(kOutputFileField), "C:\\Users\\me\\Documents\\Verdalin_Data.CsV");
  EXPECT_EQ(h.Text(kPasswordField), LoadPassword("Zk3+Tw8="));
  EXPECT_EQ(h.front.GetControlState(kRunAtStartupBox), 0);
  EXPECT_EQ(h.Statistic("LastRun"), "2006/12/30-21:05");
  EXPECT_EQ(h.Statistic("Runs"), "1");
  EXPECT_EQ(h.Setting("url"), "<missing>");  // settings are written at exit only
  EXPECT_FALSE(h.front.hidden);
  EXPECT_FALSE(h.front.timer_period);
  EXPECT_EQ(h.Polls(), 0);
  EXPECT_EQ(h.front.tray_tooltip,
            "Verdalin is monitoring for your ADSL status...\rDouble click to open main window.");
  EXPECT_EQ(h.front.menu_entries.size(), kTrayMenuEntries.size());

  EXPECT_EQ(h.app.Shutdown(), 0);
  EXPECT_EQ(h.Setting("preset"), "-1");
  EXPECT_EQ(h.Setting("output_file"), "C:\\Users\\me\\Documents\\Verdalin_Data.CsV");
}

TEST(AppStartup, StepsRunInTheirOrder) {
  AppHarness h;
  h.disk.files[AppHarness::kPresets] = kTwoPresets;
  ASSERT_TRUE(h.Start(""));
  const CallLog& log = h.log;
  const std::string settings_write = std::string("write ") + AppHarness::kSettings;
  const std::vector<std::string> order = {
      "locale",       std::string("read ") + AppHarness::kPresets,
      "network",      "build",
      "item 15 0",    "item 15 1",
      "add icon",     "menu",
      settings_write, "text 13",
      "state 15 0",   "text 3"};
  for (std::size_t i = 1; i < order.size(); ++i) {
    EXPECT_GE(LogIndex(log, order[i - 1]), 0) << order[i - 1];
    EXPECT_LT(LogIndex(log, order[i - 1]), LogIndex(log, order[i])) << order[i];
  }
  // The statistics only once the window exists.
  EXPECT_LT(LogIndex(log, "build"), LogIndex(log, settings_write));
  // Load order: downstream, login, delay, url, output file, selection, password last.
  const std::vector<std::string> loads = {"text 13", "text 2",     "text 9", "text 1",
                                          "text 17", "state 15 0", "text 3"};
  for (std::size_t i = 1; i < loads.size(); ++i)
    EXPECT_LT(LogIndex(log, loads[i - 1]), LogIndex(log, loads[i])) << loads[i];
}

TEST(AppStartup, StoredSelectionDoesNotCopyThePresetAndPasswordIsUnscrambled) {
  AppHarness h;
  h.disk.files[AppHarness::kPresets] = kTwoPresets;
  h.disk.files[AppHarness::kSettings] =
      "[Settings]\r\ndownstream=1024\r\nlogin=me\r\ndelay=60\r\nurl=http://127.0.0.1:9/x\r\n"
      "output_file=D:\\log.csv\r\npreset=1\r\ncrypted_password=" +
      StorePassword("s3cr&t") + "\r\n[Statistics]\r\nRuns=41\r\n";
  ASSERT_TRUE(h.Start(""));
  EXPECT_EQ(h.front.list_items[kPresetList], (std::vector<std::string>{"Sagem 8M", "Tecom 20M"}));
  EXPECT_EQ(h.front.GetControlState(kPresetList), 1);
  EXPECT_EQ(h.Text(kAddressField), "http://127.0.0.1:9/x");
  EXPECT_EQ(h.Text(kLoginField), "me");
  EXPECT_EQ(h.Text(kDownstreamMaxField), "1024");
  EXPECT_EQ(h.Text(kDelayField), "60");
  EXPECT_EQ(h.Text(kOutputFileField), "D:\\log.csv");
  EXPECT_EQ(h.Text(kPasswordField), "s3cr&t");
  EXPECT_EQ(h.Statistic("Runs"), "42");
}

TEST(AppStartup, StartupEntryOfSizeAboveZeroTicksTheBox) {
  const std::string entry = "C:\\Users\\me\\Start Menu\\Programs\\Startup\\Verdalin.lnk";
  for (const char* contents : {"", "L"}) {
    AppHarness h;
    h.disk.folders.insert("C:\\Users\\me\\Start Menu\\Programs\\Startup");
    h.disk.files[entry] = contents;
    ASSERT_TRUE(h.Start(""));
    EXPECT_EQ(h.front.GetControlState(kRunAtStartupBox), *contents ? 1 : 0) << contents;
  }
}

TEST(AppStartup, FatalSocketErrorShowsTheMessageAndWritesNothing) {
  AppHarness h;
  h.disk.files[AppHarness::kSettings] = "[Statistics]\r\nRuns=7\r\n";
  h.front.network_works = false;
  EXPECT_FALSE(h.Start("-startup"));
  ASSERT_EQ(h.front.messages.size(), 1u);
  EXPECT_EQ(h.front.messages[0].title, "Verdalin : Fatal Error");
  EXPECT_EQ(h.front.messages[0].text,
            "Unable to initialize TCP/IP stack, please check your system configuration.\n\n"
            "Program will now exit.");
  EXPECT_EQ(h.front.messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(DesktopController::ExitCode(), 0);
  EXPECT_FALSE(h.front.built);
  EXPECT_EQ(LogIndex(h.log, "add icon"), -1);
  EXPECT_EQ(h.Polls(), 0);
  EXPECT_EQ(h.disk.files[AppHarness::kSettings], "[Statistics]\r\nRuns=7\r\n");
  // Even a session end that reaches it anyway writes no settings.
  h.Send(EventKind::kSessionSaveRequest);
  EXPECT_EQ(h.disk.files.count(AppHarness::kSettings), 1u);
  EXPECT_EQ(h.Setting("url"), "<missing>");
}

TEST(AppStartup, FirstParameterRules) {
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"verdalin.exe -STARTUP", "-STARTUP"},
      {"\"C:\\Program Files\\V\\verdalin.exe\" -startup", "-startup"},
      {"verdalin.exe   \"-startup\" x", "-startup"},
      {"verdalin.exe \"-start up\"", "-start up"},
      {"verdalin.exe -other -startup", "-other"},
      {"verdalin.exe", ""},
      {"\"C:\\unterminated", ""}};
  for (const auto& [line, first] : lines) EXPECT_EQ(FirstParameter(line), first) << line;
  EXPECT_EQ(CommandLineArguments("v.exe  --report \"C:\\My Logs\\a.csv\" --no-open "),
            (std::vector<std::string>{"--report", "C:\\My Logs\\a.csv", "--no-open"}));
  EXPECT_TRUE(IsStartupParameter("-STARTUP"));
  EXPECT_TRUE(IsStartupParameter("-StartUp"));
  EXPECT_FALSE(IsStartupParameter("-startup2"));
  EXPECT_FALSE(IsStartupParameter("startup"));
  EXPECT_FALSE(IsStartupParameter(""));
}

// The entry point: "--report" writes the report without building a window; anything else runs
// the desktop program.
TEST(AppStartup, MainRunsTheReportCommandOrTheDesktop) {
  AppHarness h;
  FakeHost& host = h.host;
  EXPECT_EQ(Main(host, {"--report", "C:\\none.csv", "--no-open"}), 1);
  EXPECT_EQ(host.errors, std::vector<std::string>{"verdalin: no data log at C:\\none.csv"});
  EXPECT_EQ(host.desktops, 0);
  EXPECT_FALSE(h.front.built);
  EXPECT_EQ(Main(host, {"--report", "--from"}), 2);  // a bad command line
  EXPECT_EQ(Main(host, {}), 0);
  EXPECT_EQ(host.desktops, 1);
  EXPECT_TRUE(h.front.built);
  EXPECT_LT(LogIndex(h.log, "run loop"), LogIndex(h.log, "remove icon"));
}

// --help, --version and a refused command line end without a window: help and version on
// standard output, a refusal as its problem and the usage on standard error with exit code 2.
TEST(AppStartup, MainAnswersHelpVersionAndRefusalsWithoutAWindow) {
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string output;  // found in standard output
    std::string error;   // standard error's first line
  } cases[] = {
      {{"--help"}, 0, "Verdalin_Presets.ini", ""},
      {{"-h"}, 0, "--scramble-password", ""},
      {{"--version"}, 0, "verdalin " VERDALIN_VERSION "\n", ""},
      {{"--bogus"}, 2, "", "verdalin: unknown option '--bogus'"},
      {{"file.csv", "-STARTUP", "--bogus"}, 2, "", "verdalin: unknown option '--bogus'"},
      {{"--help", "x"}, 2, "", "verdalin: --help takes no argument"},
      {{"--scramble-password", "x"}, 2, "", "verdalin: --scramble-password takes no argument"},
  };
  for (const auto& c : cases) {
    AppHarness h;
    EXPECT_EQ(Main(h.host, c.arguments), c.exit_code) << c.arguments.front();
    EXPECT_EQ(h.host.desktops, 0) << c.arguments.front();
    if (!c.output.empty()) EXPECT_NE(h.host.output.find(c.output), std::string::npos);
    EXPECT_EQ(h.host.output.empty(), c.output.empty()) << c.arguments.front();
    EXPECT_EQ(h.host.errors.empty(), c.error.empty()) << c.arguments.front();
    if (!c.error.empty()) EXPECT_EQ(h.host.errors.front(), c.error);
    if (!c.error.empty()) EXPECT_EQ(h.host.errors.back().rfind("Usage: verdalin", 0), 0u);
  }
  AppHarness h;  // the files named where the program keeps them
  EXPECT_EQ(Main(h.host, {"--help"}), 0);
  EXPECT_NE(h.host.output.find(AppHarness::kSettings), std::string::npos) << h.host.output;
  EXPECT_NE(h.host.output.find(AppHarness::kPresets), std::string::npos);
}

// The password scrambler gives what the program reads back as the password, line ends aside;
// without a line it says so and writes nothing.
TEST(AppStartup, ScramblePasswordGivesTheStoredForm) {
  AppHarness h;
  FakeHost& host = h.host;
  for (const std::string password : {"s3cret", "", "with blanks and \xE9"}) {
    std::istringstream in(password + "\r\n");
    std::ostringstream out;
    EXPECT_EQ(ScramblePassword(in, out, host), 0);
    EXPECT_EQ(out.str(), StorePassword(password) + "\n");
    EXPECT_EQ(LoadPassword(out.str().substr(0, out.str().size() - 1)), password);
  }
  std::istringstream empty;
  std::ostringstream out;
  EXPECT_EQ(ScramblePassword(empty, out, host), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(host.errors.size(), 1u);
}

TEST(AppStartup, StartupParameterHidesStartsTheTimerAndPollsOnce) {
  AppHarness h;
  ASSERT_TRUE(h.Start(FirstParameter("verdalin.exe \"-STARTUP\"")));
  EXPECT_TRUE(h.front.hidden);
  EXPECT_EQ(h.front.timer_period, 300000);
  EXPECT_EQ(h.Polls(), 1);
  EXPECT_LT(LogIndex(h.log, "idle"), LogIndex(h.log, "poll"));
  EXPECT_LT(LogIndex(h.log, "hide"), LogIndex(h.log, "start timer 300000"));
  EXPECT_LT(LogIndex(h.log, "text 3"), LogIndex(h.log, "hide"));  // after the settings
}

// A settings or presets file that is not a regular file is not read and never written over; the
// program starts with the defaults and says so once.
TEST(AppStartup, ARefusedIniFileIsSaidOnceAndNeverWritten) {
  AppHarness h;
  h.disk.others.insert(AppHarness::kSettings);
  h.disk.others.insert(AppHarness::kPresets);
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Text(kDelayField), "300");
  EXPECT_EQ(h.front.StatusHistory(kStatusLineField),
            (std::vector<std::string>{"PRESETS FILE IGNORED: no presets.",
                                      "SETTINGS FILE IGNORED: using defaults."}));
  h.app.Shutdown();
  EXPECT_EQ(LogIndex(h.log, std::string("write ") + AppHarness::kSettings), -1);
}

TEST(AppStartup, StartupParameterVariantsWithoutEffect) {
  for (const char* line : {"verdalin.exe -other -startup", "verdalin.exe", "verdalin.exe -start"}) {
    AppHarness h;
    ASSERT_TRUE(h.Start(FirstParameter(line)));
    EXPECT_FALSE(h.front.hidden) << line;
    EXPECT_FALSE(h.front.timer_period) << line;
    EXPECT_EQ(h.Polls(), 0) << line;
  }
}

TEST(AppStartup, RefusedTimerAtStartupStillPollsSilently) {
  AppHarness h;
  h.front.refuse_timer = true;
  ASSERT_TRUE(h.Start("-startup"));
  EXPECT_EQ(h.Polls(), 1);
  EXPECT_EQ(LogIndex(h.log, "status 0 ERROR WITH TIMER!! 5"), -1);
}

TEST(AppStartup, StartupParameterWithoutNotificationAreaKeepsTheWindowReachable) {
  AppHarness h;
  h.front.tray_available = false;
  ASSERT_TRUE(h.Start("-startup"));
  EXPECT_FALSE(h.front.hidden);
  EXPECT_EQ(LogIndex(h.log, "idle"), -1);
  EXPECT_EQ(h.Polls(), 1);  // monitoring is on all the same
  EXPECT_TRUE(h.front.timer_period);
}

}  // namespace verdalin
