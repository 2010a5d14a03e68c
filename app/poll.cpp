// The poll: timestamp, request, fetch, parser, CSV row and status line, in this order.
#include "app/poll.h"

#include "base/date_format.h"
#include "base/text_ops.h"
#include "monitor/csv_log.h"
#include "monitor/parsers.h"
#include "ui/control_ids.h"
#include "ui/status_line.h"

namespace verdalin {

namespace {

constexpr int kSchemeLength = 7;

bool HasHttpScheme(const std::string& address) {
  return UpperCase(LeftPart(address, kSchemeLength)) == "HTTP://";
}

}  // namespace

std::optional<FetchRequest> Poller::Begin() {
  if (poll_busy_) return std::nullopt;
  poll_busy_ = true;
  time_ = CurrentDate(services_.clock);
  WindowControls& window = services_.window;
  FetchRequest request;
  request.url = window.GetControlText(kAddressField);
  if (HasHttpScheme(request.url)) {  // the login and password are read only then
    request.url = "http://" + request.url.substr(kSchemeLength);
    request.send_credentials = true;
    request.login = window.GetControlText(kLoginField);
    request.password = window.GetControlText(kPasswordField);
  }
  return request;
}

PollResult Poller::Record(const std::string& page) {
  poll_busy_ = false;
  WindowControls& window = services_.window;
  PollResult result;
  result.time = time_;
  if (page.empty()) {
    window.SetStatusText(kStatusLineField, "CONNECTION ERROR: check URL.", kPollStatusAppearance);
    return result;
  }
  ParseGatewayPage(SelectedModel(), page, result.sample, result.values_found);
  result.outcome = result.values_found ? PollOutcome::kSample : PollOutcome::kUnrecognised;
  const LocaleNumbers numbers{services_.number_format, services_.locale};
  result.row_written = AppendLogRow(services_.data_files, services_.file_system,
                                    window.GetControlText(kOutputFileField), result.sample,
                                    TimestampText(time_), numbers);
  if (!result.row_written)
    window.SetStatusText(kStatusLineField, "ERROR WRITING OUTPUT FILE !", kPollStatusAppearance);
  return result;
}

void Poller::Show(const PollResult& result, const std::string& note) {
  if (result.outcome != PollOutcome::kUnreachable)
    ShowPollResult(services_.window, services_.clock, result.sample, result.values_found, note);
}

std::optional<PollResult> Poller::PollWith(PageFetcher& fetcher) {
  std::optional<FetchRequest> request = Begin();
  if (!request) return std::nullopt;
  return Finish(fetcher.FetchPage(*request));
}

std::string Poller::SelectedModel() {
  // Presets are numbered from 1 (0 is the empty preset), the list's positions from 0.
  const long number = static_cast<long>(services_.window.GetControlState(kPresetList)) + 1;
  if (number < 0 || number >= static_cast<long>(services_.presets.size())) return "";
  return services_.presets[static_cast<std::size_t>(number)].type;
}

}  // namespace verdalin
