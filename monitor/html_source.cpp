// The HTML status page as a line source: the request, the fetch and the model's parser.
#include "monitor/html_source.h"

#include "base/text_ops.h"
#include "monitor/parsers.h"

namespace verdalin {

namespace {

constexpr int kSchemeLength = 7;

}  // namespace

FetchRequest StatusPageRequest(const MonitorConfig& config) {
  FetchRequest request;
  request.url = config.address;
  if (UpperCase(LeftPart(config.address, kSchemeLength)) == "HTTP://") {
    request.url = "http://" + config.address.substr(kSchemeLength);
    request.send_credentials = true;
    request.login = config.login;
    request.password = config.password;
  }
  return request;
}

LineReading HtmlPageSource::Read(const MonitorConfig& config, CancelToken& cancel) {
  LineReading reading;
  const std::string page = fetcher_.FetchPage(StatusPageRequest(config), cancel);
  if (page.empty()) return reading;
  bool values_found = false;
  ParseGatewayPage(config.model, page, reading.sample, values_found);
  reading.outcome = values_found ? PollOutcome::kSample : PollOutcome::kUnrecognised;
  return reading;
}

}  // namespace verdalin
