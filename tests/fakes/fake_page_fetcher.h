// A page fetcher that answers every address with the page the test sets, and logs the addresses.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "monitor/page_fetcher.h"

namespace verdalin {

class FakePageFetcher : public PageFetcher {
 public:
  std::string FetchPage(const std::string& address) override {
    addresses.push_back(address);
    if (during_fetch) during_fetch();
    return page;
  }

  std::string page;
  std::vector<std::string> addresses;
  // Runs inside each fetch, as the event loop could while the program waits for the gateway.
  std::function<void()> during_fetch;
};

}  // namespace verdalin
