// A line source: one kind of gateway (an HTML status page, TR-064, a command line, ubus) read
// into the same line sample.
#pragma once

#include <string>

#include "monitor/line_events.h"
#include "monitor/line_sample.h"
#include "monitor/monitor_config.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

// What one reading of the line gave.
struct LineReading {
  // kUnreachable: nothing came (no connection, a broken session, a cut answer): no row.
  // kUnrecognised: an answer came without the values (a refused login): a row of zeros.
  // kSample: the values.
  PollOutcome outcome = PollOutcome::kUnreachable;
  LineSample sample;
  // A status text of the source's own that replaces the usual one (a changed SSH host key); empty
  // otherwise.
  std::string problem;
};

class LineSource {
 public:
  virtual ~LineSource() = default;
  // One reading, on the poll's fetch thread; ends soon after `cancel` fires. A source may keep a
  // session open between readings; `config` is the snapshot of the poll.
  virtual LineReading Read(const MonitorConfig& config, CancelToken& cancel) = 0;
};

}  // namespace verdalin
