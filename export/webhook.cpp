// The webhook's JSON body, its failure reasons, and the sender's queue and thread.
#include "export/webhook.h"

#include <algorithm>
#include <utility>

#include "base/encoding.h"
#include "report/report_text.h"

namespace verdalin {

namespace {

void AppendField(std::string& out, const char* key, const std::string& value) {
  out += out.empty() ? "{" : ",";
  AppendJsonString(out, key);
  out += ':';
  AppendJsonString(out, value);
}

}  // namespace

std::string WebhookBody(const WebhookMessage& message) {
  std::string body;
  AppendField(body, "time", message.time);
  AppendField(body, "event", message.event);
  AppendField(body, "detail", message.detail);
  AppendField(body, "device", message.device);
  AppendField(body, "message", message.message);
  return body + "}";
}

std::string FailureReason(const PostResult& result) {
  switch (result.error) {
    case PostError::kNone:
      if (result.status >= 200 && result.status < 300) return {};
      return "status_" + std::to_string(result.status);
    case PostError::kNotHttp:
      return "not_http";
    case PostError::kUnreachable:
      return "unreachable";
    case PostError::kTimedOut:
      return "timed_out";
    case PostError::kCancelled:
      return {};
    case PostError::kBroken:
      break;
  }
  return "transfer_failed";
}

std::string WebhookFailureDetail(const std::vector<WebhookFailure>& failures) {
  std::string reasons;
  int64_t count = 0;
  for (const WebhookFailure& failure : failures) {
    reasons += (reasons.empty() ? "" : ",") + failure.reason;
    count += failure.count;
  }
  return "reason=" + reasons + " count=" + std::to_string(count);
}

void WebhookSender::Shared::Fail(const std::string& reason) {
  const bool first = failures.empty();
  auto same = [&reason](const WebhookFailure& failure) { return failure.reason == reason; };
  const auto found = std::find_if(failures.begin(), failures.end(), same);
  if (found != failures.end())
    ++found->count;
  else
    failures.push_back({reason, 1});
  if (first && wake) wake();
}

WebhookSender::WebhookSender(std::shared_ptr<HttpPoster> poster, std::function<void()> wake,
                             std::size_t capacity)
    : shared_(std::make_shared<Shared>()), capacity_(std::max<std::size_t>(capacity, 1)) {
  shared_->poster = std::move(poster);
  shared_->wake = std::move(wake);
}

WebhookSender::~WebhookSender() {
  Stop(kWebhookEndWait);
}

void WebhookSender::Send(const std::string& url, const WebhookMessage& message) {
  Pending pending{url, WebhookBody(message)};
  std::lock_guard lock(shared_->mutex);
  if (shared_->stopping) return;
  if (!IsWebAddress(url)) {
    shared_->Fail("not_http");
    return;
  }
  if (shared_->queue.size() >= capacity_) {
    shared_->queue.pop_front();
    shared_->Fail("queue_full");
  }
  shared_->queue.push_back(std::move(pending));
  shared_->work_signal.notify_one();
  if (!thread_.joinable()) thread_ = std::thread(Work, shared_);
}

std::vector<WebhookFailure> WebhookSender::TakeFailures() {
  std::lock_guard lock(shared_->mutex);
  return std::exchange(shared_->failures, {});
}

// The worker takes the messages in order and posts each once; what fails after Stop (the
// cancelled POST) is no failure of the receiver's and is not counted.
void WebhookSender::Work(const std::shared_ptr<Shared>& shared) {
  std::unique_lock lock(shared->mutex);
  for (;;) {
    shared->work_signal.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
    if (shared->stopping) break;
    const Pending next = std::move(shared->queue.front());
    shared->queue.pop_front();
    lock.unlock();
    const PostResult result = shared->poster->Post(next.url, next.body, shared->cancel);
    lock.lock();
    const std::string reason = FailureReason(result);
    if (!shared->stopping && !reason.empty()) shared->Fail(reason);
  }
  shared->ended = true;
  shared->ended_signal.notify_all();
}

bool WebhookSender::Stop(std::chrono::milliseconds wait) {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->stopping = true;
    shared_->queue.clear();
    shared_->work_signal.notify_all();
  }
  shared_->cancel.Cancel();
  if (!thread_.joinable()) return true;
  std::unique_lock lock(shared_->mutex);
  if (!shared_->ended_signal.wait_for(lock, wait, [this] { return shared_->ended; })) {
    thread_.detach();
    return false;
  }
  lock.unlock();
  thread_.join();
  return true;
}

}  // namespace verdalin
