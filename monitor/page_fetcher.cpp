// The status page fetch over the HTTP rule book, and the addresses it takes.
#include "monitor/page_fetcher.h"

#include <utility>

#include "base/text_ops.h"

namespace verdalin {

bool IsWebAddress(const std::string& url) {
  const std::string head = LowerCase(LeftPart(url, 8));
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

HttpPageFetcher::HttpPageFetcher(std::unique_ptr<HttpTransport> transport,
                                 const FetchLimits& limits)
    : transport_(std::move(transport)), client_(*transport_, limits) {}

// A cut page is never a measurement: any failure gives no text at all.
std::string HttpPageFetcher::FetchPage(const FetchRequest& request, CancelToken& cancel) {
  HttpRequest get;
  get.url = request.url;
  get.send_credentials = request.send_credentials;
  get.login = request.login;
  get.password = request.password;
  HttpResponse response = client_.Send(get, cancel);
  return response.Answered() ? std::move(response.body) : std::string();
}

}  // namespace verdalin
