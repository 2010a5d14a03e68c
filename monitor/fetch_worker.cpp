// The fetch thread of the poll: start, cancel, and the page handed back to the loop.
#include "monitor/fetch_worker.h"

namespace verdalin {

FetchWorker::~FetchWorker() {
  Cancel();
  TakePage();
}

void FetchWorker::Start(FetchRequest request, std::function<void()> done) {
  Cancel();
  TakePage();
  cancel_ = std::make_unique<CancelToken>();
  thread_ = std::thread([this, request = std::move(request), done = std::move(done)] {
    page_ = fetcher_.FetchPage(request, *cancel_);
    if (cancel_->Cancelled()) page_.clear();
    if (done) done();
  });
}

void FetchWorker::Cancel() {
  if (cancel_) cancel_->Cancel();
}

std::string FetchWorker::TakePage() {
  if (!thread_.joinable()) return {};
  thread_.join();
  cancel_.reset();
  return std::move(page_);
}

}  // namespace verdalin
