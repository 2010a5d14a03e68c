// The poll: timestamp, request address, fetch, parser, CSV row and status line, in this order.
#include "monitor/poll.h"

#include "monitor/csv_log.h"
#include "monitor/line_sample.h"
#include "monitor/parsers.h"
#include "monitor/status_line.h"
#include "text/date_format.h"
#include "text/text_ops.h"
#include "ui/control_ids.h"

namespace verdalin {

namespace {

constexpr int kSchemeLength = 7;

bool HasHttpScheme(const std::string& address) {
  return UpperCase(LeftPart(address, kSchemeLength)) == "HTTP://";
}

}  // namespace

// The credentials go in exactly as typed; reading them back out of the address, whatever they
// hold, is the fetcher's part.
std::string RequestAddress(const std::string& address, const std::string& login,
                           const std::string& password) {
  if (!HasHttpScheme(address)) return address;
  return "http://" + login + ":" + password + "@" + address.substr(kSchemeLength);
}

void Poller::Poll() {
  if (poll_busy_) return;
  poll_busy_ = true;
  RunPoll();
  poll_busy_ = false;
}

void Poller::RunPoll() {
  WindowControls& window = services_.window;
  bool values_found = false;
  LineSample sample;
  std::string timestamp = FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", CurrentDate(services_.clock));

  std::string address = window.GetControlText(kAddressField);
  if (HasHttpScheme(address)) {  // the login and password are read only then
    address = RequestAddress(address, window.GetControlText(kLoginField),
                             window.GetControlText(kPasswordField));
  }
  page_text_ = services_.fetcher.FetchPage(address);
  if (page_text_.empty()) {
    window.SetStatusText(kStatusLineField, "CONNECTION ERROR: check URL.", kPollStatusAppearance);
    return;
  }

  ParseGatewayPage(SelectedModel(), page_text_, sample, values_found);
  LocaleNumbers numbers{services_.number_format, services_.locale};
  if (!AppendLogRow(services_.data_files, services_.file_system,
                    window.GetControlText(kOutputFileField), sample, timestamp, numbers)) {
    window.SetStatusText(kStatusLineField, "ERROR WRITING OUTPUT FILE !", kPollStatusAppearance);
  }
  ShowPollResult(window, services_.clock, sample, values_found);
}

std::string Poller::SelectedModel() {
  // Presets are numbered from 1 (0 is the empty preset), the list's positions from 0.
  long number = static_cast<long>(services_.window.GetControlState(kPresetList)) + 1;
  if (number < 0 || number >= static_cast<long>(services_.presets.size())) return "";
  return services_.presets[static_cast<std::size_t>(number)].type;
}

}  // namespace verdalin
