// The poll: one run from the timer tick to the CSV row and the status line.
#pragma once

#include <string>

#include "app/preset.h"
#include "monitor/page_fetcher.h"
#include "text/clock.h"
#include "text/file_layer.h"
#include "text/file_system.h"
#include "ui/locale_number.h"
#include "ui/window_controls.h"

namespace verdalin {

// The services one poll works with; they outlive the poller.
struct PollServices {
  WindowControls& window;
  PageFetcher& fetcher;
  const Clock& clock;
  FileSystem& file_system;
  DataFiles& data_files;
  NumberFormatService& number_format;
  const LocaleSnapshot& locale;
  const PresetTable& presets;
};

// `address` with the credentials inserted when its first 7 characters read "HTTP://" in any
// letter case: "http://" + login + ":" + password + "@" + the rest. Other addresses unchanged.
std::string RequestAddress(const std::string& address, const std::string& login,
                           const std::string& password);

class Poller {
 public:
  explicit Poller(const PollServices& services) : services_(services) {}
  Poller(const Poller&) = delete;
  Poller& operator=(const Poller&) = delete;

  // One poll; returns at once, doing nothing, while another poll runs (a timer tick that comes
  // during the fetch is dropped).
  void Poll();

  bool PollBusy() const { return poll_busy_; }
  // The page of the last poll that fetched one (empty after a connection error).
  const std::string& PageText() const { return page_text_; }

 private:
  void RunPoll();
  // The `type` of the selected preset; empty when none is selected.
  std::string SelectedModel();

  PollServices services_;
  bool poll_busy_ = false;
  std::string page_text_;
};

}  // namespace verdalin
