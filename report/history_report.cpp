// The history report: the page's sections, its two JSON blocks and the embedded script and styles.
#include "report/history_report.h"

#include <algorithm>
#include <map>
#include <optional>

#include "base/date_format.h"
#include "base/encoding.h"
#include "report/history_chart.h"
#include "report/report_assets.h"
#include "report/report_text.h"

namespace verdalin {

namespace {

// Nothing may leave the page: no fetch, no frame, no remote picture, style or script.
constexpr std::string_view kContentPolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:";

double Minutes(int64_t seconds) {
  return static_cast<double>(seconds) / 60.0;
}

// Days the rows span, for the "per day" figures; at least one.
double DaysSpanned(const LineHistory& history) {
  const double seconds = static_cast<double>(history.last) - history.first + history.interval;
  return std::max(1.0, seconds / kDaySeconds);
}

void AppendNumber(std::string& out, std::string_view name, int64_t value) {
  out += ",\"";
  out += name;
  out += "\":" + std::to_string(value);
}

void AppendDecimal(std::string& out, std::string_view name, double value, int decimals) {
  out += ",\"";
  out += name;
  out += "\":";
  AppendFixed(out, value, decimals);
}

void AppendDecibels(std::string& out, std::string_view name, int32_t hundredths) {
  out += ",\"";
  out += name;
  out += "\":";
  AppendHundredths(out, hundredths);
}

// The counts shared by the whole period and each day, after a first member already written.
void AppendCountsJson(std::string& out, const HistoryCounts& counts) {
  AppendNumber(out, "polls", counts.polls);
  AppendNumber(out, "polls_in_sync", counts.polls_in_sync);
  AppendNumber(out, "missed_polls", counts.missed_polls);
  AppendNumber(out, "resyncs", counts.resyncs);
  AppendDecimal(out, "availability_sync_pct", counts.SyncPercent(), 3);
  AppendDecimal(out, "availability_gateway_pct", counts.GatewayPercent(), 3);
  AppendDecimal(out, "minutes_below_snr_low", Minutes(counts.seconds_below_snr_low), 1);
  AppendNumber(out, "crc_errors", counts.crc_errors);
  AppendDecibels(out, "lowest_snr_down_db", counts.lowest_snr[0]);
  AppendDecibels(out, "lowest_snr_up_db", counts.lowest_snr[1]);
}

// The events of one kind on one day.
struct EventGroup {
  LineEventKind kind;
  int64_t count = 0;
  int64_t first = 0;
  int64_t last = 0;
};

// The events grouped by day and kind: days in order, kinds in the order of their first event.
std::vector<EventGroup> GroupEvents(const std::vector<LineEvent>& events) {
  std::map<std::pair<int64_t, LineEventKind>, std::size_t> index;
  std::vector<EventGroup> groups;
  for (const LineEvent& event : events) {
    const auto [at, added] = index.try_emplace({DayStart(event.time), event.kind}, groups.size());
    if (added) groups.push_back({event.kind, 0, event.time, event.time});
    EventGroup& group = groups[at->second];
    ++group.count;
    group.first = std::min(group.first, event.time);
    group.last = std::max(group.last, event.time);
  }
  // A group's first event falls on its day: its time orders the days, then the kinds of a day.
  std::stable_sort(groups.begin(), groups.end(),
                   [](const EventGroup& a, const EventGroup& b) { return a.first < b.first; });
  return groups;
}

class ReportWriter {
 public:
  ReportWriter(const ReportRequest& request, const std::vector<LineEvent>& events,
               const LineHistory& history, const ChartData& chart)
      : request_(request), log_(request.log), events_(events), history_(history), chart_(chart) {}

  std::string Write() {
    out_.reserve(4096 + 48 * chart_.times.size());
    Head();
    Summary();
    Charts();
    DayTable();
    EventTable();
    Scripts();
    return std::move(out_);
  }

 private:
  void Html(std::string_view html) { out_ += html; }
  void Escaped(std::string_view text) { AppendHtml(out_, text); }
  const std::string& TextOf(uint32_t id) const { return log_.texts[id]; }

  void Head() {
    Html("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n");
    Html("<meta http-equiv=\"Content-Security-Policy\" content=\"");
    Html(kContentPolicy);
    Html("\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n");
    Html("<meta name=\"generator\" content=\"Verdalin ");
    Escaped(request_.version);
    Html("\">\n<title>ADSL line history ");
    Escaped(DayText(history_.first) + " to " + DayText(history_.last));
    Html("</title>\n<style>\n");
    Html(AssetText(kUplotCss, kUplotCssSize));
    Html("\n</style>\n<style>\n");
    Html(AssetText(kReportCss, kReportCssSize));
    Html("\n</style>\n</head>\n<body>\n<header>\n<h1>ADSL line history</h1>\n<p class=\"lead\">");
    Escaped(TextOf(history_.device).empty() ? "Gateway" : TextOf(history_.device));
    Html(", firmware ");
    Escaped(TextOf(history_.firmware).empty() ? "unknown" : TextOf(history_.firmware));
    Html(": ");
    Escaped(TimestampText(history_.first) + " to " + TimestampText(history_.last));
    Html("</p>\n</header>\n<main>\n");
  }

  void Figure(std::string_view label, const std::string& value) {
    Html("<div><dt>");
    Html(label);
    Html("</dt><dd>");
    Escaped(value);
    Html("</dd></div>\n");
  }

  static std::string Fixed(double value, int decimals) {
    std::string text;
    AppendFixed(text, value, decimals);
    return text;
  }

  static std::string Rate(const std::optional<double>& kbps) {
    return kbps ? Fixed(*kbps, 0) + " kbit/s" : "none";
  }

  static std::string Decibels(int32_t hundredths) {
    return hundredths == kNoValue ? "none" : Fixed(hundredths / 100.0, 2) + " dB";
  }

  void Summary() {
    const HistoryCounts& total = history_.total;
    const double days = DaysSpanned(history_);
    const std::string& mode = TextOf(history_.mode_type);
    Html("<section id=\"summary\">\n<h2>Summary</h2>\n<dl class=\"figures\">\n");
    Figure("Device", TextOf(history_.device));
    Figure("Firmware", TextOf(history_.firmware));
    Figure("Mode and line type", mode == ":" ? "" : mode);
    Figure("Period", TimestampText(history_.first) + " to " + TimestampText(history_.last));
    Figure("Polls",
           std::to_string(total.polls) + ", one every " + std::to_string(history_.interval) + " s");
    if (request_.attainable_kbps[0] || request_.attainable_kbps[1])
      Figure("Attainable rate at the last poll", "down " + Rate(request_.attainable_kbps[0]) +
                                                     ", up " + Rate(request_.attainable_kbps[1]));
    Figure("Line in sync", Fixed(total.SyncPercent(), 2) + " % of the polls");
    Figure("Gateway reached", Fixed(total.GatewayPercent(), 2) + " % of the polls (" +
                                  std::to_string(total.missed_polls) + " missed)");
    Figure("Resyncs", std::to_string(total.resyncs) + ", " +
                          Fixed(static_cast<double>(total.resyncs) / days, 2) + " per day");
    Figure("Time below the SNR low threshold",
           Fixed(Minutes(total.seconds_below_snr_low), 0) + " minutes (threshold " +
               Fixed(request_.thresholds.snr_low_db, 1) + " dB)");
    Figure("CRC errors", std::to_string(total.crc_errors) + ", " +
                             Fixed(static_cast<double>(total.crc_errors) / days, 0) + " per day");
    Figure("Lowest SNR margin",
           "down " + Decibels(total.lowest_snr[0]) + ", up " + Decibels(total.lowest_snr[1]));
    Figure("Log lines not read", std::to_string(log_.rows_skipped));
    if (request_.odd_dates > 0) Figure("Rows with odd dates", std::to_string(request_.odd_dates));
    Html("</dl>\n</section>\n");
  }

  void Chart(std::string_view id, std::string_view caption) {
    Html("<figure class=\"chart\" id=\"");
    Html(id);
    Html("\"><figcaption>");
    Html(caption);
    Html("</figcaption><div class=\"plot\"></div></figure>\n");
  }

  void Charts() {
    Html("<section id=\"charts\">\n<h2>Charts</h2>\n<div class=\"toolbar\" role=\"toolbar\">");
    Html("<button data-days=\"0\">All</button><button data-days=\"30\">30 days</button>");
    Html("<button data-days=\"7\">7 days</button><button data-days=\"1\">1 day</button>");
    Html("<button data-pan=\"-1\" title=\"Earlier\">&#9664;</button>");
    Html("<button data-pan=\"1\" title=\"Later\">&#9654;</button>");
    Html("<button data-zoom=\"2\">Zoom out</button></div>\n<p class=\"hint\">Drag across a ");
    Html("chart to zoom in, turn the mouse wheel to zoom around the pointer, double-click to ");
    Html("see the whole period. Times are those of the log. Gaps are polls that did not ");
    Html("reach the gateway or a line out of sync; dashed lines mark resyncs.</p>\n");
    Html("<noscript><p>The charts need JavaScript.</p></noscript>\n");
    Chart("chart-rates", SubscribedRateSet(request_.subscribed_kbps)
                             ? "Sync rates (kbit/s) and the subscribed maximum"
                             : "Sync rates (kbit/s)");
    Chart("chart-snr", "SNR margins (dB) and the alert thresholds");
    Chart("chart-attenuation", "Attenuation (dB)");
    Chart("chart-crc", "CRC errors per minute");
    Html("<p class=\"resolution\"></p>\n</section>\n");
  }

  void Cell(const std::string& text) {
    Html("<td>");
    Escaped(text);
    Html("</td>");
  }

  void DayTable() {
    Html("<section id=\"days\">\n<h2>Day by day</h2>\n<table>\n<thead><tr><th>Date</th>");
    Html("<th>Polls</th><th>In sync</th><th>Gateway reached</th><th>Resyncs</th>");
    Html("<th>Minutes below SNR low</th><th>CRC errors</th><th>Lowest SNR down</th>");
    Html("<th>Lowest SNR up</th></tr></thead>\n<tbody>\n");
    for (const DayHistory& day : history_.days) {
      const HistoryCounts& c = day.counts;
      Html("<tr>");
      Cell(DayText(day.start));
      Cell(std::to_string(c.polls));
      Cell(Fixed(c.SyncPercent(), 2) + " %");
      Cell(Fixed(c.GatewayPercent(), 2) + " %");
      Cell(std::to_string(c.resyncs));
      Cell(Fixed(Minutes(c.seconds_below_snr_low), 0));
      Cell(std::to_string(c.crc_errors));
      Cell(Decibels(c.lowest_snr[0]));
      Cell(Decibels(c.lowest_snr[1]));
      Html("</tr>\n");
    }
    Html("</tbody>\n</table>\n</section>\n");
  }

  // One row per day and kind of event, with how many and when the first and last came; then the
  // latest events one by one, folded away.
  void EventTable() {
    Html("<section id=\"events\">\n<h2>Events</h2>\n<p>");
    Html(request_.events ? "From the event log." : "Found in the data rows (no event log).");
    Html("</p>\n<table class=\"event-days\">\n<thead><tr><th>Day</th><th>Event</th>");
    Html("<th>Count</th><th>First</th><th>Last</th></tr></thead>\n<tbody>\n");
    for (const EventGroup& group : GroupEvents(events_)) {
      Html("<tr>");
      Cell(DayText(group.first));
      Cell(std::string(LineEventName(group.kind)));
      Cell(std::to_string(group.count));
      Cell(FormatDate("%hh:%ii:%ss", group.first));
      Cell(FormatDate("%hh:%ii:%ss", group.last));
      Html("</tr>\n");
    }
    Html("</tbody>\n</table>\n");
    EventList();
    Html("</section>\n</main>\n<footer>Made by Verdalin ");
    Escaped(request_.version + " on " + TimestampText(request_.made_at));
    Html(".</footer>\n");
  }

  void EventList() {
    const std::size_t first = events_.size() - std::min(events_.size(), kMostListedEvents);
    Html("<details class=\"event-list\"><summary>Each event (" +
         std::to_string(events_.size() - first) + " listed)</summary>\n");
    if (first > 0)
      Html("<p>" + std::to_string(first) + " earlier events are counted, not listed.</p>\n");
    Html("<table>\n<thead><tr><th>Time</th><th>Event</th><th>Detail</th></tr></thead>\n");
    Html("<tbody>\n");
    for (std::size_t i = first; i < events_.size(); ++i) {
      const LineEvent& event = events_[i];
      Html("<tr>");
      Cell(TimestampText(event.time));
      Cell(std::string(LineEventName(event.kind)));
      Cell(event.detail);
      Html("</tr>\n");
    }
    Html("</tbody>\n</table>\n</details>\n");
  }

  void SummaryJson() {
    Html("<script type=\"application/json\" id=\"verdalin-summary\">{\"version\":");
    AppendJsonString(out_, request_.version);
    for (auto [name, id] : {std::pair{"device", history_.device},
                            {"firmware", history_.firmware},
                            {"mode_type", history_.mode_type}}) {
      out_ += ",\"" + std::string(name) + "\":";
      AppendJsonString(out_, TextOf(id));
    }
    Html(",\"first\":");
    AppendJsonString(out_, TimestampText(history_.first));
    Html(",\"last\":");
    AppendJsonString(out_, TimestampText(history_.last));
    Html(",\"made\":");
    AppendJsonString(out_, TimestampText(request_.made_at));
    Html(request_.events ? ",\"events_source\":\"event log\"" : ",\"events_source\":\"data rows\"");
    AppendNumber(out_, "interval_s", history_.interval);
    AppendNumber(out_, "rows_skipped", log_.rows_skipped);
    if (request_.odd_dates > 0) AppendNumber(out_, "rows_odd_dates", request_.odd_dates);
    AppendNumber(out_, "events_skipped", request_.events_skipped);
    AppendNumber(out_, "events", static_cast<int64_t>(events_.size()));
    AppendNumber(out_, "subscribed_kbps", request_.subscribed_kbps);
    for (const auto& [name, kbps] : {std::pair{"attainable_down_kbps", request_.attainable_kbps[0]},
                                     {"attainable_up_kbps", request_.attainable_kbps[1]}})
      if (kbps) AppendNumber(out_, name, static_cast<int64_t>(*kbps));
    AppendDecimal(out_, "snr_low_db", request_.thresholds.snr_low_db, 2);
    AppendDecimal(out_, "snr_rearm_db", request_.thresholds.snr_rearm_db, 2);
    AppendDecimal(out_, "days_spanned", DaysSpanned(history_), 3);
    AppendCountsJson(out_, history_.total);
    Html(",\"days\":[");
    for (const DayHistory& day : history_.days) {
      Html(&day == history_.days.data() ? "{\"date\":" : ",{\"date\":");
      AppendJsonString(out_, DayText(day.start));
      AppendCountsJson(out_, day.counts);
      Html("}");
    }
    Html("]}</script>\n");
  }

  void SeriesJson(const ChartData& chart) {
    Html("<script type=\"application/json\" id=\"verdalin-series\">{\"start\":");
    out_ += std::to_string(chart.times.empty() ? 0 : chart.times.front());
    Html(",\"steps\":[");
    for (std::size_t i = 0; i < chart.times.size(); ++i) {
      if (i > 0) out_ += ',';
      out_ += std::to_string(i == 0 ? 0 : chart.times[i] - chart.times[i - 1]);
    }
    Html("],\"series\":[");
    for (std::size_t k = 0; k < kChartSeriesCount; ++k) {
      Html(k == 0 ? "[" : ",[");
      for (std::size_t i = 0; i < chart.values[k].size(); ++i) {
        if (i > 0) out_ += ',';
        AppendHundredths(out_, chart.values[k][i]);
      }
      Html("]");
    }
    Html("],\"resyncs\":[");
    for (std::size_t i = 0; i < history_.resync_times.size(); ++i)
      out_ += (i > 0 ? "," : "") + std::to_string(history_.resync_times[i]);
    Html("]");
    AppendNumber(out_, "bucket_s", chart.bucket_seconds);
    AppendNumber(out_, "full_from", chart.full_from);
    AppendNumber(out_, "interval_s", history_.interval);
    if (SubscribedRateSet(request_.subscribed_kbps))
      AppendNumber(out_, "subscribed_line_kbps", request_.subscribed_kbps);
    AppendDecimal(out_, "snr_low_db", request_.thresholds.snr_low_db, 2);
    AppendDecimal(out_, "snr_rearm_db", request_.thresholds.snr_rearm_db, 2);
    Html("}</script>\n");
  }

  void Scripts() {
    SummaryJson();
    SeriesJson(chart_);
    Html("<script>\n/*\n");
    Html(AssetText(kUplotLicense, kUplotLicenseSize));
    Html("*/\n");
    Html(AssetText(kUplotJs, kUplotJsSize));
    Html("\n</script>\n<script>\n");
    Html(AssetText(kReportJs, kReportJsSize));
    Html("\n</script>\n</body>\n</html>\n");
  }

  const ReportRequest& request_;
  const DataLog& log_;
  const std::vector<LineEvent>& events_;
  const LineHistory& history_;
  const ChartData& chart_;
  std::string out_;
};

// The rows of the period as a first reading finds them: how many, and those of the main run.
class RunSurvey {
 public:
  explicit RunSurvey(int64_t now) : now_(now) {}

  void Take(const LogRow& row, bool isolated) {
    ++rows_;
    const bool unlikely = UnlikelyDate(row.time, now_);
    any_likely_ = any_likely_ || !unlikely;
    if (isolated) return;
    all_.Add(row.time);
    if (!unlikely) likely_.Add(row.time);
  }

  int64_t Rows() const { return rows_; }
  bool AnyLikely() const { return any_likely_; }

  // The rows kept when the log has rows with likely dates, or all but the isolated ones.
  struct Run {
    StepMedian steps;
    int64_t rows = 0;
    int64_t first = 0;
    int64_t last = 0;
    std::optional<int64_t> before;

    void Add(int64_t time) {
      if (before) steps.Add(time - *before);
      first = rows == 0 ? time : std::min(first, time);
      last = rows == 0 ? time : std::max(last, time);
      ++rows;
      before = time;
    }
  };
  Run& Kept() { return any_likely_ ? likely_ : all_; }

 private:
  int64_t now_;
  int64_t rows_ = 0;
  bool any_likely_ = false;
  Run likely_;
  Run all_;
};

// Adds the texts `from` gained since the last time to `to`.
void CatchUpTexts(const DataLog& from, DataLog& to) {
  for (std::size_t i = to.texts.size(); i < from.texts.size(); ++i)
    to.texts.push_back(from.texts[i]);
}

// The second reading: each row kept is counted between the rows beside it, then drawn.
class StreamedCount {
 public:
  StreamedCount(ReportRequest& request, RunSurvey::Run& run)
      : request_(request),
        interval_(run.steps.Median()),
        tally_(request.log, request.thresholds, interval_,
               request.events ? *request.events : std::vector<LineEvent>{}),
        deriver_(interval_, request.thresholds),
        chart_(request.log, run.first, run.last, interval_) {}

  void Take(const LogRow& row) {
    if (!request_.events) deriver_.Feed(row, request_.log, derived_);
    if (current_) Count(&row);
    before_ = current_;
    current_ = row;
  }

  std::string Write() {
    if (current_) Count(nullptr);
    std::vector<LineEvent> events =
        request_.events ? std::move(*request_.events) : std::move(derived_);
    if (request_.events) request_.events.emplace();
    const LineHistory history = tally_.Finish(events);
    const ChartData chart = chart_.Finish();
    return ReportWriter(request_, events, history, chart).Write();
  }

 private:
  void Count(const LogRow* after) {
    const int32_t crc = tally_.CountRow(before_ ? &*before_ : nullptr, *current_, after);
    chart_.Take(*current_, crc);
  }

  ReportRequest& request_;
  int32_t interval_;
  HistoryTally tally_;
  EventDeriver deriver_;
  ChartStream chart_;
  std::vector<LineEvent> derived_;
  std::optional<LogRow> before_;
  std::optional<LogRow> current_;
};

}  // namespace

bool SubscribedRateSet(int32_t kbps) {
  return kbps > 0 && kbps != kUntouchedSubscribedKbps;
}

std::string BuildHistoryReport(ReportRequest request) {
  KeepRowsInPeriod(request.log, request.period);
  if (request.odd_dates < 0) request.odd_dates = TakeOutOddDates(request.log.rows, request.made_at);
  std::vector<LineEvent> events;
  if (request.events) {
    events = std::move(*request.events);
    request.events.emplace();  // still says the events came from the event log
    KeepEventsInPeriod(events, request.period);
  } else {
    events = DeriveEvents(request.log, UsualInterval(request.log.rows), request.thresholds);
  }
  const LineHistory history = SummariseHistory(request.log, events, request.thresholds);
  const ChartData chart = BuildChartData(request.log, history);
  return ReportWriter(request, events, history, chart).Write();
}

std::optional<std::string> BuildStreamedReport(ReportRequest request, RowSource& source) {
  const HistoryPeriod period = request.period;
  request.log = {};
  request.log.texts.emplace_back();
  RunSurvey survey(request.made_at);
  IsolatedRows survey_window(true);
  const IsolatedRows::Sink survey_take = [&](const LogRow& row, bool isolated) {
    survey.Take(row, isolated);
  };
  auto in_period = [&period](const RowSource::Sink& sink) {
    return [&period, sink](const LogRow& row, const DataLog& texts) {
      if (period.Holds(row.time)) sink(row, texts);
    };
  };
  if (!source.Read(in_period(
          [&](const LogRow& row, const DataLog&) { survey_window.Push(row, survey_take); })))
    return std::nullopt;
  survey_window.Finish(survey_take);
  RunSurvey::Run& run = survey.Kept();
  if (run.rows == 0) return std::nullopt;
  request.odd_dates = survey.Rows() - run.rows;
  if (request.events) KeepEventsInPeriod(*request.events, period);
  StreamedCount count(request, run);
  IsolatedRows window(survey.Rows() >= 3);
  const int64_t now = request.made_at;
  const bool any_likely = survey.AnyLikely();
  const IsolatedRows::Sink keep = [&](const LogRow& row, bool isolated) {
    if (!isolated && !(any_likely && UnlikelyDate(row.time, now))) count.Take(row);
  };
  const std::optional<DataLog> read =
      source.Read(in_period([&](const LogRow& row, const DataLog& texts) {
        CatchUpTexts(texts, request.log);
        window.Push(row, keep);
      }));
  if (!read) return std::nullopt;
  window.Finish(keep);
  CatchUpTexts(*read, request.log);
  request.log.rows_skipped = read->rows_skipped;
  return count.Write();
}

}  // namespace verdalin
