// The history report as a command ("--report") and as the tray's "Show history": options, the
// settings it reads, the logs, and the page written beside the data log.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <functional>

#include "app/host.h"
#include "base/clock.h"
#include "base/file_system.h"
#include "monitor/line_events.h"
#include "report/history_page.h"

namespace verdalin {

inline constexpr std::string_view kReportFileName = "Verdalin_Report.html";

// What the report needs of the platform.
class ReportHost {
 public:
  virtual ~ReportHost() = default;
  virtual FileSystem& Files() = 0;
  virtual const Clock& LocalClock() = 0;
  // Asks the desktop to open the file in the user's browser; false when that failed.
  virtual bool OpenInBrowser(const std::string& path) = 0;
  // One line for the user: standard error for the command, a message box for the tray.
  virtual void ShowError(const std::string& line) = 0;
  // The progress line of a long reading ("" clears it); nothing where none is shown.
  virtual void ShowProgress(const std::string& line) { (void)line; }
};

// The report on the program's host: its files, clock and browser, errors to `show_error` (standard
// error for the command, a message box for the tray).
class HostReports : public ReportHost {
 public:
  HostReports(ProgramHost& host, std::function<void(const std::string&)> show_error)
      : host_(host), show_error_(std::move(show_error)) {}
  FileSystem& Files() override { return host_.Files(); }
  const Clock& LocalClock() override { return host_.LocalClock(); }
  bool OpenInBrowser(const std::string& path) override { return host_.Shell().OpenAddress(path); }
  void ShowError(const std::string& line) override { show_error_(line); }
  void ShowProgress(const std::string& line) override { host_.ShowProgress(line); }

 private:
  ProgramHost& host_;
  std::function<void(const std::string&)> show_error_;
};

struct ReportPlaces {
  std::string settings_file;  // Verdalin_Settings.ini in the settings folder; only read
  std::string default_log;    // the output file when the settings name none (DefaultOutputFile)
  std::string version;        // the program's version text, printed on the page
  // A running program's own values, which win over the stored settings: the output file field,
  // the subscribed rate field and the alert thresholds in force.
  std::optional<std::string> current_log;
  std::optional<int32_t> current_subscribed_kbps;
  std::array<std::optional<double>, 2> current_attainable_kbps{};
  std::optional<AlertThresholds> current_thresholds;
};

// Where the report's inputs are: the stored settings in the settings folder (SettingsFolder),
// the default log in the documents folder, this build's version.
ReportPlaces StoredReportPlaces(FileSystem& fs, ShellServices& shell);

// `arguments` follow "--report": [LOG.csv] [--from YYYY/MM/DD] [--to YYYY/MM/DD]
// [--out FILE.html] [--no-open]. Writes the report and opens it; 0 on success, otherwise 2 for a
// bad command line and 1 for anything else, after one line through ShowError.
int RunReportCommand(ReportHost& host, const ReportPlaces& places,
                     const std::vector<std::string>& arguments);

// "Show history": the report of the configured log's last kShowHistoryDays days (today
// included), written beside the log and opened. The same results as RunReportCommand.
int ShowHistory(ReportHost& host, const ReportPlaces& places);

}  // namespace verdalin
