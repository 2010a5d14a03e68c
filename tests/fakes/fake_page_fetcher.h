// A page fetcher that answers every request with the page the test sets, and keeps the requests.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "monitor/page_fetcher.h"

namespace verdalin {

class FakePageFetcher : public PageFetcher {
 public:
  // May run on the poll's fetch thread: what it keeps is guarded.
  std::string FetchPage(const FetchRequest& request, CancelToken& cancel) override {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    if (during_fetch) during_fetch(cancel);
    return page;
  }
  std::vector<FetchRequest> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<std::string> Addresses() {
    std::vector<std::string> urls;
    for (const FetchRequest& request : Requests()) urls.push_back(request.url);
    return urls;
  }

  std::string page;
  // Runs inside each fetch, on the fetch's thread.
  std::function<void(CancelToken&)> during_fetch;

 private:
  std::mutex mutex_;
  std::vector<FetchRequest> requests_;
};

}  // namespace verdalin
