// The poll: one run from the timer tick to the CSV row and the status line, around the fetch.
#pragma once

#include <optional>
#include <string>

#include "base/clock.h"
#include "base/file_layer.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "monitor/line_events.h"
#include "monitor/line_sample.h"
#include "monitor/page_fetcher.h"
#include "monitor/preset.h"
#include "ui/window_controls.h"

namespace verdalin {

// The services one poll works with; they outlive the poller.
struct PollServices {
  WindowControls& window;
  const Clock& clock;
  FileSystem& file_system;
  DataFiles& data_files;
  NumberFormatService& number_format;
  const LocaleSnapshot& locale;
  const PresetTable& presets;
};

// What a poll found, for those who follow the line beyond the status bar.
struct PollResult {
  PollOutcome outcome = PollOutcome::kUnreachable;
  LineSample sample;
  bool values_found = false;
  int64_t time = 0;  // the poll's date value, taken before the fetch
  bool row_written = false;
};

// A poll in two halves around the fetch, both on the loop's thread: Begin reads what the fetch
// needs from the window, Finish turns the page into the row, the status line and the gauge.
class Poller {
 public:
  explicit Poller(const PollServices& services) : services_(services) {}
  Poller(const Poller&) = delete;
  Poller& operator=(const Poller&) = delete;

  // Stamps the time and reads the address, and for an address that starts with "http://" in
  // any letter case the login and password. Nothing while another poll runs (a timer tick
  // that comes during the fetch is dropped).
  std::optional<FetchRequest> Begin();
  // The rest of the poll for the page fetched (empty: the connection error): Record parses the
  // page and writes the row, Show then writes the status line (with `note` after the line of a
  // connected line where it fits), the gauge and the quality. Record clears PollBusy.
  PollResult Record(const std::string& page);
  void Show(const PollResult& result, const std::string& note);
  PollResult Finish(const std::string& page) {
    PollResult result = Record(page);
    Show(result, "");
    return result;
  }
  // Ends a poll whose fetch was cancelled: nothing is shown or written.
  void Abandon() { poll_busy_ = false; }

  // One whole poll with a fetcher called here; for benchmarks and tests.
  std::optional<PollResult> PollWith(PageFetcher& fetcher);

  bool PollBusy() const { return poll_busy_; }

 private:
  // The `type` of the selected preset; empty when none is selected.
  std::string SelectedModel();

  PollServices services_;
  bool poll_busy_ = false;
  int64_t time_ = 0;
};

}  // namespace verdalin
