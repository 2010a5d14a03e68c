// The history report's page from the logs on disk: the data log's rows of a period, the event log
// beside it, and what the page is drawn against.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/file_system.h"
#include "monitor/line_events.h"
#include "report/line_history.h"

namespace verdalin {

inline constexpr int32_t kShowHistoryDays = 30;

// What the page is made of: the data log (the event log lies beside it), the subscribed rate and
// thresholds it is drawn against, and the program's version printed on it.
struct HistorySource {
  std::string log;
  int32_t subscribed_kbps = 0;
  AlertThresholds thresholds;
  std::string version;
};

// The page of the log's rows in the period, or the line that says why there is none (no log, an
// unreadable one, no row in the period).
struct HistoryPage {
  std::optional<std::string> html;
  std::string error;
};
HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period);

// The last kShowHistoryDays days, today included.
HistoryPeriod RecentDays(const Clock& clock);

}  // namespace verdalin
