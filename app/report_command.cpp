// The history report command: its options, the settings and logs it reads, the page it writes.
#include "app/report_command.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "app/alerts.h"
#include "app/settings.h"
#include "app/settings_folder.h"
#include "monitor/line_history.h"
#include "monitor/log_reader.h"
#include "text/date_format.h"
#include "text/ini_store.h"
#include "text/text_ops.h"
#include "ui/history_report.h"
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

std::optional<int32_t> DayBound(const std::string& day, std::string_view time) {
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
    const std::string log_path = options.log.empty() ? ConfiguredLog() : options.log;
    std::optional<std::string> page = Page(log_path, options.period);
    if (!page) return kFailed;
    const std::string out = options.out.empty()
                                ? FolderWithSeparator(log_path) + std::string(kReportFileName)
                                : options.out;
    if (!fs_.ReplaceAll(out, *page)) return Fail("cannot write the report to " + out);
    if (options.open && !host_.OpenInBrowser(out))
      host_.ShowError("the report is written to " + out + ", but no browser could be opened");
    return 0;
  }

  // The page of the configured log's rows in the period; nothing (after an error line) when
  // there is no row to show.
  std::optional<std::string> Page(const std::string& log_path, const HistoryPeriod& period) {
    ReportRequest request;
    if (!ReadRows(log_path, period, request)) return std::nullopt;
    ReadEvents(EventLogPath(log_path), request);
    ReadSettings(request);
    request.version = places_.version;
    request.made_at = CurrentDate(host_.LocalClock());
    request.period = period;
    return BuildHistoryReport(std::move(request));
  }
  std::optional<std::string> Page(const HistoryPeriod& period) {
    return Page(ConfiguredLog(), period);
  }

 private:
  int Fail(const std::string& line) {
    host_.ShowError(line);
    return kFailed;
  }

  bool Refuse(const std::string& line) {
    host_.ShowError(line);
    return false;
  }

  std::string ConfiguredLog() {
    if (places_.current_log) return *places_.current_log;
    std::string path = ReadPreference(fs_, kSettingsGroup, "output_file", places_.default_log,
                                      places_.settings_file);
    return path.empty() ? places_.default_log : path;
  }

  bool ReadRows(const std::string& path, const HistoryPeriod& period, ReportRequest& request) {
    const PathInfo info = fs_.Stat(path);
    std::string contents;
    if (info.kind == PathKind::kMissing) return Refuse("no data log at " + path);
    contents.reserve(static_cast<std::size_t>(std::max<int64_t>(info.size, 0)) + 1);  // no regrowth
    if (info.kind != PathKind::kFile || !fs_.ReadAll(path, contents))
      return Refuse("cannot read the data log " + path);
    request.log = ReadDataLog(contents);
    contents = std::string();  // the rows take far less room than the text
    const bool any = !request.log.rows.empty();
    KeepRowsInPeriod(request.log, period);
    if (request.log.rows.empty())
      return Refuse(any ? "no row of " + path + " in the period" : "no row in " + path);
    return true;
  }

  void ReadEvents(const std::string& path, ReportRequest& request) {
    std::string contents;
    if (fs_.Stat(path).kind != PathKind::kFile || !fs_.ReadAll(path, contents)) return;
    EventLog log = ReadEventLog(contents);
    request.events = std::move(log.events);
    request.events_skipped = log.rows_skipped;
  }

  void ReadSettings(ReportRequest& request) {
    request.subscribed_kbps = places_.current_subscribed_kbps.value_or(ParseInteger(ReadPreference(
        fs_, kSettingsGroup, "downstream", kDefaultDownstream, places_.settings_file)));
    request.thresholds = places_.current_thresholds.value_or(
        LoadAlerts(fs_, places_.settings_file).settings.thresholds);
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

namespace {

// The last kShowHistoryDays days, today included.
HistoryPeriod RecentDays(const Clock& clock) {
  const int32_t today = CurrentDate(clock);
  const int32_t midnight = today - (today % kDaySeconds + kDaySeconds) % kDaySeconds;
  HistoryPeriod period;
  period.from = midnight - (kShowHistoryDays - 1) * kDaySeconds;
  return period;
}

}  // namespace

int ShowHistory(ReportHost& host, const ReportPlaces& places) {
  ReportOptions options;
  options.period = RecentDays(host.LocalClock());
  return ReportMaker(host, places).Make(options);
}

std::optional<std::string> RecentHistoryPage(ReportHost& host, const ReportPlaces& places) {
  return ReportMaker(host, places).Page(RecentDays(host.LocalClock()));
}

}  // namespace verdalin
