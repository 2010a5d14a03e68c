// The history report command: its options, the settings and logs it reads, the page it writes.
#include "app/report_command.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "app/settings.h"
#include "app/settings_folder.h"
#include "base/file_layer.h"
#include "base/ini_store.h"
#include "base/text_ops.h"
#include "monitor/alerts.h"
#include "monitor/event_log.h"
#include "report/history_page.h"
#include "report/log_reader.h"
#include "verdalin_version.h"

namespace verdalin {

namespace {

constexpr int kFailed = 1;
constexpr int kBadCommandLine = 2;
constexpr std::string_view kUsage =
    " (usage: --report [LOG.csv] [--from YYYY/MM/DD] [--to YYYY/MM/DD] [--out FILE.html] "
    "[--no-open])";

struct ReportOptions {
  std::string log;  // empty: the settings' output file
  std::string out;  // empty: beside the log
  HistoryPeriod period;
  bool open = true;
};

std::optional<int64_t> DayBound(const std::string& day, std::string_view time) {
  return day.size() == 10 ? ReadTimestamp(day + " " + std::string(time)) : std::nullopt;
}

// Reads the options into `options`; the error line when they do not read.
std::optional<std::string> ReadOptions(const std::vector<std::string>& arguments,
                                       ReportOptions& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool takes_value = argument == "--from" || argument == "--to" || argument == "--out";
    if (takes_value && i + 1 == arguments.size()) return argument + " needs a value";
    if (argument == "--no-open") {
      options.open = false;
    } else if (argument == "--out") {
      options.out = arguments[++i];
    } else if (argument == "--from" || argument == "--to") {
      const bool from = argument == "--from";
      auto bound = DayBound(arguments[++i], from ? "00:00:00" : "23:59:59");
      if (!bound) return "bad date for " + argument + ": \"" + arguments[i] + "\"";
      (from ? options.period.from : options.period.to) = *bound;
    } else if (argument.starts_with("-") || !options.log.empty()) {
      return "unexpected argument \"" + argument + "\"";
    } else {
      options.log = argument;
    }
  }
  if (options.period.from > options.period.to) return "--from comes after --to";
  return std::nullopt;
}

class ReportMaker {
 public:
  ReportMaker(ReportHost& host, const ReportPlaces& places)
      : host_(host), fs_(host.Files()), places_(places) {}

  int Make(ReportOptions options) {
    HistorySource source = Source();
    if (!options.log.empty()) source.log = options.log;
    const HistoryPage page =
        MakeHistoryPage(fs_, host_.LocalClock(), source, options.period, Progress(source.log));
    host_.ShowProgress("");
    if (!page.html) return Fail(page.error);
    const std::string out = options.out.empty()
                                ? FolderWithSeparator(source.log) + std::string(kReportFileName)
                                : options.out;
    if (std::optional<std::string> kept = KeptFileAt(out, source.log))
      return Fail("the report is not written to " + out + ": that is " + *kept);
    if (!fs_.Publish(out, *page.html)) return Fail("cannot write the report to " + out);
    if (options.open && !host_.OpenInBrowser(out))
      host_.ShowError("the report is written to " + out + ", but no browser could be opened");
    return 0;
  }

 private:
  // "reading LOG: 37 %", said again only when the percentage changes.
  ReadProgress Progress(const std::string& log) {
    return [this, log, shown = -1](double done) mutable {
      const int percent = static_cast<int>(done * 100.0);
      if (percent == shown) return;
      shown = percent;
      host_.ShowProgress("reading " + log + ": " + std::to_string(percent) + " %");
    };
  }

  int Fail(const std::string& line) {
    host_.ShowError(line);
    return kFailed;
  }

  // What the program keeps at `out` (under that name or another one), which the page must never
  // replace: the data log, the event log, the settings or the presets.
  std::optional<std::string> KeptFileAt(const std::string& out, const std::string& log) {
    const std::string folder = FolderWithSeparator(places_.settings_file);
    const std::pair<std::string, std::string_view> kept[] = {
        {log, "the data log"},
        {EventLogPath(log), "the event log"},
        {places_.settings_file, "the settings file"},
        {folder + std::string(kPresetsFileName), "the presets file"},
    };
    for (const auto& [path, what] : kept)
      if (SameFile(fs_, out, path)) return std::string(what) + " " + path;
    return std::nullopt;
  }

  // The running program's values where it gave them, else those of the stored settings.
  HistorySource Source() {
    HistorySource source;
    source.log = places_.current_log ? *places_.current_log : StoredLog();
    source.subscribed_kbps = places_.current_subscribed_kbps.value_or(ParseInteger(ReadPreference(
        fs_, kSettingsGroup, "downstream", kDefaultDownstream, places_.settings_file)));
    source.thresholds = places_.current_thresholds.value_or(
        LoadAlerts(fs_, places_.settings_file).settings.thresholds);
    source.version = places_.version;
    source.attainable_kbps = places_.current_attainable_kbps;
    return source;
  }

  std::string StoredLog() {
    std::string path = ReadPreference(fs_, kSettingsGroup, "output_file", places_.default_log,
                                      places_.settings_file);
    return path.empty() ? places_.default_log : path;
  }

  ReportHost& host_;
  FileSystem& fs_;
  const ReportPlaces& places_;
};

}  // namespace

ReportPlaces StoredReportPlaces(FileSystem& fs, ShellServices& shell) {
  ReportPlaces places;
  places.settings_file = SettingsFolder(fs, shell) + std::string(kSettingsFileName);
  places.default_log =
      DefaultOutputFile(shell.SpecialFolderPath(SpecialFolder::kDocuments), shell.PathSeparator());
  places.version = VERDALIN_VERSION;
  return places;
}

int RunReportCommand(ReportHost& host, const ReportPlaces& places,
                     const std::vector<std::string>& arguments) {
  ReportOptions options;
  if (auto error = ReadOptions(arguments, options)) {
    host.ShowError(*error + std::string(kUsage));
    return kBadCommandLine;
  }
  return ReportMaker(host, places).Make(options);
}

int ShowHistory(ReportHost& host, const ReportPlaces& places) {
  ReportOptions options;
  options.period = RecentDays(host.LocalClock());
  return ReportMaker(host, places).Make(options);
}

}  // namespace verdalin
